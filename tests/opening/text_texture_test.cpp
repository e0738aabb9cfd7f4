// The text textures huit and the credits share: what the texture holds and
// how it is set up, and each failure with its message. The font library's
// start and the conversion surface can be made to fail: this executable's
// TTF_Init and SDL_CreateRGBSurface stand in front of the libraries' own
// and reach them by dlsym.
#include <SDL2/SDL.h>
#include <SDL2/SDL_ttf.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "support/gl_test.h"
#include "text.h"

namespace {
bool failTtfInit = false, failSurface = false;
int ttfInitCalls = 0;

template <typename F>
F next(const char *symbol) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}
}  // namespace

extern "C" int TTF_Init(void) {
  ++ttfInitCalls;
  if (failTtfInit) {
    SDL_SetError("no FreeType today");
    return -1;
  }
  static const auto real = next<int (*)(void)>("TTF_Init");
  return real();
}

extern "C" SDL_Surface *SDL_CreateRGBSurface(Uint32 flags, int w, int h, int depth, Uint32 r, Uint32 g, Uint32 b,
                                             Uint32 a) {
  if (failSurface) return nullptr;
  static const auto real =
      next<SDL_Surface *(*)(Uint32, int, int, int, Uint32, Uint32, Uint32, Uint32)>("SDL_CreateRGBSurface");
  return real(flags, w, h, depth, r, g, b, a);
}

namespace {

constexpr const char *kFont = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

class TextTexture : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    int firstTime = 1;
    textStartFonts(&firstTime);
  }
  void TearDown() override {
    if (tex) glDeleteTextures(1, &tex);
    hf::GlTest::TearDown();
  }
  GLuint tex = 0;
};

GLint param(GLuint tex, GLenum name) {
  GLint v = 0;
  glBindTexture(GL_TEXTURE_2D, tex);
  glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
  glBindTexture(GL_TEXTURE_2D, 0);
  return v;
}

// Summed alpha of one texture row.
long rowInk(const std::vector<std::uint8_t> &t, int w, int row) {
  long sum = 0;
  for (int x = 0; x < w; ++x) sum += t[(static_cast<size_t>(row) * w + x) * 4 + 3];
  return sum;
}

TEST_F(TextTexture, HoldsTheWhiteTextAtTheRenderedSizeFirstSurfaceRowFirst) {
  int w = 0, h = 0;
  ASSERT_TRUE(textToTexture(&tex, GL_NEAREST, "T", 64, 640, &w, &h));
  ASSERT_NE(tex, 0u);
  int tw = 0, th = 0;
  const auto t = hf::readTexture(tex, GL_TEXTURE_2D, &tw, &th);
  EXPECT_EQ(tw, w);
  EXPECT_EQ(th, h);
  TTF_Font *font = TTF_OpenFont(kFont, 64);
  ASSERT_NE(font, nullptr);
  int rw = 0, rh = 0;
  TTF_SizeUTF8(font, "T", &rw, &rh);
  const int ascent = TTF_FontAscent(font);
  TTF_CloseFont(font);
  EXPECT_EQ(w, rw);
  EXPECT_EQ(h, rh);

  // "T": its bar is the widest row of ink and comes first, near the top of
  // the surface; the stem below it is narrow.
  int widest = 0;
  for (int row = 1; row < h; ++row)
    if (rowInk(t, w, row) > rowInk(t, w, widest)) widest = row;
  EXPECT_LT(widest, ascent / 2) << "the bar lies in the first rows";
  EXPECT_GT(rowInk(t, w, widest), 4 * rowInk(t, w, ascent - 4)) << "stem row " << ascent - 4;
  // White glyphs on clear texels: grey levels only, solid ink white.
  int tinted = 0, solid = 0;
  for (size_t i = 0; i < t.size(); i += 4) {
    tinted += t[i] != t[i + 1] || t[i] != t[i + 2];
    solid += t[i] == 255 && t[i + 3] == 255;
  }
  EXPECT_EQ(tinted, 0);
  EXPECT_GT(solid, 100);
  EXPECT_EQ(t[3], 0) << "the corner is clear";
}

TEST_F(TextTexture, WrapsAtTheGivenWidthAndSetsUpANewTextureWithTheGivenFilter) {
  int w = 0, h = 0;
  ASSERT_TRUE(textToTexture(&tex, GL_LINEAR, "aaaa bbbb cccc", 20, 70, &w, &h));
  EXPECT_LE(w, 70);
  TTF_Font *font = TTF_OpenFont(kFont, 20);
  const int line = TTF_FontLineSkip(font);
  TTF_CloseFont(font);
  EXPECT_GE(h, 3 * line - 2) << "three lines of one word";
  EXPECT_EQ(param(tex, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(param(tex, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(param(tex, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(param(tex, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
}

TEST_F(TextTexture, AnExistingTextureIsFilledAgainAndKeepsItsParameters) {
  tex = hf::makeTexture(2, 2);  // NEAREST
  const GLuint before = tex;
  int w = 0;
  ASSERT_TRUE(textToTexture(&tex, GL_LINEAR, "ab", 20, 800, &w, nullptr));
  EXPECT_EQ(tex, before);
  EXPECT_EQ(param(tex, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  int tw = 0;
  hf::readTexture(tex, GL_TEXTURE_2D, &tw);
  EXPECT_EQ(tw, w);
}

TEST_F(TextTexture, AFailedRenderingSaysSoAndLeavesTheTextureWithoutImage) {
  ::testing::internal::CaptureStderr();
  int w = -1;
  EXPECT_FALSE(textToTexture(&tex, GL_NEAREST, "", 20, 800, &w, nullptr));  // nothing to render
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(log, "Erreur lors du TTF_RenderText\n");
  EXPECT_EQ(log.size(), 30u);
  EXPECT_EQ(w, -1);
  ASSERT_NE(tex, 0u) << "the texture is made before the font is opened";
  int tw = -1;
  hf::readTexture(tex, GL_TEXTURE_2D, &tw);
  EXPECT_EQ(tw, 0);
}

TEST(TextFonts, TheFontLibraryStartsOnlyWhileTheCallersFlagIsSet) {
  ttfInitCalls = 0;
  int flag = 1;
  textStartFonts(&flag);
  EXPECT_EQ(flag, 0);
  textStartFonts(&flag);
  EXPECT_EQ(ttfInitCalls, 1);
  int other = 1;  // another scene's own flag
  textStartFonts(&other);
  EXPECT_EQ(ttfInitCalls, 2);
}

TEST(TextFontsDeathTest, AFontLibraryThatCannotStartEndsTheProcessWithStatusTwo) {
  EXPECT_EXIT(
      {
        failTtfInit = true;
        int flag = 1;
        textStartFonts(&flag);
      },
      ::testing::ExitedWithCode(2), "^TTF_Init: no FreeType today\n$");
}

TEST(TextFontsDeathTest, NoConversionSurfaceStopsAtTheAssertion) {
  EXPECT_DEATH(
      {
        hf::ensureContext();
        int flag = 1;
        textStartFonts(&flag);
        failSurface = true;
        GLuint tex = 0;
        textToTexture(&tex, GL_NEAREST, "8", 20, 800, nullptr, nullptr);
      },
      "initText");
}

}  // namespace
