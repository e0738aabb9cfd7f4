// Progress of offline frames: frames, show time, rate, time left.
#include "gl4d/offline/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace gl4d {

namespace {

std::string minutesSeconds(double s) {
  const long whole = std::lround(std::max(0.0, s));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string progressLine(std::uint64_t done, std::uint64_t total, double showMs, double totalShowMs,
                         double wallSeconds, int barWidth) {
  const double part = total ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 1.0;
  const int filled = static_cast<int>(part * barWidth);
  std::string line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "]";
  const double fps = wallSeconds > 0.0 ? static_cast<double>(done) / wallSeconds : 0.0;
  const std::string left = fps > 0.0 ? minutesSeconds(static_cast<double>(total - std::min(done, total)) / fps) : "-:--";
  char rest[160];
  std::snprintf(rest, sizeof rest, "  %llu/%llu frames  %.2f/%.2f s  %.1f fps  %s left",
                static_cast<unsigned long long>(done), static_cast<unsigned long long>(total), showMs / 1000.0,
                totalShowMs / 1000.0, fps, left.c_str());
  return line + rest;
}

ProgressBar::ProgressBar(std::uint64_t totalFrames, double totalShowMs, std::FILE *out)
    : total_(totalFrames), totalShowMs_(totalShowMs), out_(out), terminal_(isatty(fileno(out)) == 1) {}

double ProgressBar::wall() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

void ProgressBar::draw(std::uint64_t done, double showMs) {
  const std::string line = progressLine(done, total_, showMs, totalShowMs_, wall());
  if (terminal_)
    std::fprintf(out_, "\r%s\033[K", line.c_str());
  else
    std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void ProgressBar::update(std::uint64_t done, double showMs) {
  if (terminal_) {
    const double now = wall();
    if (lastDrawn_ >= 0.0 && now - lastDrawn_ < 0.1) return;
    lastDrawn_ = now;
    draw(done, showMs);
  } else if (total_ && done * 10 >= nextTenth_ * total_ && done < total_) {
    while (done * 10 >= nextTenth_ * total_) ++nextTenth_;
    draw(done, showMs);
  }
}

void ProgressBar::finish(std::uint64_t done, double showMs) {
  draw(done, showMs);
  if (terminal_) std::fputc('\n', out_);
}

}  // namespace gl4d
