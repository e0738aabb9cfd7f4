#include "support/tex_quad.h"

namespace hf {

void TexQuadTest::setUpTexQuad(int w, int h, const std::vector<std::uint8_t> &sourceTexels) {
  program = gl4duCreateProgram("<vs>shaders/basic.vs", "<fs>shaders/tex.fs", nullptr);
  ASSERT_NE(program, 0u);
  gl4duGenMatrix(GL_FLOAT, "pm");
  quad = gl4dgGenQuadf();
  source = makeTexture(w, h, sourceTexels.data());
  target = makeTexture(w, h);
  fbo = makeFramebuffer(target, w, h);
  glViewport(0, 0, w, h);
}

void TexQuadTest::TearDown() {
  glUseProgram(0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &fbo);
  GLuint textures[] = {target, source};
  glDeleteTextures(2, textures);
  glViewport(0, 0, 64, 64);
  GlTest::TearDown();
}

void TexQuadTest::drawTexQuad(int colorize, const GLfloat colour[4], int beep, GLfloat ptX, GLfloat ptY) {
  glUseProgram(program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, source);
  glUniform1i(glGetUniformLocation(program, "tx"), 0);
  glUniform1i(glGetUniformLocation(program, "colorize"), colorize);
  glUniform4fv(glGetUniformLocation(program, "color"), 1, colour);
  glUniform1i(glGetUniformLocation(program, "beep"), beep);
  glUniform2f(glGetUniformLocation(program, "pt"), ptX, ptY);
  gl4duBindMatrix("pm");
  gl4duPushMatrix();
  gl4duLoadIdentityf();
  gl4duSendMatrices();
  gl4duPopMatrix();
  gl4dgDraw(quad);
}

}  // namespace hf
