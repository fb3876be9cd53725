#include "resample/bilinear_resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "core/packing.h"
#include "resample/resample_simd.h"
#include "resample/sample_store.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace Pictura {

namespace {

#if defined(__SSE2__)
// Every second pixel of a row of 3-byte pixels (a reduction by two, whole
// positions), four a step; the columns done. A step reads 24 bytes and
// writes 16 (the last 4 rewritten by the next), so it keeps that room.
__attribute__((target("ssse3"))) uint32_t EverySecondPixel3(const uint8_t* r, uint8_t* o, uint32_t dw,
                                                            size_t rowBytes) {
  const __m128i first = _mm_setr_epi8(0, 1, 2, 6, 7, 8, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1);
  const __m128i last = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, 10, 11, 12, -1, -1, -1, -1);
  uint32_t x = 0;
  for (; x + 6 <= dw && 6 * size_t{x} + 24 <= rowBytes; x += 4) {
    const uint8_t* s = r + 6 * size_t{x};
    const __m128i v =
        _mm_or_si128(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), first),
                     _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8)), last));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 3 * size_t{x}), v);
  }
  return x;
}
#endif

}  // namespace

double BilinearScale(uint32_t srcSize, uint32_t dstSize) {
  const double s = srcSize;
  const double d = dstSize;
  return s >= d ? s / d : (s - s / d) / d;
}

uint64_t BilinearDenominator(uint32_t srcSize, uint32_t dstSize) {
  if (srcSize == 0 || dstSize == 0) return 0;
  if (srcSize >= dstSize) return dstSize / std::gcd(srcSize, dstSize);
  const uint64_t d2 = uint64_t{dstSize} * dstSize;
  return d2 / std::gcd(uint64_t{srcSize} * (dstSize - 1), d2);
}

// Why the blend in whole numbers gives the walk's bytes. The walk takes
// the double weights tx, ty; with a, b (upper row), c, d (lower row) its
// sum lies within 3e-13 of the exact blend
//   V(tx, ty) = (1 - ty) (a + (b - a) tx) + ty (c + (d - c) tx)
// (the existing bound of resample_avx2.cpp), and within 4e-13 once the
// snap s = kSnapU8 is added; the byte is floor of that. The whole-number
// rows take wx / dx and wy / dy instead, at most ex and ey away. V is
// linear in each weight with a slope of at most 255 while the other lies
// in [0, 1], so the ideal blend Q = q / (dx dy), q a whole number, is at
// most E = 255 (ex + ey) + 4e-13 from the walk's sum less the snap (the
// 4e-13 also covers the doubles' error in taking ex and ey). So:
//  - if Q is a whole number n, the walk's value lies in [n + s - E,
//    n + s + E], within [n, n + 1) when E < s;
//  - otherwise Q is at least 1 / (dx dy) > 1.5e-5 from every whole number
//    (dx dy < 2^24 / 255, below), and the walk's value, within E + s < 2e-9
//    of it, truncates to floor(Q).
// The rows take floor(Q) as q times c in floats, truncated, with
// c = (1 + g) / (dx dy), g = c dx dy - 1 >= 2^-23 (exact in doubles). q is
// below 255 dx dy < 2^24, exact in a float, and the product is rounded
// once: fl(q c) = Q (1 + g) (1 + r), |r| <= 2^-24. That is at least Q, as
// (1 + g) (1 - 2^-24) > 1; and with m = (1 + g) (1 + 2^-24) - 1 at most
// Q + 255 m, below floor(Q) + 1 when 255 m < 1 / (dx dy), since then
// Q <= floor(Q) + 1 - 1 / (dx dy). The bytes after the weights: dx <= 127
// keeps a (dx - w) + b w within a signed 16-bit sum of unsigned bytes times
// signed bytes.
double FixedWeights(const double* t, uint32_t n, uint64_t denominator, uint32_t* w) {
  const auto d = static_cast<double>(denominator);
  double worst = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const double whole = std::nearbyint(t[i] * d);
    worst = std::max(worst, std::fabs(t[i] - whole / d));
    if (w) w[i] = static_cast<uint32_t>(whole);
  }
  return worst;
}

float FixedBilinearInverse(uint64_t dx, uint64_t dy, double ex, double ey) {
  if (dx == 0 || dy == 0 || dx > 127 || dy > 32767 || !(ex >= 0) || !(ey >= 0)) return 0;
  const double p = static_cast<double>(dx) * dy;
  if (255 * p >= 16777216.0) return 0;
  const double e = 255 * (ex + ey) + 4e-13;
  if (!(e < kSnapU8)) return 0;
  const auto c = static_cast<float>((1 + 0x1p-22) / p);
  const double g = double{c} * p - 1;
  const double m = (1 + g) * (1 + 0x1p-24) - 1;
  if (!(g >= 0x1p-23) || !(255 * m * p < 1)) return 0;
  return c;
}

template <class T>
void CPicImgResizeBilinearT<T>::BuildCoefficients(uint32_t dstSize, uint32_t srcSize,
                                                  PicArray<double>& weights,
                                                  PicArray<unsigned int>& indices) {
  if (!weights.Resize(dstSize) || !indices.Resize(dstSize)) {
    weights.Clear();
    indices.Clear();
    return;
  }
  if (dstSize == 0 || srcSize == 0) return;
  const double r = BilinearScale(srcSize, dstSize);
  for (uint32_t i = 0; i < dstSize; ++i) {
    const double p = i * r;
    const auto k = static_cast<uint32_t>(p);
    weights[i] = p - k;  // taken before the index is limited
    indices[i] = k >= srcSize - 1 ? srcSize - 1 : k;
  }
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                           uint32_t flags) {
  PicArray<double> weights;
  PicArray<unsigned int> indices;
  BuildCoefficients(dst.width, src.width, weights, indices);
  // Half a million samples take the calling thread some 0.15 ms; below
  // that the workers' wake-up on a busy machine costs more than it saves,
  // and each helper wants a quarter million of its own.
  const uint64_t samples = uint64_t{dst.width} * dst.height * dst.channels;
  if (WantBands(flags, dst.height, samples, 1u << 19)) {
    this->error = RunBandJobs<bilinThreadData>(
        ThreadProc, false, dst.width, dst.height,
        [&](bilinThreadData& job, const ThreadBand& band) {
          job.src = &src;
          job.dst = &dst;
          job.band = band;
          job.weights = &weights;
          job.indices = &indices;
        },
        WorkThreads(samples, 1u << 18));
    return this->error == 0 ? 1 : 0;
  }
  return ResizeRows(src, dst, nullptr, weights, indices);
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::ThreadProc(CPicThreadData* record) {
  return RunBandJob<CPicImgResizeBilinearT<T>, bilinThreadData>(record);
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                               const ThreadBand* band, const PicArray<double>& weights,
                                               const PicArray<unsigned int>& indices) {
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();
  if (!src.width || !src.height || !dst.width || !dst.height || !dst.channels ||
      dst.channels != src.channels || !in || !out || weights.Count() != dst.width ||
      indices.Count() != dst.width || !StrideHoldsRow(src) || !StrideHoldsRow(dst))
    return this->Fail(kPicErrBadArgument);
  this->error = 0;
  const ThreadBand rows = BandOrAll(dst, band);
  const uint32_t top = rows.top;
  const uint32_t bottom = rows.bottom;
  if (src.width == dst.width && src.height == dst.height && src.stride == dst.stride) {
    CopyImageBand(src, dst, ThreadBand{0, top, dst.width, bottom});
    return 1;
  }
  if (top >= bottom) return 1;

  if constexpr (std::is_same_v<T, uint8_t>) {
    if (src.channels == 3 || src.channels == 4) {
      if (const ResampleKernels* k = ActiveResampleKernels())
        return RowsVector(*k, src, dst, top, bottom, weights, indices) ? 1 : 0;
    }
  }

  const uint32_t ch = src.channels;
  const uint32_t sw = src.width;
  const uint32_t sh = src.height;
  const double ry = BilinearScale(sh, dst.height);
  for (uint32_t y = top; y < bottom; ++y) {
    const double p = y * ry;
    const auto k = static_cast<uint32_t>(p);
    const double ty = p - k;
    const uint32_t y0 = std::min(k, sh - 1);
    const uint32_t y1 = std::min(k + 1, sh - 1);
    const T* r0 = in + size_t{y0} * src.stride;
    const T* r1 = in + size_t{y1} * src.stride;
    T* o = out + size_t{y} * dst.stride;
    for (uint32_t x = 0; x < dst.width; ++x) {
      const double tx = weights[x];
      const uint32_t x0 = indices[x];
      const uint32_t x1 = std::min(x0 + 1, sw - 1);
      for (uint32_t c = 0; c < ch; ++c) {
        const double p00 = r0[size_t{x0} * ch + c];
        const double p01 = r0[size_t{x1} * ch + c];
        const double p10 = r1[size_t{x0} * ch + c];
        const double p11 = r1[size_t{x1} * ch + c];
        const double v =
            p01 * (tx * (1 - ty)) + p00 * ((1 - tx) * (1 - ty)) + p11 * (tx * ty) + p10 * ((1 - tx) * ty);
        o[size_t{x} * ch + c] = StoreTruncated<T>(v);
      }
    }
    if (!this->StepDone(y - top, bottom - top)) return 0;
  }
  return 1;
}

template <class T>
bool CPicImgResizeBilinearT<T>::RowsVector(const ResampleKernels& k, const CPicImgBufBase<T>& src,
                                           CPicImgBufBase<T>& dst, uint32_t top, uint32_t bottom,
                                           const PicArray<double>& weights,
                                           const PicArray<unsigned int>& indices) {
  if constexpr (std::is_same_v<T, uint8_t>) {
    const uint32_t ch = src.channels;
    const uint32_t sw = src.width;
    const uint32_t sh = src.height;
    const uint32_t dw = dst.width;
    const uint8_t* in = src.ConstPixels();
    uint8_t* out = dst.Pixels();
    const double ry = BilinearScale(sh, dst.height);
    // Per column: sample offsets of both source columns.
    PicArray<uint32_t> x0(dw), x1(dw);
    if (x0.Count() != dw || x1.Count() != dw) return NoMemory();
    for (uint32_t x = 0; x < dw; ++x) {
      x0[x] = indices[x] * ch;
      x1[x] = std::min(indices[x] + 1, sw - 1) * ch;
    }
    // Whole-number positions (reductions by whole factors): tx and ty are 0,
    // the weights 0, 1, 0, 0, and the sum is exactly the first sample.
    const bool wholeColumns =
        std::all_of(weights.Data(), weights.Data() + dw, [](double t) { return t == 0; });
    bool everySecond = wholeColumns && ch == 3 && HasCpuFeature(kCpuSSSE3);
    for (uint32_t x = 0; x < dw && everySecond; ++x) everySecond = x0[x] == 6 * x;
    // Every row of the band: blend(out row, y0, y1, ty, next, tyNext) unless
    // it is a copy. With pairs, and no one watching the rows go by, a next
    // row from the same two source rows comes along (next, else null).
    auto eachRow = [&](bool pairs, auto&& blend) {
      auto at = [&](uint32_t y, uint32_t* y0, uint32_t* y1) {
        const double p = y * ry;
        const auto kk = static_cast<uint32_t>(p);
        *y0 = std::min(kk, sh - 1);
        *y1 = std::min(kk + 1, sh - 1);
        return p - kk;
      };
      pairs = pairs && !this->cancelCheck;
      for (uint32_t y = top; y < bottom; ++y) {
        uint32_t y0, y1;
        const double ty = at(y, &y0, &y1);
        uint8_t* o = out + size_t{y} * dst.stride;
        if (wholeColumns && ty == 0) {
          const uint8_t* r = in + size_t{y0} * src.stride;
          uint32_t x = 0;
#if defined(__SSE2__)
          if (everySecond) x = EverySecondPixel3(r, o, dw, size_t{sw} * 3);
#endif
          if (ch == 4)
            for (; x < dw; ++x) std::memcpy(o + size_t{x} * 4, r + x0[x], 4);
          else
            for (; x < dw; ++x) std::memcpy(o + size_t{x} * 3, r + x0[x], 3);
        } else {
          uint32_t n0 = 0, n1 = 0;
          const double tyNext = pairs && y + 1 < bottom ? at(y + 1, &n0, &n1) : 0;
          const bool two = pairs && y + 1 < bottom && n0 == y0 && n1 == y1 && !(wholeColumns && tyNext == 0);
          blend(o, y0, y1, ty, two ? o + dst.stride : nullptr, tyNext);
          if (two && !this->StepDone(y++ - top, bottom - top)) return false;
        }
        if (!this->StepDone(y - top, bottom - top)) return false;
      }
      return true;
    };
    if (k.bilinearFixedRowU8 && dst.height <= src.height) {
      bool done = false;
      const bool ok = RowsFixed(k, src, dst, top, bottom, weights, indices, x0, x1, eachRow, &done);
      if (done) return ok;
    }
    if (k.bilinearDirectRowU8) return RowsSingle(k, src, dst, weights, indices, x0, x1, eachRow);

    // Columns whose second source column is the next pixel and whose 4-byte
    // loads stay within the source row (3 channels read a byte past it).
    PicArray<double> omtx(dw), rowWeights;
    if (omtx.Count() != dw || !PicSizeWithinCap(dw, 4, sizeof(double)) || !rowWeights.Resize(4 * dw))
      return NoMemory();
    uint32_t fastEnd = dw;
    for (uint32_t x = 0; x < dw; ++x) {
      omtx[x] = 1 - weights[x];
      if (indices[x] + 2 >= sw && fastEnd == dw) fastEnd = x;
    }
    // When each source pixel serves about two columns or more, source rows
    // are widened to doubles once and kept while rows need them.
    const size_t rowSamples = size_t{sw} * ch;
    PicArray<double> wide;
    if (uint64_t{dw} * 2 >= sw && PicSizeWithinCap(rowSamples + 4, 2, sizeof(double)) &&
        wide.Resize(static_cast<uint32_t>(2 * (rowSamples + 4)))) {
      double* slot[2] = {wide.Data(), wide.Data() + rowSamples + 4};
      int64_t held[2] = {-1, -1};
      for (double* sl : slot) std::fill(sl + rowSamples, sl + rowSamples + 4, 0.0);
      auto widened = [&](uint32_t row, uint32_t keep) -> const double* {
        for (int i = 0; i < 2; ++i)
          if (held[i] == row) return slot[i];
        const int i = held[0] == keep ? 1 : 0;
        k.widenRowU8(in + size_t{row} * src.stride, slot[i], rowSamples);
        held[i] = row;
        return slot[i];
      };
      return eachRow(false, [&](uint8_t* o, uint32_t y0, uint32_t y1, double ty, uint8_t*, double) {
        const double* r0 = widened(y0, y1);
        const double* r1 = widened(y1, y0);
        k.bilinearRowWideU8(r0, r1, o, ch, x0.Data(), x1.Data(), weights.Data(), omtx.Data(), ty,
                            rowWeights.Data(), dw);
      });
    }
    return eachRow(false, [&](uint8_t* o, uint32_t y0, uint32_t y1, double ty, uint8_t*, double) {
      k.bilinearRowU8(in + size_t{y0} * src.stride, in + size_t{y1} * src.stride, o, ch, x0.Data(), x1.Data(),
                      weights.Data(), omtx.Data(), ty, rowWeights.Data(), dw, fastEnd);
    });
  } else {
    (void)k, (void)src, (void)dst, (void)top, (void)bottom, (void)weights, (void)indices;
    return false;
  }
}

// The rows in whole numbers, where FixedBilinearInverse allows them (*done
// set; otherwise nothing is written).
template <class T>
template <class EachRow>
bool CPicImgResizeBilinearT<T>::RowsFixed(const ResampleKernels& k, const CPicImgBufBase<T>& src,
                                          CPicImgBufBase<T>& dst, uint32_t top, uint32_t bottom,
                                          const PicArray<double>& weights,
                                          const PicArray<unsigned int>& indices, const PicArray<uint32_t>& x0,
                                          const PicArray<uint32_t>& x1, EachRow& eachRow, bool* done) {
  const uint32_t ch = src.channels;
  const uint32_t sw = src.width;
  const uint32_t dw = dst.width;
  const uint64_t dx = BilinearDenominator(sw, dw), dy = BilinearDenominator(src.height, dst.height);
  if (FixedBilinearInverse(dx, dy, 0, 0) == 0) return false;
  PicArray<double> rowWeights;
  PicArray<unsigned int> rowIndices;
  PicArray<uint32_t> columnWeights;
  PicArray<int8_t> pairs;
  *done = true;
  BuildCoefficients(dst.height, src.height, rowWeights, rowIndices);
  if (rowWeights.Count() != dst.height || !columnWeights.Resize(dw) || !PicSizeWithinCap(dw, 8, 1) ||
      !pairs.Resize(8 * dw))
    return NoMemory();
  const double ey = FixedWeights(rowWeights.Data() + top, bottom - top, dy, nullptr);
  const double ex = FixedWeights(weights.Data(), dw, dx, columnWeights.Data());
  const float inverse = FixedBilinearInverse(dx, dy, ex, ey);
  if (inverse == 0) {
    *done = false;
    return false;
  }
  uint32_t fastEnd = dw;
  for (uint32_t x = 0; x < dw; ++x) {
    for (int l = 0; l < 4; ++l) {
      pairs[8 * x + 2 * l] = static_cast<int8_t>(dx - columnWeights[x]);
      pairs[8 * x + 2 * l + 1] = static_cast<int8_t>(columnWeights[x]);
    }
    if (fastEnd == dw && (indices[x] + 1 >= sw || uint64_t{x0[x]} + 8 > uint64_t{sw} * ch)) fastEnd = x;
  }
  const BilinearFixedColumns cols{x0.Data(),
                                  x1.Data(),
                                  pairs.Data(),
                                  dw,
                                  fastEnd,
                                  ch,
                                  static_cast<uint32_t>(dx),
                                  static_cast<uint32_t>(dy),
                                  inverse};
  const T* in = src.ConstPixels();
  return eachRow(false, [&](uint8_t* o, uint32_t y0, uint32_t y1, double ty, uint8_t*, double) {
    const auto wy = static_cast<uint32_t>(std::nearbyint(ty * static_cast<double>(dy)));
    k.bilinearFixedRowU8(in + size_t{y0} * src.stride, in + size_t{y1} * src.stride, o, cols, wy);
  });
}

// The single-precision rows (see resample_avx2.cpp): when source rows serve
// several destination rows (enlarging, or keeping the height), each is
// blended across once and kept while rows need it; otherwise every
// destination row is blended from its two source rows directly.
template <class T>
template <class EachRow>
bool CPicImgResizeBilinearT<T>::RowsSingle(const ResampleKernels& k, const CPicImgBufBase<T>& src,
                                           CPicImgBufBase<T>& dst, const PicArray<double>& weights,
                                           const PicArray<unsigned int>& indices,
                                           const PicArray<uint32_t>& x0, const PicArray<uint32_t>& x1,
                                           EachRow& eachRow) {
  const uint32_t ch = src.channels;
  const uint32_t sw = src.width;
  const uint32_t dw = dst.width;
  const T* in = src.ConstPixels();
  PicArray<float> txLanes;
  if (!PicSizeWithinCap(dw, 4, sizeof(float)) || !txLanes.Resize(4 * dw)) return NoMemory();
  // 16 bytes from the first column must lie within the source row.
  uint32_t fastEnd = dw;
  for (uint32_t x = 0; x < dw; ++x) {
    for (int l = 0; l < 4; ++l) txLanes[4 * x + l] = static_cast<float>(weights[x]);
    if (fastEnd == dw && (indices[x] + 1 >= sw || uint64_t{indices[x]} * ch + 16 > uint64_t{sw} * ch))
      fastEnd = x;
  }
  const BilinearColumns cols{x0.Data(), x1.Data(), weights.Data(), txLanes.Data(), dw, fastEnd, ch};
  if (dst.height < src.height)
    return eachRow(false, [&](uint8_t* o, uint32_t y0, uint32_t y1, double ty, uint8_t*, double) {
      k.bilinearDirectRowU8(in + size_t{y0} * src.stride, in + size_t{y1} * src.stride, o, cols, ty);
    });

  const size_t n = size_t{dw} * ch + 8;
  PicArray<float> across;
  PicArray<int32_t> exact;
  if (!PicSizeWithinCap(n, 2, sizeof(float)) || !across.Resize(static_cast<uint32_t>(2 * n)) ||
      !exact.Resize(static_cast<uint32_t>(2 * n)))
    return NoMemory();
  int64_t held[2] = {-1, -1};
  auto slot = [&](uint32_t row, uint32_t keep) {
    for (int i = 0; i < 2; ++i)
      if (held[i] == row) return i;
    const int i = held[0] == keep ? 1 : 0;
    k.bilinearAcrossRowU8(in + size_t{row} * src.stride, cols, across.Data() + i * n, exact.Data() + i * n);
    held[i] = row;
    return i;
  };
  return eachRow(true, [&](uint8_t* o, uint32_t y0, uint32_t y1, double ty, uint8_t* next, double tyNext) {
    const int a = slot(y0, y1), b = slot(y1, y0);
    k.bilinearDownRowU8(across.Data() + a * n, across.Data() + b * n, exact.Data() + a * n,
                        exact.Data() + b * n, in + size_t{y0} * src.stride, in + size_t{y1} * src.stride,
                        cols, o, ty, next, tyNext);
  });
}

// ---------------------------------------------------------------- one-bit images

template <class T>
void CPicImgResizeBilinearT<T>::BuildCoefficients1Bit(uint32_t dstSize, uint32_t srcSize,
                                                      PicArray<unsigned int>& weights,
                                                      PicArray<unsigned int>& indices) {
  if (!weights.Resize(dstSize) || !indices.Resize(dstSize)) {
    weights.Clear();
    indices.Clear();
    return;
  }
  if (dstSize == 0 || srcSize == 0) return;
  const double r = BilinearScale(srcSize, dstSize);
  for (uint32_t i = 0; i < dstSize; ++i) {
    const double p = i * r;
    const auto k = static_cast<uint32_t>(p);
    weights[i] = static_cast<uint32_t>((p - k) * 256);
    indices[i] = k;  // limited by the row kernel
  }
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::Resize1Bit(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                               uint32_t flags) requires std::is_same_v<T, uint8_t> {
  PicArray<unsigned int> weights, indices;
  BuildCoefficients1Bit(dst.width, src.width, weights, indices);
  if (WantBands(flags, dst.height)) {
    this->error = RunBandJobs<bilinOneBitThreadData>(ThreadProc1Bit, false, dst.width, dst.height,
                                                     [&](bilinOneBitThreadData& job, const ThreadBand& band) {
                                                       job.src = &src;
                                                       job.dst = &dst;
                                                       job.band = band;
                                                       job.weights = &weights;
                                                       job.indices = &indices;
                                                     });
    return this->error == 0 ? 1 : 0;
  }
  return ResizeRows1Bit(src, dst, nullptr, weights, indices);
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::ThreadProc1Bit(CPicThreadData* record) {
  return RunBandJob<CPicImgResizeBilinearT<T>, bilinOneBitThreadData>(record);
}

template <class T>
uint32_t CPicImgResizeBilinearT<T>::ResizeRows1Bit(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                                   const ThreadBand* band,
                                                   const PicArray<unsigned int>& weights,
                                                   const PicArray<unsigned int>& indices) {
  if constexpr (!std::is_same_v<T, uint8_t>) {
    (void)src, (void)dst, (void)band, (void)weights, (void)indices;
    return this->Fail(kPicErrBadArgument);
  } else {
    const uint8_t* in = src.ConstPixels();
    uint8_t* out = dst.Pixels();
    const uint32_t sw = src.width, sh = src.height, dw = dst.width;
    if (!in || !out || !dw || !dst.height || !sw || !sh || in == out || weights.Count() != dw ||
        indices.Count() != dw || src.stride < (uint64_t{sw} + 7) / 8 || dst.stride < (uint64_t{dw} + 7) / 8)
      return this->Fail(kPicErrBadArgument);
    PicArray<uint8_t> a(sw), b(sw), row(dw);
    if (a.Count() != sw || b.Count() != sw || row.Count() != dw) return this->Fail(kPicErrNoMemory);
    this->error = 0;
    const ThreadBand rows = BandOrAll(dst, band);
    const double ry = BilinearScale(sh, dst.height);
    for (uint32_t y = rows.top; y < rows.bottom; ++y) {
      const double p = y * ry;
      const auto k = static_cast<uint32_t>(p);
      const double f = p - k;
      const auto wy = static_cast<uint32_t>(f * 256);
      const auto wy1 = static_cast<uint32_t>((1 - f) * 256);
      uint32_t err = 0;
      UnpackBufferTo8Bit(&err, in + size_t{std::min(k, sh - 1)} * src.stride, sw, 1, 1, a.Data());
      UnpackBufferTo8Bit(&err, in + size_t{std::min(k + 1, sh - 1)} * src.stride, sw, 1, 1, b.Data());
      for (uint32_t x = 0; x < dw; ++x) {
        const uint32_t wx = weights[x];
        const uint32_t x0 = std::min(indices[x], sw - 1);
        const uint32_t x1 = std::min(indices[x] + 1, sw - 1);
        const uint32_t a0 = a[x0], a1 = a[x1], b0 = b[x0], b1 = b[x1];
        const uint32_t set = a0 + a1 + b0 + b1;
        if (set == 0 || set == 4)
          row[x] = set ? 1 : 0;
        else
          row[x] =
              b0 * (256 - wx) * wy + b1 * wx * wy + a1 * wx * wy1 + a0 * (256 - wx) * wy1 > 32768 ? 1 : 0;
      }
      Pack8BitBuffer(&err, row.Data(), dw, 1, dw, out + size_t{y} * dst.stride, 1, 1, dst.stride);
      if (err) return this->Fail(err);
      if (!this->StepDone(y - rows.top, rows.bottom - rows.top)) return 0;
    }
    return 1;
  }
}

template class CPicImgResizeBilinearT<uint8_t>;
template class CPicImgResizeBilinearT<uint16_t>;
template class CPicImgResizeBilinearT<double>;

}  // namespace Pictura
