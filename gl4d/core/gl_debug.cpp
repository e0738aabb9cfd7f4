// --gl4d-gl-debug: a debug context whose GL errors and serious messages are
// each reported once, with the row and scene during which they came, and
// counted; the count is given at the end. Exit statuses do not change.
#include <cstdio>
#include <map>
#include <string>

#include "gl4d/core/internal.h"
#include "gl4d/scenes.h"

namespace {

std::map<std::string, unsigned long> seen;  // message -> times it came
unsigned long total = 0;
bool on = false;

const char *kindOf(GLenum type, GLenum severity) {
  if (type == GL_DEBUG_TYPE_ERROR) return "GL error";
  return severity == GL_DEBUG_SEVERITY_HIGH ? "GL serious message" : "GL message";
}

void GLAPIENTRY onMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar *message, const void *) {
  if (type != GL_DEBUG_TYPE_ERROR && severity != GL_DEBUG_SEVERITY_HIGH) return;
  ++total;
  if (seen[message]++) return;
  const int row = gl4dhGetCurrentRow();
  const std::string where = row < 0 ? "outside the show's rows" : "in row " + std::to_string(row) + " (" + gl4d::rowScenes(row) + ")";
  std::fprintf(stderr, "gl4d: %s %s: %s\n", kindOf(type, severity), where.c_str(), message);
}

}  // namespace

void gl4d::startGlDebug() {
  on = true;
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(onMessage, nullptr);
}

void gl4d::reportGlDebug() {
  if (!on) return;
  std::fprintf(stderr, "gl4d: GL debug: %lu errors or serious messages (%zu different)\n", total, seen.size());
}
