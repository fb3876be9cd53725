#include "gdi/dib_gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gdi/gdi_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_dib.h"
#include "gdi/pictura_gdi.h"

using namespace gditest;

namespace {

using Bytes = std::vector<uint8_t>;

// The rule of make_test_bitmaps.py.
uint32_t Entry(uint32_t i) {
  return Rgb(i * 40 % 256, 255 - i * 30 % 256, i * 7 % 256);
}
uint32_t Paletted(int x, int y, uint32_t entries) {
  return Entry((x + 2 * y) % entries);
}
uint32_t Direct(int x, int y) {
  return Rgb(x * 20, y * 30, 200 - x - y);
}

Bytes RandomRGB(int width, int height, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes v(static_cast<size_t>(width) * height * 3);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

struct Bitmap {
  HBITMAP h;
  ~Bitmap() {
    if (h) DeleteObject(h);
  }
};

struct Block {
  HGLOBAL h;
  ~Block() {
    if (h) GlobalFree(h);
  }
};

HMODULE Self() {
  return GetModuleHandleA(nullptr);
}

// Every pixel of an RGB image equals the bitmap's.
void ExpectBitmapEquals(HBITMAP bitmap, const Bytes& rgb, int width, int height) {
  int w = 0, h = 0;
  auto got = ReadBitmap(bitmap, &w, &h);
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) ASSERT_EQ(got[y * width + x], RgbAt(rgb, width, x, y)) << x << "," << y;
}

}  // namespace

TEST(ResourceBitmap, EveryLayoutLoadsWithItsOwnColours) {
  struct Case {
    const char* name;
    int width, height;
    uint32_t entries;  // 0: direct colours
  } cases[] = {{"RES_8FULL", 13, 7, 256}, {"RES_8SHORT", 13, 7, 5}, {"RES_4", 9, 5, 16},
               {"RES_1", 17, 3, 2},       {"RES_24", 7, 6, 0},      {"RES_24TOP", 7, 6, 0},
               {"RES_RLE8", 6, 4, 9},     {"RES_CORE8", 5, 3, 256}};
  for (const Case& c : cases) {
    Bitmap bitmap{pic_LoadResourceBitmap(Self(), c.name, nullptr)};
    ASSERT_TRUE(bitmap.h) << c.name << " " << PicGetLastError();
    EXPECT_EQ(PicGetLastError(), 0u);
    int w = 0, h = 0;
    auto px = ReadBitmap(bitmap.h, &w, &h);
    ASSERT_EQ(w, c.width) << c.name;
    ASSERT_EQ(h, c.height) << c.name;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(px[y * w + x], c.entries ? Paletted(x, y, c.entries) : Direct(x, y))
            << c.name << " " << x << "," << y;
  }
  // The wide form finds the same resource.
  Bitmap wide{pic_LoadResourceBitmapW(Self(), L"RES_4", nullptr)};
  EXPECT_TRUE(wide.h);
}

namespace {
uint32_t lastCallbackCode;
std::string lastCallbackName;
void PICAPI OnError(DWORD code, const char* function, PIC_USERDATA) {
  lastCallbackCode = code;
  lastCallbackName = function;
}
}  // namespace

TEST(ResourceBitmap, FailuresGiveTheirCodes) {
  SetErrorCallback(OnError, 0);
  EXPECT_EQ(pic_LoadResourceBitmap(Self(), "NO_SUCH_BITMAP", nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 13u);
  EXPECT_EQ(lastCallbackCode, 13u);
  EXPECT_EQ(lastCallbackName, "pic_LoadResourceBitmap");
  EXPECT_EQ(pic_LoadResourceBitmap(nullptr, "RES_4", nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  // Rows cut short in the resource are refused, not read past its end.
  EXPECT_EQ(pic_LoadResourceBitmap(Self(), "RES_TRUNCATED", nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  SetErrorCallback(nullptr, 0);
}

TEST(DIBToHBITMAP, BothMethodsGiveTheImageAndMethodOneMakesASection) {
  const int width = 11, height = 5;
  Bytes rgb = RandomRGB(width, height, 1);
  Block dib{pic_RGBToDIB(rgb.data(), width, height, width * 3, nullptr)};
  ASSERT_TRUE(dib.h);
  for (DWORD method : {0u, 1u, 2u}) {
    pic_SetHBITMAPCreateMethod(method);
    Bitmap bitmap{pic_DIBToHBITMAP(dib.h, nullptr, nullptr)};
    ASSERT_TRUE(bitmap.h) << method << " " << PicGetLastError();
    DIBSECTION section;
    const bool isSection = GetObjectA(bitmap.h, sizeof section, &section) == sizeof section;
    EXPECT_EQ(isSection, method == 1) << method;  // 2 is not a method: device bitmaps
    ExpectBitmapEquals(bitmap.h, rgb, width, height);
  }
  // A section copies the rows its header describes, not biSizeImage bytes.
  pic_SetHBITMAPCreateMethod(1);
  static_cast<BITMAPINFOHEADER*>(dib.h)->biSizeImage = 0;
  Bitmap zero{pic_DIBToHBITMAP(dib.h, nullptr, nullptr)};
  ASSERT_TRUE(zero.h);
  ExpectBitmapEquals(zero.h, rgb, width, height);
  static_cast<BITMAPINFOHEADER*>(dib.h)->biSizeImage = 0x7FFFFFF0;
  Bitmap huge{pic_DIBToHBITMAP(dib.h, nullptr, nullptr)};
  ASSERT_TRUE(huge.h);
  ExpectBitmapEquals(huge.h, rgb, width, height);
  pic_SetHBITMAPCreateMethod(0);

  Bytes bad(40);
  EXPECT_EQ(pic_DIBToHBITMAP(bad.data(), nullptr, nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(DIBToHBITMAP, PalettedAndOneBitDIBs) {
  const int width = 10, height = 3;
  RGBQUAD pal[256];
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t c = Entry(i);
    pal[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
  }
  Bytes idx(width * height);
  for (int i = 0; i < width * height; ++i) idx[i] = static_cast<uint8_t>(i * 7);
  Block dib8{pic_8BitToDIB(idx.data(), width, height, width, 256, 8, pal, nullptr)};
  Bitmap b8{pic_DIBToHBITMAP(dib8.h, nullptr, nullptr)};
  ASSERT_TRUE(b8.h);
  auto px = ReadBitmap(b8.h);
  for (int i = 0; i < width * height; ++i) ASSERT_EQ(px[i], Entry(idx[i])) << i;

  // Without a DC a 1-bit DIB becomes a monochrome device bitmap.
  const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  const Bytes bits = {0xA0, 0x40, 0x00, 0xC0, 0xFF, 0xC0};
  Block dib1{pic_1BitToDIB(bits.data(), width, height, 2, bw, nullptr)};
  Bitmap b1{pic_DIBToHBITMAP(dib1.h, nullptr, nullptr)};
  ASSERT_TRUE(b1.h);
  BITMAP bm;
  GetObjectA(b1.h, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  px = ReadBitmap(b1.h);
  EXPECT_EQ(px[0], 0xFFFFFFu & Rgb(255, 255, 255));
  EXPECT_EQ(px[1], 0u);
  EXPECT_EQ(px[2], Rgb(255, 255, 255));
  EXPECT_EQ(px[width + 9], Rgb(255, 255, 255));
}

TEST(HBITMAPRoundTrip, RGBThroughBitmapAndBackForBothMethods) {
  const int width = 23, height = 9;
  Bytes rgb = RandomRGB(width, height, 2);
  HDC screen = GetDC(nullptr);
  for (DWORD method : {0u, 1u}) {
    pic_SetHBITMAPCreateMethod(method);
    Bitmap bitmap{pic_RGBToHBITMAP(rgb.data(), width, height, width * 3, nullptr, nullptr)};
    ASSERT_TRUE(bitmap.h) << method;
    Bytes back(rgb.size());
    ASSERT_TRUE(pic_HBITMAPToRGB(bitmap.h, screen, nullptr, back.data()));
    EXPECT_EQ(back, rgb) << method;
    Bytes rgba(width * height * 4);
    ASSERT_TRUE(pic_HBITMAPToRGBA(bitmap.h, screen, nullptr, 200, rgba.data()));
    EXPECT_EQ(0, std::memcmp(&rgba[4 * 30], &rgb[3 * 30], 3));

    Block dib{pic_HBITMAPToDIB(bitmap.h, nullptr)};
    ASSERT_TRUE(dib.h);
    DWORD bits = 0;
    ASSERT_TRUE(pic_DIBBitCount(dib.h, &bits));
    EXPECT_GE(bits, 24u);
    ASSERT_TRUE(pic_DIBToRGB(dib.h, back.data()));
    EXPECT_EQ(back, rgb);
  }
  pic_SetHBITMAPCreateMethod(0);
  ReleaseDC(nullptr, screen);

  Bytes out(12);
  EXPECT_FALSE(pic_HBITMAPToRGB(nullptr, nullptr, nullptr, out.data()));
  EXPECT_EQ(PicGetLastError(), 26u);  // no DC: no RC_DI_BITMAP
  EXPECT_EQ(pic_RGBToHBITMAP(nullptr, 2, 2, 6, nullptr, nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(ImageToHBITMAP, CropsAndDepths) {
  const int width = 30, height = 25;
  Bytes rgb = RandomRGB(width, height, 3);
  HDC screen = GetDC(nullptr);
  const RECT crop = {10, 10, 19, 19};  // right and bottom included: 10 by 10
  Bitmap cut{
      pic_ImageToHBITMAP(rgb.data(), width, height, width * 3, 24, nullptr, 0, &crop, nullptr, screen)};
  ASSERT_TRUE(cut.h);
  int w = 0, h = 0;
  auto px = ReadBitmap(cut.h, &w, &h);
  ASSERT_EQ(w, 10);
  ASSERT_EQ(h, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(px[y * 10 + x], RgbAt(rgb, width, x + 10, y + 10));

  // A crop reaching past the image is cut to it.
  const RECT past = {25, 20, 99, 99};
  Bitmap edge{
      pic_ImageToHBITMAP(rgb.data(), width, height, width * 3, 24, nullptr, 0, &past, nullptr, screen)};
  px = ReadBitmap(edge.h, &w, &h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 5);
  EXPECT_EQ(px[0], RgbAt(rgb, width, 25, 20));

  // 32 bits: alpha is dropped by the device bitmap, colours kept.
  Bytes rgba(width * height * 4);
  for (int i = 0; i < width * height; ++i) {
    std::memcpy(&rgba[4 * i], &rgb[3 * i], 3);
    rgba[4 * i + 3] = 255;
  }
  Bitmap b32{
      pic_ImageToHBITMAP(rgba.data(), width, height, width * 4, 32, nullptr, 0, nullptr, nullptr, screen)};
  px = ReadBitmap(b32.h);
  EXPECT_EQ(px[width * 7 + 3], RgbAt(rgb, width, 3, 7));

  // 1 bit: the crop must start on a byte.
  const RGBQUAD bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  Bytes ones(4 * height, 0x0F);
  const RECT byteCrop = {8, 0, 20, 1};
  Bitmap b1{pic_ImageToHBITMAP(ones.data(), 32, height, 4, 1, bw, 2, &byteCrop, nullptr, screen)};
  ASSERT_TRUE(b1.h);
  px = ReadBitmap(b1.h, &w, &h);
  EXPECT_EQ(w, 13);
  EXPECT_EQ(px[3], 0u);
  EXPECT_EQ(px[4], Rgb(255, 255, 255));
  const RECT unaligned = {3, 0, 20, 1};
  EXPECT_FALSE(pic_ImageToHBITMAP(ones.data(), 32, height, 4, 1, bw, 2, &unaligned, nullptr, screen));
  EXPECT_EQ(PicGetLastError(), 5u);

  const RECT outside = {40, 40, 50, 50};
  EXPECT_FALSE(
      pic_ImageToHBITMAP(rgb.data(), width, height, width * 3, 24, nullptr, 0, &outside, nullptr, screen));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(
      pic_ImageToHBITMAP(rgb.data(), width, height, width * 3, 16, nullptr, 0, nullptr, nullptr, screen));
  EXPECT_FALSE(
      pic_ImageToHBITMAP(rgb.data(), width, height, width, 8, nullptr, 256, nullptr, nullptr, screen));
  EXPECT_FALSE(
      pic_ImageToHBITMAP(rgb.data(), width, height, width * 3, 24, nullptr, 0, nullptr, nullptr, nullptr));
  ReleaseDC(nullptr, screen);
}

TEST(DCToRGB, GrabsTheArea) {
  Surface s(40, 30);
  s.Pattern();
  Bytes out(12 * 7 * 3);
  ASSERT_TRUE(pic_DCToRGB(s.dc(), 5, 9, 12, 7, out.data())) << PicGetLastError();
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(RgbAt(out, 12, x, y), s.At(x + 5, y + 9));
  EXPECT_FALSE(pic_DCToRGB(s.dc(), 0, 0, 0, 7, out.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_DCToRGB(nullptr, 0, 0, 3, 3, out.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Palettes, EntriesAndTheLimitOf256) {
  RGBQUAD quads[300];
  for (int i = 0; i < 300; ++i)
    quads[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i * 3), static_cast<BYTE>(i * 5), 0};
  HPALETTE pal = pic_RGBQUADToHPALETTE(quads, 300);
  ASSERT_TRUE(pal);
  EXPECT_EQ(GetPaletteEntries(pal, 0, 0, nullptr), 256u);
  PALETTEENTRY e;
  GetPaletteEntries(pal, 7, 1, &e);
  EXPECT_EQ(e.peRed, 35);
  EXPECT_EQ(e.peGreen, 21);
  EXPECT_EQ(e.peBlue, 7);
  DeleteObject(pal);
  EXPECT_EQ(pic_RGBQUADToHPALETTE(nullptr, 3), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);

  // A given palette is accepted by the conversions.
  HPALETTE small = pic_RGBQUADToHPALETTE(quads, 16);
  Bitmap b{pic_LoadResourceBitmap(Self(), "RES_4", small)};
  EXPECT_TRUE(b.h);
  DeleteObject(small);
}

TEST(ResizeDIB, ResultOnSuccessNothingAndFalseOnFailure) {
  Bytes rgb(12 * 8 * 3, 90);
  HGLOBAL dib = pic_RGBToDIB(rgb.data(), 12, 8, 36, nullptr);
  ASSERT_TRUE(dib);
  HGLOBAL out = nullptr;
  ASSERT_TRUE(pic_ResizeDIB(dib, 5, 4, &out, 16, 0));
  DWORD w = 0, bits = 0;
  ASSERT_TRUE(pic_DIBWidth(out, &w) && pic_DIBBitCount(out, &bits));
  EXPECT_EQ(w, 5u);
  EXPECT_EQ(bits, 24u);
  EXPECT_EQ(pic_DIBPixelStart(out)[7], 90);
  GlobalFree(out);
  out = dib;
  EXPECT_FALSE(pic_ResizeDIB(dib, 0, 4, &out, 16, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(out, nullptr);
  GlobalFree(dib);
}
