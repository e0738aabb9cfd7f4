// PNG writer: one IDAT chunk, no filtering, zlib's default compression.
#include "gl4d/png.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

bool chunk(std::FILE *f, const char *type, const std::vector<std::uint8_t> &data) {
  std::vector<std::uint8_t> c;
  put32(c, static_cast<std::uint32_t>(data.size()));
  c.insert(c.end(), type, type + 4);
  c.insert(c.end(), data.begin(), data.end());
  put32(c, static_cast<std::uint32_t>(crc32(0, c.data() + 4, static_cast<uInt>(c.size() - 4))));
  return std::fwrite(c.data(), 1, c.size(), f) == c.size();
}

}  // namespace

GLboolean gl4dWritePng(const char *path, int width, int height, const GLubyte *rgba, GLboolean topDown) {
  if (!path || !rgba || width <= 0 || height <= 0) return GL_FALSE;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (rowBytes + 1));
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(topDown ? y : height - 1 - y);
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgba + row * rowBytes, rgba + (row + 1) * rowBytes);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(size);
  if (compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) return GL_FALSE;
  packed.resize(size);
  std::FILE *f = std::fopen(path, "wb");
  if (!f) return GL_FALSE;
  static const std::uint8_t signature[] = {137, 80, 78, 71, 13, 10, 26, 10};
  bool ok = std::fwrite(signature, 1, sizeof signature, f) == sizeof signature;
  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
  ok = ok && chunk(f, "IHDR", header) && chunk(f, "IDAT", packed) && chunk(f, "IEND", {});
  return std::fclose(f) == 0 && ok ? GL_TRUE : GL_FALSE;
}
