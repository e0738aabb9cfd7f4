// Reading the frames back. A capture reads every frame through a pair of
// pixel-pack buffers: frame n is asked for as it is finished and taken one
// frame later, so that its copy is queued behind the drawing and the next
// frame is drawn meanwhile (on a software rasteriser glReadPixels into
// memory waits for every draw before it).
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

namespace gl4d {

// glReadPixels of w x h RGBA8 pixels from framebuffer fb (0: the window's
// back buffer) into packBuffer at offset 0, or into to when packBuffer is
// 0; rows bottom-up. The bindings and pack state are put back as they were.
void readPixels(GLuint fb, int w, int h, GLuint packBuffer, std::uint8_t *to);

class FrameReadback {
 public:
  // Frames of w x h from framebuffer fb; the buffers are made here.
  void start(GLuint fb, int w, int h);
  // Asks for the frame as it stands now; at most two wait at a time.
  void ask();
  // Frames asked for and not taken yet.
  std::uint64_t waiting() const { return asked_ - taken_; }
  // The number of the oldest frame waiting (frames count from 0).
  std::uint64_t oldest() const { return taken_; }
  // The oldest frame waiting, into pixels (w x h RGBA8, rows bottom-up);
  // false if its buffer could not be read.
  bool take(std::uint8_t *pixels);
  // The buffers deleted.
  void stop();

 private:
  GLuint fb_ = 0, buffers_[2] = {0, 0};
  int w_ = 0, h_ = 0;
  std::uint64_t asked_ = 0, taken_ = 0;
};

}  // namespace gl4d
