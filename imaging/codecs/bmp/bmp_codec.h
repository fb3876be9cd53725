#pragma once
// BMP codec internals: header parsing shared by every reader, the reader and
// writer cores behind the pic_ entries, and the line reader and writer.
//
// Readers accept the 12-byte core header and the 40-byte info header with
// its longer forms (52, 56, 108 and 124 bytes: the masks and colour-space
// fields of those are honoured where they place or decode the pixels);
// uncompressed 1, 4, 8, 16, 24 and 32 bits, bit-field masks, RLE4 and RLE8.
// Cores take the error word first, store a code on failure and return 0 or
// null then; they do not touch the nesting depth (the entries hold it).

#include <cstdint>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/numeric.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum BmpFlags : uint32_t {
  kBmpWriteRLE8 = 1,        // writer: RLE8-compressed 8-bit file
  kBmpPackedDIB = 2,        // reader: a PicPackedDIB; writer: the image is one
  kBmpRowsInFileOrder = 4,  // writer: the caller's rows are bottom row first
  kBmpFileOrder = 8,        // reader: rows padded to 4 bytes, B, G, R kept; writer: pixels are B, G, R
  kBmpStrideRoundUp = 0x80000000u,  // writer: the caller's stride rounded up to 4
};

enum BmpErrorCode : uint32_t {
  kBmpErrBadFile = 6,
  kBmpErrRLEVariant = 7,
  kBmpErrEndOfImage = 24,
};

// Everything the headers say, and where the pixel data starts.
struct BmpInfo {
  uint64_t start = 0;  // source position of the 'BM' signature
  uint32_t offBits = 0;
  uint32_t headerSize = 0;  // 12 core header, 40 or longer info header
  bool core = false;
  int32_t width = 0;
  int32_t height = 0;  // as stored: negative for top-down rows
  uint32_t absHeight = 0;
  bool topDown = false;
  uint16_t planes = 0;
  uint16_t bits = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
  uint32_t masks[4] = {};     // red, green, blue, alpha (alpha only from the long headers)
  bool hasMasks = false;      // compression 3
  uint32_t colours = 0;       // colour-table entries of a 1 to 8-bit image (clrUsed or 2^bits)
  uint32_t kept = 0;          // entries kept in palette (at most 256)
  RGBQUAD palette[256] = {};  // entries from kept up are copies of entry 0
  uint64_t stride = 0;        // bytes per stored row
};

// Reads the file header and the info header at the source's position:
// 3 short read, 6 no 'BM' or an unknown header size. Nothing else is checked.
bool ReadBmpHeaders(uint32_t* error, CPicIO& io, BmpInfo* info);

// After ReadBmpHeaders: checks sizes, bit count and compression (6), reads
// the masks and the colour table and positions the source at the pixel data
// (the data-offset check). 3 on a short read or a failed seek.
bool ReadBmpLayout(uint32_t* error, CPicIO& io, BmpInfo* info);

// Both of the above.
inline bool OpenBmp(uint32_t* error, CPicIO& io, BmpInfo* info) {
  return ReadBmpHeaders(error, io, info) && ReadBmpLayout(error, io, info);
}

// One stored row of a 1 to 32-bit image into R, G, B (B, G, R with
// keepOrder), with an alpha byte when withAlpha: the pixel's own for 32-bit
// rows that carry one, else 255. Palette indices past the table give entry 0.
void BmpRowToRGB(const BmpInfo& info, const uint8_t* row, uint8_t* out, bool withAlpha, bool keepOrder);

// Output stride of a reader: width x bytes ((width + 7) / 8 at 1 bit),
// rounded up to 4 with kBmpFileOrder; false when the image passes the cap.
bool BmpOutputStride(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t flags,
                     uint32_t* stride);

// ---- Reader cores ----------------------------------------------------------

// width and height as stored (height negative for a top-down file); the
// resolution in pixels per metre (unit 2) from a 40-byte or longer header.
int ReadBMPDims(uint32_t* error, CPicIO& io, int32_t* width, int32_t* height, uint32_t* bitCount,
                PicResolutionInfo* resolution);
// The colour table of a 1, 4 or 8-bit file (others: 28), up to 256 entries.
int ReadBMPPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette);
// Depth 1 or 8 with palette (256 entries): packed bits or one index a pixel.
HGLOBAL ReadBMPPaletted(uint32_t* error, CPicIO& io, uint32_t depth, uint32_t* width, uint32_t* height,
                        RGBQUAD* palette, uint32_t flags);
// Depth 24 or 32: R, G, B(, A) rows.
HGLOBAL ReadBMPToRGB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags);
// The file as a PicPackedDIB (40-byte header, table or masks, rows as stored).
HGLOBAL ReadBMPToDIB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height);
// RLE4 or RLE8 pixel data (the source at the data) to 8, 24 or 32 bits.
HGLOBAL DecodeBMPRLE(uint32_t* error, CPicIO& io, const BmpInfo& info, uint32_t depth, uint32_t* width,
                     uint32_t* height, uint32_t flags);

// ---- Writer cores ----------------------------------------------------------

// Returns the destination's size after writing, 0 on failure.
uint32_t WriteBMPUncompressed(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width,
                              uint32_t height, uint32_t depth, uint32_t stride, uint32_t paletteColours,
                              const RGBQUAD* palette, const double* resolution, uint32_t flags);
uint32_t WriteBMPFromDIB(uint32_t* error, CPicIO& io, const void* dib);
uint32_t WriteBMPRLE8(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                      uint32_t stride, const RGBQUAD* palette, uint32_t paletteColours,
                      const double* resolution, uint32_t flags);

// ---- Line reader and writer -------------------------------------------------

class BMPLineReader {
 public:
  // The source stays the caller's. With a palette given, rows of 1 to 8-bit
  // files come out as one index a pixel and the table goes to palette.
  static BMPLineReader* Open(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height,
                             RGBQUAD* palette);
  // The next stored row; rowIndex gets its place counted from the top.
  bool ReadNextLine(uint32_t* error, uint8_t* row, uint32_t* rowIndex);

 private:
  BMPLineReader() = default;
  CPicIO* io_ = nullptr;
  BmpInfo info_;
  bool indices_ = false;
  uint32_t rowsLeft_ = 0;
  uint8_t* buffer_ = nullptr;
  friend void DestroyBMPLineReader(BMPLineReader*);
};
void DestroyBMPLineReader(BMPLineReader* reader);

class BMPLineWriter {
 public:
  // Writes the headers and the palette; rows then follow bottom row first.
  static BMPLineWriter* Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height, uint32_t depth,
                             uint32_t stride, uint32_t paletteColours, const RGBQUAD* palette,
                             const double* resolution, uint32_t flags);
  bool WriteNextLine(uint32_t* error, const uint8_t* row);
  uint32_t Stride() const { return stride_; }

 private:
  BMPLineWriter() = default;
  CPicIO* io_ = nullptr;
  uint32_t width_ = 0, height_ = 0, depth_ = 0, stride_ = 0;
  bool alreadyBGR_ = false;
  uint32_t rowsWritten_ = 0;
  uint32_t dataBytes_ = 0;  // pixel bytes of one row, before the padding
  uint32_t fileRowBytes_ = 0;
  uint8_t* buffer_ = nullptr;
  friend void DestroyBMPLineWriter(BMPLineWriter*);
};
void DestroyBMPLineWriter(BMPLineWriter* writer);

// The generic reader's BMP codec (bmp_entries.cpp).
extern const PicGenericCodec kBmpGenericCodec;

}  // namespace Pictura
