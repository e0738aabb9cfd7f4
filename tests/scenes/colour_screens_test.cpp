// noir and vert: their colour only at draw states, the colour buffer only,
// and vert's move of the sound to the snow decay.
#include <array>

#include "animations.h"
#include "audio_double.h"
#include "support/gl_test.h"

namespace {

using hf::Rgba;

constexpr int N = 8;

class ColourScreens : public hf::GlTest {
 protected:
  void SetUp() override {
    hf::GlTest::SetUp();
    audio_double::reset();
    frame = hf::makeTexture(N, N);
    fbo = hf::makeFramebuffer(frame, N, N, true, &depth);
    glViewport(0, 0, N, N);
    // A frame and a depth buffer the screens must not touch outside a draw.
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    glClearDepth(1.0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(1, &depth);
    glDeleteTextures(1, &frame);
    glViewport(0, 0, 64, 64);
    hf::GlTest::TearDown();
  }
  GLuint frame = 0, fbo = 0, depth = 0;
};

const Rgba untouched{51, 102, 153, 255};

float depthAt(int x, int y) {
  float d = -1.0f;
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
  return d;
}

std::array<float, 4> clearColour() {
  std::array<float, 4> c;
  glGetFloatv(GL_COLOR_CLEAR_VALUE, c.data());
  return c;
}

TEST_F(ColourScreens, NonDrawStatesLeaveFrameAndSoundAlone) {
  for (auto screen : {noir, vert})
    for (int state : {0, 1, 3}) {
      screen(state);
      EXPECT_TRUE(hf::probeRect(0, 0, N, N, untouched, 0)) << "state " << state;
    }
  EXPECT_TRUE(audio_double::steps.empty());
  EXPECT_EQ(clearColour(), (std::array<float, 4>{0.2f, 0.4f, 0.6f, 1.0f}));
}

TEST_F(ColourScreens, NoirClearsToOpaqueBlack) {
  for (int state : {2, 5, -1}) {
    glClear(GL_COLOR_BUFFER_BIT);
    noir(state);
    EXPECT_TRUE(hf::probeRect(0, 0, N, N, Rgba{0, 0, 0, 255}, 0)) << "state " << state;
    EXPECT_EQ(clearColour(), (std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  }
  EXPECT_TRUE(audio_double::steps.empty()) << "noir leaves the sound alone";
  EXPECT_FLOAT_EQ(depthAt(3, 3), 0.25f);
}

TEST_F(ColourScreens, VertClearsToGreenAndSelectsSnowDecayEveryFrame) {
  vert(2);
  EXPECT_TRUE(hf::probeRect(0, 0, N, N, Rgba{0, 89, 0, 255}, 1));
  EXPECT_EQ(clearColour(), (std::array<float, 4>{0.0f, 0.35f, 0.0f, 1.0f}));
  EXPECT_EQ(audio_double::steps, std::vector<int>{1});
  vert(4);
  EXPECT_EQ(audio_double::steps, (std::vector<int>{1, 1}));
  EXPECT_FLOAT_EQ(depthAt(5, 2), 0.25f) << "only the colour buffer is cleared";
  EXPECT_TRUE(audio_double::neiges.empty());
}

}  // namespace
