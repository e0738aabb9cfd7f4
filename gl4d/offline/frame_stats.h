// Frame times per row of the scene manager's table, and per scene: the table
// that a benchmark and a live run's --gl4d-stats print, and the benchmark's
// JSON (its schema: docs/benchmark.md).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "gl4d/core/internal.h"

namespace gl4d {

// The median of some times, as the tables give it (0 for none).
double medianMs(std::vector<double> ms);

struct FrameRecord {
  double showMs;  // when in the show the frame stands
  int row;        // the table's row, -1 outside it
  double ms;      // how long it took
  unsigned made;  // GL objects made while it was drawn
};

struct FrameStats {
  std::vector<FrameRecord> frames;
  // The table's rows and what they show, kept from the run: the scene
  // manager may be gone when the figures are given.
  std::vector<RowInfo> rows;
  std::vector<std::string> rowNames;
  void keepRows();
  double referenceMs = 0.0;  // one reference pass at the frame size, for copies; 0: none
  bool countsObjects = false;

  // Frames, median, 99th percentile and worst time of each row (and in
  // copies, with a reference); then each scene's first frame against its
  // median, and the GL objects made after it.
  void print(FILE *out) const;
  // The same figures as a JSON object's members, one per line; frames one
  // per line as [show ms, ms, row].
  void json(FILE *out) const;
};

}  // namespace gl4d
