// The three world passes as the rigs rely on them: what each leaves in its
// program, its matrices, its texture units and the GL switches.
#include <glm/gtc/matrix_transform.hpp>

#include "animations.cpp"
#include "world.h"

namespace {

using namespace bee_test;

glm::mat4 translate(float x, float y, float z) { return glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)); }
glm::mat4 scale(float x, float y, float z) { return glm::scale(glm::mat4(1.0f), glm::vec3(x, y, z)); }
glm::mat4 rotate(float degrees, float x, float y, float z) {
  return glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(x, y, z));
}

GLuint boundOn(int unit, GLenum binding) {
  GLint id = -1;
  glActiveTexture(GL_TEXTURE0 + unit);
  glGetIntegerv(binding, &id);
  glActiveTexture(GL_TEXTURE0);
  return static_cast<GLuint>(id);
}

GLint integer(GLenum name) {
  GLint v = -1;
  glGetIntegerv(name, &v);
  return v;
}

// A camera over the origin and the frame's switches as a rig sets them.
class Passes : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl4duBindMatrix("view");
    gl4duLoadIdentityf();
    gl4duLookAtf(0.0f, 0.6f, 2.0f, 0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.0f);
    saved_ = {_bee[0], _bee[1], _bee[2]};
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) _bee[i] = saved_[i];
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    WorldTest::TearDown();
  }
  std::array<GLfloat, 3> saved_{};
};

TEST_F(Passes, BackdropTimeIsClampedBelowAtZero) {
  fond(-3.0);
  EXPECT_EQ(uniformFloat(_pId[2], "temps"), 0.0f);
  fond(2.5);
  EXPECT_EQ(uniformFloat(_pId[2], "temps"), 2.5f);
  fond(0.0);
  EXPECT_EQ(uniformFloat(_pId[2], "temps"), 0.0f);
}

TEST_F(Passes, BackdropHangsItsQuadJustInsideTheFarPlaneAndGivesUnitOneBack) {
  _bee[2] = -12.5f;
  fond(1.0);
  EXPECT_TRUE(nearMatrix(uniformMat4(_pId[2], "model"), translate(0, 0, -1002.5f) * scale(999, 999, 1), 1e-3f));
  EXPECT_TRUE(nearMatrix(matrixData("model"), glm::mat4(1.0f), 0.0f)) << "model back to the identity";
  EXPECT_EQ(uniformInt(_pId[2], "tex1"), 0);
  EXPECT_EQ(uniformVec2(_pId[2], "tt"), glm::vec2(1.0f, 1.0f));
  EXPECT_EQ(uniformFloat(_pId[2], "ts"), 1.0f);
  EXPECT_EQ(boundOn(1, GL_TEXTURE_BINDING_1D), 0u);
  EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
  EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)), _pId[2]);
}

TEST_F(Passes, BackdropPaintsTheRampAndMovesWithItsTime) {
  fond(0.0);
  const auto still = framePixels();
  int coloured = 0;
  for (size_t i = 0; i < still.size(); i += 4) coloured += std::max({still[i], still[i + 1], still[i + 2]}) > 40;
  EXPECT_GT(coloured, frameW * frameH / 4) << "the backdrop shows above the horizon";
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  fond(3.0);
  const auto moved = framePixels();
  int changed = 0;
  for (size_t i = 0; i < still.size(); i += 4)
    changed +=
        std::abs(still[i] - moved[i]) + std::abs(still[i + 1] - moved[i + 1]) + std::abs(still[i + 2] - moved[i + 2]) >
        12;
  EXPECT_GT(changed, coloured / 4) << "the time moves the bands";
}

TEST_F(Passes, LandscapeResetsWhatItSetsForOneDrawAndKeepsTheRest) {
  grid_draw(3.0f, 1.5f, -7.0f);
  const GLuint p = _pId[1];
  EXPECT_EQ(uniformInt(p, "sol"), 0);
  EXPECT_EQ(uniformInt(p, "hasTex"), 0);
  EXPECT_EQ(uniformFloat(p, "sy"), 0.0f);
  EXPECT_EQ(uniformFloat(p, "ts"), 1.0f);
  EXPECT_EQ(uniformVec2(p, "tt"), glm::vec2(0.0f));
  EXPECT_EQ(uniformVec4(p, "couleur"), glm::vec4(0.1f, 0.1f, 0.5f, 1.0f));
  EXPECT_EQ(uniformVec2(p, "offset"), glm::vec2(0.0019569471f));
  EXPECT_EQ(uniformInt(p, "tex"), 0);
  EXPECT_EQ(uniformInt(p, "permTexture"), 1);
  EXPECT_EQ(uniformInt(p, "gradTexture"), 2);
  // The grid is 128 across, centred under (x, z), its plane at y = -1.
  EXPECT_TRUE(nearMatrix(uniformMat4(p, "model"), translate(3, 0, -7) * scale(64, 1, 64) * translate(0, -1, 0), 1e-5f));
  EXPECT_TRUE(nearMatrix(matrixData("model"), glm::mat4(1.0f), 0.0f));
  EXPECT_EQ(boundOn(0, GL_TEXTURE_BINDING_2D), _gridTex);
  EXPECT_EQ(boundOn(1, GL_TEXTURE_BINDING_2D), 0u);
  EXPECT_EQ(boundOn(2, GL_TEXTURE_BINDING_2D), 0u);
  EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)), p);
}

TEST_F(Passes, LandscapeTurnsBrownJustAboveItsThreshold) {
  grid_draw(0.0f, 2.0011f, 0.0f);
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.14f, 0.1f, 0.05f, 1.0f));
  grid_draw(0.0f, 2.001f, 0.0f);
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.1f, 0.1f, 0.5f, 1.0f));
  grid_draw(0.0f, 2.0011f, 0.0f);
  grid_draw(0.0f, NAN, 0.0f);
  EXPECT_EQ(uniformVec4(_pId[1], "couleur"), glm::vec4(0.1f, 0.1f, 0.5f, 1.0f)) << "a NaN height stays blue";
}

TEST_F(Passes, LandscapeLeavesBlendingAsItFoundIt) {
  glDisable(GL_BLEND);
  grid_draw(0.0f, 0.0f, 0.0f);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glEnable(GL_BLEND);
  grid_draw(0.0f, 0.0f, 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(Passes, BeeAdvancesTheWingPhaseByTwoStepsAndLeavesCullingOn) {
  glDisable(GL_CULL_FACE);
  ang = 0.0f;
  bee_draw(0.25f);
  EXPECT_EQ(ang, 0.5f);
  bee_draw(0.0f);
  EXPECT_EQ(ang, 0.5f);
  bee_draw(-1.0f);
  EXPECT_EQ(ang, -1.5f);
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  const GLuint p = _pId[0];
  EXPECT_EQ(uniformInt(p, "corps"), 0);
  EXPECT_EQ(uniformInt(p, "hasTex"), 0);
  EXPECT_EQ(uniformInt(p, "myTex"), 0);
  EXPECT_EQ(uniformVec4(p, "couleur"), glm::vec4(0.0f, 0.0f, 0.0f, 0.5f));
  EXPECT_EQ(boundOn(0, GL_TEXTURE_BINDING_2D), _beeTex);
  EXPECT_EQ(static_cast<GLuint>(integer(GL_CURRENT_PROGRAM)), p);
  EXPECT_TRUE(nearMatrix(matrixData("model"), glm::mat4(1.0f), 0.0f));
}

TEST_F(Passes, TheLastWingSentIsTheSecondOnTheBeesFrame) {
  _bee[0] = 0.5f;
  _bee[1] = 0.1f;
  _bee[2] = -3.0f;
  ang = 1.0f;
  bee_draw(0.125f);
  const float a = static_cast<float>(30.0 * std::sin(1.25));
  const glm::mat4 expected = translate(0.5f, 0.1f, -3.0f) * rotate(180, 0, 1, 0) * rotate(a, 0, 0, 1) *
                             translate(-0.3f, 0.08f, 0) * rotate(-10, 1, 0, 0) * scale(0.3f, 0.2f, 0.1f);
  EXPECT_TRUE(nearMatrix(uniformMat4(_pId[0], "model"), expected, 1e-5f));
}

}  // namespace
