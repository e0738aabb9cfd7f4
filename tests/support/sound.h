// The sound module compiled into the tests (sound.cpp), its state reset
// between tests, with the drone's noise scripted or real.
#pragma once

#include <array>
#include <vector>

#include "audioHelper.h"

namespace hf::sound {

using Block = std::vector<Sint16>;
constexpr int kValues = 2048;  // a 4096-byte mixer block
constexpr double kBlockMs = 1024.0 * 1000.0 / 48000.0;

// Fresh module state, the manual clock on (SDL's ticks too), the noise constant.
void reset(double noiseValue = 0.5);
// The post-mix routine on a block as the mixer would run it.
Block mixed(Sint16 fill = 0, int values = kValues);
int step();
const std::vector<std::array<double, 3>> &noisePath();  // the drone's (x, y, z) in the last block
// A shutdown fade of duration ms that began msAgo ms before now.
void fadeSince(Uint32 msAgo, Uint32 duration);
int neige();
double improvedNoise(double x, double y, double z);  // the real field

}  // namespace hf::sound
