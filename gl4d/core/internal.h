// Functions the layer's own files call on one another; not exported.
#pragma once

namespace gl4d {
void releaseScenes();
void releaseFilters();
void releaseGeometry();
void releasePrograms();
void releaseMatrices();

// Show time of the scene manager in ms (from its first draw), -1 before it.
double showElapsedMs();
// Offline runs: the clock becomes a manual clock reading 0, and SDL_GetTicks
// follows the layer's clock from then on.
void startOfflineClock();
void setTicksFollowClock(bool on);
}  // namespace gl4d
