#include "support/png.h"

#include <zlib.h>

#include <cstdio>
#include <vector>

namespace hf {

namespace {

void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void chunk(std::FILE *f, const char *type, const std::vector<std::uint8_t> &data) {
  std::vector<std::uint8_t> c;
  put32(c, static_cast<std::uint32_t>(data.size()));
  c.insert(c.end(), type, type + 4);
  c.insert(c.end(), data.begin(), data.end());
  put32(c, static_cast<std::uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(c.size() - 4))));
  std::fwrite(c.data(), 1, c.size(), f);
}

}  // namespace

bool writePng(const std::string &path, int w, int h, const std::uint8_t *rgba, bool topDown) {
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<size_t>(h) * (w * 4 + 1));
  for (int y = 0; y < h; ++y) {
    const int row = topDown ? y : h - 1 - y;
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgba + static_cast<size_t>(row) * w * 4, rgba + static_cast<size_t>(row + 1) * w * 4);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(size);
  if (compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) return false;
  packed.resize(size);
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  static const std::uint8_t signature[] = {137, 80, 78, 71, 13, 10, 26, 10};
  std::fwrite(signature, 1, sizeof signature, f);
  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(w));
  put32(header, static_cast<std::uint32_t>(h));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
  chunk(f, "IHDR", header);
  chunk(f, "IDAT", packed);
  chunk(f, "IEND", {});
  return std::fclose(f) == 0;
}

}  // namespace hf
