#include "cpu_reference.h"

#include <algorithm>
#include <cmath>

namespace hf::ref {

float Image::clamped(int x, int y, int c) const { return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1), c); }

Image fromBytes(int w, int h, const std::vector<std::uint8_t> &rgba) {
  Image img{w, h, std::vector<float>(rgba.size())};
  for (size_t i = 0; i < rgba.size(); ++i) img.px[i] = rgba[i] / 255.0f;
  return img;
}

std::vector<std::uint8_t> toBytes(const Image &img) {
  std::vector<std::uint8_t> out(img.px.size());
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(std::lround(std::clamp(img.px[i], 0.0f, 1.0f) * 255.0f));
  return out;
}

Image mirrored(const Image &img) {
  Image out = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      for (int c = 0; c < 4; ++c) out.at(x, y, c) = img.at(x, img.h - 1 - y, c);
  return out;
}

namespace {

Image gaussianAxis(const Image &img, double sigma, int dx, int dy) {
  const int reach = static_cast<int>(std::ceil(6.0 * sigma)) + 1;
  std::vector<double> k(static_cast<size_t>(reach) + 1);
  double sum = 0.0;
  for (int i = 0; i <= reach; ++i) {
    k[i] = std::exp(-0.5 * i * i / (sigma * sigma));
    sum += i ? 2.0 * k[i] : k[i];
  }
  Image out = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      for (int c = 0; c < 4; ++c) {
        double v = 0.0;
        for (int i = -reach; i <= reach; ++i) v += k[std::abs(i)] * img.clamped(x + i * dx, y + i * dy, c);
        out.at(x, y, c) = static_cast<float>(v / sum);
      }
  return out;
}

}  // namespace

Image gaussian(const Image &img, double sigma) { return gaussianAxis(gaussianAxis(img, sigma, 1, 0), sigma, 0, 1); }

Image median3(const Image &img) {
  Image out = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      for (int c = 0; c < 4; ++c) {
        float v[9];
        for (int j = 0; j < 3; ++j)
          for (int i = 0; i < 3; ++i) v[3 * j + i] = img.clamped(x + i - 1, y + j - 1, c);
        std::nth_element(v, v + 4, v + 9);
        out.at(x, y, c) = v[4];
      }
  return out;
}

Image sobel(const Image &img, int resultMode, int mixMode, float factor) {
  static const float luma[3] = {0.299f, 0.587f, 0.114f};
  Image out = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      float gx[3], gy[3], edges[3];
      for (int c = 0; c < 3; ++c) {
        auto p = [&](int i, int j) { return img.clamped(x + i, y + j, c); };
        gx[c] = (p(1, -1) + 2 * p(1, 0) + p(1, 1)) - (p(-1, -1) + 2 * p(-1, 0) + p(-1, 1));
        gy[c] = (p(-1, 1) + 2 * p(0, 1) + p(1, 1)) - (p(-1, -1) + 2 * p(0, -1) + p(1, -1));
      }
      if (resultMode >= 2) {
        float lx = 0, ly = 0;
        for (int c = 0; c < 3; ++c) {
          lx += luma[c] * gx[c];
          ly += luma[c] * gy[c];
        }
        edges[0] = edges[1] = edges[2] = std::min(std::sqrt(lx * lx + ly * ly), 1.0f);
      } else {
        for (int c = 0; c < 3; ++c) edges[c] = std::min(std::sqrt(gx[c] * gx[c] + gy[c] * gy[c]), 1.0f);
      }
      for (int c = 0; c < 3; ++c) {
        if (resultMode == 1 || resultMode == 3) edges[c] = 1.0f - edges[c];
        const float in = img.at(x, y, c);
        out.at(x, y, c) = mixMode == 5 ? in + factor * edges[c]
                          : mixMode == 6 ? in * (1.0f + (edges[c] - 1.0f) * factor)
                                         : edges[c];
      }
    }
  return out;
}

Image resample(const Image &img, int w, int h) {
  Image out{w, h, std::vector<float>(static_cast<size_t>(w) * h * 4)};
  const double sx = double(img.w) / w, sy = double(img.h) / h;
  const int tx = std::max(1, static_cast<int>(std::ceil(sx - 1e-9))), ty = std::max(1, static_cast<int>(std::ceil(sy - 1e-9)));
  auto bilinear = [&](double u, double v, int c) {
    const double fx = u - 0.5, fy = v - 0.5;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const double ax = fx - x0, ay = fy - y0;
    return (1 - ay) * ((1 - ax) * img.clamped(x0, y0, c) + ax * img.clamped(x0 + 1, y0, c)) +
           ay * ((1 - ax) * img.clamped(x0, y0 + 1, c) + ax * img.clamped(x0 + 1, y0 + 1, c));
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) {
        double v = 0.0;
        for (int j = 0; j < ty; ++j)
          for (int i = 0; i < tx; ++i) v += bilinear((x + (i + 0.5) / tx) * sx, (y + (j + 0.5) / ty) * sy, c);
        out.at(x, y, c) = static_cast<float>(v / (tx * ty));
      }
  return out;
}

double rmsLevels(const Image &a, const Image &b) {
  double se = 0.0;
  size_t n = 0;
  for (size_t i = 0; i < a.px.size(); ++i) {
    if (i % 4 == 3) continue;
    const double d = 255.0 * (a.px[i] - b.px[i]);
    se += d * d;
    ++n;
  }
  return std::sqrt(se / static_cast<double>(n));
}

double psnr(const Image &a, const Image &b) {
  const double rms = rmsLevels(a, b);
  return rms == 0.0 ? 999.0 : 20.0 * std::log10(255.0 / rms);
}

}  // namespace hf::ref
