// The score: a tracker-style text that names the samples, writes the music as
// tracks (one channel's rows) and stacks tracks into patterns in play order.
// The grammar is described at the top of velvora.score.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "mod_module.h"

namespace velvora {

// A mistake in the score, with "name:line: " in front of the message.
class ScoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One row of one channel as written: an optional note with its sample, and
// an optional effect.
struct Step {
  int note = -1;       // tracker note index, -1 for none
  int sample = 0;      // 1-based slot, 0 for none
  int effect = -1;     // 0x0..0xF, -1 for none
  int param = 0;
  bool operator==(const Step &) const = default;
};

struct SampleDef {
  std::string name;
  std::string recipe;
  int volume = 64;
};

struct PatternDef {
  std::string name;
  int rows = 0;
  std::array<std::vector<Step>, kChannels> channels;  // each empty or `rows` long
};

struct SectionDef {
  std::string label;
  size_t firstOrder = 0;
};

struct Score {
  std::string title;
  int speed = 6;    // ticks a row
  int tempo = 125;  // beats a minute, ticks of 2.5 / tempo seconds
  std::array<std::string, kChannels> channelNames{"1", "2", "3", "4"};
  std::vector<SampleDef> samples;
  std::vector<std::string> texts;  // shown in the names of unused sample slots
  std::vector<PatternDef> patterns;
  std::vector<size_t> order;       // indices into patterns
  std::vector<SectionDef> sections;
};

// Reads a score; `source` names it in error messages. Recipe names are
// checked with `isRecipe`.
Score parseScore(const std::string &text, const std::string &source, bool (*isRecipe)(const std::string &));

}  // namespace velvora
