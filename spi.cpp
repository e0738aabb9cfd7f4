// The spiral: a source pattern rendered once into a float texture of its own,
// then twisted every frame by a full-screen pass whose two time values follow
// a fixed 20-second curve (a whirl that unwinds and calms). Its first draw
// starts the soundtrack module.
#include "spi.h"

#include <cmath>

#include "audioHelper.h"
#include "gl4d/gl4d.h"
#include "scenetime.h"

static GLuint _quad = 0;
static GLuint _pId = 0;   // the spiral, drawn every frame
static GLuint _pId2 = 0;  // the source pattern, drawn once
static GLuint _texId = 0;
static GLuint _fbo = 0;

static constexpr GLsizei kPatternSize = 1024;
static constexpr float kCurveSeconds = 20.0f;

// Full-screen quad with the program in use: "pm" set to the identity for it.
static void drawFullScreenQuad(void) {
  gl4duBindMatrix("pm");
  gl4duPushMatrix();
  gl4duLoadIdentityf();
  gl4duSendMatrices();
  gl4duPopMatrix();
  gl4dgDraw(_quad);
}

// 1 at t = 0, linear down to 0.5 at 10 s, then a logistic step down to
// 1 / (e^6 + 1) at 20 s, where it stays: continuous at both joins.
static float curve(float t) {
  float c = (kCurveSeconds - t) / kCurveSeconds;
  if (c < 0.0f)
    c = static_cast<float>(1.0 / (std::exp(6.0) + 1.0));
  else if (c < 0.5f)  // 12c - 6 in single precision; the exponential and the division in double
    c = static_cast<float>(1.0 / (1.0 + std::exp(static_cast<double>(-(12.0f * c - 6.0f)))));
  return c;
}

static void init(void) {
  ahSetStepAt(3, gl4dhFirstRowStart(spi));  // the module, from the first row's first sample
  _quad = gl4dgGenQuadf();
  _pId = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/spi.fs", nullptr);
  _pId2 = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/br.fs", nullptr);

  glGenTextures(1, &_texId);
  glBindTexture(GL_TEXTURE_2D, _texId);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kPatternSize, kPatternSize, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);

  glGenFramebuffers(1, &_fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, _fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, _texId, 0);

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glViewport(0, 0, kPatternSize, kPatternSize);
  glClear(GL_COLOR_BUFFER_BIT);
  glUseProgram(_pId2);
  drawFullScreenQuad();

  // The scene manager rebinds its own framebuffer before every draw.
  glViewport(0, 0, viewport[2], viewport[3]);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

static void draw(void) {
  const SceneClock clock = sceneClock(spi);
  if (clock.first) ahSetStep(3);
  const float c = curve(clock.t());

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glViewport(0, 0, viewport[2], viewport[3]);
  glClear(GL_COLOR_BUFFER_BIT);

  glUseProgram(_pId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _texId);
  glUniform1i(glGetUniformLocation(_pId, "tx"), 0);
  glUniform1f(glGetUniformLocation(_pId, "tt"), powf(20.0f * c, 4.0f));
  glUniform1f(glGetUniformLocation(_pId, "t"), c);
  drawFullScreenQuad();
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

static void release(void) {
  if (_texId) {
    glDeleteTextures(1, &_texId);
    _texId = 0;
  }
  if (_fbo) {
    glDeleteFramebuffers(1, &_fbo);
    _fbo = 0;
  }
}

void spi(int state) {
  switch (state) {
    case 0: init(); break;
    case 1: break;
    case 3: release(); break;
    default: draw(); break;
  }
}
