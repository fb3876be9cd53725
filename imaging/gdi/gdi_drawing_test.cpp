#include "gdi/gdi_drawing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi/gdi_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_dib.h"
#include "gdi/pictura_gdi.h"

using namespace gditest;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kKey = 0xFF00FF;  // magenta as 0x00RRGGBB
constexpr COLORREF kKeyRef = RGB(255, 0, 255);

struct Bitmap {
  HBITMAP h;
  ~Bitmap() {
    if (h) DeleteObject(h);
  }
};

// A sprite of 9 by 6 with magenta holes in a known pattern.
std::vector<uint32_t> Sprite() {
  std::vector<uint32_t> px(9 * 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) px[y * 9 + x] = (x + y) % 3 == 0 ? kKey : Rgb(20 * x, 30 * y, 100 + x);
  return px;
}

}  // namespace

TEST(TransparentBitmap, KeyPixelsShowTheBackgroundAndTheBitmapStaysAsItWas) {
  Surface target(30, 20);
  target.Pattern();
  std::vector<uint32_t> before(30 * 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) before[y * 30 + x] = target.At(x, y);
  const auto sprite = Sprite();
  Bitmap bitmap{MakeBitmap(9, 6, sprite)};
  ASSERT_TRUE(pic_DrawTransparentBitmap(target.dc(), bitmap.h, 7, 4, kKeyRef)) << PicGetLastError();
  EXPECT_EQ(PicGetLastError(), 0u);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      const bool inside = x >= 7 && x < 16 && y >= 4 && y < 10;
      const uint32_t s = inside ? sprite[(y - 4) * 9 + (x - 7)] : kKey;
      const uint32_t want = s == kKey ? before[y * 30 + x] : s;
      ASSERT_EQ(target.At(x, y), want) << x << "," << y;
    }
  EXPECT_EQ(ReadBitmap(bitmap.h), sprite);

  // Partly outside the target: what lies inside is drawn.
  ASSERT_TRUE(pic_DrawTransparentBitmap(target.dc(), bitmap.h, 25, -2, kKeyRef));
  EXPECT_EQ(target.At(27, 0), sprite[2 * 9 + 2]);
}

TEST(TransparentBitmap, ColourNoPixelHasDrawsOpaque) {
  Surface target(12, 8, Rgb(1, 2, 3));
  const auto sprite = Sprite();
  Bitmap bitmap{MakeBitmap(9, 6, sprite)};
  ASSERT_TRUE(pic_DrawTransparentBitmap(target.dc(), bitmap.h, 0, 0, RGB(1, 1, 1)));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(target.At(x, y), sprite[y * 9 + x]);
  EXPECT_EQ(target.At(10, 7), Rgb(1, 2, 3));
}

TEST(TransparentBitmap, FailuresAreReportedAndTouchNothing) {
  Surface target(12, 8, Rgb(1, 2, 3));
  EXPECT_FALSE(pic_DrawTransparentBitmap(target.dc(), nullptr, 0, 0, kKeyRef));
  EXPECT_EQ(PicGetLastError(), 5u);
  // Not a bitmap: a brush.
  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  EXPECT_FALSE(pic_DrawTransparentBitmap(target.dc(), reinterpret_cast<HBITMAP>(brush), 0, 0, kKeyRef));
  EXPECT_EQ(PicGetLastError(), 10u);
  DeleteObject(brush);
  // A bitmap already selected into another DC cannot be selected again.
  const auto sprite = Sprite();
  Bitmap bitmap{MakeBitmap(9, 6, sprite)};
  HDC holder = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(holder, bitmap.h);
  if (!pic_DrawTransparentBitmap(target.dc(), bitmap.h, 0, 0, kKeyRef)) {
    EXPECT_EQ(PicGetLastError(), 37u);
    EXPECT_EQ(target.At(0, 0), Rgb(1, 2, 3));
  }
  SelectObject(holder, old);
  DeleteDC(holder);
  EXPECT_FALSE(pic_DrawTransparentBitmap(nullptr, bitmap.h, 0, 0, kKeyRef));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(TransparentBitmap, AWorkBitmapThatCannotBeMadeDrawsNothingAndSaysSo) {
  // A monochrome bitmap whose colour copies would need gigabytes: the copy
  // fails before any pixel moves, and the call reports it.
  Surface target(12, 8, Rgb(1, 2, 3));
  Bitmap huge{CreateBitmap(30000, 30000, 1, 1, nullptr)};
  if (!huge.h) GTEST_SKIP() << "no room for the monochrome bitmap itself";
  EXPECT_FALSE(pic_DrawTransparentBitmap(target.dc(), huge.h, 0, 0, kKeyRef));
  EXPECT_EQ(PicGetLastError(), 23u);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(target.At(x, y), Rgb(1, 2, 3)) << x << "," << y;
}

TEST(TransparentRGB, DrawsAnImageBuffer) {
  Surface target(10, 10, Rgb(5, 6, 7));
  Bytes rgb = {255, 0, 255, 10, 20, 30, 40, 50, 60, 255, 0, 255};  // 2 by 2
  ASSERT_TRUE(pic_DrawTransparentRGB(target.dc(), rgb.data(), 2, 2, 6, 3, 3, kKeyRef));
  EXPECT_EQ(target.At(3, 3), Rgb(5, 6, 7));
  EXPECT_EQ(target.At(4, 3), Rgb(10, 20, 30));
  EXPECT_EQ(target.At(3, 4), Rgb(40, 50, 60));
  EXPECT_EQ(target.At(4, 4), Rgb(5, 6, 7));
}

TEST(DrawHBITMAP, WholeAndCroppedCopies) {
  Surface target(20, 20);
  const auto sprite = Sprite();
  Bitmap bitmap{MakeBitmap(9, 6, sprite)};
  ASSERT_TRUE(pic_DrawHBITMAP(target.dc(), bitmap.h, 2, 3, 9, 6, nullptr));
  EXPECT_EQ(target.At(2, 3), sprite[0]);
  EXPECT_EQ(target.At(10, 8), sprite[5 * 9 + 8]);
  EXPECT_EQ(target.At(11, 8), 0u);
  ASSERT_TRUE(pic_DrawHBITMAPCropped(target.dc(), bitmap.h, 15, 15, 4, 2, 3, 2, nullptr));
  EXPECT_EQ(target.At(15, 15), sprite[2 * 9 + 4]);
  EXPECT_EQ(target.At(17, 16), sprite[3 * 9 + 6]);
  EXPECT_FALSE(pic_DrawHBITMAP(target.dc(), nullptr, 0, 0, 1, 1, nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(DrawImages, OneEightAndTwentyFourBitsKeepTheirColours) {
  Surface target(20, 10);
  // 1 bit with two colours that are neither black nor white.
  const RGBQUAD two[2] = {{30, 20, 10, 0}, {200, 150, 100, 0}};
  const Bytes bits = {0xA0, 0x00, 0x40, 0x00};  // 3 by 2, stride 2
  ASSERT_TRUE(pic_Draw1Bit(target.dc(), bits.data(), 3, 2, 2, two, 1, 1, nullptr)) << PicGetLastError();
  EXPECT_EQ(target.At(1, 1), Rgb(100, 150, 200));
  EXPECT_EQ(target.At(2, 1), Rgb(10, 20, 30));
  EXPECT_EQ(target.At(2, 2), Rgb(100, 150, 200));

  RGBQUAD pal[256] = {};
  pal[7] = {1, 2, 3, 0};
  pal[9] = {4, 5, 6, 0};
  const Bytes idx = {7, 9, 9, 7};
  ASSERT_TRUE(pic_Draw8Bit(target.dc(), idx.data(), 2, 2, 2, pal, 10, 0, nullptr));
  EXPECT_EQ(target.At(10, 0), Rgb(3, 2, 1));
  EXPECT_EQ(target.At(11, 0), Rgb(6, 5, 4));

  const Bytes rgb = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(pic_DrawRGB(target.dc(), rgb.data(), 1, 2, 3, 15, 5, nullptr));
  EXPECT_EQ(target.At(15, 5), Rgb(1, 2, 3));
  EXPECT_EQ(target.At(15, 6), Rgb(4, 5, 6));
}

TEST(StretchDraw, ImagesAndDIBs) {
  Surface target(20, 20);
  const Bytes rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};  // 2 by 2
  ASSERT_TRUE(pic_StretchDrawRGB(target.dc(), rgb.data(), 2, 2, 6, 0, 0, 4, 4)) << PicGetLastError();
  EXPECT_EQ(target.At(0, 0), Rgb(10, 20, 30));
  EXPECT_EQ(target.At(3, 1), Rgb(40, 50, 60));
  EXPECT_EQ(target.At(3, 3), Rgb(100, 110, 120));

  RGBQUAD pal[256] = {};
  pal[1] = {9, 8, 7, 0};
  const Bytes idx = {1, 0};
  ASSERT_TRUE(pic_StretchDraw8Bit(target.dc(), idx.data(), 2, 1, 2, pal, 10, 10, 2, 1));
  EXPECT_EQ(target.At(10, 10), Rgb(7, 8, 9));
  const RGBQUAD two[2] = {{0, 0, 0, 0}, {1, 2, 3, 0}};
  const Bytes one = {0x80};
  ASSERT_TRUE(pic_StretchDraw1Bit(target.dc(), one.data(), 2, 1, 1, two, 12, 12, 4, 2));
  EXPECT_EQ(target.At(13, 13), Rgb(3, 2, 1));
  EXPECT_EQ(target.At(14, 13), 0u);
  EXPECT_FALSE(pic_StretchDraw8Bit(target.dc(), idx.data(), 2, 1, 2, nullptr, 0, 0, 2, 1));
  EXPECT_EQ(PicGetLastError(), 5u);

  // A top-down DIB counts as drawn: its height is negative, the lines are not.
  HGLOBAL dib = pic_RGBToDIB(rgb.data(), 2, 2, 6, nullptr);
  ASSERT_TRUE(dib);
  auto* h = static_cast<BITMAPINFOHEADER*>(dib);
  ASSERT_TRUE(pic_StretchDrawDIB(target.dc(), dib, 5, 5, 2, 2));
  EXPECT_EQ(target.At(5, 5), Rgb(10, 20, 30));
  // Flip the rows in place and mark the DIB top-down.
  uint8_t* bits = static_cast<uint8_t*>(dib) + 40;
  uint8_t row[8];
  std::memcpy(row, bits, 8);
  std::memcpy(bits, bits + 8, 8);
  std::memcpy(bits + 8, row, 8);
  h->biHeight = -2;
  const RECT source = {0, 0, 2, 2}, destination = {16, 16, 18, 18};
  EXPECT_TRUE(pic_StretchDrawDIBCropped(target.dc(), dib, &source, &destination)) << PicGetLastError();
  EXPECT_EQ(target.At(16, 16), Rgb(10, 20, 30));
  EXPECT_EQ(target.At(17, 17), Rgb(100, 110, 120));
  EXPECT_FALSE(pic_StretchDrawDIBCropped(target.dc(), dib, nullptr, &destination));
  EXPECT_EQ(PicGetLastError(), 5u);
  GlobalFree(dib);
}

TEST(Dimensions, ValidBitmapLeavesThePreviousError) {
  Bitmap bitmap{MakeBitmap(9, 6, Sprite())};
  pic_SetLastErrorProxy(42);
  DWORD w = 0, h = 0;
  ASSERT_TRUE(pic_GetHBITMAPDimensions(bitmap.h, &w, &h));
  EXPECT_EQ(w, 9u);
  EXPECT_EQ(h, 6u);
  EXPECT_EQ(PicGetLastError(), 42u);
  EXPECT_FALSE(pic_GetHBITMAPDimensions(nullptr, &w, &h));
  EXPECT_EQ(PicGetLastError(), 5u);
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_FALSE(pic_GetHBITMAPDimensions(reinterpret_cast<HBITMAP>(brush), &w, &h));
  EXPECT_EQ(PicGetLastError(), 17u);
  DeleteObject(brush);
}

TEST(DeviceCapabilities, ADCWithoutBitmapCapsRefusesAndRecordsNothing) {
  // A plain-metafile recording DC reports no raster capability at all.
  HDC recorder = CreateMetaFileA(nullptr);
  ASSERT_TRUE(recorder);
  ASSERT_EQ(GetDeviceCaps(recorder, RASTERCAPS) & (RC_BITMAP64 | RC_STRETCHDIB | RC_DI_BITMAP), 0);
  Bitmap bitmap{MakeBitmap(9, 6, Sprite())};
  EXPECT_FALSE(pic_DrawTransparentBitmap(recorder, bitmap.h, 0, 0, kKeyRef));
  EXPECT_EQ(PicGetLastError(), 26u);
  EXPECT_FALSE(pic_DrawHBITMAP(recorder, bitmap.h, 0, 0, 9, 6, nullptr));
  EXPECT_EQ(PicGetLastError(), 26u);
  const Bytes rgb(12, 9);
  EXPECT_FALSE(pic_StretchDrawRGB(recorder, rgb.data(), 2, 2, 6, 0, 0, 8, 8));
  EXPECT_EQ(PicGetLastError(), 26u);
  Bytes out(9 * 6 * 3);
  EXPECT_FALSE(pic_HBITMAPToRGB(bitmap.h, recorder, nullptr, out.data()));
  EXPECT_EQ(PicGetLastError(), 26u);
  EXPECT_FALSE(pic_DCToRGB(recorder, 0, 0, 2, 2, out.data()));
  EXPECT_EQ(PicGetLastError(), 26u);
  HGLOBAL dib = pic_RGBToDIB(rgb.data(), 2, 2, 6, nullptr);
  EXPECT_FALSE(pic_DIBToHBITMAP(dib, nullptr, recorder));
  EXPECT_EQ(PicGetLastError(), 26u);
  GlobalFree(dib);
  // Nothing was drawn: the recording holds no more than an empty one.
  HMETAFILE recorded = CloseMetaFile(recorder);
  HDC emptyRecorder = CreateMetaFileA(nullptr);
  HMETAFILE empty = CloseMetaFile(emptyRecorder);
  EXPECT_EQ(GetMetaFileBitsEx(recorded, 0, nullptr), GetMetaFileBitsEx(empty, 0, nullptr));
  DeleteMetaFile(recorded);
  DeleteMetaFile(empty);
}

TEST(DrawRGBA, BlendsOverWhatTheDCShows) {
  Surface target(10, 10, Rgb(200, 100, 0));
  // Opaque, transparent, half and a quarter.
  const Bytes rgba = {10, 20, 30, 255, 10, 20, 30, 0, 0, 0, 255, 128, 255, 255, 255, 64};
  ASSERT_TRUE(pic_DrawRGBA(target.dc(), rgba.data(), 4, 1, 16, 3, 5, nullptr, 0)) << PicGetLastError();
  EXPECT_EQ(target.At(3, 5), Rgb(10, 20, 30));
  EXPECT_EQ(target.At(4, 5), Rgb(200, 100, 0));
  // d (255 - a) / 255 + c a / 255, each truncated.
  EXPECT_EQ(target.At(5, 5), Rgb(200 * 127 / 255, 100 * 127 / 255, 255 * 128 / 255));
  EXPECT_EQ(target.At(6, 5), Rgb(200 * 191 / 255 + 64, 100 * 191 / 255 + 64, 64));
  EXPECT_EQ(target.At(7, 5), Rgb(200, 100, 0));
  EXPECT_FALSE(pic_DrawRGBA(target.dc(), rgba.data(), 4, 1, 15, 0, 0, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(DrawRGBA, ScaledDrawsTheTruncatedSize) {
  Surface target(80, 40, Rgb(1, 2, 3));
  Bytes rgba(101 * 51 * 4);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = 250;
    rgba[i + 1] = 10;
    rgba[i + 2] = 20;
    rgba[i + 3] = 255;
  }
  ASSERT_TRUE(pic_DrawRGBAScaled(target.dc(), rgba.data(), 101, 51, 101 * 4, 5, 6, 0.5, nullptr, 0))
      << PicGetLastError();
  // 50 by 25 pixels: (5..54, 6..30), the colour within the resampler's
  // truncation.
  auto within2 = [](uint32_t got, uint32_t want) {
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>((got >> shift) & 255) - static_cast<int>((want >> shift) & 255)) > 2)
        return false;
    return true;
  };
  EXPECT_PRED2(within2, target.At(5, 6), Rgb(250, 10, 20));
  EXPECT_PRED2(within2, target.At(54, 30), Rgb(250, 10, 20));
  EXPECT_EQ(target.At(55, 30), Rgb(1, 2, 3));
  EXPECT_EQ(target.At(54, 31), Rgb(1, 2, 3));
  EXPECT_FALSE(pic_DrawRGBAScaled(target.dc(), rgba.data(), 101, 51, 101 * 4, 0, 0, 0.001, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}
