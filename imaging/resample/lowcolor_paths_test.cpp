// One-bit, paletted, DIB and masked resize paths: each against its 8-bit
// equivalent (bits as 0 or 255, indices as their colours), the refusals of
// the mode tables, and Scale2x against its published rules.
#include <gtest/gtest.h>

#include <tuple>

#include "core/color_match.h"
#include "core/packed_dib.h"
#include "resample/lowcolor_resize.h"
#include "resample/masked_resize.h"
#include "resample/resize_test_util.h"

using namespace Pictura;
using namespace resize_test;

namespace {

BOOL PICAPI StopAtOnce(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

std::vector<RGBQUAD> Palette(uint32_t n, uint64_t seed) {
  Rng rng(seed);
  std::vector<RGBQUAD> p(n);
  for (auto& q : p) q = RGBQUAD{uint8_t(rng.Next()), uint8_t(rng.Next()), uint8_t(rng.Next()), 0};
  return p;
}

Image<uint8_t> Indices(uint32_t w, uint32_t h, uint32_t colours, uint64_t seed) {
  Image<uint8_t> img(w, h, 1, 3);
  Rng rng(seed);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) img.At(x, y, 0) = uint8_t(rng.Below(colours));
  return img;
}

Image<uint8_t> Coloured(const Image<uint8_t>& idx, const std::vector<RGBQUAD>& pal, bool bgr) {
  Image<uint8_t> rgb(idx.width, idx.height, 3);
  for (uint32_t y = 0; y < idx.height; ++y)
    for (uint32_t x = 0; x < idx.width; ++x) {
      const RGBQUAD q = pal[idx.At(x, y, 0)];
      rgb.At(x, y, 0) = bgr ? q.rgbBlue : q.rgbRed, rgb.At(x, y, 1) = q.rgbGreen,
                   rgb.At(x, y, 2) = bgr ? q.rgbRed : q.rgbBlue;
    }
  return rgb;
}

struct Size {
  uint32_t w, h, ow, oh;
};
const Size kSizes[] = {{2, 2, 4, 4}, {17, 13, 40, 9}, {40, 30, 13, 11}, {9, 9, 9, 9}, {300, 200, 150, 100}};

}  // namespace

TEST(LowColourPaths, BilinearMatchesMode16OnTheEightBitPicture) {
  const std::vector<RGBQUAD> pal = Palette(256, 7);
  for (const Size& s : kSizes) {
    SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << ">" << s.ow << "x" << s.oh);
    const Image<uint8_t> idx = Indices(s.w, s.h, 256, s.w);
    for (uint32_t bgr : {0u, 1u}) {
      const Image<uint8_t> rgb = Coloured(idx, pal, bgr);
      Image<uint8_t> want(s.ow, s.oh, 3), got(s.ow, s.oh, 3, 2);
      ASSERT_TRUE(Resize(rgb, want, 16, 0));
      ASSERT_TRUE(pic_ResizeImage8To24(idx.Pixels(), s.w, s.h, idx.stride, got.Pixels(), s.ow, s.oh,
                                       got.stride, pal.data(), 16, bgr));
      EXPECT_EQ(got.Samples(), want.Samples());
      EXPECT_TRUE(got.GuardsIntact());
      if (bgr) continue;
      Image<uint8_t> mapped(s.ow, s.oh, 1, 1);
      ASSERT_TRUE(pic_ResizeImage8(idx.Pixels(), s.w, s.h, idx.stride, mapped.Pixels(), s.ow, s.oh,
                                   mapped.stride, pal.data(), 256, 16, 0));
      CPicImgColorMatch match;  // the nearest entry of each blended colour
      match.SetPalette(pal.data(), 256);
      for (uint32_t i = 0; i < s.ow * s.oh; ++i)
        ASSERT_EQ(mapped.At(i % s.ow, i / s.ow, 0),
                  match.FindClosest(want.data[3 * i], want.data[3 * i + 1], want.data[3 * i + 2]));
    }
    // Bits as 0 or 255 (flags bit 0: set bits white).
    for (uint32_t flags : {0u, 1u}) {
      const uint32_t bs = (s.w + 7) / 8 + 1;
      std::vector<uint8_t> bits(size_t{bs} * s.h);
      Image<uint8_t> grey(s.w, s.h, 1);
      for (uint32_t y = 0; y < s.h; ++y)
        for (uint32_t x = 0; x < s.w; ++x) {
          bits[size_t{y} * bs + x / 8] |= uint8_t((idx.At(x, y, 0) & 1) << (7 - x % 8));
          grey.At(x, y, 0) = (idx.At(x, y, 0) & 1) == flags ? 255 : 0;
        }
      Image<uint8_t> want(s.ow, s.oh, 1), got(s.ow, s.oh, 1, 2);
      ASSERT_TRUE(Resize(grey, want, 16, 0));
      ASSERT_TRUE(pic_ResizeImage1To8Gray(bits.data(), s.w, s.h, bs, got.Pixels(), s.ow, s.oh, got.stride, 16,
                                          flags));
      EXPECT_EQ(got.Samples(), want.Samples());
    }
  }
}

TEST(LowColourPaths, ModeTablesAndRefusals) {
  const std::vector<RGBQUAD> pal = Palette(256, 1);
  const Image<uint8_t> idx = Indices(20, 20, 4, 3);
  Image<uint8_t> out(10, 10, 3), big(30, 30, 3);
  const std::tuple<int, uint32_t, bool, uint32_t> rows[] = {
      {0, 15, true, 5}, {0, 14, true, 0}, {1, 18, true, 5}, {1, 3, true, 0}, {1, 14, false, 5},
      {2, 17, true, 5}, {2, 14, true, 0}, {3, 15, true, 5}, {3, 8, false, 0}};
  for (const auto& [entry, mode, shrink, error] : rows) {
    Image<uint8_t>& o = shrink ? out : big;
    const BOOL ok = entry == 0   ? pic_ResizeImage1(idx.Pixels(), 20, 20, idx.stride, o.Pixels(), o.width,
                                                    o.height, o.stride, 128, mode, 0)
                    : entry == 1 ? pic_ResizeImage1To8Gray(idx.Pixels(), 20, 20, idx.stride, o.Pixels(),
                                                           o.width, o.height, o.stride, mode, 0)
                    : entry == 2 ? pic_ResizeImage8(idx.Pixels(), 20, 20, idx.stride, o.Pixels(), o.width,
                                                    o.height, o.stride, pal.data(), 4, mode, 0)
                                 : pic_ResizeImage8To24(idx.Pixels(), 20, 20, idx.stride, o.Pixels(), o.width,
                                                        o.height, o.stride, pal.data(), mode, 0);
    EXPECT_TRUE((ok != 0) == (error == 0) && PicGetLastError() == error) << entry << " mode " << mode;
  }
  uint32_t err = 0;
  EXPECT_FALSE(
      ResizeImage1To8GrayRows(&err, idx.Pixels(), 20, 20, 2, out.Pixels(), 10, 10, 10, 0));  // 3 bytes
  EXPECT_EQ(err, 5u);
}

namespace {

HGLOBAL MakeDIB(uint32_t w, int32_t h, uint32_t bits, const std::vector<RGBQUAD>& pal, uint64_t seed) {
  uint32_t err = 0;
  const uint32_t absH = uint32_t(h < 0 ? -h : h);
  HGLOBAL dib =
      AllocDIB(&err, w, absH, bits, bits <= 8 ? pal.data() : nullptr, bits <= 8 ? uint32_t(pal.size()) : 0);
  auto* hdr = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  hdr->biHeight = h;
  uint8_t* px = DIBPixelStart(&err, hdr);
  Rng rng(seed);
  const uint64_t stride = DIBStride(w, bits);
  for (uint32_t y = 0; y < absH; ++y)
    for (uint64_t i = 0; i < (uint64_t{w} * bits + 7) / 8; ++i)
      px[y * stride + i] = bits == 8 ? uint8_t(rng.Below(16)) : uint8_t(rng.Next());
  return dib;
}

}  // namespace

TEST(LowColourPaths, DIBsKeepTheirDepthAndFollowTheBufferPaths) {
  const std::vector<RGBQUAD> pal = Palette(16, 2);
  const std::tuple<uint32_t, int32_t, uint32_t, uint32_t, uint32_t> rows[] = {
      {24, 21, 40, 30, 19}, {32, -21, 9, 7, 17}, {24, 21, 9, 7, 14}, {8, 21, 40, 15, 14}, {8, -21, 9, 7, 15},
      {4, 21, 40, 33, 16},  {4, 21, 9, 7, 18},   {1, 21, 9, 7, 15},  {1, 21, 40, 40, 16}};
  for (const auto& [bits, hh, ow, oh, mode] : rows) {
    SCOPED_TRACE(testing::Message() << bits << " bits mode " << mode << " h " << hh);
    HGLOBAL src = MakeDIB(17, hh, bits, pal, bits);
    uint32_t err = 9;
    HGLOBAL out = nullptr;
    ASSERT_TRUE(ResizeDIBCore(&err, src, ow, oh, &out, mode, 0) && err == 0);
    const auto* made = static_cast<const BITMAPINFOHEADER*>(out);
    EXPECT_TRUE(made->biBitCount == bits && made->biWidth == int32_t(ow) &&
                made->biHeight == (hh < 0 ? -1 : 1) * int32_t(oh));
    const uint8_t* in = DIBPixelStart(&err, src);
    const uint8_t* got = DIBPixelStart(&err, out);
    const uint32_t ss = uint32_t(DIBStride(17, bits)), os = uint32_t(DIBStride(ow, bits)),
                   h = uint32_t(std::abs(hh));
    std::vector<uint8_t> want(size_t{os} * oh);
    if (bits >= 24) {
      ASSERT_TRUE(
          pic_ResizeImage(in, 17, h, ss, want.data(), ow, oh, os, bits / 8, mode == 19 ? 16 : mode, 0));
    } else if (bits == 1) {
      ASSERT_TRUE(pic_ResizeImage1(in, 17, h, ss, want.data(), ow, oh, os, 128, mode == 15 ? 14 : mode, 0));
    } else {
      std::vector<uint8_t> a(size_t{17} * h), b(size_t{ow} * oh);
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < 17; ++x)
          a[y * 17 + x] = bits == 8 ? in[y * ss + x] : (in[y * ss + x / 2] >> (x % 2 ? 0 : 4)) & 15;
      // 14 or 15 only when shrinking both ways; otherwise the colour bilinear.
      const uint32_t m = (mode == 14 || mode == 15) ? (ow < 17 && oh < h ? 14 : 16) : mode;
      ASSERT_TRUE(pic_ResizeImage8(a.data(), 17, h, 17, b.data(), ow, oh, ow, pal.data(), 16, m, 0));
      for (uint32_t y = 0; y < oh; ++y)
        for (uint32_t x = 0; x < ow; ++x)
          if (bits == 8)
            want[y * os + x] = b[y * ow + x];
          else
            want[y * os + x / 2] |= uint8_t(b[y * ow + x] << (x % 2 ? 0 : 4));
    }
    for (uint32_t y = 0; y < oh; ++y)
      ASSERT_EQ(std::vector<uint8_t>(got + y * os, got + y * os + (ow * bits + 7) / 8),
                std::vector<uint8_t>(want.data() + y * os, want.data() + y * os + (ow * bits + 7) / 8))
          << "row " << y;
    GlobalFree(src);
    GlobalFree(out);
  }
}

TEST(LowColourPaths, DIBFailuresHandBackNothing) {
  const std::vector<RGBQUAD> pal = Palette(256, 2);
  HGLOBAL rgb = MakeDIB(40, 40, 24, pal, 1), grey = MakeDIB(40, 40, 8, pal, 1);
  HGLOBAL out = reinterpret_cast<HGLOBAL>(1);
  uint32_t err = 0;
  auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(grey));
  h->biCompression = 1;  // RLE8
  EXPECT_FALSE(ResizeDIBCore(&err, grey, 10, 10, &out, 16, 0) || err != 5 || out);
  h->biCompression = 0, h->biBitCount = 16;
  EXPECT_FALSE(ResizeDIBCore(&err, grey, 10, 10, &out, 16, 0) || err != 5);
  pic_SetCallback(StopAtOnce, 0);
  EXPECT_FALSE(ResizeDIBCore(&err, rgb, 10, 10, &out, 17, 0x100000));
  pic_SetCallback(nullptr, 0);
  EXPECT_TRUE(err == 14 && out == nullptr);
  GlobalFree(rgb);
  GlobalFree(grey);
}

TEST(MaskedResize, MaskedTapsCopyTheNearestAndNothingElseBlends) {
  // 2 x 2 to 4 x 4 enlarges with s = 0.375: positions 0, 0.375, 0.75, 1.125.
  const uint8_t src[12] = {10, 20, 30, 1, 2, 3, 200, 100, 50, 90, 80, 70};
  uint8_t out[48] = {};
  uint32_t err = 0;
  const uint32_t mask = 1 | 2 << 8 | 3 << 16;
  ASSERT_TRUE(ResizeImageMaskedCore(&err, src, 2, 2, 6, out, 4, 4, 12, mask, 3, 0));
  // Pixel (x, y) taken whole from source pixel (sx, sy), or 0xFF: blended.
  const uint8_t from[4][4][2] = {{{0, 0}, {0, 0}, {1, 0}, {1, 0}},
                                 {{0, 0}, {0, 0}, {1, 0}, {1, 0}},
                                 {{0, 1}, {0, 1}, {1, 1}, {1, 1}},
                                 {{0xFF, 0}, {0xFF, 0}, {0xFF, 0}, {1, 1}}};
  for (int i = 0; i < 16; ++i) {
    const uint8_t* f = from[i / 4][i % 4];
    EXPECT_TRUE(f[0] == 0xFF || !std::memcmp(out + i * 3, src + f[1] * 6 + f[0] * 3, 3)) << i;
  }
  // The separable form blends everywhere with 0xFFFFFFFF, and its halves keep the mask whole.
  uint8_t rows[48] = {};
  ASSERT_TRUE(ResizeImageMaskedRows(&err, src, 2, 2, 6, rows, 4, 4, 12, 0xFFFFFFFFu));
  EXPECT_EQ(rows[3], uint8_t(10 * 0.5 + 1 * 0.5));  // x = 0.5: both taps half
  ASSERT_TRUE(ResizeImageMaskedRows(&err, src, 2, 2, 6, rows, 4, 4, 12, mask));
  EXPECT_EQ(rows[3], 1);  // a left weight of 0.5 takes the right tap
  // Failure is reported as such.
  EXPECT_FALSE(pic_ResizeImageMasked(src, 2, 2, 6, nullptr, 4, 4, 12, mask, 3, 0) || PicGetLastError() != 5);
}

TEST(MaskedResize, PalettedTransparentIndexStaysWhole) {
  // Entry 0 is transparent and grey; the blend of white and black is nearest to it.
  const RGBQUAD pal[4] = {{128, 128, 128, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}, {0, 0, 255, 0}};
  const uint8_t src[4] = {1, 2, 0, 3};
  uint8_t out[16] = {};
  uint32_t err = 0;
  ASSERT_TRUE(Resize8MaskedCore(&err, src, 2, 2, 2, out, 4, 4, 4, pal, 4, 0));
  EXPECT_EQ(out[1], 1);          // (0.375, 0): a blend of 1 and 2, not the transparent entry
  EXPECT_EQ(out[2 * 4 + 0], 0);  // (0, 0.75): nearer the transparent tap
  EXPECT_EQ(out[1 * 4 + 0], 1);  // (0, 0.375): nearer index 1
  uint8_t same[4] = {};
  ASSERT_TRUE(Resize8MaskedCore(&err, src, 2, 2, 2, same, 2, 2, 2, pal, 4, 0));
  EXPECT_EQ(std::vector<uint8_t>(same, same + 4), std::vector<uint8_t>(src, src + 4));
  EXPECT_FALSE(pic_Resize8Masked(src, 2, 2, 1, out, 4, 4, 4, pal, 4, 0) || PicGetLastError() != 5);
}

TEST(Scale2x, FollowsThePublishedRules) {
  Rng rng(9);
  for (uint32_t n : {1u, 3u}) {
    const uint32_t w = 23, h = 17;
    std::vector<uint8_t> src(size_t{w} * h * n), out(size_t{w} * h * n * 4);
    for (size_t i = 0; i < src.size(); i += n)
      for (uint32_t c = 0; c < n; ++c) src[i + c] = uint8_t(c ? rng.Next() : rng.Below(3));
    ASSERT_TRUE(pic_ResizeScale2X(src.data(), w, h, w * n, n, out.data(), 2 * w * n, 0));
    auto at = [&](int x, int y) {
      return src.data() + (size_t(std::clamp(y, 0, int(h) - 1)) * w + std::clamp(x, 0, int(w) - 1)) * n;
    };
    for (int y = 0; y < int(h); ++y)
      for (int x = 0; x < int(w); ++x) {
        const uint8_t *B = at(x, y - 1), *D = at(x - 1, y), *E = at(x, y), *F = at(x + 1, y),
                      *H = at(x, y + 1);
        // E0 = D == B && B != F && D != H ? D : E, and so on round the pixel.
        const uint8_t* want[4] = {
            *D == *B && *B != *F && *D != *H ? D : E, *B == *F && *B != *D && *F != *H ? F : E,
            *D == *H && *D != *B && *H != *F ? D : E, *H == *F && *D != *H && *B != *F ? F : E};
        for (int k = 0; k < 4; ++k) {
          const uint8_t* o = out.data() + (size_t(2 * y + k / 2) * 2 * w + 2 * x + k % 2) * n;
          ASSERT_EQ(std::vector<uint8_t>(o, o + n), std::vector<uint8_t>(want[k], want[k] + n))
              << x << "," << y << " " << k;
        }
      }
  }
  EXPECT_FALSE(pic_ResizeScale2X(nullptr, 2, 2, 2, 1, nullptr, 4, 0) || PicGetLastError() != 1);
}
