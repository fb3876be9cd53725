#pragma once
// Resizing images that are not plain samples: one bit per pixel (to one bit
// or to 8-bit grey), palette indices (to indices of the same palette or to
// 24-bit colour) and whole packed DIBs. Indices are never blended: the
// paths sample them, blend their colours, or average colours and match the
// mean back to the palette.
//
// The bilinear resamplers give exactly what mode 16 gives on the same
// picture as 8-bit samples (bits as 0 or 255, indices as their colours),
// the paletted one then each pixel's nearest palette entry.
//
// Each returns 1 (true) or 0 with the code in *error (always written).

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

bool ResizePaletted8(uint32_t* error, uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth,
                     uint32_t srcHeight, const uint8_t* src, uint32_t paletteColours, const RGBQUAD* palette,
                     uint8_t* dst, uint32_t srcStride, uint32_t dstStride);
// channelOrder 0: red, green, blue; 1: blue, green, red.
bool ResizeImage8To24Rows(uint32_t* error, uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth,
                          uint32_t srcHeight, const uint8_t* src, const RGBQUAD* palette, uint8_t* dst,
                          uint32_t srcStride, uint32_t dstStride, uint32_t channelOrder);
// flags bit 0 clear: a clear bit is white (255), a set bit black; set: the
// other way round.
bool ResizeImage1To8GrayRows(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                             uint32_t dstStride, uint32_t flags);

// Mode 14 area average, 16 bilinear.
uint32_t ResizeImage1Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                          uint32_t outWidth, uint32_t outHeight, uint32_t inStride, uint32_t outStride,
                          uint32_t threshold, uint32_t mode, uint32_t flags);
// Modes 0-13 filter kernels, 14 area average, 16 bilinear.
uint32_t ResizeImage1To8GrayCore(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height,
                                 uint8_t* out, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                                 uint32_t outStride, uint32_t mode, uint32_t flags);
// Mode 14 area average, 16 bilinear in colour, 18 nearest.
uint32_t ResizeImage8Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                          uint32_t outWidth, uint32_t outHeight, uint32_t inStride, uint32_t outStride,
                          const RGBQUAD* palette, uint32_t colours, uint32_t mode, uint32_t flags);
// Modes 0-13 filter kernels, 14 area average (256 entries), 16 bilinear;
// flags bit 0: blue, green, red.
uint32_t ResizeImage8To24Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height,
                              uint8_t* out, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                              uint32_t outStride, uint32_t mode, const RGBQUAD* palette, uint32_t flags);

// A new packed DIB of outWidth x outHeight at the bit count of dib (1, 4,
// 8, 24 or 32, uncompressed; top-down stays top-down) through *result.
// On failure nothing is handed back (*result 0) and the result is 0.
uint32_t ResizeDIBCore(uint32_t* error, const void* dib, uint32_t outWidth, uint32_t outHeight,
                       HGLOBAL* result, uint32_t mode, uint32_t flags);

}  // namespace Pictura
