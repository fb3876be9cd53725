// Values worked out by hand from each method's arithmetic on small inputs:
// positions without half-pixel offsets, truncation, weights and edges.
#include <gtest/gtest.h>

#include <cmath>

#include "resample/bicubic_resize.h"
#include "resample/decimate_resize.h"
#include "resample/filter_kernels.h"
#include "resample/filter_resize.h"
#include "resample/resize_test_util.h"
#include "core/pictura_core.h"

using namespace Pictura;
using namespace resize_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

template <class T>
Image<T> Grid(uint32_t w, uint32_t h, std::initializer_list<double> values, uint32_t channels = 1) {
  Image<T> img(w, h, channels);
  auto it = values.begin();
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t c = 0; c < channels; ++c) img.At(x, y, c) = static_cast<T>(*it++);
  return img;
}

}  // namespace

TEST(ResizeGolden, BilinearTwoByTwoToFourByFour) {
  // r = (2 - 0.5) / 4 = 0.375: positions 0, 0.375, 0.75, 1.125; the last
  // takes index 1 with weight 0.125 and blends pixel 1 with itself.
  const auto src8 = Grid<uint8_t>(2, 2, {0, 100, 200, 40});
  Image<uint8_t> d8(4, 4, 1);
  ASSERT_TRUE(Resize(src8, d8, 16, 0));
  EXPECT_EQ(d8.At(0, 0, 0), 0);
  EXPECT_EQ(d8.At(1, 0, 0), 37);   // 100 x 0.375 = 37.5
  EXPECT_EQ(d8.At(2, 0, 0), 75);   // 100 x 0.75
  EXPECT_EQ(d8.At(3, 0, 0), 100);  // 100 x 0.125 + 100 x 0.875
  EXPECT_EQ(d8.At(0, 1, 0), 75);   // 200 x 0.375
  EXPECT_EQ(d8.At(3, 3, 0), 40);
  // (1, 1): tx = ty = 0.375: 100 x 0.234375 + 0 + 40 x 0.140625 + 200 x 0.234375
  EXPECT_EQ(d8.At(1, 1, 0), 75);

  const auto srcD = Grid<double>(2, 2, {0, 100, 200, 40});
  Image<double> dD(4, 4, 1);
  ASSERT_TRUE(Resize(srcD, dD, 16, 0));
  EXPECT_EQ(dD.At(1, 0, 0), 37.5);
  EXPECT_EQ(dD.At(1, 1, 0), 100 * 0.234375 + 40 * 0.140625 + 200 * 0.234375);

  const auto src16 = Grid<uint16_t>(2, 2, {0, 60000, 1000, 3});
  Image<uint16_t> d16(4, 4, 1);
  ASSERT_TRUE(Resize(src16, d16, 16, 0));
  EXPECT_EQ(d16.At(1, 0, 0), 22500);  // 60000 x 0.375
  EXPECT_EQ(d16.At(3, 0, 0), 60000);
}

TEST(ResizeGolden, BilinearShrinkReadsColumnsTenApart) {
  Image<uint8_t> src(100, 1, 1);
  for (uint32_t x = 0; x < 100; ++x) src.At(x, 0, 0) = static_cast<uint8_t>(x * 2 + 1);
  Image<uint8_t> dst(10, 1, 1);
  ASSERT_TRUE(Resize(src, dst, 16, 0));
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(dst.At(i, 0, 0), 20 * i + 1);  // column 10 i, weight 0
}

TEST(ResizeGolden, NearestNeighbourColumns) {
  const auto four = Grid<uint8_t>(4, 1, {10, 20, 30, 40});
  Image<uint8_t> three(3, 1, 1);
  ASSERT_TRUE(Resize(four, three, 18, 0));
  EXPECT_EQ(three.Samples(), (std::vector<uint8_t>{10, 20, 30}));
  const auto two = Grid<double>(2, 2, {1.5, 2.5, 3.5, 4.5});
  Image<double> grown(4, 3, 1);
  ASSERT_TRUE(Resize(two, grown, 18, 0));
  EXPECT_EQ(grown.Samples(),
            (std::vector<double>{1.5, 1.5, 2.5, 2.5, 1.5, 1.5, 2.5, 2.5, 3.5, 3.5, 4.5, 4.5}));
}

TEST(ResizeGolden, NearestNeighbourOfWideRowsPicksColumnsWithoutWrapping) {
  // 70001 x column passes 32 bits from column 61356 on: the column must
  // still be source width x column / destination width.
  Image<uint16_t> src(70001, 1, 1);
  for (uint32_t x = 0; x < src.width; ++x) src.At(x, 0, 0) = static_cast<uint16_t>(x * 7 + (x >> 16));
  Image<uint16_t> dst(70000, 1, 1);
  ASSERT_TRUE(Resize(src, dst, 18, 0));
  for (uint32_t x = 0; x < dst.width; ++x) {
    const auto col = static_cast<uint32_t>(uint64_t{70001} * x / 70000);
    ASSERT_EQ(dst.At(x, 0, 0), src.At(col, 0, 0)) << x;
  }
}

TEST(ResizeGolden, BlockDecimationNineBySixToThreeByThree) {
  // rx = 3, ry = 2, n = 2: 2 x 2 blocks at column 3x and row 2y; columns
  // 2, 5 and 8 are never read.
  Image<uint16_t> src(9, 6, 1);
  for (uint32_t y = 0; y < 6; ++y)
    for (uint32_t x = 0; x < 9; ++x) src.At(x, y, 0) = static_cast<uint16_t>(x % 3 == 2 ? 65535 : x * 10 + y);
  Image<uint16_t> dst(3, 3, 1);
  ASSERT_TRUE(Resize(src, dst, 14, 0));
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 3; ++x) {
      uint32_t s = 0;
      for (uint32_t j = 0; j < 2; ++j)
        for (uint32_t i = 0; i < 2; ++i) s += (3 * x + i) * 10 + (2 * y + j);
      EXPECT_EQ(dst.At(x, y, 0), s / 4) << x << "," << y;
    }
  // 16-bit sums held in 32 bits: a reduction whose area passes 65537 is refused.
  Image<uint16_t> wide(700, 100, 1), one(1, 1, 1);
  EXPECT_FALSE(Resize(wide, one, 14, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(ResizeGolden, AreaDecimationOfThreeSamplesToTwo) {
  const auto src = Grid<uint8_t>(3, 1, {10, 20, 31});
  Image<uint8_t> dst(2, 1, 1);
  ASSERT_TRUE(Resize(src, dst, 15, 0));
  EXPECT_EQ(dst.At(0, 0, 0), 13);  // (1.0 x 10 + 0.5 x 20) / 1.5
  EXPECT_EQ(dst.At(1, 0, 0), 27);  // (0.5 x 20 + 1.0 x 31) / 1.5

  AreaSpans spans;
  ASSERT_TRUE(spans.Allocate(2));
  BuildAreaSpans(2, 1.5, 3, spans);
  EXPECT_EQ(spans.first[0], 0u);
  EXPECT_EQ(spans.end[0], 2u);
  EXPECT_EQ(spans.firstWeight[0], 1.0);
  EXPECT_EQ(spans.lastWeight[0], 0.5);
  EXPECT_EQ(spans.total[0], 1.5);
  EXPECT_EQ(spans.first[1], 1u);
  EXPECT_EQ(spans.end[1], 3u);
  EXPECT_EQ(spans.firstWeight[1], 0.5);
  EXPECT_EQ(spans.lastWeight[1], 1.0);
  EXPECT_EQ(spans.total[1], 1.5);

  uint32_t bits[256];
  BuildBitCountTable(255, bits);
  EXPECT_EQ(bits[0], 0u);
  EXPECT_EQ(bits[0xFF], 8u * 255);
  EXPECT_EQ(bits[0x81], 2u * 255);

  // Doubles keep the quotient.
  const auto srcD = Grid<double>(3, 1, {10, 20, 31});
  Image<double> dD(2, 1, 1);
  ASSERT_TRUE(Resize(srcD, dD, 15, 0));
  EXPECT_EQ(dD.At(1, 0, 0), (0.5 * 20 + 1.0 * 31) / 1.5);
}

TEST(ResizeGolden, BicubicWeightsAndTaps) {
  double w[4];
  CubicWeights(0.5, w);
  EXPECT_EQ(w[0], -0.125);
  EXPECT_EQ(w[1], 0.625);
  EXPECT_EQ(w[2], 0.625);
  EXPECT_EQ(w[3], -0.125);
  CubicWeights(0.0, w);
  EXPECT_EQ(w[1], 1.0);
  EXPECT_EQ(w[0] + w[2] + w[3], 0.0);
  uint32_t taps[4];
  CubicTaps(0.5, 1, taps);  // one pixel: every tap is pixel 0
  EXPECT_EQ(taps[0] + taps[1] + taps[2] + taps[3], 0u);
  CubicTaps(1.0, 2, taps);
  EXPECT_EQ(taps[0], 0u);
  EXPECT_EQ(taps[1], 1u);
  EXPECT_EQ(taps[2], 1u);
  EXPECT_EQ(taps[3], 1u);
  CubicTaps(5.25, 10, taps);
  EXPECT_EQ(taps[0], 4u);
  EXPECT_EQ(taps[3], 7u);
}

TEST(ResizeGolden, BicubicValues) {
  // 4 columns to 8: scale 0.5. Column 1: t = 0.5 over columns 0, 0, 1, 2;
  // column 3: t = 0.5 over 0, 1, 2, 2 (1.5 >= 4 - 3 keeps the fourth tap on
  // the third); column 7 is clamped to column 3.
  const auto src = Grid<uint8_t>(4, 1, {0, 100, 200, 100});
  Image<uint8_t> dst(8, 1, 1);
  ASSERT_TRUE(Resize(src, dst, 17, 0));
  EXPECT_EQ(dst.At(0, 0, 0), 0);
  EXPECT_EQ(dst.At(1, 0, 0), 37);   // 100 x 0.625 - 200 x 0.125 = 37.5
  EXPECT_EQ(dst.At(3, 0, 0), 162);  // 100 x 0.625 + 200 x 0.625 - 200 x 0.125
  EXPECT_EQ(dst.At(7, 0, 0), 100);

  // A sharp edge overshoots: held at the limits for integers, kept for doubles.
  const auto edge8 = Grid<uint8_t>(4, 1, {0, 0, 255, 255});
  Image<uint8_t> e8(8, 1, 1);
  ASSERT_TRUE(Resize(edge8, e8, 17, 0));
  const auto edgeD = Grid<double>(4, 1, {0, 0, 255, 255});
  Image<double> eD(8, 1, 1);
  ASSERT_TRUE(Resize(edgeD, eD, 17, 0));
  EXPECT_EQ(eD.At(3, 0, 0), 0 * -0.125 + 0 * 0.625 + 255 * 0.625 - 255 * 0.125);
  EXPECT_EQ(e8.At(3, 0, 0), 127);  // 127.5
  EXPECT_EQ(eD.At(2, 0, 0), 0.0);
  const auto peak = Grid<double>(4, 1, {0, 255, 255, 0});
  Image<double> pD(8, 1, 1);
  ASSERT_TRUE(Resize(peak, pD, 17, 0));
  EXPECT_GT(pD.At(3, 0, 0), 255.0);  // overshoot kept
  const auto peak8 = Grid<uint8_t>(4, 1, {0, 255, 255, 0});
  Image<uint8_t> p8(8, 1, 1);
  ASSERT_TRUE(Resize(peak8, p8, 17, 0));
  EXPECT_EQ(p8.At(3, 0, 0), 255);

  // Same size, other strides: every sample reproduced.
  Image<uint16_t> s16(11, 7, 3, 2);
  Fill(s16, 21, 65535.0);
  Image<uint16_t> d16(11, 7, 3, 5);
  ASSERT_TRUE(Resize(s16, d16, 17, 0));
  EXPECT_EQ(d16.Samples(), s16.Samples());
  EXPECT_TRUE(d16.GuardsIntact());

  // Row 0 and column 0 depend on the source's row 0 and column 0 alone.
  Image<uint8_t> s(9, 8, 3);
  Fill(s, 22, 255.0);
  Image<uint8_t> big(20, 13, 3);
  ASSERT_TRUE(Resize(s, big, 17, 0));
  Image<uint8_t> row0(9, 1, 3), col0(1, 8, 3);
  for (uint32_t c = 0; c < 3; ++c) {
    for (uint32_t x = 0; x < 9; ++x) row0.At(x, 0, c) = s.At(x, 0, c);
    for (uint32_t y = 0; y < 8; ++y) col0.At(0, y, c) = s.At(0, y, c);
  }
  Image<uint8_t> bigRow(20, 1, 3), bigCol(1, 13, 3);
  ASSERT_TRUE(Resize(row0, bigRow, 17, 0));
  ASSERT_TRUE(Resize(col0, bigCol, 17, 0));
  for (uint32_t c = 0; c < 3; ++c) {
    EXPECT_EQ(big.At(0, 0, c), s.At(0, 0, c));
    for (uint32_t x = 0; x < 20; ++x) EXPECT_EQ(big.At(x, 0, c), bigRow.At(x, 0, c));
    for (uint32_t y = 0; y < 13; ++y) EXPECT_EQ(big.At(0, y, c), bigCol.At(0, y, c));
  }
  // Sources one or two pixels wide or high read nothing outside.
  for (auto [w, h] : {std::pair{1u, 1u}, std::pair{2u, 1u}, std::pair{1u, 2u}, std::pair{2u, 2u}}) {
    Image<uint8_t> tiny(w, h, 3);
    Fill(tiny, w * 10 + h, 255.0);
    Image<uint8_t> out(7, 5, 3);
    ASSERT_TRUE(Resize(tiny, out, 17, 0));
  }
}

TEST(ResizeGolden, FilterKernelsAtTheirBreakpoints) {
  EXPECT_EQ(FilterBox(0.5), 1.0);
  EXPECT_EQ(FilterBox(-0.5), 0.0);
  EXPECT_EQ(FilterTriangle(-0.25), 0.75);
  EXPECT_EQ(FilterTriangle(1.0), 0.0);
  EXPECT_EQ(FilterQuadraticBSpline(0.5), 0.5);
  EXPECT_EQ(FilterQuadraticBSpline(1.5), 0.0);
  EXPECT_EQ(FilterBSpline(0), 2.0 / 3.0);
  EXPECT_EQ(FilterBSpline(1.0), 1.0 / 6.0);
  EXPECT_NEAR(FilterBSpline2(1.5), FilterBSpline(1.5), 1e-15);
  EXPECT_EQ(FilterHermite(0.5), 0.5);
  EXPECT_EQ(FilterHermite2(0.25), FilterHermite(0.25));
  EXPECT_EQ(FilterLanczos3(0), 1.0);
  EXPECT_EQ(FilterLanczos3(3.0), 0.0);
  EXPECT_NEAR(FilterLanczos3(1.0), 0.0, 1e-16);
  EXPECT_NEAR(FilterMitchell(0), 8.0 / 9.0, 1e-15);
  EXPECT_NEAR(FilterMitchell(1.0), 1.0 / 18.0, 1e-15);
  EXPECT_EQ(FilterCatmullRom(0), 1.0);
  EXPECT_EQ(FilterCatmullRom(1.0), 0.0);
  EXPECT_NEAR(FilterHamming(1.0), 0.08, 1e-15);
  EXPECT_NEAR(FilterHanning(0.5), 0.5, 1e-15);
  EXPECT_NEAR(FilterGaussian(0), std::sqrt(2.0 / kPi), 1e-15);
  EXPECT_NEAR(FilterSinc(0.5), 2.0 / kPi, 1e-15);
  PicFilterKernel k;
  EXPECT_FALSE(GetFilterKernel(14, &k));
  ASSERT_TRUE(GetFilterKernel(8, &k));
  EXPECT_EQ(k.support, 3.0);
}

TEST(ResizeGolden, OwnSineCosineAndExponentialAgreeWithTheMathsLibrary) {
  for (double x = -13.0; x <= 13.0; x += 0.01171875) {
    EXPECT_NEAR(PicSin(x), std::sin(x), 4e-16) << x;
    EXPECT_NEAR(PicCos(x), std::cos(x), 4e-16) << x;
  }
  for (double x = -8.0; x <= 2.0; x += 0.0078125) EXPECT_NEAR(PicExp(x) / std::exp(x), 1.0, 4e-16) << x;
  EXPECT_EQ(PicSin(0.0), 0.0);
  EXPECT_EQ(PicCos(0.0), 1.0);
  EXPECT_EQ(PicExp(0.0), 1.0);
}

TEST(ResizeGolden, FilterContributionsMirrorAtTheEdges) {
  PicFilterKernel tri;
  ASSERT_TRUE(GetFilterKernel(1, &tri));
  FilterContributions c;
  // Enlarging 5 to 10: column 0 spans -1 .. 1 (column -1 reads column 1).
  ASSERT_TRUE(BuildFilterContributions(tri, 5, 10, 0, 10, c));
  ASSERT_EQ(c.Count(0), 3u);
  EXPECT_EQ(c.index[c.first[0]], 1u);
  EXPECT_EQ(c.weight[c.first[0]], 0.0);
  EXPECT_EQ(c.index[c.first[0] + 1], 0u);
  EXPECT_EQ(c.weight[c.first[0] + 1], 1.0);
  // Column 9: centre 4.5 spans 4 .. 5, and column 5 (past the end) reads 4.
  ASSERT_EQ(c.Count(9), 2u);
  EXPECT_EQ(c.index[c.first[9]], 4u);
  EXPECT_EQ(c.index[c.first[9] + 1], 4u);
  EXPECT_EQ(c.weight[c.first[9]], 0.5);

  // Shrinking by 4: a window four source pixels wide on each side.
  ASSERT_TRUE(BuildFilterContributions(tri, 40, 10, 2, 3, c));
  ASSERT_EQ(c.Count(0), 9u);
  EXPECT_EQ(c.index[0], 4u);
  EXPECT_EQ(c.index[8], 12u);
  EXPECT_EQ(c.weight[4], 0.25);
  Image<uint8_t> ramp(40, 4, 1);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 40; ++x) ramp.At(x, y, 0) = static_cast<uint8_t>(x * 5);
  Image<uint8_t> small(10, 4, 1);
  ASSERT_TRUE(Resize(ramp, small, 1, 0));
  EXPECT_EQ(small.At(2, 0, 0), 40);  // centre 8, symmetric weights
}

TEST(ResizeGolden, FilterFlatImagesStayFlatAndTheBoxCopies) {
  for (uint32_t mode = 0; mode <= 13; ++mode) {
    Image<uint8_t> flat(23, 17, 3);
    for (uint32_t y = 0; y < 17; ++y)
      for (uint32_t x = 0; x < 23; ++x) {
        flat.At(x, y, 0) = 7;
        flat.At(x, y, 1) = 128;
        flat.At(x, y, 2) = 255;
      }
    for (auto [w, h] : {std::pair{6u, 5u}, std::pair{23u, 17u}, std::pair{57u, 40u}}) {
      Image<uint8_t> out(w, h, 3);
      ASSERT_TRUE(Resize(flat, out, mode, 0)) << mode;
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
          ASSERT_EQ(out.At(x, y, 0), 7) << mode;
          ASSERT_EQ(out.At(x, y, 1), 128) << mode;
          ASSERT_EQ(out.At(x, y, 2), 255) << mode;
        }
    }
  }
  Image<uint8_t> src(19, 11, 4, 3);
  Fill(src, 30, 255.0);
  Image<uint8_t> same(19, 11, 4);
  ASSERT_TRUE(Resize(src, same, 0, 0));
  EXPECT_EQ(same.Samples(), src.Samples());
}

TEST(ResizeGolden, FilterOutputTooSmallForTheKernel) {
  Image<uint8_t> src(20, 20, 1);
  Image<uint8_t> two(2, 5, 1), three(3, 5, 1);
  EXPECT_FALSE(Resize(src, two, 8, 0));  // Lanczos3 needs 3
  EXPECT_EQ(PicGetLastError(), 68u);
  EXPECT_TRUE(Resize(src, three, 8, 0));
  Image<uint8_t> flat3(5, 3, 1);
  EXPECT_FALSE(Resize(src, flat3, 10, 0));  // sinc needs 4
  EXPECT_EQ(PicGetLastError(), 68u);

  CPicFilterResize worker;
  uint8_t out[64] = {};
  EXPECT_EQ(worker.Resize(src.Pixels(), 20, 20, out, 5, 5, 1, 14, 20, 5, nullptr, kNoPool, 0), 0u);
  EXPECT_EQ(worker.error, 5u);
  EXPECT_EQ(worker.Resize(src.Pixels(), 20, 20, out, 5, 5, 1, 1, 20, 5, nullptr, kNoPool, 3), 0u);
  EXPECT_EQ(worker.error, 17u);
}

TEST(ResizeGolden, FilterOneBitAndPalettedSources) {
  CPicFilterResize worker;
  const uint8_t bits[2] = {0xF0, 0xA5};  // two rows of 8 one-bit pixels
  uint8_t grey[16] = {};
  ASSERT_EQ(worker.Resize(bits, 8, 2, grey, 8, 2, 1, 0, 1, 8, nullptr, kNoPool, 1), 1u);
  const uint8_t dark[16] = {0, 0, 0, 0, 255, 255, 255, 255, 0, 255, 0, 255, 255, 0, 255, 0};
  EXPECT_EQ(std::vector<uint8_t>(grey, grey + 16), std::vector<uint8_t>(dark, dark + 16));
  ASSERT_EQ(worker.Resize(bits, 8, 2, grey, 8, 2, 1, 0, 1, 8, nullptr, kNoPool | 1, 1), 1u);
  EXPECT_EQ(grey[0], 255);  // flags bit 0: set bits light
  EXPECT_EQ(grey[4], 0);

  RGBQUAD palette[2] = {{10, 20, 30, 0}, {40, 50, 60, 0}};  // blue, green, red
  const uint8_t idx[2] = {0, 1};
  uint8_t rgb[6] = {};
  ASSERT_EQ(worker.Resize(idx, 2, 1, rgb, 2, 1, 1, 0, 2, 6, palette, kNoPool, 2), 1u);
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), (std::vector<uint8_t>{30, 20, 10, 60, 50, 40}));
  ASSERT_EQ(worker.Resize(idx, 2, 1, rgb, 2, 1, 1, 0, 2, 6, palette, kNoPool | 1, 2), 1u);
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), (std::vector<uint8_t>{10, 20, 30, 40, 50, 60}));
  EXPECT_EQ(worker.Resize(idx, 2, 1, rgb, 2, 1, 1, 0, 2, 6, nullptr, kNoPool, 2), 0u);
  EXPECT_EQ(worker.error, 5u);
}
