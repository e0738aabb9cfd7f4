// Path helpers the executable exports, so that the libraries it loads find
// them by name (and use them in place of their own same-named functions).
#undef NDEBUG  // a failed allocation must stop the process in every build
#include "unzip/gfstdlib.h"

#include <sys/stat.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kCopyBlock = 8192;

// The last '/' or '\' of path, or nullptr.
const char *lastSeparator(const char *path) {
  const char *slash = strrchr(path, '/');
  const char *backslash = strrchr(path, '\\');
  if (!slash) return backslash;
  if (!backslash) return slash;
  return slash > backslash ? slash : backslash;
}

bool sameFile(const char *a, const char *b) {
  struct stat sa, sb;
  return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Copies src into dst until src ends; MV_OK or the failure met first.
int copyStream(FILE *src, FILE *dst) {
  char block[kCopyBlock];
  size_t got;
  while ((got = fread(block, 1, sizeof block, src)) > 0)
    if (fwrite(block, 1, got, dst) != got) return MV_WRITE_FAILED;
  return ferror(src) ? MV_READ_FAILED : MV_OK;
}

}  // namespace

extern "C" char *pathOf(const char *path) {
  if (!path) path = "";
  char *dir = strdup(path);
  assert(dir != nullptr);
  const char *sep = lastSeparator(dir);
  dir[sep ? sep - dir : 0] = '\0';
  return dir;
}

extern "C" char *filenameOf(const char *path) {
  if (!path) path = "";
  const char *sep = lastSeparator(path);
  char *name = strdup(sep ? sep + 1 : path);
  assert(name != nullptr);
  return name;
}

extern "C" int mv(const char *src, const char *dst) {
  if (!src) return MV_NO_SOURCE;
  if (!dst) return MV_NO_DESTINATION;
  // Opening the destination for writing would empty a source that it names.
  if (sameFile(src, dst)) return MV_SAME_FILE;
  FILE *in = fopen(src, "rb");
  if (!in) return MV_NO_SOURCE;
  FILE *out = fopen(dst, "wb");
  if (!out) {
    fclose(in);
    return MV_NO_DESTINATION;
  }
  int result = copyStream(in, out);
  fclose(in);
  // The last blocks may reach the disk only at the close.
  if (fclose(out) != 0 && result == MV_OK) result = MV_WRITE_FAILED;
  if (result != MV_OK) return result;
  return remove(src) == 0 ? MV_OK : MV_NOT_REMOVED;
}
