// Loaded into honeyfold with LD_PRELOAD. It has path helpers of its own
// (export_probe_own.cpp); the executable's exported ones must take their
// place, so the calls below reach the executable's definitions.
#include <cstdio>
#include <cstdlib>

extern "C" char *pathOf(const char *path);
extern "C" char *filenameOf(const char *path);
extern "C" int mv(const char *src, const char *dst);

__attribute__((constructor)) static void probe() {
  char *dir = pathOf("a/b/c.txt");
  char *name = filenameOf("a\\b\\c.txt");
  const int moved = mv("/nonexistent/honeyfold-probe", "/nonexistent/dst");
  std::fprintf(stderr, "probe: pathOf=%s filenameOf=%s mv=%d\n", dir, name, moved);
  std::free(dir);
  std::free(name);
}
