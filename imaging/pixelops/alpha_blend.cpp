#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "core/band_jobs.h"
#include "core/library_globals.h"
#include "core/row_simd.h"
#include "core/thread_context.h"
#include "core/thread_pool.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/overlay.h"
#include "pixelops/placement.h"

namespace Pictura {

namespace {

bool Fail(uint32_t* error, uint32_t code) {
  if (error) *error = code;
  return false;
}

bool RowsHold(const void* p, uint32_t width, uint32_t height, uint64_t bytesPerPixel, uint32_t stride) {
  return p && (width == 0 || height == 0 || uint64_t{width} * bytesPerPixel <= stride);
}

RECT Clip(const CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src, int32_t x, int32_t y) {
  auto i = [](uint32_t v) { return static_cast<int32_t>(std::min<uint32_t>(v, INT32_MAX)); };
  return ClipPlacementRECT(i(dst.width), i(dst.height), i(src.width), i(src.height), x, y);
}

bool OverlayRGBAOnRGBRows(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                          int32_t x, int32_t y, double opacity, uint32_t alphaMode, const ThreadBand* band) {
  *error = 0;
  PicNestingScope depth;
  uint8_t* dp = dst.Pixels();
  const uint8_t* sp = src.ConstPixels();
  const uint32_t dch = dst.channels;
  if (!dp || !sp || dp == sp || (dch != 3 && dch != 4) || src.channels != 4 ||
      !RowsHold(dp, dst.width, dst.height, dch, dst.stride) ||
      !RowsHold(sp, src.width, src.height, 4, src.stride))
    return Fail(error, kPicErrBadArgument);
  RECT clip = Clip(dst, src, x, y);
  if (band) {
    clip = RECT{std::max<LONG>(clip.left, band->left), std::max<LONG>(clip.top, band->top),
                std::min<LONG>(clip.right, band->right), std::min<LONG>(clip.bottom, band->bottom)};
    if (clip.left >= clip.right || clip.top >= clip.bottom) return Fail(error, kPicErrBadArgument);
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom) return true;

  uint8_t scale[256];
  const bool full = opacity == 1.0;
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;
  for (unsigned a = 0; a < 256; ++a) scale[a] = full ? uint8_t(a) : uint8_t(o * a);
  const bool simd = dch == 3 && full && HasSSE41ForChannels(2);
  const uint32_t count = static_cast<uint32_t>(clip.right - clip.left);
  const uint32_t rows = static_cast<uint32_t>(clip.bottom - clip.top);
  for (int64_t r = clip.top; r < clip.bottom; ++r) {
    uint8_t* d = dp + static_cast<size_t>(r) * dst.stride + size_t(clip.left) * dch;
    const uint8_t* s = sp + static_cast<size_t>(r - y) * src.stride + size_t(clip.left - x) * 4;
    uint32_t scratch = 0;
    if (!(simd && AlphaBlendRowSIMD(&scratch, s, d, count))) {
      for (uint32_t i = 0; i < count; ++i, d += dch, s += 4) {
        const unsigned as = scale[s[3]];
        if (dch == 4 && alphaMode == 4) {
          const unsigned ad = d[3];
          const unsigned ao = as + (255 - as) * ad / 255;
          const unsigned w = ao ? as * 255 / ao : 0;
          for (int k = 0; k < 3; ++k) d[k] = uint8_t((w * s[k] + (255 - w) * d[k]) / 255);
          d[3] = uint8_t(ao);
          continue;
        }
        if (as == 0) continue;
        for (int k = 0; k < 3; ++k) d[k] = TableBlend(d[k], s[k], as);
        if (dch == 3) continue;
        const unsigned ad = d[3];
        switch (alphaMode) {
          case 1:
            d[3] = uint8_t(as);
            break;
          case 2:
            d[3] = uint8_t(std::max(ad, as));
            break;
          case 3:
            d[3] = uint8_t(std::min(ad + as, 255u));
            break;
          case 5:
            d[3] = uint8_t(255 - (255 - ad) * (255 - as) / 255);
            break;
          default:
            break;
        }
      }
    }
    if (!PicProgress(static_cast<uint32_t>(r - clip.top), rows)) return Fail(error, kPicErrCancelled);
  }
  return true;
}

}  // namespace

bool OverlayRGBAOnRGB(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, double opacity, uint32_t alphaMode, uint32_t flags) {
  *error = 0;
  const RECT clip = Clip(dst, src, x, y);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return true;
  const uint32_t height = static_cast<uint32_t>(clip.bottom - clip.top);
  if (!WantBands(flags, height))
    return OverlayRGBAOnRGBRows(error, dst, src, x, y, opacity, alphaMode, nullptr);
  PicNestingScope depth;
  const auto left = static_cast<uint32_t>(clip.left), top = static_cast<uint32_t>(clip.top);
  *error = RunBandJobs(false, static_cast<uint32_t>(clip.right) - left, height, [&](const ThreadBand& rows) {
    const ThreadBand band{rows.left + left, rows.top + top, rows.right + left, rows.bottom + top};
    uint32_t code = 0;
    OverlayRGBAOnRGBRows(&code, dst, src, x, y, opacity, alphaMode, &band);
    return code;
  });
  return *error == 0;
}

bool BlendSolidColorThroughMask(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t stride, const uint8_t* mask,
                                uint32_t maskWidth, uint32_t maskHeight, uint32_t maskStride, uint32_t color,
                                int32_t x, int32_t y, uint32_t flags) {
  *error = 0;
  if (!RowsHold(image, width, height, bytesPerPixel, stride) ||
      !RowsHold(mask, maskWidth, maskHeight, 1, maskStride))
    return Fail(error, kPicErrBadArgument);
  if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return true;
  PicNestingScope depth;
  const ColourBytes col(color, flags & kPicFlagBGR);
  const uint8_t* c = col.c;
  uint32_t treatment = 0;
  for (uint32_t bit = 1; bit <= 5; ++bit)
    if (flags & (1u << bit)) treatment = bit;
  uint32_t left = 0, top = 0, right = 0, bottom = 0;
  ClipPlacementRect(width, height, maskWidth, maskHeight, x, y, &left, &top, &right, &bottom);
  if (left >= right) top = bottom;  // nothing covered: no mask row may even be addressed
  const bool simd = bytesPerPixel == 3 && HasSSE41ForChannels(0);
  for (uint32_t r = top; r < bottom; ++r) {
    uint8_t* p = image + size_t{r} * stride + size_t{left} * bytesPerPixel;
    const uint8_t* m = mask + size_t(int64_t{r} - y) * maskStride + size_t(int64_t{left} - x);
    uint32_t scratch = 0;
    if (!(simd && AlphaBlendSolidColorRowSIMD(&scratch, p, m, right - left, c))) {
      for (uint32_t i = 0; i < right - left; ++i, p += bytesPerPixel) {
        const unsigned a = m[i];
        if (bytesPerPixel == 1) {
          p[0] = TableBlend(p[0], c[0], a);
          continue;
        }
        if (bytesPerPixel == 3 || treatment <= 3) {
          for (int k = 0; k < 3; ++k) p[k] = TableBlend(p[k], c[k], a);
          if (bytesPerPixel == 3) continue;
          if (treatment == 1)
            p[3] = TableBlend(p[3], c[3], a);
          else if (treatment == 2 && a)
            p[3] = c[3];
          else if (treatment == 3 && a)
            p[3] = uint8_t(a);
        } else if (treatment == 4) {
          p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = uint8_t(a);
        } else if (p[3]) {
          const unsigned ao = (255 - a) * p[3] / 255 + a;
          const unsigned w = ao ? a * 255 / ao : 0;
          for (int k = 0; k < 3; ++k) p[k] = uint8_t((p[k] * (255 - w) + c[k] * w) / 255);
        }
      }
    }
    if (!PicProgress(r - top, bottom - top)) return Fail(error, kPicErrCancelled);
  }
  return true;
}

bool BlendSolidColorRect(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                         uint32_t bytesPerPixel, uint32_t stride, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, uint32_t color, double opacity, uint32_t flags) {
  *error = 0;
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) || !RowsHold(pixels, width, height, bytesPerPixel, stride))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  auto clamp = [](int32_t v, uint32_t hi) { return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, hi)); };
  const uint32_t l = clamp(left, width), r = clamp(right, width), t = clamp(top, height),
                 b = clamp(bottom, height);
  const ColourBytes col(color, flags & kPicFlagBGR);
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;  // NaN too gives 0
  double af[256], bf[256];
  for (int v = 0; v < 256; ++v) af[v] = v * o, bf[v] = v * (1.0 - o);
  auto mix = [&](uint8_t p, uint8_t c) { return static_cast<uint8_t>(bf[p] + af[c]); };
  for (uint32_t row = t; row < b; ++row) {
    uint8_t* p = pixels + size_t{row} * stride + size_t{l} * bytesPerPixel;
    for (uint32_t i = l; i < r; ++i, p += bytesPerPixel) {
      for (int k = 0; k < 3; ++k) p[k] = mix(p[k], col.c[k]);
      if (bytesPerPixel == 4 && !(flags & 2)) p[3] = (flags & 4) ? mix(p[3], col.c[3]) : col.c[3];
    }
    if (!PicProgress(row - t, b - t)) return Fail(error, kPicErrCancelled);
  }
  return true;
}

bool BlendColorThroughMaskRGBA(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                               uint32_t stride, const uint8_t* mask, uint32_t maskWidth, uint32_t maskHeight,
                               uint32_t maskStride, uint32_t color, int32_t x, int32_t y, uint32_t flags) {
  *error = 0;
  if (!RowsHold(image, width, height, 4, stride) || !RowsHold(mask, maskWidth, maskHeight, 1, maskStride) ||
      static_cast<const void*>(image) == static_cast<const void*>(mask))
    return Fail(error, kPicErrBadArgument);
  const ColourBytes col(color, flags & kPicFlagBGR);
  uint32_t left = 0, top = 0, right = 0, bottom = 0;
  ClipPlacementRect(width, height, maskWidth, maskHeight, x, y, &left, &top, &right, &bottom);
  if (left >= right) top = bottom;  // nothing covered: no mask row may even be addressed
  for (uint32_t r = top; r < bottom; ++r) {
    uint8_t* p = image + size_t{r} * stride + size_t{left} * 4;
    const uint8_t* m = mask + size_t(int64_t{r} - y) * maskStride + size_t(int64_t{left} - x);
    for (uint32_t i = 0; i < right - left; ++i, p += 4) {
      const uint8_t a = m[i];
      if (flags & 2) {
        if (a) p[3] = a;
      } else if (flags & 8) {
        p[0] = col.c[0], p[1] = col.c[1], p[2] = col.c[2], p[3] = a;
      } else if (a) {
        for (int k = 0; k < 3; ++k) p[k] = TableBlend(p[k], col.c[k], a);
        if (!(flags & 16)) p[3] = a;
      }
    }
  }
  return true;
}

bool MakeFeatherMask(uint32_t* error, uint8_t* mask, uint32_t width, uint32_t height, double fraction) {
  *error = 0;
  if (!mask || !(fraction > 0.0 && fraction < 0.5)) return Fail(error, kPicErrBadArgument);
  const uint32_t n = static_cast<uint32_t>(fraction * height);
  const double step = n ? 255.0 / n : 0.0;
  for (uint32_t r = 0; r < height; ++r) {
    uint8_t* row = mask + size_t{r} * width;
    const uint32_t dr = std::min(r, height - 1 - r);
    for (uint32_t c = 0; c < width; ++c) {
      const uint32_t d = std::min(dr, std::min(c, width - 1 - c));
      row[c] = d < n ? static_cast<uint8_t>(d * step) : 255;
    }
  }
  return true;
}

}  // namespace Pictura
