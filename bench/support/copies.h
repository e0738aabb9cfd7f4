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

// Median wall time in milliseconds of work(), each run closed by glFinish.
double medianMs(const std::function<void()> &work, int runs = 15, int warmups = 3);

// A texture and framebuffer of w x h RGBA8, filled with a pattern.
struct Target {
  GLuint tex = 0, fbo = 0;
  int w = 0, h = 0;
};
Target makeTarget(int w, int h);
void freeTarget(Target &t);

// Median time of the reference pass from src into dst (same size).
double referencePassMs(const Target &src, const Target &dst);

}  // namespace bench
