// A tiny valid four-channel "M.K." module, written by the tests themselves,
// for runs through the real mixer until the soundtrack is at hand.
#pragma once

#include <string>
#include <vector>

namespace hf {

// One pattern: a looped square-wave note on channels 1 and 2 from row 0,
// then a pattern break at row 15, so the song ends after 16 rows (1.92 s at
// the default speed 6, tempo 125).
std::vector<unsigned char> fixtureModule();
// Writes fixtureModule() to path (directories must exist).
void writeFixtureModule(const std::string &path);

}  // namespace hf
