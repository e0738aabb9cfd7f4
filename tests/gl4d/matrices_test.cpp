// Named matrices: values against hand-computed matrices, the order in which
// transforms compose, stack isolation, and the uniforms they are sent to.
#include <gtest/gtest.h>

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "gl4d/gl4d.h"
#include "support/gl_test.h"

namespace {

glm::mat4 matrix(const char *name) {
  GLfloat m[16];
  EXPECT_TRUE(gl4duGetMatrixData(name, m)) << name;
  return glm::make_mat4(m);
}

glm::vec3 apply(const glm::mat4 &m, glm::vec3 p) {
  const glm::vec4 q = m * glm::vec4(p, 1.0f);
  return glm::vec3(q) / q.w;
}

void expectNear(const glm::vec3 &seen, const glm::vec3 &expected, float tol = 1e-5f) {
  EXPECT_NEAR(seen.x, expected.x, tol);
  EXPECT_NEAR(seen.y, expected.y, tol);
  EXPECT_NEAR(seen.z, expected.z, tol);
}

// Column-major element (row r, column c).
float at(const glm::mat4 &m, int r, int c) { return m[c][r]; }

class Matrices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl4duGenMatrix(GL_FLOAT, "a"));
    ASSERT_TRUE(gl4duGenMatrix(GL_FLOAT, "b"));
    gl4duBindMatrix("b");
    gl4duLoadIdentityf();
    gl4duBindMatrix("a");
    gl4duLoadIdentityf();
  }
};

TEST_F(Matrices, OrthoMatchesTheClassicFormula) {
  gl4duOrthof(-1, 1, -0.5625f, 0.5625f, -1, 10);
  const glm::mat4 m = matrix("a");
  EXPECT_FLOAT_EQ(at(m, 0, 0), 1.0f);
  EXPECT_FLOAT_EQ(at(m, 1, 1), 1.0f / 0.5625f);
  EXPECT_FLOAT_EQ(at(m, 2, 2), -2.0f / 11.0f);
  EXPECT_FLOAT_EQ(at(m, 2, 3), -9.0f / 11.0f);
  EXPECT_FLOAT_EQ(at(m, 3, 3), 1.0f);
  EXPECT_FLOAT_EQ(at(m, 0, 3), 0.0f);
}

TEST_F(Matrices, FrustumMatchesTheClassicFormula) {
  gl4duFrustumf(-0.005f, 0.005f, -0.0028125f, 0.0028125f, 0.01f, 1000.0f);
  const glm::mat4 m = matrix("a");
  EXPECT_FLOAT_EQ(at(m, 0, 0), 2.0f);
  EXPECT_NEAR(at(m, 1, 1), 0.02 / 0.005625, 1e-4);
  EXPECT_NEAR(at(m, 2, 2), -(1000.01) / (999.99), 1e-6);
  EXPECT_NEAR(at(m, 2, 3), -2.0 * 1000 * 0.01 / 999.99, 1e-6);
  EXPECT_FLOAT_EQ(at(m, 3, 2), -1.0f);
  EXPECT_FLOAT_EQ(at(m, 3, 3), 0.0f);
  // An asymmetric frustum moves the centre: (r + l) / (r - l).
  gl4duLoadIdentityf();
  gl4duFrustumf(0.0f, 2.0f, -1.0f, 3.0f, 1.0f, 10.0f);
  EXPECT_FLOAT_EQ(at(matrix("a"), 0, 2), 1.0f);
  EXPECT_FLOAT_EQ(at(matrix("a"), 1, 2), 0.5f);
}

TEST_F(Matrices, LookAtPutsTheEyeAtTheOriginLookingDownMinusZ) {
  gl4duLookAtf(1, 2, 3, 1, 2, -7, 0, 1, 0);
  const glm::mat4 m = matrix("a");
  expectNear(apply(m, {1, 2, 3}), {0, 0, 0});
  expectNear(apply(m, {1, 2, -7}), {0, 0, -10});
  expectNear(apply(m, {1, 3, 3}), {0, 1, 0});  // up stays up
  expectNear(apply(m, {2, 2, 3}), {1, 0, 0});  // right-handed: +x to the right
  // Looking straight down with a tilted up vector.
  gl4duLoadIdentityf();
  gl4duLookAtf(0, 5, 0, 0, 0, 0, 0, 0, -1);
  expectNear(apply(matrix("a"), {0, 0, 0}), {0, 0, -5});
  expectNear(apply(matrix("a"), {0, 5, -1}), {0, 1, 0});
}

TEST_F(Matrices, TransformsMultiplyOnTheRight) {
  // translate then scale: the scale applies to the point first.
  gl4duTranslatef(1, 0, 0);
  gl4duScalef(2, 3, 4);
  expectNear(apply(matrix("a"), {1, 1, 1}), {3, 3, 4});
  gl4duLoadIdentityf();
  gl4duScalef(2, 3, 4);
  gl4duTranslatef(1, 0, 0);
  expectNear(apply(matrix("a"), {1, 1, 1}), {4, 3, 4});
}

TEST_F(Matrices, RotationIsInDegreesCounterClockwiseAboutANormalisedAxis) {
  gl4duRotatef(90, 0, 0, 5);
  expectNear(apply(matrix("a"), {1, 0, 0}), {0, 1, 0});
  gl4duLoadIdentityf();
  gl4duRotatef(180, 0, 1, 0);
  expectNear(apply(matrix("a"), {0, 0, 1}), {0, 0, -1});
  gl4duLoadIdentityf();
  gl4duRotatef(-60, 1, 0, 0);
  expectNear(apply(matrix("a"), {0, 1, 0}), {0, 0.5f, -0.8660254f});
  gl4duLoadIdentityf();
  gl4duRotatef(45, 0, 0, 0);  // no axis: no rotation
  expectNear(apply(matrix("a"), {1, 2, 3}), {1, 2, 3});
}

TEST_F(Matrices, EachNameHasItsOwnStack) {
  gl4duTranslatef(1, 0, 0);
  gl4duPushMatrix();
  gl4duTranslatef(5, 0, 0);
  gl4duBindMatrix("b");
  gl4duPushMatrix();
  gl4duScalef(2, 2, 2);
  gl4duBindMatrix("a");
  gl4duPopMatrix();
  expectNear(apply(matrix("a"), {0, 0, 0}), {1, 0, 0});
  expectNear(apply(matrix("b"), {1, 1, 1}), {2, 2, 2});  // b's push is still open
  gl4duBindMatrix("b");
  gl4duPopMatrix();
  expectNear(apply(matrix("b"), {1, 1, 1}), {1, 1, 1});
  gl4duPopMatrix();  // the last level stays
  gl4duScalef(3, 3, 3);
  expectNear(apply(matrix("b"), {1, 1, 1}), {3, 3, 3});
}

TEST_F(Matrices, GenMatrixKeepsAnExistingMatrixAndUnknownNamesBindNothing) {
  gl4duTranslatef(7, 0, 0);
  EXPECT_TRUE(gl4duGenMatrix(GL_FLOAT, "a"));
  expectNear(apply(matrix("a"), {0, 0, 0}), {7, 0, 0});
  EXPECT_FALSE(gl4duBindMatrix("no such matrix"));
  gl4duTranslatef(1, 1, 1);  // acts on nothing
  expectNear(apply(matrix("a"), {0, 0, 0}), {7, 0, 0});
  GLfloat m[16];
  EXPECT_FALSE(gl4duGetMatrixData("no such matrix", m));
}

class SendMatrices : public hf::GlTest {};

TEST_F(SendMatrices, SetsTheUniformsOfTheSameNameOfTheCurrentProgram) {
  static const char *vs =
      "#version 330 core\nuniform mat4 a; uniform mat4 b;\nlayout(location = 0) in vec3 p;\n"
      "void main() { gl_Position = a * b * vec4(p, 1.0); }\n";
  static const char *fs = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
  GLuint s[2] = {glCreateShader(GL_VERTEX_SHADER), glCreateShader(GL_FRAGMENT_SHADER)};
  glShaderSource(s[0], 1, &vs, nullptr);
  glShaderSource(s[1], 1, &fs, nullptr);
  const GLuint program = glCreateProgram();
  for (GLuint x : s) {
    glCompileShader(x);
    glAttachShader(program, x);
  }
  glLinkProgram(program);
  ASSERT_TRUE(gl4duGenMatrix(GL_FLOAT, "a"));
  ASSERT_TRUE(gl4duGenMatrix(GL_FLOAT, "b"));
  ASSERT_TRUE(gl4duGenMatrix(GL_FLOAT, "unused by the program"));
  gl4duBindMatrix("a");
  gl4duLoadIdentityf();
  gl4duTranslatef(1, 2, 3);
  gl4duBindMatrix("b");
  gl4duLoadIdentityf();
  gl4duScalef(4, 5, 6);
  glUseProgram(program);
  gl4duSendMatrices();
  GLfloat seen[16];
  glGetUniformfv(program, glGetUniformLocation(program, "a"), seen);
  EXPECT_EQ(glm::make_mat4(seen), matrix("a"));
  glGetUniformfv(program, glGetUniformLocation(program, "b"), seen);
  EXPECT_EQ(glm::make_mat4(seen), matrix("b"));
  glUseProgram(0);
  gl4duSendMatrices();  // no program: nothing to set, no error
  glDeleteProgram(program);
  for (GLuint x : s) glDeleteShader(x);
}

}  // namespace
