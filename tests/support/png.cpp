#include "support/png.h"

#include "gl4d/png.h"

namespace hf {

bool writePng(const std::string &path, int w, int h, const std::uint8_t *rgba, bool topDown) {
  return gl4dWritePng(path.c_str(), w, h, rgba, topDown ? GL_TRUE : GL_FALSE) == GL_TRUE;
}

}  // namespace hf
