#version 330 core
// The landscape: the grid's flat vertices lifted by a few octaves of
// gradient noise whose hashes and gradients come from the lookup tables.
// The relief is a function of world x and z ("tt" + "ts" * vertex), so it
// stays put while the grid follows the camera; "sy" scales it (0 is flat).
// RELIEF_AMPLITUDE (its height for sy = 1) and RELIEF_OCTAVE_PAIRS are
// defined by the program that draws it, whose culling bounds the relief by
// them.
uniform mat4 proj, view, model;
uniform sampler2D permTexture;  // per cell: 3-D gradient (rgb), hash (a)
uniform sampler2D gradTexture;  // per cell: 4-D gradient
uniform vec2 tt;      // world x, z of the grid's centre
uniform float ts;     // world half-extent of the grid
uniform float sy;     // relief height
uniform vec2 offset;  // spacing of neighbouring vertices in the grid's unit square
layout(location = 0) in vec3 vsiPosition;
out vec3 vsoPosition;
out vec3 vsoNormal;
out vec2 vsoTexCoord;
out float vsoAlong;
flat out vec3 vsoEye;

const float TILE = 2.0;        // world units covered by one tile of the texture
const float HILLS = 0.055;     // frequency of the broadest octave, per world unit
// Each octave is turned against the last so the lattice does not show.
const mat2 TURN = mat2(1.6, 1.2, -1.2, 1.6);  // 2x, by 36.87 degrees

// Gradient of a lattice cell: the tables are hashed already, texel (x, y)
// belongs to cell (x, y) and they repeat every 256 cells. The bytes 0, 64
// and 128 stand for -1, 0 and 1.
vec2 cellGradient(sampler2D table, ivec2 cell) {
  vec2 g = texelFetch(table, cell & 255, 0).rg;
  return floor(g * (255.0 / 64.0) + 0.5) - 1.0;
}

float fade(float t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

float interpolate(vec2 g00, vec2 g10, vec2 g01, vec2 g11, vec2 f) {
  vec2 u = vec2(fade(f.x), fade(f.y));
  float n00 = dot(g00, f);
  float n10 = dot(g10, f - vec2(1.0, 0.0));
  float n01 = dot(g01, f - vec2(0.0, 1.0));
  float n11 = dot(g11, f - vec2(1.0, 1.0));
  return mix(mix(n00, n10, u.x), mix(n01, n11, u.x), u.y);
}

// One octave at p and at its neighbours p + ex, p + ez (the world's x and z
// steps of the finite differences, in this octave's turned coordinates).
// The neighbours share p's cell: past the cell's edge its smooth
// interpolant carries on, so the differences stay true to the slope.
vec3 octave(sampler2D table, vec2 p, vec2 ex, vec2 ez) {
  vec2 c = floor(p), f = p - c;
  ivec2 i = ivec2(c);
  vec2 g00 = cellGradient(table, i), g10 = cellGradient(table, i + ivec2(1, 0));
  vec2 g01 = cellGradient(table, i + ivec2(0, 1)), g11 = cellGradient(table, i + ivec2(1, 1));
  return vec3(interpolate(g00, g10, g01, g11, f), interpolate(g00, g10, g01, g11, f + ex),
              interpolate(g00, g10, g01, g11, f + ez));
}

// Where each octave's lattice is shifted against the last's.
const vec2 SHIFT[2 * RELIEF_OCTAVE_PAIRS] = vec2[](vec2(17.3, -4.1), vec2(-9.7, 23.9), vec2(5.2, 11.4), vec2(-13.1, 7.7));

// Four octaves in two pairs, one octave of each table, each octave twice as
// fine, half as high and turned against the last: the relief at xz and at
// its two neighbours a step d away along x and z. A flat ground runs no
// octave at all: a software rasteriser skips a loop that no lane enters,
// where it would run both sides of a branch.
vec3 relief(vec2 xz, vec2 d) {
  vec2 p = xz * HILLS, ex = vec2(d.x * HILLS, 0.0), ez = vec2(0.0, d.y * HILLS);
  vec3 sum = vec3(0.0);
  float height = 1.0;
  int pairs = sy != 0.0 ? RELIEF_OCTAVE_PAIRS : 0;
  for (int i = 0; i < pairs; ++i) {
    sum += height * octave(permTexture, p, ex, ez);
    p = TURN * p + SHIFT[2 * i];
    ex = TURN * ex;
    ez = TURN * ez;
    height *= 0.5;
    sum += height * octave(gradTexture, p, ex, ez);
    p = TURN * p + SHIFT[2 * i + 1];
    ex = TURN * ex;
    ez = TURN * ez;
    height *= 0.5;
  }
  return sy * RELIEF_AMPLITUDE * sum;
}

vec3 eyeOf(mat4 v) { return -transpose(mat3(v)) * v[3].xyz; }

void main() {
  vec3 eye = eyeOf(view);
  vec2 m = vsiPosition.xz;
  vec2 xz = tt + ts * m;
  // Finite differences one vertex away: the unit square spans -1..1.
  vec2 d = 2.0 * offset * ts;
  vec3 r = relief(xz, d);
  float h = r.x;
  vec3 n = normalize(vec3((r.x - r.y) / d.x, 1.0, (r.x - r.z) / d.y));
  vec4 world = model * vec4(m.x, vsiPosition.y + h, m.y, 1.0);
  vsoPosition = world.xyz;
  vsoNormal = n;
  // Tiles fixed in the world, like the relief.
  vsoTexCoord = xz / TILE;
  vsoAlong = vsiPosition.z;
  vsoEye = eye;
  gl_Position = proj * (view * world);
}
