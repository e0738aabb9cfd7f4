// The capture's video through ffmpeg: raw RGBA frames in, H.264 in MP4 out,
// converted and tagged as BT.709 (what players assume for HD); then the
// sound muxed in as AAC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl4d/offline/frame_queue.h"
#include "gl4d/offline/options.h"
#include "gl4d/offline/process.h"

namespace gl4d {

class VideoEncoder {
 public:
  ~VideoEncoder();
  // Starts ffmpeg writing path (absolute), an MP4 of w x h frames at fps.
  bool start(const std::string &path, int w, int h, int fps, VideoQuality quality, std::string *error);
  // Where the next frame goes: w x h RGBA8 pixels, rows bottom-up as
  // glReadPixels gives them, sent upright by a thread of their own once
  // queued, while the next ones are drawn. nullptr once ffmpeg has gone or
  // a stop signal came.
  std::uint8_t *nextFrame() { return frames_.next(); }
  void queueFrame() { frames_.queue(); }
  // End of the frames: those queued sent, ffmpeg finishes the file on its own.
  void endInput();
  // Waits for ffmpeg; false with a reason if it failed.
  bool finish(std::string *error);
  // Kills ffmpeg at once: the file it was making is thrown away.
  void stop();

 private:
  // Sends one frame upright (the sending thread's).
  bool send(const std::uint8_t *rgba);

  Child child_;
  int w_ = 0, h_ = 0;
  std::vector<std::uint8_t> upright_;
  FrameQueue frames_;
};

// Writes out: the video of videoPath as it is, with the sound of wavPath
// encoded as AAC (absolute paths, all three).
bool muxSound(const std::string &videoPath, const std::string &wavPath, const std::string &out, std::string *error);

}  // namespace gl4d
