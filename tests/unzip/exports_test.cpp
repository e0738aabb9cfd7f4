// The path helpers are in honeyfold's dynamic symbol table, and a library
// loaded into the program uses them in place of its own.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "support/run_dir.h"
#include "unzip/gfstdlib.h"
#include "unzip_test_support.h"

namespace {

const std::string kProgram = HONEYFOLD_BINARY_DIR "/honeyfold";

// Names of the functions that an ELF64 file defines in .dynsym with global
// binding and default visibility.
std::set<std::string> exportedFunctions(const std::string &path) {
  const std::string image = hf::readFile(path);
  std::set<std::string> names;
  if (image.size() < sizeof(Elf64_Ehdr) || std::memcmp(image.data(), ELFMAG, SELFMAG) != 0) return names;
  Elf64_Ehdr eh;
  std::memcpy(&eh, image.data(), sizeof eh);
  if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_shentsize != sizeof(Elf64_Shdr) ||
      eh.e_shoff + static_cast<uint64_t>(eh.e_shnum) * sizeof(Elf64_Shdr) > image.size())
    return names;
  auto section = [&](size_t i) {
    Elf64_Shdr sh;
    std::memcpy(&sh, image.data() + eh.e_shoff + i * sizeof sh, sizeof sh);
    return sh;
  };
  for (size_t i = 0; i < eh.e_shnum; ++i) {
    const Elf64_Shdr sym = section(i);
    if (sym.sh_type != SHT_DYNSYM || sym.sh_link >= eh.e_shnum) continue;
    const Elf64_Shdr str = section(sym.sh_link);
    if (sym.sh_offset + sym.sh_size > image.size() || str.sh_offset + str.sh_size > image.size()) continue;
    for (size_t off = 0; off + sizeof(Elf64_Sym) <= sym.sh_size; off += sizeof(Elf64_Sym)) {
      Elf64_Sym s;
      std::memcpy(&s, image.data() + sym.sh_offset + off, sizeof s);
      if (s.st_shndx == SHN_UNDEF || ELF64_ST_TYPE(s.st_info) != STT_FUNC || ELF64_ST_BIND(s.st_info) != STB_GLOBAL ||
          ELF64_ST_VISIBILITY(s.st_other) != STV_DEFAULT || s.st_name >= str.sh_size)
        continue;
      names.insert(std::string(image.data() + str.sh_offset + s.st_name));
    }
  }
  return names;
}

TEST(UnzipExports, PathHelpersAreInTheProgramsDynamicSymbolTable) {
  const std::set<std::string> names = exportedFunctions(kProgram);
  ASSERT_FALSE(names.empty()) << "cannot read the dynamic symbols of " << kProgram;
  for (const char *name : {"pathOf", "filenameOf", "mv"}) EXPECT_EQ(names.count(name), 1u) << name;
}

TEST(UnzipExports, LoadedLibraryResolvesThemToTheProgramsDefinitions) {
  const std::string dir = hf::makeTempDir("honeyfold-exports");
  const hf::ProgramRun run =
      hf::runProgram({kProgram}, dir,
                     {"LD_PRELOAD=" EXPORT_PROBE_PATH, "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=verify_asan_link_order=0"},
                     {"DISPLAY", "WAYLAND_DISPLAY"});
  hf::removeTree(dir);
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string expected = "probe: pathOf=a/b filenameOf=c.txt mv=" + std::to_string(MV_NO_SOURCE) + "\n";
  EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
}

}  // namespace
