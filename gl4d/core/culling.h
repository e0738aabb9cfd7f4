// Culling a mesh's blocks against the clip volume: the index ranges of a
// grid that a draw can skip without changing a pixel.
#pragma once

#include <epoxy/gl.h>

#include <glm/glm.hpp>
#include <vector>

namespace gl4d {

// A block of cells: its box in mesh space and its range of the index buffer.
struct Block {
  glm::vec3 lo, hi;
  GLsizei first, count;
};

// A disc in a mesh's x-z plane; a negative radius: the whole plane.
struct Disc {
  float x = 0.0f, z = 0.0f, radius = -1.0f;
};

// The ranges of the blocks that meet the disc and whose box, stretched along
// y by below and above, can meet the clip volume of mvp, each block its own
// range (its own draw).
void visibleRanges(const std::vector<Block> &blocks, const glm::mat4 &mvp, float below, float above, Disc disc,
                   std::vector<GLsizei> *firsts, std::vector<GLsizei> *counts);

// proj * view * model as gl4duSendMatrices last set them into program;
// false when it has not set all three there.
bool sentTransform(GLuint program, glm::mat4 *mvp);

}  // namespace gl4d
