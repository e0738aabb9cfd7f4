#include "scene_frame.h"

#include <cmath>

#include "animations.h"
#include "support/gl_test.h"

namespace opening_test {

void SceneFrame::bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glViewport(0, 0, w, h);
}

std::vector<std::uint8_t> SceneFrame::pixels() const {
  bind();
  return hf::readPixels(0, 0, w, h);
}

SceneFrame makeSceneFrame(int w, int h) {
  hf::ensureContext();
  SceneFrame f;
  f.w = w;
  f.h = h;
  f.tex = hf::makeTexture(w, h);
  f.fbo = hf::makeFramebuffer(f.tex, w, h, true, &f.depth);
  f.bind();
  animationsInit();
  f.bind();
  return f;
}

double startSceneClock() {
  gl4dSetManualClock(GL_TRUE);
  // A whole second: scene times that are whole or half seconds stay exact in
  // the scenes' single precision (15 s is not past 15 s).
  const double origin = std::ceil(gl4dGetElapsedTime() / 1000.0) * 1000.0 + 5000.0;
  gl4dSetElapsedTime(origin);
  return origin;
}

void sceneAt(double origin, double seconds) { gl4dSetElapsedTime(origin + seconds * 1000.0); }

GLint uniformInt(GLuint program, const char *name) {
  GLint v = -12345;
  glGetUniformiv(program, glGetUniformLocation(program, name), &v);
  return v;
}

std::array<GLfloat, 4> uniformVec4(GLuint program, const char *name) {
  std::array<GLfloat, 4> v{-1, -1, -1, -1};
  glGetUniformfv(program, glGetUniformLocation(program, name), v.data());
  return v;
}

std::array<GLfloat, 2> uniformVec2(GLuint program, const char *name) {
  std::array<GLfloat, 2> v{-1, -1};
  glGetUniformfv(program, glGetUniformLocation(program, name), v.data());
  return v;
}

std::array<GLfloat, 16> uniformMat4(GLuint program, const char *name) {
  std::array<GLfloat, 16> m{};
  glGetUniformfv(program, glGetUniformLocation(program, name), m.data());
  return m;
}

GLuint currentProgram() {
  GLint p = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &p);
  return static_cast<GLuint>(p);
}

void prepareHostileState() {
  glEnable(GL_DEPTH_TEST);
  glClearDepth(0.0);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
}

StateAfterDraw readStateAfterDraw() {
  StateAfterDraw a;
  a.depth = glIsEnabled(GL_DEPTH_TEST);
  a.blend = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_BLEND_SRC_RGB, &a.blendSrc);
  glGetIntegerv(GL_BLEND_DST_RGB, &a.blendDst);
  a.program = currentProgram();
  return a;
}

int countAbove(const std::vector<std::uint8_t> &px, int w, int c, int threshold, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (px[(static_cast<size_t>(y) * w + x) * 4 + c] > threshold) ++n;
  return n;
}

}  // namespace opening_test
