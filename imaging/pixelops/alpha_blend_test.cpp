#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/library_globals.h"
#include "core/pictura_core.h"
#include "core/row_simd.h"
#include "core/thread_context.h"
#include "pixelops/alpha_blend_solid.h"

using namespace Pictura;
using Bytes = std::vector<uint8_t>;

namespace {

uint8_t Mix(unsigned d, unsigned c, unsigned a) {
  return uint8_t(d * (255 - a) / 255 + c * a / 255);
}

Bytes Random(size_t n, unsigned seed) {
  Bytes v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

}  // namespace

// The vector rows against the table blend on random data, every width up
// to 41, with weights forced to 0 and 255 in places.
TEST(AlphaBlend, VectorRowsMatchTheTableBlend) {
  if (!HasSSE41ForChannels(2)) GTEST_SKIP() << "no SSE4.1";
  const uint8_t colour[3] = {7, 200, 255};
  for (uint32_t w = 1; w <= 41; ++w) {
    Bytes rgba = Random(4 * w, w), rgb = Random(3 * w + 2, 100 + w), mask = Random(w, 200 + w);
    for (uint32_t i = 0; i < w; i += 3) rgba[4 * i + 3] = mask[i] = i % 2 ? 255 : 0;
    Bytes a = rgb, b = rgb;
    uint32_t error = 0;
    ASSERT_TRUE(AlphaBlendRowSIMD(&error, rgba.data(), a.data(), w));
    ASSERT_TRUE(AlphaBlendSolidColorRowSIMD(&error, b.data(), mask.data(), w, colour));
    for (uint32_t i = 0; i < w; ++i)
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(a[3 * i + k], Mix(rgb[3 * i + k], rgba[4 * i + k], rgba[4 * i + 3])) << w << " " << i;
        ASSERT_EQ(b[3 * i + k], Mix(rgb[3 * i + k], colour[k], mask[i])) << w << " " << i;
      }
    EXPECT_EQ(a[3 * w], rgb[3 * w]);  // past the row: untouched
    EXPECT_EQ(b[3 * w + 1], rgb[3 * w + 1]);
  }
}

// The RGBA overlay per alpha mode against a pixel model, at full and partial
// opacity, onto 3- and 4-byte pixels, on and off the pool.
TEST(AlphaBlend, OverlayRGBAOnRGBFollowsTheAlphaMode) {
  struct Row {
    uint32_t channels, alphaMode;
    double opacity;
    uint32_t flags;
  };
  const Row rows[] = {{3, 0, 1.0, 0x100000}, {3, 0, 0.6, 0x100000}, {4, 0, 1.0, 0x100000},
                      {4, 1, 0.5, 0x100000}, {4, 2, 1.0, 0x100000}, {4, 3, 1.0, 0x100000},
                      {4, 4, 0.7, 0x100000}, {4, 5, 1.0, 0},        {3, 0, 1.0, 0}};
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool, for the pooled rows
  const uint32_t W = 23, H = 64, w = 19, h = 61;
  const int32_t x = 3, y = -2;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.alphaMode * 10 + row.channels);
    const uint32_t ch = row.channels;
    Bytes d = Random(size_t{W} * H * ch, ch), s = Random(size_t{w} * h * 4, 9);
    for (size_t i = 3; i < s.size(); i += 28) s[i] = 0;
    const Bytes before = d;
    CPicImgBufExtern<uint8_t> dst(d.data(), W, H, ch, W * ch);
    CPicImgBufExternConst<uint8_t> src(s.data(), w, h, 4, w * 4);
    uint32_t error = 9;
    ASSERT_TRUE(OverlayRGBAOnRGB(&error, dst, src, x, y, row.opacity, row.alphaMode, row.flags));
    ASSERT_EQ(error, 0u);
    for (uint32_t r = 0; r < H; ++r)
      for (uint32_t c = 0; c < W; ++c) {
        const uint8_t* o = &before[(size_t{r} * W + c) * ch];
        uint8_t want[4] = {o[0], o[1], o[2], ch == 4 ? o[3] : uint8_t(0)};
        const int64_t sr = int64_t{r} - y, sc = int64_t{c} - x;
        if (sr >= 0 && sr < h && sc >= 0 && sc < w) {
          const uint8_t* p = &s[(size_t(sr) * w + size_t(sc)) * 4];
          const unsigned as = row.opacity == 1.0 ? p[3] : unsigned(row.opacity * p[3]), ad = want[3];
          if (ch == 4 && row.alphaMode == 4) {
            const unsigned ao = as + (255 - as) * ad / 255, wt = ao ? as * 255 / ao : 0;
            for (int k = 0; k < 3; ++k) want[k] = uint8_t((wt * p[k] + (255 - wt) * want[k]) / 255);
            want[3] = uint8_t(ao);
          } else if (as) {
            for (int k = 0; k < 3; ++k) want[k] = Mix(want[k], p[k], as);
            const unsigned modes[6] = {
                ad, as, std::max(ad, as), std::min(ad + as, 255u), 0, 255 - (255 - ad) * (255 - as) / 255};
            want[3] = uint8_t(modes[row.alphaMode]);
          }
        }
        for (uint32_t k = 0; k < ch; ++k)
          ASSERT_EQ(d[(size_t{r} * W + c) * ch + k], want[k]) << r << "," << c;
      }
  }
  Bytes same(4 * 16);
  CPicImgBufExtern<uint8_t> a(same.data(), 4, 4, 4, 16);
  uint32_t error = 0;
  EXPECT_FALSE(OverlayRGBAOnRGB(&error, a, a, 0, 0, 1.0, 0, 0x100000));
  EXPECT_EQ(error, 5u);
}

// Every treatment of the mask blend against a model, the mask hanging over
// the top-left corner; 1- and 3-byte pixels; colour bytes exchanged.
TEST(AlphaBlend, MaskBlendTreatments) {
  const uint32_t W = 13, H = 6, mw = 9, mh = 5;
  const int32_t x = -2, y = -1;
  const uint32_t color = 0x80A01020;
  for (uint32_t bpp : {1u, 3u, 4u})
    for (uint32_t treatment = 0; treatment <= (bpp == 4 ? 5u : 0u); ++treatment) {
      SCOPED_TRACE(bpp * 10 + treatment);
      const uint32_t flags = 1 | (treatment ? 1u << treatment : 0u) | (treatment == 5 ? 4u : 0u);
      Bytes img = Random(size_t{W} * H * bpp, bpp + treatment), mask = Random(size_t{mw} * mh, 3);
      for (size_t i = 0; i < mask.size(); i += 5) mask[i] = i % 2 ? 255 : 0;
      for (size_t i = 3; i < img.size(); i += 28) img[i] = 0;
      const Bytes before = img;
      uint32_t error = 9;
      ASSERT_TRUE(BlendSolidColorThroughMask(&error, img.data(), W, H, bpp, W * bpp, mask.data(), mw, mh, mw,
                                             color, x, y, flags));
      const uint8_t cc[4] = {uint8_t(color >> 16), uint8_t(color >> 8), uint8_t(color), 0x80};
      for (uint32_t r = 0; r < H; ++r)
        for (uint32_t col = 0; col < W; ++col) {
          const uint8_t* o = &before[(size_t{r} * W + col) * bpp];
          uint8_t want[4] = {};
          std::copy(o, o + bpp, want);
          const int64_t mr = int64_t{r} - y, mc = int64_t{col} - x;
          if (mr < mh && mc < mw) {
            const unsigned m = mask[size_t(mr) * mw + size_t(mc)];
            if (treatment == 4) {
              want[0] = cc[0], want[1] = cc[1], want[2] = cc[2], want[3] = uint8_t(m);
            } else if (treatment == 5) {
              if (o[3]) {
                const unsigned ao = (255 - m) * o[3] / 255 + m, wt = ao ? m * 255 / ao : 0;
                for (int k = 0; k < 3; ++k) want[k] = uint8_t((o[k] * (255 - wt) + cc[k] * wt) / 255);
              }
            } else {
              for (uint32_t k = 0; k < std::min(bpp, 3u); ++k) want[k] = Mix(o[k], cc[k], m);
              if (treatment == 1) want[3] = Mix(o[3], cc[3], m);
              if (treatment == 2 && m) want[3] = cc[3];
              if (treatment == 3 && m) want[3] = uint8_t(m);
            }
          }
          for (uint32_t k = 0; k < bpp; ++k)
            ASSERT_EQ(img[(size_t{r} * W + col) * bpp + k], want[k]) << r << "," << col;
        }
    }
}

TEST(AlphaBlend, FeatherRectAndFailures) {
  Bytes mask(100 * 100);
  uint32_t error = 0;
  ASSERT_TRUE(MakeFeatherMask(&error, mask.data(), 100, 100, 0.25));
  for (uint32_t i = 0; i < 25; ++i) {
    EXPECT_EQ(mask[50 * 100 + i], uint8_t(i * 10.2));
    EXPECT_EQ(mask[(99 - i) * 100 + 50], uint8_t(i * 10.2));
  }
  EXPECT_EQ(mask[25 * 100 + 25], 255);
  EXPECT_EQ(mask[74 * 100 + 74], 255);
  EXPECT_FALSE(MakeFeatherMask(&error, mask.data(), 100, 100, 0.5));
  EXPECT_EQ(error, 5u);

  Bytes px(4 * 4 * 3, 100);
  ASSERT_TRUE(BlendSolidColorRect(&error, px.data(), 4, 4, 3, 12, -5, 1, 2, 9, 0x0000FF, 0.25, 1));
  EXPECT_EQ(px[0], 100);           // row 0 outside
  EXPECT_EQ(px[12 + 2], 75 + 63);  // swapped: red into byte 2
  EXPECT_EQ(px[12 + 0], 75);
  EXPECT_EQ(px[12 + 6 + 2], 100);  // column 2 outside
  EXPECT_FALSE(BlendSolidColorRect(&error, px.data(), 4, 4, 2, 12, 0, 0, 4, 4, 0, 0.5, 0));
  EXPECT_EQ(error, 5u);

  Bytes rgba(4 * 4, 50), m(4, 0);
  m[1] = 200;
  ASSERT_TRUE(BlendColorThroughMaskRGBA(&error, rgba.data(), 4, 1, 16, m.data(), 4, 1, 4, 0xFFFFFF, 0, 0, 8));
  EXPECT_EQ(rgba, (Bytes{255, 255, 255, 0, 255, 255, 255, 200, 255, 255, 255, 0, 255, 255, 255, 0}));
  // Masks wholly right of the image cover nothing (and address no mask row).
  const Bytes kept = rgba;
  ASSERT_TRUE(BlendColorThroughMaskRGBA(&error, rgba.data(), 4, 1, 16, m.data(), 4, 1, 4, 0, 9, 0, 8));
  ASSERT_TRUE(BlendSolidColorThroughMask(&error, rgba.data(), 4, 1, 4, 16, m.data(), 4, 1, 4, 0, 9, 0, 0));
  EXPECT_EQ(rgba, kept);
}
