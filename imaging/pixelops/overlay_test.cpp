#include "pixelops/overlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "core/library_globals.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace Pictura;

namespace {

using I = int64_t;
// The mode's value from (D, S, M, H, k); -1 leaves the sample.
using Formula = std::function<I(I D, I S, I M, I H, double k)>;

bool Overlay(uint32_t* e, CPicImgBufBase<uint8_t>& d, const CPicImgBufBase<uint8_t>& s, double o, double k,
             uint32_t mode) {
  return OverlayImage8bpc(e, d, s, 0, 0, o, k, mode, 0x100000);
}
bool Overlay(uint32_t* e, CPicImgBufBase<uint16_t>& d, const CPicImgBufBase<uint16_t>& s, double o, double k,
             uint32_t mode) {
  return OverlayImage16bpc(e, d, s, 0, 0, o, k, mode, 0x100000);
}

I Cl(I v, I M) {
  return std::clamp<I>(v, 0, M);
}

template <class T>
std::vector<T> Grid(I M, unsigned seed) {
  const I H = (M >> 1) + (M & 1);
  std::vector<T> v{0, 1, 2, T(H - 2), T(H - 1), T(H), T(H + 1), T(M / 3), T(M - 2), T(M - 1), T(M)};
  std::mt19937 rng(seed);
  for (int i = 0; i < 9; ++i) v.push_back(static_cast<T>(rng() % (M + 1)));
  return v;
}

// Every (D, S) pair of the grid in one row of a 1-channel image, overlaid at
// opacity 1.0 and 0.3, against the formula.
template <class T>
void CheckMode(uint32_t mode, double k, const Formula& f) {
  const I M = static_cast<T>(~T{0});
  const I H = (M >> 1) + (M & 1);
  const std::vector<T> g = Grid<T>(M, 7 + mode);
  std::vector<T> d0, s;
  for (T D : g)
    for (T S : g) d0.push_back(D), s.push_back(S);
  const uint32_t n = static_cast<uint32_t>(d0.size());
  for (double opacity : {1.0, 0.3}) {
    std::vector<T> d = d0;
    CPicImgBufExtern<T> dst(d.data(), n, 1, 1, n);
    CPicImgBufExternConst<T> src(s.data(), n, 1, 1, n);
    uint32_t error = 99;
    const bool ok = Overlay(&error, dst, src, opacity, k, mode);
    ASSERT_TRUE(ok) << mode;
    ASSERT_EQ(error, 0u);
    for (uint32_t i = 0; i < n; ++i) {
      const I D = d0[i], S = s[i];
      I v = f(D, S, M, H, k);
      if (v < 0)
        v = D;
      else if (mode == 1)
        v = opacity == 1.0 ? S : I(S * opacity + D * (1 - opacity));
      else if (opacity != 1.0)
        v = I(v * opacity) + I(D * (1 - opacity));
      ASSERT_EQ(I(d[i]), v) << "mode " << mode << " bits " << 8 * sizeof(T) << " D " << D << " S " << S
                            << " opacity " << opacity;
    }
  }
}

}  // namespace

// Every mode against its formula at 8 and 16 bits, on edge and random
// samples, at full and partial opacity.
TEST(Overlay, EveryModeMatchesItsFormula) {
  struct Row {
    uint32_t mode;
    double k;
    Formula f;
  };
  const std::vector<Row> rows = {
      {0, 0, [](I, I S, I, I, double) { return S; }},
      {1, 0, [](I, I S, I, I, double) { return S; }},
      {2, 0, [](I D, I S, I, I, double) { return S & D; }},
      {3, 0, [](I D, I S, I, I, double) { return S | D; }},
      {4, 0, [](I D, I S, I, I, double) { return S ^ D; }},
      {5, 0, [](I D, I S, I, I, double) { return std::max(S, D); }},
      {6, 0, [](I D, I S, I, I, double) { return std::min(S, D); }},
      {7, 0, [](I D, I S, I M, I, double) { return std::min(S + D, M); }},
      {8, 0, [](I D, I S, I, I, double) { return std::max<I>(D - S, 0); }},
      {9, 100.7, [](I, I S, I, I, double) { return S > 100 ? S : -1; }},
      {10, 100.7, [](I, I S, I, I, double) { return S < 100 ? S : -1; }},
      {11, 0, [](I D, I S, I, I, double) { return std::abs(S - D); }},
      {12, 0, [](I D, I S, I M, I, double) { return D * S / M; }},
      {13, 1.5,
       [](I D, I S, I M, I, double k) { return I(std::clamp(S * k * (double(D) / M), 0.0, double(M))); }},
      {14, 0, [](I D, I S, I M, I, double) { return M - (M - D) * (M - S) / M; }},
      {15, 20.9, [](I D, I S, I M, I, double) { return Cl(D - 20 + S, M); }},
      {16, 20.9, [](I D, I S, I M, I, double) { return Cl(D - S + 20, M); }},
      {17, 0, [](I D, I S, I M, I, double) { return M - (S & D); }},
      {18, 0, [](I D, I S, I M, I, double) { return M - (S | D); }},
      {19, 0, [](I D, I S, I M, I, double) { return M - (S ^ D); }},
      {20, 0, [](I D, I S, I M, I, double) { return S == M ? M : std::min(D * M / (M - S), M); }},
      {21, 0, [](I D, I S, I M, I, double) { return S == 0 ? 0 : std::max<I>(M - (M - D) * M / S, 0); }},
      {22, 0,
       [](I D, I S, I M, I H, double) {
         return D + S <= M ? (S == M ? M : std::min(D * H / (M - S), M))
                           : std::max<I>(M - (M - S) * H / D, 0);
       }},
      {23, 0,
       [](I D, I S, I M, I H, double) {
         return D + S <= M ? (D == M ? M : std::min(S * H / (M - D), M))
                           : std::max<I>(M - (M - D) * H / S, 0);
       }},
      {24, 0,
       [](I D, I S, I M, I H, double) { return D < H ? 2 * D * S / M : M + 2 * (D - M) * (M - S) / M; }},
      {25, 0,
       [](I D, I S, I M, I, double) {
         I m = D * S / M, s = M - (M - D) * (M - S) / M;
         return m + (s - m) * D / M;
       }},
      {26, 0, [](I D, I S, I M, I H, double) { return S < H ? D * S / H : M - (M - D) * (M - S) / H; }},
      {27, 0, [](I D, I S, I M, I, double) { return S == M ? M : std::min(D * D / (M - S), M); }},
      {28, 0, [](I D, I S, I M, I, double) { return D == M ? M : std::min(S * S / (M - D), M); }},
      {29, 0,
       [](I D, I S, I M, I, double) { return S == 0 ? 0 : std::max<I>(M - (M - D) * (M - D) / S, 0); }},
      {30, 0,
       [](I D, I S, I M, I, double) { return D == 0 ? 0 : std::max<I>(M - (M - S) * (M - S) / D, 0); }},
      {31, 0,
       [](I D, I S, I M, I H, double) {
         if (S < H) return S == 0 ? I{0} : std::max<I>(M - (M - D) * M / (2 * S), 0);
         const I t = 2 * (S - H);
         return t == M ? M : std::min(D * M / (M - t), M);
       }},
      {32, 0,
       [](I D, I S, I M, I H, double) {
         return S < H ? (D + 2 * S < M ? 0 : D + 2 * S - M) : std::min(D + 2 * (S - H), M);
       }},
      {33, 0, [](I D, I S, I, I H, double) { return S < H ? std::min(D, 2 * S) : std::max(D, 2 * (S - H)); }},
      {34, 0, [](I D, I S, I M, I, double) { return M - std::abs(S - D); }},
      {35, 0, [](I D, I S, I M, I H, double) { return Cl(D - S + H, M); }},
      {36, 0, [](I D, I S, I M, I H, double) { return Cl(D + S - H, M); }},
      {37, 0, [](I D, I S, I M, I, double) { return Cl(D + S - 2 * D * S / M, M); }},
      {38, 0, [](I D, I S, I M, I, double) { return S + D < M ? 0 : S + D - M; }},
      {39, 0, [](I D, I S, I, I, double) { return std::max<I>(S - D, 0); }},
  };
  ASSERT_EQ(rows.size(), size_t{kOverlayModeCount});
  for (const Row& row : rows) {
    CheckMode<uint8_t>(row.mode, row.k, row.f);
    CheckMode<uint16_t>(row.mode, row.k, row.f);
  }
}

namespace {

struct Case {
  const char* name;
  uint32_t dstW, dstH, srcW, srcH, channels;
  int32_t x, y;
  double opacity;
  uint32_t mode, flags;
  bool ok;
  uint32_t error;
};

BOOL PICAPI StopAtOnce(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

}  // namespace

// Placement, clipping, the plain copy and its bottom-up flag, opacity outside
// 0..1 and the failures, against a sample-by-sample model.
TEST(Overlay, PlacementAndFailures) {
  const Case cases[] = {
      {"negative corner", 16, 12, 20, 20, 3, -10, -10, 1.0, 0, 0x100000, true, 0},
      {"bottom-up copy", 16, 12, 7, 5, 2, 3, 4, 1.0, 1, 0x100004, true, 0},
      {"outside, bad mode", 16, 12, 7, 5, 1, 16, 0, 0.5, 40, 0x100000, true, 0},
      {"mode 40", 16, 12, 7, 5, 1, 2, 2, 0.5, 40, 0x100000, false, 5},
      {"opacity above 1", 16, 12, 7, 5, 3, 2, 2, 2.5, 7, 0x100000, true, 0},
      {"opacity below 0", 16, 12, 7, 5, 3, 2, 2, -1.0, 7, 0x100000, true, 0},
      {"half mix", 9, 3, 9, 3, 1, 0, 0, 0.5, 1, 0x100000, true, 0},
      {"channels differ", 16, 12, 7, 5, 0, 2, 2, 1.0, 0, 0x100000, false, 5},
      {"pooled", 40, 300, 37, 290, 3, 2, 3, 0.4, 24, 0, true, 0},
  };
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool, for the pooled row
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t ch = c.channels ? c.channels : 3;
    std::mt19937 rng(5);
    std::vector<uint8_t> d(size_t{c.dstW} * c.dstH * ch + 5), s(size_t{c.srcW} * c.srcH * 4);
    for (auto& v : d) v = uint8_t(rng());
    for (auto& v : s) v = uint8_t(rng());
    const std::vector<uint8_t> before = d;
    CPicImgBufExtern<uint8_t> dst(d.data(), c.dstW, c.dstH, ch, c.dstW * ch);
    CPicImgBufExternConst<uint8_t> src(s.data(), c.srcW, c.srcH, c.channels ? ch : 4, c.srcW * 4);
    uint32_t error = 99;
    EXPECT_EQ(OverlayImage8bpc(&error, dst, src, c.x, c.y, c.opacity, 0, c.mode, c.flags), c.ok);
    EXPECT_EQ(error, c.error);
    if (!c.ok || c.mode >= 40) {
      EXPECT_EQ(d, before);
      continue;
    }
    const double o = std::clamp(c.opacity, 0.0, 1.0);
    for (uint32_t r = 0; r < c.dstH; ++r)
      for (uint32_t col = 0; col < c.dstW * ch; ++col) {
        const int64_t sr = int64_t{r} - c.y, sc = int64_t{col / ch} - c.x;
        const size_t at = size_t{r} * c.dstW * ch + col;
        int64_t want = before[at];
        if (sr >= 0 && sr < c.srcH && sc >= 0 && sc < c.srcW) {
          const int64_t row = (c.flags & 4) ? c.srcH - 1 - sr : sr;
          const int64_t S = s[size_t(row) * c.srcW * 4 + sc * ch + col % ch], D = before[at];
          int64_t f = S;
          if (c.mode == 7) f = std::min<int64_t>(S + D, 255);
          if (c.mode == 24) f = D < 128 ? 2 * D * S / 255 : 255 + 2 * (D - 255) * (255 - S) / 255;
          want = c.opacity == 1.0 ? f
                 : c.mode == 1    ? int64_t(S * o + D * (1 - o))
                                  : int64_t(f * o) + int64_t(D * (1 - o));
        }
        ASSERT_EQ(d[at], want) << "row " << r << " sample " << col;
      }
  }
}

TEST(Overlay, ProgressStopAndSharedBuffer) {
  std::vector<uint8_t> d(64 * 8, 1), s(64 * 8, 200);
  CPicImgBufExtern<uint8_t> dst(d.data(), 64, 8, 1, 64);
  CPicImgBufExternConst<uint8_t> src(s.data(), 64, 8, 1, 64);
  CPicImgBufExternConst<uint8_t> same(d.data(), 64, 8, 1, 64);
  uint32_t error = 0;
  EXPECT_FALSE(OverlayImage8bpc(&error, dst, same, 0, 0, 1.0, 0, 0, 0x100000));
  EXPECT_EQ(error, 5u);
  SetProgressCallback(StopAtOnce, 0);
  EXPECT_FALSE(OverlayImage8bpc(&error, dst, src, 0, 0, 0.5, 0, 7, 0x100000));
  SetProgressCallback(nullptr, 0);
  EXPECT_EQ(error, 14u);
  EXPECT_EQ(std::count(d.begin(), d.end(), 100), 64);  // exactly the first row
}

// The vector path against the general one, byte for byte: every mode it
// takes, odd widths, a clipped placement, the bottom-up flag.
TEST(Overlay, FastPathGivesTheGeneralPathsBytes) {
  for (uint32_t mode : {0u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 11u, 39u})
    for (uint32_t w : {1u, 21u, 67u}) {
      SCOPED_TRACE(mode * 1000 + w);
      std::mt19937 rng(mode + w);
      std::vector<uint8_t> a(size_t{w + 3} * 9 * 3), s(size_t{w} * 7 * 3);
      for (auto& v : a) v = uint8_t(rng());
      for (auto& v : s) v = uint8_t(rng());
      std::vector<uint8_t> b = a;
      CPicImgBufExtern<uint8_t> fast(a.data(), w + 3, 9, 3, (w + 3) * 3),
          general(b.data(), w + 3, 9, 3, (w + 3) * 3);
      CPicImgBufExternConst<uint8_t> src(s.data(), w, 7, 3, w * 3);
      uint32_t error = 0;
      // Placed in part, and wholly right of the image (nothing covered).
      for (int32_t x : {2, int32_t(w) + 9}) {
        ASSERT_TRUE(OverlayImage8bpc(&error, fast, src, x, -1, 1.0, 0, mode, 0x100004));
        CPicImgOverlayT<uint8_t> op;
        ASSERT_TRUE(op.OverlayCore(general, src, x, -1, 1.0, 0, mode, 0x100004));
        ASSERT_EQ(a, b);
      }
    }
}

// The vector path split into row bands on the pool gives the general path's
// bytes on one thread: placements above, inside and below the destination,
// and the bottom-up flag.
TEST(Overlay, FastPathOnThePoolGivesTheGeneralPathsBytes) {
  ASSERT_TRUE(pic_Initialize(nullptr));
  const uint32_t w = 45, h = 150, sh = 131;
  for (uint32_t mode : {0u, 5u, 7u, 11u})
    for (int32_t y : {-17, 0, 6, 40})
      for (uint32_t bottomUp : {0u, 4u}) {
        SCOPED_TRACE(testing::Message() << mode << " " << y << " " << bottomUp);
        std::mt19937 rng(mode * 100 + y + 50);
        std::vector<uint8_t> a(size_t{w} * h * 3), s(size_t{w - 4} * sh * 3);
        for (auto& v : a) v = uint8_t(rng());
        for (auto& v : s) v = uint8_t(rng());
        std::vector<uint8_t> b = a;
        CPicImgBufExtern<uint8_t> pooled(a.data(), w, h, 3, w * 3), general(b.data(), w, h, 3, w * 3);
        CPicImgBufExternConst<uint8_t> src(s.data(), w - 4, sh, 3, (w - 4) * 3);
        uint32_t error = 7;
        ASSERT_TRUE(OverlayImage8bpc(&error, pooled, src, 3, y, 1.0, 0, mode, bottomUp));
        EXPECT_EQ(error, 0u);
        CPicImgOverlayT<uint8_t> op;
        ASSERT_TRUE(op.OverlayCore(general, src, 3, y, 1.0, 0, mode, 0x100000 | bottomUp));
        ASSERT_EQ(a, b);
      }
}

// Mode 0 at partial opacity runs on fixed-point multipliers when they give
// the opacity tables exactly: every byte pair at many opacities.
TEST(Overlay, PartialOpacityCopyMatchesTheTables) {
  std::vector<uint8_t> s(256 * 256), d0(256 * 256);
  for (size_t i = 0; i < s.size(); ++i) s[i] = uint8_t(i), d0[i] = uint8_t(i >> 8);
  for (double o : {0.001, 0.1, 0.25, 0.3, 0.5, 0.7, 0.9, 0.999, 1.5}) {
    std::vector<uint8_t> d = d0;
    CPicImgBufExtern<uint8_t> dst(d.data(), 256, 256, 1, 256);
    CPicImgBufExternConst<uint8_t> src(s.data(), 256, 256, 1, 256);
    uint32_t error = 0;
    ASSERT_TRUE(OverlayImage8bpc(&error, dst, src, 0, 0, o, 0, 0, 0x100000));
    const double c = std::min(o, 1.0);
    for (size_t i = 0; i < d.size(); ++i)
      ASSERT_EQ(d[i], uint8_t(int(s[i] * c) + int(d0[i] * (1 - c)))) << o << " " << i;
  }
}
