// What the reference walk cannot show: the kernels and the maths behind
// them, wide rows past 32 bits, refusals, and one-bit and paletted sources.
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
}  // namespace

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

TEST(ResizeGolden, BlockSumsOf16BitSamplesPast32BitsAreRefused) {
  Image<uint16_t> wide(700, 100, 1), one(1, 1, 1);
  EXPECT_FALSE(Resize(wide, one, 14, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
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
