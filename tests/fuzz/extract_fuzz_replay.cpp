// Replays the extraction fuzz target without libFuzzer, so that the g++
// build's suite runs it too: valid seed archives, mutations of them from a
// fixed random sequence, and any input files named on the command line.
//   unzip_fuzz_replay [--mutations N] [--write-seeds DIR] [FILE|DIR...]
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/extract_fuzz_target.h"
#include "tools/zip_writer.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

const char *const kMembers[] = {"shaders/basic3d.vs", "shaders/perlin.fs", "shaders/br.fs",      "shaders/tex.fs",
                                "shaders/spi.fs",     "shaders/mix.fs",    "shaders/credits.fs", "shaders/basic.fs",
                                "shaders/perlin.vs",  "shaders/basic.vs",  "shaders/fond.fs"};

struct Seed {
  const char *name;
  Bytes bytes;
  int expected;  // muExtrFile2's result for the seed itself
};

Bytes archiveBytes(const std::vector<hf::ZipMember> &members) {
  const std::string path = (fs::temp_directory_path() / ("honeyfold-seed-" + std::to_string(getpid()))).string();
  std::string error;
  if (!hf::writeZip(path, members, &error)) {
    std::fprintf(stderr, "unzip_fuzz_replay: %s\n", error.c_str());
    std::exit(1);
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  fs::remove(path);
  return all.str();
}

std::vector<hf::ZipMember> tableMembers(bool deflate) {
  std::vector<hf::ZipMember> members;
  for (const char *name : kMembers) {
    hf::ZipMember m;
    m.name = name;
    m.data = std::string("#version 330 core\n// ") + name + "\n";
    m.deflate = deflate;
    members.push_back(m);
  }
  return members;
}

// Small archives that reach every path of the extraction.
std::vector<Seed> seeds() {
  std::vector<Seed> out;
  out.push_back({"deflated", archiveBytes(tableMembers(true)), 0});
  out.push_back({"stored", archiveBytes(tableMembers(false)), 0});
  std::vector<hf::ZipMember> badCrc = tableMembers(false);
  badCrc[3].raw = hf::RawMember{0xdeadbeefu, static_cast<uint32_t>(badCrc[3].data.size())};
  out.push_back({"bad-crc", archiveBytes(badCrc), 1});
  std::vector<hf::ZipMember> badDeflate = tableMembers(true);
  badDeflate[0].data = std::string(16, '\xff');
  badDeflate[0].raw = hf::RawMember{0, 100};
  out.push_back({"bad-deflate", archiveBytes(badDeflate), 1});
  out.push_back({"one-member", archiveBytes({tableMembers(true)[5]}), 2});
  return out;
}

Bytes mutate(Bytes b, std::mt19937 &rng) {
  auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int s = 0; s < steps; ++s) {
    switch (rng() % 7) {
      case 0:
        if (!b.empty()) b[pick(b.size())] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 1:
        if (!b.empty()) b[pick(b.size())] = static_cast<char>(rng());
        break;
      case 2: {  // a field set to an extreme value
        static const uint32_t extremes[] = {0, 1, 0x7fffffffu, 0x80000000u, 0xffffffffu, 0xffffu, 0x10000u};
        const uint32_t v = extremes[rng() % (sizeof extremes / sizeof *extremes)];
        if (b.size() >= 4) std::memcpy(&b[pick(b.size() - 3)], &v, 4);
        break;
      }
      case 3:
        b.resize(pick(b.size() + 1));
        break;
      case 4:
        if (!b.empty()) b.erase(pick(b.size()), 1 + pick(64));
        break;
      case 5:
        if (!b.empty()) {
          const size_t from = pick(b.size());
          b.insert(pick(b.size() + 1), b.substr(from, 1 + pick(64)));
        }
        break;
      default:
        b.insert(pick(b.size() + 1), std::string(1 + pick(32), static_cast<char>(rng())));
        break;
    }
  }
  return b;
}

long _outcomes[3];  // inputs whose worst member was extracted, failed, not found

int run(const Bytes &b) {
  const int result = extractArchiveBytes(reinterpret_cast<const uint8_t *>(b.data()), b.size());
  if (result < 0 || result > 2) {
    std::fprintf(stderr, "unzip_fuzz_replay: muExtrFile2 gave %d\n", result);
    std::abort();
  }
  ++_outcomes[result];
  return result;
}

void writeSeeds(const std::string &dir) {
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  fs::create_directories(dir);
  for (const Seed &s : seeds()) std::ofstream(dir + "/" + s.name + ".zip", std::ios::binary) << s.bytes;
}

}  // namespace

int main(int argc, char **argv) {
  long mutations = 2000;
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--mutations") && i + 1 < argc) {
      mutations = std::strtol(argv[++i], nullptr, 10);
    } else if (!std::strcmp(argv[i], "--write-seeds") && i + 1 < argc) {
      writeSeeds(argv[++i]);
      return 0;
    } else {
      inputs.push_back(fs::absolute(argv[i]).string());  // the target changes directory
    }
  }

  const std::vector<Seed> all = seeds();
  for (const Seed &s : all) {
    const int got = run(s.bytes);
    if (got != s.expected) {
      std::fprintf(stderr, "unzip_fuzz_replay: seed %s gave %d, expected %d\n", s.name, got, s.expected);
      return 1;
    }
  }
  std::mt19937 rng(20250301u);
  for (long i = 0; i < mutations; ++i) run(mutate(all[i % all.size()].bytes, rng));
  for (long i = 0; i < mutations / 10; ++i) {  // noise, now and then with a real signature in it
    Bytes noise(rng() % 600, '\0');
    for (char &c : noise) c = static_cast<char>(rng());
    if (i % 2 && noise.size() >= 22) noise.replace(noise.size() - 22, 4, "PK\x05\x06");
    run(noise);
  }
  long replayed = 0;
  for (const std::string &input : inputs) {
    std::vector<fs::path> files;
    if (fs::is_directory(input)) {
      for (const auto &e : fs::directory_iterator(input))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.push_back(input);
    }
    for (const fs::path &f : files) {
      std::ifstream in(f, std::ios::binary);
      std::ostringstream all_bytes;
      all_bytes << in.rdbuf();
      run(all_bytes.str());
      ++replayed;
    }
  }
  std::fprintf(stderr,
               "unzip_fuzz_replay: %zu seeds, %ld mutations, %ld noise inputs, %ld files: no fault "
               "(all extracted %ld, some failed %ld, some missing %ld)\n",
               all.size(), mutations, mutations / 10, replayed, _outcomes[0], _outcomes[1], _outcomes[2]);
  return 0;
}
