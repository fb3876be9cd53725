#include "pixelops/overlay.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "core/band_jobs.h"
#include "core/library_globals.h"
#include "core/thread_context.h"
#include "pixelops/logical_blend.h"
#include "pixelops/placement.h"

namespace Pictura {

RECT ClipPlacementRECT(int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, int32_t x,
                       int32_t y) {
  auto clamp = [](int64_t v, int64_t hi) { return static_cast<LONG>(std::clamp<int64_t>(v, 0, hi)); };
  return RECT{clamp(x, dstWidth), clamp(y, dstHeight), clamp(int64_t{x} + srcWidth, dstWidth),
              clamp(int64_t{y} + srcHeight, dstHeight)};
}

namespace {

// What a row needs besides the samples.
template <class T>
struct OverlayParams {
  static constexpr int64_t M = CPicImgOverlayT<T>::maxValue;
  static constexpr int64_t H = (M >> 1) + (M & 1);
  int64_t P = 0;  // k truncated toward zero
  double k = 0.0;
  bool full = false;  // opacity exactly 1.0: D' = f
  const T* a = nullptr;
  const T* b = nullptr;
  const double* af = nullptr;
  const double* bf = nullptr;
  uint32_t wa = 0, wb = 0;  // fixed-point forms of a and b (mode 0 on bytes)
};

template <class T>
constexpr int64_t Clamp(int64_t v) {
  return std::clamp<int64_t>(v, 0, OverlayParams<T>::M);
}

// The mode's value f for D and S (modes 9 and 10 are filtered by the row).
template <class T, uint32_t Mode>
inline int64_t ModeValue(int64_t D, int64_t S, const OverlayParams<T>& p) {
  constexpr int64_t M = OverlayParams<T>::M;
  constexpr int64_t H = OverlayParams<T>::H;
  if constexpr (Mode == 0 || Mode == 9 || Mode == 10)
    return S;
  else if constexpr (Mode == 2)
    return S & D;
  else if constexpr (Mode == 3)
    return S | D;
  else if constexpr (Mode == 4)
    return S ^ D;
  else if constexpr (Mode == 5)
    return std::max(S, D);
  else if constexpr (Mode == 6)
    return std::min(S, D);
  else if constexpr (Mode == 7)
    return std::min(S + D, M);
  else if constexpr (Mode == 8)
    return std::max<int64_t>(D - S, 0);
  else if constexpr (Mode == 11)
    return S > D ? S - D : D - S;
  else if constexpr (Mode == 12)
    return D * S / M;
  else if constexpr (Mode == 13) {
    double v = static_cast<double>(S) * p.k * (static_cast<double>(D) / static_cast<double>(M));
    if (!(v > 0.0)) return 0;  // NaN too
    return static_cast<int64_t>(std::min(v, static_cast<double>(M)));
  } else if constexpr (Mode == 14)
    return M - (M - D) * (M - S) / M;
  else if constexpr (Mode == 15)
    return Clamp<T>(D - p.P + S);
  else if constexpr (Mode == 16)
    return Clamp<T>(D - S + p.P);
  else if constexpr (Mode == 17)
    return ~(S & D) & M;
  else if constexpr (Mode == 18)
    return ~(S | D) & M;
  else if constexpr (Mode == 19)
    return ~(S ^ D) & M;
  else if constexpr (Mode == 20)
    return S == M ? M : std::min(D * M / (M - S), M);
  else if constexpr (Mode == 21)
    return S == 0 ? 0 : std::max<int64_t>(M - (M - D) * M / S, 0);
  else if constexpr (Mode == 22) {
    if (D + S <= M) return S == M ? M : std::min(D * H / (M - S), M);
    return std::max<int64_t>(M - (M - S) * H / D, 0);
  } else if constexpr (Mode == 23) {
    if (D + S <= M) return D == M ? M : std::min(S * H / (M - D), M);
    return std::max<int64_t>(M - (M - D) * H / S, 0);
  } else if constexpr (Mode == 24)
    return D < H ? 2 * D * S / M : M + 2 * (D - M) * (M - S) / M;
  else if constexpr (Mode == 25) {
    int64_t m = D * S / M;
    int64_t s = M - (M - D) * (M - S) / M;
    return m + (s - m) * D / M;
  } else if constexpr (Mode == 26)
    return S < H ? D * S / H : M - (M - D) * (M - S) / H;
  else if constexpr (Mode == 27)
    return S == M ? M : std::min(D * D / (M - S), M);
  else if constexpr (Mode == 28)
    return D == M ? M : std::min(S * S / (M - D), M);
  else if constexpr (Mode == 29)
    return S == 0 ? 0 : std::max<int64_t>(M - (M - D) * (M - D) / S, 0);
  else if constexpr (Mode == 30)
    return D == 0 ? 0 : std::max<int64_t>(M - (M - S) * (M - S) / D, 0);
  else if constexpr (Mode == 31) {
    if (S < H) return S == 0 ? 0 : std::max<int64_t>(M - (M - D) * M / (2 * S), 0);
    int64_t t = 2 * (S - H);
    return t == M ? M : std::min(D * M / (M - t), M);
  } else if constexpr (Mode == 32) {
    if (S < H) return D + 2 * S < M ? 0 : D + 2 * S - M;
    return std::min(D + 2 * (S - H), M);
  } else if constexpr (Mode == 33)
    return S < H ? std::min(D, 2 * S) : std::max(D, 2 * (S - H));
  else if constexpr (Mode == 34)
    return M - (S > D ? S - D : D - S);
  // The grain offset is the half value of the sample width (128 or 32768).
  else if constexpr (Mode == 35)
    return Clamp<T>(D - S + H);
  else if constexpr (Mode == 36)
    return Clamp<T>(D + S - H);
  else if constexpr (Mode == 37)
    return Clamp<T>(D + S - 2 * D * S / M);
  else if constexpr (Mode == 38)
    return S + D < M ? 0 : S + D - M;
  else
    return std::max<int64_t>(S - D, 0);  // 39
}

template <class T, uint32_t Mode>
void BlendRow(T* d, const T* s, size_t n, const OverlayParams<T>& p) {
  if constexpr (Mode == 1) {
    for (size_t i = 0; i < n; ++i) d[i] = static_cast<T>(p.af[s[i]] + p.bf[d[i]]);
  } else {
    for (size_t i = 0; i < n; ++i) {
      const int64_t S = s[i], D = d[i];
      if constexpr (Mode == 9) {
        if (!(S > p.P)) continue;
      } else if constexpr (Mode == 10) {
        if (!(S < p.P)) continue;
      }
      const int64_t f = ModeValue<T, Mode>(D, S, p);
      d[i] = p.full ? static_cast<T>(f) : static_cast<T>(p.a[f] + p.b[D]);
    }
  }
}

template <class T>
using RowFn = void (*)(T*, const T*, size_t, const OverlayParams<T>&);

template <class T, uint32_t... Modes>
constexpr std::array<RowFn<T>, sizeof...(Modes)> MakeRowTable(std::integer_sequence<uint32_t, Modes...>) {
  return {&BlendRow<T, Modes>...};
}

template <class T>
constexpr auto kRowTable = MakeRowTable<T>(std::make_integer_sequence<uint32_t, kOverlayModeCount>{});

// Mode 0 at partial opacity on bytes: the two tables as 16-bit fixed-point
// multipliers, taken only when they give every table entry exactly.
bool FixedPointTables(double o, const uint8_t* a, const uint8_t* b, uint32_t* wa, uint32_t* wb) {
  auto fit = [](double weight, const uint8_t* t, uint32_t* w) {
    for (double m : {std::ceil(weight * 65536), std::floor(weight * 65536)}) {
      if (m < 0 || m > 65535) continue;
      const uint32_t mi = static_cast<uint32_t>(m);
      uint32_t v = 0;
      while (v < 256 && ((v * mi) >> 16) == t[v]) ++v;
      if (v == 256) return *w = mi, true;
    }
    return false;
  };
  return fit(o, a, wa) && fit(1.0 - o, b, wb);
}

void MixRowFixed(uint8_t* d, const uint8_t* s, size_t n, const OverlayParams<uint8_t>& p) {
  size_t i = 0;
#if defined(__i386__) || defined(__x86_64__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i wa = _mm_set1_epi16(static_cast<short>(p.wa)), wb = _mm_set1_epi16(static_cast<short>(p.wb));
  for (; n - i >= 16; i += 16) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(sv, zero), wa),
                                     _mm_mulhi_epu16(_mm_unpacklo_epi8(dv, zero), wb));
    const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(sv, zero), wa),
                                     _mm_mulhi_epu16(_mm_unpackhi_epi8(dv, zero), wb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) d[i] = static_cast<uint8_t>(p.a[s[i]] + p.b[d[i]]);
}

template <class T>
bool ImageUsable(const CPicImgBufBase<T>& img, const T* pixels) {
  return pixels && img.channels > 0 && uint64_t{img.width} * img.channels <= img.stride;
}

bool Fail(uint32_t& error, uint32_t code) {
  error = code;
  return false;
}

// A value of k that fits the sample arithmetic (P only matters within 0..M).
int64_t TruncatedParameter(double k) {
  if (!(k == k)) return 0;
  return static_cast<int64_t>(std::clamp(k, -1e12, 1e12));
}

}  // namespace

template <class T>
bool CPicImgOverlayT<T>::OverlayRows(CPicImgBufBase<T>& dst, const CPicImgBufBase<T>& src, int32_t x,
                                     int32_t y, double opacity, double k, uint32_t mode, uint32_t flags,
                                     const ThreadBand* band) {
  PicNestingScope depth;
  T* dstPixels = dst.Pixels();
  const T* srcPixels = src.ConstPixels();
  if (!ImageUsable(dst, static_cast<const T*>(dstPixels)) || !ImageUsable(src, srcPixels) ||
      static_cast<const T*>(dstPixels) == srcPixels || dst.channels != src.channels)
    return Fail(error, kPicErrBadArgument);
  if (opacity == 0.0 && (mode == kOverlayCopy || mode == kOverlayMix)) return true;

  RECT clip = ClipPlacementRECT(static_cast<int32_t>(std::min<uint32_t>(dst.width, INT32_MAX)),
                                static_cast<int32_t>(std::min<uint32_t>(dst.height, INT32_MAX)),
                                static_cast<int32_t>(std::min<uint32_t>(src.width, INT32_MAX)),
                                static_cast<int32_t>(std::min<uint32_t>(src.height, INT32_MAX)), x, y);
  if (band) {
    RECT b{static_cast<LONG>(band->left), static_cast<LONG>(band->top), static_cast<LONG>(band->right),
           static_cast<LONG>(band->bottom)};
    clip = RECT{std::max(clip.left, b.left), std::max(clip.top, b.top), std::min(clip.right, b.right),
                std::min(clip.bottom, b.bottom)};
    if (clip.left >= clip.right || clip.top >= clip.bottom) return Fail(error, kPicErrBadArgument);
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom) return true;

  const size_t channels = dst.channels;
  const size_t n = static_cast<size_t>(clip.right - clip.left) * channels;
  const int64_t srcCol = int64_t{clip.left} - x;
  auto dstRow = [&](int64_t r) {
    return dstPixels + static_cast<size_t>(r) * dst.stride + clip.left * channels;
  };
  auto srcRow = [&](int64_t r) {
    return srcPixels + static_cast<size_t>(r) * src.stride + srcCol * channels;
  };
  const uint32_t rows = static_cast<uint32_t>(clip.bottom - clip.top);

  if (opacity == 1.0 && (mode == kOverlayCopy || mode == kOverlayMix)) {
    for (int64_t r = clip.top; r < clip.bottom; ++r) {
      int64_t sr = r - y;
      if (flags & kOverlaySourceBottomUp) sr = int64_t{src.height} - 1 - sr;
      std::memmove(dstRow(r), srcRow(sr), n * sizeof(T));
      if (!PicProgress(static_cast<uint32_t>(r - clip.top), rows)) return Fail(error, kPicErrCancelled);
    }
    return true;
  }
  if (mode >= kOverlayModeCount) return Fail(error, kPicErrBadArgument);

  OverlayParams<T> p;
  p.full = opacity == 1.0;
  p.k = k;
  p.P = TruncatedParameter(k);
  std::vector<T> a, b;
  std::vector<double> af, bf;
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;  // NaN too gives 0
  if (!p.full) {
    const size_t count = size_t{maxValue} + 1;
    a.resize(count), b.resize(count);
    if (mode == kOverlayMix) af.resize(count), bf.resize(count);
    for (size_t v = 0; v < count; ++v) {
      const double fo = static_cast<double>(v) * o, fr = static_cast<double>(v) * (1.0 - o);
      a[v] = static_cast<T>(fo), b[v] = static_cast<T>(fr);
      if (mode == kOverlayMix) af[v] = fo, bf[v] = fr;
    }
    p.a = a.data(), p.b = b.data(), p.af = af.data(), p.bf = bf.data();
  }
  RowFn<T> rowFn = kRowTable<T>[mode];
  if constexpr (sizeof(T) == 1) {
    if (mode == kOverlayCopy && !p.full && FixedPointTables(o, p.a, p.b, &p.wa, &p.wb)) rowFn = &MixRowFixed;
  }
  for (int64_t r = clip.top; r < clip.bottom; ++r) {
    rowFn(dstRow(r), srcRow(r - y), n, p);
    if (!PicProgress(static_cast<uint32_t>(r - clip.top), rows)) return Fail(error, kPicErrCancelled);
  }
  return true;
}

template <class T>
bool CPicImgOverlayT<T>::OverlayCore(CPicImgBufBase<T>& dst, const CPicImgBufBase<T>& src, int32_t x,
                                     int32_t y, double opacity, double k, uint32_t mode, uint32_t flags) {
  const RECT clip = ClipPlacementRECT(static_cast<int32_t>(std::min<uint32_t>(dst.width, INT32_MAX)),
                                      static_cast<int32_t>(std::min<uint32_t>(dst.height, INT32_MAX)),
                                      static_cast<int32_t>(std::min<uint32_t>(src.width, INT32_MAX)),
                                      static_cast<int32_t>(std::min<uint32_t>(src.height, INT32_MAX)), x, y);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return true;
  const uint32_t height = static_cast<uint32_t>(clip.bottom - clip.top);
  if (!WantBands(flags, height)) return OverlayRows(dst, src, x, y, opacity, k, mode, flags, nullptr);

  PicNestingScope depth;
  const auto left = static_cast<uint32_t>(clip.left), top = static_cast<uint32_t>(clip.top);
  error = RunBandJobs(false, static_cast<uint32_t>(clip.right) - left, height, [&](const ThreadBand& rows) {
    const ThreadBand band{rows.left + left, rows.top + top, rows.right + left, rows.bottom + top};
    CPicImgOverlayT<T> op;
    op.OverlayRows(dst, src, x, y, opacity, k, mode, flags, &band);
    return op.error;
  });
  return error == 0;
}

template class CPicImgOverlayT<uint8_t>;
template class CPicImgOverlayT<uint16_t>;

bool OverlayImageSIMD(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, CPicSIMDLogicalBufBlend* blend, double opacity, uint32_t mode,
                      uint32_t flags) {
  *error = 0;
  if (!blend) return Fail(*error, kPicErrBadArgument);
  PicNestingScope depth;
  uint8_t* dp = dst.Pixels();
  const uint8_t* sp = src.ConstPixels();
  if (!ImageUsable(dst, static_cast<const uint8_t*>(dp)) || !ImageUsable(src, sp) ||
      static_cast<const uint8_t*>(dp) == sp || dst.channels != src.channels)
    return Fail(*error, kPicErrBadArgument);
  uint32_t left = 0, top = 0, right = 0, bottom = 0;
  ClipPlacementRect(dst.width, dst.height, src.width, src.height, x, y, &left, &top, &right, &bottom);
  // Nothing covered: no source row may even be addressed.
  if (left >= right || top >= bottom) return true;
  const size_t channels = dst.channels;
  const uint32_t n = static_cast<uint32_t>((right - left) * channels);
  for (uint32_t r = top; r < bottom; ++r) {
    int64_t sr = int64_t{r} - y;
    if (mode == kOverlayCopy && (flags & kOverlaySourceBottomUp)) sr = int64_t{src.height} - 1 - sr;
    uint8_t* d = dp + size_t{r} * dst.stride + left * channels;
    const uint8_t* s =
        sp + static_cast<size_t>(sr) * src.stride + static_cast<size_t>(int64_t{left} - x) * channels;
    switch (mode) {
      case kOverlayCopy:
        blend->AlphaBlend(d, s, n, opacity);
        break;
      case kOverlayAnd:
        blend->And(d, s, n);
        break;
      case kOverlayOr:
        blend->Or(d, s, n);
        break;
      case kOverlayXor:
        blend->Xor(d, s, n);
        break;
      case kOverlayLighten:
        blend->Max(d, s, n);
        break;
      case kOverlayDarken:
        blend->Min(d, s, n);
        break;
      case kOverlayAdd:
        blend->AddSaturate(d, s, n);
        break;
      case kOverlaySubtract:
        blend->SubSaturate(d, s, n);
        break;
      case kOverlayDifference:
        blend->AbsDifference(d, s, n);
        break;
      case kOverlayReverseSubtract:
        blend->SubReverseSaturate(d, s, n);
        break;
      default:
        return Fail(*error, kPicErrBadArgument);
    }
    if (!PicProgress(r - top, bottom - top)) return Fail(*error, kPicErrCancelled);
  }
  return true;
}

bool OverlayImage8bpc(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, double opacity, double k, uint32_t mode, uint32_t flags) {
  // Only at opacity 1.0: the blend object's partial-opacity rule rounds
  // differently from the opacity tables, and both paths must agree.
  if (opacity == 1.0 && SIMDBlendSupported(mode, opacity, k)) {
    const RECT clip =
        ClipPlacementRECT(static_cast<int32_t>(std::min<uint32_t>(dst.width, INT32_MAX)),
                          static_cast<int32_t>(std::min<uint32_t>(dst.height, INT32_MAX)),
                          static_cast<int32_t>(std::min<uint32_t>(src.width, INT32_MAX)),
                          static_cast<int32_t>(std::min<uint32_t>(src.height, INT32_MAX)), x, y);
    uint32_t scratch = 0;
    bool ok;
    if (clip.top < clip.bottom && WantBands(flags, static_cast<uint32_t>(clip.bottom - clip.top))) {
      // Rows on the pool like the other modes: each band overlays a view of
      // its destination rows, with a blend object of its own.
      PicNestingScope depth;
      const auto top = static_cast<uint32_t>(clip.top);
      scratch =
          RunBandJobs(false, dst.width, static_cast<uint32_t>(clip.bottom - clip.top),
                      [&](const ThreadBand& rows) -> uint32_t {
                        const uint32_t from = top + rows.top;
                        CPicImgBufExtern<uint8_t> part(dst.Pixels() + size_t{from} * dst.stride, dst.width,
                                                       rows.bottom - rows.top, dst.channels, dst.stride);
                        CPicSIMDLogicalBufBlendSSE blend;
                        uint32_t bandError = 0;
                        OverlayImageSIMD(&bandError, part, src, x, y - static_cast<int32_t>(from), &blend,
                                         opacity, mode, flags);
                        return bandError;
                      });
      ok = scratch == 0;
    } else {
      CPicSIMDLogicalBufBlendSSE blend;
      ok = OverlayImageSIMD(&scratch, dst, src, x, y, &blend, opacity, mode, flags);
    }
    if (error) *error = scratch;
    return ok;
  }
  CPicImgOverlayT<uint8_t> op;
  const bool ok = op.OverlayCore(dst, src, x, y, opacity, k, mode, flags);
  if (error) *error = op.error;
  return ok;
}

bool OverlayImage16bpc(uint32_t* error, CPicImgBufBase<uint16_t>& dst, const CPicImgBufBase<uint16_t>& src,
                       int32_t x, int32_t y, double opacity, double k, uint32_t mode, uint32_t flags) {
  CPicImgOverlayT<uint16_t> op;
  const bool ok = op.OverlayCore(dst, src, x, y, opacity, k, mode, flags);
  if (error) *error = op.error;
  return ok;
}

}  // namespace Pictura
