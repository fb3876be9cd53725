#include <gtest/gtest.h>

#include "codecs/codec_entry_support.h"
#include "codecs/tga/pictura_tga.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace pictest;
using namespace Pictura;

namespace {

// A TGA file made by hand; map: the colour map's bytes, of mapBits entries.
Bytes Tga(uint8_t type, uint8_t bits, uint16_t w, uint16_t h, const Bytes& data, uint8_t descriptor = 0x20,
          uint8_t mapBits = 0, const Bytes& map = {}, uint16_t mapFirst = 0, const Bytes& id = {}) {
  const uint32_t entries = mapBits ? static_cast<uint32_t>(map.size()) / ((mapBits + 7) / 8) : 0;
  Bytes f = {uint8_t(id.size()),
             uint8_t(mapBits ? 1 : 0),
             type,
             uint8_t(mapFirst),
             uint8_t(mapFirst >> 8),
             uint8_t(entries),
             uint8_t(entries >> 8),
             mapBits,
             0,
             0,
             0,
             0,
             uint8_t(w),
             uint8_t(w >> 8),
             uint8_t(h),
             uint8_t(h >> 8),
             bits,
             descriptor};
  for (const Bytes* part : {&id, &map, &data}) f.insert(f.end(), part->begin(), part->end());
  return f;
}

struct Read {
  Bytes pixels;
  uint32_t code = 0;
};

Read ReadTga(const Bytes& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0) {
  Source src(file);
  DWORD w = 0, h = 0;
  Read r{TakeBlock(pic_ReadTGA(src, &w, &h, depth, palette, flags))};
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
      Bytes want;  // rows bottom-up with flag 4, pixels given B, G, R with flag 8
      for (DWORD y = 0; y < h; ++y)
        for (DWORD x = 0; x < row; ++x) {
          const DWORD c = depth > 8 ? x % (depth / 8) : 1;
          want.push_back(img[(flags & 4 ? h - 1 - y : y) * stride +
                             ((flags & 8) && c != 1 && c < 3 ? x + 2 - 2 * c : x)]);
        }
      RGBQUAD back[256];
      EXPECT_EQ(ReadTga(file, depth, back).pixels, want) << depth << " " << flags;
      EXPECT_TRUE(depth != 8 || back[200].rgbRed == 55);
      // The extension area (attributes 3 for real alpha) and the footer pointing at it.
      const size_t ext = file.size() - 26 - 495;
      EXPECT_EQ(file[ext] | file[ext + 1] << 8, 495);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[ext + 426])), "PIC 1.0.15.9");
      EXPECT_EQ(file[ext + 494], depth == 32 ? 3 : 0);
      EXPECT_EQ(size_t(file[ext + 495] | file[ext + 496] << 8 | file[ext + 497] << 16), ext);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[file.size() - 18])), "TRUEVISION-XFILE.");
    }
  // A packed DIB keeps bottom-up rows, B, G, R.
  const Read dib = ReadTga(WriteTga(Bytes{1, 2, 3, 4, 5, 6}, 1, 2, 24, 3, nullptr), 0, nullptr, 2);
  EXPECT_EQ(Bytes(dib.pixels.begin() + 40, dib.pixels.end()), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
  // A 32-bit file's DIB keeps 32 bits, alpha included.
  const Read dib32 = ReadTga(Tga(2, 32, 1, 1, {1, 2, 3, 4}), 0, nullptr, 2);
  ASSERT_EQ(dib32.pixels.size(), 44u);
  EXPECT_EQ((Bytes{dib32.pixels[14], dib32.pixels[40], dib32.pixels[43]}), (Bytes{32, 1, 4}));
}

TEST(TgaReader, LayoutsAndEncodings) {
  const Bytes mapped = Tga(9, 8, 2, 1, {0x81, 1}, 0x20, 24, {30, 20, 10}, 1);
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth;
    Bytes pixels;
  };
  const Case cases[] = {
      {"bottom-left origin", Tga(2, 24, 1, 2, {1, 2, 3, 4, 5, 6}, 0), 24, {6, 5, 4, 3, 2, 1}},
      {"right-to-left columns", Tga(3, 8, 3, 1, {1, 2, 3}, 0x30), 24, {3, 3, 3, 2, 2, 2, 1, 1, 1}},
      // A run of 3, then 3 raw pixels: both packets cross a row's end.
      {"packets across rows",
       Tga(10, 24, 2, 3, {0x82, 9, 8, 7, 0x02, 1, 2, 3, 4, 5, 6, 10, 11, 12}),
       24,
       {7, 8, 9, 7, 8, 9, 7, 8, 9, 3, 2, 1, 6, 5, 4, 12, 11, 10}},
      {"16 bits: 0x7FFF white, 16 of 31 is 131",
       Tga(2, 16, 2, 1, {0xFF, 0x7F, 0x10, 0x42}),
       24,
       {255, 255, 255, 131, 131, 131}},
      {"grey with alpha", Tga(3, 16, 1, 1, {90, 40}), 32, {90, 90, 90, 40}},
      {"run-length grey at 8 bits", Tga(11, 8, 3, 1, {0x82, 77}), 8, {77, 77, 77}},
      {"24-bit map entries are opaque", mapped, 32, {10, 20, 30, 255, 10, 20, 30, 255}},
      {"a true-colour file's map and ID are skipped",
       Tga(2, 24, 1, 1, {7, 8, 9}, 0x20, 16, {0, 0, 0, 0}, 0, {'x'}),
       24,
       {9, 8, 7}},
      {"32 bits keep their alpha", Tga(2, 32, 1, 1, {1, 2, 3, 4}), 32, {3, 2, 1, 4}},
      {"right-to-left 24-bit pixels",
       Tga(2, 24, 4, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 0x30),
       24,
       {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}},
      {"8-bit map entries are grey",
       Tga(1, 8, 2, 1, {0, 1}, 0x20, 8, {50, 60}),
       24,
       {50, 50, 50, 60, 60, 60}},
      {"a width past 255", Tga(3, 8, 300, 1, Bytes(300, 5)), 8, Bytes(300, 5)},
  };
  for (const Case& c : cases) {
    RGBQUAD pal[256];
    const Read r = ReadTga(c.file, c.depth, pal);
    EXPECT_EQ(r.code, 0u) << c.what;
    EXPECT_EQ(r.pixels, c.pixels) << c.what;
  }
  RGBQUAD pal[256];
  DWORD count = 0;
  Source src(mapped);
  ASSERT_TRUE(pic_GetTGAPalette(src, pal, &count));
  EXPECT_EQ(count, 2u);  // slots 0 and 1
  EXPECT_EQ(pal[1].rgbRed, 10);
}

TEST(TgaReader, RefusalsAndShortFiles) {
  const Bytes data(12, 1), ok = Tga(2, 24, 2, 2, data);
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth;
    uint32_t code;
  };
  const Case cases[] = {
      {"type 0", Tga(0, 24, 2, 2, data), 24, kPicErrBadTGA},
      {"type 4", Tga(4, 24, 2, 2, data), 24, kPicErrBadTGA},
      {"40 bits", Tga(2, 40, 2, 2, data), 24, kPicErrBadTGA},
      {"12 bits", Tga(2, 12, 2, 2, data), 24, kPicErrBadTGA},
      {"16-bit indices", Tga(1, 16, 2, 2, data, 0x20, 24, Bytes(3)), 24, kPicErrBadTGA},
      {"colour-mapped without a map", Tga(1, 8, 2, 2, data), 24, kPicErrBadTGA},
      {"zero width", Tga(2, 24, 0, 2, data), 24, kPicErrBadTGA},
      {"65535 x 65535 in a few bytes", Tga(2, 24, 65535, 65535, data), 24, kPicErrBadTGA},
      {"run-length 65535 x 65535", Tga(10, 24, 65535, 65535, data), 24, kPicErrBadTGA},
      {"8 bits of a 24-bit file", ok, 8, kPicErrBitDepth},
      {"depth 16", ok, 16, kPicErrBadArgument},
      {"data ends early", Tga(2, 24, 2, 2, Bytes(7, 1)), 24, kPicErrFileRead},
  };
  RGBQUAD pal[256];
  for (const Case& c : cases) EXPECT_EQ(ReadTga(c.file, c.depth, pal).code, c.code) << c.what;
  EXPECT_EQ(ReadTga(cases[11].file, 24).pixels,
            (Bytes{1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));  // the rows read
  EXPECT_EQ(ReadTga(ok, 24, nullptr, 2 | 8).code, kPicErrBadArgument);
  DWORD count = 0;
  for (auto [file, code] : {std::pair{ok, kPicErrBitDepth}, {Tga(3, 8, 2, 2, data), kPicErrBadTGA}}) {
    Source src(file);
    EXPECT_FALSE(pic_GetTGAPalette(src, pal, &count));
    EXPECT_EQ(PicGetLastError(), code);
  }
}

TEST(TgaWriter, LinesAndRefusals) {
  Dest dest;
  HPICTGAWRITELINES lines = pic_InitWriteTGALines(dest, 2, 2, 32, nullptr, 0);
  const Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_TRUE(pic_WriteNextTGALine(lines, rows.data()) && pic_WriteNextTGALine(lines, rows.data() + 8));
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
  for (auto [width, depth] : {std::pair{2u, 8u}, {2u, 16u}, {2u, 1u}, {0u, 24u}}) {
    EXPECT_EQ(pic_WriteTGA(dest, rows.data(), width, 2, depth, 8, nullptr, 0, 0), 0u);
    EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  }
}
