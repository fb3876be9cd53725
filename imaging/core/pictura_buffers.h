#pragma once
// pic_ entries of the buffer utilities: channels, crop and flips, packing,
// numeric helpers and pixel-format conversions. Each returns 1 on
// success and 0 on failure (the reason in PicGetLastError).
// Multi-type entries take the sample type from (flags >> 9) & 3:
// 0 1-byte, 1 2-byte, 2 8-byte, 3 4-byte samples (two-type entries: 0x200
// set = 2-byte); strides then count samples.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Channels */
BOOL PICAPI pic_CombineImageChannels(void* const* planes, DWORD width, DWORD height, DWORD channels,
                                     DWORD planeStride, void* dst, DWORD dstStride, DWORD flags);
BOOL PICAPI pic_SplitImage(const void* src, DWORD width, DWORD height, DWORD channels, DWORD srcStride,
                           void* const* planes, DWORD planeStride, DWORD flags);
BOOL PICAPI pic_ShuffleImageChannels(const void* src, DWORD width, DWORD height, DWORD channels,
                                     DWORD srcStride, void* dst, DWORD dstStride, const BYTE* map,
                                     DWORD flags);
BOOL PICAPI pic_HorizontalFlipImage(void* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                    DWORD flags);
BOOL PICAPI pic_ReorderChannels(void* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                void* dst, DWORD dstStride, const BYTE* order, DWORD count, DWORD flags);
BOOL PICAPI pic_SetImageChannel(const void* plane, DWORD width, DWORD height, DWORD planeStride, void* dst,
                                DWORD dstChannels, DWORD dstStride, DWORD channel, DWORD flags);
BOOL PICAPI pic_CombineRGBAndAToRGBA(const void* rgb, DWORD width, DWORD height, DWORD rgbStride,
                                     const void* alpha, DWORD alphaStride, void* dst, DWORD dstStride,
                                     DWORD defaultAlpha, DWORD flags);
BOOL PICAPI pic_SplitRGBAToRGBPlusA(const void* rgba, DWORD width, DWORD height, DWORD rgbaStride, void* rgb,
                                    DWORD rgbStride, void* alpha, DWORD alphaStride, DWORD flags);

/* Crop, copy, flips, border (rectangles: right and bottom exclusive) */
BOOL PICAPI pic_CopyBuffer(const void* src, DWORD srcStride, DWORD rows, DWORD dstStride, void* dst);
BOOL PICAPI pic_CropImage(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, const RECT* rect, DWORD bytesPerPixel);
BOOL PICAPI pic_Crop1Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                         DWORD dstStride, const RECT* rect);
BOOL PICAPI pic_FlipHorizontal1Bit(BYTE* image, DWORD width, DWORD height, DWORD stride);
BOOL PICAPI pic_VerticalFlipImage(BYTE* image, DWORD stride, DWORD height);
BOOL PICAPI pic_GetBorder(const BYTE* image, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD stride,
                          const RGBQUAD* palette, DWORD tolerance, DWORD color, RECT* rect, DWORD flags);

/* Packing one-byte pixels to 1-8 bits and back */
BOOL PICAPI pic_Pack8BitBuffer(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                               DWORD bits, DWORD rowByRow, DWORD dstStride);
BOOL PICAPI pic_Pack8BitBufferEx(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                 DWORD bits, DWORD rowByRow, DWORD dstStride, DWORD unused);
BOOL PICAPI pic_UnpackBufferTo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD bits, BYTE* dst);

/* Numeric */
BOOL PICAPI pic_FindNormalizedDifference(const BYTE* a, const BYTE* b, BYTE* dst, DWORD perRow, DWORD rows,
                                         double bound1, double bound2, double threshold);
BOOL PICAPI pic_NormalizedDifferenceImage(const BYTE* a, const BYTE* b, DWORD width, DWORD height,
                                          DWORD bytesPerPixel, DWORD stride, BYTE* dst, DWORD unused);
BOOL PICAPI pic_DoubleArrayOffset(double* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                  const double* offsets, const double* scales, const double* lows,
                                  const double* highs);
BOOL PICAPI I40_ShiftImageSubPixel(const BYTE* src, DWORD width, DWORD height, DWORD bytesPerPixel,
                                   DWORD srcStride, BYTE* dst, DWORD dstStride, double shift, DWORD fill,
                                   DWORD flags);

/* Pixel formats */
BOOL PICAPI pic_RGB24ToRGB16(const BYTE* src, DWORD width, DWORD height, WORD* dst, DWORD rgb555,
                             DWORD topBit);
BOOL PICAPI pic_RGB24ToRGB16Ex(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, WORD* dst,
                               DWORD dstStride, DWORD flags);
BOOL PICAPI pic_RGBToRGBA(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, BYTE alpha);

#ifdef __cplusplus
}
#endif
