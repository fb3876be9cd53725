// The resize row kernels for SSE2, the baseline of both builds.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "resample/resample_simd.h"
#include "resample/sample_store.h"

namespace Pictura {
namespace {

struct V4 {
  __m128d lo, hi;
};

inline V4 Set1(double x) {
  const __m128d v = _mm_set1_pd(x);
  return {v, v};
}
inline V4 Load(const double* p) {
  return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)};
}
inline void Store(double* p, V4 v) {
  _mm_storeu_pd(p, v.lo);
  _mm_storeu_pd(p + 2, v.hi);
}
inline V4 Add(V4 a, V4 b) {
  return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)};
}
inline V4 Sub(V4 a, V4 b) {
  return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)};
}
inline V4 Mul(V4 a, V4 b) {
  return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)};
}
inline V4 Div(V4 a, V4 b) {
  return {_mm_div_pd(a.lo, b.lo), _mm_div_pd(a.hi, b.hi)};
}
inline V4 FromBytes(uint32_t bits) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i v =
      _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bits)), zero), zero);
  return {_mm_cvtepi32_pd(v), _mm_cvtepi32_pd(_mm_srli_si128(v, 8))};
}
// Snapped (sample_store.h), limited to [0, limit] (NaN to 0), then
// truncated: four int32.
inline __m128i Truncate(V4 v, double snap, double limit) {
  const __m128d zero = _mm_setzero_pd();
  const __m128d top = _mm_set1_pd(limit);
  const __m128d s = _mm_set1_pd(snap);
  const __m128i lo = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_add_pd(v.lo, s), zero), top));
  const __m128i hi = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_add_pd(v.hi, s), zero), top));
  return _mm_unpacklo_epi64(lo, hi);
}
// Snapped and truncated to four int32 that the saturating packs take to
// [0, 255]; the upper limit first, as the int32 conversion cannot hold
// every double.
inline uint32_t ToBytes(V4 v) {
  const __m128d top = _mm_set1_pd(255.0);
  const __m128d s = _mm_set1_pd(kSnapU8);
  const __m128i i = _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_min_pd(_mm_add_pd(v.lo, s), top)),
                                       _mm_cvttpd_epi32(_mm_min_pd(_mm_add_pd(v.hi, s), top)));
  const __m128i w = _mm_packs_epi32(i, i);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(w, w)));
}
inline uint64_t ToBytes2InRange(V4 a, V4 b) {
  return uint64_t{ToBytes(a)} | uint64_t{ToBytes(b)} << 32;
}
inline void StoreWords(uint16_t* p, V4 v) {
  // No unsigned 32-to-16 pack in SSE2: shift into the signed range and back.
  const __m128i bias = _mm_set1_epi32(32768);
  const __m128i w = _mm_packs_epi32(_mm_sub_epi32(Truncate(v, kSnapU16, 65535.0), bias), _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_add_epi16(w, _mm_set1_epi16(-32768)));
}

#include "resample/resample_kernels.inc"

}  // namespace

const ResampleKernels& ResampleKernelsSSE2() {
  return KernelTable();
}

}  // namespace Pictura
