// The spiral, compiled here to reach its objects, on the manual clock and
// with the audio module stood in for: its 20-second curve as the shader
// receives it, the pattern it renders once, what initialisation leaves
// bound, freeing, the picture, and a draw through the scene manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "gl4d/gl4d.h"
#include "support/gl_test.h"

#include "spi.cpp"

// The audio module's mode switch, recorded.
static std::vector<int> steps;
void ahSetStep(int step) { steps.push_back(step); }

namespace {

constexpr int kW = 64, kH = 36;
constexpr double kFirstDrawMs = 600000.0;  // clock reading of the scene's first frame

struct Curve {
  float t, tt;
};

Curve uniformsAfterDraw() {
  Curve c{};
  glGetUniformfv(_pId, glGetUniformLocation(_pId, "t"), &c.t);
  glGetUniformfv(_pId, glGetUniformLocation(_pId, "tt"), &c.tt);
  return c;
}

std::vector<float> patternTexels() {
  std::vector<float> texels(static_cast<size_t>(kPatternSize) * kPatternSize * 4);
  glBindTexture(GL_TEXTURE_2D, _texId);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return texels;
}

class SpiScene : public hf::GlTest {
 protected:
  // The scene's one life in this process, whichever test runs first: a
  // free before any initialisation, the initialisation, the first draw at
  // kFirstDrawMs. Only the curve test moves the clock on from there.
  static void SetUpTestSuite() {
    hf::ensureContext();
    gl4duGenMatrix(GL_FLOAT, "pm");
    colour_ = hf::makeTexture(kW, kH);
    fbo_ = hf::makeFramebuffer(colour_, kW, kH);
    const GLuint texture = hf::makeTexture(2, 2);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);  // a name becomes a framebuffer when first bound
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    spi(3);
    earlyFreeSparedOthers_ = glIsTexture(texture) && glIsFramebuffer(framebuffer);
    glDeleteTextures(1, &texture);
    glDeleteFramebuffers(1, &framebuffer);

    bindTarget();
    spi(0);
    gl4dSetManualClock(GL_TRUE);
    gl4dSetElapsedTime(kFirstDrawMs);
    bindTarget();
    spi(2);
    stepsAfterFirstDraw_ = steps;
    for (const std::string &e : hf::takeGlErrors()) ADD_FAILURE() << "GL error at initialisation or first draw: " << e;
  }
  static void bindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, kW, kH);
  }
  static Curve drawAt(double seconds) {
    gl4dSetElapsedTime(kFirstDrawMs + seconds * 1000.0);
    bindTarget();
    spi(2);
    return uniformsAfterDraw();
  }
  static inline GLuint colour_ = 0, fbo_ = 0;
  static inline bool earlyFreeSparedOthers_ = false;
  static inline std::vector<int> stepsAfterFirstDraw_;
};

TEST_F(SpiScene, TheFirstDrawSelectsModeThreeAndLaterDrawsSelectNothing) {
  EXPECT_EQ(stepsAfterFirstDraw_, std::vector<int>{3});
  bindTarget();
  spi(2);
  spi(2);
  EXPECT_EQ(steps, std::vector<int>{3});
}

// One sweep, the clock only moving forward: the values at the landmarks,
// no rise and no jump anywhere (both joins included), then the floor.
TEST_F(SpiScene, TheCurveFallsOverTwentySecondsWithoutAJumpAndThenHolds) {
  const float floor = static_cast<float>(1.0 / (std::exp(6.0) + 1.0));
  float previous = 2.0f;
  for (int i = 0; i <= 2100; ++i) {
    const double s = i / 100.0;
    const Curve c = drawAt(s);
    EXPECT_LE(c.t, previous) << "at " << s << " s";
    if (i > 0) {
      EXPECT_LT(previous - c.t, 0.002f) << "a jump at " << s << " s";
    }
    previous = c.t;
    EXPECT_NEAR(c.tt, std::pow(20.0 * c.t, 4.0), 1e-5 * c.tt) << "at " << s << " s";
    if (i == 0) {
      EXPECT_FLOAT_EQ(c.t, 1.0f);
      EXPECT_FLOAT_EQ(c.tt, 160000.0f);
    } else if (i == 500) {
      EXPECT_FLOAT_EQ(c.t, 0.75f);
      EXPECT_FLOAT_EQ(c.tt, 50625.0f);
    } else if (i == 1000) {
      EXPECT_EQ(c.t, 0.5f);
      EXPECT_EQ(c.tt, 10000.0f);
    } else if (i == 1500) {
      EXPECT_NEAR(c.t, 0.0474258732, 1e-6) << "logistic: 1 / (1 + e^3)";
    } else if (i >= 2000) {
      EXPECT_EQ(c.t, floor) << "at " << s << " s";
    }
  }
  for (double s : {33.0, 300.0}) {
    const Curve c = drawAt(s);
    EXPECT_EQ(c.t, floor) << "at " << s << " s";
    EXPECT_NEAR(c.tt, std::pow(20.0 * floor, 4.0), 1e-9) << "at " << s << " s";
  }
}

TEST_F(SpiScene, InitialisationRendersThePatternAndLeavesTheDefaultFramebufferBound) {
  spi(3);
  bindTarget();
  glViewport(5, 7, 40, 24);
  spi(0);
  GLint framebuffer = -1, viewport[4] = {};
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(framebuffer, 0);
  EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 40, 24}));

  glBindTexture(GL_TEXTURE_2D, _texId);
  GLint w = 0, h = 0, format = 0, wrapS = 0, wrapT = 0, minFilter = 0, magFilter = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 1024);
  EXPECT_EQ(format, GL_RGBA32F);
  EXPECT_EQ(wrapS, GL_REPEAT);
  EXPECT_EQ(wrapT, GL_REPEAT);
  EXPECT_EQ(minFilter, GL_NEAREST);
  EXPECT_EQ(magFilter, GL_NEAREST);

  // A varied, opaque pattern with no seam where it repeats: across the
  // wrap, neighbours differ no more than neighbours inside it do.
  const std::vector<float> texels = patternTexels();
  auto at = [&](int x, int y, int channel) { return texels[(static_cast<size_t>(y) * 1024 + x) * 4 + channel]; };
  double inside = 0.0, acrossX = 0.0, acrossY = 0.0, sum = 0.0, sumSquares = 0.0;
  int opaque = 0;
  for (int i = 0; i < 1024; ++i)
    for (int ch = 0; ch < 3; ++ch) {
      inside += std::abs(at(511, i, ch) - at(512, i, ch)) + std::abs(at(i, 511, ch) - at(i, 512, ch));
      acrossX += std::abs(at(1023, i, ch) - at(0, i, ch));
      acrossY += std::abs(at(i, 1023, ch) - at(i, 0, ch));
    }
  for (int y = 0; y < 1024; y += 8)
    for (int x = 0; x < 1024; x += 8) {
      const float v = at(x, y, 1);
      sum += v;
      sumSquares += v * v;
      opaque += at(x, y, 3) == 1.0f;
    }
  const double n = 128.0 * 128.0, mean = sum / n, spread = std::sqrt(sumSquares / n - mean * mean);
  EXPECT_GT(spread, 0.1) << "the pattern is nearly flat";
  EXPECT_EQ(opaque, 128 * 128);
  const double insideOneWay = inside / 2.0;
  EXPECT_LT(acrossX, 2.0 * insideOneWay) << "a seam where s wraps";
  EXPECT_LT(acrossY, 2.0 * insideOneWay) << "a seam where t wraps";
}

TEST_F(SpiScene, StateThreeFreesOnceAndSparesNamesMadeSince) {
  EXPECT_TRUE(earlyFreeSparedOthers_) << "a free before the initialisation deleted something";
  const GLuint texture = _texId, framebuffer = _fbo;
  spi(3);
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_FALSE(glIsFramebuffer(framebuffer));
  EXPECT_EQ(_texId, 0u) << "a second free would delete the name again";
  EXPECT_EQ(_fbo, 0u) << "a second free would delete the name again";
  // Objects made now may take the freed names (drivers that reuse names
  // soon); a second free must spare them.
  const GLuint otherTexture = hf::makeTexture(2, 2);
  GLuint otherFramebuffer = 0;
  glGenFramebuffers(1, &otherFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, otherFramebuffer);
  spi(3);
  EXPECT_TRUE(glIsTexture(otherTexture));
  EXPECT_TRUE(glIsFramebuffer(otherFramebuffer));
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteTextures(1, &otherTexture);
  glDeleteFramebuffers(1, &otherFramebuffer);
  bindTarget();
  spi(0);  // for the tests after this one
}

TEST_F(SpiScene, ADrawFillsTheViewportFromItsOriginAndTouchesNoSwitch) {
  bindTarget();
  glClearColor(1.0f, 0.0f, 1.0f, 0.0f);  // no pixel of the spiral is transparent
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(10, 6, kW - 10, kH - 6);  // the draw moves it back to the origin
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);  // as the bee scenes leave it: the quad must face the viewer
  spi(2);
  glDisable(GL_CULL_FACE);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  const auto pixels = hf::readPixels(0, 0, kW, kH);
  int transparent = 0, outside = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool covered = pixels[(static_cast<size_t>(y) * kW + x) * 4 + 3] == 255;
      const bool inViewport = x < kW - 10 && y < kH - 6;
      transparent += inViewport && !covered;
      outside += !inViewport && covered;
    }
  EXPECT_EQ(transparent, 0);
  EXPECT_EQ(outside, 0) << "the draw went beyond the viewport's size";
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  GLint program = -1, texture = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  EXPECT_EQ(program, 0);
  EXPECT_EQ(texture, 0);
  glDisable(GL_BLEND);
}

// Whatever the moment: a glowing centre, and arms that carry the pattern's
// colours around it.
TEST_F(SpiScene, TheWhirlHasAGlowingCentreAndPatternedArms) {
  bindTarget();
  spi(2);
  const auto pixels = hf::readPixels(0, 0, kW, kH);
  auto luminance = [&](int x, int y) {
    const std::uint8_t *p = &pixels[(static_cast<size_t>(y) * kW + x) * 4];
    return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000.0;
  };
  EXPECT_GT(luminance(kW / 2, kH / 2), 140.0) << "the centre glows";
  // The ring between a fifth and two fifths of the height from the centre.
  double sum = 0.0, sumSquares = 0.0;
  int n = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const double r = std::hypot(x + 0.5 - kW / 2.0, y + 0.5 - kH / 2.0) / kH;
      if (r < 0.2 || r > 0.4) continue;
      sum += luminance(x, y);
      sumSquares += luminance(x, y) * luminance(x, y);
      ++n;
    }
  const double mean = sum / n, spread = std::sqrt(sumSquares / n - mean * mean);
  EXPECT_GT(mean, 40.0) << "dark arms: is the pattern bound?";
  EXPECT_GT(spread, 20.0) << "flat arms";
}

// The scene manager makes every draw in its own framebuffer, even though
// this scene's initialisation leaves framebuffer 0 bound.
TEST_F(SpiScene, DrawsThroughTheSceneManagerLandInItsFramebuffer) {
  static GL4DHanime table[] = {{20000, spi, nullptr, nullptr}, {0, nullptr, nullptr, nullptr}};
  spi(3);  // the manager initialises the scene afresh
  gl4dhInit(table, kW, kH, nullptr);
  GLint framebuffer = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
  EXPECT_EQ(framebuffer, 0);

  glBindFramebuffer(GL_FRAMEBUFFER, gl4dhGetFramebuffer());
  glClearColor(1.0f, 0.0f, 1.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  gl4dhDraw();
  const auto frame = hf::readTexture(gl4dhGetColorTexture());
  int transparent = 0;
  for (size_t i = 3; i < frame.size(); i += 4) transparent += frame[i] != 255;
  EXPECT_EQ(transparent, 0) << "the spiral did not cover the manager's frame";
}

}  // namespace
