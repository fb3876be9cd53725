#pragma once
// Whole-image pixel-format conversions. Strides: bytes for 8-bit samples,
// samples for 16-bit ones. Cores take the error word first, return 1 or 0;
// the row loops report progress (row, height) and stop with 14.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// 24-bit pixels to 5-6-5 (or 5-5-5, with the top bit when topBit).
int RGB24ToRGB16Core(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                     uint16_t* dst, uint32_t dstStrideBytes, bool rgb555, bool topBit);
int RGBToRGBACore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint8_t* dst, uint32_t dstStride, uint8_t alpha);
// Palette indices to R, G, B (B, G, R with flags bit 0); the RGBA form adds
// the entry's reserved byte, or 255 with flags bit 1.
int Convert8BitToRGBCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t unused,
                         const RGBQUAD* palette, uint32_t flags);
int Convert8BitToRGBACore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                          uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t unused,
                          const RGBQUAD* palette, uint32_t flags);
int Convert16bpcTo8bpcCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                           uint32_t channels, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                           uint32_t flags);
int Convert16bpcTo8bpcBitsCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                               uint32_t channels, uint32_t significantBits, uint32_t srcStride, uint8_t* dst,
                               uint32_t dstStride, uint32_t unused);
int Convert8bpcTo16bpcCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                           uint32_t channels, uint32_t srcStride, uint16_t* dst, uint32_t dstStride,
                           uint32_t unused);
int SwapByteOrderIn16bpcCore(uint32_t* error, uint16_t* image, uint32_t width, uint32_t height,
                             uint32_t channels, uint32_t stride, uint32_t unused);
// Bytes 0 and 2 of width x height gap-free pixels exchanged in place.
int SwapRedBlue24(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height);
void SwapRedBlue32(uint8_t* image, uint32_t width, uint32_t height);

}  // namespace Pictura
