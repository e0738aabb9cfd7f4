// The opening rows of the show played by the real scene manager at a small
// frame size: noir fades into huit's figure, which hands its picture to
// rouge, and rouge fades into vert's green; frames are written to PNG
// (build/frames/) to look at.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "animations.h"
#include "audio_double.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

using hf::Rgba;

// The blur radii are in pixels: a quarter of the show's size still shows the
// figure through huit's widest blurs.
constexpr int W = 480, H = 270;

// Rows 0 to 5 of the show, as the timeline has them.
GL4DHanime opening[] = {
    {1000, noir, nullptr, nullptr},   {9000, noir, huit, fondu}, {11040, huit, nullptr, nullptr},
    {4500, rouge, nullptr, nullptr},  {200, rouge, vert, fondu}, {20, vert, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr},
};

// What a frame holds, summed up.
struct Look {
  int maxR = 0, maxG = 0, maxB = 0, minG = 255, minA = 255;
  bool grey = true;  // every pixel has R = G = B
  double centre = 0, corners = 0;  // mean red in the middle ninth and in the four corner ninths
};

Look lookOf(const std::vector<std::uint8_t> &px) {
  Look l;
  double centre = 0, corners = 0;
  int nCentre = 0, nCorners = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const std::uint8_t *p = &px[(static_cast<size_t>(y) * W + x) * 4];
      l.maxR = std::max<int>(l.maxR, p[0]);
      l.maxG = std::max<int>(l.maxG, p[1]);
      l.maxB = std::max<int>(l.maxB, p[2]);
      l.minG = std::min<int>(l.minG, p[1]);
      l.minA = std::min<int>(l.minA, p[3]);
      l.grey = l.grey && p[0] == p[1] && p[1] == p[2];
      const int cx = x * 3 / W, cy = y * 3 / H;
      if (cx == 1 && cy == 1) centre += p[0], ++nCentre;
      if (cx != 1 && cy != 1) corners += p[0], ++nCorners;
    }
  l.centre = centre / nCentre;
  l.corners = corners / nCorners;
  return l;
}

class OpeningRows : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    audio_double::reset();
    gl4dSetManualClock(GL_TRUE);
    gl4dSetElapsedTime(std::ceil(gl4dGetElapsedTime()) + 1.0);  // whole ms: exact row boundaries
    gl4dhInit(opening, W, H, animationsInit);
    gl4dhDraw();  // starts the show's clock
  }

  // Moves the show to t ms and draws that frame in the given row.
  ::testing::AssertionResult frameAt(double t, int row, const char *png = nullptr) {
    gl4dAdvanceElapsedTime(t - shown);
    shown = t;
    gl4dhDraw();
    if (gl4dhGetCurrentRow() != row) return ::testing::AssertionFailure() << "row " << gl4dhGetCurrentRow();
    pixels = hf::readTexture(gl4dhGetColorTexture());
    if (png) {
      std::filesystem::create_directories(HONEYFOLD_BINARY_DIR "/frames");
      hf::writePng(std::string(HONEYFOLD_BINARY_DIR "/frames/") + png, W, H, pixels.data());
    }
    return ::testing::AssertionSuccess();
  }
  // Every pixel of the last frame within 2 of expected (alpha exact).
  ::testing::AssertionResult allOf(Rgba expected) {
    for (size_t i = 0; i < pixels.size(); i += 4) {
      const Rgba seen{pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
      if (std::abs(seen.r - expected.r) > 2 || std::abs(seen.g - expected.g) > 2 ||
          std::abs(seen.b - expected.b) > 2 || seen.a != expected.a)
        return ::testing::AssertionFailure() << "pixel " << i / 4 << " at " << shown << " ms: " << seen
                                             << ", expected " << expected;
    }
    return ::testing::AssertionSuccess();
  }
  std::vector<std::uint8_t> pixels;
  double shown = 0.0;
};

// The figure comes out of the black: grey, bright in the middle, brighter as
// the fade and the focus go on; huit alone at the end of its row.
TEST_F(OpeningRows, NoirFadesIntoHuitsFigureWhichComesIntoFocus) {
  ASSERT_TRUE(frameAt(500, 0));
  EXPECT_TRUE(allOf({0, 0, 0, 255}));
  ASSERT_TRUE(frameAt(1000, 1));
  EXPECT_TRUE(allOf({0, 0, 0, 255})) << "huit's first frame, blended at 0";

  ASSERT_TRUE(frameAt(5500, 1, "row1_noir_into_huit.png"));
  const Look half = lookOf(pixels);
  EXPECT_TRUE(half.grey);
  EXPECT_LE(half.maxR, 130) << "half of huit's white at most";

  ASSERT_TRUE(frameAt(9999, 1, "row1_nearly_huit.png"));
  const Look nearly = lookOf(pixels);
  EXPECT_TRUE(nearly.grey);
  EXPECT_GT(nearly.centre, half.centre) << "brighter as the fade goes on";
  EXPECT_GT(nearly.centre, nearly.corners + 20) << "a glow in the middle";

  ASSERT_TRUE(frameAt(20500, 2, "row2_huit.png"));
  const Look sharp = lookOf(pixels);
  EXPECT_TRUE(sharp.grey);
  EXPECT_GT(sharp.maxR, 200) << "in focus: the strokes near white";
  EXPECT_LT(sharp.corners, 10.0) << "black around the figure";
  EXPECT_TRUE(audio_double::steps.empty()) << "huit leaves the sound mode alone";
}

// huit's last frame (past 20 s of its own) hands its picture to rouge, which
// shows it in red; rouge then fades into vert, whose first frame moves the
// sound on to the snow decay.
TEST_F(OpeningRows, HuitHandsItsPictureToRougeWhichFadesIntoVert) {
  ASSERT_TRUE(frameAt(1000, 1));
  ASSERT_TRUE(frameAt(20000, 2));  // grown: the next frame draws the figure at full size
  ASSERT_TRUE(frameAt(21030, 2));
  ASSERT_TRUE(frameAt(21100, 3, "row3_rouge.png"));
  const Look red = lookOf(pixels);
  EXPECT_EQ(red.maxG, 0);
  EXPECT_EQ(red.maxB, 0);
  EXPECT_GT(red.maxR, 200) << "the figure, red";
  EXPECT_GT(red.centre, red.corners + 20) << "where the figure was";
  ASSERT_TRUE(frameAt(25000, 3));
  EXPECT_EQ(lookOf(pixels).maxG + lookOf(pixels).maxB, 0);
  EXPECT_TRUE(audio_double::steps.empty());

  // Half way: rouge's red and vert's green (0.35) in equal parts.
  ASSERT_TRUE(frameAt(25640, 4, "row4_rouge_into_vert.png"));
  const Look mixed = lookOf(pixels);
  EXPECT_EQ(mixed.maxB, 0);
  EXPECT_LE(mixed.maxR, 129);
  EXPECT_GE(mixed.minG, 43);
  EXPECT_LE(mixed.maxG, 47);
  EXPECT_EQ(audio_double::steps, std::vector<int>{1}) << "vert's first frame selects the snow decay";
  ASSERT_TRUE(frameAt(25750, 5));
  EXPECT_TRUE(allOf({0, 89, 0, 255}));
  EXPECT_EQ(audio_double::steps, (std::vector<int>{1, 1}));
}

}  // namespace
