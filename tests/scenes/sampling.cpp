#include "sampling.h"

#include <string>

namespace scenes_test {

namespace {

const char *vertexSource = R"(#version 330 core
void main() {
  // One big triangle over the 1 x 1 target.
  vec2 p = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
  gl_Position = vec4(p, 0.0, 1.0);
})";

GLuint compile(GLenum type, const char *source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

GLuint buildSampler(const std::string &samplerType, const std::string &coord) {
  const std::string fs = "#version 330 core\nuniform " + samplerType + " tx;\nuniform vec2 at;\nout vec4 c;\n" +
                         "void main() { c = texture(tx, " + coord + "); }\n";
  const GLuint program = glCreateProgram();
  const GLuint v = compile(GL_VERTEX_SHADER, vertexSource), f = compile(GL_FRAGMENT_SHADER, fs.c_str());
  glAttachShader(program, v);
  glAttachShader(program, f);
  glLinkProgram(program);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) ADD_FAILURE() << "the sampling program for " << samplerType << " does not link";
  glDeleteShader(v);
  glDeleteShader(f);
  return program;
}

hf::Rgba sample(GLenum target, GLuint tex, float s, float t) {
  static GLuint programs[2] = {buildSampler("sampler2D", "at"), buildSampler("sampler1D", "at.x")};
  const GLuint program = programs[target == GL_TEXTURE_1D];
  GLint previousFbo = 0, vp[4];
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFbo);
  glGetIntegerv(GL_VIEWPORT, vp);
  const GLboolean blend = glIsEnabled(GL_BLEND), depth = glIsEnabled(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  const GLuint out = hf::makeTexture(1, 1);
  const GLuint fbo = hf::makeFramebuffer(out, 1, 1);
  GLuint vao = 0;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glViewport(0, 0, 1, 1);
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "tx"), 0);
  glUniform2f(glGetUniformLocation(program, "at"), s, t);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(target, tex);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  const hf::Rgba c = hf::pixelAt(0, 0);
  glBindTexture(target, 0);
  glUseProgram(0);
  glBindVertexArray(0);
  glDeleteVertexArrays(1, &vao);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFbo));
  glViewport(vp[0], vp[1], vp[2], vp[3]);
  if (blend) glEnable(GL_BLEND);
  if (depth) glEnable(GL_DEPTH_TEST);
  glDeleteFramebuffers(1, &fbo);
  glDeleteTextures(1, &out);
  return c;
}

}  // namespace

hf::Rgba sample2D(GLuint tex, float s, float t) { return sample(GL_TEXTURE_2D, tex, s, t); }
hf::Rgba sample1D(GLuint tex, float s) { return sample(GL_TEXTURE_1D, tex, s, 0.0f); }

}  // namespace scenes_test
