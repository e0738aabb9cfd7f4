// The velvora.mod that the build wrote: a standard module whose sections
// land on the picture's cues.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "mod_reader.h"

namespace {

const std::string kModPath = std::string(HONEYFOLD_BINARY_DIR) + "/audio/velvora.mod";

const modcheck::ModFile &velvora() {
  static const modcheck::ModFile mod = modcheck::parseMod(modcheck::readBytes(kModPath));
  return mod;
}

TEST(SoundtrackModule, HeaderIsAStandardFourChannelModule) {
  const auto &m = velvora();
  EXPECT_EQ(m.title, "velvora");
  EXPECT_EQ(m.tag, "M.K.");
  ASSERT_GE(m.orderCount, 1);
  ASSERT_LE(m.orderCount, 128);
  EXPECT_EQ(m.restartByte, 127);
  const int highest = *std::max_element(m.orders.begin(), m.orders.end());
  EXPECT_EQ(static_cast<int>(m.patterns.size()), highest + 1);
  EXPECT_LE(m.patterns.size(), 64u);
  for (int i = m.orderCount; i < 128; ++i) EXPECT_EQ(m.orders[static_cast<size_t>(i)], 0) << "order " << i;
  size_t sampleBytes = 0;
  for (const auto &s : m.samples) sampleBytes += 2 * s.lengthWords;
  EXPECT_EQ(m.fileSize, 1084 + 1024 * m.patterns.size() + sampleBytes) << "nothing after the sample data";
}

TEST(SoundtrackModule, SampleHeadersDescribeTheirData) {
  const auto &m = velvora();
  std::vector<std::string> names;
  for (size_t i = 0; i < 31; ++i) {
    const auto &s = m.samples[i];
    SCOPED_TRACE(s.name);
    names.push_back(s.name);
    EXPECT_LE(s.volume, 64);
    EXPECT_EQ(s.finetune, 0);
    if (s.lengthWords == 0) continue;
    EXPECT_GE(s.loopLengthWords, 1u);
    if (s.loopLengthWords > 1) {
      EXPECT_LE(s.loopStartWords + s.loopLengthWords, s.lengthWords);
    } else {
      EXPECT_EQ(s.loopStartWords, 0u);
      EXPECT_EQ(m.sampleData[i][0], 0);
      EXPECT_EQ(m.sampleData[i][1], 0);
    }
  }
  for (const char *needed : {"kick", "snare", "hat", "bass", "lead"})
    EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end()) << needed;
}

TEST(SoundtrackModule, SampleDataIsSignedEightBit) {
  const auto &m = velvora();
  for (size_t i = 0; i < 31; ++i) {
    const auto &d = m.sampleData[i];
    if (d.empty()) continue;
    SCOPED_TRACE(m.samples[i].name);
    // Signed data swings around 0; unsigned data read as signed would sit
    // around -128/+127 and jump between them.
    double sum = 0;
    int jumps = 0;
    for (size_t k = 0; k < d.size(); ++k) {
      sum += d[k];
      if (k && std::abs(d[k] - d[k - 1]) > 200) ++jumps;
    }
    EXPECT_LT(std::abs(sum / d.size()), 4.0);
    EXPECT_LT(jumps, static_cast<int>(d.size() / 100) + 1);
  }
}

TEST(SoundtrackModule, EveryNoteUsesTheStandardPeriodsAndAnExistingSample) {
  const auto &m = velvora();
  const auto &table = modcheck::standardPeriods();
  int notes = 0;
  for (size_t p = 0; p < m.patterns.size(); ++p)
    for (size_t r = 0; r < 64; ++r)
      for (size_t c = 0; c < 4; ++c) {
        const modcheck::Note &n = m.patterns[p][r][c];
        if (n.period == 0) continue;
        ++notes;
        EXPECT_NE(std::find(table.begin(), table.end(), n.period), table.end())
            << "pattern " << p << " row " << r << " channel " << c << ": period " << n.period;
        ASSERT_GE(n.sample, 1);
        EXPECT_GT(m.samples[static_cast<size_t>(n.sample - 1)].lengthWords, 0u) << "pattern " << p << " row " << r;
      }
  EXPECT_GT(notes, 500);
}

TEST(SoundtrackModule, LastsAsLongAsTheShowAfterTheSpiral) {
  const auto playback = modcheck::play(velvora());
  EXPECT_EQ(playback.firstSpeed, 6);
  EXPECT_EQ(playback.firstTempo, 120);
  EXPECT_EQ(static_cast<int>(playback.orderStart.size()), velvora().orderCount) << "every order entry plays once";
  EXPECT_NEAR(playback.length, 106.7, 0.25);
}

TEST(SoundtrackModule, SectionsChangeOnThePicturesCues) {
  const auto playback = modcheck::play(velvora());
  const double cues[] = {0, 8, 18, 20.5, 30.5, 47, 50.5, 54.5, 57.5, 61.5, 73.5, 83.5, 88.5, 95.5, 100.5};
  for (double cue : cues) {
    double nearest = 1e9;
    for (double t : playback.orderStart)
      if (std::abs(t - cue) < std::abs(nearest - cue)) nearest = t;
    EXPECT_NEAR(nearest, cue, 0.25) << "no pattern starts near the cue at " << cue << " s";
  }
}

}  // namespace
