// Test pictures for the filters, as RGBA8 bytes (rows from t = 0 upward).
#pragma once

#include <cstdint>
#include <vector>

namespace hf::patterns {

// Independent uniform noise in every channel, opaque.
std::vector<std::uint8_t> noise(int w, int h, std::uint32_t seed);
// Flat coloured discs and bars over a diagonal ramp, opaque: sharp edges.
std::vector<std::uint8_t> shapes(int w, int h);
// Shapes with noise of +-40 levels over them; alpha varies too.
std::vector<std::uint8_t> mixed(int w, int h, std::uint32_t seed);
// Every pixel a distinct colour that names it: x in red and the low half of
// green, y in blue and the high half (up to 4096 x 4096 pixels).
std::vector<std::uint8_t> coordinates(int w, int h);
// The pixel coordinates a coordinates() colour stands for.
void decodeCoordinates(const std::uint8_t *rgba, int *x, int *y);

}  // namespace hf::patterns
