#include "bmp_writer.h"

#include <gtest/gtest.h>

#include "art_set.h"
#include "test_util.h"

namespace art {
namespace {

using test::Decode;
using test::U16At;
using test::U32At;

// A picture with clear pixels, odd widths (row padding) and distinct corners
// (orientation).
Canvas Sample(int w, int h, int colours) {
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x + 2 * y) % 5 != 0)
        c.Set(x, y, Rgb(0x102030u + uint32_t((x * 7 + y * 13) % colours) * 0x030507u));
  c.Set(0, 0, Rgb(0xFF0000));
  c.Set(w - 1, h - 1, Rgb(0x0000FE));
  return c;
}

Canvas Keyed(const Canvas& c, Rgba key) {
  Canvas out = c;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.Get(x, y).Clear()) out.Set(x, y, key);
  return out;
}

void ExpectDecodesTo(const Bytes& bmp, const Canvas& want) {
  test::ScratchDir dir;
  WriteFileWhole(dir.Path() / "x.bmp", bmp);
  EXPECT_EQ(Decode(dir.Path() / "x.bmp"), want);
}

TEST(BmpWriter, IndexedAndTrueColourMatchImageMagick) {
  for (auto [w, h] : {std::pair{1, 1}, {5, 3}, {32, 32}, {33, 7}, {3, 40}}) {
    const Canvas pic = Sample(w, h, 40);
    for (BmpDepth d : {BmpDepth::kIndexed8, BmpDepth::kRgb24}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (d == BmpDepth::kRgb24 ? " 24" : " 8"));
      ExpectDecodesTo(EncodeBmp(pic, kMenuKey, d), Keyed(pic, kMenuKey));
    }
  }
}

TEST(BmpWriter, HeaderIsBottomUpWithAFullColourTable) {
  const Bytes b8 = EncodeBmp(Sample(5, 3, 10), kSpriteKey, BmpDepth::kIndexed8);
  EXPECT_EQ(U32At(b8, 2), b8.size());
  EXPECT_EQ(U32At(b8, 10), 14u + 40 + 256 * 4);
  EXPECT_EQ(int32_t(U32At(b8, 22)), 3);  // positive height: bottom-up
  EXPECT_EQ(U16At(b8, 28), 8);
  EXPECT_EQ(U32At(b8, 46), 0u);  // colours used: all 256
  EXPECT_EQ(b8.size(), 14u + 40 + 1024 + 8 * 3);
  const Bytes b24 = EncodeBmp(Sample(5, 3, 10), kSpriteKey, BmpDepth::kRgb24);
  EXPECT_EQ(U16At(b24, 28), 24);
  EXPECT_EQ(b24.size(), 14u + 40 + 16 * 3);
}

TEST(BmpWriter, AutoDepthFollowsTheColourCount) {
  EXPECT_EQ(U16At(EncodeBmp(Sample(20, 20, 100), kSpriteKey), 28), 8);
  Canvas many(20, 20);
  for (int i = 0; i < 400; ++i) many.Set(i % 20, i / 20, Rgb(uint32_t(i) * 0x000101u));
  EXPECT_EQ(U16At(EncodeBmp(many, kSpriteKey), 28), 24);
  EXPECT_THROW(EncodeBmp(many, kSpriteKey, BmpDepth::kIndexed8), std::invalid_argument);
  ExpectDecodesTo(EncodeBmp(many, kSpriteKey), many);
}

TEST(BmpWriter, RefusesPixelsThatWouldTurnTransparentByAccident) {
  Canvas c(4, 4, Rgb(0x336699));
  c.Set(1, 2, kMenuKey);
  EXPECT_THROW(EncodeBmp(c, kMenuKey), std::invalid_argument);
  EXPECT_NO_THROW(EncodeBmp(c, kSpriteKey));
  c.Set(1, 2, {1, 2, 3, 128});
  EXPECT_THROW(EncodeBmp(c, kSpriteKey), std::invalid_argument);
  EXPECT_THROW(EncodeBmp(Canvas(0, 0), kSpriteKey), std::invalid_argument);
}

}  // namespace
}  // namespace art
