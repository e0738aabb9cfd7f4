// The entry point's handlers and the timeline table.
#define main honeyfold_main
#include "../../window.cpp"
#undef main

#include <gtest/gtest.h>

#include <numeric>

#include "support/gl_test.h"

namespace {

constexpr size_t kRows = sizeof _animations / sizeof _animations[0];

// The scene shown at the end of a row: the incoming one of a transition.
GL4DHscene sceneAtEnd(const GL4DHanime &row) { return row.mix ? row.second : row.first; }

TEST(Timeline, HoldsTwentyNinePlayingRowsAndAnAllZeroEnd) {
  ASSERT_EQ(kRows, 30u);
  const GL4DHanime &end = _animations[29];
  EXPECT_EQ(end.duration, 0u);
  EXPECT_EQ(end.first, nullptr);
  EXPECT_EQ(end.second, nullptr);
  EXPECT_EQ(end.mix, nullptr);
  for (size_t i = 0; i < 29; ++i) EXPECT_GT(_animations[i].duration, 0u) << "row " << i;
  const unsigned total = std::accumulate(_animations, _animations + 29, 0u,
                                         [](unsigned sum, const GL4DHanime &r) { return sum + r.duration; });
  EXPECT_EQ(total, 148460u);
}

TEST(Timeline, RowsAreSingleScenesOrCrossFadesBetweenTwo) {
  for (size_t i = 0; i < 29; ++i) {
    const GL4DHanime &row = _animations[i];
    ASSERT_NE(row.first, nullptr) << "row " << i;
    if (row.mix) {
      EXPECT_EQ(row.mix, fondu) << "row " << i;
      EXPECT_NE(row.second, nullptr) << "row " << i;
    } else {
      EXPECT_EQ(row.second, nullptr) << "row " << i;
    }
  }
}

TEST(Timeline, TransitionsStartFromThePreviousSceneExceptTheReturnToBee6) {
  for (size_t i = 1; i < 29; ++i) {
    const GL4DHanime &row = _animations[i];
    if (!row.mix) continue;
    if (i == 27) {
      EXPECT_EQ(sceneAtEnd(_animations[26]), bee7);
      EXPECT_EQ(row.first, bee6);
      EXPECT_EQ(row.second, credits);
    } else {
      EXPECT_EQ(row.first, sceneAtEnd(_animations[i - 1])) << "row " << i;
    }
  }
  // The two cuts: huit to rouge, vert to beep.
  EXPECT_EQ(sceneAtEnd(_animations[2]), huit);
  EXPECT_EQ(_animations[3].first, rouge);
  EXPECT_EQ(_animations[3].mix, nullptr);
  EXPECT_EQ(sceneAtEnd(_animations[5]), vert);
  EXPECT_EQ(_animations[6].first, beep);
  EXPECT_EQ(_animations[6].mix, nullptr);
}

TEST(Keys, EscapeAndQEndTheProcessWithStatusZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(keydown(27), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(keydown(113), ::testing::ExitedWithCode(0), "");
}

TEST(Keys, EveryOtherKeyIsIgnored) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Status 7 proves that every call returned.
  EXPECT_EXIT(
      {
        for (int key : {0, 13, 32, 81, 97, 112, 114, 1073741882 /* F1 */}) keydown(key);
        std::exit(7);
      },
      ::testing::ExitedWithCode(7), "");
}

class Resize : public hf::GlTest {};

TEST_F(Resize, StoresTheSizeAndCoversTheWholeDrawable) {
  resize(800, 600);
  EXPECT_FLOAT_EQ(_dim[0], 800.0f);
  EXPECT_FLOAT_EQ(_dim[1], 600.0f);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ(vp[0], 0);
  EXPECT_EQ(vp[1], 0);
  EXPECT_EQ(vp[2], 800);
  EXPECT_EQ(vp[3], 600);
  resize(1920, 1080);
  EXPECT_FLOAT_EQ(_dim[0], 1920.0f);
}

}  // namespace
