// gl4dfSobel and its setters: Sobel edges by the result mode, combined with
// the input by the mix mode and factor.
#include <cmath>
#include <cstdio>

#include "gl4d/filters.h"
#include "gl4d/filters/pass.h"

namespace gl4d::filters {

namespace {

// Gradients by the 3 x 3 Sobel kernels, their magnitude per channel or of
// the luminance, capped at 1; alpha stays the input's. The taps are constant
// offsets sampled nearest over the whole texture: the sampler clamps them.
const char *kSobelBody = R"(
uniform sampler2D src;
uniform int resultMode;
uniform int mixMode;
uniform float factor;
const vec3 kLuma = vec3(0.299, 0.587, 0.114);
void main() {
#define AT(i, j) textureOffset(src, uv, ivec2(i, j)).rgb
  vec3 sw = AT(-1, -1), s = AT(0, -1), se = AT(1, -1);
  vec3 w = AT(-1, 0), e = AT(1, 0);
  vec3 nw = AT(-1, 1), n = AT(0, 1), ne = AT(1, 1);
  vec4 c = texture(src, uv);
  vec3 gx = (se + 2.0 * e + ne) - (sw + 2.0 * w + nw);
  vec3 gy = (nw + 2.0 * n + ne) - (sw + 2.0 * s + se);
  vec3 edges;
  if (resultMode >= 2) {
    vec2 g = vec2(dot(gx, kLuma), dot(gy, kLuma));
    edges = vec3(min(length(g), 1.0));
  } else {
    edges = min(sqrt(gx * gx + gy * gy), vec3(1.0));
  }
  if (resultMode == 1 || resultMode == 3) edges = 1.0 - edges;
  vec3 rgb = edges;
  if (mixMode == 5) rgb = c.rgb + factor * edges;
  if (mixMode == 6) rgb = c.rgb * mix(vec3(1.0), edges, factor);
  fragColor = vec4(rgb, c.a);
}
)";

struct Settings {
  GL4DFenum result = GL4DF_SOBEL_RESULT_RGB;
  GL4DFenum mix = GL4DF_SOBEL_MIX_NONE;
  GLfloat factor = 1.0f;
};

Settings settings;

}  // namespace

void resetSobel() { settings = Settings{}; }

void prepareSobel() { program("sobel", kSobelBody); }

}  // namespace gl4d::filters

void gl4dfSobelSetResultMode(GL4DFenum mode) {
  if (mode < GL4DF_SOBEL_RESULT_RGB || mode > GL4DF_SOBEL_RESULT_INV_LUMINANCE) {
    std::fprintf(stderr, "gl4dfSobelSetResultMode: %d is not a result mode (0 to 3); kept %d\n", int(mode),
                 int(gl4d::filters::settings.result));
    return;
  }
  gl4d::filters::settings.result = mode;
}

void gl4dfSobelSetMixMode(GL4DFenum mode) {
  if (mode < GL4DF_SOBEL_MIX_NONE || mode > GL4DF_SOBEL_MIX_MULT) {
    std::fprintf(stderr, "gl4dfSobelSetMixMode: %d is not a mix mode (4 to 6); kept %d\n", int(mode),
                 int(gl4d::filters::settings.mix));
    return;
  }
  gl4d::filters::settings.mix = mode;
}

void gl4dfSobelSetMixFactor(GLfloat factor) {
  if (std::isnan(factor)) {
    std::fprintf(stderr, "gl4dfSobelSetMixFactor: not a number; kept %g\n", double(gl4d::filters::settings.factor));
    return;
  }
  gl4d::filters::settings.factor = factor < 0.0f ? 0.0f : factor > 1.0f ? 1.0f : factor;
}

void gl4dfSobel(GLuint in, GLuint out, GLboolean flipV) {
  using namespace gl4d::filters;
  run("gl4dfSobel", in, out, flipV, [&](const Image &src, GLuint target, bool flip) {
    const GLuint input = stillInput(src, target);
    const GLuint prog = program("sobel", kSobelBody);
    useProgram(prog, input, Sampling::Nearest);
    setInt(prog, "resultMode", settings.result);
    setInt(prog, "mixMode", settings.mix);
    setFloat(prog, "factor", settings.factor);
    drawInto(target, src.w, src.h, flip);
  });
}
