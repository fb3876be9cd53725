#include "pixelops/median.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/band_jobs.h"
#include "core/library_globals.h"
#include "core/thread_context.h"

// AVX2 vectors only pass between functions built for AVX2.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace Pictura {

namespace {

// A total order: NaN after every number (plain less-than is no order with NaN).
struct SampleLess {
  bool operator()(double a, double b) const { return !std::isnan(a) && (std::isnan(b) || a < b); }
};

// The window as counts per value, with the entry holding the rank-th sample
// and the number of samples below it, kept up to date step by step.
class Window {
 public:
  explicit Window(uint64_t rank) : rank_(rank) {}
  void Add(double v) { ++counts_[v]; }
  void Start() {
    median_ = counts_.begin();
    below_ = 0;
    Settle();
  }
  // One sample leaves, one enters.
  void Swap(double out, double in) {
    if (!(SampleLess()(out, in) || SampleLess()(in, out))) return;
    const double m = median_->first;
    auto gone = counts_.find(out);
    if (--gone->second == 0 && gone != median_) counts_.erase(gone);
    if (SampleLess()(out, m)) --below_;
    ++counts_[in];
    if (SampleLess()(in, m)) ++below_;
  }
  void Settle() {
    auto old = median_;
    while (below_ + median_->second < rank_) below_ += (median_++)->second;
    while (below_ >= rank_) below_ -= (--median_)->second;
    if (old != median_ && old->second == 0) counts_.erase(old);
  }
  double Median() const { return median_->first; }
  void Clear() { counts_.clear(); }

 private:
  std::map<double, int64_t, SampleLess> counts_;
  std::map<double, int64_t, SampleLess>::iterator median_;
  uint64_t below_ = 0;
  uint64_t rank_;
};

// Small windows: the window gathered per pixel as integer keys in the
// samples' order (NaN one key above every number) and its middle selected,
// from sorted columns for 3 x 3; much faster than the count map up to 7 x 7.
constexpr int64_t kSmallSide = 7;
constexpr uint64_t kTop = uint64_t{1} << 63;

inline uint64_t Key(double v) {
  if (std::isnan(v)) return ~uint64_t{0};
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return (b & kTop) ? ~b : (b | kTop);
}

inline double Value(uint64_t key) {
  const uint64_t b = (key & kTop) ? (key & ~kTop) : ~key;
  double v;
  std::memcpy(&v, &b, 8);
  return v;
}

inline void Order(uint64_t& a, uint64_t& b) {
  const uint64_t lo = std::min(a, b), hi = std::max(a, b);
  a = lo, b = hi;
}

void MedianSmall(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                 uint32_t sourceStride, double* destination, uint32_t destinationStride, int64_t half,
                 uint32_t flags, uint32_t top, uint32_t bottom) {
  const int64_t side = 2 * half + 1;
  const size_t mid = static_cast<size_t>(side * side / 2);
  // Clamped column offsets (in samples) for x - half .. x + half of every x.
  std::vector<size_t> cols(static_cast<size_t>(width + 2 * half));
  for (int64_t i = 0; i < static_cast<int64_t>(cols.size()); ++i)
    cols[static_cast<size_t>(i)] =
        static_cast<size_t>(std::clamp<int64_t>(i - half, 0, int64_t{width} - 1)) * channels;
  std::vector<const double*> rows(static_cast<size_t>(side));
  uint64_t window[kSmallSide * kSmallSide];
  // 3 x 3: every column sorted once; the median of nine is then the middle
  // of (largest column minimum, middle column median, smallest maximum).
  std::vector<uint64_t> lo, md, hi;
  if (side == 3) lo.resize(width + 2), md.resize(width + 2), hi.resize(width + 2);
  for (uint32_t y = top; y < bottom; ++y) {
    for (int64_t dy = -half; dy <= half; ++dy)
      rows[static_cast<size_t>(dy + half)] =
          source +
          static_cast<size_t>(std::clamp<int64_t>(int64_t{y} + dy, 0, int64_t{height} - 1)) * sourceStride;
    double* out = destination + static_cast<size_t>(y) * destinationStride;
    for (uint32_t c = 0; c < std::min(channels, 32u); ++c) {
      if (!(flags >> c & 1)) continue;
      if (side == 3) {
        for (uint32_t i = 0; i < width + 2; ++i) {
          const size_t at = cols[i] + c;
          uint64_t a = Key(rows[0][at]), b = Key(rows[1][at]), d = Key(rows[2][at]);
          Order(a, b), Order(b, d), Order(a, b);
          lo[i] = a, md[i] = b, hi[i] = d;
        }
        for (uint32_t x = 0; x < width; ++x) {
          uint64_t a = std::max(std::max(lo[x], lo[x + 1]), lo[x + 2]);
          uint64_t b = md[x], e = md[x + 1], f = md[x + 2];
          Order(b, e), Order(e, f), Order(b, e);
          uint64_t d = std::min(std::min(hi[x], hi[x + 1]), hi[x + 2]);
          Order(a, e), Order(e, d), Order(a, e);
          out[size_t{x} * channels + c] = Value(e);
        }
        continue;
      }
      for (uint32_t x = 0; x < width; ++x) {
        size_t n = 0;
        for (const double* row : rows)
          for (int64_t dx = 0; dx < side; ++dx) window[n++] = Key(row[cols[x + static_cast<size_t>(dx)] + c]);
        std::nth_element(window, window + mid, window + n);
        out[size_t{x} * channels + c] = Value(window[mid]);
      }
    }
  }
}

// Byte samples. The r-th smallest of a window does not depend on how it is
// found, so byte windows take faster routes with identical results: a
// min/max network per 3 x 3 and 5 x 5 window (many pixels per vector), and
// above that per-column histograms in two tiers (16 coarse bins of 16 fine
// ones) whose window sums slide one column per pixel.
template <class T>
inline uint8_t ToByte(T v) {
  return static_cast<uint8_t>(v);
}

// Vector lanes of bytes: SSE2 everywhere, AVX2 where the processor has it.
struct Sse2 {
  using V = __m128i;
  static constexpr int kLanes = 16;
  static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static V Min(V a, V b) { return _mm_min_epu8(a, b); }
  static V Max(V a, V b) { return _mm_max_epu8(a, b); }
  // The bytes k before and k after those of `cur` (k of 1 to 15), from the
  // vectors `prev` and `next` beside it; Join is what After gets as `join`
  // and the next step's Before (for lanes that cannot shift across halves).
  static V Join(V, V b) { return b; }
  template <int k>
  static V Before(V prev, V, V cur) {
    return _mm_or_si128(_mm_slli_si128(cur, k), _mm_srli_si128(prev, 16 - k));
  }
  template <int k>
  static V After(V cur, V, V next) {
    return _mm_or_si128(_mm_srli_si128(cur, k), _mm_slli_si128(next, 16 - k));
  }
};
struct Avx2 {
  using V = __m256i;
  static constexpr int kLanes = 32;
  __attribute__((target("avx2"))) static V Load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }
  __attribute__((target("avx2"))) static void Store(uint8_t* p, V v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
  }
  __attribute__((target("avx2"))) static V Min(V a, V b) { return _mm256_min_epu8(a, b); }
  __attribute__((target("avx2"))) static V Max(V a, V b) { return _mm256_max_epu8(a, b); }
  // The high half of a and the low half of b: alignr shifts within halves.
  __attribute__((target("avx2"))) static V Join(V a, V b) { return _mm256_permute2x128_si256(a, b, 0x21); }
  template <int k>
  __attribute__((target("avx2"))) static V Before(V, V join, V cur) {
    return _mm256_alignr_epi8(cur, join, 16 - k);
  }
  template <int k>
  __attribute__((target("avx2"))) static V After(V cur, V join, V) {
    return _mm256_alignr_epi8(join, cur, k);
  }
};

// The row kernels, built once for each kind of lanes.
#define PIC_LANES_INLINE inline __attribute__((always_inline))
#define PIC_LANES_ENTRY
namespace sse2 {
using S = Sse2;
#include "pixelops/median_lanes.inc"
}  // namespace sse2
#undef PIC_LANES_INLINE
#undef PIC_LANES_ENTRY
#define PIC_LANES_INLINE inline __attribute__((always_inline, target("avx2")))
#define PIC_LANES_ENTRY __attribute__((target("avx2")))
namespace avx2 {
using S = Avx2;
#include "pixelops/median_lanes.inc"
}  // namespace avx2
#undef PIC_LANES_INLINE
#undef PIC_LANES_ENTRY

std::atomic<int> g_vectorCap{1};

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_vectorCap.load(std::memory_order_relaxed) >= 1;
}

// Rows of one channel as bytes, padded by half samples of the edge on each
// side and rounded up to whole vectors.
template <class T>
void LoadPadded(const T* row, uint32_t width, uint32_t channels, int64_t half, uint8_t* buf) {
  if (std::is_same_v<T, uint8_t> && channels == 1)
    std::memcpy(buf + half, static_cast<const void*>(row), width);
  else
    for (uint32_t x = 0; x < width; ++x) buf[half + x] = ToByte(row[size_t{x} * channels]);
  for (int64_t i = 0; i < half; ++i) buf[i] = buf[half], buf[half + width + i] = buf[half + width - 1];
}

template <class T>
void MedianNetworkChannel(const T* source, uint32_t width, uint32_t height, uint32_t channels,
                          uint32_t sourceStride, T* destination, uint32_t destinationStride, int64_t half,
                          uint32_t top, uint32_t bottom) {
  const int side = static_cast<int>(2 * half + 1);
  const size_t lanes = 32, n = (width + lanes - 1) / lanes * lanes, padded = n + 2 * half + lanes;
  auto rowOf = [&](int64_t y) {
    return source + size_t(std::clamp<int64_t>(y, 0, int64_t{height} - 1)) * sourceStride;
  };
  const bool avx2 = HasAvx2();
  if constexpr (std::is_same_v<T, uint8_t>) {
    if (side == 3 && channels == 1) {
      // Straight from the source rows into the destination: no copies.
      for (int64_t y = top; y < bottom; ++y) {
        const uint8_t* rows[3] = {rowOf(y - 1), rowOf(y), rowOf(y + 1)};
        uint8_t* d = destination + size_t(y) * destinationStride;
        if (avx2)
          avx2::Median3Direct(rows, width, 1, d);
        else
          sse2::Median3Direct(rows, width, 1, d);
      }
      return;
    }
  }
  std::vector<uint8_t> cols(padded * 5), ring(padded * side), out(n);
  std::vector<const uint8_t*> rows(side);
  auto slot = [&](int64_t y) { return ring.data() + size_t((y + 4 * half + 4) % side) * padded; };
  for (int64_t y = int64_t{top} - half; y < int64_t{top} + half; ++y)
    LoadPadded(rowOf(y), width, channels, half, slot(y));
  for (int64_t y = top; y < bottom; ++y) {
    LoadPadded(rowOf(y + half), width, channels, half, slot(y + half));
    for (int i = 0; i < side; ++i) rows[i] = slot(y - half + i);
    if (avx2)
      avx2::MedianRow(side, rows.data(), cols.data(), padded, out.data(), n);
    else
      sse2::MedianRow(side, rows.data(), cols.data(), padded, out.data(), n);
    T* d = destination + size_t(y) * destinationStride;
    if constexpr (std::is_same_v<T, uint8_t>)
      if (channels == 1) {
        std::memcpy(d, out.data(), width);
        continue;
      }
    for (uint32_t x = 0; x < width; ++x) d[size_t{x} * channels] = static_cast<T>(out[x]);
  }
}

// Sixteen 16-bit counts: one coarse histogram, or the fine counts of one
// coarse bin. GCC's vectors: AVX2, SSE2 or plain words as the target has;
// aligned as their words, so no access assumes more (32-bit Windows keeps
// neither heap blocks nor thread stacks 32-byte aligned).
typedef uint16_t Bins16 __attribute__((vector_size(32), aligned(2)));

// Per-column histograms over vertical stripes (so the columns stay in
// cache); counts fit 16 bits up to 255 x 255 windows. Along a row the
// window's coarse histogram moves by one column add and one subtract; the
// window's fine counts are kept per coarse bin and brought up to date only
// when the median falls in that bin (from the columns that entered and left
// since, or afresh when that is more work), so a picture whose medians stay
// in a few bins costs a few vector operations a pixel.
template <class T>
void MedianHistogramChannel(const T* source, uint32_t width, uint32_t height, uint32_t channels,
                            uint32_t sourceStride, T* destination, uint32_t destinationStride, int64_t half,
                            uint32_t top, uint32_t bottom) {
  const int64_t side = 2 * half + 1;
  const uint32_t rank = static_cast<uint32_t>(side * side / 2 + 1);
  constexpr int64_t kStripe = 256;
  struct Column {
    Bins16 fine[16];
    Bins16 coarse;
  };
  std::vector<Column> cols(size_t(kStripe + 2 * half));
  auto rowOf = [&](int64_t y) {
    return source + size_t(std::clamp<int64_t>(y, 0, int64_t{height} - 1)) * sourceStride;
  };
  auto count = [](Column& c, uint8_t v, int d) {
    c.fine[v >> 4][v & 15] = uint16_t(c.fine[v >> 4][v & 15] + d);
    c.coarse[v >> 4] = uint16_t(c.coarse[v >> 4] + d);
  };
  for (int64_t x0 = 0; x0 < width; x0 += kStripe) {
    const int64_t x1 = std::min<int64_t>(x0 + kStripe, width), span = x1 - x0 + 2 * half;
    for (int64_t i = 0; i < span; ++i) cols[i] = Column{};
    auto value = [&](const T* row, int64_t p) {  // padded column p of the stripe
      return ToByte(row[size_t(std::clamp<int64_t>(x0 + p - half, 0, int64_t{width} - 1)) * channels]);
    };
    for (int64_t dy = -half; dy <= half; ++dy) {
      const T* row = rowOf(int64_t{top} + dy);
      for (int64_t i = 0; i < span; ++i) count(cols[i], value(row, i), 1);
    }
    for (int64_t y = top; y < bottom; ++y) {
      if (y > top) {
        const T *gone = rowOf(y - half - 1), *come = rowOf(y + half);
        if (gone != come)
          for (int64_t i = 0; i < span; ++i) {
            count(cols[i], value(gone, i), -1);
            count(cols[i], value(come, i), 1);
          }
      }
      Bins16 coarse{};
      for (int64_t i = 0; i < side; ++i) coarse += cols[i].coarse;
      Bins16 fine[16];
      int64_t at[16];  // fine[b] counts the window starting at column at[b]; -1: not yet
      std::fill(std::begin(at), std::end(at), -1);
      T* d = destination + size_t(y) * destinationStride;
      for (int64_t x = x0; x < x1; ++x) {
        const int64_t i = x - x0;
        if (i > 0) coarse += cols[i + side - 1].coarse - cols[i - 1].coarse;
        uint32_t below = 0;
        int bin = 0;
        while (below + coarse[bin] < rank) below += coarse[bin++];
        Bins16& f = fine[bin];
        if (at[bin] < 0 || 2 * (i - at[bin]) > side) {
          f = Bins16{};
          for (int64_t j = i; j < i + side; ++j) f += cols[j].fine[bin];
        } else {
          for (int64_t j = at[bin]; j < i; ++j) f += cols[j + side].fine[bin] - cols[j].fine[bin];
        }
        at[bin] = i;
        int v = 0;
        while (below + f[v] < rank) below += f[v++];
        d[size_t(x) * channels] = static_cast<T>(bin * 16 + v);
      }
    }
  }
}

// False (nothing written) when some sample the band reads is not a byte value.
template <class T>
bool MedianBytesBand(const T* source, uint32_t width, uint32_t height, uint32_t channels,
                     uint32_t sourceStride, T* destination, uint32_t destinationStride, int64_t half,
                     uint32_t flags, uint32_t top, uint32_t bottom) {
  const int64_t side = 2 * half + 1;
  if (side > 255) return false;
  const uint32_t used = std::min(channels, 32u);
  if constexpr (!std::is_same_v<T, uint8_t>) {
    const int64_t from = std::max<int64_t>(0, int64_t{top} - half),
                  to = std::min<int64_t>(height, int64_t{bottom} + half);
    for (int64_t y = from; y < to; ++y) {
      const T* row = source + size_t(y) * sourceStride;
      for (uint32_t x = 0; x < width; ++x)
        for (uint32_t c = 0; c < used; ++c) {
          const T v = row[size_t{x} * channels + c];
          if ((flags >> c & 1) && !(v >= 0 && v <= 255 && v == std::floor(v))) return false;
        }
    }
  }
  if constexpr (std::is_same_v<T, uint8_t>) {
    if (side == 3 && channels > 1 && channels <= 8 &&
        (flags & ((1u << channels) - 1)) == (1u << channels) - 1) {
      // Every channel of a pixel filtered: all at once, interleaved as they
      // are, straight from the source rows.
      const size_t n = size_t{width} * channels;
      const bool avx2 = HasAvx2();
      auto rowOf = [&](int64_t y) {
        return source + size_t(std::clamp<int64_t>(y, 0, int64_t{height} - 1)) * sourceStride;
      };
      for (int64_t y = top; y < bottom; ++y) {
        const uint8_t* rows[3] = {rowOf(y - 1), rowOf(y), rowOf(y + 1)};
        uint8_t* d = destination + size_t(y) * destinationStride;
        if (avx2)
          avx2::Median3Direct(rows, n, channels, d);
        else
          sse2::Median3Direct(rows, n, channels, d);
      }
      return true;
    }
  }
  for (uint32_t c = 0; c < used; ++c) {
    if (!(flags >> c & 1)) continue;
    if (side == 1) {
      for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = 0; x < width; ++x)
          destination[size_t{y} * destinationStride + size_t{x} * channels + c] =
              source[size_t{y} * sourceStride + size_t{x} * channels + c];
    } else if (side <= 5) {
      MedianNetworkChannel(source + c, width, height, channels, sourceStride, destination + c,
                           destinationStride, half, top, bottom);
    } else {
      MedianHistogramChannel(source + c, width, height, channels, sourceStride, destination + c,
                             destinationStride, half, top, bottom);
    }
  }
  return true;
}

}  // namespace

void SetMedianVectorCap(int level) {
  g_vectorCap.store(level, std::memory_order_relaxed);
}

void MedianFilterBand(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t sourceStride, double* destination, uint32_t destinationStride, int32_t k,
                      uint32_t flags, const ThreadBand* band) {
  const uint32_t top = band ? band->top : 0, bottom = band ? std::min(band->bottom, height) : height;
  if (width == 0 || top >= bottom || k < 0) return;
  const int64_t half = k / 2, side = 2 * half + 1;
  if (side > 1 && MedianBytesBand(source, width, height, channels, sourceStride, destination,
                                  destinationStride, half, flags, top, bottom))
    return;
  const int64_t W = width, H = height;
  auto cx = [&](int64_t x) { return static_cast<size_t>(std::clamp<int64_t>(x, 0, W - 1)); };
  auto cy = [&](int64_t y) { return static_cast<size_t>(std::clamp<int64_t>(y, 0, H - 1)); };
  if (side <= kSmallSide) {
    MedianSmall(source, width, height, channels, sourceStride, destination, destinationStride, half, flags,
                top, bottom);
    return;
  }
  for (uint32_t c = 0; c < std::min(channels, 32u); ++c) {
    if (!(flags >> c & 1)) continue;
    auto at = [&](int64_t x, int64_t y) { return source[cy(y) * sourceStride + cx(x) * channels + c]; };
    auto put = [&](int64_t x, int64_t y, double v) {
      destination[static_cast<size_t>(y) * destinationStride + static_cast<size_t>(x) * channels + c] = v;
    };
    Window window(static_cast<uint64_t>(side * side / 2 + 1));
    int64_t x = 0, y = top;
    for (int64_t dy = -half; dy <= half; ++dy)
      for (int64_t dx = -half; dx <= half; ++dx) window.Add(at(x + dx, y + dy));
    window.Start();
    put(x, y, window.Median());
    int64_t step = 1;
    for (;;) {
      if (x + step >= 0 && x + step < W) {
        // Sideways: the column leaving behind, the one entering ahead.
        const int64_t out = step > 0 ? x - half : x + half, in = step > 0 ? x + step + half : x + step - half;
        for (int64_t dy = -half; dy <= half; ++dy) window.Swap(at(out, y + dy), at(in, y + dy));
        x += step;
      } else {
        if (y + 1 >= bottom) break;
        for (int64_t dx = -half; dx <= half; ++dx)
          window.Swap(at(x + dx, y - half), at(x + dx, y + 1 + half));
        ++y;
        step = -step;
      }
      window.Settle();
      put(x, y, window.Median());
    }
    window.Clear();
  }
}

void MedianFilterBand(const uint8_t* source, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t sourceStride, uint8_t* destination, uint32_t destinationStride, int32_t k,
                      uint32_t flags, const ThreadBand* band) {
  const uint32_t top = band ? band->top : 0, bottom = band ? std::min(band->bottom, height) : height;
  if (width == 0 || top >= bottom || k < 0 || 2 * int64_t{k / 2} + 1 > 255) return;
  MedianBytesBand(source, width, height, channels, sourceStride, destination, destinationStride, k / 2, flags,
                  top, bottom);
}

namespace {

template <class T>
uint32_t MedianCore(const T* source, uint32_t width, uint32_t height, uint32_t channels,
                    uint32_t sourceStride, T* destination, uint32_t destinationStride, int32_t k,
                    uint32_t flags, int64_t maxSide) {
  const int64_t side = 2 * int64_t{k / 2} + 1;
  if (!source || !destination || k < 0 || side > maxSide ||
      (width && height &&
       (uint64_t{width} * channels > sourceStride || uint64_t{width} * channels > destinationStride)))
    return kPicErrBadArgument;
  // Work: samples times the window's side (doubles eight times that); one
  // thread a megasample of 3 x 3 bytes (some 200 microseconds), none below
  // two, where waking the pool cost more than it gained.
  const uint64_t work =
      uint64_t{width} * height * std::min(channels, 32u) * uint64_t(side) * (sizeof(T) == 1 ? 1 : 8);
  if (!WantBands(flags, height, work, uint64_t{6} << 20)) {
    MedianFilterBand(source, width, height, channels, sourceStride, destination, destinationStride, k, flags,
                     nullptr);
    return 0;
  }
  return RunBandJobs(
      false, width, height,
      [&](const ThreadBand& band) -> uint32_t {
        MedianFilterBand(source, width, height, channels, sourceStride, destination, destinationStride, k,
                         flags, &band);
        return 0;
      },
      WorkThreads(work, uint64_t{3} << 20));
}

}  // namespace

bool CPicMedianFilter::MedianFilterCore(const double* source, uint32_t width, uint32_t height,
                                        uint32_t channels, uint32_t sourceStride, double* destination,
                                        uint32_t destinationStride, int32_t k, uint32_t flags) {
  // A window over 2^31 samples has no rank to count.
  error = MedianCore(source, width, height, channels, sourceStride, destination, destinationStride, k, flags,
                     46340);
  return error == 0;
}

bool CPicMedianFilter::MedianFilterCore(const uint8_t* source, uint32_t width, uint32_t height,
                                        uint32_t channels, uint32_t sourceStride, uint8_t* destination,
                                        uint32_t destinationStride, int32_t k, uint32_t flags) {
  error = MedianCore(source, width, height, channels, sourceStride, destination, destinationStride, k, flags,
                     255);
  return error == 0;
}

}  // namespace Pictura
