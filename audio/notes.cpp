#include "notes.h"

#include <array>
#include <stdexcept>

namespace velvora {

namespace {

// ProTracker's period table at finetune 0.
constexpr std::array<int, kNoteCount> kPeriods = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
    428, 404, 381, 360, 340, 320, 302, 285, 269, 254, 240, 226,
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

constexpr std::array<const char *, 12> kNames = {"C-", "C#", "D-", "D#", "E-", "F-",
                                                 "F#", "G-", "G#", "A-", "A#", "B-"};

}  // namespace

int periodOfNote(int note) {
  if (note < 0 || note >= kNoteCount) throw std::out_of_range("note outside C-1..B-3");
  return kPeriods[static_cast<size_t>(note)];
}

double playbackRate(int note) { return kPalClock / periodOfNote(note); }

std::string noteName(int note) {
  if (note < 0 || note >= kNoteCount) return "???";
  return std::string(kNames[static_cast<size_t>(note % 12)]) + static_cast<char>('1' + note / 12);
}

std::optional<int> parseNote(const std::string &text) {
  if (text.size() != 3) return std::nullopt;
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (text.compare(0, 2, kNames[i]) == 0 && text[2] >= '1' && text[2] <= '3')
      return static_cast<int>(i) + 12 * (text[2] - '1');
  }
  return std::nullopt;
}

}  // namespace velvora
