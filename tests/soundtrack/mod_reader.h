// A reader of ProTracker modules written for the tests, independent of the
// writer: it takes the file apart byte by byte and plays the order list the
// way a player does, to tell when each order entry starts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace modcheck {

struct SampleHeader {
  std::string name;
  std::uint32_t lengthWords = 0;
  int finetune = 0;
  int volume = 0;
  std::uint32_t loopStartWords = 0;
  std::uint32_t loopLengthWords = 0;
};

struct Note {
  int sample = 0;
  int period = 0;
  int effect = 0;
  int param = 0;
  bool operator==(const Note &) const = default;
};

using PatternRows = std::array<std::array<Note, 4>, 64>;

struct ModFile {
  std::string title;
  std::array<SampleHeader, 31> samples;
  int orderCount = 0;
  int restartByte = 0;
  std::array<std::uint8_t, 128> orders{};
  std::string tag;  // bytes 1080..1083
  std::vector<PatternRows> patterns;
  std::array<std::vector<std::int8_t>, 31> sampleData;
  size_t fileSize = 0;
};

std::vector<std::uint8_t> readBytes(const std::string &path);
// Throws std::runtime_error when the file is shorter than its headers say.
ModFile parseMod(const std::vector<std::uint8_t> &bytes);

// ProTracker's period table at finetune 0, C-1 to B-3.
const std::array<int, 36> &standardPeriods();

struct Playback {
  std::vector<double> orderStart;  // seconds, one for each order entry played
  double length = 0;
  int firstSpeed = 6, firstTempo = 125;
};
// Follows speed and tempo commands (Fxx), pattern breaks (Dxx) and position
// jumps (Bxx), each order entry played once.
Playback play(const ModFile &mod);

}  // namespace modcheck
