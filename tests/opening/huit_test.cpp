// huit, compiled here to reach the module's statics (_texOut, _blurRadius,
// _texProgId): one life of the scene on the manual clock, recorded frame by
// frame (scale, filter calls, snow switch, hand-over), then examined.
#include <SDL2/SDL_ttf.h>

#include <cmath>
#include <filesystem>

#include "animations.cpp"
#include "audio_double.h"
#include "filter_spy.h"
#include "scene_frame.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

using filter_spy::Call;
using opening_test::uniformInt;

constexpr int W = 320, H = 180;
constexpr float kCap = 1.5707864f;

// One draw: the path length fed through the audio update just before it,
// and what the draw did.
struct Shot {
  double t;        // scene seconds
  int pathLength;  // -1: no audio update before this frame
  float scale = 0;
  std::vector<Call> filters{};
  std::vector<int> neiges{};  // every ahSetNeige so far
  int blurRadius = 0;       // _blurRadius after the frame
};

// The angle before a frame drawn after one at prevT, as the growth rule has
// it: 0.07 rad per second from 0.1, stopped at the cap.
double angleAfter(double prevT) { return std::min(0.1 + 0.07 * prevT, static_cast<double>(kCap)); }
double radiusFor(double a) { return 128.0 * std::pow((1.5707964 - a) / 1.5707964, 0.666); }

class Huit : public hf::GlTest {
 protected:
  static void SetUpTestSuite() {
    frame_ = opening_test::makeSceneFrame(W, H);
    audio_double::reset();
    huit(0);
    const double origin = opening_test::startSceneClock();
    film_ = {{0.0, 0},    {1.0, 100},  {2.0, 101},  {3.0, 102},  {4.0, 301},  {12.0, 40},
             {14.9, 250}, {15.0, 250}, {15.5, 0},   {16.0, 0},   {16.5, 140}, {17.0, 160},
             {19.9, 0},   {20.1, 200}, {20.5, 0},   {21.5, 0},   {22.5, -1},  {23.5, 0}};
    for (Shot &s : film_) {
      opening_test::sceneAt(origin, s.t);
      if (s.pathLength >= 0) {
        audio_double::pathLength = s.pathLength;
        huit(1);
      }
      frame_.bind();
      if (s.t == 23.5) opening_test::prepareHostileState();  // unblurred: the figure is sharp
      filter_spy::calls.clear();
      huit(2);
      s.filters = filter_spy::calls;
      s.neiges = audio_double::neiges;
      s.blurRadius = _blurRadius;
      s.scale = 2.0f * opening_test::uniformMat4(_texProgId, "pm")[0];  // "pm" x scale is 0.5 s
      if (s.t == 23.5) recordStateAfterDraw();
      if (s.t == 21.5) handedOver_ = hf::readTexture(_texOut), shownAtHandOver_ = frame_.pixels();
      if (s.t == 22.5) fullSize_ = frame_.pixels();
      glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTex_);
    }
    recordFreeing();
    for (const std::string &e : hf::takeGlErrors()) ADD_FAILURE() << "GL error during the film: " << e;
  }

  static void recordStateAfterDraw() {
    after_ = opening_test::readStateAfterDraw();
    hostile_ = frame_.pixels();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
  }
  static void recordFreeing() {
    tid_ = static_cast<GLuint>(boundTex_);
    glBindTexture(GL_TEXTURE_2D, tid_);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tidW_);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &tidH_);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &tidMin_);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &tidMag_);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &tidWrapS_);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &tidWrapT_);
    glBindTexture(GL_TEXTURE_2D, 0);
    huit(3);
    freed_ = !glIsTexture(tid_);
    // A name made now may be the freed one; a second free must spare it.
    const GLuint other = hf::makeTexture(4, 4);
    huit(3);
    secondFreeSpared_ = glIsTexture(other);
    glDeleteTextures(1, &other);
    huit(0);
    ttfInits_ = TTF_WasInit();
  }

  const Shot &at(double t) {
    for (const Shot &s : film_)
      if (s.t == t) return s;
    ADD_FAILURE() << "no frame at " << t << " s";
    return film_.front();
  }

  static inline opening_test::SceneFrame frame_;
  static inline std::vector<Shot> film_;
  static inline std::vector<std::uint8_t> handedOver_, shownAtHandOver_, fullSize_, hostile_;
  static inline opening_test::StateAfterDraw after_;
  static inline GLint boundTex_ = 0;
  static inline GLuint tid_ = 0;
  static inline GLint tidW_ = 0, tidH_ = 0, tidMin_ = 0, tidMag_ = 0, tidWrapS_ = 0, tidWrapT_ = 0;
  static inline bool freed_ = false, secondFreeSpared_ = false;
  static inline int ttfInits_ = 0;
};

::testing::AssertionResult blurOfFrame(const Call &c, GLuint frame, GLuint radius) {
  if (c.name != "blur" || c.in != frame || c.out != frame || c.radius != radius || c.iterations != 1 ||
      c.weightMap != 0 || c.flipV != 0)
    return ::testing::AssertionFailure() << c.name << "(" << c.in << ", " << c.out << ", " << c.radius << ", "
                                         << c.iterations << ", " << c.weightMap << ", " << int(c.flipV)
                                         << "), expected blur(" << frame << ", " << frame << ", " << radius
                                         << ", 1, 0, 0)";
  return ::testing::AssertionSuccess();
}

TEST_F(Huit, FirstFrameIsAtScaleSinPointOneWithTheWidestBlur) {
  const Shot &first = at(0.0);
  EXPECT_FLOAT_EQ(first.scale, static_cast<float>(std::sin(0.1f)));
  ASSERT_EQ(first.filters.size(), 1u) << "no scattering without sound, no copy before 20 s";
  EXPECT_TRUE(blurOfFrame(first.filters[0], frame_.tex, 122));
}

TEST_F(Huit, TheFigureGrowsAndSharpensAtPointZeroSevenRadiansASecondUpToTheCap) {
  for (size_t i = 1; i < film_.size(); ++i) {
    const Shot &s = film_[i];
    // The scale uses the angle as the previous frame left it, the blur the
    // angle after this frame's growth.
    EXPECT_NEAR(s.scale, std::sin(angleAfter(film_[i - 1].t)), 2e-6) << "at " << s.t << " s";
    const Call &blur = s.filters.back();
    EXPECT_EQ(blur.name, "blur") << "at " << s.t << " s";
    EXPECT_NEAR(static_cast<double>(blur.radius), radiusFor(angleAfter(s.t)), 1.0) << "at " << s.t << " s";
    EXPECT_LE(static_cast<double>(blur.radius), radiusFor(angleAfter(s.t))) << "truncated, at " << s.t << " s";
  }
  // The cap is reached at about 21.01 s, 0.00001 short of pi / 2.
  EXPECT_EQ(at(21.5).filters.back().radius, 0u);
  EXPECT_EQ(at(22.5).scale, static_cast<float>(std::sin(kCap)));
  EXPECT_EQ(at(23.5).scale, static_cast<float>(std::sin(kCap))) << "the angle stays at the cap";
  EXPECT_EQ(at(23.5).filters.back().radius, 0u);
}

// The radius of the frame's scattering (0: none), checking that it works in
// place on the frame before the blur.
GLuint scatteringRadius(const Shot &s, GLuint frame) {
  GLuint radius = 0;
  for (size_t i = 0; i < s.filters.size(); ++i) {
    const Call &c = s.filters[i];
    if (c.name != "scattering") continue;
    EXPECT_EQ(i, 0u) << "scattering first, at " << s.t << " s";
    EXPECT_TRUE(c.in == frame && c.out == frame && c.iterations == 0 && c.weightMap == 0 && c.flipV == 0)
        << "scattering(" << c.in << ", " << c.out << ", " << c.radius << ", " << c.iterations << ", "
        << c.weightMap << ", " << int(c.flipV) << ") at " << s.t << " s";
    radius = c.radius;
  }
  return radius;
}

TEST_F(Huit, PathLengthAboveOneHundredScattersTheFrameByHalfTheExcess) {
  // Path lengths 0, 100, 101, 102, 301, 40, 250, 140, 200 before these frames.
  const std::pair<double, GLuint> expected[] = {{0.0, 0}, {1.0, 0},   {2.0, 0},   {3.0, 1},   {4.0, 100},
                                                {12.0, 0}, {14.9, 75}, {16.5, 20}, {20.1, 50}, {22.5, 0}};
  for (auto [t, radius] : expected)
    EXPECT_EQ(scatteringRadius(at(t), frame_.tex), radius) << "at " << t << " s";
}

TEST_F(Huit, SnowIsSwitchedOnOnceByTheFirstScatteredFrameAfterFifteenSeconds) {
  for (double t : {14.9, 15.0, 15.5, 16.0})
    EXPECT_TRUE(at(t).neiges.empty()) << "at " << t << " s: before 15 s, at 15 s or without scattering";
  EXPECT_EQ(at(16.5).neiges, std::vector<int>{1});
  EXPECT_EQ(film_.back().neiges, std::vector<int>{1}) << "switched on once";
  EXPECT_TRUE(audio_double::steps.empty()) << "huit leaves the sound mode alone";
}

TEST_F(Huit, AfterTwentySecondsTheScatteredFrameIsHandedToRougeBeforeTheBlur) {
  for (const Shot &s : film_) {
    const bool copies = s.t > 20.0;
    int copiesSeen = 0;
    for (const Call &c : s.filters) copiesSeen += c.name == "copy";
    EXPECT_EQ(copiesSeen, copies ? 1 : 0) << "at " << s.t << " s";
    if (!copies) {
      EXPECT_EQ(s.blurRadius, 0) << "_blurRadius untouched at " << s.t << " s";
    }
  }
  const Shot &s = at(20.1);
  ASSERT_EQ(s.filters.size(), 3u);
  EXPECT_EQ(s.filters[0].name, "scattering");
  EXPECT_EQ(s.filters[1].name, "copy");
  EXPECT_EQ(s.filters[1].in, frame_.tex);
  EXPECT_EQ(s.filters[1].out, _texOut);
  EXPECT_EQ(s.filters[1].flipV, 0);
  EXPECT_TRUE(blurOfFrame(s.filters[2], frame_.tex, s.filters[2].radius));
  EXPECT_GT(s.filters[2].radius, 0u);
  EXPECT_EQ(s.blurRadius, static_cast<int>(s.filters[2].radius)) << "_blurRadius is this frame's blur radius";
  EXPECT_EQ(at(21.5).blurRadius, 0) << "at the cap the radius handed on is 0";
  // With neither scattering nor blur (radius 0) the hand-over is the frame.
  EXPECT_EQ(handedOver_, shownAtHandOver_);
}

// At the cap (scale ~1, no blur) the figure stands in the middle half of the
// screen's width, centred, and is blended by its alpha over opaque black
// (alpha a leaves a * a + 1 - a, never below 0.75).
TEST_F(Huit, AtFullSizeTheFigureIsHalfTheScreenWideAndCentred) {
  std::filesystem::create_directories(HONEYFOLD_BINARY_DIR "/frames");
  hf::writePng(HONEYFOLD_BINARY_DIR "/frames/huit_full_size.png", W, H, fullSize_.data());
  long sumX = 0, sumY = 0, ink = 0;
  int minX = W, maxX = -1;
  int minAlpha = 255;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const std::uint8_t *p = &fullSize_[(static_cast<size_t>(y) * W + x) * 4];
      minAlpha = std::min<int>(minAlpha, p[3]);
      EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "white over black only, at " << x << ", " << y;
      if (p[0] < 128) continue;
      ++ink;
      sumX += x;
      sumY += y;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
    }
  EXPECT_GE(minAlpha, 190);
  ASSERT_GT(ink, W * H / 20);
  EXPECT_GE(minX, W / 4);
  EXPECT_LT(maxX, 3 * W / 4);
  EXPECT_GT(maxX - minX, W / 4) << "the figure fills most of its half";
  EXPECT_NEAR(static_cast<double>(sumX) / ink, W / 2.0, W * 0.02);
  EXPECT_NEAR(static_cast<double>(sumY) / ink, H / 2.0, H * 0.15);
}

TEST_F(Huit, ADrawWorksWithDepthTestingOnAndBlendingOffAndPutsThemBack) {
  EXPECT_TRUE(after_.depth);
  EXPECT_FALSE(after_.blend);
  EXPECT_EQ(after_.blendSrc, GL_SRC_ALPHA);
  EXPECT_EQ(after_.blendDst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(after_.program, 0u);
  // The figure shows although the depth buffer held 0, and the texture's
  // clear texels leave the black nearly opaque: blending was on.
  EXPECT_GT(opening_test::countAbove(hostile_, W, 0, 100, 0, 0, W, H), 0);
  EXPECT_EQ(opening_test::countAbove(hostile_, W, 3, 189, 0, 0, W, H), W * H);
  EXPECT_EQ(uniformInt(_texProgId, "tx"), 0);
  EXPECT_EQ(uniformInt(_texProgId, "colorize"), 1);
  EXPECT_EQ(uniformInt(_texProgId, "beep"), 0);
  EXPECT_EQ(opening_test::uniformVec4(_texProgId, "color"), (std::array<GLfloat, 4>{1, 1, 1, 1}));
  EXPECT_EQ(opening_test::uniformVec2(_texProgId, "pt"), (std::array<GLfloat, 2>{0, 0}));
}

TEST_F(Huit, TheFigureTextureIsFreedOnceAndRebuiltWithoutRestartingTheFontLibrary) {
  // "8" at 1280 points, through the same font library.
  TTF_Font *font = TTF_OpenFont("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", 1280);
  ASSERT_NE(font, nullptr);
  int w = 0, h = 0;
  TTF_SizeUTF8(font, "8", &w, &h);
  TTF_CloseFont(font);
  EXPECT_EQ(tidW_, w);
  EXPECT_EQ(tidH_, h);
  EXPECT_EQ(tidMin_, GL_LINEAR);
  EXPECT_EQ(tidMag_, GL_LINEAR);
  EXPECT_EQ(tidWrapS_, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(tidWrapT_, GL_CLAMP_TO_EDGE);
  EXPECT_TRUE(freed_);
  EXPECT_TRUE(secondFreeSpared_);
  EXPECT_EQ(ttfInits_, 1);
}

}  // namespace
