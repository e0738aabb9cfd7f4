// The layer's PNG writer, read back by a small reader of our own: chunks and
// their CRCs, the header, the rows in the order asked, every byte.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gl4d/png.h"
#include "support/run_dir.h"

namespace {

struct Png {
  bool ok = false;
  std::string why;
  std::uint32_t w = 0, h = 0;
  std::vector<std::uint8_t> rgba;  // top-down rows
};

std::uint32_t be32(const std::uint8_t *p) { return std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Reads an unfiltered 8-bit RGBA PNG (what the writer makes), checking each CRC.
Png readPng(const std::string &path) {
  Png png;
  std::vector<std::uint8_t> b;
  if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) b.push_back(static_cast<std::uint8_t>(c));
    std::fclose(f);
  }
  static const std::uint8_t signature[] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (b.size() < 8 || std::memcmp(b.data(), signature, 8) != 0) return png.why = "no PNG signature", png;
  std::vector<std::uint8_t> idat;
  bool ended = false;
  for (size_t at = 8; at + 12 <= b.size() && !ended; ) {
    const std::uint32_t len = be32(&b[at]);
    if (at + 12 + len > b.size()) return png.why = "chunk past the end", png;
    const std::string type(reinterpret_cast<const char *>(&b[at + 4]), 4);
    const std::uint8_t *data = &b[at + 8];
    if (crc32(0, &b[at + 4], len + 4) != be32(data + len)) return png.why = "bad CRC in " + type, png;
    if (type == "IHDR") {
      png.w = be32(data);
      png.h = be32(data + 4);
      if (data[8] != 8 || data[9] != 6) return png.why = "not 8-bit RGBA", png;
    } else if (type == "IDAT") {
      idat.insert(idat.end(), data, data + len);
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + len;
  }
  if (!ended) return png.why = "no IEND", png;
  std::vector<std::uint8_t> raw(static_cast<size_t>(png.h) * (png.w * 4 + 1));
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, idat.data(), idat.size()) != Z_OK || size != raw.size())
    return png.why = "bad image data", png;
  for (std::uint32_t y = 0; y < png.h; ++y) {
    const std::uint8_t *row = &raw[y * (png.w * 4 + 1)];
    if (row[0] != 0) return png.why = "filtered row", png;
    png.rgba.insert(png.rgba.end(), row + 1, row + 1 + png.w * 4);
  }
  png.ok = true;
  return png;
}

class PngTest : public ::testing::Test {
 protected:
  void TearDown() override { hf::removeTree(dir); }
  const std::string dir = hf::makeTempDir("capture-png");
};

TEST_F(PngTest, BottomUpRowsAreWrittenTopDown) {
  constexpr int w = 5, h = 3;  // odd sizes: no row padding anywhere
  std::vector<std::uint8_t> px(w * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint8_t>(i * 7 + 1);
  ASSERT_TRUE(gl4dWritePng((dir + "/a.png").c_str(), w, h, px.data(), GL_FALSE));
  const Png png = readPng(dir + "/a.png");
  ASSERT_TRUE(png.ok) << png.why;
  EXPECT_EQ(png.w, 5u);
  EXPECT_EQ(png.h, 3u);
  for (int y = 0; y < h; ++y)
    EXPECT_EQ(0, std::memcmp(&png.rgba[y * w * 4], &px[(h - 1 - y) * w * 4], w * 4)) << "row " << y;
}

TEST_F(PngTest, TopDownRowsStayAsTheyAre) {
  constexpr int w = 64, h = 40;
  std::vector<std::uint8_t> px(w * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
  ASSERT_TRUE(gl4dWritePng((dir + "/b.png").c_str(), w, h, px.data(), GL_TRUE));
  const Png png = readPng(dir + "/b.png");
  ASSERT_TRUE(png.ok) << png.why;
  EXPECT_EQ(png.rgba, px);
}

TEST_F(PngTest, UnwritablePathsAndEmptyPicturesFail) {
  std::uint8_t px[4] = {};
  EXPECT_FALSE(gl4dWritePng((dir + "/missing/c.png").c_str(), 1, 1, px, GL_FALSE));
  EXPECT_FALSE(gl4dWritePng((dir + "/d.png").c_str(), 0, 1, px, GL_FALSE));
  EXPECT_FALSE(gl4dWritePng((dir + "/e.png").c_str(), 1, 1, nullptr, GL_FALSE));
}

}  // namespace
