// --gl4d-gl-debug: a debug context whose GL errors and serious messages are
// each reported once, with the row and scene during which they came, and
// counted; the count is given at the end. Exit statuses do not change. It
// says so when it cannot check: a count of 0 means that nothing was wrong.
#include <cstdio>
#include <map>
#include <string>

#include "gl4d/core/internal.h"
#include "gl4d/offline/progress.h"
#include "gl4d/scenes.h"

namespace {

std::map<std::string, unsigned long> glDebugSeen;  // message -> times it came
unsigned long glDebugTotal = 0;
enum class GlDebug { kOff, kChecking, kCannotCheck } glDebugState = GlDebug::kOff;
std::string glDebugWhyNot;

const char *kindOf(GLenum type, GLenum severity) {
  if (type == GL_DEBUG_TYPE_ERROR) return "GL error";
  return severity == GL_DEBUG_SEVERITY_HIGH ? "GL serious message" : "GL message";
}

void GLAPIENTRY onMessage(GLenum, GLenum type, GLuint, GLenum severity, GLsizei, const GLchar *message, const void *) {
  if (type != GL_DEBUG_TYPE_ERROR && severity != GL_DEBUG_SEVERITY_HIGH) return;
  ++glDebugTotal;
  if (glDebugSeen[message]++) return;
  const int row = gl4dhGetCurrentRow();
  const std::string where = row < 0 ? "outside the show's rows" : "in row " + std::to_string(row) + " (" + gl4d::rowScenes(row) + ")";
  gl4d::printUnderProgress(std::string("gl4d: ") + kindOf(type, severity) + " " + where + ": " + message);
}

}  // namespace

void gl4d::startGlDebug() {
  GLint flags = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  if (!(epoxy_gl_version() >= 43 || epoxy_has_gl_extension("GL_KHR_debug")))
    glDebugWhyNot = "the driver has no KHR_debug";
  else if (!(flags & GL_CONTEXT_FLAG_DEBUG_BIT))
    glDebugWhyNot = "the driver gave no debug context";
  if (!glDebugWhyNot.empty()) {
    glDebugState = GlDebug::kCannotCheck;
    std::fprintf(stderr, "gl4d: GL debug: cannot check, %s: GL errors will not be reported\n", glDebugWhyNot.c_str());
    return;
  }
  glDebugState = GlDebug::kChecking;
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  // Errors of every severity and every high-severity message; nothing else
  // reaches the callback (debug groups, performance notes).
  glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_FALSE);
  glDebugMessageControl(GL_DONT_CARE, GL_DEBUG_TYPE_ERROR, GL_DONT_CARE, 0, nullptr, GL_TRUE);
  glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DEBUG_SEVERITY_HIGH, 0, nullptr, GL_TRUE);
  glDebugMessageCallback(onMessage, nullptr);
}

void gl4d::reportGlDebug() {
  if (glDebugState == GlDebug::kCannotCheck)
    std::fprintf(stderr, "gl4d: GL debug: nothing was checked (%s)\n", glDebugWhyNot.c_str());
  else if (glDebugState == GlDebug::kChecking)
    std::fprintf(stderr, "gl4d: GL debug: %lu errors or serious messages (%zu different)\n", glDebugTotal,
                 glDebugSeen.size());
}
