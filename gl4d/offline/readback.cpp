#include "gl4d/offline/readback.h"

#include <cstring>

namespace gl4d {

void readPixels(GLuint fb, int w, int h, GLuint packBuffer, std::uint8_t *to) {
  GLint readFb = 0, readBuffer = GL_BACK, bound = 0, alignment = 4;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFb);
  glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &bound);
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fb);
  if (!fb) {
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(GL_BACK);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, packBuffer ? nullptr : to);
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(bound));
  if (!fb) glReadBuffer(static_cast<GLenum>(readBuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFb));
}

void FrameReadback::start(GLuint fb, int w, int h) {
  fb_ = fb, w_ = w, h_ = h;
  GLint bound = 0;
  glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &bound);
  glGenBuffers(2, buffers_);
  for (GLuint b : buffers_) {
    glBindBuffer(GL_PIXEL_PACK_BUFFER, b);
    glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(w) * h * 4, nullptr, GL_STREAM_READ);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(bound));
}

void FrameReadback::ask() {
  readPixels(fb_, w_, h_, buffers_[asked_ % 2], nullptr);
  ++asked_;
}

bool FrameReadback::take(std::uint8_t *pixels) {
  const GLsizeiptr bytes = static_cast<GLsizeiptr>(w_) * h_ * 4;
  GLint bound = 0;
  glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &bound);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, buffers_[taken_ % 2]);
  // Waits, if need be, for the copy alone: the draws queued after it go on.
  const void *mapped = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, bytes, GL_MAP_READ_BIT);
  if (mapped) std::memcpy(pixels, mapped, static_cast<size_t>(bytes));
  const bool read = mapped && glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(bound));
  ++taken_;
  return read;
}

void FrameReadback::stop() {
  if (buffers_[0]) glDeleteBuffers(2, buffers_);
  buffers_[0] = buffers_[1] = 0;
  asked_ = taken_ = 0;
}

}  // namespace gl4d
