// Tracker notes: the three octaves a ProTracker module can name (C-1 to B-3),
// their Amiga periods and the rate at which a sample plays at each of them.
#pragma once

#include <optional>
#include <string>

namespace velvora {

constexpr int kNoteCount = 36;          // C-1 .. B-3
constexpr double kPalClock = 3546894.6;  // Paula's clock on a PAL Amiga, Hz

// Index 0 is C-1, 12 is C-2, 35 is B-3.
int periodOfNote(int note);
// Sample frames a second when a sample plays at this note.
double playbackRate(int note);
// "A-2", "C#3", ...
std::string noteName(int note);
// The index of a name such as "A-2" or "G#1"; nothing for anything else.
std::optional<int> parseNote(const std::string &text);

}  // namespace velvora
