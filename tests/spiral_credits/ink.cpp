#include "ink.h"

namespace hf {

InkMask inkOf(const std::vector<std::uint8_t> &rgba, int w, int h, int threshold) {
  InkMask mask{w, h, std::vector<bool>(static_cast<std::size_t>(w) * h)};
  for (std::size_t i = 0; i < mask.ink.size(); ++i) {
    const std::uint8_t *p = &rgba[i * 4];
    mask.ink[i] = (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000 >= threshold;
  }
  return mask;
}

// Maximal runs of true values, bridging gaps narrower than minGap.
static std::vector<Span> runs(const std::vector<bool> &on, int minGap) {
  std::vector<Span> out;
  for (int i = 0; i < static_cast<int>(on.size()); ++i) {
    if (!on[i]) continue;
    if (!out.empty() && i - out.back().last - 1 < minGap)
      out.back().last = i;
    else
      out.push_back({i, i});
  }
  return out;
}

std::vector<Span> wholeLines(const InkMask &mask) {
  // Index 0 is the top row of the frame.
  std::vector<bool> rowHasInk(static_cast<std::size_t>(mask.h));
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w && !rowHasInk[mask.h - 1 - y]; ++x) rowHasInk[mask.h - 1 - y] = mask.at(x, y);
  std::vector<Span> lines;
  for (const Span &s : runs(rowHasInk, 1))
    if (s.first > 0 && s.last < mask.h - 1) lines.push_back(s);
  return lines;
}

std::vector<Span> words(const InkMask &mask, Span line, int minGap) {
  std::vector<bool> columnHasInk(static_cast<std::size_t>(mask.w));
  for (int top = line.first; top <= line.last; ++top) {
    const int y = mask.h - 1 - top;
    for (int x = 0; x < mask.w; ++x)
      if (mask.at(x, y)) columnHasInk[x] = true;
  }
  return runs(columnHasInk, minGap);
}

}  // namespace hf
