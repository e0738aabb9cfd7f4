// Frame times per row of the scene manager's table, and per scene: the table
// that a benchmark and a live run's --gl4d-stats print, and the summaries
// that the benchmark's JSON gives.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "gl4d/core/internal.h"

namespace gl4d {

struct FrameRecord {
  double showMs;  // when in the show the frame stands
  int row;        // the table's row, -1 outside it
  double ms;      // how long it took, wall time
  double gpuMs;   // its GPU time from a timer query; negative: none
  unsigned made;  // GL objects made while it was drawn
};

// Frames, median, 99th percentile and worst of some times (all 0 for none).
struct Summary {
  size_t frames = 0;
  double median = 0, p99 = 0, worst = 0;
};
Summary summarise(std::vector<double> ms);
inline double medianMs(std::vector<double> ms) { return summarise(std::move(ms)).median; }

// A scene's first frame, against the frames of the row it first came in
// (which may draw another scene as well).
struct SceneFirst {
  std::string name;
  double firstShowMs = -1, firstMs = 0, firstGpuMs = -1;
  int firstRow = -1;
  std::vector<double> ms;  // the frames of that row
  unsigned madeAfterFirst = 0;
};

struct FrameStats {
  std::vector<FrameRecord> frames;
  // The table's rows and what they show, kept from the run: the scene
  // manager may be gone when the figures are given.
  std::vector<RowInfo> rows;
  double referenceMs = 0.0;  // one reference pass at the frame size, for copies; 0: none
  bool countsObjects = false;

  // Each row's wall times, or GPU times (frames without one left out).
  std::vector<std::vector<double>> timesByRow(bool gpu) const;
  // The scenes in the order they first appear.
  std::vector<SceneFirst> scenes() const;
  // Frames, median, 99th percentile and worst time of each row (and in
  // copies, with a reference; and the GPU's median, with timer queries);
  // then each scene's first frame against its median, and the GL objects
  // made after it.
  void print(FILE *out) const;
};

}  // namespace gl4d
