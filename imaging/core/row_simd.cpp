#include "core/row_simd.h"

#include "core/library_globals.h"
#include "core/thread_context.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define PIC_HAVE_X86 1
#endif

namespace Pictura {

namespace {

#ifdef PIC_HAVE_X86
// Five 3-byte pixels per 16-byte vector; byte 15 (the next pixel's first
// byte) passes through unchanged and is rewritten by the next step, so a
// step needs six pixels of room. Each vector is loaded before the previous
// one is stored: in place, a load right behind an overlapping store would
// stall on every step.
__attribute__((target("sse4.1"))) uint32_t SwapRBVector(const uint8_t* src, uint8_t* dst, uint32_t count) {
  const __m128i shuffle = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  if (count < 6) return 0;
  uint32_t i = 0;
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
  for (; count - i >= 11; i += 5) {
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * (i + 5)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i), _mm_shuffle_epi8(v, shuffle));
    v = next;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * i), _mm_shuffle_epi8(v, shuffle));
  return i + 5;
}

// Four RGBA pixels per vector: twelve colour bytes, then four alpha bytes.
__attribute__((target("sse4.1"))) uint32_t SplitVector(const uint8_t* src, uint8_t* rgb, uint8_t* alpha,
                                                       uint32_t count, bool swapRB) {
  const __m128i keep = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 3, 7, 11, 15);
  const __m128i swap = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
  const __m128i shuffle = swapRB ? swap : keep;
  uint32_t i = 0;
  for (; count - i >= 4; i += 4) {
    __m128i v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i)), shuffle);
    if (rgb) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(rgb + 3 * i), v);
      int mid = _mm_extract_epi32(v, 2);
      __builtin_memcpy(rgb + 3 * i + 8, &mid, 4);
    }
    if (alpha) {
      int a = _mm_extract_epi32(v, 3);
      __builtin_memcpy(alpha + i, &a, 4);
    }
  }
  return i;
}

// trunc(x / 255) for x in 0..65025, exactly: (x + 1 + (x >> 8)) >> 8.
__attribute__((target("sse4.1"))) inline __m128i Div255(__m128i x) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)), 8);
}

// 16 destination bytes towards 16 colour bytes with 16 weights.
__attribute__((target("sse4.1"))) inline __m128i Blend16(__m128i d, __m128i c, __m128i w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255);
  __m128i wl = _mm_unpacklo_epi8(w, zero), wh = _mm_unpackhi_epi8(w, zero);
  __m128i lo = _mm_add_epi16(Div255(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(full, wl))),
                             Div255(_mm_mullo_epi16(_mm_unpacklo_epi8(c, zero), wl)));
  __m128i hi = _mm_add_epi16(Div255(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(full, wh))),
                             Div255(_mm_mullo_epi16(_mm_unpackhi_epi8(c, zero), wh)));
  return _mm_packus_epi16(lo, hi);
}

// Four 3-byte pixels per step in a 16-byte window whose last four bytes get
// weight 0 (kept exactly), so a step needs six pixels of room.
__attribute__((target("sse4.1"))) uint32_t AlphaBlendVector(const uint8_t* rgba, uint8_t* rgb,
                                                            uint32_t count) {
  const __m128i colour = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m128i weight = _mm_setr_epi8(3, 3, 3, 7, 7, 7, 11, 11, 11, 15, 15, 15, -1, -1, -1, -1);
  uint32_t i = 0;
  for (; count - i >= 6; i += 4) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgba + 4 * size_t{i}));
    uint8_t* out = rgb + 3 * size_t{i};
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     Blend16(d, _mm_shuffle_epi8(s, colour), _mm_shuffle_epi8(s, weight)));
  }
  return i;
}

__attribute__((target("sse4.1"))) uint32_t SolidBlendVector(uint8_t* rgb, const uint8_t* mask, uint32_t count,
                                                            const uint8_t color[3]) {
  const __m128i weight = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, -1, -1, -1, -1);
  const __m128i c = _mm_setr_epi8(char(color[0]), char(color[1]), char(color[2]), char(color[0]),
                                  char(color[1]), char(color[2]), char(color[0]), char(color[1]),
                                  char(color[2]), char(color[0]), char(color[1]), char(color[2]), 0, 0, 0, 0);
  uint32_t i = 0;
  for (; count - i >= 6; i += 4) {
    int m = 0;
    __builtin_memcpy(&m, mask + i, 4);
    uint8_t* out = rgb + 3 * size_t{i};
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     Blend16(d, c, _mm_shuffle_epi8(_mm_cvtsi32_si128(m), weight)));
  }
  return i;
}
#endif

bool NeedSSE41(uint32_t* error, const void* a, const void* b) {
  if (!a || !b) {
    if (error) *error = kPicErrBadArgument;
    return false;
  }
  if (!HasCpuFeature(kCpuSSE41)) {
    if (error) *error = kPicErrNoCpuFeature;
    return false;
  }
  return true;
}

}  // namespace

bool AlphaBlendRowSIMD(uint32_t* error, const uint8_t* rgba, uint8_t* rgb, uint32_t count) {
  if (!NeedSSE41(error, rgba, rgb)) return false;
  uint32_t i = 0;
#ifdef PIC_HAVE_X86
  i = AlphaBlendVector(rgba, rgb, count);
#endif
  for (; i < count; ++i) {
    const uint8_t* s = rgba + 4 * size_t{i};
    uint8_t* d = rgb + 3 * size_t{i};
    for (int k = 0; k < 3; ++k) d[k] = TableBlend(d[k], s[k], s[3]);
  }
  return true;
}

bool AlphaBlendSolidColorRowSIMD(uint32_t* error, uint8_t* rgb, const uint8_t* mask, uint32_t count,
                                 const uint8_t color[3]) {
  if (!NeedSSE41(error, rgb, mask) || !NeedSSE41(error, color, color)) return false;
  uint32_t i = 0;
#ifdef PIC_HAVE_X86
  i = SolidBlendVector(rgb, mask, count, color);
#endif
  for (; i < count; ++i) {
    uint8_t* d = rgb + 3 * size_t{i};
    for (int k = 0; k < 3; ++k) d[k] = TableBlend(d[k], color[k], mask[i]);
  }
  return true;
}

bool HasSSE41ForChannels(uint32_t op) {
  return op <= 3 && HasCpuFeature(kCpuSSE41);
}

bool SplitRGBAToRGBPlusARowSIMD(uint32_t* error, const uint8_t* src, uint8_t* rgbOut, uint8_t* alphaOut,
                                uint32_t count, bool swapRB) {
  if (!src || (!rgbOut && !alphaOut)) {
    if (error) *error = kPicErrBadArgument;
    return false;
  }
  uint32_t i = 0;
#ifdef PIC_HAVE_X86
  if (HasCpuFeature(kCpuSSE41)) i = SplitVector(src, rgbOut, alphaOut, count, swapRB);
#endif
  for (; i < count; ++i) {
    const uint8_t* p = src + 4 * static_cast<size_t>(i);
    if (rgbOut) {
      uint8_t* o = rgbOut + 3 * static_cast<size_t>(i);
      o[0] = p[swapRB ? 2 : 0];
      o[1] = p[1];
      o[2] = p[swapRB ? 0 : 2];
    }
    if (alphaOut) alphaOut[i] = p[3];
  }
  return true;
}

bool CopySwapRBRowSIMD(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t count) {
  if (!src || !dst) {
    if (error) *error = kPicErrBadArgument;
    return false;
  }
  if (!HasCpuFeature(kCpuSSE41)) {
    if (error) *error = kPicErrNoCpuFeature;
    return false;
  }
  uint32_t i = 0;
#ifdef PIC_HAVE_X86
  i = SwapRBVector(src, dst, count);
#endif
  for (; i < count; ++i) {
    const uint8_t* p = src + 3 * static_cast<size_t>(i);
    uint8_t* o = dst + 3 * static_cast<size_t>(i);
    uint8_t r = p[0];
    o[1] = p[1];
    o[0] = p[2];
    o[2] = r;
  }
  return true;
}

bool SwapRBRowSIMD(uint32_t* error, uint8_t* pixels, uint32_t count) {
  // The copying routine works in place too.
  return CopySwapRBRowSIMD(error, pixels, pixels, count);
}

}  // namespace Pictura
