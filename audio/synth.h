// Building blocks for the instruments: a seeded noise source, biquad
// filters, looped tones built from harmonics, and the step to 8-bit data.
#pragma once

#include <cstdint>
#include <vector>

#include "mod_module.h"

namespace velvora::synth {

constexpr double kPi = 3.14159265358979323846;

// Equal temperament, A4 = 440 Hz at MIDI note 69.
double hzOfMidi(double midi);

// White noise in [-1, 1]; the same seed gives the same sound on every build.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
  double next();

 private:
  std::uint32_t state_;
};

// Direct-form biquad (the RBJ cookbook's low-pass, high-pass and band-pass).
class Biquad {
 public:
  static Biquad lowpass(double hz, double q, double rate);
  static Biquad highpass(double hz, double q, double rate);
  static Biquad bandpass(double hz, double q, double rate);
  double operator()(double x);
  // Takes another filter's coefficients and keeps this one's memory, so a
  // filter can sweep without clicks.
  void retune(const Biquad &other);

 private:
  Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
      : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0) {}
  static Biquad cookbook(double hz, double q, double rate, int kind);

  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

enum class Wave { Sine, Saw, Square, Pulse25 };

struct Voice {
  double hz;    // at the reference note
  double gain;
  Wave wave;
};

// A sustained tone: it opens bright and loud, settles by the end of its
// decay and then loops. Every harmonic completes a whole number of cycles in
// the loop, so the loop point is seamless.
struct ToneDesign {
  double rate;                // frames a second at the reference note
  double rootHz;              // the loop is fitted to this pitch exactly
  std::vector<Voice> voices;  // others fit to within half a cycle a loop
  double brightCutoff;        // low-pass corner at the attack, Hz
  double sustainCutoff;       // and in the loop
  double attack;              // seconds to full level
  double decay;               // seconds from the attack to the loop
  double sustain;             // level in the loop, 0..1
  double loopSeconds;         // about this long
  std::uint32_t seed;         // harmonic phases
};

struct Rendered {
  std::vector<double> frames;
  size_t loopStart = 0;   // frames; both even
  size_t loopLength = 0;  // 0 for a one-shot
};

Rendered renderTone(const ToneDesign &design);

// Scales to `peak` (a fraction of full scale) and rounds to signed 8 bits.
// A one-shot gets ProTracker's silent first word and a short fade at its end.
Sample toSample(const Rendered &sound, double peak = 1.0);

}  // namespace velvora::synth
