// Mesh generators: interleaved position / normal / uv, indexed triangles,
// counter-clockwise front faces.
#include "gl4d/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gl4d/core/culling.h"
#include "gl4d/core/internal.h"
#include "gl4d/core/switches.h"

namespace {

struct Vertex {
  GLfloat position[3];
  GLfloat normal[3];
  GLfloat uv[2];
};

struct Mesh {
  GLuint vao = 0, vbo = 0, ibo = 0;
  GLsizei count = 0;
  std::vector<gl4d::Block> blocks;  // grids only: what culling may skip
  float below = -1.0f, above = -1.0f;  // the vertex stage's reach along y; negative: unknown
  gl4d::Disc disc;                     // where it can show
  GLfloat drawnShare = 1.0f;
};

bool culling = true;

// The indices of a part of a grid drawn on a software rasteriser (gl4dgDraw).
constexpr GLsizei kSoftwarePartIndices = 3 * 24000;

std::vector<Mesh> &meshes() {
  static std::vector<Mesh> list;
  return list;
}

constexpr float pi = 3.14159265358979f;

GLuint upload(const std::vector<Vertex> &vertices, const std::vector<GLuint> &indices,
              std::vector<gl4d::Block> blocks = {}) {
  GLint previousVao = 0, previousBuffer = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVao);
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &previousBuffer);
  Mesh m;
  glGenVertexArrays(1, &m.vao);
  glBindVertexArray(m.vao);
  glGenBuffers(1, &m.vbo);
  glBindBuffer(GL_ARRAY_BUFFER, m.vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
               GL_STATIC_DRAW);
  glGenBuffers(1, &m.ibo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m.ibo);  // recorded in the VAO
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)), indices.data(),
               GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void *>(offsetof(Vertex, position)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void *>(offsetof(Vertex, normal)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void *>(offsetof(Vertex, uv)));
  glBindVertexArray(static_cast<GLuint>(previousVao));
  glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(previousBuffer));
  m.count = static_cast<GLsizei>(indices.size());
  m.blocks = std::move(blocks);
  meshes().push_back(m);
  return static_cast<GLuint>(meshes().size());  // ids start at 1
}

// A (columns + 1) x (rows + 1) lattice of vertices; position(u, v) gives each
// vertex. Cells are split so that (u, v) -> (u + du, v) -> (u, v + dv) is the
// counter-clockwise order seen from the front.
//
// The cells are listed in bands of a few columns, each band row by row, and
// the vertices are numbered in the order that walk first meets them. Vertex
// stages keep recently shaded vertices by index in small tables (a software
// rasteriser's is a 256-entry table hashed on the index): this way a band's
// previous row is still there when the next row uses it, and each vertex is
// shaded about once, where a whole-row walk over a 512-wide lattice shades
// most vertices four times.
template <typename VertexAt>
GLuint lattice(GLuint columns, GLuint rows, VertexAt vertexAt) {
  constexpr GLuint band = 32;  // cells across one band
  constexpr GLuint unnumbered = ~0u;
  std::vector<GLuint> number((columns + 1) * (rows + 1), unnumbered);
  std::vector<Vertex> vertices;
  vertices.reserve(number.size());
  const auto vertex = [&](GLuint i, GLuint j) {
    GLuint &n = number[j * (columns + 1) + i];
    if (n == unnumbered) {
      n = static_cast<GLuint>(vertices.size());
      vertices.push_back(vertexAt(static_cast<float>(i) / columns, static_cast<float>(j) / rows));
    }
    return n;
  };
  std::vector<GLuint> indices;
  indices.reserve(columns * rows * 6);
  for (GLuint first = 0; first < columns; first += band)
    for (GLuint j = 0; j < rows; ++j)
      for (GLuint i = first; i < std::min(columns, first + band); ++i) {
        const GLuint a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1), d = vertex(i, j + 1);
        indices.insert(indices.end(), {a, b, c, a, c, d});
      }
  return upload(vertices, indices);
}

// The lattice above cut into patches that culling may skip, each a few rows
// of one band (the same triangles in the same order, so the same pixels
// where translucent triangles overlap), with vertices of its own numbered
// row by row, drawn as a draw of its own. Mesa's vertex stage (the draw
// module of llvmpipe and softpipe) splits a draw into runs of 1,023 indices
// and keeps the vertices it shaded only within a run, in a 256-entry table
// hashed on the index: a patch of five rows of a 32-cell band is one run
// (960 indices), its 198 vertices have numbers that never collide in the
// table, and each is shaded once a draw, 1.24 times a cell's share on
// average, where the bands' walk as one draw shades them 1.29 times.
template <typename VertexAt>
GLuint patches(GLuint columns, GLuint rows, VertexAt vertexAt) {
  constexpr GLuint band = 32, run = 1023 / 6;  // cells across a band; cells in one run
  std::vector<Vertex> vertices;
  std::vector<GLuint> indices;
  indices.reserve(columns * rows * 6);
  std::vector<gl4d::Block> blocks;
  for (GLuint i0 = 0; i0 < columns; i0 += band) {
    const GLuint i1 = std::min(columns, i0 + band), w = i1 - i0 + 1, tall = std::max(1u, run / (i1 - i0));
    for (GLuint j0 = 0; j0 < rows; j0 += tall) {
      const GLuint j1 = std::min(rows, j0 + tall), base = static_cast<GLuint>(vertices.size());
      gl4d::Block block{glm::vec3(INFINITY), glm::vec3(-INFINITY), static_cast<GLsizei>(indices.size()), 0};
      for (GLuint j = j0; j <= j1; ++j)
        for (GLuint i = i0; i <= i1; ++i) {
          vertices.push_back(vertexAt(static_cast<float>(i) / columns, static_cast<float>(j) / rows));
          const glm::vec3 p(vertices.back().position[0], vertices.back().position[1], vertices.back().position[2]);
          block.lo = glm::min(block.lo, p);
          block.hi = glm::max(block.hi, p);
        }
      for (GLuint j = 0; j < j1 - j0; ++j)
        for (GLuint i = 0; i < i1 - i0; ++i) {
          const GLuint v = base + j * w + i;
          indices.insert(indices.end(), {v, v + 1, v + w + 1, v, v + w + 1, v + w});
        }
      block.count = static_cast<GLsizei>(indices.size()) - block.first;
      blocks.push_back(block);
    }
  }
  return upload(vertices, indices, std::move(blocks));
}

}  // namespace

GLuint gl4dgGenQuadf(void) {
  const std::vector<Vertex> v = {{{-1, -1, 0}, {0, 0, 1}, {0, 0}},
                                 {{1, -1, 0}, {0, 0, 1}, {1, 0}},
                                 {{1, 1, 0}, {0, 0, 1}, {1, 1}},
                                 {{-1, 1, 0}, {0, 0, 1}, {0, 1}}};
  return upload(v, {0, 1, 2, 0, 2, 3});
}

GLuint gl4dgGenDiskf(GLuint slices) {
  if (slices < 3) slices = 3;
  // Seen from +y (x to the right, -z up), angle a runs counter-clockwise
  // along (cos a, 0, -sin a).
  std::vector<Vertex> v = {{{0, 0, 0}, {0, 1, 0}, {0.5f, 0.5f}}};
  for (GLuint i = 0; i <= slices; ++i) {
    const float a = 2.0f * pi * static_cast<float>(i) / static_cast<float>(slices);
    const float c = std::cos(a), s = std::sin(a);
    v.push_back({{c, 0, -s}, {0, 1, 0}, {0.5f + 0.5f * c, 0.5f + 0.5f * s}});
  }
  std::vector<GLuint> idx;
  for (GLuint i = 1; i <= slices; ++i) idx.insert(idx.end(), {0, i, i + 1});
  return upload(v, idx);
}

GLuint gl4dgGenSpheref(GLuint slices, GLuint stacks) {
  if (slices < 3) slices = 3;
  if (stacks < 2) stacks = 2;
  return lattice(slices, stacks, [](float u, float v) {
    const float theta = 2.0f * pi * u, phi = pi * (v - 0.5f);
    const float p[3] = {std::cos(phi) * std::sin(theta), std::sin(phi), std::cos(phi) * std::cos(theta)};
    return Vertex{{p[0], p[1], p[2]}, {p[0], p[1], p[2]}, {u, v}};
  });
}

GLuint gl4dgGenGrid2df(GLuint width, GLuint height) {
  if (width < 2) width = 2;
  if (height < 2) height = 2;
  // The lattice's v runs towards -z so that its winding faces +y; the
  // texture coordinates follow world x and z: uv = ((x + 1) / 2, (z + 1) / 2).
  return patches(width - 1, height - 1, [](float u, float v) {
    return Vertex{{2.0f * u - 1.0f, 0, 1.0f - 2.0f * v}, {0, 1, 0}, {u, 1.0f - v}};
  });
}

void gl4dgSetReach(GLuint id, GLfloat below, GLfloat above) {
  if (id == 0 || id > meshes().size()) return;
  Mesh &m = meshes()[id - 1];
  const bool known = std::isfinite(below) && std::isfinite(above) && below >= 0.0f && above >= 0.0f;
  m.below = known ? below : -1.0f;
  m.above = known ? above : -1.0f;
}

void gl4dgSetDisc(GLuint id, GLfloat x, GLfloat z, GLfloat radius) {
  if (id == 0 || id > meshes().size()) return;
  const bool known = std::isfinite(x) && std::isfinite(z) && std::isfinite(radius) && radius >= 0.0f;
  meshes()[id - 1].disc = known ? gl4d::Disc{x, z, radius} : gl4d::Disc{};
}

void gl4dgSetCulling(GLboolean on) { culling = on; }

GLfloat gl4dgDrawnShare(GLuint id) { return id == 0 || id > meshes().size() ? 0.0f : meshes()[id - 1].drawnShare; }

void gl4dgDraw(GLuint id) {
  if (id == 0 || id > meshes().size()) return;
  Mesh &m = meshes()[id - 1];
  GLint previousVao = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVao);
  glBindVertexArray(m.vao);
  glm::mat4 mvp;
  GLint program = 0;
  if (culling && m.below >= 0.0f && !m.blocks.empty()) glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  if (program && gl4d::sentTransform(static_cast<GLuint>(program), &mvp)) {
    static std::vector<GLsizei> firsts, counts;
    static std::vector<const void *> offsets;
    gl4d::visibleRanges(m.blocks, mvp, m.below, m.above, m.disc, &firsts, &counts);
    offsets.clear();
    GLsizei drawn = 0;
    for (size_t i = 0; i < firsts.size(); ++i) {
      offsets.push_back(reinterpret_cast<const void *>(static_cast<uintptr_t>(firsts[i]) * sizeof(GLuint)));
      drawn += counts[i];
    }
    // A call a part of the grid, a draw a block. On a software rasteriser
    // the calling thread shades the vertices and sets the triangles up while
    // the rasteriser's threads wait for the end of it: a part is flushed as
    // soon as it is set up, and rasterised while the next one is.
    const GLsizei part = gl4duIsSoftwareRasterizer() ? kSoftwarePartIndices : drawn;
    for (size_t first = 0, end = 0; first < firsts.size(); first = end) {
      GLsizei indices = 0;
      while (end < firsts.size() && (indices < part || end == first)) indices += counts[end++];
      glMultiDrawElements(GL_TRIANGLES, counts.data() + first, GL_UNSIGNED_INT, offsets.data() + first,
                          static_cast<GLsizei>(end - first));
      if (end < firsts.size()) glFlush();
    }
    m.drawnShare = static_cast<GLfloat>(drawn) / static_cast<GLfloat>(m.count);
  } else {
    glDrawElements(GL_TRIANGLES, m.count, GL_UNSIGNED_INT, nullptr);
    m.drawnShare = 1.0f;
  }
  glBindVertexArray(static_cast<GLuint>(previousVao));
}

void gl4d::releaseGeometry() {
  for (Mesh &m : meshes()) {
    glDeleteVertexArrays(1, &m.vao);
    glDeleteBuffers(1, &m.vbo);
    glDeleteBuffers(1, &m.ibo);
  }
  meshes().clear();
}
