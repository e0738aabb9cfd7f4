// Library functions of the test executable's own (it exports its symbols, so the program's calls land here): SDL's
// ticks, which can follow the manual clock; start-ups that can be made to fail; filters recorded, then run.
#include <SDL2/SDL_mixer.h>
#include <SDL2/SDL_ttf.h>
#include <dlfcn.h>

#include "gl4d/gl4d.h"
#include "support/gl.h"

bool hf::ticksFollowClock = false, hf::failStartUps = false;
std::string hf::filterCalls;
#define REAL(f) reinterpret_cast<decltype(&f)>(dlsym(RTLD_NEXT, #f))

extern "C" Uint32 SDL_GetTicks(void) {
  return hf::ticksFollowClock ? static_cast<Uint32>(gl4dGetElapsedTime()) : static_cast<Uint32>(SDL_GetTicks64());
}
extern "C" int TTF_Init(void) { return hf::failStartUps ? -1 : REAL(TTF_Init)(); }
extern "C" int Mix_Init(int flags) { return hf::failStartUps ? 0 : REAL(Mix_Init)(flags); }
void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint n, GLuint weights, GLboolean flip) {
  hf::filterCalls += "blur " + std::to_string(radius) + " ", REAL(gl4dfBlur)(in, out, radius, n, weights, flip);
}
void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density, GLuint weights, GLboolean flip) {
  hf::filterCalls += "scatter " + std::to_string(radius) + " ", REAL(gl4dfScattering)(in, out, radius, density, weights, flip);
}
