// The snow: white noise that grows over the drone while the snow flag is
// set (mode 0) and dies away in mode 1, clamped to the effect limit.
#include "module_under_test.h"

namespace hf {
namespace {

// The drone stays silent (scripted noise 0.5), so mode-0 blocks carry the
// snow alone.
class SnowTest : public AudioModuleTest {
 protected:
  // Grows the snow to full scale: 422 growth blocks.
  void growToFullScale() {
    ahSetNeige(1);
    for (int k = 0; k < 422; ++k) mixed();
    ASSERT_EQ(_snow.cur_vol, 32767);
    ahSetNeige(0);
  }
};

TEST_F(SnowTest, OnlyTheFlagBringsItIn) {
  for (int k = 0; k < 20; ++k) ASSERT_TRUE(allEqual(mixed(), 0)) << "block " << k;
  EXPECT_EQ(_snow.cur_vol, 0);
  ahSetNeige(1);
  mixed();
  EXPECT_GT(peak(mixed()), 0);
}

TEST_F(SnowTest, GrowsToExactlyFullScaleIn422BlocksWithoutWrapping) {
  ahSetNeige(1);
  int previous = 0;
  for (int k = 1; k <= 600; ++k) {
    const int amplitude = _snow.cur_vol;  // the amplitude this block is made with
    const Block b = mixed();
    ASSERT_LE(peak(b), amplitude) << "block " << k;
    if (amplitude >= 1000) {
      // White over the whole range: it comes near its amplitude on both sides.
      const auto [lo, hi] = std::minmax_element(b.begin(), b.end());
      ASSERT_GT(*hi, 0.95 * amplitude) << "block " << k;
      ASSERT_LT(*lo, -0.95 * amplitude) << "block " << k;
    }
    ASSERT_GE(_snow.cur_vol, previous) << "after block " << k;
    if (k < 422) {
      ASSERT_LT(_snow.cur_vol, 32767) << "after block " << k;
    } else {
      ASSERT_EQ(_snow.cur_vol, 32767) << "after block " << k;
    }
    previous = _snow.cur_vol;
  }
  const float step = _snow.pc;
  mixed();
  EXPECT_EQ(_snow.pc, step) << "growth stops at full scale";
}

TEST_F(SnowTest, DecaysFromFullScaleWithinAboutHalfASecond) {
  growToFullScale();
  ahSetNeige(1);
  ahSetStep(1);
  int lastSounding = -1;
  for (int k = 0; k < 80; ++k) {
    if (peak(mixed()) > 0) lastSounding = k;
    ASSERT_EQ(_neige, 0) << "mode 1 clears the snow flag";
    ASSERT_GE(_snow.cur_vol, -32768);
  }
  EXPECT_GE(lastSounding, 20);
  EXPECT_LE(lastSounding, 26) << "gone within about 25 blocks";
  EXPECT_EQ(_snow.cur_vol, 0);
  EXPECT_TRUE(allEqual(mixed(1000), 1000)) << "once gone, the mixer's output passes untouched";
}

TEST_F(SnowTest, DecayFromSilenceAddsNothing) {
  ahSetStep(1);
  for (int k = 0; k < 10; ++k) ASSERT_TRUE(allEqual(mixed(-700), -700));
  EXPECT_EQ(_snow.cur_vol, 0);
}

TEST_F(SnowTest, ComesBackWhereItStoodWhenModeZeroReturns) {
  ahSetNeige(1);
  for (int k = 0; k < 200; ++k) mixed();
  const Sint16 grown = _snow.cur_vol;
  ahSetStep(1);
  for (int k = 0; k < 3; ++k) mixed();
  const Sint16 decayed = _snow.cur_vol;
  ASSERT_LT(decayed, grown);
  ahSetStep(0);
  ahSetNeige(1);
  mixed();
  EXPECT_GT(_snow.cur_vol, decayed) << "growth resumes from the decayed amplitude";
  EXPECT_LT(_snow.cur_vol, grown);
}

TEST_F(SnowTest, SaturatesAtTheEffectLimitWithItsSign) {
  growToFullScale();
  ahSetStep(1);
  Block up = mixed(32000);
  EXPECT_EQ(*std::max_element(up.begin(), up.end()), 32767);
  EXPECT_GE(*std::min_element(up.begin(), up.end()), 32000 - 32767) << "no value wrapped to the other sign";
  Block down = mixed(-32000);
  EXPECT_EQ(*std::min_element(down.begin(), down.end()), -32767) << "the limit is symmetric";
  EXPECT_LE(*std::max_element(down.begin(), down.end()), -32000 + 32767);
}

TEST_F(SnowTest, LimitShrinksWithTheFade) {
  growToFullScale();
  ahSetStep(1);
  _gvol = 0.5f;  // limit 16383, amplitude halved
  const Block b = mixed(16000);
  for (Sint16 v : b) {
    ASSERT_LE(v, 16383);
    ASSERT_GE(v, 16000 - 16384);
  }
  EXPECT_EQ(*std::max_element(b.begin(), b.end()), 16383);
}

}  // namespace
}  // namespace hf
