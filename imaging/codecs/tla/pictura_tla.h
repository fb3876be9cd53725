#pragma once
// pic_ entries of the TLA container, the library's own lossless format.
//
// A TLA file holds 1 (palette index), 2 (5-5-5 with an alpha bit), 3 (R, G,
// B) or 4 (R, G, B, A) bytes a pixel, up to 65535 x 65535, in bands of rows
// filtered (1 sub, 2 up, 4 predictor), deflated and, with a password,
// enciphered. The password only obscures the file from readers without it:
// it is obfuscation, not encryption (no integrity check, and the scheme has
// had no public analysis). Tags: byte blocks stored beside the image; the
// last file opened on the thread keeps them for pic_GetTLAInputTag.
// Reads: bytesPerPixel 1 (files of 1 byte a pixel, palette filled), 2, 3
// (R, G, B) or 4 (R, G, B, A); flags 2 a PicPackedDIB (8, 24 or 32 bits).
// Writes: flags 4 the rows are given bottom row first, 8 pixels are B, G,
// R(, A). Codes: 52 not a TLA file or a wrong password, 50 and 51 a band
// that does not deflate or inflate to its rows, 48 no image data, 24 rows
// other than the height at the end.

#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicTLALineReader__* HPICTLAREADLINES;
typedef struct PicTLALineWriter__* HPICTLAWRITELINES;

#ifdef __cplusplus
extern "C" {
#endif

/* bitDepth: bytes a pixel x 8. password: null or empty for none. */
BOOL PICAPI pic_GetTLADims_(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, const char* password,
                            DWORD unused);
/* The palette (256 entries, unused ones zero) of a 1-byte file and its count. */
BOOL PICAPI pic_GetTLAPalette(HPICSRC src, RGBQUAD* palette, DWORD* count, const char* password);
HGLOBAL PICAPI pic_ReadTLA(HPICSRC src, DWORD* width, DWORD* height, const char* password,
                           DWORD bytesPerPixel, RGBQUAD* palette, DWORD flags);
/* channels 1 to 4 (rows of width x channels bytes); rowsPerBand 0 for 20;
   filters below 8; paletteCount up to 256 (1 channel). Tags: tagCount
   blocks of tagLengths[i] bytes. Returns the destination's size, 0 on
   failure. */
DWORD PICAPI pic_WriteTLA(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                          const char* password, DWORD channels, DWORD rowsPerBand, DWORD filters,
                          DWORD paletteCount, const RGBQUAD* palette, const BYTE* const* tagData,
                          const DWORD* tagLengths, DWORD tagCount, DWORD flags);

/* Row by row; the source or destination must stay open until the handle is
   destroyed. A writer's destroy finishes the file (code 24 unless exactly
   height rows were given; rows past the height are ignored). */
HPICTLAREADLINES PICAPI pic_InitReadTLALines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             const char* password, DWORD bytesPerPixel);
BOOL PICAPI pic_ReadNextTLALine(HPICTLAREADLINES lines, BYTE* row, DWORD* rowIndex);
BOOL PICAPI pic_DestroyReadTLALines(HPICTLAREADLINES lines);
HPICTLAWRITELINES PICAPI pic_InitWriteTLALines(HPICDEST dest, DWORD width, DWORD height, DWORD channels,
                                               const char* password, DWORD rowsPerBand, DWORD filters,
                                               DWORD paletteCount, const RGBQUAD* palette, DWORD flags);
BOOL PICAPI pic_WriteNextTLALine(HPICTLAWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWriteTLALines(HPICTLAWRITELINES lines);

#ifdef __cplusplus
}
#endif
