// Mode 0, the noise drone: its fade-in ramp, the 2N - 1 factor on the noise,
// the clamp to the effect limit, and the path it takes through the field.
#include "module_under_test.h"

namespace hf {
namespace {

using DroneTest = AudioModuleTest;

TEST_F(DroneTest, StartsSilentThenRisesBySixteenABlock) {
  scriptedNoise = [](double x, double, double) { return std::sin(1000.0 * x); };
  EXPECT_TRUE(allEqual(mixed(1234), 0)) << "the first block replaces the mixer's output by silence";

  setNoise(0.75);  // 2N - 1 = 0.5
  EXPECT_TRUE(allEqual(mixed(1234), 8)) << "second block: amplitude 16 times 2N - 1";
  setNoise(0.0);  // 2N - 1 = -1
  EXPECT_TRUE(allEqual(mixed(), -32));
}

TEST_F(DroneTest, RampReaches10928After683BlocksAndNeverMore) {
  setNoise(1.0);  // the block then carries the amplitude itself
  int previous = 0, reachedAt = -1;
  for (int k = 0; k < 1000; ++k) {
    const Block b = mixed();
    ASSERT_TRUE(allEqual(b, b[0])) << "block " << k;
    const int amplitude = b[0];
    ASSERT_LE(amplitude, 10928) << "block " << k;
    ASSERT_TRUE(amplitude == previous || amplitude == previous + 16) << "block " << k << ": " << amplitude;
    if (amplitude == 10928 && reachedAt < 0) reachedAt = k;
    previous = amplitude;
  }
  EXPECT_EQ(reachedAt, 683);
}

TEST_F(DroneTest, RampStepFollowsTheBlockLength) {
  setNoise(1.0);
  mixed(0, 4096);  // 8192 bytes
  EXPECT_TRUE(allEqual(mixed(0, 4096), 32));
  mixEmpty();     // ramps by 0
  mixed(0, 100);  // 200 bytes: 100 >> 7 = 0
  EXPECT_TRUE(allEqual(mixed(0, 4096), 64));
}

TEST_F(DroneTest, AnyNoiseStaysWithinTheDronesBound) {
  // Arbitrary values in [-1, 1]: |2N - 1| <= 3, so no value passes 3 times
  // the amplitude of its block.
  scriptedNoise = [](double x, double y, double) { return std::sin(7919.0 * x + 13.0 * y); };
  for (int k = 0; k < 700; ++k) {
    const int amplitude = std::min(16 * k, 10928);
    ASSERT_LE(peak(mixed()), 3 * amplitude) << "block " << k;
  }
}

TEST_F(DroneTest, ClampsToTheEffectLimitWithItsSign) {
  setNoise(1.0);
  for (int k = 0; k < 700; ++k) mixed();  // full amplitude, 10928
  setNoise(3.0);                          // 5 x 10928 = 54640: past the 16-bit range
  EXPECT_TRUE(allEqual(mixed(), 32767));
  setNoise(-2.0);
  EXPECT_TRUE(allEqual(mixed(), -32767));

  _gvol = 0.75f;  // limit trunc(32767 x 0.75) = 24575
  setNoise(3.0);
  EXPECT_TRUE(allEqual(mixed(), 24575));
  setNoise(0.0);
  EXPECT_TRUE(allEqual(mixed(), -8196)) << "10928 x 0.75, negated";
}

TEST_F(DroneTest, SamplesOneAcceleratingPathOneValueEach) {
  struct Call {
    double x, y, z;
  };
  std::vector<Call> calls;
  scriptedNoise = [&calls](double x, double y, double z) {
    calls.push_back({x, y, z});
    return 0.5;
  };
  mixed();
  mixed(0, 1000);
  ASSERT_EQ(calls.size(), static_cast<size_t>(kBlockValues + 1000)) << "one noise sample per value, left and right apart";
  EXPECT_EQ(calls[0].x, 0.0);
  EXPECT_NEAR(calls[1].x - calls[0].x, 0.003, 1e-6);
  double step = 0.0;
  for (size_t i = 0; i < calls.size(); ++i) {
    ASSERT_EQ(calls[i].y, 0.5 * calls[i].x);
    ASSERT_EQ(calls[i].z, 0.5);
    if (i == 0) continue;
    const double s = calls[i].x - calls[i - 1].x;
    ASSERT_GT(s, 0.0);
    ASSERT_GE(s, step - 3e-6) << "the path never slows down";  // x is rounded to float
    step = s;
  }
  EXPECT_GT(step, 0.003 + 3000 * 3e-9) << "the advance grows by about 5e-9 a value";
}

}  // namespace
}  // namespace hf
