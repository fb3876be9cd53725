#pragma once
// pic_ entries of the TGA codec.
//
// Read: colour-mapped (8-bit indices), true-colour (15, 16, 24, 32 bits)
// and grey (8 bits, or 16 with alpha) files, raw or run-length encoded.
// Results are top-down rows: depth 8 one index a pixel (colour-mapped or
// 8-bit grey files; the map or a grey ramp to `palette`), 24 R, G, B, 32
// R, G, B, A. Read flags: 2 a PicPackedDIB (8 bits up to 8-bit files, 32
// for 32-bit files, else 24; any depth accepted); 8 rows padded to 4 bytes
// and pixels B, G, R(, A) (not with 2). A file that ends early gives the
// rows read so far with last error 3: free the block then too.
// Write: depth 8 (palette of 256 entries), 24 or 32, top row first with the
// TGA 2.0 extension area and footer; flags 4 the rows are given bottom row
// first, 8 pixels are already B, G, R(, A).
// Codes: 3 short file, 24 past the last row, 28 an 8-bit read of a deeper
// file, 32 not a TGA file (or a header the file cannot back).

#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicTGALineWriter__* HPICTGAWRITELINES;

#ifdef __cplusplus
extern "C" {
#endif

BOOL PICAPI pic_GetTGADims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD unused);
/* The colour map of a file of up to 8 bits (256 entries of room); count: entries in the map. */
BOOL PICAPI pic_GetTGAPalette(HPICSRC src, RGBQUAD* palette, DWORD* count);
/* depth 8 (palette required), 24 or 32; flags 2 ignores depth. */
HGLOBAL PICAPI pic_ReadTGA(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags);
/* Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WriteTGA(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, DWORD unused, DWORD flags);

/* Rows of width x depth / 8 bytes, top row first; destroying the handle
   writes the extension area and the footer. */
HPICTGAWRITELINES PICAPI pic_InitWriteTGALines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               const RGBQUAD* palette, DWORD flags);
BOOL PICAPI pic_WriteNextTGALine(HPICTGAWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWriteTGALines(HPICTGAWRITELINES lines);

#ifdef __cplusplus
}
#endif
