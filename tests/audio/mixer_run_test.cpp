// One run through the real SDL_mixer on SDL's disk driver, steered as the
// scenes steer it: drone, snow, its decay, the countdown, the module's entry
// and the shutdown fade, each checked in the captured output. The capture
// stays in the working directory as "audio_mixer_run.raw" (signed 16-bit,
// 48000 Hz, stereo) for listening.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audioHelper.h"
#include "mod_fixture.h"
#include "support/run_dir.h"

namespace hf {
namespace {

constexpr int kBlockBytes = 4096, kValues = kBlockBytes / 2;
constexpr double kBlocksPerSecond = 48000.0 / 1024.0;
const char *kCapture = "audio_mixer_run.raw";

// Index of the block the mixer is writing now: the capture's size in blocks.
int blocksWritten() {
  struct stat st;
  return stat(kCapture, &st) == 0 ? static_cast<int>(st.st_size / kBlockBytes) : 0;
}

struct Block {
  std::vector<Sint16> v;
  double rms() const {
    double s = 0.0;
    for (Sint16 x : v) s += static_cast<double>(x) * x;
    return std::sqrt(s / v.size());
  }
  int peak() const {
    int p = 0;
    for (Sint16 x : v) p = std::max(p, std::abs(static_cast<int>(x)));
    return p;
  }
  bool silent() const { return peak() == 0; }
  // Mean absolute step between neighbouring values: small for the smooth
  // drone, large for white snow.
  double roughness() const {
    double s = 0.0;
    for (size_t k = 1; k < v.size(); ++k) s += std::abs(v[k] - v[k - 1]);
    return s / (v.size() - 1);
  }
};

std::vector<Block> readCapture(long *bytes) {
  std::vector<Block> blocks;
  FILE *f = std::fopen(kCapture, "rb");
  *bytes = 0;
  if (!f) return blocks;
  std::vector<Sint16> buf(kValues);
  size_t got;
  while ((got = std::fread(buf.data(), 2, kValues, f)) > 0) {
    *bytes += static_cast<long>(got * 2);
    if (got == static_cast<size_t>(kValues)) blocks.push_back({buf});
  }
  std::fclose(f);
  return blocks;
}

double meanRms(const std::vector<Block> &b, double fromSecond, double toSecond) {
  const int from = static_cast<int>(fromSecond * kBlocksPerSecond), to = static_cast<int>(toSecond * kBlocksPerSecond);
  double s = 0.0;
  for (int k = from; k < to; ++k) s += b[k].rms();
  return s / (to - from);
}

// Markers: the block at which each change was made (give or take the
// driver's buffering, a few blocks).
struct Course {
  int snow = 0, decay = 0, countdown = 0, module = 0, clean = 0;
};

TEST(MixerRun, EveryDesignShowsInTheCapturedOutput) {
  const std::string dir = makeTempDir("honeyfold-audio");
  const std::string module = dir + "/fixture.mod";
  writeFixtureModule(module);
  std::remove(kCapture);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", kCapture, 1);

  Course at;
  ahInitAudio(module.c_str());
  SDL_Delay(15500);
  at.snow = blocksWritten();
  ahSetNeige(1);
  SDL_Delay(10000);
  at.decay = blocksWritten();
  ahSetStep(1);
  SDL_Delay(1000);
  at.countdown = blocksWritten();
  ahSetStep(2);
  SDL_Delay(4600);
  at.module = blocksWritten();
  ahSetStep(3);
  SDL_Delay(2500);
  at.clean = blocksWritten();
  ahClean(1000);
  removeTree(dir);

  long bytes = 0;
  const std::vector<Block> b = readCapture(&bytes);
  ASSERT_EQ(bytes % kBlockBytes, 0) << "whole 4096-byte blocks";
  ASSERT_GT(at.clean, at.module);
  ASSERT_GE(static_cast<int>(b.size()), at.clean + 20);
  std::printf("markers (blocks): snow %d, decay %d, countdown %d, module %d, clean %d, end %zu\n", at.snow, at.decay,
              at.countdown, at.module, at.clean, b.size());

  // Drone: silent first block, then a level rising over the first 15 s.
  EXPECT_TRUE(b[0].silent());
  double previous = 0.0;
  for (double second : {1.0, 4.0, 7.0, 10.0, 13.0, 14.0}) {
    const double level = meanRms(b, second, second + 1.0);
    EXPECT_GT(level, previous) << "drone level in second " << second;
    previous = level;
  }

  // Snow: white noise growing over the drone to near full scale.
  double droneRoughness = 0.0, earlySnow = 0.0, fullSnow = 0.0;
  int snowPeak = 0;
  for (int k = 0; k < 47; ++k) {
    droneRoughness = std::max(droneRoughness, b[at.snow - 50 + k].roughness());
    earlySnow += b[at.snow + 3 + k].roughness() / 47.0;
    fullSnow += b[at.decay - 50 + k].roughness() / 47.0;
    snowPeak = std::max(snowPeak, b[at.decay - 50 + k].peak());
  }
  EXPECT_LT(droneRoughness, 2000.0) << "the drone is smooth";
  EXPECT_GT(fullSnow, 12000.0);
  EXPECT_GT(fullSnow, 2.0 * earlySnow) << "the snow grows";
  EXPECT_GT(snowPeak, 32000);
  std::printf("roughness: drone %.0f, snow first second %.0f, snow at full scale %.0f\n", droneRoughness, earlySnow,
              fullSnow);

  // Decay: gone within about 25 blocks, silence until the countdown.
  EXPECT_FALSE(b[at.decay + 5].silent());
  for (int k = at.decay + 32; k < at.countdown - 3; ++k) EXPECT_TRUE(b[k].silent()) << "block " << k;

  // Countdown: beeps starting once a second, on an 880 Hz carrier.
  std::vector<int> onsets;
  long crossings = 0, loudFrames = 0;
  int silentBlocks = 0;
  for (int k = at.countdown + 3; k < at.module - 3; ++k) {
    if (b[k].silent()) ++silentBlocks;
    if (!b[k].silent() && b[k - 1].silent()) onsets.push_back(k);
    if (b[k].peak() < 32000) continue;
    for (int i = 2; i < kValues; i += 2) crossings += (b[k].v[i] >= 0) != (b[k].v[i - 2] >= 0);
    loudFrames += kValues / 2 - 1;
  }
  ASSERT_GE(onsets.size(), 3u);
  for (size_t i = 1; i < onsets.size(); ++i) {
    const double gap = (onsets[i] - onsets[i - 1]) / kBlocksPerSecond;
    EXPECT_NEAR(gap, 1.0, 0.08) << "beat " << i;
  }
  ASSERT_GT(loudFrames, 0);
  const double frequency = crossings / 2.0 / (loudFrames / 48000.0);
  EXPECT_NEAR(frequency, 880.0, 10.0);
  std::printf("countdown: %zu beats, carrier %.1f Hz, %d of %d blocks silent\n", onsets.size(), frequency, silentBlocks,
              at.module - at.countdown - 6);
  EXPECT_GT(silentBlocks, (at.module - at.countdown) / 3) << "silent halves between the beeps";

  // Module: from mode 3 on it fills the countdown's silent halves.
  for (int k = at.module + 3; k < at.clean - 3; ++k) EXPECT_FALSE(b[k].silent()) << "block " << k;

  // Shutdown fade: the last blocks are far quieter than before it.
  int before = 0, last = 0;
  for (int k = at.clean - 47; k < at.clean; ++k) before = std::max(before, b[k].peak());
  for (size_t k = b.size() - 5; k < b.size(); ++k) last = std::max(last, b[k].peak());
  EXPECT_LT(last, 0.35 * before);
}

}  // namespace
}  // namespace hf
