// SDL's tick count as the program sees it, from the test executable's own
// exported definition: the credits scroll and the sound's fade read it, and a
// test can make it follow the manual clock.
#include <SDL2/SDL.h>

#include "gl4d/gl4d.h"
#include "support/gl.h"

bool hf::ticksFollowClock = false;

extern "C" Uint32 SDL_GetTicks(void) {
  return hf::ticksFollowClock ? static_cast<Uint32>(gl4dGetElapsedTime()) : static_cast<Uint32>(SDL_GetTicks64());
}
