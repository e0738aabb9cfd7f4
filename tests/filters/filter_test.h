// Fixture of the filter tests: textures made from test pictures (deleted
// afterwards), read back as reference images, and the caller states that
// every filter must leave exactly as found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpu_reference.h"
#include "support/gl_test.h"

namespace hf {

// The GL state a filter could disturb, as the caller sees it.
struct GlState {
  GLint drawFbo, readFbo, attachment, viewport[4], program, vao, activeUnit;
  GLint textures[4], samplers[4];  // 2-D binding and sampler of units 0..3
  GLboolean depth, blend, cull, scissor, stencil, colorMask[4];
  GLfloat clearColor[4];
  static GlState capture();
};
// "" when equal, else one line per item that differs.
std::string differences(const GlState &before, const GlState &after);

class FilterTest : public GlTest {
 protected:
  void TearDown() override;
  GLuint upload(int w, int h, const std::vector<std::uint8_t> &rgba);
  GLuint blank(int w, int h);
  ref::Image read(GLuint tex);
  std::vector<std::uint8_t> bytes(GLuint tex);

  // A caller in the middle of drawing: its own framebuffer bound with
  // `attached` at colour attachment 0 (the frame texture, as in the scenes),
  // an odd viewport, a program, a vertex array, unit 2 active, textures and a
  // sampler on units 0 and 2, every switch on (the scissor box tiny), a
  // colour mask and a clear colour.
  void enterBusyCaller(GLuint attached);
  // The opposite: default framebuffer, nothing bound, every switch off.
  void enterPlainCaller();

 private:
  std::vector<GLuint> textures_;
  GLuint fbo_ = 0, program_ = 0, vao_ = 0, sampler_ = 0;
};

}  // namespace hf
