// The credits roll, compiled here with SDL's tick count replaced by a count
// the tests set: the text texture, the matrices of each frame, the GL state a
// draw leaves, freeing, and which way round the text reads on screen.
#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <string>

#include "gl4d/gl4d.h"
#include "ink.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {
Uint32 ticks = 0;
}
static Uint32 testTicks(void) { return ticks; }
#define SDL_GetTicks testTicks
#include "credits.cpp"
#undef SDL_GetTicks

namespace {

constexpr int kW = 480, kH = 270;
constexpr Uint32 kFirstDraw = 250000;  // tick count of the scene's first frame

glm::mat4 matrix(const char *name) {
  glm::mat4 m(0.0f);
  EXPECT_TRUE(gl4duGetMatrixData(name, glm::value_ptr(m))) << name;
  return m;
}

::testing::AssertionResult near(const glm::mat4 &seen, const glm::mat4 &expected, float tol = 1e-5f) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (std::abs(seen[c][r] - expected[c][r]) > tol)
        return ::testing::AssertionFailure() << "element [" << c << "][" << r << "]: expected " << expected[c][r]
                                             << ", observed " << seen[c][r];
  return ::testing::AssertionSuccess();
}

// The roll's model matrix for scroll position p, built independently: the
// text is scaled, moved along its tilted plane, and tilted 60 degrees back.
glm::mat4 expectedModel(double p) {
  glm::mat4 m = glm::scale(glm::mat4(1.0f), glm::vec3(2.0f, 2.5f, 1.0f));
  m = glm::translate(m, glm::vec3(0.65f, static_cast<float>(p * std::cos(glm::radians(60.0))),
                                  static_cast<float>(-p * std::sin(glm::radians(60.0)) - 2.0)));
  return glm::rotate(m, glm::radians(-60.0f), glm::vec3(1.0f, 0.0f, 0.0f));
}

// The translation handed to the model matrix (undoing the scale before it).
glm::vec3 translationOf(const glm::mat4 &model) { return {model[3][0] / 2.0f, model[3][1] / 2.5f, model[3][2]}; }

GLint uniformOf(const char *name) {
  GLint v = -1;
  glGetUniformiv(_pId, glGetUniformLocation(_pId, name), &v);
  return v;
}

class CreditsScene : public hf::GlTest {
 protected:
  // The scene's one life in this process: initialised once and first drawn
  // at kFirstDraw, whichever test runs first.
  static void SetUpTestSuite() {
    hf::ensureContext();
    colour_ = hf::makeTexture(kW, kH);
    fbo_ = hf::makeFramebuffer(colour_, kW, kH, true);
    bindTarget();
    ::testing::internal::CaptureStderr();
    credits(0);
    initLog_ = ::testing::internal::GetCapturedStderr();
    ticks = kFirstDraw;
    bindTarget();
    credits(2);
    firstModel_ = matrix("model");
    for (const std::string &e : hf::takeGlErrors()) ADD_FAILURE() << "GL error at initialisation or first draw: " << e;
  }
  static void bindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glViewport(0, 0, kW, kH);
  }
  // One frame, ms after the first.
  static void drawAt(Uint32 ms) {
    ticks = kFirstDraw + ms;
    bindTarget();
    credits(2);
  }
  static inline GLuint colour_ = 0, fbo_ = 0;
  static inline std::string initLog_;
  static inline glm::mat4 firstModel_{0.0f};
};

TEST_F(CreditsScene, InitialisationRendersTheTextIntoATextureAndWritesItsSize) {
  ASSERT_NE(_textTexId, 0u);
  int w = 0, h = 0;
  const auto texels = hf::readTexture(_textTexId, GL_TEXTURE_2D, &w, &h);
  EXPECT_EQ(initLog_, "Dimensions de la texture : " + std::to_string(w) + " " + std::to_string(h) + "\n");

  // The same text through the same font library: white, size 20, wrap 800.
  TTF_Font *font = TTF_OpenFont("/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf", 20);
  ASSERT_NE(font, nullptr) << "the font the demo needs is missing";
  SDL_Surface *reference = TTF_RenderUTF8_Blended_Wrapped(
      font, "Honeyfold\nby Tarvek\n@ Korvan5 2025\n\nMusic: velvora\nby Miralt - Sundeq", {255, 255, 255, 255}, 800);
  ASSERT_NE(reference, nullptr);
  EXPECT_EQ(w, reference->w);
  EXPECT_EQ(h, reference->h);
  EXPECT_EQ(h, 6 * TTF_FontLineSkip(font)) << "six lines, the fourth empty";
  SDL_FreeSurface(reference);
  TTF_CloseFont(font);

  // Rows in surface order: the first line's ink at the low rows, and the
  // empty fourth line below the middle, i.e. in the upper rows.
  const int lineSkip = h / 6;
  auto rowInk = [&](int row) {
    int sum = 0;
    for (int x = 0; x < w; ++x) sum += texels[(static_cast<size_t>(row) * w + x) * 4 + 3];
    return sum;
  };
  int firstLine = 0, emptyLine = 0;
  for (int row = 0; row < lineSkip; ++row) firstLine += rowInk(row);
  for (int row = 3 * lineSkip + 3; row < 4 * lineSkip - 3; ++row) emptyLine += rowInk(row);
  EXPECT_GT(firstLine, 0);
  EXPECT_EQ(emptyLine, 0);

  glBindTexture(GL_TEXTURE_2D, _textTexId);
  GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(minFilter, GL_NEAREST);
  EXPECT_EQ(magFilter, GL_NEAREST);
  EXPECT_EQ(wrapS, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(wrapT, GL_CLAMP_TO_EDGE);
}

TEST_F(CreditsScene, FirstFrameStartsTheRollAtMinusOnePointFour) {
  EXPECT_TRUE(near(firstModel_, expectedModel(-1.4)));
  const glm::vec3 t = translationOf(firstModel_);
  EXPECT_NEAR(t.x, 0.65f, 1e-6f);
  EXPECT_NEAR(t.y, -0.7f, 1e-6f);
  EXPECT_NEAR(t.z, -0.787564f, 1e-6f);
  EXPECT_TRUE(near(matrix("view"), glm::mat4(1.0f)));
  // The frustum from the viewport at initialisation: 270 / 480 high.
  const float r = static_cast<float>(kH) / kW;
  EXPECT_TRUE(near(matrix("proj"), glm::frustum(-0.005f, 0.005f, -0.005f * r, 0.005f * r, 0.01f, 1000.0f), 1e-3f));
}

TEST_F(CreditsScene, TheRollClimbsByPointTwentySevenPerSecondOfTicks) {
  for (Uint32 ms : {1000u, 5000u, 11200u}) {
    drawAt(ms);
    const double p = ms / 1000.0 * 0.27 - 1.4;
    EXPECT_TRUE(near(matrix("model"), expectedModel(p))) << "at " << ms << " ms";
    const glm::vec3 t = translationOf(matrix("model"));
    EXPECT_NEAR(t.y / 0.5f, p, 1e-5) << "at " << ms << " ms";
  }
  // The layer's clock does not move the roll: only the tick count does.
  const glm::mat4 before = matrix("model");
  gl4dSetManualClock(GL_TRUE);
  gl4dAdvanceElapsedTime(3000.0);
  drawAt(11200);
  gl4dSetManualClock(GL_FALSE);
  EXPECT_TRUE(near(matrix("model"), before, 0.0f));
}

TEST_F(CreditsScene, ADrawClearsToBlackAndLeavesDepthTestingOffAndBlendingOn) {
  bindTarget();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glClearDepth(0.25);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  drawAt(0);

  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0, program = -1;
  glGetIntegerv(GL_BLEND_SRC_RGB, &src);
  glGetIntegerv(GL_BLEND_DST_RGB, &dst);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_EQ(program, 0);
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(glm::vec4(clear[0], clear[1], clear[2], clear[3]), glm::vec4(0, 0, 0, 1));
  GLfloat depth = 0.0f;
  glReadPixels(kW / 2, kH / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f) << "the depth buffer is cleared too";
  EXPECT_EQ(uniformOf("inv"), 1);
  EXPECT_EQ(uniformOf("tex"), 0);
  // Black around the text.
  EXPECT_TRUE(hf::probeRect(kW - 40, 0, 40, 40, {0, 0, 0, 255}, 0));
}

// On screen the lines come top to bottom in the order of the text, and their
// words left to right: at 3.2 s "Honeyfold" is the top whole line (one
// word) and "by Tarvek" the next (a short word, then a long one). Flipped,
// mirrored or both, the frame fails one of these.
TEST_F(CreditsScene, TheTextReadsUprightAndLeftToRight) {
  glEnable(GL_CULL_FACE);  // as the bee scenes leave it: the quad must face the viewer
  drawAt(3200);
  glDisable(GL_CULL_FACE);
  const auto pixels = hf::readPixels(0, 0, kW, kH);
  const hf::InkMask mask = hf::inkOf(pixels, kW, kH);
  const auto lines = hf::wholeLines(mask);
  bool ok = lines.size() >= 2;
  EXPECT_GE(lines.size(), 2u) << "two whole lines on screen";
  if (ok) {
    // A space is about a seventh of a line's height on screen; the gaps
    // between letters of a word stay under a twentieth.
    const auto first = hf::words(mask, lines[0], lines[0].size() / 10);
    const auto second = hf::words(mask, lines[1], lines[1].size() / 10);
    EXPECT_EQ(first.size(), 1u) << "the top line is one word";
    EXPECT_EQ(second.size(), 2u) << "the next line is two words";
    if (second.size() == 2) {
      EXPECT_LT(second[0].size() * 2, second[1].size()) << "\"by\" stands left of \"Tarvek\"";
      ok = first.size() == 1 && second[0].size() * 2 < second[1].size();
    } else {
      ok = false;
    }
  }
  if (!ok) {
    hf::writePng("credits_reading_failure.png", kW, kH, pixels.data());
    ADD_FAILURE() << "the frame is in credits_reading_failure.png (build directory)";
  }
  // White text: every pixel a shade of grey, the solid strokes near white.
  int brightest = 0, tinted = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    brightest = std::max<int>(brightest, pixels[i]);
    if (std::abs(pixels[i] - pixels[i + 1]) > 1 || std::abs(pixels[i] - pixels[i + 2]) > 1) ++tinted;
  }
  EXPECT_GE(brightest, 200);
  EXPECT_EQ(tinted, 0);
}

TEST_F(CreditsScene, StateThreeFreesTheTextureOnceAndTheFontLibraryStartsOnce) {
  const GLuint text = _textTexId;
  credits(3);
  EXPECT_FALSE(glIsTexture(text));
  EXPECT_EQ(_textTexId, 0u) << "a second free would delete the name again";
  // A texture made now may take the freed name (drivers that reuse names
  // soon); a second free must spare it.
  const GLuint other = hf::makeTexture(4, 4);
  credits(3);
  EXPECT_TRUE(glIsTexture(other));
  glDeleteTextures(1, &other);

  // A new initialisation builds the text again without restarting the
  // font library.
  bindTarget();
  ::testing::internal::CaptureStderr();
  credits(0);
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(_textTexId, 0u);
  EXPECT_EQ(log.rfind("Dimensions de la texture : ", 0), 0u) << log;
  EXPECT_EQ(TTF_WasInit(), 1);
}

}  // namespace
