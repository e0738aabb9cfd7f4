#include "filter_test.h"

#include <sstream>

namespace hf {

namespace {

GLuint tinyProgram() {
  const char *vs = "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n";
  const char *fs = "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";
  const GLuint prog = glCreateProgram();
  for (auto [type, src] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
    const GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &src, nullptr);
    glCompileShader(s);
    glAttachShader(prog, s);
    glDeleteShader(s);
  }
  glLinkProgram(prog);
  return prog;
}

}  // namespace

GlState GlState::capture() {
  GlState s{};
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &s.drawFbo);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &s.readFbo);
  s.attachment = -1;
  if (s.drawFbo)
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &s.attachment);
  glGetIntegerv(GL_VIEWPORT, s.viewport);
  glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &s.vao);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &s.activeUnit);
  for (int u = 0; u < 4; ++u) {
    glActiveTexture(GL_TEXTURE0 + u);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.textures[u]);
    glGetIntegerv(GL_SAMPLER_BINDING, &s.samplers[u]);
  }
  glActiveTexture(static_cast<GLenum>(s.activeUnit));
  s.depth = glIsEnabled(GL_DEPTH_TEST);
  s.blend = glIsEnabled(GL_BLEND);
  s.cull = glIsEnabled(GL_CULL_FACE);
  s.scissor = glIsEnabled(GL_SCISSOR_TEST);
  s.stencil = glIsEnabled(GL_STENCIL_TEST);
  glGetBooleanv(GL_COLOR_WRITEMASK, s.colorMask);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColor);
  return s;
}

std::string differences(const GlState &a, const GlState &b) {
  std::ostringstream out;
  auto item = [&out](const char *name, auto x, auto y) {
    if (x != y) out << name << ": " << x << " before, " << y << " after\n";
  };
  item("draw framebuffer", a.drawFbo, b.drawFbo);
  item("read framebuffer", a.readFbo, b.readFbo);
  item("colour attachment 0", a.attachment, b.attachment);
  for (int i = 0; i < 4; ++i) item("viewport", a.viewport[i], b.viewport[i]);
  item("program", a.program, b.program);
  item("vertex array", a.vao, b.vao);
  item("active unit", a.activeUnit, b.activeUnit);
  for (int u = 0; u < 4; ++u) {
    item("2-D texture of a unit", a.textures[u], b.textures[u]);
    item("sampler of a unit", a.samplers[u], b.samplers[u]);
  }
  item("depth test", int(a.depth), int(b.depth));
  item("blending", int(a.blend), int(b.blend));
  item("face culling", int(a.cull), int(b.cull));
  item("scissor test", int(a.scissor), int(b.scissor));
  item("stencil test", int(a.stencil), int(b.stencil));
  for (int i = 0; i < 4; ++i) item("colour mask", int(a.colorMask[i]), int(b.colorMask[i]));
  for (int i = 0; i < 4; ++i) item("clear colour", a.clearColor[i], b.clearColor[i]);
  return out.str();
}

void FilterTest::TearDown() {
  enterPlainCaller();
  glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  glDeleteFramebuffers(1, &fbo_);
  glDeleteProgram(program_);
  glDeleteVertexArrays(1, &vao_);
  glDeleteSamplers(1, &sampler_);
  GlTest::TearDown();
}

GLuint FilterTest::upload(int w, int h, const std::vector<std::uint8_t> &rgba) {
  textures_.push_back(makeTexture(w, h, rgba.data()));
  return textures_.back();
}

GLuint FilterTest::blank(int w, int h) {
  textures_.push_back(makeTexture(w, h));
  return textures_.back();
}

ref::Image FilterTest::read(GLuint tex) {
  int w = 0, h = 0;
  const auto px = readTexture(tex, GL_TEXTURE_2D, &w, &h);
  return ref::fromBytes(w, h, px);
}

std::vector<std::uint8_t> FilterTest::bytes(GLuint tex) { return readTexture(tex); }

void FilterTest::enterBusyCaller(GLuint attached) {
  if (!fbo_) {
    glGenFramebuffers(1, &fbo_);
    program_ = tinyProgram();
    glGenVertexArrays(1, &vao_);
    glGenSamplers(1, &sampler_);
    textures_.push_back(makeTexture(4, 4));
    textures_.push_back(makeTexture(4, 4));
  }
  glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, attached, 0);
  glViewport(3, 5, 17, 11);
  glUseProgram(program_);
  glBindVertexArray(vao_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, textures_[textures_.size() - 2]);
  glBindSampler(0, sampler_);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_2D, textures_.back());
  for (GLenum s : {GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST}) glEnable(s);
  glScissor(0, 0, 2, 2);
  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_FALSE);
  glClearColor(0.1f, 0.2f, 0.3f, 0.4f);
}

void FilterTest::enterPlainCaller() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, 64, 64);
  glUseProgram(0);
  glBindVertexArray(0);
  for (int u = 0; u < 4; ++u) {
    glActiveTexture(GL_TEXTURE0 + u);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindSampler(u, 0);
  }
  glActiveTexture(GL_TEXTURE0);
  for (GLenum s : {GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST}) glDisable(s);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(0, 0, 0, 0);
}

}  // namespace hf
