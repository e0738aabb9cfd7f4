// A 4-channel, 31-sample ProTracker module ("M.K.") in memory, and its file
// layout. Everything a player reads is here; nothing is interpreted.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velvora {

constexpr int kChannels = 4;
constexpr int kRowsPerPattern = 64;
constexpr int kSampleSlots = 31;
constexpr int kMaxOrders = 128;
constexpr int kMaxPatterns = 64;
constexpr size_t kMaxSampleBytes = 2 * 65535;

// One channel of one row: a sample number (0 = none), an Amiga period
// (0 = no note) and one effect command with its parameter.
struct Cell {
  std::uint8_t sample = 0;
  std::uint16_t period = 0;
  std::uint8_t effect = 0;
  std::uint8_t param = 0;
  bool operator==(const Cell &) const = default;
  bool hasEffect() const { return effect != 0 || param != 0; }
};

using Row = std::array<Cell, kChannels>;

struct Pattern {
  std::array<Row, kRowsPerPattern> rows{};
  bool operator==(const Pattern &) const = default;
};

// Signed 8-bit frames. The loop is in bytes, both values even; a loop length
// of 0 means the sample plays once.
struct Sample {
  std::string name;
  std::vector<std::int8_t> data;
  std::uint32_t loopStart = 0;
  std::uint32_t loopLength = 0;
  std::uint8_t volume = 64;  // 0..64
};

struct Module {
  std::string title;
  std::array<Sample, kSampleSlots> samples;
  std::vector<Pattern> patterns;
  std::vector<std::uint8_t> orders;
};

// The file's bytes. Throws std::invalid_argument for what the format cannot
// hold: odd or oversized sample lengths, loops past the end, volumes above
// 64, too many patterns or orders, an order naming a missing pattern.
std::vector<std::uint8_t> serializeModule(const Module &module);

}  // namespace velvora
