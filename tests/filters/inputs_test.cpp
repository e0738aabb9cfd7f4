// What the filters do with textures they cannot work on, and after
// gl4duClean.
#include <algorithm>

#include "filter_test.h"
#include "patterns.h"

namespace hf {
namespace {

using FilterInputsTest = FilterTest;

void everyFilter(GLuint in, GLuint out) {
  gl4dfBlur(in, out, 5, 1, 0, GL_FALSE);
  gl4dfBlur(in, out, 30, 1, 0, GL_FALSE);
  gl4dfScattering(in, out, 5, 0, 0, GL_FALSE);
  gl4dfMedian(in, out, 1, GL_FALSE);
  gl4dfSobel(in, out, GL_FALSE);
  gl4dfConvTex2Tex(in, out, GL_FALSE);
}

TEST_F(FilterInputsTest, ATextureWithoutImageIsLeftAloneQuietly) {
  GLuint empty = 0;
  glGenTextures(1, &empty);
  glBindTexture(GL_TEXTURE_2D, empty);  // a name, no image: as a text texture whose font was missing
  glBindTexture(GL_TEXTURE_2D, 0);
  const auto px = patterns::mixed(16, 16, 16);
  const GLuint tex = upload(16, 16, px);
  ::testing::internal::CaptureStderr();
  everyFilter(empty, empty);
  everyFilter(tex, empty);
  everyFilter(empty, tex);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(bytes(tex) == px);
  glDeleteTextures(1, &empty);
}

TEST_F(FilterInputsTest, ANameThatIsNoTextureIsReported) {
  const auto px = patterns::mixed(16, 16, 17);
  const GLuint tex = upload(16, 16, px);
  ::testing::internal::CaptureStderr();
  gl4dfBlur(tex, 987654, 3, 1, 0, GL_FALSE);
  gl4dfMedian(987654, tex, 1, GL_FALSE);
  const std::string messages = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("gl4dfBlur: 987654 is not a texture"), std::string::npos) << messages;
  EXPECT_NE(messages.find("gl4dfMedian: 987654 is not a texture"), std::string::npos) << messages;
  EXPECT_TRUE(bytes(tex) == px);
}

TEST_F(FilterInputsTest, AnEnormousBlurEndsPromptlyAndFlat) {
  const auto px = patterns::noise(40, 30, 19);
  const GLuint tex = upload(40, 30, px);
  gl4dfBlur(tex, tex, 128, 0xFFFFFFFFu, 0, GL_FALSE);  // sigma about 2.8e12 texels
  const auto out = bytes(tex);
  for (int c = 0; c < 3; ++c) {
    int lo = 255, hi = 0;
    for (size_t i = c; i < out.size(); i += 4) lo = std::min(lo, int(out[i])), hi = std::max(hi, int(out[i]));
    EXPECT_LE(hi - lo, 6) << "channel " << c;
  }
}

TEST_F(FilterInputsTest, CleaningFreesTheFiltersWhichThenStartAfresh) {
  const auto px = patterns::mixed(32, 24, 18);
  const GLuint tex = upload(32, 24, px), first = blank(32, 24), again = blank(32, 24);
  gl4duClean(GL4DU_FILTERS);
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_RGB);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_NONE);
  gl4dfSobelSetMixFactor(1.0f);
  auto run = [&](GLuint out) {
    gl4dfScattering(tex, out, 9, 0, 0, GL_FALSE);
    gl4dfBlur(out, out, 25, 1, 0, GL_FALSE);
    gl4dfSobel(out, out, GL_FALSE);
  };
  run(first);
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_LUMINANCE);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_MULT);
  gl4dfSobelSetMixFactor(0.2f);
  gl4duClean(GL4DU_FILTERS);  // also back to the default Sobel settings
  run(again);
  EXPECT_TRUE(bytes(first) == bytes(again));
}

}  // namespace
}  // namespace hf
