// The noise lookup textures read back from the driver: their texels, their
// life cycle, and what use/unuse leave bound and set.
#include <algorithm>
#include <array>
#include <cstdint>

#include "noise.cpp"
#include "support/gl_test.h"

namespace hf {
bool operator==(const Rgba &a, const Rgba &b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }
}  // namespace hf

namespace {

using hf::Rgba;

Rgba texel(const std::vector<std::uint8_t> &t, int s, int row) {
  const std::uint8_t *q = &t[(static_cast<size_t>(row) * 256 + s) * 4];
  return {q[0], q[1], q[2], q[3]};
}

GLuint boundOnUnit(int unit) {
  GLint active = 0, id = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glActiveTexture(GL_TEXTURE0 + unit);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &id);
  glActiveTexture(static_cast<GLenum>(active));
  return static_cast<GLuint>(id);
}

GLint activeUnit() {
  GLint active = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  return active - GL_TEXTURE0;
}

GLint uniformInt(GLuint program, const char *name) {
  GLint v = -1;
  glGetUniformiv(program, glGetUniformLocation(program, name), &v);
  return v;
}

class NoiseTextures : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    initNoiseTextures();
  }
  void TearDown() override {
    freeNoiseTextures();
    hf::GlTest::TearDown();
  }
};

TEST(NoiseTables, PermIsPerlinsPermutation) {
  EXPECT_EQ((std::array{perm[0], perm[1], perm[2], perm[3], perm[4], perm[5]}),
            (std::array{151, 160, 137, 91, 90, 15}));
  EXPECT_EQ((std::array{perm[252], perm[253], perm[254], perm[255]}), (std::array{215, 61, 156, 180}));
  std::array<int, 256> sorted;
  std::copy(std::begin(perm), std::end(perm), sorted.begin());
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(sorted[i], i);
}

TEST(NoiseTables, GradientsAreEdgeDirections) {
  // Cube edges: one zero, two unit components; the last four repeat earlier ones.
  for (const auto &g : grad3) {
    EXPECT_EQ(std::count(g, g + 3, 0), 1);
    EXPECT_EQ(std::count_if(g, g + 3, [](int c) { return c == 1 || c == -1; }), 2);
  }
  for (int i = 12; i < 16; ++i)
    EXPECT_TRUE(std::any_of(grad3, grad3 + 12, [&](const int *g) { return std::equal(g, g + 3, grad3[i]); }));
  // Hypercube edges: entry i has its zero at component i / 8, and the other
  // three take the signs of the bits of i mod 8, earliest component slowest.
  for (int i = 0; i < 32; ++i) {
    int bit = 2;
    for (int c = 0; c < 4; ++c) {
      const int expected = c == i / 8 ? 0 : (((i % 8) >> bit--) & 1 ? -1 : 1);
      EXPECT_EQ(grad4[i][c], expected) << "entry " << i << " component " << c;
    }
  }
}

TEST_F(NoiseTextures, PermutationTexelsCarryHashAndThreeDGradient) {
  int w = 0, h = 0;
  const auto t = hf::readTexture(permTexId, GL_TEXTURE_2D, &w, &h);
  ASSERT_EQ(w, 256);
  ASSERT_EQ(h, 256);
  EXPECT_EQ(texel(t, 0, 0), (Rgba{64, 128, 0, 17}));
  EXPECT_EQ(texel(t, 1, 0), (Rgba{0, 64, 128, 182}));
  EXPECT_EQ(texel(t, 0, 1), (Rgba{0, 64, 0, 119}));
  // Every row hashes through a permutation, so each holds every value once.
  for (int row = 0; row < 256; ++row) {
    std::array<int, 256> seen{};
    for (int s = 0; s < 256; ++s) ++seen[texel(t, s, row).a];
    ASSERT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; })) << "row " << row;
  }
}

TEST_F(NoiseTextures, GradientTexelsCarryFourDGradientOfTheSameHash) {
  const auto grad = hf::readTexture(gradTexId);
  const auto permT = hf::readTexture(permTexId);
  EXPECT_EQ(texel(grad, 0, 0), (Rgba{128, 128, 64, 0}));
  EXPECT_EQ(texel(grad, 1, 0), (Rgba{0, 0, 64, 128}));
  EXPECT_EQ(texel(grad, 0, 1), (Rgba{0, 0, 64, 0}));
  for (int row = 0; row < 256; row += 17)
    for (int s = 0; s < 256; s += 3) {
      const int v = texel(permT, s, row).a;
      const int *g = grad4[v % 32];
      ASSERT_EQ(texel(grad, s, row), (Rgba{64 * g[0] + 64, 64 * g[1] + 64, 64 * g[2] + 64, 64 * g[3] + 64}))
          << "texel (" << s << ", " << row << ")";
    }
}

TEST_F(NoiseTextures, AreNearestFilteredAndLeftBoundOnUnitsOneAndTwo) {
  EXPECT_EQ(activeUnit(), 0);
  EXPECT_EQ(boundOnUnit(1), permTexId);
  EXPECT_EQ(boundOnUnit(2), gradTexId);
  for (GLuint id : {permTexId, gradTexId}) {
    glBindTexture(GL_TEXTURE_2D, id);
    GLint minF = 0, magF = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minF);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magF);
    EXPECT_EQ(minF, GL_NEAREST);
    EXPECT_EQ(magF, GL_NEAREST);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(NoiseTextures, SecondInitKeepsNamesAndUploadsNothing) {
  const GLuint permBefore = permTexId, gradBefore = gradTexId;
  const std::uint8_t mark[4] = {1, 2, 3, 4};
  for (GLuint id : {permTexId, gradTexId}) {
    glBindTexture(GL_TEXTURE_2D, id);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, mark);
  }
  glBindTexture(GL_TEXTURE_2D, 0);
  initNoiseTextures();
  EXPECT_EQ(permTexId, permBefore);
  EXPECT_EQ(gradTexId, gradBefore);
  EXPECT_EQ(texel(hf::readTexture(permTexId), 0, 0), (Rgba{1, 2, 3, 4}));
  EXPECT_EQ(texel(hf::readTexture(gradTexId), 0, 0), (Rgba{1, 2, 3, 4}));
}

TEST_F(NoiseTextures, UseBindsBothUnitsAndPointsTheSamplers) {
  const GLuint program = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
  ASSERT_NE(program, 0u);
  const GLuint onUnit0 = hf::makeTexture(1, 1);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, onUnit0);
  glUseProgram(program);
  for (int u : {1, 3}) {
    useNoiseTextures(program, u);
    EXPECT_EQ(activeUnit(), 0);
    EXPECT_EQ(boundOnUnit(u), permTexId);
    EXPECT_EQ(boundOnUnit(u + 1), gradTexId);
    EXPECT_EQ(uniformInt(program, "permTexture"), u);
    EXPECT_EQ(uniformInt(program, "gradTexture"), u + 1);
    EXPECT_EQ(boundOnUnit(0), onUnit0);

    unuseNoiseTextures(u);
    EXPECT_EQ(activeUnit(), 0);
    EXPECT_EQ(boundOnUnit(u), 0u);
    EXPECT_EQ(boundOnUnit(u + 1), 0u);
    EXPECT_EQ(boundOnUnit(0), onUnit0);
  }
  glUseProgram(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glDeleteTextures(1, &onUnit0);
}

TEST_F(NoiseTextures, FreeDeletesThenInitMakesThemAfresh) {
  const GLuint oldPerm = permTexId, oldGrad = gradTexId;
  freeNoiseTextures();
  EXPECT_EQ(permTexId, 0u);
  EXPECT_EQ(gradTexId, 0u);
  EXPECT_FALSE(glIsTexture(oldPerm));
  EXPECT_FALSE(glIsTexture(oldGrad));
  initNoiseTextures();
  ASSERT_NE(permTexId, 0u);
  ASSERT_NE(gradTexId, 0u);
  EXPECT_TRUE(glIsTexture(permTexId));
  EXPECT_TRUE(glIsTexture(gradTexId));
  EXPECT_EQ(texel(hf::readTexture(permTexId), 0, 0), (Rgba{64, 128, 0, 17}));
  EXPECT_EQ(texel(hf::readTexture(gradTexId), 0, 0), (Rgba{128, 128, 64, 0}));
}

}  // namespace
