#include "resample/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/color_match.h"
#include "core/crop_flip.h"
#include "resample/bicubic_calc.h"
#include "resample/bicubic_resize.h"
#include "resample/resample_simd.h"
#include "resample/resize_base.h"

#if defined(__SSE2__)
#include <immintrin.h>
#define PIC_ROTATE_SSE2 1
#else
#define PIC_ROTATE_SSE2 0
#endif

namespace Pictura {

namespace {

bool Fail(uint32_t* error, uint32_t code) {
  if (error) *error = code;
  return false;
}

// Progress of rows [from, to) of total; false (error 14) when told to stop.
bool RowsDone(uint32_t from, uint32_t to, uint32_t total, uint32_t* error) {
  if (!HasProgressCallback()) return true;
  for (uint32_t y = from; y < to; ++y)
    if (PicProgress(y, total) <= 0) return Fail(error, kPicErrCancelled);
  return true;
}

// Work below this many bytes stays on the calling thread: waking the pool
// costs more than it gains.
constexpr uint64_t kPoolBytes = 1u << 19;

// ---------------------------------------------------------------- quarter and half turns

struct Turn {
  const uint8_t* src;
  uint8_t* dst;
  size_t srcStride, dstStride;
  uint32_t width, height, code, pixel;  // pixel in bytes
};

template <size_t P>
inline void Put(uint8_t* d, const uint8_t* s, size_t) {
  std::memcpy(d, s, P);
}
template <>
inline void Put<0>(uint8_t* d, const uint8_t* s, size_t n) {
  std::memcpy(d, s, n);
}

// Source columns [x0, x1) of source rows [y0, y1), in tiles small enough
// that the rows read and the rows written stay in the first-level cache.
template <size_t P>
void TurnBlock(const Turn& t, uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
  const size_t n = P ? P : t.pixel;
  if (t.code == kRotateHalf) {
    for (uint32_t y = y0; y < y1; ++y) {
      const uint8_t* s = t.src + size_t{y} * t.srcStride;
      uint8_t* d = t.dst + size_t{t.height - 1 - y} * t.dstStride + size_t{t.width - 1} * n;
      for (uint32_t x = x0; x < x1; ++x) Put<P>(d - size_t{x} * n, s + size_t{x} * n, n);
    }
    return;
  }
  constexpr uint32_t kTile = 32;
  for (uint32_t ty = y0; ty < y1; ty += kTile) {
    const uint32_t ey = std::min(y1, ty + kTile);
    for (uint32_t tx = x0; tx < x1; tx += kTile) {
      const uint32_t ex = std::min(x1, tx + kTile);
      for (uint32_t x = tx; x < ex; ++x) {
        const uint8_t* s = t.src + size_t{x} * n;
        if (P == 3 && x + 1 < t.width && ey - ty > 1) {
          // Four bytes at a time in rising destination order, each write's
          // extra byte rewritten by the next pixel; the last pixel of the
          // run (and the last source column, whose fourth byte lies past the
          // row) exactly.
          if (t.code == kRotateClockwise) {
            uint8_t* d = t.dst + size_t{x} * t.dstStride + size_t{t.height - 1} * 3;
            for (uint32_t y = ey - 1; y > ty; --y)
              std::memcpy(d - size_t{y} * 3, s + size_t{y} * t.srcStride, 4);
            std::memcpy(d - size_t{ty} * 3, s + size_t{ty} * t.srcStride, 3);
          } else {
            uint8_t* d = t.dst + size_t{t.width - 1 - x} * t.dstStride;
            for (uint32_t y = ty; y + 1 < ey; ++y)
              std::memcpy(d + size_t{y} * 3, s + size_t{y} * t.srcStride, 4);
            std::memcpy(d + size_t{ey - 1} * 3, s + size_t{ey - 1} * t.srcStride, 3);
          }
          continue;
        }
        if (t.code == kRotateClockwise) {
          // destination row x, column height - 1 - y
          uint8_t* d = t.dst + size_t{x} * t.dstStride + size_t{t.height - 1} * n;
          for (uint32_t y = ty; y < ey; ++y) Put<P>(d - size_t{y} * n, s + size_t{y} * t.srcStride, n);
        } else {
          // destination row width - 1 - x, column y
          uint8_t* d = t.dst + size_t{t.width - 1 - x} * t.dstStride;
          for (uint32_t y = ty; y < ey; ++y) Put<P>(d + size_t{y} * n, s + size_t{y} * t.srcStride, n);
        }
      }
    }
  }
}

#if PIC_ROTATE_SSE2
// Quarter turns of 3-byte pixels in blocks of 4 x 4: four source rows of
// four pixels spread to words, the words transposed, each column packed
// back into 12 bytes of its destination row (in reverse row order for the
// clockwise turn). A 16-byte load reads two pixels past the block, so the
// blocks stop six columns before the row's end; the rest goes pixel by
// pixel. Tiles of 64 rows by 32 columns keep the rows read and written in
// the first-level cache.
__attribute__((target("ssse3"))) void TurnBlock3Ssse3(const Turn& t, uint32_t x0, uint32_t x1, uint32_t y0,
                                                      uint32_t y1) {
  const bool cw = t.code == kRotateClockwise;
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i pack = cw ? _mm_setr_epi8(12, 13, 14, 8, 9, 10, 4, 5, 6, 0, 1, 2, -1, -1, -1, -1)
                          : _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  // Destination of source pixel (x, y).
  auto at = [&](uint32_t x, uint32_t y) {
    return cw ? t.dst + size_t{x} * t.dstStride + size_t{t.height - 1 - y} * 3
              : t.dst + size_t{t.width - 1 - x} * t.dstStride + size_t{y} * 3;
  };
  auto put = [](uint8_t* d, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v);
    const auto last = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(d + 8, &last, 4);
  };
  const uint32_t vx1 = std::min(x1, t.width >= 6 ? t.width - 5 : 0);  // blocks start below this column
  constexpr uint32_t kRows = 64, kColumns = 32;
  for (uint32_t ty = y0; ty < y1; ty += kRows) {
    const uint32_t ey = std::min(y1, ty + kRows);
    for (uint32_t tx = x0; tx < x1; tx += kColumns) {
      const uint32_t ex = std::min(x1, tx + kColumns);
      uint32_t x = tx;
      for (; x + 4 <= ex && x < vx1; x += 4) {
        uint32_t y = ty;
        for (; y + 4 <= ey; y += 4) {
          const uint8_t* p = t.src + size_t{y} * t.srcStride + size_t{x} * 3;
          __m128i r[4];
          for (int i = 0; i < 4; ++i)
            r[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i * t.srcStride)),
                                    spread);
          const __m128i a = _mm_unpacklo_epi32(r[0], r[1]), b = _mm_unpackhi_epi32(r[0], r[1]);
          const __m128i c = _mm_unpacklo_epi32(r[2], r[3]), d = _mm_unpackhi_epi32(r[2], r[3]);
          // Column k of the block: its pixels of rows y .. y + 3.
          const __m128i col[4] = {_mm_unpacklo_epi64(a, c), _mm_unpackhi_epi64(a, c),
                                  _mm_unpacklo_epi64(b, d), _mm_unpackhi_epi64(b, d)};
          for (uint32_t k = 0; k < 4; ++k) put(at(x + k, cw ? y + 3 : y), _mm_shuffle_epi8(col[k], pack));
        }
        for (; y < ey; ++y)
          for (uint32_t k = 0; k < 4; ++k)
            std::memcpy(at(x + k, y), t.src + size_t{y} * t.srcStride + size_t{x + k} * 3, 3);
      }
      for (; x < ex; ++x)
        for (uint32_t y = ty; y < ey; ++y)
          std::memcpy(at(x, y), t.src + size_t{y} * t.srcStride + size_t{x} * 3, 3);
    }
  }
}
#endif

// Half turns of 1-, 3- and 4-byte pixels: a 16-byte load of source
// pixels reversed by one shuffle into the destination row (five 3-byte
// pixels a load, read from one byte before them so that the load ends at
// the row's last byte; the 16th byte stored is the next pixel's first,
// written again by the next block or the pixel-by-pixel rest).
__attribute__((target("ssse3"))) void HalfTurnSsse3(const Turn& t, uint32_t x0, uint32_t x1, uint32_t y0,
                                                    uint32_t y1) {
  const uint32_t p = t.pixel;
  const uint32_t lanes = p == 3 ? 5 : 16 / p, span = p == 3 ? 6 : lanes;  // pixels stored, pixels touched
  const size_t back = p == 3 ? 1 : 0;
  const __m128i mask = p == 1   ? _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
                       : p == 4 ? _mm_setr_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3)
                                : _mm_setr_epi8(13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3, -1);
  // Destination columns [j0, j1) take source columns width - 1 - j.
  const uint32_t j0 = t.width - x1, j1 = t.width - x0;
  for (uint32_t y = y0; y < y1; ++y) {
    const uint8_t* s = t.src + size_t{y} * t.srcStride;
    uint8_t* d = t.dst + size_t{t.height - 1 - y} * t.dstStride;
    uint32_t j = j0;
    for (; j + span <= j1; j += lanes) {
      const __m128i v =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + size_t{t.width - lanes - j} * p - back));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d + size_t{j} * p), _mm_shuffle_epi8(v, mask));
    }
    for (; j < j1; ++j) std::memcpy(d + size_t{j} * p, s + size_t{t.width - 1 - j} * p, p);
  }
}

void TurnBlockAny(const Turn& t, uint32_t x0, uint32_t x1, uint32_t y0, uint32_t y1) {
#if PIC_ROTATE_SSE2
  if (t.code == kRotateHalf && (t.pixel == 1 || t.pixel == 3 || t.pixel == 4) && ResampleVectorLevel() >= 1 &&
      HasCpuFeature(kCpuSSSE3))
    return HalfTurnSsse3(t, x0, x1, y0, y1);
  // The vector level lets tests reach the plain copies too.
  if (t.pixel == 3 && t.code != kRotateHalf && ResampleVectorLevel() >= 1 && HasCpuFeature(kCpuSSSE3))
    return TurnBlock3Ssse3(t, x0, x1, y0, y1);
#endif
  switch (t.pixel) {
    case 1:
      return TurnBlock<1>(t, x0, x1, y0, y1);
    case 2:
      return TurnBlock<2>(t, x0, x1, y0, y1);
    case 3:
      return TurnBlock<3>(t, x0, x1, y0, y1);
    case 4:
      return TurnBlock<4>(t, x0, x1, y0, y1);
    case 6:
      return TurnBlock<6>(t, x0, x1, y0, y1);
    case 8:
      return TurnBlock<8>(t, x0, x1, y0, y1);
    default:
      return TurnBlock<0>(t, x0, x1, y0, y1);
  }
}

// Source columns [x0, x1), every source row; with a progress callback 64
// rows at a time so that the progress follows the source rows.
uint32_t TurnColumns(const Turn& t, uint32_t x0, uint32_t x1) {
  uint32_t error = 0;
  if (t.code != kRotateHalf && !HasProgressCallback()) {
    // No one watches the rows go by: strips of 128 source columns over every
    // row, whose destination rows are written from end to end (measured 10
    // to 20% faster on 12 MP than bands of rows over the whole width, whose
    // destination pieces leave the second-level cache before their lines
    // are filled).
    constexpr uint32_t kStrip = 128;
    for (uint32_t x = x0; x < x1; x += kStrip) TurnBlockAny(t, x, std::min(x1, x + kStrip), 0, t.height);
    return 0;
  }
  for (uint32_t y = 0; y < t.height; y += 64) {
    const uint32_t e = std::min(t.height, y + 64);
    TurnBlockAny(t, x0, x1, y, e);
    if (!RowsDone(y, e, t.height, &error)) return error;
  }
  return 0;
}

struct TurnJob : CPicThreadData {
  const Turn* turn = nullptr;
  ThreadBand band;
};

uint32_t TurnJobProc(CPicThreadData* record) {
  auto* job = static_cast<TurnJob*>(record);
  if (!job) return 0;
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  {
    PicNestingScope depth;
    job->error = TurnColumns(*job->turn, job->band.left, job->band.right);
  }
  SetProgressCallback(nullptr, 0);
  return 0;
}

int TurnAny(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
            uint32_t dstStride, uint32_t code, uint32_t pixel, uint32_t* error) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || code > 2 || !pixel) return Fail(error, kPicErrBadArgument);
  if (!width || !height) return 1;
  const uint32_t outWidth = code == kRotateHalf ? width : height;
  if (uint64_t{srcStride} < uint64_t{width} * pixel || uint64_t{dstStride} < uint64_t{outWidth} * pixel)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const Turn t{src, dst, srcStride, dstStride, width, height, code, pixel};
  const uint64_t bytes = uint64_t{width} * height * pixel;
  // The half turn moves rows whole and is bound by memory: more threads
  // only queue on it.
  if (code != kRotateHalf && bytes >= kPoolBytes && WantBands(0, width)) {
    *error =
        RunBandJobs<TurnJob>(TurnJobProc, true, width, height, [&](TurnJob& job, const ThreadBand& band) {
          job.turn = &t;
          job.band = band;
        });
    return *error == 0;
  }
  *error = TurnColumns(t, 0, width);
  return *error == 0;
}

template <class T>
int TurnInPlace(T* pixels, uint32_t width, uint32_t height, uint32_t code, uint32_t samples,
                uint32_t* error) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!pixels || code > 2 || !samples) return Fail(error, kPicErrBadArgument);
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(uint64_t{width} * height, samples, sizeof(T), &bytes))
    return Fail(error, kPicErrBadArgument);
  if (!bytes) return 1;
  const size_t pixel = size_t{samples} * sizeof(T);
  const size_t count = size_t{width} * height;
  auto* p = reinterpret_cast<uint8_t*>(pixels);
  if (code == kRotateHalf) {
    // Rows top to bottom and pixels within each row: the pixel order reversed.
    PicNestingScope depth;
    uint8_t tmp[64];
    std::unique_ptr<uint8_t[]> big;
    uint8_t* swap = tmp;
    if (pixel > sizeof tmp) {
      big.reset(new (std::nothrow) uint8_t[pixel]);
      if (!big) return Fail(error, kPicErrNoMemory);
      swap = big.get();
    }
    for (size_t i = 0, j = count - 1; i < j; ++i, --j) {
      std::memcpy(swap, p + i * pixel, pixel);
      std::memcpy(p + i * pixel, p + j * pixel, pixel);
      std::memcpy(p + j * pixel, swap, pixel);
    }
    return 1;
  }
  PicArray<uint8_t> copy;
  if (!copy.Resize(static_cast<uint32_t>(bytes))) return Fail(error, kPicErrNoMemory);
  std::memcpy(copy.Data(), p, bytes);
  return TurnAny(copy.Data(), width, height, static_cast<uint32_t>(size_t{width} * pixel), p,
                 static_cast<uint32_t>(size_t{height} * pixel), code, static_cast<uint32_t>(pixel), error);
}

// ---------------------------------------------------------------- one-bit turns

const uint8_t* BitReversed() {
  static const auto table = [] {
    struct T {
      uint8_t v[256];
    } t{};
    for (int i = 0; i < 256; ++i) {
      uint8_t r = 0;
      for (int b = 0; b < 8; ++b)
        if (i & (1 << b)) r |= static_cast<uint8_t>(0x80 >> b);
      t.v[i] = r;
    }
    return t;
  }();
  return table.v;
}

// dst receives the bits of src (bits pixels, most significant first) in
// reverse order, starting at bit 7 of byte 0; the bits past them cleared.
void MirrorBitRow(const uint8_t* src, uint8_t* dst, uint32_t bits) {
  const uint32_t bytes = (bits + 7) / 8;
  const uint8_t* rev = BitReversed();
  for (uint32_t i = 0; i < bytes; ++i) dst[i] = rev[src[bytes - 1 - i]];
  if (bits % 8) ShiftBitRow(dst, bytes, 8 - bits % 8);
}

// 8 x 8 bits: byte i of the input is row i, most significant bit column 0;
// byte j of the result is column j, most significant bit row 0.
inline uint64_t Transpose8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  return x ^ t ^ (t << 28);
}

}  // namespace

int RotateOrthogonal(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, uint32_t code, uint32_t bytesPerPixel, uint32_t* error) {
  return TurnAny(src, width, height, srcStride, dst, dstStride, code, bytesPerPixel, error);
}

int RotateOrthogonal16(const uint16_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                       uint16_t* dst, uint32_t dstStride, uint32_t code, uint32_t samplesPerPixel,
                       uint32_t* error) {
  if (samplesPerPixel > UINT32_MAX / 2) return Fail(error, kPicErrBadArgument);
  return TurnAny(reinterpret_cast<const uint8_t*>(src), width, height, srcStride,
                 reinterpret_cast<uint8_t*>(dst), dstStride, code, samplesPerPixel * 2, error);
}

int RotateOrthogonalDouble(const double* src, uint32_t width, uint32_t height, uint32_t srcStride,
                           double* dst, uint32_t dstStride, uint32_t code, uint32_t samplesPerPixel,
                           uint32_t* error) {
  if (samplesPerPixel > UINT32_MAX / 8) return Fail(error, kPicErrBadArgument);
  return TurnAny(reinterpret_cast<const uint8_t*>(src), width, height, srcStride,
                 reinterpret_cast<uint8_t*>(dst), dstStride, code, samplesPerPixel * 8, error);
}

int RotateOrthogonalInPlace8(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t code,
                             uint32_t bytesPerPixel, uint32_t* error) {
  return TurnInPlace(pixels, width, height, code, bytesPerPixel, error);
}
int RotateOrthogonalInPlace16(uint16_t* pixels, uint32_t width, uint32_t height, uint32_t code,
                              uint32_t samplesPerPixel, uint32_t* error) {
  return TurnInPlace(pixels, width, height, code, samplesPerPixel, error);
}
int RotateOrthogonalInPlaceDouble(double* pixels, uint32_t width, uint32_t height, uint32_t code,
                                  uint32_t samplesPerPixel, uint32_t* error) {
  return TurnInPlace(pixels, width, height, code, samplesPerPixel, error);
}

int RotateOrthogonalInto(CPicErrorHolder& op, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t code,
                         uint32_t bytesPerPixel) {
  return RotateOrthogonal(src, width, height, srcStride, dst, dstStride, code, bytesPerPixel, &op.error);
}
int RotateOrthogonal16Into(CPicErrorHolder& op, const uint16_t* src, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint16_t* dst, uint32_t dstStride, uint32_t code,
                           uint32_t samplesPerPixel) {
  return RotateOrthogonal16(src, width, height, srcStride, dst, dstStride, code, samplesPerPixel, &op.error);
}
int RotateOrthogonalInPlace(CPicErrorHolder& op, uint8_t* pixels, uint32_t width, uint32_t height,
                            uint32_t code, uint32_t bytesPerPixel) {
  return RotateOrthogonalInPlace8(pixels, width, height, code, bytesPerPixel, &op.error);
}
int RotateOrthogonal16InPlace(CPicErrorHolder& op, uint16_t* pixels, uint32_t width, uint32_t height,
                              uint32_t code, uint32_t samplesPerPixel) {
  return RotateOrthogonalInPlace16(pixels, width, height, code, samplesPerPixel, &op.error);
}

int RotateOrthogonal1Bit(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height,
                         uint32_t mode, uint32_t srcStride, uint32_t dstStride) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  const uint32_t code = mode & 3;
  if (code == 3) return 1;
  if (!src || !dst || src == dst) return Fail(error, kPicErrBadArgument);
  if (!width || !height) return 1;
  const uint64_t srcRow = (uint64_t{width} + 7) / 8;
  const uint64_t dstRow = code == kRotateHalf ? srcRow : (uint64_t{height} + 7) / 8;
  if (srcStride < srcRow || dstStride < dstRow) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  if (code == kRotateHalf) {
    for (uint32_t y = 0; y < height; ++y) {
      MirrorBitRow(src + size_t{y} * srcStride, dst + size_t{height - 1 - y} * dstStride, width);
      if (!RowsDone(y, y + 1, height, error)) return 0;
    }
    return 1;
  }
  // Transposed (destination row x holds source column x) into the rows of
  // code 2 (row width - 1 - x) or code 0 (row x, mirrored afterwards).
  auto rowOf = [&](uint32_t x) {
    return dst + size_t{code == kRotateClockwise ? x : width - 1 - x} * dstStride;
  };
  for (uint32_t y0 = 0; y0 < height; y0 += 8) {
    const uint32_t rows = std::min(8u, height - y0);
    for (uint32_t bx = 0; bx < srcRow; ++bx) {
      uint64_t block = 0;
      for (uint32_t i = 0; i < rows; ++i)
        block |= uint64_t{src[size_t{y0 + i} * srcStride + bx]} << (56 - 8 * i);
      block = Transpose8(block);
      const uint32_t columns = std::min(8u, width - bx * 8);
      for (uint32_t j = 0; j < columns; ++j)
        rowOf(bx * 8 + j)[y0 / 8] = static_cast<uint8_t>(block >> (56 - 8 * j));
    }
    if (!RowsDone(y0, y0 + rows, height, error)) return 0;
  }
  if (code == kRotateClockwise) {
    PicArray<uint8_t> row(static_cast<uint32_t>(dstRow));
    if (row.Count() != dstRow) return Fail(error, kPicErrNoMemory);
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* d = dst + size_t{x} * dstStride;
      std::memcpy(row.Data(), d, dstRow);
      MirrorBitRow(row.Data(), d, height);
    }
  } else if (height % 8) {
    const auto keep = static_cast<uint8_t>(0xFF << (8 - height % 8));
    for (uint32_t x = 0; x < width; ++x) dst[size_t{x} * dstStride + dstRow - 1] &= keep;
  }
  return 1;
}

// ---------------------------------------------------------------- any angle

namespace {

double RoundedDown(double v) {
  return std::floor(v * 1e9) / 1e9;
}

// The number of whole pixels a span of `extent` covers, counting a span that
// is a whole number (to 1e-9) as exactly that: rounding up by adding a hair
// under one turns into a whole extra column once the sum is past 2^6.
uint32_t CoveredSize(double extent) {
  const double whole = std::round(extent);
  if (std::fabs(extent - whole) < 1e-9) return static_cast<uint32_t>(whole);
  return static_cast<uint32_t>(std::ceil(extent));
}

inline int64_t Floor(double v) {
  return static_cast<int64_t>(v < 0 ? v - 0.99999999999999 : v);
}

// Floored position inside the source.
inline bool Inside(int64_t x, int64_t y, uint32_t w, uint32_t h) {
  return static_cast<uint64_t>(x) < w && static_cast<uint64_t>(y) < h;
}

enum class Kind { kBytes, kDouble, kBits };

struct RotateArgs {
  Kind kind;
  const uint8_t* src;
  uint32_t width, height, pixel, srcStride;  // pixel: bytes (samples for doubles)
  uint8_t* dst;
  uint32_t dstStride;
  const RGBQUAD* palette;
  uint32_t colours;
  uint32_t flags;
  RotateGeometry g;
  const double* colCos;  // X cos per destination column
  const double* colSin;  // X sin per destination column
};

// Source position of destination column i in a row whose Y sin and Y cos
// are given; columns outside [from, to) surely map outside the source.
struct RowPos {
  double ys, yc;
  uint32_t from, to;
};

inline void SourceAt(const RotateArgs& a, const RowPos& r, uint32_t i, double* sx, double* sy) {
  *sx = a.colCos[i] + r.ys;
  *sy = r.yc - a.colSin[i];
}

// The columns of a destination row where both source coordinates, linear
// in the column, lie inside the source, as reals: sx = (i + X0) c + Y s in
// [0, w), sy = Y c - (i + X0) s in [0, h). Empty when lo >= hi.
struct Span {
  double lo, hi;
};
Span InsideSpan(const RotateArgs& a, uint32_t row, double margin) {
  const double c = a.g.cosA, s = a.g.sinA, X0 = std::trunc(a.g.minX), Y = row + std::trunc(a.g.minY);
  Span span{0, static_cast<double>(a.g.width)};
  auto clip = [&](double k, double b, double top) {  // 0 <= k i + b < top
    if (k == 0) {
      if (b < -margin || b >= top + margin) span.hi = span.lo;
      return;
    }
    // The floored reading takes a hair below 0 as 0, and rounding moves
    // the edges a little: `margin` widens the interval in the coordinate.
    const double u = (-margin - b) / k, v = (top + margin - b) / k;
    span.lo = std::max(span.lo, std::min(u, v));
    span.hi = std::min(span.hi, std::max(u, v));
  };
  clip(c, X0 * c + Y * s, a.width);
  clip(-s, Y * c - X0 * s, a.height);
  return span;
}

// The row's position with the columns that may map inside (a margin of a
// millionth in the source coordinates and a column each side); the rows
// walk only those and leave the rest alone, as they would.
RowPos RowAt(const RotateArgs& a, uint32_t row) {
  const double Y = static_cast<double>(row) + std::trunc(a.g.minY);
  const Span span = InsideSpan(a, row, 1e-6);
  const double ow = a.g.width;
  const double lo = std::clamp(std::floor(span.lo) - 1, 0.0, ow),
               hi = std::clamp(std::ceil(span.hi) + 1, 0.0, ow);
  const auto from = static_cast<uint32_t>(lo), to = static_cast<uint32_t>(hi);
  return RowPos{Y * a.g.sinA, Y * a.g.cosA, from, std::max(from, to)};
}

template <size_t P>
void NearestRow(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  const size_t n = P ? P : a.pixel;
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    if (!Inside(x, y, a.width, a.height)) continue;
    std::memcpy(o + size_t{i} * n, a.src + size_t(y) * a.srcStride + size_t(x) * n, n);
  }
}

#if PIC_ROTATE_SSE2
// Four 4-byte (8-byte) loads at the byte offsets in `at`: plain loads, as a
// gather of four lanes is slower than they are on some processors (and on
// this one by a third).
__attribute__((target("avx2"))) inline __m128i Load4At(const uint8_t* base, __m128i at) {
  int32_t off[4], v[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(off), at);
  for (int k = 0; k < 4; ++k) std::memcpy(&v[k], base + off[k], 4);
  return _mm_setr_epi32(v[0], v[1], v[2], v[3]);
}
__attribute__((target("avx2"))) inline __m256i Load8At(const uint8_t* base, __m128i at) {
  int32_t off[4];
  int64_t v[4];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(off), at);
  for (int k = 0; k < 4; ++k) std::memcpy(&v[k], base + off[k], 8);
  return _mm256_setr_epi64x(v[0], v[1], v[2], v[3]);
}
#endif

#if PIC_ROTATE_SSE2
// Four pixels a step: positions and floors as vectors, each pixel's bytes
// in one 4-byte load (so a step needs its pixels at least two columns
// from the right edge with 3-byte pixels), packed and stored at once. Steps
// with a pixel outside, at that edge, or left of or above the source (whose
// floor the scalar reading takes differently) go pixel by pixel.
template <size_t P>
__attribute__((target("avx2"))) void NearestRowAvx2(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  uint32_t i = r.from;
  auto one = [&](uint32_t k) {
    double sx, sy;
    SourceAt(a, r, k, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    if (Inside(x, y, a.width, a.height))
      std::memcpy(o + size_t{k} * P, a.src + size_t(y) * a.srcStride + size_t(x) * P, P);
  };
  if (a.width > 1 && uint64_t{a.srcStride} * a.height < (uint64_t{1} << 31)) {
    const __m256d ys = _mm256_set1_pd(r.ys), yc = _mm256_set1_pd(r.yc), zero = _mm256_setzero_pd();
    const __m256d xMax = _mm256_set1_pd(double(a.width) - (P == 3 ? 2 : 1)),
                  yMax = _mm256_set1_pd(double(a.height) - 1);
    const __m128i stride = _mm_set1_epi32(static_cast<int>(a.srcStride)), pixel = _mm_set1_epi32(P);
    const uint8_t* base = a.src;
    for (; i + 4 <= r.to; i += 4) {
      const __m256d sx = _mm256_add_pd(_mm256_loadu_pd(a.colCos + i), ys);
      const __m256d sy = _mm256_sub_pd(yc, _mm256_loadu_pd(a.colSin + i));
      const __m256d fx0 = _mm256_floor_pd(sx), fy0 = _mm256_floor_pd(sy);
      const __m256d ok = _mm256_and_pd(
          _mm256_and_pd(_mm256_cmp_pd(sx, zero, _CMP_GE_OQ), _mm256_cmp_pd(sy, zero, _CMP_GE_OQ)),
          _mm256_and_pd(_mm256_cmp_pd(fx0, xMax, _CMP_LE_OQ), _mm256_cmp_pd(fy0, yMax, _CMP_LE_OQ)));
      if (_mm256_movemask_pd(ok) != 15) {
        for (uint32_t k = 0; k < 4; ++k) one(i + k);
        continue;
      }
      const __m128i at = _mm_add_epi32(_mm_mullo_epi32(_mm256_cvttpd_epi32(fy0), stride),
                                       _mm_mullo_epi32(_mm256_cvttpd_epi32(fx0), pixel));
      const __m128i px = Load4At(base, at);
      if constexpr (P == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + size_t{i} * 4), px);
      } else {
        const __m128i packed =
            _mm_shuffle_epi8(px, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
        alignas(16) uint8_t bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes), packed);
        std::memcpy(o + size_t{i} * 3, bytes, 12);
      }
    }
  }
  for (; i < r.to; ++i) one(i);
}
#endif

// Four taps of (x, y) with the fractions; the second column and row are
// limited to the image.
struct Taps {
  const uint8_t *p00, *p01, *p10, *p11;
  double fx, fy;
};

inline bool TapsAt(const RotateArgs& a, double sx, double sy, size_t n, Taps* t) {
  const int64_t x = Floor(sx), y = Floor(sy);
  if (!Inside(x, y, a.width, a.height)) return false;
  const size_t x1 = size_t(x + 1 < a.width ? x + 1 : x);
  const size_t y1 = size_t(y + 1 < a.height ? y + 1 : y);
  const uint8_t* r0 = a.src + size_t(y) * a.srcStride;
  const uint8_t* r1 = a.src + y1 * a.srcStride;
  *t = Taps{r0 + size_t(x) * n, r0 + x1 * n, r1 + size_t(x) * n, r1 + x1 * n, sx - double(x), sy - double(y)};
  return true;
}

inline double Blend(const Taps& t, double v00, double v01, double v10, double v11) {
  return v00 * ((1 - t.fx) * (1 - t.fy)) + v01 * (t.fx * (1 - t.fy)) + v10 * ((1 - t.fx) * t.fy) +
         v11 * (t.fx * t.fy);
}

#if PIC_ROTATE_SSE2
// A pixel's 3 or 4 bytes as 32-bit lanes. Three bytes are put together in a
// register: a 4-byte load after narrower stores stalls.
template <size_t P>
inline __m128i PixelInts(const uint8_t* p) {
  uint32_t v;
  if constexpr (P == 4)
    std::memcpy(&v, p, 4);
  else
    v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  const __m128i zero = _mm_setzero_si128();
  return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), zero), zero);
}
template <size_t P>
inline __m128 PixelLanes(const uint8_t* p) {
  return _mm_cvtepi32_ps(PixelInts<P>(p));
}
#endif

template <size_t P>
void BilinearRow(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    Taps t;
    if (!TapsAt(a, sx, sy, P, &t)) continue;
#if PIC_ROTATE_SSE2
    if constexpr (P >= 3) {
      // Two channels a register, the same sum in the same order as Blend.
      const __m128d w00 = _mm_set1_pd((1 - t.fx) * (1 - t.fy)), w01 = _mm_set1_pd(t.fx * (1 - t.fy));
      const __m128d w10 = _mm_set1_pd((1 - t.fx) * t.fy), w11 = _mm_set1_pd(t.fx * t.fy);
      const __m128i zero = _mm_setzero_si128();
      const __m128i q00 = PixelInts<P>(t.p00), q01 = PixelInts<P>(t.p01), q10 = PixelInts<P>(t.p10),
                    q11 = PixelInts<P>(t.p11);
      auto half = [&](int shift) {
        auto pd = [&](__m128i q) { return _mm_cvtepi32_pd(shift ? _mm_srli_si128(q, 8) : q); };
        __m128d v = _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(pd(q00), w00), _mm_mul_pd(pd(q01), w01)),
                                          _mm_mul_pd(pd(q10), w10)),
                               _mm_mul_pd(pd(q11), w11));
        v = _mm_add_pd(v, _mm_set1_pd(kSnapU8));
        return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0)));
      };
      const __m128i q = _mm_unpacklo_epi64(half(0), half(1));
      const uint32_t bytes =
          static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), zero)));
      std::memcpy(o + size_t{i} * P, &bytes, P);
      continue;
    }
#endif
    for (size_t c = 0; c < P; ++c)
      o[size_t{i} * P + c] = StoreTruncated<uint8_t>(Blend(t, t.p00[c], t.p01[c], t.p10[c], t.p11[c]));
  }
}

#if PIC_ROTATE_SSE2
template <size_t P>
__attribute__((target("avx"))) inline __m256d WidePixel(const uint8_t* p) {
  uint32_t v;
  if constexpr (P == 4)
    std::memcpy(&v, p, 4);
  else
    v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(v))));
}

// The same sums with all channels in one register of four doubles.
template <size_t P>
__attribute__((target("avx"))) inline void BilinearPixelAvx(const RotateArgs& a, const RowPos& r, uint32_t i,
                                                            uint8_t* o) {
  double sx, sy;
  SourceAt(a, r, i, &sx, &sy);
  Taps t;
  if (!TapsAt(a, sx, sy, P, &t)) return;
  const __m256d v = _mm256_add_pd(
      _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(WidePixel<P>(t.p00), _mm256_set1_pd((1 - t.fx) * (1 - t.fy))),
                                  _mm256_mul_pd(WidePixel<P>(t.p01), _mm256_set1_pd(t.fx * (1 - t.fy)))),
                    _mm256_mul_pd(WidePixel<P>(t.p10), _mm256_set1_pd((1 - t.fx) * t.fy))),
      _mm256_mul_pd(WidePixel<P>(t.p11), _mm256_set1_pd(t.fx * t.fy)));
  const __m256d clamped = _mm256_min_pd(
      _mm256_max_pd(_mm256_add_pd(v, _mm256_set1_pd(kSnapU8)), _mm256_setzero_pd()), _mm256_set1_pd(255.0));
  const __m128i q = _mm256_cvttpd_epi32(clamped);
  const uint32_t bytes =
      static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128())));
  std::memcpy(o + size_t{i} * P, &bytes, P);
}

template <size_t P>
__attribute__((target("avx"))) void BilinearRowAvx(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  for (uint32_t i = r.from; i < r.to; ++i) BilinearPixelAvx<P>(a, r, i, o);
}

// Byte `shift / 8` of each 64-bit lane, exactly as a double: the byte under
// the exponent bits of 2^52, less 2^52.
__attribute__((target("avx2"))) inline __m256d GatheredByte(__m256i q, int shift, __m256i low,
                                                            __m256i magic) {
  const __m256i b = _mm256_and_si256(_mm256_srli_epi64(q, shift), low);
  return _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(b, magic)), _mm256_castsi256_pd(magic));
}

// Four pixels a step, one double lane each, the sums of BilinearPixelAvx in
// the same order: positions, fractions and weights as vectors, each row's
// two taps of a pixel in one 8-byte load (so a step needs its taps at
// least three columns (3 bytes a pixel; two for 4) from the right edge and a
// row from the bottom), bytes to doubles exactly by the 2^52 trick. Steps
// with a pixel nearer the edges, outside, or left of or above the source
// (whose floor the scalar reading takes differently) go pixel by pixel.
template <size_t P>
__attribute__((target("avx2"))) void BilinearRowAvx2(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  uint32_t i = r.from;
  if (a.width > P && a.height > 1 && uint64_t{a.srcStride} * a.height < (uint64_t{1} << 31)) {
    const __m256d ys = _mm256_set1_pd(r.ys), yc = _mm256_set1_pd(r.yc), zero = _mm256_setzero_pd(),
                  one = _mm256_set1_pd(1.0), top = _mm256_set1_pd(255.0), snap = _mm256_set1_pd(kSnapU8);
    const __m256d xMax = _mm256_set1_pd(double(a.width) - (P == 3 ? 3 : 2)),
                  yMax = _mm256_set1_pd(double(a.height) - 2);
    const __m256i magicBits = _mm256_set1_epi64x(0x4330000000000000LL), low = _mm256_set1_epi64x(0xFF);
    const __m128i stride = _mm_set1_epi32(static_cast<int>(a.srcStride)), pixel = _mm_set1_epi32(P);
    const uint8_t* row0 = a.src;
    const uint8_t* row1 = a.src + a.srcStride;
    for (; i + 4 <= r.to; i += 4) {
      const __m256d sx = _mm256_add_pd(_mm256_loadu_pd(a.colCos + i), ys);
      const __m256d sy = _mm256_sub_pd(yc, _mm256_loadu_pd(a.colSin + i));
      const __m256d fx0 = _mm256_floor_pd(sx), fy0 = _mm256_floor_pd(sy);
      const __m256d ok = _mm256_and_pd(
          _mm256_and_pd(_mm256_cmp_pd(sx, zero, _CMP_GE_OQ), _mm256_cmp_pd(sy, zero, _CMP_GE_OQ)),
          _mm256_and_pd(_mm256_cmp_pd(fx0, xMax, _CMP_LE_OQ), _mm256_cmp_pd(fy0, yMax, _CMP_LE_OQ)));
      if (_mm256_movemask_pd(ok) != 15) {
        for (uint32_t k = 0; k < 4; ++k) BilinearPixelAvx<P>(a, r, i + k, o);
        continue;
      }
      const __m256d fx = _mm256_sub_pd(sx, fx0), fy = _mm256_sub_pd(sy, fy0);
      const __m256d gx = _mm256_sub_pd(one, fx), gy = _mm256_sub_pd(one, fy);
      const __m256d w00 = _mm256_mul_pd(gx, gy), w01 = _mm256_mul_pd(fx, gy), w10 = _mm256_mul_pd(gx, fy),
                    w11 = _mm256_mul_pd(fx, fy);
      const __m128i at = _mm_add_epi32(_mm_mullo_epi32(_mm256_cvttpd_epi32(fy0), stride),
                                       _mm_mullo_epi32(_mm256_cvttpd_epi32(fx0), pixel));
      const __m256i q0 = Load8At(row0, at), q1 = Load8At(row1, at);
      __m128i px = _mm_setzero_si128();
      for (int c = 0; c < static_cast<int>(P); ++c) {
        const __m256d v = _mm256_add_pd(
            _mm256_add_pd(
                _mm256_add_pd(
                    _mm256_mul_pd(GatheredByte(q0, 8 * c, low, magicBits), w00),
                    _mm256_mul_pd(GatheredByte(q0, 8 * (static_cast<int>(P) + c), low, magicBits), w01)),
                _mm256_mul_pd(GatheredByte(q1, 8 * c, low, magicBits), w10)),
            _mm256_mul_pd(GatheredByte(q1, 8 * (static_cast<int>(P) + c), low, magicBits), w11));
        const __m256d clamped = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(v, snap), zero), top);
        px = _mm_or_si128(px, _mm_slli_epi32(_mm256_cvttpd_epi32(clamped), 8 * c));
      }
      if constexpr (P == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + size_t{i} * 4), px);
      } else {
        const __m128i packed =
            _mm_shuffle_epi8(px, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
        alignas(16) uint8_t bytes[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes), packed);
        std::memcpy(o + size_t{i} * 3, bytes, 12);
      }
    }
  }
  for (; i < r.to; ++i) BilinearPixelAvx<P>(a, r, i, o);
}
#endif

void PalettedBilinearRow(const RotateArgs& a, const RowPos& r, uint8_t* o, CPicImgColorMatch& match) {
  auto colour = [&](const uint8_t* p) -> const RGBQUAD& {
    static const RGBQUAD black{};
    return *p < a.colours ? a.palette[*p] : black;
  };
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    Taps t;
    if (!TapsAt(a, sx, sy, 1, &t)) continue;
    const RGBQUAD &c00 = colour(t.p00), &c01 = colour(t.p01), &c10 = colour(t.p10), &c11 = colour(t.p11);
    const uint8_t red = StoreTruncated<uint8_t>(Blend(t, c00.rgbRed, c01.rgbRed, c10.rgbRed, c11.rgbRed));
    const uint8_t green =
        StoreTruncated<uint8_t>(Blend(t, c00.rgbGreen, c01.rgbGreen, c10.rgbGreen, c11.rgbGreen));
    const uint8_t blue =
        StoreTruncated<uint8_t>(Blend(t, c00.rgbBlue, c01.rgbBlue, c10.rgbBlue, c11.rgbBlue));
    o[i] = match.FindClosest(red, green, blue);
  }
}

// The 4 x 4 neighbourhood around (x, y) (x - 1 to x + 2), edges repeated.
template <class S>
void Neighbourhood(const S* src, size_t stride, uint32_t w, uint32_t h, int64_t x, int64_t y, uint32_t ch,
                   uint32_t c, S out[16]) {
  for (int j = 0; j < 4; ++j) {
    const int64_t yy = std::clamp<int64_t>(y - 1 + j, 0, h - 1);
    const S* row = reinterpret_cast<const S*>(reinterpret_cast<const uint8_t*>(src) + size_t(yy) * stride);
    for (int i = 0; i < 4; ++i)
      out[4 * j + i] = row[size_t(std::clamp<int64_t>(x - 1 + i, 0, w - 1)) * ch + c];
  }
}

// The packed calculator's arithmetic (bicubic_calc.h) with the channels
// side by side: the fractions in single precision, the weights rounded to
// it, each row's four products summed in pairs, then the rows likewise.
// Every lane does the same operations in the same order, so the bytes are
// the calculator's.
struct CubicAt {
  float wx[4], wy[4];
  explicit CubicAt(double fx, double fy) {
    double w[4];
    CubicWeights(static_cast<float>(fx), w);
    for (int i = 0; i < 4; ++i) wx[i] = static_cast<float>(w[i]);
    CubicWeights(static_cast<float>(fy), w);
    for (int i = 0; i < 4; ++i) wy[i] = static_cast<float>(w[i]);
  }
};

inline uint8_t CubicByte(float v) {
  if (!(v > 0)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v);
}

template <size_t P>
void BicubicRow(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  const int64_t lastX = a.width - 1, lastY = a.height - 1;
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    if (!Inside(x, y, a.width, a.height)) continue;
    const CubicAt w(sx - double(x), sy - double(y));
    size_t col[4];
    const uint8_t* row[4];
    for (int k = 0; k < 4; ++k) {
      col[k] = size_t(std::clamp<int64_t>(x - 1 + k, 0, lastX)) * P;
      row[k] = a.src + size_t(std::clamp<int64_t>(y - 1 + k, 0, lastY)) * a.srcStride;
    }
    uint8_t* out = o + size_t{i} * P;
#if PIC_ROTATE_SSE2
    if constexpr (P >= 3) {
      __m128 rows[4];
      for (int j = 0; j < 4; ++j) {
        const __m128 p0 = _mm_mul_ps(PixelLanes<P>(row[j] + col[0]), _mm_set1_ps(w.wx[0]));
        const __m128 p1 = _mm_mul_ps(PixelLanes<P>(row[j] + col[1]), _mm_set1_ps(w.wx[1]));
        const __m128 p2 = _mm_mul_ps(PixelLanes<P>(row[j] + col[2]), _mm_set1_ps(w.wx[2]));
        const __m128 p3 = _mm_mul_ps(PixelLanes<P>(row[j] + col[3]), _mm_set1_ps(w.wx[3]));
        rows[j] = _mm_mul_ps(_mm_add_ps(_mm_add_ps(p0, p1), _mm_add_ps(p2, p3)), _mm_set1_ps(w.wy[j]));
      }
      const __m128 v = _mm_add_ps(_mm_add_ps(rows[0], rows[1]), _mm_add_ps(rows[2], rows[3]));
      const __m128 limited = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
      const __m128i q = _mm_cvttps_epi32(limited);
      const uint32_t bytes = static_cast<uint32_t>(
          _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128())));
      std::memcpy(out, &bytes, P);
      continue;
    }
#endif
    for (size_t c = 0; c < P; ++c) {
      float rows[4];
      for (int j = 0; j < 4; ++j) {
        const uint8_t* s = row[j] + c;
        rows[j] =
            ((s[col[0]] * w.wx[0] + s[col[1]] * w.wx[1]) + (s[col[2]] * w.wx[2] + s[col[3]] * w.wx[3])) *
            w.wy[j];
      }
      out[c] = CubicByte((rows[0] + rows[1]) + (rows[2] + rows[3]));
    }
  }
}

#if PIC_ROTATE_SSE2
// The same with four-byte loads widened in one step, and no limits on the
// taps of pixels whose whole neighbourhood (and the byte after it) lies in
// the source.
template <size_t P>
__attribute__((target("sse4.1"))) inline __m128 Lanes4(const uint8_t* p, bool whole) {
  uint32_t v;
  if (P == 4 || whole)
    std::memcpy(&v, p, 4);
  else
    v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(v))));
}

template <size_t P>
__attribute__((target("sse4.1"))) void BicubicRowSse41(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  const int64_t lastX = a.width - 1, lastY = a.height - 1;
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    if (!Inside(x, y, a.width, a.height)) continue;
    const CubicAt w(sx - double(x), sy - double(y));
    const bool whole = x >= 1 && y >= 1 && x + 3 <= lastX && y + 2 <= lastY;
    size_t col[4];
    const uint8_t* row[4];
    for (int k = 0; k < 4; ++k) {
      col[k] = size_t(whole ? x - 1 + k : std::clamp<int64_t>(x - 1 + k, 0, lastX)) * P;
      row[k] = a.src + size_t(whole ? y - 1 + k : std::clamp<int64_t>(y - 1 + k, 0, lastY)) * a.srcStride;
    }
    __m128 rows[4];
    for (int j = 0; j < 4; ++j) {
      const __m128 p0 = _mm_mul_ps(Lanes4<P>(row[j] + col[0], whole), _mm_set1_ps(w.wx[0]));
      const __m128 p1 = _mm_mul_ps(Lanes4<P>(row[j] + col[1], whole), _mm_set1_ps(w.wx[1]));
      const __m128 p2 = _mm_mul_ps(Lanes4<P>(row[j] + col[2], whole), _mm_set1_ps(w.wx[2]));
      const __m128 p3 = _mm_mul_ps(Lanes4<P>(row[j] + col[3], whole), _mm_set1_ps(w.wx[3]));
      rows[j] = _mm_mul_ps(_mm_add_ps(_mm_add_ps(p0, p1), _mm_add_ps(p2, p3)), _mm_set1_ps(w.wy[j]));
    }
    const __m128 v = _mm_add_ps(_mm_add_ps(rows[0], rows[1]), _mm_add_ps(rows[2], rows[3]));
    const __m128i q = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
    const uint32_t bytes = static_cast<uint32_t>(
        _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128())));
    std::memcpy(o + size_t{i} * P, &bytes, P);
  }
}
#endif

void DoubleRow(const RotateArgs& a, const RowPos& r, double* o) {
  const uint32_t ch = a.pixel;
  const auto* src = reinterpret_cast<const double*>(a.src);
  for (uint32_t i = r.from; i < r.to; ++i) {
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    if (!Inside(x, y, a.width, a.height)) continue;
    double block[16];
    for (uint32_t c = 0; c < ch; ++c) {
      Neighbourhood(src, a.srcStride, a.width, a.height, x, y, ch, c, block);
      o[size_t{i} * ch + c] = BicubicSampleDouble(sx - double(x), sy - double(y), block);
    }
  }
}

void BitRow(const RotateArgs& a, const RowPos& r, uint8_t* o) {
  const uint32_t ow = a.g.width;
  const bool clear = a.flags & 1;
  for (uint32_t i = 0; i < ow; ++i) {  // the pixels outside may be cleared
    double sx, sy;
    SourceAt(a, r, i, &sx, &sy);
    const int64_t x = Floor(sx), y = Floor(sy);
    const auto mask = static_cast<uint8_t>(0x80 >> (i & 7));
    if (!Inside(x, y, a.width, a.height)) {
      if (clear) o[i >> 3] &= static_cast<uint8_t>(~mask);
      continue;
    }
    if (a.src[size_t(y) * a.srcStride + size_t(x >> 3)] & (0x80 >> (x & 7)))
      o[i >> 3] |= mask;
    else
      o[i >> 3] &= static_cast<uint8_t>(~mask);
  }
}

// Destination rows [top, bottom); 0 or the error.
uint32_t RotateRows(const RotateArgs& a, uint32_t top, uint32_t bottom) {
  std::unique_ptr<CPicImgColorMatch> match;
  const uint32_t quality = a.flags & kRotateQualityMask;
  const bool paletted =
      a.kind == Kind::kBytes && a.pixel == 1 && a.palette && !(a.flags & kRotateGreyBicubic);
  if (paletted && quality == kRotateBilinear) {
    match.reset(new (std::nothrow) CPicImgColorMatch);
    if (!match) return kPicErrNoMemory;
    match->SetPalette(a.palette, a.colours);
  }
  uint32_t error = 0;
#if PIC_ROTATE_SSE2
  // The vector level says whether the system saves the AVX registers, and
  // tests lower it to reach the narrower rows.
  const int level = ResampleVectorLevel();
  const bool sse41 = level >= 1 && HasCpuFeature(kCpuSSE41);
  const bool avx = level >= 2 && sse41;
  const bool avx2 = level >= 3 && avx;
#endif
  for (uint32_t y = top; y < bottom; ++y) {
    const RowPos r = RowAt(a, y);
    uint8_t* o = a.dst + size_t{y} * a.dstStride;
    if (a.kind == Kind::kDouble) {
      DoubleRow(a, r, reinterpret_cast<double*>(o));
    } else if (a.kind == Kind::kBits) {
      BitRow(a, r, o);
    } else if (quality == kRotateNearest) {
#if PIC_ROTATE_SSE2
      if (avx2 && (a.pixel == 3 || a.pixel == 4)) {
        a.pixel == 3 ? NearestRowAvx2<3>(a, r, o) : NearestRowAvx2<4>(a, r, o);
        if (!RowsDone(y - top, y - top + 1, bottom - top, &error)) return error;
        continue;
      }
#endif
      switch (a.pixel) {
        case 1:
          NearestRow<1>(a, r, o);
          break;
        case 3:
          NearestRow<3>(a, r, o);
          break;
        default:
          NearestRow<4>(a, r, o);
          break;
      }
    } else if (quality == kRotateBilinear) {
      if (paletted)
        PalettedBilinearRow(a, r, o, *match);
      else if (a.pixel == 1)
        BilinearRow<1>(a, r, o);
      else if (avx2)
        a.pixel == 3 ? BilinearRowAvx2<3>(a, r, o) : BilinearRowAvx2<4>(a, r, o);
      else if (avx)
        a.pixel == 3 ? BilinearRowAvx<3>(a, r, o) : BilinearRowAvx<4>(a, r, o);
      else if (a.pixel == 3)
        BilinearRow<3>(a, r, o);
      else
        BilinearRow<4>(a, r, o);
    } else {
      if (a.pixel == 1) BicubicRow<1>(a, r, o);
#if PIC_ROTATE_SSE2
      else if (sse41)
        a.pixel == 3 ? BicubicRowSse41<3>(a, r, o) : BicubicRowSse41<4>(a, r, o);
#endif
      else if (a.pixel == 3)
        BicubicRow<3>(a, r, o);
      else
        BicubicRow<4>(a, r, o);
    }
    if (!RowsDone(y - top, y - top + 1, bottom - top, &error)) return error;
  }
  return 0;
}

struct rotateThreadInfo : CPicThreadData {
  const RotateArgs* args = nullptr;
  ThreadBand band;
};

uint32_t RotateJobProc(CPicThreadData* record) {
  auto* job = static_cast<rotateThreadInfo*>(record);
  if (!job) return 0;
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  {
    PicNestingScope depth;
    job->error = RotateRows(*job->args, job->band.top, job->band.bottom);
  }
  SetProgressCallback(nullptr, 0);
  return 0;
}

// Row edges of n bands of about equal work: a row costs its columns that
// map into the source (the interval where both source coordinates, linear
// in the column, lie inside) plus an eighth of the others.
void BalancedBands(const RotateArgs& a, PicArray<ThreadBand>& bands) {
  const uint32_t n = static_cast<uint32_t>(bands.Count());
  PicArray<uint32_t> edges;
  if (!edges.Resize(n + 1)) return;  // the equal bands stay
  const uint32_t ow = a.g.width, oh = a.g.height;
  auto inside = [&](uint32_t row) {
    const Span span = InsideSpan(a, row, 0);
    return span.hi > span.lo ? span.hi - span.lo : 0.0;
  };
  double total = 0;
  for (uint32_t r = 0; r < oh; ++r) total += inside(r) + ow / 8.0;
  edges[0] = 0;
  double sum = 0;
  uint32_t band = 1;
  for (uint32_t r = 0; r < oh && band < n; ++r) {
    sum += inside(r) + ow / 8.0;
    while (band < n && sum >= total * band / n) edges[band++] = r + 1;
  }
  while (band < n) edges[band++] = oh;
  edges[n] = oh;
  for (uint32_t i = 0; i < n; ++i) bands[i].top = edges[i], bands[i].bottom = edges[i + 1];
}

// The column tables, then the rows on the pool or on this thread.
bool RotateThreaded(uint32_t* error, RotateArgs& a, uint64_t workPerRow) {
  PicArray<double> colCos, colSin;
  const uint32_t ow = a.g.width, oh = a.g.height;
  if (!ow || !oh) return true;
  if (!colCos.Resize(ow) || !colSin.Resize(ow)) return Fail(error, kPicErrNoMemory);
  const double X0 = std::trunc(a.g.minX);
  for (uint32_t i = 0; i < ow; ++i) {
    const double X = static_cast<double>(i) + X0;
    colCos[i] = X * a.g.cosA;
    colSin[i] = X * a.g.sinA;
  }
  a.colCos = colCos.Data();
  a.colSin = colSin.Data();
  PicNestingScope depth;
  if (WantBands(a.flags, oh, workPerRow * oh, 1u << 17)) {
    // Rows near the corners of the box hold few source pixels: the bands
    // get equal shares of the estimated work, not equal numbers of rows.
    PicArray<ThreadBand> bands;
    if (!MakeBands(bands, false, ow, oh)) return Fail(error, kPicErrNoMemory);
    BalancedBands(a, bands);
    *error =
        RunBandJobs<rotateThreadInfo>(RotateJobProc, std::span<const ThreadBand>(bands.Data(), bands.Count()),
                                      [&](rotateThreadInfo& job, const ThreadBand& band) {
                                        job.args = &a;
                                        job.band = band;
                                      });
  } else {
    *error = RotateRows(a, 0, oh);
  }
  return *error == 0;
}

}  // namespace

RotateGeometry ComputeRotatedGeometry(double angle, uint32_t width, uint32_t height) {
  RotateGeometry g;
  g.cosA = RoundedDown(std::cos(angle));
  g.sinA = RoundedDown(std::sin(angle));
  const double W = width ? width - 1.0 : 0.0;
  const double H = height ? height - 1.0 : 0.0;
  const double xs[4] = {0, g.cosA * W, g.cosA * W - g.sinA * H, -g.sinA * H};
  const double ys[4] = {0, g.sinA * W, g.sinA * W + g.cosA * H, g.cosA * H};
  g.minX = *std::min_element(xs, xs + 4);
  g.maxX = *std::max_element(xs, xs + 4);
  g.minY = *std::min_element(ys, ys + 4);
  g.maxY = *std::max_element(ys, ys + 4);
  if (width && height) {
    g.width = CoveredSize(g.maxX - g.minX + 1);
    g.height = CoveredSize(g.maxY - g.minY + 1);
  }
  return g;
}

void GetRotatedSize(double angle, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight) {
  const RotateGeometry g = ComputeRotatedGeometry(angle, width, height);
  if (outWidth) *outWidth = g.width;
  if (outHeight) *outHeight = g.height;
}

bool RotateImage8bpc(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                     uint32_t bytesPerPixel, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                     const RGBQUAD* palette, uint32_t paletteColours, double angle, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  const uint32_t quality = flags & kRotateQualityMask;
  if (!src || !dst || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) || quality > 2 ||
      (bytesPerPixel == 1 && quality == kRotateBicubic && !(flags & kRotateGreyBicubic)) ||
      !std::isfinite(angle))
    return Fail(error, kPicErrBadArgument);
  RotateArgs a{Kind::kBytes,  src,
               width,         height,
               bytesPerPixel, srcStride,
               dst,           dstStride,
               palette,       std::min<uint32_t>(paletteColours, 256),
               flags,         ComputeRotatedGeometry(angle, width, height),
               nullptr,       nullptr};
  if (uint64_t{srcStride} < uint64_t{width} * bytesPerPixel ||
      uint64_t{dstStride} < uint64_t{a.g.width} * bytesPerPixel)
    return Fail(error, kPicErrBadArgument);
  if (palette && !a.colours) a.palette = nullptr;
  const uint64_t perPixel = quality == kRotateNearest ? 1 : quality == kRotateBilinear ? 4 : 24;
  return RotateThreaded(error, a, uint64_t{a.g.width} * bytesPerPixel * perPixel);
}

bool RotateImageDouble(uint32_t* error, const double* src, uint32_t width, uint32_t height, uint32_t channels,
                       uint32_t srcStride, double* dst, uint32_t dstStride, double angle, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || !channels || channels > 4 || !std::isfinite(angle))
    return Fail(error, kPicErrBadArgument);
  RotateArgs a{Kind::kDouble,
               reinterpret_cast<const uint8_t*>(src),
               width,
               height,
               channels,
               srcStride,
               reinterpret_cast<uint8_t*>(dst),
               dstStride,
               nullptr,
               0,
               flags,
               ComputeRotatedGeometry(angle, width, height),
               nullptr,
               nullptr};
  if (uint64_t{srcStride} < uint64_t{width} * channels * 8 ||
      uint64_t{dstStride} < uint64_t{a.g.width} * channels * 8)
    return Fail(error, kPicErrBadArgument);
  return RotateThreaded(error, a, uint64_t{a.g.width} * channels * 24);
}

bool RotateImage1Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, double angle, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || src == dst || !std::isfinite(angle)) return Fail(error, kPicErrBadArgument);
  RotateArgs a{Kind::kBits, src,       width,   height, 1,     srcStride,
               dst,         dstStride, nullptr, 0,      flags, ComputeRotatedGeometry(angle, width, height),
               nullptr,     nullptr};
  if (uint64_t{srcStride} < (uint64_t{width} + 7) / 8 || uint64_t{dstStride} < (uint64_t{a.g.width} + 7) / 8)
    return Fail(error, kPicErrBadArgument);
  return RotateThreaded(error, a, a.g.width);
}

}  // namespace Pictura
