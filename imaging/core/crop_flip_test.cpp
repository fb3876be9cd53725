#include "core/crop_flip.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_buffers.h"

using namespace Pictura;

namespace {
std::vector<std::pair<DWORD, DWORD>> g_calls;
BOOL PICAPI Record(DWORD done, DWORD total, PIC_USERDATA) {
  g_calls.emplace_back(done, total);
  return TRUE;
}
struct ProgressLog {
  ProgressLog() {
    g_calls.clear();
    pic_SetCallback(Record, 0);
  }
  ~ProgressLog() { pic_SetCallback(nullptr, 0); }
};

bool Bit(const std::vector<uint8_t>& row, size_t x) {
  return (row[x / 8] >> (7 - x % 8)) & 1;
}
}  // namespace

TEST(CopyBufferTest, CopiesTheShorterStride) {
  std::vector<uint8_t> src(24), dst(16, 0xAA);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(pic_CopyBuffer(src.data(), 12, 2, 8, dst.data()));
  EXPECT_EQ(dst[7], 7);
  EXPECT_EQ(dst[8], 12);
  EXPECT_EQ(dst[15], 19);
  EXPECT_FALSE(pic_CopyBuffer(nullptr, 12, 2, 8, dst.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(CopyRows(src.data(), 12, 2, 8, dst.data(), 9), 0);
  EXPECT_EQ(CopyRows(src.data(), 12, 2, 8, dst.data(), 4), 1);
}

TEST(Crop, RectangleOfAnRGBImageWithProgressPerSourceRow) {
  std::vector<uint8_t> src(4 * 12);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> dst(2 * 6, 0);
  RECT r{1, 1, 3, 3};
  {
    ProgressLog log;
    ASSERT_TRUE(pic_CropImage(src.data(), 4, 4, 12, dst.data(), 6, &r, 3));
    ASSERT_EQ(g_calls.size(), 4u);
    for (DWORD i = 0; i < 4; ++i) EXPECT_EQ(g_calls[i], std::make_pair(i, DWORD{4}));
  }
  EXPECT_EQ(dst[0], 15);  // row 1, byte 3
  EXPECT_EQ(dst[5], 20);
  EXPECT_EQ(dst[6], 27);
  std::vector<uint8_t> untouched(dst);
  RECT past{2, 0, 5, 2};  // one column past the image
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 12, dst.data(), 6, &past, 3));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(dst, untouched);
  RECT negative{-1, 0, 2, 2};
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 12, dst.data(), 6, &negative, 3));
  RECT huge{1, 1, 0x7FFFFFFF, 2};
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 12, dst.data(), 6, &huge, 3));
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 11, dst.data(), 6, &r, 3));   // short source stride
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 12, src.data(), 12, &r, 3));  // in place
  EXPECT_FALSE(pic_CropImage(src.data(), 4, 4, 12, dst.data(), 5, &r, 3));   // short destination stride
}

TEST(Crop, OneBitAtAnyLeftEdgeMatchesABitByBitReference) {
  std::vector<uint8_t> row{0xB3};  // 1,0,1,1,0,0,1,1
  std::vector<uint8_t> out(1, 0);
  RECT r{3, 0, 8, 1};
  ASSERT_TRUE(pic_Crop1Bit(row.data(), 8, 1, 1, out.data(), 1, &r));
  EXPECT_EQ(out[0] & 0xF8, 0x98);  // 1,0,0,1,1

  std::mt19937 rng(7);
  const uint32_t w = 37, h = 5, stride = 6;
  std::vector<uint8_t> src(h * stride);
  for (auto& b : src) b = static_cast<uint8_t>(rng());
  for (int left : {0, 1, 8, 13}) {
    RECT c{left, 1, left + 20, 4};
    std::vector<uint8_t> dst(3 * 3, 0);
    ASSERT_TRUE(pic_Crop1Bit(src.data(), w, h, stride, dst.data(), 3, &c)) << left;
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 20; ++x) {
        std::vector<uint8_t> srow(src.begin() + (y + 1) * stride, src.begin() + (y + 2) * stride);
        std::vector<uint8_t> drow(dst.begin() + y * 3, dst.begin() + y * 3 + 3);
        ASSERT_EQ(Bit(drow, x), Bit(srow, left + x)) << left << " " << x << " " << y;
      }
  }
  RECT past{30, 0, 38, 1};
  std::vector<uint8_t> dst(2);
  EXPECT_FALSE(pic_Crop1Bit(src.data(), w, h, stride, dst.data(), 2, &past));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Flip, OneBitMirrorPutsPixelXAtWidthMinusOneMinusX) {
  // Pixels 0, 1 and 9 of a 10-pixel row become 0, 8 and 9.
  std::vector<uint8_t> row{0xC0, 0x40};
  ASSERT_TRUE(pic_FlipHorizontal1Bit(row.data(), 10, 1, 2));
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1] & 0xC0, 0xC0);
  std::mt19937 rng(3);
  for (uint32_t w : {1u, 7u, 8u, 9u, 31u, 64u}) {
    const uint32_t stride = (w + 7) / 8 + 1;
    std::vector<uint8_t> img(3 * stride);
    for (auto& b : img) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> before(img);
    ASSERT_TRUE(pic_FlipHorizontal1Bit(img.data(), w, 3, stride));
    for (uint32_t y = 0; y < 3; ++y) {
      std::vector<uint8_t> a(before.begin() + y * stride, before.begin() + (y + 1) * stride);
      std::vector<uint8_t> b(img.begin() + y * stride, img.begin() + (y + 1) * stride);
      for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(Bit(b, x), Bit(a, w - 1 - x)) << w;
    }
  }
  EXPECT_TRUE(pic_FlipHorizontal1Bit(row.data(), 0, 1, 2));
  EXPECT_FALSE(pic_FlipHorizontal1Bit(row.data(), 17, 1, 2));  // stride too short
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Flip, ShiftBitRowMovesBitsTowardsTheStart) {
  uint8_t row[3] = {0x02, 0x03, 0xFF};
  ShiftBitRow(row, 2, 6);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0xC0);
  EXPECT_EQ(row[2], 0xFF);  // past the byte count: untouched
  uint8_t one[2] = {0x81, 0x80};
  ShiftBitRow(one, 2, 1);
  EXPECT_EQ(one[0], 0x03);
  EXPECT_EQ(one[1], 0x00);
}

TEST(Flip, VerticalExchangesRowsAndReportsPairs) {
  uint8_t img[3 * 2] = {1, 2, 3, 4, 5, 6};
  {
    ProgressLog log;
    ASSERT_TRUE(pic_VerticalFlipImage(img, 2, 3));
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0], std::make_pair(DWORD{0}, DWORD{3}));
    EXPECT_EQ(g_calls[1], std::make_pair(DWORD{2}, DWORD{3}));
  }
  EXPECT_EQ(std::vector<uint8_t>(img, img + 6), (std::vector<uint8_t>{5, 6, 3, 4, 1, 2}));
  EXPECT_FALSE(pic_VerticalFlipImage(img, 0, 3));
  EXPECT_EQ(PicGetLastError(), 1u);
}

namespace {
struct Canvas {
  uint32_t w, h, bpp, stride;
  std::vector<uint8_t> px;
  Canvas(uint32_t w_, uint32_t h_, uint32_t bpp_)
      : w(w_), h(h_), bpp(bpp_), stride(w_ * bpp_ / 8 + 1), px(stride * h_) {}
  void Set(uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = &px[y * stride + x * bpp / 8];
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
  void Fill(uint8_t r, uint8_t g, uint8_t b) {
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) Set(x, y, r, g, b);
  }
};
RECT Border(Canvas& c, DWORD flags = 0, DWORD color = 0, DWORD tolerance = 0) {
  RECT r{-1, -1, -1, -1};
  pic_GetBorder(c.px.data(), c.w, c.h, c.bpp, c.stride, nullptr, tolerance, color, &r, flags);
  return r;
}
}  // namespace

TEST(BorderSearch, ExclusiveBottomAndRight) {
  Canvas c(12, 10, 24);
  c.Fill(9, 9, 9);
  RECT r = Border(c);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(r.top, 9);
  EXPECT_EQ(r.bottom, 10);
  EXPECT_EQ(r.left, 11);
  EXPECT_EQ(r.right, 12);
  c.Set(5, 7, 200, 0, 0);
  r = Border(c);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.right, 6);
  EXPECT_EQ(r.bottom, 8);
  // Two differing pixels: bottom and right stay one past the last.
  c.Set(8, 9 - 1, 0, 200, 0);
  r = Border(c);
  EXPECT_EQ(r.right, 9);
  EXPECT_EQ(r.bottom, 9);
  // Within the tolerance the pixel counts as background.
  Canvas t(4, 4, 32);
  t.Fill(100, 100, 100);
  t.Set(1, 1, 103, 100, 100);
  r = Border(t, 0, 0, 9);
  EXPECT_EQ(r.top, 3);
  r = Border(t, 0, 0, 8);
  EXPECT_EQ(r.top, 1);
  EXPECT_EQ(r.bottom, 2);
}

TEST(BorderSearch, CornerRuleAndExplicitColour) {
  Canvas c(6, 6, 24);
  c.Fill(0, 0, 0);
  c.Set(0, 0, 1, 0, 0);
  c.Set(5, 0, 0, 2, 0);
  c.Set(0, 5, 0, 0, 3);
  c.Set(5, 5, 4, 4, 4);
  RECT r = Border(c);
  EXPECT_EQ(PicGetLastError(), 88u);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 6);
  EXPECT_EQ(r.bottom, 6);
  // The odd corner at the bottom left: the other three decide; four steps reported.
  c.Fill(0, 0, 0);
  c.Set(0, 5, 9, 9, 9);
  {
    ProgressLog log;
    r = Border(c);
    EXPECT_EQ(g_calls, (std::vector<std::pair<DWORD, DWORD>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}}));
  }
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 5);
  // Given the background colour (bytes 0 and 2 exchanged by flags bit 1).
  c.Fill(10, 20, 30);
  c.Set(2, 3, 0, 0, 0);
  r = Border(c, 1, 0x1E140A);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.top, 3);
  r = Border(c, 3, 0x0A141E);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 4);
}

TEST(BorderSearch, OneBitAndPalettedImages) {
  std::vector<uint8_t> bits(4 * 2, 0xFF);
  bits[2 * 2] = 0xEF;  // pixel 3 of row 2 is 0
  RECT r{};
  ASSERT_TRUE(pic_GetBorder(bits.data(), 16, 4, 1, 2, nullptr, 0, 1, &r, 0));
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.right, 4);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.bottom, 3);
  RGBQUAD pal[256] = {};
  pal[1] = RGBQUAD{0, 0, 255, 0};
  std::vector<uint8_t> idx(5 * 5, 0);
  idx[2 * 5 + 4] = 1;
  ASSERT_TRUE(pic_GetBorder(idx.data(), 5, 5, 8, 5, pal, 0, 0, &r, 0));
  EXPECT_EQ(r.left, 4);
  EXPECT_EQ(r.right, 5);
  EXPECT_FALSE(pic_GetBorder(idx.data(), 5, 5, 8, 5, nullptr, 0, 0, &r, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_GetBorder(idx.data(), 5, 5, 16, 10, pal, 0, 0, &r, 0));
  EXPECT_FALSE(pic_GetBorder(idx.data(), 0, 5, 8, 5, pal, 0, 0, &r, 0));
  EXPECT_FALSE(pic_GetBorder(idx.data(), 6, 5, 8, 5, pal, 0, 0, &r, 0));  // stride too short
}

TEST(ColorsMatchTest, ToleranceIsTheSquaredDistanceOfThreeBytes) {
  EXPECT_TRUE(ColorsMatch(0x01020304, 0x01020304, 0));
  EXPECT_FALSE(ColorsMatch(0x020304, 0x020305, 0));
  EXPECT_TRUE(ColorsMatch(0xFF020304, 0x00020304, 1));   // the fourth byte is ignored,
  EXPECT_FALSE(ColorsMatch(0xFF020304, 0x00020304, 0));  // but not without a tolerance
  EXPECT_TRUE(ColorsMatch(0x000000, 0x030404, 41));
  EXPECT_FALSE(ColorsMatch(0x000000, 0x030404, 40));
}
