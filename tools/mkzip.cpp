// Build tool: packs files into a ZIP archive with one fixed stored date, so
// that the same sources always give the same archive.
//   honeyfold_mkzip ARCHIVE "YYYY-MM-DD HH:MM:SS" BASE_DIR MEMBER...
// Each MEMBER is read from BASE_DIR/MEMBER and stored under the name MEMBER.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/zip_writer.h"

namespace {

bool readFile(const std::string &path, std::string *data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *data = all.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s ARCHIVE \"YYYY-MM-DD HH:MM:SS\" BASE_DIR MEMBER...\n", argv[0]);
    return 2;
  }
  const std::string archive = argv[1];
  const auto date = hf::parseZipDate(argv[2]);
  if (!date) {
    std::fprintf(stderr, "%s: bad date \"%s\" (YYYY-MM-DD HH:MM:SS, 1980-2107, even seconds)\n", argv[0], argv[2]);
    return 2;
  }
  const std::string base = argv[3];
  std::vector<hf::ZipMember> members;
  for (int i = 4; i < argc; ++i) {
    hf::ZipMember m;
    m.name = argv[i];
    m.date = *date;
    const std::string path = base + "/" + m.name;
    if (!readFile(path, &m.data)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], path.c_str());
      return 1;
    }
    members.push_back(std::move(m));
  }
  // Written beside the archive and renamed, so a failed run leaves the old one.
  const std::string partial = archive + ".part";
  std::string error;
  if (!hf::writeZip(partial, members, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  if (std::rename(partial.c_str(), archive.c_str()) != 0) {
    std::perror(archive.c_str());
    std::remove(partial.c_str());
    return 1;
  }
  return 0;
}
