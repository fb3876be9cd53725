#include <gtest/gtest.h>

#include <array>

#include "codecs/codec_entry_support.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/pcx/pictura_pcx.h"

using namespace pictest;
using namespace Pictura;

namespace {

// A PCX file made by hand: header fields, scan lines as given (already
// encoded or not), an optional 256-colour table.
struct PcxSpec {
  uint8_t version = 5, bits = 8, planes = 1;
  uint16_t xmin = 0, ymin = 0, xmax = 3, ymax = 1, bytesPerLine = 4;
  Bytes header16;  // the header's 48 palette bytes
  Bytes data;
  Bytes table;  // 768 bytes after the marker 12, when not empty

  static PcxSpec Of(uint8_t version, uint8_t bits, uint8_t planes, uint16_t xmax, uint16_t ymax, uint16_t bpl,
                    Bytes header16, Bytes data) {
    PcxSpec s;
    s.version = version, s.bits = bits, s.planes = planes, s.xmax = xmax, s.ymax = ymax, s.bytesPerLine = bpl;
    s.header16 = std::move(header16), s.data = std::move(data);
    return s;
  }

  Bytes Build() const {
    Bytes f(128, 0);
    f[0] = 10;
    f[1] = version;
    f[2] = 1;
    f[3] = bits;
    auto put = [&](size_t at, uint32_t v) {
      f[at] = static_cast<uint8_t>(v);
      f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    put(4, xmin);
    put(6, ymin);
    put(8, xmax);
    put(10, ymax);
    std::copy(header16.begin(), header16.end(), f.begin() + 16);
    f[65] = planes;
    put(66, bytesPerLine);
    f.insert(f.end(), data.begin(), data.end());
    if (!table.empty()) {
      f.push_back(12);
      f.insert(f.end(), table.begin(), table.end());
    }
    return f;
  }
};

struct Read {
  Bytes pixels;
  DWORD width = 0, height = 0;
  uint32_t code = 0;
};

Read ReadPcx(const Bytes& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadPCX(src, &r.width, &r.height, depth, palette, flags));
  r.code = PicGetLastError();
  return r;
}

Bytes WritePcx(const Bytes& image, DWORD w, DWORD h, DWORD depth, DWORD stride, const RGBQUAD* palette,
               DWORD flags = 0, const double* dpi = nullptr) {
  Dest dest;
  EXPECT_NE(pic_WritePCX(dest, image.data(), w, h, depth, stride, palette, dpi, flags), 0u);
  return dest.Contents();
}

std::vector<RGBQUAD> Colours() {
  std::vector<RGBQUAD> p(256);
  for (int i = 0; i < 256; ++i)
    p[i] =
        RGBQUAD{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 0};
  return p;
}

}  // namespace

// Every depth the writer takes comes back exactly, at odd widths, in both
// row orders and as a packed DIB.
TEST(PcxRoundTrip, EveryDepthAndLayout) {
  const auto pal = Colours();
  for (DWORD depth : {1u, 8u, 24u})
    for (DWORD w : {1u, 3u, 9u, 17u, 64u}) {
      const DWORD h = 5, row = depth == 1 ? (w + 7) / 8 : w * depth / 8, stride = row + 3;
      Bytes img = Noise(size_t{stride} * h, w + depth);
      if (depth == 1 && w % 8)  // bits past the width are not pixels
        for (DWORD y = 0; y < h; ++y) img[y * stride + row - 1] &= static_cast<uint8_t>(0xFF00 >> (w % 8));
      Bytes packed;
      for (DWORD y = 0; y < h; ++y)
        packed.insert(packed.end(), img.begin() + y * stride, img.begin() + y * stride + row);
      for (DWORD flags : {0u, 4u}) {
        const Bytes file = WritePcx(img, w, h, depth, stride, pal.data(), flags);
        RGBQUAD back[256];
        const Read r = ReadPcx(file, depth, back);
        ASSERT_EQ(r.code, 0u) << depth << " " << w;
        ASSERT_EQ(r.width, w);
        Bytes want = packed;
        if (flags & 4)  // bottom row first in, top row first out
          for (DWORD y = 0; y < h; ++y)
            std::copy(packed.begin() + (h - 1 - y) * row, packed.begin() + (h - y) * row,
                      want.begin() + y * row);
        EXPECT_EQ(r.pixels, want) << depth << " " << w << " " << flags;
        if (depth == 8) {
          EXPECT_EQ(std::memcmp(back, pal.data(), 1024), 0);
        }
      }
      // DIB at the file's depth: bottom-up rows padded to 4, B, G, R.
      const Read dib = ReadPcx(WritePcx(img, w, h, depth, stride, pal.data()), 0, nullptr, 2);
      ASSERT_EQ(dib.code, 0u);
      const size_t colours = depth == 1 ? 2 : depth == 8 ? 256 : 0, dibRow = (w * depth + 31) / 32 * 4;
      ASSERT_EQ(dib.pixels.size(), 40 + colours * 4 + dibRow * h);
      const uint8_t* last = dib.pixels.data() + 40 + colours * 4;  // the image's bottom row
      const uint8_t* bottom = packed.data() + (h - 1) * row;
      if (depth == 24) {
        EXPECT_EQ(last[0], bottom[2]);
        EXPECT_EQ(last[2], bottom[0]);
      } else {
        EXPECT_EQ(std::memcmp(last, bottom, row), 0);
      }
    }
}

// What the header and the scan lines say, read at each depth.
TEST(PcxReader, LayoutsAndPalettes) {
  Bytes header16(48);
  for (int i = 0; i < 48; ++i) header16[i] = static_cast<uint8_t>(i * 5);
  struct Case {
    const char* what;
    PcxSpec spec;
    DWORD depth;
    uint32_t code;
    Bytes pixels;
  };
  const PcxSpec four = PcxSpec::Of(5, 4, 1, 3, 0, 2, header16, {0x01, 0x2F});
  // Pixel i set in plane i only.
  const PcxSpec planes = PcxSpec::Of(5, 1, 4, 3, 0, 2, header16, {0x80, 0, 0x40, 0, 0x20, 0, 0x10, 0});
  const PcxSpec two = PcxSpec::Of(5, 2, 1, 4, 0, 2, header16, {0x1B, 0xC1, 0xC0});
  const PcxSpec twoPlanes = PcxSpec::Of(5, 1, 2, 3, 0, 2, {}, {0xF0, 0, 0xF0, 0});
  // A lone 0xC5; a run of 5 cut at the line's end.
  const PcxSpec run = PcxSpec::Of(5, 8, 1, 3, 1, 4, {}, {0xC1, 0xC5, 1, 2, 0xC5, 3, 0xC4, 9});
  const PcxSpec v3 = PcxSpec::Of(3, 8, 1, 1, 0, 2, {}, {7, 100});
  const Case cases[] = {
      {"4 bits in one plane", four, 8, 0, {0, 1, 2, 15}},
      {"4 planes of 1 bit", planes, 8, 0, {1, 2, 4, 8}},
      {"2 bits", two, 8, 0, {0, 1, 2, 3, 3}},
      {"2 planes at depth 1", twoPlanes, 1, kPicErrBitDepth, {}},
      {"run cut at the line end", run, 8, 0, {0xC5, 1, 2, 3, 9, 9, 9, 9}},
      {"version 3 at 8 bits: grey", v3, 24, 0, {7, 7, 7, 100, 100, 100}},
  };
  for (const Case& c : cases) {
    RGBQUAD pal[256];
    const Read r = ReadPcx(c.spec.Build(), c.depth, pal);
    EXPECT_EQ(r.code, c.code) << c.what;
    if (!c.code) {
      EXPECT_EQ(r.pixels, c.pixels) << c.what;
    }
  }
  // Below 8 bits the header's colours, then copies of entry 0.
  RGBQUAD pal[256];
  ASSERT_EQ(ReadPcx(four.Build(), 8, pal).code, 0u);
  EXPECT_EQ(pal[1].rgbRed, 15);
  EXPECT_EQ(pal[1].rgbBlue, 25);
  EXPECT_EQ(pal[15].rgbRed, 225);
  EXPECT_EQ(pal[16].rgbRed, pal[0].rgbRed);
  EXPECT_EQ(pal[255].rgbGreen, pal[0].rgbGreen);
  const Read rgb = ReadPcx(planes.Build(), 24);
  EXPECT_EQ(rgb.pixels[0], header16[3]);
}

// Headers that cannot describe a picture, and data that ends early.
TEST(PcxReader, RefusesBadHeadersWithItsOwnCode) {
  struct Case {
    const char* what;
    PcxSpec spec;
    uint32_t code;
  };
  PcxSpec ok;
  ok.data = Bytes(8, 1);
  auto with = [&](auto change) {
    PcxSpec s = ok;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"bytes per line short of the width", with([](PcxSpec& s) { s.bytesPerLine = 3; }), kPicErrBadPCX},
      {"8 bits in 2 planes", with([](PcxSpec& s) { s.planes = 2; }), kPicErrBadPCX},
      {"8 bits in 4 planes", with([](PcxSpec& s) { s.planes = 4; }), kPicErrBadPCX},
      {"3 bits", with([](PcxSpec& s) { s.bits = 3; }), kPicErrBadPCX},
      {"no planes", with([](PcxSpec& s) { s.planes = 0; }), kPicErrBadPCX},
      {"inverted frame", with([](PcxSpec& s) { s.xmin = 5; }), kPicErrBadPCX},
      {"version 4", with([](PcxSpec& s) { s.version = 4; }), kPicErrBadPCX},
      {"65535 x 65535 in a few bytes",
       with([](PcxSpec& s) { s.xmax = s.ymax = 65534, s.bytesPerLine = 65535; }), kPicErrBadPCX},
      {"data ends early", with([](PcxSpec& s) { s.data.resize(5); }), kPicErrFileRead},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadPcx(c.spec.Build(), 24).code, c.code) << c.what;
  // The rows read before the end stay with the caller.
  const Read cut = ReadPcx(cases[8].spec.Build(), 24);
  ASSERT_EQ(cut.pixels.size(), 24u);
  EXPECT_EQ(cut.pixels[11], 1);
  EXPECT_EQ(ReadPcx(Bytes(100, 10), 24).code, kPicErrBadPCX);
  EXPECT_EQ(ReadPcx(ok.Build(), 8).code, kPicErrBadArgument);  // 8 bits need a palette
  RGBQUAD pal[256];
  EXPECT_EQ(ReadPcx(ok.Build(), 16, pal).code, kPicErrBadArgument);
  EXPECT_EQ(ReadPcx(ok.Build(), 24, nullptr, 2 | 8).code, kPicErrBadArgument);
}

TEST(PcxWriter, EncodingHeaderAndRefusals) {
  const auto pal = Colours();
  // A lone 0xC5 needs a count, a lone 0x3F does not; runs stop at 63.
  Bytes row = {0xC5, 0x3F};
  row.resize(2 + 70, 9);
  const Bytes file = WritePcx(row, 72, 1, 8, 72, pal.data(), 1, std::array<double, 2>{300.7, 72}.data());
  EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 134), (Bytes{0xC1, 0xC5, 0x3F, 0xFF, 9, 0xC7}));
  EXPECT_EQ(file[12] | file[13] << 8, 300);
  EXPECT_EQ(file[68], 2);  // grey palette info with flags 1
  EXPECT_EQ(file[file.size() - 769], 12);
  // Bytes per line are even: width 9 at 1 bit gives 2, width 3 at 8 bits 4.
  EXPECT_EQ(WritePcx(Bytes(2), 9, 1, 1, 2, pal.data())[66], 2);
  EXPECT_EQ(WritePcx(Bytes(3), 3, 1, 8, 3, pal.data())[66], 4);
  const Bytes rgb = WritePcx(Bytes{1, 2, 3}, 1, 1, 24, 3, nullptr, 8);  // B, G, R in
  EXPECT_EQ(rgb[65], 3);
  EXPECT_EQ(ReadPcx(rgb, 24).pixels, (Bytes{3, 2, 1}));

  Dest dest;
  const Bytes img(64);
  struct Bad {
    DWORD w, h, depth;
    const RGBQUAD* palette;
  };
  for (const Bad& b : {Bad{4, 4, 8, nullptr}, Bad{4, 4, 1, nullptr}, Bad{4, 4, 16, pal.data()},
                       Bad{0, 4, 24, nullptr}, Bad{65535, 1, 8, pal.data()}}) {
    EXPECT_EQ(pic_WritePCX(dest, img.data(), b.w, b.h, b.depth, 4, b.palette, nullptr, 0), 0u);
    EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  }
  EXPECT_EQ(pic_WritePCX(nullptr, img.data(), 4, 4, 24, 12, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
}

TEST(PcxLines, ReadAndWriteRowByRow) {
  const auto pal = Colours();
  Dest dest;
  HPICPCXWRITELINES out = pic_InitWritePCXLines(dest, 5, 3, 8, pal.data(), nullptr, 0);
  ASSERT_NE(out, nullptr);
  const Bytes rows = Noise(15, 3);
  for (int y = 0; y < 3; ++y) EXPECT_TRUE(pic_WriteNextPCXLine(out, rows.data() + 5 * y));
  EXPECT_FALSE(pic_WriteNextPCXLine(out, rows.data()));
  EXPECT_EQ(PicGetLastError(), kPicErrEndOfImage);
  EXPECT_TRUE(pic_DestroyWritePCXLines(out));

  Source src(dest.Contents());
  DWORD w = 0, h = 0, index = 9;
  RGBQUAD back[256];
  HPICPCXREADLINES in = pic_InitReadPCXLines(src, &w, &h, back, 0);
  ASSERT_NE(in, nullptr);
  Bytes row(5);
  for (DWORD y = 0; y < 3; ++y) {
    ASSERT_TRUE(pic_ReadNextPCXLine(in, row.data(), &index));
    EXPECT_EQ(index, y);
    EXPECT_EQ(row, Bytes(rows.begin() + 5 * y, rows.begin() + 5 * y + 5));
  }
  EXPECT_FALSE(pic_ReadNextPCXLine(in, row.data(), &index));
  EXPECT_EQ(PicGetLastError(), kPicErrEndOfImage);
  EXPECT_TRUE(pic_DestroyReadPCXLines(in));
  EXPECT_EQ(std::memcmp(back, pal.data(), 1024), 0);

  // Without a palette the lines are R, G, B; a 24-bit file refuses indices.
  pic_Seek(src, 0, 0);
  in = pic_InitReadPCXLines(src, &w, &h, nullptr, 0);
  Bytes rgb(15);
  ASSERT_TRUE(pic_ReadNextPCXLine(in, rgb.data(), nullptr));
  EXPECT_EQ(rgb[0], pal[rows[0]].rgbRed);
  pic_DestroyReadPCXLines(in);
  Source deep(WritePcx(Bytes(3), 1, 1, 24, 3, nullptr));
  EXPECT_EQ(pic_InitReadPCXLines(deep, &w, &h, back, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), kPicErrBitDepth);

  DWORD bits = 0;
  PicResolutionInfo res;
  pic_Seek(src, 0, 0);
  ASSERT_TRUE(pic_GetPCXDims(src, &w, &h, &bits, &res, 0));
  EXPECT_EQ(bits, 8u);
  DWORD count = 0;
  pic_Seek(src, 0, 0);
  ASSERT_TRUE(pic_GetPCXPalette(src, back, &count));
  EXPECT_EQ(count, 256u);
  EXPECT_EQ(std::memcmp(back, pal.data(), 1024), 0);
}
