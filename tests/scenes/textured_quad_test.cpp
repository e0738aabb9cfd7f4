// The textured-quad program (basic.vs with tex.fs) that huit, rouge and beep
// draw with: the texture as it is, tinted by "color", and beep's soft spot.
#include <vector>

#include "support/tex_quad.h"

namespace {

using hf::Rgba;

// The spot's size is relative to the frame's height: at 200 pixels high
// its standard deviation is one pixel.
constexpr int W = 400, H = 200;

class TexturedQuad : public hf::TexQuadTest {
 protected:
  void SetUp() override {
    hf::TexQuadTest::SetUp();
    // Source: white left third, mid grey middle third, black right third.
    std::vector<std::uint8_t> texels(static_cast<size_t>(W) * H * 4);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        std::uint8_t *t = &texels[(static_cast<size_t>(y) * W + x) * 4];
        t[0] = t[1] = t[2] = x < W / 3 ? 255 : x < 2 * W / 3 ? 128 : 0;
        t[3] = 255;
      }
    setUpTexQuad(W, H, texels);
  }

  void draw(int colorize, const float colour[4], int beep, float ptX = 0.0f, float ptY = 0.0f) {
    drawTexQuad(colorize, colour, beep, ptX, ptY);
  }
};

// One pixel in each third of the source.
const int whiteX = 60, greyX = 200, blackX = 340;

TEST_F(TexturedQuad, DrawsTheTextureAsItIsWithoutColorize) {
  const float red[4] = {1000.0f, 0.0f, 0.0f, 1.0f};
  draw(0, red, 0);
  EXPECT_TRUE(hf::probe(whiteX, 100, Rgba{255, 255, 255, 255}, 0));
  EXPECT_TRUE(hf::probe(greyX, 100, Rgba{128, 128, 128, 255}, 0));
  EXPECT_TRUE(hf::probe(blackX, 100, Rgba{0, 0, 0, 255}, 0));
}

TEST_F(TexturedQuad, ColorizeMultipliesByTheColour) {
  const float red[4] = {1000.0f, 0.0f, 0.0f, 1.0f};
  draw(1, red, 0);
  EXPECT_TRUE(hf::probe(whiteX, 100, Rgba{255, 0, 0, 255}, 0));
  EXPECT_TRUE(hf::probe(greyX, 100, Rgba{255, 0, 0, 255}, 0)) << "every texel not black saturates";
  EXPECT_TRUE(hf::probe(blackX, 100, Rgba{0, 0, 0, 255}, 0));

  const float tint[4] = {0.5f, 1.0f, 0.25f, 1.0f};
  draw(1, tint, 0);
  EXPECT_TRUE(hf::probe(whiteX, 100, Rgba{128, 255, 64, 255}, 1));
  EXPECT_TRUE(hf::probe(greyX, 100, Rgba{64, 128, 32, 255}, 1));
}

TEST_F(TexturedQuad, BeepMarksASmallSoftRoundSpotAtPt) {
  const float green[4] = {0.2f, 1.0f, 0.2f, 1.0f};
  // pt at the centre of pixel (350, 150), over black.
  const float ptX = 350.5f / W, ptY = 150.5f / H;
  draw(1, green, 1, ptX, ptY);
  EXPECT_TRUE(hf::probe(350, 150, Rgba{51, 255, 51, 255}, 1));
  // One pixel away the spot has faded to exp(-1/2) in every direction.
  for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
    EXPECT_TRUE(hf::probe(350 + dx, 150 + dy, Rgba{31, 155, 31, 255}, 2)) << dx << ", " << dy;
  EXPECT_TRUE(hf::probeRect(300, 100, 30, 30, Rgba{0, 0, 0, 255}, 0)) << "far from pt nothing is marked";
  // The rest stays tinted, less the trail's fade (about a tenth of a level).
  EXPECT_TRUE(hf::probe(whiteX, 100, Rgba{51, 255, 51, 255}, 1)) << "the rest stays tinted";

  draw(1, green, 0, ptX, ptY);
  EXPECT_TRUE(hf::probe(350, 150, Rgba{0, 0, 0, 255}, 0)) << "no spot while beep is 0";
}

}  // namespace
