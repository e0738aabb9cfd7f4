// --gl4d-stats: on a live run, the time from each shown frame to the next,
// as the viewer sees it (the swap waits for the screen's refresh), per row;
// the table is printed at the end.
#pragma once

namespace gl4d {

void liveStatsFrameShown();
void liveStatsReport(unsigned width, unsigned height);

}  // namespace gl4d
