#include "world.h"

#include <cmath>
#include <filesystem>
#include <glm/gtc/type_ptr.hpp>
#include <string>

#include "animations.h"
#include "support/png.h"

namespace bee_test {

int frameW = 64, frameH = 36;

namespace {

GLuint colour = 0, fbo = 0;

}  // namespace

void bindFrame() {
  if (!fbo) {
    colour = hf::makeTexture(frameW, frameH);
    fbo = hf::makeFramebuffer(colour, frameW, frameH, true);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glViewport(0, 0, frameW, frameH);
}

GLuint frameColour() { return colour; }

std::vector<std::uint8_t> framePixels() {
  bindFrame();
  return hf::readPixels(0, 0, frameW, frameH);
}

hf::Rgba pixel(const std::vector<std::uint8_t> &pixels, int x, int y) {
  const std::uint8_t *p = &pixels[(static_cast<size_t>(y) * frameW + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

void saveFrame(const char *name) {
  const std::string dir = HONEYFOLD_BINARY_DIR "/frames/bee";
  std::filesystem::create_directories(dir);
  auto pixels = framePixels();
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;  // the screen shows no alpha
  hf::writePng(dir + "/" + name, frameW, frameH, pixels.data());
}

double freshSecond() {
  gl4dSetManualClock(GL_TRUE);
  const double ms = (std::floor(gl4dGetElapsedTime() / 1000.0) + 2.0) * 1000.0;
  gl4dSetElapsedTime(ms);
  return ms;
}

GLint uniformInt(GLuint program, const char *name) {
  GLint v = -12345;
  glGetUniformiv(program, glGetUniformLocation(program, name), &v);
  return v;
}

float uniformFloat(GLuint program, const char *name) {
  GLfloat v = NAN;
  glGetUniformfv(program, glGetUniformLocation(program, name), &v);
  return v;
}

glm::vec2 uniformVec2(GLuint program, const char *name) {
  glm::vec2 v(NAN);
  glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(v));
  return v;
}

glm::vec4 uniformVec4(GLuint program, const char *name) {
  glm::vec4 v(NAN);
  glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(v));
  return v;
}

glm::mat4 uniformMat4(GLuint program, const char *name) {
  glm::mat4 m(NAN);
  glGetUniformfv(program, glGetUniformLocation(program, name), glm::value_ptr(m));
  return m;
}

glm::mat4 matrixData(const char *name) {
  glm::mat4 m(NAN);
  gl4duGetMatrixData(name, glm::value_ptr(m));
  return m;
}

glm::vec3 eyeOf(const glm::mat4 &view) { return -glm::transpose(glm::mat3(view)) * glm::vec3(view[3]); }

::testing::AssertionResult nearMatrix(const glm::mat4 &seen, const glm::mat4 &expected, float tolerance) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (!(std::fabs(seen[c][r] - expected[c][r]) <= tolerance))
        return ::testing::AssertionFailure()
               << "column " << c << " row " << r << ": " << seen[c][r] << ", expected " << expected[c][r];
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult nearVec(const glm::vec4 &seen, const glm::vec4 &expected, float tolerance) {
  for (int i = 0; i < 4; ++i)
    if (!(std::fabs(seen[i] - expected[i]) <= tolerance))
      return ::testing::AssertionFailure()
             << "(" << seen.x << ", " << seen.y << ", " << seen.z << ", " << seen.w << "), expected (" << expected.x
             << ", " << expected.y << ", " << expected.z << ", " << expected.w << ")";
  return ::testing::AssertionSuccess();
}

void WorldTest::SetUpTestSuite() {
  hf::ensureContext();
  static bool made = false;
  if (made) return;
  made = true;
  bindFrame();
  animationsInit();
}

void WorldTest::SetUp() {
  hf::GlTest::SetUp();
  bindFrame();
}

}  // namespace bee_test
