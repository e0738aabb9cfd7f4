// The scenes of the show, in sections: the GL objects they share, small
// helpers for full-frame passes, the cross-fade, the colour screens, the
// opening scenes, and the bee world.
#include "animations.h"

#include <algorithm>
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
 * Shared scene resources: made by animationsInit, textures released by
 * _quit at exit or at the next animationsInit. Scenes only bind and draw
 * them.
 * ------------------------------------------------------------------------ */

// Meshes: full-screen quad, the bee's wing, its body and head, the landscape
// (and the same square in a few large cells, for the flat ground).
static GLuint _quad = 0, _disk = 0, _sphere = 0, _grid = 0, _flatGrid = 0;
// Textured full-screen quads (tex.fs).
static GLuint _texProgId = 0;
// The bee, the landscape and the backdrop.
static GLuint _pId[3] = {0, 0, 0};
// The landscape's program without the tile, for the brown relief, which
// shows none (perlin.fs, SURFACE_PLAIN_GROUND).
static GLuint _plainGroundId = 0;
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
// Half the landscape's square grid, in world units: its mesh spans -1..1.
static constexpr GLfloat kGridHalf = 64.0f;

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
static constexpr GLfloat kBeeStart[3] = {0.0f, 0.1f, 0.0f};
[[maybe_unused]] static GLfloat _bee[3] = {kBeeStart[0], kBeeStart[1], kBeeStart[2]};
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
  // Without data, transparent black: a texture is never shown undefined.
  const std::vector<GLubyte> black(data ? 0 : static_cast<size_t>(w) * h * 4, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, data ? data : black.data());
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

static void resetShow(void);

void animationsInit(void) {
  // Again: the show from its start, its objects made afresh (those of the
  // layer may have been cleaned away meanwhile).
  static bool exitHook = false;
  if (_beeTex) _quit();
  resetShow();
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  const GLsizei W = vp[2], H = vp[3];
  const GLfloat aspect = static_cast<GLfloat>(H) / static_cast<GLfloat>(W);

  gl4duGenMatrix(GL_FLOAT, "pm");
  gl4duBindMatrix("pm");
  gl4duLoadIdentityf();
  gl4duOrthof(-1.0f, 1.0f, -aspect, aspect, -1.0f, 10.0f);

  _quad = gl4dgGenQuadf();
  _texProgId = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/tex.fs", nullptr);
  _texOut = genTexture2D(GL_NEAREST, GL_CLAMP_TO_EDGE, W, H, nullptr);

  defineRelief();
  defineTile();
  // The bee's and the landscape's programs share perlin.fs, each built with
  // only the paths of its own surface.
  gl4duDefine("SURFACE", "SURFACE_BEE");
  _pId[0] = gl4duCreateProgram("<vs>shaders/basic3d.vs", "<fs>shaders/perlin.fs", nullptr);
  gl4duDefine("SURFACE", "SURFACE_GROUND");
  _pId[1] = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
  gl4duDefine("SURFACE", "SURFACE_PLAIN_GROUND");
  _plainGroundId = gl4duCreateProgram("<vs>shaders/perlin.vs", "<fs>shaders/perlin.fs", nullptr);
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
  if (!exitHook) atexit(_quit), exitHook = true;
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

// The snow decays from the first sample of vert's first row; a frame drawn
// by hand sets the step as it is drawn.
void vert(int state) {
  if (state == 0) ahSetStepAt(1, gl4dhFirstRowStart(vert));
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

// Whether a scene's frame may be the last of its rows: its rows end within
// a second, or within four of its frames at the rate it is drawn. Drawn
// outside the table, every frame may be.
static bool mayBeLastFrame(const SceneClock &clock) {
  GL4DHscene scenes[2];
  double starts[2];
  const double ahead = std::max(1000.0, 4.0 * (clock.toMs - clock.fromMs));
  return !gl4dhRowAt(clock.toMs + ahead, scenes, starts) || (scenes[0] != clock.scene && scenes[1] != clock.scene);
}

// perms: the scattering radius of each block, from the sound.
static void drawHuit(GLuint tid, float &a, const AhMeasures &perms, int &ft) {
  const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const PassState was = rememberPassState();
  const float s = static_cast<float>(std::sin(static_cast<double>(a)));
  const SceneClock clock = sceneClock(huit);
  const int perm = static_cast<int>(perms.heard(clock.toMs));
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
  // A frame leaves its scattered but still sharp picture and its blur radius
  // in _texOut and _blurRadius: rouge starts from the last one drawn, however
  // few frames the end of the scene had. Scattering into _texOut costs what
  // scattering in place does; an unscattered frame copies its picture there
  // only when it may be the scene's last.
  _blurRadius = static_cast<int>(r);
  if (perm != 0) {
    gl4dfScattering(frame, _texOut, static_cast<GLuint>(perm), 0, 0, GL_FALSE);
    // The snow starts with the first scattered frame past 15 s.
    if (ft && t > 15.0f) {
      ahSetNeige(1);
      ft = 0;
    }
  } else if (mayBeLastFrame(clock)) {
    gl4dfConvTex2Tex(frame, _texOut, GL_FALSE);
  } else {
    gl4dfBlur(frame, frame, r, 1, 0, GL_FALSE);
    return;
  }
  gl4dfBlur(_texOut, frame, r, 1, 0, GL_FALSE);
}

// What huit carries from frame to frame: its growth angle, its figure, and
// whether the snow is still to be switched on.
struct HuitState {
  float a = 0.1f;
  GLuint tid = 0;
  int ft = 1;
};
static HuitState _huit;
// Scattering radius from the sound, kept by the audio thread.
static AhMeasures _huitPerms;

void huit(int state) {
  static int firstTime = 1;  // the fonts are started once a process
  GLuint &tid = _huit.tid;
  switch (state) {
    case 0:
      initText(&tid, &firstTime);
      return;
    case 1: {
      const int L = ahPathLength();
      _huitPerms.keep(static_cast<float>(L <= 100 ? 0 : (L - 100) >> 1));
      return;
    }
    case 3:
      if (tid) {
        glDeleteTextures(1, &tid);
        tid = 0;
      }
      return;
    default:
      drawHuit(tid, _huit.a, _huitPerms, _huit.ft);
  }
}

// The dissolve's scattering radius for the 60 Hz steps since the last frame:
// 21 texels a step, and scattered offsets add up like a random walk's, so k
// steps at once take a radius of 21 sqrt(k).
static GLuint dissolveRadius(float steps) {
  return static_cast<GLuint>(std::lround(21.0 * std::sqrt(static_cast<double>(steps))));
}

static float _dissolveBlur = 1.0f;  // share of huit's last blur rouge still applies

void rouge(int state) {
  float &bf = _dissolveBlur;
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

/* The trace. Its picture was made by 21 passes a 60 Hz step: each drew the
 * feedback faded by kTraceKeep, with the spot mixed in at its point, c = s C +
 * (1 - s) keep F, then blurred it back into the feedback. Here any span of
 * time is computed at once, in closed form: the blurs of the passes compose
 * into one Gaussian of the summed variance, the fades into one product, and
 * each pass adds a deposit, s (C - keep F), whose light then only blurs and
 * fades. A deposit is drawn as the Gaussian of its mass, mean and covariance,
 * which tex.fs computes from the light already under its spot: the earlier
 * deposits of the span in closed form, the previous picture by sampling it. So
 * the trail saturates under the point as the passes' mixing did, and the
 * picture at a moment is the same at any frame rate. */
static constexpr int kTracePasses = 21;          // a 60 Hz step
static constexpr float kTraceKeep = 0.9989f;     // light a pass keeps
static constexpr float kTraceTint = 0.2f;        // red and blue a pass keeps
static constexpr float kPassVariance = 32.0f / 9.0f;  // a pass's blur, pixels^2: radius 4, 2 iterations
static constexpr float kSpotSigma = 0.005f;      // frame heights
static constexpr int kMaxDeposits = 64;          // a longer span groups its passes
// The passes' blur spread light past the frame's edges and back, as a
// mirror does: the picture is blurred with its edges mirrored out this far
// (3 sigmas of the blur of 3 steps).
static constexpr int kTraceMargin = 48;

// The trace's own objects: its picture (float, so that the slow fade holds
// exactly), the picture with its mirrored margins and its blurred copy, the
// light under each spot and the deposits drawn (kMaxDeposits x 2 and x 4), a
// framebuffer to draw them, and the programs of its passes (tex.fs with
// TRACE_PASS 1 to 4: the deposits drawn, the light under the spots, the
// deposits, the margins).
static GLuint _traceLight = 0, _tracePadded = 0, _traceBlurred = 0, _traceUnder = 0, _traceDeposits = 0;
static GLuint _traceFbo = 0, _traceProgs[4] = {0, 0, 0, 0};
enum { TRACE_DRAW, TRACE_UNDER, TRACE_DEPOSITS, TRACE_MIRROR };
static GLsizei _traceW = 0, _traceH = 0;

static GLuint genFloatTexture(GLint filter, GLint wrap, GLsizei w, GLsizei h) {
  const GLuint id = genTexture(GL_TEXTURE_2D, filter, wrap);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, w, h, 0, GL_RGBA, GL_FLOAT, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  return id;
}

static void freeTrace(void) {
  GLuint textures[] = {_traceLight, _tracePadded, _traceBlurred, _traceUnder, _traceDeposits};
  if (_traceLight) glDeleteTextures(5, textures);
  if (_traceFbo) glDeleteFramebuffers(1, &_traceFbo);
  _traceLight = _tracePadded = _traceBlurred = _traceUnder = _traceDeposits = _traceFbo = 0;
  _traceW = _traceH = 0;
}

// Draws the next passes into target through the trace's framebuffer, or,
// for target 0, into both textures attached already.
static void traceTarget(GLuint target, GLsizei w, GLsizei h) {
  const GLenum both[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
  glBindFramebuffer(GL_FRAMEBUFFER, _traceFbo);
  if (target) {
    attachFrame(target);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, 0, 0);
  }
  glDrawBuffers(target ? 1 : 2, both);
  glViewport(0, 0, w, h);
}

// Black (opaque) textures.
static void clearTrace(void) {
  GLint fbo = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
  for (GLuint t : {_traceLight, _tracePadded, _traceBlurred, _traceUnder, _traceDeposits}) {
    traceTarget(t, 1, 1);
    clearTo(0.0f, 0.0f, 0.0f);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(fbo));
}

// The objects for frames of the viewport's size, made before the first frame
// (with the float temporaries of the blur: one blur now).
static void makeTrace(void) {
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  if (_traceLight && _traceW == vp[2] && _traceH == vp[3]) return;
  freeTrace();
  _traceW = vp[2], _traceH = vp[3];
  const GLsizei pw = _traceW + 2 * kTraceMargin, ph = _traceH + 2 * kTraceMargin;
  _traceLight = genFloatTexture(GL_LINEAR, GL_MIRRORED_REPEAT, _traceW, _traceH);
  _tracePadded = genFloatTexture(GL_LINEAR, GL_CLAMP_TO_EDGE, pw, ph);
  _traceBlurred = genFloatTexture(GL_LINEAR, GL_CLAMP_TO_EDGE, pw, ph);
  _traceUnder = genFloatTexture(GL_NEAREST, GL_CLAMP_TO_EDGE, kMaxDeposits, 2);
  _traceDeposits = genFloatTexture(GL_NEAREST, GL_CLAMP_TO_EDGE, kMaxDeposits, 4);
  glGenFramebuffers(1, &_traceFbo);
  clearTrace();
  gl4duDefine("TRACE_MAX_DEPOSITS", std::to_string(kMaxDeposits).c_str());
  for (int i = 0; i < 4; ++i)
    if (!_traceProgs[i]) {
      gl4duDefine("TRACE_PASS", std::to_string(i + 1).c_str());
      _traceProgs[i] = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/tex.fs", nullptr);
    }
  gl4duDefine("TRACE_PASS", nullptr);
  gl4duDefine("TRACE_MAX_DEPOSITS", nullptr);
  gl4dfBlurSigma(_tracePadded, _traceBlurred, std::sqrt(kTracePasses * kPassVariance), GL_FALSE);
}

// The passes of a span of the scene's own time, on a grid of kTracePasses a
// 60 Hz step: those after the span's start, up to its end. Pass k of the span
// (1 to count) is `k` passes after its start at 60 fps, and its spot stands
// k / passes of the way from the last point to this one.
struct TraceSpan {
  double passes;  // the span's length, in passes (21 for a 60 Hz step)
  double first;   // passes from the span's start to its first pass
  int count;      // passes in the span
};

static TraceSpan traceSpan(const SceneClock &clock) {
  const GL4DHtimes times = gl4dhGetTimes(beep);  // own time in double: whole passes stay whole
  const double rate = kTracePasses, passes = rate * static_cast<double>(clock.steps);
  const double end = rate * GL4DH_STEPS_PER_SECOND * (std::max(times.now, times.start) - times.start) / 1000.0;
  // A pass on the frame's time is in its span, whatever the rounding.
  const double last = std::floor(end + 1e-6), before = std::floor(end - passes + 1e-6);
  return {passes, before + 1.0 - (end - passes), static_cast<int>(last - before)};
}

// The span's spots: at most kMaxDeposits, so that a longer span groups its
// older passes (half the spots, each standing for `group` passes) and keeps
// its newest one by one. In pixels: where the point was at the span's
// start and its step a pass; in passes since the span's start: the middle
// of the first group, the first single pass. They are drawn together where
// they look as one: the newest alone (the spot as it shows), and from it
// back a spot joins those drawn with it while their stretch of the path is
// at most half the width of the newest of them (the spot blurred by the
// passes after it); draw[k] is the first spot of the k-th drawn.
struct TracePath {
  GLfloat x0, y0, dx, dy;
  double group, a0, a1;
  int spots, grouped, drawn = 0;
  GLint draw[kMaxDeposits + 1] = {};
  double passesAt(int j) const { return j < grouped ? a0 + j * group : a1 + (j - grouped); }
  double groupOf(int j) const { return j < grouped ? group : 1.0; }
};

static TracePath tracePath(const TraceSpan &span, float px, float py, float x, float y) {
  const GLfloat w = static_cast<GLfloat>(_traceW), h = static_cast<GLfloat>(_traceH);
  const double perPass = span.passes > 0.0 ? 1.0 / span.passes : 0.0;
  const int grouped = span.count > kMaxDeposits ? kMaxDeposits / 2 : 0;
  const int singles = std::min(span.count, kMaxDeposits) - grouped;
  const double group = grouped ? static_cast<double>(span.count - singles) / grouped : 1.0;
  TracePath path{px * w, py * h, static_cast<GLfloat>((x - px) * w * perPass), static_cast<GLfloat>((y - py) * h * perPass),
                 group, span.first + 0.5 * (group - 1.0), span.first + (span.count - singles), grouped + singles, grouped};
  const double step = std::hypot(path.dx, path.dy), spotVar = std::pow(kSpotSigma * _traceH, 2.0);
  GLint firsts[kMaxDeposits];
  for (int end = path.spots; end > 0; ++path.drawn) {
    const double newest = path.passesAt(end - 1);
    const double half = 0.5 * std::sqrt(spotVar + (span.passes - newest) * kPassVariance);
    int first = end - 1;
    while (first > 0 && end < path.spots && (newest - path.passesAt(first - 1) + 0.5 * path.groupOf(first - 1)) * step <= half) --first;
    firsts[path.drawn] = first, end = first;
  }
  for (int k = 0; k < path.drawn; ++k) path.draw[k] = firsts[path.drawn - 1 - k];
  path.draw[path.drawn] = path.spots;
  return path;
}

static void setTraceUniforms(GLuint prog, const TraceSpan &span, const TracePath &path) {
  const GLfloat spotSigma = kSpotSigma * static_cast<GLfloat>(_traceH);
  auto uniform = [prog](const char *name) { return glGetUniformLocation(prog, name); };
  glUseProgram(prog);
  glUniform2f(uniform("from"), path.x0, path.y0);
  glUniform2f(uniform("passStep"), path.dx, path.dy);
  glUniform1f(uniform("group"), static_cast<GLfloat>(path.group));
  glUniform1f(uniform("a0"), static_cast<GLfloat>(path.a0));
  glUniform1f(uniform("a1"), static_cast<GLfloat>(path.a1));
  glUniform1f(uniform("span"), static_cast<GLfloat>(span.passes));
  glUniform1i(uniform("spots"), path.spots);
  glUniform1i(uniform("grouped"), path.grouped);
  glUniform1i(uniform("drawn"), path.drawn);
  glUniform1iv(uniform("drawFirst"), path.drawn + 1, path.draw);
  glUniform1f(uniform("spotVar"), spotSigma * spotSigma);
  glUniform1f(uniform("passVar"), kPassVariance);
  glUniform1f(uniform("passKeep"), kTraceKeep);
  glUniform4f(uniform("color"), kTraceTint, 1.0f, kTraceTint, 1.0f);
  glUniform1i(uniform("margin"), kTraceMargin);
  glUniform1i(uniform("tx"), 0);
  glUniform1i(uniform("aux"), 1);
}

// One pass of prog (current) from tex (and aux on unit 1) into target, or
// into the frame and the trace's picture when target is 0.
static void tracePass(GLuint tex, GLuint aux, GLuint target, GLsizei w, GLsizei h) {
  traceTarget(target, w, h);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, aux);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, tex);
  gl4dgDraw(_quad);
}

// How far from its spot a deposit's light shows: within 3 spot sigmas of
// its spot, spread by at most 3 (tex.fs bounds them), by its group's stretch
// of the path and by the spots drawn with it (at most half the width of the
// newest), then blurred by the span; 3.5 standard deviations of that (a
// 500th of a deposit's height).
static double traceReach(const TraceSpan &span, const TracePath &path) {
  const double spotVar = std::pow(kSpotSigma * _traceH, 2.0), blur = (span.passes + 1.0) * kPassVariance;
  const double stretch = (path.group * path.group - 1.0) / 12.0 * (path.dx * path.dx + path.dy * path.dy);
  return 3.0 * std::sqrt(spotVar) + 3.5 * std::sqrt(9.0 * spotVar + blur + stretch + 0.25 * (spotVar + blur));
}

// Sends "pm" mapping _quad onto the rectangle around the path of the drawn
// Gaussians first to end - 1, as far as their light reaches.
static void sendPathRectangle(const TracePath &path, double reach, int first, int end) {
  const int a = path.draw[first], b = path.draw[end] - 1;
  const double from = path.passesAt(a) - 0.5 * path.groupOf(a), to = path.passesAt(b) + 0.5 * path.groupOf(b);
  const double ax = path.dx * (to - from), ay = path.dy * (to - from);
  const double length = std::hypot(ax, ay);
  const double ux = length > 0.0 ? ax / length : 1.0, uy = length > 0.0 ? ay / length : 0.0;
  const double along = 0.5 * length + reach, sx = 2.0 / _traceW, sy = 2.0 / _traceH;
  const double cx = path.x0 + path.dx * from + 0.5 * ax, cy = path.y0 + path.dy * from + 0.5 * ay;
  const GLfloat pm[16] = {static_cast<GLfloat>(along * ux * sx), static_cast<GLfloat>(along * uy * sy), 0.0f, 0.0f,
                          static_cast<GLfloat>(-reach * uy * sx), static_cast<GLfloat>(reach * ux * sy), 0.0f, 0.0f,
                          0.0f, 0.0f, 1.0f, 0.0f,
                          static_cast<GLfloat>(cx * sx - 1.0), static_cast<GLfloat>(cy * sy - 1.0), 0.0f, 1.0f};
  glUniformMatrix4fv(glGetUniformLocation(_traceProgs[TRACE_DRAW], "pm"), 1, GL_FALSE, pm);
  glUniform2i(glGetUniformLocation(_traceProgs[TRACE_DRAW], "chunk"), first, end);
}

// Draws the drawn Gaussians a few at a time, each few over its own stretch
// of the path: those within half the reach of the first of them (at the
// sweep's wrap or a jump of the sound the spots stand far apart, and one
// rectangle over all of them would make every pixel of a band across the
// frame sum them all).
static void drawDeposits(const TraceSpan &span, const TracePath &path) {
  const double reach = traceReach(span, path), step = std::hypot(path.dx, path.dy);
  for (int first = 0, end = 1; first < path.drawn; first = end++) {
    const double start = path.passesAt(path.draw[first]);
    while (end < path.drawn && (path.passesAt(path.draw[end]) - start) * step <= 0.5 * reach) ++end;
    sendPathRectangle(path, reach, first, end);
    tracePass(_traceBlurred, _traceDeposits, 0, _traceW, _traceH);
  }
}

// Advances the trace over the frame's span, from the last point (px, py) to
// (x, y), and shows it in the frame: its light under the spots, the
// deposits, the previous picture blurred over the span and kept, and the
// deposits added, written to the frame and to the trace's picture at once.
static void drawTrace(const SceneClock &clock, float px, float py, float x, float y) {
  const TraceSpan span = traceSpan(clock);
  const TracePath path = tracePath(span, px, py, x, y);
  const GLuint frame = frameTexture();
  GLint fbo = 0, vp[4];
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fbo);
  glGetIntegerv(GL_VIEWPORT, vp);

  for (GLuint prog : _traceProgs) setTraceUniforms(prog, span, path), sendFullScreenMatrices();
  if (path.spots > 0) {
    glUseProgram(_traceProgs[TRACE_UNDER]);
    tracePass(_traceLight, 0, _traceUnder, path.spots, 2);
    glUseProgram(_traceProgs[TRACE_DEPOSITS]);
    tracePass(_traceLight, _traceUnder, _traceDeposits, path.drawn, 4);
  }
  const GLsizei pw = _traceW + 2 * kTraceMargin, ph = _traceH + 2 * kTraceMargin;
  glUseProgram(_traceProgs[TRACE_MIRROR]);
  tracePass(_traceLight, 0, _tracePadded, pw, ph);
  gl4dfBlurSigma(_tracePadded, _traceBlurred, static_cast<GLfloat>(std::sqrt(span.passes * kPassVariance)), GL_FALSE);
  glBindFramebuffer(GL_FRAMEBUFFER, _traceFbo);
  attachFrame(frame);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, _traceLight, 0);
  // The previous picture's share at the span's end: the fades and tints of
  // its passes; the quad stretched over the margins, so that the frame
  // takes the blurred picture's middle.
  const double keep = std::pow(static_cast<double>(kTraceKeep), span.passes);
  const double tint = std::pow(static_cast<double>(kTraceTint), span.passes);
  const GLfloat kept[4] = {static_cast<GLfloat>(keep * tint), static_cast<GLfloat>(keep),
                           static_cast<GLfloat>(keep * tint), 1.0f};
  useTexProgram(_traceBlurred, kept, 1, 0);
  gl4duBindMatrix("pm");
  gl4duPushMatrix();
  gl4duLoadIdentityf();
  gl4duScalef(static_cast<GLfloat>(pw) / _traceW, static_cast<GLfloat>(ph) / _traceH, 1.0f);
  gl4duSendMatrices();
  gl4duPopMatrix();
  tracePass(_traceBlurred, 0, 0, _traceW, _traceH);
  if (path.spots > 0) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glUseProgram(_traceProgs[TRACE_DRAW]);
    drawDeposits(span, path);
    glDisable(GL_BLEND);
  }
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  attachFrame(0);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, 0, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(fbo));
  glViewport(vp[0], vp[1], vp[2], vp[3]);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUseProgram(0);
}

// The point sweeps across the frame once every 2.2 s of the scene's own
// time, at the sound's height; the trace follows it from where it was.
static void drawBeep(const AhMeasures &heights, float &px, float &py, int &ft) {
  const SceneClock clock = sceneClock(beep);
  const float height = heights.heard(clock.toMs);
  const PassState was = rememberPassState();
  makeTrace();
  if (ft) {
    ahSetStep(2);
    clearTrace();  // an opaque black feedback to start from
    ft = 0;
  }
  float x = clock.t() / 2.2f;
  while (x > 1.0f) x -= 1.0f;
  const float y = height * 0.5f + 0.5f;

  if (was.depth) glDisable(GL_DEPTH_TEST);
  if (was.blend) glDisable(GL_BLEND);
  drawTrace(clock, px, py, x, y);
  if (was.depth) glEnable(GL_DEPTH_TEST);
  if (was.blend) glEnable(GL_BLEND);
  px = x;
  py = y;
}

// The trace's pen (where its last frame left it) and whether its first frame
// is still to come; the sound level of each block, kept by the audio thread.
struct Pen {
  float px = 0.0f, py = 0.5f;
  int ft = 1;
};
static Pen _pen;
static AhMeasures _beepHeights;

void beep(int state) {
  float &px = _pen.px, &py = _pen.py;
  int &ft = _pen.ft;
  AhMeasures &heights = _beepHeights;
  switch (state) {
    case 0:
      makeTrace();
      ahSetStepAt(2, gl4dhFirstRowStart(beep));  // the countdown, from its first row's first sample
      return;
    case 3:
      // Freed, the trace starts afresh if drawn again.
      freeTrace();
      _pen = Pen{};
      return;
    case 1:
      heights.keep(ahAverage() / 300.0f);
      return;
    default:
      drawBeep(heights, px, py, ft);
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
// The wings' phase, radians, after the last wing, for the whole run, and
// the phase the first wing of that bee took. Kept in double: grown to
// thousands of radians in single precision, the phase's rounding alone
// would turn the wings by degrees, and differently at every frame rate.
static struct {
  double ang = 0.0, first = 0.0;
} wings;

// The eye of "view", a rotation R and a translation t: -R^T t.
static void eyeOfView(const GLfloat v[16], double eye[3]) {
  for (int i = 0; i < 3; ++i) eye[i] = -(v[4 * i] * v[12] + v[4 * i + 1] * v[13] + v[4 * i + 2] * v[14]);
}

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
  // "view" is a rotation R and a translation: a ray d of the eye's frame is
  // R^T d in the world.
  double eye[3], lowest = -1.0 - std::fabs(sy) * reliefReach(), highest = -1.0 + std::fabs(sy) * reliefReach();
  eyeOfView(v, eye);
  const double reach = kGroundEdge - 1.0, grid = kGridHalf;
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

// Above 2.001 the relief turns brown and loses its tiles (a NaN stays blue).
static bool brownRelief(GLfloat sy) { return sy > 2.001f; }

// The program that draws the landscape of relief sy.
static GLuint groundProgram(GLfloat sy) { return brownRelief(sy) ? _plainGroundId : _pId[1]; }

// The landscape: the 512 x 512 grid, 128 units across, centred under the eye
// at (x, z) and lifted by noise of height sy in the vertex stage.
static void grid_draw(GLfloat x, GLfloat sy, GLfloat z) {
  const GLboolean blend = glIsEnabled(GL_BLEND);
  glEnable(GL_BLEND);
  const bool brown = brownRelief(sy);
  const GLuint p = groundProgram(sy);
  glUseProgram(p);
  gl4duBindMatrix("model");
  gl4duLoadIdentityf();
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
  gl4duScalef(kGridHalf, 1.0f, kGridHalf);
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
  // drawn only where it can reach the view. Past kGroundEnd from the eye the
  // ground is wholly transparent, and whatever lies behind it on the same
  // ray is further still: it is drawn only within that distance of the eye,
  // and a unit more for the rounding of its fragments' positions.
  static const GLfloat reach = reliefReach();
  gl4dgSetReach(mesh, std::fabs(sy) * reach, std::fabs(sy) * reach);
  GLfloat v[16];
  double eye[3];
  gl4duGetMatrixData("view", v);
  eyeOfView(v, eye);
  gl4dgSetDisc(mesh, static_cast<GLfloat>((eye[0] - x) / kGridHalf), static_cast<GLfloat>((eye[2] - z) / kGridHalf),
               (kGroundEnd + 1.0f) / kGridHalf);
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
  const GLuint p = groundProgram(sy);
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

struct WingPhases {
  double first, second;
};

// One wing: amplitude a degrees about the body's long axis, on side s, at
// phase phase.
static void wing(GLfloat a, GLfloat s, double phase) {
  gl4duPushMatrix();
  gl4duRotatef(static_cast<GLfloat>(a * std::sin(phase)), 0.0f, 0.0f, 1.0f);
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

// The bee at _bee, head towards -z: striped body, black head, two wings at
// their phases. Leaves face culling on.
static void bee_draw(WingPhases phases) {
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
  wing(-30.0f, -1.0f, phases.first);
  wing(30.0f, 1.0f, phases.second);

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

// Lights "Lp" and "Lc" for the lit programs (the bee's, both grounds'):
// light 0 fixed above the start, three circling the eye. The eye's x is
// ox + bx and its z oz + bz (offset and bee coordinate); the circles are
// summed in double, term by term.
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
  for (const GLuint p : {_pId[0], _pId[1], _plainGroundId}) {
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
static void drawWorld(double backdropTime, GLfloat gridX, GLfloat sy, GLfloat gridZ, WingPhases wings) {
  const FrameRows shown = backdropRows(gridX, sy, gridZ);
  fond(backdropTime, shown);
  drawGround(gridX, sy, gridZ, shown);
  bee_draw(wings);
  glUseProgram(0);
}

/* The bee world's motion. What the bee scenes move — the bee, the wings'
 * phase, the opening camera, bee4's climb — moves by the 60 Hz steps of
 * show time: each step by the scenes of the row playing at that step, in
 * their drawing order, each from its start on. A frame first takes the
 * steps since the show's last frame, whatever rows they fall in (a slow
 * frame covers steps of rows it never drew); each scene it draws then takes
 * its part of the frame's own step as it draws. At 60 fps a frame is one
 * step and every scene moves what it always moved in its frame. */

// The rigs' clocks: each starts with the first scene that draws through it;
// last is where it has moved the bee to, so that two scenes of one
// cross-fade move it once between them.
struct RigClock {
  GLfloat start = -1.0f, last = 0.0f;
};
static RigClock rigX, rigY;  // bee2, bee3, bee4; bee5, bee6, bee7

// The opening flight's camera (eye offset from the bee, then up vector; -10
// marks the set-up to come) and the bee's speed in its last phase.
enum { RCAM_SIZE = 6 };
static constexpr GLfloat kRcamStart[RCAM_SIZE] = {0.0f, 4.0f, 0.0f, -10.0f, 0.0f, -1.0f};
static GLfloat rcam[RCAM_SIZE] = {kRcamStart[0], kRcamStart[1], kRcamStart[2], kRcamStart[3], kRcamStart[4], kRcamStart[5]};
static const GLfloat rcam0[RCAM_SIZE] = {0.0f, 0.5f, 2.0f, 0.0f, 1.0f, 0.0f};
static GLfloat ve4 = 0.0f;

// bee4's base: the bee where the climb started, carried on by the rig.
static struct {
  bool taken = false;
  GLfloat b[3] = {0.0f, 0.0f, 0.0f};
} climbBase;

static constexpr GLfloat kChaseBeat = 1.085f;

// A rig moves the bee on at 4.95 units a second from its start.
static void rigMove(RigClock &rig, GLfloat start, GLfloat now) {
  if (rig.start < 0.0f) rig.start = rig.last = start;
  const GLfloat dt = now - rig.last;
  rig.last = now;
  _bee[2] = _bee[2] - 4.95f * dt;
}

static GLfloat takeOffBeat(GLfloat t);
static void openingMove(GLfloat t, GLfloat stepT, const StepPart &part);

// The climb's lift of the bee over its base, surge ahead of it, and the eye
// above and behind it, at bee4's time t.
struct Climb {
  GLfloat lift, surge, eyeUp, eyeBack;
};
static Climb climbAt(GLfloat t);

// One scene's part of a step: what it moves, and the phases its bee's wings
// take (two beats of the scene's a step, one before each wing). What moves
// smoothly takes the part's end, t; what changes by the step, its end.
static WingPhases moveScene(GL4DHscene scene, GLfloat start, const StepPart &part) {
  if (!scene) return {wings.first, wings.ang};
  const GLfloat now = showSeconds(part.toMs), t = now - start, stepT = showSeconds(stepMs(part.n)) - start;
  GLfloat beat = 0.0f;
  if (scene == beebegin) {
    openingMove(t, stepT, part);
    beat = stepT < 5.83     ? 0.0f
           : stepT < 9.16   ? takeOffBeat(stepT)
                            : static_cast<GLfloat>(stepRandom(part.n) / 20.0f + M_PI / 3.0);
  } else if (scene == bee2 || scene == bee3 || scene == bee4 || scene == bee5 || scene == bee6 || scene == bee7) {
    beat = kChaseBeat;
    const bool x = scene == bee2 || scene == bee3 || scene == bee4;
    if (t >= 0.0f && scene == bee4) {  // the climb sets the bee from its base, the rig carries both on
      if (!climbBase.taken) std::copy(_bee, _bee + 3, climbBase.b), climbBase.taken = true;
      const Climb c = climbAt(t);
      _bee[1] = climbBase.b[1] + c.lift;
      _bee[2] = climbBase.b[2] - c.surge;
      rigMove(rigX, start, now);
      climbBase.b[2] = _bee[2] - (climbBase.b[2] - c.surge) + climbBase.b[2];
    } else if (t >= 0.0f) {
      rigMove(x ? rigX : rigY, start, now);
    }
  }
  // At a whole step: ang + beat before each wing.
  wings.first = (wings.ang + (2.0 * beat * part.share - 2.0 * beat)) + beat;
  wings.ang = wings.first + beat;
  return {wings.first, wings.ang};
}

// The scenes that move in a step: those of the row playing at its end, as
// at 60 fps (outside the table, the scene drawn by hand).
struct StepScenes {
  GL4DHscene scenes[2] = {nullptr, nullptr};
  GLfloat starts[2] = {0.0f, 0.0f};
  bool table = true;
  bool has(GL4DHscene s) const { return !table || s == scenes[0] || s == scenes[1]; }
};

static StepScenes stepScenes(long step, const SceneClock &self) {
  StepScenes row;
  double starts[2];
  if (!gl4dhRowAt(stepMs(step), row.scenes, starts)) return {{self.scene, nullptr}, {self.start, 0.0f}, false};
  for (int i = 0; i < 2; ++i) row.starts[i] = showSeconds(starts[i]);
  return row;
}

// The world as a scene draws it in its frame: the first scene of a frame
// moves it over the steps since the last frame; each takes the frame's own.
static struct {
  double movedTo = -1.0;  // show time of the frame the world was moved to
  StepPart last{};        // that frame's part of its step
  StepScenes lastScenes;  // and who moves in that step
  GL4DHscene took[2] = {nullptr, nullptr};  // the scenes that have taken that part
} motion;

static WingPhases moveWorld(const SceneClock &clock) {
  if (clock.toMs != motion.movedTo) {
    static std::vector<StepPart> parts;  // kept: no allocation a frame
    parts.clear();
    forEachStep(motion.movedTo < 0.0 ? clock.fromMs : motion.movedTo, clock.toMs,
                [&](const StepPart &p) { parts.push_back(p); });
    for (const StepPart &part : parts) {
      const StepScenes row = stepScenes(part.n, clock);
      for (int i = 0; i < 2; ++i)  // the frame's own part waits for the scenes that draw it
        if (&part != &parts.back() || !(row.scenes[i] == clock.scene || gl4dhIsDrawing(row.scenes[i])))
          moveScene(row.scenes[i], row.starts[i], part);
    }
    motion.last = parts.empty() ? StepPart{lastStep(clock.toMs), 0.0f, false, clock.toMs} : parts.back();
    motion.lastScenes = stepScenes(motion.last.n, clock);
    motion.movedTo = clock.toMs;
    motion.took[0] = motion.took[1] = nullptr;
  }
  // A scene drawn just before or after its rows' steps draws the world as it
  // stands, and so does one drawn again at the same time (a stalled clock).
  GL4DHscene *took = motion.took[0] == clock.scene ? nullptr : motion.took[1] == clock.scene ? nullptr
                     : motion.took[0] ? &motion.took[1] : &motion.took[0];
  if (!motion.lastScenes.has(clock.scene) || !took) return {wings.first, wings.ang};
  *took = clock.scene;
  return moveScene(clock.scene, clock.start, motion.last);
}

/* Chase camera rigs: the bee flies on at 4.95 units a second, the eye
 * follows at (p[0], p[1] + 0.5, p[2] + 2) from it, and p[3] is the relief
 * height. The lights and the sky follow the rig's clock. */

static const LightSet lightsX = {40.0f,
                                 {{0.8f, 0.8f, 0.4f}, {1.0f, 1.0f, 1.0f}, {1.0f, 0.1f, 0.1f}, {0.1f, 1.0f, 0.1f}}};
static const LightSet lightsY = {4000.0f,
                                 {{0.2f, 0.2f, 0.2f}, {0.5f, 0.5f, 2.0f}, {2.0f, 0.8f, 0.8f}, {0.3f, 0.3f, 0.8f}}};

// A rig's frame as the world stands, at the rig's time t.
static void drawChase(const GLfloat *p, GLfloat t, const LightSet &lights, WingPhases wingsNow) {
  const PassState entry = rememberPassState();
  beginWorldFrame();
  const GLfloat o[3] = {p[0], p[1] + 0.5f, p[2] + 2.0f};
  gl4duLookAtf(_bee[0] + o[0], _bee[1] + o[1], _bee[2] + o[2], _bee[0], _bee[1], _bee[2], 0.0f, 1.0f, 0.0f);
  const GLfloat c = o[1];
  const GLfloat heights[3] = {c + 1.5f, 1.0f + 3.0f * c, 0.9f + 2.0f * c};
  // The circling lights brighten by one base unit a second, without end.
  sendLights(lights, t + 3.633341f, t, heights, o[0], _bee[0], o[2], _bee[2]);
  drawWorld(t + 1.633341f, p[0] + _bee[0], p[3], o[2] + _bee[2], wingsNow);
  restoreSwitches(entry);
}

static void chase(const GLfloat *p, const RigClock &rig, const LightSet &lights, const SceneClock &scene) {
  const WingPhases wingsNow = moveWorld(scene);
  drawChase(p, scene.now - (rig.start < 0.0f ? scene.start : rig.start), lights, wingsNow);
}

// bee2, bee3 and bee4 share this rig and its clock.
static void subbeeX(const GLfloat *p, const SceneClock &scene) { chase(p, rigX, lightsX, scene); }

// bee5, bee6 and bee7 share this one: a dim sun, colder and brighter lights.
static void subbeeY(const GLfloat *p, const SceneClock &scene) { chase(p, rigY, lightsY, scene); }

/* The opening flight: the camera looks straight down at the resting bee,
 * climbs, the wings start with a stutter, the camera swings down behind the
 * bee, and the bee accelerates away while the circling lights fade in. */

// Phase 2: the eye climbs from just over the bee to height 4 straight above.
static void climb(GLfloat t) {
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

// Phase 4: at every step the camera closes a share w of its distance to the
// chase camera, w growing; a part of a step closes what that part of the
// step's blend does (the remaining distance times (1 - w)^share).
static void settle(GLfloat t, GLfloat share) {
  const GLfloat r = (t - 9.16f) / 3.33f;
  GLfloat w = r > 1.0f ? 1.0f : r * r;
  if (share != 1.0f) w = 1.0f - powf(1.0f - w, share);
  for (int i = 0; i < RCAM_SIZE; ++i) rcam[i] = (1.0f - w) * rcam[i] + w * rcam0[i];
}

// Phase 5, a step at a time: the bee flies the step at the speed it starts
// it with, then accelerates at 1.5 units/s^2 against a drag that levels its
// speed off at about 10.6 units/s. A part of a step flies its share of the
// step; the speed changes as the step ends. The drag only ever stops it.
static void flyOff(const StepPart &part) {
  const GLfloat dt = showSeconds(stepMs(part.n)) - showSeconds(stepMs(part.n - 1));
  _bee[2] = _bee[2] - ve4 * dt * part.share;
  if (!part.ends) return;
  const GLfloat v = ve4 + 1.5f * dt;
  ve4 = fmaxf(0.0f, v - 0.8f * v * dt * v * dt);
}

// The opening flight's part of a step, at its time t and its step's stepT:
// the climb, the settling and the flight, each in the phase of its step, so
// that the camera held after the climb is the last climbing step's.
static void openingMove(GLfloat t, GLfloat stepT, const StepPart &part) {
  if (stepT < 5.83 && stepT > 2.5)
    climb(fmaxf(t, 2.5f));
  else if (stepT >= 9.16 && stepT < 12.49)
    settle(stepT, part.share);
  else if (stepT >= 12.49)
    flyOff(part);
}

// Looks at the bee from _bee + rcam[0..2] with up rcam[3..5]: straight down
// (centre below the eye) or at the bee itself.
static void lookFromRcam(bool atBee) {
  const GLfloat eye[3] = {_bee[0] + rcam[0], _bee[1] + rcam[1], _bee[2] + rcam[2]};
  const GLfloat cz = atBee ? _bee[2] : _bee[2] + rcam[2];
  gl4duLookAtf(eye[0], eye[1], eye[2], _bee[0], _bee[1], cz, rcam[3], rcam[4], rcam[5]);
}

void beebegin(int state) {
  if (!isDrawState(state)) return;
  const PassState entry = rememberPassState();
  const SceneClock clock = sceneClock(beebegin);
  const GLfloat t = clock.t();
  beginWorldFrame();
  if (rcam[3] == -10.0f) {
    // Just above the bee and 0.26652 ahead, looking down; up tilted in x-z.
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    rcam[2] = -0.26652f;
    rcam[5] = -1.4142135f;
    rcam[1] = 0.26652f - _bee[1];
    rcam[3] = static_cast<GLfloat>(vp[3] * -1.4142135623730951 / static_cast<GLfloat>(vp[2]));
  }
  const WingPhases wingsNow = moveWorld(clock);
  lookFromRcam(t >= 5.83);
  // The circling lights fade in from 15.49 s, half a base unit a second.
  const GLfloat f = t - 15.49f > 0.0f ? 0.5f * (t - 15.49f) : 0.0f;
  const GLfloat heights[3] = {2.0f, 1.5f, 1.4f};
  sendLights(lightsX, f, t, heights, rcam[0], _bee[0], rcam[2], _bee[2]);
  drawWorld(f - 2.0, rcam[0] + _bee[0], 0.0f, rcam[2] + _bee[2], wingsNow);
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
// camera climbs 3.5 and falls back to 4 behind.
static Climb climbAt(GLfloat t) {
  const GLfloat s1 = static_cast<GLfloat>(2.5 * logistic(t, 1.9f, 1.9f));
  const GLfloat s3 = static_cast<GLfloat>(3.5 * logistic(t, 3.0f, 3.0f));
  const GLfloat back = static_cast<GLfloat>(2.0 / (1.0 + std::exp(-6.0 * static_cast<double>(t - 1.0f))));
  return {s1, s1 + s3, s3 - s1, back};
}

// bee4 stages the climb (its motion is the world's); after 6 s the relief
// grows to 2, still blue and tiled.
void bee4(int state) {
  if (!isDrawState(state)) return;
  const SceneClock clock = sceneClock(bee4);
  const GLfloat t = clock.t();
  const Climb c = climbAt(t);
  GLfloat h = 0.0f;
  if (t > 6.0f) {
    const double grown = std::pow(static_cast<double>(t - 6.0f), static_cast<double>(0.9f));
    h = grown < 2.0 ? static_cast<GLfloat>(grown) : 2.0f;
  }
  const GLfloat p[4] = {0.0f, c.eyeUp, c.eyeBack, h};
  subbeeX(p, clock);
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

// The show at its start: what the scenes carry from frame to frame put back.
// huit and beep free what they made as they do at the show's end (the
// figure's texture comes again with the next huit(0)).
static void resetShow(void) {
  huit(3), beep(3);
  _huit = HuitState{}, _huitPerms.clear(), _beepHeights.clear();
  _dissolveBlur = 1.0f, _blurRadius = 0;
  std::fill(_traceProgs, _traceProgs + 4, 0u);  // made again with the trace
  std::copy(kBeeStart, kBeeStart + 3, _bee);
  wings = {}, rigX = rigY = RigClock{}, climbBase = {}, motion = {}, ve4 = 0.0f;
  std::copy(kRcamStart, kRcamStart + RCAM_SIZE, rcam);
}
