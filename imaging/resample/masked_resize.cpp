#include "resample/masked_resize.h"

#include <algorithm>
#include <cstring>

#include "core/color_match.h"
#include "core/operation.h"
#include "resample/bilinear_resize.h"
#include "resample/pictura_resample.h"

namespace Pictura {

namespace {

uint32_t Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

bool RowDone(uint32_t* error, uint32_t row, uint32_t rows) {
  if (HasProgressCallback() && PicProgress(row, rows) <= 0) {
    *error = kPicErrCancelled;
    return false;
  }
  return true;
}

// Tap of one destination index along an axis: the first source index, the
// next one (both within the source) and the fraction.
struct Tap {
  uint32_t i0, i1;
  double f;
};

bool BuildTaps(uint32_t srcSize, uint32_t dstSize, PicArray<Tap>& taps) {
  if (!taps.Resize(dstSize)) return false;
  const double s = BilinearScale(srcSize, dstSize);
  for (uint32_t i = 0; i < dstSize; ++i) {
    const double p = i * s;
    const auto k = static_cast<uint32_t>(p);
    taps[i] = Tap{std::min(k, srcSize - 1), std::min(k + 1, srcSize - 1), p - k};
  }
  return true;
}

inline uint32_t Packed(const uint8_t* p, uint32_t n) {
  uint32_t v = 0;
  for (uint32_t i = 0; i < n; ++i) v |= uint32_t{p[i]} << (8 * i);
  return v;
}

}  // namespace

uint32_t ResizeImageMaskedCore(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, uint32_t maskColour, uint32_t bytesPerPixel,
                               uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  const uint32_t n = bytesPerPixel;
  if (!src || !dst || !srcWidth || !srcHeight || !dstWidth || !dstHeight || (n != 3 && n != 4) ||
      uint64_t{srcStride} < uint64_t{srcWidth} * n || uint64_t{dstStride} < uint64_t{dstWidth} * n)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<Tap> cols, rows;
  if (!BuildTaps(srcWidth, dstWidth, cols) || !BuildTaps(srcHeight, dstHeight, rows))
    return Fail(error, kPicErrNoMemory);
  const uint32_t compared = n == 4 && (flags & 2) ? 3 : n;
  for (uint32_t y = 0; y < dstHeight; ++y) {
    const Tap ty = rows[y];
    const uint8_t* r0 = src + size_t{ty.i0} * srcStride;
    const uint8_t* r1 = src + size_t{ty.i1} * srcStride;
    uint8_t* o = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < dstWidth; ++x, o += n) {
      const Tap tx = cols[x];
      const uint8_t* p00 = r0 + size_t{tx.i0} * n;
      const uint8_t* p01 = r0 + size_t{tx.i1} * n;
      const uint8_t* p10 = r1 + size_t{tx.i0} * n;
      const uint8_t* p11 = r1 + size_t{tx.i1} * n;
      if (Packed(p00, compared) == maskColour || Packed(p01, compared) == maskColour ||
          Packed(p10, compared) == maskColour || Packed(p11, compared) == maskColour) {
        const uint8_t* nearTap = tx.f <= 0.5 ? (ty.f <= 0.5 ? p00 : p10) : (ty.f <= 0.5 ? p01 : p11);
        std::memcpy(o, nearTap, n);
        continue;
      }
      const double fx = tx.f, fy = ty.f;
      for (uint32_t c = 0; c < n; ++c)
        o[c] = StoreTruncated<uint8_t>(p00[c] * ((1 - fx) * (1 - fy)) + p01[c] * (fx * (1 - fy)) +
                                       p10[c] * ((1 - fx) * fy) + p11[c] * (fx * fy));
    }
    if (!RowDone(error, y, dstHeight)) return 0;
  }
  return 1;
}

uint32_t ResizeImageMaskedRows(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, uint32_t maskColour) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || !srcWidth || !srcHeight || !dstWidth || !dstHeight ||
      uint64_t{srcStride} < uint64_t{srcWidth} * 3 || uint64_t{dstStride} < uint64_t{dstWidth} * 3)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<double> xs, upper, lower;
  if (!xs.Resize(dstWidth) || !PicSizeWithinCap(dstWidth, 3, sizeof(double)) || !upper.Resize(dstWidth * 3) ||
      !lower.Resize(dstWidth * 3))
    return Fail(error, kPicErrNoMemory);
  const double lastX = srcWidth - 1.0, lastY = srcHeight - 1.0;
  for (uint32_t i = 0; i < dstWidth; ++i)
    xs[i] = std::min(static_cast<double>(i) * srcWidth / dstWidth, lastX);
  const bool blendAll = maskColour == 0xFFFFFFFFu;
  // One source row blended across into three doubles a column.
  auto across = [&](const uint8_t* row, double* out) {
    for (uint32_t i = 0; i < dstWidth; ++i, out += 3) {
      const auto x0 = static_cast<uint32_t>(xs[i]);
      const uint32_t x1 = std::min(x0 + 1, srcWidth - 1);
      const double lw = (x0 + 1.0) - xs[i], rw = xs[i] - x0;
      const uint8_t* l = row + size_t{x0} * 3;
      const uint8_t* r = row + size_t{x1} * 3;
      if (blendAll || (Packed(l, 3) != maskColour && Packed(r, 3) != maskColour)) {
        for (int c = 0; c < 3; ++c) out[c] = l[c] * lw + r[c] * rw;
      } else {
        const uint8_t* p = lw <= 0.5 ? r : l;
        for (int c = 0; c < 3; ++c) out[c] = p[c];
      }
    }
  };
  for (uint32_t y = 0; y < dstHeight; ++y) {
    const double py = std::min(static_cast<double>(y) * srcHeight / dstHeight, lastY);
    const auto y0 = static_cast<uint32_t>(py);
    const uint32_t y1 = std::min(y0 + 1, srcHeight - 1);
    across(src + size_t{y0} * srcStride, upper.Data());
    across(src + size_t{y1} * srcStride, lower.Data());
    const double uw = (y0 + 1.0) - py, lw = py - y0;
    uint8_t* o = dst + size_t{y} * dstStride;
    for (uint32_t i = 0; i < dstWidth; ++i, o += 3) {
      const double* u = upper.Data() + size_t{i} * 3;
      const double* l = lower.Data() + size_t{i} * 3;
      uint8_t ub[3], lb[3];
      for (int c = 0; c < 3; ++c)
        ub[c] = StoreTruncated<uint8_t>(u[c]), lb[c] = StoreTruncated<uint8_t>(l[c]);
      if (blendAll || (Packed(ub, 3) != maskColour && Packed(lb, 3) != maskColour)) {
        for (int c = 0; c < 3; ++c) o[c] = StoreTruncated<uint8_t>(l[c] * lw + u[c] * uw);
      } else {
        std::memcpy(o, uw > 0.5 ? ub : lb, 3);
      }
    }
    if (!RowDone(error, y, dstHeight)) return 0;
  }
  return 1;
}

uint32_t Resize8MaskedCore(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                           uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                           uint32_t dstStride, const RGBQUAD* palette, uint32_t colours,
                           uint8_t transparentIndex) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || !palette || !srcWidth || !srcHeight || !dstWidth || !dstHeight || src == dst ||
      srcStride < srcWidth || dstStride < dstWidth)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  if (srcWidth == dstWidth && srcHeight == dstHeight && srcStride == dstStride) {
    for (uint32_t y = 0; y < srcHeight; ++y)
      std::memcpy(dst + size_t{y} * dstStride, src + size_t{y} * srcStride, srcWidth);
    return 1;
  }
  colours = std::min<uint32_t>(colours, 256);
  PicArray<Tap> cols, rows;
  if (!BuildTaps(srcWidth, dstWidth, cols) || !BuildTaps(srcHeight, dstHeight, rows))
    return Fail(error, kPicErrNoMemory);
  CPicImgColorMatch match;
  match.SetPalette(palette, colours);
  auto colour = [&](uint8_t i) { return i < colours ? palette[i] : RGBQUAD{0, 0, 0, 0}; };
  // The nearest entry other than the transparent one.
  auto closest = [&](uint8_t r, uint8_t g, uint8_t b) -> uint8_t {
    const uint8_t i = match.FindClosest(r, g, b);
    if (i != transparentIndex || colours < 2) return i;
    uint32_t best = UINT32_MAX, at = i;
    for (uint32_t k = 0; k < colours; ++k) {
      if (k == transparentIndex) continue;
      const int dr = palette[k].rgbRed - r, dg = palette[k].rgbGreen - g, db = palette[k].rgbBlue - b;
      const auto d = static_cast<uint32_t>(dr * dr + dg * dg + db * db);
      if (d < best) best = d, at = k;
    }
    return static_cast<uint8_t>(at);
  };
  auto pair = [&](uint8_t a, uint8_t b, double f) -> uint8_t {
    if (a == b) return a;
    if (a == transparentIndex || b == transparentIndex) return f <= 0.5 ? a : b;
    const RGBQUAD ca = colour(a), cb = colour(b);
    return closest(StoreTruncated<uint8_t>(ca.rgbRed * (1 - f) + cb.rgbRed * f),
                   StoreTruncated<uint8_t>(ca.rgbGreen * (1 - f) + cb.rgbGreen * f),
                   StoreTruncated<uint8_t>(ca.rgbBlue * (1 - f) + cb.rgbBlue * f));
  };
  for (uint32_t y = 0; y < dstHeight; ++y) {
    const Tap ty = rows[y];
    const uint8_t* r0 = src + size_t{ty.i0} * srcStride;
    const uint8_t* r1 = src + size_t{ty.i1} * srcStride;
    uint8_t* o = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < dstWidth; ++x) {
      const Tap tx = cols[x];
      o[x] = pair(pair(r0[tx.i0], r0[tx.i1], tx.f), pair(r1[tx.i0], r1[tx.i1], tx.f), ty.f);
    }
    if (!RowDone(error, y, dstHeight)) return 0;
  }
  return 1;
}

uint32_t ResizeScale2XCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint32_t bytesPerPixel, uint8_t* dst, uint32_t dstStride) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst) return Fail(error, kPicErrNoMemory);
  if (!height || !width) return 1;
  const uint32_t n = bytesPerPixel;
  if (!n || uint64_t{srcStride} < uint64_t{width} * n || uint64_t{dstStride} < uint64_t{width} * 2 * n ||
      uint64_t{width} * 2 > UINT32_MAX || uint64_t{height} * 2 > UINT32_MAX)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = src + size_t{y} * srcStride;
    const uint8_t* above = y > 0 ? row - srcStride : row;
    const uint8_t* below = y + 1 < height ? row + srcStride : row;
    uint8_t* o0 = dst + size_t{2 * y} * dstStride;
    uint8_t* o1 = o0 + dstStride;
    for (uint32_t x = 0; x < width; ++x) {
      const size_t at = size_t{x} * n;
      const uint8_t* P = row + at;
      const uint8_t* B = above + at;
      const uint8_t* H = below + at;
      const uint8_t* D = x > 0 ? P - n : P;
      const uint8_t* F = x + 1 < width ? P + n : P;
      const uint8_t *e0 = P, *e1 = P, *e2 = P, *e3 = P;
      if (*B != *H && *D != *F) {
        if (*D == *B) e0 = D;
        if (*B == *F) e1 = F;
        if (*D == *H) e2 = D;
        if (*H == *F) e3 = F;
      }
      std::memcpy(o0 + 2 * at, e0, n);
      std::memcpy(o0 + 2 * at + n, e1, n);
      std::memcpy(o1 + 2 * at, e2, n);
      std::memcpy(o1 + 2 * at + n, e3, n);
    }
    if (!RowDone(error, y, height)) return 0;
  }
  return 1;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_ResizeImageMasked(const BYTE* src, DWORD srcWidth, DWORD srcHeight, DWORD srcStride,
                                  BYTE* dst, DWORD dstWidth, DWORD dstHeight, DWORD dstStride,
                                  DWORD maskColour, DWORD bytesPerPixel, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImageMasked", [&](uint32_t& err) -> BOOL {
    if ((flags & 8) && bytesPerPixel == 3)
      return ResizeImageMaskedRows(&err, src, srcWidth, srcHeight, srcStride, dst, dstWidth, dstHeight,
                                   dstStride, maskColour) != 0;
    return ResizeImageMaskedCore(&err, src, srcWidth, srcHeight, srcStride, dst, dstWidth, dstHeight,
                                 dstStride, maskColour, bytesPerPixel, flags) != 0;
  });
}

BOOL PICAPI pic_Resize8Masked(const BYTE* src, DWORD srcWidth, DWORD srcHeight, DWORD srcStride, BYTE* dst,
                              DWORD dstWidth, DWORD dstHeight, DWORD dstStride, const RGBQUAD* palette,
                              DWORD colours, BYTE transparentIndex) {
  return PicRunEntry<BOOL>("pic_Resize8Masked", [&](uint32_t& err) -> BOOL {
    return Resize8MaskedCore(&err, src, srcWidth, srcHeight, srcStride, dst, dstWidth, dstHeight, dstStride,
                             palette, colours, transparentIndex) != 0;
  });
}

BOOL PICAPI pic_ResizeScale2X(const BYTE* src, DWORD width, DWORD height, DWORD srcStride,
                              DWORD bytesPerPixel, BYTE* dst, DWORD dstStride, DWORD) {
  return PicRunEntry<BOOL>("pic_ResizeScale2X", [&](uint32_t& err) -> BOOL {
    return ResizeScale2XCore(&err, src, width, height, srcStride, bytesPerPixel, dst, dstStride) != 0;
  });
}

}  // extern "C"
