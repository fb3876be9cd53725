#pragma once
// The library's layer between libtiff and the TIFF codec: a libtiff handle
// over a CPicIO stream, the extra tag definitions, per-handle message
// handlers, and the state libtiff's RGBA path consults (progress, the
// error it leaves, the alpha override, raw CMYK), kept in the handle's
// client data.

#include <tiffio.h>

#include <cstdint>

#include "core/io_managers.h"

namespace Pictura {

// The progress hook of the RGBA loops: non-zero asks them to stop.
using TIFFProgressHook = int32_t (*)(uint32_t row, uint32_t total, uintptr_t user);

// The client data of every handle the codec opens; lives as long as the
// handle (OpenTIFFOnStream makes it, CloseTIFF frees it).
struct TIFFHandleState {
  CPicIO* stream = nullptr;
  TIFFProgressHook tif_progressproc = nullptr;
  uintptr_t tif_progressdata = 0;
  uint32_t tif_iserror = 0;
  int32_t tif_alphaoverride = -1;
  uint32_t tif_rawcmyk = 0;
};

// The handle's state (never null for a handle from OpenTIFFOnStream).
TIFFHandleState* TIFFState(TIFF* tif);

// mode "r", "wW" (new file) or "a" (append a page); null on failure (the
// caller stores its code). The stream stays the caller's.
TIFF* OpenTIFFOnStream(CPicIO* stream, const char* mode);
// Closes the handle (writing its directory when writing) and frees the state.
void CloseTIFF(TIFF* tif);

// Installs the tag extender once per process, whatever the threads.
void InstallTIFFTagExtender();

// 1 when the hook asks to stop, else 0.
int TIFFCallProgressHook(TIFF* tif, uint32_t row, uint32_t total);

// Reads the whole image through libtiff's RGBA path band by band (a strip,
// or a row of tiles, at a time), in the file's stored row order (the file's
// Orientation is not applied: the caller does that once). For each band
// sink(firstRow, rows, raster) gets rows x width ABGR words. Returns 1 on
// success, -1 when the progress hook stopped it (tif_iserror 14), 0 when
// libtiff failed.
using TIFFBandSink = void (*)(void* context, uint32_t firstRow, uint32_t rows, const uint32_t* raster);
// Where the caller's rows are (stored row y), for reads that skip the band:
// 24-bit RGB straight from 8-bit RGB samples, or 32-bit RGBA words straight
// into rows of width x 4 bytes (words: null for other layouts).
struct TIFFRowTarget {
  uint8_t* (*row)(void* context, uint32_t y) = nullptr;
  void* context = nullptr;
  uint32_t bytes = 3;  // 3: R, G, B (B, G, R with bgr); 4: the raster's own words
  bool bgr = false;
  bool contiguous = false;  // rows follow each other top-down with no gap
};
int TIFFReadRGBABands(TIFF* tif, TIFFBandSink sink, void* context, char* message,
                      const TIFFRowTarget* target = nullptr);

// The put routine that hands 8-bit CMYK through unconverted (C, M, Y, K in
// memory order).
void putRawCMYKTile(TIFFRGBAImage* img, uint32_t* cp, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                    int32_t fromskew, int32_t toskew, unsigned char* pp);

}  // namespace Pictura

namespace Pictura {
// A w x h region at (x, y) of the page through libtiff's RGBA path, in the
// stored row order, into w x h ABGR words. 1 or 0 (message set).
int TIFFReadRGBARegion(TIFF* tif, uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t* raster,
                       char* message);
}  // namespace Pictura
