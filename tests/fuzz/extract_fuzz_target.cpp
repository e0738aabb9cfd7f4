// Fuzz target: arbitrary bytes as shaders.zip. The extraction must neither
// crash nor write anywhere but at the table's own member paths.
#include "tests/fuzz/extract_fuzz_target.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "unzip/miniunz.h"

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kAllowed = {
    "shaders.zip",       "shaders",          "shaders/basic3d.vs", "shaders/perlin.fs",  "shaders/br.fs",
    "shaders/tex.fs",    "shaders/spi.fs",   "shaders/mix.fs",     "shaders/credits.fs", "shaders/basic.fs",
    "shaders/perlin.vs", "shaders/basic.vs", "shaders/fond.fs"};

std::string _scratch;

void removeScratch() {
  std::error_code ignored;
  fs::remove_all(_scratch, ignored);
}

// A scratch working directory, and the extraction's lines sent nowhere.
bool enterScratch() {
  std::string pattern = (fs::temp_directory_path() / "honeyfold-fuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) {
    std::perror("honeyfold fuzz: scratch directory");
    std::abort();
  }
  _scratch = pattern;
  std::atexit(removeScratch);
  std::fflush(stdout);
  const int devnull = open("/dev/null", O_WRONLY);
  if (devnull >= 0) dup2(devnull, 1);
  return true;
}

void checkOnlyTableMembersWritten() {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(".", ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = fs::relative(it->path(), ".").string();
    if (!kAllowed.count(rel)) {
      std::fprintf(stderr, "honeyfold fuzz: extraction wrote %s\n", rel.c_str());
      std::abort();
    }
  }
}

}  // namespace

int extractArchiveBytes(const uint8_t *data, size_t size) {
  static const bool ready = enterScratch();
  (void)ready;
  FILE *archive = std::fopen("shaders.zip", "wb");
  if (!archive || (size && std::fwrite(data, size, 1, archive) != 1) || std::fclose(archive) != 0) {
    std::perror("honeyfold fuzz: shaders.zip");
    std::abort();
  }
  const int result = muExtrFile2();
  std::fflush(stdout);
  checkOnlyTableMembersWritten();
  std::error_code ignored;
  fs::remove_all("shaders", ignored);  // every input starts from the same directory
  return result;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  extractArchiveBytes(data, size);
  return 0;
}
