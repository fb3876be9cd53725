#include <gtest/gtest.h>

#include <array>

#include "codecs/codec_entry_support.h"
#include "codecs/pcx/pictura_pcx.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace pictest;
using namespace Pictura;

namespace {

// A PCX file made by hand: header fields, then the scan lines as given.
Bytes Pcx(uint8_t version, uint8_t bits, uint8_t planes, uint16_t xmax, uint16_t ymax, uint16_t bpl,
          const Bytes& header16, const Bytes& data, uint16_t xmin = 0) {
  Bytes f(128, 0);
  f[0] = 10, f[1] = version, f[2] = 1, f[3] = bits, f[65] = planes;
  for (auto [at, v] : {std::pair<int, uint16_t>{4, xmin}, {8, xmax}, {10, ymax}, {66, bpl}})
    f[at] = static_cast<uint8_t>(v), f[at + 1] = static_cast<uint8_t>(v >> 8);
  std::copy(header16.begin(), header16.end(), f.begin() + 16);
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

struct Read {
  Bytes pixels;
  uint32_t code = 0;
};

Read ReadPcx(const Bytes& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0) {
  Source src(file);
  DWORD w = 0, h = 0;
  Read r{TakeBlock(pic_ReadPCX(src, &w, &h, depth, palette, flags))};
  r.code = PicGetLastError();
  return r;
}

Bytes WritePcx(const Bytes& image, DWORD w, DWORD h, DWORD depth, DWORD stride, const RGBQUAD* palette,
               DWORD flags = 0, const double* dpi = nullptr) {
  Dest dest;
  EXPECT_NE(pic_WritePCX(dest, image.data(), w, h, depth, stride, palette, dpi, flags), 0u);
  return dest.Contents();
}

RGBQUAD kColours[256];
const bool kColoursMade = [] {
  for (int i = 0; i < 256; ++i) kColours[i] = RGBQUAD{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3), 0};
  return true;
}();

}  // namespace

// Every depth the writer takes comes back exactly, at odd widths, in both
// row orders and as a packed DIB (bottom row first).
TEST(PcxRoundTrip, EveryDepthAndLayout) {
  for (DWORD depth : {1u, 8u, 24u})
    for (DWORD w : {1u, 9u, 17u})
      for (DWORD flags : {0u, 4u}) {
        const DWORD h = 5, row = depth == 1 ? (w + 7) / 8 : w * depth / 8, stride = row + 3;
        Bytes img = Noise(size_t{stride} * h, w + depth), want;
        for (DWORD y = 0; y < h && depth == 1; ++y)  // bits past the width are no pixels
          img[y * stride + row - 1] &= static_cast<uint8_t>(0xFF00 >> ((w - 1) % 8 + 1));
        for (DWORD y = 0; y < h; ++y) {
          const DWORD sy = flags ? h - 1 - y : y;
          want.insert(want.end(), img.begin() + sy * stride, img.begin() + sy * stride + row);
        }
        const Bytes file = WritePcx(img, w, h, depth, stride, kColours, flags);
        RGBQUAD back[256];
        EXPECT_EQ(ReadPcx(file, depth, back).pixels, want) << depth << " " << w << " " << flags;
        EXPECT_TRUE(depth != 8 || std::memcmp(back, kColours, 1024) == 0);
        const Read dib = ReadPcx(file, 0, nullptr, 2);
        const size_t colours = depth == 1 ? 2 : depth == 8 ? 256 : 0, dibRow = (w * depth + 31) / 32 * 4;
        ASSERT_EQ(dib.pixels.size(), 40 + colours * 4 + dibRow * h);
        const uint8_t* last = dib.pixels.data() + 40 + colours * 4;
        EXPECT_EQ(last[0], want[(h - 1) * row + (depth == 24 ? 2 : 0)]);
      }
}

// What the header and the scan lines say, read at each depth.
TEST(PcxReader, LayoutsAndPalettes) {
  Bytes header16(48);
  for (int i = 0; i < 48; ++i) header16[i] = static_cast<uint8_t>(i * 5);
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth;
    Bytes pixels;  // empty: refused with 28
  };
  const Bytes four = Pcx(5, 4, 1, 3, 0, 2, header16, {0x01, 0x2F});
  const Bytes planes =
      Pcx(5, 1, 4, 3, 0, 2, header16, {0x80, 0, 0x40, 0, 0x20, 0, 0x10, 0});  // pixel i in plane i
  const Case cases[] = {
      {"4 bits in one plane", four, 8, {0, 1, 2, 15}},
      {"4 planes of 1 bit", planes, 8, {1, 2, 4, 8}},
      {"3 planes of 1 bit past 8 pixels",
       Pcx(5, 1, 3, 9, 0, 2, {}, {0, 0x40, 0, 0x40, 0, 0}),
       8,
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 3}},
      {"2 bits", Pcx(5, 2, 1, 4, 0, 2, header16, {0x1B, 0xC1, 0xC0}), 8, {0, 1, 2, 3, 3}},
      {"2 planes at depth 1", Pcx(5, 1, 2, 3, 0, 2, {}, {0xF0, 0, 0xF0, 0}), 1, {}},
      // A lone 0xC5, then a run of 5 cut at the line's end.
      {"runs",
       Pcx(5, 8, 1, 3, 1, 4, {}, {0xC1, 0xC5, 1, 2, 0xC5, 3, 0xC4, 9}),
       8,
       {0xC5, 1, 2, 3, 9, 9, 9, 9}},
      {"version 3 at 8 bits: grey", Pcx(3, 8, 1, 1, 0, 2, {}, {7, 100}), 24, {7, 7, 7, 100, 100, 100}},
      {"version 2", Pcx(2, 8, 1, 1, 0, 2, {}, {7, 100}), 8, {7, 100}},
      {"version 0", Pcx(0, 8, 1, 1, 0, 2, {}, {7, 100}), 8, {7, 100}},
      {"the header's colours", planes, 24, {15, 20, 25, 30, 35, 40, 60, 65, 70, 120, 125, 130}},
  };
  for (const Case& c : cases) {
    RGBQUAD pal[256];
    const Read r = ReadPcx(c.file, c.depth, pal);
    EXPECT_EQ(r.code, c.pixels.empty() ? kPicErrBitDepth : 0u) << c.what;
    EXPECT_EQ(r.pixels, c.pixels) << c.what;
  }
  RGBQUAD pal[256];
  DWORD count = 0;
  Source src(four);
  ASSERT_TRUE(pic_GetPCXPalette(src, pal, &count));
  EXPECT_EQ(count, 256u);
  EXPECT_EQ(pal[15].rgbRed, 225);  // then copies of entry 0
  EXPECT_EQ(pal[16].rgbRed, pal[0].rgbRed);
}

// Headers that cannot describe a picture get 22, not out of memory; data
// that ends early gives 3 with the rows read.
TEST(PcxReader, RefusesBadHeadersWithItsOwnCode) {
  const Bytes data(8, 1);
  struct Case {
    const char* what;
    Bytes file;
    uint32_t code;
  };
  const Case cases[] = {
      {"bytes per line short of the width", Pcx(5, 8, 1, 3, 1, 3, {}, data), kPicErrBadPCX},
      {"8 bits in 2 planes", Pcx(5, 8, 2, 3, 1, 4, {}, data), kPicErrBadPCX},
      {"8 bits in 4 planes", Pcx(5, 8, 4, 3, 1, 4, {}, data), kPicErrBadPCX},
      {"3 bits", Pcx(5, 3, 1, 3, 1, 4, {}, data), kPicErrBadPCX},
      {"inverted frame", Pcx(5, 8, 1, 3, 1, 4, {}, data, 5), kPicErrBadPCX},
      {"version 4", Pcx(4, 8, 1, 3, 1, 4, {}, data), kPicErrBadPCX},
      {"65535 x 65535 in a few bytes", Pcx(5, 8, 1, 65534, 65534, 65535, {}, data), kPicErrBadPCX},
      {"not PCX", Bytes(100, 10), kPicErrBadPCX},
      {"data ends early", Pcx(5, 8, 1, 3, 1, 4, {}, Bytes(5, 1)), kPicErrFileRead},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadPcx(c.file, 24).code, c.code) << c.what;
  Bytes cut(24, 0);  // the first row read, the second not
  std::fill_n(cut.begin(), 12, 1);
  EXPECT_EQ(ReadPcx(cases[8].file, 24).pixels, cut);
  RGBQUAD pal[256];
  for (auto [depth, flags, palette] : {std::tuple{8u, 0u, false}, {16u, 0u, true}, {24u, 2u | 8u, false}})
    EXPECT_EQ(ReadPcx(cases[0].file, depth, palette ? pal : nullptr, flags).code, kPicErrBadArgument);
}

TEST(PcxWriter, EncodingHeaderLinesAndRefusals) {
  // A lone 0xC5 needs a count, a lone 0x3F does not; runs stop at 63.
  Bytes row = {0xC5, 0x3F};
  row.resize(2 + 70, 9);
  const Bytes file = WritePcx(row, 72, 1, 8, 72, kColours, 1, std::array<double, 2>{300.7, 72}.data());
  EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 134), (Bytes{0xC1, 0xC5, 0x3F, 0xFF, 9, 0xC7}));
  EXPECT_EQ(file[12] | file[13] << 8, 300);
  EXPECT_EQ(file[68], 2);  // grey palette info with flags 1
  EXPECT_EQ(file[file.size() - 769], 12);
  // Bytes per line are even: width 9 at 1 bit gives 2, width 3 at 8 bits 4.
  EXPECT_EQ(WritePcx(Bytes(2), 9, 1, 1, 2, kColours)[66], 2);
  EXPECT_EQ(WritePcx(Bytes(3), 3, 1, 8, 3, kColours)[66], 4);
  EXPECT_EQ(ReadPcx(WritePcx(Bytes{1, 2, 3}, 1, 1, 24, 3, nullptr, 8), 24).pixels,
            (Bytes{3, 2, 1}));  // B, G, R in

  // Line by line: 8-bit lines with a palette, R, G, B without; past the end 24.
  Dest dest;
  HPICPCXWRITELINES out = pic_InitWritePCXLines(dest, 5, 2, 8, kColours, nullptr, 0);
  const Bytes rows = Noise(10, 3);
  EXPECT_TRUE(pic_WriteNextPCXLine(out, rows.data()) && pic_WriteNextPCXLine(out, rows.data() + 5));
  EXPECT_FALSE(pic_WriteNextPCXLine(out, rows.data()));
  EXPECT_EQ(PicGetLastError(), kPicErrEndOfImage);
  EXPECT_TRUE(pic_DestroyWritePCXLines(out));
  Source src(dest.Contents());
  for (RGBQUAD* palette : {static_cast<RGBQUAD*>(nullptr), kColours}) {
    DWORD w = 0, h = 0, index = 9;
    pic_Seek(src, 0, 0);
    HPICPCXREADLINES in = pic_InitReadPCXLines(src, &w, &h, palette, 0);
    Bytes line(15);
    for (DWORD y = 0; y < 2; ++y) {
      ASSERT_TRUE(pic_ReadNextPCXLine(in, line.data(), &index));
      EXPECT_EQ(index, y);
      EXPECT_EQ(line[palette ? 4 : 0], palette ? rows[5 * y + 4] : kColours[rows[5 * y]].rgbRed);
    }
    EXPECT_FALSE(pic_ReadNextPCXLine(in, line.data(), &index));
    EXPECT_TRUE(pic_DestroyReadPCXLines(in));
  }

  for (auto [w, depth, palette] :
       {std::tuple{4u, 8u, false}, {4u, 1u, false}, {4u, 16u, true}, {0u, 24u, false}, {65535u, 8u, true}}) {
    EXPECT_EQ(pic_WritePCX(dest, rows.data(), w, 1, depth, 4, palette ? kColours : nullptr, nullptr, 0), 0u);
    EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  }
}

// A version-5 8-bit file reads its colours from the table at its end; one
// whose table is missing or cut off (netpbm refuses it) reads with a grey
// ramp and counts a codec warning in every reader of its colours.
TEST(PcxReader, MissingOrCutColourTableCountsAWarning) {
  Bytes table(769);
  table[0] = 12;
  for (int i = 1; i < 769; ++i) table[i] = static_cast<uint8_t>(255 - i % 256);
  Bytes pixels(1000, 7);
  auto file = [&](uint8_t version, const Bytes& data, const Bytes& tail) {
    Bytes f = Pcx(version, 8, 1, 999, 0, 1000, {}, data);
    f.insert(f.end(), tail.begin(), tail.end());
    return f;
  };
  Bytes wrongMarker = table, twelveInPixels = pixels;
  wrongMarker[0] = 11;
  twelveInPixels[1000 - 769] = 12;  // where a table would start once the real one is cut away
  struct Case {
    const char* what;
    Bytes file;
    uint8_t red7;  // palette entry 7's red
    DWORD warnings, queryWarnings;
  };
  const Case cases[] = {
      {"table present", file(5, pixels, table), uint8_t(255 - 3 * 7 - 1), 0, 0},
      {"no table", file(5, pixels, {}), 7, 1, 1},
      {"no 12 before the table", file(5, pixels, wrongMarker), 7, 1, 1},
      {"table cut by 100 bytes", file(5, pixels, Bytes(table.begin(), table.end() - 100)), 7, 1, 1},
      {"table cut away, a 12 in the pixels", file(5, twelveInPixels, {}), 7, 1, 0},
      {"version 3 has none", file(3, pixels, {}), 7, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RGBQUAD palette[256];
    DWORD before = pic_GetCodecWarningCount();
    const Read r = ReadPcx(c.file, 24);
    EXPECT_EQ((std::vector<DWORD>{r.code, DWORD(r.pixels.size()), r.pixels[0],
                                  pic_GetCodecWarningCount() - before}),
              (std::vector<DWORD>{0, 3000, c.red7, c.warnings}));
    // The line reader warns alike; the palette query when the table is missing
    // (it reads no pixels, so it cannot see a cut one).
    before = pic_GetCodecWarningCount();
    Source src(c.file);
    DWORD w = 0, h = 0, index = 0, count = 0;
    HPICPCXREADLINES lines = pic_InitReadPCXLines(src, &w, &h, palette, 0);
    Bytes row(1000);
    EXPECT_TRUE(pic_ReadNextPCXLine(lines, row.data(), &index));
    EXPECT_TRUE(pic_DestroyReadPCXLines(lines));
    EXPECT_EQ(pic_GetCodecWarningCount() - before, c.warnings);
    before = pic_GetCodecWarningCount();
    pic_Seek(src, 0, 0);
    EXPECT_TRUE(pic_GetPCXPalette(src, palette, &count));
    EXPECT_EQ(pic_GetCodecWarningCount() - before, c.queryWarnings);
  }
}

// The header's size, depth and resolution; a header the query cannot read is 22.
TEST(PcxReader, Dimensions) {
  Bytes f = Pcx(5, 1, 4, 20, 11, 4, {}, {}, 3);
  f[12] = 0x2C, f[13] = 1, f[14] = 72;  // 300 x 72 dpi
  Source src(f);
  DWORD w = 0, h = 0, bits = 0;
  PicResolutionInfo res{};
  ASSERT_TRUE(pic_GetPCXDims(src, &w, &h, &bits, &res, 0));
  EXPECT_EQ((std::vector<double>{double(w), double(h), double(bits), res.x, res.y, double(res.unit)}),
            (std::vector<double>{18, 12, 4, 300, 72, 0}));
  Source cut(Bytes(f.begin(), f.begin() + 100));
  EXPECT_FALSE(pic_GetPCXDims(cut, &w, &h, &bits, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), kPicErrBadPCX);
  EXPECT_FALSE(pic_GetPCXDims(src, &w, nullptr, &bits, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
}

// A run whose count byte is the last of the reader's 64 KB buffer and whose
// count passes the line's end is cut there too (rows of 1000 pixels: 998
// literal bytes and a run of 5 cut to 2; the first row, 537 bytes of runs
// and literals, puts row 65's run exactly at the buffer's end).
TEST(PcxReader, ARunAtTheReadBuffersEndIsCutAtTheLine) {
  Bytes data, want;
  for (int i = 0; i < 7; ++i) data.insert(data.end(), {0xFF, 1});
  data.insert(data.end(), {0xE6, 2});
  data.resize(data.size() + 521, 3);
  want.resize(441, 1), want.resize(479, 2), want.resize(1000, 3);
  for (int r = 1; r < 66; ++r) {
    data.resize(data.size() + 998, static_cast<uint8_t>(r));
    data.insert(data.end(), {0xC5, 200});
    want.resize(want.size() + 998, static_cast<uint8_t>(r));
    want.insert(want.end(), {200, 200});
  }
  ASSERT_EQ(data[65535], 0xC5);
  RGBQUAD palette[256];
  EXPECT_EQ(ReadPcx(Pcx(5, 8, 1, 999, 65, 1000, {}, data), 8, palette).pixels, want);
}
