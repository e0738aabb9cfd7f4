// Offline runs. Frame n is made at show time n * 1000 / fps ms on the manual
// clock, however long it takes; SDL's disk audio driver plays the sound as
// fast as the frames allow, in lock-step with them, into a file of which the
// show's span becomes the video's sound track. Stills are frames of the same
// run written as PNG files. A run is whole or it exits non-zero: a capture or
// a benchmark's JSON appears at its path only once complete.
#include "gl4d/offline/session.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "gl4d/clock.h"
#include "gl4d/core/internal.h"
#include "gl4d/core/sound_clock.h"
#include "gl4d/offline/benchmark.h"
#include "gl4d/offline/c_locale.h"
#include "gl4d/offline/capture.h"
#include "gl4d/offline/live_stats.h"
#include "gl4d/offline/lockstep.h"
#include "gl4d/offline/options.h"
#include "gl4d/offline/pacing.h"
#include "gl4d/offline/progress.h"
#include "gl4d/offline/readback.h"
#include "gl4d/offline/sound_file.h"
#include "gl4d/offline/stills.h"
#include "gl4d/offline/stop_signals.h"
#include "gl4d/offline/whole_file.h"
#include "gl4d/scenes.h"
#include "gl4d/seed.h"

namespace gl4d {

namespace {

constexpr auto kSoundStartWait = std::chrono::milliseconds(5000);
// A block's length in real time: the pace of the sound once released.
constexpr auto kBlockPace = std::chrono::microseconds(1000000LL * kSoundBlockFrames / kSoundRate);

struct Still {
  std::uint64_t frame;
  double askedMs;
};

struct LayerSession {
  LayerOptions opt;
  std::atomic<bool> offline{false};  // read by the sound thread too
  double showLengthMs = -1.0;
  GLuint frameW = 0, frameH = 0;  // the scene manager's frame, once known
  int readW = 0, readH = 0;       // what is read back each frame
  double stopMs = -1.0;
  bool planned = false;
  std::uint64_t frame = 0, frameCount = 0;
  std::vector<Still> stills;
  size_t nextStill = 0;
  std::vector<std::uint8_t> pixels;
  LockStep lock{static_cast<double>(kSoundBlockFrames)};
  VideoCapture capture;
  FrameReadback readback;  // a capture's frames
  std::unique_ptr<ProgressBar> progress;
  bool over = false, soundLost = false, failed = false, stopAnnounced = false;
  bool madeStillsDir = false;  // by this run: removed again if the run leaves it empty
  std::atomic<bool> releaseFromSound{false};
  bool releaseFromFrames = false;
};

LayerSession layerSession;

double frameMs(std::uint64_t n) { return static_cast<double>(n) * 1000.0 / layerSession.opt.fps; }
double soundPos(double ms) { return ms * kSoundRate / 1000.0; }

std::string seconds(double ms) {
  const CNumbers cNumbers;
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms / 1000.0);
  return text;
}

// Frames n with n * 1000 / fps < ms.
std::uint64_t framesBefore(double ms) {
  return static_cast<std::uint64_t>(std::max(0.0, std::ceil(ms * layerSession.opt.fps / 1000.0 - 1e-9)));
}

// What a run that is not whole leaves out, for its last message.
std::string notWritten() {
  const LayerOptions &o = layerSession.opt;
  if (o.capturing()) return "nothing is written at " + o.capturePath;
  if (o.benchmark) return o.benchmarkPath.empty() ? "no figures" : "no figures, nothing written at " + o.benchmarkPath;
  return std::to_string(layerSession.nextStill) + " of " + std::to_string(o.stillsMs.size()) + " stills written";
}

// The one line that says a stop signal ended the run, and what it left out.
void announceStop() {
  LayerSession &s = layerSession;
  if (s.stopAnnounced) return;
  s.stopAnnounced = true;
  printUnderProgress(std::string("gl4d: stopped by ") + stopSignalName(stopSignal()) + " after " +
                     std::to_string(s.frame) + " of " + std::to_string(s.frameCount) + " frames: " + notWritten());
}

// Whatever is half made, gone: the encoder killed (what it was making is
// thrown away), the working directory removed, a stills directory of ours
// that stayed empty removed. A second signal meanwhile waits for the end of it.
void dropUnfinished() {
  LayerSession &s = layerSession;
  const StopSignalsHeld held;
  s.capture.abandon();
  if (s.madeStillsDir) rmdir(s.opt.stillsDir.c_str());  // only when empty: whole stills stay
  s.madeStillsDir = false;
}

// Interrupted: said at once, then nothing half made left; the program's exit
// handlers still run (its sound shutdown among them).
[[noreturn]] void stopOnSignal() {
  announceStop();
  dropUnfinished();
  std::exit(128 + stopSignal());
}

// During the run: the exit handlers still run, and the outputs are dropped.
[[noreturn]] void failRun(const std::string &why) {
  if (stopSignal()) stopOnSignal();  // an interruption's consequence is no failure of its own
  printUnderProgress("gl4d: " + why);
  layerSession.failed = true;
  std::exit(1);
}

// No sound to keep in step with: a capture that wanted one has failed.
void soundGone(const std::string &why) {
  LayerSession &s = layerSession;
  s.soundLost = true;
  if (s.opt.capturing() && !s.opt.silent) failRun(why + ": no capture (--gl4d-silent makes one without sound)");
  printUnderProgress("gl4d: " + why + "; going on without it");
}

// Runs before any exit handler that the program registered earlier (its
// sound shutdown among them): the sound thread must not be left waiting for
// frames that will never come.
void releaseRun() {
  LayerSession &s = layerSession;
  if (s.over) return;
  s.over = true;
  s.lock.release();
  gl4dSetManualClock(GL_FALSE);  // the exit's fade runs in real time
  s.capture.endFrames();
  if (s.progress) s.progress->finish(s.frame, frameMs(s.frame), sinceLoadMs());
}

void releaseAtExit() { releaseRun(); }

// The frames of the run, once the frame size and the show's length are
// known: anything that cannot be done is refused before the first frame.
void planRun() {
  LayerSession &s = layerSession;
  const LayerOptions &o = s.opt;
  s.stopMs = o.stopMs;
  if (s.stopMs <= 0.0 && (o.capturing() || o.benchmark)) s.stopMs = s.showLengthMs;
  if (o.capturing() && s.stopMs <= 0.0) failRun("nothing tells when the capture ends: give --gl4d-stop");
  if (o.takingStills() && s.showLengthMs > 0.0 && o.stillsMs.back() > s.showLengthMs)
    failRun("a still is asked for at " + seconds(o.stillsMs.back()) + " s, after the end of the show at " +
            seconds(s.showLengthMs) + " s (--gl4d-stills)");
  s.frameCount = s.stopMs > 0.0 ? framesBefore(s.stopMs) : 0;
  if (s.stopMs <= 0.0 && o.takingStills())
    s.frameCount = static_cast<std::uint64_t>(std::llround(o.stillsMs.back() * o.fps / 1000.0)) + 1;
  if (s.frameCount == 0) failRun("the run has no frame before its stop time");
  if (o.capturing() && o.takingStills() && o.stillsMs.back() >= s.stopMs)
    failRun("a still is asked for after the end of the capture (--gl4d-stop)");
  for (double ms : o.stillsMs) {
    const auto n = static_cast<std::uint64_t>(std::llround(ms * o.fps / 1000.0));
    s.stills.push_back({std::min(n, s.frameCount - 1), ms});
  }

  if (s.frameW && gl4dhGetFramebuffer()) {
    s.readW = static_cast<int>(s.frameW);
    s.readH = static_cast<int>(s.frameH);
  } else {
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &s.readW, &s.readH);
  }
  if (!o.capturing()) s.pixels.resize(static_cast<size_t>(s.readW) * s.readH * 4);  // a capture's go to the encoder
  if (o.capturing()) {
    const std::string problem = videoSizeProblem(s.readW, s.readH, o.fps);
    if (!problem.empty()) failRun(problem + " (--gl4d-size, --gl4d-fps)");
    std::string error;
    if (!s.capture.start(s.readW, s.readH, o.fps, o.quality, &error)) failRun(error);
    s.readback.start(gl4dhGetFramebuffer(), s.readW, s.readH);
  }
  s.progress = std::make_unique<ProgressBar>(s.frameCount, frameMs(s.frameCount), stderr, sinceLoadMs());
  if (o.benchmark) benchmarkStart(s.readW, s.readH, o.fps, s.frameCount);
  s.planned = true;
}

// The stills asked for at frame, from its pixels.
void writeStills(std::uint64_t frame, const std::uint8_t *pixels) {
  LayerSession &s = layerSession;
  std::string error;
  for (; s.nextStill < s.stills.size() && s.stills[s.nextStill].frame == frame; ++s.nextStill)
    if (!writeStill(s.opt.stillsDir, s.stills[s.nextStill].askedMs, s.readW, s.readH, pixels, &error))
      failRun(error);
}

// The oldest frame the capture asked for, to the encoder and to the stills
// asked for at it.
void deliverCaptured() {
  LayerSession &s = layerSession;
  const std::uint64_t frame = s.readback.oldest();
  std::uint8_t *pixels = s.capture.nextFrame();
  if (!pixels) failRun("ffmpeg stopped taking frames");
  if (!s.readback.take(pixels)) failRun("cannot read frame " + std::to_string(frame) + " back");
  s.capture.queueFrame();  // read only from here on, by the encoder's thread and the stills
  writeStills(frame, pixels);
}

// The end of a complete run: the sound goes on to the stop time, then is
// let go.
void endRun() {
  LayerSession &s = layerSession;
  if (s.opt.benchmark) benchmarkLastFrame();
  if (s.opt.capturing()) {
    while (s.readback.waiting()) deliverCaptured();
    s.readback.stop();
    gl4dSetElapsedTime(s.stopMs);
    if (!s.lock.advancePicture(soundPos(s.stopMs)) && !s.soundLost) soundGone("the sound did not reach the end");
  }
  releaseRun();
}

// The disk driver warns on stderr that it is in use: in an offline run
// that is the point, so those two lines are dropped; the rest goes through.
SDL_LogOutputFunction sdlLog = nullptr;
void *sdlLogData = nullptr;
void SDLCALL quietDiskDriver(void *, int category, SDL_LogPriority priority, const char *message) {
  if (category == SDL_LOG_CATEGORY_AUDIO &&
      (std::strstr(message, "SDL disk i/o audio driver") || std::strstr(message, "Writing to file [")))
    return;
  if (sdlLog) sdlLog(sdlLogData, category, priority, message);
}

// The outputs of a whole run; false, with a reason, if one cannot be written.
bool writeOutputs(std::string *error) {
  LayerSession &s = layerSession;
  if (s.opt.benchmark && !benchmarkReport(s.opt.benchmarkPath, error)) return false;
  if (!s.opt.capturing()) return commitRun();
  const double keepMs = std::min(frameMs(s.frame), s.stopMs);
  CaptureSound sound;
  sound.include = !s.opt.silent;
  sound.startupBlocks = s.lock.startupBlocks();
  sound.blocksSeen = sound.startupBlocks + s.lock.showBlocks();
  sound.keepFrames = static_cast<std::uint64_t>(std::llround(soundPos(keepMs)));
  std::string summary;
  if (!s.capture.finish(s.frame, s.opt.fps, sound, &summary, error)) return false;
  std::fprintf(stderr, "gl4d: %s\n", summary.c_str());
  return true;
}

}  // namespace

bool configureSession(int argc, char **argv) {
  std::string error;
  LayerOptions opt;
  if (!parseLayerOptions(argc, argv, &opt, &error)) {
    std::fprintf(stderr, "gl4d: %s (--gl4d-help lists the options)\n", error.c_str());
    return false;
  }
  if (opt.help) {
    std::fputs(layerOptionsHelp(), stdout);
    std::exit(0);
  }
  LayerSession &s = layerSession;
  s.opt = opt;
  s.offline = opt.offline();
  if (!s.offline) {
    if (opt.audioDelayGiven) soundClock().setDelay(opt.audioDelayMs);
    return true;
  }
  // Every output checked now, not after the whole render.
  if (opt.capturing() && findProgram("ffmpeg").empty())
    error = "--gl4d-capture needs the ffmpeg program (Debian: apt-get install ffmpeg)";
  else if (!opt.benchmarkPath.empty())
    canWriteWhole(opt.benchmarkPath, &error);
  if (error.empty() && opt.capturing()) s.capture.prepare(opt.capturePath, &error);
  if (error.empty() && opt.takingStills())
    prepareStillsDirectory(opt.stillsDir, opt.stillsMs, &s.madeStillsDir, &error);
  if (!error.empty()) {
    abandonSession();
    std::fprintf(stderr, "gl4d: %s\n", error.c_str());
    return false;
  }
  std::string soundFile = "/dev/null";
  if (opt.capturing()) {
    soundFile = s.capture.soundFile();
    std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg shows as a failed write
  }
  takeStopSignals();
  // Hidden offscreen rendering unless a driver was asked for; the disk
  // driver with no delay plays the sound as fast as the frames allow.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", soundFile.c_str(), 1);
  setenv("SDL_DISKAUDIODELAY", "0", 1);
  SDL_LogGetOutputFunction(&sdlLog, &sdlLogData);
  SDL_LogSetOutputFunction(quietDiskDriver, nullptr);
  startOfflineClock();
  setTicksFollowClock(true);
  return true;
}

void abandonSession() {
  dropUnfinished();
  layerSession.offline = false;
}

bool offlineSession() { return layerSession.offline; }

void offlineWindow(int *width, int *height, Uint32 *flags) {
  const LayerSession &s = layerSession;
  if (!s.offline) return;
  if (s.opt.width) {
    *width = s.opt.width;
    *height = s.opt.height;
  }
  *flags = (*flags & ~static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE)) |
           SDL_WINDOW_HIDDEN;
}

void sceneFrameSize(GLuint *width, GLuint *height) {
  LayerSession &s = layerSession;
  if (s.opt.width) {
    *width = static_cast<GLuint>(s.opt.width);
    *height = static_cast<GLuint>(s.opt.height);
  }
  s.frameW = *width;
  s.frameH = *height;
}

void noteShowLength(double ms) { layerSession.showLengthMs = ms; }

void afterSoundBlock() {
  LayerSession &s = layerSession;
  if (!s.offline) return;
  if (!s.releaseFromSound.exchange(true)) std::atexit(releaseAtExit);
  s.lock.afterBlock(kBlockPace);
}

bool offlineSoundBlockMs(double *ms) {
  const LayerSession &s = layerSession;
  if (!s.offline) return false;
  // One sound thread: the blocks through the lock-step are the ones before.
  const double blocks = s.lock.started() ? static_cast<double>(s.lock.showBlocks()) : -1.0;
  *ms = blocks * kSoundBlockFrames * 1000.0 / kSoundRate;
  return true;
}

bool beginOfflineFrame() {
  LayerSession &s = layerSession;
  if (stopSignal()) stopOnSignal();
  if (s.over) return false;
  if (!s.planned) {
    if (!s.releaseFromFrames) s.releaseFromFrames = std::atexit(releaseAtExit) == 0;
    planRun();
    if (!SDL_WasInit(SDL_INIT_AUDIO) || !s.lock.waitForSound(kSoundStartWait))
      soundGone("no sound came within 5 s of the first frame");
  }
  if (s.frame >= s.frameCount) {
    endRun();
    return false;
  }
  const double t = frameMs(s.frame);
  gl4dSetElapsedTime(t);
  if (!s.lock.advancePicture(soundPos(t)) && !s.soundLost) soundGone("the sound stopped keeping up with the frames");
  if (s.opt.benchmark) benchmarkFrameBegin();
  return true;
}

void endOfflineFrame() {
  LayerSession &s = layerSession;
  if (s.opt.benchmark) benchmarkFrameEnd(frameMs(s.frame));
  if (s.opt.capturing()) {
    // This frame is asked for, the one before taken: the next is drawn while
    // this one is copied.
    s.readback.ask();
    if (s.readback.waiting() > 1) deliverCaptured();
  } else if (s.nextStill < s.stills.size() && s.stills[s.nextStill].frame == s.frame) {
    readPixels(gl4dhGetFramebuffer(), s.readW, s.readH, 0, s.pixels.data());
    writeStills(s.frame, s.pixels.data());
  }
  ++s.frame;
  s.progress->update(s.frame, frameMs(s.frame), sinceLoadMs());
}

bool liveStopReached() {
  const LayerSession &s = layerSession;
  return !s.offline && s.opt.stopMs > 0.0 && showElapsedMs() >= s.opt.stopMs;
}

void liveWindow(int *width, int *height, Uint32 *flags) {
  const LayerSession &s = layerSession;
  if (s.offline || !s.opt.windowW) return;
  *width = s.opt.windowW;
  *height = s.opt.windowH;
  *flags = (*flags & ~static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN)) | SDL_WINDOW_SHOWN |
           SDL_WINDOW_RESIZABLE;
}

bool glDebugAsked() { return layerSession.opt.glDebug; }

void contextMade() {
  if (layerSession.opt.benchmark) benchmarkContextMade();
}

void liveFrameShown() {
  if (layerSession.opt.stats) liveStatsFrameShown();
  if (layerSession.opt.maxFps) paceLiveFrame(layerSession.opt.maxFps);
}

unsigned sessionSeed() {
  const LayerSession &s = layerSession;
  if (s.opt.seedGiven) return s.opt.seed;
  return s.offline ? 1u : static_cast<unsigned>(std::time(nullptr));
}

void finishSession(int status) {
  LayerSession &s = layerSession;
  if (!s.offline) {
    if (s.opt.stats) liveStatsReport(s.frameW, s.frameH);
    return;
  }
  releaseRun();
  // The disk driver's file is complete once its device is closed.
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  const bool whole = s.planned && s.frame == s.frameCount && !s.failed && !stopSignal() && status == 0;
  std::string error;
  if (whole && writeOutputs(&error)) return;
  dropUnfinished();
  if (stopSignal()) return announceStop();  // after the last frame too: nothing at the path, and why
  if (status != 0 || s.failed) return;  // its own status, and message
  // The program was ending well, but what it asked the layer for is not
  // whole: that is a failure. Exit handlers cannot call exit.
  if (error.empty())
    error = "the program ended after " + std::to_string(s.frame) + " of " + std::to_string(s.frameCount) +
            " frames: " + notWritten();
  std::fprintf(stderr, "gl4d: %s\n", error.c_str());
  std::fflush(nullptr);
  _exit(1);
}

void endByStopSignal() {
  if (!stopSignal()) return;
  std::fflush(nullptr);
  dieBy(stopSignal());
}

}  // namespace gl4d

unsigned int gl4duwRandomSeed(void) { return gl4d::sessionSeed(); }
