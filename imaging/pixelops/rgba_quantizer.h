#pragma once
// Median-cut palettes of 32-bit images over all four channels (alpha
// included), mapped by nearest colour with optional Floyd-Steinberg
// diffusion seeded with noise. Translucent colours take the lowest palette
// indices, opaque ones the highest. Above 32767 distinct colours every
// channel loses precision (maxval halved) until they fit.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// Flags bit 0: channels 0..2 are B, G, R. maxColors is limited to 1..256;
// *count receives the palette size. 1, or 0 with 5, 1, 17 or 14.
int QuantizeRGBATo8BitCore(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint8_t* output, uint32_t dstStride, RGBQUAD* palette,
                           uint32_t dither, uint32_t maxColors, uint32_t* count, uint32_t flags);

}  // namespace Pictura
