// The scenes of the show, in sections: the GL objects they share, small
// helpers for full-frame passes, the cross-fade, the colour screens, the
// opening scenes, and the scenes still to come (placeholders that clear to a
// colour of their own).
#include "animations.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "audioHelper.h"
#include "noise.h"
#include "text.h"

/* ------------------------------------------------------------------------
 * Shared scene resources: made once by animationsInit, textures released by
 * _quit at exit. Scenes only bind and draw them.
 * ------------------------------------------------------------------------ */

// Meshes: full-screen quad, the bee's wing, its body and head, the landscape.
static GLuint _quad = 0, _disk = 0, _sphere = 0, _grid = 0;
// Textured full-screen quads (tex.fs).
static GLuint _texProgId = 0;
// The bee, the landscape and the backdrop.
static GLuint _pId[3] = {0, 0, 0};
// Screen-sized work texture; carries huit's last picture into rouge and
// serves beep as its feedback texture.
static GLuint _texOut = 0;
// The bee's stripes, the backdrop's hue ramp, the landscape's tile.
static GLuint _beeTex = 0, _colorsTex = 0, _gridTex = 0;
// The bee's world position; y is up and it flies towards -z.
[[maybe_unused]] static GLfloat _bee[3] = {0.0f, 0.1f, 0.0f};
// huit's last blur radius, handed on to rouge.
[[maybe_unused]] static int _blurRadius = 0;

// The bee's body: one opaque black row over two opaque red ones.
static const GLubyte rayure[12] = {0, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
// The landscape's 128 x 128 tile, filled by fillDalle.
static GLubyte dalle[128 * 128 * 4];

enum { DALLE_SIZE = 128 };

// A black band five texels wide along the first rows and the first columns
// of the tile, framing a translucent white cell: tiled, every cell is framed.
static void fillDalle(void) {
  for (int i = 0; i < DALLE_SIZE * DALLE_SIZE; ++i) {
    const bool border = i <= 639 || i % DALLE_SIZE <= 4;
    GLubyte *t = &dalle[i * 4];
    t[0] = t[1] = t[2] = border ? 0 : 255;
    t[3] = border ? 255 : 55;
  }
}

// Generates a texture and binds it to target with both filters and the wrap
// modes of its dimensions set; the caller uploads and unbinds.
static GLuint genTexture(GLenum target, GLint filter, GLint wrap) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(target, id);
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
  if (target != GL_TEXTURE_1D) glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
  return id;
}

static GLuint genTexture2D(GLint filter, GLint wrap, GLsizei w, GLsizei h, const GLubyte *data) {
  const GLuint id = genTexture(GL_TEXTURE_2D, filter, wrap);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, data);
  glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

// The landscape is seen at grazing angles: take the driver's best
// anisotropic filtering where it has any.
static void setMaxAnisotropy(GLenum target) {
  if (!epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") &&
      !epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic"))
    return;
  GLfloat maxAnisotropy = 1.0f;
  glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAnisotropy);
  glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, maxAnisotropy);
}

static void _quit(void) {
  GLuint *textures[] = {&_texOut, &_beeTex, &_gridTex, &_colorsTex};
  for (GLuint *t : textures)
    if (*t) {
      glDeleteTextures(1, t);
      *t = 0;
    }
  freeNoiseTextures();
}

void animationsInit(void) {
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const GLsizei W = vp[2], H = vp[3];
  const GLfloat aspect = static_cast<GLfloat>(H) / static_cast<GLfloat>(W);

  gl4duGenMatrix(GL_FLOAT, "pm");
  gl4duBindMatrix("pm");
  gl4duLoadIdentityf();
  gl4duOrthof(-1.0f, 1.0f, -aspect, aspect, -1.0f, 10.0f);

  if (!_quad) _quad = gl4dgGenQuadf();
  if (!_texProgId) _texProgId = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/tex.fs", nullptr);
  if (!_texOut) _texOut = genTexture2D(GL_NEAREST, GL_CLAMP_TO_EDGE, W, H, nullptr);

  _pId[0] = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/perlin.fs", nullptr);
  _pId[1] = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
  _pId[2] = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/fond.fs", nullptr);

  gl4duGenMatrix(GL_FLOAT, "model");
  gl4duGenMatrix(GL_FLOAT, "view");
  gl4duGenMatrix(GL_FLOAT, "proj");
  gl4duBindMatrix("proj");
  gl4duLoadIdentityf();
  const GLfloat fh = static_cast<GLfloat>(H), fw = static_cast<GLfloat>(W);
  gl4duFrustumf(-0.005f, 0.005f, fh * -0.005f / fw, fh * 0.005f / fw, 0.01f, 1000.0f);

  _disk = gl4dgGenDiskf(20);
  _sphere = gl4dgGenSpheref(20, 10);
  _grid = gl4dgGenGrid2df(512, 512);

  _beeTex = genTexture2D(GL_NEAREST, GL_REPEAT, 1, 3, rayure);

  // Red, yellow, green, cyan, blue, magenta: with linear filtering and
  // repeat, magenta blends back into red, closing the hue circle.
  const GLubyte ramp[24] = {255, 0, 0, 255, 255, 255, 0, 255, 0, 255, 0, 255,
                            0, 255, 255, 255, 0, 0, 255, 255, 255, 0, 255, 255};
  _colorsTex = genTexture(GL_TEXTURE_1D, GL_LINEAR, GL_REPEAT);
  glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 6, 0, GL_RGBA, GL_UNSIGNED_BYTE, ramp);
  glBindTexture(GL_TEXTURE_1D, 0);

  _gridTex = genTexture(GL_TEXTURE_2D, GL_LINEAR, GL_REPEAT);
  setMaxAnisotropy(GL_TEXTURE_2D);
  fillDalle();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, DALLE_SIZE, DALLE_SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE, dalle);
  glBindTexture(GL_TEXTURE_2D, 0);

  initNoiseTextures();
  atexit(_quit);
}

/* ------------------------------------------------------------------------
 * Helpers of the scenes.
 * ------------------------------------------------------------------------ */

// States 0 (initialise), 1 (audio update) and 3 (free); anything else draws.
static bool isDrawState(int state) { return state != 0 && state != 1 && state != 3; }

// The texture at colour attachment 0 of the bound framebuffer: the frame a
// scene draws into (inside a cross-fade, that scene's capture texture).
static GLuint frameTexture(void) {
  GLint id = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME,
                                        &id);
  return static_cast<GLuint>(id);
}

static void attachFrame(GLuint tex) {
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
}

// Sends the matrices with an identity "pm", so that _quad covers the screen;
// "pm" keeps its value for later users.
static void sendFullScreenMatrices(void) {
  gl4duBindMatrix("pm");
  gl4duPushMatrix();
  gl4duLoadIdentityf();
  gl4duSendMatrices();
  gl4duPopMatrix();
}

static void clearTo(GLfloat r, GLfloat g, GLfloat b) {
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

/* ------------------------------------------------------------------------
 * Cross-fade: both scenes render into capture textures of their own, then
 * one full-screen pass blends them by the row's progress.
 * ------------------------------------------------------------------------ */

// Draws scene into target at the captures' size, then gives the viewport back.
static void renderInto(GLuint target, void (*scene)(int), int state, const GLint *vp0) {
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  glViewport(0, 0, vp0[2], vp0[3]);
  attachFrame(target);
  scene(state);
  glViewport(vp[0], vp[1], vp[2], vp[3]);
}

void fondu(void (*first)(int), void (*second)(int), GLuint duration, GLuint elapsed, int state) {
  static GLint vp0[4] = {0, 0, 0, 0};
  static GLuint tex[2] = {0, 0};
  static GLuint pId = 0;
  switch (state) {
    case 0:
      glGetIntegerv(GL_VIEWPORT, vp0);
      // Core profile has no GL_CLAMP.
      for (GLuint &t : tex) t = genTexture2D(GL_LINEAR, GL_CLAMP_TO_EDGE, vp0[2], vp0[3], nullptr);
      pId = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/mix.fs", nullptr);
      return;
    case 1:
      if (first) first(1);
      if (second) second(1);
      return;
    case 3:
      if (tex[0]) {
        glDeleteTextures(2, tex);
        tex[0] = tex[1] = 0;
      }
      return;
    default:
      break;
  }
  const GLuint frame = frameTexture();
  if (first) renderInto(tex[0], first, state, vp0);
  if (second) renderInto(tex[1], second, state, vp0);
  attachFrame(frame);

  glDisable(GL_DEPTH_TEST);
  glUseProgram(pId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex[0]);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, tex[1]);

  const GLfloat dt = static_cast<GLfloat>(elapsed) / static_cast<GLfloat>(duration);
  if (dt > 1.0f) {
    fprintf(stderr, "%u-%u -- %f\n", elapsed, duration, dt);
    exit(0);
  }
  glUniform1f(glGetUniformLocation(pId, "dt"), dt);
  glUniform1i(glGetUniformLocation(pId, "tex0"), 0);
  glUniform1i(glGetUniformLocation(pId, "tex1"), 1);
  sendFullScreenMatrices();
  gl4dgDraw(_quad);

  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
}

/* ------------------------------------------------------------------------
 * Colour screens: the black opening and the green flash, which moves the
 * sound on to the snow decay.
 * ------------------------------------------------------------------------ */

void noir(int state) {
  if (isDrawState(state)) clearTo(0.0f, 0.0f, 0.0f);
}

void vert(int state) {
  if (!isDrawState(state)) return;
  ahSetStep(1);
  clearTo(0.0f, 0.35f, 0.0f);
}

/* ------------------------------------------------------------------------
 * Opening scenes: the figure "8" growing into focus, its red dissolve, and
 * the green trace of the beeps. All three draw a full-screen _quad with
 * _texProgId and post-process the frame texture in place; _texOut carries
 * huit's last picture into rouge and is beep's feedback texture.
 * ------------------------------------------------------------------------ */

// Scene time in seconds, as the scenes keep it: double division, float result.
static float sceneSeconds(void) { return static_cast<float>(gl4dGetElapsedTime() / 1000.0); }

// Full-screen passes switch depth testing off and blending on, then put both
// back as they found them at the start of the frame.
struct PassState {
  GLboolean depth, blend;
};

static PassState rememberPassState(void) { return {glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_BLEND)}; }

static void beginPass(PassState was) {
  if (was.depth) glDisable(GL_DEPTH_TEST);
  if (!was.blend) glEnable(GL_BLEND);
}

static void endPass(PassState was) {
  if (was.depth) glEnable(GL_DEPTH_TEST);
  if (!was.blend) glDisable(GL_BLEND);
}

// _texProgId current, tex on unit 0 as "tx", and the pass's tint and spot.
static void useTexProgram(GLuint tex, const GLfloat color[4], int colorize, int beepSpot) {
  glUseProgram(_texProgId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex);
  glUniform1i(glGetUniformLocation(_texProgId, "tx"), 0);
  glUniform1i(glGetUniformLocation(_texProgId, "colorize"), colorize);
  glUniform4fv(glGetUniformLocation(_texProgId, "color"), 1, color);
  glUniform1i(glGetUniformLocation(_texProgId, "beep"), beepSpot);
}

static void setSpot(GLfloat x, GLfloat y) { glUniform2f(glGetUniformLocation(_texProgId, "pt"), x, y); }

// The figure, rendered once in white at 1280 points.
static void initText(GLuint *tid, int *firstTime) {
  textStartFonts(firstTime);
  textToTexture(tid, GL_LINEAR, "8", 1280, 1280, nullptr, nullptr);
}

// Growth stops 0.00001 short of pi / 2, where the blur radius reaches 0.
static constexpr float kHalfPi = 1.5707964f, kAngleCap = 1.5707864f;

// Blur radius for the growth angle: 128 at angle 0, falling to 0 at pi / 2.
static GLuint huitBlurRadius(float a) {
  return static_cast<GLuint>(128.0f * powf((kHalfPi - a) / kHalfPi, 0.666f));
}

static void drawHuit(GLuint tid, float &a, int perm, int &ft, float &t0, float &prevT) {
  const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const PassState was = rememberPassState();
  const float s = static_cast<float>(std::sin(static_cast<double>(a)));
  if (t0 < 0.0f) t0 = prevT = sceneSeconds();
  const float now = sceneSeconds(), prev = prevT;
  prevT = now;
  const float t = now - t0;

  clearTo(0.0f, 0.0f, 0.0f);
  beginPass(was);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  useTexProgram(tid, white, 1, 0);
  setSpot(0.0f, 0.0f);
  // Half as wide as high, at scale s, raised so that the figure sits in the
  // middle of the screen.
  gl4duBindMatrix("pm");
  gl4duPushMatrix();
  gl4duScalef(0.5f, 1.0f, 1.0f);
  gl4duScalef(s, s, 1.0f);
  gl4duTranslatef(0.0f, 0.106f, 0.0f);
  gl4duSendMatrices();
  gl4duPopMatrix();
  gl4dgDraw(_quad);
  glUseProgram(0);
  endPass(was);

  if (a < kHalfPi) {
    const double grown = static_cast<double>(now - prev) * 0.07 + a;
    a = grown > static_cast<double>(kAngleCap) ? kAngleCap : static_cast<float>(grown);
  }
  const GLuint r = huitBlurRadius(a);
  const GLuint frame = frameTexture();
  if (perm != 0) {
    gl4dfScattering(frame, frame, static_cast<GLuint>(perm), 0, 0, GL_FALSE);
    // The snow starts with the first scattered frame past 15 s.
    if (ft && t > 15.0f) {
      ahSetNeige(1);
      ft = 0;
    }
  }
  // The last frames hand the scattered but still sharp picture to rouge.
  if (t > 20.0f) {
    gl4dfConvTex2Tex(frame, _texOut, GL_FALSE);
    _blurRadius = static_cast<int>(r);
  }
  gl4dfBlur(frame, frame, r, 1, 0, GL_FALSE);
}

void huit(int state) {
  static float a = 0.1f;
  static GLuint tid = 0;
  // Scattering radius from the sound, written on the audio thread.
  static std::atomic<int> perm{0};
  static int firstTime = 1;
  static int ft = 1;  // the snow is still to be switched on
  static float __t0 = -1.0f, __prev_t = 0.0f;
  switch (state) {
    case 0:
      initText(&tid, &firstTime);
      return;
    case 1: {
      const int L = ahPathLength();
      perm.store(L <= 100 ? 0 : (L - 100) >> 1, std::memory_order_relaxed);
      return;
    }
    case 3:
      if (tid) {
        glDeleteTextures(1, &tid);
        tid = 0;
      }
      return;
    default:
      drawHuit(tid, a, perm.load(std::memory_order_relaxed), ft, __t0, __prev_t);
  }
}

void rouge(int state) {
  static float __t0 = -1.0f, __prev_t = 0.0f;
  static float bf = 1.0f;  // share of huit's last blur still applied
  if (!isDrawState(state)) return;
  const GLfloat red[4] = {1000.0f, 0.0f, 0.0f, 1.0f};
  const PassState was = rememberPassState();
  if (__t0 < 0.0f) __t0 = __prev_t = sceneSeconds();
  const float now = sceneSeconds(), prev = __prev_t;
  __prev_t = now;

  // Scattered in place, so the dissolve builds up from frame to frame.
  gl4dfScattering(_texOut, _texOut, 21, 0, 0, GL_FALSE);
  clearTo(0.0f, 0.0f, 0.0f);
  // The blend function stays as huit left it.
  beginPass(was);
  useTexProgram(_texOut, red, 1, 0);
  setSpot(0.0f, 0.0f);
  sendFullScreenMatrices();
  gl4dgDraw(_quad);
  glUniform1i(glGetUniformLocation(_texProgId, "colorize"), 0);
  glUseProgram(0);
  endPass(was);

  const GLuint frame = frameTexture();
  gl4dfBlur(frame, frame, static_cast<GLuint>(static_cast<float>(_blurRadius) * bf), 1, 0, GL_FALSE);
  if (bf > 0.0f) {
    bf -= (now - prev) / 7.5f;
    if (bf < 0.0f) bf = 0.0f;
  }
}

static constexpr int kTracePasses = 21;

// Sweeps one frame of the trace: kTracePasses spots along the segment from
// last frame's point to this one's, each drawn over the feedback texture and
// blurred back into it.
static void drawBeep(float height, float &px, float &py, int &ft, float &t0) {
  const GLfloat green[4] = {0.2f, 1.0f, 0.2f, 1.0f};
  const PassState was = rememberPassState();
  if (ft) {
    ahSetStep(2);
    clearTo(0.0f, 0.0f, 0.0f);
    gl4dfConvTex2Tex(frameTexture(), _texOut, GL_FALSE);  // an opaque black feedback to start from
    ft = 0;
  }
  if (t0 < 0.0f) t0 = sceneSeconds();
  float x = (sceneSeconds() - t0) / 2.2f;
  while (x > 1.0f) x -= 1.0f;
  const float y = height * 0.5f + 0.5f;

  clearTo(0.0f, 0.0f, 0.0f);
  beginPass(was);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  useTexProgram(_texOut, green, 1, 1);
  sendFullScreenMatrices();
  const GLuint frame = frameTexture();
  for (int i = 0; i < kTracePasses; ++i) {
    const float c = static_cast<float>(i) / static_cast<float>(kTracePasses - 1);
    setSpot(px * (1.0f - c) + x * c, py * (1.0f - c) + y * c);
    gl4dgDraw(_quad);
    gl4dfBlur(frame, _texOut, 4, 2, 0, GL_FALSE);
  }
  glUniform1i(glGetUniformLocation(_texProgId, "colorize"), 0);
  glUniform1i(glGetUniformLocation(_texProgId, "beep"), 0);
  glUseProgram(0);
  endPass(was);
  px = x;
  py = y;
}

void beep(int state) {
  // Sound level from the audio thread.
  static std::atomic<float> height{0.0f};
  static float px = 0.0f, py = 0.5f;
  static int ft = 1;
  static float __t0 = -1.0f;
  switch (state) {
    case 0:
    case 3:
      return;
    case 1:
      height.store(ahAverage() / 300.0f, std::memory_order_relaxed);
      return;
    default:
      drawBeep(height.load(std::memory_order_relaxed), px, py, ft, __t0);
  }
}

/* ------------------------------------------------------------------------
 * Scenes still to come: each clears to a colour of its own for now.
 * ------------------------------------------------------------------------ */

static void placeholder(int state, GLfloat r, GLfloat g, GLfloat b) {
  if (isDrawState(state)) clearTo(r, g, b);
}

void beebegin(int state) { placeholder(state, 0.1f, 0.1f, 0.4f); }
void bee2(int state) { placeholder(state, 0.2f, 0.2f, 0.5f); }
void bee3(int state) { placeholder(state, 0.3f, 0.3f, 0.6f); }
void bee4(int state) { placeholder(state, 0.1f, 0.3f, 0.5f); }
void bee5(int state) { placeholder(state, 0.3f, 0.2f, 0.1f); }
void bee6(int state) { placeholder(state, 0.4f, 0.3f, 0.2f); }
void bee7(int state) { placeholder(state, 0.5f, 0.4f, 0.3f); }
