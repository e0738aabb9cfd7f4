// rouge, compiled here to reach the module's statics: one life of the scene
// on the manual clock, fed a picture in _texOut and a blur radius in
// _blurRadius as huit would leave them, recorded frame by frame.
#include <cmath>

#include "animations.cpp"
#include "audio_double.h"
#include "filter_spy.h"
#include "scene_frame.h"
#include "support/gl_test.h"

namespace {

using filter_spy::Call;
using hf::Rgba;

constexpr int W = 320, H = 180;
constexpr int kHanded = 16;  // huit's last blur radius

struct Shot {
  double t;
  int blurRadius;  // _blurRadius during the frame
  std::vector<Call> filters{};
  std::vector<std::uint8_t> pixels{};
  int spread = 0;  // texels of _texOut with ink outside the picture's square
};

// The handed-over picture: over black, a mid-grey square in the middle with
// a dim corner and a tinted corner; what is not black must turn red.
const int sx0 = 40, sy0 = 20, sx1 = 280, sy1 = 160;
std::vector<std::uint8_t> handedPicture() {
  std::vector<std::uint8_t> t(static_cast<size_t>(W) * H * 4, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      std::uint8_t *p = &t[(static_cast<size_t>(y) * W + x) * 4];
      p[3] = 255;
      if (x < sx0 || x >= sx1 || y < sy0 || y >= sy1) continue;
      const bool dim = x < 120 && y < 80, tinted = x >= 200 && y >= 100;
      p[0] = dim ? 2 : tinted ? 60 : 128;
      p[1] = dim ? 2 : tinted ? 200 : 128;
      p[2] = dim ? 2 : tinted ? 100 : 128;
    }
  return t;
}

int inkOutsideSquare(const std::vector<std::uint8_t> &t) {
  int n = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if ((x < sx0 || x >= sx1 || y < sy0 || y >= sy1) && t[(static_cast<size_t>(y) * W + x) * 4] > 0) ++n;
  return n;
}

class Rouge : public hf::GlTest {
 protected:
  static void SetUpTestSuite() {
    frame_ = opening_test::makeSceneFrame(W, H);
    const auto picture = handedPicture();
    glBindTexture(GL_TEXTURE_2D, _texOut);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);  // as huit leaves it
    const double origin = opening_test::startSceneClock();
    film_ = {{0.0, kHanded}, {0.75, kHanded}, {1.5, kHanded}, {2.0, 0},       {2.5, 0},       {3.0, kHanded},
             {5.0, kHanded}, {7.0, kHanded},  {8.0, kHanded}, {9.0, kHanded}, {10.0, kHanded}};
    for (Shot &s : film_) {
      opening_test::sceneAt(origin, s.t);
      _blurRadius = s.blurRadius;
      frame_.bind();
      if (s.t == 0.75) opening_test::prepareHostileState();
      filter_spy::calls.clear();
      rouge(2);
      s.filters = filter_spy::calls;
      s.pixels = frame_.pixels();
      s.spread = inkOutsideSquare(hf::readTexture(_texOut));
      if (s.t == 0.75) recordStateAfterDraw();
    }
    for (const std::string &e : hf::takeGlErrors()) ADD_FAILURE() << "GL error during the film: " << e;
  }

  static void recordStateAfterDraw() {
    after_ = opening_test::readStateAfterDraw();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }

  static inline opening_test::SceneFrame frame_;
  static inline std::vector<Shot> film_;
  static inline opening_test::StateAfterDraw after_;
};

Rgba pixel(const std::vector<std::uint8_t> &px, int x, int y) {
  const std::uint8_t *p = &px[(static_cast<size_t>(y) * W + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

// bf after a frame at t: down by elapsed / 7.5 from 1, stopped at 0.
double bfAfter(double t) { return std::max(0.0, 1.0 - t / 7.5); }

TEST_F(Rouge, EachFrameScattersTheHandedPictureInPlaceThenBlursTheFrame) {
  for (const Shot &s : film_) {
    ASSERT_EQ(s.filters.size(), 2u) << "at " << s.t << " s";
    const Call &scatter = s.filters[0], &blur = s.filters[1];
    EXPECT_TRUE(scatter.name == "scattering" && scatter.in == _texOut && scatter.out == _texOut &&
                scatter.radius == 21 && scatter.iterations == 0 && scatter.weightMap == 0 && scatter.flipV == 0)
        << scatter.name << "(" << scatter.in << ", " << scatter.out << ", " << scatter.radius << ") at " << s.t;
    EXPECT_TRUE(blur.name == "blur" && blur.in == frame_.tex && blur.out == frame_.tex && blur.iterations == 1 &&
                blur.weightMap == 0 && blur.flipV == 0)
        << blur.name << "(" << blur.in << ", " << blur.out << ", " << blur.radius << ", " << blur.iterations
        << ") at " << s.t;
  }
}

TEST_F(Rouge, TheBlurStartsAtHuitsRadiusAndRelaxesToNothingOverSevenAndAHalfSeconds) {
  EXPECT_EQ(film_[0].filters.back().radius, static_cast<GLuint>(kHanded)) << "first frame: bf = 1";
  EXPECT_EQ(film_[1].filters.back().radius, static_cast<GLuint>(kHanded)) << "the first frame moved bf by 0";
  for (size_t i = 1; i < film_.size(); ++i) {
    const Shot &s = film_[i];
    const GLuint expected = static_cast<GLuint>(s.blurRadius * bfAfter(film_[i - 1].t));
    EXPECT_EQ(s.filters.back().radius, expected) << "at " << s.t << " s";
  }
  // _blurRadius 0 (huit never reached 20 s) blurs by 0 whatever bf is.
  EXPECT_EQ(film_[3].filters.back().radius, 0u);
  EXPECT_EQ(film_[4].filters.back().radius, 0u);
  // bf reached 0 at 7.5 s and stays there.
  for (size_t i = film_.size() - 2; i < film_.size(); ++i) EXPECT_EQ(film_[i].filters.back().radius, 0u);
}

TEST_F(Rouge, WhatIsNotBlackTurnsSaturatedRedAndNothingGreenOrBlueRemains) {
  for (const Shot &s : film_) {
    int greenOrBlue = 0;
    for (size_t i = 0; i < s.pixels.size(); i += 4) greenOrBlue += s.pixels[i + 1] != 0 || s.pixels[i + 2] != 0;
    EXPECT_EQ(greenOrBlue, 0) << "at " << s.t << " s";
  }
  // Deep inside each part of the square and far outside it, at the first
  // frame (blur 16, scattering 21): grey, dim and tinted all saturate.
  const auto &first = film_[0].pixels;
  for (auto [x, y] : {std::pair{160, 90}, {80, 50}, {240, 130}})
    EXPECT_TRUE(pixel(first, x, y).r == 255 && pixel(first, x, y).a == 255) << x << ", " << y << ": "
                                                                            << pixel(first, x, y);
  EXPECT_EQ(pixel(first, 3, 3).r, 0);
  EXPECT_EQ(pixel(first, 316, 176).r, 0);
}

TEST_F(Rouge, TheDissolveBuildsUpFromFrameToFrame) {
  // Each frame scatters the texture the last one left: the ink strays
  // further out of the square.
  EXPECT_GT(film_[0].spread, 0);
  EXPECT_GT(film_[4].spread, film_[0].spread);
  EXPECT_GT(film_.back().spread, film_[4].spread);
}

TEST_F(Rouge, ADrawKeepsTheBlendFunctionAndPutsDepthAndBlendBack) {
  EXPECT_TRUE(after_.depth);
  EXPECT_FALSE(after_.blend);
  EXPECT_EQ(after_.blendSrc, GL_ONE) << "the blend function is not rouge's to set";
  EXPECT_EQ(after_.blendDst, GL_ZERO);
  EXPECT_EQ(after_.program, 0u);
  EXPECT_EQ(pixel(film_[1].pixels, 160, 90).r, 255) << "drawn in spite of depth testing";
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "colorize"), 0) << "switched off after the draw";
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "tx"), 0);
  EXPECT_EQ(opening_test::uniformInt(_texProgId, "beep"), 0);
  EXPECT_EQ(opening_test::uniformVec4(_texProgId, "color"), (std::array<GLfloat, 4>{1000, 0, 0, 1}));
  EXPECT_EQ(opening_test::uniformVec2(_texProgId, "pt"), (std::array<GLfloat, 2>{0, 0}));
  const auto pm = opening_test::uniformMat4(_texProgId, "pm");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pm[i], i % 5 == 0 ? 1.0f : 0.0f) << "\"pm\" identity, element " << i;
}

}  // namespace
