#pragma once
// Packed DIBs (PicPackedDIB): one GlobalAlloc block holding a 40-byte
// BITMAPINFOHEADER, the colour table for 1 to 8 bits (or three bit-field
// masks for BI_BITFIELDS), then bottom-up rows padded to 4 bytes.
//
// Packers build such blocks from top-down image buffers; unpackers turn a
// DIB of any common layout (bottom-up or top-down, palette, bit fields,
// RLE4/RLE8) back into RGB, RGBA or colour-mapped buffers. Cores take the
// error word first; every size is computed in 64 bits and refused from
// kPicAllocCap bytes up. Portable: no GDI here.

#include <cstdint>

#include "core/wintypes.h"

namespace Pictura {

// Where the parts of a DIB lie and how big they are, from its header alone.
struct DIBLayout {
  uint32_t width = 0;
  uint32_t height = 0;   // absolute
  bool topDown = false;  // negative biHeight
  uint32_t bits = 0;
  uint32_t compression = 0;
  uint32_t colours = 0;          // table entries present: biClrUsed or 1 << bits (up to 8 bits), else 0
  uint64_t stride = 0;           // bytes per stored row, DWORD-aligned
  uint64_t pixelOffset = 0;      // from the start of the header
  uint64_t pixelBytes = 0;       // stride x height (uncompressed size)
  uint64_t compressedBytes = 0;  // biSizeImage for RLE data
};

// ((width x bits + 31) >> 5) << 2, in 64 bits.
inline uint64_t DIBStride(uint64_t width, uint64_t bits) {
  return ((width * bits + 31) >> 5) << 2;
}

// Checks a header and computes its layout: biSize 40, width and height not
// 0, a bit count of 1 to 8, 16, 24 or 32, a compression that fits the
// bit count (RLE8 with 8 bits, RLE4 with 4, both bottom-up with biSizeImage
// set; bit fields with 16 or 32), and a whole size below the cap. Fails with
// 5 (bad header), 7 (RLE pairing) or 28 (bit count).
bool DescribeDIB(uint32_t* error, const BITMAPINFOHEADER* header, DIBLayout* layout);

// Size of a packed DIB: 1 bit 40 + 8 + rows; 4 and 8 bits 40 + colours x 4
// + rows; 24 and 32 bits 40 + rows. Any other bit count: 5 and 0; a size at
// or beyond the cap: 1 and 0.
uint32_t GetPicDIBSize(uint32_t* error, uint32_t width, uint32_t height, uint32_t bits, uint32_t colours);

// First pixel byte: after the header and the table of 1 to 8-bit DIBs
// (biClrUsed entries, 1 << bits when 0), or after three masks with
// BI_BITFIELDS. biSize other than 40: 5 and null.
uint8_t* DIBPixelStart(uint32_t* error, const void* dib);

// A zeroed packed DIB with header and palette; up to 8 bits need a palette
// of at least 2 colours (at most 256).
HGLOBAL AllocDIB(uint32_t* error, uint32_t width, uint32_t height, uint32_t bits, const RGBQUAD* palette,
                 uint32_t colours);

// Packers: top-down image rows `stride` bytes apart into a packed DIB. With
// a block the caller supplies the memory (at least GetPicDIBSize bytes) and
// gets it back; with null the DIB is a new GlobalAlloc block, freed again on
// any failure. Null pixels: 5.
HGLOBAL OneBitToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                    const RGBQUAD* palette, void* block);
// One byte per pixel packed to outBits (1 to 8); biClrUsed = colour count,
// at most what outBits can index.
HGLOBAL EightBitToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                      uint32_t stride, uint32_t colours, uint32_t outBits, const RGBQUAD* palette,
                      void* block);
// flags bit 0: rows already B, G, R; bit 1: rows already bottom-up.
HGLOBAL RGBToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                 void* block, uint32_t flags);
HGLOBAL RGB16ToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                   void* block);
HGLOBAL RGBAToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                  void* block);

// Unpackers into top-down rows of width x 3 (RGB) or width x 4 (RGBA)
// bytes. The parts form takes the pixel bits, the header and the colour
// table separately; masks of BI_BITFIELDS lie right after the header.
int DIBPartsToRGB(uint32_t* error, const uint8_t* bits, const BITMAPINFOHEADER* header,
                  const RGBQUAD* palette, uint8_t* output);
int DIBPartsToRGBA(uint32_t* error, const uint8_t* bits, const BITMAPINFOHEADER* header,
                   const RGBQUAD* palette, uint8_t alpha, uint8_t* output);
int DIBToRGB(uint32_t* error, const void* dib, uint8_t* output);
// alpha fills the fourth byte of pixels whose DIB row carries none.
int DIBToRGBA(uint32_t* error, const void* dib, uint8_t alpha, uint8_t* output);
// Paletted DIB (up to outBits bits) to top-down rows of 1 bit ((width + 7) / 8
// bytes) or 8 bits (width bytes); the colours go to palette (256 entries)
// and their number to count.
int DIBToColormapped(uint32_t* error, const void* dib, uint32_t outBits, uint32_t* count, RGBQUAD* palette,
                     uint8_t* output);

// RLE4/RLE8 data of at most inputSize bytes to 8, 24 or 32 bits per pixel,
// top-down (bottom-up and DWORD-aligned rows with dibLayout). Pixels that no
// run covers keep palette entry 0 (index 0 at 8 bits, alpha 255 at 32).
int DIBRowsToBuffer(uint32_t* error, const uint8_t* bits, uint64_t inputSize, uint32_t outBits,
                    const BITMAPINFOHEADER* header, const RGBQUAD* palette, uint8_t* output, bool dibLayout);

}  // namespace Pictura
