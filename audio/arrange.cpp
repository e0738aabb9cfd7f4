#include "arrange.h"

#include <stdexcept>

#include "notes.h"

namespace velvora {

namespace {

Cell cellOf(const Step &s) {
  Cell c;
  if (s.note >= 0) c.period = static_cast<std::uint16_t>(periodOfNote(s.note));
  c.sample = static_cast<std::uint8_t>(s.sample);
  if (s.effect >= 0) {
    c.effect = static_cast<std::uint8_t>(s.effect);
    c.param = static_cast<std::uint8_t>(s.param);
  }
  return c;
}

// Puts an effect into the first channel of the row that has none.
void addToRow(Row &row, std::uint8_t effect, std::uint8_t param, const std::string &why) {
  for (Cell &c : row) {
    if (!c.hasEffect()) {
      c.effect = effect;
      c.param = param;
      return;
    }
  }
  throw std::invalid_argument(why + ": every channel of the row already has an effect");
}

Pattern patternOf(const PatternDef &def) {
  Pattern p;
  for (size_t ch = 0; ch < kChannels; ++ch)
    for (size_t r = 0; r < def.channels[ch].size(); ++r) p.rows[r][ch] = cellOf(def.channels[ch][r]);
  if (def.rows < kRowsPerPattern)
    addToRow(p.rows[static_cast<size_t>(def.rows - 1)], 0xD, 0, "pattern '" + def.name + "', last row");
  return p;
}

}  // namespace

double rowSeconds(const Score &score) { return score.speed * 2.5 / score.tempo; }

int songRows(const Score &score) {
  int rows = 0;
  for (size_t p : score.order) rows += score.patterns[p].rows;
  return rows;
}

std::vector<SectionTime> sectionMap(const Score &score) {
  std::vector<SectionTime> map;
  for (const SectionDef &s : score.sections) {
    int row = 0;
    for (size_t i = 0; i < s.firstOrder; ++i) row += score.patterns[score.order[i]].rows;
    map.push_back({s.label, row, row * rowSeconds(score)});
  }
  return map;
}

Module arrangeModule(const Score &score, const std::vector<Sample> &samples) {
  if (samples.size() != score.samples.size()) throw std::invalid_argument("one sample is needed for each declared");
  Module m;
  m.title = score.title;
  size_t text = 0;
  for (size_t i = 0; i < kSampleSlots; ++i) {
    if (i < samples.size()) {
      m.samples[i] = samples[i];
      m.samples[i].name = score.samples[i].name;
      m.samples[i].volume = static_cast<std::uint8_t>(score.samples[i].volume);
    } else if (text < score.texts.size()) {
      m.samples[i].name = score.texts[text++];
    }
  }
  for (size_t i = 0; i < score.order.size(); ++i) {
    Pattern p = patternOf(score.patterns[score.order[i]]);
    if (i == 0) {
      addToRow(p.rows[0], 0xF, static_cast<std::uint8_t>(score.speed), "first row (speed)");
      addToRow(p.rows[0], 0xF, static_cast<std::uint8_t>(score.tempo), "first row (tempo)");
    }
    size_t index = 0;
    while (index < m.patterns.size() && !(m.patterns[index] == p)) ++index;
    if (index == m.patterns.size()) m.patterns.push_back(p);
    m.orders.push_back(static_cast<std::uint8_t>(index));
  }
  return m;
}

}  // namespace velvora
