// What every GL test shares: a headless context (SDL's offscreen driver on Mesa), a fixture that fails on any GL error,
// a frame like the scene manager's, the manual clock, and pixel probes that name what they expected.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gl4d/gl4d.h"

namespace hf {

struct Rgba {
  int r = 0, g = 0, b = 0, a = 255;
};
std::ostream &operator<<(std::ostream &os, const Rgba &c);
::testing::AssertionResult near(const Rgba &seen, const Rgba &expected, int tolerance);

// Pixels of a w x h RGBA8 picture, rows from the bottom up.
struct Picture {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  Rgba at(int x, int y) const;
  // Mean colour of [x0, x1) x [y0, y1).
  Rgba mean(int x0, int y0, int x1, int y1) const;
  Rgba mean() const { return mean(0, 0, w, h); }
  // Bounding box {x0, y0, x1, y1} (exclusive ends) of the pixels inside; all zero when there is none.
  std::array<int, 4> box(const std::function<bool(const Rgba &)> &inside) const;
  // For looking at: build/frames/<name>.png.
  void save(const std::string &name) const;
};

// A texture of w x h RGBA8 texels (data may be null), NEAREST, CLAMP_TO_EDGE.
GLuint makeTexture(int w, int h, const std::uint8_t *rgba = nullptr);
Picture readTexture(GLuint tex, GLenum target = GL_TEXTURE_2D);
// Mean absolute difference of two pictures' bytes, 0 to 255.
double meanDifference(const Picture &a, const Picture &b);

// What the scene manager gives a scene: a framebuffer with an RGBA8 colour
// texture and a depth buffer, bound with the viewport covering it.
struct Frame {
  GLuint tex = 0, fbo = 0, depth = 0;
  int w, h;
  Frame(int w, int h);
  ~Frame();
  void bind() const;
  Picture read() const;
};

// The manual clock, moved to a whole second past every reading so far:
// the origin of a scene's time. clockAt(origin, s) sets origin + s seconds.
double freshClock();
void clockAt(double origin, double seconds);
// For the executable's own library functions (support/library.cpp): SDL's ticks follow the
// manual clock; TTF_Init and Mix_Init fail; the filters' calls are appended ("scatter 21 blur 16 ").
extern bool ticksFollowClock, failStartUps;
extern std::string filterCalls;

GLint uniformInt(GLuint program, const char *name);
std::array<GLfloat, 4> uniformFloats(GLuint program, const char *name);
GLuint currentProgram();

// A current context with no GL error before the test, none after it.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace hf
