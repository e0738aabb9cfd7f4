// GL objects counted as they are made: every glGen* and glCreate* of the
// program and the layer goes through libepoxy's dispatch pointers, which are
// swapped for counting ones. Textures are followed by name, for their memory.
#pragma once

#include <epoxy/gl.h>

#include <map>

namespace gl4d {

// The context is current: counting starts.
void countGlObjects();
// Objects made since counting started (the layer's own work left out).
unsigned glObjectsMade();
// The textures alive: name -> target of its first binding (0: never bound).
const std::map<GLuint, GLenum> &liveTextures();

// For its lifetime, what is made is not counted: the layer's own
// measuring objects are no figure of the program's.
class UncountedGlObjects {
 public:
  UncountedGlObjects();
  ~UncountedGlObjects();
  UncountedGlObjects(const UncountedGlObjects &) = delete;
  UncountedGlObjects &operator=(const UncountedGlObjects &) = delete;
};

}  // namespace gl4d
