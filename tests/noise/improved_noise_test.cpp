// The drone's gradient noise: lattice zeros, smoothness across cells, floor
// for negative coordinates, and the hash table drawn at the first call.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "ImprovedNoise.cpp"

namespace {

// Points off the lattice, away from cell borders.
const double samples[][3] = {{0.3, 0.7, 0.1}, {12.6, -3.2, 0.45}, {-7.9, 100.25, -0.6}, {254.5, 1.5, 2.5}};

TEST(ImprovedNoise, IsExactlyZeroAtLatticePoints) {
  for (int x = -3; x <= 3; ++x)
    for (int y = -2; y <= 2; ++y)
      for (int z : {-300, -1, 0, 1, 7, 255, 256, 1000}) EXPECT_EQ(noise(x, y, z), 0.0) << x << ", " << y << ", " << z;
}

TEST(ImprovedNoise, IsBoundedAndNotFlatOffTheLattice) {
  int nonZero = 0;
  double lo = 0.0, hi = 0.0;
  for (int i = 0; i < 2000; ++i) {
    const double v = noise(i * 0.137, i * 0.071 - 20.0, 0.5 + i * 0.013);
    ASSERT_LE(std::fabs(v), 1.1) << "sample " << i;
    nonZero += v != 0.0;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  EXPECT_GT(nonZero, 1900);
  EXPECT_LT(lo, -0.3);
  EXPECT_GT(hi, 0.3);
}

TEST(ImprovedNoise, FirstCallFillsTheTableFromTheTimeSeededGenerator) {
  ASSERT_EQ(firstTime, 1) << "each test runs in a process of its own";
  const time_t before = time(nullptr);
  noise(0.5, 0.5, 0.5);
  const time_t after = time(nullptr);
  EXPECT_EQ(firstTime, 0);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(p[i], p[i + 256]) << "entry " << i;
    ASSERT_GE(p[i], 0) << "entry " << i;
    ASSERT_LE(p[i], 255) << "entry " << i;
  }
  // The same seed replays the same 256 draws, each scaled from 0..2^31-1
  // down to 0..255.
  bool replayed = false;
  for (time_t seed = before; seed <= after && !replayed; ++seed) {
    srand(static_cast<unsigned>(seed));
    replayed = true;
    for (int i = 0; i < 256 && replayed; ++i) replayed = p[i] == static_cast<int>(rand() / 2147483648.0 * 256.0);
  }
  EXPECT_TRUE(replayed);
}

TEST(ImprovedNoise, LaterCallsLeaveTheTableAlone) {
  noise(0.1, 0.2, 0.3);
  int copy[512];
  std::copy(std::begin(p), std::end(p), copy);
  for (const auto &s : samples) noise(s[0], s[1], s[2]);
  EXPECT_TRUE(std::equal(std::begin(p), std::end(p), copy));
}

TEST(ImprovedNoise, SamePointGivesSameValue) {
  for (const auto &s : samples) EXPECT_EQ(noise(s[0], s[1], s[2]), noise(s[0], s[1], s[2]));
}

// Value and slope along one axis on both sides of the integer border k.
void expectSmoothAcross(int axis, double k, const double *at) {
  const double eps = 1e-6;
  auto f = [&](double c) {
    double q[3] = {at[0], at[1], at[2]};
    q[axis] = c;
    return noise(q[0], q[1], q[2]);
  };
  EXPECT_NEAR(f(k - eps), f(k + eps), 1e-5) << "axis " << axis << " at " << k;
  const double h = 1e-5;
  const double slopeBelow = (f(k - h) - f(k - 2 * h)) / h;
  const double slopeAbove = (f(k + 2 * h) - f(k + h)) / h;
  EXPECT_NEAR(slopeBelow, slopeAbove, 1e-3) << "axis " << axis << " at " << k;
}

TEST(ImprovedNoise, ValueAndSlopeAreContinuousAcrossCellBorders) {
  for (const auto &s : samples)
    for (int axis = 0; axis < 3; ++axis)
      for (double k : {-1.0, 0.0, 1.0, 5.0, 255.0, 256.0}) expectSmoothAcross(axis, k, s);
}

TEST(ImprovedNoise, NegativeCoordinatesUseFloorNotTruncation) {
  // -0.25 lies in cell -1, that is 255, at offset 0.75: the same place as
  // 255.75. Truncation would put it in cell 0 at offset -0.25.
  EXPECT_EQ(noise(-0.25, 0.4, 0.6), noise(255.75, 0.4, 0.6));
  EXPECT_EQ(noise(0.4, -0.25, 0.6), noise(0.4, 255.75, 0.6));
  EXPECT_EQ(noise(0.4, 0.6, -0.25), noise(0.4, 0.6, 255.75));
  EXPECT_EQ(noise(-3.5, -100.125, -0.5), noise(252.5, 155.875, 255.5));
  EXPECT_NE(noise(-0.25, 0.4, 0.6), noise(0.75, 0.4, 0.6));
}

TEST(ImprovedNoise, RepeatsEvery256CellsEvenBeyondTheIntRange) {
  for (const auto &s : samples) {
    EXPECT_NEAR(noise(s[0] + 512.0, s[1], s[2]), noise(s[0], s[1], s[2]), 1e-12);
    // 2^40 is a multiple of 256 and keeps quarter fractions exact.
    const double far = 1099511627776.0;
    EXPECT_EQ(noise(far + 0.25, s[1], s[2]), noise(0.25, s[1], s[2]));
    EXPECT_EQ(noise(s[0], -far + 0.5, s[2]), noise(s[0], 0.5, s[2]));
  }
}

TEST(ImprovedNoise, GradientSelectionFollowsTheSixteenRowTable) {
  // a, b, c of different magnitudes make every signed sum distinct.
  const double a = 1.0, b = 10.0, c = 100.0;
  const double expected[16] = {a + b,  -a + b, a - b,  -a - b, a + c,  -a + c, a - c,  -a - c,
                               b + c,  -b + c, b - c,  -b - c, a + b,  -a + b, b - c,  -b - c};
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(grad(k, a, b, c), expected[k]) << "k = " << k;
    EXPECT_EQ(grad(k + 16 * 7, a, b, c), expected[k]) << "only the low four bits count, k = " << k;
  }
}

}  // namespace
