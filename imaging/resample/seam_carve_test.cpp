// Seam carving against a plain reference (same seed, same tie rules), the
// edge rules, and the behaviour a user sees on uniform and weighted images.
#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <cstdlib>

#include "core/pictura_core.h"
#include "resample/resize_test_util.h"
#include "resample/seam_carve.h"

using namespace resize_test;

namespace {

// The carve read plainly: whole pictures as vectors of pixels, every step
// written out, nothing shared with the library but the rules.
struct Ref {
  uint32_t w, h, n;
  std::vector<std::vector<uint8_t>> px;  // rows of w * n bytes
  std::vector<std::vector<int>> e, bias;
  uint64_t rng;

  int Sobel(uint32_t x, uint32_t y) const {
    auto p = [&](int dx, int dy, int c) {
      const int xx = int(x) + dx, yy = int(y) + dy;
      const bool out = xx < 0 || yy < 0 || xx >= int(w) || yy >= int(h);
      return int(out ? px[y][x * n + c] : px[yy][xx * n + c]);
    };
    int sum = 0;
    for (int c = 0; c < 3; ++c) {
      const int gx = p(1, -1, c) + 2 * p(1, 0, c) + p(1, 1, c) - p(-1, -1, c) - 2 * p(-1, 0, c) - p(-1, 1, c);
      const int gy = p(-1, 1, c) + 2 * p(0, 1, c) + p(1, 1, c) - p(-1, -1, c) - 2 * p(0, -1, c) - p(1, -1, c);
      sum += std::min(std::abs(gx) + std::abs(gy), 65535);
    }
    return sum / 3;
  }
  bool Coin() {
    rng ^= rng << 13, rng ^= rng >> 7, rng ^= rng << 17;
    return rng >> 63;
  }
  std::vector<uint32_t> Seam() {
    std::vector<std::vector<int64_t>> m(h, std::vector<int64_t>(w));
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        int64_t best = y ? m[y - 1][x] : 0;
        if (y && x) best = std::min(best, m[y - 1][x - 1]);
        if (y && x + 1 < w) best = std::min(best, m[y - 1][x + 1]);
        m[y][x] = e[y][x] + (bias.empty() ? 0 : bias[y][x]) + best;
      }
    std::vector<uint32_t> s(h);
    s[h - 1] = uint32_t(std::min_element(m[h - 1].begin(), m[h - 1].end()) - m[h - 1].begin());
    for (uint32_t y = h - 1; y-- > 0;) {
      const uint32_t x = s[y + 1];
      const int64_t none = INT64_MAX, l = x ? m[y][x - 1] : none, c = m[y][x],
                    r = x + 1 < w ? m[y][x + 1] : none;
      const int64_t least = std::min({l, c, r});
      std::vector<uint32_t> ties;
      for (uint32_t k = 0; k < 3; ++k)
        if ((k == 0 ? l : k == 1 ? c : r) == least) ties.push_back(x + k - 1);
      if (l < c && l < r)
        s[y] = x - 1;
      else if (ties.size() == 3)
        s[y] = Coin() ? x : (Coin() ? x + 1 : x - 1);
      else
        s[y] = ties[ties.size() == 2 && Coin() ? 1 : 0];
    }
    return s;
  }
  void Carve(int change, uint32_t penalty) {
    for (int k = 0; k < std::abs(change); ++k) {
      const std::vector<uint32_t> s = Seam();
      for (uint32_t y = 0; y < h; ++y) {
        const uint32_t x = s[y];
        auto& row = px[y];
        if (change < 0) {
          if (x + 1 < w) {
            for (uint32_t c = 0; c < n; ++c)
              row[(x + 1) * n + c] = uint8_t((row[x * n + c] + row[(x + 1) * n + c]) >> 1);
            e[y][x + 1] = (e[y][x] + e[y][x + 1]) >> 1;
          }
          row.erase(row.begin() + x * n, row.begin() + (x + 1) * n);
          e[y].erase(e[y].begin() + x);
          if (!bias.empty()) bias[y].erase(bias[y].begin() + x);
        } else {
          const uint32_t l = x ? x - 1 : x;
          std::vector<uint8_t> mean(n);
          for (uint32_t c = 0; c < n; ++c) mean[c] = uint8_t((row[l * n + c] + row[x * n + c]) / 2.0);
          row.insert(row.begin() + x * n, mean.begin(), mean.end());
          e[y].insert(e[y].begin() + x, (e[y][l] + e[y][x]) / 2);
          if (!bias.empty()) bias[y].insert(bias[y].begin() + x, (bias[y][l] + bias[y][x]) / 2);
        }
      }
      w += change < 0 ? -1 : 1;
      // Removed: the energy of the seam column and the next one anew.
      // Inserted: the seam column and its two neighbours all get the seam
      // pixel's energy plus the penalty.
      for (uint32_t y = 0; y < h; ++y) {
        const uint32_t x = s[y];
        if (change < 0) {
          for (uint32_t c = x; c < x + 2 && c < w; ++c) e[y][c] = Sobel(c, y);
        } else {
          const int seamEnergy = std::min(Sobel(x, y) + int(penalty), 65535);
          for (int c = int(x) - 1; c <= int(x) + 1; ++c)
            if (c >= 0 && c < int(w)) e[y][c] = seamEnergy;
        }
      }
    }
  }
};

std::vector<uint8_t> Carved(const std::vector<uint8_t>& src, uint32_t w, uint32_t h, uint32_t n,
                            const uint8_t* weight, int change, uint32_t penalty, uint32_t seed,
                            uint32_t flags, DWORD* err) {
  const uint32_t ow = uint32_t(int(w) + change);
  std::vector<uint8_t> out(size_t{ow} * n * h + 7, 0xEE);
  const BOOL ok = pic_SeamCarveInternal(src.data(), w, h, n, w * n, weight, w, out.data(), ow * n, change,
                                        penalty, seed, flags, err);
  EXPECT_EQ(out.back(), 0xEE);
  out.resize(ok ? size_t{ow} * n * h : 0);
  return out;
}

}  // namespace

TEST(SeamCarve, MatchesThePlainReference) {
  const std::tuple<uint32_t, uint32_t, uint32_t, int, uint32_t, bool> rows[] = {
      {9, 7, 3, -4, 0, false},   {16, 12, 4, -9, 0, true},    {12, 10, 3, 5, 300, false},
      {11, 9, 4, 7, 0, true},    {4200, 20, 3, -3, 0, false}, {4100, 18, 3, 3, 500, true},
      {30, 12, 3, 20, 40, false}};
  for (const auto& [w, h, n, change, penalty, weighted] : rows) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << n << " change " << change);
    Rng rng(w * 7 + h);
    std::vector<uint8_t> src(size_t{w} * h * n), weight(size_t{w} * h);
    for (size_t i = 0; i < src.size(); ++i)
      src[i] = uint8_t(i % 5 == 0 ? 100 : rng.Below(4) * 60);  // many ties
    for (auto& v : weight) v = uint8_t(rng.Below(256));
    Ref ref{w, h, n, {}, {}, {}, uint64_t{77} * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull};
    for (uint32_t y = 0; y < h; ++y)
      ref.px.emplace_back(src.begin() + y * w * n, src.begin() + (y + 1) * w * n);
    ref.e.assign(h, std::vector<int>(w));
    if (weighted) ref.bias.assign(h, std::vector<int>(w));
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) {
        ref.e[y][x] = ref.Sobel(x, y);
        if (weighted) ref.bias[y][x] = (weight[y * w + x] - 128) * 255;
      }
    ref.Carve(change, penalty);
    std::vector<uint8_t> want;
    for (const auto& row : ref.px) want.insert(want.end(), row.begin(), row.end());
    DWORD err = 9;
    EXPECT_EQ(Carved(src, w, h, n, weighted ? weight.data() : nullptr, change, penalty, 77, 0, &err), want);
    EXPECT_EQ(err, 0u);
  }
}

TEST(SeamCarve, EdgeRules) {
  std::vector<uint8_t> src(size_t{8} * 8 * 4, 40);
  const std::tuple<uint32_t, uint32_t, uint32_t, int, DWORD> rows[] = {
      {4, 3, 3, -1, 0}, {3, 3, 3, -1, 5}, {5, 3, 3, -2, 0}, {5, 3, 3, -3, 5},
      {2, 5, 3, 1, 5},  {5, 2, 3, 1, 5},  {5, 5, 2, 1, 5},  {5, 5, 3, 0, 0}};
  for (const auto& [w, h, n, change, error] : rows) {
    DWORD err = 99;
    const bool ok = !Carved(src, w, h, n, nullptr, change, 0, 0, 0, &err).empty();
    EXPECT_EQ(ok, error == 0) << w << " " << change;
    EXPECT_EQ(err, error) << w << " " << change;
  }
  // A uniform picture stays uniform; a seam down the last column (the only
  // flat place) removes that column without reading past it.
  EXPECT_EQ(Carved(src, 8, 8, 4, nullptr, -5, 0, 3, 0, nullptr), std::vector<uint8_t>(size_t{3} * 8 * 4, 40));
  std::vector<uint8_t> stripes(size_t{9} * 6 * 3);
  for (size_t i = 0; i < stripes.size(); ++i)
    stripes[i] = (i / 3) % 9 >= 7 ? 50 : uint8_t(((i / 3) % 9) * 97);
  const std::vector<uint8_t> out = Carved(stripes, 9, 6, 3, nullptr, -1, 0, 0, 1, nullptr);
  for (uint32_t y = 0; y < 6; ++y) EXPECT_EQ(out[(y * 8 + 7) * 3], 50);
  // Weights of 128 change nothing.
  std::vector<uint8_t> grey(81, 128);
  EXPECT_EQ(Carved(stripes, 9, 6, 3, grey.data(), -3, 0, 5, 0, nullptr),
            Carved(stripes, 9, 6, 3, nullptr, -3, 0, 5, 0, nullptr));
  // The clamped Sobel rows lift a flat picture's 0 to low.
  Pictura::CPicSobelFilter<uint8_t, uint16_t> sobel;
  sobel.low = 9;
  std::vector<uint16_t> energy(64, 1);
  ASSERT_TRUE(sobel.Apply(src.data(), 8, 8, 4, 32, energy.data(), 16, 0x100000));
  EXPECT_EQ(energy, std::vector<uint16_t>(64, 9));  // (9 + 9 + 9) / 3
  EXPECT_FALSE(pic_SeamCarve(src.data(), 3, 3, 3, 9, nullptr, 0, src.data(), 9, -1, 0, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}
