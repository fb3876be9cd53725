// One-bit and paletted paths: the one-bit bilinear resize, the area-average
// resamplers and their block shortcuts, and the bicubic point calculator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "resample/area_average.h"
#include "resample/bicubic_calc.h"
#include "resample/bilinear_resize.h"
#include "resample/resize_test_util.h"
#include "core/pictura_core.h"

using namespace Pictura;
using namespace resize_test;

namespace {

std::vector<uint8_t> RandomBits(uint32_t stride, uint32_t rows, uint64_t seed) {
  Rng rng(seed);
  std::vector<uint8_t> v(size_t{stride} * rows);
  for (auto& b : v) b = static_cast<uint8_t>(rng.Next());
  return v;
}

bool Bit(const std::vector<uint8_t>& img, uint32_t stride, uint32_t x, uint32_t y) {
  return (img[size_t{y} * stride + x / 8] & (0x80u >> (x % 8))) != 0;
}

}  // namespace

TEST(ResizeOneBit, BilinearMatchesAPlainReadingOfItsRule) {
  // Each output pixel looks at the 2 x 2 source pixels below its position:
  // all set or all clear gives that; otherwise the 8-bit blend weights of
  // the set ones must pass half of 65536.
  auto scale = [](double s, double d) { return s >= d ? s / d : (s - s / d) / d; };
  struct Case {
    uint32_t sw, sh, dw, dh;
    uint64_t seed;
  };
  for (const Case& c :
       {Case{4, 4, 8, 8, 1}, Case{13, 7, 29, 17, 2}, Case{40, 30, 11, 9, 3}, Case{9, 9, 9, 9, 4}}) {
    const uint32_t ss = (c.sw + 7) / 8, ds = (c.dw + 7) / 8;
    const auto src = RandomBits(ss, c.sh, c.seed);
    std::vector<uint8_t> dst(size_t{ds} * c.dh, 0);
    CPicImgBufExternConst<uint8_t> s(src.data(), c.sw, c.sh, 1, ss);
    CPicImgBufExtern<uint8_t> d(dst.data(), c.dw, c.dh, 1, ds);
    CPicImgResizeBilinearT<uint8_t> m;
    ASSERT_EQ(m.Resize1Bit(s, d, kNoPool), 1u);
    const double rx = scale(c.sw, c.dw), ry = scale(c.sh, c.dh);
    for (uint32_t y = 0; y < c.dh; ++y)
      for (uint32_t x = 0; x < c.dw; ++x) {
        const double py = y * ry, px = x * rx;
        const auto y0 = static_cast<uint32_t>(py), x0 = static_cast<uint32_t>(px);
        const auto wy = static_cast<uint32_t>((py - y0) * 256),
                   wy1 = static_cast<uint32_t>((1 - (py - y0)) * 256);
        const auto wx = static_cast<uint32_t>((px - x0) * 256);
        const uint32_t y1 = std::min(y0 + 1, c.sh - 1), x1 = std::min(x0 + 1, c.sw - 1);
        const uint32_t a0 = Bit(src, ss, x0, y0), a1 = Bit(src, ss, x1, y0);
        const uint32_t b0 = Bit(src, ss, x0, y1), b1 = Bit(src, ss, x1, y1);
        const uint32_t weight = a0 * (256 - wx) * wy1 + a1 * wx * wy1 + b0 * (256 - wx) * wy + b1 * wx * wy;
        const bool want = a0 + a1 + b0 + b1 == 4 || (a0 + a1 + b0 + b1 > 0 && weight > 32768);
        ASSERT_EQ(Bit(dst, ds, x, y), want)
            << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " at " << x << "," << y;
      }
  }
  std::vector<uint8_t> src = {0xC0, 0xC0, 0x00, 0x00};
  CPicImgBufExternConst<uint8_t> s(src.data(), 4, 4, 1, 1);
  CPicImgResizeBilinearT<uint8_t> m;
  CPicImgBufExtern<uint8_t> same(src.data(), 4, 4, 1, 1);
  EXPECT_EQ(m.Resize1Bit(s, same, kNoPool), 0u);
  EXPECT_EQ(m.error, 5u);

  // Threaded and alone agree.
  auto big = RandomBits(25, 90, 1);
  std::vector<uint8_t> a(20 * 150), b(20 * 150);
  CPicImgBufExternConst<uint8_t> bs(big.data(), 197, 90, 1, 25);
  CPicImgBufExtern<uint8_t> ad(a.data(), 151, 150, 1, 20), bd(b.data(), 151, 150, 1, 20);
  ASSERT_TRUE(pic_Initialize(nullptr));
  ASSERT_EQ(m.Resize1Bit(bs, ad, 0), 1u);
  ASSERT_EQ(m.Resize1Bit(bs, bd, kNoPool), 1u);
  EXPECT_EQ(a, b);
}

TEST(ResizeAreaAverage, OneBitToGreyBlocksAndWalkFollowTheDefinition) {
  // Whole-block reductions: the block paths (by 2, 4, 8, 16, 32 columns)
  // and the general walk (by 3 and 6) give the block's truncated mean.
  struct Case {
    uint32_t sw, sh, dw, dh;
  };
  for (const Case c : {Case{64, 32, 8, 4}, Case{64, 40, 4, 8}, Case{64, 32, 32, 16}, Case{64, 32, 16, 8},
                       Case{128, 30, 4, 10}, Case{24, 9, 8, 3}, Case{48, 12, 8, 2}}) {
    const uint32_t stride = (c.sw + 7) / 8;
    auto src = RandomBits(stride, c.sh, c.sw + c.dw);
    std::vector<uint8_t> grey(size_t{c.dw} * c.dh);
    uint32_t err = 0;
    ASSERT_TRUE(AreaAverageResample1BitToGray(&err, src.data(), c.sw, c.sh, stride, grey.data(), c.dw, c.dh,
                                              c.dw, 0));
    const uint32_t bw = c.sw / c.dw, bh = c.sh / c.dh;
    for (uint32_t y = 0; y < c.dh; ++y)
      for (uint32_t x = 0; x < c.dw; ++x) {
        uint32_t set = 0;
        for (uint32_t j = 0; j < bh; ++j)
          for (uint32_t i = 0; i < bw; ++i) set += Bit(src, stride, x * bw + i, y * bh + j);
        EXPECT_EQ(grey[size_t{y} * c.dw + x], 255 - static_cast<int>(set * 255 / (bw * bh)))
            << c.sw << "->" << c.dw << " at " << x << "," << y;
      }
  }
  // Set bits light with flags bit 0; a destination larger than the source refused.
  std::vector<uint8_t> ones(4, 0xFF), grey(4);
  uint32_t err = 0;
  ASSERT_TRUE(AreaAverageResample1BitToGray(&err, ones.data(), 8, 4, 1, grey.data(), 2, 2, 2, 1));
  EXPECT_EQ(grey, (std::vector<uint8_t>{255, 255, 255, 255}));
  EXPECT_FALSE(AreaAverageResample1BitToGray(&err, ones.data(), 8, 4, 1, grey.data(), 9, 2, 9, 1));
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_FALSE(AreaAverageResample1BitToGray(&err, ones.data(), 8, 4, 1, grey.data(), 0, 2, 9, 1));
  EXPECT_EQ(err, 5u);
}

TEST(ResizeAreaAverage, GeneralWalkWeighsPartialCells) {
  // 3 one-bit columns to 2: pixel 0 covers column 0 and half of column 1.
  const std::vector<uint8_t> src = {0xC0};  // columns 0 and 1 set, 2 clear
  std::vector<uint8_t> grey(2);
  uint32_t err = 0;
  ASSERT_TRUE(AreaAverageResample1BitToGray(&err, src.data(), 3, 1, 1, grey.data(), 2, 1, 2, 1));
  EXPECT_EQ(grey[0], 255);                                    // (1 + 0.5) x 255 / 1.5
  EXPECT_EQ(grey[1], static_cast<uint8_t>(0.5 * 255 / 1.5));  // 85
  std::vector<uint8_t> bits(1, 0);
  ASSERT_TRUE(AreaAverageResample1Bit(&err, src.data(), 3, 1, 1, bits.data(), 2, 1, 1, 85, 0));
  EXPECT_EQ(bits[0], 0x80);  // 255 above the threshold, 85 not
}

TEST(ResizeAreaAverage, PalettedImages) {
  RGBQUAD palette[4] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {200, 100, 50, 0}};
  // Equal sizes: every index back (no duplicate colours).
  const std::vector<uint8_t> idx = {0, 1, 2, 3, 3, 2, 1, 0};
  std::vector<uint8_t> out(8);
  uint32_t err = 0;
  ASSERT_TRUE(AreaAverageResample8Bit(&err, idx.data(), 4, 2, 4, out.data(), 4, 2, 4, palette, 4, 0));
  EXPECT_EQ(out, idx);
  // Two pixels to one: the mean colour, in either byte order.
  const std::vector<uint8_t> two = {2, 3};  // red 255 and (50, 100, 200)
  std::vector<uint8_t> rgb(3);
  ASSERT_TRUE(AreaAverageResample8To24(&err, two.data(), 2, 1, 2, rgb.data(), 1, 1, 3, palette, 0));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{152, 50, 100}));
  ASSERT_TRUE(AreaAverageResample8To24(&err, two.data(), 2, 1, 2, rgb.data(), 1, 1, 3, palette, 1));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{100, 50, 152}));
  EXPECT_FALSE(AreaAverageResample8To24(&err, two.data(), 2, 1, 2, rgb.data(), 1, 1, 3, nullptr, 0));
  EXPECT_EQ(err, 5u);
  EXPECT_FALSE(AreaAverageResample8Bit(&err, two.data(), 2, 1, 2, out.data(), 3, 1, 3, palette, 4, 0));
  EXPECT_EQ(err, 5u);
}

TEST(ResizeBicubicCalc, ScalarPackedAndPointSamplersAgree) {
  std::unique_ptr<CPicBiCubicCalcBase> calc(CreateBiCubicCalc());
  ASSERT_TRUE(calc);
  CPicBiCubicCalc scalar;
  uint8_t block[16];
  double blockD[16];
  Rng rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    for (int i = 0; i < 16; ++i) blockD[i] = block[i] = static_cast<uint8_t>(rng.Next());
    const float x = static_cast<float>(rng.Below(1000)) / 100.0f,
                y = static_cast<float>(rng.Below(1000)) / 100.0f;
    EXPECT_EQ(scalar.SetPosition(x, y), static_cast<int32_t>(y));
    calc->SetPosition(x, y);
    const int a = scalar.Interpolate8(block), b = calc->Interpolate8(block);
    EXPECT_NEAR(a, b, 1) << x << "," << y;
    EXPECT_NEAR(scalar.InterpolateDouble(blockD),
                BicubicSampleDouble(static_cast<double>(x) - 0.0, y, blockD), 1e-9);
  }
  // At whole positions the second sample of the second row comes back.
  for (int i = 0; i < 16; ++i) block[i] = static_cast<uint8_t>(10 * i);
  scalar.SetPosition(3.0f, 7.0f);
  EXPECT_EQ(scalar.Interpolate8(block), 50);
  calc->SetPosition(3.0f, 7.0f);
  EXPECT_EQ(calc->Interpolate8(block), 50);
  EXPECT_EQ(BicubicSample8(3.0, 7.0, block), 50);
  // Overshoot is limited for integers.
  const uint8_t peak[16] = {0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0};
  EXPECT_EQ(BicubicSample8(0.5, 0.5, peak), 255);
  const uint16_t dip[16] = {65535, 0, 0, 65535, 65535, 0, 0, 65535, 65535, 0, 0, 65535, 65535, 0, 0, 65535};
  EXPECT_EQ(BicubicSample16(0.5, 0.0, dip), 0);
}
