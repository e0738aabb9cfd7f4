// The scenes of the show, in sections: the GL objects they share, small
// helpers for full-frame passes, the cross-fade, the colour screens, the
// opening scenes, and the bee world.
#include "animations.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audioHelper.h"
#include "noise.h"
#include "scenetime.h"
#include "text.h"

/* ------------------------------------------------------------------------
 * Shared scene resources: made once by animationsInit, textures released by
 * _quit at exit. Scenes only bind and draw them.
 * ------------------------------------------------------------------------ */

// Meshes: full-screen quad, the bee's wing, its body and head, the landscape
// (and the same square in a few large cells, for the flat ground).
static GLuint _quad = 0, _disk = 0, _sphere = 0, _grid = 0, _flatGrid = 0;
// Textured full-screen quads (tex.fs).
static GLuint _texProgId = 0;
// The bee, the landscape and the backdrop.
static GLuint _pId[3] = {0, 0, 0};
// Screen-sized work texture; carries huit's last picture into rouge and
// serves beep as its feedback texture.
static GLuint _texOut = 0;
// The bee's stripes, the backdrop's hue ramp, the landscape's tile.
static GLuint _beeTex = 0, _colorsTex = 0, _gridTex = 0;
// The ground of a transition's first scene, kept for its second (drawGround).
struct KeptGround {
  GLuint fbo = 0, colour = 0, depth = 0, from = 0;  // from: the frame texture it was kept from
  GLsizei w = 0, h = 0;
  GLint depthFormat = 0;
  std::vector<GLfloat> world;  // what the ground's pixels depend on; empty: nothing kept
};
static KeptGround _kept;

// The landscape's relief (perlin.vs), stated here once: the shader is built
// with both (RELIEF_AMPLITUDE, RELIEF_OCTAVE_PAIRS) and grid_draw's culling
// takes its reach from them. Height for sy = 1, and pairs of octaves, one
// from each noise table, each octave twice as fine and half as high.
static constexpr GLfloat kReliefAmplitude = 0.75f;
static constexpr int kReliefOctavePairs = 2;
// The ground fades into the backdrop from kGroundEdge units from the eye to
// kGroundEnd, the grid's edge (perlin.fs: GROUND_EDGE, GROUND_END); nearer,
// it is opaque, and fond filters the backdrop only where it can show.
static constexpr GLfloat kGroundEdge = 44.0f, kGroundEnd = 63.0f;

// How far the relief can lift or lower the grid for sy = 1. An octave never
// exceeds 1 in size: its corner gradients' components are -1, 0 or 1, so a
// corner's term is at most the L1 distance to the corner, and the quintic
// blend of those four distances peaks at the cell's centre, at 1. The
// octaves halve; the margin covers rounding.
static GLfloat reliefReach(void) {
  double sum = 0.0;
  for (int octave = 0; octave < 2 * kReliefOctavePairs; ++octave) sum += std::ldexp(1.0, -octave);
  return static_cast<GLfloat>(kReliefAmplitude * sum * 1.001);
}

// name as a GLSL float constant for the shaders built from now on.
static void defineFloat(const char *name, GLfloat value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text - 3, value).ptr;
  std::string literal(text, end);
  if (literal.find_first_of(".e") == std::string::npos) literal += ".0";
  gl4duDefine(name, literal.c_str());
}

// The relief's and the ground's fade's constants for the shaders built from
// now on.
static void defineRelief(void) {
  defineFloat("RELIEF_AMPLITUDE", kReliefAmplitude);
  gl4duDefine("RELIEF_OCTAVE_PAIRS", std::to_string(kReliefOctavePairs).c_str());
  defineFloat("GROUND_EDGE", kGroundEdge);
  defineFloat("GROUND_END", kGroundEnd);
}
// The bee's world position; y is up and it flies towards -z.
[[maybe_unused]] static GLfloat _bee[3] = {0.0f, 0.1f, 0.0f};
// huit's last blur radius, handed on to rouge.
[[maybe_unused]] static int _blurRadius = 0;

// The bee's body: one opaque black row over two opaque red ones.
static const GLubyte rayure[12] = {0, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
// The landscape's tile, stated once: fillDalle fills the texture by this
// rule, and perlin.fs, built with it (TILE_SIZE, TILE_FRAME,
// TILE_CELL_ALPHA), takes its texels from it where it filters the tile
// itself.
enum { DALLE_SIZE = 128, DALLE_FRAME = 5, DALLE_CELL_ALPHA = 55 };
static GLubyte dalle[DALLE_SIZE * DALLE_SIZE * 4];

// A black band DALLE_FRAME texels wide along the first rows and the first
// columns of the tile, framing a translucent white cell: tiled, every cell
// is framed.
static void fillDalle(void) {
  for (int i = 0; i < DALLE_SIZE * DALLE_SIZE; ++i) {
    const bool border = i / DALLE_SIZE < DALLE_FRAME || i % DALLE_SIZE < DALLE_FRAME;
    GLubyte *t = &dalle[i * 4];
    t[0] = t[1] = t[2] = border ? 0 : 255;
    t[3] = border ? 255 : DALLE_CELL_ALPHA;
  }
}

// The tile's rule for the shaders built from now on.
static void defineTile(void) {
  gl4duDefine("TILE_SIZE", std::to_string(DALLE_SIZE).c_str());
  gl4duDefine("TILE_FRAME", std::to_string(DALLE_FRAME).c_str());
  gl4duDefine("TILE_CELL_ALPHA", std::to_string(DALLE_CELL_ALPHA).c_str());
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
  if (_kept.fbo) {
    glDeleteFramebuffers(1, &_kept.fbo);
    glDeleteRenderbuffers(1, &_kept.colour);
    glDeleteRenderbuffers(1, &_kept.depth);
  }
  _kept = KeptGround{};
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

  defineRelief();
  defineTile();
  // The bee's and the landscape's programs share perlin.fs, each built with
  // only the paths of its own surface.
  gl4duDefine("SURFACE", "SURFACE_BEE");
  _pId[0] = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/perlin.fs", nullptr);
  gl4duDefine("SURFACE", "SURFACE_GROUND");
  _pId[1] = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
  gl4duDefine("SURFACE", nullptr);
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
  _flatGrid = gl4dgGenGrid2df(9, 9);

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

static void drawHuit(GLuint tid, float &a, int perm, int &ft) {
  const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const PassState was = rememberPassState();
  const float s = static_cast<float>(std::sin(static_cast<double>(a)));
  const SceneClock clock = sceneClock(huit);
  const float now = clock.now, prev = clock.previous, t = clock.t();

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
  // Every frame leaves its scattered but still sharp picture and its blur
  // radius in _texOut and _blurRadius: rouge starts from the last one drawn,
  // however few frames the end of the scene had. Scattering into _texOut
  // costs what scattering in place does.
  if (perm != 0) {
    gl4dfScattering(frame, _texOut, static_cast<GLuint>(perm), 0, 0, GL_FALSE);
    // The snow starts with the first scattered frame past 15 s.
    if (ft && t > 15.0f) {
      ahSetNeige(1);
      ft = 0;
    }
  } else {
    gl4dfConvTex2Tex(frame, _texOut, GL_FALSE);
  }
  _blurRadius = static_cast<int>(r);
  gl4dfBlur(_texOut, frame, r, 1, 0, GL_FALSE);
}

void huit(int state) {
  static float a = 0.1f;
  static GLuint tid = 0;
  // Scattering radius from the sound, written on the audio thread.
  static std::atomic<int> perm{0};
  static int firstTime = 1;
  static int ft = 1;  // the snow is still to be switched on
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
      drawHuit(tid, a, perm.load(std::memory_order_relaxed), ft);
  }
}

// The dissolve's scattering radius for the 60 Hz steps since the last frame:
// 21 texels a step, and scattered offsets add up like a random walk's, so k
// steps at once take a radius of 21 sqrt(k).
static GLuint dissolveRadius(float steps) {
  return static_cast<GLuint>(std::lround(21.0 * std::sqrt(static_cast<double>(steps))));
}

void rouge(int state) {
  static float bf = 1.0f;  // share of huit's last blur still applied
  if (!isDrawState(state)) return;
  const GLfloat red[4] = {1000.0f, 0.0f, 0.0f, 1.0f};
  const PassState was = rememberPassState();
  const SceneClock clock = sceneClock(rouge);
  const float now = clock.now, prev = clock.previous;

  // Scattered in place, so the dissolve builds up from step to step.
  gl4dfScattering(_texOut, _texOut, dissolveRadius(clock.steps), 0, 0, GL_FALSE);
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
static void drawBeep(float height, float &px, float &py, int &ft) {
  const GLfloat green[4] = {0.2f, 1.0f, 0.2f, 1.0f};
  const PassState was = rememberPassState();
  if (ft) {
    ahSetStep(2);
    clearTo(0.0f, 0.0f, 0.0f);
    gl4dfConvTex2Tex(frameTexture(), _texOut, GL_FALSE);  // an opaque black feedback to start from
    ft = 0;
  }
  float x = sceneClock(beep).t() / 2.2f;
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
  switch (state) {
    case 0:
    case 3:
      return;
    case 1:
      height.store(ahAverage() / 300.0f, std::memory_order_relaxed);
      return;
    default:
      drawBeep(height.load(std::memory_order_relaxed), px, py, ft);
  }
}


/* ------------------------------------------------------------------------
 * Bee world: the backdrop, landscape and bee passes; the two chase rigs that
 * draw a whole frame with them; the opening flight; the filtered bee scenes.
 * The bee flies towards -z at _bee; the camera follows it.
 * ------------------------------------------------------------------------ */

// Uniform locations are looked up by name at every use.
static GLint uniformOf(GLuint program, const char *name) { return glGetUniformLocation(program, name); }

// A bee-world frame turns depth testing and blending on (rememberPassState
// takes both first) and switches back off whichever was off.
static void restoreSwitches(PassState was) {
  if (!was.depth) glDisable(GL_DEPTH_TEST);
  if (!was.blend) glDisable(GL_BLEND);
}

/* World draw passes. They set no camera and clear nothing; each leaves its
 * program current and "model" at the identity. */

static const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // the bee's body, under its stripes
static const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // its head
// Wing-beat phase, radians: advanced by every bee_draw for the whole run.
static GLfloat ang = 0.0f;

// Rows [first, last) of the frame.
struct FrameRows {
  GLint first, last;
};

// The rows of the frame where the backdrop can show, seen from the camera of
// "view" and "proj" over the landscape that grid_draw(gridX, sy, gridZ)
// draws; all of them where that cannot be told. The landscape is opaque
// nearer than kGroundEdge to the eye and lies between the planes -1 -+ the
// relief's reach. A ray from an eye above it that falls to the lower plane
// within kGroundEdge less a unit (the margin for the fragments' rounding)
// meets the landscape before that, in the grid, where it is opaque: that
// pixel is the landscape's whatever lies behind it. Along a row the ray's
// fall over that distance is an affine function less a convex one, so a row
// whose two end pixels are hidden is hidden throughout.
static FrameRows backdropRows(GLfloat gridX, GLfloat sy, GLfloat gridZ) {
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const FrameRows all = {vp[1], vp[1] + vp[3]};
  GLfloat v[16], p[16];
  gl4duGetMatrixData("view", v);
  gl4duGetMatrixData("proj", p);
  // Only a frustum's projection: the ray of (x, y) in normalised device
  // coordinates is ((x + p8) / p0, (y + p9) / p5, -1) in the eye's frame.
  if (p[1] != 0.0f || p[3] != 0.0f || p[4] != 0.0f || p[7] != 0.0f || p[11] != -1.0f || p[12] != 0.0f ||
      p[13] != 0.0f || p[15] != 0.0f)
    return all;
  // "view" is a rotation R and a translation: the eye is -R^T t, a ray d of
  // the eye's frame is R^T d in the world.
  double eye[3], lowest = -1.0 - std::fabs(sy) * reliefReach(), highest = -1.0 + std::fabs(sy) * reliefReach();
  for (int i = 0; i < 3; ++i) eye[i] = -(v[4 * i] * v[12] + v[4 * i + 1] * v[13] + v[4 * i + 2] * v[14]);
  const double reach = kGroundEdge - 1.0, grid = 64.0;
  if (!(eye[1] > highest + 0.02) || std::fabs(eye[0] - gridX) + reach > grid || std::fabs(eye[2] - gridZ) + reach > grid)
    return all;
  const auto hidden = [&](double x, double y) {
    const double c[3] = {(x + p[8]) / p[0], (y + p[9]) / p[5], -1.0};
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = v[4 * i] * c[0] + v[4 * i + 1] * c[1] + v[4 * i + 2] * c[2];
    return d[1] < 0.0 && (eye[1] - lowest) * std::hypot(d[0], d[2]) <= reach * -d[1];
  };
  FrameRows shown = {all.last, all.first};
  for (GLint row = 0; row < vp[3]; ++row) {
    const double y = (row + 0.5) / vp[3] * 2.0 - 1.0;
    if (hidden(1.0 / vp[2] - 1.0, y) && hidden(1.0 - 1.0 / vp[2], y)) continue;
    shown.first = std::min(shown.first, vp[1] + row);
    shown.last = vp[1] + row + 1;
  }
  return shown.first < shown.last ? shown : FrameRows{all.first, all.first};
}

// The backdrop: the hue ramp on a huge quad just inside the far plane, 990
// beyond the bee, then softened. The rigs call it right after clearing, so
// the filters see the backdrop alone; they compute only the rows where it
// can show (all of them unless told).
static void fond(double t, FrameRows shown = {0, -1}) {
  // Each step computes the rows shown and, beyond them, what the steps after
  // it read: the blur's reach, the median's texel, the scattering's radius
  // and a texel more for its rounding.
  const bool partial = shown.last >= shown.first, none = shown.last == shown.first;
  const GLint median = none ? 0 : static_cast<GLint>(gl4dfBlurReach(21, 1)), scatter = none ? 0 : median + 1,
              drawn = none ? 0 : scatter + 7 + 1;
  GLint vp[4], box[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  glGetIntegerv(GL_SCISSOR_BOX, box);
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  const auto rowsAnd = [&](GLint more) {
    if (partial) gl4dfSetRegion(vp[0], shown.first - more, vp[2], shown.last - shown.first + 2 * more);
  };
  const GLuint p = _pId[2];
  glUseProgram(p);
  glUniform1i(uniformOf(p, "tex1"), 1);
  glUniform2f(uniformOf(p, "tt"), 1.0f, 1.0f);
  glUniform1f(uniformOf(p, "ts"), 1.0f);
  glUniform1f(uniformOf(p, "temps"), static_cast<GLfloat>(t > 0.0 ? t : 0.0));
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_1D, _colorsTex);
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
  gl4duPushMatrix();
  gl4duTranslatef(0.0f, 0.0f, _bee[2] - 990.0f);
  gl4duScalef(999.0f, 999.0f, 1.0f);
  gl4duSendMatrices();
  gl4duPopMatrix();
  if (partial) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(vp[0], shown.first - drawn, vp[2], shown.last - shown.first + 2 * drawn);
  }
  gl4dgDraw(_quad);
  if (partial) {
    glScissor(box[0], box[1], box[2], box[3]);
    if (!scissor) glDisable(GL_SCISSOR_TEST);
  }
  glBindTexture(GL_TEXTURE_1D, 0);
  glActiveTexture(GL_TEXTURE0);
  glUniform1i(uniformOf(p, "tex1"), 0);
  const GLuint frame = frameTexture();
  rowsAnd(scatter);
  gl4dfScattering(frame, frame, 7, 3, 0, GL_FALSE);
  rowsAnd(median);
  gl4dfMedian(frame, frame, 1, GL_FALSE);
  rowsAnd(0);
  gl4dfBlur(frame, frame, 21, 1, 0, GL_FALSE);
  gl4dfSetRegion(0, 0, -1, -1);
}

// The landscape: the 512 x 512 grid, 128 units across, centred under the eye
// at (x, z) and lifted by noise of height sy in the vertex stage. Above
// 2.001 the relief turns brown and loses its tiles (a NaN stays blue).
static void grid_draw(GLfloat x, GLfloat sy, GLfloat z) {
  const GLboolean blend = glIsEnabled(GL_BLEND);
  glEnable(GL_BLEND);
  const GLuint p = _pId[1];
  glUseProgram(p);
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
  const bool brown = sy > 2.001f;
  if (brown)
    glUniform4f(uniformOf(p, "couleur"), 0.14f, 0.1f, 0.05f, 1.0f);
  else
    glUniform4f(uniformOf(p, "couleur"), 0.1f, 0.1f, 0.5f, 1.0f);
  glUniform1i(uniformOf(p, "hasTex"), brown ? 0 : 1);
  glUniform2f(uniformOf(p, "offset"), 1.0f / 511.0f, 1.0f / 511.0f);
  glUniform1i(uniformOf(p, "tex"), 0);
  glUniform1i(uniformOf(p, "sol"), 1);
  glUniform2f(uniformOf(p, "tt"), x, z);
  glUniform1f(uniformOf(p, "ts"), 64.0f);
  glUniform1f(uniformOf(p, "sy"), sy);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _gridTex);
  gl4duPushMatrix();
  gl4duTranslatef(x, 0.0f, z);
  gl4duScalef(64.0f, 1.0f, 64.0f);
  gl4duTranslatef(0.0f, -1.0f, 0.0f);
  gl4duSendMatrices();
  gl4duPopMatrix();
  useNoiseTextures(p, 1);
  // Without relief (perlin.vs runs no octave for sy = 0) every vertex lies
  // in the plane and every attribute the fragments get is affine in the
  // position: the square in a few large cells is the same surface with the
  // same values, less the cost of the far cells, which are smaller than a
  // pixel and each cost a software rasteriser a block of shading.
  const GLuint mesh = sy == 0.0f ? _flatGrid : _grid;
  // The relief never leaves |sy| x reliefReach() of the plane: the grid is
  // drawn only where it can reach the view.
  static const GLfloat reach = reliefReach();
  gl4dgSetReach(mesh, std::fabs(sy) * reach, std::fabs(sy) * reach);
  gl4dgDraw(mesh);
  unuseNoiseTextures(1);
  glUniform2f(uniformOf(p, "tt"), 0.0f, 0.0f);
  glUniform1f(uniformOf(p, "ts"), 1.0f);
  glUniform1i(uniformOf(p, "hasTex"), 0);
  glUniform1i(uniformOf(p, "sol"), 0);
  glUniform1f(uniformOf(p, "sy"), 0.0f);
  if (!blend) glDisable(GL_BLEND);
}

/* The ground drawn once for the two scenes of a cross-fade that show the
 * same world (bee2 and bee3, bee5 to bee7: one rig, one camera, one moment).
 * Outside the rows where the backdrop shows, the frame after grid_draw is
 * the ground's alone: kept from the first scene's frame (a transition's,
 * not the manager's), colour and depth, it is the second scene's too. In
 * those rows its backdrop has a scattering of its own, so there fond draws
 * it and the ground is drawn over it again. */


// The internal format of the bound framebuffer's depth; 0 where it has none.
static GLint depthFormat(void) {
  GLint type = GL_NONE, name = 0, format = 0;
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
  if (type == GL_RENDERBUFFER) {
    GLint bound = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &bound);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(name));
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(bound));
  }
  return format;
}

// Everything the ground's pixels depend on: the camera, the frame, the
// landscape's arguments and program, its lights, face culling.
static std::vector<GLfloat> groundWorld(GLfloat x, GLfloat sy, GLfloat z) {
  std::vector<GLfloat> w(16 + 16 + 4 + 3 + 16 + 16 + 4);
  gl4duGetMatrixData("view", &w[0]);
  gl4duGetMatrixData("proj", &w[16]);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const GLfloat rest[7] = {GLfloat(vp[0]), GLfloat(vp[1]), GLfloat(vp[2]), GLfloat(vp[3]), x, sy, z};
  std::copy(rest, rest + 7, &w[32]);
  const GLuint p = _pId[1];
  for (int i = 0; i < 4; ++i) {
    glGetUniformfv(p, uniformOf(p, ("Lp[" + std::to_string(i) + "]").c_str()), &w[39 + 4 * i]);
    glGetUniformfv(p, uniformOf(p, ("Lc[" + std::to_string(i) + "]").c_str()), &w[55 + 4 * i]);
  }
  GLint lights = 0;
  glGetUniformiv(p, uniformOf(p, "nbL"), &lights);
  const GLfloat last[4] = {GLfloat(p), GLfloat(lights), GLfloat(glIsEnabled(GL_CULL_FACE)), GLfloat(depthFormat())};
  std::copy(last, last + 4, &w[71]);
  return w;
}

// Copies the rows of the bound framebuffer's viewport outside shown, colour
// and depth, from the framebuffer read to the one drawn.
static void copyOutside(GLuint read, GLuint draw, const GLint vp[4], FrameRows shown) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
  const GLint rows[2][2] = {{vp[1], shown.first}, {shown.last, vp[1] + vp[3]}};
  for (const auto &r : rows)
    if (r[1] > r[0])
      glBlitFramebuffer(vp[0], r[0], vp[0] + vp[2], r[1], vp[0], r[0], vp[0] + vp[2], r[1],
                        GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
}

// grid_draw, or, for the world kept, its rows outside shown from the kept
// frame and the ground drawn over the backdrop in the rows shown.
static void drawGround(GLfloat x, GLfloat sy, GLfloat z, FrameRows shown) {
  GLint vp[4], frame = 0;
  glGetIntegerv(GL_VIEWPORT, vp);
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &frame);
  const GLuint texture = frameTexture();
  const bool some = shown.last >= shown.first && (shown.first > vp[1] || shown.last < vp[1] + vp[3]);
  std::vector<GLfloat> world = some ? groundWorld(x, sy, z) : std::vector<GLfloat>();
  if (!some || world.back() == 0.0f) {
    grid_draw(x, sy, z);
    return;
  }
  if (world == _kept.world && texture != _kept.from) {
    copyOutside(_kept.fbo, static_cast<GLuint>(frame), vp, shown);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame));
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glEnable(GL_SCISSOR_TEST);
    glScissor(vp[0], shown.first, vp[2], shown.last - shown.first);
    grid_draw(x, sy, z);
    glScissor(box[0], box[1], box[2], box[3]);
    if (!scissor) glDisable(GL_SCISSOR_TEST);
    return;
  }
  grid_draw(x, sy, z);
  if (texture == gl4dhGetColorTexture()) return;
  const GLsizei w = vp[0] + vp[2], h = vp[1] + vp[3];
  if (_kept.w != w || _kept.h != h || _kept.depthFormat != GLint(world.back())) {
    if (!_kept.fbo) glGenFramebuffers(1, &_kept.fbo);
    if (!_kept.colour) glGenRenderbuffers(1, &_kept.colour), glGenRenderbuffers(1, &_kept.depth);
    GLint bound = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &bound);
    glBindRenderbuffer(GL_RENDERBUFFER, _kept.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, _kept.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, static_cast<GLenum>(world.back()), w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(bound));
    glBindFramebuffer(GL_FRAMEBUFFER, _kept.fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, _kept.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, _kept.depth);
    _kept.w = w, _kept.h = h, _kept.depthFormat = GLint(world.back());
  }
  copyOutside(static_cast<GLuint>(frame), _kept.fbo, vp, shown);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(frame));
  _kept.world = std::move(world);
  _kept.from = texture;
}

// A sphere of the bee, in the bee's frame: raised by y and moved forward by
// z, scaled by (sx, sy, sz), in colour c.
static void spherePart(GLfloat y, GLfloat z, GLfloat sx, GLfloat sy, GLfloat sz, const GLfloat *c) {
  gl4duPushMatrix();
  if (y != 0.0f || z != 0.0f) gl4duTranslatef(0.0f, y, z);
  gl4duScalef(sx, sy, sz);
  gl4duSendMatrices();
  gl4duPopMatrix();
  glUniform4fv(uniformOf(_pId[0], "couleur"), 1, c);
  gl4dgDraw(_sphere);
}

// How the wings move on in one bee_draw: each wing's phase by advance over
// the frame (the beat's steps over the frame's 60 Hz steps), the second
// wing leading the first by lead (one step's beat).
struct WingBeat {
  GLfloat advance, lead;
};

// A beat of da per wing and 60 Hz step, over the steps a frame covers.
static WingBeat steadyBeat(GLfloat da, float steps) { return {da * steps, da}; }

// One wing: amplitude a degrees about the body's long axis, on side s, at
// phase phase.
static void wing(GLfloat a, GLfloat s, GLfloat phase) {
  gl4duPushMatrix();
  gl4duRotatef(static_cast<GLfloat>(a * std::sin(static_cast<double>(phase))), 0.0f, 0.0f, 1.0f);
  gl4duTranslatef(s * -0.3f, 0.08f, 0.0f);
  gl4duRotatef(-10.0f, 1.0f, 0.0f, 0.0f);
  gl4duScalef(0.3f, 0.2f, 0.1f);
  gl4duSendMatrices();
  gl4duPopMatrix();
  // Both faces of a wing show as it beats.
  glDisable(GL_CULL_FACE);
  glUniform4f(uniformOf(_pId[0], "couleur"), 0.0f, 0.0f, 0.0f, 0.5f);
  gl4dgDraw(_disk);
  glEnable(GL_CULL_FACE);
}

// The bee at _bee, head towards -z: striped body, black head, two wings
// whose phases move on by the beat. Leaves face culling on.
static void bee_draw(WingBeat beat) {
  const GLuint p = _pId[0];
  glUseProgram(p);
  glUniform1i(uniformOf(p, "corps"), 2);
  glUniform1i(uniformOf(p, "hasTex"), 1);
  glUniform1i(uniformOf(p, "myTex"), 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, _beeTex);
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
  gl4duPushMatrix();
  gl4duTranslatef(_bee[0], _bee[1], _bee[2]);
  gl4duRotatef(180.0f, 0.0f, 1.0f, 0.0f);

  // The body, stretched along the bee's axis, then the head before it.
  spherePart(0.0f, 0.0f, 0.12f, 0.12f, 0.4f, white);
  spherePart(0.05f, 0.48f, 0.1f, 0.1f, 0.1f, black);
  // At 60 fps advance equals lead and this is ang += lead before each wing.
  const GLfloat first = (ang + (2.0f * beat.advance - 2.0f * beat.lead)) + beat.lead;
  ang = first + beat.lead;
  wing(-30.0f, -1.0f, first);
  wing(30.0f, 1.0f, ang);

  gl4duPopMatrix();
  glUniform1i(uniformOf(p, "corps"), 0);
  glUniform1i(uniformOf(p, "hasTex"), 0);
}

/* Frames of the bee world: the lights, the frame's set-up and its passes,
 * shared by the chase rigs and the opening flight. */

// One light set: the fixed light's height and the four base colours. Lights
// 1 to 3 are scaled by the caller's factor, light 0 never.
struct LightSet {
  GLfloat fixedHeight;
  GLfloat colour[4][3];
};

// Lights "Lp" and "Lc" for both lit programs: light 0 fixed above the start,
// three circling the eye. The eye's x is ox + bx and its z oz + bz (offset
// and bee coordinate); the circles are summed in double, term by term.
static void sendLights(const LightSet &set, GLfloat scale, GLfloat t, const GLfloat heights[3], GLfloat ox, GLfloat bx,
                       GLfloat oz, GLfloat bz) {
  const double tt = t;
  const double x[3] = {16.5 * std::cos(7.0 * tt) + 0.0, 9.5 * std::cos(9.0 * tt) + 1.0, 9.5 * std::cos(3.0 * tt) - 4.0};
  const double z[3] = {20.9 * std::sin(8.0 * tt) - 15.0, 20.9 * std::sin(-12.0 * tt) + 2.0,
                       20.9 * std::sin(6.0 * tt) + 10.0};
  GLfloat lp[16] = {0.0f, set.fixedHeight, 3.0f, 1.0f};
  GLfloat lc[16] = {set.colour[0][0], set.colour[0][1], set.colour[0][2], 1.0f};
  for (int i = 1; i < 4; ++i) {
    GLfloat *pos = &lp[4 * i], *col = &lc[4 * i];
    pos[0] = static_cast<GLfloat>(x[i - 1] + ox + bx);
    pos[1] = heights[i - 1];
    pos[2] = static_cast<GLfloat>(z[i - 1] + oz + bz);
    pos[3] = 1.0f;
    for (int c = 0; c < 3; ++c) col[c] = set.colour[i][c] * scale;
    col[3] = 1.0f;
  }
  for (int i = 0; i < 2; ++i) {
    const GLuint p = _pId[i];
    glUseProgram(p);
    glUniform1i(uniformOf(p, "nbL"), 4);
    glUniform4fv(uniformOf(p, "Lp"), 4, lp);
    glUniform4fv(uniformOf(p, "Lc"), 4, lc);
  }
}

// Opaque black frame, depth and blending on, "view" at the identity for the
// camera that follows.
static void beginWorldFrame(void) {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl4duBindMatrix("view");
  gl4duLoadIdentityf();
}

// The three passes in their order; program 0 current afterwards.
static void drawWorld(double backdropTime, GLfloat gridX, GLfloat sy, GLfloat gridZ, WingBeat beat) {
  const FrameRows shown = backdropRows(gridX, sy, gridZ);
  fond(backdropTime, shown);
  drawGround(gridX, sy, gridZ, shown);
  bee_draw(beat);
  glUseProgram(0);
}

/* Chase camera rigs: the bee flies on at 4.95 units a second, the eye
 * follows at (p[0], p[1] + 0.5, p[2] + 2) from it, and p[3] is the relief
 * height. A rig's clock starts with the first scene that draws through it,
 * and each call moves the bee by the time since the rig's last call, so
 * that two scenes of one cross-fade move it once between them. */

struct RigClock {
  GLfloat start = -1.0f, last = 0.0f;
};

static const LightSet lightsX = {40.0f,
                                 {{0.8f, 0.8f, 0.4f}, {1.0f, 1.0f, 1.0f}, {1.0f, 0.1f, 0.1f}, {0.1f, 1.0f, 0.1f}}};
static const LightSet lightsY = {4000.0f,
                                 {{0.2f, 0.2f, 0.2f}, {0.5f, 0.5f, 2.0f}, {2.0f, 0.8f, 0.8f}, {0.3f, 0.3f, 0.8f}}};

static void chase(const GLfloat *p, RigClock &clock, const LightSet &lights, const SceneClock &scene) {
  const PassState entry = rememberPassState();
  if (clock.start < 0.0f) clock.start = clock.last = scene.start;
  const GLfloat now = scene.now;
  const GLfloat t = now - clock.start, dt = now - clock.last;
  clock.last = now;
  beginWorldFrame();
  _bee[2] = _bee[2] - 4.95f * dt;
  const GLfloat o[3] = {p[0], p[1] + 0.5f, p[2] + 2.0f};
  gl4duLookAtf(_bee[0] + o[0], _bee[1] + o[1], _bee[2] + o[2], _bee[0], _bee[1], _bee[2], 0.0f, 1.0f, 0.0f);
  const GLfloat c = o[1];
  const GLfloat heights[3] = {c + 1.5f, 1.0f + 3.0f * c, 0.9f + 2.0f * c};
  // The circling lights brighten by one base unit a second, without end.
  sendLights(lights, t + 3.633341f, t, heights, o[0], _bee[0], o[2], _bee[2]);
  drawWorld(t + 1.633341f, p[0] + _bee[0], p[3], o[2] + _bee[2], steadyBeat(1.085f, stepsIn(scene.fromMs, scene.toMs)));
  restoreSwitches(entry);
}

// bee2, bee3 and bee4 share this rig and its clock.
static void subbeeX(const GLfloat *p, const SceneClock &scene) {
  static RigClock clock;
  chase(p, clock, lightsX, scene);
}

// bee5, bee6 and bee7 share this one: a dim sun, colder and brighter lights.
static void subbeeY(const GLfloat *p, const SceneClock &scene) {
  static RigClock clock;
  chase(p, clock, lightsY, scene);
}

/* The opening flight: the camera looks straight down at the resting bee,
 * climbs, the wings start with a stutter, the camera swings down behind the
 * bee, and the bee accelerates away while the circling lights fade in. */

enum { RCAM_SIZE = 6 };

// Phase 2: the eye climbs from just over the bee to height 4 straight above.
static void climb(GLfloat t, GLfloat *rcam) {
  const GLfloat p = powf(fminf(1.0f, (t - 2.5f) / 3.33f), 1.3f);
  const GLfloat up = static_cast<GLfloat>(std::sin(p * M_PI * 0.5));
  const GLfloat ahead = static_cast<GLfloat>(std::sin((1.0f - p) * M_PI * 0.5));
  rcam[1] = static_cast<GLfloat>((0.26652f - _bee[1]) + 3.73348f * std::pow(static_cast<double>(up), 3.0));
  rcam[2] = static_cast<GLfloat>(-0.26652f * (static_cast<double>(ahead) * ahead));
}

// Phase 3: the beat starts, stutters where the sine crosses zero (q = 0.4,
// 0.8), and reaches pi/3.
static GLfloat takeOffBeat(GLfloat t) {
  const GLfloat r = (t - 5.83f) / 3.33f;
  if (r > 1.0f) return static_cast<GLfloat>(M_PI / 3.0);
  const GLfloat q = r * r;
  const double beat = 0.1f * q + static_cast<double>(0.9f) * std::fabs(std::sin(2.5 * M_PI * q));
  return static_cast<GLfloat>(beat * M_PI / 3.0);
}

// Phases 4 and 5: a flutter between pi/3 and pi/3 + 0.05, drawn anew at
// every 60 Hz step.
static GLfloat randomBeat(long step) { return static_cast<GLfloat>(stepRandom(step) / 20.0f + M_PI / 3.0); }

// Phase 4: at every step the camera closes a share w of its distance to the
// chase camera, w growing; a part of a step closes what that part of the
// step's blend does (the remaining distance times (1 - w)^share).
static void settle(GLfloat t, GLfloat share, GLfloat *rcam, const GLfloat *rcam0) {
  const GLfloat r = (t - 9.16f) / 3.33f;
  GLfloat w = r > 1.0f ? 1.0f : r * r;
  if (share != 1.0f) w = 1.0f - powf(1.0f - w, share);
  for (int i = 0; i < RCAM_SIZE; ++i) rcam[i] = (1.0f - w) * rcam[i] + w * rcam0[i];
}

// Phase 5, a step at a time: the bee flies the step at the speed it starts
// it with, then accelerates at 1.5 units/s^2 against a drag that levels its
// speed off at about 10.6 units/s. A part of a step flies its share of the
// step; the speed changes as the step ends. The drag only ever stops it.
static void flyOff(GLfloat dt, const StepPart &part, GLfloat &ve4) {
  _bee[2] = _bee[2] - ve4 * dt * part.share;
  if (!part.ends) return;
  const GLfloat v = ve4 + 1.5f * dt;
  ve4 = fmaxf(0.0f, v - 0.8f * v * dt * v * dt);
}

// Looks at the bee from _bee + rcam[0..2] with up rcam[3..5]: straight down
// (centre below the eye) or at the bee itself.
static void lookFromRcam(const GLfloat *rcam, bool atBee) {
  const GLfloat eye[3] = {_bee[0] + rcam[0], _bee[1] + rcam[1], _bee[2] + rcam[2]};
  const GLfloat cz = atBee ? _bee[2] : _bee[2] + rcam[2];
  gl4duLookAtf(eye[0], eye[1], eye[2], _bee[0], _bee[1], cz, rcam[3], rcam[4], rcam[5]);
}

void beebegin(int state) {
  // Eye offset from the bee, then up vector; -10 marks the set-up to come.
  static GLfloat rcam[RCAM_SIZE] = {0.0f, 4.0f, 0.0f, -10.0f, 0.0f, -1.0f};
  static const GLfloat rcam0[RCAM_SIZE] = {0.0f, 0.5f, 2.0f, 0.0f, 1.0f, 0.0f};
  static GLfloat vbat = 0.0f, ve4 = 0.0f;
  if (!isDrawState(state)) return;
  const PassState entry = rememberPassState();
  const SceneClock clock = sceneClock(beebegin);
  const GLfloat t = clock.t();
  beginWorldFrame();
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  if (rcam[3] == -10.0f) {
    // Just above the bee and 0.26652 ahead, looking down; up tilted in x-z.
    rcam[2] = -0.26652f;
    rcam[5] = -1.4142135f;
    rcam[1] = 0.26652f - _bee[1];
    rcam[3] = static_cast<GLfloat>(vp[3] * -1.4142135623730951 / static_cast<GLfloat>(vp[2]));
  }
  // The beat, the settling and the flight move by the 60 Hz steps of the
  // frame, each at its own time; the wings beat the steps' sum.
  GLfloat advance = 0.0f;
  forEachStep(clock.fromMs, clock.toMs, [&](const StepPart &part) {
    const GLfloat ts = showSeconds(stepMs(part.n)) - clock.start;
    if (ts >= 9.16) {
      vbat = randomBeat(part.n);
      if (ts < 12.49)
        settle(ts, part.share, rcam, rcam0);
      else
        flyOff(showSeconds(stepMs(part.n)) - showSeconds(stepMs(part.n - 1)), part, ve4);
    } else if (ts >= 5.83) {
      vbat = takeOffBeat(ts);
    }
    advance += part.share * vbat;
  });
  if (t < 5.83 && t > 2.5) climb(t, rcam);
  lookFromRcam(rcam, t >= 5.83);
  // The circling lights fade in from 15.49 s, half a base unit a second.
  const GLfloat f = t - 15.49f > 0.0f ? 0.5f * (t - 15.49f) : 0.0f;
  const GLfloat heights[3] = {2.0f, 1.5f, 1.4f};
  sendLights(lightsX, f, t, heights, rcam[0], _bee[0], rcam[2], _bee[2]);
  drawWorld(f - 2.0, rcam[0] + _bee[0], 0.0f, rcam[2] + _bee[2], {advance, vbat});
  restoreSwitches(entry);
}

/* Filtered bee scenes: the chase, then filters over the finished frame. */

// Edges of the softened frame: bee2 as inverted colours, bee3 as colours.
static void edges(GL4DFenum resultMode) {
  const GLuint frame = frameTexture();
  gl4dfBlur(frame, frame, 3, 1, 0, GL_FALSE);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_NONE);
  gl4dfSobelSetResultMode(resultMode);
  gl4dfSobel(frame, frame, GL_FALSE);
}

void bee2(int state) {
  static const GLfloat d[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  if (!isDrawState(state)) return;
  subbeeX(d, sceneClock(bee2));
  edges(GL4DF_SOBEL_RESULT_INV_RGB);
}

void bee3(int state) {
  static const GLfloat d[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  if (!isDrawState(state)) return;
  subbeeX(d, sceneClock(bee3));
  edges(GL4DF_SOBEL_RESULT_RGB);
}

// A logistic step from 0 to 1 centred at c, of steepness 6 / width.
static double logistic(GLfloat t, GLfloat c, GLfloat width) {
  return 1.0 / (1.0 + std::exp(-6.0 * static_cast<double>((t - c) / width)));
}

// The climb: the bee rises 2.5 and surges up to 6 ahead of its base, the
// camera climbs 3.5 and falls back to 4 behind; after 6 s the relief grows
// to 2, still blue and tiled.
void bee4(int state) {
  static int ft = 1;
  static GLfloat b[3] = {0.0f, 0.0f, 0.0f};
  if (!isDrawState(state)) return;
  const SceneClock clock = sceneClock(bee4);
  const GLfloat t = clock.t();
  if (ft) {
    for (int i = 0; i < 3; ++i) b[i] = _bee[i];
    ft = 0;
  }
  const GLfloat back = static_cast<GLfloat>(2.0 / (1.0 + std::exp(-6.0 * static_cast<double>(t - 1.0f))));
  const GLfloat s1 = static_cast<GLfloat>(2.5 * logistic(t, 1.9f, 1.9f));
  const GLfloat s3 = static_cast<GLfloat>(3.5 * logistic(t, 3.0f, 3.0f));
  _bee[1] = b[1] + s1;
  const GLfloat S = s1 + s3;
  _bee[2] = b[2] - S;
  GLfloat h = 0.0f;
  if (t > 6.0f) {
    const double grown = std::pow(static_cast<double>(t - 6.0f), static_cast<double>(0.9f));
    h = grown < 2.0 ? static_cast<GLfloat>(grown) : 2.0f;
  }
  const GLfloat p[4] = {0.0f, s3 - s1, back, h};
  subbeeX(p, clock);
  // The base takes over the rig's forward move.
  b[2] = _bee[2] - (b[2] - S) + b[2];
  gl4dfSobelSetResultMode(GL4DF_SOBEL_RESULT_INV_LUMINANCE);
  gl4dfSobelSetMixFactor(0.9f);
  gl4dfSobelSetMixMode(GL4DF_SOBEL_MIX_ADD);
  const GLuint frame = frameTexture();
  gl4dfSobel(frame, frame, GL_FALSE);
}

// bee5 to bee7 watch from higher and further back, over the brown relief.
static const GLfloat highChase[4] = {0.0f, 1.0f, 2.0f, 2.0011f};

void bee5(int state) {
  if (isDrawState(state)) subbeeY(highChase, sceneClock(bee5));
}

// Scattered, then blurred more every second: 2 texels a second in bee6, 4
// in bee7, from 10 at each scene's first draw.
static void scatterAndBlur(GLfloat t, double widening) {
  const GLuint frame = frameTexture();
  gl4dfScattering(frame, frame, 13, 0, 0, GL_FALSE);
  const GLuint radius = static_cast<GLuint>(static_cast<int>(widening * static_cast<double>(t) + 10.0));
  gl4dfBlur(frame, frame, radius, 1, 0, GL_FALSE);
}

void bee6(int state) {
  if (!isDrawState(state)) return;
  const SceneClock clock = sceneClock(bee6);
  subbeeY(highChase, clock);
  scatterAndBlur(clock.t(), 2.0);
}

void bee7(int state) {
  if (!isDrawState(state)) return;
  const SceneClock clock = sceneClock(bee7);
  subbeeY(highChase, clock);
  scatterAndBlur(clock.t(), 4.0);
}
