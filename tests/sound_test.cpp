// The sound the program makes: the post-mix routine's designs block by block, what the scenes hear of it, the module's
// start, the shutdown fade, and the improved noise behind the drone.
#include <SDL2/SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "animations.h"
#include "support/gl.h"
#include "support/sound.h"

namespace {

using hf::sound::Block;
using hf::sound::mixed;

int peak(const Block &b) {
  int p = 0;
  for (Sint16 v : b) p = std::max(p, std::abs(static_cast<int>(v)));
  return p;
}

bool all(const Block &b, Sint16 value) {
  return std::all_of(b.begin(), b.end(), [value](Sint16 v) { return v == value; });
}

TEST(Drone, ClimbsSixteenABlockFromSilenceAndStopsAt10928) {
  hf::sound::reset(1.0);  // the drone's factor 2N - 1 is then 1: every value is its amplitude
  for (int k = 0; k <= 800; ++k) {
    const Block b = mixed();
    const Sint16 expected = static_cast<Sint16>(std::min(16 * k, 10928));
    if (k <= 2 || k == 682 || k == 683 || k == 800) {
      EXPECT_TRUE(all(b, expected)) << "block " << k << ": " << b[0];
    }
    if (k == 0 || k == 100) {  // along noise(x, x / 2, 1 / 2) from 0, each step 5e-9 longer than the last
      const auto &p = hf::sound::noisePath();
      EXPECT_NEAR((p.back()[0] - p[0][0]) / 2047, 0.003 + (2048 * k + 1024) * 5e-9, 2e-5) << "block " << k;
      for (const auto &a : p) ASSERT_TRUE(a[1] == a[0] / 2 && a[2] == 0.5 && (k || p[0][0] == 0)) << a[0] << ", " << a[1];
    }
  }
}

TEST(Snow, GrowsOverTheDroneToFullScaleThenDiesWithinHalfASecond) {
  hf::sound::reset(0.5);  // a silent drone
  ahSetNeige(1);
  EXPECT_TRUE(all(mixed(), 0)) << "the snow starts from nothing";
  int full = 0;
  for (int k = 1; k <= 600; ++k)
    if (peak(mixed()) > 32000 && !full) full = k;
  EXPECT_GE(full, 400);
  EXPECT_LE(full, 423);
  EXPECT_GT(peak(mixed()), 32000) << "full scale holds, never wrapping";
  ahSetStep(1);
  int blocks = 0;
  while (peak(mixed()) > 0 && blocks < 100) ++blocks;
  EXPECT_EQ(hf::sound::neige(), 0);
  EXPECT_EQ(blocks, 26) << "25 decays, then one block at the small negative amplitude the last one leaves";
  EXPECT_TRUE(all(mixed(1234), 1234)) << "gone for good, the rest of the block kept";
}

// Countdown blocks on a zero input: the first at or after t s of sound after its first (the clock plays no part).
struct Countdown : ::testing::Test {
  long k = 0;
  void SetUp() override {
    hf::sound::reset();
    ahSetStep(2), mixed();
  }
  Block at(double t, Sint16 fill = 0) {
    while (++k * hf::sound::kBlockMs < t * 1000 - 1e-6) mixed();
    return mixed(fill);
  }
};

// The countdown as the show plays it, block by block, mode 3 (the spiral's) from 16 s: the level of a block's first
// (sine, cosine) pair. For 8 s each second silent, full, then falling steeply in its last quarter; then samp (-q)^(100 /
// vit^100), q = tan(pi vit t), vit growing by accel a block, accel by 3e-5; samp ((30 - t) / 14)^1.2 from 16 s, 0 from 30.
TEST_F(Countdown, BeatsEachSecondThenFasterFadingFrom16To30sOnOneClockThroughModes2And3) {
  float vit = 1, accel = 0.0005f;  // in single precision, as the routine holds them
  double samp = 1;
  for (int k = 1; k * hf::sound::kBlockMs < 31000; ++k) {
    const double t = k * hf::sound::kBlockMs / 1000, q = std::tan(M_PI * (t < 8 ? 1 : vit) * t);
    if (t >= 16) ahSetStep(3);
    const Block b = at(t);
    const double level = std::hypot(b[0], b[1]) / 32767;
    const double expected = q > 0 || samp < 0 ? 0 : std::min(1.0, samp * std::pow(-q, t < 8 ? 100 : 100 / std::pow(vit, 100)));
    if (t >= 8) vit += accel, accel += 0.00003f, samp = t <= 16 ? samp : t < 30 ? std::pow((30 - t) / 14, 1.2) : -1;
    ASSERT_TRUE(std::fabs(q) < 1e-3 || std::fabs(q) > 1e3 || std::fabs(level - expected) < 2e-3)  // beats' edges: rounding's
        << level << " against " << expected << " at " << t << " s";
    if (t < 8 && level > 0.999 && std::fmod(t, 1) < 0.75 - hf::sound::kBlockMs / 1000) {  // 880 Hz: the pair turns forwards
      double turned = 0;
      for (size_t i = 2; i < b.size(); i += 2) turned += std::remainder(std::atan2(b[i], b[i + 1]) - std::atan2(b[i - 2], b[i - 1]), 2 * M_PI);
      ASSERT_NEAR(turned / (b.size() / 2 - 1) * 48000 / (2 * M_PI), 880, 0.5) << "Hz at " << t << " s";
    }
    for (size_t i = 0; t < 8 && i < b.size(); i += 2) {  // every frame at its own time: edges on their samples
      const double ti = t + i / 2 / 48000.0, qi = std::tan(M_PI * ti);
      if (std::fabs(std::fmod(ti, 1) - 0.5) < 1e-4) continue;
      ASSERT_NEAR(std::hypot(b[i], b[i + 1]) / 32767, qi > 0 ? 0 : std::min(1.0, std::pow(-qi, 100)), 2e-3) << ti;
    }
  }
}

TEST_F(Countdown, ClampsAtFullScale) {
  const Block loud = at(0.6, 32000);
  EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 32767);
  EXPECT_GT(*std::min_element(loud.begin(), loud.end()), -1000) << "no value wraps";
}

// A step set for a show time starts on its sample, in the middle of a block, and then rules over
// ahSetStep. Here the drone (step 0) writes zeros, step 5 keeps the input.
TEST(PostMix, AStepSetForAShowTimeStartsOnItsSample) {
  hf::sound::reset(0.5);
  const long next = (mixed(), ahGetAudioStreamFrame()) + 1024;
  ahSetStepAt(5, (next + 300) * 1000.0 / 48000);
  const Block b = mixed(1234);
  for (size_t i = 0; i < b.size(); ++i) ASSERT_EQ(b[i], i < 600 ? 0 : 1234) << "value " << i;
  ahSetStep(0);
  EXPECT_TRUE(all(mixed(1234), 1234));
  const long start = ahGetAudioStreamFrame() + 1024 + 300;  // the countdown from a block's middle
  ahSetStepAt(2, start * 1000.0 / 48000);
  long beep = -1;
  for (int k = 0; k < 30 && beep < 0; ++k)
    for (Block c = mixed(); const Sint16 &v : c) beep = beep < 0 && v ? ahGetAudioStreamFrame() + (&v - c.data()) / 2 : beep;
  EXPECT_NEAR(beep, start + 24000, 1) << "its first beep half a second after its first sample";
}

// A draw reads the measure of the block that holds its show time, of the last 16 kept.
TEST(PostMix, MeasuresAreReadByTheBlockHeard) {
  AhMeasures m;
  EXPECT_EQ(m.heard(0), 0.0f) << "none kept";
  for (int k = 0; k < 20; ++k) mixed(), m.keep(static_cast<float>(k));
  auto ms = [](double block) { return (ahGetAudioStreamFrame() + (block - 19) * 1024) * 1000.0 / 48000; };
  EXPECT_EQ(m.heard(ms(17)) + m.heard(ms(17.99)), 34.0f) << "from its first frame to its last";
  EXPECT_EQ(m.heard(ms(2)), 4.0f) << "older than kept: the earliest";
  EXPECT_EQ(m.heard(ms(40)), 19.0f) << "not mixed yet: the latest";
}

TEST(PostMix, StepsOutsideTheDesignsLeaveTheBlockAlone) {
  for (int step : {-1, 4, 99}) {
    hf::sound::reset(1.0);
    ahSetStep(step);
    EXPECT_TRUE(all(mixed(-77), -77)) << "step " << step;
  }
}

TEST(PostMix, ShutdownFadeLowersTheLimitLinearlyThenMutesForGood) {
  hf::sound::reset(1000.0);  // a drone far over its clamp limit
  mixed();
  mixed();
  EXPECT_TRUE(all(mixed(), 32767));
  hf::sound::fadeSince(250, 1000);
  EXPECT_TRUE(all(mixed(), 24575)) << "a quarter of the way: 0.75 x 32767";
  hf::sound::fadeSince(1000, 1000);
  EXPECT_TRUE(all(mixed(), 0));
  EXPECT_TRUE(all(mixed(), 0)) << "the level stays 0 once the fade is over";
}

TEST(Measures, MeanAndPathLengthOfThePublishedBlock) {
  struct Case { Block values; float average; int pathLength; };
  const Case cases[] = {{Block(2048, 500), 500.0f, 0}, {{1000, -1000, 1000, -1000}, 0.0f, 2000}, {{7}, 7.0f, 0},
                        {{0, 5, 1}, 2.0f, 4},          {{32767, -32768}, -0.5f, 65535}};
  for (const Case &c : cases) {
    Block v = c.values;
    ahSetAudioStream(v.data(), static_cast<int>(v.size() * 2));
    EXPECT_FLOAT_EQ(ahAverage(), c.average) << v.size() << " values";
    EXPECT_EQ(ahPathLength(), c.pathLength) << v.size() << " values";
  }
  ahSetAudioStream(nullptr, 0);
  EXPECT_EQ(ahPathLength(), 0);
}

// What the current row's scenes hear (a cross-fade passes it on): the processed block, in state 1.
std::vector<float> heard;
void listener(int state) {
  if (state == 1) heard.push_back(ahAverage());
}

class Hearing : public hf::GlTest {};

TEST_F(Hearing, ScenesHearEveryBlockInTheirAudioUpdate) {
  static GL4DHanime table[] = {{1000, listener, listener, fondu}, {0, nullptr, nullptr, nullptr}};
  gl4dhInit(table, 8, 8, nullptr);
  hf::sound::reset(1.0);
  gl4dhDraw();
  ahSetStep(2);  // before its first beep the countdown leaves the block as it is
  mixed(321);
  mixed(-5);
  EXPECT_EQ(heard, (std::vector<float>{321.0f, 321.0f, -5.0f, -5.0f}));
  EXPECT_EQ(ahGetAudioStream(), nullptr);
  EXPECT_EQ(ahGetAudioStreamLength(), 0);
}

bool waitForMusic(bool playing) {
  for (int i = 0; i < 300 && (Mix_PlayingMusic() != 0) != playing; ++i) SDL_Delay(10);
  return (Mix_PlayingMusic() != 0) == playing;
}

TEST(Module, StartsInStepThreeAndIsStartedAgainWhenItStopsOrEndsWith253WithoutModSupport252WithoutADevice) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((hf::failStartUps = true, ahInitAudio("audio/velvora.mod")), testing::ExitedWithCode(253), "Mix_Init: ");
  EXPECT_EXIT((setenv("SDL_AUDIODRIVER", "none", 1), ahInitAudio("audio/velvora.mod")), testing::ExitedWithCode(252), "");
  ahInitAudio("audio/velvora.mod");
  EXPECT_TRUE(waitForMusic(false)) << "the module waits for its step";
  ahSetStep(3);
  EXPECT_TRUE(waitForMusic(true));
  Mix_HaltMusic();
  EXPECT_TRUE(waitForMusic(true)) << "restarted at the next block";
  ahClean(100);
}

TEST(ImprovedNoise, ZeroOnTheLatticeContinuousInValueAndSlopeAcrossCells) {
  const double points[][3] = {{0, 0, 0}, {3, -2, 7}, {-1, -1, -1}, {255, 256, -300}};
  for (const auto &p : points) EXPECT_EQ(hf::sound::improvedNoise(p[0], p[1], p[2]), 0.0);
  const double e = 1e-6;
  double spread = 0;
  for (double k : {-3.0, -1.0, 0.0, 1.0, 4.0}) {
    const double y = 0.37, z = 0.81;
    auto n = [&](double x) { return hf::sound::improvedNoise(x, y, z); };
    EXPECT_NEAR(n(k - e), n(k + e), 1e-5) << "value across x = " << k;
    EXPECT_NEAR((n(k - e) - n(k - 2 * e)) / e, (n(k + 2 * e) - n(k + e)) / e, 1e-3) << "slope across x = " << k;
    spread = std::max(spread, std::fabs(n(k + 0.5)));
    EXPECT_NEAR(n(k + 0.3 - 256), n(k + 0.3), 1e-12) << "cells repeat every 256, below 0 too: x = " << k - 255.7;
  }
  EXPECT_GT(spread, 0.01) << "a field, not a constant";
  for (int i = 0; i < 1000; ++i) EXPECT_LE(std::fabs(hf::sound::improvedNoise(i * 0.37, i * 0.11, -i * 0.23)), 1.1);
}

}  // namespace
