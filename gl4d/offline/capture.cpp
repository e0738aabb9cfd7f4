#include "gl4d/offline/capture.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl4d/offline/c_locale.h"
#include "gl4d/offline/sound_file.h"
#include "gl4d/offline/stop_signals.h"
#include "gl4d/offline/whole_file.h"

namespace gl4d {

bool VideoCapture::prepare(const std::string &path, std::string *error) {
  path_ = path;
  if (!canWriteWhole(path, error, false)) return false;  // made in the working directory, renamed from there
  const size_t slash = path.find_last_of('/');
  std::string pattern = path.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".gl4d-capture-XXXXXX";
  if (pattern[0] != '/') {  // the encoder is given absolute paths
    char *cwd = getcwd(nullptr, 0);
    if (!cwd) {
      *error = std::string("cannot tell the working directory: ") + std::strerror(errno);
      return false;
    }
    pattern = std::string(cwd) + "/" + pattern;
    std::free(cwd);
  }
  if (!mkdtemp(pattern.data())) {
    *error = "cannot write beside " + path + ": " + std::strerror(errno);
    return false;
  }
  workDir_ = pattern;
  holdStopSignals();  // a second signal ends the run once the working directory is gone
  return true;
}

bool VideoCapture::start(int w, int h, int fps, VideoQuality quality, std::string *error) {
  return video_.start(workPath("video.mp4"), w, h, fps, quality, error);
}

bool VideoCapture::finish(std::uint64_t frames, int fps, const CaptureSound &sound, std::string *summary,
                          std::string *error) {
  const bool made = video_.finish(error) && [&] {
    std::string ready = workPath("video.mp4");
    std::uint64_t kept = 0;
    if (sound.include) {
      if (!cutShowSound(soundFile(), workPath("sound.wav"), sound.blocksSeen, sound.startupBlocks, sound.keepFrames,
                        &kept, error) ||
          !muxSound(ready, workPath("sound.wav"), workPath("capture.mp4"), error))
        return false;
      ready = workPath("capture.mp4");
    }
    if (!commitRun()) return false;  // stopped: nothing at the path
    if (std::rename(ready.c_str(), path_.c_str()) != 0) {
      *error = "cannot write " + path_ + ": " + std::strerror(errno);
      return false;
    }
    const CNumbers cNumbers;
    char line[256];
    std::snprintf(line, sizeof line, ": %llu frames at %d fps (%.3f s), %s", static_cast<unsigned long long>(frames),
                  fps, static_cast<double>(frames) / fps, sound.include ? "sound " : "no sound track (--gl4d-silent)");
    *summary = path_ + line;
    if (sound.include) {
      std::snprintf(line, sizeof line, "%.3f s", static_cast<double>(kept) / kSoundRate);
      *summary += line;
    }
    return true;
  }();
  removeWorkDir();
  return made;
}

void VideoCapture::abandon() {
  const StopSignalsHeld held;
  video_.stop();
  removeWorkDir();
}

void VideoCapture::removeWorkDir() {
  if (workDir_.empty()) return;
  for (const char *name : {"video.mp4", "sound.raw", "sound.wav", "capture.mp4"}) std::remove(workPath(name).c_str());
  rmdir(workDir_.c_str());
  workDir_.clear();
  releaseStopSignals();
}

}  // namespace gl4d
