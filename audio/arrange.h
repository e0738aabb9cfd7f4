// Turns a parsed score and its synthesised samples into a module: patterns
// shorter than 64 rows end with a pattern break, the first row sets speed
// and tempo, identical patterns are stored once.
#pragma once

#include <string>
#include <vector>

#include "mod_module.h"
#include "score.h"

namespace velvora {

struct SectionTime {
  std::string label;
  int row = 0;         // rows played before the section starts
  double seconds = 0;  // module time at which it starts
};

// Seconds a row lasts at the score's speed and tempo.
double rowSeconds(const Score &score);
int songRows(const Score &score);
std::vector<SectionTime> sectionMap(const Score &score);

// `samples` holds one entry for each sample of the score, in its order.
// Throws std::invalid_argument when a row has no free effect slot for the
// break or the speed and tempo commands.
Module arrangeModule(const Score &score, const std::vector<Sample> &samples);

}  // namespace velvora
