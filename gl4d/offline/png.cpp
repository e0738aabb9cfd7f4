// PNG writer: one IDAT chunk, no filtering, zlib's default compression.
#include "gl4d/png.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "gl4d/core/internal.h"

namespace {

void put32(std::string &out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(v >> s));
}

void chunk(std::string &out, const char *type, const std::string &data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  const size_t start = out.size();
  out.append(type, 4);
  out += data;
  const auto *typed = reinterpret_cast<const Bytef *>(out.data() + start);
  put32(out, static_cast<std::uint32_t>(crc32(0, typed, static_cast<uInt>(out.size() - start))));
}

}  // namespace

std::string gl4d::pngBytes(int width, int height, const GLubyte *rgba, bool topDown) {
  if (!rgba || width <= 0 || height <= 0) return "";
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (rowBytes + 1));
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(topDown ? y : height - 1 - y);
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), rgba + row * rowBytes, rgba + (row + 1) * rowBytes);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  if (compress(reinterpret_cast<Bytef *>(packed.data()), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
    return "";
  packed.resize(size);
  std::string png = "\x89PNG\r\n\x1a\n", header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.append("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  return png;
}

GLboolean gl4dWritePng(const char *path, int width, int height, const GLubyte *rgba, GLboolean topDown) {
  const std::string png = gl4d::pngBytes(width, height, rgba, topDown);
  if (!path || png.empty()) return GL_FALSE;
  std::FILE *f = std::fopen(path, "wb");
  if (!f) return GL_FALSE;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok ? GL_TRUE : GL_FALSE;
}
