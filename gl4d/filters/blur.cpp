// gl4dfBlur: a Gaussian blur whose cost does not grow with its radius.
//
// Small blurs run as two separable passes at full resolution. Wider ones are
// computed on a grid K times coarser: a tent-weighted reduction by K, the
// remaining Gaussian at that level (separable), and a bilinear enlargement
// back. The reduction and the enlargement blur too; their variance is taken
// off the level's Gaussian, so that the whole keeps the variance of the
// asked Gaussian at every radius and K can change between neighbouring radii
// without a visible step. K grows with the radius so that the level's
// Gaussian stays between minLevelSigma and about 1.5 times that: every pass
// has a bounded number of taps, and the full-resolution passes (the
// reduction's reads, the enlargement's writes) do not depend on the radius.
#include <algorithm>
#include <cmath>
#include <string>

#include "gl4d/filters.h"
#include "gl4d/filters/pass.h"

namespace gl4d::filters {

namespace {

constexpr int kMaxTaps = 16;
constexpr int kMaxFixedFactor = 4;

// One axis of a separable Gaussian: symmetric taps, clamped at the edges of
// the input rectangle. AXIS (0: x, 1: y) and TAPS are fixed for each program,
// so that the loop unrolls and only one coordinate needs clamping.
const char *kLineBody = R"(
uniform sampler2D src;
uniform ivec2 last;  // last texel of the input rectangle
uniform float weights[TAPS + 1];
void main() {
  ivec2 p = outPixel();
  vec4 sum = texelFetch(src, p, 0) * weights[0];
  for (int i = 1; i <= TAPS; ++i) {
#if AXIS == 0
    vec4 pair = texelFetch(src, ivec2(min(p.x + i, last.x), p.y), 0) + texelFetch(src, ivec2(max(p.x - i, 0), p.y), 0);
#else
    vec4 pair = texelFetch(src, ivec2(p.x, min(p.y + i, last.y)), 0) + texelFetch(src, ivec2(p.x, max(p.y - i, 0)), 0);
#endif
    sum += pair * weights[i];
  }
  fragColor = sum;
}
)";

// Tent-weighted mean (a box of `factor` convolved with itself: little
// aliasing) of the input texels around one level texel, the input clamped to
// its edges. Level texel t is centred on the input texels (t - 1) * factor ..
// (t - 1) * factor + factor - 1 on each reduced axis: texel 0 is a margin
// before the input and the last texel one after it, so that the level's own
// clamping repeats the edges as the full image would. REDUCE_X and REDUCE_Y
// say which axes this pass reduces: small factors do both at once, fixed in
// their programs (FACTOR) so that the loops unroll; larger ones reduce x
// first, into a strip tall enough to keep every rasteriser thread busy.
const char *kReduceBody = R"(
uniform sampler2D src;
uniform ivec2 last;
#ifdef FACTOR
const int factor = FACTOR;
#else
uniform int factor;
#endif
#define COUNT (2 * factor - (factor & 1))
// First input texel and tent centre along a reduced axis.
int firstTap(int t) { return (t - 1) * factor - factor / 2; }
float centre(int t) { return float((t - 1) * factor) + 0.5 * float(factor - 1); }
float tent(int x, float c) { return float(factor) - abs(float(x) - c); }
vec4 row(ivec2 p) {
#if REDUCE_X
  int first = firstTap(p.x);
  float c = centre(p.x);
  vec4 sum = vec4(0.0);
  for (int i = 0; i < COUNT; ++i)
    sum += tent(first + i, c) * texelFetch(src, ivec2(clamp(first + i, 0, last.x), p.y), 0);
  return sum / float(factor * factor);
#else
  return texelFetch(src, p, 0);
#endif
}
void main() {
  ivec2 p = outPixel();
#if REDUCE_Y
  int first = firstTap(p.y);
  float c = centre(p.y);
  vec4 sum = vec4(0.0);
  for (int j = 0; j < COUNT; ++j) sum += tent(first + j, c) * row(ivec2(p.x, clamp(first + j, 0, last.y)));
  fragColor = sum / float(factor * factor);
#else
  fragColor = row(p);
#endif
}
)";

// The same reduction by 2 on both axes, from a whole texture, in four
// bilinear reads: along each axis the tent's taps 1, 3, 3, 1 (in eighths)
// pair up into two reads a quarter of a texel off the pairs' inner texels,
// and the sampler's clamping to the edges is the clamping of the taps.
const char *kHalveBody = R"(
uniform sampler2D src;
uniform vec2 texel;  // one input texel in texture coordinates
void main() {
  vec2 t = floor(gl_FragCoord.xy);
  vec2 a = (2.0 * t - 1.75) * texel, b = (2.0 * t - 0.25) * texel;
  fragColor = 0.25 * (texture(src, a) + texture(src, vec2(b.x, a.y)) + texture(src, vec2(a.x, b.y)) + texture(src, b));
}
)";

// Bilinear enlargement of the level (margin included) back to full size;
// the level coordinate is affine in uv, so it comes interpolated.
const char *kEnlargeBody = R"(
uniform sampler2D src;
uniform vec2 scale, offset;  // uv to the level's texture coordinates
void main() { fragColor = texture(src, uv * scale + offset); }
)";

// The least Gaussian a level runs, in its texels: below it the level is too
// coarse for the bilinear enlargement. The factors 2 and 3 get lower floors
// so that they take over early (from radius 5 and 10) from passes that cost
// more.
double minLevelSigma(int k) { return k == 2 ? 0.55 : k == 3 ? 0.9 : 1.2; }

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

// The largest factor whose level Gaussian stays above its floor. From 4 on,
// reducing and enlarging add over k * k / 3 of variance, so no factor above
// sigma / 1.3 can do.
Plan planFor(double sigma) {
  for (int k = std::max(2, int(sigma / 1.3) + 1); k >= 2; --k) {
    const double rest = (sigma * sigma - roundTripVariance(k)) / (double(k) * k);
    if (rest >= minLevelSigma(k) * minLevelSigma(k)) return {k, std::sqrt(rest)};
  }
  return {1, sigma};
}

// Taps on each side of the Gaussian cut at three sigma.
int tapsFor(double sigma) { return std::clamp(int(std::ceil(3.0 * sigma)), 1, kMaxTaps); }

// Normalised weights w[0..taps] of the Gaussian cut at three sigma.
int gaussian(double sigma, GLfloat *w) {
  const int taps = tapsFor(sigma);
  double sum = 0.0, raw[kMaxTaps + 1];
  for (int i = 0; i <= taps; ++i) {
    raw[i] = std::exp(-0.5 * i * i / (sigma * sigma));
    sum += i ? 2.0 * raw[i] : raw[i];
  }
  for (int i = 0; i <= taps; ++i) w[i] = GLfloat(raw[i] / sum);
  return taps;
}

// The same pass over a whole texture, for the full-resolution passes: the
// sampler clamps at the edges and the taps are constant offsets, which
// llvmpipe samples faster than computed fetches. Offsets of -7..7 are
// within every GL 3.3 implementation's range.
constexpr int kMaxOffsetTaps = 7;

std::string wholeTextureLineBody(int axis, int taps) {
  std::string body = "uniform sampler2D src;\nuniform float weights[" + std::to_string(taps + 1) +
                     "];\nvoid main() {\n  vec4 sum = texture(src, uv) * weights[0];\n";
  for (int i = 1; i <= taps; ++i) {
    const std::string a = axis ? "0, " + std::to_string(i) : std::to_string(i) + ", 0";
    const std::string b = axis ? "0, -" + std::to_string(i) : "-" + std::to_string(i) + ", 0";
    body += "  sum += (textureOffset(src, uv, ivec2(" + a + ")) + textureOffset(src, uv, ivec2(" + b +
            "))) * weights[" + std::to_string(i) + "];\n";
  }
  return body + "  fragColor = sum;\n}\n";
}

// A separable Gaussian pass over the w x h corner of `in` into `out`; whole
// says that corner is all of `in`.
GLuint lineProgram(int axis, int taps, bool offsets) {
  const std::string name =
      std::string(offsets ? "blur offsets " : "blur line ") + std::to_string(axis) + " " + std::to_string(taps);
  const std::string body = offsets ? wholeTextureLineBody(axis, taps)
                                   : "#define AXIS " + std::to_string(axis) + "\n#define TAPS " +
                                         std::to_string(taps) + "\n" + kLineBody;
  return program(name.c_str(), body.c_str());
}

void line(GLuint in, GLuint out, GLsizei w, GLsizei h, int axis, double sigma, bool flip, bool whole,
          const Rect *only = nullptr) {
  GLfloat weights[kMaxTaps + 1];
  const int taps = gaussian(sigma, weights);
  const GLuint prog = lineProgram(axis, taps, whole && taps <= kMaxOffsetTaps);
  useProgram(prog, in, Sampling::Nearest);
  setInt2(prog, "last", w - 1, h - 1);
  setFloats(prog, "weights", weights, taps + 1);
  drawInto(out, w, h, flip, only);
}

// Reduces the w x h corner of `in` by k along the axes asked, into the
// outW x outH corner of `out`.
GLuint reduceProgram(int k, bool x, bool y) {
  std::string defines = std::string("#define REDUCE_X ") + (x ? "1" : "0") + "\n#define REDUCE_Y " + (y ? "1" : "0") + "\n";
  if (k <= kMaxFixedFactor) defines += "#define FACTOR " + std::to_string(k) + "\n";
  return program(("blur reduce " + defines).c_str(), (defines + kReduceBody).c_str());
}

void reduce(GLuint in, GLsizei w, GLsizei h, GLuint out, GLsizei outW, GLsizei outH, int k, bool x, bool y,
            const Rect *only = nullptr) {
  const GLuint prog = reduceProgram(k, x, y);
  useProgram(prog, in, Sampling::Nearest);
  setInt2(prog, "last", w - 1, h - 1);
  setInt(prog, "factor", k);
  drawInto(out, outW, outH, false, only);
}

// What a part of the output needs of the stages before it. The
// enlargement's texel c reads the two level texels about c / k + 1
// (bilinear), and a row of a reduction's level, t, the input rows from
// (t - 1) k - k / 2 on, 2 k - (k & 1) of them. A texel more on each side of
// the level keeps the sampler's rounding at a weight's edge out of it.
Rect enlargedFrom(const Rect &r, int k, GLsizei lw, GLsizei lh) {
  if (r.empty()) return r;
  return Rect{r.x0 / k - 1, r.y0 / k - 1, (r.x1 - 1) / k + 4, (r.y1 - 1) / k + 4}.grown(0, 0, lw, lh);
}
Rect rowsReducedFrom(const Rect &r, int k, GLsizei w, GLsizei h) {
  if (r.empty()) return r;
  return Rect{r.x0, (r.y0 - 1) * k - k / 2, r.x1, (r.y1 - 2) * k - k / 2 + 2 * k - (k & 1)}.grown(0, 0, w, h);
}

// How far from an output texel the input texels that the blur of sigma
// reads lie: the stages' needs above, followed back from one output texel
// of each phase of the level, far from any edge.
GLint reachOf(double sigma) {
  const Plan plan = planFor(sigma);
  const int taps = tapsFor(plan.sigma), k = plan.factor;
  if (k == 1) return taps;
  const GLsizei big = 1 << 24;
  GLint reach = 0;
  for (GLint c = big / 2; c < big / 2 + k; ++c) {
    const Rect level = enlargedFrom(Rect{0, c, 1, c + 1}, k, 1, big).grown(0, taps, 1, big);
    const Rect in = rowsReducedFrom(level, k, 1, big);
    reach = std::max({reach, c - in.y0, in.y1 - 1 - c});
  }
  return reach;
}

// Beyond this many times the texture's size a blur is flat already.
constexpr double kMaxSigmaPerSize = 8.0;

void blur(const Image &src, GLuint target, double sigma, bool flip) {
  const GLsizei w = src.w, h = src.h;
  sigma = std::min(sigma, kMaxSigmaPerSize * std::max(w, h));
  const Plan plan = planFor(sigma);
  // Each stage computes what the stages after it read of it, back from the
  // part of the output asked for.
  const Rect &region = callRegion();
  const int taps = tapsFor(plan.sigma);
  if (plan.factor == 1) {
    const GLuint work = scratch(Scratch::Work, w, h, src.scratchFormat);
    const Rect rows = region.grown(0, taps, w, h);
    line(src.tex, work, w, h, 0, sigma, false, true, &rows);
    line(work, target, w, h, 1, sigma, flip, true, &region);
    return;
  }
  const int k = plan.factor;
  const GLsizei lw = (w + k - 1) / k + 2, lh = (h + k - 1) / k + 2;  // the level, margins included
  const GLsizei tw = (w + 1) / 2 + 2, th = (h + 1) / 2 + 2;          // its textures, sized for k = 2
  const GLuint a = scratch(Scratch::LevelA, tw, th, src.scratchFormat);
  const GLuint b = scratch(Scratch::LevelB, tw, th, src.scratchFormat);
  const Rect levelY = enlargedFrom(region, k, lw, lh), levelX = levelY.grown(0, taps, lw, lh),
             reduced = levelX.grown(taps, 0, lw, lh);
  if (k == 2) {
    const GLuint prog = program("blur halve", kHalveBody);
    useProgram(prog, src.tex, Sampling::Linear);
    setFloat2(prog, "texel", GLfloat(1.0 / w), GLfloat(1.0 / h));
    drawInto(a, lw, lh, false, &reduced);
  } else if (k <= kMaxFixedFactor) {
    reduce(src.tex, w, h, a, lw, lh, k, true, true, &reduced);
  } else {
    const GLuint strip = scratch(Scratch::Strip, (w + kMaxFixedFactor) / (kMaxFixedFactor + 1) + 2, h,
                                 src.scratchFormat);
    const Rect stripped = rowsReducedFrom(reduced, k, lw, h);
    reduce(src.tex, w, h, strip, lw, h, k, true, false, &stripped);
    reduce(strip, lw, h, a, lw, lh, k, false, true, &reduced);
  }
  // For k = 2 the level fills its textures: the faster whole-texture passes.
  const bool whole = lw == tw && lh == th;
  line(a, b, lw, lh, 0, plan.sigma, false, whole, &levelX);
  line(b, a, lw, lh, 1, plan.sigma, false, whole, &levelY);

  // Output pixel centre c (in pixels) reads the level at c / k + 1 texels.
  const GLuint prog = program("blur enlarge", kEnlargeBody);
  useProgram(prog, a, Sampling::Linear);
  setFloat2(prog, "scale", GLfloat(double(w) / k / tw), GLfloat(double(h) / k / th));
  setFloat2(prog, "offset", GLfloat(1.0 / tw), GLfloat(1.0 / th));
  drawInto(target, w, h, flip, &region);
}

}  // namespace

// Every program a blur of any radius may use.
void prepareBlur() {
  for (int axis = 0; axis < 2; ++axis)
    for (int taps = 1; taps <= kMaxTaps; ++taps) {
      lineProgram(axis, taps, false);
      if (taps <= kMaxOffsetTaps) lineProgram(axis, taps, true);
    }
  for (int k = 3; k <= kMaxFixedFactor; ++k) reduceProgram(k, true, true);
  reduceProgram(kMaxFixedFactor + 1, true, false);
  reduceProgram(kMaxFixedFactor + 1, false, true);
  program("blur halve", kHalveBody);
  program("blur enlarge", kEnlargeBody);
}

// The temporaries a blur of any radius uses on a w x h RGBA8 texture.
void prepareBlurTemporaries(GLsizei w, GLsizei h) {
  scratch(Scratch::Work, w, h, GL_RGBA8);
  scratch(Scratch::LevelA, (w + 1) / 2 + 2, (h + 1) / 2 + 2, GL_RGBA8);
  scratch(Scratch::LevelB, (w + 1) / 2 + 2, (h + 1) / 2 + 2, GL_RGBA8);
  scratch(Scratch::Strip, (w + kMaxFixedFactor) / (kMaxFixedFactor + 1) + 2, h, GL_RGBA8);
}
}  // namespace gl4d::filters

GLuint gl4dfBlurReach(GLuint radius, GLuint nbIterations) {
  if (radius == 0 || nbIterations == 0) return 0;
  return GLuint(gl4d::filters::reachOf(radius / 3.0 * std::sqrt(double(nbIterations))));
}

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

// The same Gaussian given by its standard deviation: a blur whose strength
// is a real number (a feedback effect blurring by the time elapsed).
void gl4dfBlurSigma(GLuint in, GLuint out, GLfloat sigma, GLboolean flipV) {
  using namespace gl4d::filters;
  run("gl4dfBlurSigma", in, out, flipV, [&](const Image &src, GLuint target, bool flip) {
    if (!(sigma > 0.0f)) {
      copyInto(src, target, flip);
      return;
    }
    blur(src, target, sigma, flip);
  });
}
