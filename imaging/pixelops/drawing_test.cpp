#include "pixelops/drawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Pictura;

namespace {

// The image as text, '#' where byte != 0.
std::string Picture(const std::vector<uint8_t>& img, uint32_t w, uint32_t h) {
  std::string s;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) s += img[y * w + x] ? '#' : '.';
    s += '\n';
  }
  return s;
}

}  // namespace

// Polygons and lines against known rasterisations on an 8 x 5 grey image.
TEST(Drawing, KnownRasterisations) {
  struct Row {
    const char* name;
    std::vector<double> polygon;  // empty: the line in `line`
    std::vector<int32_t> line;
    const char* picture;
  };
  const Row rows[] = {
      {"triangle", {0.5, 0.5, 4.5, 0.5, 0.5, 4.5}, {}, "#####...\n####....\n###.....\n##......\n........\n"},
      {"square", {0, 0, 4, 0, 4, 4, 0, 4}, {}, "#####...\n#####...\n#####...\n#####...\n........\n"},
      {"above and left", {-3, -6, 2.2, -6, 2.2, 1.9, -3, 1.9}, {}, "###.....\n###.....\n........\n........\n........\n"},
      {"right of the image", {9, 0, 12, 0, 12, 4, 9, 4}, {}, "........\n........\n........\n........\n........\n"},
      {"horizontal line", {}, {0, 0, 3, 0}, "####....\n........\n........\n........\n........\n"},
      {"point", {}, {2, 2, 2, 2}, "........\n........\n..#.....\n........\n........\n"},
      {"shallow line", {}, {0, 0, 7, 3}, "##......\n..##....\n....##..\n......##\n........\n"},
      {"steep line leaving", {}, {6, 1, 9, 9}, "........\n......#.\n......#.\n.......#\n.......#\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> img(8 * 5, 0);
    uint32_t error = 0;
    if (!row.polygon.empty())
      ASSERT_TRUE(FillPolygon(&error, img.data(), 8, 5, 1, 8, row.polygon.data(), uint32_t(row.polygon.size() / 2),
                              nullptr, 0, 0, 0, 9, 1.0, nullptr, 0, 0));
    else
      ASSERT_TRUE(DrawLine(&error, img.data(), 8, 5, 1, 8, 9, row.line[0], row.line[1], row.line[2], row.line[3], 0));
    EXPECT_EQ(Picture(img, 8, 5), row.picture);
  }
}

// Anti-aliased square with fractional edges: the inside is the colour, the
// half-covered border half way, on every side (left and top too).
TEST(Drawing, AntiAliasedMaskCoversAFractionalLeftEdge) {
  const double square[] = {1.5, 1.5, 6.5, 1.5, 6.5, 6.5, 1.5, 6.5};
  for (uint32_t fine : {0u, 8u}) {
    std::vector<uint8_t> img(9 * 9 * 3, 0);
    uint32_t error = 0;
    ASSERT_TRUE(FillPolygon(&error, img.data(), 9, 9, 3, 27, square, 4, nullptr, 0, 0, 0, 0x0000C8, 1.0, nullptr, 0,
                            4 | fine));
    auto red = [&](int x, int y) { return int(img[(y * 9 + x) * 3]); };
    for (int y = 2; y <= 5; ++y)
      for (int x = 2; x <= 5; ++x) EXPECT_EQ(red(x, y), 200) << x << "," << y;
    for (int i = 2; i <= 5; ++i) {
      EXPECT_NEAR(red(1, i), 100, 1);
      EXPECT_NEAR(red(6, i), 100, 1);
      EXPECT_NEAR(red(i, 1), 100, 1);
      EXPECT_NEAR(red(i, 6), 100, 1);
    }
    EXPECT_EQ(red(0, 0), 0);
    EXPECT_EQ(red(7, 7), 0);
  }
}

TEST(Drawing, FillsOfOtherFormsAndFailures) {
  const double tri[] = {0.5, 0.5, 4.5, 0.5, 0.5, 4.5};
  std::vector<uint8_t> bits(2 * 5, 0xFF);
  uint32_t error = 0;
  ASSERT_TRUE(FillPolygon1Bit(&error, bits.data(), 9, 5, 2, tri, 3, 0));
  EXPECT_EQ(bits, (std::vector<uint8_t>{0x07, 0xFF, 0x0F, 0xFF, 0x1F, 0xFF, 0x3F, 0xFF, 0xFF, 0xFF}));

  std::vector<uint16_t> deep(6 * 5 * 3, 1000);
  const uint16_t colour[4] = {60000, 2000, 3000, 0};
  ASSERT_TRUE(FillPolygon16bpc(&error, deep.data(), 6, 5, 3, 18, tri, 3, colour, 0.5, 3));
  EXPECT_EQ(deep[0], 2000);   // BGR: colour[2] into sample 0, blended half way
  EXPECT_EQ(deep[2], 30500);
  EXPECT_EQ(deep[5 * 3], 1000);  // column 5 outside

  std::vector<uint8_t> rgb(6 * 5 * 3, 100);
  ASSERT_TRUE(FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 3, nullptr, 0, 0, 0, 0xC8, 2.0, nullptr, 0, 1));
  EXPECT_EQ(rgb[0], 200);  // opacity above 1 is clamped
  const uint8_t pattern[3] = {1, 2, 3};
  EXPECT_FALSE(FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 3, pattern, 1, 1, 3, 0, 0.5, nullptr, 0, 1));
  EXPECT_EQ(error, 5u);
  EXPECT_FALSE(FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 2, nullptr, 0, 0, 0, 0, 1.0, nullptr, 0, 0));
  EXPECT_FALSE(DrawLine(&error, rgb.data(), 6, 5, 1, 6, 0, 0, 0, 1, 1, 2));  // anti-aliased needs 3 or 4 bytes
  ASSERT_TRUE(DrawLine(&error, rgb.data(), 6, 5, 3, 18, 0xFFFFFF, 0, 4, 5, 4, 2));
  EXPECT_EQ(rgb[(4 * 6 + 2) * 3], 255);
}
