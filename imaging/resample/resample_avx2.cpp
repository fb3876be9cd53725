// The resize row kernels for AVX2: the AVX table, plus bilinear rows in
// single precision. This file alone is compiled for AVX2 and FMA and is
// entered only when the processor has both; it includes no header with
// inline functions that other files could share.
//
// Why single precision is exact here. A bilinear sample is blended as
// h0 = p00 + (p01 - p00) tx, h1 = p10 + (p11 - p10) tx, v = h0 + (h1 - h0) ty
// in floats, the samples scaled by 65536 (the byte lands in the third byte
// of an int32), which changes no rounding; each line is a subtraction and
// a fused multiply-add. Each of those six roundings and the two float
// weights is off by at most 2^-24 of a value below 256: all told less than
// 13 x 255 x 2^-24 < 1.98e-4 from the exact blend (the bound also holds
// for a separate multiply and add, nine roundings). The
// double sum of the scalar walk is within 3e-13 of that, and its snap
// (sample_store.h) adds 1e-9. So when v lies at least 1/4096 from every
// whole number, both truncate to the same byte. The rest are:
//  - blends that are exactly the first sample, which both paths give
//    exactly: the row's two samples are equal or tx is 0, and either ty is 0
//    or the other row's two samples also are (or tx is 0) and equal the
//    first row's. There h0 (and h1) and v are exact.
//  - the others (about 1 in 2000 on photographs, but as many as 1 in 40 on
//    smooth ramps, whose blends often are whole numbers): the pixel again in
//    double precision, four samples at a time as h0 + (h1 - h0) ty. That
//    differs from the scalar walk's sum by less than 1e-12 (each of the nine
//    operations is off by at most 2^-53 of 256, the scalar sum by 3e-13),
//    so with the snap added it truncates alike unless it lies within 1e-11
//    above a whole number or below the next; those few lanes take the
//    scalar walk's operations in its order.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "resample/resample_simd.h"
#include "resample/sample_store.h"

namespace Pictura {
namespace {

// The scalar walk's value of one sample.
uint8_t ExactSample(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, double tx, double ty) {
  const double a = p00, b = p01, c = p10, d = p11;
  double v = b * (tx * (1 - ty)) + a * ((1 - tx) * (1 - ty)) + d * (tx * ty) + c * ((1 - tx) * ty);
  v += kSnapU8;
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(v);
}

void ExactPixel(const uint8_t* row0, const uint8_t* row1, uint8_t* out, const BilinearColumns& c, uint32_t x,
                double ty) {
  const uint32_t o0 = c.x0[x], o1 = c.x1[x];
  for (uint32_t k = 0; k < c.channels; ++k)
    out[k] = ExactSample(row0[o0 + k], row0[o1 + k], row1[o0 + k], row1[o1 + k], c.tx[x], ty);
}

inline __m256d WidenPixel(const uint8_t* p) {
  int32_t bits;
  std::memcpy(&bits, p, 4);
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bits)));
}

// A doubtful pixel of CH samples whose 4-byte loads stay within the rows:
// in double first, the scalar walk only for lanes that stay doubtful.
template <uint32_t CH>
__attribute__((noinline)) void ResolvePixel(const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                                            const BilinearColumns& c, uint32_t x, double ty) {
  const uint32_t o0 = c.x0[x], o1 = c.x1[x];
  const __m256d t = _mm256_set1_pd(c.tx[x]), vty = _mm256_set1_pd(ty);
  const __m256d a = WidenPixel(row0 + o0), b = WidenPixel(row0 + o1);
  const __m256d d = WidenPixel(row1 + o0), e = WidenPixel(row1 + o1);
  const __m256d h0 = _mm256_add_pd(a, _mm256_mul_pd(_mm256_sub_pd(b, a), t));
  const __m256d h1 = _mm256_add_pd(d, _mm256_mul_pd(_mm256_sub_pd(e, d), t));
  const __m256d v =
      _mm256_add_pd(_mm256_add_pd(h0, _mm256_mul_pd(_mm256_sub_pd(h1, h0), vty)), _mm256_set1_pd(kSnapU8));
  const __m256d whole = _mm256_floor_pd(v);
  const __m256d fraction = _mm256_sub_pd(v, whole);
  const int sure =
      _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(fraction, _mm256_set1_pd(1e-11), _CMP_GT_OQ),
                                       _mm256_cmp_pd(fraction, _mm256_set1_pd(1 - 1e-11), _CMP_LT_OQ)));
  int32_t bytes[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), _mm256_cvttpd_epi32(whole));
  for (uint32_t k = 0; k < CH; ++k)
    out[k] = sure >> k & 1 ? static_cast<uint8_t>(bytes[k])
                           : ExactSample(row0[o0 + k], row0[o1 + k], row1[o0 + k], row1[o1 + k], c.tx[x], ty);
}

// The constants of the blends, loaded once per row.
struct Consts {
  __m256i margin = _mm256_set1_epi32(16), low16 = _mm256_set1_epi32(0xFFFF),
          top = _mm256_set1_epi32(0x10000 - 31);
  __m256i below16 = _mm256_set1_epi16(15);
};

// A blend scaled by 65536 and truncated to q is certain when its fraction
// q mod 65536 lies within [16, 65520]: then the blend is more than
// 15/65536 = 2.29e-4 from every whole number. Sixteen lanes of two at
// once, the fractions as int16: |fraction| > 15 (a fraction of 32768 fails,
// which only costs a look). Lane i of a sets bits 4i and 4i + 1, lane i of
// b bits 4i + 2 and 4i + 3; all set, every lane is certain.
inline uint32_t CertainBits(__m256i a, __m256i b, const Consts& k) {
  const __m256i fractions = _mm256_or_si256(_mm256_and_si256(a, k.low16), _mm256_slli_epi32(b, 16));
  return static_cast<uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpgt_epi16(_mm256_abs_epi16(fractions), k.below16)));
}

inline bool AllCertain(__m256i a, __m256i b, const Consts& k) {
  return CertainBits(a, b, k) == ~0u;
}

// The same for the eight lanes of one: all ones where certain.
inline __m256i Certain(__m256i q, const Consts& k) {
  return _mm256_cmpgt_epi32(k.top, _mm256_and_si256(_mm256_sub_epi32(q, k.margin), k.low16));
}

inline int Mask(__m256i m) {
  return _mm256_movemask_ps(_mm256_castsi256_ps(m));
}

// Two pixels' 16 bytes from their sample offsets: the low lane holds the
// first, the high lane the second.
inline __m256i LoadPair(const uint8_t* row, uint32_t a, uint32_t b) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + a))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + b)), 1);
}

// Byte picks: a pixel's samples (first column) or the next pixel's (second
// column), each into the third byte of an int32 lane, which is the sample
// times 65536; a 3-channel pixel repeats its last sample in the fourth
// lane, which then blends like the third.
inline __m256i Picks(int a, int b, int c, int d) {
  return _mm256_setr_epi8(-1, -1, a, -1, -1, -1, b, -1, -1, -1, c, -1, -1, -1, d, -1, -1, -1, a, -1, -1, -1,
                          b, -1, -1, -1, c, -1, -1, -1, d, -1);
}
template <uint32_t CH>
inline __m256i FirstColumn() {
  return CH == 3 ? Picks(0, 1, 2, 2) : Picks(0, 1, 2, 3);
}
template <uint32_t CH>
inline __m256i SecondColumn() {
  return CH == 3 ? Picks(3, 4, 5, 5) : Picks(4, 5, 6, 7);
}

// Picks the whole parts (third bytes) of two pairs' lanes: pixel x + j
// lands at byte j x CH, from the low lane (x, x + 2) or the high (x + 1,
// x + 3), so OR-ing both pairs and both lanes gives the four pixels.
template <uint32_t CH>
inline __m256i PlaceFirst() {
  return CH == 3 ? _mm256_setr_epi8(2, 6, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                    2, 6, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1)
                 : _mm256_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                    -1, 2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1);
}
template <uint32_t CH>
inline __m256i PlaceSecond() {
  return CH == 3 ? _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 6, 10, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                    -1, -1, -1, -1, -1, -1, 2, 6, 10, -1, -1, -1, -1)
                 : _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1,
                                    -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 6, 10, 14);
}

// a + (b - a) t with one rounding for the multiply and the add.
inline __m256 Lerp(__m256 a, __m256 b, __m256 t) {
  return _mm256_fmadd_ps(_mm256_sub_ps(b, a), t, a);
}

// ---------------------------------------------------------------- one row from two

// One step: two pixels of the destination row, and what tells whether a
// doubtful blend is exactly its first sample.
struct Pair {
  __m256i q;  // the blend scaled by 65536, truncated
  __m256i i00, i01, i10, i11;
  __m256 tx;
};

template <uint32_t CH>
inline Pair BlendPair(const uint8_t* row0, const uint8_t* row1, uint32_t a, uint32_t b, const float* txLanes,
                      __m256 ty, __m256i first, __m256i second) {
  Pair r;
  const __m256i s0 = LoadPair(row0, a, b), s1 = LoadPair(row1, a, b);
  r.i00 = _mm256_shuffle_epi8(s0, first);
  r.i01 = _mm256_shuffle_epi8(s0, second);
  r.i10 = _mm256_shuffle_epi8(s1, first);
  r.i11 = _mm256_shuffle_epi8(s1, second);
  r.tx = _mm256_loadu_ps(txLanes);
  const __m256 h0 = Lerp(_mm256_cvtepi32_ps(r.i00), _mm256_cvtepi32_ps(r.i01), r.tx);
  const __m256 h1 = Lerp(_mm256_cvtepi32_ps(r.i10), _mm256_cvtepi32_ps(r.i11), r.tx);
  r.q = _mm256_cvttps_epi32(Lerp(h0, h1, ty));
  return r;
}

// The bits of CertainBits for the lanes of two halves whose masks are set
// (lane i of a bits 4i and 4i + 1, of b 4i + 2 and 4i + 3).
inline uint32_t LaneBits(__m256i a, __m256i b) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_blend_epi16(a, b, 0xAA)));
}

// The lanes of a pair whose blend is exactly its first sample (see above).
inline __m256i ExactLanes(const Pair& r, __m256i tyZero) {
  const __m256i txZero = _mm256_castps_si256(_mm256_cmp_ps(r.tx, _mm256_setzero_ps(), _CMP_EQ_OQ));
  const __m256i flat0 = _mm256_or_si256(_mm256_cmpeq_epi32(r.i00, r.i01), txZero);
  const __m256i flat1 = _mm256_or_si256(_mm256_cmpeq_epi32(r.i10, r.i11), txZero);
  return _mm256_and_si256(flat0,
                          _mm256_or_si256(tyZero, _mm256_and_si256(flat1, _mm256_cmpeq_epi32(r.i00, r.i10))));
}

template <uint32_t CH>
void DirectRow(const uint8_t* row0, const uint8_t* row1, uint8_t* out, const BilinearColumns& c, double ty) {
  const Consts k;
  const __m256 vty = _mm256_set1_ps(static_cast<float>(ty));
  const __m256i tyZero = _mm256_set1_epi32(ty == 0 ? -1 : 0);
  const __m256i first = FirstColumn<CH>(), second = SecondColumn<CH>();
  const __m256i placeFirst = PlaceFirst<CH>(), placeSecond = PlaceSecond<CH>();
  const uint32_t* x0 = c.x0;
  const float* txLanes = c.txLanes;
  // Four pixels x .. x + 3 into 16 bytes (3 channels: 12, then 4 spare);
  // returns the bits of the lanes that are certain or exactly their first
  // sample (all set: every byte is right).
  auto four = [&](uint32_t x, uint8_t* to) -> uint32_t {
    const Pair p = BlendPair<CH>(row0, row1, x0[x], x0[x + 1], txLanes + size_t{x} * 4, vty, first, second);
    const Pair q =
        BlendPair<CH>(row0, row1, x0[x + 2], x0[x + 3], txLanes + size_t{x + 2} * 4, vty, first, second);
    // The whole part of q is its third byte (q < 2^24): pixel x + j lands
    // at byte j x CH, from the low lane (x, x + 2) or the high one.
    const __m256i both =
        _mm256_or_si256(_mm256_shuffle_epi8(p.q, placeFirst), _mm256_shuffle_epi8(q.q, placeSecond));
    const __m128i pixels = _mm_or_si128(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), pixels);
    const uint32_t sure = CertainBits(p.q, q.q, k);
    return sure == ~0u ? sure : sure | LaneBits(ExactLanes(p, tyZero), ExactLanes(q, tyZero));
  };
  // The doubtful pixels of a step again: pixel x + j has the bits 0x3333
  // from 16 (j & 1) + 2 (j >> 1) (its pair's lanes, see CertainBits).
  auto settle = [&](uint32_t sure, uint32_t x, uint8_t* to) {
    for (uint32_t j = 0; j < 4; ++j) {
      const uint32_t lanes = 0x3333u << ((j & 1) * 16 + (j >> 1) * 2);
      if ((sure & lanes) != lanes) ResolvePixel<CH>(row0, row1, to + j * CH, c, x + j, ty);
    }
  };
  // A 3-channel step writes 4 bytes past its pixels, which the next step
  // rewrites; the last step of the row goes through a buffer. The steps run
  // in runs of 64, their doubts settled after each run (on smooth ramps a
  // tenth of the steps has one).
  const uint32_t fast = c.fastEnd;
  const uint32_t direct = CH == 3 ? (c.count >= 2 ? c.count - 2 : 0) : c.count;
  uint32_t x = 0;
  while (x + 4 <= fast && x + 4 <= direct) {
    const uint32_t start = x;
    uint32_t sure[64];
    uint64_t doubtful = 0;
    for (uint32_t g = 0; g < 64 && x + 4 <= fast && x + 4 <= direct; ++g, x += 4) {
      sure[g] = four(x, out + size_t{x} * CH);
      doubtful |= uint64_t{sure[g] != ~0u} << g;
    }
    for (; doubtful; doubtful &= doubtful - 1) {
      const auto g = static_cast<uint32_t>(__builtin_ctzll(doubtful));
      settle(sure[g], start + 4 * g, out + size_t{start + 4 * g} * CH);
    }
  }
  while (x < fast && fast >= 4) {
    // Through the buffer; the step that would pass fast ends at it, over
    // pixels already written.
    const uint32_t at = x + 4 <= fast ? x : fast - 4;
    uint8_t last[16];
    const uint32_t sure = four(at, last);
    std::memcpy(out + size_t{at} * CH, last, 4 * CH);
    settle(sure, at, out + size_t{at} * CH);
    x = at + 4;
  }
  for (; x < c.count; ++x) ExactPixel(row0, row1, out + size_t{x} * CH, c, x, ty);
}

void BilinearDirectRowU8(const uint8_t* row0, const uint8_t* row1, uint8_t* out, const BilinearColumns& c,
                         double ty) {
  if (c.channels == 3)
    DirectRow<3>(row0, row1, out, c, ty);
  else
    DirectRow<4>(row0, row1, out, c, ty);
}

// ---------------------------------------------------------------- across, then down

template <uint32_t CH>
void AcrossRow(const uint8_t* row, const BilinearColumns& c, float* h, int32_t* exact) {
  const __m256i first = FirstColumn<CH>(), second = SecondColumn<CH>();
  const uint32_t* x0 = c.x0;
  const float* txLanes = c.txLanes;
  // A pair's eight lanes hold 2 x 4 samples; 3-channel pixels close up.
  const __m256i close =
      CH == 3 ? _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7) : _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  uint32_t x = 0;
  for (; x + 2 <= c.fastEnd; x += 2) {
    const __m256i s = LoadPair(row, x0[x], x0[x + 1]);
    const __m256i i0 = _mm256_shuffle_epi8(s, first), i1 = _mm256_shuffle_epi8(s, second);
    const __m256 tx = _mm256_loadu_ps(txLanes + size_t{x} * 4);
    const __m256 v = Lerp(_mm256_cvtepi32_ps(i0), _mm256_cvtepi32_ps(i1), tx);
    const __m256i same = _mm256_or_si256(
        _mm256_cmpeq_epi32(i0, i1), _mm256_castps_si256(_mm256_cmp_ps(tx, _mm256_setzero_ps(), _CMP_EQ_OQ)));
    _mm256_storeu_ps(h + size_t{x} * CH, _mm256_permutevar8x32_ps(v, close));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(exact + size_t{x} * CH),
                        _mm256_permutevar8x32_epi32(same, close));
  }
  for (; x < c.count; ++x) {
    const float t = static_cast<float>(c.tx[x]);
    for (uint32_t j = 0; j < CH; ++j) {
      const uint8_t p0 = row[c.x0[x] + j], p1 = row[c.x1[x] + j];
      const float a = p0 * 65536.0f, b = p1 * 65536.0f;
      h[size_t{x} * CH + j] = a + (b - a) * t;
      exact[size_t{x} * CH + j] = p0 == p1 || c.tx[x] == 0 ? -1 : 0;
    }
  }
}

void BilinearAcrossRowU8(const uint8_t* row, const BilinearColumns& c, float* h, int32_t* exact) {
  if (c.channels == 3)
    AcrossRow<3>(row, c, h, exact);
  else
    AcrossRow<4>(row, c, h, exact);
}

__attribute__((noinline)) void DownDoubts(const uint8_t* row0, const uint8_t* row1, uint8_t* out,
                                          const BilinearColumns& c, double ty, size_t first, uint32_t lanes) {
  for (uint32_t l = 0; l < 16; ++l) {
    if (!(lanes >> l & 1)) continue;
    const size_t i = first + l;
    const uint32_t x = static_cast<uint32_t>(i / c.channels), k = static_cast<uint32_t>(i % c.channels);
    const uint32_t o0 = c.x0[x] + k, o1 = c.x1[x] + k;
    out[i] = ExactSample(row0[o0], row0[o1], row1[o0], row1[o1], c.tx[x], ty);
  }
}

void BilinearDownRowU8(const float* h0, const float* h1, const int32_t* e0, const int32_t* e1,
                       const uint8_t* row0, const uint8_t* row1, const BilinearColumns& c, uint8_t* out,
                       double ty, uint8_t* next, double tyNext) {
  const size_t n = size_t{c.count} * c.channels;
  const Consts k;
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  // Sixteen samples of one destination row from a + (b - a) t; doubtful
  // ones again unless exactly the first sample: the upper blend is, and ty
  // is 0 or the lower blend is too and equal.
  auto put = [&](size_t i, __m256 a0, __m256 a1, __m256 d0, __m256 d1, __m256 t, uint8_t* to, double rowTy) {
    const __m256i q0 = _mm256_cvttps_epi32(_mm256_fmadd_ps(d0, t, a0));
    const __m256i q1 = _mm256_cvttps_epi32(_mm256_fmadd_ps(d1, t, a1));
    const __m256i words = _mm256_packs_epi32(_mm256_srli_epi32(q0, 16), _mm256_srli_epi32(q1, 16));
    const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), order);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm256_castsi256_si128(bytes));
    if (AllCertain(q0, q1, k)) return;
    const __m256i tyZero = _mm256_set1_epi32(rowTy == 0 ? -1 : 0);
    auto exact = [&](size_t j, __m256 d) {
      const __m256i lower =
          _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(e1 + j)),
                           _mm256_castps_si256(_mm256_cmp_ps(d, _mm256_setzero_ps(), _CMP_EQ_OQ)));
      return _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(e0 + j)),
                              _mm256_or_si256(tyZero, lower));
    };
    const int doubt = (~Mask(_mm256_or_si256(Certain(q0, k), exact(i, d0))) & 0xFF) |
                      (~Mask(_mm256_or_si256(Certain(q1, k), exact(i + 8, d1))) & 0xFF) << 8;
    if (doubt) DownDoubts(row0, row1, to, c, rowTy, i, static_cast<uint32_t>(doubt));
  };
  const __m256 vty = _mm256_set1_ps(static_cast<float>(ty)),
               vtyNext = _mm256_set1_ps(static_cast<float>(tyNext));
  auto step = [&](size_t i) {
    const __m256 a0 = _mm256_loadu_ps(h0 + i), a1 = _mm256_loadu_ps(h0 + i + 8);
    const __m256 d0 = _mm256_sub_ps(_mm256_loadu_ps(h1 + i), a0),
                 d1 = _mm256_sub_ps(_mm256_loadu_ps(h1 + i + 8), a1);
    put(i, a0, a1, d0, d1, vty, out, ty);
    if (next) put(i, a0, a1, d0, d1, vtyNext, next, tyNext);
  };
  size_t i = 0;
  for (; i + 16 <= n; i += 16) step(i);
  // The last 16 samples again, over some already written.
  if (i < n && n >= 16) {
    step(n - 16);
    return;
  }
  uint8_t* const rows[2] = {out, next};
  for (int r = 0; r < 2 && rows[r]; ++r) {
    uint8_t* to = rows[r];
    const double t = r ? tyNext : ty;
    for (size_t j = i; j < n; ++j) {
      const uint32_t x = static_cast<uint32_t>(j / c.channels), ch = static_cast<uint32_t>(j % c.channels);
      const uint32_t o0 = c.x0[x] + ch, o1 = c.x1[x] + ch;
      to[j] = ExactSample(row0[o0], row0[o1], row1[o0], row1[o1], c.tx[x], t);
    }
  }
}

// ---------------------------------------------------------------- in whole numbers

// floor(q / (dx dy)) of one sample's blend, as the vectors take it.
inline uint8_t FixedSample(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t w, uint32_t wy,
                           const BilinearFixedColumns& f) {
  const uint32_t q = (a * (f.dx - w) + b * w) * (f.dy - wy) + (c * (f.dx - w) + d * w) * wy;
  return static_cast<uint8_t>(q / (f.dx * f.dy));
}

// Four pixels' 8 bytes from their sample offsets: pixels 0 and 1 in the low
// lane, 2 and 3 in the high one.
inline __m256i LoadFour(const uint8_t* row, const uint32_t* x0) {
  auto two = [&](uint32_t a, uint32_t b) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + a)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + b)));
  };
  return _mm256_inserti128_si256(_mm256_castsi128_si256(two(x0[0], x0[1])), two(x0[2], x0[3]), 1);
}

// Eight pixels x .. x + 7 into 32 bytes (3 channels: 24, and 4 bytes past
// them).
template <uint32_t CH>
inline void FixedEight(const uint8_t* row0, const uint8_t* row1, uint8_t* to, const BilinearFixedColumns& f,
                       uint32_t x, __m256i vy, __m256 inverse) {
  // A pixel's 8 bytes to sample pairs (first column, second column).
  const __m256i pairs = CH == 3 ? _mm256_setr_epi8(0, 3, 1, 4, 2, 5, 2, 5, 8, 11, 9, 12, 10, 13, 10, 13, 0, 3,
                                                   1, 4, 2, 5, 2, 5, 8, 11, 9, 12, 10, 13, 10, 13)
                                : _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4,
                                                   1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  auto four = [&](uint32_t at) {
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f.weights + size_t{at} * 8));
    const __m256i h0 = _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadFour(row0, f.x0 + at), pairs), w);
    const __m256i h1 = _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadFour(row1, f.x0 + at), pairs), w);
    auto down = [&](__m256i hh) {
      return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(hh, vy)), inverse));
    };
    // Pixels 0 and 2 (low halves), then 1 and 3.
    return _mm256_packs_epi32(down(_mm256_unpacklo_epi16(h0, h1)), down(_mm256_unpackhi_epi16(h0, h1)));
  };
  // Lanes: (0 1 4 5) and (2 3 6 7), four bytes a pixel; in order.
  const __m256i bytes =
      _mm256_permute4x64_epi64(_mm256_packus_epi16(four(x), four(x + 4)), _MM_SHUFFLE(3, 1, 2, 0));
  if constexpr (CH == 4) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), bytes);
  } else {
    const __m256i close = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                           5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i packed = _mm256_shuffle_epi8(bytes, close);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 12), _mm256_extracti128_si256(packed, 1));
  }
}

template <uint32_t CH>
void FixedRow(const uint8_t* row0, const uint8_t* row1, uint8_t* out, const BilinearFixedColumns& f,
              uint32_t wy) {
  const __m256i vy = _mm256_set1_epi32(static_cast<int32_t>((f.dy - wy) | wy << 16));
  const __m256 inverse = _mm256_set1_ps(f.inverse);
  // A 3-channel step writes 4 bytes past its pixels, rewritten by the next
  // one; the last step of the row goes through a buffer.
  const uint32_t fast = f.fastEnd;
  const uint32_t direct = CH == 3 ? (f.count >= 2 ? f.count - 2 : 0) : f.count;
  uint32_t x = 0;
  for (; x + 8 <= fast && x + 8 <= direct; x += 8)
    FixedEight<CH>(row0, row1, out + size_t{x} * CH, f, x, vy, inverse);
  while (x < fast && fast >= 8) {
    // Through the buffer; the step that would pass fast ends at it, over
    // pixels already written.
    const uint32_t at = x + 8 <= fast ? x : fast - 8;
    uint8_t last[32];
    FixedEight<CH>(row0, row1, last, f, at, vy, inverse);
    std::memcpy(out + size_t{at} * CH, last, 8 * CH);
    x = at + 8;
  }
  for (; x < f.count; ++x) {
    const uint32_t o0 = f.x0[x], o1 = f.x1[x], w = static_cast<uint8_t>(f.weights[8 * size_t{x} + 1]);
    for (uint32_t k = 0; k < CH; ++k)
      out[size_t{x} * CH + k] = FixedSample(row0[o0 + k], row0[o1 + k], row1[o0 + k], row1[o1 + k], w, wy, f);
  }
}

void BilinearFixedRowU8(const uint8_t* row0, const uint8_t* row1, uint8_t* out, const BilinearFixedColumns& f,
                        uint32_t wy) {
  if (f.channels == 3)
    FixedRow<3>(row0, row1, out, f, wy);
  else
    FixedRow<4>(row0, row1, out, f, wy);
}

}  // namespace

const ResampleKernels& ResampleKernelsAVX2() {
  static const ResampleKernels table = [] {
    ResampleKernels t = ResampleKernelsAVX();
    t.bilinearDirectRowU8 = BilinearDirectRowU8;
    t.bilinearAcrossRowU8 = BilinearAcrossRowU8;
    t.bilinearDownRowU8 = BilinearDownRowU8;
    t.bilinearFixedRowU8 = BilinearFixedRowU8;
    return t;
  }();
  return table;
}

}  // namespace Pictura
