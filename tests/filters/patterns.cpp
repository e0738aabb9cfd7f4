#include "patterns.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace hf::patterns {

std::vector<std::uint8_t> noise(int w, int h, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(rng() & 0xFF);
  return px;
}

std::vector<std::uint8_t> shapes(int w, int h) {
  std::vector<std::uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
      const int ramp = (x + y) * 255 / std::max(1, w + h - 2);
      p[0] = static_cast<std::uint8_t>(ramp);
      p[1] = static_cast<std::uint8_t>(255 - ramp);
      p[2] = 64;
      const double dx = x - w * 0.3, dy = y - h * 0.55;
      if (dx * dx + dy * dy < (h * 0.3) * (h * 0.3)) p[0] = 255, p[1] = 255, p[2] = 255;
      if (x > w * 0.6 && x < w * 0.8) p[0] = 0, p[1] = 0, p[2] = 255;
      if (y > h * 0.1 && y < h * 0.2) p[0] = 255, p[1] = 0, p[2] = 0;
      p[3] = 255;
    }
  return px;
}

std::vector<std::uint8_t> mixed(int w, int h, std::uint32_t seed) {
  std::vector<std::uint8_t> px = shapes(w, h);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < px.size(); ++i) {
    const int n = static_cast<int>(rng() % 81) - 40;
    px[i] = static_cast<std::uint8_t>(std::clamp(int(i % 4 == 3 ? 215 : px[i]) + n, 0, 255));
  }
  return px;
}

std::vector<std::uint8_t> coordinates(int w, int h) {
  std::vector<std::uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t *p = &px[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = static_cast<std::uint8_t>(x & 0xFF);
      p[1] = static_cast<std::uint8_t>(((x >> 8) & 0x0F) | ((y >> 8) & 0x0F) << 4);
      p[2] = static_cast<std::uint8_t>(y & 0xFF);
      p[3] = 255;
    }
  return px;
}

void decodeCoordinates(const std::uint8_t *rgba, int *x, int *y) {
  *x = rgba[0] | (rgba[1] & 0x0F) << 8;
  *y = rgba[2] | (rgba[1] >> 4) << 8;
}

}  // namespace hf::patterns
