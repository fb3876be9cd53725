#include "pixelops/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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
      {"above and left",
       {-3, -6, 2.2, -6, 2.2, 1.9, -3, 1.9},
       {},
       "###.....\n###.....\n........\n........\n........\n"},
      {"right of the image",
       {9, 0, 12, 0, 12, 4, 9, 4},
       {},
       "........\n........\n........\n........\n........\n"},
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
      ASSERT_TRUE(FillPolygon(&error, img.data(), 8, 5, 1, 8, row.polygon.data(),
                              uint32_t(row.polygon.size() / 2), nullptr, 0, 0, 0, 9, 1.0, nullptr, 0, 0));
    else
      ASSERT_TRUE(
          DrawLine(&error, img.data(), 8, 5, 1, 8, 9, row.line[0], row.line[1], row.line[2], row.line[3], 0));
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
    ASSERT_TRUE(FillPolygon(&error, img.data(), 9, 9, 3, 27, square, 4, nullptr, 0, 0, 0, 0x0000C8, 1.0,
                            nullptr, 0, 4 | fine));
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
  EXPECT_EQ(deep[0], 2000);  // BGR: colour[2] into sample 0, blended half way
  EXPECT_EQ(deep[2], 30500);
  EXPECT_EQ(deep[5 * 3], 1000);  // column 5 outside

  std::vector<uint8_t> rgb(6 * 5 * 3, 100);
  ASSERT_TRUE(
      FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 3, nullptr, 0, 0, 0, 0xC8, 2.0, nullptr, 0, 1));
  EXPECT_EQ(rgb[0], 200);  // opacity above 1 is clamped
  const uint8_t pattern[3] = {1, 2, 3};
  EXPECT_FALSE(FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 3, pattern, 1, 1, 3, 0, 0.5, nullptr, 0, 1));
  EXPECT_EQ(error, 5u);
  EXPECT_FALSE(FillPolygon(&error, rgb.data(), 6, 5, 3, 18, tri, 2, nullptr, 0, 0, 0, 0, 1.0, nullptr, 0, 0));
  EXPECT_FALSE(
      DrawLine(&error, rgb.data(), 6, 5, 1, 6, 0, 0, 0, 1, 1, 2));  // anti-aliased needs 3 or 4 bytes
  ASSERT_TRUE(DrawLine(&error, rgb.data(), 6, 5, 3, 18, 0xFFFFFF, 0, 4, 5, 4, 2));
  EXPECT_EQ(rgb[(4 * 6 + 2) * 3], 255);
}

// Ellipses, thick lines and flood fills against known rasterisations on a
// 9 x 7 grey image (flood fills start from a drawn ring).
TEST(Drawing, ShapesAndFloodFills) {
  const double heads[3] = {5, 2, 0};
  struct Row {
    const char* name;
    std::function<bool(uint32_t*, uint8_t*)> draw;
    const char* picture;
  };
  auto ring = [](uint32_t* e, uint8_t* img) { return DrawEllipse(e, img, 9, 7, 1, 9, 4, 3, 4, 3, 9, 0); };
  const Row rows[] = {
      {"outline", ring, "..#####..\n.#.....#.\n#.......#\n#.......#\n#.......#\n.#.....#.\n..#####..\n"},
      {"outline off the corner",
       [](uint32_t* e, uint8_t* img) { return DrawEllipse(e, img, 9, 7, 1, 9, 0, 0, 3, 2, 9, 0); },
       "...#.....\n..#......\n##.......\n.........\n.........\n.........\n.........\n"},
      {"flat outline",
       [](uint32_t* e, uint8_t* img) { return DrawEllipse(e, img, 9, 7, 1, 9, 4, 3, 3, 0, 9, 0); },
       ".........\n.........\n.........\n.#######.\n.........\n.........\n.........\n"},
      {"filled",
       [](uint32_t* e, uint8_t* img) {
         return FillEllipse(e, img, 9, 7, 1, 9, 4, 3, 4, 3, 9, 1.0, nullptr, 0, 0);
       },
       "..#####..\n.#######.\n#########\n#########\n#########\n.#######.\n..#####..\n"},
      {"filled point",
       [](uint32_t* e, uint8_t* img) {
         return FillEllipse(e, img, 9, 7, 1, 9, 8, 6, 0, 0, 9, 1.0, nullptr, 0, 0);
       },
       ".........\n.........\n.........\n.........\n.........\n.........\n........#\n"},
      {"thick flat",
       [&](uint32_t* e, uint8_t* img) {
         return DrawThickLine(e, img, 9, 7, 1, 9, 1, 3, 7, 3, 3, 0, 0, heads, 9, 1.0, 0);
       },
       ".........\n.#######.\n.#######.\n.#######.\n.........\n.........\n.........\n"},
      {"thick square ends",
       [&](uint32_t* e, uint8_t* img) {
         return DrawThickLine(e, img, 9, 7, 1, 9, 2, 3, 6, 3, 3, 1, 1, heads, 9, 1.0, 0);
       },
       ".........\n########.\n########.\n########.\n.........\n.........\n.........\n"},
      {"arrow",
       [&](uint32_t* e, uint8_t* img) {
         return DrawThickLine(e, img, 9, 7, 1, 9, 0.5, 3.5, 8.5, 3.5, 1, 0, 3, heads, 9, 1.0, 0);
       },
       ".........\n......#..\n......##.\n#########\n......##.\n......#..\n.........\n"},
      {"steep triangle end",
       [&](uint32_t* e, uint8_t* img) {
         return DrawThickLine(e, img, 9, 7, 1, 9, 4.5, -2, 4.5, 4, 2, 2, 4, heads, 9, 1.0, 0);
       },
       "...###...\n...###...\n...###...\n...###...\n..#####..\n...###...\n.........\n"},
      {"region fill inside a ring",
       [&](uint32_t* e, uint8_t* img) { return ring(e, img) && FloodFill8(e, img, 9, 7, 9, 4, 3, 5, 0, 1); },
       "..#####..\n.#ooooo#.\n#ooooooo#\n#ooooooo#\n#ooooooo#\n.#ooooo#.\n..#####..\n"},
      {"boundary fill stops at the ring",
       [&](uint32_t* e, uint8_t* img) { return ring(e, img) && FloodFill8(e, img, 9, 7, 9, 4, 3, 9, 0, 0); },
       "..#####..\n.#######.\n#########\n#########\n#########\n.#######.\n..#####..\n"},
      {"region fill outside",
       [&](uint32_t* e, uint8_t* img) { return ring(e, img) && FloodFill8(e, img, 9, 7, 9, 0, 0, 5, 0, 1); },
       "oo#####..\no#.....#.\n#.......#\n#.......#\n#.......#\n.#.....#.\n..#####..\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> img(9 * 7, 0);
    uint32_t error = 0;
    ASSERT_TRUE(row.draw(&error, img.data()));
    std::string got;  // 9 '#', the flood fills' 5 'o'
    for (size_t i = 0; i < img.size(); ++i)
      got += std::string(img[i] == 9 ? "#" : img[i] ? "o" : ".") + (i % 9 == 8 ? "\n" : "");
    EXPECT_EQ(got, row.picture);
  }
}

TEST(Drawing, ShapeFailuresAndTolerances) {
  std::vector<uint8_t> img(9 * 7, 0);
  uint32_t error = 0;
  const double heads[3] = {5, 2, 0};
  // Radii past 2^15 would overflow the 64-bit decision terms; negative ones
  // mean nothing.
  EXPECT_FALSE(DrawEllipse(&error, img.data(), 9, 7, 1, 9, 4, 3, (1 << 15) + 1, 3, 9, 0));
  EXPECT_EQ(error, 5u);
  EXPECT_FALSE(FillEllipse(&error, img.data(), 9, 7, 2, 18, 4, 3, 4, -1, 9, 1.0, nullptr, 0, 0));
  EXPECT_FALSE(DrawEllipse1Bit(&error, img.data(), 4000, 7, 9, 4, 3, 4, 3, 1));  // stride short of the width
  EXPECT_FALSE(DrawThickLine(&error, img.data(), 9, 7, 1, 9, 0, 0, NAN, 3, 1, 0, 0, heads, 9, 1.0, 0));
  EXPECT_FALSE(DrawThickLine(&error, img.data(), 9, 7, 1, 9, 0, 0, 5, 3, 1, 5, 0, heads, 9, 1.0, 0));
  EXPECT_FALSE(FloodFill8(&error, img.data(), 9, 7, 9, 9, 0, 1, 0, 0));  // seed outside
  EXPECT_FALSE(FloodFill8(&error, img.data(), 9, 7, 9, 0, 0, 1, 0, 2));  // no such mode
  // A huge ellipse round a small image only draws what falls inside.
  ASSERT_TRUE(FillEllipse(&error, img.data(), 9, 7, 1, 9, 4, 3, 1 << 15, 1 << 15, 7, 1.0, nullptr, 0, 0));
  EXPECT_EQ(img, std::vector<uint8_t>(9 * 7, 7));
  // Images without columns take nothing (the span over column -1 .. 0 too).
  const double wide[] = {-2, 0, 3, 0, 3, 5, -2, 5};
  ASSERT_TRUE(FillEllipse(&error, img.data(), 0, 7, 1, 0, 0, 3, 2, 2, 9, 1.0, nullptr, 0, 0));
  ASSERT_TRUE(FillPolygon(&error, img.data(), 0, 7, 1, 0, wide, 4, nullptr, 0, 0, 0, 9, 1.0, nullptr, 0, 0));
  EXPECT_EQ(img, std::vector<uint8_t>(9 * 7, 7));
  // Far-off vertices, 16 times finer samples: span ends past 32 bits.
  const double distant[] = {-1e9, 0, 1e9, 0, 1e9, 6.5};
  std::vector<uint8_t> lit(9 * 7 * 3, 0);
  ASSERT_TRUE(FillPolygon(&error, lit.data(), 9, 7, 3, 27, distant, 3, nullptr, 0, 0, 0, 0xFFFFFF, 1.0,
                          nullptr, 0, 4 | 8));
  EXPECT_EQ(lit[8 * 3], 255);
  EXPECT_EQ(lit[(9 + 1) * 3], 255);
  // Region tolerance is symmetric: 9 and 11 join a seed of 10 at 1, 13 not.
  std::vector<uint8_t> row = {10, 9, 11, 13, 10};
  ASSERT_TRUE(FloodFill8(&error, row.data(), 5, 1, 5, 0, 0, 50, 1, 1));
  EXPECT_EQ(row, (std::vector<uint8_t>{50, 50, 50, 13, 10}));
  // Colour masks: words within the tolerance of the seed, 0 / 255 by flag.
  const uint8_t rgb[] = {10, 20, 30, 10, 20, 31, 200, 0, 0, 10, 20, 30};
  std::vector<uint8_t> mask(4, 9);
  ASSERT_TRUE(BuildRegionMaskColor(&error, rgb, 4, 1, 3, 12, 0, 0, mask.data(), 4, 0, false, 0, 2));
  EXPECT_EQ(mask, (std::vector<uint8_t>{255, 0, 0, 0}));
  ASSERT_TRUE(BuildRegionMaskColor(&error, rgb, 4, 1, 3, 12, 0, 0, mask.data(), 4, 0, true, 0xC8, 0));
  EXPECT_EQ(mask, (std::vector<uint8_t>{1, 1, 0, 0}));
}

// Lines from far outside walk only the image's part: the same pixels as the
// whole walk (a model that steps every point), without the cost.
TEST(Drawing, LinesFromFarOutside) {
  struct Row {
    int32_t x1, y1, x2, y2;
  };
  const Row rows[] = {{-1000000, -3, 1000000, 9},
                      {5, -7000001, 2, 7000000},
                      {-40, 50, 30, -20},
                      {INT32_MIN, 2, INT32_MAX, 3},
                      {12, 4, -9, 1},
                      {3, INT32_MAX, 4, INT32_MIN}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.x1);
    std::vector<uint8_t> img(9 * 7, 0), want = img;
    uint32_t error = 0;
    ASSERT_TRUE(DrawLine(&error, img.data(), 9, 7, 1, 9, 9, row.x1, row.y1, row.x2, row.y2, 0));
    // The model: the textbook walk over every step (short rows only).
    const int64_t dx = std::llabs(int64_t{row.x2} - row.x1), dy = std::llabs(int64_t{row.y2} - row.y1);
    if (std::max(dx, dy) > 20000000) continue;
    int64_t x = row.x1, y = row.y1, sx = row.x2 < row.x1 ? -1 : 1, sy = row.y2 < row.y1 ? -1 : 1;
    auto plot = [&] {
      if (x >= 0 && y >= 0 && x < 9 && y < 7) want[size_t(y * 9 + x)] = 9;
    };
    plot();
    const bool yMajor = dx <= dy;
    int64_t e = yMajor ? 2 * dx - dy : 2 * dy - dx;
    for (int64_t k = 0; k < (yMajor ? dy : dx); ++k) {
      if (yMajor)
        y += sy;
      else
        x += sx;
      if (e < 0)
        e += 2 * (yMajor ? dx : dy);
      else if (yMajor)
        e += 2 * (dx - dy), x += sx;
      else
        e += 2 * (dy - dx), y += sy;
      plot();
    }
    EXPECT_EQ(Picture(img, 9, 7), Picture(want, 9, 7));
  }
}
