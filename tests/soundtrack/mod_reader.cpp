#include "mod_reader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace modcheck {

std::vector<std::uint8_t> readBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

std::string text(const std::vector<std::uint8_t> &b, size_t at, size_t n) {
  std::string s;
  for (size_t i = at; i < at + n && b[i] != 0; ++i) s += static_cast<char>(b[i]);
  return s;
}

std::uint32_t bigEndian16(const std::vector<std::uint8_t> &b, size_t at) { return (b[at] << 8) | b[at + 1]; }

}  // namespace

ModFile parseMod(const std::vector<std::uint8_t> &b) {
  if (b.size() < 1084) throw std::runtime_error("shorter than a module header");
  ModFile m;
  m.fileSize = b.size();
  m.title = text(b, 0, 20);
  for (size_t i = 0; i < 31; ++i) {
    const size_t h = 20 + 30 * i;
    SampleHeader &s = m.samples[i];
    s.name = text(b, h, 22);
    s.lengthWords = bigEndian16(b, h + 22);
    s.finetune = b[h + 24] & 0x0F;
    s.volume = b[h + 25];
    s.loopStartWords = bigEndian16(b, h + 26);
    s.loopLengthWords = bigEndian16(b, h + 28);
  }
  m.orderCount = b[950];
  m.restartByte = b[951];
  int highest = 0;
  for (size_t i = 0; i < 128; ++i) {
    m.orders[i] = b[952 + i];
    highest = std::max<int>(highest, b[952 + i]);
  }
  m.tag = std::string(b.begin() + 1080, b.begin() + 1084);
  size_t at = 1084;
  for (int p = 0; p <= highest; ++p) {
    if (at + 1024 > b.size()) throw std::runtime_error("patterns run past the end");
    PatternRows rows;
    for (auto &row : rows)
      for (Note &n : row) {
        n.sample = (b[at] & 0xF0) | (b[at + 2] >> 4);
        n.period = ((b[at] & 0x0F) << 8) | b[at + 1];
        n.effect = b[at + 2] & 0x0F;
        n.param = b[at + 3];
        at += 4;
      }
    m.patterns.push_back(rows);
  }
  for (size_t i = 0; i < 31; ++i) {
    const size_t n = 2 * m.samples[i].lengthWords;
    if (at + n > b.size()) throw std::runtime_error("sample data runs past the end");
    for (size_t k = 0; k < n; ++k) m.sampleData[i].push_back(static_cast<std::int8_t>(b[at + k]));
    at += n;
  }
  return m;
}

const std::array<int, 36> &standardPeriods() {
  static const std::array<int, 36> table = {
      856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
      428, 404, 381, 360, 340, 320, 302, 285, 269, 254, 240, 226,
      214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
  return table;
}

Playback play(const ModFile &mod) {
  Playback out;
  int speed = 6, tempo = 125;
  double t = 0;
  int order = 0, row = 0;
  std::vector<bool> seen(128, false);
  bool first = true;
  while (order < mod.orderCount && !seen[static_cast<size_t>(order)]) {
    seen[static_cast<size_t>(order)] = true;
    out.orderStart.push_back(t);
    const PatternRows &rows = mod.patterns.at(mod.orders[static_cast<size_t>(order)]);
    int next = order + 1, nextRow = 0;
    for (; row < 64; ++row) {
      bool leave = false;
      for (const Note &n : rows[static_cast<size_t>(row)]) {
        if (n.effect == 0xF && n.param > 0) (n.param < 32 ? speed : tempo) = n.param;
        if (n.effect == 0xD) {
          leave = true;
          nextRow = (n.param >> 4) * 10 + (n.param & 0x0F);
        }
        if (n.effect == 0xB) {
          leave = true;
          next = n.param;
        }
      }
      if (first) {
        out.firstSpeed = speed;
        out.firstTempo = tempo;
        first = false;
      }
      t += speed * 2.5 / tempo;
      if (leave) break;
    }
    order = next;
    row = nextRow;
  }
  out.length = t;
  return out;
}

}  // namespace modcheck
