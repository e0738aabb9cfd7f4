// A headless GL context for tests (SDL's offscreen driver on Mesa), pixel
// probes with a tolerance, and a fixture that fails a test on any GL error.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gl4d/gl4d.h"

namespace hf {

struct Rgba {
  int r, g, b, a;
};
std::ostream &operator<<(std::ostream &os, const Rgba &c);

// Creates the process's window and context once (64 x 64, hidden).
void ensureContext();

// Every GL error seen since the last call: glGetError codes and the driver's
// debug messages of error type.
std::vector<std::string> takeGlErrors();

// A texture of w x h RGBA8 texels (data may be null), NEAREST, CLAMP_TO_EDGE.
GLuint makeTexture(int w, int h, const std::uint8_t *rgba = nullptr);
// A framebuffer with tex at colour attachment 0 (and a depth buffer if asked).
GLuint makeFramebuffer(GLuint tex, int w, int h, bool withDepth = false, GLuint *depthRb = nullptr);
// Texels of level 0, rows from t = 0 upward, 4 bytes each.
std::vector<std::uint8_t> readTexture(GLuint tex, GLenum target = GL_TEXTURE_2D, int *w = nullptr, int *h = nullptr);
// Pixels of the bound read framebuffer.
std::vector<std::uint8_t> readPixels(int x, int y, int w, int h);
Rgba pixelAt(int x, int y);

// Compares one pixel of the bound framebuffer with a tolerance per channel.
::testing::AssertionResult probe(int x, int y, Rgba expected, int tolerance = 2);
// The same over a rectangle: every pixel must match.
::testing::AssertionResult probeRect(int x, int y, int w, int h, Rgba expected, int tolerance = 2);

// Fixture: a current context, no GL error left over from before, none after.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace hf
