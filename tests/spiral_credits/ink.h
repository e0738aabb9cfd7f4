// Reading text off a rendered frame: the horizontal bands of rows that carry
// ink (lines of text) and, within a band, the runs of inked columns (words).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hf {

// A frame's ink: a pixel is inked when its luminance passes the threshold.
// Rows are stored bottom-up, as glReadPixels gives them.
struct InkMask {
  int w = 0, h = 0;
  std::vector<bool> ink;
  bool at(int x, int y) const { return ink[static_cast<std::size_t>(y) * w + x]; }
};
InkMask inkOf(const std::vector<std::uint8_t> &rgba, int w, int h, int threshold = 128);

// [first, last], inclusive.
struct Span {
  int first, last;
  int size() const { return last - first + 1; }
};

// Bands of inked rows, from the top of the frame down; bands touching the
// frame's top or bottom edge are cut by it and left out.
std::vector<Span> wholeLines(const InkMask &mask);

// Runs of inked columns over the rows of a band, from left to right; gaps
// narrower than minGap columns are bridged, so that the letters of a word
// make one run.
std::vector<Span> words(const InkMask &mask, Span line, int minGap);

}  // namespace hf
