// The opening flight, followed from its first draw to the chase along its one
// clock: the camera's set-up and five phases, the wing beat, the bee's
// take-off, the lights' fade and the backdrop's late start. The flight's
// speed law is also run on its own, frame by frame.
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>

#include "animations.cpp"
#include "world.h"

namespace {

using namespace bee_test;

// A scene clock reading, as the scene takes it.
float seconds(double ms) { return static_cast<float>(ms / 1000.0); }

// The camera's z axis (from the centre towards the eye) in the world.
glm::vec3 backward(const glm::mat4 &view) { return glm::vec3(view[0][2], view[1][2], view[2][2]); }

::testing::AssertionResult near3(glm::vec3 seen, glm::vec3 expected, float tolerance) {
  return nearVec(glm::vec4(seen, 0), glm::vec4(expected, 0), tolerance);
}

class Flight : public WorldTest {
 protected:
  // Draws the frame at t seconds of the scene's clock; returns how far the
  // wing phase moved (twice the beat step).
  float drawAt(double t) {
    gl4dSetElapsedTime(start_ + t * 1000.0);
    bindFrame();
    const float before = ang;
    beebegin(2);
    view_ = matrixData("view");
    return ang - before;
  }
  glm::vec3 eye() const { return eyeOf(view_); }
  double start_ = 0.0;
  glm::mat4 view_{};
};

TEST_F(Flight, FromTheRestingBeeToTheChase) {
  start_ = freshSecond();
  _bee[0] = 0.0f;
  _bee[1] = 0.1f;
  _bee[2] = 0.0f;
  for (int state : {0, 1, 3}) beebegin(state);  // none of them starts the clock

  // First draw, at the show's frame size: just above the bee, looking down.
  bindFrame();
  glViewport(0, 0, 1920, 1080);
  gl4dSetElapsedTime(start_);
  beebegin(2);
  EXPECT_TRUE(nearMatrix(matrixData("view"),
                         glm::lookAt(glm::vec3(0.0f, 0.26652f, -0.26652f), glm::vec3(0.0f, 0.1f, -0.26652f),
                                     glm::vec3(-0.7954952f, 0.0f, -1.4142135f)),
                         1e-5f));
  EXPECT_EQ(uniformVec4(_pId[0], "Lc[1]"), glm::vec4(0, 0, 0, 1)) << "the circling lights are dark";
  EXPECT_EQ(uniformVec4(_pId[1], "Lc[0]"), glm::vec4(0.8f, 0.8f, 0.4f, 1));
  EXPECT_EQ(uniformFloat(_pId[2], "temps"), 0.0f);
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.1f, 0.1f, 0.5f, 1.0f)) << "blue ground";

  // Phase 1 holds the camera and the wings.
  const glm::mat4 first = matrixData("view");
  EXPECT_EQ(drawAt(2.5), 0.0f);
  EXPECT_TRUE(nearMatrix(view_, first, 1e-6f)) << "still hovering at 2.5 s";

  // Phase 2 climbs to height 4 straight over the bee, still looking down.
  drawAt(2.6);
  EXPECT_GT(eye().y, 0.26652f + 1e-5f);
  EXPECT_LT(eye().y, 0.27f);
  EXPECT_GT(eye().z, -0.26652f + 5e-5f) << "coming over the bee";
  EXPECT_EQ(drawAt(5.829), 0.0f) << "no beat yet";
  EXPECT_NEAR(eye().y, 4.0f, 0.001f);
  EXPECT_NEAR(eye().z, 0.0f, 1e-4f);
  EXPECT_TRUE(near3(backward(view_), {0, 1, 0}, 1e-5f)) << "looking straight down";
  const glm::vec3 top = eye();

  // Phase 3 turns to the bee and starts the beat, which stutters at q = 0.4.
  EXPECT_NEAR(drawAt(5.83), 0.0f, 1e-4f);
  EXPECT_TRUE(near3(eye(), top, 1e-5f));
  EXPECT_TRUE(near3(backward(view_), glm::normalize(top - glm::vec3(0, 0.1f, 0)), 1e-5f)) << "looking at the bee";
  EXPECT_NEAR(drawAt(5.83 + 3.33 * std::sqrt(0.4)) / 2.0f, 0.04 * M_PI / 3.0, 1e-3);
  EXPECT_NEAR(drawAt(9.159) / 2.0f, M_PI / 3.0, 2e-3);

  // Phases 4 and 5 flutter at random between pi/3 and pi/3 + 0.05. (A
  // boundary read from float clock readings can fall either side: the
  // frames are drawn just past each.)
  srand(7);
  const float r = static_cast<float>(rand());
  srand(7);
  const float beat = static_cast<float>(r * 0x1p-31f / 20.0f + M_PI / 3.0);
  EXPECT_NEAR(drawAt(9.1601), 2.0f * beat, 1e-5f);
  EXPECT_TRUE(near3(eye(), top, 1e-3f)) << "the settling starts from where the climb ended";
  for (double t : {11.0, 12.0, 12.48}) {
    const float step = drawAt(t) / 2.0f;
    EXPECT_GE(step, M_PI / 3.0 - 1e-6);
    EXPECT_LE(step, M_PI / 3.0 + 0.05 + 1e-6);
  }
  EXPECT_TRUE(near3(eye(), {0.0f, 0.6f, 2.0f}, 0.01f)) << "settled behind the bee";
  EXPECT_EQ(_bee[2], 0.0f) << "the bee is still resting";

  // Phase 5: the first frame moves the bee by nothing, the next by the speed
  // the first one gave it.
  drawAt(12.4901);
  EXPECT_EQ(_bee[2], 0.0f);
  const float dt1 = seconds(start_ + 12490.1) - seconds(start_ + 12480.0);
  const float v1 = 0.0f + 1.5f * dt1, ve4 = v1 - 0.8f * v1 * dt1 * v1 * dt1;
  drawAt(12.5);
  const float dt2 = seconds(start_ + 12500.0) - seconds(start_ + 12490.1);
  EXPECT_FLOAT_EQ(_bee[2], 0.0f - ve4 * dt2);
  EXPECT_TRUE(near3(eye() - glm::vec3(_bee[0], _bee[1], _bee[2]), {0.0f, 0.5f, 2.0f}, 0.01f));

  // The circling lights fade in from 15.49 s; the backdrop starts at 19.49 s.
  drawAt(15.49);
  EXPECT_TRUE(nearVec(uniformVec4(_pId[0], "Lc[1]"), {0, 0, 0, 1}, 1e-3f));
  drawAt(17.49);
  for (GLuint p : {_pId[0], _pId[1]}) {
    EXPECT_TRUE(nearVec(uniformVec4(p, "Lc[1]"), {1, 1, 1, 1}, 1e-3f));
    EXPECT_TRUE(nearVec(uniformVec4(p, "Lc[2]"), {1, 0.1f, 0.1f, 1}, 1e-3f));
    EXPECT_TRUE(nearVec(uniformVec4(p, "Lc[3]"), {0.1f, 1, 0.1f, 1}, 1e-3f));
    EXPECT_EQ(uniformVec4(p, "Lc[0]"), glm::vec4(0.8f, 0.8f, 0.4f, 1));
  }
  // Circling the eye, at fixed heights.
  const float t = seconds(start_ + 17490.0) - seconds(start_);
  const glm::vec3 e = eye();
  EXPECT_TRUE(nearVec(uniformVec4(_pId[0], "Lp[1]"),
                      {e.x + 16.5 * std::cos(7.0 * t), 2.0f, e.z - 15.0 + 20.9 * std::sin(8.0 * t), 1}, 1e-3f));
  EXPECT_TRUE(nearVec(uniformVec4(_pId[0], "Lp[2]"),
                      {e.x + 1.0 + 9.5 * std::cos(9.0 * t), 1.5f, e.z + 2.0 + 20.9 * std::sin(-12.0 * t), 1}, 1e-3f));
  EXPECT_TRUE(nearVec(uniformVec4(_pId[0], "Lp[3]"),
                      {e.x - 4.0 + 9.5 * std::cos(3.0 * t), 1.4f, e.z + 10.0 + 20.9 * std::sin(6.0 * t), 1}, 1e-3f));
  drawAt(19.49);
  EXPECT_NEAR(uniformFloat(_pId[2], "temps"), 0.0f, 1e-3f);
  drawAt(21.49);
  EXPECT_NEAR(uniformFloat(_pId[2], "temps"), 1.0f, 1e-3f);

  // A long frame (1.2 s, where the drag would outweigh the speed) stops the
  // bee at worst; it never turns it round.
  drawAt(22.69);
  const float stopped = _bee[2];
  float z = stopped;
  for (double at : {22.7, 22.71, 22.72}) {
    drawAt(at);
    EXPECT_LE(_bee[2], z) << "at " << at << " s";
    z = _bee[2];
  }
  EXPECT_LT(_bee[2], stopped) << "and it flies on";
}

// The speed law alone, as phase 5 applies it once a frame.
TEST(FlightSpeed, LevelsOffNearTenUnitsASecondAtSixtyFrames) {
  _bee[2] = 0.0f;
  float ve4 = 0.0f;
  for (int frame = 0; frame < 60 * 30; ++frame) flyOff(1.0f / 60.0f, ve4);
  EXPECT_NEAR(ve4 + 1.5f / 60.0f, std::sqrt(1.875 * 60.0), 0.05) << "where drag and thrust balance";
  EXPECT_LT(_bee[2], -200.0f);
}

TEST(FlightSpeed, AHitchAtFullSpeedNeverSendsTheBeeBack) {
  float ve4 = 0.0f;
  for (int frame = 0; frame < 60 * 20; ++frame) flyOff(1.0f / 60.0f, ve4);
  for (float hitch : {0.35f, 0.5f, 1.0f, 2.0f}) {
    flyOff(hitch, ve4);
    EXPECT_GE(ve4, 0.0f) << "after a frame of " << hitch << " s";
    for (int frame = 0; frame < 60 * 40; ++frame) {
      const float z = _bee[2];
      flyOff(1.0f / 60.0f, ve4);
      ASSERT_LE(_bee[2], z) << "frame " << frame << " after a frame of " << hitch << " s";
    }
    EXPECT_NEAR(ve4 + 1.5f / 60.0f, std::sqrt(1.875 * 60.0), 0.1) << "back to full speed";
  }
}

}  // namespace
