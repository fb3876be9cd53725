// TIFF codec: round trips of every depth, compression and layout, the page,
// tag, tile-or-strip and ICC queries, raw CMYK, alpha, progress, and bad or
// hostile files.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <thread>
#include <tuple>
#include <vector>

#include "codecs/codec_entry_support.h"
#include "codecs/meta/pictura_icc.h"
#include "codecs/tiff/pictura_tiff.h"
#include "codecs/tiff/tiff_glue.h"
#include "core/pictura_core.h"
#include "core/test_hooks.h"
#include "core/thread_context.h"
#include "reader/pictura_read.h"

using namespace Pictura;
using namespace pictest;

namespace {

// The largest block asked for while a test watches (operator new, and malloc
// under the sanitizers): a request from the library's cap up is refused here
// as a system without that much memory would, so a reader that asks shows in
// the figure instead of filling gigabytes.
std::atomic<bool> watchingAllocations{false};
std::atomic<size_t> largestRequest{0};

void NoteRequest(size_t n) {
  if (!watchingAllocations.load(std::memory_order_relaxed)) return;
  size_t seen = largestRequest.load(std::memory_order_relaxed);
  while (n > seen && !largestRequest.compare_exchange_weak(seen, n)) {
  }
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
extern "C" void NoteMalloc(const volatile void*, size_t n) {
  NoteRequest(n);
}
extern "C" void NoteFree(const volatile void*) {}
[[maybe_unused]] const int kMallocHooks = __sanitizer_install_malloc_and_free_hooks(NoteMalloc, NoteFree);
#endif

}  // namespace

void* operator new(size_t n) {
  NoteRequest(n);
  if (watchingAllocations.load(std::memory_order_relaxed) && n >= Pictura::kPicAllocCap)
    throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t n) {
  return operator new(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return operator new(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  return operator new(n, std::nothrow);
}
// Pairs with the new above, which GCC cannot see once it inlines both.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace {

class TiffCodec : public ::testing::Test {
 protected:
  void TearDown() override {
    pic_SetTIFFOptions(-1, 0, 0, 75, 1, -1);
    pic_SetICCProfile(nullptr, 0);
    SetProgressCallback(nullptr, 0);
  }
};

RGBQUAD* Ramp() {
  static RGBQUAD p[256];
  for (int i = 0; i < 256; ++i) p[i] = RGBQUAD{uint8_t(255 - i), uint8_t(i), uint8_t(i * 7), 0};
  return p;
}

// Bytes of a packed image of depth bits a pixel; 1-bit rows keep their pad bits 0.
Bytes Image(uint32_t w, uint32_t h, uint32_t depth, unsigned seed) {
  const uint32_t row = (w * depth + 7) / 8;
  Bytes b = Noise(size_t{row} * h, seed);
  if (depth == 4)
    for (auto& v : b) v &= 0x77;  // indices of a 16-entry map
  if (depth < 8 && (w * depth) % 8)
    for (uint32_t y = 0; y < h; ++y) b[size_t{y} * row + row - 1] &= uint8_t(0xFF00 >> ((w * depth) % 8));
  return b;
}

Bytes Write(const Bytes& img, uint32_t w, uint32_t h, uint32_t depth, uint32_t compression, uint32_t flags) {
  Dest d;
  const DWORD n =
      pic_WriteTIFF(d, img.data(), w, h, depth, compression, Ramp(), (w * depth + 7) / 8, nullptr, flags);
  EXPECT_GT(n, 0u) << "code " << PicGetLastError();
  return d.Contents();
}

// Of the calling thread's last Read (closing its source reports 0).
thread_local uint32_t readCode = 0;

Bytes Read(const Bytes& file, uint32_t depth, uint32_t flags = 0, uint32_t* w = nullptr,
           uint32_t* h = nullptr, RGBQUAD* palette = nullptr) {
  Source s(file);
  DWORD ww = 0, hh = 0;
  RGBQUAD scratch[256];
  Bytes out = TakeBlock(pic_ReadTIFF(s, &ww, &hh, depth, palette ? palette : scratch, 0, flags));
  readCode = PicGetLastError();
  if (w) *w = ww;
  if (h) *h = hh;
  return out;
}

struct Layout {
  const char* name;
  uint32_t depth, compression, flags;
  int32_t rowsPerStrip;
};

TEST_F(TiffCodec, EveryDepthAndLayoutReadsBackExactly) {
  const Layout rows[] = {
      {"1 bit none", 1, 1, 0, -1},
      {"1 bit G4", 1, 4, 0, 7},
      {"1 bit G3 black", 1, 3, 32, -1},
      {"1 bit JPEG asked: none", 1, 7, 0, -1},
      {"1 bit tiles", 1, 1, 128, -1},
      {"4 bit palette LZW", 4, 5, 0, 3},
      {"8 bit palette", 8, 1, 0, -1},
      {"8 bit grey deflate predictor", 8, 8, 2 | 64, 5},
      {"8 bit tiles packbits", 8, 32773, 128, -1},
      {"16 bit grey LZW predictor", 16, 5, 64, 4},
      {"24 bit none one strip", 24, 1, 0, 1000},
      {"24 bit LZW predictor", 24, 5, 64, 3},
      {"24 bit deflate tiles", 24, 32946, 128, -1},
      {"24 bit BGR bottom-up", 24, 1, 8 | 4, 2},
      {"24 bit tiles bottom-up", 24, 5, 128 | 4, -1},
      {"32 bit RGBA packbits", 32, 32773, 0, -1},
      {"32 bit CMYK", 32, 5, 16, -1},
      {"48 bit LZW", 48, 5, 64, 2},
      {"48 bit tiles", 48, 8, 128, -1},
      {"64 bit deflate", 64, 8, 0, -1},
  };
  const uint32_t w = 37, h = 21;
  for (const Layout& r : rows) {
    SCOPED_TRACE(r.name);
    pic_SetTIFFOptions(r.rowsPerStrip, 16, 16, 75, 1, -1);
    const Bytes img = Image(w, h, r.depth, r.depth);
    const Bytes file = Write(img, w, h, r.depth, r.compression, r.flags);
    Bytes expected = img;
    if (r.flags & 4)  // bottom-up
      for (uint32_t y = 0; y < h; ++y)
        std::memcpy(&expected[size_t{y} * w * r.depth / 8], &img[size_t{h - 1 - y} * w * r.depth / 8],
                    w * r.depth / 8);
    uint32_t rw = 0, rh = 0;
    const uint32_t readDepth = r.depth == 4 ? 8 : r.depth;
    // CMYK comes back raw with flag 4; B, G, R comes back as it went in with flag 64.
    const uint32_t readFlags = (r.flags & 16 ? 4 : 0) | (r.flags & 8 ? 64 : 0);
    Bytes got = Read(file, readDepth, readFlags, &rw, &rh);
    EXPECT_EQ(readCode, 0u);
    ASSERT_EQ(rw, w);
    ASSERT_EQ(rh, h);
    if (r.depth == 4) {
      Bytes unpacked(size_t{w} * h);
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
          unpacked[y * w + x] = (expected[y * ((w + 1) / 2) + x / 2] >> (x % 2 ? 0 : 4)) & 15;
      expected = unpacked;
    }
    EXPECT_EQ(got, expected);
  }
}

// The Compression tag each depth writes for each code asked (0: libtiff
// refuses the page, code 4), and the pixels of the lossless pages read back.
// libtiff misplaces word-aligned RLE (32771) between the rows of a strip or
// tile: such pages go one row a strip, and uncompressed in tiles.
TEST_F(TiffCodec, CompressionWrittenAtEveryDepth) {
  const uint32_t depths[] = {1, 4, 8, 16, 24, 32, 48, 64};
  struct Row {
    uint32_t asked, flags;
    uint32_t written[8];  // by depth, as above
  } rows[] = {
      {0, 0, {1, 1, 1, 1, 1, 1, 1, 1}},
      {2, 0, {2, 1, 1, 1, 1, 1, 1, 1}},
      {3, 0, {3, 1, 1, 1, 1, 1, 1, 1}},
      {4, 0, {4, 1, 1, 1, 1, 1, 1, 1}},
      {7, 0, {1, 0, 7, 0, 7, 7, 1, 1}},
      {32771, 0, {32771, 0, 0, 0, 1, 1, 1, 1}},
      {32771, 128, {1, 0, 0, 0, 1, 1, 1, 1}},
      {32773, 0, {32773, 32773, 32773, 32773, 32773, 32773, 32773, 32773}},
      {32908, 0, {0, 0, 0, 0, 0, 0, 1, 1}},
      {32909, 0, {0, 0, 32909, 32909, 32909, 32909, 1, 1}},
  };
  const uint32_t w = 37, h = 21;
  pic_SetTIFFOptions(-1, 16, 16, 75, 1, -1);
  for (const Row& r : rows)
    for (size_t i = 0; i < 8; ++i) {
      const uint32_t depth = depths[i];
      SCOPED_TRACE(testing::Message() << depth << " bits, " << r.asked << (r.flags ? " in tiles" : ""));
      const Bytes img = Image(w, h, depth, depth);
      Dest d;
      const DWORD n =
          pic_WriteTIFF(d, img.data(), w, h, depth, r.asked, Ramp(), (w * depth + 7) / 8, nullptr, r.flags);
      if (!r.written[i]) {
        EXPECT_EQ(n, 0u);
        EXPECT_EQ(PicGetLastError(), 4u);
        continue;
      }
      EXPECT_GT(n, 0u) << "code " << PicGetLastError();
      if (!n) continue;
      const Bytes file = d.Contents();
      Source s(file);
      TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICSRC>(s)), "r");
      ASSERT_NE(tif, nullptr);
      uint16_t written = 0;
      uint32_t rowsPerStrip = 0;
      TIFFGetField(tif, TIFFTAG_COMPRESSION, &written);
      TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
      CloseTIFF(tif);
      EXPECT_EQ(written, r.written[i]);
      if (written == COMPRESSION_CCITTRLEW) {
        EXPECT_EQ(rowsPerStrip, 1u);
      }
      if (written == COMPRESSION_JPEG || written == COMPRESSION_PIXARLOG) continue;  // lossy
      Bytes want = img;
      if (depth == 4) {
        want.assign(size_t{w} * h, 0);
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x)
            want[y * w + x] = (img[y * ((w + 1) / 2) + x / 2] >> (x % 2 ? 0 : 4)) & 15;
      }
      EXPECT_EQ(Read(file, depth == 4 ? 8 : depth), want);
      EXPECT_EQ(readCode, 0u);
    }
}

// Pages so small that libtiff hands the stream strips of a single byte.
TEST_F(TiffCodec, OneByteStripsWriteAndReadBack) {
  struct Case {
    const char* name;
    uint32_t w, h, depth;
    Bytes pixels;  // as written, packed rows
  };
  const Case cases[] = {
      {"1 x 1, 1 bit", 1, 1, 1, {0x80}},
      {"8 x 3, 1 bit, a strip a row", 8, 3, 1, {0xA5, 0x00, 0xFF}},
      {"1 x 2, 8 bits", 1, 2, 8, {0x17, 0xE8}},
      {"2 x 1, 4 bits", 2, 1, 4, {0x31}},
  };
  pic_SetTIFFOptions(1, 16, 16, 75, 1, -1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = Write(c.pixels, c.w, c.h, c.depth, 1, 0);
    uint32_t rw = 0, rh = 0;
    Bytes got = Read(file, c.depth == 4 ? 8 : c.depth, 0, &rw, &rh);
    EXPECT_EQ(readCode, 0u);
    EXPECT_EQ((std::vector<uint32_t>{rw, rh}), (std::vector<uint32_t>{c.w, c.h}));
    EXPECT_EQ(got, c.depth == 4 ? Bytes({3, 1}) : c.pixels);
  }
}

TEST_F(TiffCodec, JpegPagesComeBackCloseInOneStrip) {
  const uint32_t w = 64, h = 40;
  const Bytes img = Gradient(w, h, 3);
  const Bytes file = Write(img, w, h, 24, 7, 0);
  Source s(file);
  HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
  ASSERT_NE(r, nullptr);
  uint32_t rows = 0;
  EXPECT_TRUE(pic_GetTIFFTag_TR(r, TIFFTAG_ROWSPERSTRIP, &rows));
  EXPECT_EQ(rows, h);
  DWORD rw, rh;
  Bytes got = TakeBlock(pic_ReadTIFF_TR(r, &rw, &rh, 24, nullptr, 0));
  EXPECT_LE(MaxDiff(got, img), 12);
  pic_DestroyTIFFReader_TR(r);
}

// Display pixel (x, y) of a stored w x h image for each orientation.
uint8_t StoredAt(const Bytes& s, uint32_t w, uint32_t h, uint32_t o, uint32_t x, uint32_t y) {
  switch (o) {
    case 2:
      return s[y * w + (w - 1 - x)];
    case 3:
      return s[(h - 1 - y) * w + (w - 1 - x)];
    case 4:
      return s[(h - 1 - y) * w + x];
    case 5:
      return s[x * w + y];
    case 6:
      return s[(h - 1 - x) * w + y];
    case 7:
      return s[(h - 1 - x) * w + (w - 1 - y)];
    case 8:
      return s[x * w + (w - 1 - y)];
    default:
      return s[y * w + x];
  }
}

TEST_F(TiffCodec, OrientationIsAppliedOnceAtEveryDepth) {
  const uint32_t w = 5, h = 3;
  const Bytes grey = Image(w, h, 8, 3);
  for (uint32_t o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    pic_SetTIFFOptions(-1, 0, 0, 75, o, -1);
    Bytes rgb;
    for (uint8_t v : grey) rgb.insert(rgb.end(), {v, uint8_t(v ^ 1), uint8_t(v ^ 2)});
    const Bytes f8 = Write(grey, w, h, 8, 1, 2), f24 = Write(rgb, w, h, 24, 5, 0);
    uint32_t dw = 0, dh = 0;
    const Bytes g8 = Read(f8, 8, 0, &dw, &dh), g24 = Read(f24, 24), g32 = Read(f24, 32);
    const Bytes stored = Read(f8, 8, 1);
    ASSERT_EQ(dw, o >= 5 ? h : w);
    EXPECT_EQ(stored, grey);
    ASSERT_EQ(g8.size(), grey.size());
    for (uint32_t y = 0; y < dh; ++y)
      for (uint32_t x = 0; x < dw; ++x) {
        const uint8_t v = StoredAt(grey, w, h, o, x, y);
        EXPECT_EQ(g8[y * dw + x], v);
        EXPECT_EQ(g24[(y * dw + x) * 3 + 2], v ^ 2);
        EXPECT_EQ(g32[(y * dw + x) * 4 + 1], v ^ 1);
      }
    // 1 bit through the bit path.
    const Bytes bits = Image(w, h, 1, 9), f1 = Write(bits, w, h, 1, 4, 0);
    const Bytes g1 = Read(f1, 1);
    for (uint32_t y = 0; y < dh; ++y)
      for (uint32_t x = 0; x < dw; ++x) {
        Bytes unpacked(w * h);
        for (uint32_t i = 0; i < w * h; ++i) unpacked[i] = bits[(i / w)] >> (7 - i % w) & 1;
        EXPECT_EQ(g1[y] >> (7 - x) & 1, StoredAt(unpacked, w, h, o, x, y)) << x << "," << y;
      }
  }
}

struct Pages {
  int next = 0;
  Bytes one = Image(20, 10, 1, 1), eight = Image(7, 5, 8, 2), rgb = Image(3, 4, 24, 3);
};

BOOL PICAPI PageProc(const BYTE** px, DWORD* w, DWORD* h, RGBQUAD** pal, DWORD* depth, DWORD* comp,
                     PicResolutionInfo* res, PIC_USERDATA user) {
  auto* p = reinterpret_cast<Pages*>(user);
  const Bytes* imgs[3] = {&p->one, &p->eight, &p->rgb};
  const DWORD dims[3][3] = {{20, 10, 1}, {7, 5, 8}, {3, 4, 24}};
  if (p->next == 3) return FALSE;
  const int i = p->next++;
  *px = imgs[i]->data(), *w = dims[i][0], *h = dims[i][1], *depth = dims[i][2], *pal = Ramp(), *comp = 5;
  *res = PicResolutionInfo{300, 150, 2};
  return TRUE;
}

BOOL PICAPI StopAtOnce(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

TEST_F(TiffCodec, PagesTagsTilesAndProfiles) {
  // Three pages through the callback.
  Pages pages;

  const char profile[] = "not really a profile, but bytes all the same";
  pic_SetICCProfile(reinterpret_cast<const BYTE*>(profile), sizeof profile);
  Dest d;
  ASSERT_GT(pic_WriteTiffMultiViaCB(d, PageProc, reinterpret_cast<PIC_USERDATA>(&pages), 0), 0u);
  const Bytes file = d.Contents();
  Source s(file);
  EXPECT_EQ(pic_GetTIFFPageCount(s), 3u);
  DWORD w, h, bits;
  PicResolutionInfo res;
  EXPECT_TRUE(pic_GetTIFFDims(s, 1, &w, &h, &bits, &res, 0));
  EXPECT_EQ(w * 100 + h * 10 + bits, 7u * 100 + 50 + 8);
  EXPECT_EQ(res.x + res.y + res.unit, 452.0);
  EXPECT_FALSE(pic_GetTIFFDims(s, 3, &w, &h, &bits, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  HGLOBAL icc = nullptr;
  DWORD size = 0;
  ASSERT_TRUE(pic_ReadICCProfile(s, 2, &icc, &size));
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(icc), static_cast<uint8_t*>(icc) + size),
            Bytes(profile, profile + sizeof profile));
  GlobalFree(icc);

  HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(pic_GetTIFFPageCount_TR(r), 3u);
  ASSERT_TRUE(pic_SetTIFFPage_TR(r, 2));
  RGBQUAD pal[256];
  DWORD rw, rh;
  EXPECT_EQ(TakeBlock(pic_ReadTIFF_TR(r, &rw, &rh, 24, pal, 0)), pages.rgb);
  EXPECT_FALSE(pic_SetTIFFPage_TR(r, 3));
  EXPECT_EQ(PicGetLastError(), 5u);
  pic_DestroyTIFFReader_TR(r);

  // A file without a profile, and a tiled page read a tile at a time.
  pic_SetICCProfile(nullptr, 0);
  pic_SetTIFFOptions(-1, 16, 16, 75, 1, -1);
  const Bytes img = Image(40, 20, 8, 5), tiled = Write(img, 40, 20, 8, 5, 128);
  Source t(tiled);
  EXPECT_FALSE(pic_ReadICCProfile(t, 0, &icc, &size));
  EXPECT_EQ(PicGetLastError(), 54u);
  r = pic_CreateTIFFReader_TR(t, 0, 0);
  ASSERT_NE(r, nullptr);
  struct TileCase {
    DWORD x, y, flags, code;
  } cases[] = {{32, 16, 0, 0}, {8, 0, 0, 75}, {48, 0, 0, 75}, {0, 0, 8, 5}, {0, 0, 2, 0}};
  for (const TileCase& c : cases) {
    Bytes got = TakeBlock(pic_ReadTIFFTileOrStrip_TR(r, &rw, &rh, 8, pal, c.x, c.y, c.flags));
    EXPECT_EQ(PicGetLastError(), c.code) << c.x << "," << c.y;
    if (c.code || c.flags) continue;
    ASSERT_EQ(got.size(), 16u * 16);
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 16; ++x)
        EXPECT_EQ(got[y * 16 + x], x < 8 && y < 4 ? img[(16 + y) * 40 + 32 + x] : 0) << x << "," << y;
  }
  pic_DestroyTIFFReader_TR(r);
}

TEST_F(TiffCodec, RawCmykAlphaOverrideAndCancel) {
  const Bytes cmyk = {255, 0, 0, 0, 0, 0, 0, 255};
  const Bytes file = Write(cmyk, 2, 1, 32, 1, 16);
  EXPECT_EQ(Read(file, 32, 4), cmyk);
  EXPECT_EQ(Read(file, 24), (Bytes{0, 255, 255, 0, 0, 0}));

  // Grey with one unspecified extra sample, made with libtiff itself.
  auto greyAlpha = [](uint16_t photometric) {
    Dest d;
    TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICDEST>(d)), "wW");
    EXPECT_NE(tif, nullptr);
    if (!tif) return Bytes{};
    const uint16_t extra[] = {EXTRASAMPLE_UNSPECIFIED};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 2);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 2);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    uint8_t row[] = {10, 20, 30, 40};
    TIFFWriteScanline(tif, row, 0, 0);
    CloseTIFF(tif);
    return d.Contents();
  };
  const Bytes ga = greyAlpha(PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(Read(ga, 32), (Bytes{10, 10, 10, 255, 30, 30, 30, 255}));
  pic_SetTIFFOptions(-1, 0, 0, 75, 1, 2);
  EXPECT_EQ(Read(ga, 32), (Bytes{10, 10, 10, 20, 30, 30, 30, 40}));
  EXPECT_EQ(Read(greyAlpha(PHOTOMETRIC_MINISWHITE), 32), (Bytes{245, 245, 245, 20, 225, 225, 225, 40}));
  // This layout has no 8-bit form.
  Read(ga, 8);
  EXPECT_EQ(readCode, 28u);

  SetProgressCallback(StopAtOnce, 0);
  const Bytes big = Write(Image(50, 50, 24, 1), 50, 50, 24, 1, 0);
  for (uint32_t depth : {1u, 8u, 24u, 32u, 48u}) {
    const Bytes f = depth == 24 || depth == 32 ? big : Write(Image(50, 50, depth, 1), 50, 50, depth, 1, 2);
    Read(f, depth);
    EXPECT_EQ(readCode, 14u) << depth;
  }
}

// The file with the bytes of one tag entry changed.
Bytes WithTag(Bytes file, uint16_t tag, uint16_t newTag) {
  const uint32_t ifd = file[4] | file[5] << 8 | file[6] << 16 | uint32_t(file[7]) << 24;
  const uint32_t n = file[ifd] | file[ifd + 1] << 8;
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t* e = &file[ifd + 2 + i * 12];
    if ((e[0] | e[1] << 8) == tag) e[0] = newTag & 255, e[1] = newTag >> 8;
  }
  return file;
}

TEST_F(TiffCodec, DamagedHostileAndRefusedInput) {
  pic_SetTIFFOptions(4, 0, 0, 75, 6, -1);
  const Bytes img16 = Image(30, 24, 48, 4);
  Bytes damaged = Write(img16, 30, 24, 48, 5, 0);
  // Garble the second strip's LZW codes.
  for (size_t i = 0; i < 40; ++i) damaged[8 + 30 * 4 * 6 / 2 + i] = 0xFF;
  uint32_t w = 0, h = 0;
  Bytes got = Read(damaged, 48, 0, &w, &h);
  EXPECT_EQ(readCode, 20u);  // rows back, flagged, also after turning
  EXPECT_EQ(got.size(), img16.size());
  EXPECT_EQ(w, 24u);

  pic_SetTIFFOptions(-1, 0, 0, 75, 1, -1);
  // Past the free allowance, with the directory after the pixels: the whole
  // file holds them, wherever libtiff left the stream.
  const Bytes large = Write(Bytes(size_t{8192} / 8 * 8200, 0x5A), 8192, 8200, 1, 1, 0);
  EXPECT_EQ(Read(large, 1).size(), size_t{8192} / 8 * 8200);
  EXPECT_EQ(readCode, 0u);
  // The same page in G4 packs 8 MB of pixel bytes into a few kilobytes: a
  // ratio sound files reach, so it still reads.
  const Bytes largeG4 = Write(Bytes(size_t{8192} / 8 * 8200, 0), 8192, 8200, 1, 4, 0);
  EXPECT_LT(largeG4.size(), 32768u);
  EXPECT_GT(largeG4.size(), 1024u);
  EXPECT_EQ(Read(largeG4, 1).size(), size_t{8192} / 8 * 8200);
  EXPECT_EQ(readCode, 0u);

  const Bytes img = Image(9, 7, 24, 2), good = Write(img, 9, 7, 24, 1, 0);
  EXPECT_EQ(Read(WithTag(good, TIFFTAG_ROWSPERSTRIP, 65000), 24), img);  // no RowsPerStrip
  EXPECT_EQ(readCode, 0u);

  struct Bad {
    const char* name;
    Bytes file;
    uint32_t depth, code;
  } bad[] = {
      {"huge claim", WithTag(good, TIFFTAG_IMAGEWIDTH, 0), 24, 20},
      {"empty (no source)", Bytes{}, 24, 5},
      {"header only", Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}, 24, 20},
      {"directory past 4 GiB", Bytes{'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}, 24, 20},
      {"1 bit of RGB", good, 1, 28},
      {"16 bits of 8", good, 48, 28},
      {"depth 12", good, 12, 5},
  };
  // A width of 2^31 in a file of a hundred bytes.
  Bytes huge = good;
  const uint32_t ifd = huge[4] | huge[5] << 8;
  for (uint32_t i = 0; i < uint32_t(huge[ifd] | huge[ifd + 1] << 8); ++i) {
    uint8_t* e = &huge[ifd + 2 + i * 12];
    if ((e[0] | e[1] << 8) == 256 || (e[0] | e[1] << 8) == 257) e[2] = 4, e[3] = 0, e[8] = 0, e[11] = 0x40;
  }
  bad[0].file = huge;
  // The one strip's pixels start ten bytes before the end of the file.
  Bytes cut = good;
  for (uint32_t i = 0; i < uint32_t(cut[ifd] | cut[ifd + 1] << 8); ++i) {
    uint8_t* e = &cut[ifd + 2 + i * 12];
    if ((e[0] | e[1] << 8) == TIFFTAG_STRIPOFFSETS) {
      const uint32_t at = static_cast<uint32_t>(cut.size() - 10);
      e[8] = at & 255, e[9] = at >> 8 & 255, e[10] = at >> 16 & 255, e[11] = at >> 24;
    }
  }
  Read(cut, 24);
  EXPECT_EQ(readCode, 20u) << "strip cut short";
  for (const Bad& b : bad) {
    Read(b.file, b.depth);
    EXPECT_EQ(readCode, b.code) << b.name;
  }

  // Refused writes close their handle once.
  Dest d;
  EXPECT_EQ(pic_WriteTIFF(d, img.data(), 9, 7, 12, 1, nullptr, 27, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(pic_WriteTIFF(d, img.data(), 0, 7, 24, 1, nullptr, 27, nullptr, 0), 0u);
  HPICTIFFWRITER tw = pic_CreateTIFFWriter_TW(d, 0);
  ASSERT_NE(tw, nullptr);
  EXPECT_FALSE(pic_InitializeTIFFWriter_TW(tw, 9, 7, nullptr, 12, 1, nullptr, 0));
  EXPECT_TRUE(pic_InitializeTIFFWriter_TW(tw, 9, 7, nullptr, 24, 1, nullptr, 0));
  EXPECT_TRUE(pic_WriteTIFF_TW(tw, img.data(), 27));
  EXPECT_TRUE(pic_DestroyTIFFWriter_TW(tw));
  EXPECT_EQ(Read(d.Contents(), 24), img);

  // Lines past the page.
  Dest l;
  HPICTIFFWRITELINES lines = pic_InitWriteTIFFLines(l, 9, 1, 24, 5, nullptr, nullptr, 0);
  ASSERT_NE(lines, nullptr);
  EXPECT_TRUE(pic_WriteNextTIFFLine(lines, img.data()));
  EXPECT_FALSE(pic_WriteNextTIFFLine(lines, img.data()));
  EXPECT_EQ(PicGetLastError(), 24u);
  EXPECT_TRUE(pic_DestroyWriteTIFFLines(lines));
  EXPECT_EQ(Read(l.Contents(), 24), Bytes(img.begin(), img.begin() + 27));
}

TEST_F(TiffCodec, DibsComeAtTheNaturalDepthBottomUp) {
  struct Row {
    uint32_t depth, flags, bits;
  } rows[] = {{1, 0, 1}, {8, 0, 8}, {16, 0, 8}, {24, 0, 24}, {32, 0, 32}, {48, 0, 24}};
  const uint32_t w = 7, h = 3;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.depth);
    const Bytes img = Image(w, h, r.depth, 11), dib = Read(Write(img, w, h, r.depth, 5, r.flags), 0, 2);
    ASSERT_EQ(readCode, 0u);
    BITMAPINFOHEADER head;
    ASSERT_GT(dib.size(), sizeof head);
    std::memcpy(&head, dib.data(), sizeof head);
    EXPECT_EQ(head.biBitCount, r.bits);
    EXPECT_EQ(head.biWidth * 10 + head.biHeight, int32_t(w * 10 + h));
    const uint8_t* bottom = dib.data() + 40 + (r.bits <= 8 ? 4u << r.bits : 0);
    const uint8_t* top = img.data() + size_t{h - 1} * ((w * r.depth + 7) / 8);  // the last row comes first
    int got = bottom[0], want = top[0];  // 1 and 8 bits: the indices as stored
    // 16-bit grey comes as indices v x 255 / 65535, truncated; 16-bit colour
    // through libtiff's RGBA path, which rounds (v + 128) / 257.
    if (r.depth == 16) got = bottom[1], want = (top[2] | top[3] << 8) * 255 / 65535;
    if (r.depth == 24 || r.depth == 32) got = bottom[0] << 8 | bottom[2], want = top[2] << 8 | top[0];
    if (r.depth == 48) got = bottom[0], want = ((top[4] | top[5] << 8) + 128) / 257;  // blue
    EXPECT_EQ(got, want);
  }
  // A DIB carries its own colour table: at 1 and 8 bits it needs no palette
  // from the caller, where the plain read refuses to go without one.
  for (uint32_t depth : {1u, 8u})
    for (DWORD flags : {0u, 2u}) {
      SCOPED_TRACE(depth * 10 + flags);
      Source s(Write(Image(w, h, depth, 5), w, h, depth, 5, 0));
      DWORD rw = 0, rh = 0;
      const Bytes got = TakeBlock(pic_ReadTIFF(s, &rw, &rh, depth, nullptr, 0, flags));
      EXPECT_EQ(PicGetLastError(), flags ? 0u : 5u);
      EXPECT_EQ(got.empty(), flags == 0);
    }
}

TEST_F(TiffCodec, AppendedPagesFollowTheFirst) {
  const auto dir = ScratchDir("tiff_append");
  const std::string path = (dir / "pages.tif").string();
  const Bytes a = Image(9, 5, 24, 1), b = Image(4, 6, 8, 2);
  for (int page = 0; page < 3; ++page) {
    HPICDEST d = pic_OpenFileDest(path.c_str(), page > 0);
    ASSERT_GT(page == 1 ? pic_WriteTIFF(d, b.data(), 4, 6, 8, 5, Ramp(), 4, nullptr, 1)
                        : pic_WriteTIFF(d, a.data(), 9, 5, 24, 8, nullptr, 27, nullptr, page ? 1 : 0),
              0u)
        << page;
    pic_CloseDest(d);
  }
  const Bytes file = ReadFileBytes(path);
  Source s(file);
  EXPECT_EQ(pic_GetTIFFPageCount(s), 3u);
  DWORD w, h;
  RGBQUAD pal[256];
  EXPECT_EQ(TakeBlock(pic_ReadTIFF(s, &w, &h, 8, pal, 1, 0)), b);
  EXPECT_EQ(TakeBlock(pic_ReadTIFF(s, &w, &h, 24, nullptr, 2, 0)), a);
  std::filesystem::remove_all(dir);
}

#ifdef _WIN32
TEST_F(TiffCodec, TagsAsVariantsKeepTheirTypes) {
  pic_SetTIFFSoftware("Waylune \xe4");
  pic_SetTIFFOptions(5, 0, 0, 75, 6, -1);
  const Bytes file = Write(Image(9, 7, 32, 1), 9, 7, 32, 5, 0);
  pic_SetTIFFSoftware(nullptr);
  Source s(file);
  struct Row {
    DWORD tag;
    VARTYPE type;
    DWORD code, value;
  } rows[] = {{256, VT_UI4, 0, 9},     {278, VT_UI4, 0, 5},    {258, VT_UI2, 0, 8},
              {274, VT_UI2, 0, 6},     {282, VT_R4, 0, 1},     {338, VT_ARRAY | VT_UI2, 0, 1},
              {305, VT_BSTR, 0, 0xE4}, {1000, VT_NULL, 54, 0}, {322, VT_UI4, 54, 0},
              {34665, VT_UI4, 54, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.tag);
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(pic_GetTIFFTagVariant(s, 0, r.tag, &v), r.code == 0);
    EXPECT_EQ(PicGetLastError(), r.code);
    EXPECT_EQ(v.vt, r.type);
    if (r.code) continue;
    DWORD got = v.vt == VT_UI4 ? v.ulVal : v.vt == VT_UI2 ? v.uiVal : v.vt == VT_R4 ? DWORD(v.fltVal) : 0;
    if (v.vt == VT_BSTR) got = v.bstrVal[8];
    if (v.vt == (VT_ARRAY | VT_UI2)) got = static_cast<uint16_t*>(v.parray->pvData)[0];
    EXPECT_EQ(got, r.value);
    VariantClear(&v);
  }
}
#endif

std::atomic<int> extenderCalls{0};  // bumped from every reading thread
TIFFExtendProc earlier = nullptr;
void CountingExtender(TIFF* tif) {
  ++extenderCalls;
  if (earlier) earlier(tif);
}

TEST_F(TiffCodec, TagExtenderChainsOnceUnderConcurrentOpens) {
  earlier = TIFFSetTagExtender(CountingExtender);
  const Bytes file = Write(Image(8, 8, 24, 1), 8, 8, 24, 1, 0);
  const int before = extenderCalls;
  Read(file, 24);
  const int perRead = extenderCalls - before;
  ASSERT_GT(perRead, 0);
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i) good += Read(file, 24).size() == 8 * 8 * 3;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(good, 80);
  EXPECT_EQ(extenderCalls - before, perRead * 81);
}

// An extender someone installed before the library's first TIFF keeps
// running: the library's own calls it on. In a fresh process, since the
// library installs its extender once per process.
TEST_F(TiffCodec, AnExtenderInstalledEarlierStillRuns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        earlier = TIFFSetTagExtender(CountingExtender);
        const Bytes file = Write(Image(8, 8, 24, 1), 8, 8, 24, 1, 0);
        const int afterWrite = extenderCalls;
        const bool read = Read(file, 24).size() == 8 * 8 * 3;
        std::exit(read && afterWrite > 0 && extenderCalls > afterWrite ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(TiffCodec, GenericReaderShowsTiff) {
  const Bytes img = Image(6, 4, 24, 8);
  Source s(Write(img, 6, 4, 24, 8, 0));
  DWORD w = 0, h = 0;
  EXPECT_EQ(TakeBlock(pic_ReadImage(s, &w, &h, 24, 0)), img);
  EXPECT_EQ(PicGetLastError(), 0u);
}

// ---- Layouts our writer does not make, written with libtiff itself ----

struct Page {
  uint32_t width, height;
  uint16_t bits, samples, photometric;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t planar = PLANARCONFIG_CONTIG;
  uint32_t tile = 0;   // tile side; 0: strips of 4 rows
  uint16_t alpha = 0;  // the last sample is extra: 1 associated, 2 unassociated alpha, 3 unspecified
};
using SampleFn = std::function<uint32_t(uint32_t x, uint32_t y, uint32_t sample)>;

// The ColorMap of a palette page, red, green or blue of an entry: 16-bit
// values v x 257 of (v, 255 - v, v / 2).
uint16_t MapOf(uint32_t entry, int channel) {
  const uint32_t v = (entry * 97 + 13) & 255;
  const uint32_t c[3] = {v, 255 - v, v / 2};
  return static_cast<uint16_t>(c[channel] * 257);
}

Bytes MakeTiff(const Page& p, const SampleFn& value) {
  Dest d;
  TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICDEST>(d)), "wW");
  EXPECT_NE(tif, nullptr);
  if (!tif) return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
  if (p.alpha) {
    const uint16_t extra[] = {p.alpha == 1   ? uint16_t{EXTRASAMPLE_ASSOCALPHA}
                              : p.alpha == 2 ? uint16_t{EXTRASAMPLE_UNASSALPHA}
                                             : uint16_t{EXTRASAMPLE_UNSPECIFIED}};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (p.photometric == PHOTOMETRIC_PALETTE) {
    const size_t n = size_t{1} << p.bits;
    std::vector<uint16_t> map[3];
    for (int c = 0; c < 3; ++c)
      for (size_t i = 0; i < n; ++i) map[c].push_back(MapOf(static_cast<uint32_t>(i), c));
    TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
  }
  if (p.photometric == PHOTOMETRIC_LOGLUV || p.photometric == PHOTOMETRIC_LOGL) {
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_INT);
    TIFFSetField(tif, TIFFTAG_SGILOGDATAFMT, SGILOGDATAFMT_16BIT);
  }
  const bool separate = p.planar == PLANARCONFIG_SEPARATE;
  const uint32_t perPiece = separate ? 1 : p.samples;
  // Packs count pixels from (x0, y), most significant bits first; 16 bits in
  // host order. Outside the image: 0.
  auto pack = [&](uint32_t x0, uint32_t y, uint32_t count, uint32_t plane, uint8_t* out) {
    uint64_t bit = 0;
    for (uint32_t i = 0; i < count; ++i)
      for (uint32_t k = 0; k < perPiece; ++k, bit += p.bits) {
        const uint32_t x = x0 + i;
        const uint32_t v = x < p.width && y < p.height ? value(x, y, separate ? plane : k) : 0;
        if (p.bits == 16) {
          const uint16_t w = static_cast<uint16_t>(v);
          std::memcpy(out + bit / 8, &w, 2);
        } else {
          out[bit / 8] |= static_cast<uint8_t>(v << (8 - p.bits - bit % 8));
        }
      }
  };
  const uint32_t planes = separate ? p.samples : 1;
  if (p.tile) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
    const tmsize_t rowBytes = TIFFTileRowSize(tif);
    for (uint32_t ty = 0; ty < p.height; ty += p.tile)
      for (uint32_t tx = 0; tx < p.width; tx += p.tile)
        for (uint32_t s = 0; s < planes; ++s) {
          Bytes t(static_cast<size_t>(TIFFTileSize(tif)), 0);
          for (uint32_t r = 0; r < p.tile; ++r) pack(tx, ty + r, p.tile, s, t.data() + r * rowBytes);
          EXPECT_GE(TIFFWriteTile(tif, t.data(), tx, ty, 0, static_cast<uint16_t>(s)), 0);
        }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
    for (uint32_t s = 0; s < planes; ++s)
      for (uint32_t y = 0; y < p.height; ++y) {
        Bytes row(static_cast<size_t>(TIFFScanlineSize(tif)), 0);
        pack(0, y, p.width, s, row.data());
        EXPECT_EQ(TIFFWriteScanline(tif, row.data(), y, static_cast<uint16_t>(s)), 1);
      }
  }
  CloseTIFF(tif);
  return d.Contents();
}

// Where strip or tile `index` (of the first plane) starts in the file.
uint64_t PieceOffset(const Bytes& file, bool tiled, uint32_t index) {
  Source f(file);
  TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICSRC>(f)), "r");
  EXPECT_NE(tif, nullptr);
  if (!tif) return 0;
  uint64_t* offsets = nullptr;
  EXPECT_TRUE(TIFFGetField(tif, tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS, &offsets));
  const uint64_t at = offsets ? offsets[index] : 0;
  CloseTIFF(tif);
  return at;
}

// Grey with an unspecified extra sample given an alpha meaning, in tiles
// whose right-hand ones reach past the page.
TEST_F(TiffCodec, GreyAndAlphaOverrideInTilesPastTheEdge) {
  pic_SetTIFFOptions(-1, 0, 0, 75, 1, 2);
  const Page tiled{21, 18, 8, 2, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16, 3};
  const Bytes gaTiles =
      MakeTiff(tiled, [](uint32_t x, uint32_t y, uint32_t s) { return s ? 255 - x * 5 - y : x * 7 + y; });
  Bytes want;
  for (uint32_t y = 0; y < tiled.height; ++y)
    for (uint32_t x = 0; x < tiled.width; ++x) {
      const auto grey = static_cast<uint8_t>(x * 7 + y), alpha = static_cast<uint8_t>(255 - x * 5 - y);
      want.insert(want.end(), {grey, grey, grey, alpha});
    }
  EXPECT_EQ(Read(gaTiles, 32), want);
  EXPECT_EQ(readCode, 0u);
}

// 2-bit grey and palette pages read as indices at 8 bits, as a DIB and a
// strip or tile at a time, the same colours as the 24-bit read gives.
TEST_F(TiffCodec, TwoBitPagesReadAsIndices) {
  const uint32_t w = 13, h = 9;  // rows end inside a byte
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t) { return (x * 3 + y) % 4; };
  struct Case {
    const char* name;
    Page page;
    uint8_t grey[4];  // the colour of each index; palette pages: from the map
  } cases[] = {
      {"grey strips", {w, h, 2, 1, PHOTOMETRIC_MINISBLACK}, {0, 85, 170, 255}},
      {"white grey strips", {w, h, 2, 1, PHOTOMETRIC_MINISWHITE}, {255, 170, 85, 0}},
      {"grey LZW tiles",
       {w, h, 2, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, PLANARCONFIG_CONTIG, 16},
       {0, 85, 170, 255}},
      {"palette strips", {w, h, 2, 1, PHOTOMETRIC_PALETTE}, {}},
      {"palette tiles", {w, h, 2, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakeTiff(c.page, value);
    const bool palette = c.page.photometric == PHOTOMETRIC_PALETTE;
    auto colour = [&](uint32_t i, int channel) {  // red, green, blue
      return palette ? static_cast<uint8_t>(MapOf(i, channel) >> 8) : c.grey[i];
    };
    RGBQUAD pal[256];
    const Bytes eight = Read(file, 8, 0, nullptr, nullptr, pal);
    ASSERT_EQ(readCode, 0u);
    const Bytes rgb = Read(file, 24);
    ASSERT_EQ(eight.size(), size_t{w} * h);
    ASSERT_EQ(rgb.size(), size_t{w} * h * 3);
    for (uint32_t i = 0; i < 4; ++i)
      EXPECT_EQ((Bytes{pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue, pal[i].rgbReserved}),
                (Bytes{colour(i, 0), colour(i, 1), colour(i, 2), 0}))
          << i;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const uint32_t i = value(x, y, 0), at = y * w + x;
        ASSERT_EQ(eight[at], i) << x << "," << y;
        ASSERT_EQ((Bytes{rgb[3 * at], rgb[3 * at + 1], rgb[3 * at + 2]}),
                  (Bytes{pal[i].rgbRed, pal[i].rgbGreen, pal[i].rgbBlue}))
            << x << "," << y;
      }
    // The generic reader's DIB: 8 bits, bottom row first.
    Source s(file);
    DWORD dw = 0, dh = 0;
    const Bytes dib = TakeBlock(pic_ReadImage(s, &dw, &dh, kPicReadDIB, 0));
    ASSERT_EQ(PicGetLastError(), 0u);
    BITMAPINFOHEADER head;
    ASSERT_GT(dib.size(), sizeof head + 1024);
    std::memcpy(&head, dib.data(), sizeof head);
    EXPECT_EQ(head.biBitCount, 8);
    const uint8_t* bits = dib.data() + 40 + 1024;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(bits[y * 16 + x], value(x, h - 1 - y, 0)) << x << "," << y;
    // The first strip or tile on its own.
    HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
    ASSERT_NE(r, nullptr);
    DWORD pw = 0, ph = 0;
    const Bytes piece = TakeBlock(pic_ReadTIFFTileOrStrip_TR(r, &pw, &ph, 8, pal, 0, 0, c.page.tile ? 0 : 8));
    EXPECT_EQ(PicGetLastError(), 0u);
    pic_DestroyTIFFReader_TR(r);
    ASSERT_EQ(piece.size(), size_t{pw} * ph);
    for (uint32_t y = 0; y < ph; ++y)
      for (uint32_t x = 0; x < pw; ++x)
        ASSERT_EQ(piece[y * pw + x], x < w && y < h ? value(x, y, 0) : 0) << x << "," << y;
  }
}

// Uncompressed tiles whose size is no multiple of 1024 bytes, through the
// RGB and RGBA readers (libtiff's own RGBA loops refuse them in an unmapped
// file), whole and a tile at a time, in every sample layout.
TEST_F(TiffCodec, UncompressedTilesReadThroughTheRGBAReaders) {
  const uint32_t w = 37, h = 21;  // the right and bottom tiles reach past the image
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 7 + y * 13 + s * 50) % 256; };
  const SampleFn wide = [](uint32_t x, uint32_t y, uint32_t s) {
    return (x * 1777 + y * 301 + s * 9000) % 65536;
  };
  using RGBA = std::array<uint8_t, 4>;
  auto eightOf = [](uint32_t v) { return static_cast<uint8_t>((v + 128) / 257); };
  auto colour = [&](uint32_t x, uint32_t y) {
    return RGBA{uint8_t(value(x, y, 0)), uint8_t(value(x, y, 1)), uint8_t(value(x, y, 2)), 255};
  };
  auto grey = [](uint8_t g) { return RGBA{g, g, g, 255}; };
  const Page tiled{w, h, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16};
  auto with = [&](uint16_t bits, uint16_t samples, uint16_t photometric,
                  uint16_t planar = PLANARCONFIG_CONTIG) {
    Page p = tiled;
    p.bits = bits, p.samples = samples, p.photometric = photometric, p.planar = planar,
    p.alpha = samples == 4;
    return p;
  };
  struct Case {
    const char* name;
    Page page;
    SampleFn value;
    std::function<RGBA(uint32_t, uint32_t)> rgba;  // what the RGBA readers give at (x, y)
  } cases[] = {
      {"RGB", tiled, value, colour},
      {"RGB planes", with(8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE), value, colour},
      {"RGBA planes", with(8, 4, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE),
       [&](uint32_t x, uint32_t y, uint32_t s) { return s == 3 ? 255u : value(x, y, s); }, colour},
      {"grey", with(8, 1, PHOTOMETRIC_MINISBLACK), value,
       [&](uint32_t x, uint32_t y) { return grey(uint8_t(value(x, y, 0))); }},
      {"16-bit grey", with(16, 1, PHOTOMETRIC_MINISBLACK), wide,
       [&](uint32_t x, uint32_t y) { return grey(uint8_t(wide(x, y, 0) >> 8)); }},
      {"16-bit RGB", with(16, 3, PHOTOMETRIC_RGB), wide,
       [&](uint32_t x, uint32_t y) {
         return RGBA{eightOf(wide(x, y, 0)), eightOf(wide(x, y, 1)), eightOf(wide(x, y, 2)), 255};
       }},
      // libtiff's RGBA path multiplies unassociated alpha in, rounded.
      {"RGBA unassociated",
       [&] {
         Page p = with(8, 4, PHOTOMETRIC_RGB);
         p.alpha = 2;
         return p;
       }(),
       value,
       [&](uint32_t x, uint32_t y) {
         const uint32_t a = value(x, y, 3);
         auto times = [&](uint32_t v) { return uint8_t((v * a + 127) / 255); };
         return RGBA{times(value(x, y, 0)), times(value(x, y, 1)), times(value(x, y, 2)), uint8_t(a)};
       }},
      {"palette", with(8, 1, PHOTOMETRIC_PALETTE), value,
       [&](uint32_t x, uint32_t y) {
         const uint32_t i = value(x, y, 0);
         return RGBA{uint8_t(MapOf(i, 0) >> 8), uint8_t(MapOf(i, 1) >> 8), uint8_t(MapOf(i, 2) >> 8), 255};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakeTiff(c.page, c.value);
    const Bytes rgb = Read(file, 24);
    EXPECT_EQ(readCode, 0u);
    const Bytes rgba = Read(file, 32);
    EXPECT_EQ(readCode, 0u);
    ASSERT_EQ(rgb.size(), size_t{w} * h * 3);
    ASSERT_EQ(rgba.size(), size_t{w} * h * 4);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        const auto want = c.rgba(x, y);
        const size_t at = size_t{y} * w + x;
        ASSERT_EQ((Bytes{rgb[3 * at], rgb[3 * at + 1], rgb[3 * at + 2]}),
                  Bytes(want.begin(), want.begin() + 3))
            << x << "," << y;
        ASSERT_EQ(Bytes(rgba.begin() + 4 * at, rgba.begin() + 4 * at + 4), Bytes(want.begin(), want.end()))
            << x << "," << y;
      }
    // Regions of libtiff's RGBA interface across tile rows and columns,
    // starting inside a tile (stored row order: this file is upright).
    Source s(file);
    TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICSRC>(s)), "r");
    ASSERT_NE(tif, nullptr);
    for (const std::array<uint32_t, 4>& box :
         {std::array<uint32_t, 4>{0, 0, w, h}, {5, 3, 30, 17}, {5, 3, 4, 4}, {17, 16, 20, 5}}) {
      const auto [bx, by, bw, bh] = box;
      std::vector<uint32_t> raster(size_t{bw} * bh);
      char message[1024] = "";
      ASSERT_EQ(TIFFReadRGBARegion(tif, bx, by, bw, bh, raster.data(), message), 1) << message;
      for (uint32_t y = 0; y < bh; ++y)
        for (uint32_t x = 0; x < bw; ++x) {
          const uint32_t v = raster[size_t{y} * bw + x];
          ASSERT_EQ((RGBA{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}),
                    c.rgba(bx + x, by + y))
              << bx << "," << by << " at " << x << "," << y;
        }
    }
    CloseTIFF(tif);
    // The bottom-right tile, 16 x 16 with the part outside the image 0.
    HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
    ASSERT_NE(r, nullptr);
    DWORD pw = 0, ph = 0;
    RGBQUAD pal[256];
    const Bytes tile = TakeBlock(pic_ReadTIFFTileOrStrip_TR(r, &pw, &ph, 24, pal, 32, 16, 0));
    const DWORD code = PicGetLastError();
    pic_DestroyTIFFReader_TR(r);
    if (c.page.planar == PLANARCONFIG_SEPARATE) {  // pieces come from one plane only
      EXPECT_EQ(code, 74u);
      continue;
    }
    EXPECT_EQ(code, 0u);
    ASSERT_EQ(tile.size(), size_t{16} * 16 * 3);
    for (uint32_t y = 0; y < 16; ++y)
      for (uint32_t x = 0; x < 16; ++x) {
        const bool inside = 32 + x < w && 16 + y < h;
        const RGBA want = inside ? c.rgba(32 + x, 16 + y) : RGBA{};
        ASSERT_EQ(Bytes(tile.begin() + (y * 16 + x) * 3, tile.begin() + (y * 16 + x) * 3 + 3),
                  Bytes(want.begin(), want.begin() + 3))
            << x << "," << y;
      }
  }
}

// The raw CMYK put routine has no twin for mapped samples: libtiff builds no
// sample map for 8-bit CMYK, in strips or tiles, so none would be installed.
TEST_F(TiffCodec, EightBitCmykGetsNoSampleMap) {
  for (uint32_t tile : {0u, 16u}) {
    Page page{20, 18, 8, 4, PHOTOMETRIC_SEPARATED};
    page.tile = tile;
    const Bytes file =
        MakeTiff(page, [](uint32_t x, uint32_t y, uint32_t s) { return (x + 3 * y + 50 * s) & 255; });
    Source s(file);
    TIFF* tif = OpenTIFFOnStream(reinterpret_cast<CPicIO*>(static_cast<HPICSRC>(s)), "r");
    ASSERT_NE(tif, nullptr);
    TIFFRGBAImage img;
    char message[1024] = "";
    ASSERT_EQ(TIFFRGBAImageBegin(&img, tif, 0, message), 1) << message;
    EXPECT_EQ(img.Map, nullptr) << "tile " << tile;
    TIFFRGBAImageEnd(&img);
    CloseTIFF(tif);
  }
}

// 16-bit grey read at 8 bits gives the indices of a grey ramp v x 255 /
// 65535, truncated; the 24-bit read the high byte, as libtiff's RGBA path
// has it; for every value and both photometrics.
TEST_F(TiffCodec, SixteenBitGreyScalesToEightBits) {
  const SampleFn every = [](uint32_t x, uint32_t y, uint32_t s) { return s ? 0x1234 : y * 256 + x; };
  for (uint16_t photometric : {uint16_t{PHOTOMETRIC_MINISBLACK}, uint16_t{PHOTOMETRIC_MINISWHITE}}) {
    SCOPED_TRACE(photometric);
    const Bytes file = MakeTiff({256, 256, 16, 1, photometric}, every);
    // With an alpha sample beside each grey one the 24-bit read steps over it.
    const Bytes withAlpha =
        MakeTiff({256, 256, 16, 2, photometric, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 0, 2}, every);
    EXPECT_EQ(Read(withAlpha, 24), Read(file, 24));
    RGBQUAD pal[256];
    const Bytes eight = Read(file, 8, 0, nullptr, nullptr, pal), rgb = Read(file, 24);
    ASSERT_EQ(eight.size(), size_t{65536});
    ASSERT_EQ(rgb.size(), size_t{65536} * 3);
    auto shade = [&](uint32_t level) {
      return static_cast<uint8_t>(photometric == PHOTOMETRIC_MINISWHITE ? 255 - level : level);
    };
    for (uint32_t v = 0; v < 65536; ++v) {
      const uint32_t scaled = v * 255 / 65535;
      ASSERT_EQ(eight[v], scaled) << v;
      ASSERT_EQ(pal[eight[v]].rgbGreen, shade(scaled)) << v;
      ASSERT_EQ(rgb[3 * v], shade(v >> 8)) << v;
    }
    // Where truncation, rounding and the high byte part.
    for (auto [v, want, high] : {std::tuple{0x8180u, 128u, 129u},
                                 {128u, 0u, 0u},
                                 {0x0100u, 0u, 1u},
                                 {0x00FFu, 0u, 0u},
                                 {65534u, 254u, 255u},
                                 {65535u, 255u, 255u}}) {
      EXPECT_EQ(eight[v], want) << v;
      EXPECT_EQ(rgb[3 * v], shade(high)) << v;
    }
  }
}

// 16-bit samples that are no colours (palette indices, LogLuv, LogL and
// Lab values) are refused at 16, 48 and 64 bits instead of being handed back
// as grey or RGB; the 24-bit read still shows what libtiff can convert.
TEST_F(TiffCodec, SixteenBitSamplesThatAreNoColoursAreRefused) {
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) {
    return 0x3000 + x * 64 + y * 256 + s * 4096;
  };
  struct Case {
    const char* name;
    Page page;
    uint32_t depth;
    uint32_t code24;  // of the 24-bit read
  } cases[] = {
      {"16-bit palette", {8, 6, 16, 1, PHOTOMETRIC_PALETTE}, 16, 20},  // libtiff has no 16-bit palette either
      {"LogLuv", {8, 6, 16, 3, PHOTOMETRIC_LOGLUV, COMPRESSION_SGILOG}, 48, 0},
      {"LogL", {8, 6, 16, 1, PHOTOMETRIC_LOGL, COMPRESSION_SGILOG}, 16, 0},
      {"CIE Lab", {8, 6, 16, 3, PHOTOMETRIC_CIELAB}, 48, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakeTiff(c.page, value);
    EXPECT_TRUE(Read(file, c.depth).empty());
    EXPECT_EQ(readCode, 28u);
    Source s(file);
    HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 8);
    ASSERT_NE(r, nullptr);
    DWORD pw = 0, ph = 0;
    EXPECT_EQ(pic_ReadTIFFTileOrStrip_TR(r, &pw, &ph, c.depth, nullptr, 0, 0, 8), nullptr);
    EXPECT_EQ(PicGetLastError(), 28u);
    pic_DestroyTIFFReader_TR(r);
    const Bytes rgb = Read(file, 24);
    EXPECT_EQ(readCode, c.code24);
    if (!c.code24) {
      EXPECT_EQ(rgb.size(), size_t{8} * 6 * 3);
    }
  }
}

// One tile or strip at every depth is the matching part of the whole-image
// read with the same flags, full size with the part outside the image 0.
TEST_F(TiffCodec, TilesAndStripsMatchTheWholeImageAtEveryDepth) {
  const uint32_t w = 33, h = 21;  // the last tile column holds one pixel
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 37 + y * 11 + s * 70) % 256; };
  const SampleFn wide = [](uint32_t x, uint32_t y, uint32_t s) {
    return (x * 1777 + y * 301 + s * 9000) % 65536;
  };
  const SampleFn bits = [](uint32_t x, uint32_t y, uint32_t) { return (x * 5 + y * 3) % 7 % 2; };
  const SampleFn nibbles = [](uint32_t x, uint32_t y, uint32_t) { return (x + 3 * y) % 16; };
  auto tiled = [&](uint16_t b, uint16_t samples, uint16_t photometric) {
    return Page{
        w, h, b, samples, photometric, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16, uint16_t(samples == 4)};
  };
  Page cmyk = tiled(8, 4, PHOTOMETRIC_SEPARATED);
  cmyk.alpha = 0;
  struct Case {
    const char* name;
    Page page;
    SampleFn value;
    uint32_t depth, flags, x, y;  // flags 8: strip x
  } cases[] = {
      {"1 bit, last tile", tiled(1, 1, PHOTOMETRIC_MINISBLACK), bits, 1, 0, 32, 16},
      {"1 bit, first tile", tiled(1, 1, PHOTOMETRIC_MINISWHITE), bits, 1, 0, 0, 0},
      {"4-bit grey", tiled(4, 1, PHOTOMETRIC_MINISBLACK), nibbles, 8, 0, 16, 16},
      {"palette, B, G, R asked: indices as they are", tiled(8, 1, PHOTOMETRIC_PALETTE), value, 8, 64, 32, 0},
      {"16-bit grey", tiled(16, 1, PHOTOMETRIC_MINISBLACK), wide, 16, 0, 16, 0},
      {"16-bit RGB, B, G, R", tiled(16, 3, PHOTOMETRIC_RGB), wide, 48, 64, 32, 16},
      {"16-bit RGBA", tiled(16, 4, PHOTOMETRIC_RGB), wide, 64, 0, 0, 16},
      {"RGB, B, G, R", tiled(8, 3, PHOTOMETRIC_RGB), value, 24, 64, 32, 16},
      {"RGBA", tiled(8, 4, PHOTOMETRIC_RGB), value, 32, 0, 16, 0},
      {"CMYK to RGB", cmyk, value, 24, 0, 16, 16},
      {"CMYK raw", cmyk, value, 32, 4, 16, 16},
      {"grey strip 1", {w, h, 8, 1, PHOTOMETRIC_MINISBLACK}, value, 8, 8, 1, 0},
      {"grey last strip", {w, h, 8, 1, PHOTOMETRIC_MINISBLACK}, value, 8, 8, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakeTiff(c.page, c.value);
    RGBQUAD whole[256], piecePal[256];
    std::memset(piecePal, 0x77, sizeof piecePal);  // past the piece's colours: untouched
    const Bytes image = Read(file, c.depth, c.flags & ~8u, nullptr, nullptr, whole);
    ASSERT_EQ(readCode, 0u);
    Source s(file);
    HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
    ASSERT_NE(r, nullptr);
    DWORD pw = 0, ph = 0;
    const Bytes piece =
        TakeBlock(pic_ReadTIFFTileOrStrip_TR(r, &pw, &ph, c.depth, piecePal, c.x, c.y, c.flags));
    const DWORD code = PicGetLastError();
    pic_DestroyTIFFReader_TR(r);
    ASSERT_EQ(code, 0u);
    const bool strip = c.flags & 8;
    const uint32_t left = strip ? 0 : c.x, top = strip ? c.x * 4 : c.y;
    EXPECT_EQ(pw, strip ? w : 16u);
    EXPECT_EQ(ph, strip ? 4u : 16u);
    auto pixel = [&](const Bytes& img, uint32_t width, uint32_t x, uint32_t y) {
      if (c.depth == 1) return Bytes{uint8_t(img[y * ((width + 7) / 8) + x / 8] >> (7 - x % 8) & 1)};
      const size_t at = (size_t{y} * width + x) * (c.depth / 8);
      return Bytes(img.begin() + at, img.begin() + at + c.depth / 8);
    };
    ASSERT_EQ(piece.size(), c.depth == 1 ? size_t{(pw + 7) / 8} * ph : size_t{pw} * ph * (c.depth / 8));
    for (uint32_t y = 0; y < ph; ++y)
      for (uint32_t x = 0; x < pw; ++x) {
        const bool inside = left + x < w && top + y < h;
        ASSERT_EQ(pixel(piece, pw, x, y),
                  inside ? pixel(image, w, left + x, top + y) : Bytes(c.depth == 1 ? 1 : c.depth / 8, 0))
            << x << "," << y;
      }
    if (c.depth <= 8) {
      const uint32_t n = c.depth == 1 ? 2 : 256;
      EXPECT_EQ(Bytes(reinterpret_cast<uint8_t*>(piecePal), reinterpret_cast<uint8_t*>(piecePal + n)),
                Bytes(reinterpret_cast<uint8_t*>(whole), reinterpret_cast<uint8_t*>(whole + n)));
      if (n == 2) {
        EXPECT_EQ(piecePal[2].rgbGreen, 0x77);
      }
    }
  }
}

// Corners of the whole-image reader, each a row.
TEST_F(TiffCodec, ReaderCornerCases) {
  const SampleFn two = [](uint32_t x, uint32_t y, uint32_t) { return (x + y) % 4; };
  const Bytes twoBit = MakeTiff({13, 9, 2, 1, PHOTOMETRIC_MINISBLACK}, two);
  {  // dimensions of a page without resolution tags: 2 bits, no unit
    Source s(twoBit);
    DWORD w = 0, h = 0, depth = 0;
    PicResolutionInfo res;
    res.unit = 9;
    ASSERT_TRUE(pic_GetTIFFDims(s, 0, &w, &h, &depth, &res, 0));
    EXPECT_EQ(Bytes({uint8_t(w), uint8_t(h), uint8_t(depth), uint8_t(res.unit)}), Bytes({13, 9, 2, 0}));
    // No such page for a profile.
    HGLOBAL icc = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(pic_ReadICCProfile(s, 5, &icc, &size));
    EXPECT_EQ(PicGetLastError(), 5u);
  }
  // The grey ramp of 2-bit samples: four levels, the rest white, reserved 0.
  RGBQUAD pal[256];
  Read(twoBit, 8, 0, nullptr, nullptr, pal);
  EXPECT_EQ(readCode, 0u);
  const RGBQUAD want[6] = {{0, 0, 0, 0},       {85, 85, 85, 0},    {170, 170, 170, 0},
                           {255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}};
  EXPECT_EQ(std::memcmp(pal, want, sizeof want), 0);
  // 8 (or 1) bits without a palette and without a DIB: refused.
  Source s(twoBit);
  DWORD w = 0, h = 0;
  EXPECT_EQ(pic_ReadTIFF(s, &w, &h, 8, nullptr, 0, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);

  // 1 bit, 13 wide: the bits past the width in the file's rows come back 0.
  Bytes oneBit = MakeTiff({13, 9, 1, 1, PHOTOMETRIC_MINISBLACK},
                          [](uint32_t x, uint32_t y, uint32_t) { return (x + y) % 2; });
  const uint64_t first = PieceOffset(oneBit, false, 0);
  ASSERT_NE(first, 0u);
  for (uint32_t y = 0; y < 9; ++y) oneBit[first + 2 * y + 1] |= 0x07;  // 13 = 8 + 5: three pad bits
  const Bytes rows = Read(oneBit, 1, 0, nullptr, nullptr, pal);
  ASSERT_EQ(rows.size(), 18u);
  const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  EXPECT_EQ(std::memcmp(pal, blackWhite, sizeof blackWhite), 0);
  for (uint32_t y = 0; y < 9; ++y) EXPECT_EQ(rows[2 * y + 1] & 0x07, 0) << y;

  // A damaged tile: the 8-bit read returns the image and says 20.
  Page lzw{40, 20, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, PLANARCONFIG_CONTIG, 16};
  Bytes damaged = MakeTiff(lzw, [](uint32_t x, uint32_t y, uint32_t) { return (x * y) % 256; });
  const uint64_t second = PieceOffset(damaged, true, 1);
  ASSERT_NE(second, 0u);
  for (uint32_t i = 0; i < 24; ++i) damaged[second + i] = 0xFF;
  EXPECT_EQ(Read(damaged, 8, 0, nullptr, nullptr, pal).size(), 800u);
  EXPECT_EQ(readCode, 20u);

  // 16-bit RGB in separate planes has no 48-bit form.
  Read(MakeTiff({8, 4, 16, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, PLANARCONFIG_SEPARATE}, two), 48);
  EXPECT_EQ(readCode, 28u);
}

// The second strip or tile (of the first plane) garbled: 0xFF over the
// start of its LZW codes.
Bytes GarbleSecondPiece(Bytes file, bool tiled) {
  const uint64_t second = PieceOffset(file, tiled, 1);
  EXPECT_NE(second, 0u);
  for (uint32_t i = 0; i < 24 && second; ++i) file[second + i] = 0xFF;
  return file;
}

// A damaged band on every way through libtiff's RGBA reading (strips decoded
// in place, the band buffer, words straight into the rows, our own tile
// loops): the whole picture comes back flagged with 20.
TEST_F(TiffCodec, DamagedPiecesOnTheRGBAPathsAreFlagged) {
  const uint32_t w = 40, h = 20;
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 5 + y * 3 + s * 70) % 256; };
  const uint16_t lzw = COMPRESSION_LZW;
  struct Case {
    const char* name;
    Page page;
    uint32_t depth;
  } cases[] = {
      {"RGB strips decoded in place", {w, h, 8, 3, PHOTOMETRIC_RGB, lzw}, 24},
      {"RGB strips as words", {w, h, 8, 3, PHOTOMETRIC_RGB, lzw}, 32},
      {"palette strips through the band buffer", {w, h, 8, 1, PHOTOMETRIC_PALETTE, lzw}, 24},
      {"RGB tiles", {w, h, 8, 3, PHOTOMETRIC_RGB, lzw, PLANARCONFIG_CONTIG, 16}, 24},
      {"RGB tiles as words", {w, h, 8, 3, PHOTOMETRIC_RGB, lzw, PLANARCONFIG_CONTIG, 16}, 32},
      {"RGB tiles in planes", {w, h, 8, 3, PHOTOMETRIC_RGB, lzw, PLANARCONFIG_SEPARATE, 16}, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes good = MakeTiff(c.page, value);
    const size_t size = size_t{w} * h * c.depth / 8;
    EXPECT_EQ(Read(good, c.depth).size(), size);
    EXPECT_EQ(readCode, 0u);
    EXPECT_EQ(Read(GarbleSecondPiece(good, c.page.tile != 0), c.depth).size(), size);
    EXPECT_EQ(readCode, 20u);
  }
}

// B, G, R (A) asked: the R, G, B (A) read with red and blue exchanged, on
// each way through libtiff's RGBA reading (the band buffer for pages libtiff
// converts, libtiff's own words, the direct 8-bit RGB rows; padded rows).
TEST_F(TiffCodec, BlueFirstReadsAreTheRedFirstReadsExchanged) {
  const uint32_t w = 13, h = 9;
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 19 + y * 7 + s * 50) % 256; };
  struct Case {
    const char* name;
    Page page;
  } cases[] = {
      {"palette strips", {w, h, 8, 1, PHOTOMETRIC_PALETTE}},
      {"grey strips", {w, h, 8, 1, PHOTOMETRIC_MINISBLACK}},
      {"RGB strips", {w, h, 8, 3, PHOTOMETRIC_RGB}},
      {"RGBA tiles", {w, h, 8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, PLANARCONFIG_CONTIG, 16, 2}},
      {"CMYK strips", {w, h, 8, 4, PHOTOMETRIC_SEPARATED}},
  };
  for (const Case& c : cases) {
    const Bytes file = MakeTiff(c.page, value);
    for (uint32_t depth : {24u, 32u})
      for (uint32_t padded : {0u, 32u}) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(depth + padded));
        Bytes rgb = Read(file, depth, padded);
        ASSERT_EQ(readCode, 0u);
        const Bytes bgr = Read(file, depth, padded | 64);
        ASSERT_EQ(readCode, 0u);
        const size_t row = padded ? (size_t{w} * depth / 8 + 3) / 4 * 4 : size_t{w} * depth / 8;
        ASSERT_EQ(rgb.size(), row * h);
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x)
            std::swap(rgb[y * row + x * depth / 8], rgb[y * row + x * depth / 8 + 2]);
        EXPECT_EQ(bgr, rgb);
      }
  }
}

// A 1 x 1 grey page, built byte by byte (little-endian), with the given
// directory entries beside its own.
struct Entry {
  uint16_t tag, type;
  uint32_t count;
  Bytes value;
};
template <class T>
Bytes LE(std::initializer_list<T> values) {
  Bytes out(values.size() * sizeof(T));
  size_t at = 0;
  for (T v : values) {
    std::memcpy(out.data() + at, &v, sizeof v);  // the test machines are little-endian
    at += sizeof v;
  }
  return out;
}
Bytes TinyTiffWith(std::vector<Entry> entries) {
  const std::vector<Entry> own = {
      {256, TIFF_SHORT, 1, LE<uint16_t>({1})}, {257, TIFF_SHORT, 1, LE<uint16_t>({1})},
      {258, TIFF_SHORT, 1, LE<uint16_t>({8})}, {259, TIFF_SHORT, 1, LE<uint16_t>({1})},
      {262, TIFF_SHORT, 1, LE<uint16_t>({1})}, {273, TIFF_LONG, 1, LE<uint32_t>({8})},
      {277, TIFF_SHORT, 1, LE<uint16_t>({1})}, {278, TIFF_LONG, 1, LE<uint32_t>({1})},
      {279, TIFF_LONG, 1, LE<uint32_t>({1})}};
  entries.insert(entries.end(), own.begin(), own.end());
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  Bytes f = {'I', 'I', 42, 0, 0, 0, 0, 0, 0x55};
  auto put = [&f](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  std::vector<uint32_t> at(entries.size());
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].value.size() > 4) {
      if (f.size() % 2) f.push_back(0);
      at[i] = static_cast<uint32_t>(f.size());
      for (uint8_t b : entries[i].value) f.push_back(b);
    }
  if (f.size() % 2) f.push_back(0);
  for (int i = 0; i < 4; ++i) f[4 + i] = static_cast<uint8_t>(f.size() >> (8 * i));
  put(static_cast<uint32_t>(entries.size()), 2);
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    put(e.tag, 2);
    put(e.type, 2);
    put(e.count, 4);
    if (e.value.size() > 4) {
      put(at[i], 4);
    } else {
      for (size_t k = 0; k < 4; ++k) f.push_back(k < e.value.size() ? e.value[k] : 0);
    }
  }
  put(0, 4);
  return f;
}

// The tags the library teaches libtiff (annotations, the geo tags) read back
// with their counts and values, in the forms pic_GetTIFFTag_TR documents:
// a 16-bit count (32-bit for the annotations) and the values, or the text.
// The counts land in 32-bit words whose upper half is marked: a 16-bit count
// leaves it (the test machines are little-endian), a 32-bit one clears it.
TEST_F(TiffCodec, ExtraTagsReadWithTheirCountsAndValues) {
  const Bytes file = TinyTiffWith({
      {32932, TIFF_BYTE, 5, {1, 2, 3, 4, 5}},
      {33550, TIFF_DOUBLE, 3, LE<double>({0.5, 0.25, 0})},
      {33920, TIFF_DOUBLE, 2, LE<double>({7, 8})},
      {33922, TIFF_DOUBLE, 6, LE<double>({0, 0, 0, 10, 20, 0})},
      {34264, TIFF_DOUBLE, 2, LE<double>({-1, 1})},
      {34735, TIFF_SHORT, 4, LE<uint16_t>({1, 1, 0, 7})},
      {34736, TIFF_DOUBLE, 1, LE<double>({6378137})},
      {34737, TIFF_ASCII, 9, {'W', 'G', 'S', ' ', '8', '4', '|', 0, 0}},
  });
  Source s(file);
  HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
  ASSERT_NE(r, nullptr);
  DWORD w = 0, h = 0;
  RGBQUAD pal[256];
  EXPECT_EQ(TakeBlock(pic_ReadTIFF_TR(r, &w, &h, 8, pal, 0)), Bytes{0x55});  // a sound page
  struct DoubleTag {
    uint32_t tag;
    std::vector<double> values;
  } doubles[] = {{33550, {0.5, 0.25, 0}},
                 {33920, {7, 8}},
                 {33922, {0, 0, 0, 10, 20, 0}},
                 {34264, {-1, 1}},
                 {34736, {6378137}}};
  for (const DoubleTag& t : doubles) {
    SCOPED_TRACE(t.tag);
    uint32_t count = 0xABCD0000u;
    double* values = nullptr;
    ASSERT_TRUE(pic_GetTIFFTag_TR(r, t.tag, &count, &values));
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(count >> 16, 0xABCDu);
    EXPECT_EQ(std::vector<double>(values, values + (count & 0xFFFF)), t.values);
  }
  uint32_t shorts = 0xABCD0000u;
  uint16_t* keys = nullptr;
  ASSERT_TRUE(pic_GetTIFFTag_TR(r, 34735, &shorts, &keys));
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(shorts >> 16, 0xABCDu);
  EXPECT_EQ(std::vector<uint16_t>(keys, keys + (shorts & 0xFFFF)), (std::vector<uint16_t>{1, 1, 0, 7}));
  uint32_t bytes = 0xABCD0000u;
  uint8_t* notes = nullptr;
  ASSERT_TRUE(pic_GetTIFFTag_TR(r, 32932, &bytes, &notes));
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(bytes, 5u);
  EXPECT_EQ(Bytes(notes, notes + bytes), (Bytes{1, 2, 3, 4, 5}));
  char* text = nullptr;
  ASSERT_TRUE(pic_GetTIFFTag_TR(r, 34737, &text));
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "WGS 84|");
  pic_DestroyTIFFReader_TR(r);
}

std::vector<std::pair<uint32_t, std::string>> hookTexts;
void KeepHookText(uint32_t level, const char* text) {
  hookTexts.emplace_back(level, text);
}

// libtiff's warnings reach the debug hook at level 2, its errors at 3, each
// under its own lead.
TEST_F(TiffCodec, LibTiffMessagesReachTheDebugHookAtTheirLevels) {
  const Bytes good = Write(Image(9, 7, 24, 2), 9, 7, 24, 1, 0);
  const Page lzw{40, 20, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW};
  const Bytes damaged =
      GarbleSecondPiece(MakeTiff(lzw, [](uint32_t x, uint32_t y, uint32_t) { return x ^ y; }), false);
  struct Case {
    const char* name;
    Bytes file;
    const char* lead;
    uint32_t level;
  } cases[] = {
      {"an unknown tag", WithTag(good, TIFFTAG_ROWSPERSTRIP, 65000), "LibTiff Warning: ", 2},
      {"damaged LZW codes", damaged, "LibTiff Error: ", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    hookTexts.clear();
    SetDebugHookObserver(KeepHookText);
    Read(c.file, 24);
    SetDebugHookObserver(nullptr);
    const auto found = std::find_if(hookTexts.begin(), hookTexts.end(),
                                    [&](const auto& t) { return t.second.rfind(c.lead, 0) == 0; });
    ASSERT_NE(found, hookTexts.end());
    EXPECT_EQ(found->first, c.level);
  }
}

// A 16 x 16 page in one tile of 16 x 16.
Page Tiled16(uint16_t bits, uint16_t samples, uint16_t photometric, uint16_t planar = PLANARCONFIG_CONTIG,
             uint16_t compression = COMPRESSION_NONE, uint16_t alpha = 0) {
  return Page{16, 16, bits, samples, photometric, compression, planar, 16, alpha};
}

// A page whose tiles claim 65536 x 65536 pixels, the entries patched to LONG.
Bytes WithHugeTiles(Bytes file) {
  const uint32_t ifd = file[4] | file[5] << 8 | file[6] << 16 | uint32_t(file[7]) << 24;
  const uint32_t n = file[ifd] | file[ifd + 1] << 8;
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t* e = &file[ifd + 2 + i * 12];
    const uint32_t tag = e[0] | e[1] << 8;
    if (tag == TIFFTAG_TILEWIDTH || tag == TIFFTAG_TILELENGTH)
      e[2] = 4, e[3] = 0, e[8] = 0, e[9] = 0, e[10] = 1, e[11] = 0;  // LONG 65536
  }
  return file;
}

// Tiles a few hundred bytes claim to be gigabytes: every reader refuses the
// page with 20 before it asks for a block anywhere near the library's cap
// (the 1-bit page's tiles, 512 MB for a 16 x 16 picture, stay under the cap:
// the file must be able to hold a tile too).
TEST_F(TiffCodec, TilesTooBigForTheirFileAreRefusedAtOnce) {
  const SampleFn value = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 5 + y * 3 + s * 70) % 256; };
  struct Case {
    const char* name;
    Page page;
    std::vector<uint32_t> depths;  // of pic_ReadTIFF; 0: the DIB at the natural depth
    bool tileReader;               // pic_ReadTIFFTileOrStrip_TR at the same depths
  } cases[] = {
      {"grey", Tiled16(8, 1, PHOTOMETRIC_MINISBLACK), {8, 24, 32, 0}, true},
      {"16-bit grey", Tiled16(16, 1, PHOTOMETRIC_MINISBLACK), {16, 8, 24, 32}, true},
      {"1 bit", Tiled16(1, 1, PHOTOMETRIC_MINISBLACK), {1, 8, 24, 0}, true},
      {"RGB in planes", Tiled16(8, 3, PHOTOMETRIC_RGB, PLANARCONFIG_SEPARATE), {24, 32, 0}, false},
      {"RGBA", Tiled16(8, 4, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, COMPRESSION_LZW, 1), {24, 32, 0}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = WithHugeTiles(MakeTiff(c.page, value));
    ASSERT_LT(file.size(), 1024u);
    largestRequest = 0;
    watchingAllocations = true;
    std::vector<std::pair<std::string, uint32_t>> codes;
    for (uint32_t depth : c.depths) {
      Read(file, depth, depth ? 0 : 2);
      codes.emplace_back("pic_ReadTIFF " + std::to_string(depth), readCode);
    }
    for (DWORD selector : {0u, 1u, 2u, 3u}) {
      Source s(file);
      DWORD w = 0, h = 0;
      TakeBlock(pic_ReadImage(s, &w, &h, selector, 0));
      codes.emplace_back("pic_ReadImage " + std::to_string(selector), PicGetLastError());
    }
    if (c.tileReader) {
      Source s(file);
      HPICTIFFREADER r = pic_CreateTIFFReader_TR(s, 0, 0);
      // A 32-bit libtiff cannot size such tiles and refuses the directory.
      if (!r) codes.emplace_back("pic_CreateTIFFReader_TR", PicGetLastError());
      for (uint32_t depth : r ? c.depths : std::vector<uint32_t>{}) {
        RGBQUAD palette[256];
        DWORD w = 0, h = 0;
        TakeBlock(pic_ReadTIFFTileOrStrip_TR(r, &w, &h, depth, palette, 0, 0, depth ? 0 : 2));
        codes.emplace_back("tile " + std::to_string(depth), PicGetLastError());
      }
      pic_DestroyTIFFReader_TR(r);
    }
    watchingAllocations = false;
    for (const auto& [reader, code] : codes) EXPECT_EQ(code, 20u) << reader;
    EXPECT_LT(largestRequest.load(), size_t{256} << 20);
  }
}

}  // namespace
