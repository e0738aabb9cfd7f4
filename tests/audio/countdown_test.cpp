// Modes 2 and 3, the beep countdown: one beep a second for 8 s, faster
// beats after, a level falling to nothing at 30 s, an 880 Hz carrier in
// quadrature on the two channels; mode 3 keeps the module playing.
#include <SDL2/SDL_mixer.h>

#include "mod_fixture.h"
#include "module_under_test.h"
#include "support/run_dir.h"

namespace hf {
namespace {

class CountdownTest : public AudioModuleTest {
 protected:
  void SetUp() override {
    AudioModuleTest::SetUp();
    start_ = gl4dGetElapsedTime() + 1000.0;
    ahSetStep(2);
  }
  // The mode-2 block at t seconds of the countdown (the first block sets t = 0).
  Block at(double t, Sint16 fill = 0) {
    gl4dSetElapsedTime(start_ + 1000.0 * t);
    return mixed(fill);
  }
  void emptyAt(double t) {
    gl4dSetElapsedTime(start_ + 1000.0 * t);
    mixEmpty();
  }
  // Plays every block from `from` to `to` seconds; returns t after the last.
  double playUntil(double from, double to, const std::function<void(double, const Block &)> &look = {}) {
    double t = from;
    for (; t < to; t += kBlockMs / 1000.0) {
      const Block b = at(t);
      if (look) look(t, b);
    }
    return t;
  }
  double start_ = 0.0;
};

constexpr int kFull = 32767;

// Largest distance of a frame's (left, right) from the carrier's circle.
double offCircle(const Block &b, double radius) {
  double worst = 0.0;
  for (size_t k = 0; k + 1 < b.size(); k += 2) worst = std::max(worst, std::fabs(std::hypot(b[k], b[k + 1]) - radius));
  return worst;
}

TEST_F(CountdownTest, BeepsOnceASecondForEightSeconds) {
  EXPECT_TRUE(allEqual(at(0.0), 0)) << "the first block starts the clock";
  for (int second = 0; second < 8; ++second) {
    for (double f : {0.05, 0.3, 0.45}) EXPECT_TRUE(allEqual(at(second + f), 0)) << "silent at t = " << second + f;
    for (double f : {0.55, 0.6, 0.7}) {
      const Block b = at(second + f);
      EXPECT_LT(offCircle(b, kFull), 2.0) << "full level at t = " << second + f;
    }
    for (double f : {0.85, 0.95}) EXPECT_TRUE(allEqual(at(second + f), 0)) << "beep over at t = " << second + f;
  }
}

TEST_F(CountdownTest, CarrierIs880HzSineLeftCosineRight) {
  at(0.0);
  Block b = at(0.6);
  Block next = at(0.62);
  b.insert(b.end(), next.begin(), next.end());  // the phase runs on across blocks
  const double expected = 2.0 * M_PI * 880.0 / 48000.0;
  double previous = std::atan2(b[0], b[1]);
  for (size_t k = 2; k + 1 < b.size(); k += 2) {
    const double phase = std::atan2(b[k], b[k + 1]);  // sin on the left, cos on the right
    const double step = std::remainder(phase - previous, 2.0 * M_PI);
    ASSERT_NEAR(step, expected, 2e-4) << "frame " << k / 2;
    previous = phase;
  }
}

TEST_F(CountdownTest, SaturatesAtTheSixteenBitLimitsWithItsSign) {
  at(0.0);
  const Block up = at(0.6, 32000);
  EXPECT_EQ(*std::max_element(up.begin(), up.end()), 32767);
  EXPECT_GE(*std::min_element(up.begin(), up.end()), 32000 - kFull) << "no value wrapped to the other sign";
  const Block down = at(0.65, -32000);
  EXPECT_EQ(*std::min_element(down.begin(), down.end()), -32768);
  EXPECT_LE(*std::max_element(down.begin(), down.end()), -32000 + kFull);
}

TEST_F(CountdownTest, LevelFollowsTheFade) {
  at(0.0);
  _gvol = 0.5f;
  EXPECT_LT(offCircle(at(0.6), 0.5 * kFull), 2.0);
}

TEST_F(CountdownTest, BeatsQuickenAndFadeThenEndForGoodAt30Seconds) {
  at(0.0);
  int onsets[2] = {0, 0};  // in [0, 4) s and in [8, 12) s
  int early = 0, late = 0;  // loudest block in [12, 15) s and in [27, 28) s
  bool sounding = false;
  const double end = playUntil(0.001, 30.0, [&](double t, const Block &b) {
    const bool now = peak(b) > 1000;
    if (now && !sounding && (t < 4.0 || (t >= 8.0 && t < 12.0))) ++onsets[t < 4.0 ? 0 : 1];
    sounding = now;
    if (t >= 12.0 && t < 15.0) early = std::max(early, peak(b));
    if (t >= 27.0 && t < 28.0) late = std::max(late, peak(b));
  });
  EXPECT_EQ(onsets[0], 4);
  EXPECT_GT(onsets[1], onsets[0]) << "the beats come faster after 8 s";
  EXPECT_GT(early, 32000);
  EXPECT_LT(late, 0.25 * kFull) << "the level falls from 16 s";

  at(end);  // t >= 30: the countdown ends in this block
  for (double t : {30.1, 31.0, 45.0}) EXPECT_TRUE(allEqual(at(t, 500), 500)) << "t = " << t;
  ahSetStep(0);
  mixed();
  ahSetStep(2);
  EXPECT_TRUE(allEqual(at(50.0, 500), 500)) << "selected again, it stays over";
  ahSetStep(3);
  EXPECT_TRUE(allEqual(at(51.0, -500), -500));
}

TEST_F(CountdownTest, ModesTwoAndThreeShareOneClock) {
  ahSetStep(3);
  at(0.0);  // mode 3 starts the countdown as well
  ahSetStep(2);
  EXPECT_LT(offCircle(at(0.6), kFull), 2.0) << "mode 2 goes on with mode 3's clock";
  ahSetStep(3);
  EXPECT_TRUE(allEqual(at(1.3), 0));
  EXPECT_LT(offCircle(at(1.6), kFull), 2.0);
}

TEST_F(CountdownTest, ZeroLengthBlocksRunTheClockAndTheBeat) {
  // The same course as with real blocks: started, quickened and ended by
  // blocks that carry no value.
  for (double t = 0.0; t < 30.05; t += kBlockMs / 1000.0) emptyAt(t);
  EXPECT_GT(_countdown.vit, 1.0f);
  EXPECT_LT(_countdown.samp, 0.0f) << "over at 30 s";
  EXPECT_TRUE(allEqual(at(31.0, 77), 77));
}

// Mode 3 through the real mixer on the dummy driver, module loaded but no
// post-mix routine installed: the test calls it.
class ModuleRestartTest : public CountdownTest {
 protected:
  void SetUp() override {
    CountdownTest::SetUp();
    dir_ = makeTempDir("honeyfold-audio");
    writeFixtureModule(dir_ + "/fixture.mod");
    ASSERT_EQ(Mix_OpenAudio(48000, AUDIO_S16LSB, 2, 1024), 0) << SDL_GetError();
    music_ = Mix_LoadMUS((dir_ + "/fixture.mod").c_str());
    ASSERT_NE(music_, nullptr) << SDL_GetError();
    _mmusic = music_;
  }
  void TearDown() override {
    _mmusic = nullptr;
    Mix_HaltMusic();
    if (music_) Mix_FreeMusic(music_);
    Mix_CloseAudio();
    removeTree(dir_);
  }
  std::string dir_;
  Mix_Music *music_ = nullptr;
};

TEST_F(ModuleRestartTest, StartsTheModuleAndRestartsItWhenEnded) {
  at(0.0);
  EXPECT_FALSE(Mix_PlayingMusic()) << "mode 2 leaves the module alone";
  ahSetStep(3);
  at(0.1);
  EXPECT_TRUE(Mix_PlayingMusic());
  Mix_HaltMusic();
  at(0.12);
  EXPECT_TRUE(Mix_PlayingMusic()) << "restarted on the next block";

  for (double t = 0.2; t < 30.1; t += kBlockMs / 1000.0) emptyAt(t);
  Mix_HaltMusic();
  EXPECT_TRUE(allEqual(at(31.0, 9), 9)) << "the countdown is over";
  EXPECT_TRUE(Mix_PlayingMusic()) << "and the module is still restarted";
}

}  // namespace
}  // namespace hf
