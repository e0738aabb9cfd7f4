// The textured-quad program (basic.vs with tex.fs) that huit, rouge and beep
// draw with, drawn full screen from a source texture into a target of its
// own, with "pm" at the identity as the scenes send it.
#pragma once

#include <cstdint>
#include <vector>

#include "support/gl_test.h"

namespace hf {

class TexQuadTest : public GlTest {
 protected:
  // The program, the quad and "pm"; a w x h target bound with the viewport
  // over it; the source made from w x h RGBA8 texels.
  void setUpTexQuad(int w, int h, const std::vector<std::uint8_t> &sourceTexels);
  void TearDown() override;
  // One full-screen draw of the source with these uniforms.
  void drawTexQuad(int colorize, const GLfloat colour[4], int beep, GLfloat ptX, GLfloat ptY);

  GLuint program = 0, quad = 0, source = 0, target = 0, fbo = 0;
};

}  // namespace hf
