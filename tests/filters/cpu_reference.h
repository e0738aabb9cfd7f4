// CPU references of the filters, on RGBA images of floats in 0..1 (rows from
// t = 0 upward, as textures hold them), and the measures the tests compare
// GPU results with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hf::ref {

struct Image {
  int w = 0, h = 0;
  std::vector<float> px;  // w * h * 4
  float &at(int x, int y, int c) { return px[(static_cast<std::size_t>(y) * w + x) * 4 + c]; }
  float at(int x, int y, int c) const { return px[(static_cast<std::size_t>(y) * w + x) * 4 + c]; }
  // Clamped to the edges, as the filters read.
  float clamped(int x, int y, int c) const;
};

Image fromBytes(int w, int h, const std::vector<std::uint8_t> &rgba);
std::vector<std::uint8_t> toBytes(const Image &img);  // rounded to nearest
Image mirrored(const Image &img);                      // rows upside down

// The exact separable Gaussian of standard deviation sigma, edges clamped.
Image gaussian(const Image &img, double sigma);
// Per-channel 3 x 3 median, edges clamped.
Image median3(const Image &img);
// Sobel edges (result modes 0..3) mixed with the input (mix modes 4..6).
Image sobel(const Image &img, int resultMode, int mixMode, float factor);
// Bilinear resampling with each output pixel averaging ceil(scale)^2
// samples over its footprint (the copy's documented filter).
Image resample(const Image &img, int w, int h);

// Peak signal-to-noise ratio over the colour channels, in dB (8-bit peak).
double psnr(const Image &a, const Image &b);
// Root mean square difference over the colour channels, in 8-bit levels.
double rmsLevels(const Image &a, const Image &b);

}  // namespace hf::ref
