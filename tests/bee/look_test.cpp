// What the world's shaders draw, probed in pictures of the passes under
// cameras and lights set here: the tiled blue ground and the plain brown
// one, a relief fixed in the world, light that fades with distance and
// highlights that are compressed instead of clipped, the bee's bands and its
// mirrored wings, and the ground's edge fading into what lies behind it.
// Each picture is also written to build/frames/bee/.
#include <algorithm>
#include <string>

#include "animations.cpp"
#include "world.h"

namespace {

using namespace bee_test;
using hf::Rgba;

int brightest(Rgba c) { return std::max({c.r, c.g, c.b}); }

void lookFrom(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz) {
  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
  gl4duLookAtf(ex, ey, ez, cx, cy, cz, ux, uy, uz);
}

// Four lights on both lit programs; unused ones black.
void lights(const std::vector<glm::vec4> &positions, const std::vector<glm::vec4> &colours) {
  GLfloat lp[16] = {0}, lc[16] = {0};
  for (size_t i = 0; i < positions.size(); ++i)
    for (int c = 0; c < 4; ++c) {
      lp[4 * i + c] = positions[i][c];
      lc[4 * i + c] = colours[i][c];
    }
  for (GLuint p : {_pId[0], _pId[1]}) {
    glUseProgram(p);
    glUniform1i(glGetUniformLocation(p, "nbL"), 4);
    glUniform4fv(glGetUniformLocation(p, "Lp"), 4, lp);
    glUniform4fv(glGetUniformLocation(p, "Lc"), 4, lc);
  }
  glUseProgram(0);
}

const glm::vec4 sunAbove(0, 40, 3, 1), sunColour(0.8f, 0.8f, 0.4f, 1);

// Pixels that differ between two pictures by more than a few levels.
int differing(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b) {
  int n = 0;
  for (size_t i = 0; i < a.size(); i += 4)
    n += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 12;
  return n;
}

class Look : public WorldTest {
 protected:
  static void SetUpTestSuite() {
    frameW = 160;
    frameH = 90;
    WorldTest::SetUpTestSuite();
  }
  void SetUp() override {
    WorldTest::SetUp();
    clear(0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  void TearDown() override {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    _bee[0] = 0.0f;
    _bee[1] = 0.1f;
    _bee[2] = 0.0f;
    WorldTest::TearDown();
  }
  static void clear(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  // The ground from high above (6 by default), looking straight down.
  static std::vector<std::uint8_t> groundFromAbove(float sy, const char *png, float height = 6.0f) {
    clear(0, 0, 0);
    lookFrom(0.3f, height - 1.0f, 0.7f, 0.3f, -1.0f, 0.7f, 0.0f, 0.0f, -1.0f);
    grid_draw(0.3f, sy, 0.7f);
    saveFrame(png);
    return framePixels();
  }
};

TEST_F(Look, FlatGroundIsBlueUnderItsTiles) {
  lights({sunAbove}, {sunColour});
  const auto px = groundFromAbove(0.0f, "ground_flat.png");
  int lines = 0, blue = 0;
  for (size_t i = 0; i < px.size(); i += 4) {
    const Rgba c{px[i], px[i + 1], px[i + 2], px[i + 3]};
    lines += brightest(c) < 25;
    blue += c.b > c.r + 8 && c.b > c.g + 8;  // under a yellowish sun
  }
  const int all = frameW * frameH;
  EXPECT_GT(lines, all / 50) << "the tiles' black frames";
  EXPECT_LT(lines, all / 3);
  EXPECT_GT(blue, all / 2) << "the cells are blue";
}

TEST_F(Look, HighReliefIsPlainBrown) {
  lights({sunAbove}, {sunColour});
  const auto px = groundFromAbove(2.0011f, "ground_brown.png");
  for (size_t i = 0; i < px.size(); i += 4) {
    const Rgba c{px[i], px[i + 1], px[i + 2], px[i + 3]};
    ASSERT_GT(brightest(c), 8) << "no tile frames, pixel " << i / 4 << " " << c;
    ASSERT_TRUE(c.r >= c.g && c.g >= c.b && c.r > c.b) << "brown, pixel " << i / 4 << " " << c;
  }
}

TEST_F(Look, ReliefStaysInTheWorldWhileTheGridFollowsTheCamera) {
  lights({sunAbove, {0, 3, -6, 1}}, {sunColour, {4, 4, 4, 1}});
  const auto picture = [](float gridX, float gridZ, float dz, float sy, const char *png) {
    clear(0, 0, 0);
    lookFrom(0.0f, 3.0f, 6.0f + dz, 0.0f, -1.0f, -4.0f + dz, 0.0f, 1.0f, 0.0f);
    grid_draw(gridX, sy, gridZ);
    saveFrame(png);
    return framePixels();
  };
  const float step = 32.0f * 128.0f / 511.0f;  // 32 of the grid's vertex spacings
  const auto relief = picture(0.0f, 6.0f, 0.0f, 2.0f, "relief.png");
  const auto shifted = picture(step, 6.0f - step, 0.0f, 2.0f, "relief_grid_shifted.png");
  EXPECT_LT(differing(relief, shifted), frameW * frameH / 100) << "the same hills from a grid centred elsewhere";
  const auto flat = picture(0.0f, 6.0f, 0.0f, 0.0f, "relief_flat.png");
  EXPECT_GT(differing(relief, flat), frameW * frameH / 5) << "height 2 is a real relief";
  const auto further = picture(0.0f, 6.0f - step, -step, 2.0f, "relief_further.png");
  EXPECT_GT(differing(relief, further), frameW * frameH / 5) << "other hills further on";
}

TEST_F(Look, LightFadesWithDistance) {
  // One light, 1 over the ground at (0, 0), seen from 16 up (the frame is
  // about 16 across); the sun is black.
  lights({{0, 40, 3, 1}, {0.0f, 0.0f, 0.0f, 1}}, {{0, 0, 0, 1}, {2, 2, 2, 1}});
  groundFromAbove(0.0f, "light_pool.png", 16.0f);
  const auto px = framePixels();
  int nearBest = 0, farBest = 0;
  for (int y = 0; y < frameH; ++y)
    for (int x = 0; x < frameW; ++x) {
      const float halfWidth = 8.0f;  // frustum half-width at 16
      const float wx = 0.3f + (x + 0.5f - frameW / 2.0f) / (frameW / 2.0f) * halfWidth;
      const float wz = 0.7f - (y + 0.5f - frameH / 2.0f) / (frameH / 2.0f) * halfWidth * frameH / frameW;
      const int b = brightest(pixel(px, x, y));
      if (wx * wx + wz * wz < 0.5f) nearBest = std::max(nearBest, b);
      if (wx * wx + wz * wz > 36.0f) farBest = std::max(farBest, b);
    }
  EXPECT_GT(nearBest, 3 * farBest + 20) << "near " << nearBest << ", far " << farBest;
}

TEST_F(Look, OverBrightLightsKeepTheTilesAndTheirHue) {
  lights({sunAbove, {0, 1, 0, 1}, {2, 1, 2, 1}}, {{500, 500, 500, 1}, {800, 800, 800, 1}, {900, 900, 900, 1}});
  const auto px = groundFromAbove(0.0f, "ground_overlit.png");
  int lines = 0, blueCells = 0, white = 0;
  for (size_t i = 0; i < px.size(); i += 4) {
    const Rgba c{px[i], px[i + 1], px[i + 2], px[i + 3]};
    lines += brightest(c) < 25;
    blueCells += c.b > 200 && c.r < c.b - 40;
    white += c.r > 250 && c.g > 250 && c.b > 250;
  }
  EXPECT_GT(lines, frameW * frameH / 50) << "the black frames stay black";
  EXPECT_GT(blueCells, frameW * frameH / 2) << "the cells stay blue";
  EXPECT_EQ(white, 0);
}

// The bee from above, head up the frame, wings at rest (phase 0).
std::vector<std::uint8_t> beeFromAbove(float light, const char *png) {
  lookFrom(0.0f, 2.2f, 0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 0.0f, -1.0f);
  lights({{0, 40, 0, 1}}, {{light, light, light, 1}});
  ang = 0.0f;
  bee_draw(0.0f);
  saveFrame(png);
  return framePixels();
}

bool red(Rgba c) { return c.r > 60 && c.r > 3 * c.g && c.r > 3 * c.b; }
bool dark(Rgba c) { return brightest(c) < 30; }

TEST_F(Look, TheBeeIsBandedAcrossItsLength) {
  const auto px = beeFromAbove(1.0f, "bee_above.png");
  // Down the body's axis (the frame's middle column, tail to head): red and
  // black in turns, then the black head. (Highlights and the wings' veil,
  // neither red nor black, are passed over.)
  std::string bands;
  for (int y = 0; y < frameH; ++y) {
    const Rgba c = pixel(px, frameW / 2, y);
    const char kind = red(c) ? 'r' : dark(c) ? 'k' : '?';
    if (kind != '?' && (bands.empty() || bands.back() != kind)) bands += kind;
  }
  int reds = 0, blacks = 0;
  for (size_t i = 1; i + 1 < bands.size(); ++i) {
    reds += bands[i] == 'r';
    blacks += bands[i] == 'k' && bands[i - 1] == 'r' && bands[i + 1] == 'r';
  }
  EXPECT_GE(reds, 3) << bands;
  EXPECT_GE(blacks, 2) << "black bands between red ones: " << bands;
  // Across the body, a red band stays red from side to side.
  int row = -1;
  for (int y = frameH / 2; y < frameH && row < 0; ++y)
    if (red(pixel(px, frameW / 2, y)) && red(pixel(px, frameW / 2, y + 1)) && red(pixel(px, frameW / 2, y + 2)))
      row = y + 1;
  ASSERT_GE(row, 0);
  int x0 = frameW / 2, x1 = frameW / 2;
  while (x0 > 0 && !dark(pixel(px, x0 - 1, row)) && brightest(pixel(px, x0 - 1, row)) > 40) --x0;
  while (x1 < frameW - 1 && !dark(pixel(px, x1 + 1, row)) && brightest(pixel(px, x1 + 1, row)) > 40) ++x1;
  EXPECT_GE(x1 - x0, 6) << "the body's width";
  for (int x = x0 + 1; x < x1; ++x) EXPECT_TRUE(red(pixel(px, x, row))) << "at " << x << ": " << pixel(px, x, row);
}

// As bright as the chase's lights grow by the end of the show.
TEST_F(Look, TheBeeStaysRedUnderOverBrightLight) {
  const auto px = beeFromAbove(30.0f, "bee_overlit.png");
  int reds = 0, whites = 0;
  for (size_t i = 0; i < px.size(); i += 4) {
    const Rgba c{px[i], px[i + 1], px[i + 2], px[i + 3]};
    reds += red(c) && c.r > 200;
    whites += c.r > 250 && c.g > 250 && c.b > 250;
  }
  EXPECT_GT(reds, 60);
  EXPECT_LT(whites, reds / 3) << "highlights only";
}

TEST_F(Look, WingsMirrorEachOtherWhileThePhaseStandsStill) {
  const auto fromBehind = [](float phase, float da, const char *png) {
    clear(0.3f, 0.3f, 0.3f);
    lookFrom(0.0f, 0.4f, 1.2f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.0f);
    lights({{0, 40, 3, 1}}, {{1, 1, 1, 1}});
    ang = phase;
    bee_draw(da);
    saveFrame(png);
    return framePixels();
  };
  const auto mirrored = [](const std::vector<std::uint8_t> &px) {
    int n = 0;
    for (int y = 0; y < frameH; ++y)
      for (int x = 0; x < frameW / 2; ++x) {
        const Rgba a = pixel(px, x, y), b = pixel(px, frameW - 1 - x, y);
        n += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 12;
      }
    return n;
  };
  const auto still = fromBehind(0.7f, 0.0f, "wings_still.png");
  EXPECT_LT(mirrored(still), frameW * frameH / 100);
  // The wings are translucent: the grey shows through them, darkened.
  int veiled = 0;
  for (size_t i = 0; i < still.size(); i += 4) veiled += still[i] > 20 && still[i] < 65 && still[i] == still[i + 2];
  EXPECT_GT(veiled, 30);
  // From phase -0.4 by 0.4 a wing: the first flat, the second raised 11.7.
  const auto beating = fromBehind(-0.4f, 0.4f, "wings_beating.png");
  EXPECT_GT(mirrored(beating), 3 * mirrored(still) + 50) << "the second wing leads by one step";
}

TEST_F(Look, TheGroundFadesOutTowardsItsEdge) {
  lights({sunAbove}, {sunColour});
  clear(1.0f, 0.0f, 0.0f);
  lookFrom(0.0f, 0.6f, 2.0f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.0f);
  grid_draw(0.0f, 0.0f, 2.0f);
  saveFrame("ground_edge.png");
  const auto px = framePixels();
  // The top rows see the far edge over the red behind; the bottom ones the
  // ground alone.
  int redTop = 0, redBottom = 0;
  for (int x = 0; x < frameW; ++x) {
    const Rgba top = pixel(px, x, frameH - 1), bottom = pixel(px, x, 0);
    redTop += top.r > top.b + 60;
    redBottom += bottom.r > bottom.b + 60;
  }
  EXPECT_GT(redTop, frameW / 2);
  EXPECT_EQ(redBottom, 0);
}

}  // namespace
