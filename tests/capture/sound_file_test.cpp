// Cutting the show out of the disk driver's file: where the show starts in
// it, how much is kept, the WAV file written, and files that do not add up.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gl4d/sound_file.h"
#include "support/run_dir.h"

namespace {

using gl4d::kSoundBlockFrames;

// A disk-driver file: `unseen` blocks the layer never saw (value -7), `startup`
// blocks before the show (value -1), then `show` blocks whose frames carry
// their own index in the show (both channels).
void writeRaw(const std::string &path, int unseen, int startup, int show) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::vector<std::int16_t> block(2 * kSoundBlockFrames);
  auto put = [&](int count, auto value) {
    for (int b = 0; b < count; ++b) {
      for (int i = 0; i < kSoundBlockFrames; ++i) block[2 * i] = block[2 * i + 1] = value(b * kSoundBlockFrames + i);
      std::fwrite(block.data(), 2, block.size(), f);
    }
  };
  put(unseen, [](int) { return std::int16_t(-7); });
  put(startup, [](int) { return std::int16_t(-1); });
  put(show, [](int i) { return std::int16_t(i % 30000); });
  std::fclose(f);
}

std::vector<unsigned char> readAll(const std::string &path) {
  std::vector<unsigned char> bytes;
  if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  return bytes;
}

std::uint32_t le32(const std::vector<unsigned char> &b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
unsigned le16(const std::vector<unsigned char> &b, size_t at) { return b[at] | b[at + 1] << 8; }

class SoundFileTest : public ::testing::Test {
 protected:
  void TearDown() override { hf::removeTree(dir); }
  const std::string dir = hf::makeTempDir("capture-sound");
  const std::string raw = dir + "/sound.raw", wav = dir + "/sound.wav";
  std::string error;
  std::uint64_t kept = 0;
};

TEST_F(SoundFileTest, TheShowStartsAfterTheUnseenAndStartUpBlocks) {
  writeRaw(raw, 3, 2, 50);
  const std::uint64_t keep = 48000;  // one second
  ASSERT_TRUE(gl4d::cutShowSound(raw, wav, 52, 2, keep, &kept, &error)) << error;
  EXPECT_EQ(kept, keep);
  const auto b = readAll(wav);
  ASSERT_EQ(b.size(), 44 + keep * 4);
  EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
  EXPECT_EQ(le32(b, 4), 36 + keep * 4);
  EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(le16(b, 20), 1u);        // PCM
  EXPECT_EQ(le16(b, 22), 2u);        // stereo
  EXPECT_EQ(le32(b, 24), 48000u);    // rate
  EXPECT_EQ(le32(b, 28), 192000u);   // bytes a second
  EXPECT_EQ(le16(b, 32), 4u);        // bytes a frame
  EXPECT_EQ(le16(b, 34), 16u);       // bits
  EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
  EXPECT_EQ(le32(b, 40), keep * 4);
  for (std::uint64_t i : {0ull, 1ull, 1023ull, 1024ull, 47999ull}) {
    EXPECT_EQ(static_cast<std::int16_t>(le16(b, 44 + 4 * i)), static_cast<std::int16_t>(i % 30000)) << "frame " << i;
    EXPECT_EQ(static_cast<std::int16_t>(le16(b, 46 + 4 * i)), static_cast<std::int16_t>(i % 30000)) << "frame " << i;
  }
}

TEST_F(SoundFileTest, KeepsNoMoreThanTheFileHolds) {
  writeRaw(raw, 0, 1, 10);
  ASSERT_TRUE(gl4d::cutShowSound(raw, wav, 11, 1, 1u << 30, &kept, &error)) << error;
  EXPECT_EQ(kept, 10u * kSoundBlockFrames);
  EXPECT_EQ(readAll(wav).size(), 44 + kept * 4);
}

TEST_F(SoundFileTest, KeepingAPartOfABlock) {
  writeRaw(raw, 1, 1, 4);
  ASSERT_TRUE(gl4d::cutShowSound(raw, wav, 5, 1, 1500, &kept, &error)) << error;
  const auto b = readAll(wav);
  EXPECT_EQ(kept, 1500u);
  EXPECT_EQ(static_cast<std::int16_t>(le16(b, 44 + 4 * 1499)), 1499);
}

TEST_F(SoundFileTest, FilesThatDoNotAddUpAreRefused) {
  writeRaw(raw, 0, 1, 4);
  EXPECT_FALSE(gl4d::cutShowSound(raw, wav, 6, 1, 100, &kept, &error)) << "more blocks seen than the file holds";
  EXPECT_NE(error.find("does not match"), std::string::npos) << error;
  EXPECT_FALSE(gl4d::cutShowSound(raw, wav, 5, 6, 100, &kept, &error)) << "more start-up blocks than blocks";
  std::FILE *f = std::fopen(raw.c_str(), "ab");
  std::fputc(0, f);
  std::fclose(f);
  EXPECT_FALSE(gl4d::cutShowSound(raw, wav, 5, 1, 100, &kept, &error)) << "a broken block";
  EXPECT_FALSE(gl4d::cutShowSound(dir + "/none.raw", wav, 5, 1, 100, &kept, &error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

}  // namespace
