// The window fitted to what a figure's picture holds: opaque columns from a
// sheet's mask, and the push that follows from them.

#include "scene/portable/layer_fit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A mask from rows of '#' (opaque) and '.' (see-through), padded to a
// stride of four bytes like the GDI's rows.
struct TestMask {
  std::vector<uint8_t> bytes;
  MaskBits bits;
  explicit TestMask(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows[0].size());
    const int stride = (width + 31) / 32 * 4;
    bytes.assign(static_cast<size_t>(stride) * rows.size(), 0xFF);
    for (size_t y = 0; y < rows.size(); ++y)
      for (int x = 0; x < width; ++x)
        if (rows[y][x] == '#') bytes[y * stride + x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
    bits = {bytes.data(), width, static_cast<int>(rows.size()), stride};
  }
};

TEST(LayerFit, OpaqueColumnsOfAFrame) {
  // 40 columns, so a row spans two bytes and some padding.
  const TestMask sheet({
      "........#...............................",
      "...............#.......#................",
      "..............#.........................",
      ".......................................#",
      "#.......................................",
  });
  struct Row {
    const char* what;
    SpriteFrame frame;
    ColumnSpan want;
  } rows[] = {
      {"opaque columns from different rows", {0, 0, 24, 3}, {8, 24}},
      {"the bit after a byte edge", {7, 0, 10, 2}, {1, 9}},
      {"a frame with no opaque pixel", {0, 2, 14, 1}, {0, 0}},
      {"a single pixel", {10, 2, 10, 1}, {4, 5}},
      {"the last column of the sheet", {30, 3, 10, 1}, {9, 10}},
      {"the first column of the sheet", {0, 4, 5, 1}, {0, 1}},
      {"a frame reaching past the right edge", {35, 3, 20, 2}, {4, 5}},
      {"a frame reaching past the left edge", {-3, 4, 6, 1}, {3, 4}},
      {"a frame below the sheet draws nothing", {0, 5, 40, 3}, {0, 0}},
      {"a frame reaching below the sheet", {0, 4, 4, 9}, {0, 1}},
      {"an empty frame", {0, 0, 0, 5}, {0, 0}},
      {"a one-column frame", {14, 2, 1, 1}, {0, 1}},
      {"a one-column frame beside the pixel", {13, 2, 1, 1}, {0, 0}},
  };
  for (const Row& row : rows) EXPECT_EQ(OpaqueColumns(sheet.bits, row.frame), row.want) << row.what;
}

TEST(LayerFit, ASheetFillingItsRowsToTheByteReadsNothingBeyond) {
  // 32 columns: each row is exactly its four bytes, no padding after it.
  const TestMask sheet({
      "#...............................",
      "...............................#",
      "................................",
  });
  EXPECT_EQ(OpaqueColumns(sheet.bits, {0, 0, 32, 3}), (ColumnSpan{0, 32}));
  EXPECT_EQ(OpaqueColumns(sheet.bits, {16, 1, 16, 2}), (ColumnSpan{15, 16}));
  EXPECT_EQ(OpaqueColumns(sheet.bits, {0, 2, 32, 1}), (ColumnSpan{0, 0}));
  EXPECT_EQ(OpaqueColumns(sheet.bits, {8, 2, 40, 5}), (ColumnSpan{0, 0}));
}

TEST(LayerFit, WithoutMaskBitsTheWholeFrameCounts) {
  EXPECT_EQ(OpaqueColumns(MaskBits{}, {5, 6, 30, 40}), (ColumnSpan{0, 30}));
  EXPECT_EQ(OpaqueColumns(MaskBits{}, {5, 6, 30, 0}), (ColumnSpan{0, 0}));
}

TEST(LayerFit, UnionAndDrawnRects) {
  struct Row {
    const char* what;
    SceneRect a, b, want;
  } unions[] = {
      {"two empty", {}, {3, 3, 3, 9}, {}},
      {"empty and a rect", {5, 5, 5, 5}, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {"a rect and empty", {1, 2, 3, 4}, {7, 8, 6, 9}, {1, 2, 3, 4}},
      {"overlapping", {0, 0, 10, 10}, {5, -5, 20, 8}, {0, -5, 20, 10}},
      {"apart", {-30, 2, -20, 4}, {100, 1, 110, 3}, {-30, 1, 110, 4}},
  };
  for (const Row& row : unions) EXPECT_EQ(UnionRect(row.a, row.b), row.want) << row.what;

  EXPECT_EQ(DrawnRect({200, 3}, {50, 60, 144, 76}, {80, 120}), (SceneRect{280, 3, 320, 79}));
  EXPECT_EQ(DrawnRect({-170, 0}, {0, 0, 64, 76}, {10, 40}), (SceneRect{-160, 0, -130, 76}));
  EXPECT_TRUE(IsEmptyRect(DrawnRect({200, 3}, {0, 0, 64, 76}, {})));
  EXPECT_TRUE(IsEmptyRect(DrawnRect({200, 3}, {0, 0, 64, 0}, {0, 64})));
}

TEST(LayerFit, ThePushCoversWhatThePictureHolds) {
  const ScenePoint strip{0, 724};  // a screen-wide picture on the work area's bottom
  const SceneSize wide{1280, 76};
  const ScenePoint parking{-1, -1};
  const LayerFit parked{parking, {1, 1}, {0, 0}};
  struct Row {
    const char* what;
    ScenePoint destination;
    SceneSize size;
    SceneRect drawn;
    LayerFit want;
  } rows[] = {
      {"a figure inside", strip, wide, {500, 0, 540, 76}, {{500, 724}, {40, 76}, {500, 0}}},
      {"entering on the left", strip, wide, {-20, 0, 25, 76}, {{0, 724}, {25, 76}, {0, 0}}},
      {"leaving on the right", strip, wide, {1250, 0, 1300, 76}, {{1250, 724}, {30, 76}, {1250, 0}}},
      {"all left of the screen", strip, wide, {-170, 0, -100, 76}, parked},
      {"all right of the screen", strip, wide, {1280, 0, 1300, 76}, parked},
      {"nothing drawn", strip, wide, {}, parked},
      {"a frame taller than the picture", strip, wide, {10, -4, 50, 90}, {{10, 724}, {40, 76}, {10, 0}}},
      {"two frames drawn since the clear",
       strip,
       wide,
       UnionRect({100, 0, 140, 76}, {300, 10, 330, 60}),
       {{100, 724}, {230, 76}, {100, 0}}},
      {"a moving window off the screen's left",
       {-90, 30},
       {120, 74},
       {2, 6, 116, 68},
       {{-88, 36}, {114, 62}, {2, 6}}},
      {"a picture narrower than its bitmap",
       {400, 10},
       {120, 74},
       {2, 0, 237, 74},
       {{402, 10}, {118, 74}, {2, 0}}},
      {"an empty picture", strip, {0, 0}, {0, 0, 10, 10}, parked},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FitLayer(row.destination, row.size, row.drawn, parking), row.want) << row.what;
}

TEST(LayerFit, AWholeWindowKeepsItsPlaceUnlessItHoldsNothing) {
  const ScenePoint parking{-1, -1};
  const LayerFit parked{parking, {1, 1}, {0, 0}};
  const ScenePoint at{-30, 700};  // a figure's own window entering on the left
  const SceneSize frame{128, 74};
  const LayerFit whole{at, frame, {0, 0}};
  struct Row {
    const char* what;
    SceneRect drawn;
    LayerFit want;
  } rows[] = {
      {"a frame inside", {10, 2, 100, 70}, whole},
      {"a single pixel", {127, 73, 128, 74}, whole},
      {"a frame reaching past the picture", {-5, -5, 200, 90}, whole},
      {"nothing drawn", {}, parked},
      {"drawn only left of the picture", {-40, 0, 0, 74}, parked},
      {"drawn only below the picture", {0, 74, 128, 80}, parked},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FitLayer(at, frame, row.drawn, parking, LayerCut::kWhole), row.want) << row.what;
  EXPECT_EQ(FitLayer(at, {0, 74}, {0, 0, 10, 10}, parking, LayerCut::kWhole), parked) << "an empty picture";
}

}  // namespace
