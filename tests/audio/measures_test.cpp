// The two measures the scenes read from the published block: its mean and
// its mean absolute step between interleaved neighbours.
#include <gtest/gtest.h>

#include <vector>

#include "audioHelper.h"

namespace {

struct Published {
  explicit Published(std::vector<Sint16> v) : values(std::move(v)) {
    ahSetAudioStream(values.data(), static_cast<int>(values.size() * sizeof(Sint16)));
  }
  ~Published() { ahSetAudioStream(nullptr, 0); }
  std::vector<Sint16> values;
};

std::vector<Sint16> alternating(size_t n, Sint16 a, Sint16 b) {
  std::vector<Sint16> v(n);
  for (size_t k = 0; k < n; ++k) v[k] = k % 2 ? b : a;
  return v;
}

TEST(SoundMeasures, NothingPublished) {
  EXPECT_EQ(ahGetAudioStream(), nullptr);
  EXPECT_EQ(ahGetAudioStreamLength(), 0);
  EXPECT_EQ(ahPathLength(), 0);
  EXPECT_EQ(ahAverage(), 0.0f);
  ahSetAudioStream(nullptr, 4096);  // a length without a block reads nothing
  EXPECT_EQ(ahPathLength(), 0);
  EXPECT_EQ(ahAverage(), 0.0f);
  ahSetAudioStream(nullptr, 0);
}

TEST(SoundMeasures, AccessorsGiveBackThePublishedBlock) {
  Published p(std::vector<Sint16>(10, 3));
  EXPECT_EQ(ahGetAudioStream(), p.values.data());
  EXPECT_EQ(ahGetAudioStreamLength(), 20);
}

TEST(SoundMeasures, ConstantBlock) {
  Published p(std::vector<Sint16>(2048, 500));
  EXPECT_EQ(ahAverage(), 500.0f);
  EXPECT_EQ(ahPathLength(), 0);
}

TEST(SoundMeasures, SwingingBlocks) {
  {
    Published p(alternating(2048, 1000, -1000));
    EXPECT_EQ(ahAverage(), 0.0f) << "signed: an even swing averages to 0";
    EXPECT_EQ(ahPathLength(), 2000);
  }
  {
    Published p(alternating(2048, 32767, -32768));
    EXPECT_EQ(ahPathLength(), 65535) << "the largest step, at full width";
    EXPECT_NEAR(ahAverage(), -0.5f, 1e-3f);
  }
}

TEST(SoundMeasures, ShortBlocks) {
  {
    Published p({-123});
    EXPECT_EQ(ahPathLength(), 0) << "one value has no neighbour";
    EXPECT_EQ(ahAverage(), -123.0f);
  }
  {
    Published p({0, 5, 1});
    EXPECT_EQ(ahPathLength(), 4) << "(5 + 4) / 2, truncated";
    EXPECT_EQ(ahAverage(), 2.0f);
  }
  {
    std::vector<Sint16> v = {10, 20, 30};
    ahSetAudioStream(v.data(), 5);  // an odd byte count holds two whole values
    EXPECT_EQ(ahPathLength(), 10);
    EXPECT_EQ(ahAverage(), 15.0f);
    ahSetAudioStream(nullptr, 0);
  }
}

TEST(SoundMeasures, NeighboursFollowTheInterleavedOrder) {
  // Left 0, right 100 in every frame: each channel is constant, but the path
  // runs left, right, left, ...
  Published p(alternating(2048, 0, 100));
  EXPECT_EQ(ahPathLength(), 100);
}

TEST(SoundMeasures, LongBlocksKeepTheWholePath) {
  // 70000 full-scale steps pass 2^32 in total.
  Published p(alternating(70001, 32767, -32768));
  EXPECT_EQ(ahPathLength(), 65535);
}

}  // namespace
