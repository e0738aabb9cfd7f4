// The module writer's file layout, read back through the tests' own reader.
#include <gtest/gtest.h>

#include "mod_module.h"
#include "mod_reader.h"
#include "notes.h"

namespace {

velvora::Module smallModule() {
  velvora::Module m;
  m.title = "roundtrip";
  m.samples[0] = {"looped", std::vector<std::int8_t>(600, 5), 100, 400, 40};
  m.samples[0].data[0] = -128;
  m.samples[0].data[599] = 127;
  m.samples[30] = {"one shot", {0, 0, -3, 7}, 0, 0, 64};
  m.samples[12].name = "text only";
  velvora::Pattern a, b;
  a.rows[0][0] = {1, 428, 0xC, 0x20};
  a.rows[0][3] = {31, 113, 0x0, 0x37};
  a.rows[17][1] = {16, 856, 0xE, 0x93};
  a.rows[63][2] = {0, 0, 0xD, 0x00};
  b.rows[5][2] = {17, 254, 0x4, 0x46};
  m.patterns = {a, b};
  m.orders = {0, 1, 1, 0};
  return m;
}

TEST(SoundtrackWriterFormat, HeaderFieldsLandWhereTrackersReadThem) {
  const auto bytes = velvora::serializeModule(smallModule());
  const auto mod = modcheck::parseMod(bytes);
  EXPECT_EQ(mod.title, "roundtrip");
  EXPECT_EQ(mod.tag, "M.K.");
  EXPECT_EQ(std::string(bytes.begin() + 1080, bytes.begin() + 1084), "M.K.");
  EXPECT_EQ(mod.orderCount, 4);
  EXPECT_EQ(mod.orders[0], 0);
  EXPECT_EQ(mod.orders[1], 1);
  EXPECT_EQ(mod.orders[3], 0);
  EXPECT_EQ(mod.orders[4], 0) << "unused order entries are zero";
  // Lengths and loops are counted in 16-bit words.
  EXPECT_EQ(mod.samples[0].name, "looped");
  EXPECT_EQ(mod.samples[0].lengthWords, 300u);
  EXPECT_EQ(mod.samples[0].loopStartWords, 50u);
  EXPECT_EQ(mod.samples[0].loopLengthWords, 200u);
  EXPECT_EQ(mod.samples[0].volume, 40);
  EXPECT_EQ(mod.samples[0].finetune, 0);
  EXPECT_EQ(mod.samples[30].lengthWords, 2u);
  EXPECT_EQ(mod.samples[30].loopLengthWords, 1u) << "a one-shot carries ProTracker's one-word loop";
  EXPECT_EQ(mod.samples[12].name, "text only");
  EXPECT_EQ(mod.samples[12].lengthWords, 0u);
  EXPECT_EQ(mod.fileSize, 1084u + 2 * 1024 + 600 + 4);
}

TEST(SoundtrackWriterFormat, PatternsAndSampleDataRoundTrip) {
  const velvora::Module m = smallModule();
  const auto mod = modcheck::parseMod(velvora::serializeModule(m));
  ASSERT_EQ(mod.patterns.size(), 2u);
  for (size_t p = 0; p < 2; ++p)
    for (size_t r = 0; r < 64; ++r)
      for (size_t c = 0; c < 4; ++c) {
        const velvora::Cell &w = m.patterns[p].rows[r][c];
        const modcheck::Note expected{w.sample, w.period, w.effect, w.param};
        ASSERT_EQ(mod.patterns[p][r][c], expected) << "pattern " << p << " row " << r << " channel " << c;
      }
  // Sample numbers above 15 split across the two nibbles.
  EXPECT_EQ(mod.patterns[0][0][3].sample, 31);
  EXPECT_EQ(mod.patterns[0][17][1].sample, 16);
  EXPECT_EQ(mod.sampleData[0], m.samples[0].data);
  EXPECT_EQ(mod.sampleData[30], m.samples[30].data);
  EXPECT_EQ(mod.sampleData[0][0], -128) << "data stays signed";
}

TEST(SoundtrackWriterFormat, OnlyPatternsUpToTheHighestOrderAreStored) {
  velvora::Module m = smallModule();
  m.orders = {0};
  const auto mod = modcheck::parseMod(velvora::serializeModule(m));
  EXPECT_EQ(mod.patterns.size(), 1u);
}

TEST(SoundtrackWriterFormat, RefusesWhatTheFormatCannotHold) {
  auto refuses = [](auto change) {
    velvora::Module m = smallModule();
    change(m);
    EXPECT_THROW(velvora::serializeModule(m), std::invalid_argument);
  };
  refuses([](velvora::Module &m) { m.samples[1].data.assign(3, 0); });
  refuses([](velvora::Module &m) { m.samples[1].data.assign(2 * 65536, 0); });
  refuses([](velvora::Module &m) { m.samples[0].loopStart = 300; });
  refuses([](velvora::Module &m) { m.samples[0].loopLength = 401; });
  refuses([](velvora::Module &m) { m.samples[0].volume = 65; });
  refuses([](velvora::Module &m) { m.orders.push_back(2); });
  refuses([](velvora::Module &m) { m.orders.clear(); });
  refuses([](velvora::Module &m) { m.orders.assign(129, 0); });
  refuses([](velvora::Module &m) { m.patterns[0].rows[0][0].period = 0x1000; });
}

TEST(SoundtrackNotes, NamesAndPeriodsFollowProTrackersTable) {
  const auto &table = modcheck::standardPeriods();
  for (int n = 0; n < velvora::kNoteCount; ++n) {
    EXPECT_EQ(velvora::periodOfNote(n), table[static_cast<size_t>(n)]) << velvora::noteName(n);
    EXPECT_EQ(velvora::parseNote(velvora::noteName(n)), n);
  }
  EXPECT_EQ(velvora::noteName(0), "C-1");
  EXPECT_EQ(velvora::noteName(21), "A-2");
  EXPECT_EQ(velvora::noteName(32), "G#3");
  EXPECT_NEAR(velvora::playbackRate(12), 8287.1, 0.1);  // C-2
  EXPECT_FALSE(velvora::parseNote("C-4"));
  EXPECT_FALSE(velvora::parseNote("H-2"));
  EXPECT_FALSE(velvora::parseNote("A-"));
  EXPECT_THROW(velvora::periodOfNote(36), std::out_of_range);
}

}  // namespace
