// Golden images from the methods' formulas: a plain reading of each resize
// method's arithmetic, written here apart from the library (one loop per
// output sample, no tables shared with it), against which every mode and
// sample type must give exactly the same samples on small pictures, at
// every vector level, with and without the pool. Only the filter kernels'
// values come from the library; they have tests of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "resample/filter_kernels.h"
#include "resample/resize_test_util.h"
#include "core/pictura_core.h"

using namespace resize_test;

namespace {

namespace ref {

// Integer samples: lifted by the snap (a value a hair below a whole number
// is that number), truncated toward zero, limited to the range.
template <class T>
T Store(double v) {
  if constexpr (std::is_same_v<T, double>) {
    return v;
  } else {
    constexpr bool kByte = std::is_same_v<T, uint8_t>;
    const double top = kByte ? 255.0 : 65535.0;
    const double t = std::trunc(v + (kByte ? 1e-9 : 257e-9));
    return static_cast<T>(t < 0 ? 0 : t > top ? top : t);
  }
}

template <class T>
constexpr double kMax = std::is_same_v<T, uint8_t> ? 255.0 : 65535.0;

// A result: the destination's samples, or the error code.
template <class T>
using Result = std::optional<Image<T>>;

template <class T>
double S(const Image<T>& img, uint32_t x, uint32_t y, uint32_t c) {
  return static_cast<double>(img.At(x, y, c));
}

// Bilinear: r = s / d, or (s - s / d) / d when enlarging; four samples
// around (x r, y r) blended in the fixed order.
template <class T>
void Bilinear(const Image<T>& s, Image<T>& d) {
  auto scale = [](double a, double b) { return a >= b ? a / b : (a - a / b) / b; };
  const double rx = scale(s.width, d.width), ry = scale(s.height, d.height);
  for (uint32_t y = 0; y < d.height; ++y) {
    const double py = y * ry;
    const auto ky = static_cast<uint32_t>(py);
    const double ty = py - ky;
    const uint32_t y0 = std::min(ky, s.height - 1), y1 = std::min(ky + 1, s.height - 1);
    for (uint32_t x = 0; x < d.width; ++x) {
      const double px = x * rx;
      const auto kx = static_cast<uint32_t>(px);
      const double tx = px - kx;
      const uint32_t x0 = std::min(kx, s.width - 1), x1 = std::min(x0 + 1, s.width - 1);
      for (uint32_t c = 0; c < s.channels; ++c) {
        const double v = S(s, x1, y0, c) * (tx * (1 - ty)) + S(s, x0, y0, c) * ((1 - tx) * (1 - ty)) +
                         S(s, x1, y1, c) * (tx * ty) + S(s, x0, y1, c) * ((1 - tx) * ty);
        d.At(x, y, c) = Store<T>(v);
      }
    }
  }
}

// Bicubic, a = -1, no half-pixel offset, kernel not widened.
void CubicWeights(double t, double w[4]) {
  w[0] = -t * (1 - t) * (1 - t);
  w[1] = 1 - 2 * t * t + t * t * t;
  w[2] = t * (1 + t - t * t);
  w[3] = -t * t * (1 - t);
}

void CubicTaps(double pos, uint32_t size, uint32_t taps[4]) {
  const auto f = static_cast<uint32_t>(pos);
  taps[0] = pos < 1.0 ? 0 : f - 1;
  taps[1] = pos >= size - 1.0 ? size - 1 : f;
  taps[2] = pos >= size - 2.0 ? taps[1] : f + 1;
  taps[3] = pos >= size - 3.0 ? taps[2] : f + 2;
  for (int i = 0; i < 4; ++i) taps[i] = std::min(taps[i], size - 1);
}

template <class T>
void Bicubic(const Image<T>& s, Image<T>& d) {
  const double sx = static_cast<double>(s.width) / d.width, sy = static_cast<double>(s.height) / d.height;
  for (uint32_t r = 0; r < d.height; ++r) {
    const double y = r * sy;  // rows are not clamped
    double wy[4];
    uint32_t rows[4];
    CubicWeights(y - static_cast<uint32_t>(y), wy);
    CubicTaps(y, s.height, rows);
    for (uint32_t i = 0; i < d.width; ++i) {
      const double x = std::min(std::max(i * sx, 0.0), s.width - 1.0);
      double w[4];
      uint32_t cols[4];
      CubicWeights(x - static_cast<uint32_t>(x), w);
      CubicTaps(x, s.width, cols);
      for (uint32_t k = 0; k < s.channels; ++k) {
        double h[4];
        for (int j = 0; j < 4; ++j)
          h[j] = S(s, cols[0], rows[j], k) * w[0] + S(s, cols[1], rows[j], k) * w[1] +
                 S(s, cols[2], rows[j], k) * w[2] - S(s, cols[3], rows[j], k) * -w[3];
        d.At(i, r, k) = Store<T>(h[0] * wy[0] + h[1] * wy[1] + h[2] * wy[2] + h[3] * wy[3]);
      }
    }
  }
}

// Block decimation: n x n blocks (n the smaller whole scale) at positions
// advanced by repeated addition; integer means truncated.
template <class T>
bool Block(const Image<T>& s, Image<T>& d) {
  const double rx = static_cast<double>(s.width) / d.width, ry = static_cast<double>(s.height) / d.height;
  if constexpr (!std::is_same_v<T, double>)
    if (4294967295.0 / kMax<T> < rx * ry) return false;
  const uint32_t n = std::min(static_cast<uint32_t>(rx), static_cast<uint32_t>(ry));
  double fy = 0;
  for (uint32_t y = 0; y < d.height; ++y, fy += ry) {
    double fx = 0;
    for (uint32_t x = 0; x < d.width; ++x, fx += rx)
      for (uint32_t c = 0; c < s.channels; ++c) {
        std::conditional_t<std::is_same_v<T, double>, double, uint32_t> sum = 0;
        for (uint32_t j = 0; j < n; ++j)
          for (uint32_t i = 0; i < n; ++i)
            sum += s.At(static_cast<uint32_t>(fx) + i, static_cast<uint32_t>(fy) + j, c);
        if constexpr (std::is_same_v<T, double>)
          d.At(x, y, c) = sum / (n * n);
        else
          d.At(x, y, c) = static_cast<T>(sum / (n * n));
      }
  }
  return true;
}

// Area decimation: each destination cell is the mean of the source area it
// covers, the partly covered first and last cells by their covered part.
struct Span {
  uint32_t first, end;
  double firstWeight, lastWeight;
};

Span SpanOf(uint32_t i, double scale, uint32_t size) {
  const double p = i * scale;
  const double q = std::min(p + scale, static_cast<double>(size));  // never past the source
  const auto first = static_cast<uint32_t>(p);
  const double tail = q - static_cast<uint32_t>(q);
  const uint32_t end = std::min(static_cast<uint32_t>(q + 0.99999999999), size);
  return Span{first, end, 1 - (p - first), tail == 0 ? 1.0 : tail};
}

double WeightAt(const Span& s, uint32_t i) {
  return i == s.first ? s.firstWeight : i + 1 == s.end ? s.lastWeight : 1.0;
}

template <class T>
void Area(const Image<T>& s, Image<T>& d) {
  const double rx = static_cast<double>(s.width) / d.width, ry = static_cast<double>(s.height) / d.height;
  for (uint32_t y = 0; y < d.height; ++y) {
    const Span row = SpanOf(y, ry, s.height);
    double rowTotal = 0;
    for (uint32_t j = row.first; j < row.end; ++j) rowTotal += WeightAt(row, j);
    for (uint32_t x = 0; x < d.width; ++x) {
      const Span col = SpanOf(x, rx, s.width);
      const double colTotal = col.firstWeight + (double(col.end) - double(col.first) - 2) + col.lastWeight;
      for (uint32_t c = 0; c < s.channels; ++c) {
        double sum = 0;
        for (uint32_t j = row.first; j < row.end; ++j)
          for (uint32_t i = col.first; i < col.end; ++i)
            sum += WeightAt(row, j) * WeightAt(col, i) * S(s, i, j, c);
        d.At(x, y, c) = Store<T>(sum / (rowTotal * colTotal));
      }
    }
  }
}

// Nearest neighbour in integers.
template <class T>
void Nearest(const Image<T>& s, Image<T>& d) {
  for (uint32_t y = 0; y < d.height; ++y)
    for (uint32_t x = 0; x < d.width; ++x)
      for (uint32_t c = 0; c < s.channels; ++c)
        d.At(x, y, c) = s.At(s.width * x / d.width, s.height * y / d.height, c);
}

// Filter resize: normalised contributions, mirrored edges, the kernel
// widened by the reduction; columns first into 8-bit samples, then rows. A
// sum whose samples all equal the first is that sample.
struct Tap {
  uint32_t index;
  double weight;
};

std::vector<Tap> Contributions(const Pictura::PicFilterKernel& k, uint32_t i, uint32_t srcSize,
                               uint32_t dstSize) {
  const double s = static_cast<double>(dstSize) / srcSize;
  const double centre = i / s;
  const double width = s < 1 ? k.support / s : k.support;
  std::vector<Tap> taps;
  double sum = 0;
  for (int64_t j = static_cast<int64_t>(std::ceil(centre - width));
       j <= static_cast<int64_t>(std::floor(centre + width)); ++j) {
    const double w = s < 1 ? k.function((centre - j) * s) * s : k.function(centre - j);
    int64_t m = j < 0 ? -j : j >= srcSize ? 2 * int64_t{srcSize} - j - 1 : j;
    m = std::clamp<int64_t>(m, 0, srcSize - 1);
    taps.push_back(Tap{static_cast<uint32_t>(m), w});
    sum += w;
  }
  if (sum != 0)
    for (Tap& t : taps) t.weight = t.weight / sum;
  return taps;
}

template <class Fetch>
uint8_t Weighed(const std::vector<Tap>& taps, Fetch fetch) {
  double sum = 0;
  bool same = true;
  for (const Tap& t : taps) {
    sum += t.weight * fetch(t.index);
    same = same && fetch(t.index) == fetch(taps[0].index);
  }
  return same ? fetch(taps[0].index) : Store<uint8_t>(sum);
}

uint32_t Filter(uint32_t index, const Image<uint8_t>& s, Image<uint8_t>& d) {
  Pictura::PicFilterKernel k;
  if (!Pictura::GetFilterKernel(index, &k)) return 5;
  const auto least = static_cast<uint32_t>(k.support + 0.999999999);
  if (d.width < least || d.height < least) return 68;
  const uint32_t ch = s.channels;
  Image<uint8_t> across(d.width, s.height, ch);
  for (uint32_t x = 0; x < d.width; ++x) {
    const std::vector<Tap> taps = Contributions(k, x, s.width, d.width);
    for (uint32_t y = 0; y < s.height; ++y)
      for (uint32_t c = 0; c < ch; ++c)
        across.At(x, y, c) = Weighed(taps, [&](uint32_t i) { return s.At(i, y, c); });
  }
  for (uint32_t y = 0; y < d.height; ++y) {
    const std::vector<Tap> taps = Contributions(k, y, s.height, d.height);
    for (uint32_t x = 0; x < d.width; ++x)
      for (uint32_t c = 0; c < ch; ++c)
        d.At(x, y, c) = Weighed(taps, [&](uint32_t j) { return across.At(x, j, c); });
  }
  return 0;
}

// The mode table: the method each sample type takes for a mode, or the
// error code the call gives.
template <class T>
uint32_t Resize(uint32_t mode, const Image<T>& s, Image<T>& d) {
  constexpr bool kWords = std::is_same_v<T, uint16_t>;
  if constexpr (std::is_same_v<T, uint8_t>) {
    if (mode <= 13) return Filter(mode, s, d);
  } else {
    if (mode <= 13) return 5;  // the filters are 8-bit only
  }
  const bool shrinks = d.width <= s.width && d.height <= s.height;
  switch (mode) {
    case 14:
      return shrinks && Block(s, d) ? 0 : 5;
    case 15:
      if (!shrinks) return 5;
      if (!kWords && s.width % d.width == 0 && s.height % d.height == 0) return Block(s, d) ? 0 : 5;
      Area(s, d);
      return 0;
    case 16:
      Bilinear(s, d);
      return 0;
    case 17:
      Bicubic(s, d);
      return 0;
    case 18:
      Nearest(s, d);
      return 0;
    default:
      return 5;
  }
}

}  // namespace ref

template <class T>
T RandomSample(Rng& rng) {
  if constexpr (std::is_same_v<T, double>)
    return rng.Below(1u << 20) / 4096.0 - 16.0;  // fractions, negatives and values above 255
  else if (rng.Below(4) == 0)
    return static_cast<T>(rng.Below(2) ? ref::kMax<T> : 0);  // hard edges that overshoot
  else
    return static_cast<T>(rng.Below(static_cast<uint32_t>(ref::kMax<T>) + 1));
}

template <class T>
void Trials(uint32_t firstMode, uint32_t lastMode, uint32_t trials, uint64_t seed) {
  const std::vector<int> levels = LevelsFrom(0);
  Rng rng(seed);
  for (uint32_t t = 0; t < trials; ++t) {
    const uint32_t ch = 1 + rng.Below(5);
    const uint32_t sw = 1 + rng.Below(t % 4 == 0 ? 70 : 12), sh = 1 + rng.Below(t % 4 == 1 ? 40 : 12);
    Image<T> src(sw, sh, ch, rng.Below(3), T(7));
    for (uint32_t y = 0; y < sh; ++y)
      for (uint32_t x = 0; x < sw; ++x)
        for (uint32_t c = 0; c < ch; ++c) src.At(x, y, c) = RandomSample<T>(rng);
    // A flat run now and then: the all-equal rule and the snap.
    if (rng.Below(3) == 0)
      for (uint32_t y = 0; y < sh; ++y)
        for (uint32_t x = 0; x < sw / 2; ++x) src.At(x, y, 0) = src.At(0, 0, 0);
    for (uint32_t mode = firstMode; mode <= lastMode; ++mode) {
      // Enlarge, shrink, or keep one side; now and then wide enough to split.
      const uint32_t dw = 1 + rng.Below(rng.Below(5) == 0 ? 100 : 2 * sw + 2);
      const uint32_t dh = 1 + rng.Below(rng.Below(5) == 0 ? 60 : 2 * sh + 2);
      Image<T> want(dw, dh, ch);
      const uint32_t code = ref::Resize(mode, src, want);
      const uint32_t pad = rng.Below(3);
      for (int level : levels) {
        Pictura::SetResampleVectorCap(level);
        Image<T> got(dw, dh, ch, pad);
        const BOOL ok = Resize(src, got, mode, rng.Below(2) ? kNoPool : 0);
        const DWORD error = PicGetLastError();
        Pictura::SetResampleVectorCap(Pictura::kResampleTopLevel);
        const std::string what = "mode " + std::to_string(mode) + " level " + std::to_string(level) + ": " +
                                 std::to_string(sw) + "x" + std::to_string(sh) + "x" + std::to_string(ch) +
                                 " -> " + std::to_string(dw) + "x" + std::to_string(dh);
        ASSERT_EQ(ok != 0, code == 0) << what;
        ASSERT_EQ(error, code) << what;
        if (code) continue;
        const std::vector<T> a = got.Samples(), b = want.Samples();
        for (size_t i = 0; i < a.size(); ++i)
          ASSERT_TRUE(std::memcmp(&a[i], &b[i], sizeof(T)) == 0)
              << what << " sample " << i << ": " << +a[i] << " instead of " << +b[i];
        ASSERT_TRUE(got.GuardsIntact()) << what;
      }
    }
  }
}

}  // namespace

TEST(ResizeReference, FilterModesOf8BitPictures) {
  Trials<uint8_t>(0, 13, 50, 1);
}

TEST(ResizeReference, DecimationBilinearBicubicNearest8Bit) {
  Trials<uint8_t>(14, 18, 150, 2);
}

TEST(ResizeReference, DecimationBilinearBicubicNearest16Bit) {
  Trials<uint16_t>(0, 19, 100, 3);  // modes 0-13 and 19 are refused
}

TEST(ResizeReference, DecimationBilinearBicubicNearestDouble) {
  Trials<double>(0, 19, 100, 4);
}

TEST(ResizeReference, AreaSpansEndAtTheSourcesLastCell) {
  // Where the last span's end comes out a hair past the source (9 / 7 x 6
  // + 9 / 7 gives 9 and a bit; from 32768 cells up the end rounds past it
  // more often), the last cell still counts in full: the last column shows
  // the source's last column, not the one before it.
  for (auto [sw, dw] :
       {std::pair{9u, 7u}, std::pair{32789u, 32788u}, std::pair{32769u, 7u}, std::pair{40000u, 39999u}}) {
    Image<uint8_t> s8(sw, 1, 1);
    Image<uint16_t> s16(sw, 1, 1);
    Image<double> sD(sw, 1, 1);
    for (uint32_t x = 0; x < sw; ++x) {
      s8.At(x, 0, 0) = x + 1 == sw ? 200 : 0;
      s16.At(x, 0, 0) = x + 1 == sw ? 60000 : 0;
      sD.At(x, 0, 0) = x + 1 == sw ? 1.0 : 0.0;
    }
    Image<uint8_t> d8(dw, 1, 1), w8(dw, 1, 1);
    Image<uint16_t> d16(dw, 1, 1), w16(dw, 1, 1);
    Image<double> dD(dw, 1, 1), wD(dw, 1, 1);
    ASSERT_TRUE(Resize(s8, d8, 15, 0));
    ASSERT_TRUE(Resize(s16, d16, 15, 0));
    ASSERT_TRUE(Resize(sD, dD, 15, 0));
    ref::Area(s8, w8);
    ref::Area(s16, w16);
    ref::Area(sD, wD);
    EXPECT_EQ(d8.Samples(), w8.Samples()) << sw;
    EXPECT_EQ(d16.Samples(), w16.Samples()) << sw;
    EXPECT_EQ(dD.Samples(), wD.Samples()) << sw;
    // The last cell holds at least a 1 / (source cells per column + 1) share.
    const double share = 1.0 / (static_cast<double>(sw) / dw + 1);
    EXPECT_GE(d8.At(dw - 1, 0, 0), static_cast<uint8_t>(200 * share) - 1) << sw;
    EXPECT_GE(dD.At(dw - 1, 0, 0), share) << sw;
    // Down the rows as along them.
    Image<uint16_t> t16(1, sw, 1), o16(1, dw, 1);
    for (uint32_t y = 0; y < sw; ++y) t16.At(0, y, 0) = s16.At(y, 0, 0);
    ASSERT_TRUE(Resize(t16, o16, 15, 0));
    EXPECT_EQ(o16.At(0, dw - 1, 0), d16.At(dw - 1, 0, 0)) << sw;
  }
}
