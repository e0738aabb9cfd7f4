#include "gl4d/offline/texture_memory.h"

#include "gl4d/offline/gl_objects.h"

namespace gl4d {

double textureMegabytes() {
  double bytes = 0;
  for (const auto &[name, target] : liveTextures()) {
    if (!target || !glIsTexture(name)) continue;
    glBindTexture(target, name);
    GLint w = 0, h = 1, d = 1, bits = 0;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &w);
    if (target != GL_TEXTURE_1D) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &h);
    if (target == GL_TEXTURE_3D || target == GL_TEXTURE_2D_ARRAY) glGetTexLevelParameteriv(target, 0, GL_TEXTURE_DEPTH, &d);
    for (GLenum size : {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE, GL_TEXTURE_ALPHA_SIZE,
                        GL_TEXTURE_DEPTH_SIZE, GL_TEXTURE_STENCIL_SIZE}) {
      GLint b = 0;
      glGetTexLevelParameteriv(target, 0, size, &b);
      bits += b;
    }
    glBindTexture(target, 0);
    bytes += static_cast<double>(w) * h * d * bits / 8.0;
  }
  return bytes / (1024.0 * 1024.0);
}

}  // namespace gl4d
