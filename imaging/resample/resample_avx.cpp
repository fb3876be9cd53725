// The resize row kernels for AVX (four doubles a vector). This file alone is
// compiled for AVX and is entered only when the processor has it; it
// includes no header with inline functions that other files could share.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "resample/resample_simd.h"
#include "resample/sample_store.h"

namespace Pictura {
namespace {

struct V4 {
  __m256d v;
};

inline V4 Set1(double x) {
  return {_mm256_set1_pd(x)};
}
inline V4 Load(const double* p) {
  return {_mm256_loadu_pd(p)};
}
inline void Store(double* p, V4 v) {
  _mm256_storeu_pd(p, v.v);
}
inline V4 Add(V4 a, V4 b) {
  return {_mm256_add_pd(a.v, b.v)};
}
inline V4 Sub(V4 a, V4 b) {
  return {_mm256_sub_pd(a.v, b.v)};
}
inline V4 Mul(V4 a, V4 b) {
  return {_mm256_mul_pd(a.v, b.v)};
}
inline V4 Div(V4 a, V4 b) {
  return {_mm256_div_pd(a.v, b.v)};
}
inline V4 FromBytes(uint32_t bits) {
  return {_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(bits))))};
}
// Snapped (sample_store.h), limited to [0, limit], then truncated.
inline __m128i Truncate(V4 v, double snap, double limit) {
  const __m256d s = _mm256_add_pd(v.v, _mm256_set1_pd(snap));
  return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(s, _mm256_setzero_pd()), _mm256_set1_pd(limit)));
}
// Snapped and truncated to four int32 that the saturating packs take to
// [0, 255]; the upper limit first, as the int32 conversion cannot hold
// every double.
inline uint32_t ToBytes(V4 v) {
  const __m256d s = _mm256_add_pd(v.v, _mm256_set1_pd(kSnapU8));
  const __m128i i = _mm256_cvttpd_epi32(_mm256_min_pd(s, _mm256_set1_pd(255.0)));
  const __m128i w = _mm_packs_epi32(i, i);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(w, w)));
}
// Two pixels whose values lie within [0, 255 and a little): snapped, then
// the low and the high four bytes.
inline uint64_t ToBytes2InRange(V4 a, V4 b) {
  const __m256d s = _mm256_set1_pd(kSnapU8);
  const __m128i w =
      _mm_packs_epi32(_mm256_cvttpd_epi32(_mm256_add_pd(a.v, s)), _mm256_cvttpd_epi32(_mm256_add_pd(b.v, s)));
  const __m128i bytes = _mm_packus_epi16(w, w);
  uint64_t out;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&out), bytes);
  return out;
}
inline void StoreWords(uint16_t* p, V4 v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p),
                   _mm_packus_epi32(Truncate(v, kSnapU16, 65535.0), _mm_setzero_si128()));
}

#include "resample/resample_kernels.inc"

}  // namespace

const ResampleKernels& ResampleKernelsAVX() {
  return KernelTable();
}

}  // namespace Pictura
