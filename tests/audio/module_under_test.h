// The audio module compiled into the test itself, so that tests reach its
// file-scope state, with the drone's noise scripted by each test. Include
// from exactly one source file of a test executable (which then links
// neither hf_audio nor hf_improved_noise).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "../../audioHelper.cpp"

namespace hf {

// Scripted improved noise: tests set the field they need (default 0.5,
// which makes the drone's factor 2N - 1 vanish).
inline std::function<double(double, double, double)> scriptedNoise = [](double, double, double) { return 0.5; };

inline void setNoise(double constant) {
  scriptedNoise = [constant](double, double, double) { return constant; };
}

using Block = std::vector<Sint16>;
constexpr int kBlockValues = 2048;              // a 4096-byte mixer block
constexpr double kBlockMs = 1024.0 * 1000.0 / 48000.0;

inline Block block(Sint16 fill = 0, int values = kBlockValues) { return Block(static_cast<size_t>(values), fill); }

// Runs the post-mix routine on b as the mixer would.
inline void mix(Block &b) {
  mixCallback(nullptr, reinterpret_cast<Uint8 *>(b.data()), static_cast<int>(b.size() * sizeof(Sint16)));
}
inline Block mixed(Sint16 fill = 0, int values = kBlockValues) {
  Block b = block(fill, values);
  mix(b);
  return b;
}
inline void mixEmpty() { mixCallback(nullptr, nullptr, 0); }

inline int peak(const Block &b) {
  int p = 0;
  for (Sint16 v : b) p = std::max(p, std::abs(static_cast<int>(v)));
  return p;
}
inline bool allEqual(const Block &b, Sint16 value) {
  for (Sint16 v : b)
    if (v != value) return false;
  return true;
}

// Fresh module state (a test may share its process with others), the
// manual clock on.
inline void resetAudioModule() {
  _drone = Drone{};
  _snow = Snow{};
  _countdown = Countdown{};
  _step = 0;
  _neige = 0;
  _gvol = 1.0f;
  _fo = 0;
  _fo_duration = 0;
  ahSetAudioStream(nullptr, 0);
  setNoise(0.5);
  gl4dSetManualClock(GL_TRUE);
}

class AudioModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { resetAudioModule(); }
};

}  // namespace hf

double noise(double x, double y, double z) { return hf::scriptedNoise(x, y, z); }
