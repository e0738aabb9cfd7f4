// gl4dfConvTex2Tex: texture to texture, exact at equal sizes (a blit),
// resampled with filtering otherwise.
#include <algorithm>
#include <cmath>

#include "gl4d/filters.h"
#include "gl4d/filters/pass.h"

namespace gl4d::filters {

namespace {

// Each output pixel averages taps x taps bilinear samples spread evenly over
// its footprint in the source: a box filter when shrinking, plain bilinear
// interpolation when enlarging.
const char *kResampleBody = R"(
uniform sampler2D src;
uniform vec2 srcSize;  // texels of the source
uniform vec2 scale;    // source texels per output pixel
uniform ivec2 taps;    // samples per axis over one output pixel
void main() {
  vec2 p = vec2(outPixel());
  vec4 sum = vec4(0.0);
  for (int j = 0; j < taps.y; ++j)
    for (int i = 0; i < taps.x; ++i) {
      vec2 at = (p + (vec2(i, j) + 0.5) / vec2(taps)) * scale;
      sum += texture(src, at / srcSize);
    }
  fragColor = sum / float(taps.x * taps.y);
}
)";

// Beyond this many samples per axis a shrink samples its footprint sparsely.
constexpr int kMaxTaps = 32;

GLint tapsFor(double scale) { return static_cast<GLint>(std::clamp(std::ceil(scale - 1e-9), 1.0, double(kMaxTaps))); }

}  // namespace

void resample(const Image &src, const Image &dst, bool flip) {
  if (src.w == dst.w && src.h == dst.h) {
    copyInto(src, dst.tex, flip);
    return;
  }
  const GLuint prog = program("resample", kResampleBody);
  const double sx = double(src.w) / dst.w, sy = double(src.h) / dst.h;
  useProgram(prog, src.tex, Sampling::Linear);
  setFloat2(prog, "srcSize", GLfloat(src.w), GLfloat(src.h));
  setFloat2(prog, "scale", GLfloat(sx), GLfloat(sy));
  setInt2(prog, "taps", tapsFor(sx), tapsFor(sy));
  drawInto(dst.tex, dst.w, dst.h, flip);
}

void prepareCopy() { program("resample", kResampleBody); }

}  // namespace gl4d::filters

void gl4dfConvTex2Tex(GLuint in, GLuint out, GLboolean flipV) {
  using namespace gl4d::filters;
  const char *caller = "gl4dfConvTex2Tex";
  SavedState saved;
  Image src, dst;
  if (!describe(caller, in, &src) || !describe(caller, out, &dst) || !renderable(caller, out)) return;
  resample(src, dst, flipV);
}
