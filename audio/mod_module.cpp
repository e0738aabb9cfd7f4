#include "mod_module.h"

#include <algorithm>
#include <stdexcept>

namespace velvora {

namespace {

void putText(std::vector<std::uint8_t> &out, const std::string &text, size_t width) {
  for (size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

void putWord(std::vector<std::uint8_t> &out, size_t bytes) {
  const size_t words = bytes / 2;
  out.push_back(static_cast<std::uint8_t>(words >> 8));
  out.push_back(static_cast<std::uint8_t>(words & 0xFF));
}

void checkSample(const Sample &s, int slot) {
  const std::string where = "sample " + std::to_string(slot + 1) + " (" + s.name + "): ";
  if (s.data.size() % 2 != 0) throw std::invalid_argument(where + "odd length");
  if (s.data.size() > kMaxSampleBytes) throw std::invalid_argument(where + "longer than 128 KiB");
  if (s.volume > 64) throw std::invalid_argument(where + "volume above 64");
  if (s.loopStart % 2 != 0 || s.loopLength % 2 != 0) throw std::invalid_argument(where + "loop not on a word");
  if (s.loopLength > 0 && s.loopStart + s.loopLength > s.data.size())
    throw std::invalid_argument(where + "loop past the end");
}

void putSampleHeader(std::vector<std::uint8_t> &out, const Sample &s) {
  putText(out, s.name, 22);
  putWord(out, s.data.size());
  out.push_back(0);  // finetune
  out.push_back(s.volume);
  if (s.loopLength > 0) {
    putWord(out, s.loopStart);
    putWord(out, s.loopLength);
  } else {
    putWord(out, 0);
    putWord(out, 2);  // one word: ProTracker's "no loop"
  }
}

void putCell(std::vector<std::uint8_t> &out, const Cell &c) {
  if (c.period > 0xFFF || c.sample > 31 || c.effect > 0xF) throw std::invalid_argument("cell out of range");
  out.push_back(static_cast<std::uint8_t>((c.sample & 0xF0) | (c.period >> 8)));
  out.push_back(static_cast<std::uint8_t>(c.period & 0xFF));
  out.push_back(static_cast<std::uint8_t>(((c.sample & 0x0F) << 4) | c.effect));
  out.push_back(c.param);
}

}  // namespace

std::vector<std::uint8_t> serializeModule(const Module &module) {
  if (module.orders.empty() || module.orders.size() > kMaxOrders)
    throw std::invalid_argument("the order list must hold 1 to 128 entries");
  if (module.patterns.empty() || module.patterns.size() > kMaxPatterns)
    throw std::invalid_argument("a module holds 1 to 64 patterns");
  for (std::uint8_t o : module.orders)
    if (o >= module.patterns.size()) throw std::invalid_argument("order names a missing pattern");
  for (int i = 0; i < kSampleSlots; ++i) checkSample(module.samples[static_cast<size_t>(i)], i);

  std::vector<std::uint8_t> out;
  putText(out, module.title, 20);
  for (const Sample &s : module.samples) putSampleHeader(out, s);
  out.push_back(static_cast<std::uint8_t>(module.orders.size()));
  out.push_back(127);  // restart byte as ProTracker writes it
  for (int i = 0; i < kMaxOrders; ++i)
    out.push_back(i < static_cast<int>(module.orders.size()) ? module.orders[static_cast<size_t>(i)] : 0);
  putText(out, "M.K.", 4);
  // Every pattern in the file is counted from the highest order entry.
  const int stored = *std::max_element(module.orders.begin(), module.orders.end()) + 1;
  for (int p = 0; p < stored; ++p)
    for (const Row &row : module.patterns[static_cast<size_t>(p)].rows)
      for (const Cell &cell : row) putCell(out, cell);
  for (const Sample &s : module.samples)
    for (std::int8_t v : s.data) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

}  // namespace velvora
