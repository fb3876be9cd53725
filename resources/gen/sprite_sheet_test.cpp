#include "sprite_sheet.h"

#include <gtest/gtest.h>

#include "pixel_font.h"

namespace art {
namespace {

// A program-side table the way a figure header writes it.
struct ScriptRect {
  int x, y, width, height;
};
constexpr ScriptRect kTable[] = {{0, 0, 10, 20}, {11, 0, 10, 20}, {22, 0, 12, 20}, {0, 21, 6, 6}};

TEST(SpriteSheet, TheSheetCoversTheProgramsTableAndNothingMore) {
  SpriteSheet sheet(FramesFrom(std::span<const ScriptRect>(kTable)));
  EXPECT_EQ(sheet.Picture().Width(), 34);
  EXPECT_EQ(sheet.Picture().Height(), 27);
  sheet.PutAll([](size_t i, int w, int h) { return Canvas(w, h, Rgb(0x101010u * uint32_t(i + 1))); });
  EXPECT_EQ(sheet.Picture().Get(0, 0), Rgb(0x101010));
  EXPECT_EQ(sheet.Picture().Get(10, 0), kClear);  // the gap stays key-coloured
  EXPECT_EQ(sheet.Picture().Get(33, 19), Rgb(0x303030));
  EXPECT_EQ(sheet.Picture().Get(5, 26), Rgb(0x404040));
  EXPECT_EQ(sheet.Picture().Get(20, 25), kClear);
}

TEST(SpriteSheet, RowLayoutLeavesAOnePixelGap) {
  const auto row = RowLayout(3, 8, 16);
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[2].x, 18);
  EXPECT_EQ(SpriteSheet(row).Picture().Width(), 26);
}

TEST(SpriteSheet, BadTablesAndFramesAreRefused) {
  EXPECT_THROW(SpriteSheet({{0, 0, 10, 10}, {9, 9, 5, 5}}), std::invalid_argument);
  EXPECT_THROW(SpriteSheet({{-1, 0, 10, 10}}), std::invalid_argument);
  EXPECT_THROW(SpriteSheet({{0, 0, 0, 10}}), std::invalid_argument);
  EXPECT_THROW(SpriteSheet({{2147483000, 0, 1000, 10}}), std::invalid_argument);
  SpriteSheet sheet(RowLayout(2, 4, 4));
  EXPECT_THROW(sheet.Put(0, Canvas(5, 4)), std::invalid_argument);
  EXPECT_THROW(sheet.Put(2, Canvas(4, 4)), std::out_of_range);
}

TEST(PixelFont, WidthsAndGlyphs) {
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextWidth("12:30"), 19);
  Canvas c(20, 5);
  EXPECT_EQ(DrawText(c, 0, 0, "1l", Rgb(0xFFFFFE)), 7);
  EXPECT_EQ(c.Get(1, 0), Rgb(0xFFFFFE));  // '1' top
  EXPECT_EQ(c.Get(0, 0), kClear);
  EXPECT_EQ(c.Get(4, 4), Rgb(0xFFFFFE));  // 'L' foot, lower case drawn as upper
  EXPECT_EQ(c.Get(6, 4), Rgb(0xFFFFFE));
  Canvas unknown(3, 5);
  DrawText(unknown, 0, 0, "\x7f", Rgb(0xFFFFFE));  // a box, not nothing
  EXPECT_EQ(unknown.Get(0, 0), Rgb(0xFFFFFE));
  EXPECT_EQ(unknown.Get(1, 2), kClear);
}

}  // namespace
}  // namespace art
