// beep, compiled here to reach the module's statics: one life of the scene
// on the manual clock, with sound levels handed in through the audio update
// (on a thread of its own, as the audio callback's), recorded frame by
// frame: the spot of every pass, the filter calls, the sound mode.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "animations.cpp"
#include "audio_double.h"
#include "filter_spy.h"
#include "scene_frame.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

using filter_spy::Call;
using hf::Rgba;
using Point = std::array<GLfloat, 2>;

constexpr int W = 320, H = 180;

struct Shot {
  double t;
  float average;  // ahAverage during the audio update before the frame
  std::vector<Call> filters{};
  std::vector<Point> spots{};  // "pt" at each blur, i.e. of each pass
};

std::vector<Point> spotsSeen;
void readSpot(const Call &c) {
  if (c.name == "blur") spotsSeen.push_back(opening_test::uniformVec2(opening_test::currentProgram(), "pt"));
}

class Beep : public hf::GlTest {
 protected:
  static void SetUpTestSuite() {
    frame_ = opening_test::makeSceneFrame(W, H);
    audio_double::reset();
    // What the earlier scenes left in the feedback texture: anything but black.
    const std::vector<std::uint8_t> white(static_cast<size_t>(W) * H * 4, 255);
    glBindTexture(GL_TEXTURE_2D, _texOut);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    filter_spy::beforeCall = readSpot;

    const double origin = opening_test::startSceneClock();
    film_ = {{0.0, 0}, {0.5, 150}, {1.0, 0}, {2.1, 0}, {2.3, 0}, {2.5, 600}, {3.0, -450}};
    // Then a second of silence at 60 frames a second.
    for (int i = 1; i <= 60; ++i) film_.push_back({3.0 + i / 60.0, 0});
    for (Shot &s : film_) {
      opening_test::sceneAt(origin, s.t);
      audio_double::average = s.average;
      std::thread([] { beep(1); }).join();
      frame_.bind();
      if (s.t == 0.0) opening_test::prepareHostileState();
      filter_spy::calls.clear();
      spotsSeen.clear();
      beep(2);
      s.filters = filter_spy::calls;
      s.spots = spotsSeen;
      if (s.t == 0.0) recordFirstFrame();
    }
    lastFrame_ = frame_.pixels();
    std::filesystem::create_directories(HONEYFOLD_BINARY_DIR "/frames");
    hf::writePng(HONEYFOLD_BINARY_DIR "/frames/beep_silence.png", W, H, lastFrame_.data());
    filter_spy::beforeCall = nullptr;
    for (const std::string &e : hf::takeGlErrors()) ADD_FAILURE() << "GL error during the film: " << e;
  }

  static void recordFirstFrame() {
    after_ = opening_test::readStateAfterDraw();
    stepsAfterFirst_ = audio_double::steps;
    firstFeedback_ = hf::readTexture(_texOut);
    firstFrame_ = frame_.pixels();
    glDisable(GL_DEPTH_TEST);
  }

  const Shot &at(double t) {
    for (const Shot &s : film_)
      if (s.t == t) return s;
    ADD_FAILURE() << "no frame at " << t << " s";
    return film_.front();
  }

  static inline opening_test::SceneFrame frame_;
  static inline std::vector<Shot> film_;
  static inline std::vector<std::uint8_t> firstFeedback_, firstFrame_, lastFrame_;
  static inline std::vector<int> stepsAfterFirst_;
  static inline opening_test::StateAfterDraw after_;
};

Rgba texel(const std::vector<std::uint8_t> &px, int x, int y) {
  const std::uint8_t *p = &px[(static_cast<size_t>(y) * W + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

bool opaqueBlack(Rgba c) { return c.r == 0 && c.g == 0 && c.b == 0 && c.a == 255; }

// The 21 points of a frame run evenly from the previous frame's point to
// this frame's.
::testing::AssertionResult spotsRun(const Shot &s, Point from, Point to) {
  if (s.spots.size() != 21) return ::testing::AssertionFailure() << s.spots.size() << " passes at " << s.t << " s";
  for (int i = 0; i <= 20; ++i) {
    const double c = i / 20.0;
    const double x = from[0] * (1 - c) + to[0] * c, y = from[1] * (1 - c) + to[1] * c;
    if (std::fabs(s.spots[i][0] - x) > 1e-5 || std::fabs(s.spots[i][1] - y) > 1e-5)
      return ::testing::AssertionFailure() << "pass " << i << " at " << s.t << " s: (" << s.spots[i][0] << ", "
                                           << s.spots[i][1] << "), expected (" << x << ", " << y << ")";
  }
  return ::testing::AssertionSuccess();
}

TEST_F(Beep, TheFirstFrameSelectsTheBeepsAndStartsFromABlackFeedbackTexture) {
  EXPECT_EQ(stepsAfterFirst_, std::vector<int>{2});
  EXPECT_EQ(audio_double::steps, std::vector<int>{2}) << "only the first frame sets the mode";
  const auto &f = film_[0].filters;
  ASSERT_EQ(f.size(), 22u);
  EXPECT_TRUE(f[0].name == "copy" && f[0].in == frame_.tex && f[0].out == _texOut && f[0].flipV == 0);
  for (const Shot &s : film_)
    EXPECT_EQ(std::count_if(s.filters.begin(), s.filters.end(), [](const Call &c) { return c.name == "copy"; }),
              s.t == 0.0 ? 1 : 0)
        << "at " << s.t << " s";
  EXPECT_TRUE(spotsRun(film_[0], {0.0f, 0.5f}, {0.0f, 0.5f})) << "x is 0 at the start, silence at 0.5";
  // The white left in _texOut is gone: black and opaque away from the spot.
  EXPECT_TRUE(opaqueBlack(texel(firstFeedback_, W - 1, H - 1))) << texel(firstFeedback_, W - 1, H - 1);
  EXPECT_TRUE(opaqueBlack(texel(firstFeedback_, W / 2, H / 2))) << texel(firstFeedback_, W / 2, H / 2);
  EXPECT_TRUE(opaqueBlack(texel(firstFrame_, W / 2, H / 2))) << texel(firstFrame_, W / 2, H / 2);
  EXPECT_GT(texel(firstFrame_, 0, H / 2).g, 100) << "the spot at (0, 0.5), on the left edge";
}

TEST_F(Beep, EveryPassDrawsThenBlursTheFrameIntoTheFeedbackTexture) {
  for (const Shot &s : film_) {
    const size_t first = s.t == 0.0 ? 1 : 0;
    ASSERT_EQ(s.filters.size(), first + 21) << "at " << s.t << " s";
    for (size_t i = first; i < s.filters.size(); ++i) {
      const Call &c = s.filters[i];
      EXPECT_TRUE(c.name == "blur" && c.in == frame_.tex && c.out == _texOut && c.radius == 4 &&
                  c.iterations == 2 && c.weightMap == 0 && c.flipV == 0)
          << c.name << "(" << c.in << ", " << c.out << ", " << c.radius << ", " << c.iterations << ") at " << s.t;
    }
  }
}

TEST_F(Beep, ThePointSweepsEveryTwoPointTwoSecondsAtTheSoundsHeight) {
  const float x05 = 0.5f / 2.2f, x10 = 1.0f / 2.2f, x21 = 2.1f / 2.2f, x23 = 2.3f / 2.2f - 1.0f;
  EXPECT_TRUE(spotsRun(at(0.5), {0.0f, 0.5f}, {x05, 0.75f})) << "average 150: height 0.5";
  EXPECT_TRUE(spotsRun(at(1.0), {x05, 0.75f}, {x10, 0.5f})) << "silence: 0.5";
  EXPECT_TRUE(spotsRun(at(2.1), {x10, 0.5f}, {x21, 0.5f}));
  // Wrapped: this frame's points cross the whole width back to the left.
  EXPECT_TRUE(spotsRun(at(2.3), {x21, 0.5f}, {x23, 0.5f}));
  EXPECT_GT(at(2.3).spots.front()[0], 0.9f);
  EXPECT_LT(at(2.3).spots.back()[0], 0.1f);
  // Heights beyond 1 are not clamped: the point leaves the screen.
  EXPECT_FLOAT_EQ(at(2.5).spots.back()[1], 1.5f) << "average 600";
  EXPECT_FLOAT_EQ(at(3.0).spots.back()[1], -0.25f) << "average -450";
  for (const Shot &s : film_)
    for (const Point &p : s.spots) EXPECT_TRUE(p[0] >= 0.0f && p[0] <= 1.0f) << "x " << p[0] << " at " << s.t;
}

// A second of silence after the loud frames: the trail of glowing green lies
// along the middle row, left of the point, and fades behind it.
TEST_F(Beep, SilenceLeavesATrailAlongTheMiddleThatFadesBehindThePoint) {
  const int xNow = static_cast<int>((4.0 / 2.2 - 1.0) * W), x0 = static_cast<int>((3.2 / 2.2 - 1.0) * W);
  int columns = 0;
  for (int x = x0; x < xNow - 2; ++x) {
    int peak = 0;
    for (int y = 0; y < H; ++y) {
      const Rgba p = texel(lastFrame_, x, y);
      peak = std::max(peak, p.g);
      EXPECT_GE(p.g, p.r) << "green, at " << x << ", " << y;
    }
    if (peak < 20) continue;
    ++columns;
    // The middle of the brightest rows (the blur flattens the crest, the
    // dither and the haze of earlier frames move it by a row or two).
    double rows = 0, sum = 0;
    for (int y = 0; y < H; ++y)
      if (texel(lastFrame_, x, y).g >= peak - 1) rows += 1, sum += y + 0.5;
    EXPECT_NEAR(sum / rows, H / 2.0, 2.5) << "the trail's crest in column " << x;
  }
  EXPECT_GT(columns, (xNow - x0) * 3 / 4) << "a continuous trail from " << x0 << " to " << xNow;
  EXPECT_GT(texel(lastFrame_, xNow - 3, H / 2).g, texel(lastFrame_, x0 + 3, H / 2).g) << "older is fainter";
  EXPECT_LT(texel(lastFrame_, W - 10, H / 2).g, 20) << "ahead of the point: nothing yet";
}

TEST_F(Beep, ADrawPutsDepthAndBlendBackAndSwitchesTintAndSpotOff) {
  EXPECT_TRUE(after_.depth);
  EXPECT_FALSE(after_.blend);
  EXPECT_EQ(after_.blendSrc, GL_SRC_ALPHA);
  EXPECT_EQ(after_.blendDst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(after_.program, 0u);
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "colorize"), 0);
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "beep"), 0);
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "tx"), 0);
  EXPECT_EQ(opening_test::uniformVec4(_texProgId, "color"), (std::array<GLfloat, 4>{0.2f, 1.0f, 0.2f, 1.0f}));
  const auto pm = opening_test::uniformMat4(_texProgId, "pm");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pm[i], i % 5 == 0 ? 1.0f : 0.0f) << "\"pm\" identity, element " << i;
}

}  // namespace
