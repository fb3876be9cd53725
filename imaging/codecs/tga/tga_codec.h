#pragma once
// TGA codec internals: the header, the pixel decoder, the whole-image
// readers and the line writer behind the pic_ entries.
//
// Read: colour-mapped (8-bit indices), true-colour (15, 16, 24, 32 bits)
// and grey (8 bits, or 16 with alpha) images, raw or run-length encoded,
// either row order and either column order. Write: raw 8-bit colour-mapped,
// 24-bit and 32-bit files, top row first, followed by the TGA 2.0 extension
// area and footer.
// Cores take the error word first, store a code on failure and return 0 or
// null then; they do not touch the nesting depth (the entries hold it).

#include <cstdint>
#include <memory>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum TgaFlags : uint32_t {
  kTgaPackedDIB = 2,  // reader: a PicPackedDIB
  kTgaBottomUp = 4,   // writer: the caller's rows are bottom row first
  kTgaFileOrder = 8,  // reader: rows padded to 4 bytes, B, G, R(, A); writer: pixels are B, G, R(, A)
};

struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t mapType = 0;
  uint8_t type = 0;
  uint16_t mapFirst = 0, mapLength = 0;
  uint8_t mapEntryBits = 0;
  uint16_t width = 0, height = 0;
  uint8_t bits = 0;
  uint8_t descriptor = 0;
  bool ColourMapped() const { return type == 1 || type == 9; }
  bool Grey() const { return type == 3 || type == 11; }
  bool RunLength() const { return type >= 9; }
  bool TopDown() const { return (descriptor & 0x20) != 0; }
  bool RightToLeft() const { return (descriptor & 0x10) != 0; }
  uint32_t PixelBytes() const { return (bits + 7u) / 8; }
};

// The 18-byte header: 3 on a short read, 32 for an image type other than
// 1, 2, 3, 9, 10, 11 or a pixel depth above 32.
bool ReadTgaHeader(uint32_t* error, CPicIO& io, TgaHeader* header);

int ReadTGADims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* depth);
// The colour map (B, G, R, A entries; 256 of room): count = entries read,
// the rest copies of entry 0. 28 above 8 bits, 32 without a map.
int ReadTGAPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette);
// Colour-mapped or grey files of 8 bits: one index a pixel, the map (or a
// grey ramp) to palette.
HGLOBAL ReadTGA8Bit(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                    uint32_t flags);
// Any file as R, G, B (depth 24) or R, G, B, A (depth 32).
HGLOBAL ReadTGAToRGB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags);
// A PicPackedDIB: 8 bits with the palette for files of up to 8 bits, else
// 24 bits (32 for 32-bit files).
HGLOBAL ReadTGAToDIB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height);

class TGALineWriter {
 public:
  // depth 8 (palette of 256 entries), 24 or 32; rows of width x depth / 8
  // bytes follow top row first.
  static TGALineWriter* Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height, uint32_t depth,
                             const RGBQUAD* palette, uint32_t flags);
  bool WriteNextLine(uint32_t* error, const uint8_t* row);
  // The extension area and the footer.
  bool Finish(uint32_t* error);

 private:
  TGALineWriter(CPicIO& io) : io_(io) {}
  CPicIO& io_;
  uint32_t width_ = 0, height_ = 0, channels_ = 0, rowsWritten_ = 0;
  bool bgr_ = false;
  std::unique_ptr<uint8_t[]> row_;
  friend void DestroyTGALineWriter(TGALineWriter*);
};
void DestroyTGALineWriter(TGALineWriter* writer);

// Whole images at 8, 24 or 32 bits; the destination's size, 0 on failure.
uint32_t WriteTGAImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t depth, uint32_t stride, const RGBQUAD* palette, uint32_t flags);

// The generic reader's TGA codec (tga_entries.cpp).
extern const PicGenericCodec kTgaGenericCodec;

}  // namespace Pictura
