// Improved gradient noise (Perlin 2002) behind the sound's drone. The hash
// table is not the reference permutation: it is 256 independent draws of the
// system generator, made at the first call, seeded by the window library
// (the time of day live; a fixed seed offline, so that two captures of the
// show are the same).
#include "ImprovedNoise.h"

#include <cmath>
#include <cstdlib>

#include "gl4d/seed.h"

// Hash table; entry i + 256 repeats entry i so corner lookups never wrap.
static int p[512];
static int firstTime = 1;

static void fillTable(void) {
  srand(gl4duwRandomSeed());
  for (int i = 0; i < 256; ++i) {
    // rand() spans 0 .. 2^31 - 1: scale to 0 .. 255.
    const int e = static_cast<int>(rand() * 4.656612873077393e-10 * 256.0);
    p[i] = p[i + 256] = e;
  }
  firstTime = 0;
}

// 6t^5 - 15t^4 + 10t^3: first and second derivatives vanish at 0 and 1.
static double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

// Low eight bits of the integer F, taken in double so that coordinates beyond
// the int range stay defined; a non-finite F gives cell 0.
static int cellIndex(double F) {
  const double m = F - 256.0 * std::floor(F / 256.0);
  return m >= 0.0 && m < 256.0 ? static_cast<int>(m) : 0;
}

static double lerp(double t, double a, double b) { return a + t * (b - a); }

// Dot product of (x, y, z) with one of the 12 cube-edge gradients picked by
// the low four bits of the hash (four of them twice).
static double grad(int hash, double x, double y, double z) {
  const int h = hash & 15;
  const double u = h < 8 || h == 12 || h == 13 ? x : y;
  const double v = h < 4 || h == 12 || h == 13 ? y : z;
  return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

double noise(double x, double y, double z) {
  if (firstTime) fillTable();
  const double fx0 = std::floor(x), fy0 = std::floor(y), fz0 = std::floor(z);
  const int X = cellIndex(fx0), Y = cellIndex(fy0), Z = cellIndex(fz0);
  x -= fx0;
  y -= fy0;
  z -= fz0;
  const double u = fade(x), v = fade(y), w = fade(z);
  const int A = p[X] + Y, AA = p[A] + Z, AB = p[A + 1] + Z;
  const int B = p[X + 1] + Y, BA = p[B] + Z, BB = p[B + 1] + Z;
  const double layer0 = lerp(v, lerp(u, grad(p[AA], x, y, z), grad(p[BA], x - 1, y, z)),
                             lerp(u, grad(p[AB], x, y - 1, z), grad(p[BB], x - 1, y - 1, z)));
  const double layer1 = lerp(v, lerp(u, grad(p[AA + 1], x, y, z - 1), grad(p[BA + 1], x - 1, y, z - 1)),
                             lerp(u, grad(p[AB + 1], x, y - 1, z - 1), grad(p[BB + 1], x - 1, y - 1, z - 1)));
  return lerp(w, layer0, layer1);
}
