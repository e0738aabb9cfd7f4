// What the opening scenes' tests share: the frame the scene manager would
// bind (a colour texture with a depth buffer, the viewport covering it), the
// shared resources made for it, the manual clock at a scene's times, and
// readers for the textured-quad program's uniforms.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gl4d/gl4d.h"

namespace opening_test {

struct SceneFrame {
  GLuint tex = 0, fbo = 0, depth = 0;
  int w = 0, h = 0;
  // Binds the framebuffer with the viewport covering it.
  void bind() const;
  std::vector<std::uint8_t> pixels() const;
};

// The frame, bound, then animationsInit for it (the caller's module).
SceneFrame makeSceneFrame(int w, int h);

// The manual clock on, at a whole second a few seconds ahead: the
// scene's time origin. sceneAt(t) sets the clock to origin + t seconds.
double startSceneClock();
void sceneAt(double origin, double seconds);

GLint uniformInt(GLuint program, const char *name);
std::array<GLfloat, 4> uniformVec4(GLuint program, const char *name);
std::array<GLfloat, 2> uniformVec2(GLuint program, const char *name);
std::array<GLfloat, 16> uniformMat4(GLuint program, const char *name);
// The program in use.
GLuint currentProgram();

// Depth testing on over a depth buffer at 0, blending off, another blend
// function: a scene's draw must work in spite of them and put them back.
void prepareHostileState();

// The switches, blend function and program a draw left behind.
struct StateAfterDraw {
  GLboolean depth = GL_FALSE, blend = GL_TRUE;
  GLint blendSrc = 0, blendDst = 0;
  GLuint program = 99;
};
StateAfterDraw readStateAfterDraw();

// Count of pixels whose channel c (0 red .. 3 alpha) exceeds threshold, in
// the rectangle [x0, x1) x [y0, y1) of w-wide RGBA8 pixels.
int countAbove(const std::vector<std::uint8_t> &px, int w, int c, int threshold, int x0, int y0, int x1, int y1);

}  // namespace opening_test
