// --gl4d-benchmark: the whole show played offline as fast as it goes, each
// frame timed in wall time (glFinish to glFinish) and, where the driver has
// timer queries, in GPU time; the figures people compare between runs: per
// row, per scene, the start-up, memory, GL objects made late. The
// benchmark's own work (its reference pass, its textures and buffers) is
// done after the last frame, outside every figure of the show.
#pragma once

#include <string>

namespace gl4d {

// The context exists: GL objects are counted from now on.
void benchmarkContextMade();
// Before the first frame: the timer query, if the driver has them.
void benchmarkStart(int width, int height, int fps, std::uint64_t frames);
void benchmarkFrameBegin();
void benchmarkFrameEnd(double showMs);
// After the last frame, while the show's objects all exist: the texture
// memory and the peak resident size; then the reference pass (one texel
// sampled and written per pixel of the frame) is made and timed.
void benchmarkLastFrame();
// The figures on stdout, and as JSON to path unless it is empty (under a
// temporary name, renamed once whole). False, with a reason, when the file
// cannot be written.
bool benchmarkReport(const std::string &path, std::string *error);

}  // namespace gl4d
