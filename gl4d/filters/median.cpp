// gl4dfMedian: the 3 x 3 median of each channel, repeated.
#include <algorithm>

#include "gl4d/filters.h"
#include "gl4d/filters/pass.h"

namespace gl4d::filters {

namespace {

// The median of nine by a 19-exchange network (the one of Paeth and
// Devillard), per channel. The taps are constant offsets sampled nearest
// over the whole texture, so the sampler clamps at the edges.
const char *kMedianBody = R"(
uniform sampler2D src;
#define AT(i, j) textureOffset(src, uv, ivec2(i, j))
#define SORT(a, b) { vec4 lo = min(v[a], v[b]); v[b] = max(v[a], v[b]); v[a] = lo; }
void main() {
  vec4 v[9] = vec4[9](AT(-1, -1), AT(0, -1), AT(1, -1), AT(-1, 0), texture(src, uv), AT(1, 0),
                      AT(-1, 1), AT(0, 1), AT(1, 1));
  SORT(1, 2) SORT(4, 5) SORT(7, 8) SORT(0, 1) SORT(3, 4) SORT(6, 7)
  SORT(1, 2) SORT(4, 5) SORT(7, 8) SORT(0, 3) SORT(5, 8) SORT(4, 7)
  SORT(3, 6) SORT(1, 4) SORT(2, 5) SORT(4, 7) SORT(4, 2) SORT(6, 4)
  SORT(4, 2)
  fragColor = v[4];
}
)";

void median(GLuint in, GLuint out, GLsizei w, GLsizei h, bool flip, const Rect &only) {
  const GLuint prog = program("median", kMedianBody);
  useProgram(prog, in, Sampling::Nearest);
  drawInto(out, w, h, flip, &only);
}

}  // namespace

void prepareMedian() { program("median", kMedianBody); }

}  // namespace gl4d::filters

void gl4dfMedian(GLuint in, GLuint out, GLuint nbIterations, GLboolean flipV) {
  using namespace gl4d::filters;
  run("gl4dfMedian", in, out, flipV, [&](const Image &src, GLuint target, bool flip) {
    if (nbIterations == 0) {
      copyInto(src, target, flip);
      return;
    }
    // Passes alternate between the target and a temporary so that the last
    // one writes the target; in place, the first reads a copy. Each pass
    // reaches a texel further than the next one needs.
    const Rect &region = callRegion();
    const GLint reach = GLint(std::min(nbIterations, GLuint(src.w + src.h)));
    const Rect needed = region.grown(reach, reach, src.w, src.h);
    GLuint input = nbIterations % 2 == 1 ? stillInput(src, target, &needed) : src.tex;
    const GLuint work = scratch(Scratch::Work, src.w, src.h, src.scratchFormat);
    for (GLuint i = 0; i < nbIterations; ++i) {
      const GLuint left = nbIterations - 1 - i;
      const GLuint output = left % 2 == 0 ? target : work;
      const GLint more = GLint(std::min(left, GLuint(src.w + src.h)));
      median(input, output, src.w, src.h, flip && left == 0, region.grown(more, more, src.w, src.h));
      input = output;
    }
  });
}
