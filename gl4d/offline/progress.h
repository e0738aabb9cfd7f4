// The progress bar of offline frames, on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace gl4d {

// One line: a bar, frames done of total, show time done of the whole, the
// frames per second so far and the time left at that rate.
//   [#########-----------]  412/900 frames  13.73/30.00 s  41.2 fps  0:12 left
std::string progressLine(std::uint64_t done, std::uint64_t total, double showMs, double totalShowMs,
                         double wallSeconds, int barWidth = 24);

class ProgressBar {
 public:
  // On a terminal the line is redrawn in place, at most ten times a
  // second; elsewhere (a log) one line is written every tenth of the work.
  ProgressBar(std::uint64_t totalFrames, double totalShowMs, std::FILE *out);
  void update(std::uint64_t done, double showMs);
  // The last line, and the end of it.
  void finish(std::uint64_t done, double showMs);

 private:
  using Clock = std::chrono::steady_clock;
  double wall() const;
  void draw(std::uint64_t done, double showMs);

  const std::uint64_t total_;
  const double totalShowMs_;
  std::FILE *out_;
  const bool terminal_;
  const Clock::time_point start_ = Clock::now();
  double lastDrawn_ = -1.0;
  std::uint64_t nextTenth_ = 1;
};

}  // namespace gl4d
