#pragma once
// pic_ entries of the resampling subsystem.
//
// Modes: 0-13 filter resize (0 box, 1 triangle, 2 Hamming, 3 Gaussian,
// 4 quadratic B-spline, 5 cubic B-spline, 6 Hermite, 7 cubic B-spline,
// 8 Lanczos3, 9 Mitchell, 10 sinc, 11 Hermite, 12 Hanning, 13 Catmull-Rom;
// 8 bits per channel only), 14 block decimation, 15 decimation by whole
// factors or by area, 16 bilinear, 17 bicubic, 18 nearest neighbour.
// Flags: bit 0 of pic_ResizeImage selects 16 bits per channel (modes 14-18,
// strides then count samples); kPicFlagNoThreads keeps the resize off the pool.
// Names of the modes, flags and error codes: core/pictura_codes.h.
// The caller owns both buffers; they must not overlap.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

BOOL PICAPI pic_ResizeImage(const void* in, DWORD width, DWORD height, DWORD inStride, void* out,
                            DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD channels, DWORD mode,
                            DWORD flags);
/* Double samples, modes 14-18; strides count samples. */
BOOL PICAPI pic_ResizeImageDouble(const double* in, DWORD width, DWORD height, DWORD inStride, double* out,
                                  DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD channels,
                                  DWORD mode, DWORD flags);

/* One bit per pixel (most significant first; strides in bytes): to one bit
   (mode 14 area average with a threshold, 16 bilinear) or to 8-bit grey
   (0-13 filter kernels, 14 area average, 16 bilinear; flags bit 0 clear: set
   bits dark). */
BOOL PICAPI pic_ResizeImage1(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                             DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD threshold, DWORD mode,
                             DWORD flags);
BOOL PICAPI pic_ResizeImage1To8Gray(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                                    DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD mode,
                                    DWORD flags);
/* Palette indices: to indices of the same palette (14 area average, 16
   bilinear in colour, 18 nearest) or to 24-bit colour (0-13, 14, 16; flags
   bit 0: blue, green, red; the palette has 256 entries). Indices are never
   blended. */
BOOL PICAPI pic_ResizeImage8(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                             DWORD outWidth, DWORD outHeight, DWORD outStride, const RGBQUAD* palette,
                             DWORD colours, DWORD mode, DWORD flags);
BOOL PICAPI pic_ResizeImage8To24(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                                 DWORD outWidth, DWORD outHeight, DWORD outStride, const RGBQUAD* palette,
                                 DWORD mode, DWORD flags);

/* Masked resizes: a mask colour (3 or 4 bytes a pixel, bytes packed with byte
   0 lowest; flags bit 1: only the first three of four compared; flags bit 3
   with 3 bytes: the separable form) or a transparent palette index is never
   blended into its neighbours. Scale2x doubles width and height (the rules
   read the first byte of each pixel; the last argument is not read). Each
   returns 0 on failure with the code as the thread's last error. */
BOOL PICAPI pic_ResizeImageMasked(const BYTE* src, DWORD srcWidth, DWORD srcHeight, DWORD srcStride,
                                  BYTE* dst, DWORD dstWidth, DWORD dstHeight, DWORD dstStride,
                                  DWORD maskColour, DWORD bytesPerPixel, DWORD flags);
BOOL PICAPI pic_Resize8Masked(const BYTE* src, DWORD srcWidth, DWORD srcHeight, DWORD srcStride, BYTE* dst,
                              DWORD dstWidth, DWORD dstHeight, DWORD dstStride, const RGBQUAD* palette,
                              DWORD colours, BYTE transparentIndex);
BOOL PICAPI pic_ResizeScale2X(const BYTE* src, DWORD width, DWORD height, DWORD srcStride,
                              DWORD bytesPerPixel, BYTE* dst, DWORD dstStride, DWORD reserved);

/* Seam carving: changes the width by `change` columns (negative narrows)
   removing or doubling seams of least Sobel energy; weight (one byte a
   pixel, may be null) protects above 128 and sacrifices below. 3 or 4 bytes
   a pixel, at least 3 x 3 in and 3 columns out. pic_SeamCarveInternal takes
   the tie-break seed, keeps the energy map on one thread with flags bit 0,
   and leaves its code in *error without reporting it. */
BOOL PICAPI pic_SeamCarve(const BYTE* in, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD inStride,
                          const BYTE* weight, DWORD weightStride, BYTE* out, DWORD outStride, LONG change,
                          DWORD insertionPenalty, DWORD flags);
BOOL PICAPI pic_SeamCarveInternal(const BYTE* in, DWORD width, DWORD height, DWORD bytesPerPixel,
                                  DWORD inStride, const BYTE* weight, DWORD weightStride, BYTE* out,
                                  DWORD outStride, LONG change, DWORD insertionPenalty, DWORD setting,
                                  DWORD flags, DWORD* error);

#ifdef __cplusplus
}
#endif
