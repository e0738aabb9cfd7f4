// Writes RGBA8 pixels to a PNG file, to look at what a test rendered.
#pragma once

#include <cstdint>
#include <string>

namespace hf {

// rows are bottom-up (as glReadPixels gives them) unless topDown is set.
bool writePng(const std::string &path, int w, int h, const std::uint8_t *rgba, bool topDown = false);

}  // namespace hf
