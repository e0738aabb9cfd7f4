// gl4dfMedian and gl4dfSobel against their CPU references, exactly (Sobel
// within the 8-bit rounding of a float result).
#include <cmath>
#include <limits>

#include "filter_test.h"
#include "patterns.h"

namespace hf {
namespace {

using MedianTest = FilterTest;
using SobelTest = FilterTest;

// Largest difference over every channel, in 8-bit levels.
int maxDifference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b) {
  int worst = a.size() == b.size() ? 0 : 256;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
  return worst;
}

TEST_F(MedianTest, IsTheExactMedianOfEachChannel) {
  for (auto [w, h] : {std::pair{64, 48}, std::pair{61, 37}, std::pair{1, 5}}) {
    const auto px = patterns::mixed(w, h, 8);
    const GLuint in = upload(w, h, px), out = blank(w, h);
    ref::Image expected = ref::fromBytes(w, h, px);
    for (int n = 1; n <= 3; ++n) {
      expected = ref::median3(expected);
      gl4dfMedian(in, out, n, GL_FALSE);
      EXPECT_TRUE(bytes(out) == ref::toBytes(expected)) << w << "x" << h << ", " << n << " iterations";
      gl4dfMedian(in, out, n, GL_TRUE);
      EXPECT_TRUE(bytes(out) == ref::toBytes(ref::mirrored(expected))) << w << "x" << h << " flipped";
    }
  }
}

TEST_F(MedianTest, RemovesIsolatedSpecks) {
  std::vector<std::uint8_t> px(16 * 16 * 4, 40);
  px[(5 * 16 + 7) * 4] = 255;
  const GLuint tex = upload(16, 16, px);
  gl4dfMedian(tex, tex, 1, GL_FALSE);
  EXPECT_TRUE(bytes(tex) == std::vector<std::uint8_t>(16 * 16 * 4, 40));
}

TEST_F(SobelTest, EveryResultAndMixModeMatchesTheReference) {
  const int w = 64, h = 48;
  const auto px = patterns::mixed(w, h, 9);
  const GLuint in = upload(w, h, px), out = blank(w, h);
  const ref::Image source = ref::fromBytes(w, h, px);
  for (int result = GL4DF_SOBEL_RESULT_RGB; result <= GL4DF_SOBEL_RESULT_INV_LUMINANCE; ++result)
    for (int mix = GL4DF_SOBEL_MIX_NONE; mix <= GL4DF_SOBEL_MIX_MULT; ++mix)
      for (float factor : {0.0f, 0.35f, 0.9f, 1.0f}) {
        gl4dfSobelSetResultMode(GL4DFenum(result));
        gl4dfSobelSetMixMode(GL4DFenum(mix));
        gl4dfSobelSetMixFactor(factor);
        gl4dfSobel(in, out, GL_FALSE);
        EXPECT_LE(maxDifference(bytes(out), ref::toBytes(ref::sobel(source, result, mix, factor))), 1)
            << "result mode " << result << ", mix mode " << mix << ", factor " << factor;
      }
}

TEST_F(SobelTest, FindsTheEdgeOfAFlatSquare) {
  std::vector<std::uint8_t> px(32 * 32 * 4, 0);
  for (int y = 8; y < 24; ++y)
    for (int x = 8; x < 24; ++x)
      for (int c = 0; c < 4; ++c) px[(y * 32 + x) * 4 + c] = 255;
  const GLuint tex = upload(32, 32, px), out = blank(32, 32);
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_LUMINANCE);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_NONE);
  gl4dfSobel(tex, out, GL_FALSE);
  const auto e = bytes(out);
  auto grey = [&](int x, int y) { return int(e[(y * 32 + x) * 4]); };
  EXPECT_EQ(grey(16, 16), 0) << "inside the square";
  EXPECT_EQ(grey(2, 2), 0) << "outside it";
  EXPECT_EQ(grey(8, 16), 255) << "on its left edge";
  EXPECT_EQ(grey(16, 23), 255) << "on its top edge";
}

TEST_F(SobelTest, SettersRefuseWhatIsNoModeAndKeepTheLastValue) {
  const auto px = patterns::mixed(32, 24, 10);
  const GLuint in = upload(32, 24, px), out = blank(32, 24), expected = blank(32, 24);
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_RGB);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_MULT);
  gl4dfSobelSetMixFactor(0.5f);
  gl4dfSobel(in, expected, GL_FALSE);

  ::testing::internal::CaptureStderr();
  gl4dfSobelSetResultMode(GL4DF_SOBEL_MIX_ADD);
  gl4dfSobelSetResultMode(GL4DFenum(-1));
  gl4dfSobelSetMixMode(GL4DF_SOBEL_RESULT_RGB);
  gl4dfSobelSetMixMode(GL4DFenum(7));
  gl4dfSobelSetMixFactor(std::numeric_limits<float>::quiet_NaN());
  const std::string messages = ::testing::internal::GetCapturedStderr();
  gl4dfSobel(in, out, GL_FALSE);
  EXPECT_TRUE(bytes(out) == bytes(expected));
  EXPECT_NE(messages.find("gl4dfSobelSetResultMode: 5 is not a result mode"), std::string::npos) << messages;
  EXPECT_NE(messages.find("gl4dfSobelSetMixMode: 7 is not a mix mode"), std::string::npos) << messages;
  EXPECT_NE(messages.find("gl4dfSobelSetMixFactor: not a number"), std::string::npos) << messages;
}

TEST_F(SobelTest, MixFactorIsHeldWithinZeroAndOne) {
  const auto px = patterns::mixed(32, 24, 11);
  const GLuint in = upload(32, 24, px), out = blank(32, 24), expected = blank(32, 24);
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_RGB);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_ADD);
  for (auto [asked, held] : {std::pair{7.0f, 1.0f}, std::pair{-2.0f, 0.0f}}) {
    gl4dfSobelSetMixFactor(held);
    gl4dfSobel(in, expected, GL_FALSE);
    gl4dfSobelSetMixFactor(asked);
    gl4dfSobel(in, out, GL_FALSE);
    EXPECT_TRUE(bytes(out) == bytes(expected)) << "factor " << asked;
  }
}

}  // namespace
}  // namespace hf
