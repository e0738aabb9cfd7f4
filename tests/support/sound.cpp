// The real improved noise under another name, so that the drone's noise can be scripted (a constant N makes every drone
// value trunc((2N - 1) a)) and the points it is asked for in the last block kept.
#include <SDL2/SDL.h>

#include <cmath>
#define noise improvedNoiseField
#define lerp improvedNoiseLerp  // not the C library's
#include "../../ImprovedNoise.cpp"
#undef noise
#undef lerp
double noise(double x, double y, double z);
#include "../../audioHelper.cpp"

#include "support/gl.h"
#include "support/sound.h"

static double _scripted = 0.5;
static std::vector<std::array<double, 3>> _path;

double noise(double x, double y, double z) { return _path.push_back({x, y, z}), _scripted; }

namespace hf::sound {

void reset(double noiseValue) {
  _drone = Drone{};
  _snow = Snow{};
  _countdown = Countdown{};
  _step = 0;
  _neige = 0;
  _gvol = 1.0f;
  _fo = 0;
  _fo_duration = 0;
  for (StepAt &s : _stepsAt) s.frame = -1;
  ahSetAudioStream(nullptr, 0);
  _scripted = noiseValue;
  gl4dSetManualClock(GL_TRUE);
  hf::ticksFollowClock = true;
}

Block mixed(Sint16 fill, int values) {
  Block b(static_cast<size_t>(values), fill);
  _path.clear();
  mixCallback(nullptr, reinterpret_cast<Uint8 *>(b.data()), values * 2);
  return b;
}

int step() { return _step; }
const std::vector<std::array<double, 3>> &noisePath() { return _path; }

void fadeSince(Uint32 msAgo, Uint32 duration) {
  _fo_duration = duration;
  _fo = SDL_GetTicks() - msAgo;
}
int neige() { return _neige; }
double improvedNoise(double x, double y, double z) { return improvedNoiseField(x, y, z); }

}  // namespace hf::sound
