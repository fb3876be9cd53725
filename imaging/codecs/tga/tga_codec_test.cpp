#include <gtest/gtest.h>

#include "codecs/codec_entry_support.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "codecs/tga/pictura_tga.h"

using namespace pictest;
using namespace Pictura;

namespace {

// A TGA file made by hand.
struct TgaSpec {
  uint8_t type = 2, bits = 24, descriptor = 0x20;
  uint16_t width = 2, height = 2;
  uint8_t mapEntryBits = 0;
  uint16_t mapFirst = 0;
  Bytes id, map, data;  // map: the entries' bytes (its length from mapEntryBits)

  Bytes Build() const {
    Bytes f(18, 0);
    f[0] = static_cast<uint8_t>(id.size());
    f[1] = mapEntryBits ? 1 : 0;
    f[2] = type;
    const uint32_t entries = mapEntryBits ? static_cast<uint32_t>(map.size()) / ((mapEntryBits + 7) / 8) : 0;
    f[3] = static_cast<uint8_t>(mapFirst), f[4] = static_cast<uint8_t>(mapFirst >> 8);
    f[5] = static_cast<uint8_t>(entries), f[6] = static_cast<uint8_t>(entries >> 8);
    f[7] = mapEntryBits;
    f[12] = static_cast<uint8_t>(width), f[13] = static_cast<uint8_t>(width >> 8);
    f[14] = static_cast<uint8_t>(height), f[15] = static_cast<uint8_t>(height >> 8);
    f[16] = bits;
    f[17] = descriptor;
    for (const Bytes* part : {&id, &map, &data}) f.insert(f.end(), part->begin(), part->end());
    return f;
  }
};

struct Read {
  Bytes pixels;
  DWORD width = 0, height = 0;
  uint32_t code = 0;
};

Read ReadTga(const Bytes& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadTGA(src, &r.width, &r.height, depth, palette, flags));
  r.code = PicGetLastError();
  return r;
}

Bytes WriteTga(const Bytes& image, DWORD w, DWORD h, DWORD depth, DWORD stride, const RGBQUAD* palette,
               DWORD flags = 0) {
  Dest dest;
  EXPECT_NE(pic_WriteTGA(dest, image.data(), w, h, depth, stride, palette, 0, flags), 0u);
  return dest.Contents();
}

}  // namespace

TEST(TgaRoundTrip, EveryDepthOrderAndTheTrailer) {
  RGBQUAD pal[256];
  for (int i = 0; i < 256; ++i) pal[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), 0};
  for (DWORD depth : {8u, 24u, 32u})
    for (DWORD flags : {0u, 4u, 8u}) {
      const DWORD w = 5, h = 3, row = w * depth / 8, stride = row + 2;
      const Bytes img = Noise(stride * h, depth + flags);
      const Bytes file = WriteTga(img, w, h, depth, stride, pal, flags);
      RGBQUAD back[256];
      const Read r = ReadTga(file, depth, back);
      ASSERT_EQ(r.code, 0u) << depth;
      ASSERT_EQ(r.pixels.size(), size_t{row} * h);
      for (DWORD y = 0; y < h; ++y)
        for (DWORD x = 0; x < row; ++x) {
          const DWORD sy = flags & 4 ? h - 1 - y : y;
          DWORD sx = x;
          const DWORD c = depth > 8 ? x % (depth / 8) : 1;
          if ((flags & 8) && (c == 0 || c == 2)) sx = x - c + (2 - c);  // B, G, R given
          ASSERT_EQ(r.pixels[y * row + x], img[sy * stride + sx])
              << depth << " " << flags << " " << x << "," << y;
        }
      if (depth == 8) {
        EXPECT_EQ(back[200].rgbRed, 55);
      }
      // The extension area (attributes 3 for real alpha) and the footer pointing at it.
      ASSERT_GT(file.size(), 495u + 26u);
      const size_t ext = file.size() - 26 - 495;
      EXPECT_EQ(file[ext] | file[ext + 1] << 8, 495);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[ext + 426])), "PIC 1.0.15.9");
      EXPECT_EQ(file[ext + 494], depth == 32 ? 3 : 0);
      EXPECT_EQ(size_t(file[ext + 495] | file[ext + 496] << 8 | file[ext + 497] << 16), ext);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[file.size() - 18])), "TRUEVISION-XFILE.");
    }
  // A packed DIB keeps bottom-up rows, B, G, R.
  const Bytes rgb = {1, 2, 3, 4, 5, 6};
  const Read dib = ReadTga(WriteTga(rgb, 1, 2, 24, 3, nullptr), 0, nullptr, 2);
  ASSERT_EQ(dib.code, 0u);
  EXPECT_EQ(Bytes(dib.pixels.begin() + 40, dib.pixels.end()), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(TgaReader, LayoutsAndEncodings) {
  auto spec = [](uint8_t type, uint8_t bits, uint16_t w, uint16_t h, Bytes data) {
    TgaSpec s;
    s.type = type, s.bits = bits, s.width = w, s.height = h, s.data = std::move(data);
    return s;
  };
  TgaSpec bottomUp = spec(2, 24, 1, 2, {1, 2, 3, 4, 5, 6});
  bottomUp.descriptor = 0;
  TgaSpec mirrored = spec(3, 8, 3, 1, {1, 2, 3});
  mirrored.descriptor = 0x30;
  // Packets cross the row ends: a run of 3, then 3 raw pixels.
  TgaSpec rle = spec(10, 24, 2, 3, {0x82, 9, 8, 7, 0x02, 1, 2, 3, 4, 5, 6, 10, 11, 12});
  TgaSpec mapped = spec(9, 8, 2, 1, {0x81, 1});
  mapped.mapEntryBits = 24, mapped.mapFirst = 1, mapped.map = {30, 20, 10};
  TgaSpec trueWithMap = spec(2, 24, 1, 1, {7, 8, 9});
  trueWithMap.mapEntryBits = 16, trueWithMap.map = {0, 0, 0, 0};
  trueWithMap.id = {'x', 'y'};
  struct Case {
    const char* what;
    TgaSpec spec;
    DWORD depth;
    Bytes pixels;
  };
  const Case cases[] = {
      {"bottom-left origin", bottomUp, 24, {6, 5, 4, 3, 2, 1}},
      {"right-to-left columns", mirrored, 24, {3, 3, 3, 2, 2, 2, 1, 1, 1}},
      {"runs and raw packets across rows",
       rle,
       24,
       {7, 8, 9, 7, 8, 9, 7, 8, 9, 3, 2, 1, 6, 5, 4, 12, 11, 10}},
      {"16 bits: 0x7FFF white, 0x4210 at 16 of 31",
       spec(2, 16, 2, 1, {0xFF, 0x7F, 0x10, 0x42}),
       24,
       {255, 255, 255, 131, 131, 131}},
      {"grey with alpha", spec(3, 16, 1, 1, {90, 40}), 32, {90, 90, 90, 40}},
      {"run-length grey at 8 bits", spec(11, 8, 3, 1, {0x82, 77}), 8, {77, 77, 77}},
      {"24-bit map entries are opaque", mapped, 32, {10, 20, 30, 255, 10, 20, 30, 255}},
      {"a true-colour file's map and ID are skipped", trueWithMap, 24, {9, 8, 7}},
      {"32 bits keep their alpha", spec(2, 32, 1, 1, {1, 2, 3, 4}), 32, {3, 2, 1, 4}},
  };
  for (const Case& c : cases) {
    RGBQUAD pal[256];
    const Read r = ReadTga(c.spec.Build(), c.depth, pal);
    EXPECT_EQ(r.code, 0u) << c.what;
    EXPECT_EQ(r.pixels, c.pixels) << c.what;
  }
  RGBQUAD pal[256];
  DWORD count = 0;
  Source src(mapped.Build());
  ASSERT_TRUE(pic_GetTGAPalette(src, pal, &count));
  EXPECT_EQ(count, 2u);  // slots 0 and 1
  EXPECT_EQ(pal[1].rgbRed, 10);
  EXPECT_EQ(pal[255].rgbRed, pal[0].rgbRed);
}

TEST(TgaReader, RefusalsAndShortFiles) {
  TgaSpec ok;
  ok.data = Bytes(12, 1);
  auto with = [&](auto change) {
    TgaSpec s = ok;
    change(s);
    return s;
  };
  struct Case {
    const char* what;
    TgaSpec spec;
    DWORD depth;
    uint32_t code;
  };
  const Case cases[] = {
      {"type 0", with([](TgaSpec& s) { s.type = 0; }), 24, kPicErrBadTGA},
      {"type 4", with([](TgaSpec& s) { s.type = 4; }), 24, kPicErrBadTGA},
      {"40 bits", with([](TgaSpec& s) { s.bits = 40; }), 24, kPicErrBadTGA},
      {"12 bits", with([](TgaSpec& s) { s.bits = 12; }), 24, kPicErrBadTGA},
      {"16-bit indices",
       with([](TgaSpec& s) { s.type = 1, s.bits = 16, s.mapEntryBits = 24, s.map = Bytes(3); }), 24,
       kPicErrBadTGA},
      {"colour-mapped without a map", with([](TgaSpec& s) { s.type = 1, s.bits = 8; }), 24, kPicErrBadTGA},
      {"zero width", with([](TgaSpec& s) { s.width = 0; }), 24, kPicErrBadTGA},
      {"65535 x 65535 in a few bytes", with([](TgaSpec& s) { s.width = s.height = 65535; }), 24,
       kPicErrBadTGA},
      {"run-length 65535 x 65535", with([](TgaSpec& s) { s.type = 10, s.width = s.height = 65535; }), 24,
       kPicErrBadTGA},
      {"8 bits of a 24-bit file", ok, 8, kPicErrBitDepth},
      {"depth 16", ok, 16, kPicErrBadArgument},
      {"data ends early", with([](TgaSpec& s) { s.data.resize(7); }), 24, kPicErrFileRead},
  };
  RGBQUAD pal[256];
  for (const Case& c : cases) EXPECT_EQ(ReadTga(c.spec.Build(), c.depth, pal).code, c.code) << c.what;
  const Read cut = ReadTga(with([](TgaSpec& s) { s.data.resize(7); }).Build(), 24);
  ASSERT_EQ(cut.pixels.size(), 12u);  // the first row read, the second empty
  EXPECT_EQ(cut.pixels[5], 1);
  EXPECT_EQ(cut.pixels[6], 0);
  EXPECT_EQ(ReadTga(ok.Build(), 24, nullptr, 2 | 8).code, kPicErrBadArgument);
  DWORD count = 0;
  Source deep(ok.Build());
  EXPECT_FALSE(pic_GetTGAPalette(deep, pal, &count));
  EXPECT_EQ(PicGetLastError(), kPicErrBitDepth);
  Source grey(with([](TgaSpec& s) { s.type = 3, s.bits = 8; }).Build());
  EXPECT_FALSE(pic_GetTGAPalette(grey, pal, &count));
  EXPECT_EQ(PicGetLastError(), kPicErrBadTGA);
}

TEST(TgaWriter, LinesAndRefusals) {
  Dest dest;
  HPICTGAWRITELINES lines = pic_InitWriteTGALines(dest, 2, 2, 32, nullptr, 0);
  ASSERT_NE(lines, nullptr);
  const Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_TRUE(pic_WriteNextTGALine(lines, rows.data()));
  EXPECT_TRUE(pic_WriteNextTGALine(lines, rows.data() + 8));
  EXPECT_FALSE(pic_WriteNextTGALine(lines, rows.data()));
  EXPECT_EQ(PicGetLastError(), kPicErrEndOfImage);
  EXPECT_TRUE(pic_DestroyWriteTGALines(lines));
  const Bytes file = dest.Contents();
  EXPECT_EQ(file[17], 0x28);
  EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 22), (Bytes{3, 2, 1, 4}));
  EXPECT_EQ(ReadTga(file, 32).pixels, rows);

  DWORD w = 0, h = 0, bits = 0;
  Source src(file);
  ASSERT_TRUE(pic_GetTGADims(src, &w, &h, &bits, 0));
  EXPECT_EQ(bits, 32u);

  const Bytes img(64);
  for (DWORD depth : {8u, 16u, 1u}) {
    EXPECT_EQ(pic_WriteTGA(dest, img.data(), 2, 2, depth, 8, nullptr, 0, 0), 0u);
    EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  }
  EXPECT_EQ(pic_WriteTGA(dest, img.data(), 0, 2, 24, 8, nullptr, 0, 0), 0u);
  EXPECT_EQ(pic_InitWriteTGALines(nullptr, 2, 2, 24, nullptr, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
}
