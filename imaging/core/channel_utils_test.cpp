#include "core/channel_utils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_buffers.h"

using namespace Pictura;

namespace {
std::vector<uint32_t> g_rows;
BOOL g_stopAfterFirst = FALSE;
BOOL PICAPI RecordRow(DWORD done, DWORD, PIC_USERDATA) {
  g_rows.push_back(done);
  return g_stopAfterFirst ? FALSE : TRUE;
}
}  // namespace

TEST(Channels, CombineAndSplitRoundTripForEverySampleType) {
  const uint16_t r[4] = {1, 2, 3, 4}, g[4] = {5, 6, 7, 8}, b[4] = {9, 10, 11, 12};
  const void* planes[3] = {r, g, b};
  uint16_t rgb[2 * 7] = {};  // 2 rows, stride 7 samples
  ASSERT_TRUE(pic_CombineImageChannels(const_cast<void* const*>(planes), 2, 2, 3, 2, rgb, 7, 0x200));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(rgb[0], 1);
  EXPECT_EQ(rgb[1], 5);
  EXPECT_EQ(rgb[5], 10);
  EXPECT_EQ(rgb[7], 3);
  EXPECT_EQ(rgb[6], 0);  // padding untouched
  uint16_t r2[4] = {}, b2[4] = {};
  void* outs[3] = {r2, nullptr, b2};
  ASSERT_TRUE(pic_SplitImage(rgb, 2, 2, 3, 7, outs, 2, 0x200));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r2[i], r[i]);
    EXPECT_EQ(b2[i], b[i]);
  }
  // 8-byte (0x400) and 4-byte (0x600) samples.
  uint64_t big[2] = {0xFFFFFFFFFFFFFFFFull, 3};
  const void* bp[1] = {big};
  uint64_t out64[2] = {};
  ASSERT_TRUE(pic_CombineImageChannels(const_cast<void* const*>(bp), 2, 1, 1, 2, out64, 2, 0x400));
  EXPECT_EQ(out64[0], big[0]);
  uint32_t w[2] = {0xDEADBEEF, 1}, out32[2] = {};
  const void* wp[1] = {w};
  ASSERT_TRUE(pic_CombineImageChannels(const_cast<void* const*>(wp), 2, 1, 1, 2, out32, 2, 0x600));
  EXPECT_EQ(out32[0], 0xDEADBEEFu);
}

TEST(Channels, ArgumentErrors) {
  uint8_t img[12] = {};
  EXPECT_FALSE(pic_CombineImageChannels(nullptr, 2, 2, 3, 2, img, 6, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  const void* planes[1] = {img};
  EXPECT_FALSE(pic_CombineImageChannels(const_cast<void* const*>(planes), 2, 2, 0, 2, img, 6, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  // A negative channel count succeeds and does nothing.
  EXPECT_TRUE(pic_CombineImageChannels(const_cast<void* const*>(planes), 2, 2, 0x80000000u, 2, img, 6, 0));
  // A destination stride too short for its rows.
  EXPECT_FALSE(pic_CombineImageChannels(const_cast<void* const*>(planes), 4, 2, 3, 4, img, 6, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  // Two-type entries read only bit 9: 0x400 means 1-byte samples.
  uint8_t plane[2] = {7, 8}, dst[6] = {};
  ASSERT_TRUE(pic_SetImageChannel(plane, 2, 1, 2, dst, 3, 6, 2, 0x400));
  EXPECT_EQ(dst[2], 7);
  EXPECT_EQ(dst[5], 8);
  EXPECT_FALSE(pic_SetImageChannel(plane, 2, 1, 2, dst, 3, 6, 3, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Channels, ShuffleSwapsAndKeepsMarkedChannels) {
  const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
  uint8_t dst[6] = {9, 9, 9, 9, 9, 9};
  const uint8_t swap[3] = {2, 1, 0};
  ASSERT_TRUE(pic_ShuffleImageChannels(src, 2, 1, 3, 6, dst, 6, swap, 0));
  EXPECT_EQ(std::vector<uint8_t>(dst, dst + 6), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
  const uint8_t keep[3] = {0, 255, 0};
  uint8_t dst2[6] = {9, 9, 9, 9, 9, 9};
  ASSERT_TRUE(pic_ShuffleImageChannels(src, 2, 1, 3, 6, dst2, 6, keep, 0));
  EXPECT_EQ(std::vector<uint8_t>(dst2, dst2 + 6), (std::vector<uint8_t>{1, 9, 1, 4, 9, 4}));
  const uint8_t bad[3] = {0, 3, 1};
  EXPECT_FALSE(pic_ShuffleImageChannels(src, 2, 1, 3, 6, dst2, 6, bad, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_ShuffleImageChannels(src, 2, 1, 3, 0, dst2, 6, swap, 0));
}

TEST(Channels, ReorderInPlaceAndIntoADestination) {
  uint8_t img[6] = {1, 2, 3, 4, 5, 6};
  const uint8_t order[2] = {1, 0};
  ASSERT_TRUE(pic_ReorderChannels(img, 2, 1, 3, 6, nullptr, 0, order, 2, 0));
  EXPECT_EQ(std::vector<uint8_t>(img, img + 6), (std::vector<uint8_t>{2, 1, 3, 5, 4, 6}));
  const uint8_t out[3] = {2, 2, 3};
  uint8_t before[6];
  std::copy(img, img + 6, before);
  EXPECT_FALSE(pic_ReorderChannels(img, 2, 1, 3, 6, nullptr, 0, out, 3, 0));  // checked before writing
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(std::vector<uint8_t>(img, img + 6), std::vector<uint8_t>(before, before + 6));
  uint16_t wide[3] = {10, 20, 30}, dst[3] = {0, 0, 99};
  ASSERT_TRUE(pic_ReorderChannels(wide, 1, 1, 3, 3, dst, 3, order, 2, 0x200));
  EXPECT_EQ(dst[0], 20);
  EXPECT_EQ(dst[1], 10);
  EXPECT_EQ(dst[2], 99);
}

TEST(Channels, AlphaCombineAndSplit) {
  const uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
  uint8_t rgba[8] = {};
  ASSERT_TRUE(pic_CombineRGBAndAToRGBA(rgb, 2, 1, 6, nullptr, 0, rgba, 8, 0x1FF, 0));
  EXPECT_EQ(rgba[3], 255);
  EXPECT_EQ(rgba[7], 255);
  EXPECT_EQ(rgba[4], 4);
  uint16_t rgb16[3] = {1, 2, 3}, rgba16[4] = {};
  ASSERT_TRUE(pic_CombineRGBAndAToRGBA(rgb16, 1, 1, 3, nullptr, 0, rgba16, 4, 0x12345, 0x200));
  EXPECT_EQ(rgba16[3], 0x2345);

  // Split, every length around the vector width, with and without SSE4.1.
  for (DWORD off = 0; off < 2; ++off) {
    SetCpuFeaturesDisabled(off);
    for (uint32_t n = 1; n < 23; ++n) {
      std::vector<uint8_t> src(4 * n), rgbOut(3 * n + 1, 0xEE), alpha(n + 1, 0xEE);
      for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 7 + 1);
      ASSERT_TRUE(pic_SplitRGBAToRGBPlusA(src.data(), n, 1, 4 * n, rgbOut.data(), 3 * n, alpha.data(), n, 0));
      for (uint32_t i = 0; i < n; ++i) {
        EXPECT_EQ(rgbOut[3 * i + 2], src[4 * i + 2]);
        EXPECT_EQ(alpha[i], src[4 * i + 3]);
      }
      EXPECT_EQ(rgbOut[3 * n], 0xEE);  // nothing past the row
      EXPECT_EQ(alpha[n], 0xEE);
    }
  }
  SetCpuFeaturesDisabled(0);
  EXPECT_FALSE(pic_SplitRGBAToRGBPlusA(rgba, 2, 1, 8, nullptr, 0, nullptr, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Channels, HorizontalFlip) {
  uint8_t img[2 * 8] = {1, 2, 3, 4, 5, 6, 77, 78, 7, 8, 9, 10, 11, 12, 79, 80};
  ASSERT_TRUE(pic_HorizontalFlipImage(img, 3, 2, 2, 8, 0));
  EXPECT_EQ(std::vector<uint8_t>(img, img + 8), (std::vector<uint8_t>{5, 6, 3, 4, 1, 2, 77, 78}));
  EXPECT_EQ(img[8], 11);
  // Stride shorter than the row: refused, nothing touched.
  EXPECT_FALSE(pic_HorizontalFlipImage(img, 5, 2, 2, 8, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(img[0], 5);
  EXPECT_FALSE(pic_HorizontalFlipImage(img, 0, 0, 1, 0, 0));  // no scratch row
  EXPECT_EQ(PicGetLastError(), 1u);
  EXPECT_TRUE(pic_HorizontalFlipImage(img, 0, 2, 1, 8, 0));
  EXPECT_FALSE(pic_HorizontalFlipImage(nullptr, 1, 1, 1, 1, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Channels, FlipStoppedByProgressKeepsTheFirstRowFlipped) {
  uint8_t img[3 * 2] = {1, 2, 3, 4, 5, 6};
  g_rows.clear();
  g_stopAfterFirst = TRUE;
  pic_SetCallback(RecordRow, 0);
  EXPECT_FALSE(pic_HorizontalFlipImage(img, 2, 3, 1, 2, 0));
  EXPECT_EQ(PicGetLastError(), 14u);
  pic_SetCallback(nullptr, 0);
  g_stopAfterFirst = FALSE;
  EXPECT_EQ(std::vector<uint8_t>(img, img + 6), (std::vector<uint8_t>{2, 1, 3, 4, 5, 6}));
  EXPECT_EQ(g_rows, std::vector<uint32_t>{0});
}
