#pragma once
// pic_ entries of the BMP codec.
//
// Flags: 1 write RLE8 (the image is 8-bit indices); 2 read: a PicPackedDIB,
// write: the image is a PicPackedDIB written as it stands; 4 write: rows
// are already bottom row first; 8 read: rows padded to 4 bytes and pixels
// kept B, G, R, write: pixels are already B, G, R; 0x80000000 write: the
// stride is rounded up to 4.
// Read results are top-down rows (1 bit: (width + 7) / 8 bytes; 8 bits:
// one palette index a pixel; 24 and 32 bits: R, G, B(, A)). A file that ends
// early gives the rows read so far with last error 3: free the block then too.
// Codes: 6 bad BMP file, 7 unsupported RLE use, 24 past the last row,
// 28 the file is deeper than the depth asked.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicBMPLineReader__* HPICBMPREADLINES;
typedef struct PicBMPLineWriter__* HPICBMPWRITELINES;

#ifdef __cplusplus
extern "C" {
#endif

/* Height as stored: negative (two's complement) for a top-down file;
   resolution (may be null) in pixels per metre, unit 2. */
BOOL PICAPI pic_GetBMPDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitCount,
                           Pictura::PicResolutionInfo* resolution, DWORD unused);
/* The colour table of a 1, 4 or 8-bit file (256 entries of room). */
BOOL PICAPI pic_GetBMPPalette(HPICSRC src, RGBQUAD* palette, DWORD* count);
/* depth 1 or 8 (palette of 256 entries required), 24 or 32; flags 2 ignores depth. */
HGLOBAL PICAPI pic_ReadBMP(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags);
/* depth 1, 4, 8 (paletteColours entries of palette), 16, 24 or 32; resolution:
   x and y pixels per metre, or null. Returns the destination's size. */
DWORD PICAPI pic_WriteBMP(HPICDEST dest, const void* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, DWORD paletteColours, const RGBQUAD* palette,
                          const double* resolution, DWORD flags);

/* Row by row; the source or destination must stay open until the handle is
   destroyed. With a palette, rows of 1 to 8-bit files come as one index a
   pixel; else R, G, B. rowIndex: the row's place from the top. */
HPICBMPREADLINES PICAPI pic_InitReadBMPLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette);
BOOL PICAPI pic_ReadNextBMPLine(HPICBMPREADLINES lines, BYTE* row, DWORD* rowIndex);
BOOL PICAPI pic_DestroyReadBMPLines(HPICBMPREADLINES lines);
/* Rows are given bottom row first, in the file's layout of the depth. */
HPICBMPWRITELINES PICAPI pic_InitWriteBMPLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               DWORD rowStride, DWORD paletteColours, const RGBQUAD* palette,
                                               const double* resolution, DWORD flags);
BOOL PICAPI pic_WriteNextBMPLine(HPICBMPWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWriteBMPLines(HPICBMPWRITELINES lines);

#ifdef __cplusplus
}
#endif
