// GIF codec through its entries: round trips of the writer's options, the
// bytes it must produce, hand-made and broken streams, refusals, the
// animation player and the generic reader.
#include <gtest/gtest.h>

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
  r.width = r.height = 99;  // a refused read clears them
  r.pixels = TakeBlock(pic_ReadGIF(src, &r.width, &r.height, &r.transparent, r.palette, flags));
  r.code = PicGetLastError();
  return r;
}

std::vector<RGBQUAD> Palette() {
  std::vector<RGBQUAD> p(256);
  for (int i = 0; i < 256; ++i) p[i] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
  return p;
}

Bytes WriteGif(const Bytes& pixels, DWORD w, DWORD h, DWORD stride, DWORD bits, LONG transparent,
               DWORD flags) {
  Dest dest;
  const DWORD size =
      pic_WriteGIF(dest, pixels.data(), w, h, stride, 0, transparent, bits, Palette().data(), flags);
  EXPECT_EQ(size, dest.Contents().size());
  return dest.Contents();
}

// Every frame the player gives (R, G, B, A canvases) and the code it ends with.
struct Played {
  std::vector<Bytes> frames;
  std::vector<DWORD> delays;
  DWORD width = 0, height = 0, endCode = 0;
  Bytes Pixel(size_t frame, uint32_t x, uint32_t y) const {
    return Bytes(frames[frame].begin() + (y * width + x) * 4,
                 frames[frame].begin() + (y * width + x) * 4 + 4);
  }
};

Played Play(const Bytes& file, DWORD flags, size_t maxFrames = 10) {
  Played p;
  Source src(file);
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &p.width, &p.height, 0);
  EXPECT_NE(a, nullptr) << PicGetLastError();
  Bytes canvas(size_t{p.width} * p.height * 4);
  DWORD delay = 0;
  while (a && p.frames.size() < maxFrames && pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, flags)) {
    p.frames.push_back(canvas);
    p.delays.push_back(delay);
  }
  p.endCode = PicGetLastError();
  EXPECT_TRUE(!a || pic_DestroyAnimatedGIF(a));
  return p;
}

int progressCalls = 0;
BOOL PICAPI StopAtRow2(DWORD done, DWORD, PIC_USERDATA) {
  ++progressCalls;
  return done < 2;
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
      {"1 bit, padded rows", 33, 9, 40, 1, 0, -1, 2},
      {"4 bits interlaced", 20, 19, 20, 4, kGIFWriteInterlaced, 3, 16},
      {"bottom-up", 7, 5, 12, 3, kGIFWriteBottomUp, -1, 8},
      {"interlaced bottom-up, 1 row", 300, 1, 300, 8, kGIFWriteInterlaced | kGIFWriteBottomUp, 0, 256},
      {"flat 100000 pixels", 500, 200, 500, 2, 0, -1, 1},
      {"noise past a full table", 256, 256, 256, 8, 0, -1, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes pixels = Pattern(size_t{c.stride} * c.h, c.colours);
    const Bytes file = WriteGif(pixels, c.w, c.h, c.stride, c.bits, c.transparent, c.flags);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), c.transparent >= 0 ? "GIF89a" : "GIF87a");
    const size_t gce = 13 + (3u << c.bits), image = gce + (c.transparent >= 0 ? 8 : 0);
    const Bytes control{0x21, 0xF9, 4, 1, 0, 0, uint8_t(c.transparent), 0};
    EXPECT_TRUE(c.transparent < 0 || Bytes(file.begin() + gce, file.begin() + image) == control);
    EXPECT_EQ((Bytes{file[10], file[image + 10]}),
              (Bytes{uint8_t(0x80 | (c.bits - 1) * 17), uint8_t(std::max(2u, c.bits))}));
    const Read r = ReadGif(file), dib = ReadGif(file, kGIFReadDIB), padded = ReadGif(file, kGIFReadPadded);
    EXPECT_EQ((std::vector<LONG>{LONG(r.code), LONG(r.width), LONG(r.height), r.transparent,
                                 r.palette[1].rgbGreen, r.palette[0].rgbReserved}),
              (std::vector<LONG>{0, LONG(c.w), LONG(c.h), c.transparent, 254, c.transparent ? 255 : 0}));
    const uint32_t stride4 = (c.w + 3) & ~3u,
                   table = reinterpret_cast<const BITMAPINFOHEADER*>(dib.pixels.data())->biClrUsed;
    for (uint32_t y = 0; y < c.h; ++y) {
      const auto row = pixels.begin() + (c.flags & kGIFWriteBottomUp ? c.h - 1 - y : y) * c.stride;
      EXPECT_TRUE(std::equal(row, row + c.w, r.pixels.begin() + y * c.w));
      EXPECT_TRUE(std::equal(row, row + c.w, dib.pixels.begin() + 40 + 4 * table + (c.h - 1 - y) * stride4));
      EXPECT_TRUE(std::equal(row, row + c.w, padded.pixels.begin() + y * stride4));
    }
  }
}

TEST(GifCodec, HandMadeAndBrokenStreams) {
  const Bytes pixels = Pattern(12, 4);
  // 12 pixels in 3-bit codes, a clear before every two: 8 bytes of data, of
  // which the first 4 (6 pixels) survive the cut.
  auto gif = [](const Bytes& image, uint32_t minCodeSize, uint32_t codeSize = 0) {
    return GifBuilder(4, 3, 2).Image(0, 0, 4, 3, image, 0, false, minCodeSize, codeSize).End().bytes;
  };
  Bytes cut = gif(pixels, 2), table8 = GifBuilder(1, 1, 8).bytes;
  cut.erase(cut.end() - 6, cut.end());
  Bytes cutPixels(12, 0), past = pixels;
  std::copy(pixels.begin(), pixels.begin() + 6, cutPixels.begin());
  past[5] = 7;
  Bytes huge = GifBuilder(16, 16, 2).bytes, root300 = huge;
  huge.insert(huge.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x44, 0x01, 0});
  const Bytes codes = SubBlocks(PackCodes({512, 300, 513}, 10));  // minimum code size 9
  root300.insert(root300.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 9});
  root300.insert(root300.end(), codes.begin(), codes.end());
  const Bytes root300Full = GifBuilder(1, 1, 8).RawImage(1, 1, 9, codes).End().bytes;  // 44 is in the table
  Bytes firstPast(12, 1);  // only the first pixel passes the 2-entry table
  firstPast[0] = 3;
  struct Case {
    const char* name;
    Bytes file;
    DWORD code, warnings;
    Bytes expect;  // empty: no image
  };
  const Bytes interlaced = GifBuilder(2, 3, 2).Image(0, 0, 2, 3, {0, 0, 2, 2, 1, 1}, 0, true).bytes;
  const Case cases[] = {
      {"plain", gif(pixels, 2), 0, 0, pixels},
      {"data ends early", cut, 0, 1, cutPixels},
      {"interlaced, height 3, no trailer", interlaced, 0, 0, {0, 0, 1, 1, 2, 2}},
      {"local table", GifBuilder(4, 3, 0).Image(0, 0, 4, 3, pixels, 2).End().bytes, 0, 0, pixels},
      {"minimum code size 11", gif(pixels, 11), 0, 0, pixels},
      {"minimum code size 12", gif(pixels, 12, 2), 12, 0, {}},
      {"index past the table", gif(past, 3), 12, 0, past},
      {"root code 300", root300, 12, 0, {44}},
      {"root code 300, a full table", root300Full, 12, 0, {44}},
      {"the first pixel past the table",
       GifBuilder(4, 3, 1).Image(0, 0, 4, 3, firstPast, 0, false, 2).End().bytes, 12, 0, firstPast},
      {"bad signature", Bytes{'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, 12, 0, {}},
      {"version 88a", GifBuilder(1, 1, 1, "88a").Image(0, 0, 1, 1, {0}).End().bytes, 12, 0, {}},
      {"zero-high image", GifBuilder(1, 1, 1).Image(0, 0, 1, 0, {}).End().bytes, 12, 0, {}},
      {"no image", GifBuilder(1, 1, 1).End().bytes, 12, 0, {}},
      {"cut in the colour table", Bytes(table8.begin(), table8.begin() + 15), 12, 0, {}},
      {"65535 x 65535 in 60 bytes", huge, 12, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DWORD warnings = pic_GetCodecWarningCount();
    const Read r = ReadGif(c.file);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.pixels, c.expect);
    EXPECT_EQ(pic_GetCodecWarningCount() - warnings, c.warnings);
  }
}

TEST(GifCodec, DimensionsAndFrameList) {
  GifBuilder b(20, 10, 3, "89a", 6);
  b.Loop(3).Control(5, 12, 2).Image(2, 3, 4, 3, Pattern(12, 4), 2, true);
  const Bytes f = b.Image(0, 0, 20, 10, Pattern(200, 8)).End().bytes;
  DWORD d[12] = {};
  LONG transparent = 0;
  BYTE interlaced = 0;
  RGBQUAD palette[256];
  for (const BYTE screen : {1, 0}) {
    Source src(f);
    ASSERT_TRUE(pic_GetGIFDims(src, &d[0], &d[1], &d[2], &d[3], &transparent, palette, &interlaced, screen));
    EXPECT_EQ(
        (std::vector<LONG>{LONG(d[0]), LONG(d[1]), LONG(d[2]), LONG(d[3]), transparent, interlaced,
                           palette[0].rgbRed, palette[5].rgbReserved}),  // the image's own inverted table
        (std::vector<LONG>{screen ? 20 : 4, screen ? 10 : 3, 3, 6, 5, 1, 255, 0}));
  }
  Source src(f);
  ASSERT_TRUE(pic_ReadMultiFrameGIF(src, &d[0], &d[1], &d[2], &d[3], &d[4], &transparent, palette, 0));
  EXPECT_EQ((std::vector<DWORD>(d, d + 5)), (std::vector<DWORD>{20, 10, 2, 3, 6}));
  HGLOBAL pixels = nullptr;
  ASSERT_TRUE(pic_GetGIFFrame(1, &pixels, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7],
                              &transparent, &d[8], palette, 0));
  EXPECT_EQ(transparent, -1);  // a control extension holds for one image only
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(pixels), static_cast<uint8_t*>(pixels) + 200), Pattern(200, 8));
  pic_ClearGIFFrames();
  // Version 88a: 8; many big frames or a big screen in a small file: 12.
  Source v88(GifBuilder(1, 1, 1, "88a").Image(0, 0, 1, 1, {0}).End().bytes);
  EXPECT_FALSE(pic_ReadMultiFrameGIF(v88, &d[0], &d[1], &d[2], &d[3], &d[4], &transparent, palette, 0));
  EXPECT_EQ(PicGetLastError(), 8u);
  Bytes claims = GifBuilder(60000, 60000, 1).bytes;
  for (int i = 0; i < 3; ++i)
    claims.insert(claims.end(), {0x2C, 0, 0, 0, 0, 0x60, 0xEA, 0x60, 0xEA, 0, 2, 2, 0x44, 1, 0});
  Source big(claims), bigScreen(GifBuilder(60000, 60000, 1).Image(0, 0, 1, 1, {0}).End().bytes);
  EXPECT_FALSE(pic_ReadMultiFrameGIF(big, &d[0], &d[1], &d[2], &d[3], &d[4], &transparent, palette, 0));
  EXPECT_EQ(PicGetLastError(), 12u);
  EXPECT_EQ(pic_InitRenderAnimatedGIF(bigScreen, &d[0], &d[1], 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 12u);
}

TEST(GifCodec, WriterRefusesWhatItCannotStore) {
  const auto palette = Palette();
  const Bytes pixels = Pattern(64, 16);
  auto refused = [&](const uint8_t* image, DWORD stride, DWORD bits, const RGBQUAD* table) {
    Dest dest;
    const DWORD size = pic_WriteGIF(dest, image, 8, 8, stride, 0, -1, bits, table, 0);
    return size == 0 && PicGetLastError() == 5 && dest.Contents().empty();
  };
  EXPECT_TRUE(refused(nullptr, 8, 8, palette.data()));
  EXPECT_TRUE(refused(pixels.data(), 8, 8, nullptr));
  EXPECT_TRUE(refused(pixels.data(), 8, 9, palette.data()));
  EXPECT_TRUE(refused(pixels.data(), 8, 3, palette.data()));  // a pixel beyond 3 bits
  EXPECT_TRUE(refused(pixels.data(), 4, 8, palette.data()));  // rows shorter than the width
  // Frames: null pixels, pixels past a 2-bit global table, a local table
  // without a palette; none leaves a byte behind.
  Dest dest;
  HPICGIFWRITE h = pic_InitWriteMultiframedGIF(dest, 8, 8, -1, 0, 2, palette.data(), 0, 0);
  const size_t before = dest.Contents().size();
  EXPECT_FALSE(pic_AddGIFFrame(h, nullptr, 8, 8, 8, 0, 0, 0, -1, 2, nullptr, 0, 0));
  EXPECT_FALSE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, nullptr, 0, 0));
  EXPECT_FALSE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, nullptr, 0, kGIFWriteLocalTable));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(dest.Contents().size(), before);
  EXPECT_TRUE(pic_AddGIFFrame(h, pixels.data(), 8, 8, 8, 0, 0, 0, -1, 4, palette.data(), 0, 64));
  EXPECT_TRUE(pic_DestroyMultiGIF(h));
  Source written(dest.Contents());  // one frame, its own table, no transparency
  DWORD v[12];
  LONG transparent = 0;
  RGBQUAD table[256];
  ASSERT_TRUE(pic_ReadMultiFrameGIF(written, &v[0], &v[1], &v[2], &v[3], &v[4], &transparent, table, 0));
  HGLOBAL frame = nullptr;
  ASSERT_TRUE(pic_GetGIFFrame(0, &frame, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &transparent,
                              &v[8], table, 0));
  EXPECT_EQ((std::vector<LONG>{LONG(v[6]), LONG(v[7]), transparent, table[15].rgbGreen}),
            (std::vector<LONG>{0, 1, -1, 240}));
  pic_ClearGIFFrames();
  // A destination that refuses the bytes: 4.
  uint8_t small[100];
  HPICDEST full = pic_OpenMemoryDest(small, sizeof small, FALSE);
  EXPECT_EQ(pic_WriteGIF(full, pixels.data(), 8, 8, 8, 0, -1, 8, palette.data(), 0), 0u);
  EXPECT_EQ(PicGetLastError(), 4u);
  pic_CloseDest(full);
}

TEST(GifAnimation, LoopsAndEnds) {
  auto two = [](int loop) {
    GifBuilder b(2, 2, 2);
    if (loop >= 0) b.Loop(loop);
    b.Control(-1, 7).Image(0, 0, 2, 2, {1, 1, 1, 1});
    return b.Control(-1, 9).Image(0, 0, 2, 2, {2, 2, 2, 2}).End().bytes;
  };
  struct Case {
    const char* name;
    Bytes file;
    DWORD flags;
    size_t frames;  // 10: still playing
  };
  const Case cases[] = {{"loop count 2", two(2), 0, 4},
                        {"loop count 0 plays on", two(0), 0, 10},
                        {"no loop extension plays on", two(-1), 0, 10},
                        {"played once", two(0), kGIFRenderOnce, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Played p = Play(c.file, c.flags);
    EXPECT_EQ(p.frames.size(), c.frames);
    EXPECT_EQ(p.endCode, c.frames < 10 ? 79u : 0u);
    EXPECT_EQ((std::vector<DWORD>{p.delays[0], p.delays[1]}), (std::vector<DWORD>{7, 9}));
    EXPECT_EQ(p.Pixel(1, 1, 1), (Bytes{170, 170, 2, 255}));
  }
  Bytes canvas(16);
  DWORD delay = 0;
  EXPECT_FALSE(pic_AnimatedGIFGetNextFrame(nullptr, canvas.data(), &delay, 0));
  EXPECT_FALSE(pic_DestroyAnimatedGIF(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(GifAnimation, DisposalTransparencyAndClipping) {
  // Screen 4 x 2, background index 3; frame 1 covers it with index 1; frame
  // 2 (2 x 2 at `left`) holds 2 and 3; frame 3 is one pixel at (3, 1).
  auto file = [](int transparent, uint32_t disposal, uint32_t left) {
    GifBuilder b(4, 2, 2, "89a", 3);
    b.Image(0, 0, 4, 2, Bytes(8, 1)).Control(transparent, 0, disposal);
    return b.Image(left, 0, 2, 2, {2, 3, 2, 3}).Image(3, 1, 1, 1, {0}).End().bytes;
  };
  const Bytes one{85, 85, 1, 255}, two{170, 170, 2, 255}, bg{255, 255, 3, 255}, clear{255, 255, 3, 0};
  struct Case {
    const char* name;
    Bytes file;
    Bytes second00, second10, third00;  // pixels after frames 2 and 3
  };
  const Case cases[] = {
      {"no disposal", file(-1, 1, 0), two, bg, two},
      {"transparent index kept out", file(3, 1, 0), two, one, two},
      {"disposal 2 to the background", file(-1, 2, 0), two, bg, bg},
      {"disposal 2, transparent background", file(3, 2, 0), two, one, clear},
      {"disposal 3 restores", file(-1, 3, 0), two, bg, one},
      {"cut at the screen's edge", file(-1, 1, 3), one, one, one},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Played p = Play(c.file, kGIFRenderOnce);
    ASSERT_EQ(p.frames.size(), 3u);
    EXPECT_EQ((std::vector<Bytes>{p.Pixel(1, 0, 0), p.Pixel(1, 1, 0), p.Pixel(2, 0, 0)}),
              (std::vector<Bytes>{c.second00, c.second10, c.third00}));
  }
  EXPECT_EQ(Play(file(-1, 1, 3), kGIFRenderOnce).Pixel(1, 3, 0), two);
  const Played outside = Play(file(-1, 2, 60000), kGIFRenderOnce);
  EXPECT_EQ(outside.frames[1], outside.frames[0]);
}

TEST(GifCodec, GenericReaderAndProgress) {
  // Index 5 transparent: alpha 0 exactly there at 32 bits.
  const Bytes pixels = Pattern(35, 8);
  const Bytes f = GifBuilder(7, 5, 3).Control(5).Image(0, 0, 7, 5, pixels).End().bytes;
  Source src(f);
  DWORD w = 0, h = 0;
  const Bytes rgba = TakeBlock(pic_ReadImage(src, &w, &h, 1, 0));
  ASSERT_EQ(rgba.size(), 35u * 4);
  for (size_t i = 0; i < 35; ++i)
    EXPECT_EQ((Bytes{rgba[4 * i + 2], rgba[4 * i + 3]}),
              (Bytes{pixels[i], uint8_t(pixels[i] == 5 ? 0 : 255)}));
  // A progress callback that stops after row 2 leaves 14 and the rows so far.
  progressCalls = 0;
  pic_SetCallback(StopAtRow2, 0);  // on a file whose pixels pass its 4-entry table: 14 wins
  const Read r = ReadGif(GifBuilder(7, 5, 2).Control(5).Image(0, 0, 7, 5, pixels).End().bytes);
  Dest dest;
  const DWORD written = pic_WriteGIF(dest, pixels.data(), 7, 5, 7, 0, -1, 8, Palette().data(), 0);
  const DWORD writeCode = PicGetLastError();
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ((std::vector<DWORD>{r.code, DWORD(progressCalls), written, writeCode}),
            (std::vector<DWORD>{14, 4, 0, 14}));
  Bytes twoRows(35, 0);
  std::copy(pixels.begin(), pixels.begin() + 14, twoRows.begin());
  EXPECT_EQ(r.pixels, twoRows);
}

// Streams no encoder writes and files cut short, through the first-image
// read, the frame list and the player: damaged data is 12 with what was
// decoded, a cut-off file what it holds with a warning, in all three alike
// (the first-image read sees nothing past its image).
TEST(GifCodec, DamagedAndCutStreamsAlikeInEveryReader) {
  auto raw = [](uint8_t minCodeSize, const Bytes& blocks, bool trailer = true) {
    GifBuilder b(4, 3, 2);
    b.RawImage(4, 3, minCodeSize, blocks);
    return trailer ? b.End().bytes : b.bytes;
  };
  auto codes = [](const std::vector<uint32_t>& c, uint32_t bits = 3) {
    return SubBlocks(PackCodes(c, bits));
  };
  const Bytes pixels = Pattern(12, 4), zeros(12, 0);
  const Bytes whole = GifBuilder(4, 3, 2).Image(0, 0, 4, 3, pixels, 0, false, 2).End().bytes;
  Bytes cutData = whole, noTrailer = whole, cutComment = whole, cutBefore = GifBuilder(4, 3, 2).bytes;
  cutData.erase(cutData.end() - 6, cutData.end());
  noTrailer.pop_back();
  cutComment.back() = 0x21;
  cutComment.insert(cutComment.end(), {0xFE, 10, 'c', 'u', 't'});
  cutBefore.insert(cutBefore.end(), {0x21, 0xFE, 10, 'c', 'u', 't'});
  Bytes twoFrames = GifBuilder(4, 3, 2)
                        .Image(0, 0, 4, 3, pixels, 0, false, 2)
                        .Image(0, 0, 4, 3, Pattern(12, 4, 9), 0, false, 2)
                        .End()
                        .bytes;
  twoFrames.erase(twoFrames.end() - 6, twoFrames.end());
  Bytes cutPixels = zeros, early = zeros, past = zeros;
  std::copy(pixels.begin(), pixels.begin() + 6, cutPixels.begin());
  early[0] = 3;
  past[0] = 1;
  // Eight 3-bit codes fill three bytes: the last one names pixel 5.
  const Bytes exact = codes({4, pixels[0], pixels[1], 4, pixels[2], pixels[3], 4, pixels[4]});
  Bytes fivePixels = zeros;
  std::copy(pixels.begin(), pixels.begin() + 5, fivePixels.begin());
  struct Case {
    const char* name;
    Bytes file;
    DWORD code, firstWarnings, listWarnings;
    Bytes first;  // the first image; empty: none
    DWORD frames;
  };
  const Case cases[] = {
      {"whole", whole, 0, 0, 0, pixels, 1},
      {"data cut off", cutData, 0, 1, 1, cutPixels, 1},
      {"cut after the minimum code size", raw(2, {}, false), 0, 1, 1, zeros, 1},
      {"end code early", raw(2, codes({4, 3, 5})), 0, 1, 1, early, 1},
      {"data ending at a code's last bit", raw(2, exact), 0, 1, 1, fivePixels, 1},
      {"no trailer", noTrailer, 0, 0, 1, pixels, 1},
      {"cut in a comment after the image", cutComment, 0, 0, 1, pixels, 1},
      {"second frame's data cut off", twoFrames, 0, 0, 1, pixels, 2},
      {"cut before the first image", cutBefore, 3, 0, 0, {}, 0},
      {"minimum code size 0", raw(0, codes({1, 0, 0, 0}, 1)), 12, 0, 0, {}, 0},
      {"code past the table", raw(2, codes({4, 1, 7, 2})), 12, 0, 0, past, 1},
      {"string code before any pixel", raw(2, codes({4, 6, 1})), 12, 0, 0, zeros, 1},
      {"all ones", raw(2, SubBlocks(Bytes(9, 0xFF))), 12, 0, 0, zeros, 1},
      {"all ones, 9-bit codes", raw(8, SubBlocks(Bytes(9, 0xFF))), 12, 0, 0, zeros, 1},
      {"empty image data", raw(2, {0}), 12, 0, 0, zeros, 1},
      {"a clear and the end code only", raw(2, codes({4, 5})), 12, 0, 0, zeros, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD warnings = pic_GetCodecWarningCount();
    const Read r = ReadGif(c.file);
    EXPECT_EQ((std::vector<DWORD>{r.code, pic_GetCodecWarningCount() - warnings}),
              (std::vector<DWORD>{c.code, c.firstWarnings}));
    EXPECT_EQ(r.pixels, c.first);
    EXPECT_EQ((std::vector<DWORD>{r.width, r.height}),
              (c.first.empty() ? std::vector<DWORD>{0, 0} : std::vector<DWORD>{4, 3}));

    warnings = pic_GetCodecWarningCount();
    Source list(c.file);
    DWORD v[12] = {};
    LONG transparent = 0;
    RGBQUAD palette[256];
    const BOOL listed =
        pic_ReadMultiFrameGIF(list, &v[0], &v[1], &v[2], &v[3], &v[4], &transparent, palette, 0);
    EXPECT_EQ((std::vector<DWORD>{DWORD(listed), PicGetLastError(), pic_GetCodecWarningCount() - warnings,
                                  pic_GetGIFFrameCount()}),
              (std::vector<DWORD>{!c.first.empty(), c.code, c.listWarnings, c.frames}));
    HGLOBAL frame = nullptr;
    if (c.frames && pic_GetGIFFrame(0, &frame, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7],
                                    &transparent, &v[8], palette, 0)) {
      EXPECT_EQ(Bytes(static_cast<uint8_t*>(frame), static_cast<uint8_t*>(frame) + 12), c.first);
    }
    pic_ClearGIFFrames();

    warnings = pic_GetCodecWarningCount();
    Source played(c.file);
    DWORD w = 0, h = 0;
    HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(played, &w, &h, 0);
    EXPECT_EQ((std::vector<DWORD>{a != nullptr, PicGetLastError(), pic_GetCodecWarningCount() - warnings}),
              (std::vector<DWORD>{!c.first.empty(), c.code, c.listWarnings}));
    if (a) pic_DestroyAnimatedGIF(a);
  }
}

// A DIB's colour table names every index its pixels use: a 2-entry table
// with pixels up to 3 (code 12) gets all 256 entries, the pixels as read.
TEST(GifCodec, DibTableCoversEveryIndexUsed) {
  const Bytes pixels = {0, 1, 2, 3, 3, 2, 1, 0};
  for (const DWORD tableBits : {1u, 2u}) {
    SCOPED_TRACE(tableBits);
    const Read dib =
        ReadGif(GifBuilder(4, 2, tableBits).Image(0, 0, 4, 2, pixels, 0, false, 2).End().bytes, kGIFReadDIB);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.pixels.data());
    ASSERT_GE(dib.pixels.size(), 40u);
    const DWORD colours = tableBits == 1 ? 256 : 4;
    ASSERT_EQ((std::vector<DWORD>{dib.code, header->biClrUsed, DWORD(dib.pixels.size())}),
              (std::vector<DWORD>{tableBits == 1 ? 12u : 0u, colours, 40 + 4 * colours + 8}));
    const uint8_t* rows = dib.pixels.data() + 40 + 4 * colours;  // bottom row first
    EXPECT_EQ(Bytes(rows, rows + 8), (Bytes{3, 2, 1, 0, 0, 1, 2, 3}));
    EXPECT_EQ(rows[-4 * int(colours) + 4 * 3 + 1], tableBits == 1 ? 0 : 255);  // entry 3's green
  }
}

// What the extensions give each frame: user input, disposal, delay and
// transparency from the control block before it; a comment's later
// sub-blocks skipped whatever bytes they hold; an application block named
// almost like the loop extension sets no loop count.
TEST(GifCodec, ExtensionsAndFrameFields) {
  GifBuilder b(2, 1, 3);
  b.bytes.insert(b.bytes.end(),
                 {0x21, 0xFE, 0, 0x21, 0xFE, 1, 'a', 2, 0x3B, 0x3B, 0});  // an empty comment first
  b.bytes.insert(b.bytes.end(),
                 {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '1', 3, 1, 3, 0, 0});
  b.bytes.insert(b.bytes.end(), {0x21, 0xF9, 4, 0x0E, 2, 1, 0, 0});  // disposal 3, user input, delay 258
  const Bytes f = b.Image(0, 0, 2, 1, {1, 2}).Control(7).Image(0, 0, 2, 1, {7, 7}).End().bytes;
  DWORD d[12] = {};
  LONG transparent = 0;
  BYTE interlaced = 0;
  RGBQUAD palette[256];
  Source dims(f), cut(Bytes(f.begin(), f.begin() + 30));
  ASSERT_TRUE(pic_GetGIFDims(dims, &d[0], &d[1], &d[2], &d[3], &transparent, palette, &interlaced, 1));
  EXPECT_EQ(transparent, -1);
  EXPECT_FALSE(pic_GetGIFDims(cut, &d[0], &d[1], &d[2], &d[3], &transparent, palette, &interlaced, 1));
  EXPECT_EQ((std::vector<DWORD>{d[0], d[1], d[2], PicGetLastError()}),
            (std::vector<DWORD>{0, 0, 0, 12}));  // cut in its table
  Source src(f);
  ASSERT_TRUE(pic_ReadMultiFrameGIF(src, &d[0], &d[1], &d[2], &d[3], &d[4], &transparent, palette, 0));
  EXPECT_EQ((std::vector<DWORD>{d[2], d[3]}), (std::vector<DWORD>{2, 0}));  // frames, loop count
  std::vector<LONG> fields;
  for (DWORD i = 0; i < 2; ++i) {
    HGLOBAL pixels = nullptr;
    ASSERT_TRUE(pic_GetGIFFrame(i, &pixels, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7],
                                &transparent, &d[8], palette, 0));
    fields.insert(fields.end(), {LONG(d[4]), LONG(d[5]), LONG(d[6]), transparent});
  }
  pic_ClearGIFFrames();
  EXPECT_EQ(fields, (std::vector<LONG>{258, 3, 1, -1, 0, 0, 0, 7}));
}
