// Offline runs. Frame n is made at show time n * 1000 / fps ms on the manual
// clock, however long it takes; SDL's disk audio driver plays the sound as
// fast as the frames allow, in lock-step with them, into a file of which the
// show's span becomes the video's sound track. Stills are frames of the same
// run written as PNG files.
#include "gl4d/offline/capture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gl4d/clock.h"
#include "gl4d/core/internal.h"
#include "gl4d/offline/benchmark.h"
#include "gl4d/offline/lockstep.h"
#include "gl4d/offline/options.h"
#include "gl4d/png.h"
#include "gl4d/offline/progress.h"
#include "gl4d/scenes.h"
#include "gl4d/offline/sound_file.h"
#include "gl4d/offline/video.h"

namespace gl4d {

namespace {

constexpr auto kSoundStartWait = std::chrono::milliseconds(5000);
// A block's length in real time: the pace of the sound once released.
constexpr auto kBlockPace = std::chrono::microseconds(1000000LL * kSoundBlockFrames / kSoundRate);

struct Still {
  std::uint64_t frame;
  double askedMs;
};

struct Session {
  LayerOptions opt;
  std::atomic<bool> offline{false};  // read by the sound thread too
  std::string tmpDir;  // the capture's working files, beside its output
  double showLengthMs = -1.0;
  GLuint frameW = 0, frameH = 0;  // the scene manager's frame, once known
  int readW = 0, readH = 0;       // what is read back each frame
  double stopMs = -1.0;
  std::uint64_t frame = 0, frameCount = 0;
  std::vector<Still> stills;
  size_t nextStill = 0;
  std::vector<std::uint8_t> pixels, opaque;
  LockStep lock{static_cast<double>(kSoundBlockFrames)};
  VideoEncoder video;
  std::unique_ptr<ProgressBar> progress;
  bool over = false, soundLost = false, failed = false;
  std::atomic<bool> releaseFromSound{false};
  bool releaseFromFrames = false;
};

Session s;

std::string tmpPath(const char *name) { return s.tmpDir + "/" + name; }

double frameMs(std::uint64_t n) { return static_cast<double>(n) * 1000.0 / s.opt.fps; }
double soundPos(double ms) { return ms * kSoundRate / 1000.0; }

// Frames n with n * 1000 / fps < ms.
std::uint64_t framesBefore(double ms) {
  return static_cast<std::uint64_t>(std::max(0.0, std::ceil(ms * s.opt.fps / 1000.0 - 1e-9)));
}

// During the run: the exit handlers still run (the program's sound
// shutdown among them), and the capture is dropped.
[[noreturn]] void failRun(const std::string &why) {
  std::fprintf(stderr, "\ngl4d: %s\n", why.c_str());
  s.failed = true;
  std::exit(1);
}

void removeTmpDir() {
  if (s.tmpDir.empty()) return;
  for (const char *name : {"video.mp4", "sound.raw", "sound.wav", "capture.mp4"}) std::remove(tmpPath(name).c_str());
  rmdir(s.tmpDir.c_str());
  s.tmpDir.clear();
}

std::string directoryOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool ensureDirectory(const std::string &dir, std::string *error) {
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = "cannot make the directory " + dir + ": " + std::strerror(errno);
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Runs before any exit handler that the program registered earlier (its
// sound shutdown among them): the sound thread must not be left waiting for
// frames that will never come.
void releaseRun() {
  if (s.over) return;
  s.over = true;
  s.lock.release();
  gl4dSetManualClock(GL_FALSE);  // the exit's fade runs in real time
  s.video.endInput();
  if (s.progress) s.progress->finish(s.frame, frameMs(s.frame));
}

void releaseAtExit() { releaseRun(); }

// The frames of the run, once the frame size and the show's length are known.
void planRun() {
  s.stopMs = s.opt.stopMs;
  if (s.stopMs <= 0.0 && (s.opt.capturing() || s.opt.benchmark)) s.stopMs = s.showLengthMs;
  if (s.opt.capturing() && s.stopMs <= 0.0) failRun("nothing tells when the capture ends: give --gl4d-stop");
  s.frameCount = s.stopMs > 0.0 ? framesBefore(s.stopMs) : 0;
  if (s.stopMs <= 0.0 && !s.opt.stillsMs.empty())
    s.frameCount = static_cast<std::uint64_t>(std::llround(s.opt.stillsMs.back() * s.opt.fps / 1000.0)) + 1;
  if (s.frameCount == 0) failRun("the run has no frame before its stop time");
  if (s.opt.capturing() && !s.opt.stillsMs.empty() && s.opt.stillsMs.back() >= s.stopMs)
    failRun("a still is asked for after the end of the capture (--gl4d-stop)");
  for (double ms : s.opt.stillsMs) {
    const auto n = static_cast<std::uint64_t>(std::llround(ms * s.opt.fps / 1000.0));
    s.stills.push_back({std::min(n, s.frameCount - 1), ms});
  }

  if (s.frameW && gl4dhGetFramebuffer()) {
    s.readW = static_cast<int>(s.frameW);
    s.readH = static_cast<int>(s.frameH);
  } else {
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &s.readW, &s.readH);
  }
  s.pixels.resize(static_cast<size_t>(s.readW) * s.readH * 4);
  if (s.opt.capturing()) {
    if (s.readW % 2 || s.readH % 2)
      failRun("a video's frame size must be even in both directions, not " + std::to_string(s.readW) + "x" +
              std::to_string(s.readH) + " (--gl4d-size)");
    std::string error;
    if (!s.video.start(tmpPath("video.mp4"), s.readW, s.readH, s.opt.fps, &error)) failRun(error);
  }
  s.progress = std::make_unique<ProgressBar>(s.frameCount, frameMs(s.frameCount), stderr);
  if (s.opt.benchmark) benchmarkStart(s.readW, s.readH);
}

// The frame as it stands in the scene manager's framebuffer (or, without
// one, in the window's back buffer), rows bottom-up.
void readFrame() {
  GLint readFb = 0, readBuffer = GL_BACK, packBuffer = 0, alignment = 4;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFb);
  glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  const GLuint fb = gl4dhGetFramebuffer();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fb);
  if (!fb) {
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(GL_BACK);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, s.readW, s.readH, GL_RGBA, GL_UNSIGNED_BYTE, s.pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(packBuffer));
  if (!fb) glReadBuffer(static_cast<GLenum>(readBuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFb));
}

// A still shows what the window would: the colours, fully opaque.
void writeStill(const Still &still) {
  s.opaque = s.pixels;
  for (size_t i = 3; i < s.opaque.size(); i += 4) s.opaque[i] = 255;
  const std::string path = s.opt.stillsDir + "/" + stillFileName(still.askedMs);
  if (!gl4dWritePng(path.c_str(), s.readW, s.readH, s.opaque.data(), GL_FALSE)) failRun("cannot write " + path);
}

// The end of a complete run: the sound goes on to the stop time, then is
// let go.
void endRun() {
  if (s.opt.benchmark) benchmarkLastFrame();
  if (s.opt.capturing()) {
    gl4dSetElapsedTime(s.stopMs);
    if (!s.lock.advancePicture(soundPos(s.stopMs))) s.soundLost = true;
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

bool writeCapture(std::string *error) {
  if (!s.video.finish(error)) return false;
  if (s.frame == 0) {
    std::fprintf(stderr, "gl4d: no frame was made: %s is not written\n", s.opt.capturePath.c_str());
    return true;
  }
  const double videoMs = frameMs(s.frame);
  const double keepMs = s.stopMs > 0.0 ? std::min(videoMs, s.stopMs) : videoMs;
  std::uint64_t kept = 0;
  std::string ready = tmpPath("video.mp4");
  if (s.lock.attached() && !s.soundLost) {
    const auto keep = static_cast<std::uint64_t>(std::llround(soundPos(keepMs)));
    const std::uint64_t seen = s.lock.startupBlocks() + s.lock.showBlocks();
    if (!cutShowSound(tmpPath("sound.raw"), tmpPath("sound.wav"), seen, s.lock.startupBlocks(), keep, &kept,
                      error) ||
        !muxSound(ready, tmpPath("sound.wav"), tmpPath("capture.mp4"), error))
      return false;
    ready = tmpPath("capture.mp4");
  } else {
    std::fprintf(stderr, "gl4d: no sound in step with the frames: %s has no sound track\n",
                 s.opt.capturePath.c_str());
  }
  if (std::rename(ready.c_str(), s.opt.capturePath.c_str()) != 0) {
    *error = "cannot write " + s.opt.capturePath + ": " + std::strerror(errno);
    return false;
  }
  std::fprintf(stderr, "gl4d: %s: %llu frames at %d fps (%.3f s), sound %.3f s\n", s.opt.capturePath.c_str(),
               static_cast<unsigned long long>(s.frame), s.opt.fps, videoMs / 1000.0,
               static_cast<double>(kept) / kSoundRate);
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
  s.opt = opt;
  s.offline = opt.offline();
  if (!s.offline) return true;
  if (opt.takingStills() && !ensureDirectory(opt.stillsDir, &error)) {
    std::fprintf(stderr, "gl4d: %s\n", error.c_str());
    return false;
  }
  std::string soundFile = "/dev/null";
  if (opt.capturing()) {
    if (!onPath("ffmpeg")) {
      std::fprintf(stderr, "gl4d: --gl4d-capture needs the ffmpeg program (Debian: apt-get install ffmpeg)\n");
      return false;
    }
    std::string pattern = directoryOf(opt.capturePath) + "/.gl4d-capture-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::fprintf(stderr, "gl4d: cannot write beside %s: %s\n", opt.capturePath.c_str(), std::strerror(errno));
      return false;
    }
    s.tmpDir = pattern;
    soundFile = tmpPath("sound.raw");
    std::signal(SIGPIPE, SIG_IGN);  // a dead ffmpeg shows as a failed write
  }
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
  removeTmpDir();
  s.offline = false;
}

bool offlineSession() { return s.offline; }

void offlineWindow(int *width, int *height, Uint32 *flags) {
  if (!s.offline) return;
  if (s.opt.width) {
    *width = s.opt.width;
    *height = s.opt.height;
  }
  *flags = (*flags & ~static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE)) |
           SDL_WINDOW_HIDDEN;
}

void sceneFrameSize(GLuint *width, GLuint *height) {
  if (s.offline && s.opt.width) {
    *width = static_cast<GLuint>(s.opt.width);
    *height = static_cast<GLuint>(s.opt.height);
  }
  s.frameW = *width;
  s.frameH = *height;
}

void noteShowLength(double ms) { s.showLengthMs = ms; }

void afterSoundBlock() {
  if (!s.offline) return;
  if (!s.releaseFromSound.exchange(true)) std::atexit(releaseAtExit);
  s.lock.afterBlock(kBlockPace);
}

bool beginOfflineFrame() {
  if (s.over) return false;
  if (s.frame == 0) {
    if (!s.releaseFromFrames) s.releaseFromFrames = std::atexit(releaseAtExit) == 0;
    planRun();
    if (!SDL_WasInit(SDL_INIT_AUDIO) || !s.lock.waitForSound(kSoundStartWait)) s.soundLost = true;
  }
  if (s.frame >= s.frameCount) {
    endRun();
    return false;
  }
  const double t = frameMs(s.frame);
  gl4dSetElapsedTime(t);
  if (!s.lock.advancePicture(soundPos(t)) && !s.soundLost) {
    s.soundLost = true;
    std::fprintf(stderr, "\ngl4d: the sound stopped keeping up with the frames; going on without it\n");
  }
  if (s.opt.benchmark) benchmarkFrameBegin();
  return true;
}

void endOfflineFrame() {
  if (s.opt.benchmark) benchmarkFrameEnd(frameMs(s.frame));
  const bool still = s.nextStill < s.stills.size() && s.stills[s.nextStill].frame == s.frame;
  if (s.opt.capturing() || still) readFrame();
  if (s.opt.capturing() && !s.video.write(s.pixels.data())) failRun("ffmpeg stopped taking frames");
  for (; s.nextStill < s.stills.size() && s.stills[s.nextStill].frame == s.frame; ++s.nextStill)
    writeStill(s.stills[s.nextStill]);
  ++s.frame;
  s.progress->update(s.frame, frameMs(s.frame));
}

bool liveStopReached() { return !s.offline && s.opt.stopMs > 0.0 && showElapsedMs() >= s.opt.stopMs; }

void liveWindow(int *width, int *height, Uint32 *flags) {
  if (s.offline || !s.opt.windowW) return;
  *width = s.opt.windowW;
  *height = s.opt.windowH;
  *flags = (*flags & ~static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN)) | SDL_WINDOW_SHOWN |
           SDL_WINDOW_RESIZABLE;
}

bool glDebugAsked() { return s.opt.glDebug; }

void contextMade() {
  if (s.opt.benchmark) benchmarkContextMade();
}

void liveFrameShown() {
  if (s.opt.stats) statsFrameShown();
}

void finishSession() {
  if (!s.offline) {
    if (s.opt.stats) statsReport();
    return;
  }
  releaseRun();
  // The disk driver's file is complete once its device is closed.
  if (SDL_WasInit(SDL_INIT_AUDIO)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  std::string error;
  if (s.failed) s.video.finish(&error);
  if (s.opt.benchmark && !s.failed && s.frame == s.frameCount)
    benchmarkReport(s.opt.benchmarkPath, s.readW, s.readH, s.opt.fps);
  const bool written = s.failed || !s.opt.capturing() || writeCapture(&error);
  removeTmpDir();
  if (!written) {
    // The program was ending well, but the capture it asked for is not
    // there: that is a failure. Exit handlers cannot call exit.
    std::fprintf(stderr, "gl4d: %s\n", error.c_str());
    std::fflush(nullptr);
    _exit(1);
  }
}

}  // namespace gl4d
