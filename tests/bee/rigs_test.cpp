// The chase rigs: where they put the eye and the landscape, how they fly the
// bee, the lights and backdrop time they hand the passes, and the switches
// they give back. A rig's clock starts at its first call and never resets,
// so each rig is followed from its first call within one test, the only one
// that calls it.
#include <glm/gtc/matrix_transform.hpp>
#include <string>

#include "animations.cpp"
#include "world.h"

namespace {

using namespace bee_test;

const GLfloat zero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
const GLfloat high[4] = {0.0f, 1.0f, 2.0f, 2.0011f};

void placeBee(float x, float y, float z) {
  _bee[0] = x;
  _bee[1] = y;
  _bee[2] = z;
}

::testing::AssertionResult viewLooksFrom(glm::vec3 eye, glm::vec3 centre) {
  return nearMatrix(matrixData("view"), glm::lookAt(eye, centre, glm::vec3(0, 1, 0)), 1e-5f);
}

// The landscape's centre, from the model matrix it was drawn with.
glm::vec3 gridCentre() { return glm::vec3(uniformMat4(_pId[1], "model")[3]); }

// Light i as both lit programs received it.
::testing::AssertionResult light(int i, glm::vec4 position, glm::vec4 colour) {
  for (GLuint p : {_pId[0], _pId[1]}) {
    const std::string lp = "Lp[" + std::to_string(i) + "]", lc = "Lc[" + std::to_string(i) + "]";
    if (uniformInt(p, "nbL") != 4) return ::testing::AssertionFailure() << "nbL " << uniformInt(p, "nbL");
    auto r = nearVec(uniformVec4(p, lp.c_str()), position, 1e-4f);
    if (!r) return r << " for " << lp << " of program " << p;
    r = nearVec(uniformVec4(p, lc.c_str()), colour, 1e-5f);
    if (!r) return r << " for " << lc << " of program " << p;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult blendsByAlpha() {
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC_RGB, &src);
  glGetIntegerv(GL_BLEND_DST_RGB, &dst);
  if (src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "blend function " << src << ", " << dst;
}

class Rigs : public WorldTest {};

TEST_F(Rigs, SubbeeXChasesTheBeeFromItsFirstCall) {
  const double start = freshSecond();
  placeBee(0.0f, 0.1f, -5.0f);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  subbeeX(zero);
  EXPECT_EQ(_bee[2], -5.0f) << "no time has passed on the rig's clock";
  EXPECT_TRUE(viewLooksFrom({0.0f, 0.6f, -3.0f}, {0.0f, 0.1f, -5.0f}));
  EXPECT_TRUE(nearVec(glm::vec4(gridCentre(), 1), {0.0f, -1.0f, -3.0f, 1.0f}, 1e-5f)) << "under the eye";
  // The circling lights start at 3.633341 times their colours; c = 0.5.
  const float k = 3.633341f;
  EXPECT_TRUE(light(0, {0, 40, 3, 1}, {0.8f, 0.8f, 0.4f, 1}));
  EXPECT_TRUE(light(1, {16.5f, 2.0f, -18.0f, 1}, {k, k, k, 1}));
  EXPECT_TRUE(light(2, {10.5f, 2.5f, -1.0f, 1}, {k, 0.1f * k, 0.1f * k, 1}));
  EXPECT_TRUE(light(3, {5.5f, 1.9f, 7.0f, 1}, {0.1f * k, k, 0.1f * k, 1}));
  EXPECT_FLOAT_EQ(uniformFloat(_pId[2], "temps"), 1.633341f);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(blendsByAlpha());
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.1f, 0.1f, 0.5f, 1.0f));

  // Half a second later the bee is 2.475 further on and the lights have
  // moved round and brightened by half a unit.
  gl4dSetElapsedTime(start + 500.0);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  subbeeX(zero);
  EXPECT_FLOAT_EQ(_bee[2], -7.475f);
  EXPECT_TRUE(viewLooksFrom({0.0f, 0.6f, -5.475f}, {0.0f, 0.1f, -7.475f}));
  const float k2 = 4.133341f;
  EXPECT_TRUE(light(
      1, {static_cast<float>(16.5 * std::cos(3.5)), 2.0f, static_cast<float>(20.9 * std::sin(4.0) - 15.0 - 5.475), 1},
      {k2, k2, k2, 1}));
  EXPECT_TRUE(light(
      2,
      {static_cast<float>(9.5 * std::cos(4.5) + 1.0), 2.5f, static_cast<float>(20.9 * std::sin(-6.0) + 2.0 - 5.475), 1},
      {k2, 0.1f * k2, 0.1f * k2, 1}));
  EXPECT_FLOAT_EQ(uniformFloat(_pId[2], "temps"), 2.133341f);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));

  // A second call in the same frame moves nothing; higher parameters lift
  // the eye to (0, 1.5, 4) behind the bee over the brown relief.
  subbeeX(high);
  EXPECT_FLOAT_EQ(_bee[2], -7.475f);
  EXPECT_TRUE(viewLooksFrom({0.0f, 1.6f, -3.475f}, {0.0f, 0.1f, -7.475f}));
  EXPECT_TRUE(nearVec(glm::vec4(gridCentre(), 1), {0.0f, -1.0f, -3.475f, 1.0f}, 1e-5f));
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.14f, 0.1f, 0.05f, 1.0f));
  EXPECT_TRUE(light(
      1, {static_cast<float>(16.5 * std::cos(3.5)), 3.0f, static_cast<float>(20.9 * std::sin(4.0) - 15.0 - 3.475), 1},
      {k2, k2, k2, 1}));
}

TEST_F(Rigs, SubbeeYKeepsItsOwnClockAndLights) {
  const double start = freshSecond();
  placeBee(0.0f, 2.6f, -40.0f);
  subbeeY(high);
  EXPECT_EQ(_bee[2], -40.0f) << "the rig's own clock starts now";
  const float k = 3.633341f;  // c = 1.5
  EXPECT_TRUE(light(0, {0, 4000, 3, 1}, {0.2f, 0.2f, 0.2f, 1}));
  EXPECT_TRUE(light(1, {16.5f, 3.0f, -36.0f - 15.0f, 1}, {0.5f * k, 0.5f * k, 2 * k, 1}));
  EXPECT_TRUE(light(2, {10.5f, 5.5f, -36.0f + 2.0f, 1}, {2 * k, 0.8f * k, 0.8f * k, 1}));
  EXPECT_TRUE(light(3, {5.5f, 3.9f, -36.0f + 10.0f, 1}, {0.3f * k, 0.3f * k, 0.8f * k, 1}));
  EXPECT_TRUE(viewLooksFrom({0.0f, 4.1f, -36.0f}, {0.0f, 2.6f, -40.0f}));
  EXPECT_FLOAT_EQ(uniformFloat(_pId[2], "temps"), 1.633341f);
  gl4dSetElapsedTime(start + 500.0);
  subbeeY(high);
  EXPECT_FLOAT_EQ(_bee[2], -42.475f);
  EXPECT_FLOAT_EQ(uniformFloat(_pId[2], "temps"), 2.133341f);
}

}  // namespace
