// Colour utility entries over the colour utilities and core's format cores.
// Entries whose cores belong to later pixel operations are added beside these.
#include <algorithm>

#include "pixelops/color_utils.h"
#include "core/crop_flip.h"
#include "core/operation.h"
#include "core/pixel_formats.h"
#include "pixelops/delta_e.h"
#include "core/gray_conversion.h"
#include "pixelops/gray_swap.h"
#include "pixelops/octree_quantizer.h"
#include "pixelops/one_bit.h"
#include "pixelops/rgba_quantizer.h"
#include "pixelops/pictura_pixelops.h"

using namespace Pictura;

namespace {
// Low byte of a value truncated toward zero (out-of-range values give 0).
uint32_t LowByteOf(double v) {
  if (!(v > -9.0e18 && v < 9.0e18)) return 0;
  return static_cast<uint32_t>(static_cast<int64_t>(v)) & 0xFF;
}
}  // namespace

extern "C" {

BOOL PICAPI pic_8BitToRGB(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, DWORD unused, const RGBQUAD* palette, DWORD flags) {
  return PicRunEntry<BOOL>("pic_8BitToRGB", [&](uint32_t& err) {
    return Convert8BitToRGBCore(&err, src, width, height, srcStride, dst, dstStride, unused, palette, flags);
  });
}

BOOL PICAPI pic_8BitToRGBA(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                           DWORD dstStride, DWORD unused, const RGBQUAD* palette, DWORD flags) {
  return PicRunEntry<BOOL>("pic_8BitToRGBA", [&](uint32_t& err) {
    return Convert8BitToRGBACore(&err, src, width, height, srcStride, dst, dstStride, unused, palette, flags);
  });
}

BOOL PICAPI pic_ColorCompare(DWORD color1, DWORD color2, DWORD tolerance) {
  return PicRunEntry<BOOL>("pic_ColorCompare",
                           [&](uint32_t&) -> BOOL { return ColorsMatch(color1, color2, tolerance) ? 1 : 0; });
}

BOOL PICAPI pic_ColorReplaceImage(BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD stride,
                                  DWORD oldColor, DWORD newColor, DWORD tolerance, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ColorReplaceImage", [&](uint32_t& err) -> BOOL {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) {
      err = kPicErrBadArgument;
      return 0;
    }
    return ColorReplaceImageCore(&err, pixels, width, height, bytesPerPixel, stride, oldColor, newColor,
                                 tolerance, flags);
  });
}

BOOL PICAPI pic_ColorReplaceImageRangeSpecified(BYTE* pixels, DWORD width, DWORD height, DWORD channels,
                                                DWORD stride, const BYTE* target, const BYTE* replacement,
                                                const BYTE* tolerances, BYTE channelMask, DWORD) {
  return PicRunEntry<BOOL>("pic_ColorReplaceImageRangeSpecified", [&](uint32_t& err) {
    return ColorReplaceImageRangeSpecifiedCore(&err, pixels, width, height, channels, stride, target,
                                               replacement, tolerances, channelMask);
  });
}

double PICAPI pic_CompareColorsDeltaE(double a1, double b1, double c1, double a2, double b2, double c2,
                                      DWORD mode) {
  if (!GetImgThreadContext()) return 0.0;
  if (a1 == a2 && b1 == b2 && c1 == c2) return 0.0;  // the last error stays as it was
  return PicRunEntry<double>("pic_CompareColorsDeltaE", [&](uint32_t& err) -> double {
    switch (mode) {
      case 0:
        return RGBToLabDeltaE(LowByteOf(a1) | LowByteOf(b1) << 8 | LowByteOf(c1) << 16,
                              LowByteOf(a2) | LowByteOf(b2) << 8 | LowByteOf(c2) << 16);
      case 1:
        return XYZToLab(a1, b1, c1, a2, b2, c2);
      case 2:
        return LabToLCH(a1, b1, c1, a2, b2, c2);
      case 3:
        return DeltaE(a1, b1, c1, a2, b2, c2);
      default:
        err = kPicErrBadArgument;
        return 0.0;
    }
  });
}

BOOL PICAPI pic_Convert16bpcTo8bpc(const WORD* src, DWORD width, DWORD height, DWORD channels,
                                   DWORD srcStride, BYTE* dst, DWORD dstStride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_Convert16bpcTo8bpc", [&](uint32_t& err) {
    return Convert16bpcTo8bpcCore(&err, src, width, height, channels, srcStride, dst, dstStride, flags);
  });
}

// The significant-bits form, reporting under the same entry name.
BOOL PICAPI pic_Convert16bpcTo8bpcBits(const WORD* src, DWORD width, DWORD height, DWORD channels,
                                       DWORD significantBits, DWORD srcStride, BYTE* dst, DWORD dstStride,
                                       DWORD flags) {
  return PicRunEntry<BOOL>("pic_Convert16bpcTo8bpc", [&](uint32_t& err) {
    return Convert16bpcTo8bpcBitsCore(&err, src, width, height, channels, significantBits, srcStride, dst,
                                      dstStride, flags);
  });
}

BOOL PICAPI pic_Convert8bpcTo16bpc(const BYTE* src, DWORD width, DWORD height, DWORD channels,
                                   DWORD srcStride, WORD* dst, DWORD dstStride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_Convert8bpcTo16bpc", [&](uint32_t& err) {
    return Convert8bpcTo16bpcCore(&err, src, width, height, channels, srcStride, dst, dstStride, flags);
  });
}

DWORD PICAPI pic_CountImageColors(const BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel,
                                  DWORD stride, DWORD flags) {
  return PicRunEntry<DWORD>("pic_CountImageColors", [&](uint32_t& err) {
    return CountImageColorsCore(&err, pixels, width, height, bytesPerPixel, stride, flags & kPicFlagBGR);
  });
}

BOOL PICAPI pic_FindColorsUsedIn8BitImage(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                          DWORD* counts) {
  return PicRunEntry<BOOL>("pic_FindColorsUsedIn8BitImage", [&](uint32_t& err) {
    return Histogram8Bit(&err, pixels, width, height, stride, reinterpret_cast<uint32_t*>(counts));
  });
}

DWORD PICAPI pic_FindFirstUnusedRGBColor(const BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel,
                                         DWORD stride, DWORD flags) {
  return PicRunEntry<DWORD>("pic_FindFirstUnusedRGBColor", [&](uint32_t& err) {
    return FindFirstUnusedRGBColorCore(&err, pixels, width, height, bytesPerPixel, stride,
                                       flags & kPicFlagBGR);
  });
}

DWORD PICAPI pic_GetFirstNColorsInRGB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD n,
                                      RGBQUAD* out, DWORD flags) {
  return PicRunEntry<DWORD>("pic_GetFirstNColorsInRGB", [&](uint32_t& err) {
    return GetFirstNColorsInRGBCore(&err, pixels, width, height, stride, n, out, flags);
  });
}

BOOL PICAPI pic_Get8BitPaletteFromRGB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                      DWORD maxColors, RGBQUAD* palette, DWORD* count, DWORD flags) {
  return PicRunEntry<BOOL>("pic_Get8BitPaletteFromRGB", [&](uint32_t& err) {
    uint32_t n = 0;
    int ok = BuildPaletteFromRGB(&err, pixels, width, height, stride, std::clamp<DWORD>(maxColors, 1, 256),
                                 palette, &n, flags);
    if (count) *count = n;
    return ok;
  });
}

DWORD PICAPI pic_GetGrayscaleTo1BitThreshold(const BYTE* grey, DWORD width, DWORD height, DWORD srcStride,
                                             DWORD method, DWORD parameter, DWORD reserved) {
  return PicRunEntry<DWORD>("pic_GetGrayscaleTo1BitThreshold", [&](uint32_t& err) -> DWORD {
    uint8_t t = 0;
    GrayscaleTo1BitCore(&err, grey, nullptr, width, height, srcStride, 0, method, parameter, reserved, 1, &t);
    return t;
  });
}

BOOL PICAPI pic_GrayscaleTo1Bit(const BYTE* grey, DWORD width, DWORD height, DWORD srcStride, BYTE* output,
                                DWORD dstStride, DWORD method, DWORD parameter, DWORD reserved) {
  return PicRunEntry<BOOL>("pic_GrayscaleTo1Bit", [&](uint32_t& err) {
    return GrayscaleTo1BitCore(&err, grey, output, width, height, srcStride, dstStride, method, parameter,
                               reserved, 0, nullptr);
  });
}

BOOL PICAPI pic_RGBTo1Bit(const BYTE* rgb, DWORD width, DWORD height, DWORD srcStride, BYTE* output,
                          DWORD dstStride, DWORD threshold, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGBTo1Bit", [&](uint32_t& err) {
    return RGBTo1BitCore(&err, rgb, width, height, srcStride, output, dstStride, threshold, flags);
  });
}

BOOL PICAPI pic_ImageToGrayScale(BYTE* pixels, DWORD width, DWORD height, DWORD samples, DWORD stride,
                                 DWORD flags) {
  return PicRunEntry<BOOL>("pic_ImageToGrayScale", [&](uint32_t& err) {
    return (flags & kPicFlag16Bit)
               ? ImageToGrayScaleLuma(&err, reinterpret_cast<uint16_t*>(pixels), width, height, samples,
                                      stride, flags)
               : ImageToGrayScaleLuma(&err, pixels, width, height, samples, stride, flags);
  });
}

BOOL PICAPI pic_ImageToGrayScale8Bit(const BYTE* src, DWORD width, DWORD height, DWORD samples,
                                     DWORD srcStride, BYTE* dst, DWORD dstStride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ImageToGrayScale8Bit", [&](uint32_t& err) -> BOOL {
    if (flags & kPicFlag16Bit)
      return ImageToGrayScale8BitCore(&err, reinterpret_cast<const uint16_t*>(src), width, height, samples,
                                      srcStride, dstStride, flags, reinterpret_cast<uint16_t*>(dst));
    return RGBToGray8(&err, src, width, height, samples, srcStride, dstStride, flags, dst);
  });
}

BOOL PICAPI pic_ImageToGrayScaleSingleWeighted(const BYTE* src, DWORD width, DWORD height, DWORD samples,
                                               DWORD srcStride, BYTE* dst, DWORD dstStride, double wR,
                                               double wG, double wB, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ImageToGrayScaleSingleWeighted", [&](uint32_t& err) {
    return (flags & kPicFlag16Bit)
               ? ImageToGrayScaleSingleWeighted(&err, reinterpret_cast<const uint16_t*>(src), width, height,
                                                samples, srcStride, dstStride, wR, wG, wB, flags,
                                                reinterpret_cast<uint16_t*>(dst))
               : ImageToGrayScaleSingleWeighted(&err, src, width, height, samples, srcStride, dstStride, wR,
                                                wG, wB, flags, dst);
  });
}

BOOL PICAPI pic_ImageToGrayScaleWeighted(BYTE* pixels, DWORD width, DWORD height, DWORD samples, DWORD stride,
                                         double wR, double wG, double wB, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ImageToGrayScaleWeighted", [&](uint32_t& err) {
    return (flags & kPicFlag16Bit)
               ? ImageToGrayScaleWeighted(&err, reinterpret_cast<uint16_t*>(pixels), width, height, samples,
                                          stride, wR, wG, wB, flags)
               : ImageToGrayScaleWeighted(&err, pixels, width, height, samples, stride, wR, wG, wB, flags);
  });
}

BOOL PICAPI pic_RGBAToBGRA(BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGBAToBGRA", [&](uint32_t& err) {
    return (flags & kPicFlag16Bit)
               ? SwapRB(&err, reinterpret_cast<uint16_t*>(pixels), width, height, stride, 4)
               : SwapRB(&err, pixels, width, height, stride, 4);
  });
}

BOOL PICAPI pic_RGBToBGR(BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGBToBGR", [&](uint32_t& err) {
    return (flags & kPicFlag16Bit)
               ? SwapRB(&err, reinterpret_cast<uint16_t*>(pixels), width, height, stride, 3)
               : SwapRB(&err, pixels, width, height, stride, 3);
  });
}

BOOL PICAPI pic_QuantizeRGBTo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                  DWORD dstStride, DWORD maxColors, RGBQUAD* palette, DWORD dither,
                                  BYTE errorLimit, DWORD flags) {
  return PicRunEntry<BOOL>("pic_QuantizeRGBTo8Bit", [&](uint32_t& err) {
    return QuantizeRGBTo8BitCore(&err, src, dst, width, height, srcStride, dstStride,
                                 std::clamp<DWORD>(maxColors, 1, 256), palette, dither, errorLimit, flags);
  });
}

BOOL PICAPI pic_QuantizeRGBATo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                   DWORD dstStride, DWORD maxColors, RGBQUAD* palette, DWORD dither,
                                   DWORD* count, DWORD flags) {
  return PicRunEntry<BOOL>("pic_QuantizeRGBATo8Bit", [&](uint32_t& err) {
    uint32_t n = 0;
    int ok = QuantizeRGBATo8BitCore(&err, src, width, height, srcStride, dst, dstStride, palette, dither,
                                    std::clamp<DWORD>(maxColors, 1, 256), &n, flags);
    if (count) *count = n;
    return ok;
  });
}

BOOL PICAPI pic_RGBTo8BitDithered(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                  DWORD dstStride, DWORD colors, const RGBQUAD* palette, DWORD dither,
                                  BYTE errorLimit, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGBTo8BitDithered", [&](uint32_t& err) {
    return MapRGBToPaletteDithered(&err, src, dst, width, height, srcStride, dstStride, colors, palette,
                                   dither, errorLimit, flags);
  });
}

BOOL PICAPI pic_RGBTo8BitBestFit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                 DWORD dstStride, DWORD colors, const RGBQUAD* palette, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGBTo8BitBestFit", [&](uint32_t& err) {
    return RGBTo8BitBestFitCore(&err, src, width, height, srcStride, dst, dstStride, colors, palette, flags);
  });
}

BOOL PICAPI pic_SwapByteOrderIn16bpcImage(WORD* pixels, DWORD width, DWORD height, DWORD channels,
                                          DWORD stride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_SwapByteOrderIn16bpcImage", [&](uint32_t& err) {
    return SwapByteOrderIn16bpcCore(&err, pixels, width, height, channels, stride, flags);
  });
}

}  // extern "C"
