// Records the image-filter calls a scene makes (blur, scattering, copy), in
// order, and still runs the layer's own filters: the test executable's
// definitions stand in front of the layer's, which they reach by dlsym.
#pragma once

#include "gl4d/api.h"

#include <string>
#include <vector>

namespace filter_spy {

struct Call {
  std::string name;  // "blur", "scattering" or "copy"
  GLuint in, out;
  GLuint radius;      // blur and scattering
  GLuint iterations;  // blur; density for scattering
  GLuint weightMap;
  GLboolean flipV;
};

extern std::vector<Call> calls;
// Called with each recorded call before the filter runs (may be null): a
// test reads there what the scene had set up for that call.
extern void (*beforeCall)(const Call &);

// The calls named name, in order.
std::vector<Call> only(const std::string &name);

}  // namespace filter_spy
