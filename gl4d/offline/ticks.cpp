// SDL_GetTicks of offline runs. Two of a program's clocks may read SDL's
// ticks rather than the layer's (a scroll, a sound fade), and SDL_mixer reads
// them too; in an offline run they must follow the frames. The dynamic
// linker binds every SDL_GetTicks of the program and of the libraries it
// loads to the first definition in load order, which is this one: the layer
// is linked before SDL. Outside offline runs it is SDL's own.
#include <SDL2/SDL.h>

#include <atomic>

#include "gl4d/clock.h"
#include "gl4d/core/internal.h"

namespace {
std::atomic<bool> followClock{false};
}

void gl4d::setTicksFollowClock(bool on) { followClock.store(on, std::memory_order_relaxed); }

extern "C" __attribute__((visibility("default"))) Uint32 SDL_GetTicks(void) {
  if (followClock.load(std::memory_order_relaxed)) return static_cast<Uint32>(gl4dGetElapsedTime());
  // What SDL's own SDL_GetTicks returns.
  return static_cast<Uint32>(SDL_GetTicks64() & 0xFFFFFFFFu);
}
