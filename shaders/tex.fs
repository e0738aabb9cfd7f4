#version 330 core
// Textured full-screen quad: "tx" multiplied by "color" when "colorize" is 1,
// written to the frame and, where a second target is attached, to it too
// (traceColor: the sound trace keeps its picture there as well).
//
// Built with TRACE_PASS, the sound trace's passes (animations.cpp, the
// trace): 1 the span's deposits ("aux"), each blurred and faded by the passes
// after it; 2 the previous picture's light ("tx") under each spot; 3 the
// deposits drawn, from that light (4 texels each); 4 the picture with its edges mirrored out by
// `margin` texels. Each is a program of its own, so that no pass runs the
// others' loops.
uniform sampler2D tx, aux;
uniform int colorize;
uniform vec4 color;  // the trace's tint a pass: red and blue in .r
in vec2 vsoTexCoord;
layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 traceColor;

#ifdef TRACE_PASS
// The span, in pixels and passes: the point moves from `from` by passStep
// a pass; the span is `span` passes long. Its `spots` spots: the first
// `grouped` each stand for `group` passes, the middle one a0 + j group
// passes after the span's start; the others for one pass each, from a1 on.
uniform vec2 from, passStep;
uniform float a0, a1, group, span;
uniform int spots, grouped;
// The spots drawn: drawn Gaussians, the k-th summing spots drawFirst[k] to
// drawFirst[k + 1] - 1.
uniform int drawn, drawFirst[TRACE_MAX_DEPOSITS + 1];
// The drawn Gaussians of this draw, from .x to .y - 1: a few at a time, each
// few over the stretch of the path they reach, so that every lane reads
// the same ones.
uniform ivec2 chunk;
// Spot variance and a pass's blur (pixels^2), light a pass keeps.
uniform float spotVar, passVar, passKeep;
uniform int margin;

const float TWO_PI = 6.2831853;

float passesAt(int j) { return j < grouped ? a0 + float(j) * group : a1 + float(j - grouped); }
float groupOf(int j) { return j < grouped ? group : 1.0; }
vec2 spotAt(int j) { return from + passesAt(j) * passStep; }
mat2 sym(vec3 m) { return mat2(m.x, m.y, m.y, m.z); }
// exp(-q/2) for q >= 0, and 0 beyond 12 deviations' worth (under a
// billionth). Nothing here comes near the smallest normal floats: a
// software rasteriser's exp2 of a large negative power can give NaN, and a
// CPU computes with subnormal floats a hundred times slower.
float gauss(float q) { return q < 60.0 ? exp(-0.5 * q) : 0.0; }
// The red (and blue) share a deposit keeps after m passes, tint and fade:
// nothing after 24.
float redKeep(float m) { return m < 24.0 ? pow(color.r * passKeep, m) : 0.0; }

// The previous picture's light under spot j, blurred and faded by the
// passes before it: the moments about the spot of spot x light (mass, first
// in .yz; red's mass in .w), from taps over the picture. For each tap the
// spot times the blur's Gaussian is a Gaussian of known moments.
vec4 lightUnder(int j, int row) {
  vec2 p = spotAt(j);
  float a = passesAt(j), B = a * passVar, V = spotVar + B;
  float h = 0.5 * sqrt(V), r = spotVar / V, cv = spotVar * B / V;
  vec2 texel = 1.0 / vec2(textureSize(tx, 0));
  vec4 m01 = vec4(0.0);
  vec3 m2 = vec3(0.0);
  for (int iy = -6; iy <= 6; ++iy)
    for (int ix = -6; ix <= 6; ++ix) {
      vec2 d = vec2(ix, iy) * h, c = r * d;
      vec4 e = texture(tx, (p + d) * texel) * gauss(dot(d, d) / V);
      m01 += vec4(e.g, e.g * c, e.r);
      m2 += e.g * vec3(cv + c.x * c.x, c.x * c.y, cv + c.y * c.y);
    }
  float f = r * h * h * pow(passKeep, a);
  m01 *= vec4(f, f, f, f * (a < 24.0 ? pow(color.r, a) : 0.0));
  return row == 0 ? m01 : vec4(f * m2, 0.0);
}

// Adds the moments about p of the spot (variance spotVar, height 1) times
// mass M spread as N(mu, C).
void addUnder(inout float m0, inout vec2 m1, inout mat2 m2, vec2 p, float M, vec2 mu, mat2 C) {
  mat2 S = C + mat2(spotVar), Ci = inverse(C);
  vec2 d = mu - p;
  float z = M * spotVar / sqrt(determinant(S)) * gauss(dot(d, inverse(S) * d));
  mat2 cc = inverse(Ci + mat2(1.0 / spotVar));
  vec2 c = cc * (Ci * d);
  m0 += z;
  m1 += z * c;
  m2 += z * (cc + outerProduct(c, c));
}

// Spot j's deposit, s (1 - light under it) in green, s (tint - light) in
// red, as drawn at the span's end (row 0: green's height, mean, red's
// height; row 1: the inverse covariance, red's inverse variance). Its mass,
// mean and covariance are those of the deposit; the light under a spot
// counts the deposits before it, so the chain runs from the span's first.
#if TRACE_PASS == 3
// The deposit whose light under the spot has the moments m0, m1, m2 plus
// that of the deposits of the passes before it in its group (as many as
// `self` at mass 1): the mass from their sum, linear in it; mean and
// covariance from the moments, the mean within 3 spot sigmas, the sigmas
// within 0.2 and 3.
void settle(float m0, vec2 m1, mat2 m2, float self0, vec2 self1, mat2 self2,
            inout float M, inout vec2 c, inout mat2 C) {
  float spotMass = TWO_PI * spotVar;
  M = (spotMass - m0) / (1.0 + self0);
  // (No early return: a software rasteriser's inlining took one for a break
  // out of the caller's loop.)
  if (M <= 1e-3 * spotMass) {
    M = max(M, 0.0);
    c = vec2(0.0);
    C = mat2(spotVar);
  } else {
    c = -(m1 + M * self1) / M;
    C = (mat2(spotMass * spotVar) - m2 - M * self2) / M - outerProduct(c, c);
    c *= min(1.0, 3.0 * sqrt(spotVar) / max(length(c), 1e-6));
    float mid = 0.5 * (C[0][0] + C[1][1]);
    float spread = sqrt(0.25 * (C[0][0] - C[1][1]) * (C[0][0] - C[1][1]) + C[0][1] * C[0][1]);
    float raise = max(0.04 * spotVar - (mid - spread), 0.0);
    C = (C + mat2(raise)) * min(1.0, 9.0 * spotVar / (mid + spread + raise));
  }
}

float depMass[TRACE_MAX_DEPOSITS], depRed[TRACE_MAX_DEPOSITS];
vec2 depMean[TRACE_MAX_DEPOSITS];
mat2 depCov[TRACE_MAX_DEPOSITS];
vec4 deposit(int k, int row) {
  // Every fragment runs the whole chain, the same loops in every lane (a
  // software rasteriser mishandled loops whose length differed between the
  // lanes of a quad), and sums the deposits it draws: spots drawFirst[k]
  // to drawFirst[k + 1] - 1, as they stand at the span's end (mass, first
  // and second moments about the newest spot, of green and of red, and the
  // shape before the blur).
  vec2 origin = spotAt(drawFirst[k + 1] - 1);
  vec4 g = vec4(0.0), r = vec4(0.0);
  mat2 g2 = mat2(0.0), shape = mat2(0.0);
  for (int i = 0; i < spots; ++i) {
    vec2 p = spotAt(i);
    vec4 o = texelFetch(aux, ivec2(i, 0), 0);
    float m0 = o.x, red = o.w;
    vec2 m1 = o.yz;
    mat2 m2 = sym(texelFetch(aux, ivec2(i, 1), 0).xyz);
    for (int l = 0; l < i; ++l) {
      float dt = passesAt(i) - passesAt(l), n = groupOf(l);
      addUnder(m0, m1, m2, p, n * pow(passKeep, dt) * depMass[l], depMean[l], depCov[l] + mat2(dt * passVar));
      float v = 2.0 * spotVar + dt * passVar;
      vec2 d = spotAt(l) - p;
      red += n * redKeep(dt) * depRed[l] * spotVar / v * gauss(dot(d, d) / v);
    }
    depRed[i] = max(color.r * TWO_PI * spotVar - red, 0.0);
    float M;
    vec2 c;
    mat2 C;
    settle(m0, m1, m2, 0.0, vec2(0.0), mat2(0.0), M, c, C);
    // A spot standing for several passes stands in the middle of them: the
    // first half of its group has laid the same deposit before it, each
    // further back along the path, blurred and faded by the passes since.
    float q = 0.5 * (groupOf(i) - 1.0), back = 0.5 * (q + 1.0);
    for (int t = 0; t < 3 && q > 0.0; ++t) {
      float s0 = 0.0;
      vec2 s1 = vec2(0.0);
      mat2 s2 = mat2(0.0);
      addUnder(s0, s1, s2, p, q * pow(passKeep, back), p + c - back * passStep,
               C + mat2(back * passVar) + outerProduct(passStep, passStep) * (q * q - 1.0) / 12.0);
      settle(m0, m1, m2, s0, s1, s2, M, c, C);
    }
    depMass[i] = M, depMean[i] = p + c, depCov[i] = C;
    if (i >= drawFirst[k] && i < drawFirst[k + 1]) {
      // Blurred and faded by the m passes after it; a spot standing for
      // several passes spreads along their stretch of the path.
      float m = span - passesAt(i), n = groupOf(i), w = n * M * pow(passKeep, m);
      float wr = n * depRed[i] * redKeep(m), v = spotVar + m * passVar;
      mat2 own = C + outerProduct(passStep, passStep) * (n * n - 1.0) / 12.0;
      vec2 at = p + c - origin, ar = p - origin;
      g += w * vec4(1.0, at, m * passVar);
      g2 += w * (own + mat2(m * passVar) + outerProduct(at, at));
      shape += w * own;
      r += wr * vec4(1.0, ar, 2.0 * v + dot(ar, ar));
    }
  }
  // One Gaussian of the same moments for green, one round one for red.
  vec2 mean = g.yz / max(g.x, 1e-30), redMean = r.yz / max(r.x, 1e-30);
  mat2 C = g.x > 0.0 ? g2 / g.x - outerProduct(mean, mean) : mat2(spotVar);
  float v = r.x > 0.0 ? max(0.5 * (r.w / r.x - dot(redMean, redMean)), 0.04 * spotVar) : spotVar;
  mat2 Ci = inverse(C);
  shape /= max(g.x, 1e-30);
  return row == 0   ? vec4(g.x / (TWO_PI * sqrt(determinant(C))), origin + mean, r.x / (TWO_PI * v))
         : row == 1 ? vec4(Ci[0][0], Ci[0][1], Ci[1][1], 1.0 / v)
         : row == 2 ? vec4(shape[0][0], shape[1][1], g.w / max(g.x, 1e-30), 0.0)
                    : vec4(origin + redMean, 0.0, 0.0);
}

#endif

// The standard normal distribution function (erf after Winitzki: within
// 2e-4).
float normalBelow(float z) {
  float a = 0.5 * z * z, e = sqrt(1.0 - exp(-a * (1.27324 + 0.147 * a) / (1.0 + 0.147 * a)));
  return 0.5 + 0.5 * sign(z) * e;
}

// Share of a deposit (mean `at`, variance d along the axis) inside the frame
// [0, size] that reaches `x` after a blur of variance b: the frame held only
// that part of it when it was laid.
float inside(float x, float at, float d, float b, float size) {
  float k = 1.0 / sqrt(d * b * (d + b) + 1e-12);
  return normalBelow((at * b + x * d) * k) * normalBelow(((size - at) * b + (size - x) * d) * k);
}

// The deposits' light at pixel x. The frame's edges turned light back in
// as the passes blurred it: each deposit near an edge also shines from its
// mirror images there (itself seen at x mirrored), and only of what it laid
// inside the frame. The loops run as many times as a deposit needs, the
// same in every lane: a software rasteriser runs both sides of a branch.
vec4 deposits(vec2 x) {
  vec2 size = vec2(textureSize(tx, 0) - 2 * margin), g = vec2(0.0);
  for (int j = chunk.x; j < chunk.y; ++j) {
    vec4 d0 = texelFetch(aux, ivec2(j, 0), 0), d1 = texelFetch(aux, ivec2(j, 1), 0), d2 = texelFetch(aux, ivec2(j, 2), 0);
    vec2 redMean = texelFetch(aux, ivec2(j, 3), 0).xy;
    // Mirrors on each axis: none, the low edge (-1) or the high one (1).
    vec2 mirror = 5.0 * sqrt(d2.xy + d2.z), cut = 5.0 * sqrt(d2.xy);
    ivec2 side = ivec2(greaterThan(d0.yz, size - mirror)) - ivec2(lessThan(d0.yz, mirror));
    ivec2 edge = ivec2(lessThan(d0.yz, cut)) | ivec2(greaterThan(d0.yz, size - cut));
    int images = (side.x != 0 ? 2 : 1) * (side.y != 0 ? 2 : 1);
    for (int k = 0; k < images; ++k) {
      // Image k: mirrored in x when bit 0 is set and x has a mirror, in y
      // by the next bit.
      ivec2 flip = ivec2(side.x != 0 && (k & 1) != 0, side.y != 0 && (side.x != 0 ? k >> 1 : k) != 0);
      vec2 at = mix(x, mix(-x, 2.0 * size - x, vec2(greaterThan(side, ivec2(0)))), vec2(flip));
      vec2 d = at - d0.yz, e = at - redMean;
      float share = 1.0;
      for (int t = 0; t < edge.x; ++t) share *= inside(at.x, d0.y, d2.x, d2.z, size.x);
      for (int t = 0; t < edge.y; ++t) share *= inside(at.y, d0.z, d2.y, d2.z, size.y);
      float q = d1.x * d.x * d.x + 2.0 * d1.y * d.x * d.y + d1.z * d.y * d.y;
      g += share * vec2(d0.x * gauss(q), d0.w * gauss(dot(e, e) * d1.w));
    }
  }
  return vec4(g.y, g.x, g.y, 0.0);
}

#endif

void main() {
#if defined(TRACE_PASS) && TRACE_PASS == 1
  fragColor = deposits(gl_FragCoord.xy);
#elif defined(TRACE_PASS) && TRACE_PASS == 2
  fragColor = lightUnder(int(gl_FragCoord.x), int(gl_FragCoord.y));
#elif defined(TRACE_PASS) && TRACE_PASS == 3
  fragColor = deposit(int(gl_FragCoord.x), int(gl_FragCoord.y));
#elif defined(TRACE_PASS) && TRACE_PASS == 4
  ivec2 size = textureSize(tx, 0), q = ivec2(gl_FragCoord.xy) - margin;
  q = max(q, -1 - q);
  fragColor = texelFetch(tx, clamp(min(q, 2 * size - 1 - q), ivec2(0), size - 1), 0);
#else
  vec4 c = texture(tx, vsoTexCoord);
  if (colorize == 1) c *= color;
  fragColor = c;
#endif
  traceColor = fragColor;
}
