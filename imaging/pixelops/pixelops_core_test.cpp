#include <gtest/gtest.h>

#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "pixelops/pictura_pixelops.h"
#include "pixelops/color_conversion.h"
#include "core/color_match.h"
#include "core/row_simd.h"

using namespace Pictura;

TEST(ColorMatch, NearestLowestIndexAndExactStop) {
  CPicImgColorMatch m;
  EXPECT_EQ(m.FindClosest(10, 20, 30), 0);  // no palette yet
  EXPECT_EQ(m.CacheSize(), 0u);
  RGBQUAD pal[8] = {};
  pal[3] = RGBQUAD{0, 0, 100, 0};
  pal[7] = RGBQUAD{0, 0, 120, 0};
  for (int i : {0, 1, 2, 4, 5, 6}) pal[i] = RGBQUAD{255, 255, 255, 0};
  m.SetPalette(pal, 8);
  EXPECT_EQ(m.FindClosest(110, 0, 0), 3);  // equidistant from 3 and 7
  RGBQUAD bw[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  m.SetPalette(bw, 2);
  EXPECT_EQ(m.FindClosest(0, 0, 0), 1);
  EXPECT_EQ(m.FindClosestRGB(0x00FF0000), 1);  // pure blue: nearer black than white
  m.SetPalette(bw, 2);
  for (uint32_t i = 0; i < 300; ++i) {
    m.FindClosest(static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 7);
    if (i == 254) {
      EXPECT_EQ(m.CacheSize(), 255u);
    }
    if (i == 255) {
      EXPECT_EQ(m.CacheSize(), 1u);
    }
  }
  m.SetPalette(nullptr, 0);
  EXPECT_EQ(m.CacheSize(), 0u);
  EXPECT_EQ(m.FindClosest(0, 0, 0), 1);  // the palette stays
  RGBQUAD many[300] = {};
  m.SetPalette(many, 300);  // never more than 256 entries
}

TEST(ColorMatch, HandleEntries) {
  RGBQUAD pal[2] = {{0, 0, 0, 0}, {0, 0, 255, 0}};
  HGLOBAL h = pic_CreateColorMatcher(pal, 2);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(pic_FindClosestColor(h, 0x1F0, 0, 0), 1u);  // low byte of each used
  EXPECT_EQ(pic_FindClosestColor(nullptr, 1, 2, 3), 0xFFFFFFFFu);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(pic_DestroyColorMatcher(h));
  EXPECT_FALSE(pic_DestroyColorMatcher(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  HGLOBAL empty = pic_CreateColorMatcher(nullptr, 0);
  EXPECT_EQ(pic_FindClosestColor(empty, 200, 0, 0), 0u);
  pic_DestroyColorMatcher(empty);
}

TEST(Hsv, KnownColours) {
  CPicColorConversion::Conv_RGB_dbl_To_HSV_dbl hsv;
  double h, s, v;
  hsv.Convert(0, 0, 0, &h, &s, &v);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(s, 0);
  hsv.Convert(128, 128, 128, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(v, 128);
  hsv.Convert(255, 0, 0, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 1);
  hsv.Convert(0, 0, 255, &h, &s, &v);
  EXPECT_EQ(h, 240);
  CPicColorConversion::Conv_HSV_dbl_To_RGB_dbl back;
  double r, g, b;
  back.Convert(240, 1, 255, &r, &g, &b);
  EXPECT_EQ(b, 255);
  EXPECT_EQ(r, 0);
}

TEST(RowSimd, ErrorsAndAvailability) {
  EXPECT_FALSE(HasSSE41ForChannels(4));
  uint32_t err = 0;
  uint8_t row[48] = {};
  EXPECT_FALSE(SplitRGBAToRGBPlusARowSIMD(&err, row, nullptr, nullptr, 4, false));
  EXPECT_EQ(err, 5u);
  SetCpuFeaturesDisabled(1);
  err = 0;
  EXPECT_FALSE(SwapRBRowSIMD(&err, row, 4));
  EXPECT_EQ(err, 71u);
  err = 0;
  EXPECT_FALSE(CopySwapRBRowSIMD(&err, row, row, 4));
  EXPECT_EQ(err, 71u);
  SetCpuFeaturesDisabled(0);
  if (HasSSE41ForChannels(3)) {
    std::vector<uint8_t> src(3 * 18), dst(3 * 18 + 1, 0xEE);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(CopySwapRBRowSIMD(&err, src.data(), dst.data(), 18));
    for (int p = 0; p < 18; ++p) EXPECT_EQ(dst[3 * p], src[3 * p + 2]);
    EXPECT_EQ(dst.back(), 0xEE);
    std::vector<uint8_t> rgba(4 * 18), out(3 * 18);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(SplitRGBAToRGBPlusARowSIMD(&err, rgba.data(), out.data(), nullptr, 18, true));
    for (int p = 0; p < 18; ++p) EXPECT_EQ(out[3 * p], rgba[4 * p + 2]);
  }
}

TEST(ColorEntries, ThinWrappersReportUnderTheirNames) {
  RGBQUAD pal[256] = {};
  pal[2] = RGBQUAD{3, 2, 1, 0};
  const uint8_t idx[2] = {2, 0};
  uint8_t rgb[6] = {};
  ASSERT_TRUE(pic_8BitToRGB(idx, 2, 1, 2, rgb, 6, 256, pal, 0));
  EXPECT_EQ(rgb[0], 1);
  uint8_t two[4] = {1, 2, 3, 4};
  EXPECT_FALSE(pic_ColorReplaceImage(two, 2, 1, 2, 4, 0, 0, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(pic_ColorCompare(0x010203, 0x010203, 0));
  EXPECT_EQ(PicGetLastError(), 0u);
  uint32_t counts[256] = {};
  ASSERT_TRUE(pic_FindColorsUsedIn8BitImage(idx, 2, 1, 2, reinterpret_cast<DWORD*>(counts)));
  ASSERT_TRUE(pic_FindColorsUsedIn8BitImage(idx, 2, 1, 2, reinterpret_cast<DWORD*>(counts)));
  EXPECT_EQ(counts[2], 2u);  // added to, not cleared
  const uint16_t s[1] = {0x0FFF};
  uint8_t d[1] = {};
  ASSERT_TRUE(pic_Convert16bpcTo8bpcBits(s, 1, 1, 1, 12, 1, d, 1, 0));
  EXPECT_EQ(d[0], 255);
  EXPECT_FALSE(pic_Convert16bpcTo8bpcBits(s, 1, 1, 1, 17, 1, d, 1, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  const uint8_t bw[6] = {0, 0, 0, 255, 255, 255};
  EXPECT_EQ(pic_CountImageColors(bw, 2, 1, 3, 6, 0), 2u);
  EXPECT_EQ(pic_FindFirstUnusedRGBColor(bw, 2, 1, 3, 6, 0), 1u);
}
