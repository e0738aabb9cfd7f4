// What the textures alive hold: level 0 of each, from its size and the bits
// of its channels as the driver reports them.
#pragma once

namespace gl4d {

// MB (2^20 bytes) of level 0 of every texture counted alive (gl_objects.h).
double textureMegabytes();

}  // namespace gl4d
