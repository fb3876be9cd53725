// Cover-and-crop sizes of user pictures and the placement of prepared
// bitmaps on the poster field.

#include "objects/portable/poster_geometry.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(size.width, c.nw);
    EXPECT_EQ(size.height, c.nh);
    EXPECT_EQ(size.bytes, uint64_t{c.nw} * c.nh * 3);
    const CropBox crop = CentreCrop(size.width, size.height, kPosterWidth, kPosterHeight);
    EXPECT_EQ(crop.left, c.left);
    EXPECT_EQ(crop.top, c.top);
    EXPECT_EQ(crop.right - crop.left, kPosterWidth);
    EXPECT_EQ(crop.bottom - crop.top, kPosterHeight);
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

TEST(PosterField, BitmapsOfTheFieldSizeOrLargerAreCutFromTheTopLeft) {
  for (auto [w, h] : {std::pair{160, 128}, {161, 129}, {800, 600}}) {
    const PastePlacement p = PlaceOnPosterField(w, h);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 1);
    EXPECT_EQ(p.width, 160);
    EXPECT_EQ(p.height, 128);
    EXPECT_FALSE(p.grey);
  }
}

TEST(PosterField, ShortSidesAreCentredOnGrey) {
  PastePlacement p = PlaceOnPosterField(100, 50);
  EXPECT_EQ(p.x, 31);
  EXPECT_EQ(p.y, 40);
  EXPECT_EQ(p.width, 100);
  EXPECT_EQ(p.height, 50);
  EXPECT_TRUE(p.grey);
  p = PlaceOnPosterField(300, 27);  // a wide metafile: cut across, centred down
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.width, 160);
  EXPECT_EQ(p.y, 51);
  EXPECT_EQ(p.height, 27);
  EXPECT_TRUE(p.grey);
  p = PlaceOnPosterField(159, 128);
  EXPECT_EQ(p.x, 1);
  EXPECT_TRUE(p.grey);
  EXPECT_FALSE(PlaceOnPosterField(0, 10).grey);
  EXPECT_EQ(PlaceOnPosterField(0, 10).width, 0);
}

}  // namespace
