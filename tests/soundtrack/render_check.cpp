#include "render_check.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace modcheck {

namespace {

std::uint32_t le32(const std::vector<std::uint8_t> &b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(const std::vector<std::uint8_t> &b, size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

}  // namespace

Pcm readWav16(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4))
    throw std::runtime_error(path + ": not a WAV file");
  Pcm pcm;
  bool format = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    const std::uint32_t size = le32(b, at + 4);
    const size_t body = at + 8;
    if (body + size > b.size()) throw std::runtime_error(path + ": truncated chunk");
    if (!std::memcmp(b.data() + at, "fmt ", 4)) {
      const std::uint16_t tag = le16(b, body);
      if ((tag != 1 && tag != 0xFFFE) || le16(b, body + 14) != 16) throw std::runtime_error(path + ": not 16-bit PCM");
      pcm.channels = le16(b, body + 2);
      pcm.rate = static_cast<int>(le32(b, body + 4));
      format = true;
    } else if (!std::memcmp(b.data() + at, "data", 4)) {
      if (!format) throw std::runtime_error(path + ": data before format");
      pcm.values.resize(size / 2);
      for (size_t i = 0; i < pcm.values.size(); ++i) pcm.values[i] = static_cast<std::int16_t>(le16(b, body + 2 * i));
      return pcm;
    }
    at = body + size + (size & 1);
  }
  throw std::runtime_error(path + ": no data chunk");
}

RenderFacts examine(const Pcm &pcm) {
  RenderFacts f;
  const size_t window = static_cast<size_t>(pcm.rate / 20) * static_cast<size_t>(pcm.channels);
  const double quiet = 32768.0 * std::pow(10.0, -60.0 / 20.0);
  size_t run = 0, runStart = 0;
  for (size_t w = 0; w < pcm.values.size(); w += window) {
    const size_t end = std::min(pcm.values.size(), w + window);
    double energy = 0;
    for (size_t i = w; i < end; ++i) {
      f.peak = std::max(f.peak, std::abs(static_cast<int>(pcm.values[i])));
      energy += static_cast<double>(pcm.values[i]) * pcm.values[i];
    }
    if (std::sqrt(energy / (end - w)) < quiet) {
      if (run == 0) runStart = w;
      run += end - w;
      const double seconds = static_cast<double>(run) / pcm.channels / pcm.rate;
      if (seconds > f.longestSilence) {
        f.longestSilence = seconds;
        f.longestSilenceAt = static_cast<double>(runStart) / pcm.channels / pcm.rate;
      }
    } else {
      run = 0;
    }
  }
  return f;
}

namespace {

// RBJ band-pass, constant peak gain.
struct BandPass {
  double b0, b2, a1, a2, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  BandPass(double hz, double q, double rate) {
    const double w = 2 * M_PI * hz / rate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
    b0 = alpha / a0;
    b2 = -alpha / a0;
    a1 = -2 * std::cos(w) / a0;
    a2 = (1 - alpha) / a0;
  }
  double operator()(double x) {
    const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

}  // namespace

double bandAround880Db(const Pcm &pcm, double seconds) {
  BandPass first(880, 5.5, pcm.rate), second(880, 5.5, pcm.rate);
  const size_t frames = std::min(pcm.values.size() / pcm.channels, static_cast<size_t>(seconds * pcm.rate));
  double all = 0, band = 0;
  for (size_t n = 0; n < frames; ++n) {
    double mono = 0;
    for (int c = 0; c < pcm.channels; ++c) mono += pcm.values[n * pcm.channels + static_cast<size_t>(c)];
    const double b = second(first(mono));
    all += mono * mono;
    band += b * b;
  }
  return 10 * std::log10((band + 1e-9) / (all + 1e-9));
}

}  // namespace modcheck
