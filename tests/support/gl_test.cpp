#include "support/gl_test.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace hf {

namespace {

std::vector<std::string> debugErrors;

// Shader compile logs arrive here too; the programs' own tests check those.
void GLAPIENTRY onDebugMessage(GLenum source, GLenum type, GLuint, GLenum, GLsizei, const GLchar *message,
                               const void *) {
  if (type == GL_DEBUG_TYPE_ERROR && source != GL_DEBUG_SOURCE_SHADER_COMPILER) debugErrors.emplace_back(message);
}

}  // namespace

std::ostream &operator<<(std::ostream &os, const Rgba &c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

void ensureContext() {
  static bool ready = false;
  if (ready) return;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  static char name[] = "tests";
  char *argv[] = {name, nullptr};
  ready = gl4duwCreateWindow(1, argv, "tests", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
  if (!ready) {
    std::fprintf(stderr, "no GL context for the tests\n");
    std::abort();
  }
  if (epoxy_has_gl_extension("GL_KHR_debug")) {
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(onDebugMessage, nullptr);
  }
}

std::vector<std::string> takeGlErrors() {
  std::vector<std::string> errors;
  errors.swap(debugErrors);
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
    char code[32];
    std::snprintf(code, sizeof code, "glGetError 0x%04X", e);
    errors.emplace_back(code);
  }
  return errors;
}

GLuint makeTexture(int w, int h, const std::uint8_t *rgba) {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  return tex;
}

GLuint makeFramebuffer(GLuint tex, int w, int h, bool withDepth, GLuint *depthRb) {
  GLuint fbo = 0;
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, 0);
  if (withDepth) {
    GLuint rb = 0;
    glGenRenderbuffers(1, &rb);
    glBindRenderbuffer(GL_RENDERBUFFER, rb);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rb);
    if (depthRb) *depthRb = rb;
  }
  return fbo;
}

std::vector<std::uint8_t> readTexture(GLuint tex, GLenum target, int *w, int *h) {
  GLint previous = 0;
  glGetIntegerv(target == GL_TEXTURE_1D ? GL_TEXTURE_BINDING_1D : GL_TEXTURE_BINDING_2D, &previous);
  glBindTexture(target, tex);
  GLint tw = 0, th = 1;
  glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &tw);
  if (target != GL_TEXTURE_1D) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &th);
  std::vector<std::uint8_t> texels(static_cast<size_t>(tw) * th * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(target, static_cast<GLuint>(previous));
  if (w) *w = tw;
  if (h) *h = th;
  return texels;
}

std::vector<std::uint8_t> readPixels(int x, int y, int w, int h) {
  std::vector<std::uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

Rgba pixelAt(int x, int y) {
  const auto p = readPixels(x, y, 1, 1);
  return {p[0], p[1], p[2], p[3]};
}

static bool near(const Rgba &a, const Rgba &b, int tol) {
  return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol &&
         std::abs(a.a - b.a) <= tol;
}

::testing::AssertionResult probe(int x, int y, Rgba expected, int tolerance) {
  const Rgba seen = pixelAt(x, y);
  if (near(seen, expected, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): expected " << expected << " +-"
                                       << tolerance << ", observed " << seen;
}

::testing::AssertionResult probeRect(int x, int y, int w, int h, Rgba expected, int tolerance) {
  const auto p = readPixels(x, y, w, h);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const std::uint8_t *q = &p[(static_cast<size_t>(j) * w + i) * 4];
      const Rgba seen{q[0], q[1], q[2], q[3]};
      if (!near(seen, expected, tolerance))
        return ::testing::AssertionFailure() << "pixel (" << x + i << ", " << y + j << "): expected " << expected
                                             << " +-" << tolerance << ", observed " << seen;
    }
  return ::testing::AssertionSuccess();
}

void GlTest::SetUp() {
  ensureContext();
  takeGlErrors();
}

void GlTest::TearDown() {
  for (const std::string &e : takeGlErrors()) ADD_FAILURE() << "GL error: " << e;
}

}  // namespace hf
