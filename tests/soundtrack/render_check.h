// What the tests measure in a render of the module: 16-bit WAV files read
// back, and the length, peak, silences and the level around 880 Hz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace modcheck {

struct Pcm {
  int rate = 0;
  int channels = 0;
  std::vector<std::int16_t> values;  // interleaved
  double seconds() const { return channels && rate ? static_cast<double>(values.size()) / channels / rate : 0; }
};

// Reads a 16-bit PCM WAV file; throws std::runtime_error for anything else.
Pcm readWav16(const std::string &path);

struct RenderFacts {
  int peak = 0;                 // largest magnitude of any value
  double longestSilence = 0;    // seconds, in 50 ms windows quieter than -60 dBFS
  double longestSilenceAt = 0;  // where it starts
};
RenderFacts examine(const Pcm &pcm);

// Level of the band around 880 Hz (about 800 to 960 Hz) against the whole,
// in dB, over the first `seconds` of the mono sum.
double bandAround880Db(const Pcm &pcm, double seconds);

}  // namespace modcheck
