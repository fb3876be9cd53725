#pragma once
// PCX codec internals: the header, the run-length line reader and writer,
// and the whole-image cores behind the pic_ entries.
//
// Read: versions 0, 2, 3 and 5; the plane and bit layouts PCX files use
// (1 bit in 1 to 4 planes, 2, 4 or 8 bits in one plane, 8 bits in three
// planes) into 1-bit, 8-bit paletted or 24-bit rows. Write: 1-bit, 8-bit
// paletted and 24-bit (three planes) version-5 files.
// Cores take the error word first, store a code on failure and return 0 or
// null then; they do not touch the nesting depth (the entries hold it).

#include <cstdint>
#include <memory>

#include "codecs/byte_reader.h"
#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/numeric.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum PcxFlags : uint32_t {
  kPcxGreyInfo = 1,   // writer: palette info 2 (grey) at 1 and 8 bits
  kPcxPackedDIB = 2,  // reader: a PicPackedDIB
  kPcxBottomUp = 4,   // writer: the caller's rows are bottom row first
  kPcxFileOrder = 8,  // reader: rows padded to 4 bytes, B, G, R; writer: pixels are B, G, R
};

struct PcxHeader {
  uint8_t version = 0;
  uint8_t bitsPerPlane = 0;
  uint8_t planes = 0;
  uint16_t bytesPerLine = 0;
  uint16_t paletteInfo = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t dpiX = 0, dpiY = 0;
  RGBQUAD headerPalette[16] = {};
  uint32_t FileBits() const { return uint32_t{planes} * bitsPerPlane; }
  uint32_t ScanLineBytes() const { return uint32_t{planes} * bytesPerLine; }
};

// The 128-byte header at the source's position: 22 on a short read, a
// wrong maker or version, an empty or inverted frame, a plane and bit
// layout PCX does not use, or bytes per line too few for the width.
bool ReadPcxHeader(uint32_t* error, CPicIO& io, PcxHeader* header);

// The palette a file's pixels index: its 256-colour table (version 5, 8
// bits, the table present) or a grey ramp; below 8 bits black and white for
// a 1-bit file, else the header's entries; unused entries repeat entry 0.
// False when a version-5 8-bit file has no table where it should end (grey
// then). tableAt (may be null): the table's offset, UINT64_MAX for none.
// Leaves the source anywhere.
bool ReadPcxColours(CPicIO& io, const PcxHeader& header, RGBQUAD palette[256], uint64_t* tableAt);

int ReadPCXDims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                PicResolutionInfo* resolution);
int ReadPCXPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette);
// depth 1, 8 (palette of 256 entries) or 24; with kPcxPackedDIB the file's
// own depth (1, 8 or 24) in a PicPackedDIB.
HGLOBAL ReadPCXImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     RGBQUAD* palette, uint32_t flags);
// Returns the destination's size, 0 on failure.
uint32_t WritePCXImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t depth, uint32_t stride, const RGBQUAD* palette, const double* resolution,
                       uint32_t flags);

class PCXLineReader {
 public:
  // *depth: 1, 8 or 24 asked; 0 takes the file's own (1, 8 or 24). With
  // depth 1 or 8 the palette (256 entries) goes to palette when given.
  static PCXLineReader* Open(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                             uint32_t* depth);
  // The next row: (width + 7) / 8 bytes, width indices or width x 3 R, G, B.
  bool ReadNextLine(uint32_t* error, uint8_t* row, uint32_t* rowIndex);
  uint32_t Depth() const { return depth_; }
  const RGBQUAD* Palette() const { return palette_; }

 private:
  PCXLineReader(CPicIO& io) : in_(io) {}
  bool DecodeScanLine();

  PicByteReader in_;
  PcxHeader header_;
  uint32_t depth_ = 0;
  uint32_t rowsRead_ = 0;
  uint64_t tableAt_ = UINT64_MAX;  // where the 256-colour table starts, if the file has one
  RGBQUAD palette_[256] = {};
  std::unique_ptr<uint8_t[]> scan_;     // planes x bytes per line
  std::unique_ptr<uint8_t[]> indices_;  // one index a pixel
  friend void DestroyPCXLineReader(PCXLineReader*);
};
void DestroyPCXLineReader(PCXLineReader* reader);

class PCXLineWriter {
 public:
  // depth 1 or 8 with a palette (256 entries; at 1 bit only the first two
  // matter to readers), or 24; resolution: x and y dpi or null.
  static PCXLineWriter* Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height, uint32_t depth,
                             const RGBQUAD* palette, const double* resolution, uint32_t flags);
  bool WriteNextLine(uint32_t* error, const uint8_t* row);
  // Writes the 256-colour table of an 8-bit file.
  bool Finish(uint32_t* error);

 private:
  PCXLineWriter(CPicIO& io) : io_(io) {}
  CPicIO& io_;
  uint32_t width_ = 0, height_ = 0, depth_ = 0, bytesPerLine_ = 0, rowsWritten_ = 0;
  bool bgr_ = false;
  RGBQUAD palette_[256] = {};
  std::unique_ptr<uint8_t[]> planes_;   // the row split into planes
  std::unique_ptr<uint8_t[]> encoded_;  // the row encoded
  friend void DestroyPCXLineWriter(PCXLineWriter*);
};
void DestroyPCXLineWriter(PCXLineWriter* writer);

// The generic reader's PCX codec (pcx_entries.cpp).
extern const PicGenericCodec kPcxGenericCodec;

}  // namespace Pictura
