// One-bit conversion: thresholds of synthetic histograms with known answers,
// the packing, and the RGB paths.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "pixelops/pictura_pixelops.h"
#include "pixelops/gray_swap.h"
#include "pixelops/one_bit.h"

using namespace Pictura;

namespace {

// Grey image with the given value counts, row after row, 64 wide.
std::vector<uint8_t> FromCounts(const std::vector<std::pair<uint8_t, uint32_t>>& counts, uint32_t* height) {
  std::vector<uint8_t> img;
  for (auto [v, n] : counts) img.insert(img.end(), n, v);
  while (img.size() % 64) img.push_back(img.back());
  *height = static_cast<uint32_t>(img.size() / 64);
  return img;
}

DWORD Threshold(const std::vector<uint8_t>& img, uint32_t height, uint32_t method, uint32_t parameter = 0) {
  return pic_GetGrayscaleTo1BitThreshold(img.data(), 64, height, 64, method, parameter, 0);
}

}  // namespace

TEST(OneBit, ThresholdsOfKnownHistograms) {
  // Two bumps around 60 and 190, the upper one smaller.
  std::vector<std::pair<uint8_t, uint32_t>> bimodal;
  for (int d = -6; d <= 6; ++d) {
    bimodal.push_back({static_cast<uint8_t>(60 + d), 400u - 50u * static_cast<uint32_t>(std::abs(d))});
    bimodal.push_back({static_cast<uint8_t>(190 + d), 250u - 30u * static_cast<uint32_t>(std::abs(d))});
  }
  uint32_t h2 = 0, hb = 0;
  const std::vector<uint8_t> two = FromCounts({{50, 640}, {200, 640}}, &h2);
  const std::vector<uint8_t> bi = FromCounts(bimodal, &hb);
  struct Row {
    uint32_t method, parameter, lo, hi;
  };
  // The valley seekers put T between the bumps; the entropy methods may cut
  // a bump's tail.
  for (const Row& r : {Row{1, 0, 67, 184}, Row{2, 0, 67, 184}, Row{3, 0, 67, 184}, Row{4, 0, 67, 184},
                       Row{7, 0, 60, 190}, Row{9, 0, 67, 184}, Row{10, 0, 67, 184}, Row{12, 0, 60, 190},
                       Row{13, 0, 60, 190}, Row{6, 5000, 55, 66}, Row{0, 127, 128, 128},
                       Row{0, 255, 255, 255}, Row{14, 0, 0, 0}, Row{99, 0, 0, 0}}) {
    DWORD t = Threshold(bi, hb, r.method, r.parameter);
    EXPECT_EQ(PicGetLastError(), 0u) << r.method;
    EXPECT_GE(t, r.lo) << "method " << r.method;
    EXPECT_LE(t, r.hi) << "method " << r.method;
  }
  EXPECT_EQ(Threshold(two, h2, 4), 51u);  // Otsu: 50 below, 200 above
  // Co-occurrence wants regions: left half dark, right half light, grain.
  std::vector<uint8_t> halves(64 * 32);
  for (size_t i = 0; i < halves.size(); ++i)
    halves[i] = static_cast<uint8_t>((i % 64 < 32 ? 60 : 190) + i % 7);
  EXPECT_GT(Threshold(halves, 32, 11), 66u);
  EXPECT_LE(Threshold(halves, 32, 11), 190u);
  EXPECT_EQ(Threshold(two, h2, 6, 5000), 51u);
  // Big counts: Otsu's w0 w1 and the two-peak products pass 32 bits.
  uint32_t h[256] = {};
  h[50] = h[200] = 100000;
  EXPECT_EQ(HistogramThreshold(h, 4, 0), 50);
  uint32_t peaks[256] = {};
  for (int k = 21; k < 230; ++k) peaks[k] = 5;
  peaks[20] = 200000;
  peaks[229] = 1;
  peaks[230] = 97393;  // 97393 x 210^2 wraps to 64004 in 32 bits
  EXPECT_EQ(HistogramThreshold(peaks, 1, 0), 229);
  EXPECT_EQ(NextPowerOfTwoAbove(0), 4u);
  EXPECT_EQ(NextPowerOfTwoAbove(8), 16u);
  EXPECT_EQ(NextPowerOfTwoAbove(uint64_t{1} << 32), uint64_t{1} << 33);
  EXPECT_EQ(NextPowerOfTwoAbove(UINT64_MAX), uint64_t{1} << 63);
}

TEST(OneBit, FlatAndEmptyImagesEndWithoutDividingByZero) {
  const std::vector<uint8_t> flat(64 * 4, 128);
  for (uint32_t method = 0; method < 16; ++method) {
    if (method == 8) continue;
    DWORD t = pic_GetGrayscaleTo1BitThreshold(flat.data(), 64, 4, 64, method, 0, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << method;
    EXPECT_LE(t, 255u);
    pic_GetGrayscaleTo1BitThreshold(flat.data(), 0, 0, 64, method, 0, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << method;
  }
  // All white: the mean and the entropy balance sit on 255, Otsu finds no split.
  const std::vector<uint8_t> white(64 * 2, 255);
  for (auto [method, want] : {std::pair{2u, 255u}, {12u, 255u}, {4u, 0u}, {6u, 255u}})
    EXPECT_EQ(pic_GetGrayscaleTo1BitThreshold(white.data(), 64, 2, 64, method, 9999, 0), want) << method;
  EXPECT_EQ(pic_GetGrayscaleTo1BitThreshold(flat.data(), 64, 4, 64, 8, 0, 0), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  // Two values only: the minimum-error fit has a class without spread.
  std::vector<uint8_t> twoValues(64 * 4, 10);
  std::fill(twoValues.begin(), twoValues.begin() + 64, 240);
  for (uint32_t method : {3u, 10u, 13u}) {
    pic_GetGrayscaleTo1BitThreshold(twoValues.data(), 64, 4, 64, method, 0, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << method;
  }
}

// The entropy criterion (7) and the minimum-error fit (10) on histograms
// whose answer follows by hand from their formulas; T = t + 1 (t = -1: 0).
TEST(OneBit, EntropyAndMinimumErrorThresholdsWorkedByHand) {
  using Counts = std::vector<std::pair<uint8_t, uint32_t>>;
  Counts flatLow, flatAll;
  for (int v = 0; v < 255; ++v) flatLow.push_back({static_cast<uint8_t>(v), 64});
  for (int v = 0; v < 256; ++v) flatAll.push_back({static_cast<uint8_t>(v), 1});
  struct Row {
    const char* what;
    Counts counts;  // a whole number of 64-pixel rows
    uint32_t method, T;
  };
  const Row rows[] = {
      // 7: E(t) is only tried at t strictly between the first and last
      // non-empty bins and with p[t] > 0. Bumps (1, 2, 1) at 49..51 and
      // (1, 6, 1) at 199..201, in twelfths: E(50) = 1.1107, E(51) = 0.9112,
      // E(199) = 0.8772, E(200) = 1.0991; the smallest is at 199.
      {"7: two bumps, the heavier upper one wins",
       {{49, 16}, {50, 32}, {51, 16}, {199, 16}, {200, 96}, {201, 16}},
       7,
       200},
      {"7: two single values leave nothing between them", {{50, 32}, {200, 32}}, 7, 0},
      {"7: one value", {{128, 64}}, 7, 0},
      // Flat over 0..254: E is symmetric about the middle bin 127 and
      // smallest there (E(126) = E(128) is larger by 4e-6).
      {"7: flat over 255 values", flatLow, 7, 128},
      // 10: the intermeans start is 125 (means 50 and 200); then with
      // m1 = 50, var1 = 100, m2 = 200, var2 = 400, p1 = p2 = 1/2:
      // a = 1/100 - 1/400 = 0.0075, b = 0.5 - 0.5 = 0,
      // c = 25 - 100 + ln(100 / 400) = -76.386, d = -a c = 0.5729,
      // t = sqrt(d) / a = 100.92, kept by the next round (same classes).
      {"10: 40, 60 below; 180, 220 above", {{40, 16}, {60, 16}, {180, 16}, {220, 16}}, 10, 101},
      // Equal spreads make a = 0: the fit has no root and the intermeans
      // start stands.
      {"10: 40, 60 below; 190, 210 above", {{40, 16}, {60, 16}, {190, 16}, {210, 16}}, 10, 126},
      {"10: flat over 256 values: 127 from the start, equal spreads", flatAll, 10, 128},
      // One value v: the class above the mean is empty (mean 0), so the start
      // settles at v / 2 with every pixel in the upper class; no fit.
      {"10: one value", {{128, 64}}, 10, 65},
  };
  for (const Row& r : rows) {
    std::vector<uint8_t> img;
    for (auto [v, n] : r.counts) img.insert(img.end(), n, v);
    ASSERT_EQ(img.size() % 64, 0u) << r.what;
    const uint32_t height = static_cast<uint32_t>(img.size() / 64);
    EXPECT_EQ(pic_GetGrayscaleTo1BitThreshold(img.data(), 64, height, 64, r.method, 0, 0), r.T) << r.what;
    EXPECT_EQ(PicGetLastError(), 0u) << r.what;
  }
  // An empty image: no threshold from either method.
  const uint8_t none[1] = {77};
  for (uint32_t method : {7u, 10u}) {
    EXPECT_EQ(pic_GetGrayscaleTo1BitThreshold(none, 0, 0, 64, method, 0, 0), 0u) << method;
    EXPECT_EQ(pic_GetGrayscaleTo1BitThreshold(none, 64, 0, 64, method, 0, 0), 0u) << method;
  }
}

TEST(OneBit, PackingAndAdaptive) {
  // Row of 10: values 0, 30, ..., 270 clipped; method 0 with 127 gives T = 128.
  std::vector<uint8_t> grey(10 * 2);
  for (int i = 0; i < 20; ++i) grey[i] = static_cast<uint8_t>(std::min(255, (i % 10) * 30));
  std::vector<uint8_t> out(2 * 3, 0xAA);
  ASSERT_TRUE(pic_GrayscaleTo1Bit(grey.data(), 10, 2, 10, out.data(), 3, 0, 127, 0));
  EXPECT_EQ(out[0], 0x07);  // 150, 180, 210 set
  EXPECT_EQ(out[1], 0xC0);  // 240, 255 in the top bits
  EXPECT_EQ(out[2], 0xAA);  // padding byte untouched
  // Adaptive: a constant image is white once the average has settled; a
  // narrow one works too.
  const std::vector<uint8_t> flat(5 * 40, 100);
  std::vector<uint8_t> bits(40, 0);
  ASSERT_TRUE(pic_GrayscaleTo1Bit(flat.data(), 5, 40, 5, bits.data(), 1, 8, 1000, 0));
  EXPECT_EQ(bits[39], 0xF8);
  EXPECT_FALSE(pic_GrayscaleTo1Bit(grey.data(), 10, 2, 10, out.data(), 1, 0, 127, 0));  // stride too short
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_GrayscaleTo1Bit(nullptr, 10, 2, 10, out.data(), 3, 0, 127, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(OneBit, RGBPathsMarkTheDarkerPixels) {
  // Pixels: black, white, dark blue, light yellow (R, G, B).
  const uint8_t rgb[12] = {0, 0, 0, 255, 255, 255, 0, 0, 90, 250, 250, 160};
  const uint8_t bgr[12] = {0, 0, 0, 255, 255, 255, 90, 0, 0, 160, 250, 250};
  struct Row {
    const uint8_t* px;
    uint32_t threshold, flags;
    uint8_t want;
  };
  const Row rows[] = {
      {rgb, 127, 0, 0xA0},      // grey <= 127
      {bgr, 127, 1, 0xA0},      // same in B, G, R
      {rgb, 0, 2 | 4, 0xA0},    // nearest of white and black
      {rgb, 20, 2 | 4 | 8, 0},  // diffused: only check it runs
      {rgb, 0, 2, 0xA0},        // the image's own two colours
  };
  for (const Row& r : rows) {
    uint8_t out = 0x55;
    ASSERT_TRUE(pic_RGBTo1Bit(r.px, 4, 1, 12, &out, 1, r.threshold, r.flags)) << r.flags;
    EXPECT_EQ(PicGetLastError(), 0u);
    if (r.want) {
      EXPECT_EQ(out & 0xF0, r.want) << r.flags;
    }
  }
  uint8_t out = 0;
  EXPECT_FALSE(pic_RGBTo1Bit(nullptr, 4, 1, 12, &out, 1, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_RGBTo1Bit(rgb, 4, 1, 11, &out, 1, 0, 2));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(GreyAndSwaps, Entries) {
  struct Row {
    const char* what;
    uint32_t flags;
    double wR, wG, wB;
    uint32_t want;  // grey of (200, 200, 200) / of white for luma
  };
  // Luma of white is 255 (double sums); integer weights of 0.299, 0.587,
  // 0.114 sum to 1023 and give 254; weights past 1 wrap.
  uint8_t white[4] = {255, 255, 255, 9};
  ASSERT_TRUE(pic_ImageToGrayScale(white, 1, 1, 4, 4, 0));
  EXPECT_EQ(white[0], 255);
  EXPECT_EQ(white[3], 9);
  for (const Row& r : {Row{"std weights", 0, 0.299, 0.587, 0.114, 199}, Row{"wrap", 0, 1, 1, 1, 600 % 256}}) {
    uint8_t px[3] = {200, 200, 200}, out = 0;
    ASSERT_TRUE(pic_ImageToGrayScaleSingleWeighted(px, 1, 1, 3, 3, &out, 1, r.wR, r.wG, r.wB, r.flags));
    EXPECT_EQ(out, r.want) << r.what;
    ASSERT_TRUE(pic_ImageToGrayScaleWeighted(px, 1, 1, 3, 3, r.wR, r.wG, r.wB, r.flags));
    EXPECT_EQ(px[2], r.want) << r.what;
  }
  uint8_t w3[3] = {255, 255, 255}, g = 0;
  ASSERT_TRUE(pic_ImageToGrayScaleSingleWeighted(w3, 1, 1, 3, 3, &g, 1, 0.299, 0.587, 0.114, 0));
  EXPECT_EQ(g, 254);
  // 16-bit forms: strides in samples, two rows.
  uint16_t rows16[8] = {0, 0, 0, 0, 65535, 0, 0, 7}, grey16[2] = {};
  ASSERT_TRUE(pic_ImageToGrayScale8Bit(reinterpret_cast<BYTE*>(rows16), 1, 2, 4, 4,
                                       reinterpret_cast<BYTE*>(grey16), 1, 0x200));
  EXPECT_EQ(grey16[1], (306u * 65535) >> 10);
  ASSERT_TRUE(pic_RGBAToBGRA(reinterpret_cast<BYTE*>(rows16), 1, 2, 4, 0x200));
  EXPECT_EQ(rows16[6], 65535);
  EXPECT_EQ(rows16[7], 7);
  uint8_t rgb[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(pic_RGBToBGR(rgb, 3, 1, 9, 0));
  EXPECT_EQ(rgb[0], 3);
  EXPECT_EQ(rgb[8], 7);
  EXPECT_TRUE(pic_RGBToBGR(nullptr, 3, 0, 9, 0));  // no rows: nothing to do
  for (uint32_t samples : {2u, 5u}) {
    EXPECT_FALSE(pic_ImageToGrayScale(rgb, 1, 1, samples, 9, 0));
    EXPECT_EQ(PicGetLastError(), 5u);
  }
}

// The vector grey rows against the 1/1024 sums on random data, every width
// to 40, weights that wrap or are negative, both channel orders.
TEST(GreyVector, SingleWeightedMatchesTheSums) {
  struct Row {
    double r, g, b;
    uint32_t flags;
  };
  const Row rows[] = {{0.299, 0.587, 0.114, 0}, {1, 1, 1, 1}, {-0.5, 2.0, 0.7, 0}, {0.2, 0.3, 0.9, 1}};
  std::mt19937 rng(11);
  for (const Row& row : rows)
    for (uint32_t w = 1; w <= 40; ++w) {
      std::vector<uint8_t> src(size_t{w} * 3 * 2), out(size_t{w} * 2);
      for (auto& v : src) v = uint8_t(rng());
      ASSERT_TRUE(pic_ImageToGrayScaleSingleWeighted(src.data(), w, 2, 3, w * 3, out.data(), w, row.r, row.g,
                                                     row.b, row.flags));
      auto fixed = [](double v) { return uint32_t(int32_t(v * 1024)); };
      for (uint32_t i = 0; i < 2 * w; ++i) {
        const uint8_t* p = &src[3 * i];
        const uint32_t R = row.flags ? p[2] : p[0], B = row.flags ? p[0] : p[2];
        ASSERT_EQ(out[i], uint8_t((R * fixed(row.r) + p[1] * fixed(row.g) + B * fixed(row.b)) >> 10))
            << w << " " << i;
      }
    }
}

// The grey rows at both vector widths (16 and 32 bytes) against the 1/1024
// sums: every width to 80 (whole steps of 16, 8 and 4 pixels and each
// tail), blocks of exactly the image's size so a read past the last pixel is
// one past the block, weights at the edge of 16 signed bits (which the
// multiply-add forms take) and just past them, both channel orders.
TEST(GreyVector, EveryWidthAtBothVectorWidths) {
  struct Row {
    double r, g, b;
    uint32_t flags;
  };
  const Row rows[] = {{0.299, 0.587, 0.114, 0},
                      {0.299, 0.587, 0.114, 1},
                      {31.999, -32.0, 1.0, 0},
                      {32.0, 0.5, 0.5, 0},
                      {-32.001, 0.25, 0.75, 1},
                      {0.0, 0.0, 0.0, 0},
                      {1.0 / 1024, 1023.0 / 1024, 1.0, 1}};
  auto fixed = [](double v) { return uint32_t(int32_t(v * 1024)); };
  for (int level : {0, 1}) {
    SetGreyVectorCap(level);
    for (const Row& row : rows)
      for (uint32_t w = 1; w <= 80; ++w) {
        SCOPED_TRACE(testing::Message() << "level " << level << " width " << w << " weights " << row.r << ","
                                        << row.g << "," << row.b << " bgr " << row.flags);
        const uint32_t h = 3;
        std::mt19937 rng(w * 7 + row.flags);
        auto src = std::make_unique<uint8_t[]>(size_t{w} * 3 * h),
             out = std::make_unique<uint8_t[]>(size_t{w} * h);
        for (size_t i = 0; i < size_t{w} * 3 * h; ++i) src[i] = uint8_t(rng() % 4 ? rng() : 255);
        ASSERT_TRUE(pic_ImageToGrayScaleSingleWeighted(src.get(), w, h, 3, w * 3, out.get(), w, row.r, row.g,
                                                       row.b, row.flags));
        for (uint32_t i = 0; i < w * h; ++i) {
          const uint8_t* p = &src[3 * size_t{i}];
          const uint32_t R = row.flags ? p[2] : p[0], B = row.flags ? p[0] : p[2];
          ASSERT_EQ(out[i], uint8_t((R * fixed(row.r) + p[1] * fixed(row.g) + B * fixed(row.b)) >> 10)) << i;
        }
      }
  }
  SetGreyVectorCap(1);
}

// The 16-bit grey image and the red-blue swaps against plain sums on pixels
// whose three samples all differ: 3 and 4 samples, both channel orders, rows
// long enough for the vector swaps, a picture tall and wide enough for the
// pool's bands, and no rows at all.
TEST(GreyVector, SixteenBitGreyAndSwapsMatchPlainSums) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const struct {
    uint32_t samples, width, height, flags;
  } rows[] = {{3, 5, 3, 0x200},  {4, 7, 2, 0x201},      {3, 40, 3, 0x201},
              {4, 33, 4, 0x200}, {3, 1024, 768, 0x200}, {4, 3, 0, 0x200}};
  std::mt19937 rng(5);
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.samples << " samples " << row.width << "x" << row.height
                                    << " flags " << row.flags);
    const size_t n = size_t{row.width} * row.samples * std::max(row.height, 1u);
    std::vector<uint16_t> src(n), grey(size_t{row.width} * std::max(row.height, 1u), 0xABCD);
    for (auto& v : src) v = uint16_t(rng());
    ASSERT_TRUE(pic_ImageToGrayScale8Bit(reinterpret_cast<const BYTE*>(src.data()), row.width, row.height,
                                         row.samples, row.width * row.samples,
                                         reinterpret_cast<BYTE*>(grey.data()), row.width, row.flags));
    const bool bgr = row.flags & 1;
    for (size_t i = 0; i < size_t{row.width} * row.height; ++i) {
      const uint16_t* p = &src[i * row.samples];
      const uint32_t R = bgr ? p[2] : p[0], B = bgr ? p[0] : p[2];
      ASSERT_EQ(grey[i], uint16_t((601u * p[1] + 306 * R + 117 * B) >> 10)) << i;
    }
    if (row.height == 0) {
      ASSERT_EQ(grey[0], 0xABCD);
    }
    // The swaps in bytes: samples 0 and 2 exchanged, the others kept.
    std::vector<uint8_t> bytes(n), swapped;
    for (auto& v : bytes) v = uint8_t(rng());
    swapped = bytes;
    ASSERT_TRUE(row.samples == 3 ? pic_RGBToBGR(swapped.data(), row.width, row.height, row.width * 3, 0)
                                 : pic_RGBAToBGRA(swapped.data(), row.width, row.height, row.width * 4, 0));
    for (size_t i = 0; i < size_t{row.width} * row.height; ++i)
      for (uint32_t c = 0; c < row.samples; ++c)
        ASSERT_EQ(swapped[i * row.samples + c], bytes[i * row.samples + (c == 0 ? 2 : c == 2 ? 0 : c)]) << i;
  }
}
