#pragma once
// pic_ entries of the PCX codec.
//
// Read: versions 0, 2, 3 and 5, 1 bit in 1 to 4 planes, 2, 4 or 8 bits in
// one plane, 8 bits in three planes. Results are top-down rows: 1 bit
// (width + 7) / 8 bytes, 8 bits one palette index a pixel (the 256-entry
// palette to `palette`), 24 bits R, G, B. Read flags: 2 a PicPackedDIB at
// the file's depth (1, 8 or 24); 8 rows padded to 4 bytes and 24-bit pixels
// B, G, R (not with 2). A file that ends early gives the rows read so far
// with last error 3: free the block then too. A version-5 8-bit file whose
// 256-colour table is missing or cut off is read with a grey ramp and
// counts a codec warning (pic_GetCodecWarningCount).
// Write: depth 1 or 8 (palette of 256 entries) or 24; flags 1 palette info
// "grey", 4 the rows are given bottom row first, 8 pixels are B, G, R;
// resolution: x and y dots per inch, or null.
// Codes: 22 not a PCX file (or a header the file cannot back), 24 past the
// last row, 28 the file is deeper than the depth asked.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicPCXLineReader__* HPICPCXREADLINES;
typedef struct PicPCXLineWriter__* HPICPCXWRITELINES;

#ifdef __cplusplus
extern "C" {
#endif

/* bitDepth: planes x bits per plane; resolution (may be null): the header's dpi, unit 0. */
BOOL PICAPI pic_GetPCXDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth,
                           Pictura::PicResolutionInfo* resolution, DWORD unused);
/* The colours of a file of up to 8 bits; count is always 256. */
BOOL PICAPI pic_GetPCXPalette(HPICSRC src, RGBQUAD* palette, DWORD* count);
/* depth 1 or 8 (palette required), 24 (palette not used); flags 2 ignores depth. */
HGLOBAL PICAPI pic_ReadPCX(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags);
/* Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WritePCX(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, const double* resolution, DWORD flags);

/* Row by row; the source or destination must stay open until the handle is
   destroyed. With a palette, rows are one index a pixel (files of up to 8
   bits); else R, G, B. rowIndex: the row's place from the top. */
HPICPCXREADLINES PICAPI pic_InitReadPCXLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             DWORD flags);
BOOL PICAPI pic_ReadNextPCXLine(HPICPCXREADLINES lines, BYTE* row, DWORD* rowIndex);
BOOL PICAPI pic_DestroyReadPCXLines(HPICPCXREADLINES lines);
/* Rows top row first in the layout of the depth; destroying the handle
   finishes the file (the colour table of an 8-bit file). */
HPICPCXWRITELINES PICAPI pic_InitWritePCXLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               const RGBQUAD* palette, const double* resolution, DWORD flags);
BOOL PICAPI pic_WriteNextPCXLine(HPICPCXWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWritePCXLines(HPICPCXWRITELINES lines);

#ifdef __cplusplus
}
#endif
