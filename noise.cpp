// Noise lookup textures: the landscape shaders read hash values and
// gradients from two 256 x 256 tables instead of computing them. Texel
// (s = j, t = i) carries the hash v = perm[(j + perm[i]) mod 256].
#include "noise.h"

// The heap check must survive release builds.
#undef NDEBUG
#include <cassert>
#include <cstdlib>

// Perlin's reference permutation of 0..255.
static const int perm[256] = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225,
    140, 36,  103, 30,  69,  142, 8,   99,  37,  240, 21,  10,  23,  190, 6,   148,
    247, 120, 234, 75,  0,   26,  197, 62,  94,  252, 219, 203, 117, 35,  11,  32,
    57,  177, 33,  88,  237, 149, 56,  87,  174, 20,  125, 136, 171, 168, 68,  175,
    74,  165, 71,  134, 139, 48,  27,  166, 77,  146, 158, 231, 83,  111, 229, 122,
    60,  211, 133, 230, 220, 105, 92,  41,  55,  46,  245, 40,  244, 102, 143, 54,
    65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,  18,  169,
    200, 196, 135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,
    52,  217, 226, 250, 124, 123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212,
    207, 206, 59,  227, 47,  16,  58,  17,  182, 189, 28,  42,  223, 183, 170, 213,
    119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101, 155, 167, 43,  172, 9,
    129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185, 112, 104,
    218, 246, 97,  228, 251, 34,  242, 193, 238, 210, 144, 12,  191, 179, 162, 241,
    81,  51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,  181, 199, 106, 157,
    184, 84,  204, 176, 115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,
    222, 114, 67,  29,  24,  72,  243, 141, 128, 195, 78,  66,  215, 61,  156, 180,
};

// The 12 edge directions of a cube, then four of them again to fill 16.
static const int grad3[16][3] = {
    {0, 1, 1},  {0, 1, -1}, {0, -1, 1},  {0, -1, -1}, {1, 0, 1},  {1, 0, -1}, {-1, 0, 1}, {-1, 0, -1},
    {1, 1, 0},  {1, -1, 0}, {-1, 1, 0},  {-1, -1, 0}, {1, 0, -1}, {-1, 0, -1}, {0, -1, 1}, {0, 1, 1},
};

// The 32 edge directions of a 4-D hypercube: eight with each component zero.
static const int grad4[32][4] = {
    {0, 1, 1, 1},   {0, 1, 1, -1},   {0, 1, -1, 1},   {0, 1, -1, -1},
    {0, -1, 1, 1},  {0, -1, 1, -1},  {0, -1, -1, 1},  {0, -1, -1, -1},
    {1, 0, 1, 1},   {1, 0, 1, -1},   {1, 0, -1, 1},   {1, 0, -1, -1},
    {-1, 0, 1, 1},  {-1, 0, 1, -1},  {-1, 0, -1, 1},  {-1, 0, -1, -1},
    {1, 1, 0, 1},   {1, 1, 0, -1},   {1, -1, 0, 1},   {1, -1, 0, -1},
    {-1, 1, 0, 1},  {-1, 1, 0, -1},  {-1, -1, 0, 1},  {-1, -1, 0, -1},
    {1, 1, 1, 0},   {1, 1, -1, 0},   {1, -1, 1, 0},   {1, -1, -1, 0},
    {-1, 1, 1, 0},  {-1, 1, -1, 0},  {-1, -1, 1, 0},  {-1, -1, -1, 0},
};

static GLuint permTexId = 0;
static GLuint gradTexId = 0;

enum { SIZE = 256 };

// A gradient component -1, 0 or 1 as the byte 0, 64 or 128.
static GLubyte encode(int g) { return static_cast<GLubyte>(64 * g + 64); }

static void permTexel(int v, GLubyte *out) {
  const int *g = grad3[v % 16];
  out[0] = encode(g[0]);
  out[1] = encode(g[1]);
  out[2] = encode(g[2]);
  out[3] = static_cast<GLubyte>(v);
}

static void gradTexel(int v, GLubyte *out) {
  const int *g = grad4[v % 32];
  for (int c = 0; c < 4; ++c) out[c] = encode(g[c]);
}

static void fillTexels(GLubyte *buffer, void (*texel)(int v, GLubyte *out)) {
  for (int i = 0; i < SIZE; ++i)
    for (int j = 0; j < SIZE; ++j) texel(perm[(j + perm[i]) % SIZE], &buffer[(i * SIZE + j) * 4]);
}

// Makes a texture on the given unit from the buffer; it stays bound there.
static GLuint upload(GLenum unit, const GLubyte *buffer) {
  GLuint id = 0;
  glActiveTexture(unit);
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, SIZE, SIZE, 0, GL_RGBA, GL_UNSIGNED_BYTE, buffer);
  return id;
}

void initNoiseTextures(void) {
  if (permTexId || gradTexId) return;
  GLubyte *buffer = static_cast<GLubyte *>(malloc(SIZE * SIZE * 4));
  assert(buffer);
  fillTexels(buffer, gradTexel);
  gradTexId = upload(GL_TEXTURE2, buffer);
  fillTexels(buffer, permTexel);
  permTexId = upload(GL_TEXTURE1, buffer);
  glActiveTexture(GL_TEXTURE0);
  free(buffer);
}

void useNoiseTextures(GLuint pId, int unit) {
  glActiveTexture(GL_TEXTURE0 + unit + 1);
  glBindTexture(GL_TEXTURE_2D, gradTexId);
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, permTexId);
  // The caller has made pId current.
  glUniform1i(glGetUniformLocation(pId, "permTexture"), unit);
  glUniform1i(glGetUniformLocation(pId, "gradTexture"), unit + 1);
  glActiveTexture(GL_TEXTURE0);
}

void unuseNoiseTextures(int unit) {
  glActiveTexture(GL_TEXTURE0 + unit + 1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
}

void freeNoiseTextures(void) {
  glDeleteTextures(1, &gradTexId);
  glDeleteTextures(1, &permTexId);
  gradTexId = permTexId = 0;
}
