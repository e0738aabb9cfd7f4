// gl4dfBlur: a Gaussian blur whose cost does not grow with its radius.
//
// Small blurs run as two separable passes at full resolution. Wider ones are
// computed on a grid K times coarser: a box reduction by K (separable), the
// remaining Gaussian at that level, and a bilinear enlargement back. The
// reduction and the enlargement blur too; their variance is subtracted from
// the level's Gaussian, so that the whole keeps the variance of the asked
// Gaussian at every radius and K can change between neighbouring radii
// without a visible step. K grows with the radius, which keeps the level's
// Gaussian between kMinLevelSigma and about 1.5 times that, so every pass has
// a bounded number of taps.
#include <algorithm>
#include <cmath>
#include <string>

#include "gl4d/filters.h"
#include "gl4d/filters_pass.h"

namespace gl4d::filters {

namespace {

constexpr int kMaxTaps = 16;

// One axis of a separable Gaussian: symmetric taps, edges clamped. TAPS is
// fixed for each program, so that the loop unrolls.
const char *kLineBody = R"(
uniform sampler2D src;
uniform ivec2 last;  // last texel of the input rectangle
uniform ivec2 step;  // (1, 0) along x, (0, 1) along y
uniform float weights[TAPS + 1];
void main() {
  ivec2 p = outPixel();
  vec4 sum = texelFetch(src, p, 0) * weights[0];
  for (int i = 1; i <= TAPS; ++i)
    sum += (texelFetch(src, clamp(p + step * i, ivec2(0), last), 0) +
            texelFetch(src, clamp(p - step * i, ivec2(0), last), 0)) * weights[i];
  fragColor = sum;
}
)";

// Tent-weighted mean (a box of `factor` convolved with itself: little
// aliasing) of the input texels around one level texel, along one axis, the
// input clamped to its edges. Along that axis, level texel t is centred on
// the input texels (t - 1) * factor .. (t - 1) * factor + factor - 1: texel 0
// is a margin before the input and the last texel one after it, so that the
// level's own clamping repeats the edges as the full image would.
const char *kReduceBody = R"(
uniform sampler2D src;
uniform ivec2 last;
uniform ivec2 step;
uniform int factor;
void main() {
  ivec2 p = outPixel();
  ivec2 across = p - step * p;
  int start = (p.x * step.x + p.y * step.y - 1) * factor;
  float centre = float(start) + 0.5 * float(factor - 1);
  int first = start - factor / 2, count = 2 * factor - (factor & 1);
  vec4 sum = vec4(0.0);
  for (int i = 0; i < count; ++i) {
    int x = first + i;
    float weight = float(factor) - abs(float(x) - centre);
    sum += weight * texelFetch(src, clamp(across + step * x, ivec2(0), last), 0);
  }
  fragColor = sum / float(factor * factor);
}
)";

// Bilinear enlargement of the level (margin included) back to full size.
const char *kEnlargeBody = R"(
uniform sampler2D src;
uniform float factor;  // output pixels per level texel
uniform vec2 texSize;  // texels of the texture holding the level
void main() {
  vec2 at = (vec2(outPixel()) + 0.5) / factor + 1.0;  // past the margin
  fragColor = texture(src, at / texSize);
}
)";

// The least Gaussian a level runs, in its texels: below it the level is too
// coarse for the bilinear enlargement. Halving gets a lower floor so that it
// takes over from the full-resolution passes early (radius 6).
double minLevelSigma(int k) { return k == 2 ? 0.7 : 1.2; }

// Variance, in full-resolution texels, that reducing by k and enlarging back
// add: the tent's, and the bilinear weights' averaged over the k phases of
// an output pixel between two level texels.
double roundTripVariance(int k) {
  const double centre = 0.5 * (k - 1);
  double tent = 0.0;
  for (int x = -k / 2; x < -k / 2 + 2 * k - (k & 1); ++x) tent += (k - std::abs(x - centre)) * (x - centre) * (x - centre);
  double interpolation = 0.0;
  for (int j = 0; j < k; ++j) {
    double f = (j + 0.5) / k - 0.5;
    f -= std::floor(f);
    interpolation += f * (1.0 - f);
  }
  return tent / (double(k) * k) + interpolation * k;
}

struct Plan {
  int factor;    // 1: full resolution
  double sigma;  // of the Gaussian run at that level, in its texels
};

Plan planFor(double sigma) {
  for (int k = std::max(2, int(sigma / minLevelSigma(3))); k >= 2; --k) {
    const double rest = (sigma * sigma - roundTripVariance(k)) / (double(k) * k);
    if (rest >= minLevelSigma(k) * minLevelSigma(k)) return {k, std::sqrt(rest)};
  }
  return {1, sigma};
}

// Normalised weights w[0..taps] of the Gaussian cut at three sigma.
int gaussian(double sigma, GLfloat *w) {
  const int taps = std::clamp(int(std::ceil(3.0 * sigma)), 1, kMaxTaps);
  double sum = 0.0, raw[kMaxTaps + 1];
  for (int i = 0; i <= taps; ++i) {
    raw[i] = std::exp(-0.5 * i * i / (sigma * sigma));
    sum += i ? 2.0 * raw[i] : raw[i];
  }
  for (int i = 0; i <= taps; ++i) w[i] = GLfloat(raw[i] / sum);
  return taps;
}

// A separable Gaussian pass over the w x h corner of `in` into `out`.
void line(GLuint in, GLuint out, GLsizei w, GLsizei h, bool alongX, double sigma, bool flip) {
  GLfloat weights[kMaxTaps + 1];
  const int taps = gaussian(sigma, weights);
  const std::string name = "blur line " + std::to_string(taps);
  const GLuint prog = program(name.c_str(), ("#define TAPS " + std::to_string(taps) + "\n" + kLineBody).c_str());
  useProgram(prog, in, false);
  setInt2(prog, "last", w - 1, h - 1);
  setInt2(prog, "step", alongX ? 1 : 0, alongX ? 0 : 1);
  setFloats(prog, "weights", weights, taps + 1);
  drawInto(out, w, h, flip);
}

void reduce(GLuint in, GLuint out, GLsizei inW, GLsizei inH, GLsizei outW, GLsizei outH, bool alongX, int k) {
  const GLuint prog = program("blur reduce", kReduceBody);
  useProgram(prog, in, false);
  setInt2(prog, "last", inW - 1, inH - 1);
  setInt2(prog, "step", alongX ? 1 : 0, alongX ? 0 : 1);
  setInt(prog, "factor", k);
  drawInto(out, outW, outH, false);
}

void blur(const Image &src, GLuint target, double sigma, bool flip) {
  const GLsizei w = src.w, h = src.h;
  const Plan plan = planFor(sigma);
  if (plan.factor == 1) {
    const GLuint work = scratch(Scratch::Work, w, h, src.scratchFormat);
    line(src.tex, work, w, h, true, sigma, false);
    line(work, target, w, h, false, sigma, flip);
    return;
  }
  const int k = plan.factor;
  const GLsizei lw = (w + k - 1) / k + 2, lh = (h + k - 1) / k + 2;  // the level, margins included
  const GLsizei tw = (w + 1) / 2 + 2, th = (h + 1) / 2 + 2;          // its textures, sized for k = 2
  const GLuint columns = scratch(Scratch::Columns, tw, h, src.scratchFormat);
  const GLuint a = scratch(Scratch::LevelA, tw, th, src.scratchFormat);
  const GLuint b = scratch(Scratch::LevelB, tw, th, src.scratchFormat);
  reduce(src.tex, columns, w, h, lw, h, true, k);
  reduce(columns, a, lw, h, lw, lh, false, k);
  line(a, b, lw, lh, true, plan.sigma, false);
  line(b, a, lw, lh, false, plan.sigma, false);
  const GLuint prog = program("blur enlarge", kEnlargeBody);
  useProgram(prog, a, true);
  setFloat(prog, "factor", GLfloat(k));
  setFloat2(prog, "texSize", GLfloat(tw), GLfloat(th));
  drawInto(target, w, h, flip);
}

}  // namespace

}  // namespace gl4d::filters

void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint nbIterations, GLuint weightMap, GLboolean flipV) {
  using namespace gl4d::filters;
  (void)weightMap;  // no weight maps: 0 is all there is
  run("gl4dfBlur", in, out, flipV, [&](const Image &src, GLuint target, bool flip) {
    if (radius == 0 || nbIterations == 0) {
      copyInto(src, target, flip);
      return;
    }
    // n Gaussians of sigma compose to one of sigma * sqrt(n).
    blur(src, target, radius / 3.0 * std::sqrt(double(nbIterations)), flip);
  });
}
