// Samples a texture through the driver's own filtering and wrapping: one
// fragment reads it at a chosen coordinate into a 1 x 1 target.
#pragma once

#include "support/gl_test.h"

namespace scenes_test {

hf::Rgba sample2D(GLuint tex, float s, float t);
hf::Rgba sample1D(GLuint tex, float s);

}  // namespace scenes_test
