#version 330 core
// The spiral's source pattern, rendered once into its 1024 x 1024 float
// texture: warped, banded value noise in amber, teal and deep blue. Every
// lattice period divides the unit square, so the pattern tiles seamlessly
// under GL_REPEAT (the spiral wraps the angle onto whole repeats).
in vec2 vsoTexCoord;
out vec4 fragColor;

const float TAU = 6.28318530718;

// Bit-mixing hash of a lattice point taken modulo the period, in [0, 1].
float hash(ivec2 p, int period) {
  uvec2 q = uvec2((p % period + period) % period);
  uint h = q.x * 1597334677u ^ q.y * 3812015801u;
  h = (h ^ (h >> 16)) * 2246822519u;
  h ^= h >> 13;
  return float(h) * (1.0 / 4294967295.0);
}

// Value noise on a lattice of period x period cells over the unit square.
float tiledNoise(vec2 uv, int period) {
  vec2 x = uv * float(period);
  ivec2 i = ivec2(floor(x));
  vec2 f = fract(x);
  vec2 s = f * f * (3.0 - 2.0 * f);
  return mix(mix(hash(i, period), hash(i + ivec2(1, 0), period), s.x),
             mix(hash(i + ivec2(0, 1), period), hash(i + ivec2(1, 1), period), s.x), s.y);
}

// Four octaves, each of twice the previous frequency, normalised to [0, 1].
float fbm(vec2 uv) {
  float sum = 0.0, amplitude = 0.5;
  int period = 4;
  for (int octave = 0; octave < 4; ++octave) {
    sum += amplitude * tiledNoise(uv, period);
    amplitude *= 0.5;
    period *= 2;
  }
  return sum / 0.9375;
}

// Cosine colour ramp through amber, teal and deep blue.
vec3 palette(float x) { return 0.5 + 0.5 * cos(TAU * (x + vec3(0.0, 0.12, 0.33))); }

void main() {
  // Domain warp: the field displaced by itself curls into filaments. The
  // displacement is periodic too, so the result still tiles.
  float n = fbm(vsoTexCoord);
  float warped = fbm(vsoTexCoord + 0.3 * vec2(n, 1.0 - n));
  // Stripes where the warped value crosses multiples of 1/7.
  float bands = 0.5 + 0.5 * cos(TAU * 7.0 * warped);
  vec3 colour = palette(1.6 * warped + 0.1) * (0.25 + 0.75 * bands * bands);
  fragColor = vec4(colour, 1.0);
}
