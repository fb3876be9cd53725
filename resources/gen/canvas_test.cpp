#include "canvas.h"

#include <gtest/gtest.h>

namespace art {
namespace {

constexpr Rgba kA = Rgb(0x112233), kB = Rgb(0xAABBCC);

int Count(const Canvas& c, Rgba colour) {
  int n = 0;
  for (const Rgba& p : c.Pixels()) n += p == colour;
  return n;
}

TEST(Canvas, ShapesHangingOverTheEdgesAreClipped) {
  Canvas c(8, 6);
  c.FillRect(-5, -5, 20, 20, kA);
  EXPECT_EQ(Count(c, kA), 48);
  c.FillCircle(-2, 3, 4, kB);
  c.FillCapsule(-10, -10, 20, 20, 2, kB);
  c.FillEllipse(6, 4, 10, 10, kB);
  c.Line(-3, 2, 12, 2, kB);
  c.FillPolygon({{-4, -4}, {12, 0}, {3, 12}}, kB);
  EXPECT_EQ(c.Get(-1, 0), kClear);
  EXPECT_EQ(c.Get(8, 0), kClear);
  c.Set(100, 100, kA);  // ignored
  EXPECT_EQ(c.Width(), 8);
}

TEST(Canvas, LineIncludesBothEndsInEveryDirection) {
  for (auto [x0, y0, x1, y1] :
       {std::array{0, 0, 7, 3}, {7, 3, 0, 0}, {2, 7, 2, 0}, {0, 5, 7, 5}, {6, 0, 0, 6}}) {
    Canvas c(8, 8);
    c.Line(x0, y0, x1, y1, kA);
    EXPECT_EQ(c.Get(x0, y0), kA);
    EXPECT_EQ(c.Get(x1, y1), kA);
    EXPECT_EQ(Count(c, kA), std::max(std::abs(x1 - x0), std::abs(y1 - y0)) + 1);
  }
}

TEST(Canvas, DiscsAreSymmetric) {
  Canvas c(21, 21);
  c.FillCircle(10.5, 10.5, 7.3, kA);
  EXPECT_EQ(c, c.MirroredX());
  EXPECT_EQ(c, c.MirroredY());
  Canvas e(20, 12);
  e.FillEllipse(0, 0, 20, 12, kA);
  EXPECT_EQ(e, e.MirroredX());
  EXPECT_EQ(e, e.MirroredY());
  EXPECT_EQ(e.Get(0, 0), kClear);
  EXPECT_EQ(e.Get(10, 6), kA);
}

TEST(Canvas, RoundRectKeepsItsBoxAndCutsCorners) {
  Canvas c(12, 10);
  c.FillRoundRect(1, 1, 10, 8, 3, kA);
  EXPECT_EQ(c.Get(1, 1), kClear);
  EXPECT_EQ(c.Get(10, 8), kClear);
  EXPECT_EQ(c.Get(1, 5), kA);
  EXPECT_EQ(c.Get(6, 1), kA);
  EXPECT_EQ(c.Get(0, 5), kClear);
  EXPECT_EQ(c.Get(11, 5), kClear);
  EXPECT_EQ(c, c.MirroredX());
}

TEST(Canvas, FloodFillStopsAtBordersAndAtItsOwnColour) {
  Canvas c(10, 10);
  c.FrameRect(2, 2, 6, 6, kA);
  c.FloodFill(4, 4, kB);
  EXPECT_EQ(Count(c, kB), 16);
  EXPECT_EQ(c.Get(0, 0), kClear);
  c.FloodFill(4, 4, kB);  // same colour: nothing to do, must not loop
  c.FloodFill(-1, 4, kB);
  EXPECT_EQ(Count(c, kB), 16);
}

TEST(Canvas, DrawSkipsClearPixelsAndCropPadsWithClear) {
  Canvas a(4, 4, kA), b(2, 2);
  b.Set(1, 1, kB);
  a.Draw(b, 1, 1);
  EXPECT_EQ(a.Get(1, 1), kA);
  EXPECT_EQ(a.Get(2, 2), kB);
  const Canvas crop = a.Crop(2, 2, 4, 4);
  EXPECT_EQ(crop.Get(0, 0), kB);
  EXPECT_EQ(crop.Get(3, 3), kClear);
  EXPECT_EQ(a.MirroredX().MirroredX(), a);
  EXPECT_THROW(Canvas(-1, 3), std::invalid_argument);
  EXPECT_THROW(Canvas(100000, 100000), std::invalid_argument);
}

TEST(Canvas, ColourHelpers) {
  EXPECT_EQ(FromColorRef(0x808000), (Rgba{0x00, 0x80, 0x80, 255}));
  EXPECT_EQ(Rgb(0xFF00FF), (Rgba{255, 0, 255, 255}));
  EXPECT_EQ(Mix(kA, kB, 0), kA);
  EXPECT_EQ(Mix(kA, kB, 1), kB);
  EXPECT_EQ(Mix(kA, kB, 7), kB);  // clamped
}

}  // namespace
}  // namespace art
