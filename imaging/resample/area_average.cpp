#include "resample/area_average.h"

#include <algorithm>

#include "core/thread_context.h"
#include "core/color_match.h"
#include "resample/decimate_resize.h"

namespace Pictura {

namespace {

inline bool BitSet(const uint8_t* row, uint32_t x) {
  return (row[x >> 3] & (0x80u >> (x & 7))) != 0;
}

// The spans of both axes and the walk over destination pixels: value(row,
// x) gives a source cell's contribution per channel; emit(dstRow, x, sums,
// area) stores the pixel. Progress per destination row.
template <uint32_t N, class Value, class Emit>
bool AreaWalk(uint32_t* error, const uint8_t* src, uint32_t sw, uint32_t sh, uint32_t srcStride, uint8_t* dst,
              uint32_t dw, uint32_t dh, uint32_t dstStride, Value value, Emit emit) {
  PicNestingScope depth;
  AreaSpans cols, rows;
  if (!cols.Allocate(dw) || !rows.Allocate(dh)) {
    *error = kPicErrNoMemory;
    return false;
  }
  BuildAreaSpans(dw, static_cast<double>(sw) / dw, sw, cols);
  BuildAreaSpans(dh, static_cast<double>(sh) / dh, sh, rows);
  const bool report = HasProgressCallback();
  for (uint32_t y = 0; y < dh; ++y) {
    const uint32_t yf = rows.first[y], ye = rows.end[y];
    for (uint32_t x = 0; x < dw; ++x) {
      const uint32_t xf = cols.first[x], xe = cols.end[x];
      double sums[N] = {};
      for (uint32_t sy = yf; sy < ye; ++sy) {
        const double wy = sy == yf ? rows.firstWeight[y] : sy + 1 == ye ? rows.lastWeight[y] : 1.0;
        const uint8_t* row = src + size_t{sy} * srcStride;
        for (uint32_t sx = xf; sx < xe; ++sx) {
          const double wx = sx == xf ? cols.firstWeight[x] : sx + 1 == xe ? cols.lastWeight[x] : 1.0;
          double v[N];
          value(row, sx, v);
          for (uint32_t c = 0; c < N; ++c) sums[c] += wx * wy * v[c];
        }
      }
      emit(dst + size_t{y} * dstStride, x, sums, rows.total[y] * cols.total[x]);
    }
    if (report && PicProgress(y, dh) <= 0) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

bool Refused(uint32_t* error, const void* src, const void* dst, uint32_t sw, uint32_t sh, uint32_t dw,
             uint32_t dh) {
  if (src && dst && dw <= sw && dh <= sh) return false;
  *error = kPicErrBadArgument;
  return true;
}

// Exact reductions of one-bit rows by bw columns (2, 4, 8, 16 or 32) and bh
// rows: set bits counted per byte, the block's sum divided in integers.
bool BlockToGray(uint32_t* error, const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dw,
                 uint32_t dh, uint32_t dstStride, uint32_t bw, uint32_t bh, bool setIsLight) {
  PicNestingScope depth;
  uint32_t bits[256];
  BuildBitCountTable(255, bits);
  const bool report = HasProgressCallback();
  const uint32_t pixels = bw * bh;
  for (uint32_t y = 0; y < dh; ++y) {
    uint8_t* out = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < dw; ++x) {
      uint32_t sum = 0;
      const uint32_t first = x * bw;
      for (uint32_t j = 0; j < bh; ++j) {
        const uint8_t* row = src + size_t{y * bh + j} * srcStride;
        if (bw >= 8) {
          for (uint32_t b = 0; b < bw / 8; ++b) sum += bits[row[first / 8 + b]];
        } else {
          const uint32_t mask = ((0xFFu << (8 - bw)) & 0xFFu) >> (first & 7);
          sum += bits[row[first >> 3] & mask];
        }
      }
      const uint32_t grey = sum / pixels;
      out[x] = static_cast<uint8_t>(setIsLight ? grey : 255 - grey);
    }
    if (report && PicProgress(y, dh) <= 0) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace

bool AreaAverageResample1Bit(uint32_t* error, const uint8_t* src, uint32_t sw, uint32_t sh,
                             uint32_t srcStride, uint8_t* dst, uint32_t dw, uint32_t dh, uint32_t dstStride,
                             uint32_t threshold, uint32_t) {
  if (Refused(error, src, dst, sw, sh, dw, dh)) return false;
  if (!dw || !dh) return true;
  for (uint32_t y = 0; y < dh; ++y) std::fill_n(dst + size_t{y} * dstStride, (dw + 7) / 8, uint8_t{0});
  return AreaWalk<1>(
      error, src, sw, sh, srcStride, dst, dw, dh, dstStride,
      [](const uint8_t* row, uint32_t x, double* v) { v[0] = BitSet(row, x) ? 1.0 : 0.0; },
      [threshold](uint8_t* out, uint32_t x, const double* sums, double area) {
        const uint32_t v = StoreTruncated<uint8_t>(255 * sums[0] / area);
        if (v > threshold) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
      });
}

bool AreaAverageResample1BitToGray(uint32_t* error, const uint8_t* src, uint32_t sw, uint32_t sh,
                                   uint32_t srcStride, uint8_t* dst, uint32_t dw, uint32_t dh,
                                   uint32_t dstStride, uint32_t flags) {
  if (Refused(error, src, dst, sw, sh, dw, dh)) return false;
  if (!dw || !dh) {
    *error = kPicErrBadArgument;
    return false;
  }
  const bool light = (flags & 1) != 0;
  if (sw == 2 * dw && sh == 2 * dh && dw % 4 == 0)
    return BlockToGray(error, src, srcStride, dst, dw, dh, dstStride, 2, 2, light);
  if (sw == 4 * dw && sh == 4 * dh && dw % 2 == 0)
    return BlockToGray(error, src, srcStride, dst, dw, dh, dstStride, 4, 4, light);
  for (uint32_t bw : {8u, 16u, 32u})
    if (uint64_t{sw} == uint64_t{bw} * dw && sh % dh == 0)
      return BlockToGray(error, src, srcStride, dst, dw, dh, dstStride, bw, sh / dh, light);
  return AreaWalk<1>(
      error, src, sw, sh, srcStride, dst, dw, dh, dstStride,
      [](const uint8_t* row, uint32_t x, double* v) { v[0] = BitSet(row, x) ? 255.0 : 0.0; },
      [light](uint8_t* out, uint32_t x, const double* sums, double area) {
        const uint32_t grey = StoreTruncated<uint8_t>(sums[0] / area);
        out[x] = static_cast<uint8_t>(light ? grey : 255 - grey);
      });
}

bool AreaAverageResample8Bit(uint32_t* error, const uint8_t* src, uint32_t sw, uint32_t sh,
                             uint32_t srcStride, uint8_t* dst, uint32_t dw, uint32_t dh, uint32_t dstStride,
                             const RGBQUAD* palette, uint32_t colors, uint32_t) {
  if (Refused(error, palette ? src : nullptr, dst, sw, sh, dw, dh)) return false;
  if (!dw || !dh) return true;
  CPicImgColorMatch match;
  match.SetPalette(palette, std::min<uint32_t>(colors, 256));
  return AreaWalk<3>(
      error, src, sw, sh, srcStride, dst, dw, dh, dstStride,
      [palette](const uint8_t* row, uint32_t x, double* v) {
        const RGBQUAD& q = palette[row[x]];
        v[0] = q.rgbRed;
        v[1] = q.rgbGreen;
        v[2] = q.rgbBlue;
      },
      [&match](uint8_t* out, uint32_t x, const double* sums, double area) {
        out[x] = match.FindClosest(StoreTruncated<uint8_t>(sums[0] / area),
                                   StoreTruncated<uint8_t>(sums[1] / area),
                                   StoreTruncated<uint8_t>(sums[2] / area));
      });
}

bool AreaAverageResample8To24(uint32_t* error, const uint8_t* src, uint32_t sw, uint32_t sh,
                              uint32_t srcStride, uint8_t* dst, uint32_t dw, uint32_t dh, uint32_t dstStride,
                              const RGBQUAD* palette, uint32_t flags) {
  if (Refused(error, palette ? src : nullptr, dst, sw, sh, dw, dh)) return false;
  if (!dw || !dh) return true;
  const bool bgr = (flags & kPicFlagBGR) != 0;
  return AreaWalk<3>(
      error, src, sw, sh, srcStride, dst, dw, dh, dstStride,
      [palette](const uint8_t* row, uint32_t x, double* v) {
        const RGBQUAD& q = palette[row[x]];
        v[0] = q.rgbRed;
        v[1] = q.rgbGreen;
        v[2] = q.rgbBlue;
      },
      [bgr](uint8_t* out, uint32_t x, const double* sums, double area) {
        uint8_t* p = out + size_t{x} * 3;
        const uint8_t r = StoreTruncated<uint8_t>(sums[0] / area),
                      g = StoreTruncated<uint8_t>(sums[1] / area),
                      b = StoreTruncated<uint8_t>(sums[2] / area);
        p[0] = bgr ? b : r;
        p[1] = g;
        p[2] = bgr ? r : b;
      });
}

}  // namespace Pictura
