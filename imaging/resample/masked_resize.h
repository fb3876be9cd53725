#pragma once
// Resizes that never blend a mask colour (a transparent key) or a
// transparent palette index into its neighbours, and the Scale2x pixel-art
// doubling. Each returns 1 or 0 with the code in *error (always written).

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// 3 or 4 bytes per pixel. A pixel is the mask when its bytes packed (byte 0
// lowest) equal maskColour: the first three of a 3-byte pixel, or of a
// 4-byte pixel with flags bit 1, else all four. Bilinear where none of the
// four taps is the mask, otherwise the nearest tap whole (0.5 goes to the
// left or upper tap).
uint32_t ResizeImageMaskedCore(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, uint32_t maskColour, uint32_t bytesPerPixel,
                               uint32_t flags);
// 3 bytes per pixel, separable: each row blended across, then down, each
// pass taking the nearer value where one of its two is the mask.
// maskColour 0xFFFFFFFF blends everywhere.
uint32_t ResizeImageMaskedRows(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, uint32_t maskColour);
// Palette indices with a transparent index: colours blended a pair of taps
// at a time (across, then down) and matched back to the palette; a pair
// holding the transparent index takes the nearer index unchanged. A blend
// is never matched to the transparent index.
uint32_t Resize8MaskedCore(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                           uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                           uint32_t dstStride, const RGBQUAD* palette, uint32_t colours,
                           uint8_t transparentIndex);
// Twice the width and height by the Scale2x rules, decided on the first
// byte of each pixel; each output pixel is a whole copy of a source pixel.
// Null buffers give 1.
uint32_t ResizeScale2XCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint32_t bytesPerPixel, uint8_t* dst, uint32_t dstStride);

}  // namespace Pictura
