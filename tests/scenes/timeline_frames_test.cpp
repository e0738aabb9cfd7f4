// The opening rows of the show played by the real scene manager at a small
// frame size: the fades blend their scenes, and frames are written to PNG
// (build/frames/) to look at.
#include <cmath>
#include <filesystem>

#include "animations.h"
#include "audio_double.h"
#include "support/gl_test.h"
#include "support/png.h"

namespace {

using hf::Rgba;

constexpr int W = 96, H = 54;

// Rows 0 to 5 of the show, as the timeline has them.
GL4DHanime opening[] = {
    {1000, noir, nullptr, nullptr},   {9000, noir, huit, fondu}, {11040, huit, nullptr, nullptr},
    {4500, rouge, nullptr, nullptr},  {200, rouge, vert, fondu}, {20, vert, nullptr, nullptr},
    {0, nullptr, nullptr, nullptr},
};

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

  // Moves the show to t ms, draws that frame, and checks it is one colour.
  ::testing::AssertionResult frameAt(double t, int row, Rgba expected, const char *png) {
    gl4dAdvanceElapsedTime(t - shown);
    shown = t;
    gl4dhDraw();
    if (gl4dhGetCurrentRow() != row) return ::testing::AssertionFailure() << "row " << gl4dhGetCurrentRow();
    const auto pixels = hf::readTexture(gl4dhGetColorTexture());
    if (png) {
      std::filesystem::create_directories(HONEYFOLD_BINARY_DIR "/frames");
      hf::writePng(std::string(HONEYFOLD_BINARY_DIR "/frames/") + png, W, H, pixels.data());
    }
    for (size_t i = 0; i < pixels.size(); i += 4) {
      const Rgba seen{pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
      if (std::abs(seen.r - expected.r) > 2 || std::abs(seen.g - expected.g) > 2 ||
          std::abs(seen.b - expected.b) > 2 || seen.a != expected.a)
        return ::testing::AssertionFailure() << "pixel " << i / 4 << " at " << t << " ms: " << seen << ", expected "
                                             << expected;
    }
    return ::testing::AssertionSuccess();
  }
  double shown = 0.0;
};

TEST_F(OpeningRows, RowOneFadesNoirIntoHuit) {
  EXPECT_TRUE(frameAt(500, 0, Rgba{0, 0, 0, 255}, nullptr));
  EXPECT_TRUE(frameAt(1000, 1, Rgba{0, 0, 0, 255}, nullptr));
  // Half way: black and huit's grey (0.5) in equal parts.
  EXPECT_TRUE(frameAt(5500, 1, Rgba{64, 64, 64, 255}, "row1_noir_into_huit.png"));
  EXPECT_TRUE(frameAt(9999, 1, Rgba{128, 128, 128, 255}, nullptr));
}

TEST_F(OpeningRows, RowFourFadesRougeIntoVertAndMovesTheSoundOn) {
  EXPECT_TRUE(frameAt(25000, 3, Rgba{153, 0, 0, 255}, nullptr));
  EXPECT_TRUE(audio_double::steps.empty());
  // Half way: rouge's red (0.6) and vert's green (0.35) in equal parts.
  EXPECT_TRUE(frameAt(25640, 4, Rgba{77, 45, 0, 255}, "row4_rouge_into_vert.png"));
  EXPECT_EQ(audio_double::steps, std::vector<int>{1}) << "vert's first frame selects the snow decay";
  EXPECT_TRUE(frameAt(25750, 5, Rgba{0, 89, 0, 255}, nullptr));
  EXPECT_EQ(audio_double::steps, (std::vector<int>{1, 1}));
}

}  // namespace
