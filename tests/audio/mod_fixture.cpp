#include "mod_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hf {

namespace {

constexpr int kRows = 64, kChannels = 4, kSampleBytes = 32;

void putBigEndian16(std::vector<unsigned char> &out, size_t at, unsigned value) {
  out[at] = static_cast<unsigned char>(value >> 8);
  out[at + 1] = static_cast<unsigned char>(value & 0xFF);
}

// One pattern cell: sample number, Amiga period, effect and its parameter.
void putNote(std::vector<unsigned char> &out, size_t at, unsigned sample, unsigned period, unsigned effect,
             unsigned param) {
  out[at] = static_cast<unsigned char>((sample & 0xF0) | (period >> 8));
  out[at + 1] = static_cast<unsigned char>(period & 0xFF);
  out[at + 2] = static_cast<unsigned char>(((sample & 0x0F) << 4) | effect);
  out[at + 3] = static_cast<unsigned char>(param);
}

}  // namespace

std::vector<unsigned char> fixtureModule() {
  const size_t headerBytes = 20 + 31 * 30 + 2 + 128 + 4;  // 1084
  const size_t patternBytes = kRows * kChannels * 4;
  std::vector<unsigned char> mod(headerBytes + patternBytes + kSampleBytes, 0);
  std::memcpy(mod.data(), "honeyfold fixture", 17);

  // Sample 1: looped over its whole length, full volume.
  const size_t sample1 = 20;
  std::memcpy(&mod[sample1], "square", 6);
  putBigEndian16(mod, sample1 + 22, kSampleBytes / 2);  // length in words
  mod[sample1 + 25] = 64;                               // volume
  putBigEndian16(mod, sample1 + 26, 0);                 // loop start
  putBigEndian16(mod, sample1 + 28, kSampleBytes / 2);  // loop length
  for (int s = 2; s <= 31; ++s) putBigEndian16(mod, 20 + (s - 1) * 30 + 28, 1);  // empty, no loop

  const size_t orders = 20 + 31 * 30;
  mod[orders] = 1;      // song length
  mod[orders + 1] = 127;
  std::memcpy(&mod[orders + 2 + 128], "M.K.", 4);

  const size_t pattern = headerBytes;
  putNote(mod, pattern + 0, 1, 428, 0, 0);  // C-2: about 259 Hz
  putNote(mod, pattern + 4, 1, 320, 0, 0);  // E-2
  putNote(mod, pattern + 15 * kChannels * 4, 0, 0, 0xD, 0);  // pattern break: the song ends

  const size_t samples = pattern + patternBytes;
  for (int i = 0; i < kSampleBytes; ++i) mod[samples + i] = static_cast<unsigned char>(i < kSampleBytes / 2 ? 48 : -48);
  return mod;
}

void writeFixtureModule(const std::string &path) {
  const std::vector<unsigned char> mod = fixtureModule();
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(mod.data(), 1, mod.size(), f) != mod.size()) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
  std::fclose(f);
}

}  // namespace hf
