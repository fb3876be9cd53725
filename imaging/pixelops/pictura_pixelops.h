#pragma once
// pic_ entries of the pixel operations.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Colour matcher handles: nearest palette entry of an RGB colour. */
HGLOBAL PICAPI pic_CreateColorMatcher(const RGBQUAD* palette, DWORD count);
BOOL PICAPI pic_DestroyColorMatcher(HGLOBAL matcher);
DWORD PICAPI pic_FindClosestColor(HGLOBAL matcher, DWORD red, DWORD green, DWORD blue);

/* Colour utilities (colours 0x00BBGGRR; flags bit 0: pixel bytes blue, green, red). */
BOOL PICAPI pic_8BitToRGB(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, DWORD unused, const RGBQUAD* palette, DWORD flags);
BOOL PICAPI pic_8BitToRGBA(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                           DWORD dstStride, DWORD unused, const RGBQUAD* palette, DWORD flags);
BOOL PICAPI pic_ColorCompare(DWORD color1, DWORD color2, DWORD tolerance);
BOOL PICAPI pic_ColorReplaceImage(BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD stride,
                                  DWORD oldColor, DWORD newColor, DWORD tolerance, DWORD flags);
BOOL PICAPI pic_ColorReplaceImageRangeSpecified(BYTE* pixels, DWORD width, DWORD height, DWORD channels,
                                                DWORD stride, const BYTE* target, const BYTE* replacement,
                                                const BYTE* tolerances, BYTE channelMask, DWORD flags);
/* Perceptual difference of two colours; mode 0 RGB (each value's low byte),
   1 XYZ, 2 L*a*b*, 3 LCH (hue in radians). */
double PICAPI pic_CompareColorsDeltaE(double a1, double b1, double c1, double a2, double b2, double c2,
                                      DWORD mode);
BOOL PICAPI pic_Convert16bpcTo8bpc(const WORD* src, DWORD width, DWORD height, DWORD channels,
                                   DWORD srcStride, BYTE* dst, DWORD dstStride, DWORD flags);
BOOL PICAPI pic_Convert16bpcTo8bpcBits(const WORD* src, DWORD width, DWORD height, DWORD channels,
                                       DWORD significantBits, DWORD srcStride, BYTE* dst, DWORD dstStride,
                                       DWORD flags);
BOOL PICAPI pic_Convert8bpcTo16bpc(const BYTE* src, DWORD width, DWORD height, DWORD channels,
                                   DWORD srcStride, WORD* dst, DWORD dstStride, DWORD flags);
DWORD PICAPI pic_CountImageColors(const BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel,
                                  DWORD stride, DWORD flags);
BOOL PICAPI pic_FindColorsUsedIn8BitImage(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                          DWORD* counts);
DWORD PICAPI pic_FindFirstUnusedRGBColor(const BYTE* pixels, DWORD width, DWORD height, DWORD bytesPerPixel,
                                         DWORD stride, DWORD flags);
DWORD PICAPI pic_GetFirstNColorsInRGB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD n,
                                      RGBQUAD* out, DWORD flags);
/* Octree palette of an RGB image (maxColors limited to 1..256; flags bit 0
   BGR, bit 1 four bytes per pixel, bit 2 also skip fourth bytes below 8,
   bit 3 the eight-level pointer octree). Entries past *count are black. */
BOOL PICAPI pic_Get8BitPaletteFromRGB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                      DWORD maxColors, RGBQUAD* palette, DWORD* count, DWORD flags);
/* Grey (one byte per pixel) to one bit per pixel: grey >= T gives a set
   bit, T from the method (0 fixed: T = parameter + 1; 1 two peaks; 2 mean;
   3 intermeans; 4 Otsu; 5 count balance; 6 percentile, parameter in
   hundredths of a percent; 7 entropy; 8 adaptive running average, parameter
   the hundredths of a percent below it; 9 cross-entropy; 10 minimum error;
   11 co-occurrence; 12 entropy balance; 13 Renyi). The threshold entry
   returns T (method 8 has none: error 5); check the last error. */
DWORD PICAPI pic_GetGrayscaleTo1BitThreshold(const BYTE* grey, DWORD width, DWORD height, DWORD srcStride,
                                             DWORD method, DWORD parameter, DWORD reserved);
BOOL PICAPI pic_GrayscaleTo1Bit(const BYTE* grey, DWORD width, DWORD height, DWORD srcStride, BYTE* output,
                                DWORD dstStride, DWORD method, DWORD parameter, DWORD reserved);
/* RGB to one bit, a set bit for the darker pixels. Flags: bit 0 BGR; bit 1
   through a two-colour palette (else grey <= threshold); bit 2 with bit 1:
   white and black (else the image's own two colours); bit 3 Floyd-Steinberg.
   On the palette paths threshold is the error limit (0: no diffusion). */
BOOL PICAPI pic_RGBTo1Bit(const BYTE* rgb, DWORD width, DWORD height, DWORD srcStride, BYTE* output,
                          DWORD dstStride, DWORD threshold, DWORD flags);
/* Grey conversion and red-blue swaps of 3- or 4-sample pixels; flags 0x200:
   16-bit samples (pixels are WORDs, strides count samples); bit 0: B, G, R.
   In place: luma trunc(0.587 G + 0.299 R + 0.114 B), or weights in 1/1024
   steps whose sums wrap past the sample size. 8Bit: a one-channel image of
   (601 G + 306 R + 117 B) >> 10. */
BOOL PICAPI pic_ImageToGrayScale(BYTE* pixels, DWORD width, DWORD height, DWORD samples, DWORD stride,
                                 DWORD flags);
BOOL PICAPI pic_ImageToGrayScale8Bit(const BYTE* src, DWORD width, DWORD height, DWORD samples,
                                     DWORD srcStride, BYTE* dst, DWORD dstStride, DWORD flags);
BOOL PICAPI pic_ImageToGrayScaleSingleWeighted(const BYTE* src, DWORD width, DWORD height, DWORD samples,
                                               DWORD srcStride, BYTE* dst, DWORD dstStride, double wR,
                                               double wG, double wB, DWORD flags);
BOOL PICAPI pic_ImageToGrayScaleWeighted(BYTE* pixels, DWORD width, DWORD height, DWORD samples, DWORD stride,
                                         double wR, double wG, double wB, DWORD flags);
BOOL PICAPI pic_RGBAToBGRA(BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD flags);
BOOL PICAPI pic_RGBToBGR(BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD flags);
/* Octree palette, then mapping with error diffusion (dither nonzero:
   Floyd-Steinberg, else half to the right and half below; errors limited to
   errorLimit, 0 = nearest colour only). */
BOOL PICAPI pic_QuantizeRGBTo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                  DWORD dstStride, DWORD maxColors, RGBQUAD* palette, DWORD dither,
                                  BYTE errorLimit, DWORD flags);
/* Median cut of a 32-bit image over all four channels; palette entries carry
   alpha in rgbReserved, translucent ones first. */
BOOL PICAPI pic_QuantizeRGBATo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                   DWORD dstStride, DWORD maxColors, RGBQUAD* palette, DWORD dither,
                                   DWORD* count, DWORD flags);
BOOL PICAPI pic_RGBTo8BitDithered(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                  DWORD dstStride, DWORD colors, const RGBQUAD* palette, DWORD dither,
                                  BYTE errorLimit, DWORD flags);
BOOL PICAPI pic_RGBTo8BitBestFit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                 DWORD dstStride, DWORD colors, const RGBQUAD* palette, DWORD flags);
BOOL PICAPI pic_SwapByteOrderIn16bpcImage(WORD* pixels, DWORD width, DWORD height, DWORD channels,
                                          DWORD stride, DWORD flags);

/* Colour masks and blends (colours 0x00BBGGRR) */
BOOL PICAPI pic_Create1BitMaskFromColor(const BYTE* image, DWORD width, DWORD height, DWORD stride, BYTE* dst,
                                        DWORD dstStride, BYTE index, DWORD unused);
BOOL PICAPI pic_Create8BitMaskFromColor(const BYTE* image, DWORD width, DWORD height, DWORD bytesPerPixel,
                                        DWORD stride, BYTE* dst, DWORD dstStride, DWORD color,
                                        DWORD tolerance, BYTE value, DWORD flags);
BOOL PICAPI pic_SetColorFrom1BitMask(const BYTE* mask, DWORD width, DWORD height, DWORD maskStride, BYTE* dst,
                                     DWORD dstStride, BYTE value, DWORD unused);
BOOL PICAPI pic_BlendSolidColor(BYTE* image, DWORD width, DWORD height, DWORD stride, DWORD color,
                                double opacity, DWORD flags);
BOOL PICAPI pic_AlphaBlendSolidColor(BYTE* image, DWORD width, DWORD height, DWORD stride, DWORD color,
                                     DWORD flags);

#ifdef __cplusplus
}
#endif
