// The sound trace's fed-back picture through tex.fs with "beep" on: its light
// fades a little at every pass, on average, although each pass is rounded to
// 8 bits twice, and black stays black. Each pass draws the picture with the
// trace's tint and a spot off screen, then blurs the frame back into the
// picture, as beep does.
#include <cmath>
#include <vector>

#include "support/tex_quad.h"

namespace {

// The blur spreads the light some 33 pixels over the passes: the halves are
// measured 160 pixels away from where they meet.
constexpr int W = 640, H = 32;
constexpr int kPasses = 315;        // 15 frames of 21 passes
constexpr double kKeep = 0.9989;    // light kept a pass, as the shader has it

class TraceFade : public hf::TexQuadTest {
 protected:
  void SetUp() override {
    hf::TexQuadTest::SetUp();
    // Left half grey 200, right half black, opaque.
    std::vector<std::uint8_t> texels(static_cast<size_t>(W) * H * 4, 0);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        std::uint8_t *t = &texels[(static_cast<size_t>(y) * W + x) * 4];
        t[0] = t[1] = t[2] = x < W / 2 ? 200 : 0;
        t[3] = 255;
      }
    setUpTexQuad(W, H, texels);
  }

  // The source is the fed-back picture, the target the frame.
  void pass(int i) {
    const GLfloat green[4] = {0.2f, 1.0f, 0.2f, 1.0f};
    // Off screen, and moving as the trace's does from pass to pass.
    drawTexQuad(1, green, 1, 5.0f + 0.01f * i, 7.0f);
    gl4dfBlur(target, source, 4, 2, 0, GL_FALSE);
  }

  // Mean of channel c over the columns [x0, x1).
  double mean(int c, int x0, int x1) {
    const auto px = hf::readPixels(0, 0, W, H);
    double sum = 0;
    for (int y = 0; y < H; ++y)
      for (int x = x0; x < x1; ++x) sum += px[(static_cast<size_t>(y) * W + x) * 4 + c];
    return sum / (static_cast<double>(x1 - x0) * H);
  }
};

TEST_F(TraceFade, TheTrailLosesItsLightSlowlyAndBlackStaysBlack) {
  for (int i = 0; i < kPasses; ++i) pass(i);
  // Plain rounding would hold 200 for ever (0.22 levels lost a pass round
  // back up, by the draw and by the blur); on average the light falls as
  // kKeep per pass. The whole frame rounds one way at each pass, so the
  // level wanders about that average by some 7 levels (one standard
  // deviation) after these passes.
  const double expected = 200.0 * std::pow(kKeep, kPasses);
  EXPECT_NEAR(mean(1, 0, W / 2 - 160), expected, 25.0);
  EXPECT_LT(mean(1, 0, W / 2 - 160), 185.0) << "well below where rounding would hold it";
  EXPECT_EQ(mean(0, 0, W / 2 - 160), 0.0) << "red goes with the tint";
  EXPECT_EQ(mean(1, W / 2 + 160, W), 0.0) << "no light comes out of black";
  EXPECT_EQ(mean(3, 0, W), 255.0) << "opaque";
}

}  // namespace
