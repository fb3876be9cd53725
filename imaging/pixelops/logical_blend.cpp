#include "pixelops/logical_blend.h"

#include <algorithm>
#include <cstring>

#include "core/library_globals.h"
#include "core/thread_context.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define PIC_HAVE_X86 1
#endif

namespace Pictura {

namespace {

#ifdef PIC_HAVE_X86
using Vec = __m128i;
#define PIC_SSE2 __attribute__((target("sse2")))

PIC_SSE2 inline Vec VAnd(Vec a, Vec b) {
  return _mm_and_si128(a, b);
}
PIC_SSE2 inline Vec VOr(Vec a, Vec b) {
  return _mm_or_si128(a, b);
}
PIC_SSE2 inline Vec VXor(Vec a, Vec b) {
  return _mm_xor_si128(a, b);
}
PIC_SSE2 inline Vec VMax(Vec a, Vec b) {
  return _mm_max_epu8(a, b);
}
PIC_SSE2 inline Vec VMin(Vec a, Vec b) {
  return _mm_min_epu8(a, b);
}
PIC_SSE2 inline Vec VAdd(Vec a, Vec b) {
  return _mm_adds_epu8(a, b);
}
PIC_SSE2 inline Vec VSub(Vec a, Vec b) {
  return _mm_subs_epu8(a, b);
}
PIC_SSE2 inline Vec VRSub(Vec a, Vec b) {
  return _mm_subs_epu8(b, a);
}
PIC_SSE2 inline Vec VAbs(Vec a, Vec b) {
  return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

// The first count - count % 64 bytes, four vectors a step.
template <Vec (*Op)(Vec, Vec)>
PIC_SSE2 uint32_t Blocks(uint8_t* dst, const uint8_t* src, uint32_t count) {
  const uint32_t n = count & ~63u;
  for (uint32_t i = 0; i < n; i += 64)
    for (uint32_t j = i; j < i + 64; j += 16) {
      Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(dst + j));
      Vec s = _mm_loadu_si128(reinterpret_cast<const Vec*>(src + j));
      _mm_storeu_si128(reinterpret_cast<Vec*>(dst + j), Op(d, s));
    }
  return n;
}
#endif

template <class Scalar>
void Tail(uint8_t* dst, const uint8_t* src, uint32_t from, uint32_t count, Scalar op) {
  for (uint32_t i = from; i < count; ++i) dst[i] = static_cast<uint8_t>(op(dst[i], src[i]));
}

// And, Or, Xor: 4-byte words after the blocks, then single bytes.
template <class Scalar>
void WordTail(uint8_t* dst, const uint8_t* src, uint32_t from, uint32_t count, Scalar op) {
  for (; count - from >= 4; from += 4) {
    uint32_t d, s;
    std::memcpy(&d, dst + from, 4);
    std::memcpy(&s, src + from, 4);
    d = op(d, s);
    std::memcpy(dst + from, &d, 4);
  }
  Tail(dst, src, from, count, op);
}

bool HaveSSE2(uint32_t& error) {
  if (HasCpuFeature(kCpuSSE2)) return true;
  error = kPicErrNoCpuFeature;
  return false;
}

}  // namespace

#ifdef PIC_HAVE_X86
#define PIC_BLOCKS(op) Blocks<op>(dst, src, count)
#else
#define PIC_BLOCKS(op) 0u
#endif

bool CPicSIMDLogicalBufBlendSSE::And(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  WordTail(dst, src, PIC_BLOCKS(VAnd), count, [](uint32_t a, uint32_t b) { return a & b; });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::Or(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  WordTail(dst, src, PIC_BLOCKS(VOr), count, [](uint32_t a, uint32_t b) { return a | b; });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::Xor(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  WordTail(dst, src, PIC_BLOCKS(VXor), count, [](uint32_t a, uint32_t b) { return a ^ b; });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::Max(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VMax), count, [](int a, int b) { return std::max(a, b); });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::Min(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VMin), count, [](int a, int b) { return std::min(a, b); });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::AddSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VAdd), count, [](int a, int b) { return std::min(a + b, 255); });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::SubSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VSub), count, [](int a, int b) { return std::max(a - b, 0); });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::SubReverseSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VRSub), count, [](int a, int b) { return std::max(b - a, 0); });
  return true;
}
bool CPicSIMDLogicalBufBlendSSE::AbsDifference(uint8_t* dst, const uint8_t* src, uint32_t count) {
  if (!HaveSSE2(error)) return false;
  Tail(dst, src, PIC_BLOCKS(VAbs), count, [](int a, int b) { return a > b ? a - b : b - a; });
  return true;
}

bool CPicSIMDLogicalBufBlendSSE::AlphaBlend(uint8_t* dst, const uint8_t* src, uint32_t count,
                                            double opacity) {
  if (!HaveSSE2(error)) return false;
  if (opacity == 1.0) {
    std::memmove(dst, src, count);
    return true;
  }
  if (opacity == 0.0) return true;
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;
  const unsigned w = static_cast<unsigned>(o * 256);
  uint32_t i = 0;
#ifdef PIC_HAVE_X86
  // SSE2 is the baseline of every x86 build (-msse2 on 32-bit).
  i = [&]() {
    const Vec zero = _mm_setzero_si128(), ws = _mm_set1_epi16(short(w)), wd = _mm_set1_epi16(short(256 - w));
    uint32_t j = 0;
    for (; count - j >= 16; j += 16) {
      Vec d = _mm_loadu_si128(reinterpret_cast<const Vec*>(dst + j));
      Vec s = _mm_loadu_si128(reinterpret_cast<const Vec*>(src + j));
      Vec lo = _mm_adds_epu16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), ws),
                              _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), wd));
      Vec hi = _mm_adds_epu16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), ws),
                              _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), wd));
      _mm_storeu_si128(reinterpret_cast<Vec*>(dst + j),
                       _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
    }
    return j;
  }();
#endif
  Tail(dst, src, i, count, [w](unsigned d, unsigned s) { return (s * w + d * (256 - w)) / 256; });
  return true;
}

bool CPicSIMDLogicalBufBlendMMX::AlphaBlend(uint8_t*, const uint8_t*, uint32_t, double) {
  error = kPicErrNoCpuFeature;
  return false;
}

bool SIMDBlendSupported(uint32_t mode, double opacity, double) {
  if (!HasCpuFeature(kCpuSSE2)) return false;
  if (mode == 0) return true;
  switch (mode) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 11:
    case 39:
      return opacity == 1.0;
    default:
      return false;
  }
}

bool MMXBlendAvailable(uint32_t, double, double) {
  return false;
}

uint32_t NextPowerOfTwoAbove(uint32_t n) {
  uint64_t v = 2;
  do v *= 2;
  while (v <= n);
  return static_cast<uint32_t>(std::min<uint64_t>(v, 0x80000000u));
}

}  // namespace Pictura
