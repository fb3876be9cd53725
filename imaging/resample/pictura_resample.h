#pragma once
// pic_ entries of the resampling subsystem.
//
// Modes: 0-13 filter resize (0 box, 1 triangle, 2 Hamming, 3 Gaussian,
// 4 quadratic B-spline, 5 cubic B-spline, 6 Hermite, 7 cubic B-spline,
// 8 Lanczos3, 9 Mitchell, 10 sinc, 11 Hermite, 12 Hanning, 13 Catmull-Rom;
// 8 bits per channel only), 14 block decimation, 15 decimation by whole
// factors or by area, 16 bilinear, 17 bicubic, 18 nearest neighbour.
// Flags: bit 0 of pic_ResizeImage selects 16 bits per channel (modes 14-18,
// strides then count samples); 0x100000 keeps the resize off the pool.
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

#ifdef __cplusplus
}
#endif
