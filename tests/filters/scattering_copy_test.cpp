// gl4dfScattering: bounded, fresh and mean-keeping displacement;
// gl4dfConvTex2Tex: exact copies and filtered resampling.
#include <cmath>

#include "filter_test.h"
#include "patterns.h"

namespace hf {
namespace {

using ScatteringTest = FilterTest;
using CopyTest = FilterTest;

struct Moves {
  double farthest = 0;
  double movedShare = 0;  // pixels that came from elsewhere
};

// Where every pixel of a scattered coordinates() picture came from.
Moves moves(const std::vector<std::uint8_t> &px, int w, int h) {
  Moves m;
  int moved = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx = 0, sy = 0;
      patterns::decodeCoordinates(&px[(static_cast<size_t>(y) * w + x) * 4], &sx, &sy);
      m.farthest = std::max(m.farthest, std::hypot(sx - x, sy - y));
      moved += sx != x || sy != y;
    }
  m.movedShare = double(moved) / (w * h);
  return m;
}

TEST_F(ScatteringTest, MovesNoPixelFurtherThanTheRadius) {
  for (auto [w, h, r] : {std::tuple{64, 48, 5}, std::tuple{61, 37, 21}, std::tuple{9, 7, 40}}) {
    const GLuint tex = upload(w, h, patterns::coordinates(w, h)), out = blank(w, h);
    gl4dfScattering(tex, out, r, 0, 0, GL_FALSE);
    const Moves m = moves(bytes(out), w, h);
    EXPECT_LE(m.farthest, r) << w << "x" << h << ", radius " << r;
    EXPECT_GT(m.farthest, 0.5 * std::min(r, std::max(w, h) / 2)) << "barely moved";
  }
}

TEST_F(ScatteringTest, DensityZeroScattersAllAndHigherDensitiesLeaveMoreInPlace) {
  const int w = 64, h = 48;
  const GLuint tex = upload(w, h, patterns::coordinates(w, h)), out = blank(w, h);
  gl4dfScattering(tex, out, 6, 0, 0, GL_FALSE);
  EXPECT_GT(moves(bytes(out), w, h).movedShare, 0.9);
  gl4dfScattering(tex, out, 6, 3, 0, GL_FALSE);  // one pixel in four goes
  const double share = moves(bytes(out), w, h).movedShare;
  EXPECT_GT(share, 0.15);
  EXPECT_LT(share, 0.3);
}

TEST_F(ScatteringTest, EveryCallDrawsAFreshPattern) {
  const auto px = patterns::coordinates(64, 48);
  const GLuint tex = upload(64, 48, px), a = blank(64, 48), b = blank(64, 48);
  gl4dfScattering(tex, a, 13, 0, 0, GL_FALSE);
  gl4dfScattering(tex, b, 13, 0, 0, GL_FALSE);
  const auto first = bytes(a), second = bytes(b);
  int same = 0;
  for (size_t i = 0; i < first.size(); i += 4) same += first[i] == second[i] && first[i + 2] == second[i + 2];
  EXPECT_LT(same, int(first.size() / 4 / 10)) << "pixels taken from the same place twice";
}

// Offsets are symmetric and the edges mirror them back, so each input pixel
// is taken once on average: the mean moves only by chance (about 1 % a call
// here, adding up over calls).
TEST_F(ScatteringTest, KeepsTheMeanColour) {
  const int w = 128, h = 96;
  const auto px = patterns::mixed(w, h, 12);
  const GLuint tex = upload(w, h, px);
  gl4duClean(GL4DU_FILTERS);  // a known random sequence
  auto meanRatio = [&](int c) {
    const auto out = bytes(tex);
    double before = 0, after = 0;
    for (size_t i = c; i < px.size(); i += 4) before += px[i], after += out[i];
    return after / before;
  };
  gl4dfScattering(tex, tex, 13, 0, 0, GL_FALSE);
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(meanRatio(c), 1.0, 0.02) << "channel " << c << ", one call";
  for (int call = 1; call < 10; ++call) gl4dfScattering(tex, tex, 13, 0, 0, GL_FALSE);  // as the dissolve does
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(meanRatio(c), 1.0, 0.05) << "channel " << c << ", ten calls";
}

TEST_F(ScatteringTest, RadiusZeroCopies) {
  const auto px = patterns::mixed(32, 24, 13);
  const GLuint tex = upload(32, 24, px), out = blank(32, 24);
  gl4dfScattering(tex, out, 0, 0, 0, GL_FALSE);
  EXPECT_TRUE(bytes(out) == px);
}

TEST_F(CopyTest, IsExactAtEqualSizesFlippedOrNotInPlaceOrNot) {
  const auto px = patterns::noise(61, 37, 14);
  const auto mirrored = ref::toBytes(ref::mirrored(ref::fromBytes(61, 37, px)));
  const GLuint in = upload(61, 37, px), out = blank(61, 37);
  gl4dfConvTex2Tex(in, out, GL_FALSE);
  EXPECT_TRUE(bytes(out) == px);
  gl4dfConvTex2Tex(in, out, GL_TRUE);
  EXPECT_TRUE(bytes(out) == mirrored);
  gl4dfConvTex2Tex(in, in, GL_FALSE);
  EXPECT_TRUE(bytes(in) == px);
  gl4dfConvTex2Tex(in, in, GL_TRUE);
  EXPECT_TRUE(bytes(in) == mirrored);
}

TEST_F(CopyTest, ResamplesWithFilteringWhenSizesDiffer) {
  const auto px = patterns::mixed(64, 48, 15);
  const ref::Image source = ref::fromBytes(64, 48, px);
  const GLuint in = upload(64, 48, px);
  for (auto [w, h] : {std::pair{32, 24}, std::pair{128, 96}, std::pair{40, 50}, std::pair{7, 5}}) {
    const GLuint out = blank(w, h);
    gl4dfConvTex2Tex(in, out, GL_FALSE);
    const ref::Image expected = ref::resample(source, w, h);
    const auto got = bytes(out), want = ref::toBytes(expected);
    int worst = 0;
    for (size_t i = 0; i < got.size(); ++i) worst = std::max(worst, std::abs(int(got[i]) - int(want[i])));
    EXPECT_LE(worst, 2) << "into " << w << "x" << h;
    gl4dfConvTex2Tex(in, out, GL_TRUE);
    EXPECT_GE(ref::psnr(read(out), ref::mirrored(expected)), 45.0) << "flipped into " << w << "x" << h;
  }
}

}  // namespace
}  // namespace hf
