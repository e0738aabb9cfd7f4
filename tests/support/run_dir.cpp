#include "support/run_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace hf {

std::string makeTempDir(const std::string &prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) std::abort();
  return buffer.data();
}

void removeTree(const std::string &dir) {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

ScopedChdir::ScopedChdir(const std::string &dir) : previous_(std::filesystem::current_path().string()) {
  std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

}  // namespace hf
