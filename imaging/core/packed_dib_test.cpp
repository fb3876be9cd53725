#include "core/packed_dib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/io_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_dib.h"

using namespace Pictura;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes RandomBytes(size_t n, uint32_t seed, uint32_t modulo = 256) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() % modulo);
  return v;
}

std::vector<RGBQUAD> RandomPalette(uint32_t n, uint32_t seed) {
  Bytes b = RandomBytes(4 * size_t{n}, seed);
  std::vector<RGBQUAD> p(n);
  for (uint32_t i = 0; i < n; ++i) p[i] = {b[4 * i], b[4 * i + 1], b[4 * i + 2], 0};
  return p;
}

const BITMAPINFOHEADER& Header(HGLOBAL dib) {
  return *static_cast<const BITMAPINFOHEADER*>(dib);
}

// A DIB block assembled by hand: header, table, pixel bytes.
struct HandDIB {
  Bytes block;
  HandDIB(int32_t width, int32_t height, uint16_t bits, uint32_t compression, const void* table,
          size_t tableBytes, const Bytes& pixels, uint32_t clrUsed = 0) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biSizeImage = static_cast<DWORD>(pixels.size());
    h.biClrUsed = clrUsed;
    block.resize(40 + tableBytes + pixels.size());
    std::memcpy(block.data(), &h, 40);
    if (tableBytes) std::memcpy(block.data() + 40, table, tableBytes);
    if (!pixels.empty()) std::memcpy(block.data() + 40 + tableBytes, pixels.data(), pixels.size());
  }
  BITMAPINFOHEADER* header() { return reinterpret_cast<BITMAPINFOHEADER*>(block.data()); }
};

struct GlobalBlock {
  HGLOBAL h;
  ~GlobalBlock() {
    if (h) GlobalFree(h);
  }
};

}  // namespace

TEST(PackedDIB, RGBRoundTripsAtEveryRowPaddingWithBottomUpRows) {
  for (uint32_t width : {1u, 2u, 3u, 4u, 5u, 13u}) {
    const uint32_t height = 7, stride = width * 3 + 5;
    Bytes rgb = RandomBytes(size_t{stride} * height, width);
    GlobalBlock dib{pic_RGBToDIB(rgb.data(), width, height, stride, nullptr)};
    ASSERT_TRUE(dib.h) << width;
    EXPECT_EQ(PicGetLastError(), 0u);
    const BITMAPINFOHEADER& h = Header(dib.h);
    const uint32_t dibStride = ((width * 24 + 31) / 32) * 4;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, static_cast<LONG>(width));
    EXPECT_EQ(h.biHeight, static_cast<LONG>(height));
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biSizeImage, dibStride * height);
    EXPECT_EQ(GlobalSize(dib.h), pic_GetISDIBSize(width, height, 24, 0));
    // First stored row is the image's last, in B, G, R order, zero padded.
    const uint8_t* bits = pic_DIBPixelStart(dib.h);
    ASSERT_EQ(bits, static_cast<uint8_t*>(dib.h) + 40);
    const uint8_t* last = rgb.data() + size_t{height - 1} * stride;
    EXPECT_EQ(bits[0], last[2]);
    EXPECT_EQ(bits[2], last[0]);
    for (uint32_t i = width * 3; i < dibStride; ++i) EXPECT_EQ(bits[i], 0) << width;

    Bytes back(size_t{width} * height * 3);
    ASSERT_TRUE(pic_DIBToRGB(dib.h, back.data()));
    for (uint32_t y = 0; y < height; ++y)
      ASSERT_EQ(0,
                std::memcmp(back.data() + size_t{y} * width * 3, rgb.data() + size_t{y} * stride, width * 3));
  }
}

TEST(PackedDIB, RGBToDIBFlagsAndCallerBlocks) {
  const uint32_t width = 3, height = 2;
  const Bytes bgr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  uint32_t error = 0;
  // Already B, G, R and bottom-up: copied as it stands.
  GlobalBlock dib{RGBToDIB(&error, bgr.data(), width, height, 9, nullptr, 3)};
  ASSERT_TRUE(dib.h);
  const uint8_t* bits = static_cast<uint8_t*>(dib.h) + 40;
  EXPECT_EQ(0, std::memcmp(bits, bgr.data(), 9));
  EXPECT_EQ(0, std::memcmp(bits + 12, bgr.data() + 9, 9));

  // A caller's block is used and returned, its padding written.
  Bytes mine(pic_GetISDIBSize(width, height, 24, 0), 0xEE);
  HGLOBAL got = pic_RGBToDIB(bgr.data(), width, height, 9, mine.data());
  EXPECT_EQ(got, mine.data());
  EXPECT_EQ(mine[40 + 9], 0);
  EXPECT_EQ(mine[40], 12);  // last row first, red and blue exchanged: 10, 11, 12 -> 12, 11, 10
}

TEST(PackedDIB, RGBAKeepsAlphaAndRGBAUnpackFillsIt) {
  const uint32_t width = 5, height = 3;
  Bytes rgba = RandomBytes(width * height * 4, 7);
  GlobalBlock dib{pic_RGBAToDIB(rgba.data(), width, height, width * 4, nullptr)};
  ASSERT_TRUE(dib.h);
  EXPECT_EQ(Header(dib.h).biBitCount, 32);
  const uint8_t* bits = static_cast<uint8_t*>(dib.h) + 40;
  const uint8_t* lastRow = rgba.data() + 2 * width * 4;
  EXPECT_EQ(bits[0], lastRow[2]);
  EXPECT_EQ(bits[3], lastRow[3]);
  Bytes back(rgba.size());
  ASSERT_TRUE(pic_DIBToRGBA(dib.h, 9, back.data()));
  EXPECT_EQ(back, rgba);

  // A 24-bit DIB gets the given alpha.
  Bytes rgb = RandomBytes(width * height * 3, 8);
  GlobalBlock dib24{pic_RGBToDIB(rgb.data(), width, height, width * 3, nullptr)};
  ASSERT_TRUE(pic_DIBToRGBA(dib24.h, 77, back.data()));
  for (uint32_t i = 0; i < width * height; ++i) {
    ASSERT_EQ(0, std::memcmp(&back[4 * i], &rgb[3 * i], 3));
    ASSERT_EQ(back[4 * i + 3], 77);
  }
}

TEST(PackedDIB, RGB16RowsAreFlippedAndReadAs555) {
  const uint32_t width = 3, height = 2;
  // Row 0: white, red, blue; row 1: green, black, 0x4210 (grey 16/31).
  const uint16_t px[6] = {0x7FFF, 0x7C00, 0x001F, 0x03E0, 0x0000, 0x4210};
  uint8_t src[12];
  std::memcpy(src, px, 12);  // little-endian host, as the DIB stores them
  GlobalBlock dib{pic_RGB16ToDIB(src, width, height, 6, nullptr)};
  ASSERT_TRUE(dib.h);
  EXPECT_EQ(Header(dib.h).biBitCount, 16);
  EXPECT_EQ(Header(dib.h).biSizeImage, 16u);
  EXPECT_EQ(pic_GetISDIBSize(width, height, 16, 0), 0u);  // the size query knows no 16-bit DIBs
  EXPECT_EQ(PicGetLastError(), 5u);
  uint8_t rgb[18];
  ASSERT_TRUE(pic_DIBToRGB(dib.h, rgb));
  const uint8_t want[18] = {255, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 131, 131, 131};
  EXPECT_EQ(0, std::memcmp(rgb, want, 18));
}

TEST(PackedDIB, OneBitBlockFitsItsAlignedRowsWhateverTheCallerStride) {
  // Stride 1 for 8 pixels: the DIB rows are 4 bytes each.
  const uint32_t width = 8, height = 5;
  const Bytes px = {0x80, 0x01, 0xFF, 0x00, 0xA5};
  const RGBQUAD pal[2] = {{10, 20, 30, 0}, {200, 210, 220, 0}};
  GlobalBlock dib{pic_1BitToDIB(px.data(), width, height, 1, pal, nullptr)};
  ASSERT_TRUE(dib.h);
  EXPECT_EQ(GlobalSize(dib.h), 40u + 8 + 4 * height);
  EXPECT_EQ(GlobalSize(dib.h), pic_GetISDIBSize(width, height, 1, 2));
  EXPECT_EQ(Header(dib.h).biClrUsed, 2u);
  EXPECT_EQ(Header(dib.h).biClrImportant, 0u);

  DWORD count = 0;
  RGBQUAD back[256];
  Bytes mapped(height);
  ASSERT_TRUE(pic_DIBToColormapped(dib.h, 1, &count, back, mapped.data()));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(back[1].rgbRed, 220);
  EXPECT_EQ(mapped, px);

  uint8_t rgb[8 * 5 * 3];
  ASSERT_TRUE(pic_DIBToRGB(dib.h, rgb));
  EXPECT_EQ(rgb[0], 220);  // row 0, pixel 0 is set
  EXPECT_EQ(rgb[3], 30);
  EXPECT_EQ(rgb[3 * 8 + 7 * 3], 220);  // row 1, last pixel

  EXPECT_FALSE(pic_1BitToDIB(px.data(), 9, height, 1, pal, nullptr));  // 9 pixels need 2 bytes a row
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_1BitToDIB(px.data(), width, height, 1, nullptr, nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(PackedDIB, EightBitPacksToEveryDepthAndUnpacksBack) {
  const uint32_t width = 11, height = 4, stride = 13;
  const auto pal = RandomPalette(256, 3);
  for (uint32_t bits = 1; bits <= 8; ++bits) {
    Bytes px = RandomBytes(size_t{stride} * height, bits, 1u << bits);
    GlobalBlock dib{pic_8BitToDIB(px.data(), width, height, stride, 256, bits, pal.data(), nullptr)};
    ASSERT_TRUE(dib.h) << bits;
    const uint32_t table = std::min(256u, 1u << bits);
    EXPECT_EQ(Header(dib.h).biClrUsed, table);
    EXPECT_EQ(Header(dib.h).biBitCount, bits);
    EXPECT_EQ(GlobalSize(dib.h), 40u + table * 4 + ((width * bits + 31) / 32) * 4 * height);

    Bytes mapped(width * height);
    DWORD count = 0;
    RGBQUAD outPal[256];
    ASSERT_TRUE(pic_DIBToColormapped(dib.h, 8, &count, outPal, mapped.data())) << bits;
    EXPECT_EQ(count, table);
    Bytes rgb(width * height * 3);
    ASSERT_TRUE(pic_DIBToRGB(dib.h, rgb.data()));
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t want = px[y * stride + x];
        ASSERT_EQ(mapped[y * width + x], want) << bits << " " << x << "," << y;
        ASSERT_EQ(rgb[3 * (y * width + x)], pal[want].rgbRed);
      }
  }
  // 256 colours at 1 bit fit the block that the size query gives for 1 bit.
  Bytes px(width * height, 1);
  Bytes mine(pic_GetISDIBSize(width, height, 1, 256));
  EXPECT_EQ(pic_8BitToDIB(px.data(), width, height, width, 256, 1, pal.data(), mine.data()), mine.data());
  EXPECT_FALSE(pic_8BitToDIB(px.data(), width, height, width, 256, 9, pal.data(), nullptr));
  EXPECT_FALSE(pic_8BitToDIB(px.data(), width, height, width, 0, 8, pal.data(), nullptr));
}

TEST(PackedDIB, ColormappedRules) {
  const auto pal = RandomPalette(16, 4);
  const Bytes px = {0x12, 0x34, 0xF0, 0x00};  // 4 bits, width 3: 1 2 3 / F 0 0 (rows padded to 4)
  HandDIB dib(3, -2, 4, BI_RGB, pal.data(), 64, {0x12, 0x30, 0, 0, 0xF0, 0x00, 0, 0});
  uint8_t out[6];
  DWORD count = 0;
  RGBQUAD outPal[256];
  EXPECT_FALSE(pic_DIBToColormapped(dib.block.data(), 1, &count, outPal, out));
  EXPECT_EQ(PicGetLastError(), 28u);
  EXPECT_FALSE(pic_DIBToColormapped(dib.block.data(), 4, &count, outPal, out));
  EXPECT_EQ(PicGetLastError(), 28u);
  ASSERT_TRUE(pic_DIBToColormapped(dib.block.data(), 8, &count, outPal, out));
  EXPECT_EQ(count, 16u);
  const uint8_t want[6] = {1, 2, 3, 15, 0, 0};  // top-down: no flip
  EXPECT_EQ(0, std::memcmp(out, want, 6));

  Bytes rgb(12);
  GlobalBlock dib24{pic_RGBToDIB(rgb.data(), 2, 2, 6, nullptr)};
  EXPECT_FALSE(pic_DIBToColormapped(dib24.h, 8, &count, outPal, out));
  EXPECT_EQ(PicGetLastError(), 28u);
}

TEST(PackedDIB, TopDownAndBitFieldLayouts) {
  // 24 bits top-down: read first row first.
  HandDIB top(1, -2, 24, BI_RGB, nullptr, 0, {1, 2, 3, 0, 4, 5, 6, 0});
  uint8_t rgb[6];
  ASSERT_TRUE(pic_DIBToRGB(top.block.data(), rgb));
  const uint8_t wantTop[6] = {3, 2, 1, 6, 5, 4};
  EXPECT_EQ(0, std::memcmp(rgb, wantTop, 6));

  // 16-bit 5-6-5 bit fields: pure green is 0x07E0.
  const uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
  HandDIB f16(2, 1, 16, BI_BITFIELDS, m565, 12, {0xE0, 0x07, 0x00, 0xF8});
  ASSERT_TRUE(pic_DIBToRGB(f16.block.data(), rgb));
  const uint8_t want16[6] = {0, 252, 0, 248, 0, 0};
  EXPECT_EQ(0, std::memcmp(rgb, want16, 6));
  EXPECT_EQ(pic_DIBPixelStart(f16.block.data()), f16.block.data() + 52);

  // 32-bit fields in R, G, B byte order (not the usual B, G, R).
  const uint32_t mRGB[3] = {0x0000FF, 0x00FF00, 0xFF0000};
  HandDIB f32(1, 1, 32, BI_BITFIELDS, mRGB, 12, {10, 20, 30, 40});
  uint8_t rgba[4];
  ASSERT_TRUE(pic_DIBToRGBA(f32.block.data(), 99, rgba));
  const uint8_t want32[4] = {10, 20, 30, 99};
  EXPECT_EQ(0, std::memcmp(rgba, want32, 4));
}

TEST(PackedDIB, PartsInSeparateBlocksUnpackLikeTheWholeDIB) {
  // Header, table and rows each in a block of exactly their own size, so
  // that a read past any of them is caught.
  const uint32_t width = 7, height = 3;
  const auto pal = RandomPalette(5, 11);
  const Bytes idx = RandomBytes(width * height, 12, 5);
  GlobalBlock dib{pic_8BitToDIB(idx.data(), width, height, width, 5, 8, pal.data(), nullptr)};
  ASSERT_TRUE(dib.h);
  Bytes whole(width * height * 3), parts(width * height * 3);
  ASSERT_TRUE(pic_DIBToRGB(dib.h, whole.data()));
  const auto header = std::make_unique<BITMAPINFOHEADER>(Header(dib.h));
  const std::vector<RGBQUAD> table(pal);
  const auto* start = static_cast<const uint8_t*>(dib.h) + 40 + 5 * 4;
  const Bytes rows(start, start + header->biSizeImage);
  ASSERT_TRUE(pic_DIBPartsToRGB(rows.data(), header.get(), table.data(), parts.data()));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(parts, whole);
  EXPECT_EQ(parts[3 * 4 + 1], pal[idx[4]].rgbGreen);

  // Bit fields: the masks follow the header in its own block.
  Bytes headerAndMasks(52);
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = 16;
  h.biCompression = BI_BITFIELDS;
  const uint32_t m565[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(headerAndMasks.data(), &h, 40);
  std::memcpy(headerAndMasks.data() + 40, m565, 12);
  const Bytes pixels = {0xE0, 0x07, 0x00, 0xF8};
  uint8_t rgb[6];
  ASSERT_TRUE(pic_DIBPartsToRGB(
      pixels.data(), reinterpret_cast<const BITMAPINFOHEADER*>(headerAndMasks.data()), nullptr, rgb));
  const uint8_t want[6] = {0, 252, 0, 248, 0, 0};
  EXPECT_EQ(0, std::memcmp(rgb, want, 6));

  // A paletted DIB needs its table; every part is required; biSize 40 only.
  EXPECT_FALSE(pic_DIBPartsToRGB(rows.data(), header.get(), nullptr, parts.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_DIBPartsToRGB(nullptr, header.get(), table.data(), parts.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_DIBPartsToRGB(rows.data(), header.get(), table.data(), nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  header->biSize = 108;
  EXPECT_FALSE(pic_DIBPartsToRGB(rows.data(), header.get(), table.data(), parts.data()));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(PackedDIB, IndexPastTheTableReadsBlackNotBeyond) {
  const RGBQUAD two[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  HandDIB dib(2, 1, 8, BI_RGB, two, 8, {1, 200, 0, 0}, 2);
  uint8_t rgb[6];
  ASSERT_TRUE(pic_DIBToRGB(dib.block.data(), rgb));
  const uint8_t want[6] = {6, 5, 4, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(rgb, want, 6));
}

namespace {

// RLE stream builder.
struct Rle {
  Bytes b;
  Rle& Run(uint8_t n, uint8_t v) { return Add({n, v}); }
  Rle& Eol() { return Add({0, 0}); }
  Rle& Eob() { return Add({0, 1}); }
  Rle& Delta(uint8_t dx, uint8_t dy) { return Add({0, 2, dx, dy}); }
  Rle& Abs(const Bytes& data, uint8_t count) {
    Add({0, count});
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    return *this;
  }
  Rle& Add(const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
};

std::vector<RGBQUAD> GreyRamp(uint32_t n) {
  std::vector<RGBQUAD> p(n);
  for (uint32_t i = 0; i < n; ++i)
    p[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  return p;
}

Bytes Decode8(HandDIB& dib, uint32_t* code) {
  const auto& h = *dib.header();
  Bytes out(static_cast<size_t>(h.biWidth) * static_cast<size_t>(std::abs(h.biHeight)));
  DWORD count = 0;
  RGBQUAD pal[256];
  if (!pic_DIBToColormapped(dib.block.data(), 8, &count, pal, out.data())) out.clear();
  *code = PicGetLastError();
  return out;
}

}  // namespace

TEST(PackedDIBRle, Rle8RunsEscapesDeltasAndClipping) {
  const auto pal = GreyRamp(256);
  // 4 x 3, bottom row first.
  Rle s;
  s.Run(2, 7).Abs({1, 2, 3}, 3).Eol();  // bottom: 7 7 1 2 (the 3 is clipped)
  s.Delta(1, 1);                        // to the top row, column 1
  s.Run(9, 5);                          // 5 5 5 to the edge
  s.Eol().Run(3, 9);                    // above the top: dropped
  s.Eob();
  s.Run(4, 1);  // after the end: ignored
  HandDIB dib(4, 3, 8, BI_RLE8, pal.data(), 1024, s.b);
  uint32_t code = 0;
  Bytes out = Decode8(dib, &code);
  ASSERT_EQ(code, 0u);
  const Bytes want = {0, 5, 5, 5, 0, 0, 0, 0, 7, 7, 1, 2};
  EXPECT_EQ(out, want);

  // At 24 bits the uncovered pixels take palette entry 0, at 32 alpha 255.
  std::vector<RGBQUAD> red = pal;
  red[0] = {0, 0, 255, 0};
  HandDIB dib2(4, 3, 8, BI_RLE8, red.data(), 1024, s.b);
  Bytes rgba(4 * 3 * 4);
  ASSERT_TRUE(pic_DIBToRGBA(dib2.block.data(), 0, rgba.data()));
  EXPECT_EQ(rgba[0], 255);
  EXPECT_EQ(rgba[3], 255);
  EXPECT_EQ(rgba[4], 5);
}

TEST(PackedDIBRle, Rle4NibblesAndPadding) {
  const auto pal = GreyRamp(16);
  Rle s;
  s.Run(5, 0x12).Eol();                // bottom: 1 2 1 2 1
  s.Abs({0x34, 0x56, 0x70}, 5).Eob();  // top: 3 4 5 6 7 (3 data bytes, one pad)
  HandDIB dib(5, 2, 4, BI_RLE4, pal.data(), 64, s.b);
  uint32_t code = 0;
  Bytes out = Decode8(dib, &code);
  ASSERT_EQ(code, 0u);
  const Bytes want = {3, 4, 5, 6, 7, 1, 2, 1, 2, 1};
  EXPECT_EQ(out, want);
}

TEST(PackedDIBRle, StreamBoundedByItsSizeWithoutEndMarker) {
  const auto pal = GreyRamp(256);
  // Truncated in every place: after a count, inside an escape, inside an
  // absolute run, inside a delta. Decoding stops at the data's end.
  const Bytes full = Rle().Run(3, 4).Eol().Abs({1, 2, 3, 4, 5}, 5).Delta(1, 0).Run(1, 9).b;
  for (size_t n = 1; n <= full.size(); ++n) {
    Bytes cut(full.begin(), full.begin() + n);
    HandDIB dib(6, 2, 8, BI_RLE8, pal.data(), 1024, cut);
    uint32_t code = 0;
    Bytes out = Decode8(dib, &code);
    ASSERT_EQ(code, 0u) << n;
    EXPECT_EQ(out[6], n >= 2 ? 4 : 0) << n;
  }
}

TEST(PackedDIBRle, HostileHeaders) {
  const auto pal = GreyRamp(256);
  uint32_t code = 0;
  Bytes stream = Rle().Run(2, 1).Eob().b;
  {
    HandDIB dib(2, 1, 8, BI_RLE8, pal.data(), 1024, stream);
    dib.header()->biSizeImage = 0;  // an RLE stream must say how long it is
    EXPECT_TRUE(Decode8(dib, &code).empty());
    EXPECT_EQ(code, 5u);
  }
  {
    HandDIB dib(2, -1, 8, BI_RLE8, pal.data(), 1024, stream);  // RLE rows are bottom-up only
    EXPECT_TRUE(Decode8(dib, &code).empty());
    EXPECT_EQ(code, 5u);
  }
  {
    HandDIB dib(2, 1, 8, BI_RLE4, pal.data(), 1024, stream);  // RLE4 with 8 bits
    EXPECT_TRUE(Decode8(dib, &code).empty());
    EXPECT_EQ(code, 7u);
  }
  uint8_t out[64];
  uint32_t error = 0;
  HandDIB dib(2, 1, 4, BI_RLE4, pal.data(), 64, stream);
  EXPECT_FALSE(DIBRowsToBuffer(&error, dib.block.data() + 104, stream.size(), 16, dib.header(), pal.data(),
                               out, false));
  EXPECT_EQ(error, 28u);
}

TEST(PackedDIB, HostileHeadersAreRefused) {
  uint8_t out[64];
  auto refuse = [&](HandDIB& dib, uint32_t want) {
    EXPECT_FALSE(pic_DIBToRGB(dib.block.data(), out));
    EXPECT_EQ(PicGetLastError(), want);
  };
  const Bytes px(8);
  HandDIB small(1, 1, 24, BI_RGB, nullptr, 0, px);
  small.header()->biSize = 12;
  refuse(small, 5);
  HandDIB zero(0, 1, 24, BI_RGB, nullptr, 0, px);
  refuse(zero, 5);
  HandDIB flat(1, 0, 24, BI_RGB, nullptr, 0, px);
  refuse(flat, 5);
  HandDIB huge(0x7FFFFFFF, 0x7FFFFFFF, 24, BI_RGB, nullptr, 0, px);
  refuse(huge, 5);
  HandDIB minHeight(1, INT32_MIN, 24, BI_RGB, nullptr, 0, px);
  refuse(minHeight, 5);
  HandDIB odd(1, 1, 12, BI_RGB, nullptr, 0, px);
  refuse(odd, 28);
  HandDIB fields8(1, 1, 8, BI_BITFIELDS, nullptr, 0, px);
  refuse(fields8, 5);
  HandDIB jpeg(1, 1, 24, 4, nullptr, 0, px);
  refuse(jpeg, 5);
  HandDIB table(1, 1, 8, BI_RGB, nullptr, 0, px, 0xFFFFFFFFu);  // table larger than any block
  refuse(table, 5);
  EXPECT_EQ(pic_DIBPixelStart(table.block.data()), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_DIBToRGB(nullptr, out));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(PackedDIB, SizesAndAccessors) {
  EXPECT_EQ(pic_GetISDIBSize(10, 10, 1, 0), 40u + 8 + 40);
  EXPECT_EQ(pic_GetISDIBSize(10, 10, 4, 16), 40u + 64 + 80);
  EXPECT_EQ(pic_GetISDIBSize(10, 10, 8, 256), 40u + 1024 + 120);
  EXPECT_EQ(pic_GetISDIBSize(10, 10, 32, 0), 40u + 400);
  EXPECT_EQ(pic_GetISDIBSize(70000, 70000, 24, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 1u);
  EXPECT_EQ(pic_GetDIBRowStride(5, 24), 16u);
  EXPECT_EQ(pic_GetDIBRowStride(33, 1), 8u);
  EXPECT_EQ(PicGetLastError(), 0u);

  const auto pal = RandomPalette(256, 5);
  Bytes px(6);
  GlobalBlock dib{pic_8BitToDIB(px.data(), 3, 2, 3, 20, 8, pal.data(), nullptr)};
  DWORD v = 0;
  ASSERT_TRUE(pic_DIBWidth(dib.h, &v));
  EXPECT_EQ(v, 3u);
  ASSERT_TRUE(pic_DIBHeight(dib.h, &v));
  EXPECT_EQ(v, 2u);
  ASSERT_TRUE(pic_DIBBitCount(dib.h, &v));
  EXPECT_EQ(v, 8u);

  // Palette queries leave an earlier error in place when they succeed.
  pic_SetLastErrorProxy(42);
  DWORD count = 0;
  const RGBQUAD* table = pic_GetDIBPalette(dib.h, &count);
  EXPECT_EQ(table, reinterpret_cast<RGBQUAD*>(static_cast<uint8_t*>(dib.h) + 40));
  EXPECT_EQ(count, 20u);
  RGBQUAD copy[256];
  ASSERT_TRUE(pic_GetDIBPaletteCopy(dib.h, copy, &count));
  EXPECT_EQ(copy[19].rgbGreen, pal[19].rgbGreen);
  EXPECT_EQ(PicGetLastError(), 42u);

  GlobalBlock dib24{pic_RGBToDIB(px.data(), 1, 2, 3, nullptr)};
  EXPECT_EQ(pic_GetDIBPalette(dib24.h, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(PicGetLastError(), 28u);

  Bytes bad(40);
  v = 7;
  EXPECT_FALSE(pic_DIBWidth(bad.data(), &v));
  EXPECT_EQ(v, 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_DIBHeight(dib.h, nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(PackedDIB, AllocDIBRules) {
  uint32_t error = 0;
  const auto pal = RandomPalette(4, 6);
  GlobalBlock four{AllocDIB(&error, 9, 3, 4, pal.data(), 4)};
  ASSERT_TRUE(four.h);
  EXPECT_EQ(Header(four.h).biClrUsed, 4u);
  EXPECT_EQ(GlobalSize(four.h), 40u + 16 + 8 * 3);
  EXPECT_EQ(static_cast<RGBQUAD*>(four.h)[10].rgbBlue, pal[0].rgbBlue);
  EXPECT_FALSE(AllocDIB(&error, 9, 3, 8, pal.data(), 1));
  EXPECT_EQ(error, 5u);
  EXPECT_FALSE(AllocDIB(&error, 9, 3, 8, nullptr, 4));
  EXPECT_FALSE(AllocDIB(&error, 9, 3, 33, nullptr, 0));
  error = 0;
  EXPECT_FALSE(AllocDIB(&error, 100000, 100000, 32, nullptr, 0));
  EXPECT_EQ(error, 1u);
}

// Files from independent tools, decoded by them and by us.
namespace {

bool Shell(const std::string& cmd) {
  return std::system(cmd.c_str()) == 0;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A BMP file's DIB as a packed DIB: header, table, then the bits at bfOffBits.
Bytes DIBOfBMP(const Bytes& file) {
  uint32_t offBits = 0;
  std::memcpy(&offBits, &file[10], 4);
  BITMAPINFOHEADER h;
  std::memcpy(&h, &file[14], 40);
  const size_t table = h.biBitCount <= 8 ? 4 * size_t{h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount}
                                         : (h.biCompression == BI_BITFIELDS ? 12 : 0);
  Bytes dib(file.begin() + 14, file.begin() + 14 + 40 + table);
  dib.insert(dib.end(), file.begin() + offBits, file.end());
  return dib;
}

// A folder of the run's own: two runs at once never write over each other's files.
struct ScratchFiles {
  const std::filesystem::path dir = pictest::ScratchDir("packed_dib");
  ~ScratchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
};

}  // namespace

TEST(PackedDIBTools, ImageMagickRle8FileDecodesAsItDecodesIt) {
#ifdef _WIN32
  GTEST_SKIP() << "the tools run on the build machine only";
#endif
  PICTEST_REQUIRE_TOOLS("/usr/bin/convert");
  const ScratchFiles files;
  const std::string bmp = files.Path("rle8.bmp"), raw = files.Path("rle8.rgb");
  ASSERT_TRUE(Shell(
      "/usr/bin/convert -size 37x23 gradient:red-blue -fill yellow -draw 'rectangle 3,4 20,9' -colors 40 "
      "-compress RLE -type palette BMP3:" +
      bmp + " 2>/dev/null && /usr/bin/convert " + bmp + " -depth 8 rgb:" + raw));
  Bytes dib = DIBOfBMP(ReadFile(bmp));
  ASSERT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biCompression, BI_RLE8);
  Bytes want = ReadFile(raw);
  Bytes got(37 * 23 * 3);
  ASSERT_TRUE(pic_DIBToRGB(dib.data(), got.data()));
  EXPECT_EQ(got, want);
}

TEST(PackedDIBTools, ImageMagickDecodesOurRle4LikeWeDo) {
#ifdef _WIN32
  GTEST_SKIP() << "the tools run on the build machine only";
#endif
  const auto pal = RandomPalette(16, 9);
  std::mt19937 rng(11);
  Rle s;
  const uint32_t width = 23, height = 9;
  for (uint32_t y = 0; y < height; ++y) {
    uint32_t x = 0;
    while (x < width) {
      uint32_t n = std::min<uint32_t>(1 + rng() % 7, width - x);
      if (n >= 3 && rng() % 2) {
        Bytes data((n + 1) / 2);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        if (n & 1) data.back() &= 0xF0;
        s.Abs(data, static_cast<uint8_t>(n));
      } else {
        s.Run(static_cast<uint8_t>(n), static_cast<uint8_t>(rng()));
      }
      x += n;
    }
    s.Eol();
  }
  s.Eob();
  HandDIB dib(width, height, 4, BI_RLE4, pal.data(), 64, s.b);
  Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54 + 64, 0, 0, 0};
  const uint32_t total = static_cast<uint32_t>(14 + dib.block.size());
  std::memcpy(&file[2], &total, 4);
  file.insert(file.end(), dib.block.begin(), dib.block.end());
  const ScratchFiles files;
  const std::string bmp = files.Path("rle4.bmp"), raw = files.Path("rle4.rgb");
  {
    std::ofstream f(bmp, std::ios::binary);
    f.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  PICTEST_REQUIRE_TOOLS("/usr/bin/convert");
  ASSERT_TRUE(Shell("/usr/bin/convert " + bmp + " -depth 8 rgb:" + raw));
  Bytes got(width * height * 3);
  ASSERT_TRUE(pic_DIBToRGB(dib.block.data(), got.data()));
  EXPECT_EQ(got, ReadFile(raw));
}
