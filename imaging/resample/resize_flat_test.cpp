// A picture of one colour has no edges: every mode must give it back as
// that colour, whatever the sizes, at every vector level.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "resample/area_average.h"
#include "resample/resample_simd.h"
#include "resample/resize_test_util.h"

using namespace Pictura;
using namespace resize_test;

namespace {

// The library is started by the environment of resize_vector_test.cpp, in
// the same test program.

template <class T>
T RandomSample(Rng& rng, double top) {
  if constexpr (std::is_floating_point_v<T>) {
    // Whole numbers and fractions alike.
    return rng.Below(2) ? static_cast<double>(rng.Below(65536)) : top * rng.Below(1000001) / 1000000.0;
  } else {
    // Often the ends of the range and their neighbours.
    switch (rng.Below(4)) {
      case 0:
        return static_cast<T>(rng.Below(4));
      case 1:
        return static_cast<T>(top - rng.Below(4));
      default:
        return static_cast<T>(rng.Below(static_cast<uint32_t>(top) + 1));
    }
  }
}

template <class T>
void Uniform(Image<T>& img, const std::vector<T>& colour) {
  for (uint32_t y = 0; y < img.height; ++y)
    for (uint32_t x = 0; x < img.width; ++x)
      for (uint32_t c = 0; c < img.channels; ++c) img.At(x, y, c) = colour[c];
}

// Integers exactly; doubles are stored as computed, so within rounding.
template <class T>
::testing::AssertionResult StaysUniform(const Image<T>& out, const std::vector<T>& colour) {
  for (uint32_t y = 0; y < out.height; ++y)
    for (uint32_t x = 0; x < out.width; ++x)
      for (uint32_t c = 0; c < out.channels; ++c) {
        const T v = out.At(x, y, c);
        const bool same = std::is_floating_point_v<T>
                              ? std::fabs(static_cast<double>(v) - colour[c]) <= 1e-12 * std::fabs(colour[c])
                              : v == colour[c];
        if (!same)
          return ::testing::AssertionFailure()
                 << "sample (" << x << ", " << y << ", " << c << ") is " << +v << ", not " << +colour[c];
      }
  if (!out.GuardsIntact()) return ::testing::AssertionFailure() << "wrote outside the picture";
  return ::testing::AssertionSuccess();
}

template <class T>
void FlatTrials(uint32_t firstMode, uint32_t lastMode, uint32_t trials, double top) {
  for (int level : LevelsFrom(0)) {
    Rng rng(level * 7919 + sizeof(T));
    for (uint32_t mode = firstMode; mode <= lastMode; ++mode) {
      for (uint32_t t = 0; t < trials; ++t) {
        const uint32_t ch = 1 + rng.Below(4);
        const uint32_t sw = 1 + rng.Below(90), sh = 1 + rng.Below(60);
        uint32_t dw = 1 + rng.Below(180), dh = 1 + rng.Below(120);
        if (mode == 14 || mode == 15) {  // they only shrink
          dw = 1 + rng.Below(sw);
          dh = 1 + rng.Below(sh);
        }
        if (mode <= 13) {  // the widest kernel needs four output pixels
          dw = std::max(dw, 4u);
          dh = std::max(dh, 4u);
        }
        std::vector<T> colour(ch);
        for (T& v : colour) v = RandomSample<T>(rng, top);
        Image<T> src(sw, sh, ch, rng.Below(3));
        Uniform(src, colour);
        Image<T> dst(dw, dh, ch, rng.Below(3));
        SetResampleVectorCap(level);
        const BOOL ok = Resize(src, dst, mode, rng.Below(2) ? kNoPool : 0);
        SetResampleVectorCap(kResampleTopLevel);
        ASSERT_TRUE(ok) << "mode " << mode;
        ASSERT_TRUE(StaysUniform(dst, colour)) << "mode " << mode << " level " << level << ": " << sw << "x"
                                               << sh << "x" << ch << " -> " << dw << "x" << dh;
      }
    }
  }
}

}  // namespace

TEST(ResizeFlat, OneColourStaysThatColour8Bit) {
  FlatTrials<uint8_t>(0, 18, 40, 255.0);
}

TEST(ResizeFlat, OneColourStaysThatColour16BitAndDouble) {
  FlatTrials<uint16_t>(14, 18, 60, 65535.0);
  FlatTrials<double>(14, 18, 60, 1.0);
}

TEST(ResizeFlat, TheBillboardsColourEnlargedAndReduced) {
  // A blend of four equal samples whose weights add up to a hair below 1
  // must not drop to the level below.
  for (int level : LevelsFrom(0)) {
    SetResampleVectorCap(level);
    for (auto [w, h] : {std::pair{171u, 128u}, std::pair{640u, 480u}, std::pair{37u, 1000u}}) {
      Image<uint8_t> src(320, 240, 3);
      Uniform(src, std::vector<uint8_t>{250, 10, 20});
      for (uint32_t mode : {15u, 16u, 17u}) {
        if (mode == 15 && w > 320) continue;
        if (mode == 15 && h > 240) continue;
        Image<uint8_t> dst(w, h, 3);
        ASSERT_TRUE(Resize(src, dst, mode, 0));
        EXPECT_TRUE(StaysUniform(dst, std::vector<uint8_t>{250, 10, 20})) << "mode " << mode << " " << w;
      }
    }
    SetResampleVectorCap(kResampleTopLevel);
  }
}

TEST(ResizeFlat, LargeAreaReductionsOf16BitSamples) {
  // Sums over many cells gather more rounding than a four-tap blend.
  Image<uint16_t> src(1000, 700, 1);
  for (uint16_t value : {uint16_t{65535}, uint16_t{40001}, uint16_t{20}, uint16_t{1}}) {
    Uniform(src, std::vector<uint16_t>{value});
    for (auto [w, h] : {std::pair{13u, 7u}, std::pair{3u, 2u}, std::pair{29u, 31u}, std::pair{101u, 67u}}) {
      for (uint32_t mode : {14u, 15u}) {
        if (mode == 14 && w * h < 10) continue;  // block sums past 32 bits are refused
        Image<uint16_t> dst(w, h, 1);
        ASSERT_TRUE(Resize(src, dst, mode, 0));
        EXPECT_TRUE(StaysUniform(dst, std::vector<uint16_t>{value})) << "mode " << mode << " " << w;
      }
    }
  }
}

TEST(ResizeFlat, AreaAveragesOfOneBitAndPalettedImages) {
  // Every bit set, reduced by factors the block shortcuts do not take.
  for (auto [sw, sh, dw, dh] : {std::array{23u, 17u, 7u, 5u}, std::array{100u, 61u, 13u, 7u},
                                std::array{9u, 9u, 9u, 9u}, std::array{640u, 3u, 3u, 1u}}) {
    const uint32_t stride = (sw + 7) / 8;
    const std::vector<uint8_t> ones(size_t{stride} * sh, 0xFF);
    std::vector<uint8_t> grey(size_t{dw} * dh, 77);
    uint32_t err = 0;
    ASSERT_TRUE(AreaAverageResample1BitToGray(&err, ones.data(), sw, sh, stride, grey.data(), dw, dh, dw, 0));
    EXPECT_EQ(grey, std::vector<uint8_t>(grey.size(), 0)) << sw << " -> " << dw;  // set bits dark
    ASSERT_TRUE(AreaAverageResample1BitToGray(&err, ones.data(), sw, sh, stride, grey.data(), dw, dh, dw, 1));
    EXPECT_EQ(grey, std::vector<uint8_t>(grey.size(), 255)) << sw << " -> " << dw;
    const uint32_t outStride = (dw + 7) / 8;
    std::vector<uint8_t> bits(size_t{outStride} * dh, 0);
    ASSERT_TRUE(
        AreaAverageResample1Bit(&err, ones.data(), sw, sh, stride, bits.data(), dw, dh, outStride, 254, 0));
    for (uint32_t y = 0; y < dh; ++y)
      for (uint32_t x = 0; x < dw; ++x)
        EXPECT_TRUE(bits[size_t{y} * outStride + x / 8] & (0x80u >> (x % 8))) << x << "," << y;

    // One palette entry everywhere: that colour, and that entry.
    const RGBQUAD palette[3] = {{0, 0, 0, 0}, {20, 10, 250, 0}, {255, 255, 255, 0}};
    const std::vector<uint8_t> idx(size_t{sw} * sh, 1);
    std::vector<uint8_t> rgb(size_t{dw} * dh * 3), index(size_t{dw} * dh);
    ASSERT_TRUE(
        AreaAverageResample8To24(&err, idx.data(), sw, sh, sw, rgb.data(), dw, dh, dw * 3, palette, 0));
    for (size_t i = 0; i < rgb.size(); i += 3)
      ASSERT_EQ((std::vector<uint8_t>{rgb[i], rgb[i + 1], rgb[i + 2]}), (std::vector<uint8_t>{250, 10, 20}));
    ASSERT_TRUE(
        AreaAverageResample8Bit(&err, idx.data(), sw, sh, sw, index.data(), dw, dh, dw, palette, 3, 0));
    EXPECT_EQ(index, std::vector<uint8_t>(index.size(), 1));
  }
}
