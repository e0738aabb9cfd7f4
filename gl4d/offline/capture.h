// --gl4d-capture: the frames go through ffmpeg into a working directory
// beside the output (.gl4d-capture-XXXXXX); at the end the show's span of
// the sound is cut out of the disk driver's file and muxed in, and the
// result is renamed over the output: a capture cut short or failed leaves
// nothing at the asked path.
#pragma once

#include <cstdint>
#include <string>

#include "gl4d/offline/options.h"
#include "gl4d/offline/video.h"

namespace gl4d {

struct CaptureSound {
  bool include = false;  // false: a video without sound track (--gl4d-silent)
  std::uint64_t blocksSeen = 0, startupBlocks = 0;  // blocks of the disk driver's file that reached the layer
  std::uint64_t keepFrames = 0;                     // sound frames of the show to keep
};

class VideoCapture {
 public:
  // Before the window: path must name a file, not a directory, in a
  // directory that exists and that we can write into; the working
  // directory is made there. False with a reason otherwise.
  bool prepare(const std::string &path, std::string *error);
  // Where SDL's disk audio driver is to write the program's sound.
  std::string soundFile() const { return workPath("sound.raw"); }

  bool start(int w, int h, int fps, VideoQuality quality, std::string *error);
  // The encoder's next frame to fill, then queued (video.h).
  std::uint8_t *nextFrame() { return video_.nextFrame(); }
  void queueFrame() { video_.queueFrame(); }
  void endFrames() { video_.endInput(); }
  // The capture of frames frames made whole at its path; *summary says what it holds.
  bool finish(std::uint64_t frames, int fps, const CaptureSound &sound, std::string *summary, std::string *error);
  // Nothing at the path: the encoder stopped, the working directory removed.
  void abandon();

 private:
  std::string workPath(const char *name) const { return workDir_ + "/" + name; }
  void removeWorkDir();

  std::string path_, workDir_;
  VideoEncoder video_;
};

}  // namespace gl4d
