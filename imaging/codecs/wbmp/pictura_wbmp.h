#pragma once
// pic_ entries of the WBMP codec (type 0: one bit a pixel, 1 white).
//
// Read: depth 1 (packed bits) or 8 (one byte a pixel, 0 black, 1 white),
// top row first; palette (required unless flags 2) gets black and white as
// entries 0 and 1. Flags 2 a 1-bit PicPackedDIB; 8 rows padded to 4 bytes
// (not with 2). A file that ends early gives the rows read so far with
// last error 3: free the block then too.
// Write: an 8-bit image, non-zero white; flags 4 the rows are given bottom
// row first. Codes: 53 not a type-0 WBMP file (or a size the file cannot
// back).

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

BOOL PICAPI pic_GetWBMPDims(HPICSRC src, DWORD* width, DWORD* height, DWORD unused);
HGLOBAL PICAPI pic_ReadWBMP(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette, DWORD depth,
                            DWORD flags);
/* Returns the number of bytes written, 0 on failure. */
DWORD PICAPI pic_WriteWBMP(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                           DWORD flags);

#ifdef __cplusplus
}
#endif
