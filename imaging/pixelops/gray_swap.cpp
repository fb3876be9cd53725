#include "pixelops/gray_swap.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <span>
#include <type_traits>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#endif
#include <utility>
#include <vector>

#include "core/channel_utils.h"
#include "core/thread_context.h"
#include "core/band_jobs.h"
#include "core/row_simd.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

bool BadImage(const void* bits, uint32_t width, uint32_t height, uint32_t samples, uint64_t stride) {
  return !bits || (samples != 3 && samples != 4) || !StrideHolds(stride, uint64_t{width} * samples, height);
}

uint32_t FixedWeight(double w) {
  double v = std::clamp(w * 1024, -2147483648.0, 2147483647.0);
  return static_cast<uint32_t>(static_cast<int32_t>(v));
}

template <class T>
struct Weights {
  uint32_t r, g, b;
  bool bgr;
  T Apply(const T* p) const {
    uint32_t R = bgr ? p[2] : p[0], B = bgr ? p[0] : p[2];
    return static_cast<T>((R * r + uint32_t{p[1]} * g + B * b) >> 10);
  }
};

void GreyRows16(const uint16_t* src, uint32_t width, uint32_t top, uint32_t bottom, uint32_t samples,
                uint32_t srcStride, uint32_t dstStride, uint32_t flags, uint16_t* dst) {
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t y = top; y < bottom; ++y) {
    const uint16_t* s = src + static_cast<size_t>(y) * srcStride;
    uint16_t* d = dst + static_cast<size_t>(y) * dstStride;
    for (uint32_t x = 0; x < width; ++x, s += samples) {
      uint32_t R = bgr ? s[2] : s[0], B = bgr ? s[0] : s[2];
      d[x] = static_cast<uint16_t>((601 * uint32_t{s[1]} + 306 * R + 117 * B) >> 10);
    }
  }
}

// The routine over all rows: in bands on the pool when allowed and the
// picture is big enough to pay for the hand-over, on one thread a quarter
// megapixel (some 60 to 100 microseconds of work; below half a megapixel
// waking the pool cost more than it gained).
template <class Rows>
uint32_t RunRows(uint32_t width, uint32_t height, uint32_t flags, Rows&& rows) {
  const uint64_t pixels = uint64_t{width} * height;
  if (!WantBands(flags, height, pixels, uint64_t{1} << 19)) {
    rows(0, height);
    return 0;
  }
  return RunBandJobs(
      false, width, height,
      [&](const ThreadBand& band) -> uint32_t {
        rows(band.top, band.bottom);
        return 0;
      },
      WorkThreads(pixels, uint64_t{1} << 18));
}

#if defined(__i386__) || defined(__x86_64__)
// Four 3-byte pixels per step into 32-bit lanes: the same wrapping sums as
// the scalar loop, the low byte kept. A step reads 16 bytes, so it needs six
// pixels of room.
__attribute__((target("sse4.1"))) uint32_t GreyRowVector(const uint8_t* p, uint8_t* d, uint32_t width,
                                                         uint32_t w0, uint32_t w1, uint32_t w2) {
  const __m128i s0 = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  const __m128i s1 = _mm_setr_epi8(1, -1, -1, -1, 4, -1, -1, -1, 7, -1, -1, -1, 10, -1, -1, -1);
  const __m128i s2 = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
  const __m128i low = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i m0 = _mm_set1_epi32(int(w0)), m1 = _mm_set1_epi32(int(w1)), m2 = _mm_set1_epi32(int(w2));
  uint32_t x = 0;
  for (; width - x >= 6; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * size_t{x}));
    __m128i sum = _mm_add_epi32(_mm_mullo_epi32(_mm_shuffle_epi8(v, s0), m0),
                                _mm_mullo_epi32(_mm_shuffle_epi8(v, s1), m1));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_mullo_epi32(_mm_shuffle_epi8(v, s2), m2)), 10);
    const int out = _mm_cvtsi128_si32(_mm_shuffle_epi8(sum, low));
    std::memcpy(d + x, &out, 4);
  }
  return x;
}

// Eight 3-byte pixels per step by 16-bit multiply-adds, for weights that
// fit 16 signed bits: the 32-bit sums then carry the same bits as the
// wrapping unsigned ones, and the logical shift keeps them equal.
__attribute__((target("sse4.1"))) uint32_t GreyRowMadd(const uint8_t* p, uint8_t* d, uint32_t width,
                                                       uint32_t w0, uint32_t w1, uint32_t w2) {
  const __m128i rg0 = _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
  const __m128i b0 = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
  const __m128i rg1 = _mm_setr_epi8(4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1, 13, -1, 14, -1);
  const __m128i b1 = _mm_setr_epi8(6, -1, -1, -1, 9, -1, -1, -1, 12, -1, -1, -1, 15, -1, -1, -1);
  const __m128i low = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i wRG = _mm_set1_epi32(int((w1 << 16) | (w0 & 0xFFFF))), wB = _mm_set1_epi32(int(w2 & 0xFFFF));
  uint32_t x = 0;
  for (; width - x >= 8; x += 8) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * size_t{x}));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 3 * size_t{x} + 8));
    __m128i s0 = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi8(v0, rg0), wRG),
                               _mm_madd_epi16(_mm_shuffle_epi8(v0, b0), wB));
    __m128i s1 = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi8(v1, rg1), wRG),
                               _mm_madd_epi16(_mm_shuffle_epi8(v1, b1), wB));
    s0 = _mm_shuffle_epi8(_mm_srli_epi32(s0, 10), low), s1 = _mm_shuffle_epi8(_mm_srli_epi32(s1, 10), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x), _mm_unpacklo_epi32(s0, s1));
  }
  return x;
}

// GreyRowMadd at sixteen pixels a step: each half of a vector takes four
// pixels from each of two loads, as the 16-byte form does. Half the
// instructions a pixel; the bytes are the same.
__attribute__((target("avx2"))) uint32_t GreyRowMaddAvx2(const uint8_t* p, uint8_t* d, uint32_t width,
                                                         uint32_t w0, uint32_t w1, uint32_t w2) {
  const __m256i rg0 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1));
  const __m256i b0 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1));
  const __m256i rg1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1, 13, -1, 14, -1));
  const __m256i b1 = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(6, -1, -1, -1, 9, -1, -1, -1, 12, -1, -1, -1, 15, -1, -1, -1));
  const __m256i low0 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
  const __m256i low1 =
      _mm256_broadcastsi128_si256(_mm_setr_epi8(-1, -1, -1, -1, 0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1));
  const __m256i wRG = _mm256_set1_epi32(int((w1 << 16) | (w0 & 0xFFFF))),
                wB = _mm256_set1_epi32(int(w2 & 0xFFFF));
  uint32_t x = 0;
  for (; width - x >= 16; x += 16) {
    const uint8_t* q = p + 3 * size_t{x};
    // Two kilobytes ahead: the hardware's own prefetch left one thread at
    // 80% of the speed of a plain read-and-write loop, and eight at 88%.
    _mm_prefetch(reinterpret_cast<const char*>(q) + 2048, _MM_HINT_T0);
    // Pixels 0-3 and 8-11 at bytes 0-11 of each half, 4-7 and 12-15 at 4-15.
    const __m256i v0 =
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(q + 24), reinterpret_cast<const __m128i*>(q));
    const __m256i v1 = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(q + 32),
                                           reinterpret_cast<const __m128i*>(q + 8));
    const __m256i s0 = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v0, rg0), wRG),
                                        _mm256_madd_epi16(_mm256_shuffle_epi8(v0, b0), wB));
    const __m256i s1 = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(v1, rg1), wRG),
                                        _mm256_madd_epi16(_mm256_shuffle_epi8(v1, b1), wB));
    const __m256i bytes = _mm256_or_si256(_mm256_shuffle_epi8(_mm256_srli_epi32(s0, 10), low0),
                                          _mm256_shuffle_epi8(_mm256_srli_epi32(s1, 10), low1));
    // Pixels 0-7 in the low 8 bytes of the low half, 8-15 of the high one.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x),
                     _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0x08)));
  }
  return x;
}

std::atomic<int> g_greyVectorCap{1};

bool GreyAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_greyVectorCap.load(std::memory_order_relaxed) >= 1;
}
#endif

}  // namespace

void SetGreyVectorCap(int level) {
#if defined(__i386__) || defined(__x86_64__)
  g_greyVectorCap.store(level, std::memory_order_relaxed);
#else
  (void)level;
#endif
}

template <class T>
int ImageToGrayScaleLuma(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t samples,
                         uint32_t stride, uint32_t flags) {
  if (height == 0) return 1;
  if (BadImage(bits, width, height, samples, stride)) return Fail(error, kPicErrBadArgument);
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t y = 0; y < height; ++y) {
    T* p = bits + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += samples) {
      double R = bgr ? p[2] : p[0], B = bgr ? p[0] : p[2];
      T v = static_cast<T>(0.587 * p[1] + 0.299 * R + 0.114 * B);
      p[0] = p[1] = p[2] = v;
    }
  }
  return 1;
}

template <class T>
int ImageToGrayScaleWeighted(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t samples,
                             uint32_t stride, double wR, double wG, double wB, uint32_t flags) {
  if (height == 0) return 1;
  if (BadImage(bits, width, height, samples, stride)) return Fail(error, kPicErrBadArgument);
  const Weights<T> w{FixedWeight(wR), FixedWeight(wG), FixedWeight(wB), (flags & kPicFlagBGR) != 0};
  for (uint32_t y = 0; y < height; ++y) {
    T* p = bits + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += samples) p[0] = p[1] = p[2] = w.Apply(p);
  }
  return 1;
}

template <class T>
int ImageToGrayScaleSingleWeighted(uint32_t* error, const T* src, uint32_t width, uint32_t height,
                                   uint32_t samples, uint32_t srcStride, uint32_t dstStride, double wR,
                                   double wG, double wB, uint32_t flags, T* dst) {
  if (height == 0) return 1;
  if (BadImage(src, width, height, samples, srcStride) || !dst || !StrideHolds(dstStride, width, height))
    return Fail(error, kPicErrBadArgument);
  // Weights in sample order, the loop per pixel size: the compiler
  // vectorises it (sums wrap in 32 bits whatever the order).
  uint32_t w0 = FixedWeight(wR), w1 = FixedWeight(wG), w2 = FixedWeight(wB);
  if (flags & kPicFlagBGR) std::swap(w0, w2);
  [[maybe_unused]] const bool vector = HasCpuFeature(kCpuSSE41);
  auto fits16 = [](uint32_t w) { return int32_t(w) >= -32768 && int32_t(w) <= 32767; };
  [[maybe_unused]] const bool narrow = fits16(w0) && fits16(w1) && fits16(w2);
#if defined(__i386__) || defined(__x86_64__)
  const bool wide = vector && narrow && GreyAvx2();
#endif
  auto rows = [&](auto step, uint32_t top, uint32_t bottom) {
    constexpr uint32_t n = decltype(step)::value;
    for (uint32_t y = top; y < bottom; ++y) {
      const T* p = src + static_cast<size_t>(y) * srcStride;
      T* d = dst + static_cast<size_t>(y) * dstStride;
      uint32_t x = 0;
#if defined(__i386__) || defined(__x86_64__)
      if constexpr (sizeof(T) == 1 && n == 3)
        if (vector) {
          auto* bytes = reinterpret_cast<const uint8_t*>(p);
          auto* out = reinterpret_cast<uint8_t*>(d);
          if (wide) x = GreyRowMaddAvx2(bytes, out, width, w0, w1, w2);
          if (narrow) x += GreyRowMadd(bytes + 3 * size_t{x}, out + x, width - x, w0, w1, w2);
          x += GreyRowVector(bytes + 3 * size_t{x}, out + x, width - x, w0, w1, w2);
        }
#endif
      for (; x < width; ++x)
        d[x] = static_cast<T>((p[n * x] * w0 + p[n * x + 1] * w1 + p[n * x + 2] * w2) >> 10);
    }
  };
  const auto band = [&](uint32_t top, uint32_t bottom) {
    if (samples == 3)
      rows(std::integral_constant<uint32_t, 3>{}, top, bottom);
    else
      rows(std::integral_constant<uint32_t, 4>{}, top, bottom);
  };
  if (const uint32_t code = RunRows(width, height, flags, band)) return Fail(error, code);
  return 1;
}

int ImageToGrayScale8BitCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                             uint32_t samples, uint32_t srcStride, uint32_t dstStride, uint32_t flags,
                             uint16_t* dst) {
  if (height == 0) return 1;
  if (BadImage(src, width, height, samples, srcStride) || !dst || !StrideHolds(dstStride, width, height))
    return Fail(error, kPicErrBadArgument);
  const auto band = [&](uint32_t top, uint32_t bottom) {
    GreyRows16(src, width, top, bottom, samples, srcStride, dstStride, flags, dst);
  };
  if (const uint32_t code = RunRows(width, height, flags, band)) return Fail(error, code);
  return 1;
}

template <class T>
int SwapRB(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t samples) {
  if (height == 0) return 1;
  if (BadImage(bits, width, height, samples, stride)) return Fail(error, kPicErrBadArgument);
  const bool simd = sizeof(T) == 1 && samples == 3 && HasSSE41ForChannels(3);
  for (uint32_t y = 0; y < height; ++y) {
    T* p = bits + static_cast<size_t>(y) * stride;
    uint32_t scratch = 0;
    if (simd && SwapRBRowSIMD(&scratch, reinterpret_cast<uint8_t*>(p), width)) continue;
    for (uint32_t x = 0; x < width; ++x, p += samples) std::swap(p[0], p[2]);
  }
  return 1;
}

template int ImageToGrayScaleLuma<uint8_t>(uint32_t*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t,
                                           uint32_t);
template int ImageToGrayScaleLuma<uint16_t>(uint32_t*, uint16_t*, uint32_t, uint32_t, uint32_t, uint32_t,
                                            uint32_t);
template int ImageToGrayScaleWeighted<uint8_t>(uint32_t*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t,
                                               double, double, double, uint32_t);
template int ImageToGrayScaleWeighted<uint16_t>(uint32_t*, uint16_t*, uint32_t, uint32_t, uint32_t, uint32_t,
                                                double, double, double, uint32_t);
template int ImageToGrayScaleSingleWeighted<uint8_t>(uint32_t*, const uint8_t*, uint32_t, uint32_t, uint32_t,
                                                     uint32_t, uint32_t, double, double, double, uint32_t,
                                                     uint8_t*);
template int ImageToGrayScaleSingleWeighted<uint16_t>(uint32_t*, const uint16_t*, uint32_t, uint32_t,
                                                      uint32_t, uint32_t, uint32_t, double, double, double,
                                                      uint32_t, uint16_t*);
template int SwapRB<uint8_t>(uint32_t*, uint8_t*, uint32_t, uint32_t, uint32_t, uint32_t);
template int SwapRB<uint16_t>(uint32_t*, uint16_t*, uint32_t, uint32_t, uint32_t, uint32_t);

}  // namespace Pictura
