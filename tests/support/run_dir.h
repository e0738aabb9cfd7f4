// Temporary working directories for tests that write files.
#pragma once

#include <string>

namespace hf {

// A fresh empty directory under the system's temporary folder.
std::string makeTempDir(const std::string &prefix = "honeyfold");
// Removes a directory tree made by makeTempDir.
void removeTree(const std::string &dir);

// Changes the working directory for the life of the object.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string &dir);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir &) = delete;
  ScopedChdir &operator=(const ScopedChdir &) = delete;

 private:
  std::string previous_;
};

}  // namespace hf
