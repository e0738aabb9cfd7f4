// The benchmark's figures as JSON (its schema: docs/benchmark.md): what made
// them (program, build, driver, context), the start-up, memory, each row,
// each scene and each frame. Numbers in the C locale; a figure that does not
// exist (a row without a frame, a GPU time without timer queries) is null.
#pragma once

#include <string>

#include "gl4d/offline/frame_stats.h"

namespace gl4d {

struct BenchmarkFigures {
  std::string program, version, buildType, sanitizers;  // sanitizers: "address,undefined", "" for none
  std::string renderer, glVersion;
  bool debugContext = false, softwareRasterizer = false, gpuTimer = false;
  int width = 0, height = 0, fps = 0;
  // Before the window (the program's own start), the window, the shared
  // resources, the scenes' initialisations: real ms; then when the first
  // frame was done, in real ms since the layer was loaded.
  double startupMs[5] = {};
  double peakResidentMb = 0, textureMb = 0;
  FrameStats stats;
};

std::string benchmarkJson(const BenchmarkFigures &figures);

}  // namespace gl4d
