#include <gtest/gtest.h>

#include <cstring>

#include "codecs/meta/pictura_photoshop.h"
#include "codecs/psd/pictura_psd.h"
#include "codecs/psd/psd_test_support.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"
#include "reader/pictura_read.h"

using namespace pictest;
using namespace Pictura;

namespace {

struct Read {
  Bytes pixels;
  uint32_t code = 0;
  DWORD width = 0, height = 0;
};

Read ReadPsd(const Bytes& file, DWORD depth, DWORD flags = 0, RGBQUAD* palette = nullptr) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadPSD(src, &r.width, &r.height, depth, palette, flags));
  r.code = PicGetLastError();
  return r;
}

// Interleaved samples of planes (one byte a sample).
Bytes Interleave(const std::vector<Bytes>& planes, size_t count) {
  Bytes out;
  for (size_t i = 0; i < planes[0].size(); ++i)
    for (size_t c = 0; c < count; ++c) out.push_back(planes[c][i]);
  return out;
}

}  // namespace

// What each colour mode reads as at every depth, raw and PackBits (rows
// whose packets leave bytes over still read the same pixels).
TEST(PsdRead, ModesAndDepths) {
  const Bytes r = Noise(12, 1), g = Noise(12, 2), b = Noise(12, 3), a = Noise(12, 4), k = Noise(12, 5);
  Bytes cmyk;
  for (size_t i = 0; i < 12; ++i)
    for (const Bytes* p : {&r, &g, &b}) cmyk.push_back(static_cast<uint8_t>((*p)[i] * k[i] / 255));
  Bytes opaque = Interleave({r, g, b, Bytes(12, 255)}, 4), grey3;
  for (uint8_t v : r) grey3.insert(grey3.end(), 3, v);
  Bytes index = r;
  for (auto& v : index) v &= 3;  // the first entries of the palette below
  Bytes colourTable(768, 0), indexed3;
  for (int i = 0; i < 4; ++i)
    colourTable[i] = uint8_t(10 + i), colourTable[256 + i] = uint8_t(20 + i),
    colourTable[512 + i] = uint8_t(30 + i);
  Bytes longTable = colourTable;
  longTable.insert(longTable.end(), {0, 0, 0x7F, 0xFF});  // as a length, far past the file
  for (uint8_t v : index)
    indexed3.insert(indexed3.end(), {uint8_t(10 + v), uint8_t(20 + v), uint8_t(30 + v)});
  Bytes bits = {0xA0, 0x50, 0xF0}, bitmap8, bitmap24;  // 4 x 3 pixels, 1 black
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t v = bits[y] >> (7 - x) & 1;
      bitmap8.push_back(v);
      bitmap24.insert(bitmap24.end(), 3, v ? 0 : 255);
    }
  struct Row {
    const char* name;
    PsdSpec spec;
    DWORD depth, flags;
    Bytes want;
  } rows[] = {
      {"rgb 24", {3, 8, 3, 4, 3, 1, {}, {}, {}, 0, {r, g, b}, {}}, 24, 0, Interleave({r, g, b}, 3)},
      {"rgb alpha dropped at 24",
       {3, 8, 4, 4, 3, 1, {}, {}, {}, 1, {r, g, b, a}, {}},
       24,
       0,
       Interleave({r, g, b}, 3)},
      {"rgb alpha at 32",
       {3, 8, 4, 4, 3, 1, {}, {}, {}, 1, {r, g, b, a}, {}},
       32,
       0,
       Interleave({r, g, b, a}, 4)},
      {"rgb opaque at 32", {3, 8, 3, 4, 3, 1, {}, {}, {}, 0, {r, g, b}, {}}, 32, 0, opaque},
      {"grey 24", {1, 8, 1, 4, 3, 1, {}, {}, {}, 1, {r}, {}}, 24, 0, grey3},
      {"duotone 8", {8, 8, 1, 4, 3, 1, Bytes(30, 7), {}, {}, 0, {r}, {}}, 8, 0, r},
      {"indexed 24", {2, 8, 1, 4, 3, 1, colourTable, {}, {}, 0, {index}, {}}, 24, 0, indexed3},
      {"indexed 8", {2, 8, 1, 4, 3, 1, colourTable, {}, {}, 1, {index}, {}}, 8, 0, index},
      {"indexed, more than the table",
       {2, 8, 1, 4, 3, 1, longTable, {}, {}, 0, {index}, {}},
       24,
       0,
       indexed3},
      {"bitmap 8", {0, 1, 1, 4, 3, 1, {}, {}, {}, 1, {bits}, {}}, 8, 0, bitmap8},
      {"bitmap 24", {0, 1, 1, 4, 3, 1, {}, {}, {}, 0, {bits}, {}}, 24, 0, bitmap24},
      {"cmyk to rgb", {4, 8, 4, 4, 3, 1, {}, {}, {}, 0, {r, g, b, k}, {}}, 24, 0, cmyk},
      {"cmyk kept, fifth channel dropped",
       {4, 8, 5, 4, 3, 1, {}, {}, {}, 1, {r, g, b, k, a}, {}},
       32,
       4,
       Interleave({r, g, b, k}, 4)},
      {"layers skipped",
       {3, 8, 3, 4, 3, 1, {}, {}, Bytes(9, 0xEE), 0, {r, g, b}, {}},
       24,
       0,
       Interleave({r, g, b}, 3)},
      {"packbits rows with bytes over",
       {3, 8, 3, 4, 3, 1, {}, {}, {}, 1, {r, g, b}, {0x80, 0x80}},
       24,
       0,
       Interleave({r, g, b}, 3)},
  };
  for (const Row& row : rows) {
    RGBQUAD palette[256];
    const Read got = ReadPsd(MakePsd(row.spec), row.depth, row.flags, palette);
    EXPECT_EQ(got.code, 0u) << row.name;
    EXPECT_EQ(got.pixels, row.want) << row.name;
  }
}

// Hostile and unsupported files: refused with their code, nothing
// allocated from a forged size.
TEST(PsdRead, BadFilesRefused) {
  const Bytes p = Noise(12, 1);
  auto spec = [&](auto change) {
    PsdSpec s{3, 8, 3, 4, 3, 1, {}, {}, {}, 0, {p, p, p}, {}};
    change(s);
    return MakePsd(s);
  };
  Bytes cut = spec([](PsdSpec&) {});
  cut.erase(cut.end() - 5, cut.end());
  Bytes forgedResources = spec([](PsdSpec&) {});
  forgedResources[30] = 0x7F;  // resource length far past the file
  Bytes forgedRows = spec([](PsdSpec& s) { s.compression = 1; });
  forgedRows[34 + 2] = 0xFF;  // first row's packed count past the file
  struct Row {
    const char* name;
    Bytes file;
    uint32_t code;
  } rows[] = {
      {"signature", Bytes{'8', 'B', 'P', 'X'}, 46},
      {"version 2", spec([](PsdSpec& s) { s.version = 2; }), 46},
      {"rgb with two channels", spec([](PsdSpec& s) { s.channels = 2, s.planes.pop_back(); }), 46},
      {"cmyk with three channels", spec([](PsdSpec& s) { s.mode = 4; }), 46},
      {"no channels", spec([](PsdSpec& s) { s.channels = 0; }), 46},
      {"bitmap at 8 bits", spec([](PsdSpec& s) { s.mode = 0; }), 46},
      {"32-bit float", spec([](PsdSpec& s) { s.depth = 32; }), 47},
      {"lab", spec([](PsdSpec& s) { s.mode = 9; }), 47},
      {"indexed with a part of its table",
       spec([](PsdSpec& s) { s.mode = 2, s.channels = 1, s.colourData = Bytes(10, 1); }), 46},
      {"zip compression", spec([](PsdSpec& s) { s.compression = 2; }), 3},
      {"huge and empty", spec([](PsdSpec& s) { s.width = s.height = 100000, s.planes.clear(); }), 3},
      {"cut short", cut, 3},
      {"resource length", forgedResources, 3},
      {"row count", forgedRows, 3},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadPsd(row.file, 24).code, row.code) << row.name;
}

// An indexed file without its colour table reads as grey levels with a
// codec warning, at every output and through its palette; the header query
// counts none.
TEST(PsdRead, IndexedWithoutItsTableReadsGrey) {
  const Bytes p = Noise(12, 6);
  const Bytes file = MakePsd({2, 8, 1, 4, 3, 1, {}, {}, {}, 0, {p}, {}});
  Bytes grey3;
  for (uint8_t v : p) grey3.insert(grey3.end(), 3, v);
  const DWORD before = pic_GetCodecWarningCount();
  RGBQUAD palette[256] = {};
  const Read eight = ReadPsd(file, 8, 0, palette);
  EXPECT_EQ(eight.code, 0u);
  EXPECT_EQ(eight.pixels, p);
  EXPECT_EQ(std::memcmp(&palette[200], "\xC8\xC8\xC8\0", 4), 0);
  const Read rgb = ReadPsd(file, 24);
  EXPECT_EQ(rgb.code, 0u);
  EXPECT_EQ(rgb.pixels, grey3);
  EXPECT_EQ(pic_GetCodecWarningCount(), before + 2);
  Source src(file);
  DWORD count = 0, w = 0, h = 0, bits = 0, mode = 0;
  EXPECT_TRUE(pic_GetPSDPalette(src, palette, &count, 0));
  EXPECT_EQ(palette[77].rgbGreen, 77);
  EXPECT_EQ(pic_GetCodecWarningCount(), before + 3);
  pic_Seek(src, 0, 0);
  EXPECT_TRUE(pic_GetPSDDims(src, &w, &h, &bits, &mode, nullptr, 0));
  EXPECT_EQ(pic_GetCodecWarningCount(), before + 3);
}

// The writer's files read back exactly at every depth and row layout.
TEST(PsdWrite, RoundTrip) {
  RGBQUAD colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i * 5), 0};
  for (DWORD depth : {8u, 24u, 32u, 48u, 64u})
    for (DWORD flags : {0u, 4u, 8u}) {
      const DWORD w = 7, h = 5, row = w * depth / 8, stride = row + 2;
      const Bytes img = Noise(size_t{stride} * h, depth + flags);
      Bytes want;
      for (DWORD y = 0; y < h; ++y) {
        const uint8_t* s = img.data() + (flags == 4 ? h - 1 - y : y) * stride;
        const DWORD size = depth >= 48 ? 2 : 1, samples = depth / 8 / size;
        for (DWORD x = 0; x < w; ++x)
          for (DWORD c = 0; c < samples; ++c) {
            const DWORD from = flags == 8 && samples >= 3 && c < 3 ? 2 - c : c;  // B, G, R given
            want.insert(want.end(), s + (x * samples + from) * size, s + (x * samples + from + 1) * size);
          }
      }
      Dest dest;
      ASSERT_NE(pic_WritePSD(dest, img.data(), w, h, depth, stride, colours, flags), 0u) << depth;
      RGBQUAD back[256];
      const Read got = ReadPsd(dest.Contents(), depth, 0, back);
      EXPECT_EQ(got.pixels, want) << depth << " " << flags;
      EXPECT_TRUE(depth != 8 || std::memcmp(back, colours, 1024) == 0);
    }
}

// Resolution (1005), the thread's resources written, the generic reader.
TEST(PsdRead, ResolutionResourcesAndGenericReader) {
  const Bytes p = Noise(12, 1);
  Bytes res = ResourceBlock(1005, {0, 150, 0x80, 0, 0, 1, 0, 1, 0, 75, 0, 0, 0, 1, 0, 1});
  PsdSpec spec{3, 8, 3, 4, 3, 1, {}, res, {}, 0, {p, p, p}, {}};
  Source src(MakePsd(spec));
  DWORD w = 0, h = 0, bits = 0, mode = 0;
  PicResolutionInfo info;
  ASSERT_TRUE(pic_GetPSDDims(src, &w, &h, &bits, &mode, &info, 0));
  EXPECT_EQ(std::vector<double>(
                {double(w), double(h), double(bits), double(mode), info.x, info.y, double(info.unit)}),
            std::vector<double>({4, 3, 8, 3, 150, 75, 1}));
  // Stored per inch whatever the display units; the horizontal one names
  // the unit of both values (2: per centimetre, both converted; unknown: 0).
  struct Unit {
    uint8_t horizontal, vertical;
    std::vector<double> want;  // x, y, unit
  } units[] = {
      {2, 2, {59, 29, 2}},  {1, 2, {150, 75, 1}}, {2, 1, {59, 29, 2}},
      {3, 1, {150, 75, 0}}, {0, 0, {150, 75, 0}},
  };
  for (const Unit& u : units) {
    PsdSpec shown = spec;
    shown.resources =
        ResourceBlock(1005, {0, 150, 0x80, 0, 0, u.horizontal, 0, 1, 0, 75, 0, 0, 0, u.vertical, 0, 1});
    Source s(MakePsd(shown));
    ASSERT_TRUE(pic_GetPSDDims(s, &w, &h, &bits, &mode, &info, 0));
    EXPECT_EQ(std::vector<double>({info.x, info.y, double(info.unit)}), u.want)
        << int(u.horizontal) << " " << int(u.vertical);
  }

  ASSERT_TRUE(pic_SetPhotoshopResources(res.data(), static_cast<DWORD>(res.size())));
  Dest dest;
  ASSERT_NE(pic_WritePSD(dest, p.data(), 2, 2, 24, 6, nullptr, 0), 0u);
  pic_SetPhotoshopResources(nullptr, 0);
  const Bytes written = dest.Contents();
  EXPECT_EQ(Bytes(written.begin() + 34, written.begin() + 34 + res.size()), res);

  Source image(MakePsd(spec));
  DWORD gw = 0, gh = 0;
  const Bytes rgb = TakeBlock(pic_ReadImage(image, &gw, &gh, 0, 0));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(rgb, Interleave({p, p, p}, 3));

  // Its 32 bits come through the 24 with alpha 255, whatever the file's alpha
  // channel; pic_ReadPSD at 32 keeps that channel.
  const Bytes a = Noise(12, 9);
  const Bytes withAlpha = MakePsd({3, 8, 4, 4, 3, 1, {}, {}, {}, 0, {p, p, p, a}, {}});
  Source rgba(withAlpha);
  EXPECT_EQ(TakeBlock(pic_ReadImage(rgba, &gw, &gh, 1, 0)), Interleave({p, p, p, Bytes(12, 255)}, 4));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(ReadPsd(withAlpha, 32).pixels, Interleave({p, p, p, a}, 4));
}

// The thumbnail resource (its record's claims bounded by the block) and a
// copy with the thread's resources in place of the file's.
TEST(PsdResources, ThumbnailAndReplacement) {
  const Bytes p = Noise(12, 1);
  auto thumb = [](uint32_t claimed, size_t held) {
    Bytes r;
    for (uint32_t v : {1u, 4u, 3u, 12u, 36u, claimed}) PutBE(r, v, 4);
    PutBE(r, 24, 2), PutBE(r, 1, 2);
    r.resize(28 + held, 0xD8);
    return ResourceBlock(1036, r);
  };
  struct Row {
    const char* name;
    Bytes resources;
    uint32_t code;
    DWORD size;
  } rows[] = {
      {"thumbnail", thumb(5, 5), 0, 5},
      {"claims past the block", thumb(6, 5), 46, 0},
      {"claims 2^32 - 1", thumb(0xFFFFFFFF, 5), 46, 0},
      {"none", ResourceBlock(1005, Bytes(16, 0)), 72, 0},
  };
  for (const Row& row : rows) {
    Source src(MakePsd({3, 8, 3, 4, 3, 1, {}, row.resources, {}, 0, {p, p, p}, {}}));
    DWORD size = 0, w = 0, h = 0, format = 0, rgb = 0;
    const Bytes data = TakeBlock(pic_GetPSDThumbnail(src, &size, &w, &h, &format, &rgb));
    EXPECT_EQ(PicGetLastError(), row.code) << row.name;
    EXPECT_EQ(data.size(), row.size) << row.name;
    EXPECT_TRUE(row.code || (w == 4 && h == 3 && format == 1 && rgb == 1)) << row.name;
  }
  const Bytes mine = ResourceBlock(1028, {1, 2, 3});
  const PsdSpec before{3, 8, 3, 4, 3, 1, Bytes(6, 9), thumb(5, 5), Bytes(8, 7), 1, {p, p, p}, {}};
  PsdSpec after = before;
  after.resources = mine;
  pic_SetPhotoshopResources(mine.data(), static_cast<DWORD>(mine.size()));
  Source src(MakePsd(before));
  Dest dest;
  EXPECT_TRUE(pic_ReplacePSDResources(src, dest));
  pic_SetPhotoshopResources(nullptr, 0);
  EXPECT_EQ(dest.Contents(), MakePsd(after));
}
