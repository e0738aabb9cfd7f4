// The credits roll through what it draws: the text's lines on a plane tilted
// 60 degrees back, sliding along it 0.27 units a second from -1.4.
#include <glm/gtc/matrix_transform.hpp>

#include "animations.h"
#include "credits.h"
#include "support/gl.h"

namespace {

constexpr int FW = 192, FH = 108;

// Each row's ink {first column, last column}, bottom up; -1 where none.
std::vector<std::array<int, 2>> rowsOfInk(const hf::Picture &p) {
  std::vector<std::array<int, 2>> rows(p.h, {-1, -1});
  for (int y = 0; y < p.h; ++y)
    for (int x = p.w - 1; x >= 0; --x)
      if (p.at(x, y).r > 100) rows[y] = {x, std::max(rows[y][1], x)};
  return rows;
}

// Where the roll at scroll p puts the point (u, v) of its text texture (v from the top): the quad scaled (2, 2.5),
// moved by p along (0, cos 60, -sin 60) from 2 ahead, tilted 60 degrees back, through a frustum.
glm::vec2 onScreen(double u, double v, double p) {
  const glm::mat4 m = glm::frustum(-0.005f, 0.005f, -0.005f * FH / FW, 0.005f * FH / FW, 0.01f, 1000.0f) *
                      glm::scale(glm::mat4(1), {2, 2.5, 1}) *
                      glm::translate(glm::mat4(1), glm::vec3(0.65, p * 0.5, -p * 0.8660254 - 2)) *
                      glm::rotate(glm::mat4(1), glm::radians(-60.0f), {1, 0, 0});
  const glm::vec4 c = m * glm::vec4(2 * u - 1, 1 - 2 * v, 0, 1);
  return {(c.x / c.w + 1) / 2 * FW, (c.y / c.w + 1) / 2 * FH};
}

struct Credits : hf::GlTest {};

TEST_F(Credits, RollsTheTextsLinesUpAPlaneTiltedSixtyDegreesBackOrEndsWithStatus2WithoutTheFontLibrary) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (auto scene : {credits, huit}) EXPECT_EXIT((hf::failStartUps = true, scene(0)), testing::ExitedWithCode(2), "TTF_Init: ");
  hf::Frame frame(FW, FH);
  const double origin = hf::freshClock();
  hf::ticksFollowClock = true;  // the roll counts SDL's ticks
  testing::internal::CaptureStderr();
  credits(0);
  int w = 0, h = 0;
  EXPECT_EQ(sscanf(testing::internal::GetCapturedStderr().c_str(), "Dimensions de la texture : %d %d\n", &w, &h), 2);
  auto at = [&](double t) {
    hf::clockAt(origin, t);
    frame.bind();
    credits(2);
    return rowsOfInk(frame.read());
  };
  EXPECT_EQ(at(0), decltype(at(0))(FH, {-1, -1})) << "out of sight below at first";
  // "Honeyfold", "by Tarvek", "@ Korvan5 2025", "", "Music: velvora", "by Miralt - Sundeq", 12 texels a character,
  // left-aligned: each line whole in the frame has its ink along the quad's left edge and ends at its last character.
  const int chars[6] = {9, 9, 14, 0, 14, 18};
  for (double t : {3.0, 5.185, 6.5, 8.0}) {
    const auto ink = at(t);
    const double p = 0.27 * t - 1.4;
    for (int k = 0; k < 6; ++k) {
      const glm::vec2 top = onScreen(0, k / 6.0, p), bottom = onScreen(0, (k + 1) / 6.0, p);
      if (bottom.y < 0 || top.y > FH) continue;
      int end = -1;
      double gap = 1e9;  // of the ink from the quad's left edge, at its closest
      for (int y = static_cast<int>(bottom.y) + 2; y < top.y - 1; ++y) {
        if (ink[y][1] < 0) continue;
        gap = std::min<double>(gap, ink[y][0] - (bottom.x + (y - bottom.y) * (top.x - bottom.x) / (top.y - bottom.y)));
        end = std::max(end, ink[y][1]);
      }
      const double last = chars[k] ? onScreen(12.0 * chars[k] / w, (k + 0.5) / 6, p).x : -1;
      EXPECT_NEAR(end, last, 3) << "the end of line " << k << " at " << t << " s";
      EXPECT_NEAR(chars[k] ? gap : 0, 0, 2.5) << "the start of line " << k << " at " << t << " s";
    }
  }
}

}  // namespace
