#include "core/pixel_formats.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_buffers.h"
#include "pixelops/pictura_pixelops.h"

using namespace Pictura;

namespace {
uint16_t Word(const WORD* p) {
  return static_cast<uint16_t>(*p);
}
int g_rows = 0;
BOOL PICAPI StopAtSecond(DWORD, DWORD, PIC_USERDATA) {
  return ++g_rows < 2;
}
}  // namespace

TEST(RGB16, KnownPixels) {
  const uint8_t px[6] = {255, 255, 255, 8, 8, 8};
  WORD out[2] = {};
  ASSERT_TRUE(pic_RGB24ToRGB16(px, 2, 1, out, 0, 0));
  EXPECT_EQ(Word(&out[0]), 0xFFFF);
  EXPECT_EQ(Word(&out[1]), 0x0841);
  ASSERT_TRUE(pic_RGB24ToRGB16(px, 2, 1, out, 1, 0));
  EXPECT_EQ(Word(&out[0]), 0x7FFF);
  EXPECT_EQ(Word(&out[1]), 0x0421);
  ASSERT_TRUE(pic_RGB24ToRGB16(px, 2, 1, out, 1, 1));
  EXPECT_EQ(Word(&out[0]), 0xFFFF);
  // Second row from the second source row into the second destination row.
  const uint8_t two[2 * 4] = {0, 0, 0, 99, 255, 0, 0, 99};
  WORD o2[2 * 2] = {0, 0x1234, 0, 0x1234};
  ASSERT_TRUE(pic_RGB24ToRGB16Ex(two, 1, 2, 4, o2, 4, 1));
  EXPECT_EQ(Word(&o2[0]), 0);
  EXPECT_EQ(Word(&o2[2]), 0x7C00);
  EXPECT_EQ(Word(&o2[3]), 0x1234);
  EXPECT_TRUE(pic_RGB24ToRGB16Ex(two, 1, 0x80000000u, 4, o2, 4, 1));  // negative height: nothing to do
  EXPECT_FALSE(pic_RGB24ToRGB16(nullptr, 2, 1, out, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_RGB24ToRGB16(px, 0x60000000u, 1, out, 0, 0));  // width x 3 past 32 bits
}

TEST(RGB16, ProgressCanStopAfterARow) {
  std::vector<uint8_t> src(3 * 3, 255);
  std::vector<WORD> dst(3, 0);
  g_rows = 0;
  pic_SetCallback(StopAtSecond, 0);
  EXPECT_FALSE(pic_RGB24ToRGB16(src.data(), 1, 3, dst.data(), 0, 0));
  EXPECT_EQ(PicGetLastError(), 14u);
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(Word(&dst[1]), 0xFFFF);
  EXPECT_EQ(Word(&dst[2]), 0);
}

TEST(RGBA, AlphaAppendedAndPalettesExpanded) {
  const uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
  uint8_t rgba[8] = {};
  ASSERT_TRUE(pic_RGBToRGBA(rgb, 2, 1, 6, rgba, 8, 200));
  EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 8), (std::vector<uint8_t>{1, 2, 3, 200, 4, 5, 6, 200}));
  RGBQUAD pal[256] = {};
  pal[5] = RGBQUAD{30, 20, 10, 7};
  const uint8_t idx[1] = {5};
  uint8_t out[4] = {};
  uint32_t err = 0;
  ASSERT_EQ(Convert8BitToRGBCore(&err, idx, 1, 1, 1, out, 3, 0, pal, 0), 1);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[2], 30);
  ASSERT_EQ(Convert8BitToRGBCore(&err, idx, 1, 1, 1, out, 3, 0, pal, 1), 1);
  EXPECT_EQ(out[0], 30);
  ASSERT_EQ(Convert8BitToRGBACore(&err, idx, 1, 1, 1, out, 4, 0, pal, 0), 1);
  EXPECT_EQ(out[3], 7);
  ASSERT_EQ(Convert8BitToRGBACore(&err, idx, 1, 1, 1, out, 4, 0, pal, 2), 1);
  EXPECT_EQ(out[3], 255);
  EXPECT_EQ(Convert8BitToRGBCore(&err, idx, 1, 1, 1, out, 3, 0, nullptr, 0), 0);
  EXPECT_EQ(err, 5u);
}

TEST(SampleDepth, SixteenToEightAndBack) {
  const uint16_t s[6] = {0x8000, 0x80FF, 0x1091, 0x1090, 0xFFFF, 0x0100};
  uint8_t d[6] = {};
  uint32_t err = 0;
  ASSERT_EQ(Convert16bpcTo8bpcCore(&err, s, 6, 1, 1, 6, d, 6, 0), 1);
  EXPECT_EQ(std::vector<uint8_t>(d, d + 6), (std::vector<uint8_t>{128, 128, 17, 16, 255, 1}));
  ASSERT_EQ(Convert16bpcTo8bpcCore(&err, s, 6, 1, 1, 6, d, 6, 1), 1);
  EXPECT_EQ(d[1], 0xFF);  // the first byte in memory
  const uint16_t twelve[1] = {0x0FFF};
  ASSERT_EQ(Convert16bpcTo8bpcBitsCore(&err, twelve, 1, 1, 1, 12, 1, d, 1, 0), 1);
  EXPECT_EQ(d[0], 255);
  EXPECT_EQ(Convert16bpcTo8bpcBitsCore(&err, twelve, 1, 1, 1, 8, 1, d, 1, 0), 0);
  EXPECT_EQ(err, 5u);
  const uint8_t e[2] = {255, 1};
  uint16_t w[2] = {};
  ASSERT_EQ(Convert8bpcTo16bpcCore(&err, e, 2, 1, 1, 2, w, 2, 0), 1);
  EXPECT_EQ(w[0], 65535);
  EXPECT_EQ(w[1], 257);
  EXPECT_EQ(
      Convert8bpcTo16bpcCore(&err, e, 2, 1, 1, 2, reinterpret_cast<uint16_t*>(const_cast<uint8_t*>(e)), 2, 0),
      0);
  ASSERT_EQ(SwapByteOrderIn16bpcCore(&err, w, 2, 1, 1, 2, 0), 1);
  EXPECT_EQ(w[1], 0x0101);
  uint16_t be = 0x3412;
  SwapByteOrderIn16bpcCore(&err, &be, 1, 1, 1, 1, 0);
  EXPECT_EQ(be, 0x1234);
}

TEST(RedBlue, SwapsAgreeWithAndWithoutVectorCode) {
  for (DWORD off = 0; off < 2; ++off) {
    SetCpuFeaturesDisabled(off);
    for (uint32_t w = 1; w < 20; ++w) {
      std::vector<uint8_t> img(3 * w * 2 + 1, 0xEE);
      for (size_t i = 0; i + 1 < img.size(); ++i) img[i] = static_cast<uint8_t>(i);
      std::vector<uint8_t> before(img);
      uint32_t err = 0;
      ASSERT_EQ(SwapRedBlue24(&err, img.data(), w, 2), 1);
      for (size_t p = 0; p < 2 * w; ++p) {
        ASSERT_EQ(img[3 * p], before[3 * p + 2]);
        ASSERT_EQ(img[3 * p + 1], before[3 * p + 1]);
      }
      EXPECT_EQ(img.back(), 0xEE);
    }
  }
  SetCpuFeaturesDisabled(0);
  uint8_t q[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  SwapRedBlue32(q, 2, 1);
  EXPECT_EQ(q[0], 3);
  EXPECT_EQ(q[6], 5);
}

// Sizes whose products wrap in 32 bits are refused before any row is touched.
TEST(HostileSizes, ProductsAreCheckedIn64Bits) {
  std::vector<uint8_t> small(64, 7);
  const uint8_t before = small[0];
  EXPECT_FALSE(pic_RGBToRGBA(small.data(), 0x40000001u, 1, 12, small.data() + 32, 16, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(
      pic_RGB24ToRGB16Ex(small.data(), 0x55555556u, 2, 2, reinterpret_cast<WORD*>(small.data()), 4, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  RECT r{0, 0, 2, 1};
  EXPECT_FALSE(pic_CropImage(small.data(), 0x55555556u, 2, 2, small.data() + 32, 6, &r, 3));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_CombineRGBAndAToRGBA(small.data(), 0x40000000u, 2, 0, nullptr, 0, small.data(), 16, 0, 0));
  EXPECT_FALSE(pic_NormalizedDifferenceImage(small.data(), small.data(), 0x10000, 0x10000, 1, 0x10000,
                                             small.data(), 0));
  EXPECT_FALSE(pic_Pack8BitBuffer(small.data(), 0x20000001u, 2, 0, small.data(), 8, 1, 4));
  EXPECT_FALSE(pic_GetFirstNColorsInRGB(small.data(), 0x55555556u, 2, 2, 4,
                                        reinterpret_cast<RGBQUAD*>(small.data()), 0));
  EXPECT_EQ(small[0], before);
}
