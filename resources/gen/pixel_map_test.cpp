#include "pixel_map.h"

#include <gtest/gtest.h>

namespace art {
namespace {

const Legend kLegend = {{'r', Rgb(0xFF0000)}, {'g', Rgb(0x00FF00)}};

TEST(PixelMap, DrawsEachCharacterAndLeavesDotsAndBlanksAlone) {
  Canvas c(4, 3, Rgb(0x123456));
  DrawMap(c, 1, 1, {"r.g", "g r"}, kLegend);
  EXPECT_EQ(c.Get(1, 1), Rgb(0xFF0000));
  EXPECT_EQ(c.Get(2, 1), Rgb(0x123456));
  EXPECT_EQ(c.Get(3, 1), Rgb(0x00FF00));
  EXPECT_EQ(c.Get(2, 2), Rgb(0x123456));
  EXPECT_EQ(c.Get(3, 2), Rgb(0xFF0000));
  EXPECT_EQ(c.Get(0, 0), Rgb(0x123456));
}

TEST(PixelMap, MapToCanvasTakesTheMapsSize) {
  const Canvas c = MapToCanvas({"rr.", "..g"}, kLegend);
  EXPECT_EQ(c.Width(), 3);
  EXPECT_EQ(c.Height(), 2);
  EXPECT_EQ(c.Get(2, 0), kClear);
  EXPECT_EQ(MapToCanvas({}, kLegend).Width(), 0);
}

TEST(PixelMap, TyposAreReportedNotDrawn) {
  Canvas c(4, 4);
  EXPECT_THROW(DrawMap(c, 0, 0, {"rr", "r"}, kLegend), std::invalid_argument);
  EXPECT_THROW(DrawMap(c, 0, 0, {"rx"}, kLegend), std::invalid_argument);
  try {
    DrawMap(c, 0, 0, {"rr", "rq"}, kLegend);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("'q'"), std::string::npos);
  }
}

TEST(PixelMap, MapsMayHangOverTheCanvas) {
  Canvas c(2, 2);
  DrawMap(c, -1, -1, {"rrr", "rrr", "rrr"}, kLegend);
  for (const Rgba& p : c.Pixels()) EXPECT_EQ(p, Rgb(0xFF0000));
}

}  // namespace
}  // namespace art
