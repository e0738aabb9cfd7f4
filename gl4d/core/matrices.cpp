// Named matrix stacks; GLM does the maths (column-major, like OpenGL).
#include "gl4d/matrices.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gl4d/core/culling.h"
#include "gl4d/core/internal.h"

namespace {

struct NamedMatrices {
  std::map<std::string, std::vector<glm::mat4>> stacks;  // back() is the top
  std::vector<glm::mat4> *bound = nullptr;
  // What gl4duSendMatrices last set into each program's "proj", "view" and
  // "model": what its draws transform by, read without asking the driver.
  struct Sent {
    glm::mat4 m[3];
    bool has[3] = {false, false, false};
  };
  std::map<GLuint, Sent> sent;
};

const char *const kTransforms[3] = {"proj", "view", "model"};

NamedMatrices &state() {
  static NamedMatrices s;
  return s;
}

glm::mat4 *top() {
  auto *stack = state().bound;
  return stack ? &stack->back() : nullptr;
}

void multiplyRight(const glm::mat4 &m) {
  if (glm::mat4 *t = top()) *t = *t * m;
}

}  // namespace

GLboolean gl4duGenMatrix(GLenum type, const char *name) {
  (void)type;  // every matrix is single precision
  if (!name) return GL_FALSE;
  state().stacks.try_emplace(name, std::vector<glm::mat4>{glm::mat4(1.0f)});
  return GL_TRUE;
}

GLboolean gl4duBindMatrix(const char *name) {
  auto &s = state();
  auto it = name ? s.stacks.find(name) : s.stacks.end();
  s.bound = it == s.stacks.end() ? nullptr : &it->second;
  return s.bound ? GL_TRUE : GL_FALSE;
}

void gl4duLoadIdentityf(void) {
  if (glm::mat4 *t = top()) *t = glm::mat4(1.0f);
}

void gl4duPushMatrix(void) {
  if (auto *stack = state().bound) stack->push_back(stack->back());
}

void gl4duPopMatrix(void) {
  if (auto *stack = state().bound; stack && stack->size() > 1) stack->pop_back();
}

void gl4duMultMatrixf(const GLfloat *m) {
  if (m) multiplyRight(glm::make_mat4(m));
}

void gl4duTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  multiplyRight(glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)));
}

void gl4duScalef(GLfloat x, GLfloat y, GLfloat z) {
  multiplyRight(glm::scale(glm::mat4(1.0f), glm::vec3(x, y, z)));
}

void gl4duRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  const glm::vec3 axis(x, y, z);
  if (glm::length(axis) == 0.0f) return;  // no axis, no rotation
  multiplyRight(glm::rotate(glm::mat4(1.0f), glm::radians(angle), glm::normalize(axis)));
}

void gl4duOrthof(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) {
  multiplyRight(glm::ortho(l, r, b, t, n, f));
}

void gl4duFrustumf(GLfloat l, GLfloat r, GLfloat b, GLfloat t, GLfloat n, GLfloat f) {
  multiplyRight(glm::frustum(l, r, b, t, n, f));
}

void gl4duLookAtf(GLfloat ex, GLfloat ey, GLfloat ez, GLfloat cx, GLfloat cy, GLfloat cz,
                  GLfloat ux, GLfloat uy, GLfloat uz) {
  multiplyRight(glm::lookAt(glm::vec3(ex, ey, ez), glm::vec3(cx, cy, cz), glm::vec3(ux, uy, uz)));
}

void gl4duSendMatrices(void) {
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  if (!program) return;
  NamedMatrices::Sent &sent = state().sent[static_cast<GLuint>(program)];
  for (const auto &[name, stack] : state().stacks) {
    const GLint loc = glGetUniformLocation(static_cast<GLuint>(program), name.c_str());
    if (loc < 0) continue;
    glUniformMatrix4fv(loc, 1, GL_FALSE, glm::value_ptr(stack.back()));
    for (int i = 0; i < 3; ++i)
      if (name == kTransforms[i]) sent.m[i] = stack.back(), sent.has[i] = true;
  }
}

bool gl4d::sentTransform(GLuint program, glm::mat4 *mvp) {
  const auto it = state().sent.find(program);
  if (it == state().sent.end() || !(it->second.has[0] && it->second.has[1] && it->second.has[2])) return false;
  *mvp = it->second.m[0] * it->second.m[1] * it->second.m[2];
  return true;
}

GLboolean gl4duGetMatrixData(const char *name, GLfloat out[16]) {
  auto &s = state();
  auto it = name ? s.stacks.find(name) : s.stacks.end();
  if (it == s.stacks.end()) return GL_FALSE;
  std::memcpy(out, glm::value_ptr(it->second.back()), 16 * sizeof(GLfloat));
  return GL_TRUE;
}

void gl4d::releaseMatrices() {
  auto &s = state();
  s.bound = nullptr;
  s.stacks.clear();
  s.sent.clear();
}
