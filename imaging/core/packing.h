#pragma once
// Packing one-byte pixels into 1-8 bits per pixel and back (first pixel in
// the most significant bits), and the DIB row converters.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// Operation object of a few drawing and blend cores: the error word, then
// three 8-byte mask tables: 255 >> i, (255 << i) & 255, 255 >> (7 - j).
struct BitMaskTable {
  uint32_t error = 0;
  uint8_t lowMasks[8];
  uint8_t highMasks[8];
  uint8_t leftMasks[8];
  BitMaskTable();
};

// Per channel of a 16-bit bitfield DIB: shift, direction (1 right, -1 left),
// channel width in bits, fill value.
struct ChannelMask {
  uint32_t shift = 0;
  int32_t direction = 1;
  uint32_t width = 0;
  uint32_t fill = 0;
};

// Continuous stream of width x rows pixels (rows srcStride apart); the last
// partial byte is flushed left-aligned. Progress per row.
int PackBitsCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t rows, uint32_t srcStride,
                 uint8_t* dst, uint32_t bits);
// rowByRow: every row packed alone into dst + y * dstStride.
int Pack8BitBuffer(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                   uint8_t* dst, uint32_t bits, uint32_t rowByRow, uint32_t dstStride);
// Continuous stream of width x height pixels into as many bytes.
int UnpackBufferTo8Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bits,
                       uint8_t* dst);
void UnpackRowTo8Bit(const uint8_t* src, uint8_t* dst, uint32_t count, uint32_t bits);
// 2 bits: each pixel to a nibble, high nibble first; 4 bits: the row's bytes.
void Unpack2BitRowTo4Bit(const uint8_t* src, uint8_t* dst, uint32_t bits, uint32_t count);
int Unpack1BitToRGBRows(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t rows,
                        uint32_t srcStride, const RGBQUAD* palette, uint8_t* dst, uint32_t dstStride);
// One DIB row of 1, 4, 8 (palette), 16 (5-5-5 or masks), 24 or 32 bits into
// R, G, B (B, G, R with keepOrder for 24 and 32), with an alpha byte when
// addAlpha (the pixel's own for 32 bits, else alpha).
void DIBRowToRGB(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bits,
                 const RGBQUAD* palette, const uint32_t* masks, bool addAlpha, uint8_t alpha, bool keepOrder);
int AnalyzeBitfieldMasks(const uint32_t* masks, ChannelMask* records);
void CopySwapRedBlue24(const uint8_t* src, uint8_t* dst, uint32_t count);
// RGB rows into DIB rows (bottom-up unless keepRowOrder); returns a code.
uint32_t RGBRowsToDIBBits(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height,
                          uint32_t dstStride, bool alreadyBGR, bool keepRowOrder, uint32_t srcStride);

}  // namespace Pictura
