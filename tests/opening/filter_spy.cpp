#include "filter_spy.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "gl4d/filters.h"

namespace filter_spy {

std::vector<Call> calls;
void (*beforeCall)(const Call &) = nullptr;

std::vector<Call> only(const std::string &name) {
  std::vector<Call> out;
  for (const Call &c : calls)
    if (c.name == name) out.push_back(c);
  return out;
}

}  // namespace filter_spy

namespace {

template <typename F>
F layerFilter(const char *symbol) {
  void *f = dlsym(RTLD_NEXT, symbol);
  if (!f) {
    std::fprintf(stderr, "filter_spy: the layer has no %s\n", symbol);
    std::abort();
  }
  return reinterpret_cast<F>(f);
}

// A filter may call another through the layer's exported names: only the
// scene's own calls are recorded.
int depth = 0;
struct Nested {
  Nested() { ++depth; }
  ~Nested() { --depth; }
};

void record(const char *name, GLuint in, GLuint out, GLuint radius, GLuint iterations, GLuint weightMap,
            GLboolean flipV) {
  if (depth != 0) return;
  filter_spy::calls.push_back({name, in, out, radius, iterations, weightMap, flipV});
  if (filter_spy::beforeCall) filter_spy::beforeCall(filter_spy::calls.back());
}

}  // namespace

void gl4dfBlur(GLuint in, GLuint out, GLuint radius, GLuint nbIterations, GLuint weightMap, GLboolean flipV) {
  static const auto real = layerFilter<decltype(&gl4dfBlur)>("gl4dfBlur");
  record("blur", in, out, radius, nbIterations, weightMap, flipV);
  Nested n;
  real(in, out, radius, nbIterations, weightMap, flipV);
}

void gl4dfScattering(GLuint in, GLuint out, GLuint radius, GLuint density, GLuint weightMap, GLboolean flipV) {
  static const auto real = layerFilter<decltype(&gl4dfScattering)>("gl4dfScattering");
  record("scattering", in, out, radius, density, weightMap, flipV);
  Nested n;
  real(in, out, radius, density, weightMap, flipV);
}

void gl4dfConvTex2Tex(GLuint in, GLuint out, GLboolean flipV) {
  static const auto real = layerFilter<decltype(&gl4dfConvTex2Tex)>("gl4dfConvTex2Tex");
  record("copy", in, out, 0, 0, 0, flipV);
  Nested n;
  real(in, out, flipV);
}
