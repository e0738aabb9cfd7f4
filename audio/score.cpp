#include "score.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "notes.h"

namespace velvora {

namespace {

struct Line {
  int number = 0;
  std::vector<std::string> words;
};

const std::set<std::string> kKeywords = {"title", "speed", "tempo", "channels", "sample", "text",
                                         "alias", "track", "pattern", "section", "play"};

// Words separated by blanks; "..." keeps blanks; a word that starts with #
// starts a comment (a # inside a word, as in G#2, does not).
std::vector<Line> splitLines(const std::string &text) {
  std::vector<Line> lines;
  int number = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    Line line{number, {}};
    size_t i = 0;
    while (i < raw.size()) {
      if (std::isspace(static_cast<unsigned char>(raw[i]))) {
        ++i;
      } else if (raw[i] == '#') {
        break;
      } else if (raw[i] == '"') {
        const size_t close = raw.find('"', i + 1);
        if (close == std::string::npos) throw ScoreError(std::to_string(number) + ": unclosed quote");
        line.words.push_back(raw.substr(i + 1, close - i - 1));
        i = close + 1;
      } else {
        size_t j = i;
        while (j < raw.size() && !std::isspace(static_cast<unsigned char>(raw[j]))) ++j;
        line.words.push_back(raw.substr(i, j - i));
        i = j;
      }
    }
    if (!line.words.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

bool isName(const std::string &w) {
  return !w.empty() && std::all_of(w.begin(), w.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// Semitones from A to the named pitch class, the nearest way (a tritone goes down).
std::optional<int> intervalFromA(const std::string &pitch) {
  static const std::map<std::string, int> classes = {
      {"C", 0}, {"C#", 1}, {"D", 2}, {"D#", 3}, {"E", 4}, {"F", 5},
      {"F#", 6}, {"G", 7}, {"G#", 8}, {"A", 9}, {"A#", 10}, {"B", 11}};
  auto it = classes.find(pitch);
  if (it == classes.end()) return std::nullopt;
  int d = ((it->second - 9) % 12 + 12) % 12;
  return d >= 6 ? d - 12 : d;
}

class Parser {
 public:
  Parser(std::string source, bool (*isRecipe)(const std::string &)) : source_(std::move(source)), isRecipe_(isRecipe) {}

  Score run(const std::vector<Line> &lines) {
    size_t i = 0;
    while (i < lines.size()) {
      const Line &line = lines[i++];
      line_ = line.number;
      const std::string &key = line.words[0];
      const auto &w = line.words;
      if (key == "title") {
        expectWords(w, 2);
        if (w[1].size() > 20) fail("the title holds at most 20 characters");
        score_.title = w[1];
      } else if (key == "speed") {
        expectWords(w, 2);
        score_.speed = number(w[1], 1, 31, "speed");
      } else if (key == "tempo") {
        expectWords(w, 2);
        score_.tempo = number(w[1], 32, 255, "tempo");
      } else if (key == "channels") {
        expectWords(w, 1 + kChannels);
        for (int c = 0; c < kChannels; ++c) score_.channelNames[static_cast<size_t>(c)] = w[static_cast<size_t>(c) + 1];
      } else if (key == "sample") {
        parseSample(w);
      } else if (key == "text") {
        expectWords(w, 2);
        if (w[1].size() > 22) fail("a text line holds at most 22 characters");
        score_.texts.push_back(w[1]);
      } else if (key == "alias") {
        expectWords(w, 3);
        if (!isName(w[1]) || kKeywords.count(w[1]) || parseNote(w[1])) fail("bad alias name '" + w[1] + "'");
        if (aliases_.count(w[1])) fail("alias '" + w[1] + "' defined twice");
        aliases_[w[1]] = parseStep(w[2], 0, -1);
      } else if (key == "track") {
        i = parseTrack(lines, i);
      } else if (key == "pattern") {
        i = parsePattern(lines, i);
      } else if (key == "section") {
        expectWords(w, 2);
        score_.sections.push_back({w[1], score_.order.size()});
      } else if (key == "play") {
        if (w.size() < 2) fail("play names at least one pattern");
        for (size_t k = 1; k < w.size(); ++k) {
          auto it = patternIndex_.find(w[k]);
          if (it == patternIndex_.end()) fail("unknown pattern '" + w[k] + "'");
          score_.order.push_back(it->second);
        }
      } else {
        fail("unknown keyword '" + key + "'");
      }
    }
    if (score_.order.empty()) fail("nothing is played");
    if (score_.order.size() > kMaxOrders) fail("more than 128 patterns played");
    for (const SectionDef &s : score_.sections)
      if (s.firstOrder >= score_.order.size()) fail("section '" + s.label + "' has nothing played in it");
    return score_;
  }

 private:
  [[noreturn]] void fail(const std::string &message) const {
    throw ScoreError(source_ + ":" + std::to_string(line_) + ": " + message);
  }

  void expectWords(const std::vector<std::string> &w, size_t count) const {
    if (w.size() != count) fail("'" + w[0] + "' takes " + std::to_string(count - 1) + " value(s)");
  }

  int number(const std::string &word, int lo, int hi, const std::string &what) const {
    if (word.empty() || !std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        word.size() > 6)
      fail(what + " must be a number, not '" + word + "'");
    const int v = std::stoi(word);
    if (v < lo || v > hi) fail(what + " must lie in " + std::to_string(lo) + ".." + std::to_string(hi));
    return v;
  }

  void parseSample(const std::vector<std::string> &w) {
    expectWords(w, 4);
    if (!isName(w[1]) || w[1].size() > 22) fail("bad sample name '" + w[1] + "'");
    if (sampleSlot_.count(w[1])) fail("sample '" + w[1] + "' declared twice");
    if (score_.samples.size() == kSampleSlots) fail("a module holds 31 samples");
    if (!isRecipe_(w[2])) fail("no instrument recipe called '" + w[2] + "'");
    score_.samples.push_back({w[1], w[2], number(w[3], 0, 64, "volume")});
    sampleSlot_[w[1]] = static_cast<int>(score_.samples.size());
  }

  // NOTE[:sample], an alias, or '.', each optionally followed by !XYY.
  Step parseStep(const std::string &word, int defaultSample, int defaultVolume) const {
    const size_t bang = word.find('!');
    const std::string head = word.substr(0, bang);
    Step step;
    if (head == ".") {
    } else if (aliases_.count(head)) {
      step = aliases_.at(head);
    } else {
      const size_t colon = head.find(':');
      auto note = parseNote(head.substr(0, colon));
      if (!note) fail("'" + word + "' is neither a note (C-1..B-3), an alias nor '.'");
      step.note = *note;
      if (colon != std::string::npos) {
        auto it = sampleSlot_.find(head.substr(colon + 1));
        if (it == sampleSlot_.end()) fail("unknown sample in '" + word + "'");
        step.sample = it->second;
      } else {
        if (defaultSample == 0) fail("'" + word + "' needs a sample (NOTE:sample, or one on the track)");
        step.sample = defaultSample;
      }
    }
    if (bang != std::string::npos) {
      const std::string fx = word.substr(bang + 1);
      if (fx.size() != 3 || !std::all_of(fx.begin(), fx.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        fail("effect in '" + word + "' must be three hex digits");
      step.effect = std::stoi(fx.substr(0, 1), nullptr, 16);
      step.param = std::stoi(fx.substr(1), nullptr, 16);
      checkEffect(step, word);
    }
    if (step.note >= 0 && step.effect < 0 && defaultVolume >= 0) {
      step.effect = 0xC;
      step.param = defaultVolume;
    }
    return step;
  }

  // The writer owns the song's flow and timing; the score may not change it.
  void checkEffect(const Step &s, const std::string &word) const {
    const bool flow = s.effect == 0xB || s.effect == 0xD || s.effect == 0xF ||
                      (s.effect == 0xE && ((s.param >> 4) == 0x6 || (s.param >> 4) == 0xE));
    if (flow) fail("'" + word + "': jumps, breaks, loops, delays and speed changes belong to the writer");
    if (s.effect == 0xC && s.param > 64) fail("'" + word + "': volume above 0x40");
  }

  size_t parseTrack(const std::vector<Line> &lines, size_t next) {
    const auto &w = lines[next - 1].words;
    if (w.size() < 3) fail("track NAME ROWS [SAMPLE] [vol N]");
    const std::string name = w[1];
    if (!isName(name)) fail("bad track name '" + name + "'");
    if (tracks_.count(name)) fail("track '" + name + "' defined twice");
    const int rows = number(w[2], 1, 4096, "track length");
    int sample = 0, volume = -1;
    size_t k = 3;
    if (k < w.size() && w[k] != "vol") {
      auto it = sampleSlot_.find(w[k]);
      if (it == sampleSlot_.end()) fail("unknown sample '" + w[k] + "'");
      sample = it->second;
      ++k;
    }
    if (k < w.size()) {
      if (w[k] != "vol" || k + 2 != w.size()) fail("track NAME ROWS [SAMPLE] [vol N]");
      volume = number(w[k + 1], 0, 64, "track volume");
    }
    std::vector<Step> steps;
    int lastEffect = -1, lastParam = 0;
    while (static_cast<int>(steps.size()) < rows) {
      if (next >= lines.size() || kKeywords.count(lines[next].words[0]))
        fail("track '" + name + "' has " + std::to_string(steps.size()) + " of its " + std::to_string(rows) + " rows");
      line_ = lines[next].number;
      for (const std::string &word : lines[next].words) {
        if (word[0] == '~') {
          const int n = number(word.substr(1), 1, 4096, "'~' count");
          steps.insert(steps.end(), static_cast<size_t>(n), Step{});
        } else if (word == "=") {
          if (lastEffect < 0) fail("'=' repeats an effect, and none came before it in this track");
          steps.push_back(Step{-1, 0, lastEffect, lastParam});
        } else if (word == "^") {
          steps.push_back(Step{-1, 0, 0xC, 0});
        } else {
          steps.push_back(parseStep(word, sample, volume));
          if (steps.back().effect >= 0) {
            lastEffect = steps.back().effect;
            lastParam = steps.back().param;
          }
        }
      }
      ++next;
    }
    if (static_cast<int>(steps.size()) != rows)
      fail("track '" + name + "' has " + std::to_string(steps.size()) + " rows, its header says " + std::to_string(rows));
    tracks_[name] = std::move(steps);
    return next;
  }

  // NAME with modifiers: @X (move from A to X), +N / -N (semitones), :N
  // (first N rows), *N (repeat); or ~N for N empty rows.
  std::vector<Step> expandRef(const std::string &ref) const {
    if (ref[0] == '~') return std::vector<Step>(static_cast<size_t>(number(ref.substr(1), 1, 64, "'~' count")), Step{});
    size_t p = 0;
    while (p < ref.size() && (std::isalnum(static_cast<unsigned char>(ref[p])) || ref[p] == '_')) ++p;
    auto it = tracks_.find(ref.substr(0, p));
    if (it == tracks_.end()) fail("unknown track '" + ref.substr(0, p) + "'");
    std::vector<Step> steps = it->second;
    int shift = 0, repeat = 1;
    while (p < ref.size()) {
      const char mod = ref[p++];
      size_t q = p;
      while (q < ref.size() && ref[q] != '@' && ref[q] != '+' && ref[q] != '-' && ref[q] != ':' && ref[q] != '*') ++q;
      const std::string arg = ref.substr(p, q - p);
      p = q;
      if (mod == '@') {
        auto d = intervalFromA(arg);
        if (!d) fail("'" + ref + "': @ takes a pitch class such as F or C#");
        shift += *d;
      } else if (mod == '+' || mod == '-') {
        shift += (mod == '+' ? 1 : -1) * number(arg, 0, 35, "transposition");
      } else if (mod == ':') {
        const int n = number(arg, 1, 4096, "row count");
        if (n > static_cast<int>(steps.size())) fail("'" + ref + "' takes more rows than the track has");
        steps.resize(static_cast<size_t>(n));
      } else if (mod == '*') {
        repeat = number(arg, 1, 64, "repeat count");
      } else {
        fail("'" + ref + "': unknown modifier '" + std::string(1, mod) + "'");
      }
    }
    for (Step &s : steps) {
      if (s.note < 0) continue;
      s.note += shift;
      if (s.note < 0 || s.note >= kNoteCount) fail("'" + ref + "' moves a note outside C-1..B-3");
    }
    std::vector<Step> out;
    for (int r = 0; r < repeat; ++r) out.insert(out.end(), steps.begin(), steps.end());
    return out;
  }

  size_t parsePattern(const std::vector<Line> &lines, size_t next) {
    const auto &w = lines[next - 1].words;
    expectWords(w, 3);
    PatternDef def;
    def.name = w[1];
    if (!isName(def.name)) fail("bad pattern name '" + def.name + "'");
    if (patternIndex_.count(def.name)) fail("pattern '" + def.name + "' defined twice");
    def.rows = number(w[2], 1, kRowsPerPattern, "pattern length");
    const auto &names = score_.channelNames;
    while (next < lines.size()) {
      const auto &cw = lines[next].words;
      auto ch = std::find(names.begin(), names.end(), cw[0]);
      if (ch == names.end()) break;
      line_ = lines[next].number;
      auto &steps = def.channels[static_cast<size_t>(ch - names.begin())];
      if (!steps.empty()) fail("channel '" + cw[0] + "' given twice in pattern '" + def.name + "'");
      for (size_t k = 1; k < cw.size(); ++k) {
        auto part = expandRef(cw[k]);
        steps.insert(steps.end(), part.begin(), part.end());
      }
      if (static_cast<int>(steps.size()) != def.rows)
        fail("channel '" + cw[0] + "' of pattern '" + def.name + "' has " + std::to_string(steps.size()) +
             " rows, the pattern " + std::to_string(def.rows));
      ++next;
    }
    patternIndex_[def.name] = score_.patterns.size();
    score_.patterns.push_back(std::move(def));
    return next;
  }

  std::string source_;
  bool (*isRecipe_)(const std::string &);
  int line_ = 0;
  Score score_;
  std::map<std::string, Step> aliases_;
  std::map<std::string, std::vector<Step>> tracks_;
  std::map<std::string, size_t> patternIndex_;
  std::map<std::string, int> sampleSlot_;
};

}  // namespace

Score parseScore(const std::string &text, const std::string &source, bool (*isRecipe)(const std::string &)) {
  std::vector<Line> lines;
  try {
    lines = splitLines(text);
  } catch (const ScoreError &e) {
    throw ScoreError(source + ":" + e.what());
  }
  return Parser(source, isRecipe).run(lines);
}

}  // namespace velvora
