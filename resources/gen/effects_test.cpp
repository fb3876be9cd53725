#include "effects.h"

#include <gtest/gtest.h>

#include "art_set.h"

namespace art {
namespace {

Canvas Dot() {
  Canvas c(5, 5);
  c.Set(2, 2, Rgb(0xE04A3C));
  return c;
}

TEST(Effects, OutlineWithAndWithoutCorners) {
  const Canvas four = Outlined(Dot(), Rgb(0x000001));
  const Canvas eight = Outlined(Dot(), Rgb(0x000001), true);
  EXPECT_EQ(four.Get(2, 1), Rgb(0x000001));
  EXPECT_EQ(four.Get(1, 1), kClear);
  EXPECT_EQ(eight.Get(1, 1), Rgb(0x000001));
  EXPECT_EQ(four.Get(2, 2), Rgb(0xE04A3C));
  EXPECT_EQ(four.Get(0, 0), kClear);
}

TEST(Effects, GreyedKeepsTheShapeAndNeverMakesAKeyColour) {
  Canvas c(16, 16);
  for (int i = 0; i < 256; ++i) c.Set(i % 16, i / 16, Rgb(uint32_t(i) * 0x010305u));
  c.Set(3, 3, kClear);
  const Canvas g = Greyed(c);
  EXPECT_EQ(g.Get(3, 3), kClear);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const Rgba p = g.Get(x, y);
      if (p.Clear()) continue;
      EXPECT_EQ(p.r, p.g);
      EXPECT_EQ(p.g, p.b);
      EXPECT_NE(p, kMenuKey);
      EXPECT_NE(p, kSpriteKey);
    }
  // Darker stays darker: the picture still reads.
  EXPECT_LT(Luma(Greyed(Dot()).Get(2, 2)), Luma(Greyed(Outlined(Dot(), Rgb(0xFFFFFE))).Get(2, 1)));
}

TEST(Effects, BevelLightsTheUpperLeftAndShadesTheLowerRight) {
  Canvas c(6, 6);
  c.FillRect(1, 1, 4, 4, Rgb(0x808081));
  Bevel(c, Rgb(0x808081), Rgb(0xFFFFFE), Rgb(0x010101));
  EXPECT_EQ(c.Get(1, 2), Rgb(0xFFFFFE));
  EXPECT_EQ(c.Get(2, 1), Rgb(0xFFFFFE));
  EXPECT_EQ(c.Get(4, 3), Rgb(0x010101));
  EXPECT_EQ(c.Get(3, 4), Rgb(0x010101));
  EXPECT_EQ(c.Get(2, 2), Rgb(0x808081));
}

TEST(Effects, ComposeOutlinesEachPartSoFrontPartsStayApart) {
  Canvas back(7, 7), front(7, 7);
  back.FillRect(1, 1, 5, 5, Rgb(0x0000AA));
  front.Set(3, 3, Rgb(0x0000AA));
  const Canvas out = Compose(7, 7, {back, front}, Rgb(0x000001));
  EXPECT_EQ(out.Get(3, 3), Rgb(0x0000AA));
  EXPECT_EQ(out.Get(3, 2), Rgb(0x000001));  // the front part's own outline
  EXPECT_EQ(out.Get(0, 3), Rgb(0x000001));
}

TEST(Effects, ShadowGoesBehind) {
  const Canvas s = WithShadow(Dot(), Rgb(0x202020), 1, 1);
  EXPECT_EQ(s.Get(2, 2), Rgb(0xE04A3C));
  EXPECT_EQ(s.Get(3, 3), Rgb(0x202020));
}

}  // namespace
}  // namespace art
