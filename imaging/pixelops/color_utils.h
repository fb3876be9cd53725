#pragma once
// Colour work over whole images: masks from a colour, a colour through a
// mask, replacement, counts, first unused and first N colours, best fit onto
// a palette, solid-colour blends, white balance, red-eye, palette swaps.
// Colour keys: byte 0 | byte 1 << 8 | byte 2 << 16 (0x00BBGGRR for RGB).

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

bool ColorsMatchWithin(uint32_t a, uint32_t b, uint32_t tolerance);

// A[i] = i * opacity, B[i] = i * (1 - opacity), and their truncations when
// the integer tables are given; nothing is written without both f64 tables.
void BuildOpacityTables(double opacity, double* a, double* b, uint8_t* ia, uint8_t* ib, uint32_t count);
void BuildOpacityTables16(double opacity, double* a, double* b, uint16_t* ia, uint16_t* ib, uint32_t count);

int Create1BitMaskFromColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t stride, uint8_t* dst, uint32_t dstStride, uint8_t index);
int Create8BitMaskFromColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t stride, uint8_t* dst, uint32_t dstStride,
                                uint32_t color, uint32_t tolerance, uint8_t value, uint32_t flags);
int SetColorFrom1BitMaskCore(uint32_t* error, const uint8_t* mask, uint32_t width, uint32_t height,
                             uint32_t maskStride, uint8_t* dst, uint32_t dstStride, uint8_t value);
int BlendSolidColorCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t stride,
                        uint32_t color, double opacity, uint32_t flags);
int ColorReplaceImageCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t stride, uint32_t oldColor, uint32_t newColor,
                          uint32_t tolerance, uint32_t flags);
int ColorReplaceImageRangeSpecifiedCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                                        uint32_t bytesPerPixel, uint32_t stride, const uint8_t* color,
                                        const uint8_t* newColor, const uint8_t* tolerances,
                                        uint8_t channelMask);
uint32_t CountImageColorsCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                              uint32_t step, uint32_t stride, uint32_t flags);
int Histogram8Bit(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t* counts);
uint32_t FindFirstUnusedRGBColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                     uint32_t step, uint32_t stride, uint32_t flags);
// At most maxCount colours (palette holds that many); 0 writes none.
uint32_t GetFirstNColorsInRGBCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                  uint32_t stride, uint32_t maxCount, RGBQUAD* palette, uint32_t flags);
int RGBTo8BitBestFitCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t colors,
                         const RGBQUAD* palette, uint32_t flags);
int WhiteBalance8bpc(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                     uint8_t r0, uint8_t r1, uint8_t r2, uint32_t flags, uint32_t* error);
int WhiteBalance16bpc(uint16_t* image, uint32_t width, uint32_t height, uint32_t samplesPerPixel,
                      uint32_t stride, uint16_t r0, uint16_t r1, uint16_t r2, uint32_t flags,
                      uint32_t* error);
int ReduceRedEye(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t left,
                 uint32_t top, uint32_t right, uint32_t bottom, uint32_t saturationPercent,
                 int32_t hueParameter);
int SwapPaletteIndices(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, RGBQUAD* palette,
                       uint8_t a, uint8_t b);

}  // namespace Pictura
