// The score language and the arrangement into patterns: what the composer
// writes is what ends up in the module, and mistakes name their line.
#include <gtest/gtest.h>

#include "arrange.h"
#include "notes.h"
#include "score.h"

namespace {

bool anyRecipe(const std::string &name) { return name == "tone" || name == "noise"; }

const char *kHeader =
    "title demo\n"
    "speed 6\n"
    "tempo 120\n"
    "channels d b h l\n"
    "sample hit noise 50\n"
    "sample bass tone 40\n"
    "alias K C-3:hit\n"
    "alias k C-3:hit!C10\n";

velvora::Score parse(const std::string &body) { return velvora::parseScore(std::string(kHeader) + body, "t.score", anyRecipe); }

std::string errorOf(const std::string &body) {
  try {
    parse(body);
  } catch (const velvora::ScoreError &e) {
    return e.what();
  }
  return "(no error)";
}

int note(const char *name) { return *velvora::parseNote(name); }

TEST(SoundtrackScore, TracksExpandIntoPatternRows) {
  const auto s = parse(
      "track beat 4\n"
      "  K . k ^\n"
      "track line 4 bass vol 33\n"
      "  A-1 . A-2!E93 ~1\n"
      "track arp 3 bass\n"
      "  A-1!037 = .\n"
      "pattern p 12\n"
      "  d beat*3\n"
      "  b line@F line:2 ~2 arp-2 ~1\n"
      "play p p\n");
  ASSERT_EQ(s.patterns.size(), 1u);
  const auto &p = s.patterns[0];
  EXPECT_EQ(s.title, "demo");
  EXPECT_EQ(s.tempo, 120);
  ASSERT_EQ(p.channels[0].size(), 12u);
  EXPECT_EQ(p.channels[0][0], (velvora::Step{note("C-3"), 1, -1, 0}));
  EXPECT_EQ(p.channels[0][2], (velvora::Step{note("C-3"), 1, 0xC, 0x10}));
  EXPECT_EQ(p.channels[0][3], (velvora::Step{-1, 0, 0xC, 0})) << "^ silences the channel";
  EXPECT_EQ(p.channels[0][8], p.channels[0][0]) << "*3 repeats";
  // @F moves a track written on A down a major third; vol gives notes a volume.
  const auto &b = p.channels[1];
  EXPECT_EQ(b[0], (velvora::Step{note("F-1"), 2, 0xC, 33}));
  EXPECT_EQ(b[2], (velvora::Step{note("F-2"), 2, 0xE, 0x93})) << "an explicit effect wins over vol";
  EXPECT_EQ(b[4], (velvora::Step{note("A-1"), 2, 0xC, 33})) << ":2 keeps the first two rows";
  EXPECT_EQ(b[6], velvora::Step{});
  EXPECT_EQ(b[8], (velvora::Step{note("G-1"), 2, 0x0, 0x37}));
  EXPECT_EQ(b[9], (velvora::Step{-1, 0, 0x0, 0x37})) << "= repeats the last effect";
  EXPECT_EQ(b[10], velvora::Step{});
  EXPECT_TRUE(p.channels[2].empty()) << "a channel without a line stays silent";
  EXPECT_EQ(s.order, (std::vector<size_t>{0, 0}));
}

TEST(SoundtrackScore, MovesToEachPitchClassTheNearerWay) {
  const auto s = parse(
      "track n 1 bass\n  A-2\n"
      "pattern p 7\n  b n@C n@D n@E n@F n@G n@B n@D#\n"
      "play p\n");
  const auto &b = s.patterns[0].channels[1];
  const char *expected[] = {"C-3", "D-3", "E-2", "F-2", "G-2", "B-2", "D#2"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(velvora::noteName(b[i].note), expected[i]) << i;
}

TEST(SoundtrackScore, MistakesNameTheirLine) {
  EXPECT_EQ(errorOf("track t 4\n  K . .\npattern p 4\n"), "t.score:10: track 't' has 3 of its 4 rows");
  EXPECT_EQ(errorOf("track t 2\n  K . .\n"), "t.score:10: track 't' has 3 rows, its header says 2");
  EXPECT_EQ(errorOf("track t 1\n  A-2\n"), "t.score:10: 'A-2' needs a sample (NOTE:sample, or one on the track)");
  EXPECT_EQ(errorOf("track t 1\n  A-2:pad\n"), "t.score:10: unknown sample in 'A-2:pad'");
  EXPECT_EQ(errorOf("track t 1\n  C-4:hit\n"), "t.score:10: 'C-4:hit' is neither a note (C-1..B-3), an alias nor '.'");
  EXPECT_EQ(errorOf("track t 1\n  K!F06\n"),
            "t.score:10: 'K!F06': jumps, breaks, loops, delays and speed changes belong to the writer");
  EXPECT_EQ(errorOf("track t 1\n  K!C41\n"), "t.score:10: 'K!C41': volume above 0x40");
  EXPECT_EQ(errorOf("track t 1\n  =\n"), "t.score:10: '=' repeats an effect, and none came before it in this track");
  EXPECT_EQ(errorOf("track t 1 bass\n  A-3\npattern p 1\n  b t+3\n"), "t.score:12: 't+3' moves a note outside C-1..B-3");
  EXPECT_EQ(errorOf("track t 4\n  ~4\npattern p 8\n  d t\n"), "t.score:12: channel 'd' of pattern 'p' has 4 rows, the pattern 8");
  EXPECT_EQ(errorOf("pattern p 65\n"), "t.score:9: pattern length must lie in 1..64");
  EXPECT_EQ(errorOf("play nowhere\n"), "t.score:9: unknown pattern 'nowhere'");
  EXPECT_EQ(errorOf("sample x flute 10\n"), "t.score:9: no instrument recipe called 'flute'");
  EXPECT_EQ(errorOf("tempo 20\n"), "t.score:9: tempo must lie in 32..255");
  EXPECT_EQ(errorOf("track t 1\n  K\n"), "t.score:10: nothing is played");
  EXPECT_EQ(errorOf("text \"unclosed\n"), "t.score:9: unclosed quote");
}

TEST(SoundtrackScore, CommentsStartOnlyAtTheBeginningOfAWord) {
  const auto s = parse(
      "track t 2 bass # a comment\n"
      "  G#2 C#1  # sharps are notes, not comments\n"
      "pattern p 2\n  b t\nplay p\n");
  EXPECT_EQ(velvora::noteName(s.patterns[0].channels[1][0].note), "G#2");
  EXPECT_EQ(velvora::noteName(s.patterns[0].channels[1][1].note), "C#1");
}

std::vector<velvora::Sample> silentSamples(const velvora::Score &s) {
  return std::vector<velvora::Sample>(s.samples.size(), velvora::Sample{"", {0, 0}, 0, 0, 64});
}

TEST(SoundtrackArrangement, ShortPatternsBreakAndTheFirstRowSetsTheTempo) {
  const auto s = parse(
      "track t 4\n  K!C20 . . K!C30\n"
      "track u 4 bass\n  A-1 . . A-1!E91\n"
      "pattern a 4\n  d t\n  b u\n"
      "pattern full 64\n  d t*16\n"
      "section \"first\"\nplay a full\nsection \"second\"\nplay a\n");
  const velvora::Module m = velvora::arrangeModule(s, silentSamples(s));
  ASSERT_EQ(m.orders.size(), 3u);
  const velvora::Row &first = m.patterns[m.orders[0]].rows[0];
  EXPECT_EQ(first[0].effect, 0xC);
  EXPECT_EQ((std::pair<int, int>{first[1].effect, first[1].param}), (std::pair<int, int>{0xF, 6}));
  EXPECT_EQ((std::pair<int, int>{first[2].effect, first[2].param}), (std::pair<int, int>{0xF, 120}));
  // The break goes into the first channel of the last row that has room.
  const velvora::Row &last = m.patterns[m.orders[0]].rows[3];
  EXPECT_EQ(last[0].effect, 0xC);
  EXPECT_EQ(last[1].effect, 0xE);
  EXPECT_EQ((std::pair<int, int>{last[2].effect, last[2].param}), (std::pair<int, int>{0xD, 0}));
  EXPECT_EQ(m.patterns[m.orders[1]].rows[63][2].effect, 0) << "a full pattern needs no break";
  // The third entry is the first without its tempo commands: a pattern of its own.
  EXPECT_NE(m.orders[2], m.orders[0]);
  EXPECT_EQ(m.patterns[m.orders[2]].rows[0][1].effect, 0);
  EXPECT_EQ(m.samples[0].name, "hit");
  EXPECT_EQ(m.samples[0].volume, 50);
  EXPECT_EQ(m.samples[1].name, "bass");

  EXPECT_DOUBLE_EQ(velvora::rowSeconds(s), 0.125);
  EXPECT_EQ(velvora::songRows(s), 72);
  const auto map = velvora::sectionMap(s);
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map[1].label, "second");
  EXPECT_EQ(map[1].row, 68);
  EXPECT_DOUBLE_EQ(map[1].seconds, 8.5);
}

TEST(SoundtrackArrangement, IdenticalPatternsAreStoredOnce) {
  const auto s = parse(
      "track t 4\n  K . . .\n"
      "pattern a 4\n  d t\npattern b 4\n  d t\n"
      "play a a b a\n");
  const velvora::Module m = velvora::arrangeModule(s, silentSamples(s));
  EXPECT_EQ(m.patterns.size(), 2u) << "the first entry differs by its tempo commands only";
  EXPECT_EQ(m.orders, (std::vector<std::uint8_t>{0, 1, 1, 1}));
}

TEST(SoundtrackArrangement, ARowWithoutRoomForTheBreakIsRefused) {
  const auto s = parse(
      "track t 2\n  . k\n"
      "pattern a 2\n  d t\n  b t\n  h t\n  l t\n"
      "play a\n");
  EXPECT_THROW(velvora::arrangeModule(s, silentSamples(s)), std::invalid_argument);
}

}  // namespace
