// Every vector level gives the scalar walks' bytes on larger pictures and at
// the bilinear walk's edge cases (random small pictures are the reference
// test's); and a table of output hashes that both builds must reproduce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "core/library_globals.h"
#include "resample/bilinear_resize.h"
#include "resample/resample_simd.h"
#include "resample/resize_test_util.h"
#include "core/pictura_core.h"

using namespace Pictura;
using namespace resize_test;

namespace {

class PoolEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(pic_Initialize(nullptr));
    std::printf("resize vector level on this processor: %d\n", ResampleVectorLevel());
  }
  void TearDown() override { SetResampleVectorCap(kResampleTopLevel); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new PoolEnvironment);

template <class T>
Image<T> RunAt(int level, const Image<T>& src, uint32_t w, uint32_t h, uint32_t pad, uint32_t mode,
               uint32_t flags, BOOL* ok) {
  SetResampleVectorCap(level);
  Image<T> dst(w, h, src.channels, pad);
  *ok = Resize(src, dst, mode, flags);
  SetResampleVectorCap(kResampleTopLevel);
  return dst;
}

// Mode 16 on the calling thread at each level equals the scalar walk, the
// destination rows padded by `pad`; the failure names the level.
testing::AssertionResult BilinearLevelsMatch(const Image<uint8_t>& src, uint32_t w, uint32_t h, uint32_t pad,
                                             const std::vector<int>& levels) {
  BOOL okRef = FALSE;
  const Image<uint8_t> ref = RunAt(0, src, w, h, pad, 16, kNoPool, &okRef);
  if (!okRef) return testing::AssertionFailure() << "the scalar walk failed";
  for (int level : levels) {
    BOOL ok = FALSE;
    const Image<uint8_t> got = RunAt(level, src, w, h, pad, 16, kNoPool, &ok);
    if (!ok) return testing::AssertionFailure() << "level " << level << " failed";
    if (got.data != ref.data) return testing::AssertionFailure() << "level " << level << " differs";
  }
  return testing::AssertionSuccess();
}

}  // namespace

TEST(ResizeVector, LargerThreeAndFourChannelImages) {
  const std::vector<int> levels = LevelsFrom(1);
  for (uint32_t ch : {3u, 4u}) {
    Image<uint8_t> src(331, 217, ch, 1);
    Fill(src, ch, 255.0);
    for (uint32_t mode : {2u, 8u, 15u, 16u, 17u}) {
      for (auto [w, h] : {std::pair{83u, 55u}, std::pair{122u, 80u}, std::pair{662u, 434u}}) {
        if (mode == 15 && w > 331) continue;
        BOOL okRef = FALSE;
        const Image<uint8_t> ref = RunAt(0, src, w, h, 2, mode, 0, &okRef);
        ASSERT_TRUE(okRef);
        for (int level : levels) {
          BOOL ok = FALSE;
          const Image<uint8_t> got = RunAt(level, src, w, h, 2, mode, 0, &ok);
          ASSERT_TRUE(ok);
          EXPECT_TRUE(got.data == ref.data)
              << "mode " << mode << " ch " << ch << " level " << level << " " << w;
        }
      }
    }
  }
}

TEST(ResizeVector, BilinearNearWholeNumbersMatchesTheScalarWalk) {
  // Few distinct sample values and scales whose positions are simple
  // fractions make many blends land on or right next to whole numbers,
  // where the single-precision rows must fall back on the exact sum.
  const std::vector<int> levels = LevelsFrom(1);
  Rng rng(4242);
  struct Size {
    uint32_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{2, 2, 4, 4},      {4, 3, 8, 6},    {16, 9, 32, 18}, {64, 33, 128, 66},
                        {30, 30, 20, 20},  {50, 20, 20, 8}, {24, 16, 6, 4},  {17, 5, 17, 11},
                        {17, 11, 17, 5},   {6, 1, 13, 3},   {7, 7, 3, 1},    {33, 2, 99, 7},
                        {100, 50, 40, 20}, {5, 40, 12, 60}, {64, 64, 48, 48}};
  for (const Size& z : sizes) {
    for (uint32_t ch : {3u, 4u}) {
      for (int pattern = 0; pattern < 4; ++pattern) {
        Image<uint8_t> src(z.sw, z.sh, ch, rng.Below(3));
        for (uint32_t y = 0; y < z.sh; ++y)
          for (uint32_t x = 0; x < z.sw; ++x)
            for (uint32_t c = 0; c < ch; ++c) {
              static const uint8_t few[] = {0, 1, 2, 127, 128, 254, 255};
              uint8_t v = 0;
              if (pattern == 0) v = few[rng.Below(7)];
              if (pattern == 1) v = ((x + y) & 1) ? 255 : 0;
              if (pattern == 2) v = static_cast<uint8_t>(x + 2 * y + c);
              if (pattern == 3) v = static_cast<uint8_t>(((x / 2) & 1) ^ ((y / 2) & 1) ? 200 : 100);
              src.At(x, y, c) = v;
            }
        ASSERT_TRUE(BilinearLevelsMatch(src, z.dw, z.dh, 1, levels))
            << z.sw << "x" << z.sh << "x" << ch << " -> " << z.dw << "x" << z.dh << " pattern " << pattern;
      }
    }
  }
}

TEST(ResizeVector, BilinearRampsAtSimpleRatiosMatchTheScalarWalk) {
  // Ramps resized by simple ratios (100/37 as 4000 -> 1480) blend to whole
  // numbers in many places, scattered across rows wider than a run of the
  // single-precision rows' steps; flat stretches between them are exact in
  // any precision. Each row must equal the scalar walk's.
  const std::vector<int> levels = LevelsFrom(1);
  struct Size {
    uint32_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{1000, 60, 370, 22}, {1200, 30, 480, 12}, {999, 12, 333, 4},  {640, 17, 1580, 41},
                        {1001, 9, 371, 3},   {700, 20, 1400, 40}, {301, 31, 113, 11}, {299, 40, 120, 15},
                        {500, 50, 140, 14},  {333, 64, 120, 23}};
  for (const Size& z : sizes) {
    for (uint32_t ch : {3u, 4u}) {
      for (int pattern = 0; pattern < 4; ++pattern) {
        Image<uint8_t> src(z.sw, z.sh, ch, 0);
        for (uint32_t y = 0; y < z.sh; ++y)
          for (uint32_t x = 0; x < z.sw; ++x)
            for (uint32_t c = 0; c < ch; ++c) {
              const uint64_t ramp = 7 * x + 13 * y + 50 * c + ((uint64_t{x} * y) >> 3);
              uint8_t v = static_cast<uint8_t>(ramp);
              if (pattern == 1 && (x / 97) % 2 == 1) v = static_cast<uint8_t>(40 * c + 3);  // flat stretches
              if (pattern == 2) v = static_cast<uint8_t>(x % 256 < 128 ? 2 * x + c : 255 - x % 128);
              // Even rows flat, odd ones stepping where the columns are odd:
              // blends of a flat row and a stepping one.
              if (pattern == 3) v = static_cast<uint8_t>(y % 2 && x % 2 ? 106 + 3 * c : 100);
              src.At(x, y, c) = v;
            }
        ASSERT_TRUE(BilinearLevelsMatch(src, z.dw, z.dh, 0, levels))
            << z.sw << "x" << z.sh << "x" << ch << " -> " << z.dw << "x" << z.dh << " pattern " << pattern;
      }
    }
  }
}

TEST(ResizeVector, BilinearNarrowDestinationsEveryWidth) {
  // Row ends: every width up to a few vector steps, reduced and enlarged,
  // into rows exactly as long as their pixels.
  const std::vector<int> levels = LevelsFrom(1);
  for (uint32_t ch : {3u, 4u}) {
    Image<uint8_t> src(39, 33, ch, 2);
    Fill(src, ch + 70, 255.0);
    for (uint32_t w = 1; w <= 24; ++w) {
      for (uint32_t h : {5u, 40u}) {
        BOOL okRef = FALSE;
        const Image<uint8_t> ref = RunAt(0, src, w, h, 0, 16, kNoPool, &okRef);
        ASSERT_TRUE(okRef);
        for (int level : levels) {
          BOOL ok = FALSE;
          const Image<uint8_t> got = RunAt(level, src, w, h, 0, 16, kNoPool, &ok);
          ASSERT_TRUE(ok);
          ASSERT_TRUE(got.data == ref.data) << w << "x" << h << "x" << ch << " level " << level;
        }
      }
    }
  }
}

TEST(ResizeVector, BilinearHalvingEveryWidth) {
  // Reductions by two are every second pixel (four a step with SSSE3): every
  // width up to a few steps, rows exactly as long as their pixels, so the
  // last row's reads and writes end where the rows do.
  const std::vector<int> levels = LevelsFrom(0);
  for (uint32_t w = 1; w <= 26; ++w) {
    for (uint32_t sh : {2u, 9u}) {
      Image<uint8_t> src(2 * w, sh, 3, 0);
      Fill(src, w + 3, 255.0);
      BOOL okRef = FALSE;
      const Image<uint8_t> ref = RunAt(0, src, w, sh / 2, 0, 16, kNoPool, &okRef);
      ASSERT_TRUE(okRef);
      for (size_t x = 0; x < w; ++x)  // point sampling: pixel 2x of row 0
        for (size_t c = 0; c < 3; ++c) ASSERT_EQ(ref.data[3 * x + c], src.data[6 * x + c]);
      for (int level : levels) {
        BOOL ok = FALSE;
        const Image<uint8_t> got = RunAt(level, src, w, sh / 2, 0, 16, kNoPool, &ok);
        ASSERT_TRUE(ok);
        ASSERT_TRUE(got.data == ref.data) << w << "x" << sh << " level " << level;
      }
    }
  }
}

// Hashes of fixed resizes; the same table holds for the native and the
// 32-bit Windows build. WAYLUNE_PRINT_RESIZE_HASHES=1 prints the values.
TEST(ResizeVector, OutputsAreTheSameOnEveryBuild) {
  struct Case {
    uint32_t mode, channels, sw, sh, dw, dh, type;  // type 0 8-bit, 1 16-bit, 2 double
    uint64_t hash;
  };
  static const Case cases[] = {
#include "resample/resize_hashes.inc"
  };
  const bool print = std::getenv("WAYLUNE_PRINT_RESIZE_HASHES") != nullptr;
  for (int level : print ? std::vector<int>{0} : LevelsFrom(0)) {
    SCOPED_TRACE(testing::Message() << "vector level " << level);
    SetResampleVectorCap(level);
    for (const Case& c : cases) {
      uint64_t h = 0;
      if (c.type == 0) {
        Image<uint8_t> src(c.sw, c.sh, c.channels, 1);
        Fill(src, c.mode + 100, 255.0);
        Image<uint8_t> dst(c.dw, c.dh, c.channels);
        ASSERT_TRUE(Resize(src, dst, c.mode, 0)) << c.mode;
        h = Hash(dst);
      } else if (c.type == 1) {
        Image<uint16_t> src(c.sw, c.sh, c.channels, 1);
        Fill(src, c.mode + 200, 65535.0);
        Image<uint16_t> dst(c.dw, c.dh, c.channels);
        ASSERT_TRUE(Resize(src, dst, c.mode, 0)) << c.mode;
        h = Hash(dst);
      } else {
        Image<double> src(c.sw, c.sh, c.channels, 1);
        Fill(src, c.mode + 300, 1.0);
        Image<double> dst(c.dw, c.dh, c.channels);
        ASSERT_TRUE(Resize(src, dst, c.mode, 0)) << c.mode;
        h = Hash(dst);
      }
      if (print)
        std::printf("{%u, %u, %u, %u, %u, %u, %u, 0x%016" PRIx64 "ull},\n", c.mode, c.channels, c.sw, c.sh,
                    c.dw, c.dh, c.type, h);
      else
        EXPECT_EQ(h, c.hash) << "mode " << c.mode << " type " << c.type << " " << c.sw << "x" << c.sh
                             << " -> " << c.dw << "x" << c.dh;
    }
  }
  SetResampleVectorCap(kResampleTopLevel);
}

TEST(ResizeVector, BilinearDenominators) {
  struct Row {
    uint32_t s, d;
    uint64_t denominator;
  };
  const Row rows[] = {
      {4000, 1480, 37},   {3000, 1110, 37}, {1920, 710, 71}, {1080, 399, 133}, {4000, 1000, 1},
      {5, 5, 1},          {256, 254, 127},  {0, 5, 0},       {5, 0, 0},        {100, 200, 400},
      {1920, 3840, 7680}, {1, 2, 4},        {2, 3, 9},
  };
  for (const Row& r : rows) EXPECT_EQ(BilinearDenominator(r.s, r.d), r.denominator) << r.s << " -> " << r.d;
}

TEST(ResizeVector, FixedBilinearInverseOnlyWhereEveryByteIsProven) {
  // The whole-number rows take floor(q / (dx dy)) as q times the factor,
  // truncated in floats: that must hold for every blend q of each allowed
  // pair; the bound on the weights' distance must refuse what the walk's
  // snap could not cover.
  struct Row {
    uint64_t dx, dy;
    double ex, ey;
    bool allowed;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Row rows[] = {
      {37, 37, 6e-13, 6e-13, true},
      {1, 1, 0, 0, true},
      {127, 1, 0, 0, true},
      {128, 1, 0, 0, false},
      {0, 5, 0, 0, false},
      {5, 0, 0, 0, false},
      {1, 32768, 0, 0, false},
      {127, 127, 0, 0, false},
      {71, 133, 0, 0, true},
      {37, 37, 1.9e-12, 1.9e-12, true},
      {37, 37, 2e-12, 2e-12, false},
      {37, 37, 3.9e-12, 0, true},
      {37, 37, 0, 4e-12, false},
      {37, 37, -1e-13, 0, false},
      {37, 37, nan, 0, false},
      {37, 37, 0, nan, false},
      {1, 32767, 0, 0, false},
      {127, 86, 0, 0, true},
      {(1ull << 32) + 37, 37, 0, 0, false},
      {37, (1ull << 32) + 37, 0, 0, false},
  };
  auto exact = [](uint32_t p, float c) {
    for (uint32_t q = 0; q <= 255 * p; ++q)
      if (static_cast<uint32_t>(static_cast<float>(q) * c) != q / p) return q;
    return ~0u;
  };
  for (const Row& r : rows) {
    const float c = FixedBilinearInverse(r.dx, r.dy, r.ex, r.ey);
    EXPECT_EQ(c != 0, r.allowed) << r.dx << " x " << r.dy << " at " << r.ex << ", " << r.ey;
    if (c != 0) {
      EXPECT_EQ(exact(static_cast<uint32_t>(r.dx * r.dy), c), ~0u) << r.dx << " x " << r.dy;
    }
  }
  // The largest products allowed, where the factor's margin is least.
  std::vector<std::pair<uint32_t, uint32_t>> largest;
  for (uint32_t dx = 1; dx <= 127; ++dx)
    for (uint32_t dy = 1; dx * dy < 20000; ++dy)
      if (FixedBilinearInverse(dx, dy, 0, 0) != 0) largest.push_back({dx * dy, dy});
  std::sort(largest.rbegin(), largest.rend());
  ASSERT_GE(largest.size(), 4u);
  EXPECT_GT(largest[0].first, 9443u);  // 1920x1080 -> 710x399 is allowed
  for (size_t i = 0; i < 4; ++i) {
    const uint32_t p = largest[i].first, dy = largest[i].second;
    EXPECT_EQ(exact(p, FixedBilinearInverse(p / dy, dy, 0, 0)), ~0u) << p;
  }
}

TEST(ResizeVector, FixedWeightsOfTheWalksPositions) {
  // The walk's weights lie within a few units in the last place of the
  // positions' fractions for moderate sizes, too far from them for the
  // bound when the source is ten times wider; the numerators are the
  // nearest multiples, 0 .. denominator.
  struct Row {
    uint32_t s, d;
    double closest, farthest;  // the distance lies in [closest, farthest]
  };
  const Row rows[] = {{4000, 1480, 1e-14, 1e-12},
                      {3000, 1110, 1e-14, 1e-12},
                      {1920, 710, 1e-14, 1e-12},
                      {1080, 399, 1e-14, 1e-12},
                      {40000, 14800, 4e-12, 1e-11},
                      {4000, 1000, 0, 0},
                      {7, 3, 0, 1e-15},
                      {50, 49, 0, 1e-14}};
  for (const Row& r : rows) {
    PicArray<double> t;
    PicArray<unsigned int> indices;
    CPicImgResizeBilinearT<uint8_t>::BuildCoefficients(r.d, r.s, t, indices);
    ASSERT_EQ(t.Count(), r.d);
    const uint64_t den = BilinearDenominator(r.s, r.d);
    std::vector<uint32_t> w(r.d);
    const double e = FixedWeights(t.Data(), r.d, den, w.data());
    EXPECT_GE(e, r.closest) << r.s << " -> " << r.d;
    EXPECT_LE(e, r.farthest) << r.s << " -> " << r.d;
    EXPECT_EQ(FixedWeights(t.Data(), r.d, den, nullptr), e);
    for (uint32_t i = 0; i < r.d; ++i) {
      ASSERT_LE(w[i], den) << i;
      ASSERT_LE(std::fabs(t[i] * static_cast<double>(den) - w[i]), 0.5)
          << r.s << " -> " << r.d << " at " << i;
      ASSERT_LE(std::fabs(t[i] - w[i] / static_cast<double>(den)), e) << i;
    }
  }
  // Weights half way between two multiples and at the ends.
  const double t[] = {0.5, 0.25, 0.0, 0.999999};
  uint32_t w[4] = {9, 9, 9, 9};
  EXPECT_DOUBLE_EQ(FixedWeights(t, 4, 2, w), 0.25);
  EXPECT_EQ(w[0], 1u);
  EXPECT_EQ(w[2], 0u);
  EXPECT_EQ(w[3], 2u);
  EXPECT_EQ(FixedWeights(t, 0, 2, nullptr), 0.0);
}

TEST(ResizeVector, BilinearWholeNumberRowsMatchTheScalarWalk) {
  // Reductions whose positions fall on multiples of 1 / dx across and
  // 1 / dy down blend in whole numbers. Ramps stepping by multiples of the
  // denominators blend to exact whole numbers, where the walk's rounding is
  // tightest, and 0 / 255 fields to the limits; widths below and around the
  // eight-pixel step test the row ends; the widest source keeps the
  // positions too far from the fractions and takes the other rows.
  const std::vector<int> levels = LevelsFrom(1);
  Rng rng(777);
  struct Size {
    uint32_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{400, 300, 148, 111}, {1920, 108, 710, 40}, {256, 30, 254, 20}, {129, 50, 127, 49},
                        {3, 3, 2, 2},         {9, 7, 8, 6},         {35, 20, 9, 9},     {40, 10, 17, 3},
                        {27, 9, 10, 4},       {30, 9, 11, 4},       {28, 5, 9, 2},      {100, 8, 37, 3},
                        {40000, 4, 14800, 2}, {300, 200, 200, 100}, {300, 100, 300, 37}};
  for (const Size& z : sizes) {
    const auto dx = static_cast<uint32_t>(BilinearDenominator(z.sw, z.dw));
    const auto dy = static_cast<uint32_t>(BilinearDenominator(z.sh, z.dh));
    for (uint32_t ch : {3u, 4u}) {
      for (int pattern = 0; pattern < 5; ++pattern) {
        Image<uint8_t> src(z.sw, z.sh, ch, rng.Below(3));
        for (uint32_t y = 0; y < z.sh; ++y)
          for (uint32_t x = 0; x < z.sw; ++x)
            for (uint32_t c = 0; c < ch; ++c) {
              uint8_t v = 0;
              if (pattern == 0) v = static_cast<uint8_t>(7 * x + 13 * y + 50 * c + ((uint64_t{x} * y) >> 3));
              if (pattern == 1) v = static_cast<uint8_t>(dx * (x % 4) * (c + 1) + dy * (y % 3));
              if (pattern == 2) v = ((x + y + c) & 1) ? 255 : 0;
              if (pattern == 3) v = (x / 3 + y / 2) & 1 ? 255 : static_cast<uint8_t>(255 - dx * (x & 1));
              if (pattern == 4) v = static_cast<uint8_t>(rng.Next());
              src.At(x, y, c) = v;
            }
        ASSERT_TRUE(BilinearLevelsMatch(src, z.dw, z.dh, 2, levels))
            << z.sw << "x" << z.sh << "x" << ch << " -> " << z.dw << "x" << z.dh << " pattern " << pattern;
      }
    }
  }
}

TEST(ResizeVector, BilinearWholeNumberRowsOnThePool) {
  // Bands of rows each check their own rows' weights; the bytes are the
  // calling thread's scalar walk's.
  Image<uint8_t> src(2000, 1500, 3, 5);
  for (uint32_t y = 0; y < src.height; ++y)
    for (uint32_t x = 0; x < src.width; ++x)
      for (uint32_t c = 0; c < 3; ++c)
        src.At(x, y, c) = static_cast<uint8_t>(7 * x + 13 * y + 50 * c + ((uint64_t{x} * y) >> 3));
  BOOL okRef = FALSE;
  const Image<uint8_t> ref = RunAt(0, src, 740, 555, 1, 16, kNoPool, &okRef);
  ASSERT_TRUE(okRef);
  const uint32_t before = GetThreadsPerOperation();
  for (uint32_t threads : {2u, 4u, 7u}) {
    SetThreadsPerOperation(threads);
    BOOL ok = FALSE;
    const Image<uint8_t> got = RunAt(kResampleTopLevel, src, 740, 555, 1, 16, 0, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(got.data == ref.data) << threads << " threads";
  }
  SetThreadsPerOperation(before);
}

TEST(ResizeVector, BicubicBandsOfRowsMatchTheCallingThread) {
  // A band's first rows take source rows above the band, summed again in
  // the band: reductions and enlargements, every sample type, thread counts
  // that split the rows unevenly.
  struct Case {
    uint32_t sw, sh, dw, dh;
  };
  const Case cases[] = {{400, 300, 100, 75}, {400, 300, 148, 111}, {97, 83, 194, 166},
                        {64, 48, 120, 90},   {300, 200, 300, 61},  {50, 400, 80, 47}};
  const uint32_t before = GetThreadsPerOperation();
  for (const Case& c : cases) {
    for (uint32_t threads : {2u, 3u, 8u}) {
      SetThreadsPerOperation(threads);
      for (uint32_t ch : {3u, 4u}) {
        Image<uint8_t> src(c.sw, c.sh, ch, 1);
        Fill(src, c.sw + ch, 255.0);
        Image<uint8_t> pooled(c.dw, c.dh, ch, 2), alone(c.dw, c.dh, ch, 2);
        ASSERT_TRUE(Resize(src, pooled, 17, 0));
        ASSERT_TRUE(Resize(src, alone, 17, kNoPool));
        EXPECT_TRUE(pooled.data == alone.data)
            << c.sw << " -> " << c.dw << "x" << c.dh << " ch " << ch << " threads " << threads;
      }
      Image<uint16_t> s16(c.sw, c.sh, 2);
      Fill(s16, c.sh, 65535.0);
      Image<uint16_t> p16(c.dw, c.dh, 2, 1), a16(c.dw, c.dh, 2, 1);
      ASSERT_TRUE(Resize(s16, p16, 17, 0));
      ASSERT_TRUE(Resize(s16, a16, 17, kNoPool));
      EXPECT_TRUE(p16.data == a16.data) << "16-bit " << c.sw << " -> " << c.dw << " threads " << threads;
      Image<double> sD(c.sw, c.sh, 1);
      Fill(sD, c.dw, 1.0);
      Image<double> pD(c.dw, c.dh, 1, 1), aD(c.dw, c.dh, 1, 1);
      ASSERT_TRUE(Resize(sD, pD, 17, 0));
      ASSERT_TRUE(Resize(sD, aD, 17, kNoPool));
      EXPECT_TRUE(pD.data == aD.data) << "double " << c.sw << " -> " << c.dw << " threads " << threads;
    }
  }
  SetThreadsPerOperation(before);
}

TEST(ResizeVector, BicubicReadsNothingPastTheLastRow) {
  // Buffers exactly as long as their pixels (the sanitizers see a read one
  // byte past): the 3-channel rows load 4 bytes a pixel, so the last source
  // row must go through a padded copy, on the calling thread and in bands.
  struct Case {
    uint32_t sw, sh, dw, dh;
  };
  const Case cases[] = {{37, 29, 80, 61}, {80, 61, 37, 29}, {5, 5, 9, 9}, {120, 90, 119, 89}};
  for (const Case& c : cases) {
    for (uint32_t flags : {kNoPool, 0u}) {
      std::vector<uint8_t> src(size_t{c.sw} * c.sh * 3), alone(size_t{c.dw} * c.dh * 3),
          got(size_t{c.dw} * c.dh * 3);
      Rng rng(c.sw * 31 + c.dh);
      for (uint8_t& b : src) b = static_cast<uint8_t>(rng.Next());
      ASSERT_TRUE(
          pic_ResizeImage(src.data(), c.sw, c.sh, c.sw * 3, got.data(), c.dw, c.dh, c.dw * 3, 3, 17, flags));
      SetResampleVectorCap(0);
      ASSERT_TRUE(pic_ResizeImage(src.data(), c.sw, c.sh, c.sw * 3, alone.data(), c.dw, c.dh, c.dw * 3, 3, 17,
                                  kNoPool));
      SetResampleVectorCap(kResampleTopLevel);
      EXPECT_TRUE(got == alone) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << " flags " << flags;
    }
  }
}
