#pragma once
// Blends one colour into an RGBA image by each pixel's own alpha byte
// (bytes 0-2; alpha 0 leaves a pixel, 255 gives the colour; byte 3 kept).
// Flags bit 0 exchanges colour bytes 0 and 2. Progress per row.

#include <cstdint>
#include <utility>

namespace Pictura {

// Bytes 0 to 3 of a u32 colour (byte 0 in bits 0-7), 0 and 2 exchanged on
// request.
struct ColourBytes {
  uint8_t c[4];
  ColourBytes(uint32_t colour, bool swap)
      : c{uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16), uint8_t(colour >> 24)} {
    if (swap) std::swap(c[0], c[2]);
  }
};

bool AlphaBlendSolidColorCore(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                              uint32_t stride, uint32_t color, uint32_t flags);

}  // namespace Pictura

#include "core/image_buffers.h"

namespace Pictura {

// An RGBA image onto an RGB or RGBA image at (x, y), weighted by the source
// alpha (times the opacity, clamped to 0..1, when it is not exactly 1.0).
// alphaMode for a 4-byte destination: 4 composites two images with alpha
// (out alpha = as + (255 - as) * ad / 255); otherwise the colour is table
// blended and the alpha byte becomes 1: as, 2: max, 3: saturated sum, 5:
// screen, other values: kept. Flags bit 20 keeps it off the pool.
bool OverlayRGBAOnRGB(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, double opacity, uint32_t alphaMode, uint32_t flags);

// One colour into 1-, 3- or 4-byte pixels through an 8-bit mask whose top-left
// lies at (x, y) of the image (other pixel sizes are left). Flags bit 0
// exchanges colour bytes 0 and 2; the highest of bits 1 to 5 picks the
// alpha treatment of 4-byte pixels (none: 0): 0 colour blended, alpha kept;
// 1 all four bytes blended; 2 and 3 colour blended and, under the mask,
// alpha = colour byte 3 (2) or the mask (3); 4 colour set, alpha = mask; 5
// composited over the pixel's own alpha, which is kept.
bool BlendSolidColorThroughMask(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t stride, const uint8_t* mask,
                                uint32_t maskWidth, uint32_t maskHeight, uint32_t maskStride, uint32_t color,
                                int32_t x, int32_t y, uint32_t flags);

// One colour into a rectangle of 3- or 4-byte pixels: p = trunc(p * (1 - o)
// + c * o). Flags bit 0 exchanges colour bytes 0 and 2; the alpha byte is
// kept (bit 1), blended with colour byte 3 (bit 2) or set to it.
bool BlendSolidColorRect(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                         uint32_t bytesPerPixel, uint32_t stride, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, uint32_t color, double opacity, uint32_t flags);

// One colour into 4-byte pixels through a mask at (x, y); the first set flag
// decides: bit 1 alpha = mask; bit 3 colour set and alpha = mask everywhere
// covered; bit 4 colour blended, alpha kept; none: colour blended and alpha
// = mask (the bit 1, 4 and plain forms skip mask 0).
bool BlendColorThroughMaskRGBA(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                               uint32_t stride, const uint8_t* mask, uint32_t maskWidth, uint32_t maskHeight,
                               uint32_t maskStride, uint32_t color, int32_t x, int32_t y, uint32_t flags);

// A width x height mask ramping from 0 at the border to 255 inside over
// trunc(fraction * height) pixels; fraction strictly between 0 and 0.5.
bool MakeFeatherMask(uint32_t* error, uint8_t* mask, uint32_t width, uint32_t height, double fraction);

}  // namespace Pictura
