#include <gtest/gtest.h>

#include "codecs/codec_entry_support.h"
#include "codecs/wbmp/pictura_wbmp.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace pictest;
using namespace Pictura;

namespace {

struct Read {
  Bytes pixels;
  DWORD width = 0, height = 0;
  uint32_t code = 0;
};

Read ReadWbmp(const Bytes& file, DWORD depth, DWORD flags = 0, bool withPalette = true) {
  Source src(file);
  RGBQUAD palette[256] = {};
  Read r;
  r.pixels = TakeBlock(pic_ReadWBMP(src, &r.width, &r.height, withPalette ? palette : nullptr, depth, flags));
  r.code = PicGetLastError();
  if (withPalette && r.code == 0) {
    EXPECT_EQ(palette[0].rgbRed, 0);
    EXPECT_EQ(palette[1].rgbRed, 255);
  }
  return r;
}

Bytes WriteWbmp(const Bytes& image, DWORD w, DWORD h, DWORD stride, DWORD flags = 0) {
  Dest dest;
  const DWORD written = pic_WriteWBMP(dest, image.data(), w, h, stride, flags);
  Bytes out = dest.Contents();
  EXPECT_EQ(written, out.size());
  return out;
}

// Bytes, one a pixel, of a packed row set.
Bytes Expand(const Bytes& bits, DWORD w, DWORD h) {
  Bytes out;
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) out.push_back(bits[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1);
  return out;
}

}  // namespace

TEST(Wbmp, RoundTripsAndLayout) {
  for (DWORD w : {1u, 9u, 127u, 128u, 200u})
    for (DWORD flags : {0u, 4u}) {
      const DWORD h = 3, stride = w + 1;
      Bytes img = Noise(size_t{stride} * h, w);
      Bytes want;  // 0 or 1, top row first
      for (DWORD y = 0; y < h; ++y)
        for (DWORD x = 0; x < w; ++x) want.push_back(img[(flags & 4 ? h - 1 - y : y) * stride + x] & 1);
      for (uint8_t& v : img) v &= 1;
      const Bytes file = WriteWbmp(img, w, h, stride, flags);
      const Read eight = ReadWbmp(file, 8);
      ASSERT_EQ(eight.code, 0u) << w;
      EXPECT_EQ(eight.pixels, want) << w;
      EXPECT_EQ(Expand(ReadWbmp(file, 1).pixels, w, h), want) << w;
      const Read padded = ReadWbmp(file, 1, 8);
      EXPECT_EQ(padded.pixels.size(), ((w + 31) / 32) * 4 * h);
      const Read dib = ReadWbmp(file, 0, 2, false);
      ASSERT_EQ(dib.code, 0u);
      EXPECT_EQ(dib.pixels.size(), 48 + ((w + 31) / 32) * 4 * h);
      EXPECT_EQ(dib.pixels[48] >> 7, want[(h - 1) * w]);  // the bottom row first
    }
  // Sizes: 200 is 0x81 0x48, 127 one byte; a 9-pixel row takes 2 bytes.
  const Bytes wide = WriteWbmp(Bytes(200, 1), 200, 1, 200);
  EXPECT_EQ(Bytes(wide.begin(), wide.begin() + 5), (Bytes{0, 0, 0x81, 0x48, 1}));
  EXPECT_EQ(wide.size(), 5u + 25);
  EXPECT_EQ(WriteWbmp(Bytes(9, 1), 9, 1, 9), (Bytes{0, 0, 9, 1, 0xFF, 0x80}));
  EXPECT_EQ(WriteWbmp(Bytes(127, 0), 127, 1, 127)[2], 0x7F);
}

TEST(Wbmp, RefusalsAndShortFiles) {
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth, flags;
    uint32_t code;
  };
  const Case cases[] = {
      {"another type", {1, 0, 1, 1, 0}, 8, 0, kPicErrBadWBMP},
      {"fixed header not 0", {0, 0x80, 1, 1, 0}, 8, 0, kPicErrBadWBMP},
      {"zero width", {0, 0, 0, 1}, 8, 0, kPicErrBadWBMP},
      {"a size of six bytes", {0, 0, 0x81, 0x80, 0x80, 0x80, 0x80, 0x01, 1, 0}, 8, 0, kPicErrBadWBMP},
      {"a size past 32 bits", {0, 0, 0xA0, 0x80, 0x80, 0x80, 0x01, 1, 0}, 8, 0, kPicErrBadWBMP},
      {"a size that never ends", {0, 0, 0x81, 0x81}, 8, 0, kPicErrBadWBMP},
      {"30000 x 30000 in a few bytes",
       {0, 0, 0x81, 0xEA, 0x30, 0x81, 0xEA, 0x30, 0, 0, 0},
       8,
       0,
       kPicErrBadWBMP},
      {"rows missing", {0, 0, 8, 2, 0xF0}, 8, 0, kPicErrFileRead},
      {"depth 4", {0, 0, 8, 1, 0xF0}, 4, 0, kPicErrBadArgument},
      {"DIB with padded rows", {0, 0, 8, 1, 0xF0}, 1, 2 | 8, kPicErrBadArgument},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadWbmp(c.file, c.depth, c.flags).code, c.code) << c.what;
  EXPECT_EQ(ReadWbmp({0, 0, 8, 2, 0xF0}, 8).pixels, (Bytes{1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ReadWbmp({0, 0, 8, 1, 0xF0}, 8, 0, false).code, kPicErrBadArgument);  // no palette
  DWORD w = 0, h = 0;
  Source src(Bytes{0, 0, 0x81, 0x48, 0x7F});
  ASSERT_TRUE(pic_GetWBMPDims(src, &w, &h, 0));
  EXPECT_EQ(w, 200u);
  EXPECT_EQ(h, 127u);
  Dest dest;
  EXPECT_EQ(pic_WriteWBMP(dest, nullptr, 1, 1, 1, 0), 0u);
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
}
