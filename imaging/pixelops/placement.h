#pragma once
// Placing one image into another at (x, y) of the destination, clipped to
// it, for layouts the overlays do not cover: packed 1-bit and 4-bit images
// (TIFF tiles and strips), 8-bit paletted images onto 4-byte pixels (GIF
// frames onto the animation canvas), and the rest of the family: paletted,
// one-bit and RGB sources onto paletted, RGB or RGBA destinations, with
// opacity, colour keys or the nearest palette colour.
//
// Every routine takes the destination (pixels, width, height, stride in
// bytes), the source (the same), then x and y (the source's top-left corner
// in destination coordinates, negative allowed); the routines after
// PlaceImage8BitOnRGBA take their own arguments after x and y. Destination (c, r) takes source
// (c - x, r - y) over the part both images cover. Returns false with 5 for a
// null or shared buffer (or a missing palette or mask, or pixels of a size a
// routine does not take), 14 when the progress callback (once per covered
// row) says stop; rows already placed stay placed.
//
// Colours (u32) hold byte 0 in bits 0-7, byte 1 in 8-15, byte 2 in 16-23 and
// alpha in 24-31: 0xAABBGGRR for red, green, blue. Palettes are RGBQUADs
// (blue, green, red, reserved). "Table-blending" a byte d towards c at
// weight a is the library's alpha table: d * (255 - a) / 255 + c * a / 255,
// each product truncated. A paletted result is the nearest palette entry
// (CPicImgColorMatch: exact squared distance, the lowest index on a tie).

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

  kPlaceSwapColourBytes = 1,  // 1 bit onto paletted, RGB onto RGBA: colour bytes 0 and 2 exchanged
  kPlaceTruncateEach = 1,     // 8 bits with opacity: trunc(p o) + trunc(d (1 - o)), not one truncation
  kPlaceSkipTransparent = 1,  // 8 bits onto paletted: skip the transparent index

  // 1 bit onto RGB (and kPlaceBGR):
  kPlaceBlendByAlpha = 1,     // table-blend each entry at its own alpha (else write it)
  kPlaceClearBitsSkip = 4,    // bits of 0 leave the pixel alone
  kPlaceKeepAlpha = 8,        // 4-byte pixels: the alpha byte stays
  kPlaceAlphaFromEntry = 16,  // 4-byte pixels: alpha = the entry's alpha (else 255)

  kPlaceSourceReversed = 1,  // RGB keyed: source bytes 0 and 2 exchanged on the way
  kPlaceKeyReversed = 2,     // RGB keyed: the key's bytes 0 and 2 exchanged before use
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

// 1-bit onto 1-bit where the mask (1 bit, the source's size, its own stride)
// is set: copy, AND or OR as PlaceImage1Bit (flags 1, 2; 8: source and mask
// rows bottom-up).
bool PlaceImage1BitMasked(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                          uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                          uint32_t srcStride, int32_t x, int32_t y, const uint8_t* mask, uint32_t maskStride,
                          uint32_t flags);

// 1-bit onto 8-bit indices into palette (paletteCount entries, at most 256
// used; indices past them read as black): the colour of each bit (colour0
// for 0, colour1 for 1) table-blended at its own alpha over the colour of
// the destination index, stored as the nearest entry. flags:
// kPlaceSwapColourBytes.
bool PlaceImage1BitOnPaletted(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                              uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                              uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                              uint32_t paletteCount, uint32_t colour0, uint32_t colour1, uint32_t flags);

// 3-byte pixels onto 4-byte pixels (alpha untouched): opacity exactly 1 copies,
// any other gives trunc(s o + d (1 - o)), limited to 0..255. flags:
// kPlaceSwapColourBytes.
bool PlaceRGBOnRGBA(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, double opacity, uint32_t flags);

// 8-bit indices through palette (256 entries) onto 3- or 4-byte pixels (alpha untouched),
// at opacity o (limited to 0..1): trunc(p o + d (1 - o)), or with
// kPlaceTruncateEach trunc(p o) + trunc(d (1 - o)). kPlaceBGR: B, G, R;
// kPlaceTransparent: transparentIndex leaves the pixel.
bool PlaceImage8BitWithOpacity(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                               uint32_t bytesPerPixel, double opacity, uint32_t transparentIndex,
                               uint32_t flags);

// 8-bit indices onto 8-bit indices of dstPalette (dstCount entries): per
// channel trunc(s o) + trunc(d (1 - o)) of the source colour (srcPalette, 256
// entries, or dstPalette when null) and the destination's, o limited to
// 0..1, stored as the nearest dstPalette entry. kPlaceSkipTransparent:
// transparentIndex leaves the pixel.
bool PlaceImage8BitOnPaletted(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                              uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                              uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* dstPalette,
                              uint32_t dstCount, const RGBQUAD* srcPalette, double opacity,
                              uint32_t transparentIndex, uint32_t flags);

// 8-bit indices onto 8-bit indices of one palette (count entries) whose
// reserved byte is each entry's alpha: the destination colour table-blended
// towards the source entry's at that alpha, stored as the nearest entry.
// flags is not used.
bool PlaceImage8BitOnPalettedByAlpha(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                                     uint32_t dstStride, const uint8_t* src, uint32_t srcWidth,
                                     uint32_t srcHeight, uint32_t srcStride, int32_t x, int32_t y,
                                     const RGBQUAD* palette, uint32_t count, uint32_t flags);

// 1-bit onto 3- or 4-byte pixels through a two-entry palette (entry 0 for
// clear bits, 1 for set bits; reserved byte = alpha). flags: kPlaceBlendByAlpha,
// kPlaceBGR, kPlaceClearBitsSkip, kPlaceKeepAlpha, kPlaceAlphaFromEntry.
bool PlaceImage1BitOnRGB(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                         uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                         uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                         uint32_t bytesPerPixel, uint32_t flags);

// 3-byte pixels onto 3- or 4-byte pixels (alpha untouched): pixels that
// match key (ColorsMatch with tolerance against the pixel's bytes as stored;
// the key's byte 3 takes no part) are skipped, the others become
// trunc(s o + d (1 - o)), limited to 0..255. flags: kPlaceSourceReversed,
// kPlaceKeyReversed.
bool PlaceRGBOnRGBKeyed(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                        uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                        uint32_t srcStride, int32_t x, int32_t y, uint32_t bytesPerPixel, double opacity,
                        uint32_t key, uint32_t tolerance, uint32_t flags);

}  // namespace Pictura
