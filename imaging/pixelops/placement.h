#pragma once
// Placing one image into another at (x, y) of the destination, clipped to
// it, for layouts the overlays do not cover: packed 1-bit and 4-bit images
// (TIFF tiles and strips) and 8-bit paletted images onto 4-byte pixels (GIF
// frames onto the animation canvas).
//
// Every routine takes the destination (pixels, width, height, stride in
// bytes), the source (the same), then x and y (the source's top-left corner
// in destination coordinates, negative allowed). Destination (c, r) takes
// source (c - x, r - y) over the part both images cover. Returns false with 5
// for a null or shared buffer, 14 when the progress callback (once per
// covered row) says stop; rows already placed stay placed.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// The covered destination rectangle: columns left .. right - 1, rows top ..
// bottom - 1 (empty when left == right or top == bottom).
void ClipPlacementRect(uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth, uint32_t srcHeight,
                       int32_t x, int32_t y, uint32_t* left, uint32_t* top, uint32_t* right,
                       uint32_t* bottom);

enum PlaceFlags : uint32_t {
  kPlace1BitCombine = 1,     // AND or OR instead of copying
  kPlace1BitOr = 2,          // with kPlace1BitCombine: OR, else AND
  kPlaceSourceBottomUp = 8,  // 1 bit: the source's rows are stored bottom row first

  kPlaceBGR = 2,                   // 8 bits onto RGBA: write B, G, R, A
  kPlaceTransparent = 4,           // honour the transparent index
  kPlaceKeepTransparentAlpha = 8,  // leave alpha of transparent pixels (else 0)
  kPlaceTransparentColour = 16,    // also write the colour of transparent pixels
};

// Packed bits, leftmost pixel in the most significant bit; only the covered
// bits of a destination byte change.
bool PlaceImage1Bit(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, uint32_t flags);

// Packed nibbles, left pixel in the high nibble, any column parity. flags
// is not used.
bool PlaceImage4Bit(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, uint32_t flags);

// 8-bit indices through palette onto R, G, B, A pixels (B, G, R, A with
// kPlaceBGR); opaque pixels get alpha 255.
bool PlaceImage8BitOnRGBA(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                          uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                          uint32_t srcStride, const RGBQUAD* palette, int32_t x, int32_t y,
                          uint32_t transparentIndex, uint32_t flags);

}  // namespace Pictura
