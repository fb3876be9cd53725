#pragma once
// Whole-row and rectangle buffer operations: copy between strides, crop (any
// byte depth or 1 bit), 1-bit mirror, vertical flip, border search.
// Cores take the error word first and return 1 or 0.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// Copies min(source stride, destination stride) bytes of each row.
int CopyBuffer(uint32_t* error, const void* src, uint32_t srcStride, uint32_t rows, uint32_t dstStride,
               void* dst);
// bytesPerRow of each row; 0 (nothing copied) when a pointer is null or a
// stride is too short for bytesPerRow.
int CopyRows(const void* src, uint32_t srcStride, uint32_t rows, uint32_t dstStride, void* dst,
             uint32_t bytesPerRow);
int CropImage(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
              uint8_t* dst, uint32_t dstStride, const RECT* rect, uint32_t bytesPerPixel);
int Crop1Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
             uint8_t* dst, uint32_t dstStride, const RECT* rect);
int FlipHorizontal1Bit(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t stride);
int VerticalFlipImage(uint32_t* error, uint8_t* image, uint32_t stride, uint32_t height);
// Bounding rectangle (right and bottom exclusive) of the pixels that differ
// from the background; 1, 8, 24 or 32 bits per pixel.
int GetBorder(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
              uint32_t stride, const RGBQUAD* palette, uint32_t tolerance, uint32_t color, RECT* rect,
              uint32_t flags);

// Shifts a packed bit row towards its start by shift (0-7) bits; zeros
// enter at the end. Returns 1.
int ShiftBitRow(uint8_t* row, uint32_t byteCount, uint32_t shift);

// Equal keys, or (tolerance > 0) squared distance of the low three bytes
// within the tolerance.
bool ColorsMatch(uint32_t a, uint32_t b, uint32_t tolerance);

}  // namespace Pictura
