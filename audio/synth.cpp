#include "synth.h"

#include <algorithm>
#include <cmath>

namespace velvora::synth {

double hzOfMidi(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

double Noise::next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_ / 2147483647.5 - 1.0;
}

// kind 0 low-pass, 1 high-pass, 2 band-pass (constant peak gain).
Biquad Biquad::cookbook(double hz, double q, double rate, int kind) {
  const double w = 2 * kPi * std::min(hz, 0.49 * rate) / rate;
  const double cw = std::cos(w), alpha = std::sin(w) / (2 * q);
  switch (kind) {
    case 0: return Biquad((1 - cw) / 2, 1 - cw, (1 - cw) / 2, 1 + alpha, -2 * cw, 1 - alpha);
    case 1: return Biquad((1 + cw) / 2, -(1 + cw), (1 + cw) / 2, 1 + alpha, -2 * cw, 1 - alpha);
    default: return Biquad(alpha, 0, -alpha, 1 + alpha, -2 * cw, 1 - alpha);
  }
}

Biquad Biquad::lowpass(double hz, double q, double rate) { return cookbook(hz, q, rate, 0); }
Biquad Biquad::highpass(double hz, double q, double rate) { return cookbook(hz, q, rate, 1); }
Biquad Biquad::bandpass(double hz, double q, double rate) { return cookbook(hz, q, rate, 2); }

void Biquad::retune(const Biquad &other) {
  b0_ = other.b0_;
  b1_ = other.b1_;
  b2_ = other.b2_;
  a1_ = other.a1_;
  a2_ = other.a2_;
}

double Biquad::operator()(double x) {
  const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
  x2_ = x1_;
  x1_ = x;
  y2_ = y1_;
  y1_ = y;
  return y;
}

namespace {

size_t evenFrames(double frames) { return 2 * static_cast<size_t>(std::llround(frames / 2)); }

// Amplitude of harmonic h of a wave with unit fundamental.
double harmonicWeight(Wave wave, int h) {
  switch (wave) {
    case Wave::Sine: return h == 1 ? 1.0 : 0.0;
    case Wave::Saw: return 1.0 / h;
    case Wave::Square: return h % 2 ? 1.0 / h : 0.0;
    case Wave::Pulse25: return std::sin(kPi * h / 4) / h;
  }
  return 0.0;
}

// A two-pole low-pass's magnitude, applied to each harmonic.
double lowpassGain(double hz, double cutoff) { return 1.0 / std::sqrt(1.0 + std::pow(hz / cutoff, 4)); }

struct Partial {
  std::uint64_t cycles;  // per loop
  double bright, settled, phase;
};

}  // namespace

Rendered renderTone(const ToneDesign &design) {
  const double cyclesRoot = std::max(1.0, std::round(design.loopSeconds * design.rootHz));
  const size_t loop = std::max<size_t>(2, evenFrames(cyclesRoot * design.rate / design.rootHz));
  const size_t loopStart = evenFrames((design.attack + design.decay) * design.rate);

  std::vector<Partial> partials;
  Noise phases(design.seed);
  for (const Voice &v : design.voices) {
    const double k = std::max(1.0, std::round(v.hz * loop / design.rate));
    for (int h = 1; h < 400; ++h) {
      const double hz = h * k * design.rate / loop;
      if (hz > 0.45 * design.rate) break;
      const double w = harmonicWeight(v.wave, h) * v.gain;
      if (w == 0.0) continue;
      partials.push_back({static_cast<std::uint64_t>(h * k), w * lowpassGain(hz, design.brightCutoff),
                          w * lowpassGain(hz, design.sustainCutoff), kPi * (phases.next() + 1)});
    }
  }

  Rendered out;
  out.loopStart = loopStart;
  out.loopLength = loop;
  out.frames.resize(loopStart + loop);
  const size_t attackEnd = std::min(loopStart, static_cast<size_t>(design.attack * design.rate));
  for (size_t n = 0; n < out.frames.size(); ++n) {
    double level = design.sustain, opening = 0.0;
    if (n < attackEnd) {
      const double u = static_cast<double>(n) / attackEnd;
      level = std::sin(0.5 * kPi * u);
      level *= level;
    } else if (n < loopStart) {
      const double u = static_cast<double>(n - attackEnd) / (loopStart - attackEnd);
      level = design.sustain + (1 - design.sustain) * (1 - u) * (1 - u);
    }
    if (n < loopStart) {
      const double u = 1.0 - static_cast<double>(n) / loopStart;
      opening = u * u;
    }
    double sum = 0;
    for (const Partial &p : partials) {
      const double a = p.settled + (p.bright - p.settled) * opening;
      // Whole cycles in the loop: the angle repeats exactly every `loop` frames.
      const double turn = static_cast<double>((p.cycles * n) % loop) / loop;
      sum += a * std::sin(2 * kPi * turn + p.phase);
    }
    out.frames[n] = level * sum;
  }
  return out;
}

Sample toSample(const Rendered &sound, double peak) {
  std::vector<double> x = sound.frames;
  Sample s;
  if (sound.loopLength == 0) {
    const size_t fade = std::min<size_t>(x.size(), 64);
    for (size_t i = 0; i < fade; ++i) x[x.size() - 1 - i] *= static_cast<double>(i) / fade;
    x.insert(x.begin(), 2, 0.0);
    if (x.size() % 2) x.push_back(0.0);
  } else {
    s.loopStart = static_cast<std::uint32_t>(sound.loopStart);
    s.loopLength = static_cast<std::uint32_t>(sound.loopLength);
  }
  double top = 0;
  for (double v : x) top = std::max(top, std::abs(v));
  const double scale = top > 0 ? 127.0 * peak / top : 0.0;
  s.data.reserve(x.size());
  for (double v : x) s.data.push_back(static_cast<std::int8_t>(std::clamp(std::lround(v * scale), -128L, 127L)));
  return s;
}

}  // namespace velvora::synth
