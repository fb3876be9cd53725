#include "pixelops/median.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "core/pictura_core.h"

using namespace Pictura;

namespace {

// The middle of the sorted clamped window, NaN last.
double Reference(const std::vector<double>& s, int64_t w, int64_t h, int64_t ch, int64_t x, int64_t y,
                 int64_t c, int64_t half) {
  std::vector<double> win;
  for (int64_t dy = -half; dy <= half; ++dy)
    for (int64_t dx = -half; dx <= half; ++dx)
      win.push_back(
          s[(std::clamp(y + dy, int64_t{0}, h - 1) * w + std::clamp(x + dx, int64_t{0}, w - 1)) * ch + c]);
  std::sort(win.begin(), win.end(),
            [](double a, double b) { return !std::isnan(a) && (std::isnan(b) || a < b); });
  return win[win.size() / 2];
}

}  // namespace

// Against a sorted window per pixel: sizes 0 to 6 (even sizes filter with
// the next odd one), NaN samples, unselected channels kept, on and off the
// pool, images smaller than the window.
TEST(Median, MatchesASortedWindow) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  struct Row {
    uint32_t w, h, ch;
    int32_t k;
    uint32_t flags;
  };
  const Row rows[] = {{9, 7, 1, 0, 0x100001},
                      {9, 7, 2, 1, 0x100003},
                      {1, 1, 1, 3, 0x100001},
                      {11, 8, 3, 3, 0x100005},
                      {6, 50, 2, 4, 0x3},
                      {13, 9, 1, 5, 0x100001},
                      {3, 2, 1, 6, 0x100001},
                      {12, 10, 2, 8, 0x100002},
                      {4, 30, 1, 11, 0x1},
                      // 3 x 3 off the byte path (the NaN is in a chosen
                      // channel) on the channels after the first
                      {10, 6, 3, 3, 0x100006}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.k * 100 + row.w);
    std::mt19937 rng(row.k + row.w);
    std::vector<double> src(size_t{row.w} * row.h * row.ch), dst(src.size(), -7.0);
    for (auto& v : src) v = double(rng() % 9);  // many duplicates
    if (src.size() > 20) src[13] = NAN;
    CPicMedianFilter filter;
    ASSERT_TRUE(filter.MedianFilterCore(src.data(), row.w, row.h, row.ch, row.w * row.ch, dst.data(),
                                        row.w * row.ch, row.k, row.flags));
    for (uint32_t y = 0; y < row.h; ++y)
      for (uint32_t x = 0; x < row.w; ++x)
        for (uint32_t c = 0; c < row.ch; ++c) {
          const double got = dst[(size_t{y} * row.w + x) * row.ch + c];
          if (!(row.flags >> c & 1)) {
            ASSERT_EQ(got, -7.0);
            continue;
          }
          const double want = Reference(src, row.w, row.h, row.ch, x, y, c, row.k / 2);
          if (std::isnan(want))
            ASSERT_TRUE(std::isnan(got)) << x << "," << y;
          else
            ASSERT_EQ(got, want) << x << "," << y << "," << c;
        }
  }
  std::vector<double> one(4);
  CPicMedianFilter filter;
  EXPECT_FALSE(filter.MedianFilterCore(one.data(), 2, 2, 1, 2, one.data() + 1, 2, -1, 1));
  EXPECT_EQ(filter.error, 5u);
  EXPECT_FALSE(filter.MedianFilterCore(one.data(), 2, 2, 1, 2, nullptr, 2, 3, 1));
  EXPECT_FALSE(filter.MedianFilterCore(one.data(), 2, 2, 1, 2, one.data(), 2, 50000, 1));
}

// Byte samples (and f64 samples that are all byte values) take the vector
// and histogram routes: the same as the sorted window across the histogram
// stripes, odd widths, tails of vectors and bands of the pool.
// Smooth pictures keep the medians in a few coarse bins for long stretches,
// where the large windows bring their counts up to date column by column
// instead of afresh: the same as the sorted window, across stripes.
TEST(Median, SmoothPicturesMatchTheSortedWindow) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const struct {
    uint32_t w, h, ch;
    int32_t k;
    uint32_t noise;
  } rows[] = {{600, 30, 1, 15, 3}, {300, 24, 3, 31, 2}, {520, 20, 1, 9, 0}, {270, 40, 1, 21, 40}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.k * 1000 + row.w);
    std::mt19937 rng(row.k + row.w);
    std::vector<uint8_t> bytes(size_t{row.w} * row.h * row.ch), got(bytes.size());
    for (uint32_t y = 0; y < row.h; ++y)
      for (uint32_t x = 0; x < row.w; ++x)
        for (uint32_t c = 0; c < row.ch; ++c)
          bytes[(size_t{y} * row.w + x) * row.ch + c] =
              uint8_t((x / 3 + y * 2 + c * 40 + (row.noise ? rng() % row.noise : 0)) & 255);
    const std::vector<double> src(bytes.begin(), bytes.end());
    CPicMedianFilter filter;
    ASSERT_TRUE(filter.MedianFilterCore(bytes.data(), row.w, row.h, row.ch, row.w * row.ch, got.data(),
                                        row.w * row.ch, row.k, (1u << row.ch) - 1));
    for (uint32_t y = 0; y < row.h; ++y)
      for (uint32_t x = 0; x < row.w; ++x)
        for (uint32_t c = 0; c < row.ch; ++c)
          ASSERT_EQ(got[(size_t{y} * row.w + x) * row.ch + c],
                    Reference(src, row.w, row.h, row.ch, x, y, c, row.k / 2))
              << x << "," << y << "," << c;
  }
}

TEST(Median, BytesMatchTheSortedWindow) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  struct Row {
    uint32_t w, h, ch;
    int32_t k;
    uint32_t flags;
  };
  const Row rows[] = {{33, 40, 1, 3, 0x1},
                      {70, 31, 3, 5, 0x5},
                      {5, 3, 1, 5, 0x100001},
                      {301, 27, 1, 7, 0x1},
                      {290, 23, 2, 15, 0x100002},
                      {9, 60, 1, 8, 0x1},
                      {2, 2, 1, 31, 0x1},
                      {64, 33, 4, 4, 0xF},
                      // a window of one: the chosen channels copied, the others left
                      {13, 6, 3, 1, 0x5},
                      {40, 3, 1, 1, 0x1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.k * 1000 + row.w);
    std::mt19937 rng(row.k * 7 + row.w);
    std::vector<uint8_t> bytes(size_t{row.w} * row.h * row.ch), got(bytes.size(), 7);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i % 5 ? rng() : rng() % 3 + 100);
    const std::vector<double> src(bytes.begin(), bytes.end());
    std::vector<double> viaF64(src.size(), -7.0);
    CPicMedianFilter filter;
    ASSERT_TRUE(filter.MedianFilterCore(bytes.data(), row.w, row.h, row.ch, row.w * row.ch, got.data(),
                                        row.w * row.ch, row.k, row.flags));
    ASSERT_TRUE(filter.MedianFilterCore(src.data(), row.w, row.h, row.ch, row.w * row.ch, viaF64.data(),
                                        row.w * row.ch, row.k, row.flags));
    for (uint32_t y = 0; y < row.h; ++y)
      for (uint32_t x = 0; x < row.w; ++x)
        for (uint32_t c = 0; c < row.ch; ++c) {
          const size_t i = (size_t{y} * row.w + x) * row.ch + c;
          const bool picked = row.flags >> c & 1;
          const double want = picked ? Reference(src, row.w, row.h, row.ch, x, y, c, row.k / 2) : -7.0;
          ASSERT_EQ(got[i], picked ? uint8_t(want) : 7) << x << "," << y << "," << c;
          ASSERT_EQ(viaF64[i], want) << x << "," << y << "," << c;
        }
  }
  std::vector<uint8_t> one(4);
  CPicMedianFilter filter;
  EXPECT_FALSE(
      filter.MedianFilterCore(one.data(), 2, 2, 1, 2, one.data(), 2, 256, 1));  // counts past 16 bits
  EXPECT_EQ(filter.error, 5u);
}

// Rows packed without a gap, the last one ending the block (so a read
// past any row's end is one past the block, which the sanitizers see):
// every 3 x 3 byte path against the sorted window.
TEST(Median, ThreeByThreeReadsNothingPastTheRows) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const struct {
    uint32_t w, h, ch, flags;
  } rows[] = {{1, 1, 1, 1},  {33, 2, 1, 1}, {34, 3, 1, 1},  {100, 3, 1, 1},  {13, 2, 3, 7},
              {31, 3, 3, 7}, {9, 2, 4, 15}, {6, 2, 8, 255}, {50, 3, 8, 255}, {41, 3, 3, 5}};
  for (int level : {0, 1}) {
    SetMedianVectorCap(level);
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << "x" << row.ch << " level " << level);
      const size_t n = size_t{row.w} * row.ch * row.h;
      auto bytes = std::make_unique<uint8_t[]>(n), got = std::make_unique<uint8_t[]>(n);
      std::vector<double> src(n);
      std::mt19937 rng(row.w * 7 + row.ch);
      for (size_t i = 0; i < n; ++i) src[i] = bytes[i] = uint8_t(rng());
      std::fill_n(got.get(), n, uint8_t{7});
      CPicMedianFilter filter;
      ASSERT_TRUE(filter.MedianFilterCore(bytes.get(), row.w, row.h, row.ch, row.w * row.ch, got.get(),
                                          row.w * row.ch, 3, row.flags));
      for (uint32_t y = 0; y < row.h; ++y)
        for (uint32_t x = 0; x < row.w; ++x)
          for (uint32_t c = 0; c < row.ch; ++c) {
            const uint8_t want =
                (row.flags >> c & 1) ? uint8_t(Reference(src, row.w, row.h, row.ch, x, y, c, 1)) : 7;
            ASSERT_EQ(got[(size_t{y} * row.w + x) * row.ch + c], want) << x << "," << y << "," << c;
          }
    }
  }
  SetMedianVectorCap(1);
}

// The 3 x 3 byte windows: one channel, or every channel of interleaved
// pixels at once, goes straight from the source rows into the destination,
// some of several channels through padded rows; each against the sorted
// window at every vector width, for widths around whole vectors (16 and 32
// lanes), one to three rows, and bands of the pool.
TEST(Median, ThreeByThreeBytesAtEveryVectorWidth) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const struct {
    uint32_t w, h, ch, flags;
  } rows[] = {{1, 1, 1, 1},
              {2, 3, 1, 1},
              {15, 2, 1, 1},
              {16, 5, 1, 1},
              {17, 4, 1, 1},
              {31, 3, 1, 1},
              {32, 6, 1, 1},
              {33, 7, 1, 1},
              {47, 1, 1, 1},
              {64, 9, 1, 1},
              {65, 40, 1, 1},
              {97, 31, 1, 0x100001},
              {33, 5, 3, 5},
              {17, 6, 2, 2},
              {200, 37, 1, 1},
              // every channel at once, interleaved: widths around whole
              // vectors of bytes, one pixel, one row
              {1, 1, 3, 7},
              {1, 4, 4, 15},
              {2, 3, 2, 3},
              {5, 1, 3, 7},
              {10, 4, 3, 7},
              {11, 3, 3, 7},
              {21, 5, 3, 7},
              {8, 8, 4, 15},
              {16, 3, 2, 3},
              {33, 9, 3, 7},
              {97, 31, 3, 0x100007},
              {40, 6, 4, 15},
              {7, 5, 8, 255},
              {12, 4, 3, 0xF},
              // rows just long enough for a whole vector between their
              // edge pixels (2 x channels + 16 or 32 bytes), one byte short
              // and over, and a vector and a byte more
              {18, 3, 1, 1},
              {19, 2, 1, 1},
              {34, 4, 1, 1},
              {35, 3, 1, 1},
              {66, 3, 1, 1},
              {67, 2, 1, 1},
              {7, 3, 3, 7},
              {13, 3, 3, 7},
              {14, 2, 3, 7},
              {24, 3, 2, 3},
              {10, 3, 4, 15},
              {6, 3, 8, 255},
              {4, 2, 8, 255},
              {15, 2, 8, 255},
              // nine channels, one more than the direct path takes
              {5, 3, 9, 0x1FF},
              {30, 3, 9, 0x1FF}};
  for (int level : {0, 1}) {
    SetMedianVectorCap(level);
    for (const auto& row : rows) {
      SCOPED_TRACE(testing::Message() << row.w << "x" << row.h << "x" << row.ch << " level " << level);
      std::mt19937 rng(row.w * 31 + row.h);
      // A stride wider than the row, its extra bytes never read as samples.
      const uint32_t stride = row.w * row.ch + 3;
      std::vector<uint8_t> bytes(size_t{stride} * row.h, 0xEE), got(bytes.size(), 7);
      std::vector<double> src(size_t{row.w} * row.h * row.ch);
      for (uint32_t y = 0; y < row.h; ++y)
        for (uint32_t i = 0; i < row.w * row.ch; ++i) {
          const auto v = uint8_t(i % 4 ? rng() : rng() % 3 + 100);
          bytes[size_t{y} * stride + i] = v;
          src[size_t{y} * row.w * row.ch + i] = v;
        }
      CPicMedianFilter filter;
      ASSERT_TRUE(filter.MedianFilterCore(bytes.data(), row.w, row.h, row.ch, stride, got.data(), stride, 3,
                                          row.flags));
      for (uint32_t y = 0; y < row.h; ++y) {
        for (uint32_t x = 0; x < row.w; ++x)
          for (uint32_t c = 0; c < row.ch; ++c) {
            const uint8_t want =
                (row.flags >> c & 1) ? uint8_t(Reference(src, row.w, row.h, row.ch, x, y, c, 1)) : 7;
            ASSERT_EQ(got[size_t{y} * stride + x * row.ch + c], want) << x << "," << y << "," << c;
          }
        for (uint32_t i = row.w * row.ch; i < stride; ++i)
          ASSERT_EQ(got[size_t{y} * stride + i], 7) << "padding";
      }
    }
  }
  SetMedianVectorCap(1);
}

// 3 x 3 bytes whose columns are sorted once a vector and shifted in from
// the vectors beside them: every row length from just under two vectors of
// 16 lanes to a byte past four of 32, for pixels of 1 to 4 bytes (and 5,
// which loads each column where it lies), in blocks of exactly the rows'
// size, so a read past a row's end is one past the block. Samples cluster
// at the extremes and in ties, where a shift by the wrong count still often
// gives the right middle.
TEST(Median, ThreeByThreeShiftedColumnsAtEveryRowLength) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const struct {
    uint32_t ch, flags, h;
  } kinds[] = {{1, 1, 3}, {2, 3, 2}, {3, 7, 4}, {4, 15, 3}, {5, 31, 2}, {1, 1, 1}, {3, 7, 1}};
  for (int level : {0, 1}) {
    SetMedianVectorCap(level);
    for (const auto& kind : kinds) {
      for (uint32_t w = 30 / kind.ch; w * kind.ch <= 130; ++w) {
        SCOPED_TRACE(testing::Message() << w << "x" << kind.h << "x" << kind.ch << " level " << level);
        const size_t n = size_t{w} * kind.ch * kind.h;
        auto bytes = std::make_unique<uint8_t[]>(n), got = std::make_unique<uint8_t[]>(n);
        std::vector<double> src(n);
        std::mt19937 rng(w * 131 + kind.ch);
        for (size_t i = 0; i < n; ++i) {
          const uint32_t pick = rng() % 8;
          src[i] = bytes[i] = uint8_t(pick == 0 ? 0 : pick == 1 ? 255 : pick < 4 ? 128 + pick : rng());
        }
        CPicMedianFilter filter;
        ASSERT_TRUE(filter.MedianFilterCore(bytes.get(), w, kind.h, kind.ch, w * kind.ch, got.get(),
                                            w * kind.ch, 3, kind.flags | 0x100000));
        for (uint32_t y = 0; y < kind.h; ++y)
          for (uint32_t x = 0; x < w; ++x)
            for (uint32_t c = 0; c < kind.ch; ++c)
              ASSERT_EQ(got[(size_t{y} * w + x) * kind.ch + c],
                        uint8_t(Reference(src, w, kind.h, kind.ch, x, y, c, 1)))
                  << x << "," << y << "," << c;
      }
    }
  }
  SetMedianVectorCap(1);
}

// Double samples take the byte paths only when every sample a band reads
// is a whole number from 0 to 255: one sample just outside (256, a half,
// a negative, NaN) anywhere in the picture keeps it on the sorted path, for
// windows of the networks and of the histograms.
TEST(Median, DoublesOutsideTheByteRangeKeepTheirValues) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const double odd[] = {256.0, 255.5, -1.0, 0.5, 1e9, std::nan("")};
  const int32_t sides[] = {3, 5, 15};
  const uint32_t w = 21, h = 9;
  for (double v : odd)
    for (int32_t k : sides)
      for (size_t at : {size_t{0}, size_t{w * h / 2}, size_t{w * h - 1}}) {
        SCOPED_TRACE(testing::Message() << "value " << v << " side " << k << " at " << at);
        std::mt19937 rng(k);
        std::vector<double> src(size_t{w} * h), got(src.size(), -7.0);
        for (auto& s : src) s = double(rng() % 4 ? 250 + rng() % 6 : rng() % 256);
        src[at] = v;
        CPicMedianFilter filter;
        ASSERT_TRUE(filter.MedianFilterCore(src.data(), w, h, 1, w, got.data(), w, k, 0x100001));
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x) {
            const double want = Reference(src, w, h, 1, x, y, 0, k / 2), have = got[size_t{y} * w + x];
            if (std::isnan(want))
              ASSERT_TRUE(std::isnan(have)) << x << "," << y;
            else
              ASSERT_EQ(have, want) << x << "," << y;
          }
      }
}
