// The objects every scene shares, as animationsInit leaves them and as _quit
// releases them, at the demo's frame size and at another one.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "animations.cpp"
#include "audio_double.h"
#include "sampling.h"
#include "support/gl_test.h"

namespace {

using hf::Rgba;
using scenes_test::sample1D;
using scenes_test::sample2D;

::testing::AssertionResult sameColour(Rgba seen, Rgba expected) {
  if (seen.r == expected.r && seen.g == expected.g && seen.b == expected.b && seen.a == expected.a)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << expected << ", observed " << seen;
}

Rgba texelOf(const std::vector<std::uint8_t> &t, int width, int row, int col) {
  const std::uint8_t *q = &t[(static_cast<size_t>(row) * width + col) * 4];
  return {q[0], q[1], q[2], q[3]};
}

GLint texParam(GLenum target, GLuint tex, GLenum pname) {
  GLint v = 0;
  glBindTexture(target, tex);
  glGetTexParameteriv(target, pname, &v);
  glBindTexture(target, 0);
  return v;
}

GLuint boundOnUnit(int unit, GLenum binding = GL_TEXTURE_BINDING_2D) {
  GLint id = 0;
  glActiveTexture(GL_TEXTURE0 + unit);
  glGetIntegerv(binding, &id);
  glActiveTexture(GL_TEXTURE0);
  return static_cast<GLuint>(id);
}

// Column-major matrices of the classic glOrtho and glFrustum.
std::array<double, 16> ortho(double l, double r, double b, double t, double n, double f) {
  return {2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, -2 / (f - n), 0,
          -(r + l) / (r - l), -(t + b) / (t - b), -(f + n) / (f - n), 1};
}
std::array<double, 16> frustum(double l, double r, double b, double t, double n, double f) {
  return {2 * n / (r - l), 0, 0, 0, 0, 2 * n / (t - b), 0, 0, (r + l) / (r - l), (t + b) / (t - b),
          -(f + n) / (f - n), -1, 0, 0, -2 * f * n / (f - n), 0};
}

::testing::AssertionResult matrixIs(const char *name, const std::array<double, 16> &expected) {
  GLfloat m[16];
  if (!gl4duGetMatrixData(name, m)) return ::testing::AssertionFailure() << "no matrix " << name;
  for (int i = 0; i < 16; ++i)
    if (std::fabs(m[i] - expected[i]) > 1e-5 * std::max(1.0, std::fabs(expected[i])))
      return ::testing::AssertionFailure() << name << "[" << i << "] is " << m[i] << ", expected " << expected[i];
  return ::testing::AssertionSuccess();
}

struct FrameSize {
  int w, h;
  double aspect;  // h / w, written out
};
void PrintTo(const FrameSize &s, std::ostream *os) { *os << s.w << "x" << s.h; }

// Runs animationsInit the way the scene manager does: with a framebuffer of
// the frame's size bound and the viewport covering it.
class SharedResources : public hf::GlTest, public ::testing::WithParamInterface<FrameSize> {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    size = GetParam();
    frame = hf::makeTexture(size.w, size.h);
    fbo = hf::makeFramebuffer(frame, size.w, size.h);
    glViewport(0, 0, size.w, size.h);
    animationsInit();
  }
  void TearDown() override {
    _quit();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteTextures(1, &frame);
    glViewport(0, 0, 64, 64);
    hf::GlTest::TearDown();
  }
  FrameSize size{};
  GLuint frame = 0, fbo = 0;
};

TEST_P(SharedResources, MatricesFollowTheViewportAspect) {
  const double a = size.aspect;
  EXPECT_TRUE(matrixIs("pm", ortho(-1, 1, -a, a, -1, 10)));
  EXPECT_TRUE(matrixIs("proj", frustum(-0.005, 0.005, -0.005 * a, 0.005 * a, 0.01, 1000)));
  GLfloat m[16];
  EXPECT_TRUE(gl4duGetMatrixData("model", m));
  EXPECT_TRUE(gl4duGetMatrixData("view", m));
}

TEST_P(SharedResources, LeavesProjBound) {
  GLfloat before[16], after[16];
  gl4duGetMatrixData("proj", before);
  gl4duPushMatrix();
  gl4duTranslatef(1.0f, 0.0f, 0.0f);
  gl4duGetMatrixData("proj", after);
  gl4duPopMatrix();
  EXPECT_FALSE(std::equal(before, before + 16, after)) << "the translation went to another matrix";
  EXPECT_TRUE(matrixIs("pm", ortho(-1, 1, -size.aspect, size.aspect, -1, 10)));
}

TEST_P(SharedResources, WorkTextureCoversTheFrame) {
  int w = 0, h = 0;
  hf::readTexture(_texOut, GL_TEXTURE_2D, &w, &h);
  EXPECT_EQ(w, size.w);
  EXPECT_EQ(h, size.h);
  EXPECT_EQ(texParam(GL_TEXTURE_2D, _texOut, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(texParam(GL_TEXTURE_2D, _texOut, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(texParam(GL_TEXTURE_2D, _texOut, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(texParam(GL_TEXTURE_2D, _texOut, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
}

INSTANTIATE_TEST_SUITE_P(FrameSizes, SharedResources,
                         ::testing::Values(FrameSize{1920, 1080, 0.5625}, FrameSize{320, 200, 0.625}),
                         [](const auto &info) { return std::to_string(info.param.w) + "x" + std::to_string(info.param.h); });

// The remaining checks do not depend on the frame size.
class SharedResourcesHd : public SharedResources {};
INSTANTIATE_TEST_SUITE_P(Demo, SharedResourcesHd, ::testing::Values(FrameSize{1920, 1080, 0.5625}),
                         [](const auto &) { return std::string("1920x1080"); });

TEST_P(SharedResourcesHd, MeshesExistAndDiffer) {
  const GLuint meshes[] = {_quad, _disk, _sphere, _grid};
  for (GLuint m : meshes) EXPECT_NE(m, 0u);
  std::vector<GLuint> sorted(std::begin(meshes), std::end(meshes));
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

// Every uniform the passes set must be active in its program, or the value
// would silently go nowhere.
TEST_P(SharedResourcesHd, ProgramsLinkWithEveryUniformTheirPassesSet) {
  const std::vector<std::pair<GLuint, std::vector<const char *>>> programs = {
      {_texProgId, {"pm", "tx", "colorize", "color", "pt", "beep"}},
      {_pId[0], {"proj", "view", "model", "corps", "hasTex", "myTex", "couleur", "nbL", "Lp", "Lc"}},
      {_pId[1], {"proj", "view", "model", "couleur", "hasTex", "offset", "tex", "sol", "tt", "ts", "sy",
                 "permTexture", "gradTexture", "nbL", "Lp", "Lc"}},
      {_pId[2], {"proj", "view", "model", "tex1", "tt", "ts", "temps"}},
  };
  for (const auto &[program, uniforms] : programs) {
    ASSERT_NE(program, 0u);
    for (const char *u : uniforms) EXPECT_GE(glGetUniformLocation(program, u), 0) << "program " << program << ": " << u;
  }
  std::vector<GLuint> ids = {_texProgId, _pId[0], _pId[1], _pId[2]};
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
}

TEST_P(SharedResourcesHd, StripeTextureRepeatsBlackOverRed) {
  const Rgba black{0, 0, 0, 255}, red{255, 0, 0, 255};
  EXPECT_TRUE(sameColour(sample2D(_beeTex, 0.5f, 0.2f), black));
  EXPECT_TRUE(sameColour(sample2D(_beeTex, 0.5f, 0.5f), red));
  EXPECT_TRUE(sameColour(sample2D(_beeTex, 0.5f, 0.9f), red));
  EXPECT_TRUE(sameColour(sample2D(_beeTex, 0.5f, 1.2f), black));
  EXPECT_TRUE(sameColour(sample2D(_beeTex, 3.7f, 0.2f), black)) << "repeats across s too";
}

TEST_P(SharedResourcesHd, RampIsAClosedHueCircle) {
  const Rgba hues[6] = {{255, 0, 0, 255},   {255, 255, 0, 255}, {0, 255, 0, 255},
                        {0, 255, 255, 255}, {0, 0, 255, 255},   {255, 0, 255, 255}};
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(sameColour(sample1D(_colorsTex, (i + 0.5f) / 6.0f), hues[i])) << "texel " << i;
  for (float s : {0.0f, 1.0f}) {
    const Rgba between = sample1D(_colorsTex, s);
    EXPECT_EQ(between.r, 255);
    EXPECT_EQ(between.g, 0);
    EXPECT_TRUE(between.b == 127 || between.b == 128) << "blue " << between.b << " at " << s;
    EXPECT_EQ(between.a, 255);
  }
  EXPECT_EQ(texParam(GL_TEXTURE_1D, _colorsTex, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

TEST_P(SharedResourcesHd, TileFramesTranslucentWhiteCellsWithBlack) {
  int w = 0, h = 0;
  const auto t = hf::readTexture(_gridTex, GL_TEXTURE_2D, &w, &h);
  ASSERT_EQ(w, 128);
  ASSERT_EQ(h, 128);
  const Rgba black{0, 0, 0, 255}, cell{255, 255, 255, 55};
  EXPECT_TRUE(sameColour(texelOf(t, w, 4, 100), black));
  EXPECT_TRUE(sameColour(texelOf(t, w, 5, 5), cell));
  EXPECT_TRUE(sameColour(texelOf(t, w, 100, 4), black));
  EXPECT_TRUE(sameColour(texelOf(t, w, 127, 127), cell));
  EXPECT_TRUE(sameColour(texelOf(t, w, 0, 0), black));
  EXPECT_TRUE(sameColour(texelOf(t, w, 5, 127), cell));
  EXPECT_TRUE(sameColour(texelOf(t, w, 127, 5), cell));
  int blackTexels = 0;
  for (int i = 0; i < w * h; ++i) blackTexels += t[i * 4 + 3] == 255;
  // Rows 0 to 4 whole, then columns 0 to 4 of the 123 other rows.
  EXPECT_EQ(blackTexels, 5 * 128 + 123 * 5);
  for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) EXPECT_EQ(texParam(GL_TEXTURE_2D, _gridTex, p), GL_LINEAR);
  for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) EXPECT_EQ(texParam(GL_TEXTURE_2D, _gridTex, p), GL_REPEAT);
}

TEST_P(SharedResourcesHd, TileTakesTheDriversBestAnisotropy) {
  if (!epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) GTEST_SKIP() << "no anisotropic filtering";
  GLfloat best = 0.0f, set = 0.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &best);
  glBindTexture(GL_TEXTURE_2D, _gridTex);
  glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &set);
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_GT(best, 1.0f);
  EXPECT_EQ(set, best);
}

TEST_P(SharedResourcesHd, LeavesUnitZeroActiveWithNothingBoundAndTheNoiseTablesOnUnitsOneAndTwo) {
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  EXPECT_EQ(active, GL_TEXTURE0);
  EXPECT_EQ(boundOnUnit(0), 0u);
  EXPECT_EQ(boundOnUnit(0, GL_TEXTURE_BINDING_1D), 0u);
  const GLuint permTex = boundOnUnit(1), gradTex = boundOnUnit(2);
  ASSERT_TRUE(glIsTexture(permTex));
  ASSERT_TRUE(glIsTexture(gradTex));
  EXPECT_TRUE(sameColour(texelOf(hf::readTexture(permTex), 256, 0, 0), Rgba{64, 128, 0, 17}));
  EXPECT_TRUE(sameColour(texelOf(hf::readTexture(gradTex), 256, 0, 0), Rgba{128, 128, 64, 0}));
}

TEST_P(SharedResourcesHd, BeeStartsAtRestAndNoBlurIsHandedOn) {
  EXPECT_EQ(_bee[0], 0.0f);
  EXPECT_EQ(_bee[1], 0.1f);
  EXPECT_EQ(_bee[2], 0.0f);
  EXPECT_EQ(_blurRadius, 0);
}

TEST_P(SharedResourcesHd, SecondInitKeepsTheGuardedObjects) {
  const GLuint quad = _quad, texProg = _texProgId, texOut = _texOut;
  animationsInit();
  EXPECT_EQ(_quad, quad);
  EXPECT_EQ(_texProgId, texProg);
  EXPECT_EQ(_texOut, texOut);
}

TEST_P(SharedResourcesHd, QuitDeletesTheTexturesOnceOnly) {
  const GLuint textures[] = {_texOut, _beeTex, _gridTex, _colorsTex, boundOnUnit(1), boundOnUnit(2)};
  for (GLuint t : textures) ASSERT_TRUE(glIsTexture(t));
  _quit();
  for (GLuint t : textures) EXPECT_FALSE(glIsTexture(t)) << "texture " << t;
  EXPECT_EQ(_texOut, 0u);
  EXPECT_EQ(_beeTex, 0u);
  EXPECT_EQ(_gridTex, 0u);
  EXPECT_EQ(_colorsTex, 0u);
  // Textures made now may reuse the freed names: a second _quit must leave them.
  GLuint later[6];
  glGenTextures(6, later);
  for (GLuint t : later) {
    glBindTexture(GL_TEXTURE_2D, t);
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  _quit();
  for (GLuint t : later) EXPECT_TRUE(glIsTexture(t)) << "texture " << t;
  EXPECT_EQ(_texOut, 0u);
  glDeleteTextures(6, later);
  // The programs, meshes and matrices are the library's to release.
  EXPECT_TRUE(glIsProgram(_texProgId));
}

}  // namespace
