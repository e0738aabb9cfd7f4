// Every filter, in place and not, leaves the caller's GL state as it found
// it, and gives the same picture either way.
#include <functional>

#include "filter_test.h"
#include "patterns.h"

namespace hf {
namespace {

struct Call {
  const char *name;
  std::function<void(GLuint in, GLuint out)> run;
};

void PrintTo(const Call &c, std::ostream *os) { *os << c.name; }

const Call kCalls[] = {
    {"BlurFullResolution", [](GLuint in, GLuint out) { gl4dfBlur(in, out, 3, 1, 0, GL_FALSE); }},
    {"BlurOnALevel", [](GLuint in, GLuint out) { gl4dfBlur(in, out, 40, 1, 0, GL_FALSE); }},
    {"BlurTwiceFlipped", [](GLuint in, GLuint out) { gl4dfBlur(in, out, 4, 2, 0, GL_TRUE); }},
    {"BlurRadiusZeroFlipped", [](GLuint in, GLuint out) { gl4dfBlur(in, out, 0, 1, 0, GL_TRUE); }},
    {"Scattering",
     [](GLuint in, GLuint out) {
       gl4duClean(GL4DU_FILTERS);  // restarts the random sequence: both runs alike
       gl4dfScattering(in, out, 7, 3, 0, GL_FALSE);
     }},
    {"Median", [](GLuint in, GLuint out) { gl4dfMedian(in, out, 1, GL_FALSE); }},
    {"MedianTwiceFlipped", [](GLuint in, GLuint out) { gl4dfMedian(in, out, 2, GL_TRUE); }},
    {"Sobel",
     [](GLuint in, GLuint out) {
       gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_LUMINANCE);
       gl4dfSobelSetMixFactor(0.9f);
       gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_ADD);
       gl4dfSobel(in, out, GL_FALSE);
     }},
    {"CopyFlipped", [](GLuint in, GLuint out) { gl4dfConvTex2Tex(in, out, GL_TRUE); }},
};

class FilterStateTest : public FilterTest, public ::testing::WithParamInterface<Call> {
 protected:
  static constexpr int kW = 61, kH = 37;
  GLuint picture() { return upload(kW, kH, patterns::mixed(kW, kH, 5)); }
};

TEST_P(FilterStateTest, LeavesABusyCallersStateAsFound) {
  const GLuint frame = picture(), other = blank(kW, kH), small = blank(20, 30);
  for (auto [in, out] : {std::pair{frame, frame}, std::pair{frame, other}, std::pair{frame, small}}) {
    enterBusyCaller(frame);
    const GlState before = GlState::capture();
    GetParam().run(in, out);
    EXPECT_EQ(differences(before, GlState::capture()), "") << (in == out ? "in place" : "into another texture");
  }
}

TEST_P(FilterStateTest, LeavesAPlainCallersStateAsFound) {
  const GLuint frame = picture(), other = blank(kW, kH);
  for (GLuint out : {frame, other}) {
    enterPlainCaller();
    const GlState before = GlState::capture();
    GetParam().run(frame, out);
    EXPECT_EQ(differences(before, GlState::capture()), "") << (out == frame ? "in place" : "into another texture");
  }
}

TEST_P(FilterStateTest, InPlaceGivesWhatAnotherTextureGets) {
  const GLuint in = picture(), out = blank(kW, kH), same = picture();
  GetParam().run(in, out);
  GetParam().run(same, same);
  EXPECT_TRUE(bytes(out) == bytes(same));
  EXPECT_FALSE(bytes(out) == bytes(in)) << "the filter changed nothing";
}

INSTANTIATE_TEST_SUITE_P(EveryFilter, FilterStateTest, ::testing::ValuesIn(kCalls),
                         [](const ::testing::TestParamInfo<Call> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hf
