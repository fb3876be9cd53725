#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "reader/generic_codecs.h"
#include "core/gray_conversion.h"
#include "core/io_managers.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/bmp/pictura_bmp.h"
#ifdef _WIN32
#include "gdi/pictura_metafile.h"
#endif
#include "reader/pictura_read.h"

using namespace Pictura;

namespace {

struct Read {
  HGLOBAL block = nullptr;
  DWORD width = 0, height = 0, code = 0;
  ~Read() {
    if (block) GlobalFree(block);
  }
  std::vector<uint8_t> Bytes(size_t n) const {
    const auto* p = static_cast<const uint8_t*>(block);
    return std::vector<uint8_t>(p, p + n);
  }
};

void ReadImage(const std::vector<uint8_t>& file, DWORD selector, Read* out) {
  HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
  out->block = pic_ReadImage(src, &out->width, &out->height, selector, 0);
  out->code = PicGetLastError();
  pic_CloseSource(src);
}

std::vector<uint8_t> WriteBmp(const void* image, DWORD w, DWORD h, DWORD depth, DWORD stride, DWORD colours,
                              const RGBQUAD* palette) {
  HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
  EXPECT_NE(pic_WriteBMP(dest, image, w, h, depth, stride, colours, palette, nullptr, 0), 0u);
  DWORD size = 0;
  pic_GetSize(dest, &size);
  std::vector<uint8_t> bytes(size);
  pic_Seek(dest, 0, 0);
  pic_Read(dest, bytes.data(), size);
  pic_CloseDest(dest);
  return bytes;
}

// Left half dark, right half bright, with some noise.
std::vector<uint8_t> HalfAndHalf(uint32_t w, uint32_t h) {
  std::vector<uint8_t> rgb(w * h * 3);
  std::mt19937 rng(3);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        rgb[3 * (y * w + x) + c] = static_cast<uint8_t>((x < w / 2 ? 30 : 210) + rng() % 20);
  return rgb;
}

// Replaces a format's codec for one test.
struct CodecSwap {
  CodecSwap(uint32_t f, const PicGenericCodec* codec) : format(f), previous(ReplaceGenericCodec(f, codec)) {}
  ~CodecSwap() { ReplaceGenericCodec(format, previous); }
  uint32_t format;
  const PicGenericCodec* previous;
};

// A paletted stand-in format behind the GIF signature: "GIF89a", width,
// height, transparent index, then one index a pixel; grey palette.
uint32_t DetectPaletted(HPICSRC, PicGenericDetect* d) {
  d->depth = 8;
  return 0;
}
uint32_t ReadPaletted(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  if (output != kGenericOut8Bit) return 5;
  uint8_t head[9];
  if (pic_Read(src, head, 9) != 9) return 3;
  image->width = head[6];
  image->height = head[7];
  image->transparentIndex = head[8];
  const DWORD n = image->width * image->height;
  image->pixels = GlobalAlloc(GPTR, n);
  pic_Read(src, image->pixels, n);
  for (int i = 0; i < 256; ++i) image->palette[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  return 0;
}
const PicGenericCodec kPalettedCodec = {"paletted", kGenericOut8Bit, true, DetectPaletted, ReadPaletted};

// A 1-bit stand-in behind the PBM signature: "P4", width, height, packed rows.
uint32_t DetectBits(HPICSRC, PicGenericDetect* d) {
  d->depth = 1;
  d->direct1Bit = true;
  return 0;
}
uint32_t ReadBits(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  if (output != kGenericOut1Bit) return 5;
  uint8_t head[4];
  pic_Read(src, head, 4);
  image->width = head[2];
  image->height = head[3];
  const DWORD n = (image->width + 7) / 8 * image->height;
  image->pixels = GlobalAlloc(GPTR, n);
  pic_Read(src, image->pixels, n);
  image->palette[0] = RGBQUAD{0, 0, 0, 0};
  image->palette[1] = RGBQUAD{10, 20, 30, 0};
  return 0;
}
const PicGenericCodec kBitsCodec = {"bits", kGenericOut1Bit, false, DetectBits, ReadBits};

uint32_t DetectRefused(HPICSRC, PicGenericDetect*) {
  return 47;
}
uint32_t ReadNothing(HPICSRC, PicGenericOutput, PicGenericImage*) {
  return 0;  // no image and no reason
}
const PicGenericCodec kRefusedCodec = {"refused", kGenericOut24Bit, false, DetectRefused, ReadNothing};
const PicGenericCodec kSilentCodec = {"silent", kGenericOut24Bit, false, DetectPaletted, ReadNothing};

int callbackAllocs = 0;
void* PICAPI CountingAlloc(DWORD size, PIC_USERDATA) {
  ++callbackAllocs;
  return std::malloc(size);
}
DWORD PICAPI CountingFree(void* p, PIC_USERDATA) {
  std::free(p);
  return 1;
}

}  // namespace

TEST(GenericReader, BmpAtEverySelector) {
  const uint32_t w = 16, h = 6;
  const auto rgb = HalfAndHalf(w, h);
  const auto file = WriteBmp(rgb.data(), w, h, 24, w * 3, 0, nullptr);
  Read r24, r32, dib, bits;
  ReadImage(file, kPicReadRGB, &r24);
  ASSERT_NE(r24.block, nullptr);
  EXPECT_EQ(r24.code, 0u);
  EXPECT_EQ(r24.width, w);
  EXPECT_EQ(r24.height, h);
  EXPECT_EQ(r24.Bytes(rgb.size()), rgb);
  EXPECT_EQ(GlobalSize(r24.block), rgb.size());

  ReadImage(file, kPicReadRGBA, &r32);
  ASSERT_NE(r32.block, nullptr);
  auto rgba = r32.Bytes(w * h * 4);
  EXPECT_EQ(rgba[4 * 17], rgb[3 * 17]);
  EXPECT_EQ(rgba[4 * 17 + 3], 255);

  ReadImage(file, kPicReadDIB, &dib);
  ASSERT_NE(dib.block, nullptr);
  EXPECT_EQ(dib.width, w);
  EXPECT_EQ(dib.height, h);
  EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(dib.block)->biBitCount, 24);

  // A 24-bit file on its way to one bit goes through grey: the bright half sets its bits.
  ReadImage(file, kPicRead1Bit, &bits);
  ASSERT_NE(bits.block, nullptr);
  EXPECT_EQ(bits.code, 0u);
  std::vector<uint8_t> halves;
  for (uint32_t y = 0; y < h; ++y) halves.insert(halves.end(), {0x00, 0xFF});
  EXPECT_EQ(bits.Bytes(2 * h), halves);
}

TEST(GenericReader, OneBitFilesAreReadDirectly) {
  // A 1-bit file whose entry 0 is white: the direct read keeps the file's
  // bits, where a grey threshold would invert them.
  const RGBQUAD pal[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
  const uint8_t rows[2] = {0xF0, 0x0F};
  const auto file = WriteBmp(rows, 8, 2, 1, 1, 2, pal);
  Read one;
  ReadImage(file, kPicRead1Bit, &one);
  ASSERT_NE(one.block, nullptr);
  EXPECT_EQ(one.Bytes(2), (std::vector<uint8_t>{0xF0, 0x0F}));
  // Paletted files come out through their palette at 24 bits.
  Read rgb;
  ReadImage(file, kPicReadRGB, &rgb);
  ASSERT_NE(rgb.block, nullptr);
  EXPECT_EQ(rgb.Bytes(3)[0], 0);
  EXPECT_EQ(rgb.Bytes(15)[12], 255);

  // Reads start at the beginning whatever the source's position.
  HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
  pic_Seek(src, 30, 0);
  DWORD w = 0, h = 0;
  HGLOBAL again = pic_ReadImage(src, &w, &h, kPicRead1Bit, 0);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(again)[1], 0x0F);
  GlobalFree(again);
  pic_CloseSource(src);
}

TEST(GenericReader, RefusalsAlwaysCarryACode) {
  Read png, gif, unknown, tla, null;
  ReadImage({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}, kPicReadRGB, &png);
  EXPECT_EQ(png.block, nullptr);
  EXPECT_EQ(png.code, 15u);  // a PNG cut off in its header
  {
    // A format whose codec is not in the library (taken out for the test,
    // so that it holds whichever codecs are built).
    CodecSwap none(kReadGIF, nullptr);
    ReadImage({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, kPicReadRGB, &gif);
    EXPECT_EQ(gif.block, nullptr);
    EXPECT_EQ(gif.code, 45u);
  }
  ReadImage(std::vector<uint8_t>(100, 0x5A), kPicReadRGB, &unknown);
  EXPECT_EQ(unknown.block, nullptr);
  EXPECT_EQ(unknown.code, 5u);
  ReadImage({'T', 'L', 'A', 1, 0, 0, 0, 0}, kPicReadRGB, &tla);
  EXPECT_EQ(tla.code, 5u);
  EXPECT_EQ(pic_ReadImage(nullptr, &null.width, &null.height, 0, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  CPicIO_Memory unopened;
  EXPECT_EQ(pic_ReadImage(unopened.Handle(), &null.width, &null.height, 0, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 38u);

  // Broken BMP files of every kind: no image means a code.
  std::mt19937 rng(9);
  const auto good = WriteBmp(HalfAndHalf(5, 3).data(), 5, 3, 24, 15, 0, nullptr);
  for (int i = 0; i < 300; ++i) {
    auto bad = good;
    bad.resize(rng() % good.size() + 1);
    if (bad.size() > 2) bad[2 + rng() % (bad.size() - 2)] = static_cast<uint8_t>(rng());
    for (DWORD selector : {0u, 1u, 2u, 3u}) {
      Read r;
      ReadImage(bad, selector, &r);
      if (!r.block) {
        EXPECT_NE(r.code, 0u) << i << " " << selector;
      }
    }
  }

  CodecSwap refused(kReadPSD, &kRefusedCodec);
  Read psd;
  ReadImage({'8', 'B', 'P', 'S', 0, 1}, kPicReadRGB, &psd);
  EXPECT_EQ(psd.code, 47u);
  CodecSwap silent(kReadPCX, &kSilentCodec);
  Read pcx;
  ReadImage({0x0A, 0x05, 1, 8}, kPicReadRGB, &pcx);
  EXPECT_EQ(pcx.block, nullptr);
  EXPECT_EQ(pcx.code, 17u);
}

TEST(GenericReader, DerivedOutputsOfPalettedAndOneBitCodecs) {
  CodecSwap gif(kReadGIF, &kPalettedCodec);
  std::vector<uint8_t> file = {'G', 'I', 'F', '8', '9', 'a', 4, 2, 5, 0, 5, 200, 7, 5, 5, 9, 250};
  Read rgb, rgba, bits, eight;
  ReadImage(file, kPicReadRGB, &rgb);
  ASSERT_NE(rgb.block, nullptr);
  EXPECT_EQ(rgb.Bytes(9), (std::vector<uint8_t>{0, 0, 0, 5, 5, 5, 200, 200, 200}));
  ReadImage(file, kPicReadRGBA, &rgba);
  ASSERT_NE(rgba.block, nullptr);
  const auto a = rgba.Bytes(32);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(a[4 * i + 3], file[9 + i] == 5 ? 0 : 255) << i;
  EXPECT_EQ(a[8], 200);
  ReadImage(file, kPicRead1Bit, &bits);
  ASSERT_NE(bits.block, nullptr);
  EXPECT_EQ(bits.Bytes(2), (std::vector<uint8_t>{0x20, 0x10}));  // only 200 and 250 are bright
  ReadImage(file, kPicReadDIB, &eight);
  EXPECT_EQ(eight.code, 17u);

  CodecSwap pbm(kReadPBM, &kBitsCodec);
  std::vector<uint8_t> p4 = {'P', '4', 10, 2, 0xC0, 0x40, 0x00, 0x80};
  Read pbmRgb, pbmBits;
  ReadImage(p4, kPicReadRGB, &pbmRgb);
  ASSERT_NE(pbmRgb.block, nullptr);
  const auto px = pbmRgb.Bytes(60);
  EXPECT_EQ(px[0], 30);  // entry 1: R 30, G 20, B 10
  EXPECT_EQ(px[2], 10);
  EXPECT_EQ(px[6], 0);
  EXPECT_EQ(px[3 * 9], 30);
  EXPECT_EQ(px[30 + 3 * 9], 0);
  ReadImage(p4, kPicRead1Bit, &pbmBits);
  EXPECT_EQ(pbmBits.Bytes(4), (std::vector<uint8_t>{0xC0, 0x40, 0x00, 0x80}));
}

TEST(GenericReader, ResultsAreGlobalBlocksWhateverTheCallbacks) {
  const auto file = WriteBmp(HalfAndHalf(4, 4).data(), 4, 4, 24, 12, 0, nullptr);
  callbackAllocs = 0;
  pic_SetFileReadAllocCallbacks(CountingAlloc, nullptr, CountingFree, 77);
  for (DWORD selector : {0u, 1u, 2u, 3u}) {
    Read r;
    ReadImage(file, selector, &r);
    ASSERT_NE(r.block, nullptr) << selector;
    EXPECT_GT(GlobalSize(r.block), 0u);
  }
  EXPECT_EQ(callbackAllocs, 0);
  PicAllocCallback alloc = nullptr;
  PicReallocCallback realloc = nullptr;
  PicFreeCallback release = nullptr;
  PIC_USERDATA user = 0;
  GetFileReadAllocCallbacks(&alloc, &realloc, &release, &user);
  EXPECT_EQ(alloc, &CountingAlloc);
  EXPECT_EQ(release, &CountingFree);
  EXPECT_EQ(user, 77u);
  pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
}

TEST(GreyConversion, WeightsBandsAndThreshold) {
  const uint8_t px[4 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  uint8_t grey[4] = {};
  uint32_t err = 0;
  ASSERT_TRUE(RGBToGray8(&err, px, 4, 1, 3, 12, 4, 0, grey));
  EXPECT_EQ(std::vector<uint8_t>(grey, grey + 4), (std::vector<uint8_t>{76, 149, 29, 255}));
  ASSERT_TRUE(RGBToGray8(&err, px, 4, 1, 3, 12, 4, 1, grey));  // B, G, R order
  EXPECT_EQ(grey[0], 29);
  EXPECT_FALSE(RGBToGray8(&err, px, 4, 1, 2, 12, 4, 0, grey));
  EXPECT_EQ(err, 5u);

  // Row bands on the pool give what one pass gives.
  pic_Initialize(nullptr);
  const uint32_t w = 33, h = 211;
  std::vector<uint8_t> rgba(w * h * 4);
  std::mt19937 rng(4);
  for (auto& b : rgba) b = static_cast<uint8_t>(rng());
  std::vector<uint8_t> banded(w * h), inline_(w * h);
  err = 0;
  ASSERT_TRUE(RGBToGray8(&err, rgba.data(), w, h, 4, w * 4, w, 0, banded.data()));
  ASSERT_TRUE(RGBToGray8(&err, rgba.data(), w, h, 4, w * 4, w, 0x100000, inline_.data()));
  EXPECT_EQ(banded, inline_);

  std::vector<uint8_t> two(100);
  for (size_t i = 0; i < two.size(); ++i) two[i] = i < 60 ? 40 + i % 7 : 180 + i % 9;
  const uint32_t t = OtsuThreshold(two.data(), 100, 1, 100);
  EXPECT_GT(t, 46u);
  EXPECT_LE(t, 180u);
  const std::vector<uint8_t> flat(10, 99);
  EXPECT_EQ(OtsuThreshold(flat.data(), 10, 1, 10), 0u);
}

#ifdef _WIN32
#include "core/io_test_support.h"

TEST(GenericReaderWindows, MetafilesFromFilesAndBitmaps) {
  auto dir = pictest::ScratchDir("generic_meta");
  const auto rgb = HalfAndHalf(8, 6);
  for (DWORD type : {1u, 2u}) {  // EMF, placeable WMF
    const auto path = (dir / (type == 1 ? "a.emf" : "a.wmf")).string();
    HPICDEST dest = pic_OpenFileDest(path.c_str(), FALSE);
    ASSERT_NE(pic_WriteRGBToMetafile(dest, rgb.data(), 8, 6, 24, type, 0), 0u);
    pic_CloseDest(dest);
    ASSERT_TRUE(pic_SetDefaultMetafileInfo(RGB(128, 128, 128), 40, 30));
    HPICSRC src = pic_OpenFileSource(path.c_str());
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadImage(src, &w, &h, kPicReadRGB, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << type;
    ASSERT_NE(image, nullptr) << type;
    EXPECT_EQ(w, 40u);
    EXPECT_EQ(h, 30u);
    GlobalFree(image);
    HGLOBAL dib = pic_ReadImage(src, &w, &h, kPicReadDIB, 0);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(dib)->biWidth, 40);
    GlobalFree(dib);
    pic_CloseSource(src);

    // From memory a metafile has no path to be played from.
    const auto bytes = pictest::ReadFileBytes(path);
    Read mem, memDib;
    ReadImage(bytes, kPicReadRGB, &mem);
    EXPECT_EQ(mem.block, nullptr);
    EXPECT_EQ(mem.code, 5u);
    ReadImage(bytes, kPicReadDIB, &memDib);
    EXPECT_EQ(memDib.code, 5u);
  }
  pic_SetDefaultMetafileInfo(0, 100, 100);

  const auto file = WriteBmp(rgb.data(), 8, 6, 24, 24, 0, nullptr);
  HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
  HBITMAP bitmap = pic_ReadImage(src, 0, 0, 0);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(PicGetLastError(), 0u);
  BITMAP info{};
  ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 6);
  DeleteObject(bitmap);
  EXPECT_EQ(pic_ReadImage(static_cast<HPICSRC>(nullptr), 0, 0, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  pic_CloseSource(src);
  std::filesystem::remove_all(dir);
}
#endif
