// Fuzz target: any bytes as shaders.zip. The extraction must neither crash
// nor write anything but the shader members' own paths.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "unzip/miniunz.h"

namespace fs = std::filesystem;

static std::string _scratch;

static void removeScratch() { fs::remove_all(_scratch); }

// A scratch working directory of its own; the extraction's lines go nowhere.
static bool enterScratch() {
  std::string dir = (fs::temp_directory_path() / "honeyfold-fuzz-XXXXXX").string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  _scratch = dir;
  std::atexit(removeScratch);
  dup2(open("/dev/null", O_WRONLY), 1);
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool ready = enterScratch();
  (void)ready;
  FILE *archive = std::fopen("shaders.zip", "wb");
  if (!archive || (size && std::fwrite(data, size, 1, archive) != 1) || std::fclose(archive) != 0) std::abort();
  muExtrFile2();
  for (const auto &entry : fs::recursive_directory_iterator(".")) {
    const std::string rel = fs::relative(entry.path(), ".").string();
    if (rel != "shaders.zip" && rel != "shaders" && rel.rfind("shaders/", 0) != 0) {
      std::fprintf(stderr, "the extraction wrote %s\n", rel.c_str());
      std::abort();
    }
  }
  fs::remove_all("shaders");  // every input starts from the same directory
  return 0;
}
