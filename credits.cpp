// The credits roll: a few lines of white text, rendered once from a TrueType
// font into a texture and softened by a blur, glide up and away along a plane
// tilted 60 degrees back from the viewer.
#include "credits.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>

#include "gl4d/gl4d.h"
#include "text.h"

static GLuint _pId = 0;
static GLuint _textTexId = 0;
static GLuint _quad = 0;

static const char *const kText = "Honeyfold\nby Tarvek\n@ Korvan5 2025\n\nMusic: velvora\nby Miralt - Sundeq";

// Renders the text into _textTexId, rows in surface order (top row first).
// Without a font or a rendering the texture stays without image.
static void initText(void) {
  static int firstTime = 1;
  textStartFonts(&firstTime);
  int w = 0, h = 0;
  if (textToTexture(&_textTexId, GL_NEAREST, kText, 20, 800, &w, &h))
    std::fprintf(stderr, "Dimensions de la texture : %d %d\n", w, h);
}

static void init(void) {
  _pId = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/credits.fs", nullptr);
  gl4duGenMatrix(GL_FLOAT, "model");
  gl4duGenMatrix(GL_FLOAT, "view");
  gl4duGenMatrix(GL_FLOAT, "proj");

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const GLfloat w = static_cast<GLfloat>(viewport[2]), h = static_cast<GLfloat>(viewport[3]);
  gl4duBindMatrix("proj");
  gl4duLoadIdentityf();
  // -0.005 x h / w, left to right in single precision, as the shared frustum.
  gl4duFrustumf(-0.005f, 0.005f, -0.005f * h / w, 0.005f * h / w, 0.01f, 1000.0f);
  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
  gl4duBindMatrix("model");
  _quad = gl4dgGenQuadf();

  initText();
  gl4dfBlur(_textTexId, _textTexId, 2, 1, 0, 0);
}

// Whole milliseconds of a show time, as the roll has always counted them.
static float wholeMs(double ms) { return static_cast<float>(static_cast<Uint32>(ms)); }

static void draw(void) {
  const GL4DHtimes times = gl4dhGetTimes(credits);
  const float p = ((wholeMs(std::max(times.now, times.start)) - wholeMs(times.start)) / 1000.0f) * 0.27f - 1.4f;

  glEnable(GL_DEPTH_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glUseProgram(_pId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _textTexId);
  glUniform1i(glGetUniformLocation(_pId, "inv"), 1);
  glUniform1i(glGetUniformLocation(_pId, "tex"), 0);

  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
  gl4duScalef(2.0f, 2.5f, 1.0f);
  // Along (0, cos 60, -sin 60): the direction in which the tilt below turns
  // the quad's own upward axis, so the text slides within its plane.
  gl4duTranslatef(0.65f, static_cast<float>(p * 0.5000000000000001),
                  static_cast<float>(p * -0.8660254037844386 - 2.0));
  gl4duRotatef(-60.0f, 1.0f, 0.0f, 0.0f);
  gl4duSendMatrices();

  gl4dgDraw(_quad);
  glUseProgram(0);
}

static void release(void) {
  if (_textTexId) {
    glDeleteTextures(1, &_textTexId);
    _textTexId = 0;
  }
}

void credits(int state) {
  switch (state) {
    case 0: init(); break;
    case 1: break;
    case 3: release(); break;
    default: draw(); break;
  }
}
