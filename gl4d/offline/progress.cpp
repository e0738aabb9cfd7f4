// Progress of offline frames: frames, show time, rate, time left.
#include "gl4d/offline/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gl4d/offline/c_locale.h"

namespace gl4d {

namespace {

ProgressBar *progressOnScreen = nullptr;  // the bar being drawn, for messages to go above it

std::string minutesSeconds(double s) {
  const long whole = std::lround(std::max(0.0, s));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string progressLine(std::uint64_t done, std::uint64_t total, double showMs, double totalShowMs,
                         double wallSeconds, int columns) {
  const CNumbers cNumbers;
  const double part = total ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 1.0;
  const double fps = wallSeconds > 0.0 ? static_cast<double>(done) / wallSeconds : 0.0;
  const std::string left = fps > 0.0 ? minutesSeconds(static_cast<double>(total - std::min(done, total)) / fps) : "-:--";
  char rest[160];
  std::snprintf(rest, sizeof rest, "  %llu/%llu frames  %.2f/%.2f s  %.1f fps  %s left",
                static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), showMs / 1000.0,
                totalShowMs / 1000.0, fps, left.c_str());
  // Up to 24 columns of bar in what the figures leave; none below 4.
  const int room = columns - 1 - static_cast<int>(std::strlen(rest)) - 2;
  if (room < 4) return std::string(rest + 2).substr(0, static_cast<size_t>(std::max(0, columns - 1)));
  const int barWidth = std::min(24, room);
  const int filled = static_cast<int>(part * barWidth);
  return "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]" + rest;
}

ProgressBar::ProgressBar(std::uint64_t totalFrames, double totalShowMs, std::FILE *out, double nowMs)
    : total_(totalFrames), totalShowMs_(totalShowMs), out_(out), terminal_(isatty(fileno(out)) == 1), startMs_(nowMs) {
  progressOnScreen = this;
}

ProgressBar::~ProgressBar() {
  if (progressOnScreen == this) progressOnScreen = nullptr;
}

int ProgressBar::columns() const {
  const char *env = std::getenv("COLUMNS");
  const int fromEnv = env ? std::atoi(env) : 0;
  if (fromEnv > 0) return fromEnv;
  winsize size{};
  if (terminal_ && ioctl(fileno(out_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void ProgressBar::draw(std::uint64_t done, double showMs, double nowMs) {
  const std::string line = progressLine(done, total_, showMs, totalShowMs_, (nowMs - startMs_) / 1000.0, columns());
  if (terminal_) {
    std::fprintf(out_, "\r%s\033[K", line.c_str());
    lastLine_ = line;
  } else {
    std::fprintf(out_, "%s\n", line.c_str());
  }
  std::fflush(out_);
}

void ProgressBar::update(std::uint64_t done, double showMs, double nowMs) {
  if (terminal_) {
    if (lastDrawnMs_ >= 0.0 && nowMs - lastDrawnMs_ < 100.0) return;
    lastDrawnMs_ = nowMs;
    draw(done, showMs, nowMs);
  } else if (total_ && done * 10 >= nextTenth_ * total_ && done < total_) {
    while (done * 10 >= nextTenth_ * total_) ++nextTenth_;
    draw(done, showMs, nowMs);
  }
}

void ProgressBar::finish(std::uint64_t done, double showMs, double nowMs) {
  draw(done, showMs, nowMs);
  if (terminal_) std::fputc('\n', out_);
  lastLine_.clear();
  if (progressOnScreen == this) progressOnScreen = nullptr;
}

void printUnderProgress(const std::string &line) {
  ProgressBar *bar = progressOnScreen;
  const bool redraw = bar && bar->terminal_ && !bar->lastLine_.empty();
  if (redraw) std::fputs("\r\033[K", bar->out_);
  std::fprintf(stderr, "%s\n", line.c_str());
  if (redraw) std::fputs(bar->lastLine_.c_str(), bar->out_);
  std::fflush(stderr);
}

}  // namespace gl4d
