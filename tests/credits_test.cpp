// The credits roll through what it draws: upright lines of white text that
// slide up along a plane tilted away, 0.27 units a second from -1.4.
#include "credits.h"
#include "support/gl.h"

namespace {

constexpr int FW = 192, FH = 108;

// Rows of ink, bottom up, grouped into lines: {first row, last row, width}.
std::vector<std::array<int, 3>> lines(const hf::Picture &p) {
  std::vector<std::array<int, 3>> found;
  for (int y = 0; y < p.h; ++y) {
    int x0 = p.w, x1 = -1;
    for (int x = 0; x < p.w; ++x)
      if (p.at(x, y).r > 100) x0 = std::min(x0, x), x1 = std::max(x1, x);
    if (x1 < 0) continue;
    if (found.empty() || found.back()[1] != y - 1) found.push_back({y, y, 0});
    found.back()[1] = y;
    found.back()[2] = std::max(found.back()[2], x1 - x0 + 1);
  }
  return found;
}

struct Credits : hf::GlTest {};

TEST_F(Credits, UprightLinesRiseThroughTheMiddleFiveSecondsIn) {
  hf::Frame frame(FW, FH);
  const double origin = hf::freshClock();
  hf::ticksFollowClock = true;  // the roll counts SDL's ticks
  testing::internal::CaptureStderr();
  credits(0);
  int w = 0, h = 0;
  EXPECT_EQ(sscanf(testing::internal::GetCapturedStderr().c_str(), "Dimensions de la texture : %d %d\n", &w, &h), 2);
  EXPECT_GT(w * h, 0);
  auto at = [&](double t) {
    hf::clockAt(origin, t);
    frame.bind();
    credits(2);
    return frame.read();
  };
  EXPECT_EQ(lines(at(0)).size(), 0u) << "out of sight below at first";
  // Four seconds in: "Honeyfold", "by Tarvek", "@ Korvan5 2025" from the top.
  const auto four = lines(at(4));
  ASSERT_GE(four.size(), 3u);
  EXPECT_GT(four.front()[2], 1.3 * four.back()[2]) << "the lowest line is the longest";
  // At 5.185 s the scroll is at 0: the plane's centre, where the empty
  // fourth line begins, is at the middle of the screen, "@ Korvan5 2025" on it.
  const hf::Picture middle = at(5.185);
  middle.save("credits-5.185s");
  int third = -1;
  for (const auto &l : lines(middle))
    if (l[1] >= FH / 2 - 10 && third < 0) third = l[0];
  EXPECT_GE(third, FH / 2) << "the lowest row of the line just above the middle";
  EXPECT_LE(third, FH / 2 + 15) << "the lowest row of the line just above the middle";
  hf::ticksFollowClock = false;
  credits(3);
  credits(3);
}

}  // namespace
