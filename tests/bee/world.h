// The bee world's tests: a frame like the scene manager's (colour texture and
// depth) with the shared objects made for it once, the manual clock, and
// readers for what the passes leave in their programs and matrices.
#pragma once

#include <array>
#include <cstdint>
#include <glm/glm.hpp>
#include <vector>

#include "support/gl_test.h"

namespace bee_test {

// The frame's size: the show's shape, small. Set before the first test.
extern int frameW, frameH;

// Binds the frame (made at the first call) with the viewport covering it.
void bindFrame();
GLuint frameColour();
// The frame's pixels, bottom row first.
std::vector<std::uint8_t> framePixels();
hf::Rgba pixel(const std::vector<std::uint8_t> &pixels, int x, int y);
// Writes the frame to build/frames/bee/<name> for looking at.
void saveFrame(const char *name);

// Switches the manual clock on and moves it to a whole second at least a
// second past any reading so far; returns that reading in ms. Float seconds
// of such a reading plus small binary fractions are exact.
double freshSecond();

GLint uniformInt(GLuint program, const char *name);
float uniformFloat(GLuint program, const char *name);
glm::vec2 uniformVec2(GLuint program, const char *name);
glm::vec4 uniformVec4(GLuint program, const char *name);
glm::mat4 uniformMat4(GLuint program, const char *name);
glm::mat4 matrixData(const char *name);
// The eye of a view matrix (a rotation and a translation).
glm::vec3 eyeOf(const glm::mat4 &view);

::testing::AssertionResult nearMatrix(const glm::mat4 &seen, const glm::mat4 &expected, float tolerance);
::testing::AssertionResult nearVec(const glm::vec4 &seen, const glm::vec4 &expected, float tolerance);

// Fixture: the context, animationsInit once with the frame bound, the frame
// bound again before each test.
class WorldTest : public hf::GlTest {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
};

}  // namespace bee_test
