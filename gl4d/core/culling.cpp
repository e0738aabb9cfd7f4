#include "gl4d/core/culling.h"

#include <algorithm>

namespace gl4d {

namespace {

// Outside when every corner lies beyond one plane of the clip volume
// (-w <= x, y, z <= w, taken as w + c >= 0 and w - c >= 0, which holds for
// corners behind the eye too): a test that never drops what could show.
bool outside(const glm::vec4 corners[8]) {
  for (int axis = 0; axis < 3; ++axis)
    for (float side : {1.0f, -1.0f}) {
      bool allBeyond = true;
      for (int i = 0; i < 8 && allBeyond; ++i) allBeyond = corners[i].w + side * corners[i][axis] < 0.0f;
      if (allBeyond) return true;
    }
  return false;
}

// Whether the block's x-z rectangle lies wholly outside the disc.
bool beyond(const Block &b, Disc disc) {
  if (disc.radius < 0.0f) return false;
  const float dx = std::max({b.lo.x - disc.x, disc.x - b.hi.x, 0.0f});
  const float dz = std::max({b.lo.z - disc.z, disc.z - b.hi.z, 0.0f});
  return dx * dx + dz * dz > disc.radius * disc.radius;
}

}  // namespace

void visibleRanges(const std::vector<Block> &blocks, const glm::mat4 &mvp, float below, float above, Disc disc,
                   std::vector<GLsizei> *firsts, std::vector<GLsizei> *counts) {
  firsts->clear();
  counts->clear();
  for (const Block &b : blocks) {
    if (beyond(b, disc)) continue;
    const glm::vec3 lo(b.lo.x, b.lo.y - below, b.lo.z), hi(b.hi.x, b.hi.y + above, b.hi.z);
    glm::vec4 corners[8];
    for (int i = 0; i < 8; ++i)
      corners[i] = mvp * glm::vec4(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z, 1.0f);
    if (outside(corners)) continue;
    firsts->push_back(b.first), counts->push_back(b.count);
  }
}

}  // namespace gl4d
