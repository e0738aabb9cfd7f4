// The synthesised instruments: valid 8-bit samples, in tune at the notes the
// score plays them at, and each drum in its own register.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "instruments.h"
#include "notes.h"

namespace {

const int kA1 = 9, kA2 = 21, kC3 = 24, kA3 = 33;

TEST(SoundtrackInstruments, EveryRecipeGivesAPlayableSignedSample) {
  const auto names = velvora::recipeNames();
  ASSERT_GE(names.size(), 10u);
  for (const std::string &name : names) {
    SCOPED_TRACE(name);
    const velvora::Sample s = velvora::synthesizeRecipe(name);
    ASSERT_GE(s.data.size(), 64u);
    EXPECT_EQ(s.data.size() % 2, 0u);
    EXPECT_LE(s.data.size(), velvora::kMaxSampleBytes);
    if (s.loopLength > 0) {
      EXPECT_EQ(s.loopStart % 2, 0u);
      EXPECT_EQ(s.loopLength % 2, 0u);
      EXPECT_EQ(s.loopStart + s.loopLength, s.data.size()) << "the loop runs to the end";
    } else {
      EXPECT_EQ(s.data[0], 0);
      EXPECT_EQ(s.data[1], 0) << "a one-shot starts with a silent word";
    }
    int peak = 0;
    double sum = 0;
    for (std::int8_t v : s.data) {
      peak = std::max(peak, std::abs(static_cast<int>(v)));
      sum += v;
    }
    EXPECT_GE(peak, 120) << "uses the 8-bit range";
    EXPECT_LE(peak, 127);
    EXPECT_LT(std::abs(sum / s.data.size()), 4.0) << "centred on zero, as signed data is";
  }
  EXPECT_THROW(velvora::synthesizeRecipe("kazoo"), std::invalid_argument);
}

// The lag with the strongest normalised autocorrelation within half an
// octave of the expected period, refined between frames.
double pitchOf(const std::vector<std::int8_t> &x, size_t from, size_t count, double rate, double expectedHz) {
  const int lo = static_cast<int>(rate / expectedHz / 1.4), hi = static_cast<int>(rate / expectedHz * 1.4);
  std::vector<double> score(static_cast<size_t>(hi) + 2, 0.0);
  for (int lag = lo - 1; lag <= hi + 1; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t n = from; n < from + count; ++n) {
      const double a = x[n], b = x[n + static_cast<size_t>(lag)];
      xy += a * b;
      xx += a * a;
      yy += b * b;
    }
    score[static_cast<size_t>(lag)] = xy / std::sqrt(xx * yy + 1e-9);
  }
  int best = lo;
  for (int lag = lo; lag <= hi; ++lag)
    if (score[static_cast<size_t>(lag)] > score[static_cast<size_t>(best)]) best = lag;
  const double l = score[static_cast<size_t>(best) - 1], c = score[static_cast<size_t>(best)], r = score[static_cast<size_t>(best) + 1];
  const double shift = 0.5 * (l - r) / (l - 2 * c + r);
  return rate / (best + shift);
}

double cents(double hz, double reference) { return 1200 * std::log2(hz / reference); }

TEST(SoundtrackInstruments, TunedInstrumentsSoundTheirNotes) {
  struct Case {
    const char *recipe;
    int note;
    double hz;
  };
  const Case cases[] = {{"bass", kA1, 55.0}, {"lead", kA2, 440.0}, {"chip", kA2, 440.0}, {"bell", kA2, 440.0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.recipe);
    const velvora::Sample s = velvora::synthesizeRecipe(c.recipe);
    const double rate = velvora::playbackRate(c.note);
    // Looped sounds are measured in their loop, the bell just after its strike.
    const size_t from = s.loopLength ? s.loopStart : static_cast<size_t>(0.05 * rate);
    const size_t count = static_cast<size_t>(0.1 * rate);
    std::vector<std::int8_t> x = s.data;
    if (s.loopLength) x.insert(x.end(), s.data.begin() + s.loopStart, s.data.end());  // play the loop on
    ASSERT_LT(from + count + static_cast<size_t>(rate / c.hz * 1.5), x.size());
    EXPECT_NEAR(cents(pitchOf(x, from, count, rate, c.hz), c.hz), 0.0, 8.0);
  }
}

// Magnitude of the loop's spectrum around `hz`: every tone completes whole
// cycles in the loop, so each sits on a bin of its own.
double loopLevel(const velvora::Sample &s, double rate, double hz) {
  const size_t n = s.loopLength;
  const double centre = hz * n / rate;
  double level = 0;
  for (long k = std::lround(centre) - 2; k <= std::lround(centre) + 2; ++k) {
    std::complex<double> acc = 0;
    for (size_t i = 0; i < n; ++i) acc += static_cast<double>(s.data[s.loopStart + i]) * std::polar(1.0, -2 * M_PI * k * i / n);
    level += std::abs(acc) / n;
  }
  return level;
}

TEST(SoundtrackInstruments, PadsCarryMinorAndMajorThirds) {
  const double rate = velvora::playbackRate(kA1);
  const double minorTenth = 110.0 * std::pow(2.0, 15 / 12.0), majorTenth = 110.0 * std::pow(2.0, 16 / 12.0);
  const velvora::Sample minor = velvora::synthesizeRecipe("pad_min"), major = velvora::synthesizeRecipe("pad_maj");
  ASSERT_GT(minor.loopLength, 0u);
  EXPECT_GT(loopLevel(minor, rate, minorTenth), 10 * loopLevel(minor, rate, majorTenth));
  EXPECT_GT(loopLevel(major, rate, majorTenth), 10 * loopLevel(major, rate, minorTenth));
  EXPECT_GT(loopLevel(minor, rate, 110.0), 1.0) << "the root is there";
}

// Zero crossings a second, halved: a rough measure of where a sound's energy lies.
double crossingHz(const velvora::Sample &s, double rate) {
  int crossings = 0;
  for (size_t i = 3; i < s.data.size(); ++i) crossings += (s.data[i - 1] < 0) != (s.data[i] < 0);
  return crossings * rate / s.data.size() / 2;
}

TEST(SoundtrackInstruments, DrumsSitInTheirOwnRegisters) {
  const double kick = crossingHz(velvora::synthesizeRecipe("kick"), velvora::playbackRate(kC3));
  const double snare = crossingHz(velvora::synthesizeRecipe("snare"), velvora::playbackRate(kC3));
  const double hat = crossingHz(velvora::synthesizeRecipe("hat"), velvora::playbackRate(kA3));
  EXPECT_LT(kick, 150.0);
  EXPECT_GT(snare, 2 * kick);
  EXPECT_GT(hat, 4000.0);
  EXPECT_GT(hat, 2 * snare);
}

}  // namespace
