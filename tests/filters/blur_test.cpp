// gl4dfBlur against the exact separable Gaussian of sigma radius / 3.
#include <cmath>

#include "filter_test.h"
#include "patterns.h"

namespace hf {
namespace {

using BlurTest = FilterTest;

double targetPsnr(int radius) { return radius <= 4 ? 40.0 : radius <= 16 ? 35.0 : 30.0; }

struct Picture {
  const char *name;
  int w, h;
  std::vector<std::uint8_t> px;
};

std::vector<Picture> pictures() {
  return {{"mixed 64x48", 64, 48, patterns::mixed(64, 48, 1)},
          {"noise 61x37", 61, 37, patterns::noise(61, 37, 2)},
          {"shapes 33x70", 33, 70, patterns::shapes(33, 70)},
          {"noise 7x3", 7, 3, patterns::noise(7, 3, 6)}};
}

TEST_F(BlurTest, MatchesTheExactGaussianAtEveryScaleOfRadius) {
  const int radii[] = {1, 2, 3, 4, 5, 6, 7, 9, 12, 16, 21, 30, 45, 64, 90, 122};
  for (const Picture &pic : pictures()) {
    const GLuint in = upload(pic.w, pic.h, pic.px), out = blank(pic.w, pic.h);
    const ref::Image source = ref::fromBytes(pic.w, pic.h, pic.px);
    for (int r : radii) {
      gl4dfBlur(in, out, r, 1, 0, GL_FALSE);
      EXPECT_GE(ref::psnr(read(out), ref::gaussian(source, r / 3.0)), targetPsnr(r)) << pic.name << ", radius " << r;
    }
  }
}

TEST_F(BlurTest, IterationsBlurLikeRepeatedGaussians) {
  const Picture pic = pictures()[0];
  const GLuint in = upload(pic.w, pic.h, pic.px), out = blank(pic.w, pic.h);
  const ref::Image source = ref::fromBytes(pic.w, pic.h, pic.px);
  for (auto [r, n] : {std::pair{4, 2}, std::pair{2, 5}, std::pair{10, 3}}) {
    gl4dfBlur(in, out, r, n, 0, GL_FALSE);
    ref::Image expected = source;
    for (int i = 0; i < n; ++i) expected = ref::gaussian(expected, r / 3.0);
    EXPECT_GE(ref::psnr(read(out), expected), targetPsnr(r)) << "radius " << r << ", " << n << " iterations";
  }
}

// Between neighbouring radii the picture changes as the exact Gaussian's
// does, within a level of 8-bit rounding: no jump where the method changes
// scale. And the blur only ever strengthens (within a quarter level: the
// rounding wobble once a picture is blurred flat).
TEST_F(BlurTest, GrowsSmoothlyWithTheRadius) {
  for (const Picture &pic : pictures()) {
    const GLuint in = upload(pic.w, pic.h, pic.px), out = blank(pic.w, pic.h);
    const ref::Image source = ref::fromBytes(pic.w, pic.h, pic.px);
    ref::Image previous = source, previousExact = source;
    double previousStrength = 0.0;
    for (int r = 1; r <= 122; ++r) {
      gl4dfBlur(in, out, r, 1, 0, GL_FALSE);
      const ref::Image blurred = read(out), exact = ref::gaussian(source, r / 3.0);
      const double step = ref::rmsLevels(blurred, previous), exactStep = ref::rmsLevels(exact, previousExact);
      EXPECT_LE(std::abs(step - exactStep), 1.0) << pic.name << ", radius " << r - 1 << " to " << r;
      const double strength = ref::rmsLevels(blurred, source);
      EXPECT_GE(strength, previousStrength - 0.25) << pic.name << ", radius " << r;
      previous = blurred;
      previousExact = exact;
      previousStrength = strength;
    }
  }
}

TEST_F(BlurTest, RadiusOrIterationsZeroCopyExactly) {
  const auto px = patterns::mixed(64, 48, 3);
  const GLuint in = upload(64, 48, px), out = blank(64, 48);
  gl4dfBlur(in, out, 0, 1, 0, GL_FALSE);
  EXPECT_TRUE(bytes(out) == px);
  gl4dfBlur(in, out, 0, 1, 0, GL_TRUE);
  EXPECT_TRUE(bytes(out) == ref::toBytes(ref::mirrored(ref::fromBytes(64, 48, px))));
  gl4dfBlur(in, out, 9, 0, 0, GL_FALSE);
  EXPECT_TRUE(bytes(out) == px);
  gl4dfBlur(in, in, 0, 1, 0, GL_FALSE);
  EXPECT_TRUE(bytes(in) == px);
}

TEST_F(BlurTest, FlipMirrorsTheBlurredPicture) {
  const auto px = patterns::mixed(61, 37, 4);
  const GLuint in = upload(61, 37, px), straight = blank(61, 37), flipped = blank(61, 37);
  for (int r : {3, 20, 122}) {
    gl4dfBlur(in, straight, r, 1, 0, GL_FALSE);
    gl4dfBlur(in, flipped, r, 1, 0, GL_TRUE);
    EXPECT_TRUE(bytes(flipped) == ref::toBytes(ref::mirrored(read(straight)))) << "radius " << r;
  }
}

TEST_F(BlurTest, IntoASmallerTextureBlursAtTheSourceSizeThenResamples) {
  const auto px = patterns::shapes(64, 48);
  const GLuint in = upload(64, 48, px), out = blank(32, 24);
  for (int r : {3, 12}) {
    gl4dfBlur(in, out, r, 1, 0, GL_FALSE);
    const ref::Image expected = ref::resample(ref::gaussian(ref::fromBytes(64, 48, px), r / 3.0), 32, 24);
    EXPECT_GE(ref::psnr(read(out), expected), 35.0) << "radius " << r;
  }
}

TEST_F(BlurTest, KeepsTheRangeOfFloatTextures) {
  std::vector<float> bright(16 * 12 * 4, 3.0f);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, 16, 12, 0, GL_RGBA, GL_FLOAT, bright.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  for (int r : {2, 30}) {
    gl4dfBlur(tex, tex, r, 1, 0, GL_FALSE);
    std::vector<float> out(bright.size());
    glBindTexture(GL_TEXTURE_2D, tex);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, out.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (float v : out) ASSERT_NEAR(v, 3.0f, 0.01f) << "radius " << r;
  }
  glDeleteTextures(1, &tex);
}

}  // namespace
}  // namespace hf
