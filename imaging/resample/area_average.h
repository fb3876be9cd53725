#pragma once
// Reduction by exact area coverage for one-bit and paletted images: every
// destination pixel is the mean of the source area it covers, partial
// cells counted by the covered fraction (spans from BuildAreaSpans). They
// only reduce: a destination larger than the source is refused (5).
// One-bit rows are most significant bit first. Each returns true on
// success, or false with the code in *error.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// v = 255 x covered set-bit weight / area, truncated; v above threshold sets
// the destination bit.
bool AreaAverageResample1Bit(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                             uint32_t dstStride, uint32_t threshold, uint32_t flags);
// Grey = 255 x covered set-bit weight / area, truncated; flags bit 0 clear
// gives 255 minus that (set bits dark). Exact block reductions by 2, 4, 8,
// 16 or 32 columns count bits per byte and divide in integers.
bool AreaAverageResample1BitToGray(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                                   uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                                   uint32_t dstStride, uint32_t flags);
// Palette indices to indices of the same palette: the mean colour's nearest
// entry.
bool AreaAverageResample8Bit(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                             uint32_t dstStride, const RGBQUAD* palette, uint32_t colors, uint32_t flags);
// Palette indices to three bytes, blue, green, red with flags bit 0, else
// red, green, blue.
bool AreaAverageResample8To24(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                              uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                              uint32_t dstStride, const RGBQUAD* palette, uint32_t flags);

}  // namespace Pictura
