#include "core/packing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_buffers.h"

using namespace Pictura;

TEST(Pack, ContinuousStreamCarriesBitsAcrossRows) {
  const uint8_t px[9] = {1, 0, 1, 1, 0, 0, 1, 0, 1};
  uint8_t out[2] = {};
  ASSERT_TRUE(pic_Pack8BitBuffer(px, 9, 1, 9, out, 1, 0, 0));
  EXPECT_EQ(out[0], 0xB2);
  EXPECT_EQ(out[1], 0x80);
  const uint8_t two[6] = {1, 2, 3, 3, 2, 1};
  uint8_t cont[2] = {};
  ASSERT_TRUE(pic_Pack8BitBuffer(two, 3, 2, 3, cont, 2, 0, 0));
  EXPECT_EQ(cont[0], 0x6F);
  EXPECT_EQ(cont[1], 0x90);
  // Row by row: each row starts its own byte, one destination stride apart.
  std::vector<uint8_t> rows(4, 0xEE);
  ASSERT_TRUE(pic_Pack8BitBufferEx(two, 3, 2, 3, rows.data(), 2, 1, 2, 12345));
  EXPECT_EQ(rows, (std::vector<uint8_t>{0x6C, 0xEE, 0xE4, 0xEE}));
}

TEST(Pack, ArgumentErrors) {
  uint8_t px[4] = {}, out[4] = {};
  EXPECT_FALSE(pic_Pack8BitBuffer(px, 4, 1, 4, out, 0, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_Pack8BitBuffer(px, 4, 1, 4, out, 9, 0, 0));
  EXPECT_FALSE(pic_Pack8BitBuffer(nullptr, 4, 1, 4, out, 1, 0, 0));
  EXPECT_FALSE(pic_Pack8BitBuffer(px, 9, 2, 9, out, 1, 1, 1));  // packed row wider than its stride
  EXPECT_FALSE(pic_UnpackBufferTo8Bit(px, 4, 1, 0, out));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(Unpack, ValuesSpanningBytesAndRoundTripsAtEveryDepth) {
  const uint8_t b2[1] = {0xB2};
  uint8_t out[8] = {};
  ASSERT_TRUE(pic_UnpackBufferTo8Bit(b2, 8, 1, 1, out));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 1, 0}));
  const uint8_t b3[2] = {0xFA, 0xC0};
  uint8_t v3[4] = {};
  ASSERT_TRUE(pic_UnpackBufferTo8Bit(b3, 4, 1, 3, v3));
  EXPECT_EQ(std::vector<uint8_t>(v3, v3 + 4), (std::vector<uint8_t>{7, 6, 5, 4}));

  std::mt19937 rng(11);
  for (uint32_t bits = 1; bits <= 8; ++bits) {
    const uint32_t w = 13, h = 3;
    std::vector<uint8_t> px(w * h);
    for (auto& p : px) p = static_cast<uint8_t>(rng() & ((1u << bits) - 1));
    // Exactly the stream's bytes: the unpacker must not read past them.
    std::vector<uint8_t> packed((w * h * bits + 7) / 8);
    ASSERT_TRUE(pic_Pack8BitBuffer(px.data(), w, h, w, packed.data(), bits, 0, 0));
    std::vector<uint8_t> back(w * h);
    ASSERT_TRUE(pic_UnpackBufferTo8Bit(packed.data(), w, h, bits, back.data()));
    EXPECT_EQ(back, px) << bits;
  }
}

TEST(Unpack, RowHelpers) {
  const uint8_t row[2] = {0xA5, 0x3C};
  uint8_t out[4] = {};
  UnpackRowTo8Bit(row, out, 3, 4);
  EXPECT_EQ(out[0], 0xA);
  EXPECT_EQ(out[1], 0x5);
  EXPECT_EQ(out[2], 0x3);
  // 2-bit pixels 2,1,0,3,3 to nibbles; reads only the row's two bytes.
  std::vector<uint8_t> two{0x93, 0xC0};
  uint8_t nib[3] = {0xFF, 0xFF, 0xFF};
  Unpack2BitRowTo4Bit(two.data(), nib, 2, 5);
  EXPECT_EQ(nib[0], 0x21);
  EXPECT_EQ(nib[1], 0x03);
  EXPECT_EQ(nib[2], 0x30);
  std::vector<uint8_t> four{0x12, 0x34, 0x50};  // 5 pixels: 3 bytes
  uint8_t copy[3] = {};
  Unpack2BitRowTo4Bit(four.data(), copy, 4, 5);
  EXPECT_EQ(copy[2], 0x50);
}

TEST(Unpack, OneBitRowsThroughAPaletteToRGB) {
  RGBQUAD pal[2] = {{10, 20, 30, 0}, {200, 210, 220, 0}};
  const uint8_t bits[2 * 2] = {0xA0, 0xFF, 0x40, 0xFF};  // rows 1,0,1 and 0,1,0; stride 2
  uint8_t rgb[2 * 10];
  std::memset(rgb, 0xEE, sizeof rgb);
  uint32_t err = 0;
  ASSERT_EQ(Unpack1BitToRGBRows(&err, bits, 3, 2, 2, pal, rgb, 10), 1);
  EXPECT_EQ(err, 0u);
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 9),
            (std::vector<uint8_t>{220, 210, 200, 30, 20, 10, 220, 210, 200}));
  EXPECT_EQ(rgb[9], 0xEE);  // past the row
  EXPECT_EQ(std::vector<uint8_t>(rgb + 10, rgb + 19),
            (std::vector<uint8_t>{30, 20, 10, 220, 210, 200, 30, 20, 10}));
  EXPECT_EQ(Unpack1BitToRGBRows(&err, bits, 3, 2, 2, nullptr, rgb, 10), 0);
  EXPECT_EQ(err, 5u);
}

TEST(DIBRows, EveryDepthToRGBWithAndWithoutTheVectorPath) {
  RGBQUAD pal[256] = {};
  pal[1] = RGBQUAD{3, 2, 1, 0};
  pal[2] = RGBQUAD{6, 5, 4, 0};
  const uint32_t m555[3] = {0x7C00, 0x03E0, 0x001F}, m565[3] = {0xF800, 0x07E0, 0x001F};
  using B = std::vector<uint8_t>;
  struct Row {
    const char* why;
    uint32_t bits, width;
    B src;
    const uint32_t* masks;
    bool addAlpha, keepOrder;
    B want;
  };
  const Row rows[] = {
      {"1 bit through the palette", 1, 2, {0x40}, nullptr, false, false, {0, 0, 0, 1, 2, 3}},
      {"4 bits, high nibble first", 4, 2, {0x12}, nullptr, false, false, {1, 2, 3, 4, 5, 6}},
      {"8 bits", 8, 2, {2, 1}, nullptr, true, false, {4, 5, 6, 9, 1, 2, 3, 9}},
      // 0x0C41 is 3, 2, 1 in five bits each: the second pixel's own two bytes.
      {"16 bits, 5-5-5", 16, 2, {0xFF, 0x7F, 0x41, 0x0C}, nullptr, false, false, {255, 255, 255, 24, 16, 8}},
      {"16 bits, 5-5-5 masks", 16, 1, {0xFF, 0x7F}, m555, true, false, {248, 248, 248, 9}},
      // Green's top bit is bit 10, blue's bit 4: no mask needs a negative shift.
      {"16 bits, 5-6-5 masks", 16, 1, {0xFF, 0xFF}, m565, false, false, {248, 252, 248}},
      {"24 bits swapped", 24, 2, {10, 20, 30, 40, 50, 60}, nullptr, false, false, {30, 20, 10, 60, 50, 40}},
      {"24 bits kept", 24, 2, {10, 20, 30, 40, 50, 60}, nullptr, false, true, {10, 20, 30, 40, 50, 60}},
      {"24 bits swapped, alpha added", 24, 1, {10, 20, 30}, nullptr, true, false, {30, 20, 10, 9}},
      {"24 bits kept, alpha added", 24, 1, {10, 20, 30}, nullptr, true, true, {10, 20, 30, 9}},
      {"32 bits swapped", 32, 1, {10, 20, 30, 40}, nullptr, true, false, {30, 20, 10, 40}},
      {"32 bits kept", 32, 1, {10, 20, 30, 40}, nullptr, true, true, {10, 20, 30, 40}},
  };
  for (DWORD off : {0u, 1u}) {
    SetCpuFeaturesDisabled(off);
    for (const Row& r : rows) {
      B out(r.want.size(), 0xEE);
      DIBRowToRGB(nullptr, r.src.data(), out.data(), r.width, r.bits, pal, r.masks, r.addAlpha, 9,
                  r.keepOrder);
      EXPECT_EQ(out, r.want) << r.why << (off ? ", scalar" : "");
    }
  }
  SetCpuFeaturesDisabled(0);

  const uint32_t m8[3] = {0x01FE, 0x0001, 0};  // a top bit on bit 8
  ChannelMask rec[3];
  ASSERT_EQ(AnalyzeBitfieldMasks(m8, rec), 1);
  EXPECT_EQ(rec[0].direction, 1);
  EXPECT_EQ(rec[0].shift, 1u);
  EXPECT_EQ(rec[0].width, 8u);
  EXPECT_EQ(rec[1].direction, -1);
  EXPECT_EQ(rec[1].shift, 7u);
  EXPECT_EQ(rec[2].width, 0u);
  EXPECT_EQ(AnalyzeBitfieldMasks(nullptr, rec), 0);
}

TEST(DIBRows, RGBRowsAreWrittenBottomUpWithRedAndBlueExchanged) {
  for (DWORD off = 0; off < 2; ++off) {
    SetCpuFeaturesDisabled(off);
    std::vector<uint8_t> src(2 * 21), dst(2 * 24, 0);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(RGBRowsToDIBBits(src.data(), dst.data(), 7, 2, 24, false, false, 21), 0u);
    EXPECT_EQ(dst[0], 23);  // last source row first, bytes 2, 1, 0
    EXPECT_EQ(dst[2], 21);
    EXPECT_EQ(dst[24 + 20], 18);
    EXPECT_EQ(dst[23], 0);
  }
  SetCpuFeaturesDisabled(0);
  uint8_t x[3];
  EXPECT_EQ(RGBRowsToDIBBits(x, x, 0, 1, 3, false, false, 3), 5u);
}

TEST(BitMasks, TablesOfTheOperationObject) {
  BitMaskTable t;
  EXPECT_EQ(t.error, 0u);
  EXPECT_EQ(t.lowMasks[3], 0x1F);
  EXPECT_EQ(t.highMasks[3], 0xF8);
  EXPECT_EQ(t.leftMasks[0], 0x01);
  EXPECT_EQ(t.leftMasks[7], 0xFF);
}
