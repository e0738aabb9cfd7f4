// The progress bar of offline frames, on standard error.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace gl4d {

// One line of at most columns - 1 characters (a full line would wrap on
// some terminals): a bar, frames done of total, show time done of the whole,
// the frames per second so far and the time left at that rate; the bar
// narrows, then goes, on a narrow terminal.
//   [#########-----------]  412/900 frames  13.73/30.00 s  41.2 fps  0:12 left
std::string progressLine(std::uint64_t done, std::uint64_t total, double showMs, double totalShowMs,
                         double wallSeconds, int columns = 80);

class ProgressBar {
 public:
  // On a terminal the line is redrawn in place, at most ten times a
  // second, fitted to its width (COLUMNS, else the terminal's own, else
  // 80); elsewhere (a log) one line is written every tenth of the work.
  // Times are real ms on the layer's clock.
  ProgressBar(std::uint64_t totalFrames, double totalShowMs, std::FILE *out, double nowMs);
  ~ProgressBar();
  void update(std::uint64_t done, double showMs, double nowMs);
  // The last line, and the end of it.
  void finish(std::uint64_t done, double showMs, double nowMs);

 private:
  void draw(std::uint64_t done, double showMs, double nowMs);
  int columns() const;

  const std::uint64_t total_;
  const double totalShowMs_;
  std::FILE *out_;
  const bool terminal_;
  const double startMs_;
  double lastDrawnMs_ = -1.0;
  std::string lastLine_;  // on the terminal now; empty once finished
  std::uint64_t nextTenth_ = 1;
  friend void printUnderProgress(const std::string &line);
};

// A message on a line of its own on standard error: on a terminal the bar
// is cleared first and drawn again under the message.
void printUnderProgress(const std::string &line);

}  // namespace gl4d
