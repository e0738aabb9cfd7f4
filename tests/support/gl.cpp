#include "support/gl.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace hf {

std::ostream &operator<<(std::ostream &os, const Rgba &c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

::testing::AssertionResult near(const Rgba &seen, const Rgba &expected, int tolerance) {
  if (std::abs(seen.r - expected.r) <= tolerance && std::abs(seen.g - expected.g) <= tolerance &&
      std::abs(seen.b - expected.b) <= tolerance && std::abs(seen.a - expected.a) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected " << expected << " +-" << tolerance << ", observed " << seen;
}

Rgba Picture::at(int x, int y) const {
  const std::uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

Rgba Picture::mean(int x0, int y0, int x1, int y1) const {
  double s[4] = {0, 0, 0, 0};
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 4; ++c) s[c] += px[(static_cast<size_t>(y) * w + x) * 4 + c];
  const double n = std::max(1, (x1 - x0) * (y1 - y0));
  return {static_cast<int>(std::lround(s[0] / n)), static_cast<int>(std::lround(s[1] / n)),
          static_cast<int>(std::lround(s[2] / n)), static_cast<int>(std::lround(s[3] / n))};
}

std::array<int, 4> Picture::box(const std::function<bool(const Rgba &)> &inside) const {
  std::array<int, 4> b = {w, h, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (inside(at(x, y)))
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
  return b[2] ? b : std::array<int, 4>{0, 0, 0, 0};
}

void Picture::save(const std::string &name) const {
  std::filesystem::create_directories(HONEYFOLD_BINARY_DIR "/frames");
  std::vector<std::uint8_t> opaque = px;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  gl4dWritePng((HONEYFOLD_BINARY_DIR "/frames/" + name + ".png").c_str(), w, h, opaque.data(), GL_FALSE);
}

GLuint makeTexture(int w, int h, const std::uint8_t *rgba) {
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glBindTexture(GL_TEXTURE_2D, 0);
  return tex;
}

Picture readTexture(GLuint tex, GLenum target) {
  Picture p;
  glBindTexture(target, tex);
  glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &p.w);
  p.h = 1;
  if (target != GL_TEXTURE_1D) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &p.h);
  p.px.resize(static_cast<size_t>(p.w) * p.h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.px.data());
  glBindTexture(target, 0);
  return p;
}

double meanDifference(const Picture &a, const Picture &b) {
  double d = 0;
  for (size_t i = 0; i < a.px.size(); ++i) d += std::abs(a.px[i] - b.px[i]);
  return d / a.px.size();
}

Frame::Frame(int w, int h) : w(w), h(h) {
  tex = makeTexture(w, h);
  glGenRenderbuffers(1, &depth);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
  glGenFramebuffers(1, &fbo);
  bind();
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
}

Frame::~Frame() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &fbo);
  glDeleteRenderbuffers(1, &depth);
  glDeleteTextures(1, &tex);
}

void Frame::bind() const {
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glViewport(0, 0, w, h);
}

Picture Frame::read() const {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
  Picture p{w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h * 4)};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, p.px.data());
  return p;
}

double freshClock() {
  gl4dSetManualClock(GL_TRUE);
  const double ms = (std::floor(gl4dGetElapsedTime() / 1000.0) + 2.0) * 1000.0;
  gl4dSetElapsedTime(ms);
  return ms;
}

void clockAt(double origin, double seconds) { gl4dSetElapsedTime(origin + seconds * 1000.0); }

GLint uniformInt(GLuint program, const char *name) {
  GLint v = -12345;
  glGetUniformiv(program, glGetUniformLocation(program, name), &v);
  return v;
}

std::array<GLfloat, 4> uniformFloats(GLuint program, const char *name) {
  std::array<GLfloat, 16> v;
  v.fill(NAN);
  glGetUniformfv(program, glGetUniformLocation(program, name), v.data());
  return {v[0], v[1], v[2], v[3]};
}

GLuint currentProgram() {
  GLint p = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &p);
  return static_cast<GLuint>(p);
}

namespace {

std::vector<std::string> debugErrors;

// Shader compile logs arrive here too: the programs' own test reads those.
void GLAPIENTRY onDebugMessage(GLenum source, GLenum type, GLuint, GLenum, GLsizei, const GLchar *message,
                               const void *) {
  if (type == GL_DEBUG_TYPE_ERROR && source != GL_DEBUG_SOURCE_SHADER_COMPILER) debugErrors.emplace_back(message);
}

void ensureContext() {
  static bool ready = false;
  if (ready) return;
  char name[] = "tests";
  char *argv[] = {name, nullptr};
  ready = gl4duwCreateWindow(1, argv, "tests", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
  if (!ready) {
    std::fprintf(stderr, "no GL context for the tests\n");
    std::abort();
  }
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(onDebugMessage, nullptr);
}

}  // namespace

void GlTest::SetUp() {
  ensureContext();
  // What the layer made and timed for the tests before: the scenes' init
  // makes it afresh, their clocks start at their next draw.
  gl4duClean(GL4DU_FILTERS | GL4DU_GEOMETRY | GL4DU_PROGRAMS);
  gl4dhResetTimes();
  while (glGetError() != GL_NO_ERROR) {
  }
  debugErrors.clear();
}

void GlTest::TearDown() {
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) ADD_FAILURE() << "glGetError " << e;
  for (const std::string &e : debugErrors) ADD_FAILURE() << "GL error: " << e;
}

}  // namespace hf
