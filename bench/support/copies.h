// Measuring GPU cost on any driver: times are medians of several runs, each
// ended with glFinish, after a warm-up; a cost in "copies" is that time
// divided by the time of one reference pass at the same frame size (a
// full-frame draw that samples one texel per pixel and writes it).
#pragma once

#include <functional>

#include "gl4d/gl4d.h"

namespace bench {

// Makes a hidden window of width x height and its context (offscreen driver
// unless a display is set up); call once before anything else.
void openContext(int argc, char **argv, int width = 64, int height = 64);

// The frame size from an optional "width height" pair of arguments, else
// the given default; says how to call and exits 2 on anything else.
void frameSizeFromArguments(int argc, char **argv, int *width, int *height);

// Median wall time in milliseconds of work(), each run closed by glFinish.
double medianMs(const std::function<void()> &work, int runs = 15, int warmups = 3);

// A texture and framebuffer of w x h RGBA8, filled with a pattern.
struct Target {
  GLuint tex = 0, fbo = 0;
  int w = 0, h = 0;
};
Target makeTarget(int w, int h);
// A 24-bit depth renderbuffer of the target's size attached to it, as the
// scene manager's frame has; leaves the target's framebuffer bound.
GLuint attachDepth(const Target &t);
void freeTarget(Target &t);

// Median time of the reference pass from src into dst (same size).
double referencePassMs(const Target &src, const Target &dst);

// The reference pass, built once, drawn run by run beside other work.
class ReferencePass {
 public:
  ReferencePass(const Target &src, const Target &dst);
  ~ReferencePass();
  ReferencePass(const ReferencePass &) = delete;
  ReferencePass &operator=(const ReferencePass &) = delete;
  void draw() const;  // one pass; leaves framebuffer 0, program 0 and no vertex array bound

 private:
  Target src_, dst_;
  GLuint program_ = 0, vao_ = 0;
};

// Cost of work in copies, robust to a shared machine's changing load: each
// run of work is timed between two runs of the reference pass, and the
// result is the median of the runs' ratios. *ms, if given, receives the
// median time of work.
double medianCopies(const std::function<void()> &work, const ReferencePass &reference, int runs = 15,
                    int warmups = 3, double *ms = nullptr);

}  // namespace bench
