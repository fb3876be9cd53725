// PNG codec cores: round trips of every colour type and depth (plain and
// Adam7), the readers' forms, palettes, transparency, background, gamma,
// chunks, the line reader and writer, and bad or hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include <zlib.h>

#include "codecs/codec_entry_support.h"
#include "codecs/png/png_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/png/pictura_png.h"
#include "reader/pictura_read.h"

using namespace Pictura;
using namespace pictest;

namespace {

class PngCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = GetImgThreadContext();
    ASSERT_NE(ctx_, nullptr);
    saved_.screenGamma = ctx_->png.screenGamma;
  }
  void TearDown() override {
    ctx_->png = PNGOptions{};
    ctx_->png.screenGamma = saved_.screenGamma;
    ctx_->iccProfile.Clear();
    SetProgressCallback(nullptr, 0);
  }
  ImgThreadContext* ctx_ = nullptr;
  PNGOptions saved_;
};

struct Form {
  uint32_t colorType, bitDepth;
};
const Form kForms[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

// Unpacks n samples of `bits` bits, most significant first.
std::vector<uint32_t> Unpack(const uint8_t* row, uint32_t n, uint32_t bits) {
  std::vector<uint32_t> v(n);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t bit = i * bits;
    v[i] = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
  }
  return v;
}

std::vector<RGBQUAD> TestPalette(uint32_t n) {
  std::vector<RGBQUAD> pal(256);
  for (uint32_t i = 0; i < n; ++i)
    pal[i] = RGBQUAD{BYTE(i * 7 + 1), BYTE(255 - i), BYTE(i * 3), BYTE(255 - i * 2)};
  return pal;
}

// The cores that take more than a depth, read from a whole file.
PngRead ReadRGBA(const Bytes& file, uint32_t maxValue, bool sixteen, uint32_t flags) {
  return ReadPngWith(file, [&](PNGCodecContext* pc, CPicIO* io, uint32_t* pw, uint32_t* ph) {
    return ReadPNGToRGBA(pc, io, pw, ph, maxValue, sixteen, flags);
  });
}
PngRead ReadGreyAlpha(const Bytes& file, uint32_t maxValue, uint32_t flags) {
  return ReadPngWith(file, [&](PNGCodecContext* pc, CPicIO* io, uint32_t* pw, uint32_t* ph) {
    return ReadPNGGrayAlpha(pc, io, pw, ph, maxValue, flags);
  });
}
PngRead ReadDIB(const Bytes& file, uint32_t flags) {
  return ReadPngWith(file, [&](PNGCodecContext* pc, CPicIO* io, uint32_t* pw, uint32_t* ph) {
    return ReadPNGToDIB(pc, io, pw, ph, flags);
  });
}

// Reads a file of any form back in the form that keeps every sample and
// returns the rows in the writer's form.
Bytes ReadBackExact(const Bytes& file, const Form& f, uint32_t w, uint32_t h, uint32_t* error) {
  RGBQUAD palette[256];
  PngRead r;
  if (f.colorType == 0 && f.bitDepth == 16) {
    r = ReadPngImage(file, 16, nullptr, true, kPNGReadGray16);
  } else if (f.colorType == 0 || f.colorType == 3) {
    r = ReadPngImage(file, 8, palette);
    // Back to packed rows of the file's depth.
    if (r.error == 0 && f.bitDepth < 8) {
      Bytes packed(static_cast<size_t>(PngRowBytes(w, f.colorType, f.bitDepth)) * h, 0);
      const uint32_t rowBytes = PngRowBytes(w, f.colorType, f.bitDepth);
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
          const uint32_t bit = x * f.bitDepth;
          packed[y * rowBytes + bit / 8] |= uint8_t(r.pixels[y * w + x] << (8 - f.bitDepth - bit % 8));
        }
      r.pixels = packed;
    }
  } else if (f.colorType == 2) {
    r = f.bitDepth == 16 ? ReadPngImage(file, 48, nullptr, true) : ReadPngImage(file, 24);
  } else if (f.colorType == 4) {
    r = ReadGreyAlpha(file, 255, 0);
    if (f.bitDepth == 16 && r.error == 0) {
      // grey and alpha come out at 8 bits: compare against the high bytes
      *error = r.error;
      return r.pixels;
    }
  } else {
    r = ReadRGBA(file, f.bitDepth == 16 ? 65535 : 255, f.bitDepth == 16, 0);
  }
  *error = r.error;
  EXPECT_EQ(r.width, w);
  EXPECT_EQ(r.height, h);
  return r.pixels;
}

std::vector<uint32_t> g_seen, g_totals;
int g_calls = 0;
BOOL PICAPI RecordProgress(DWORD done, DWORD total, PIC_USERDATA) {
  g_seen.push_back(done);
  g_totals.push_back(total);
  return TRUE;
}
BOOL PICAPI StopAtTen(DWORD done, DWORD, PIC_USERDATA) {
  return done < 10;
}
BOOL PICAPI RefuseThirdCall(DWORD, DWORD, PIC_USERDATA) {
  return ++g_calls != 3;
}
BOOL PICAPI RefuseAll(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

// Everything ReadPNGDims reports; the palette sits between two guard entries.
struct PngDims {
  int ok = 0;
  uint32_t error = 0, w = 0, h = 0, bitDepth = 0, colorType = 0, interlace = 0, count = 0;
  int32_t index = -1, r = -1, g = -1, b = -1, grey = -1;
  PicResolutionInfo res{};
  RGBQUAD table[258];
  // Size, form, palette count, resolution and the colour key, in one row.
  std::vector<int64_t> Summary() const {
    return {w,        h,     bitDepth, colorType, interlace, count, std::llround(res.x), std::llround(res.y),
            res.unit, index, r,        g,         b,         grey};
  }
};
PngDims ReadDims(const Bytes& file, bool knowsSize = true) {
  PngDims d;
  std::fill(std::begin(d.table), std::end(d.table), RGBQUAD{0xAB, 0xAB, 0xAB, 0xAB});
  PNGCodecContext pc;
  MemoryIO in(file);
  in.knowsSize = knowsSize;
  d.ok = ReadPNGDims(&pc, &in, &d.w, &d.h, &d.bitDepth, &d.colorType, &d.interlace, &d.res, &d.count,
                     d.table + 1, PNGTransparency{&d.index, &d.r, &d.g, &d.b, &d.grey});
  d.error = pc.error;
  return d;
}

uint32_t Quad(const RGBQUAD& q) {
  return uint32_t(q.rgbRed) << 24 | uint32_t(q.rgbGreen) << 16 | uint32_t(q.rgbBlue) << 8 | q.rgbReserved;
}

BITMAPINFOHEADER Header(const Bytes& dib) {
  BITMAPINFOHEADER bih{};
  if (dib.size() >= sizeof bih) std::memcpy(&bih, dib.data(), sizeof bih);
  return bih;
}

// The file with its IHDR size replaced and the CRC mended.
Bytes WithSize(Bytes file, uint32_t w, uint32_t h) {
  auto put32 = [&](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (24 - 8 * i));
  };
  put32(16, w);
  put32(20, h);
  put32(29, static_cast<uint32_t>(crc32(0, file.data() + 12, 17)));
  return file;
}

size_t Find(const Bytes& file, const std::string& text) {
  return static_cast<size_t>(std::search(file.begin(), file.end(), text.begin(), text.end()) - file.begin());
}

Bytes HighBytes(const Bytes& le16) {
  Bytes out(le16.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = le16[2 * i + 1];
  return out;
}

}  // namespace

TEST_F(PngCodec, EveryColourTypeAndDepthRoundTripsPlainAndInterlaced) {
  const uint32_t w = 37, h = 19;
  for (const Form& f : kForms) {
    for (uint32_t interlace : {0u, uint32_t{kPNGWriteInterlace}}) {
      SCOPED_TRACE(testing::Message()
                   << "type " << f.colorType << " depth " << f.bitDepth << " interlace " << interlace);
      auto pal = TestPalette(1u << (f.bitDepth > 8 ? 8 : f.bitDepth));
      Bytes img = PngSamples(w, h, f.colorType, f.bitDepth, f.colorType * 100 + f.bitDepth);
      PngWritten out =
          WritePng(img, w, h, f.colorType, f.bitDepth, interlace | kPNGWriteNoTime,
                   f.colorType == 3 ? pal.data() : nullptr, f.colorType == 3 ? 1u << f.bitDepth : 0);
      ASSERT_EQ(out.error, 0u);
      EXPECT_EQ(out.size, out.file.size());
      uint32_t error = 0;
      Bytes back = ReadBackExact(out.file, f, w, h, &error);
      ASSERT_EQ(error, 0u);
      if (f.colorType == 4 && f.bitDepth == 16)
        EXPECT_EQ(back, HighBytes(img));
      else
        EXPECT_EQ(back, img);
    }
  }
}

TEST_F(PngCodec, PaletteAt8BitsCarriesPLTEAndTRNSAndRepeatsEntryZero) {
  for (uint32_t n : {5u, 256u}) {  // a short table, and a full one whose last alpha counts too
    auto pal = TestPalette(n);
    Bytes img = PngSamples(8, 4, 3, 8, 3, n - 1);
    for (bool alpha : {true, false}) {
      SCOPED_TRACE(testing::Message() << n << " entries, alpha " << alpha);
      PngWritten out = WritePng(img, 8, 4, 3, 8, alpha ? uint32_t{kPNGWritePaletteAlpha} : 0u, pal.data(), n);
      ASSERT_EQ(out.error, 0u);
      EXPECT_EQ(HasChunk(out.file, "tRNS"), alpha);
      RGBQUAD got[256];
      PngRead r = ReadPngImage(out.file, 8, got);
      ASSERT_EQ(r.error, 0u);
      EXPECT_EQ(r.pixels, img);
      for (uint32_t i = 0; i < 256; ++i) {
        RGBQUAD want = pal[i < n ? i : 0];
        want.rgbReserved = alpha && i < n ? pal[i].rgbReserved : 255;  // tRNS alpha
        EXPECT_EQ(Quad(got[i]), Quad(want)) << i;
      }
    }
  }
}

TEST_F(PngCodec, RGBWithASuggestedPaletteGetsNoColourKey) {
  // The palette's alpha bytes must not turn into a tRNS colour key (which
  // would make black transparent in an RGB image).
  const uint32_t w = 6, h = 3;
  auto pal = TestPalette(4);
  Bytes img(w * h * 3, 0);
  PngWritten out = WritePng(img, w, h, 2, 8, kPNGWritePaletteAlpha, pal.data(), 4);
  ASSERT_EQ(out.error, 0u);
  EXPECT_TRUE(HasChunk(out.file, "PLTE"));
  EXPECT_FALSE(HasChunk(out.file, "tRNS"));
  PngRead rgba = ReadRGBA(out.file, 255, false, 0);
  ASSERT_EQ(rgba.error, 0u);
  for (size_t i = 3; i < rgba.pixels.size(); i += 4) ASSERT_EQ(rgba.pixels[i], 255);
}

TEST_F(PngCodec, ThreadColourKeyIsWrittenForRGB) {
  ctx_->png.writeTransparent = 1;
  ctx_->png.transparentColor = PngColor16{0, 10, 20, 30, 7};
  PngWritten out = WritePng(Bytes{10, 20, 30, 1, 2, 3}, 2, 1, 2, 8);
  ASSERT_EQ(out.error, 0u);
  EXPECT_EQ(ReadRGBA(out.file, 255, false, 0).pixels, (Bytes{10, 20, 30, 0, 1, 2, 3, 255}));
  PngDims d = ReadDims(out.file);
  ASSERT_EQ(d.ok, 1);
  EXPECT_EQ(d.Summary(), (std::vector<int64_t>{2, 1, 8, 2, 0, 0, 1, 1, 0, -1, 10, 20, 30, -1}));
}

TEST_F(PngCodec, DimsReportSizeTypeResolutionPaletteAndKey) {
  auto pal = TestPalette(4);
  pal[2].rgbReserved = 0;
  PicResolutionInfo res{2835.9, 1417, 1};
  PngDims d = ReadDims(WritePng(PngSamples(9, 7, 3, 2, 4), 9, 7, 3, 2,
                                kPNGWritePaletteAlpha | kPNGWriteInterlace, pal.data(), 4, 0, 0, &res)
                           .file);
  ASSERT_EQ(d.ok, 1);
  EXPECT_EQ(d.Summary(), (std::vector<int64_t>{9, 7, 2, 3, 1, 4, 2835, 1417, 1, 2, -1, -1, -1, -1}));
  EXPECT_EQ(d.table[2].rgbReserved, pal[1].rgbReserved);
  // Without pHYs the resolution is all zero.
  Bytes plain = WritePng(Bytes(3, 0), 1, 1, 2, 8).file;
  const size_t at = Find(plain, "pHYs") - 4;
  ASSERT_LT(at + 21, plain.size());
  plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at),
              plain.begin() + static_cast<std::ptrdiff_t>(at + 21));
  const PicResolutionInfo none = ReadDims(plain).res;
  EXPECT_EQ(std::make_tuple(none.x, none.y, none.unit), std::make_tuple(0.0, 0.0, 0u));
  // 16-bit grey: an 8-bit ramp, within the caller's 256 entries.
  PngDims g = ReadDims(WritePng(PngSamples(5, 5, 0, 16, 9), 5, 5, 0, 16).file);
  ASSERT_EQ(g.ok, 1);
  EXPECT_EQ(g.bitDepth, 16u);
  EXPECT_EQ(g.count, 256u);
  EXPECT_EQ(Quad(g.table[0]), 0xABABABABu);
  EXPECT_EQ(Quad(g.table[257]), 0xABABABABu);
  for (uint32_t i = 0; i < 256; ++i) EXPECT_EQ(g.table[1 + i].rgbRed, i);
}

TEST_F(PngCodec, DepthMismatchesFailWithTheirCodes) {
  Bytes rgb = PngSamples(4, 4, 2, 8, 1);
  PngWritten f8 = WritePng(rgb, 4, 4, 2, 8);
  EXPECT_EQ(ReadPngImage(f8.file, 48, nullptr, true).error, uint32_t{kPicErrUnexpected});
  Bytes ga = PngSamples(4, 4, 4, 16, 1);
  PngWritten f16 = WritePng(ga, 4, 4, 4, 16);
  EXPECT_EQ(ReadPngImage(f16.file, 48, nullptr, true).error, uint32_t{kPicErrBitDepth});
  RGBQUAD palette[256];
  EXPECT_EQ(ReadPngImage(f8.file, 8, palette).error, uint32_t{kPicErrBitDepth});
  EXPECT_EQ(ReadPngImage(f8.file, 8, nullptr).error, uint32_t{kPicErrBadArgument});
  EXPECT_EQ(ReadPngImage(f8.file, 12).error, uint32_t{kPicErrBadArgument});
  EXPECT_EQ(ReadPngImage(f8.file, 24, nullptr, false, kPNGReadDIB).error, uint32_t{kPicErrUnexpected});
  PngRead ga8 = ReadGreyAlpha(f8.file, 255, 0);
  EXPECT_EQ(ga8.error, uint32_t{kPicErrBitDepth});
  PngRead dib16 = ReadRGBA(f16.file, 65535, true, kPNGReadDIB);
  EXPECT_EQ(dib16.error, uint32_t{kPicErrBadArgument});
}

TEST_F(PngCodec, RGBAt24BGRPaddedAndFromGreyAndPalette) {
  const uint32_t w = 5, h = 3;
  Bytes rgb = PngSamples(w, h, 2, 8, 2);
  PngRead r = ReadPngImage(WritePng(rgb, w, h, 2, 8).file, 24, nullptr, false, kPNGReadBGRPadded);
  ASSERT_EQ(r.error, 0u);
  ASSERT_EQ(r.pixels.size(), 16u * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(r.pixels[y * 16 + x * 3 + c], rgb[(y * w + x) * 3 + 2 - c]);

  Bytes grey = PngSamples(w, h, 0, 4, 3);
  PngRead g = ReadPngImage(WritePng(grey, w, h, 0, 4).file, 24);
  auto pal = TestPalette(16);
  Bytes idx = PngSamples(w, h, 3, 4, 5);
  PngRead p = ReadPngImage(WritePng(idx, w, h, 3, 4, 0, pal.data(), 16).file, 24);
  ASSERT_EQ(g.error + p.error, 0u);
  auto values = Unpack(grey.data(), w, 4), indices = Unpack(idx.data(), w, 4);
  for (uint32_t x = 0; x < w; ++x) {
    EXPECT_EQ(Bytes(&g.pixels[x * 3], &g.pixels[x * 3 + 3]), Bytes(3, uint8_t(values[x] * 17)));
    const RGBQUAD& q = pal[indices[x]];
    EXPECT_EQ(Bytes(&p.pixels[x * 3], &p.pixels[x * 3 + 3]), (Bytes{q.rgbRed, q.rgbGreen, q.rgbBlue}));
  }
}

TEST_F(PngCodec, AlphaIsCompositedOntoTheFileOrThreadBackground) {
  // An RGB file with a colour key has no bKGD: the thread's colour is used.
  ctx_->png.writeTransparent = 1;
  ctx_->png.transparentColor = PngColor16{0, 200, 100, 50, 0};
  PngWritten keyed = WritePng(Bytes{200, 100, 50, 1, 2, 3}, 2, 1, 2, 8);
  ctx_->png.writeTransparent = 0;
  ASSERT_FALSE(HasChunk(keyed.file, "bKGD"));
  ctx_->png.defaultBackground = PngColor16{0, 10, 20, 30, 0};
  ctx_->png.lastBackground = PngColor16{0, 1, 1, 1, 1};
  PngRead r = ReadPngImage(keyed.file, 24);
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.pixels, (Bytes{10, 20, 30, 1, 2, 3}));
  EXPECT_EQ(ctx_->png.lastBackground.red, 0);

  Bytes rgba = {200, 100, 50, 0, 200, 100, 50, 255, 0, 0, 0, 128};
  // A file with bKGD: its colour wins and is kept as the last background.
  ctx_->png.defaultBackground = PngColor16{0, 90, 91, 92, 0};
  PngWritten withBackground = WritePng(rgba, 3, 1, 6, 8);  // bKGD written from the thread's colour
  ASSERT_TRUE(HasChunk(withBackground.file, "bKGD"));
  ctx_->png.defaultBackground = PngColor16{};
  r = ReadPngImage(withBackground.file, 24);
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(Bytes(r.pixels.begin(), r.pixels.begin() + 6), (Bytes{90, 91, 92, 200, 100, 50}));
  EXPECT_NEAR(r.pixels[6], 45, 1);  // half of 90 under half alpha
  EXPECT_EQ(ctx_->png.lastBackground.green, 91);
}

TEST_F(PngCodec, GreyAlphaFillerAndTRNS) {
  Bytes grey = {0, 100, 200};
  PngRead ga = ReadGreyAlpha(WritePng(grey, 3, 1, 0, 8).file, 255, 0);
  EXPECT_EQ(ga.pixels, (Bytes{0, 255, 100, 255, 200, 255}));
  ctx_->png.writeTransparent = 1;
  ctx_->png.transparentColor.gray = 100;
  PngWritten keyed = WritePng(grey, 3, 1, 0, 8);
  ctx_->png.writeTransparent = 0;
  ga = ReadGreyAlpha(keyed.file, 255, 0);
  EXPECT_EQ(ga.pixels, (Bytes{0, 255, 100, 0, 200, 255}));
  PngRead rgba16 = ReadRGBA(WritePng(grey, 3, 1, 0, 8).file, 65535, true, 0);
  EXPECT_EQ(rgba16.error, uint32_t{kPicErrUnexpected});  // an 8-bit file has no 16-bit form
}

TEST_F(PngCodec, DIBsOfEveryForm) {
  const uint32_t w = 13, h = 5;
  for (const Form& f : kForms) {
    SCOPED_TRACE(testing::Message() << "type " << f.colorType << " depth " << f.bitDepth);
    auto pal = TestPalette(1u << (f.bitDepth > 8 ? 8 : f.bitDepth));
    Bytes img = PngSamples(w, h, f.colorType, f.bitDepth, 77);
    PicResolutionInfo res{3780, 3780, 1};
    PngWritten out = WritePng(img, w, h, f.colorType, f.bitDepth, kPNGWriteInterlace,
                              f.colorType == 3 ? pal.data() : nullptr,
                              f.colorType == 3 ? 1u << f.bitDepth : 0, 0, 0, &res);
    ASSERT_EQ(out.error, 0u);
    PngRead dib = ReadDIB(out.file, 0);
    ASSERT_EQ(dib.error, 0u);
    const BITMAPINFOHEADER bih = Header(dib.pixels);
    const uint32_t bits = f.bitDepth == 1                        ? 1
                          : f.colorType == 3 && f.bitDepth <= 4  ? 4
                          : f.colorType == 3 || f.colorType == 0 ? 8
                          : f.colorType == 2                     ? 24
                                                                 : 32;
    EXPECT_EQ((std::vector<LONG>{bih.biBitCount, bih.biWidth, bih.biHeight, bih.biXPelsPerMeter}),
              (std::vector<LONG>{LONG(bits), LONG(w), LONG(h), 3780}));
    const uint32_t stride = (w * bits + 31) / 32 * 4;
    const uint32_t paletteBytes = bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0;
    ASSERT_EQ(dib.pixels.size(), 40u + paletteBytes + stride * h);
    const uint8_t* px = dib.pixels.data() + 40 + paletteBytes;
    // The file's first row is the DIB's last.
    const uint8_t* lastRow = px + (h - 1) * stride;
    const uint8_t* firstRow = img.data();
    if (f.colorType == 2 && f.bitDepth == 8) {
      for (uint32_t x = 0; x < w; ++x) EXPECT_EQ(lastRow[x * 3], firstRow[x * 3 + 2]);
    } else if (f.colorType == 3 && f.bitDepth == 2) {
      auto idx = Unpack(firstRow, w, 2);
      auto got = Unpack(lastRow, w, 4);
      EXPECT_EQ(got, idx);
    } else if (f.colorType == 6 && f.bitDepth == 8) {
      for (uint32_t x = 0; x < w; ++x) {
        EXPECT_EQ(lastRow[x * 4], firstRow[x * 4 + 2]);
        EXPECT_EQ(lastRow[x * 4 + 3], firstRow[x * 4 + 3]);
      }
    }
  }
}

TEST_F(PngCodec, RGBWithTRNSComesOutAs24BitDIBWithinItsRows) {
  ctx_->png.writeTransparent = 1;
  ctx_->png.transparentColor = PngColor16{0, 1, 2, 3, 0};
  const uint32_t w = 7, h = 3;
  Bytes img = PngSamples(w, h, 2, 8, 12);
  img[0] = 1, img[1] = 2, img[2] = 3;
  PngWritten out = WritePng(img, w, h, 2, 8);
  ctx_->png.writeTransparent = 0;
  ctx_->png.defaultBackground = PngColor16{0, 50, 60, 70, 0};
  PngRead dib = ReadDIB(out.file, 0);
  ASSERT_EQ(dib.error, 0u);
  EXPECT_EQ(Header(dib.pixels).biBitCount, 24);
  const uint32_t stride = (w * 24 + 31) / 32 * 4;
  ASSERT_EQ(dib.pixels.size(), 40u + stride * h);
  const uint8_t* top = dib.pixels.data() + 40 + (h - 1) * stride;
  EXPECT_EQ(Bytes(top, top + 3), (Bytes{70, 60, 50}));  // the key colour took the background
}

TEST_F(PngCodec, InterlacedFilesReadWholeWithProgressToHeightButNotByLine) {
  const uint32_t w = 16, h = 40;
  Bytes img = PngSamples(w, h, 2, 8, 5);
  PngWritten out = WritePng(img, w, h, 2, 8, kPNGWriteInterlace);
  ASSERT_EQ(out.error, 0u);
  g_seen.clear();
  g_totals.clear();
  PicNestingScope asAnEntry;  // progress is reported by the outermost operation
  SetProgressCallback(RecordProgress, 0);
  PngRead r = ReadPngImage(out.file, 24);
  SetProgressCallback(nullptr, 0);
  ASSERT_EQ(r.error, 0u);
  EXPECT_EQ(r.pixels, img);
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.front(), 0u);
  EXPECT_EQ(g_seen.back(), h);
  for (uint32_t total : g_totals) EXPECT_EQ(total, h);
  PNGCodecContext pc;
  MemoryIO in(out.file);
  EXPECT_EQ(PNGLineReader::Open(&pc, &in, nullptr, nullptr, 24, nullptr, 0), nullptr);
  EXPECT_EQ(pc.error, uint32_t{kPicErrInterlacedPNGLines});
}

TEST_F(PngCodec, ProgressRefusalCancelsAndKeepsTheBlock) {
  Bytes img = PngSamples(8, 30, 0, 8, 5);
  PngWritten out = WritePng(img, 8, 30, 0, 8);
  PicNestingScope asAnEntry;
  SetProgressCallback(StopAtTen, 0);
  RGBQUAD palette[256];
  PngRead r = ReadPngImage(out.file, 8, palette);
  EXPECT_EQ(r.error, uint32_t{kPicErrCancelled});
  ASSERT_TRUE(r.block);
  EXPECT_EQ(Bytes(r.pixels.begin(), r.pixels.begin() + 80), Bytes(img.begin(), img.begin() + 80));
  // The writer asks twice before it stops.
  g_calls = 0;
  SetProgressCallback(RefuseThirdCall, 0);
  EXPECT_EQ(WritePng(img, 8, 30, 0, 8).error, 0u);
  SetProgressCallback(RefuseAll, 0);
  EXPECT_EQ(WritePng(img, 8, 30, 0, 8).error, uint32_t{kPicErrCancelled});
}

TEST_F(PngCodec, LineReaderAndWriterAgreeWithTheWholeImageCores) {
  const uint32_t w = 11, h = 9, rowBytes = PngRowBytes(w, 3, 4);
  auto pal = TestPalette(16);
  Bytes img = PngSamples(w, h, 3, 4, 21);
  PNGCodecContext pc;
  MemoryIO file;
  PNGWriteSpec spec;
  spec.width = w;
  spec.height = h;
  spec.bitDepth = 4;
  spec.colorType = 3;
  spec.palette = pal.data();
  spec.paletteCount = 16;
  PNGLineWriter* writer = PNGLineWriter::Open(&pc, &file, spec);
  ASSERT_NE(writer, nullptr);
  for (uint32_t y = 0; y < h; ++y)
    ASSERT_EQ(PNGLineWriter::WriteNextLine(&pc, writer, img.data() + y * rowBytes), 1);
  EXPECT_EQ(PNGLineWriter::WriteNextLine(&pc, writer, img.data()), 0);
  EXPECT_EQ(std::exchange(pc.error, 0), uint32_t{kPicErrEndOfImage});
  ASSERT_EQ(PNGLineWriter::Close(&pc, writer), 1);
  ASSERT_EQ(pc.error, 0u);

  RGBQUAD palette[256];
  MemoryIO in(file.data);
  uint32_t rw = 0, rh = 0, count = 0;
  PNGLineReader* reader = PNGLineReader::Open(&pc, &in, &rw, &rh, 8, palette, 0);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(std::make_pair(rw, rh), std::make_pair(w, h));
  Bytes row(w);
  for (uint32_t y = 0; y < h; ++y) {
    ASSERT_EQ(PNGLineReader::ReadNextLine(&pc, reader, row.data(), &count), 1);
    EXPECT_EQ(count, y + 1);
    auto idx = Unpack(img.data() + y * rowBytes, w, 4);
    EXPECT_EQ(std::vector<uint32_t>(row.begin(), row.end()), idx);
  }
  EXPECT_EQ(PNGLineReader::ReadNextLine(&pc, reader, row.data(), nullptr), 0);
  EXPECT_EQ(std::exchange(pc.error, 0), uint32_t{kPicErrEndOfImage});
  EXPECT_EQ(PNGLineReader::Close(&pc, reader), 1);
  EXPECT_EQ(pc.error, 0u);
  EXPECT_EQ(Quad(palette[3]) >> 8, Quad(pal[3]) >> 8);
  // Only depths 8 and 24 read by line; a reader closed early is dropped.
  MemoryIO again(file.data);
  EXPECT_EQ(PNGLineReader::Open(&pc, &again, nullptr, nullptr, 32, palette, 0), nullptr);
  EXPECT_EQ(std::exchange(pc.error, 0), uint32_t{kPicErrBadArgument});
  MemoryIO third(file.data);
  reader = PNGLineReader::Open(&pc, &third, nullptr, nullptr, 24, nullptr, 0);
  ASSERT_NE(reader, nullptr);
  Bytes rgbRow(w * 3);
  ASSERT_EQ(PNGLineReader::ReadNextLine(&pc, reader, rgbRow.data(), nullptr), 1);
  EXPECT_EQ(PNGLineReader::Close(&pc, reader), 1);
  EXPECT_EQ(pc.error, 0u);
}

TEST_F(PngCodec, WriterArgumentsAndPaletteLimits) {
  Bytes img(16 * 3, 9);
  auto pal = TestPalette(256);
  EXPECT_EQ(WritePng(img, 4, 4, 3, 8, 0, nullptr, 10).error, uint32_t{kPicErrBadArgument});
  EXPECT_EQ(WritePng(img, 4, 4, 2, 4).error, uint32_t{kPicErrBadArgument});  // RGB at 4 bits
  EXPECT_EQ(WritePng(img, 0, 4, 2, 8).error, uint32_t{kPicErrBadArgument});
  EXPECT_EQ(WritePng(img, 4, 4, 2, 8, 0, nullptr, 0, 0, 5).error, uint32_t{kPicErrBadArgument});  // stride
  // A count past 256 writes no PLTE (an RGB image needs none), nor does a grey image.
  PngWritten rgb = WritePng(img, 4, 4, 2, 8, 0, pal.data(), 300);
  EXPECT_EQ(rgb.error, 0u);
  EXPECT_FALSE(HasChunk(rgb.file, "PLTE"));
  EXPECT_FALSE(HasChunk(WritePng(img, 4, 4, 0, 8, 0, pal.data(), 256).file, "PLTE"));
  // A palette image takes at most 2^depth entries and as many alpha values
  // (libpng 1.6 refuses more): the rest is dropped.
  Bytes packed(4 * 4 / 2, 0x12);
  for (uint32_t flags : {0u, uint32_t{kPNGWritePaletteAlpha}}) {
    PngWritten p4 = WritePng(packed, 4, 4, 3, 4, flags, pal.data(), 200);
    ASSERT_EQ(p4.error, 0u);
    EXPECT_EQ(HasChunk(p4.file, "tRNS"), flags != 0);
    PngDims d = ReadDims(p4.file);
    ASSERT_EQ(d.ok, 1);
    EXPECT_EQ(d.count, 16u);
    for (uint32_t i = 0; i < 16; ++i)
      EXPECT_EQ(d.table[1 + i].rgbReserved, flags ? pal[i].rgbReserved : 255) << i;
  }
}

TEST_F(PngCodec, ChunksOfTheWriterAndTheirFlags) {
  Bytes img(4 * 4 * 4, 77);
  PicResolutionInfo res{100.7, 200.2, 1};
  AddPNGTextChunk("Title", "a title", 0);
  AddPNGTextChunk("Comment", std::string(2000, 'z').c_str(), 1);
  EXPECT_EQ(AddPNGTextChunk("", "ignored", 0), 0);
  PngWritten out = WritePng(img, 4, 4, 6, 8, 0, nullptr, 0, 0.5, 0, &res);
  ASSERT_EQ(out.error, 0u);
  auto chunks = PngChunks(out.file);
  EXPECT_EQ(chunks.front() + chunks.back(), "IHDRIEND");
  for (const char* name : {"tIME", "pHYs", "gAMA", "tEXt", "zTXt", "bKGD"})
    EXPECT_TRUE(HasChunk(out.file, name)) << name;
  EXPECT_FALSE(HasChunk(WritePng(img, 4, 4, 6, 8, kPNGWriteNoTime).file, "tIME"));

  std::vector<PNGTextChunk> text;
  PNGCodecContext pc;
  MemoryIO in(out.file);
  ReadPNGTextChunks(&pc, &in, &text);
  ASSERT_EQ(text.size(), 2u);
  EXPECT_EQ(text[0].key + "=" + text[0].text, "Title=a title");
  EXPECT_EQ(std::make_tuple(text[0].compressed, text[1].compressed, text[1].text.size()),
            std::make_tuple(0u, 1u, size_t{2000}));
  const PicResolutionInfo got = ReadDims(out.file).res;
  EXPECT_EQ(std::make_tuple(got.x, got.y, got.unit), std::make_tuple(100.0, 200.0, 1u));
}

TEST_F(PngCodec, SixteenBitSamplesAreLittleEndianBothWaysAndBGRInput) {
  Bytes le = {0x34, 0x12, 0xCD, 0xAB, 0x01, 0x00};  // one RGB pixel: 0x1234, 0xABCD, 0x0001
  PngWritten out = WritePng(le, 1, 1, 2, 16);
  ASSERT_EQ(out.error, 0u);
  PngRead r = ReadPngImage(out.file, 48, nullptr, true);
  EXPECT_EQ(r.pixels, le);
  PngRead eight = ReadPngImage(out.file, 24);
  EXPECT_EQ(eight.pixels, (Bytes{0x12, 0xAB, 0x00}));
  PngWritten bgr = WritePng(Bytes{1, 2, 3}, 1, 1, 2, 8, kPNGWriteBGR);
  EXPECT_EQ(ReadPngImage(bgr.file, 24).pixels, (Bytes{3, 2, 1}));
  PngWritten flipped = WritePng(Bytes{1, 2, 3, 4, 5, 6}, 1, 2, 2, 8, kPNGWriteBottomUp);
  EXPECT_EQ(ReadPngImage(flipped.file, 24).pixels, (Bytes{4, 5, 6, 1, 2, 3}));
}

TEST_F(PngCodec, GammaOnlyWithTheFlagAndNeverForSRGB) {
  Bytes grey = {64, 128};
  PngWritten withGamma = WritePng(grey, 2, 1, 0, 8, 0, nullptr, 0, 1.0);  // linear file
  ctx_->png.screenGamma = 2.2;
  RGBQUAD palette[256];
  EXPECT_EQ(ReadPngImage(withGamma.file, 8, palette).pixels, grey);
  PngRead corrected = ReadPngImage(withGamma.file, 8, palette, false, kPNGReadGamma);
  ASSERT_EQ(corrected.error, 0u);
  EXPECT_NEAR(corrected.pixels[0], std::lround(255 * std::pow(64 / 255.0, 1 / 2.2)), 1);
  // No gAMA: 1/screen gamma is taken as the file's, which is no change.
  PngWritten noGamma = WritePng(grey, 2, 1, 0, 8);
  EXPECT_EQ(ReadPngImage(noGamma.file, 8, palette, false, kPNGReadGamma).pixels, grey);
  // A screen gamma of 0 or below is not handed to libpng.
  ctx_->png.screenGamma = 0;
  EXPECT_EQ(ReadPngImage(withGamma.file, 8, palette, false, kPNGReadGamma).error, 0u);
  ctx_->png.screenGamma = -2;
  EXPECT_EQ(ReadPngImage(withGamma.file, 8, palette, false, kPNGReadGamma).pixels, grey);
}

TEST_F(PngCodec, ICCProfilesRoundTripAndMismatchesAreRefused) {
  // A small grey profile: the header (with the 'acsp' signature and the D50
  // illuminant libpng asks for) and one text tag of noise, so that the
  // compressed chunk is longer than libpng's 92-byte minimum on reading.
  Bytes profile(400, 0);
  profile[2] = 400 >> 8;
  profile[3] = 400 & 255;
  profile[8] = 2;
  std::memcpy(&profile[12], "mntrGRAYXYZ ", 12);
  std::memcpy(&profile[36], "acsp", 4);
  const uint8_t d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
  std::memcpy(&profile[68], d50, sizeof d50);
  profile[131] = 1;  // one tag: 'cprt' at 144, 256 bytes
  std::memcpy(&profile[132], "cprt", 4);
  profile[139] = 144;
  profile[142] = 1;
  Bytes noise = Noise(248, 5);
  std::memcpy(&profile[144], "text\0\0\0\0", 8);
  std::memcpy(&profile[152], noise.data(), noise.size());
  ctx_->iccProfile.Resize(static_cast<uint32_t>(profile.size()));
  std::memcpy(ctx_->iccProfile.Data(), profile.data(), profile.size());
  Bytes grey(16, 100);
  PngWritten out = WritePng(grey, 4, 4, 0, 8);
  ASSERT_EQ(out.error, 0u);
  ASSERT_TRUE(HasChunk(out.file, "iCCP"));
  PicArray<uint8_t> back;
  std::string name;
  PNGCodecContext pc;
  MemoryIO in(out.file);
  ASSERT_EQ(ReadPNGICCProfile(&pc, &in, &back, &name), 1);
  EXPECT_EQ(name, "icm");
  ASSERT_EQ(back.Count(), profile.size());
  EXPECT_EQ(0, std::memcmp(back.Data(), profile.data(), profile.size()));
  // The same grey profile on an RGB image: libpng refuses it, and so do we.
  Bytes rgb(16 * 3, 100);
  PngWritten refused = WritePng(rgb, 4, 4, 2, 8);
  EXPECT_EQ(refused.error, uint32_t{kPicErrBadArgument});
  ctx_->iccProfile.Clear();
  PNGCodecContext none;
  MemoryIO noProfile(WritePng(grey, 4, 4, 0, 8).file);
  EXPECT_EQ(ReadPNGICCProfile(&none, &noProfile, &back, &name), 0);
  EXPECT_EQ(none.error, uint32_t{kPicErrPNGDataMissing});
}

TEST_F(PngCodec, TruncatedFilesKeepTheRowsReadAndReportTheFailure) {
  const uint32_t w = 200, h = 200;
  Bytes img = PngSamples(w, h, 2, 8, 8);  // noise: the file is as long as the image
  PngWritten out = WritePng(img, w, h, 2, 8, kPNGWriteNoTime);
  ASSERT_EQ(out.error, 0u);
  Bytes cut(out.file.begin(), out.file.begin() + static_cast<std::ptrdiff_t>(out.file.size() * 2 / 3));
  PngRead r = ReadPngImage(cut, 24);
  EXPECT_EQ(r.error, uint32_t{kPicErrBadPNG});
  ASSERT_TRUE(r.block);
  ASSERT_EQ(r.pixels.size(), img.size());
  const size_t kept = static_cast<size_t>(w) * 3 * (h / 3);
  EXPECT_EQ(Bytes(r.pixels.begin(), r.pixels.begin() + kept), Bytes(img.begin(), img.begin() + kept));
  // Cut inside the header: no image at all.
  EXPECT_FALSE(ReadPngImage(Bytes(out.file.begin(), out.file.begin() + 20), 24).block);
}

TEST_F(PngCodec, HugeHeadersAreRefusedBeforeAllocating) {
  // 60000 x 60000 in a tiny file; 65536 x 21846 RGB in a file long enough to
  // be believed: 4 GB of rows, a product that wraps in 32 bits to 128 KB. It
  // must meet the cap, not allocate what is left after the wrap.
  struct Row {
    uint32_t w, h;
    size_t tail;
    uint32_t error;
  } rows[] = {{60000, 60000, 0, kPicErrBadPNG}, {65536, 21846, 11u << 20, kPicErrNoMemory}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.w);
    Bytes file = WithSize(WritePng(Bytes(3, 0), 1, 1, 2, 8).file, row.w, row.h);
    file.resize(file.size() + row.tail, 0);  // behind IEND
    for (PngRead r : {ReadPngImage(file, 24), ReadDIB(file, 0)}) {
      EXPECT_EQ(r.error, row.error);
      EXPECT_FALSE(r.block);
    }
    // The dimensions can still be asked, with every output but the size left out.
    uint32_t w = 0, h = 0;
    PNGCodecContext pc;
    MemoryIO in(file);
    EXPECT_EQ(ReadPNGDims(&pc, &in, &w, &h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          PNGTransparency{}),
              1);
    EXPECT_EQ(w, row.w);
  }
}

TEST_F(PngCodec, BadStreamsFailCleanly) {
  EXPECT_EQ(ReadPngImage(Bytes{}, 24).error, uint32_t{kPicErrBadPNG});
  EXPECT_EQ(ReadPngImage(Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g', 0, 0, 0}, 24).error,
            uint32_t{kPicErrBadPNG});
  Bytes img = PngSamples(20, 20, 2, 8, 3);
  PngWritten out = WritePng(img, 20, 20, 2, 8);
  Bytes corrupt = out.file;
  corrupt[corrupt.size() / 2] ^= 0x55;  // inside IDAT: CRC mismatch
  PngRead r = ReadPngImage(corrupt, 24);
  EXPECT_EQ(r.error, uint32_t{kPicErrBadPNG});
  // The message list names libpng's complaint.
  ASSERT_FALSE(ctx_->messages.empty());
  EXPECT_EQ(ctx_->messages.back().code, uint32_t{kPicErrBadPNG});
  // A destination that stops accepting bytes.
  PNGCodecContext pc;
  MemoryIO full;
  full.failWritesAfter = 100;
  PNGWriteSpec spec;
  spec.width = spec.height = 20;
  WritePNGImage(&pc, &full, img.data(), 60, spec);
  EXPECT_EQ(pc.error, uint32_t{kPicErrFileWrite});
}

TEST_F(PngCodec, TheGenericReaderReadsPngAtEverySelector) {
  const uint32_t w = 21, h = 9;
  auto generic = [](const Bytes& file, DWORD selector) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD gw = 0, gh = 0;
    HGLOBAL block = pic_ReadImage(src, &gw, &gh, selector, 0);
    EXPECT_EQ(PicGetLastError(), 0u);
    pic_CloseSource(src);
    Bytes out;
    if (block) out.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + GlobalSize(block));
    GlobalFree(block);
    return out;
  };
  Bytes rgba = PngSamples(w, h, 6, 8, 1);
  PngWritten f = WritePng(rgba, w, h, 6, 8);
  EXPECT_EQ(generic(f.file, 1), rgba);
  // 24 bits: alpha composited onto the file's bKGD (the writer's black).
  PngRead composited = ReadPngImage(f.file, 24);
  EXPECT_EQ(generic(f.file, 0), composited.pixels);

  auto pal = TestPalette(16);
  Bytes idx = PngSamples(w, h, 3, 4, 2);
  PngWritten p4 = WritePng(idx, w, h, 3, 4, 0, pal.data(), 16);
  Bytes rgb = generic(p4.file, 0);
  auto first = Unpack(idx.data(), w, 4);
  ASSERT_EQ(rgb.size(), w * h * 3u);
  for (uint32_t x = 0; x < w; ++x) EXPECT_EQ(rgb[3 * x], pal[first[x]].rgbRed);
  Bytes dib = generic(p4.file, 2);
  EXPECT_EQ(Header(dib).biBitCount, 4);  // the file's own depth

  Bytes bits = PngSamples(w, h, 3, 1, 3);
  auto two = TestPalette(2);
  PngWritten p1 = WritePng(bits, w, h, 3, 1, 0, two.data(), 2);
  EXPECT_EQ(generic(p1.file, 3), bits);  // read directly, bit for bit

  Bytes deep = PngSamples(w, h, 2, 16, 4);
  PngWritten f16 = WritePng(deep, w, h, 2, 16);
  EXPECT_EQ(generic(f16.file, 0), HighBytes(deep));
}

TEST_F(PngCodec, OpaqueBlackStaysBlackWhateverTheBackground) {
  ctx_->png.defaultBackground = PngColor16{0, 50, 60, 70, 80};
  Bytes rgb = {0, 0, 0, 9, 9, 9};
  EXPECT_EQ(ReadPngImage(WritePng(rgb, 2, 1, 2, 8).file, 24).pixels, rgb);
  Bytes grey = {0, 9};
  RGBQUAD palette[256];
  EXPECT_EQ(ReadPngImage(WritePng(grey, 2, 1, 0, 8).file, 8, palette).pixels, grey);
  EXPECT_EQ(ReadPngImage(WritePng(Bytes(6, 0), 1, 1, 2, 16).file, 48, nullptr, true).pixels, Bytes(6, 0));
}

TEST_F(PngCodec, AChunkLongerThanItsFileIsRefusedBeforeLibpngAllocatesIt) {
  Bytes img(12, 5);
  Bytes file = WritePng(img, 2, 2, 2, 8).file;
  // After IHDR (33 bytes in): a tEXt chunk claiming 1.7 GB, then nothing.
  Bytes hostile(file.begin(), file.begin() + 33);
  hostile.insert(hostile.end(), {0x67, 0x00, 0x9F, 0x60, 't', 'E', 'X', 't', 'K', 0, 'v'});
  PngDims d = ReadDims(hostile);
  EXPECT_EQ(std::make_pair(d.ok, d.error), std::make_pair(0, uint32_t{kPicErrBadPNG}));
  EXPECT_NE(ctx_->messages.back().text.find("chunk longer than the file"), std::string::npos);
  // A source that cannot tell its size: libpng's own 8 MB stands, and
  // ordinary files read the same.
  d = ReadDims(hostile, false);
  EXPECT_EQ(std::make_pair(d.ok, d.error), std::make_pair(0, uint32_t{kPicErrBadPNG}));
  EXPECT_EQ(ReadDims(file, false).ok, 1);
  EXPECT_EQ(ReadPngWith(file,
                        [](PNGCodecContext* c, CPicIO* io, uint32_t* pw, uint32_t* ph) {
                          static_cast<MemoryIO*>(io)->knowsSize = false;
                          return ReadPNGImage(c, io, pw, ph, 24, nullptr, false, 0);
                        })
                .pixels,
            img);
}

// ---- The pic_ entries: the read entry's choice of core, the thread's
// settings, the text chunks and the line handles, in both builds.

namespace {

struct EntryRead {
  Bytes pixels;
  DWORD error = 0;
};

EntryRead ReadEntry(const Bytes& file, DWORD depth, DWORD flags = 0, RGBQUAD* palette = nullptr) {
  Source src(file);
  DWORD w = 0, h = 0;
  EntryRead r;
  r.pixels = TakeBlock(pic_ReadPNG(src, &w, &h, depth, palette, flags));
  r.error = PicGetLastError();
  return r;
}

Bytes WriteEntry(const Bytes& img, DWORD w, DWORD h, DWORD type, DWORD depth, double gamma = 0,
                 DWORD flags = 16) {
  Dest dest;
  pic_WritePNG(dest, img.data(), w, h, PngRowBytes(w, type, depth), depth, 0, nullptr, type, gamma, nullptr,
               flags);
  EXPECT_EQ(PicGetLastError(), 0u);
  return dest.Contents();
}

}  // namespace

TEST_F(PngCodec, TheReadEntryPicksItsCoreByDepthAndFlags) {
  const DWORD w = 3, h = 2;
  Bytes rgba16 = PngSamples(w, h, 6, 16, 41);
  for (size_t i = 6; i < rgba16.size(); i += 8) rgba16[i] = rgba16[i + 1] = 0xFF;  // opaque
  Bytes rgb16;
  for (size_t i = 0; i < rgba16.size(); i += 8) rgb16.insert(rgb16.end(), &rgba16[i], &rgba16[i + 6]);
  const Bytes file = WriteEntry(rgba16, w, h, 6, 16);
  EXPECT_EQ(ReadEntry(file, 64).pixels, rgba16);
  EXPECT_EQ(ReadEntry(file, 48).pixels, rgb16);
  EXPECT_EQ(ReadEntry(file, 32).pixels, HighBytes(rgba16));
  EXPECT_EQ(ReadEntry(file, 24).pixels, HighBytes(rgb16));
  EXPECT_EQ(ReadEntry(file, 16).error, uint32_t{kPicErrBitDepth});  // grey and alpha only
  EXPECT_EQ(ReadEntry(file, 12).error, uint32_t{kPicErrBadArgument});
  EXPECT_EQ(ReadEntry(file, 24, kPNGReadDIB | kPNGReadBGRPadded).error, uint32_t{kPicErrBadArgument});
  EntryRead dib = ReadEntry(file, 24, kPNGReadDIB);
  ASSERT_EQ(dib.error, 0u);
  EXPECT_EQ(Header(dib.pixels).biBitCount, 32);

  Bytes grey16 = PngSamples(w, h, 0, 16, 42);
  const Bytes greyFile = WriteEntry(grey16, w, h, 0, 16);
  EXPECT_EQ(ReadEntry(greyFile, 16, kPNGReadGray16).pixels, grey16);
  Bytes pairs;
  for (uint8_t v : HighBytes(grey16)) pairs.insert(pairs.end(), {v, 255});
  EXPECT_EQ(ReadEntry(greyFile, 16).pixels, pairs);
  RGBQUAD palette[256];
  EXPECT_EQ(ReadEntry(greyFile, 8, 0, palette).pixels, HighBytes(grey16));
  Source src(greyFile);
  DWORD count = 0;
  ASSERT_TRUE(pic_GetPNGPalette(src, palette, &count));
  EXPECT_EQ(count, 256u);
  DWORD dw = 0, bits = 0, type = 0, interlace = 0;
  LONG index = 5, red, green, blue, gray;
  EXPECT_FALSE(pic_GetPNGDims(src, &dw, nullptr, &bits, &type, &interlace, &index, &red, &green, &blue, &gray,
                              nullptr, 0));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  EXPECT_EQ(index, -1);
}

TEST_F(PngCodec, TheSettingEntriesReachTheWriterAndTheReader) {
  EXPECT_FALSE(pic_AddPNGTextChunk(std::string(80, 'k').c_str(), "too long a keyword", 0));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  ASSERT_TRUE(pic_AddPNGTextChunk(std::string(79, 'k').c_str(), "the longest keyword", 0));
  ASSERT_TRUE(pic_AddPNGTextChunk("Note", "deflated", 1));
  ASSERT_TRUE(pic_SetPNGTransparentColor(1, 0, 10, 20, 30, 0));
  ASSERT_TRUE(pic_SetPNGBackground(0, 50, 60, 70, 0));
  const Bytes keyed = WriteEntry(Bytes{10, 20, 30, 1, 2, 3}, 2, 1, 2, 8);
  ASSERT_TRUE(pic_SetPNGTransparentColor(0, 0, 0, 0, 0, 0));

  Source src(keyed);
  DWORD w, h, bits, type, interlace;
  LONG index, red, green, blue, gray;
  ASSERT_TRUE(
      pic_GetPNGDims(src, &w, &h, &bits, &type, &interlace, &index, &red, &green, &blue, &gray, nullptr, 0));
  EXPECT_EQ((std::vector<LONG>{index, red, green, blue, gray}), (std::vector<LONG>{-1, 10, 20, 30, -1}));
  // The key colour takes the thread's background; the file has none.
  EXPECT_EQ(ReadEntry(keyed, 24).pixels, (Bytes{50, 60, 70, 1, 2, 3}));
  DWORD bg[5] = {9, 9, 9, 9, 9};
  ASSERT_TRUE(pic_GetPNGLastBackground(&bg[0], &bg[1], &bg[2], &bg[3], &bg[4]));
  EXPECT_EQ(bg[1] + bg[2] + bg[3], 0u);
  // Images with alpha carry the thread's background as bKGD.
  const Bytes withAlpha = WriteEntry(Bytes{1, 2, 3, 0}, 1, 1, 6, 8);
  ASSERT_TRUE(pic_SetPNGBackground(0, 0, 0, 0, 0));
  EXPECT_EQ(ReadEntry(withAlpha, 24).pixels, (Bytes{50, 60, 70}));
  ASSERT_TRUE(pic_GetPNGLastBackground(&bg[0], &bg[1], &bg[2], &bg[3], &bg[4]));
  EXPECT_EQ(bg[1], 50u);
  EXPECT_EQ(bg[3], 70u);

  Source text(keyed);
  ASSERT_EQ(pic_ReadPNGTextChunks(text), 2u);
  const char* key = nullptr;
  const char* value = nullptr;
  DWORD compressed = 9;
  ASSERT_TRUE(pic_GetPNGTextChunk(0, &key, &value, &compressed));
  EXPECT_EQ(std::string(key) + value + std::to_string(compressed),
            std::string(79, 'k') + "the longest keyword0");
  ASSERT_TRUE(pic_GetPNGTextChunk(1, &key, &value, &compressed));
  EXPECT_EQ(std::string(value) + std::to_string(compressed), "deflated1");
  EXPECT_FALSE(pic_GetPNGTextChunk(2, &key, &value, &compressed));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  ASSERT_TRUE(pic_ClearPNGTextChunks());
  EXPECT_FALSE(HasChunk(WriteEntry(Bytes{1, 2, 3}, 1, 1, 2, 8), "tEXt"));

  // Compression level 0 stores; screen gamma with read flag 1 corrects.
  const Bytes flat(64 * 64 * 3, 7);
  EXPECT_LT(WriteEntry(flat, 64, 64, 2, 8).size(), 1000u);
  ASSERT_TRUE(pic_SetPNGCompression(2, 0, 0, 0, 0, 0));
  const Bytes stored = WriteEntry(flat, 64, 64, 2, 8);
  EXPECT_GT(stored.size(), flat.size());
  EXPECT_EQ(ReadEntry(stored, 24).pixels, flat);
  const Bytes linear = WriteEntry(Bytes{64, 128}, 2, 1, 0, 8, 1.0);
  ASSERT_TRUE(pic_SetPNGScreenGamma(2.2));
  RGBQUAD palette[256];
  EXPECT_EQ(ReadEntry(linear, 8, 0, palette).pixels, (Bytes{64, 128}));
  EXPECT_GT(ReadEntry(linear, 8, kPNGReadGamma, palette).pixels[0], 64);
}

TEST_F(PngCodec, TheLineEntries) {
  const DWORD w = 5, h = 4;
  const Bytes img = PngSamples(w, h, 2, 8, 43);
  Dest dest;
  // Adam7 is asked for but a line writer never interlaces.
  HPICPNGWRITELINES writer =
      pic_InitWritePNGLines(dest, w, h, 8, 0, nullptr, 2, 0, nullptr, kPNGWriteInterlace | kPNGWriteNoTime);
  ASSERT_NE(writer, nullptr);
  for (DWORD y = 0; y < h; ++y) ASSERT_TRUE(pic_WriteNextPNGLine(writer, img.data() + y * w * 3));
  EXPECT_FALSE(pic_WriteNextPNGLine(writer, img.data()));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrEndOfImage});
  ASSERT_TRUE(pic_DestroyWritePNGLines(writer));
  const Bytes file = dest.Contents();
  ASSERT_GT(file.size(), 28u);
  EXPECT_EQ(file[28], 0);  // IHDR's interlace method

  Source src(file);
  DWORD rw = 0, rh = 0;
  HPICPNGREADLINES reader = pic_InitReadPNGLines(src, &rw, &rh, nullptr, 0);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(rw, w);
  EXPECT_EQ(rh, h);
  Bytes row(w * 3), back;
  DWORD rows = 0;
  while (pic_ReadNextPNGLine(reader, row.data(), &rows)) back.insert(back.end(), row.begin(), row.end());
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrEndOfImage});
  EXPECT_EQ(rows, h);
  EXPECT_EQ(back, img);
  EXPECT_TRUE(pic_DestroyReadPNGLines(reader));

  const Bytes interlaced = WriteEntry(img, w, h, 2, 8, 0, kPNGWriteInterlace | kPNGWriteNoTime);
  Source adam7(interlaced);
  EXPECT_EQ(pic_InitReadPNGLines(adam7, &rw, &rh, nullptr, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrInterlacedPNGLines});
  EXPECT_FALSE(pic_ReadNextPNGLine(nullptr, row.data(), &rows));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
}
