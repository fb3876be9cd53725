#pragma once
// The TIFF codec's cores over libtiff (opened through tiff_glue.h): the
// reader with its handle, whole-image reads at every depth, tile-or-strip
// reads, tag queries, and the writer with its handle, lines, whole images
// and multi-page writes. Each core takes the error word first and leaves
// its code there (0 on success).

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>

#include "core/allocators.h"
#include "core/codec_contexts.h"
#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/thread_context.h"
#include "core/wintypes.h"
#ifdef _WIN32
#include <oleauto.h>  // after windows.h
#endif

namespace Pictura {

// Read flags.
enum : uint32_t {
  kTIFFReadNoOrientation = 1,  // the stored layout, whatever the Orientation tag says
  kTIFFReadDIB = 2,            // a PicPackedDIB at the file's natural depth
  kTIFFReadRawCMYK = 4,        // 32 bits of a CMYK file: C, M, Y, K unconverted
  kTIFFReadStrip = 8,          // tile-or-strip reads: the index names a strip
  kTIFFReadPadded = 32,        // rows padded to 4 bytes
  kTIFFReadBGR = 64,           // B, G, R (A) instead of R, G, B (A)
};

// Write flags.
enum : uint32_t {
  kTIFFWriteAppend = 1,       // a page added to an existing file
  kTIFFWriteGray = 2,         // 4 and 8 bits without a ColorMap
  kTIFFWriteBottomUp = 4,     // the caller's rows come last to first
  kTIFFWriteBGR = 8,          // the caller's pixels are B, G, R (A)
  kTIFFWriteCMYK = 16,        // 32 and 64 bits are C, M, Y, K
  kTIFFWriteMinIsBlack = 32,  // 1 bit: 0 is black
  kTIFFWritePredictor = 64,   // horizontal differencing with LZW and Deflate
  kTIFFWriteTiles = 128,      // tiles instead of strips
};

struct TIFFReaderHandle {
  uint32_t depth = 0;
  uint32_t flags = 0;
  TIFF* tif = nullptr;
  CPicIO* source = nullptr;
};

TIFFReaderHandle* OpenTIFFReader(uint32_t* err, CPicIO* src, uint32_t page, uint32_t flags);
bool CloseTIFFReader(TIFFReaderHandle* handle);
uint32_t GetTIFFPageCount(uint32_t* err, CPicIO* src);
uint32_t GetTIFFPageCountTR(uint32_t* err, TIFFReaderHandle* handle);
bool SetTIFFReaderPage(uint32_t* err, TIFFReaderHandle* handle, uint32_t page);
int ReadTIFFDims(uint32_t* err, CPicIO* src, uint32_t page, uint32_t* width, uint32_t* height,
                 uint32_t* bitDepth, uint32_t* xRes, uint32_t* yRes, uint32_t* resUnit);

// Whole image of a page: the rows (or the DIB), also after a failure that
// left rows (a damaged band); null when nothing could be read.
HGLOBAL ReadTIFFImage(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t page,
                      uint32_t depth, RGBQUAD* palette, uint32_t flags);
HGLOBAL ReadTIFFInternal(uint32_t* err, TIFFReaderHandle* handle, uint32_t* width, uint32_t* height,
                         uint32_t depth, RGBQUAD* palette, uint32_t flags);
// One tile at (x, y), or strip x with kTIFFReadStrip, at full tile or
// strip size (the part outside the image 0).
HGLOBAL ReadTIFFTileOrStrip(uint32_t* err, TIFFReaderHandle* handle, uint32_t* width, uint32_t* height,
                            uint32_t depth, RGBQUAD* palette, uint32_t x, uint32_t y, uint32_t flags);

// The file's natural depth for a DIB: 1, 8, 24 or 32.
uint32_t TIFFNaturalDepth(TIFF* tif);
bool IsBilevelTIFF(uint32_t* err, TIFF* tif);
// Whether the file is big enough for width x height pixels of the page.
bool TIFFPlausible(TIFF* tif, uint32_t width, uint32_t height);
// Whether one tile of a tiled page (all its planes) stays under the cap and
// the file is big enough for it; true for strips.
bool TIFFTilesPlausible(TIFF* tif);
bool IsCCITTCompression(TIFF* tif);
// 2, 16 or 256 entries (B, G, R) from the ColorMap or the grey photometric.
bool BuildTIFFPalette(uint32_t* err, TIFF* tif, RGBQUAD* out, uint16_t photometric, uint16_t bitsPerSample);

// One row of samples as palette indices: 1 to 8 bits a sample to a byte
// each (most significant bits first, values as stored); 16-bit grey scaled
// to 0..255 as v x 255 / 65535, truncated.
void UnpackSamplesTo8Bit(const uint8_t* row, uint8_t* dst, uint32_t width, uint32_t bits);
void Grey16RowTo8Bit(const uint8_t* row, uint8_t* dst, uint32_t width);

// Whether 16-bit samples are handed back as they are: grey, RGB(A) or CMYK.
// Palette indices, YCbCr, LogLuv, LogL and Lab samples are not colours.
bool Samples16AreColour(bool hasPhotometric, uint16_t photometric);

// TIFFVGetField on the handle's page; 0 and 5 for a null handle.
int GetTIFFTagTR(uint32_t* err, TIFFReaderHandle* handle, uint32_t tag, va_list args);
// A counted byte tag (ICC profile, Photoshop resources, XMP, IPTC).
int ReadTIFFTagBlock(uint32_t* err, TIFF* tif, uint32_t tag, PicArray<uint8_t>* out);
int ReadTIFFTagBlockGlobal(uint32_t* err, CPicIO* src, uint32_t tag, uint32_t page, HGLOBAL* data,
                           uint32_t* size);

#ifdef _WIN32
// The tag as a VARIANT of its own type (tiff_variant.cpp); 0 with 54 for a
// tag not answered this way (VT_NULL) or missing from the page.
int GetTIFFTagVariant(uint32_t* err, TIFFReaderHandle* handle, uint32_t tag, VARIANT* out);
#endif

// ---- Writer ----

struct TIFFWriterHandle {
  TIFF* tif = nullptr;
  CPicIO* dest = nullptr;
  uint32_t nextRow = 0;
  uint32_t rowCount = 0;
  uint32_t width = 0;
  uint32_t depth = 0;
  bool tiled = false;
  uint32_t flags = 0;
  PicArray<uint8_t> row;  // libtiff may change what it encodes: a copy of each line

  // 1 or 0 with 5 (null handle or row), 24 (past the page), 4 (not written).
  static int WriteNextLine(TIFFWriterHandle* handle, const uint8_t* row, uint32_t* err);
};

struct TIFFWriteCodecContext {
  uint32_t error = 0;
  uint16_t widen[256];  // 8-bit palette components to 16-bit ColorMap values
  PicIntResolution resolution{1, 1, 1};
  PicNestingScope depth;
  TIFFWriteCodecContext() {
    for (uint32_t i = 0; i < 256; ++i) widen[i] = static_cast<uint16_t>(i * 257);
  }
};

TIFFWriterHandle* OpenTIFFWriter(uint32_t* err, CPicIO* dest, uint32_t flags);
// Closes libtiff's handle (writing the last directory) and frees ours; 0
// for null.
int CloseTIFFWriter(TIFFWriterHandle* handle);
// Sets up a page. On failure the handle stays the caller's, still open,
// to be closed once by CloseTIFFWriter.
bool InitializeTIFFWriter(TIFFWriteCodecContext* ctx, TIFFWriterHandle* handle, uint32_t width,
                          uint32_t height, const RGBQUAD* palette, uint32_t depth, uint32_t compression,
                          const PicResolutionInfo* res, uint32_t flags);
bool WriteTIFFDirectory(uint32_t* err, TIFFWriterHandle* handle);
bool RewriteTIFFDirectory(uint32_t* err, TIFFWriterHandle* handle);
bool SetTIFFTagTW(uint32_t* err, TIFFWriterHandle* handle, uint32_t tag, va_list args);
// The rows of a page already set up; stride in bytes.
bool WriteTIFFImageRows(uint32_t* err, TIFFWriterHandle* handle, const uint8_t* pixels, uint32_t stride);
// Whole image of depth 1, 4, 8, 16, 24, 32, 48 or 64 into a new file (or a
// new page with kTIFFWriteAppend): the destination's size after writing, or 0.
uint32_t WriteTIFFWhole(TIFFWriteCodecContext* ctx, CPicIO* dest, const uint8_t* pixels, uint32_t width,
                        uint32_t height, uint32_t depth, uint32_t compression, const RGBQUAD* palette,
                        uint32_t stride, const PicResolutionInfo* res, uint32_t flags);

// One page per call; FALSE ends the pages.
using TIFFPageCallback = BOOL(PICAPI*)(const BYTE** pixels, DWORD* width, DWORD* height, RGBQUAD** palette,
                                       DWORD* depth, DWORD* compression, PicResolutionInfo* resolution,
                                       PIC_USERDATA user);
uint32_t WriteTIFFMultiViaCallback(TIFFWriteCodecContext* ctx, CPicIO* dest, TIFFPageCallback callback,
                                   PIC_USERDATA user, uint32_t flags);

// The generic reader's TIFF codec (tiff_entries.cpp).
extern const PicGenericCodec kTiffGenericCodec;

}  // namespace Pictura
