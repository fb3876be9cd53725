#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "codecs/bmp/bmp_test_support.h"
#include "core/io_managers.h"
#include "core/io_test_support.h"
#include "core/test_hooks.h"
#include "core/pictura_core.h"
#include "core/pictura_dib.h"
#include "core/pictura_io.h"
#include "codecs/bmp/pictura_bmp.h"

using namespace bmptest;

namespace {

struct Image {
  std::vector<uint8_t> pixels;
  uint32_t width = 0, height = 0;
  uint32_t code = 0;
};

Image Read(const std::vector<uint8_t>& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0,
           uint32_t bytesPerRow = 0) {
  Source src(file);
  DWORD w = 0, h = 0;
  HGLOBAL block = pic_ReadBMP(src.handle, &w, &h, depth, palette, flags);
  Image out;
  out.code = PicGetLastError();
  out.width = w;
  out.height = h;
  if (block) {
    const uint32_t row = bytesPerRow ? bytesPerRow : depth == 1 ? (w + 7) / 8 : w * (depth / 8);
    out.pixels = BlockBytes(block, size_t{row} * h);
    GlobalFree(block);
  }
  return out;
}

std::vector<uint8_t> Write(const void* image, DWORD w, DWORD h, DWORD depth, DWORD stride, DWORD colours,
                           const RGBQUAD* palette, DWORD flags, DWORD* result = nullptr) {
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  DWORD size = pic_WriteBMP(dest, image, w, h, depth, stride, colours, palette, nullptr, flags);
  if (result) *result = size;
  return DrainDest(dest);
}

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * 37 + seed * 11 + (i >> 3) * 5) & 255);
  return v;
}

std::vector<RGBQUAD> Palette(uint32_t n) {
  std::vector<RGBQUAD> p(n);
  for (uint32_t i = 0; i < n; ++i)
    p[i] =
        RGBQUAD{static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0};
  return p;
}

BOOL PICAPI StopAtThird(DWORD done, DWORD, PIC_USERDATA) {
  return done < 3;
}
BOOL PICAPI RefuseAll(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

std::vector<std::string> traces;
void KeepTrace(uint32_t, const char* text) {
  traces.push_back(text);
}

}  // namespace

TEST(BmpRoundTrip, TrueColourDepths) {
  const uint32_t w = 7, h = 5;
  auto rgb = Pattern(w * h * 3, 1);
  auto file = Write(rgb.data(), w, h, 24, w * 3, 0, nullptr, 0);
  Image back = Read(file, 24);
  EXPECT_EQ(back.code, 0u);
  EXPECT_EQ(back.width, w);
  EXPECT_EQ(back.height, h);
  EXPECT_EQ(back.pixels, rgb);
  Image rgba = Read(file, 32);
  for (uint32_t i = 0; i < w * h; ++i) {
    EXPECT_EQ(rgba.pixels[4 * i], rgb[3 * i]);
    EXPECT_EQ(rgba.pixels[4 * i + 3], 255);
  }
  // Flag 8: the file's B, G, R order and rows padded to 4 bytes.
  Image fileOrder = Read(file, 24, nullptr, 8, 24);
  EXPECT_EQ(fileOrder.pixels[0], rgb[2]);
  EXPECT_EQ(fileOrder.pixels[2], rgb[0]);
  EXPECT_EQ(fileOrder.pixels[24 + 3], rgb[21 + 5]);

  auto rgbaIn = Pattern(w * h * 4, 2);
  auto file32 = Write(rgbaIn.data(), w, h, 32, w * 4, 0, nullptr, 0);
  EXPECT_EQ(Read(file32, 32).pixels, rgbaIn);  // the fourth byte is alpha

  // 16 bits as they stand: 5-5-5 channels widened by repeating their bits.
  auto widen5 = [](uint32_t v) { return (v << 3) | (v >> 2); };
  std::vector<uint8_t> words(w * h * 2);
  for (uint32_t i = 0; i < w * h; ++i) {
    const uint32_t v = (i % 32) << 10 | ((i * 3) % 32) << 5 | ((i * 7) % 32);
    words[2 * i] = static_cast<uint8_t>(v);
    words[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  Image c16 = Read(Write(words.data(), w, h, 16, w * 2, 0, nullptr, 0), 24);
  ASSERT_EQ(c16.code, 0u);
  for (uint32_t i = 0; i < w * h; ++i) {
    EXPECT_EQ(c16.pixels[3 * i], widen5(i % 32));
    EXPECT_EQ(c16.pixels[3 * i + 2], widen5((i * 7) % 32));
  }
}

TEST(BmpRoundTrip, PalettedDepthsAndRLE8) {
  const uint32_t w = 7, h = 5;
  auto pal = Palette(200);
  std::vector<uint8_t> idx(w * h);
  for (uint32_t i = 0; i < w * h; ++i) idx[i] = static_cast<uint8_t>((i * 13) % 200);
  RGBQUAD palette[256];
  for (DWORD flags : {0u, 1u}) {  // uncompressed and RLE8
    auto file = Write(idx.data(), w, h, 8, w, 200, pal.data(), flags);
    Image back = Read(file, 8, palette);
    ASSERT_EQ(back.code, 0u) << flags;
    EXPECT_EQ(back.pixels, idx) << flags;
    EXPECT_EQ(palette[199].rgbRed, pal[199].rgbRed);
    EXPECT_EQ(palette[200].rgbGreen, pal[0].rgbGreen);  // beyond the table: entry 0
    Image rgb = Read(file, 24);
    EXPECT_EQ(rgb.pixels[3 * 9 + 1], pal[idx[9]].rgbGreen) << flags;
  }

  // 4 bits: caller rows packed two pixels a byte.
  const uint32_t stride4 = (w * 4 + 7) / 8;
  std::vector<uint8_t> packed(stride4 * h, 0);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t v = static_cast<uint8_t>((x + 3 * y) % 16);
      packed[y * stride4 + x / 2] |= x & 1 ? v : static_cast<uint8_t>(v << 4);
    }
  Image four = Read(Write(packed.data(), w, h, 4, stride4, 16, pal.data(), 0), 8, palette);
  ASSERT_EQ(four.code, 0u);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) EXPECT_EQ(four.pixels[y * w + x], (x + 3 * y) % 16);

  // 1 bit: packed rows of two bytes come back as they went.
  std::vector<uint8_t> bits = Pattern(2 * h, 3);
  Image one = Read(Write(bits.data(), 9, h, 1, 2, 2, pal.data(), 0), 1, palette);
  ASSERT_EQ(one.code, 0u);
  EXPECT_EQ(one.pixels, bits);
  Image oneAs8 = Read(Write(bits.data(), 9, h, 1, 2, 2, pal.data(), 0), 8, palette);
  EXPECT_EQ(oneAs8.pixels[0], bits[0] >> 7);
  EXPECT_EQ(oneAs8.pixels[6], (bits[0] >> 1) & 1);
}

TEST(BmpWriter, WallpaperFileLayout) {
  // A top-down R, G, B image becomes bottom-up B, G, R rows padded to 4.
  const uint8_t rgb[2 * 3 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  DWORD size = 0;
  auto file = Write(rgb, 3, 2, 24, 9, 0, nullptr, 0, &size);
  EXPECT_EQ(size, 54u + 12 * 2);
  ASSERT_EQ(file.size(), 78u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[10], 54);
  EXPECT_EQ(file[14], 40);
  const std::vector<uint8_t> bottom(file.begin() + 54, file.begin() + 66);
  EXPECT_EQ(bottom, (std::vector<uint8_t>{12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
  EXPECT_EQ(file[66], 3);

  // The wallpaper's own call: a file destination, then the last error.
  auto dir = pictest::ScratchDir("bmp_wallpaper");
  auto path = (dir / "wallpaper.bmp").string();
  HPICDEST dest = pic_OpenFileDest(path.c_str(), FALSE);
  ASSERT_NE(dest, nullptr);
  EXPECT_EQ(pic_WriteBMP(dest, rgb, 3, 2, 24, 9, 0, nullptr, nullptr, 0), 78u);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(pic_CloseDest(dest), 78u);
  EXPECT_EQ(pictest::ReadFileBytes(path), file);
  std::filesystem::remove_all(dir);
}

TEST(BmpWriter, RowOrderPixelOrderAndStrideFlags) {
  const uint32_t w = 3, h = 2;
  auto rgb = Pattern(w * h * 3, 8);
  const auto plain = Write(rgb.data(), w, h, 24, w * 3, 0, nullptr, 0);
  // Rows already bottom row first.
  std::vector<uint8_t> flipped(rgb.begin() + 9, rgb.end());
  flipped.insert(flipped.end(), rgb.begin(), rgb.begin() + 9);
  EXPECT_EQ(Write(flipped.data(), w, h, 24, w * 3, 0, nullptr, 4), plain);
  // Pixels already B, G, R.
  auto bgr = rgb;
  for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
  EXPECT_EQ(Write(bgr.data(), w, h, 24, w * 3, 0, nullptr, 8), plain);
  // A stride of 9 rounded up to 12 with the top bit.
  std::vector<uint8_t> padded(12 * h, 0xEE);
  for (uint32_t y = 0; y < h; ++y)
    std::copy(rgb.begin() + 9 * y, rgb.begin() + 9 * y + 9, padded.begin() + 12 * y);
  EXPECT_EQ(Write(padded.data(), w, h, 24, 9, 0, nullptr, 0x80000000u), plain);
  // Resolution doubles become whole pixels per metre.
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  const double res[2] = {3779.9, -1.5};
  ASSERT_NE(pic_WriteBMP(dest, rgb.data(), w, h, 24, w * 3, 0, nullptr, res, 0), 0u);
  const auto withRes = DrainDest(dest);
  EXPECT_EQ(withRes[38] | withRes[39] << 8, 3779);
  EXPECT_EQ(static_cast<int8_t>(withRes[42]), -1);
}

TEST(BmpWriter, RLE8Codes) {
  RGBQUAD pal[8] = {};
  const uint8_t row[8] = {1, 2, 3, 4, 4, 4, 5, 6};
  auto file = Write(row, 8, 1, 8, 8, 8, pal, 1);
  const std::vector<uint8_t> codes(file.begin() + 54 + 32, file.end());
  EXPECT_EQ(codes, (std::vector<uint8_t>{0, 3, 1, 2, 3, 0, 3, 4, 1, 5, 1, 6, 0, 0, 0, 1}));
  EXPECT_EQ(file[34], codes.size());           // biSizeImage patched
  EXPECT_EQ(file[2], 54 + 32 + codes.size());  // bfSize patched

  // One pixel wide: coded over two pixels; nothing past the row is read.
  auto* col = static_cast<uint8_t*>(std::malloc(2));
  col[0] = 5;
  col[1] = 6;
  auto narrow = Write(col, 1, 2, 8, 1, 8, pal, 1);
  std::free(col);
  const std::vector<uint8_t> narrowCodes(narrow.begin() + 54 + 32, narrow.end());
  EXPECT_EQ(narrowCodes, (std::vector<uint8_t>{2, 6, 0, 0, 2, 5, 0, 0, 0, 1}));
  RGBQUAD back[256];
  EXPECT_EQ(Read(narrow, 8, back).pixels, (std::vector<uint8_t>{5, 6}));

  // Long runs and long literals split at 255.
  std::vector<uint8_t> wide(600);
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = i < 300 ? 7 : static_cast<uint8_t>(i % 5);
  EXPECT_EQ(Read(Write(wide.data(), 600, 1, 8, 600, 8, pal, 1), 8, back).pixels, wide);
}

TEST(BmpWriter, PalettedRowsTakeOnlyTheirPixelsAndRLE8EndsAtTheEnd) {
  // A caller's stride longer than a row's pixels: only the pixels are
  // written, then zeros up to the stored row; the file is the one a tight
  // stride gives.
  const auto pal = Palette(16);
  struct Case {
    DWORD depth, width, tight, wide;
  };
  for (const Case& c : {Case{8, 3, 3, 9}, Case{4, 3, 2, 7}, Case{1, 5, 1, 6}}) {
    const uint32_t h = 3;
    auto tight = Pattern(c.tight * h, c.depth);
    std::vector<uint8_t> wide(c.wide * h, 0xEE);
    for (uint32_t y = 0; y < h; ++y)
      std::copy(tight.begin() + y * c.tight, tight.begin() + (y + 1) * c.tight, wide.begin() + y * c.wide);
    const DWORD colours = c.depth == 1 ? 2 : 16;
    DWORD size = 0;
    const auto expect = Write(tight.data(), c.width, h, c.depth, c.tight, colours, pal.data(), 0);
    const auto got = Write(wide.data(), c.width, h, c.depth, c.wide, colours, pal.data(), 0, &size);
    EXPECT_EQ(got, expect) << c.depth;
    EXPECT_EQ(size, 54u + 4 * colours + 4 * h) << c.depth;  // every stored row is 4 bytes
  }

  // After patching its sizes the RLE8 writer stands at the end again, so
  // what follows is appended, not written over the headers.
  RGBQUAD p[4] = {};
  const uint8_t idx[6] = {1, 1, 1, 2, 3, 0};
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  const DWORD size = pic_WriteBMP(dest, idx, 3, 2, 8, 3, 4, p, nullptr, 1);
  ASSERT_GT(size, 54u + 16);
  ASSERT_TRUE(pic_Write(dest, "tail", 4));
  const auto file = DrainDest(dest);
  ASSERT_EQ(file.size(), size + 4);
  EXPECT_EQ(std::string(file.end() - 4, file.end()), "tail");
  const std::vector<uint8_t> bmp(file.begin(), file.end() - 4);
  EXPECT_EQ(bmp, Write(idx, 3, 2, 8, 3, 4, p, 1));
  RGBQUAD back[256];
  EXPECT_EQ(Read(file, 8, back).pixels, std::vector<uint8_t>(idx, idx + 6));
}

TEST(BmpReader, DataOffsetRules) {
  BmpSpec s{.width = 2,
            .height = 2,
            .bits = 8,
            .clrUsed = 2,
            .table = {Rgb(10, 20, 30), Rgb(40, 50, 60)},
            .pixels = {1, 0, 0, 0, 0, 1, 0, 0}};
  const std::vector<uint8_t> expect = {10, 20, 30, 40, 50, 60, 40, 50, 60, 10, 20, 30};
  EXPECT_EQ(Read(s.Build(), 24).pixels, expect);
  s.offBits = 0;  // the data follows the table
  EXPECT_EQ(Read(s.Build(), 24).pixels, expect);
  traces.clear();
  Pictura::SetDebugHookObserver(KeepTrace);
  s.offBits = 54 + 8 - 40;  // the header left out of the offset
  EXPECT_EQ(Read(s.Build(), 24).pixels, expect);
  Pictura::SetDebugHookObserver(nullptr);
  ASSERT_FALSE(traces.empty());
  EXPECT_NE(traces[0].find("assuming bfOffBits"), std::string::npos);

  // One byte short of the table's end: read from there, with a warning.
  BmpSpec early = s;
  early.offBits = 54 + 8 - 1;
  traces.clear();
  Pictura::SetDebugHookObserver(KeepTrace);
  Read(early.Build(), 24);
  Pictura::SetDebugHookObserver(nullptr);
  ASSERT_FALSE(traces.empty());
  EXPECT_NE(traces[0].find("less than the number of bytes already read"), std::string::npos);

  // A gap before the data is passed over.
  BmpSpec gap = s;
  gap.offBits = 54 + 8 + 5;
  gap.pixels.insert(gap.pixels.begin(), 5, 0xEE);
  EXPECT_EQ(Read(gap.Build(), 24).pixels, expect);

  // A deeper image's optional table is passed over without an offset.
  BmpSpec deep{.width = 1,
               .height = 1,
               .clrUsed = 3,
               .table = {Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)},
               .offBits = 0,
               .pixels = {9, 8, 7, 0}};
  EXPECT_EQ(Read(deep.Build(), 24).pixels, (std::vector<uint8_t>{7, 8, 9}));
}

TEST(BmpReader, PaletteTopDownAndDims) {
  BmpSpec s{.width = 3, .height = 2, .bits = 4};
  for (int i = 0; i < 16; ++i) s.table.push_back(Rgb(static_cast<uint8_t>(i * 16), 1, 2));
  s.pixels = {0x12, 0x30, 0, 0, 0xF0, 0x10, 0, 0};
  RGBQUAD palette[256];
  Image up = Read(s.Build(), 8, palette);
  EXPECT_EQ(up.pixels, (std::vector<uint8_t>{15, 0, 1, 1, 2, 3}));
  EXPECT_EQ(palette[15].rgbRed, 240);
  EXPECT_EQ(palette[16].rgbRed, palette[0].rgbRed);
  EXPECT_EQ(palette[255].rgbGreen, palette[0].rgbGreen);

  BmpSpec down = s;
  down.height = -2;
  down.pixels = {0xF0, 0x10, 0, 0, 0x12, 0x30, 0, 0};
  EXPECT_EQ(Read(down.Build(), 8, palette).pixels, up.pixels);
  Source src(down.Build());
  DWORD w = 0, h = 0, bits = 0;
  Pictura::PicResolutionInfo res;
  ASSERT_TRUE(pic_GetBMPDims(src.handle, &w, &h, &bits, &res, 0));
  EXPECT_EQ(w, 3u);
  EXPECT_EQ(static_cast<int32_t>(h), -2);
  EXPECT_EQ(bits, 4u);
  EXPECT_EQ(res.x, 2835.0);
  EXPECT_EQ(res.y, 2835.0);
  EXPECT_EQ(res.unit, 2u);

  Source pal(s.Build());
  DWORD count = 0;
  std::fill(std::begin(palette), std::end(palette), RGBQUAD{});
  ASSERT_TRUE(pic_GetBMPPalette(pal.handle, palette, &count));
  EXPECT_EQ(count, 16u);
  // A compressed stream may promise up to 127 pixels a byte (past the pixel
  // count that always passes), a plain one no more than its rows.
  for (auto [bytes, ok] : {std::pair{528932u, true}, std::pair{524800u, false}}) {
    BmpSpec big{
        .width = 8192, .height = 8200, .bits = 8, .compression = 1, .clrUsed = 1, .table = {Rgb(1, 2, 3)}};
    big.pixels.assign(bytes - 4, 0);
    Source src(big.Build());
    EXPECT_EQ(pic_GetBMPPalette(src.handle, palette, &count) != 0, ok) << bytes;
  }
  EXPECT_EQ(palette[15].rgbRed, 240);
  Source noCount(s.Build());
  EXPECT_TRUE(pic_GetBMPPalette(noCount.handle, palette, nullptr));  // the count is optional
}

TEST(BmpReader, HeaderFormsAndMasks) {
  // Core header: triples and 16-bit sizes.
  BmpSpec core{.width = 2,
               .height = 1,
               .bits = 1,
               .headerSize = 12,
               .table = {Rgb(0, 0, 0), Rgb(200, 100, 50)},
               .pixels = {0x40, 0, 0, 0}};
  EXPECT_EQ(Read(core.Build(), 24).pixels, (std::vector<uint8_t>{0, 0, 0, 200, 100, 50}));

  // 5-6-5 masks inside a 124-byte header, after a 40-byte one, and unusual masks.
  for (uint32_t size : {40u, 108u, 124u}) {
    BmpSpec s{.width = 2,
              .height = 1,
              .bits = 16,
              .compression = 3,
              .headerSize = size,
              .masks = {0xF800, 0x07E0, 0x001F}};
    s.pixels = {0x00, 0xF8, 0xE0, 0x07};  // red and green
    EXPECT_EQ(Read(s.Build(), 24).pixels, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0})) << size;
  }
  // A mask with a gap scales: 0b1010 of 0b1011 is 10 / 11 of 255.
  BmpSpec gap{.width = 1,
              .height = 1,
              .bits = 16,
              .compression = 3,
              .masks = {0x7C00, 0x03E0, 0x000B},
              .pixels = {0x0A, 0, 0, 0}};
  EXPECT_EQ(Read(gap.Build(), 24).pixels, (std::vector<uint8_t>{0, 0, 232}));
  BmpSpec swapped{.width = 1,
                  .height = 1,
                  .bits = 32,
                  .compression = 3,
                  .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},
                  .pixels = {10, 20, 30, 40}};
  EXPECT_EQ(Read(swapped.Build(), 32).pixels, (std::vector<uint8_t>{10, 20, 30, 255}));

  // An alpha mask from the longer header.
  BmpSpec alpha = swapped;
  alpha.headerSize = 108;
  alpha.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  EXPECT_EQ(Read(alpha.Build(), 32).pixels, (std::vector<uint8_t>{30, 20, 10, 40}));
}

namespace {
// The rows an RLE read reports, stopped at row `stopAt` (0: never).
std::vector<DWORD> rleReports;
BOOL PICAPI NoteRleRow(DWORD done, DWORD total, PIC_USERDATA stopAt) {
  rleReports.push_back(done * 10 + total);
  return done != static_cast<DWORD>(stopAt);
}
}  // namespace

TEST(BmpReader, RLEStreams) {
  BmpSpec s{.width = 4,
            .height = 3,
            .bits = 8,
            .compression = 1,
            .clrUsed = 4,
            .table = {Rgb(9, 9, 9), Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3)}};
  RGBQUAD palette[256];
  // A run past the right edge is cut; a delta above the top drops the rest.
  s.pixels = {6, 1, 0, 0, 0, 2, 1, 5, 4, 2, 0, 1};
  Image cut = Read(s.Build(), 8, palette);
  EXPECT_EQ(cut.code, 0u);
  EXPECT_EQ(cut.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1}));
  // At 24 bits the background is entry 0.
  Image rgb = Read(s.Build(), 24);
  EXPECT_EQ(rgb.width, 4u);
  EXPECT_EQ(rgb.height, 3u);
  EXPECT_EQ(rgb.pixels[0], 9);
  EXPECT_EQ(rgb.pixels[3 * 8], 1);

  // A stream that ends before its end-of-bitmap code is cut: the picture so
  // far with code 3, at 8 bits and through the palette alike.
  struct Cut {
    const char* what;
    std::vector<uint8_t> stream, pixels;
  } cuts[] = {
      {"no end-of-bitmap code", {4, 2, 0, 0, 4, 3}, {0, 0, 0, 0, 3, 3, 3, 3, 2, 2, 2, 2}},
      {"every row, no end-of-bitmap code",
       {4, 2, 0, 0, 4, 3, 0, 0, 4, 1, 0, 0},
       {1, 1, 1, 1, 3, 3, 3, 3, 2, 2, 2, 2}},
      {"between two commands in a row", {4, 2, 0, 0, 2, 3}, {0, 0, 0, 0, 3, 3, 0, 0, 2, 2, 2, 2}},
      {"inside a delta", {4, 2, 0, 2, 1}, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2}},
  };
  for (const Cut& c : cuts) {
    s.pixels = c.stream;
    Image open = Read(s.Build(), 8, palette);
    EXPECT_EQ(open.code, 3u) << c.what;
    EXPECT_EQ(open.pixels, c.pixels) << c.what;
    Image rgb = Read(s.Build(), 32);
    EXPECT_EQ(rgb.code, 3u) << c.what;
    ASSERT_EQ(rgb.pixels.size(), 48u) << c.what;
    EXPECT_EQ(rgb.pixels[4 * 7], c.pixels[7] ? c.pixels[7] : 9) << c.what;  // decoded, or entry 0
  }
  // The rows complete and the end-of-bitmap code after them: whole. Each
  // row is reported once as it starts (done x 10 + total), none past the
  // top; a stop there keeps the rows below it.
  s.pixels = {4, 2, 0, 0, 4, 3, 0, 0, 4, 1, 0, 0, 0, 1};
  rleReports.clear();
  pic_SetCallback(NoteRleRow, 0);
  EXPECT_EQ(Read(s.Build(), 8, palette).code, 0u);
  EXPECT_EQ(rleReports, (std::vector<DWORD>{13, 23}));
  pic_SetCallback(NoteRleRow, 2);
  Image stopped = Read(s.Build(), 8, palette);
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(stopped.code, 14u);
  EXPECT_EQ(stopped.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 3, 3, 3, 3, 2, 2, 2, 2}));
  // Ending inside an absolute run is a short read; the rows so far stay.
  s.pixels = {4, 2, 0, 0, 0, 3, 1, 2};
  Image cutShort = Read(s.Build(), 8, palette);
  EXPECT_EQ(cutShort.code, 3u);
  ASSERT_EQ(cutShort.pixels.size(), 12u);
  EXPECT_EQ(cutShort.pixels[8], 2);
  // Asked for one bit, an RLE8 file is refused: it is deeper.
  EXPECT_EQ(Read(s.Build(), 1, palette).code, 28u);

  // RLE4: alternating nibbles and an absolute run with its pad byte.
  BmpSpec f = s;
  f.bits = 4;
  f.compression = 2;
  f.width = 6;
  f.height = 2;
  f.pixels = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
  Image four = Read(f.Build(), 8, palette);
  EXPECT_EQ(four.code, 0u);
  EXPECT_EQ(four.pixels, (std::vector<uint8_t>{3, 4, 5, 6, 7, 0, 1, 2, 1, 2, 1, 0}));
  // An absolute run of a whole number of words has no pad byte.
  f.pixels = {0, 4, 0x12, 0x34, 2, 0x56, 0, 1};
  EXPECT_EQ(Read(f.Build(), 8, palette).pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6}));

  // The end-of-bitmap code ends the read, whatever follows it.
  s.pixels = {4, 2, 0, 1, 4, 3};
  Image ended = Read(s.Build(), 8, palette);
  EXPECT_EQ(ended.code, 0u);
  EXPECT_EQ(ended.pixels, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2}));
  // Pixels no run covers take entry 0 in the channel order asked for.
  s.table[0] = Rgb(10, 20, 30);
  s.pixels = {0, 1};
  const std::vector<uint8_t> asRead = Read(s.Build(), 24).pixels;
  const std::vector<uint8_t> inFileOrder = Read(s.Build(), 24, nullptr, 8).pixels;
  ASSERT_EQ(asRead.size(), 36u);
  ASSERT_EQ(inFileOrder.size(), 36u);
  EXPECT_EQ(std::vector<uint8_t>(asRead.end() - 3, asRead.end()), (std::vector<uint8_t>{10, 20, 30}));
  EXPECT_EQ(std::vector<uint8_t>(inFileOrder.end() - 3, inFileOrder.end()),
            (std::vector<uint8_t>{30, 20, 10}));
}

TEST(BmpReader, HostileFilesGiveCodes) {
  BmpSpec good{.width = 2, .height = 2};
  good.pixels.assign(16, 7);
  auto mutate = [&](auto change) {
    BmpSpec s = good;
    change(s);
    return s.Build();
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    uint32_t code;
  };
  std::vector<uint8_t> notBM = good.Build();
  notBM[1] = 'X';
  std::vector<uint8_t> shortFile = good.Build();
  shortFile.resize(10);
  const Case cases[] = {
      {"signature", notBM, 6},
      {"short header", shortFile, 3},
      {"header size", mutate([](BmpSpec& s) { s.headerSize = 44; }), 6},
      {"bit count", mutate([](BmpSpec& s) { s.bits = 2; }), 6},
      {"compression", mutate([](BmpSpec& s) { s.compression = 4; }), 6},
      {"rle bits", mutate([](BmpSpec& s) { s.compression = 1; }), 6},
      {"bitfields at 24", mutate([](BmpSpec& s) { s.compression = 3; }), 6},
      {"zero width", mutate([](BmpSpec& s) { s.width = 0; }), 6},
      {"zero height", mutate([](BmpSpec& s) { s.height = 0; }), 6},
      {"lowest height", mutate([](BmpSpec& s) { s.height = INT32_MIN; }), 6},
      // Sizes the file cannot back are the file's fault, not a memory shortage.
      {"huge", mutate([](BmpSpec& s) { s.width = s.height = 0x7FFFFFFF; }), 6},
      {"30000 x 30000 in 1 KB", mutate([](BmpSpec& s) {
         s.width = s.height = 30000;
         s.pixels.resize(1000);
       }),
       6},
      {"rle8 30000 x 30000 in 1 KB", mutate([](BmpSpec& s) {
         s.bits = 8;
         s.compression = 1;
         s.width = s.height = 30000;
         s.pixels.assign(1000, 0);
       }),
       6},
      {"offset past the end", mutate([](BmpSpec& s) { s.offBits = 1000; }), 3},
      {"table past the end", mutate([](BmpSpec& s) {
         s.bits = 8;
         s.clrUsed = 0xFFFFFFFF;
       }),
       3},
      {"top-down rle", mutate([](BmpSpec& s) {
         s.bits = 8;
         s.compression = 1;
         s.height = -2;
       }),
       6},
  };
  for (const Case& c : cases) {
    Image img = Read(c.file, 24);
    EXPECT_EQ(img.code, c.code) << c.what;
    EXPECT_TRUE(img.pixels.empty()) << c.what;
  }
  // Rows missing at the end: what was read, with code 3.
  auto truncated = good.Build();
  truncated.resize(truncated.size() - 5);
  Image part = Read(truncated, 24);
  EXPECT_EQ(part.code, 3u);
  ASSERT_EQ(part.pixels.size(), 12u);
  EXPECT_EQ(part.pixels[6], 7);  // the bottom row was whole
}

TEST(BmpEntries, ArgumentChecks) {
  BmpSpec s{.bits = 8, .clrUsed = 1, .table = {Rgb(1, 2, 3)}};
  s.pixels.assign(8, 0);
  const auto file = s.Build();
  DWORD w = 0, h = 0;
  RGBQUAD palette[256];
  EXPECT_EQ(pic_ReadBMP(nullptr, &w, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  Pictura::CPicIO_Memory unopened;
  EXPECT_EQ(pic_ReadBMP(unopened.Handle(), &w, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 38u);
  EXPECT_EQ(Read(file, 16).code, 5u);
  EXPECT_EQ(Read(file, 4, palette).code, 5u);
  EXPECT_EQ(Read(file, 8, nullptr).code, 5u);
  EXPECT_EQ(Read(file, 1, palette).code, 28u);
  {
    Source src(file);
    EXPECT_EQ(pic_ReadBMP(src.handle, nullptr, &h, 24, nullptr, 0), nullptr);
    EXPECT_EQ(PicGetLastError(), 5u);
  }

  // Refused writes leave the destination empty.
  const uint8_t px[16] = {};
  auto refused = [&](DWORD depth, DWORD stride, DWORD colours, const RGBQUAD* pal, const void* image,
                     DWORD flags = 0) {
    HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
    EXPECT_EQ(pic_WriteBMP(dest, image, 4, 2, depth, stride, colours, pal, nullptr, flags), 0u);
    const uint32_t code = PicGetLastError();
    EXPECT_EQ(pic_CloseDest(dest), 0u);
    return code;
  };
  EXPECT_EQ(refused(7, 4, 0, nullptr, px), 5u);
  EXPECT_EQ(refused(8, 4, 2, nullptr, px), 5u);
  EXPECT_EQ(refused(8, 4, 300, palette, px), 5u);
  EXPECT_EQ(refused(4, 4, 17, palette, px), 5u);
  EXPECT_EQ(refused(24, 11, 0, nullptr, px), 5u);  // stride shorter than a row
  EXPECT_EQ(refused(24, 12, 0, nullptr, nullptr), 5u);
  EXPECT_EQ(refused(8, 3, 2, palette, px, 1), 5u);
  uint8_t small[40];
  HPICDEST tight = pic_OpenMemoryDest(small, sizeof small, FALSE);
  EXPECT_EQ(pic_WriteBMP(tight, px, 4, 2, 8, 4, 2, palette, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 4u);
  pic_CloseDest(tight);
  EXPECT_EQ(pic_WriteBMP(nullptr, px, 4, 2, 24, 12, 0, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
}

namespace {
int allocCalls = 0;
void* PICAPI TestAlloc(DWORD size, PIC_USERDATA) {
  ++allocCalls;
  return std::malloc(size);
}
DWORD PICAPI TestFree(void* block, PIC_USERDATA) {
  std::free(block);
  return 1;
}
}  // namespace

TEST(BmpEntries, ProgressCancelKeepsRowsAndAllocators) {
  const uint32_t w = 4, h = 10;
  auto rgb = Pattern(w * h * 3, 4);
  auto file = Write(rgb.data(), w, h, 24, w * 3, 0, nullptr, 0);
  pic_SetCallback(StopAtThird, 0);
  Image part = Read(file, 24);
  EXPECT_EQ(part.code, 14u);
  ASSERT_FALSE(part.pixels.empty());
  EXPECT_EQ(std::vector<uint8_t>(part.pixels.end() - 12, part.pixels.end()),
            std::vector<uint8_t>(rgb.end() - 12, rgb.end()));  // the bottom row came first
  EXPECT_EQ(std::vector<uint8_t>(part.pixels.begin(), part.pixels.begin() + 12), std::vector<uint8_t>(12, 0));
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  EXPECT_EQ(pic_WriteBMP(dest, rgb.data(), w, h, 24, w * 3, 0, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 14u);
  pic_CloseDest(dest);
  pic_SetCallback(nullptr, 0);

  // Whole images go through the thread's own allocator when it set one.
  allocCalls = 0;
  pic_SetFileReadAllocCallbacks(TestAlloc, nullptr, TestFree, 0);
  Source src(file);
  DWORD rw = 0, rh = 0;
  void* block = pic_ReadBMP(src.handle, &rw, &rh, 24, nullptr, 0);
  pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(allocCalls, 1);
  EXPECT_EQ(std::memcmp(block, rgb.data(), rgb.size()), 0);
  std::free(block);
}

TEST(BmpLines, ReaderAndWriter) {
  const uint32_t w = 3, h = 3;
  auto rgb = Pattern(w * h * 3, 5);
  auto file = Write(rgb.data(), w, h, 24, w * 3, 0, nullptr, 0);
  Source src(file);
  DWORD lw = 0, lh = 0;
  HPICBMPREADLINES lines = pic_InitReadBMPLines(src.handle, &lw, &lh, nullptr);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lw, w);
  EXPECT_EQ(lh, h);
  uint8_t row[9];
  DWORD index = 99;
  for (uint32_t i = 0; i < h; ++i) {
    ASSERT_TRUE(pic_ReadNextBMPLine(lines, row, &index));
    EXPECT_EQ(index, h - 1 - i);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 9),
              std::vector<uint8_t>(rgb.begin() + 9 * index, rgb.begin() + 9 * index + 9));
  }
  EXPECT_FALSE(pic_ReadNextBMPLine(lines, row, &index));
  EXPECT_EQ(PicGetLastError(), 24u);
  EXPECT_FALSE(pic_ReadNextBMPLine(lines, nullptr, &index));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(pic_DestroyReadBMPLines(lines));
  EXPECT_FALSE(pic_DestroyReadBMPLines(nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);

  // Palette indices, and a top-down file counts its rows from the top.
  BmpSpec s{.width = 2,
            .height = -2,
            .bits = 8,
            .clrUsed = 3,
            .table = {Rgb(0, 0, 0), Rgb(1, 1, 1), Rgb(2, 2, 2)},
            .pixels = {1, 2, 0, 0, 2, 1, 0, 0}};
  Source paletted(s.Build());
  RGBQUAD palette[256] = {};
  HPICBMPREADLINES idx = pic_InitReadBMPLines(paletted.handle, &lw, &lh, palette);
  ASSERT_NE(idx, nullptr);
  EXPECT_EQ(palette[2].rgbRed, 2);
  ASSERT_TRUE(pic_ReadNextBMPLine(idx, row, &index));
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(row[0], 1);
  EXPECT_EQ(row[1], 2);
  pic_DestroyReadBMPLines(idx);

  s.compression = 1;
  s.height = 2;
  Source rle(s.Build());
  EXPECT_EQ(pic_InitReadBMPLines(rle.handle, &lw, &lh, nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 7u);

  // The line writer makes the same file as the whole-image writer.
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  HPICBMPWRITELINES out = pic_InitWriteBMPLines(dest, w, h, 24, w * 3, 0, nullptr, nullptr, 0);
  ASSERT_NE(out, nullptr);
  for (uint32_t i = 0; i < h; ++i) EXPECT_TRUE(pic_WriteNextBMPLine(out, rgb.data() + (h - 1 - i) * 9));
  EXPECT_FALSE(pic_WriteNextBMPLine(out, rgb.data()));
  EXPECT_EQ(PicGetLastError(), 24u);
  EXPECT_TRUE(pic_DestroyWriteBMPLines(out));
  EXPECT_EQ(DrainDest(dest), file);
}

TEST(BmpPackedDIB, ReadAndWriteAsTheyStand) {
  const uint32_t w = 5, h = 3;
  auto pal = Palette(6);
  std::vector<uint8_t> idx(w * h);
  for (uint32_t i = 0; i < w * h; ++i) idx[i] = static_cast<uint8_t>(i % 6);
  for (DWORD flags : {0u, 1u}) {
    auto file = Write(idx.data(), w, h, 8, w, 6, pal.data(), flags);
    Source src(file);
    DWORD dw = 0, dh = 0;
    HGLOBAL dib = pic_ReadBMP(src.handle, &dw, &dh, 24, nullptr, 2);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(PicGetLastError(), 0u);  // the rows end where the file does
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    const auto* hdr = static_cast<const BITMAPINFOHEADER*>(dib);
    EXPECT_EQ(hdr->biSize, 40u);
    EXPECT_EQ(hdr->biCompression, flags);
    EXPECT_EQ(hdr->biClrUsed, 6u);
    // The packed-DIB unpacker sees what the BMP reader sees.
    std::vector<uint8_t> viaDib(w * h * 3);
    ASSERT_TRUE(pic_DIBToRGB(dib, viaDib.data()));
    EXPECT_EQ(viaDib, Read(file, 24).pixels);
    // Written back unchanged.
    EXPECT_EQ(Write(dib, 0, 0, 0, 0, 0, nullptr, 2), file) << flags;
    GlobalFree(dib);
  }
  // Masks of a 124-byte header move behind the 40-byte one.
  BmpSpec v5{.width = 1,
             .height = 1,
             .bits = 32,
             .compression = 3,
             .headerSize = 124,
             .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
             .pixels = {1, 2, 3, 4}};
  Source src(v5.Build());
  DWORD dw = 0, dh = 0;
  HGLOBAL dib = pic_ReadBMP(src.handle, &dw, &dh, 24, nullptr, 2);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(dib)->biXPelsPerMeter, 2835);
  uint8_t px[3];
  ASSERT_TRUE(pic_DIBToRGB(dib, px));
  EXPECT_EQ(std::vector<uint8_t>(px, px + 3), (std::vector<uint8_t>{3, 2, 1}));
  GlobalFree(dib);
  // Cancelled before the first row: the pixels behind the three masks stay zero.
  v5.masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF};
  Source cancelled(v5.Build());
  pic_SetCallback(RefuseAll, 0);
  HGLOBAL bare = pic_ReadBMP(cancelled.handle, &dw, &dh, 24, nullptr, 2);
  EXPECT_EQ(PicGetLastError(), 14u);
  pic_SetCallback(nullptr, 0);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(BlockBytes(bare, 56)[52], 0);
  GlobalFree(bare);
  // A compressed stream is what the file holds, whatever its header claims.
  BmpSpec claim{.width = 6,
                .height = 1,
                .bits = 4,
                .compression = 2,
                .clrUsed = 2,
                .clrImportant = 1,
                .table = {Rgb(0, 0, 0), Rgb(9, 9, 9)},
                .sizeImage = 0x62E20012,
                .pixels = {}};
  {
    Source empty(claim.Build());
    EXPECT_EQ(pic_ReadBMP(empty.handle, &dw, &dh, 24, nullptr, 2), nullptr);
    EXPECT_EQ(PicGetLastError(), 3u);
    EXPECT_EQ(dw + dh, 0u);  // a refused read reports no size
  }
  claim.pixels = {6, 0x11, 0, 1};
  Source some(claim.Build());
  HGLOBAL small = pic_ReadBMP(some.handle, &dw, &dh, 24, nullptr, 2);
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(small)->biSizeImage, 4u);
  EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(small)->biClrImportant, 1u);
  EXPECT_EQ(GlobalSize(small), 40u + 8 + 4);
  GlobalFree(small);
  DWORD none = 1;
  EXPECT_EQ(Write(nullptr, 0, 0, 0, 0, 0, nullptr, 2, &none).size(), 0u);
  EXPECT_EQ(none, 0u);
}

TEST(BmpFiles, AppendedImagesReadFromTheirOwnStart) {
  auto dir = pictest::ScratchDir("bmp_append");
  auto path = (dir / "two.bmp").string();
  std::filesystem::remove(path);
  auto a = Pattern(2 * 2 * 3, 6), b = Pattern(3, 7);
  DWORD first = 0;
  for (int i = 0; i < 2; ++i) {
    HPICDEST dest = pic_OpenFileDest(path.c_str(), TRUE);
    ASSERT_NE(dest, nullptr);
    const DWORD size = i == 0 ? pic_WriteBMP(dest, a.data(), 2, 2, 24, 6, 0, nullptr, nullptr, 0)
                              : pic_WriteBMP(dest, b.data(), 3, 1, 8, 3, 2, Palette(2).data(), nullptr, 1);
    EXPECT_GT(size, 0u);
    if (i == 0) first = size;
    pic_CloseDest(dest);
  }
  HPICSRC src = pic_OpenFileSource(path.c_str());
  ASSERT_NE(src, nullptr);
  DWORD w = 0, h = 0;
  ASSERT_TRUE(pic_Seek(src, static_cast<LONG>(first), 0));
  RGBQUAD palette[256];
  HGLOBAL second = pic_ReadBMP(src, &w, &h, 8, palette, 0);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(BlockBytes(second, 3), b);
  GlobalFree(second);
  ASSERT_TRUE(pic_Seek(src, 0, 0));
  HGLOBAL one = pic_ReadBMP(src, &w, &h, 24, nullptr, 0);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(BlockBytes(one, 12), a);
  GlobalFree(one);
  pic_CloseSource(src);
  std::filesystem::remove_all(dir);
}
