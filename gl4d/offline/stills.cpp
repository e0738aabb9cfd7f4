#include "gl4d/offline/stills.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "gl4d/core/internal.h"
#include "gl4d/offline/options.h"
#include "gl4d/offline/whole_file.h"

namespace gl4d {

bool prepareStillsDirectory(const std::string &dir, const std::vector<double> &stillsMs, bool *made,
                            std::string *error) {
  *made = mkdir(dir.c_str(), 0777) == 0;
  if (!*made && errno != EEXIST) {
    *error = "cannot make the directory " + dir + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = dir + " is not a directory (--gl4d-stills-dir)";
    return false;
  }
  if (access(dir.c_str(), W_OK) != 0) {
    *error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  for (double ms : stillsMs)
    if (!canWriteWhole(dir + "/" + stillFileName(ms), error)) return false;
  return true;
}

bool writeStill(const std::string &dir, double askedMs, int w, int h, const std::uint8_t *rgba, std::string *error) {
  // A still shows what the window would: the colours, fully opaque.
  static std::vector<std::uint8_t> stillsOpaque;
  stillsOpaque.assign(rgba, rgba + static_cast<size_t>(w) * h * 4);
  for (size_t i = 3; i < stillsOpaque.size(); i += 4) stillsOpaque[i] = 255;
  const std::string png = pngBytes(w, h, stillsOpaque.data(), false);
  if (png.empty()) {
    *error = "cannot make the still at " + stillFileName(askedMs);
    return false;
  }
  return writeWhole(dir + "/" + stillFileName(askedMs), png, false, error);
}

}  // namespace gl4d
