// Cover-and-crop sizes of user pictures and the placement of prepared
// bitmaps on the poster field.

#include "objects/portable/poster_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace {

TEST(CoverScale, ExamplesScaleToCoverAndCropTheCentre) {
  struct Case {
    uint32_t w, h, nw, nh;
    int32_t left, top;
  } const cases[] = {
      {320, 256, 160, 128, 0, 0},    // exact half: no crop needed
      {400, 200, 256, 128, 48, 0},   // wide: cut left and right
      {100, 300, 160, 480, 0, 176},  // tall: cut top and bottom
      {160, 128, 160, 128, 0, 0},   {1, 1, 160, 160, 0, 16}, {80, 64, 160, 128, 0, 0},  // enlarged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
    const CoverSize size = CoverScale(c.w, c.h, kPosterWidth, kPosterHeight);
    ASSERT_TRUE(size.ok);
    EXPECT_EQ(std::tuple(size.width, size.height, size.bytes),
              std::tuple(c.nw, c.nh, uint64_t{c.nw} * c.nh * 3));
    const CropBox crop = CentreCrop(size.width, size.height, kPosterWidth, kPosterHeight);
    EXPECT_EQ(std::tuple(crop.left, crop.top, crop.right - crop.left, crop.bottom - crop.top),
              std::tuple(c.left, c.top, kPosterWidth, kPosterHeight));
  }
}

TEST(CoverScale, SizesThat32BitsWouldWrapAreRefused) {
  // 87382 x 1 scales to 11184896 x 128: 4295000064 bytes, which wraps to a
  // few kilobytes in 32 bits.
  const CoverSize wide = CoverScale(87382, 1, kPosterWidth, kPosterHeight);
  EXPECT_FALSE(wide.ok);
  EXPECT_EQ(wide.bytes, 0u);
  EXPECT_FALSE(CoverScale(1, 87382, kPosterWidth, kPosterHeight).ok);
  EXPECT_FALSE(CoverScale(0xFFFFFFFFu, 1, kPosterWidth, kPosterHeight).ok);
  EXPECT_FALSE(CoverScale(1, 0xFFFFFFFFu, kPosterWidth, kPosterHeight).ok);
  EXPECT_FALSE(CoverScale(0xFFFFFFFFu, 1, kPosterWidth, kPosterHeight, UINT64_MAX).ok)
      << "even without a byte cap";
  // Just inside the cap: a very wide panorama still loads.
  const CoverSize panorama = CoverScale(100000, 100, kPosterWidth, kPosterHeight);
  ASSERT_TRUE(panorama.ok);
  EXPECT_EQ(panorama.width, 128000u);
  EXPECT_LE(panorama.bytes, kMaxScaledBytes);
}

TEST(CoverScale, EmptyPicturesAndTargetsHaveNoSize) {
  EXPECT_FALSE(CoverScale(0, 10, 160, 128).ok);
  EXPECT_FALSE(CoverScale(10, 0, 160, 128).ok);
  EXPECT_FALSE(CoverScale(10, 10, 0, 128).ok);
  EXPECT_FALSE(CoverScale(10, 10, 160, 0).ok);
}

// Every picture up to 700 pixels a side covers the field on both axes, keeps
// its aspect within a pixel, and touches the field on at least one axis.
TEST(CoverScale, EverySizeCoversTheFieldExactlyOnOneAxis) {
  for (uint32_t w = 1; w <= 700; ++w)
    for (uint32_t h = 1; h <= 700; ++h) {
      const CoverSize s = CoverScale(w, h, kPosterWidth, kPosterHeight);
      ASSERT_TRUE(s.ok) << w << "x" << h;
      ASSERT_GE(s.width, 160u) << w << "x" << h;
      ASSERT_GE(s.height, 128u) << w << "x" << h;
      ASSERT_TRUE(s.width == 160u || s.height == 128u) << w << "x" << h;
      // The axis that is not the field's is the exact scaled size, truncated.
      const double aspect = double(w) / h;
      if (s.width == 160u)
        ASSERT_NEAR(s.height, 160 / aspect, 1.0) << w << "x" << h;
      else
        ASSERT_NEAR(s.width, 128 * aspect, 1.0) << w << "x" << h;
    }
}

// Bitmaps of the field's size or larger are cut from the top left; short
// sides are centred on grey (a wide metafile: cut across, centred down).
TEST(PosterField, LargeBitmapsAreCutAndShortSidesCentredOnGrey) {
  const int rows[][7] = {
      {160, 128, 1, 1, 160, 128, 0}, {161, 129, 1, 1, 160, 128, 0}, {800, 600, 1, 1, 160, 128, 0},
      {100, 50, 31, 40, 100, 50, 1}, {300, 27, 1, 51, 160, 27, 1},  {159, 128, 1, 1, 159, 128, 1},
      {1, 1, 80, 64, 1, 1, 1},       {0, 10, 1, 1, 0, 0, 0},        {10, 0, 1, 1, 0, 0, 0}};
  for (const auto& r : rows) {
    const PastePlacement p = PlaceOnPosterField(r[0], r[1]);
    EXPECT_EQ(std::tuple(p.x, p.y, p.width, p.height, int(p.grey)), std::tuple(r[2], r[3], r[4], r[5], r[6]))
        << r[0] << "x" << r[1];
  }
}

}  // namespace
