#pragma once
// pic_ entries of the PNM codec: PBM (P1, P4), PGM (P2, P5) and PPM (P3,
// P6), maxval up to 65535.
//
// Read depths: 1 from PBM (packed bits, a set bit black), 8 or 16 from PGM,
// 24 or 48 from PPM (R, G, B); 16-bit samples come in the machine's order.
// Samples are scaled to the output's full range (v x 255 / maxval or
// v x 65535 / maxval); a sample above maxval is read as maxval and the
// read counts a codec warning (pic_GetCodecWarningCount). Read flags: 2 a PicPackedDIB at the file's depth
// (PBM 1, PGM 8, PPM 24); 8 samples as stored, not scaled; 16 pixels
// B, G, R; 32 the bottom row first; 0x80000000 rows padded to 4 bytes (not
// at 16 and 48 bits).
// Write: depth 1 gives P4 (a set bit black), 8 or 16 P5, 24 or 48 P6; at
// 16 and 48 bits the samples are 16-bit and the stride counts samples.
// maxval 0 or below: 255, or 65535 at 16 and 48 bits; samples above it are
// written as maxval. Flags 4 the rows are given bottom row first, 8 pixels
// are B, G, R.
// Codes: 28 the file cannot give the depth asked, 78 a fault in the file
// (its text in the thread's messages).

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

/* magic: the first two bytes, 0x5031 for P1 to 0x5036 for P6; maxval 1 for PBM. */
BOOL PICAPI pic_GetPNMDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* magic, DWORD* maxval,
                           DWORD unused);
HGLOBAL PICAPI pic_ReadPNM(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags);
/* Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WritePNM(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, LONG maxval, DWORD flags);

#ifdef __cplusplus
}
#endif
