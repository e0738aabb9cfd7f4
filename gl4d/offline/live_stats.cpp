#include "gl4d/offline/live_stats.h"

#include "gl4d/offline/c_locale.h"
#include "gl4d/offline/frame_stats.h"
#include "gl4d/scenes.h"

namespace gl4d {

namespace {
FrameStats liveStatsFrames;
double liveStatsLastShownMs = -1;
}  // namespace

void liveStatsFrameShown() {
  if (liveStatsFrames.rows.empty()) liveStatsFrames.rows = tableRows();
  const double now = sinceLoadMs();
  if (liveStatsLastShownMs >= 0)
    liveStatsFrames.frames.push_back({showElapsedMs(), gl4dhGetCurrentRow(), now - liveStatsLastShownMs, -1, 0});
  liveStatsLastShownMs = now;
}

void liveStatsReport(unsigned width, unsigned height) {
  const CNumbers cNumbers;
  std::printf("gl4d stats: %zu frames shown, rendered at %ux%u, the time from each to the next\n",
              liveStatsFrames.frames.size(), width, height);
  liveStatsFrames.print(stdout);
  std::fflush(stdout);
}

}  // namespace gl4d
