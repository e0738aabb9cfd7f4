// --gl4d-benchmark: the whole show played offline as fast as it goes, each
// frame timed (GPU time from timer queries where the driver has them, else
// wall time between two glFinish), and the figures people compare between
// runs: per row, per scene, the start-up, memory, GL objects made late.
#pragma once

#include <string>

namespace gl4d {

// The context exists: GL objects are counted from now on.
void benchmarkContextMade();
// Before the first frame: the reference pass (one texel sampled and written
// per pixel of the frame) is timed, the timers made.
void benchmarkStart(int width, int height);
void benchmarkFrameBegin();
void benchmarkFrameEnd(double showMs);
// After the last frame, while the show's objects all exist: the texture
// memory, the reference pass once more.
void benchmarkLastFrame();
// The figures on stdout, and as JSON to path unless it is empty.
void benchmarkReport(const std::string &path, int width, int height, int fps);

// --gl4d-stats: a live frame was shown; at the end, the table.
void statsFrameShown();
void statsReport();

}  // namespace gl4d
