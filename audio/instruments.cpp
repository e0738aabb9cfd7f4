#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>

#include "notes.h"
#include "synth.h"

namespace velvora {

namespace {

using namespace synth;

const int kA1 = 9, kA2 = 21, kA3 = 33, kC2 = 12, kC3 = 24;  // tracker note indices

// A one-shot of `seconds` at `rate`, each frame from f(t).
Rendered oneShot(double seconds, double rate, const std::function<double(double)> &f) {
  Rendered r;
  r.frames.resize(static_cast<size_t>(seconds * rate));
  for (size_t n = 0; n < r.frames.size(); ++n) r.frames[n] = f(n / rate);
  return r;
}

// A sine whose pitch falls from `from` to `to` Hz with time constant tau.
class Sweep {
 public:
  Sweep(double from, double to, double tau, double rate) : from_(from), to_(to), tau_(tau), rate_(rate) {}
  double next(double t) {
    const double hz = to_ + (from_ - to_) * std::exp(-t / tau_);
    phase_ += 2 * kPi * hz / rate_;
    return std::sin(phase_);
  }

 private:
  double from_, to_, tau_, rate_, phase_ = 0;
};

Rendered kick(double rate) {
  Sweep body(160, 46, 0.03, rate);
  Noise click(11);
  Biquad clickTone = Biquad::bandpass(2500, 1.2, rate);
  return oneShot(0.45, rate, [&](double t) {
    const double b = body.next(t) * std::exp(-t / 0.22) * (t < 0.002 ? t / 0.002 : 1.0);
    const double c = clickTone(click.next()) * std::exp(-t / 0.004);
    return std::tanh(1.6 * b + 0.8 * c);
  });
}

Rendered snare(double rate) {
  Sweep low(240, 185, 0.02, rate), high(390, 330, 0.02, rate);
  Noise noise(23);
  Biquad hp = Biquad::highpass(1100, 0.7, rate), lp = Biquad::lowpass(7000, 0.7, rate);
  return oneShot(0.3, rate, [&](double t) {
    const double tone = 0.6 * low.next(t) * std::exp(-t / 0.045) + 0.3 * high.next(t) * std::exp(-t / 0.03);
    const double hiss = lp(hp(noise.next())) * std::exp(-t / 0.09);
    return tone + 1.1 * hiss;
  });
}

// Six detuned square waves and noise above 6 kHz: the metal of a hi-hat.
Rendered metal(double seconds, double tau, double rate, double highpassHz, std::uint32_t seed) {
  static const double ratios[] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
  Noise noise(seed);
  Biquad hp1 = Biquad::highpass(highpassHz, 0.8, rate), hp2 = Biquad::highpass(highpassHz, 0.8, rate);
  return oneShot(seconds, rate, [&](double t) {
    double m = 0;
    for (double r : ratios) m += std::sin(2 * kPi * 410 * r * t) > 0 ? 1.0 : -1.0;
    const double env = std::exp(-t / tau) * (t < 0.001 ? t / 0.001 : 1.0);
    return hp2(hp1(0.12 * m + noise.next())) * env;
  });
}

Rendered crashOverKick(double rate) {
  Rendered k = kick(rate);
  Rendered c = metal(2.0, 0.55, rate, 3500, 37);
  Biquad body = Biquad::bandpass(5200, 0.9, rate);
  for (size_t n = 0; n < c.frames.size(); ++n) {
    c.frames[n] = 0.55 * (c.frames[n] + 0.5 * body(c.frames[n]));
    if (n < k.frames.size()) c.frames[n] += k.frames[n];
  }
  return c;
}

Rendered tom(double rate) {
  Sweep body(200, 130, 0.06, rate);
  Noise noise(41);
  Biquad lp = Biquad::lowpass(900, 0.7, rate);
  return oneShot(0.5, rate, [&](double t) {
    return (body.next(t) + 0.25 * lp(noise.next()) * std::exp(-t / 0.02)) * std::exp(-t / 0.2);
  });
}

// Band-passed noise and a rising whistle that grow over two seconds.
Rendered riser(double rate) {
  Noise noise(53);
  Biquad band = Biquad::bandpass(300, 2.5, rate);
  double phase = 0;
  const double seconds = 2.0;
  return oneShot(seconds, rate, [&](double t) {
    const double u = t / seconds;
    band.retune(Biquad::bandpass(300 * std::pow(11.0, u), 2.5, rate));
    phase += 2 * kPi * (200 * std::pow(8.0, u)) / rate;
    return (band(noise.next()) + 0.25 * std::sin(phase)) * u * u;
  });
}

ToneDesign bassTone() {
  const double rate = playbackRate(kA1), f = hzOfMidi(33);
  return {rate, f, {{f, 1.0, Wave::Saw}, {f * 1.003, 0.5, Wave::Square}, {f, 0.8, Wave::Sine}},
          1800, 520, 0.004, 0.28, 0.7, 0.5, 61};
}

// Three slightly detuned saws on each chord tone.
ToneDesign padTone(const std::vector<int> &intervals) {
  const double rate = playbackRate(kA1), root = hzOfMidi(45);
  ToneDesign s{rate, root, {}, 1500, 1100, 0.35, 0.25, 1.0, 2.0, 71};
  for (int i : intervals) {
    const double f = root * std::pow(2.0, i / 12.0);
    for (double d : {-0.6, 0.0, 0.6}) s.voices.push_back({f + d, 1.0, Wave::Saw});
  }
  return s;
}

ToneDesign leadTone() {
  const double rate = playbackRate(kA2), f = hzOfMidi(69);
  return {rate, f, {{f - 1.0, 1.0, Wave::Saw}, {f + 1.0, 1.0, Wave::Saw}, {f, 0.6, Wave::Square}},
          5200, 2400, 0.006, 0.18, 0.75, 1.0, 83};
}

ToneDesign chipTone() {
  const double rate = playbackRate(kA2), f = hzOfMidi(69);
  return {rate, f, {{f, 1.0, Wave::Pulse25}}, 6000, 6000, 0.002, 0.0, 1.0, 0.25, 97};
}

// Glassy bell: a few partials, the higher ones dying first.
Rendered bell(double rate) {
  struct P {
    double ratio, amp, tau;
  };
  static const P partials[] = {{1, 1.0, 1.5}, {2, 0.45, 0.8}, {3, 0.22, 0.45}, {4.2, 0.16, 0.3}, {5.8, 0.08, 0.18}, {9.3, 0.05, 0.06}};
  const double f = hzOfMidi(69), seconds = 2.4, release = 0.8;
  return oneShot(seconds, rate, [&](double t) {
    double sum = 0;
    for (const P &p : partials) {
      if (f * p.ratio > 0.45 * rate) continue;
      sum += p.amp * std::exp(-t / p.tau) * std::sin(2 * kPi * f * p.ratio * t);
    }
    // Dies away smoothly instead of stopping where the sample ends.
    const double tail = std::clamp((seconds - t) / release, 0.0, 1.0);
    return sum * (t < 0.002 ? t / 0.002 : 1.0) * std::sin(0.5 * kPi * tail);
  });
}

using Recipe = std::function<Sample()>;

const std::map<std::string, Recipe> &recipes() {
  static const std::map<std::string, Recipe> table = {
      {"kick", [] { return toSample(kick(playbackRate(kC3)), 0.98); }},
      {"snare", [] { return toSample(snare(playbackRate(kC3)), 0.98); }},
      {"hat", [] { return toSample(metal(0.09, 0.022, playbackRate(kA3), 6500, 29), 0.98); }},
      {"ohat", [] { return toSample(metal(0.45, 0.16, playbackRate(kA3), 6000, 31), 0.98); }},
      {"crash", [] { return toSample(crashOverKick(playbackRate(kC3)), 0.98); }},
      {"tom", [] { return toSample(tom(playbackRate(kC3)), 0.98); }},
      {"riser", [] { return toSample(riser(playbackRate(kC2)), 0.98); }},
      {"bass", [] { return toSample(renderTone(bassTone()), 0.98); }},
      {"pad_min", [] { return toSample(renderTone(padTone({0, 7, 12, 15})), 0.98); }},
      {"pad_maj", [] { return toSample(renderTone(padTone({0, 7, 12, 16})), 0.98); }},
      {"lead", [] { return toSample(renderTone(leadTone()), 0.98); }},
      {"chip", [] { return toSample(renderTone(chipTone()), 0.98); }},
      {"bell", [] { return toSample(bell(playbackRate(kA2)), 0.98); }},
  };
  return table;
}

}  // namespace

bool isRecipe(const std::string &name) { return recipes().count(name) != 0; }

std::vector<std::string> recipeNames() {
  std::vector<std::string> names;
  for (const auto &entry : recipes()) names.push_back(entry.first);
  return names;
}

Sample synthesizeRecipe(const std::string &name) {
  auto it = recipes().find(name);
  if (it == recipes().end()) throw std::invalid_argument("no instrument recipe called '" + name + "'");
  return it->second();
}

}  // namespace velvora
