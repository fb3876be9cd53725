#include "pixelops/color_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "pixelops/pictura_pixelops.h"

using namespace Pictura;

TEST(Masks, OneBitAndEightBitMasksFromAColour) {
  const uint8_t idx[2 * 10] = {3, 0, 3, 3, 0, 0, 3, 0, 3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3};
  uint8_t mask[2 * 2] = {};
  ASSERT_TRUE(pic_Create1BitMaskFromColor(idx, 10, 2, 10, mask, 2, 3, 0));
  EXPECT_EQ(mask[0], 0xB2);
  EXPECT_EQ(mask[1], 0x80);
  EXPECT_EQ(mask[3], 0x40);
  uint8_t dst[2 * 10] = {};
  ASSERT_TRUE(pic_SetColorFrom1BitMask(mask, 10, 2, 2, dst, 10, 9, 0));
  for (int i = 0; i < 20; ++i) EXPECT_EQ(dst[i], idx[i] == 3 ? 9 : 0) << i;

  const uint8_t rgb[6] = {10, 20, 30, 30, 20, 10};
  uint8_t m8[2] = {1, 1};
  ASSERT_TRUE(pic_Create8BitMaskFromColor(rgb, 2, 1, 3, 6, m8, 2, 0x1E140A, 0, 200, 0));
  EXPECT_EQ(m8[0], 200);
  EXPECT_EQ(m8[1], 1);  // no match: left as it was
  ASSERT_TRUE(pic_Create8BitMaskFromColor(rgb, 2, 1, 3, 6, m8, 2, 0x1E140A, 0, 100, 1));
  EXPECT_EQ(m8[1], 100);
  EXPECT_FALSE(pic_Create8BitMaskFromColor(rgb, 2, 1, 2, 6, m8, 2, 0, 0, 1, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Blends, SolidColourAtHalfOpacityAndByAlpha) {
  uint8_t px[3] = {100, 100, 100};
  ASSERT_TRUE(pic_BlendSolidColor(px, 1, 1, 3, 0x0000C8, 0.5, 0));
  EXPECT_EQ(px[0], 150);
  EXPECT_EQ(px[1], 50);
  EXPECT_EQ(px[2], 50);
  uint8_t quad[8] = {100, 100, 100, 42, 0, 0, 0, 0};
  ASSERT_TRUE(pic_BlendSolidColor(quad, 1, 1, 4, 0x0000C8, 0.5, 3));
  EXPECT_EQ(quad[2], 150);  // bytes 0 and 2 of the colour exchanged
  EXPECT_EQ(quad[3], 42);
  uint8_t rgba[8] = {10, 20, 30, 255, 10, 20, 30, 0};
  ASSERT_TRUE(pic_AlphaBlendSolidColor(rgba, 2, 1, 8, 0x030201, 0));
  EXPECT_EQ(rgba[0], 1);
  EXPECT_EQ(rgba[2], 3);
  EXPECT_EQ(rgba[3], 255);
  EXPECT_EQ(rgba[4], 10);  // alpha 0 leaves the pixel
  EXPECT_FALSE(pic_AlphaBlendSolidColor(nullptr, 2, 1, 8, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

// Opacities outside 0 to 1 are used as given, but a result outside the byte
// range is limited to it instead of wrapping (or overflowing the cast).
TEST(Blends, OpacityOutsideTheUnitRangeSaturates) {
  uint8_t px[3] = {100, 100, 100};
  ASSERT_TRUE(pic_BlendSolidColor(px, 1, 1, 3, 0x0000C8, 2.0, 0));
  EXPECT_EQ(px[0], 255);  // 100 * -1 + 200 * 2 = 300
  EXPECT_EQ(px[1], 0);    // -100
  uint8_t huge[3] = {1, 2, 3};
  ASSERT_TRUE(pic_BlendSolidColor(huge, 1, 1, 3, 0x010101, 1e300, 0));
  uint8_t nan[3] = {1, 2, 3};
  ASSERT_TRUE(pic_BlendSolidColor(nan, 1, 1, 3, 0x010101, std::nan(""), 0));
  EXPECT_EQ(nan[0], 0);
  double a[3], b[3];
  uint16_t ia[3], ib[3];
  BuildOpacityTables16(40000.0, a, b, ia, ib, 3);
  EXPECT_EQ(ia[1], 40000);
  EXPECT_EQ(ia[2], 65535);  // 80000
  EXPECT_EQ(ib[2], 0);
  EXPECT_EQ(ia[0], 0);
}

TEST(Replace, ByColourToleranceAndRanges) {
  uint8_t quad[8] = {1, 2, 3, 4, 1, 2, 3, 5};
  uint32_t err = 0;
  ASSERT_EQ(ColorReplaceImageCore(&err, quad, 2, 1, 4, 8, 0x04030201, 0x0A0B0C0D, 0, 4), 1);
  EXPECT_EQ(quad[0], 0x0D);
  EXPECT_EQ(quad[3], 0x0A);
  EXPECT_EQ(quad[4], 1);  // the fourth byte differs: not an exact match
  uint8_t rgb[6] = {10, 20, 30, 12, 20, 30};
  ASSERT_EQ(ColorReplaceImageCore(&err, rgb, 2, 1, 3, 6, 0x1E140A, 0x000000FF, 4, 0), 1);
  EXPECT_EQ(rgb[0], 0xFF);
  EXPECT_EQ(rgb[3], 0xFF);  // distance 4 is within the tolerance
  uint8_t grey[3] = {5, 6, 5};
  ASSERT_EQ(ColorReplaceImageCore(&err, grey, 3, 1, 1, 3, 5, 9, 0, 0), 1);
  EXPECT_EQ(grey[0], 9);
  EXPECT_EQ(grey[1], 6);
  EXPECT_EQ(ColorReplaceImageCore(&err, grey, 3, 1, 2, 6, 5, 9, 0, 0), 0);
  EXPECT_EQ(err, 5u);

  uint8_t img[6] = {100, 50, 0, 110, 70, 0};
  const uint8_t c[3] = {100, 50, 0}, n[3] = {1, 2, 3}, tol[3] = {10, 5, 0};
  err = 0;
  ASSERT_EQ(ColorReplaceImageRangeSpecifiedCore(&err, img, 2, 1, 3, 6, c, n, tol, 0x3), 1);
  EXPECT_EQ(img[0], 1);
  EXPECT_EQ(img[3], 110);  // green differs by 20
  EXPECT_EQ(ColorReplaceImageRangeSpecifiedCore(&err, img, 2, 1, 5, 6, c, n, tol, 0x3), 0);
}

TEST(Counts, DistinctColoursFirstUnusedAndFirstN) {
  const uint8_t bw[12] = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};
  uint32_t err = 0;
  EXPECT_EQ(CountImageColorsCore(&err, bw, 2, 2, 3, 6, 0), 2u);
  EXPECT_EQ(CountImageColorsCore(&err, bw, 2, 2, 3, 6, 1), 2u);
  EXPECT_EQ(err, 0u);
  const uint8_t noBlack[3] = {5, 5, 5};
  EXPECT_EQ(FindFirstUnusedRGBColorCore(&err, noBlack, 1, 1, 3, 3, 0), 0u);
  const uint8_t low[6] = {0, 0, 0, 1, 0, 0};
  EXPECT_EQ(FindFirstUnusedRGBColorCore(&err, low, 2, 1, 3, 6, 0), 2u);
  const uint8_t window[6] = {0, 0, 0x40, 1, 0, 0};  // 0x400000 lies in the second window
  EXPECT_EQ(FindFirstUnusedRGBColorCore(&err, window, 2, 1, 3, 6, 0), 0u);
  EXPECT_EQ(CountImageColorsCore(&err, nullptr, 2, 1, 3, 6, 0), 0u);
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_EQ(CountImageColorsCore(&err, bw, 2, 2, 3, 5, 0), 0u);  // stride too short
  EXPECT_EQ(err, 5u);

  const uint8_t rg[6] = {255, 0, 0, 0, 255, 0};
  RGBQUAD pal[2] = {{9, 9, 9, 77}, {9, 9, 9, 9}};
  err = 0;
  EXPECT_EQ(GetFirstNColorsInRGBCore(&err, rg, 2, 1, 6, 1, pal, 0), 1u);
  EXPECT_EQ(pal[0].rgbRed, 255);
  EXPECT_EQ(pal[0].rgbBlue, 0);
  EXPECT_EQ(pal[0].rgbReserved, 77);
  EXPECT_EQ(pal[1].rgbBlue, 9);  // never past the maximum
  EXPECT_EQ(GetFirstNColorsInRGBCore(&err, rg, 2, 1, 6, 0, pal, 0), 0u);
  EXPECT_EQ(pal[0].rgbRed, 255);
  EXPECT_EQ(GetFirstNColorsInRGBCore(&err, rg, 2, 1, 6, 2, pal, 1), 2u);
  EXPECT_EQ(pal[0].rgbBlue, 255);
  EXPECT_EQ(pal[1].rgbGreen, 255);
}

TEST(Counts, HistogramAddsToItsCounters) {
  const uint8_t img[4] = {1, 1, 2, 200};
  uint32_t counts[256] = {};
  counts[1] = 10;
  uint32_t err = 0;
  ASSERT_EQ(Histogram8Bit(&err, img, 2, 2, 2, counts), 1);
  EXPECT_EQ(counts[1], 12u);
  EXPECT_EQ(counts[200], 1u);
}

TEST(BestFit, NearestPaletteEntryPerPixel) {
  RGBQUAD pal[3] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}};
  const uint8_t rgb[9] = {250, 10, 10, 200, 200, 200, 1, 2, 3};
  uint8_t out[3] = {};
  uint32_t err = 0;
  ASSERT_EQ(RGBTo8BitBestFitCore(&err, rgb, 3, 1, 9, out, 3, 3, pal, 0), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);
  const uint8_t bgr[3] = {10, 10, 250};
  ASSERT_EQ(RGBTo8BitBestFitCore(&err, bgr, 1, 1, 3, out, 1, 3, pal, 1), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(RGBTo8BitBestFitCore(&err, rgb, 3, 1, 9, out, 3, 257, pal, 0), 0);
  EXPECT_EQ(err, 5u);
}

TEST(Adjust, WhiteBalanceRedEyeAndPaletteSwap) {
  uint8_t px[3] = {100, 200, 50};
  uint32_t err = 0;
  ASSERT_EQ(WhiteBalance8bpc(px, 1, 1, 3, 3, 200, 200, 100, 0, &err), 1);
  EXPECT_EQ(px[0], 127);
  EXPECT_EQ(px[1], 255);
  EXPECT_EQ(px[2], 127);
  EXPECT_EQ(WhiteBalance8bpc(px, 1, 1, 2, 3, 1, 1, 1, 0, &err), 0);
  EXPECT_EQ(err, 5u);

  uint8_t eye[2 * 3] = {220, 30, 40, 90, 90, 90};
  err = 0;
  ASSERT_EQ(ReduceRedEye(&err, eye, 2, 1, 0, 0, 5, 5, 50, 80), 1);
  EXPECT_EQ(eye[0], 35);  // red, saturated: (30 + 40) / 2
  EXPECT_EQ(eye[3], 90);  // grey stays

  uint8_t img[4] = {1, 2, 3, 1};
  RGBQUAD pal[4] = {{0, 0, 0, 0}, {1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
  ASSERT_EQ(SwapPaletteIndices(&err, img, 2, 2, pal, 1, 2), 1);
  EXPECT_EQ(img[0], 2);
  EXPECT_EQ(img[1], 1);
  EXPECT_EQ(img[3], 2);
  EXPECT_EQ(pal[1].rgbRed, 2);
}

TEST(Opacity, TablesAndTheirTruncations) {
  double a[4], b[4];
  uint8_t ia[4], ib[4];
  BuildOpacityTables(0.3, a, b, ia, ib, 4);
  EXPECT_DOUBLE_EQ(a[3], 0.9);
  EXPECT_EQ(ia[3], 0);
  EXPECT_EQ(ib[3], 2);
  uint16_t wa[3] = {9, 9, 9};
  BuildOpacityTables16(0.5, nullptr, b, wa, nullptr, 3);
  EXPECT_EQ(wa[2], 9);  // nothing written without both f64 tables
}
