// GIF codec through its entries: round trips of every writer option, the
// bytes the writer must produce, hand-made and broken streams, refusals,
// the animation player and the generic reader.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif/gif_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "core/pictura_formats.h"
#include "codecs/gif/pictura_gif.h"
#include "reader/pictura_read.h"

using namespace pictest;
using namespace Pictura;

namespace {

struct Read {
  Bytes pixels;
  DWORD width = 0, height = 0, code = 0;
  LONG transparent = -2;
  RGBQUAD palette[256] = {};
};

Read ReadGif(const Bytes& file, DWORD flags = 0) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadGIF(src, &r.width, &r.height, &r.transparent, r.palette, flags));
  r.code = PicGetLastError();
  return r;
}

std::vector<RGBQUAD> GreyPalette() {
  std::vector<RGBQUAD> p(256);
  for (int i = 0; i < 256; ++i) p[i] = RGBQUAD{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                               static_cast<uint8_t>(i / 2), 0};
  return p;
}

Bytes WriteGif(const Bytes& pixels, DWORD w, DWORD h, DWORD stride, DWORD bits, LONG transparent, DWORD flags,
               DWORD* code = nullptr) {
  Dest dest;
  const auto palette = GreyPalette();
  const DWORD size = pic_WriteGIF(dest, pixels.data(), w, h, stride, 0, transparent, bits, palette.data(), flags);
  if (code) *code = PicGetLastError();
  Bytes out = dest.Contents();
  EXPECT_EQ(size, out.size());
  return out;
}

// The image rows in top-down order without padding.
Bytes Rows(const Bytes& pixels, uint32_t w, uint32_t h, uint32_t stride, bool bottomUp) {
  Bytes out;
  for (uint32_t y = 0; y < h; ++y) {
    const uint32_t r = bottomUp ? h - 1 - y : y;
    out.insert(out.end(), pixels.begin() + r * stride, pixels.begin() + r * stride + w);
  }
  return out;
}

// The data sub-block lengths of the first image of a file of ours.
std::vector<int> PacketLengths(const Bytes& f, size_t dataStart) {
  std::vector<int> lengths;
  for (size_t p = dataStart; p < f.size() && f[p]; p += f[p] + 1) lengths.push_back(f[p]);
  return lengths;
}

}  // namespace

TEST(GifCodec, WrittenImagesReadBackExactly) {
  struct Case {
    const char* name;
    uint32_t w, h, stride, bits, flags;
    LONG transparent;
    uint32_t colours;
  };
  const Case cases[] = {
      {"8 bits", 61, 37, 61, 8, 0, -1, 256},
      {"1 bit", 33, 9, 40, 1, 0, -1, 2},
      {"4 bits interlaced", 20, 19, 20, 4, kGIFWriteInterlaced, 3, 16},
      {"bottom-up, padded", 7, 5, 12, 3, kGIFWriteBottomUp, -1, 8},
      {"interlaced bottom-up, 1 row", 300, 1, 300, 8, kGIFWriteInterlaced | kGIFWriteBottomUp, 0, 256},
      {"flat 100000 pixels", 500, 200, 500, 2, 0, -1, 1},
      {"noise past a full table", 256, 256, 256, 8, 0, -1, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes pixels = Pattern(size_t{c.stride} * c.h, c.colours);
    const Bytes file = WriteGif(pixels, c.w, c.h, c.stride, c.bits, c.transparent, c.flags);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), c.transparent >= 0 ? "GIF89a" : "GIF87a");
    const Read r = ReadGif(file);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(r.width, c.w);
    EXPECT_EQ(r.height, c.h);
    EXPECT_EQ(r.transparent, c.transparent);
    EXPECT_EQ(r.pixels, Rows(pixels, c.w, c.h, c.stride, c.flags & kGIFWriteBottomUp));
    const auto palette = GreyPalette();
    for (uint32_t i = 0; i < (1u << c.bits); ++i) {
      EXPECT_EQ(r.palette[i].rgbRed, palette[i].rgbRed);
      EXPECT_EQ(r.palette[i].rgbBlue, palette[i].rgbBlue);
      EXPECT_EQ(r.palette[i].rgbReserved, LONG(i) == c.transparent ? 0 : 255);
    }
    // The DIB form: bottom-up rows padded to 4 bytes.
    const Read dib = ReadGif(file, kGIFReadDIB);
    ASSERT_EQ(dib.code, 0u);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.pixels.data());
    EXPECT_EQ(header->biBitCount, 8);
    const uint32_t dibStride = (c.w + 3) & ~3u;
    const uint8_t* bits = dib.pixels.data() + 40 + 4 * header->biClrUsed;
    for (uint32_t y = 0; y < c.h; ++y)
      EXPECT_EQ(0, std::memcmp(bits + (c.h - 1 - y) * dibStride, r.pixels.data() + y * c.w, c.w));
    // Padded rows.
    const Read padded = ReadGif(file, kGIFReadPadded);
    EXPECT_EQ(padded.pixels.size(), size_t{dibStride} * c.h);
  }
}

TEST(GifCodec, WriterBytes) {
  // A 1-bit image: minimum code size 2 and a 2-entry table.
  Bytes f = WriteGif(Bytes(16, 1), 4, 4, 4, 1, -1, 0);
  EXPECT_EQ(f[10], 0x80);  // global table of 2 entries, resolution 1
  EXPECT_EQ(f[13 + 6], 0x2C);
  EXPECT_EQ(f[13 + 6 + 10], 2);
  // Transparent index 5: GIF89a and a graphic control extension.
  f = WriteGif(Bytes(16, 1), 4, 4, 4, 4, 5, 0);
  const size_t gce = 13 + 48;
  EXPECT_EQ(Bytes(f.begin() + gce, f.begin() + gce + 8), (Bytes{0x21, 0xF9, 4, 1, 0, 0, 5, 0}));
  // Data sub-blocks of 254 bytes with a shorter last one.
  f = WriteGif(Bytes(100000, 0), 1000, 100, 1000, 8, -1, 0);
  const size_t data = 13 + 768 + 10 + 1;
  const std::vector<int> lengths = PacketLengths(f, data);
  ASSERT_GE(lengths.size(), 1u);
  for (size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], 254);
  EXPECT_LT(lengths.back(), 254);
}

TEST(GifCodec, InterlacedRowsAreStoredInPassOrder) {
  // Row y holds the value y; the file's plain codes come in the order stored.
  Bytes pixels;
  for (uint8_t y = 0; y < 10; ++y) pixels.insert(pixels.end(), 3, y);
  const Bytes f = WriteGif(pixels, 3, 10, 3, 4, -1, kGIFWriteInterlaced);
  EXPECT_EQ(f[13 + 48 + 9], 0x40);
  // Decoding without the interlace flag shows the stored order.
  Bytes plain = f;
  plain[13 + 48 + 9] = 0;
  const Read r = ReadGif(plain);
  const uint8_t order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(r.pixels[3 * i], order[i]);
  // Height 3: rows 0, 2, 1.
  const Bytes three = GifBuilder(2, 3, 2).Image(0, 0, 2, 3, {0, 0, 2, 2, 1, 1}, 0, true).End().bytes;
  EXPECT_EQ(ReadGif(three).pixels, (Bytes{0, 0, 1, 1, 2, 2}));
}

TEST(GifCodec, HandMadeAndBrokenStreams) {
  const Bytes pixels = Pattern(12, 4);
  struct Case {
    const char* name;
    Bytes file;
    DWORD code;
    Bytes expect;  // empty: no image
  };
  // 12 pixels in 3-bit codes, a clear before every two: 8 bytes of data,
  // of which the first 4 (6 pixels) survive.
  Bytes truncated = GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 2).End().bytes;
  truncated.erase(truncated.end() - 6, truncated.end());
  Bytes cutExpect(12, 0);
  std::copy(pixels.begin(), pixels.begin() + 6, cutExpect.begin());
  Bytes wide = GifBuilder(16, 16, 2).bytes;
  wide.insert(wide.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 0x01, 0});
  Bytes noTrailer = GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 2).bytes;
  Bytes pastTable = pixels;
  pastTable[5] = 7;
  Bytes pastTableExpect = pastTable;
  const Case cases[] = {
      {"plain", GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 2).End().bytes, 0, pixels},
      {"no trailer", noTrailer, 0, pixels},
      {"data ends early", truncated, 0, cutExpect},
      {"minimum code size 12", GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 12, 2).End().bytes, 12, {}},
      {"minimum code size 11", GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 11).End().bytes, 0, pixels},
      {"index past the table", GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pastTable, 0, false, 3).End().bytes, 12,
       pastTableExpect},
      {"minimum code size 9", GifBuilder(1, 1, 2).Image(0, 0, 1, 1, {0}, 0, false, 9).End().bytes, 0, {0}},
      {"local table", GifBuilder(4, 3, 0).Image(0, 0, 4, 3, pixels, 2).End().bytes, 0, pixels},
      {"bad signature", Bytes{'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, 12, {}},
      {"version 88a", GifBuilder(1, 1, 1, "88a").Image(0, 0, 1, 1, {0}).End().bytes, 12, {}},
      {"zero-wide screen", GifBuilder(0, 1, 1).Image(0, 0, 1, 1, {0}).End().bytes, 12, {}},
      {"zero-high image", GifBuilder(1, 1, 1).Image(0, 0, 1, 0, {}).End().bytes, 12, {}},
      {"no image", GifBuilder(1, 1, 1).End().bytes, 12, {}},
      {"short", Bytes{'G', 'I', 'F'}, 12, {}},
      {"cut in the colour table", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0, 1, 2}, 12, {}},
      {"65535 x 65535 in 60 bytes", wide, 12, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Read r = ReadGif(c.file);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.pixels, c.expect);
  }
  // A root code past 255 (minimum code size 9) names no palette entry.
  Bytes big = GifBuilder(1, 1, 2).bytes;
  big.insert(big.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 9});
  const Bytes data = SubBlocks(PackCodes({512, 300, 513}, 10));
  big.insert(big.end(), data.begin(), data.end());
  big.push_back(0x3B);
  EXPECT_EQ(ReadGif(big).code, 12u);
}

TEST(GifCodec, Dimensions) {
  const Bytes f = GifBuilder(20, 10, 3, "89a", 6).Control(5).Image(2, 3, 4, 3, Pattern(12, 4), 2, true).End().bytes;
  struct Case {
    BYTE logicalScreen;
    DWORD w, h;
  };
  for (const Case& c : {Case{1, 20, 10}, Case{0, 4, 3}}) {
    Source src(f);
    DWORD w = 0, h = 0, bits = 0, background = 0;
    LONG transparent = 0;
    BYTE interlaced = 0;
    RGBQUAD palette[256];
    ASSERT_TRUE(pic_GetGIFDims(src, &w, &h, &bits, &background, &transparent, palette, &interlaced,
                               c.logicalScreen));
    EXPECT_EQ(w, c.w);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(bits, 3u);
    EXPECT_EQ(background, 6u);
    EXPECT_EQ(transparent, 5);
    EXPECT_EQ(interlaced, 1);
    EXPECT_EQ(palette[0].rgbRed, 255);  // the local table, inverted
    EXPECT_EQ(palette[5].rgbReserved, 0);
  }
  Source src(f);
  DWORD w = 0;
  EXPECT_FALSE(pic_GetGIFDims(src, &w, &w, &w, nullptr, nullptr, nullptr, nullptr, 1));
  EXPECT_EQ(PicGetLastError(), 5u);
  Source shortSrc(Bytes{'G', 'I'});
  DWORD h = 0, bits = 0, bg = 0;
  BYTE in = 0;
  EXPECT_FALSE(pic_GetGIFDims(shortSrc, &w, &h, &bits, &bg, nullptr, nullptr, &in, 1));
  EXPECT_EQ(PicGetLastError(), 3u);
}

TEST(GifCodec, WriterRefusesWhatItCannotStore) {
  const auto palette = GreyPalette();
  const Bytes pixels = Pattern(64, 16);
  Bytes tooBig = Pattern(64, 4);
  tooBig[63] = 4;
  struct Case {
    const char* name;
    const uint8_t* pixels;
    DWORD w, h, stride, bits;
    const RGBQUAD* palette;
  };
  const Case cases[] = {
      {"null pixels", nullptr, 8, 8, 8, 8, palette.data()},
      {"null palette", pixels.data(), 8, 8, 8, 8, nullptr},
      {"0 bits", pixels.data(), 8, 8, 8, 0, palette.data()},
      {"9 bits", pixels.data(), 8, 8, 8, 9, palette.data()},
      {"pixel beyond 2 bits", tooBig.data(), 8, 8, 8, 2, palette.data()},
      {"pixel beyond 3 bits", pixels.data(), 8, 8, 8, 3, palette.data()},
      {"zero width", pixels.data(), 0, 8, 8, 8, palette.data()},
      {"stride below width", pixels.data(), 8, 8, 4, 8, palette.data()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dest dest;
    EXPECT_EQ(pic_WriteGIF(dest, c.pixels, c.w, c.h, c.stride, 0, -1, c.bits, c.palette, 0), 0u);
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_TRUE(dest.Contents().empty());
  }
  // Frames: null pixels, pixels past their table, no global room for them.
  Dest dest;
  HPICGIFWRITE h = pic_InitWriteMultiframedGIF(dest, 8, 8, -1, 0, 2, palette.data(), 0, 0);
  ASSERT_NE(h, nullptr);
  const size_t before = dest.Contents().size();
  EXPECT_FALSE(pic_AddGIFFrame(h, nullptr, 8, 8, 8, 0, 0, 0, -1, 2, nullptr, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, nullptr, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, nullptr, 0, kGIFWriteLocalTable));
  EXPECT_EQ(dest.Contents().size(), before);
  EXPECT_TRUE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, palette.data(), 0, kGIFWriteLocalTable));
  EXPECT_TRUE(pic_DestroyMultiGIF(h));
  EXPECT_FALSE(pic_DestroyMultiGIF(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(pic_InitWriteMultiframedGIF(dest, 8, 8, -1, 0, 2, nullptr, 0, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
}

namespace {

// Frames of an animation: each frame's canvas and delay.
struct Played {
  std::vector<Bytes> frames;
  std::vector<DWORD> delays;
  DWORD width = 0, height = 0, endCode = 0;
};

Played Play(const Bytes& file, DWORD flags, int maxFrames) {
  Played p;
  Source src(file);
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &p.width, &p.height, 0);
  EXPECT_NE(a, nullptr) << PicGetLastError();
  if (!a) return p;
  Bytes canvas(size_t{p.width} * p.height * 4);
  DWORD delay = 0;
  for (int i = 0; i < maxFrames && pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, flags); ++i) {
    p.frames.push_back(canvas);
    p.delays.push_back(delay);
  }
  p.endCode = PicGetLastError();
  EXPECT_TRUE(pic_DestroyAnimatedGIF(a));
  return p;
}

Bytes Pixel(const Bytes& canvas, uint32_t width, uint32_t x, uint32_t y) {
  const size_t at = (size_t{y} * width + x) * 4;
  return Bytes(canvas.begin() + at, canvas.begin() + at + 4);
}

}  // namespace

TEST(GifAnimation, LoopsAndEnds) {
  auto two = [](int loop) {
    GifBuilder b(2, 2, 2);
    if (loop >= 0) b.Loop(loop);
    return b.Control(-1, 7).Image(0, 0, 2, 2, {1, 1, 1, 1}).Control(-1, 9).Image(0, 0, 2, 2, {2, 2, 2, 2}).End().bytes;
  };
  struct Case {
    const char* name;
    Bytes file;
    DWORD flags;
    size_t frames;  // 50: still playing
  };
  const Case cases[] = {
      {"loop count 2", two(2), 0, 4},
      {"loop count 0 plays on", two(0), 0, 50},
      {"no loop extension plays on", two(-1), 0, 50},
      {"played once", two(0), kGIFRenderOnce, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Played p = Play(c.file, c.flags, 50);
    EXPECT_EQ(p.frames.size(), c.frames);
    if (c.frames < 50) {
      EXPECT_EQ(p.endCode, 79u);
    }
    EXPECT_EQ(p.delays[0], 7u);
    EXPECT_EQ(p.delays[1], 9u);
    EXPECT_EQ(Pixel(p.frames[1], 2, 1, 1), (Bytes{170, 170, 2, 255}));
  }
}

TEST(GifAnimation, DisposalTransparencyAndClipping) {
  // Screen 4 x 2, background index 3; frame 1 covers it with index 1.
  auto file = [](int transparent, uint32_t disposal, uint32_t left) {
    return GifBuilder(4, 2, 2, "89a", 3)
        .Control(-1)
        .Image(0, 0, 4, 2, Bytes(8, 1))
        .Control(transparent, 0, disposal)
        .Image(left, 0, 2, 2, {2, 3, 2, 3})
        .Control(-1)
        .Image(3, 1, 1, 1, {0})
        .End()
        .bytes;
  };
  const Bytes one{85, 85, 1, 255}, two{170, 170, 2, 255}, bg{255, 255, 3, 255}, clear{255, 255, 3, 0};
  struct Case {
    const char* name;
    Bytes file;
    Bytes second00, second10;  // pixels (0, 0) and (1, 0) after frame 2
    Bytes third00;             // pixel (0, 0) after frame 3, once frame 2 is disposed of
  };
  const Case cases[] = {
      {"no disposal", file(-1, 1, 0), two, bg, two},
      {"transparent index kept out", file(3, 1, 0), two, one, two},
      {"disposal 2 to the background", file(-1, 2, 0), two, bg, bg},
      {"disposal 2, transparent background", file(3, 2, 0), two, one, clear},
      {"disposal 3 restores", file(-1, 3, 0), two, bg, one},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Played p = Play(c.file, kGIFRenderOnce, 10);
    ASSERT_EQ(p.frames.size(), 3u);
    EXPECT_EQ(Pixel(p.frames[0], 4, 1, 0), one);
    EXPECT_EQ(Pixel(p.frames[1], 4, 0, 0), c.second00);
    EXPECT_EQ(Pixel(p.frames[1], 4, 1, 0), c.second10);
    EXPECT_EQ(Pixel(p.frames[2], 4, 0, 0), c.third00);
  }
  // A frame reaching past the screen is cut at its edge.
  const Played p = Play(file(-1, 1, 3), kGIFRenderOnce, 10);
  ASSERT_EQ(p.frames.size(), 3u);
  EXPECT_EQ(Pixel(p.frames[1], 4, 3, 0), two);
  EXPECT_EQ(Pixel(p.frames[1], 4, 2, 0), one);
  // Far outside the screen: nothing drawn.
  const Played outside = Play(file(-1, 2, 60000), kGIFRenderOnce, 10);
  EXPECT_EQ(outside.frames[1], outside.frames[0]);
}

TEST(GifAnimation, FrameListAndRefusals) {
  const Bytes f = GifBuilder(6, 4, 2, "89a", 2)
                      .Loop(3)
                      .Control(1, 12, 2)
                      .Image(1, 2, 3, 2, Pattern(6, 2), 1, true)
                      .Image(0, 0, 6, 4, Pattern(24, 4))
                      .End()
                      .bytes;
  Source src(f);
  DWORD w = 0, h = 0, count = 0, loop = 0, bg = 0;
  LONG transparent = 0;
  RGBQUAD global[256];
  ASSERT_TRUE(pic_ReadMultiFrameGIF(src, &w, &h, &count, &loop, &bg, &transparent, global, 0));
  EXPECT_EQ((std::vector<DWORD>{w, h, count, loop, bg}), (std::vector<DWORD>{6, 4, 2, 3, 2}));
  EXPECT_EQ(transparent, -1);
  EXPECT_EQ(pic_GetGIFFrameCount(), 2u);
  HGLOBAL pixels = nullptr;
  DWORD fw, fh, left, top, delay, disposal, user, local, inter;
  LONG trans;
  RGBQUAD palette[256];
  ASSERT_TRUE(pic_GetGIFFrame(0, &pixels, &fw, &fh, &left, &top, &delay, &disposal, &user, &local, &trans,
                              &inter, palette, 0));
  EXPECT_EQ((std::vector<DWORD>{fw, fh, left, top, delay, disposal, local, inter}),
            (std::vector<DWORD>{3, 2, 1, 2, 12, 2, 1, 1}));
  EXPECT_EQ(trans, 1);
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(pixels), static_cast<uint8_t*>(pixels) + 6), Pattern(6, 2));
  ASSERT_TRUE(pic_GetGIFFrame(1, &pixels, &fw, &fh, &left, &top, &delay, &disposal, &user, &local, &trans,
                              &inter, palette, 0));
  EXPECT_EQ(trans, -1);  // the control extension held for one image only
  EXPECT_EQ(local, 0u);
  // Version 88a: 8 from the multi-frame read; a big claim in a tiny file: 12.
  Source v88(GifBuilder(1, 1, 1, "88a").Image(0, 0, 1, 1, {0}).End().bytes);
  EXPECT_FALSE(pic_ReadMultiFrameGIF(v88, &w, &h, &count, &loop, &bg, &transparent, global, 0));
  EXPECT_EQ(PicGetLastError(), 8u);
  Bytes claims = GifBuilder(60000, 60000, 1).bytes;
  for (int i = 0; i < 3; ++i)
    claims.insert(claims.end(), {0x2C, 0, 0, 0, 0, 0x60, 0xEA, 0x60, 0xEA, 0, 2, 2, 0x44, 0x01, 0});
  claims.push_back(0x3B);
  Source big(claims);
  EXPECT_FALSE(pic_ReadMultiFrameGIF(big, &w, &h, &count, &loop, &bg, &transparent, global, 0));
  EXPECT_EQ(PicGetLastError(), 12u);
  // A screen too big for its file, even with a 1 x 1 frame.
  Source bigAnim(GifBuilder(60000, 60000, 1).Image(0, 0, 1, 1, {0}).End().bytes);
  EXPECT_EQ(pic_InitRenderAnimatedGIF(bigAnim, &w, &h, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 12u);
  // The player's arguments.
  Source ok(f);
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(ok, &w, &h, 0);
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(pic_AnimatedGIFGetNextFrame(a, nullptr, &delay, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(pic_DestroyAnimatedGIF(a));
  EXPECT_FALSE(pic_DestroyAnimatedGIF(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  pic_ClearGIFFrames();
}

TEST(GifAnimation, WrittenAnimationPlaysBack) {
  const auto palette = GreyPalette();
  Dest dest;
  HPICGIFWRITE h = pic_InitWriteMultiframedGIF(dest, 5, 4, -1, 0, 8, palette.data(), 2, 0);
  ASSERT_NE(h, nullptr);
  const Bytes a = Pattern(20, 200, 1), b = Pattern(6, 200, 2);
  ASSERT_TRUE(pic_AddGIFFrame(h, a.data(), 5, 4, 5, 0, 0, 10, -1, 8, nullptr, 1, 0));
  ASSERT_TRUE(pic_AddGIFFrame(h, b.data(), 3, 2, 3, 2, 1, 20, -1, 8, palette.data(), 1,
                              kGIFWriteLocalTable | kGIFWriteInterlaced | kGIFWriteUserInput));
  ASSERT_TRUE(pic_DestroyMultiGIF(h));
  const Played p = Play(dest.Contents(), 0, 10);
  ASSERT_EQ(p.frames.size(), 4u);  // twice round
  EXPECT_EQ(p.delays, (std::vector<DWORD>{10, 20, 10, 20}));
  const RGBQUAD& c = palette[b[1]];
  EXPECT_EQ(Pixel(p.frames[1], 5, 3, 1), (Bytes{c.rgbRed, c.rgbGreen, c.rgbBlue, 255}));
  const RGBQUAD& k = palette[a[0]];
  EXPECT_EQ(Pixel(p.frames[1], 5, 0, 0), (Bytes{k.rgbRed, k.rgbGreen, k.rgbBlue, 255}));
}

namespace {
int progressCalls = 0;
BOOL PICAPI StopAtRow2(DWORD done, DWORD, PIC_USERDATA) {
  ++progressCalls;
  return done < 2;
}
}  // namespace

TEST(GifCodec, GenericReaderAndProgress) {
  // Index 5 transparent: alpha 0 exactly there at 32 bits.
  const Bytes pixels = Pattern(35, 8);
  const Bytes f = GifBuilder(7, 5, 3).Control(5).Image(0, 0, 7, 5, pixels).End().bytes;
  Source src(f);
  DWORD w = 0, h = 0;
  const Bytes rgba = TakeBlock(pic_ReadImage(src, &w, &h, 1, 0));
  ASSERT_EQ(rgba.size(), 35u * 4);
  for (size_t i = 0; i < 35; ++i) {
    EXPECT_EQ(rgba[4 * i + 3], pixels[i] == 5 ? 0 : 255);
    EXPECT_EQ(rgba[4 * i + 2], pixels[i]);
  }
  pic_Seek(src, 0, 0);
  const Bytes rgb = TakeBlock(pic_ReadImage(src, &w, &h, 0, 0));
  EXPECT_EQ(rgb.size(), 35u * 3);
  // A progress callback that stops at row 2 leaves 14 and the rows so far.
  progressCalls = 0;
  pic_SetCallback(StopAtRow2, 0);
  const Read r = ReadGif(f);
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(r.code, 14u);
  EXPECT_EQ(progressCalls, 2);
  ASSERT_EQ(r.pixels.size(), 35u);
  EXPECT_EQ(Bytes(r.pixels.begin(), r.pixels.begin() + 14), Bytes(pixels.begin(), pixels.begin() + 14));
}
