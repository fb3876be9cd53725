#pragma once
// Blends one colour into an RGBA image by each pixel's own alpha byte
// (bytes 0-2; alpha 0 leaves a pixel, 255 gives the colour; byte 3 kept).
// Flags bit 0 exchanges colour bytes 0 and 2. Progress per row.

#include <cstdint>

namespace Pictura {

bool AlphaBlendSolidColorCore(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                              uint32_t stride, uint32_t color, uint32_t flags);

}  // namespace Pictura
