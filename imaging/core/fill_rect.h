#pragma once
// Rectangle fills of caller-owned image buffers (rows `stride` apart, top
// row first; 16-bit forms count the stride in samples). Used by the readers
// to clear or pre-fill areas.
//
// Each fill takes the operation's error word first and returns 1, or 0 with
// 5 (bad argument) or 14 (progress callback said stop). The rectangle is
// clipped to the image: w or h 0 succeeds at once; a rectangle that starts
// right of or below the image draws nothing and succeeds. Colours are u32
// with byte 0 going to a pixel's first sample (flag bit 0 exchanges bytes 0
// and 2); rows already filled stay filled when a fill stops.

#include <cstdint>

namespace Pictura {

// Pixels x0 .. x1 - 1 of one row of a 1-bit image (most significant bit
// leftmost); value 0 clears, any other sets. 0 for null bits.
int FillRow1Bit(uint8_t* bits, uint32_t stride, uint32_t row, uint32_t x0, uint32_t x1, uint32_t value);

int FillRect1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                 uint32_t y, uint32_t w, uint32_t h, uint32_t value);
int FillRect8Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                 uint32_t y, uint32_t w, uint32_t h, uint8_t value);
// 3 or 4 bytes per pixel.
int FillRectRGB(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                uint32_t y, uint32_t w, uint32_t h, uint32_t colour, uint32_t bytesPerPixel, uint32_t flags);
// colour is R, G, B, A; 1, 3 or 4 channels (one channel writes colour[0],
// or colour[2] with flag bit 0).
int FillRect16bpc(uint32_t* error, uint16_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t x, uint32_t y, uint32_t w, uint32_t h, const uint16_t colour[4], uint32_t channels,
                  uint32_t flags);

}  // namespace Pictura
