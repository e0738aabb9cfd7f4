#include "gl4d/offline/gl_objects.h"

#include <SDL2/SDL.h>

namespace gl4d {

namespace {

unsigned glObjectsCount = 0;
bool glObjectsPaused = false;
std::map<GLuint, GLenum> glTexturesAlive;

PFNGLGENTEXTURESPROC realGenTextures;
PFNGLDELETETEXTURESPROC realDeleteTextures;
PFNGLBINDTEXTUREPROC realBindTexture;
PFNGLGENBUFFERSPROC realGenBuffers;
PFNGLGENFRAMEBUFFERSPROC realGenFramebuffers;
PFNGLGENRENDERBUFFERSPROC realGenRenderbuffers;
PFNGLGENVERTEXARRAYSPROC realGenVertexArrays;
PFNGLGENSAMPLERSPROC realGenSamplers;
PFNGLCREATEPROGRAMPROC realCreateProgram;
PFNGLCREATESHADERPROC realCreateShader;

void counted(GLsizei n) {
  if (!glObjectsPaused) glObjectsCount += static_cast<unsigned>(n);
}

void GLAPIENTRY countGenTextures(GLsizei n, GLuint *names) {
  realGenTextures(n, names);
  counted(n);
  for (GLsizei i = 0; i < n && !glObjectsPaused; ++i) glTexturesAlive.emplace(names[i], 0);
}
void GLAPIENTRY countDeleteTextures(GLsizei n, const GLuint *names) {
  for (GLsizei i = 0; i < n; ++i) glTexturesAlive.erase(names[i]);
  realDeleteTextures(n, names);
}
void GLAPIENTRY countBindTexture(GLenum target, GLuint name) {
  auto it = glTexturesAlive.find(name);
  if (it != glTexturesAlive.end() && !it->second) it->second = target;
  realBindTexture(target, name);
}
void GLAPIENTRY countGenBuffers(GLsizei n, GLuint *names) { realGenBuffers(n, names), counted(n); }
void GLAPIENTRY countGenFramebuffers(GLsizei n, GLuint *names) { realGenFramebuffers(n, names), counted(n); }
void GLAPIENTRY countGenRenderbuffers(GLsizei n, GLuint *names) { realGenRenderbuffers(n, names), counted(n); }
void GLAPIENTRY countGenVertexArrays(GLsizei n, GLuint *names) { realGenVertexArrays(n, names), counted(n); }
void GLAPIENTRY countGenSamplers(GLsizei n, GLuint *names) { realGenSamplers(n, names), counted(n); }
GLuint GLAPIENTRY countCreateProgram() { return counted(1), realCreateProgram(); }
GLuint GLAPIENTRY countCreateShader(GLenum type) { return counted(1), realCreateShader(type); }

template <typename F>
void swap(F *real, F &dispatch, F counting, const char *name) {
  *real = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
  if (*real) dispatch = counting;
}

}  // namespace

void countGlObjects() {
  swap(&realGenTextures, epoxy_glGenTextures, countGenTextures, "glGenTextures");
  swap(&realDeleteTextures, epoxy_glDeleteTextures, countDeleteTextures, "glDeleteTextures");
  swap(&realBindTexture, epoxy_glBindTexture, countBindTexture, "glBindTexture");
  swap(&realGenBuffers, epoxy_glGenBuffers, countGenBuffers, "glGenBuffers");
  swap(&realGenFramebuffers, epoxy_glGenFramebuffers, countGenFramebuffers, "glGenFramebuffers");
  swap(&realGenRenderbuffers, epoxy_glGenRenderbuffers, countGenRenderbuffers, "glGenRenderbuffers");
  swap(&realGenVertexArrays, epoxy_glGenVertexArrays, countGenVertexArrays, "glGenVertexArrays");
  swap(&realGenSamplers, epoxy_glGenSamplers, countGenSamplers, "glGenSamplers");
  swap(&realCreateProgram, epoxy_glCreateProgram, countCreateProgram, "glCreateProgram");
  swap(&realCreateShader, epoxy_glCreateShader, countCreateShader, "glCreateShader");
}

unsigned glObjectsMade() { return glObjectsCount; }

const std::map<GLuint, GLenum> &liveTextures() { return glTexturesAlive; }

UncountedGlObjects::UncountedGlObjects() { glObjectsPaused = true; }
UncountedGlObjects::~UncountedGlObjects() { glObjectsPaused = false; }

}  // namespace gl4d
