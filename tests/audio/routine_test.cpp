// The post-mix routine around its designs: the block published to the
// scenes' audio update, blocks of length 0, modes it does not know, and the
// shutdown fade.
#include <climits>

#include "module_under_test.h"
#include "support/gl_test.h"

namespace hf {
namespace {

// What the scene saw at its audio updates.
struct Seen {
  int updates = 0;
  const Sint16 *stream = nullptr;
  int length = -1;
  float average = -1.0f;
  int path = -1;
  Block values;
};
Seen seen;

void listener(int state) {
  if (state != 1) return;
  ++seen.updates;
  seen.stream = ahGetAudioStream();
  seen.length = ahGetAudioStreamLength();
  seen.average = ahAverage();
  seen.path = ahPathLength();
  seen.values.assign(seen.stream, seen.stream + (seen.stream ? seen.length / 2 : 0));
}

GL4DHanime table[] = {{1000000, listener, nullptr, nullptr}, {0, nullptr, nullptr, nullptr}};

// The real scene manager playing one row whose scene records its updates.
class RoutineTest : public GlTest {
 protected:
  void SetUp() override {
    GlTest::SetUp();
    resetAudioModule();
    seen = Seen{};
    gl4dhInit(table, 64, 64, nullptr);
    gl4dhDraw();
  }
};

TEST_F(RoutineTest, ScenesReadTheProcessedBlockDuringTheUpdate) {
  setNoise(1.0);
  mixed();
  Block b = block(1234);
  mix(b);
  ASSERT_EQ(seen.updates, 2);
  EXPECT_EQ(seen.stream, b.data());
  EXPECT_EQ(seen.length, 4096);
  EXPECT_EQ(seen.values, b) << "the scene sees what the listener hears";
  EXPECT_TRUE(allEqual(b, 16));
  EXPECT_EQ(seen.average, 16.0f);
  EXPECT_EQ(seen.path, 0);
  EXPECT_EQ(ahGetAudioStream(), nullptr) << "withdrawn after the update";
  EXPECT_EQ(ahGetAudioStreamLength(), 0);
}

TEST_F(RoutineTest, ModesOutsideZeroToThreeLeaveTheBlockUntouched) {
  Block pattern = block();
  for (size_t k = 0; k < pattern.size(); ++k) pattern[k] = static_cast<Sint16>(k % 2 ? 1000 : -1000);
  int updates = 0;
  for (int step : {4, -1, 99, INT_MIN, INT_MAX}) {
    ahSetStep(step);
    Block b = pattern;
    mix(b);
    EXPECT_EQ(b, pattern) << "mode " << step;
    EXPECT_EQ(seen.updates, ++updates) << "mode " << step;
    EXPECT_EQ(seen.stream, b.data());
    EXPECT_EQ(seen.path, 2000);
  }
  EXPECT_EQ(_drone.cur_vol, 0);
  EXPECT_EQ(_countdown.__t0, -1.0f) << "no design ran";
}

TEST_F(RoutineTest, ZeroLengthBlocksStillAdvanceTheDesignsAndUpdateTheScenes) {
  setNoise(1.0);
  for (int k = 0; k < 5; ++k) mixEmpty();
  EXPECT_TRUE(allEqual(mixed(), 0)) << "the drone ramps by 0";

  ahSetNeige(1);
  for (int k = 0; k < 422; ++k) mixEmpty();
  EXPECT_EQ(_snow.cur_vol, 32767) << "the snow grows";
  ahSetStep(1);
  for (int k = 0; k < 30; ++k) mixEmpty();
  EXPECT_EQ(_snow.cur_vol, 0) << "and decays";

  mixCallback(nullptr, nullptr, 4096);  // no block at all: taken as empty
  mixCallback(nullptr, reinterpret_cast<Uint8 *>(seen.values.data()), -4096);
  EXPECT_EQ(seen.updates, 1 + 5 + 422 + 30 + 2);
  EXPECT_EQ(seen.length, 0);
  EXPECT_EQ(seen.path, 0);
}

// The fade runs on SDL's real ticks: the expected levels come from the
// ticks the test reads.
using FadeTest = AudioModuleTest;

TEST_F(FadeTest, AhCleanArmsAOneSecondLinearFallThatDisarmsItself) {
  const Uint32 before = std::max<Uint32>(SDL_GetTicks(), 1);
  ahClean(1000);
  const Uint32 T = _fo;
  ASSERT_GE(T, before);
  ASSERT_LT(T, before + 500) << "armed when called, before the wait";
  EXPECT_EQ(_fo_duration, 1000u);

  // The levels a block would get at those ticks (the routine itself reads
  // the real tick, which is past the fade by now).
  updateShutdownFade(T + 250);
  EXPECT_EQ(_gvol, 0.75f);
  updateShutdownFade(T + 999);
  EXPECT_EQ(_gvol, 0.001f);
  updateShutdownFade(T + 1000);
  EXPECT_EQ(_gvol, 0.0f);
  EXPECT_EQ(_fo, 0u) << "disarmed";
  ahSetStep(1);
  EXPECT_TRUE(allEqual(mixed(32000), 0)) << "the effect limit is 0 from then on";
  ahSetStep(2);
  EXPECT_TRUE(allEqual(mixed(5), 5)) << "the beeps have no level left";
  EXPECT_EQ(_gvol, 0.0f);
}

TEST_F(FadeTest, TheRoutineTakesTheLevelFromTheTickItReads) {
  _fo_duration = 1000;
  const Uint32 armed = SDL_GetTicks() - 250;
  _fo = armed;
  const Uint32 before = SDL_GetTicks();
  mixed();
  const Uint32 after = SDL_GetTicks();
  EXPECT_LE(_gvol, (armed + 1000 - before) / 1000.0f);
  EXPECT_GE(_gvol, (armed + 1000 - after) / 1000.0f);
  EXPECT_EQ(_fo, armed) << "still fading";

  _fo = SDL_GetTicks() - 1000;
  mixed();
  EXPECT_EQ(_gvol, 0.0f);
  EXPECT_EQ(_fo, 0u);
}

}  // namespace
}  // namespace hf
