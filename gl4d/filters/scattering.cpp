// gl4dfScattering: every output pixel takes the input at a pseudo-random
// offset within the radius; the pattern is new at every call.
#include <algorithm>
#include <cstdint>

#include "gl4d/filters.h"
#include "gl4d/filters/pass.h"

namespace gl4d::filters {

namespace {

// The input is sampled nearest with GL_MIRRORED_REPEAT: an offset past an
// edge is mirrored back (texel -1 reads 0, -2 reads 1), which keeps every
// input pixel's chance of being taken even and never lands further than the
// offset itself from a pixel inside.
const char *kScatterBody = R"(
uniform sampler2D src;
uniform vec2 texel;  // 1 / size
uniform float radius;
uniform uint seed;
uniform float stay;  // chance that a pixel keeps its place
// Integer mixing (xorshift-multiply, two rounds): a well spread 32-bit hash.
// One round is cheaper but leaves a visible lattice in neighbouring pixels.
uint hash(uint x) {
  x ^= x >> 16; x *= 0x7feb352du;
  x ^= x >> 15; x *= 0x846ca68bu;
  return x ^ (x >> 16);
}
void main() {
  uvec2 p = uvec2(gl_FragCoord.xy);
  uint h = hash((p.y << 16 | p.x) + seed);  // one per pixel below 65536 x 65536
  // Two 12-bit coordinates in -1..1 and 8 bits for staying put.
  vec2 u = vec2(uvec2(h, h >> 12) & 0xFFFu) / 2047.5 - 1.0;
  // A point of the square outside the unit disc is pulled inside: offsets
  // stay within the radius without trigonometry.
  if (dot(u, u) > 1.0) u *= 0.5;
  // Truncation toward zero keeps |offset| <= radius.
  vec2 offset = float(h >> 24) >= stay * 256.0 ? trunc(radius * u) : vec2(0.0);
  fragColor = texture(src, uv + offset * texel);
}
)";

std::uint32_t counter = 0;

// A fresh seed per call (splitmix32 over a counter).
std::uint32_t nextSeed() {
  std::uint32_t z = (counter += 0x9e3779b9u);
  z = (z ^ (z >> 16)) * 0x85ebca6bu;
  z = (z ^ (z >> 13)) * 0xc2b2ae35u;
  return z ^ (z >> 16);
}

}  // namespace

void resetScattering() { counter = 0; }

void prepareScattering() { program("scattering", kScatterBody); }

}  // namespace gl4d::filters

void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density, GLuint weightMap, GLboolean flipV) {
  using namespace gl4d::filters;
  (void)weightMap;  // no weight maps: 0 is all there is
  run("gl4dfScattering", in, out, flipV, [&](const Image &src, GLuint target, bool flip) {
    if (radius == 0) {
      copyInto(src, target, flip);
      return;
    }
    // An output texel reads the input within the radius of it (mirrored
    // back at the edges, which stays within the radius too), and a texel
    // more keeps rounding out of it.
    const Rect &region = callRegion();
    const GLint reach = GLint(std::min(radius, GLuint(src.w + src.h))) + 1;
    const Rect needed = region.grown(reach, reach, src.w, src.h);
    const GLuint input = stillInput(src, target, &needed);
    const GLuint prog = program("scattering", kScatterBody);
    useProgram(prog, input, Sampling::Mirrored);
    setFloat2(prog, "texel", 1.0f / src.w, 1.0f / src.h);
    setFloat(prog, "radius", static_cast<GLfloat>(std::min(radius, 1u << 20)));  // past any texture
    glUniform1ui(glGetUniformLocation(prog, "seed"), nextSeed());
    setFloat(prog, "stay", static_cast<GLfloat>(double(density) / (double(density) + 1.0)));
    drawInto(target, src.w, src.h, flip, &region);
  });
}
