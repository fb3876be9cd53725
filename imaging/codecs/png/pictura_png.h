#pragma once
// pic_ entries of the PNG codec.
//
// Read depths: 1 and 8 (palette indices or grey, with a palette of 256
// entries: blue, green, red, alpha), 16 (grey and alpha bytes; with flag 4
// 16-bit grey), 24 (R, G, B), 32 (R, G, B, A), 48 (16-bit R, G, B) and 64
// (16-bit R, G, B, A); 16-bit samples little-endian. Without an alpha
// channel in the output, transparent pixels take the file's bKGD colour or
// the thread's background. Read flags: 1 gamma correction; 2 a PicPackedDIB
// at the file's natural depth; 4 see depth 16; 8 rows padded to 4 bytes and
// R, G, B given as B, G, R.
//
// Write: colour type 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA at
// the bit depths PNG allows (16-bit samples little-endian). Write flags:
// 1 Adam7 (whole image only); 2 the palette's fourth bytes as tRNS alpha
// (palette images); 4 rows given bottom row first; 8 input B, G, R; 16 no
// tIME chunk. The thread's text chunks, background, colour key, zlib
// options and ICC profile go into the file.
//
// Codes: 1 memory, 4 writing failed, 5 bad arguments (also an ICC profile
// that libpng refuses for the image), 14 cancelled, 15 bad PNG file (a file
// that ends early gives the rows read so far: free the block then too),
// 16 libpng unavailable, 17 the rows cannot come out at that depth, 24 past
// the last line, 28 the file has no form of that depth, 60 an interlaced
// file read by line, 66 no such chunk.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicPNGLineReader__* HPICPNGREADLINES;
typedef struct PicPNGLineWriter__* HPICPNGWRITELINES;

#ifdef __cplusplus
extern "C" {
#endif

/* transparentIndex (may be null) and red, green, blue, gray are set to -1
   first and get the file's tRNS key (for a palette file the first fully
   transparent entry); resolution (may be null): the pHYs values and unit. */
BOOL PICAPI pic_GetPNGDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* colorType,
                           DWORD* interlace, LONG* transparentIndex, LONG* red, LONG* green, LONG* blue,
                           LONG* gray, Pictura::PicResolutionInfo* resolution, DWORD unused);
/* The palette of a palette file, or the grey ramp of a grey one (256
   entries of room); count: the entries that are the file's. */
BOOL PICAPI pic_GetPNGPalette(HPICSRC src, RGBQUAD* palette, DWORD* count);
HGLOBAL PICAPI pic_ReadPNG(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags);
/* Returns the bytes in the destination after writing (also after a
   failure: check PicGetLastError). */
DWORD PICAPI pic_WritePNG(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD stride,
                          DWORD bitDepth, DWORD paletteCount, const RGBQUAD* palette, DWORD colorType,
                          double gamma, const Pictura::PicResolutionInfo* resolution, DWORD flags);

/* Row by row: with a palette, 8-bit indices (or grey); else R, G, B. Not for
   interlaced files (60). rowsRead: the rows read so far. */
HPICPNGREADLINES PICAPI pic_InitReadPNGLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             DWORD flags);
BOOL PICAPI pic_ReadNextPNGLine(HPICPNGREADLINES lines, BYTE* row, DWORD* rowsRead);
BOOL PICAPI pic_DestroyReadPNGLines(HPICPNGREADLINES lines);
HPICPNGWRITELINES PICAPI pic_InitWritePNGLines(HPICDEST dest, DWORD width, DWORD height, DWORD bitDepth,
                                               DWORD paletteCount, const RGBQUAD* palette, DWORD colorType,
                                               double gamma, const Pictura::PicResolutionInfo* resolution,
                                               DWORD flags);
BOOL PICAPI pic_WriteNextPNGLine(HPICPNGWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWritePNGLines(HPICPNGWRITELINES lines);

/* Text chunks: those to write (compressed: zTXt), and those of a file
   before its image data. A text read stays valid until the next read. */
BOOL PICAPI pic_AddPNGTextChunk(const char* keyword, const char* text, DWORD compressed);
BOOL PICAPI pic_ClearPNGTextChunks(void);
DWORD PICAPI pic_ReadPNGTextChunks(HPICSRC src);
BOOL PICAPI pic_GetPNGTextChunk(DWORD index, const char** keyword, const char** text, DWORD* compressed);

/* Settings of the calling thread. The background is used when reading
   (files without bKGD) and written as bKGD; the last file's bKGD (zeros when
   it has none) is kept for pic_GetPNGLastBackground. A transparent colour
   set with enable 1 is written as tRNS key of grey and RGB images.
   Compression: each value only when its bit is set in mask (1 filters,
   2 level, 4 memory level, 8 strategy, 16 window bits). */
BOOL PICAPI pic_SetPNGScreenGamma(double gamma);
BOOL PICAPI pic_SetPNGBackground(DWORD index, DWORD red, DWORD green, DWORD blue, DWORD gray);
BOOL PICAPI pic_GetPNGLastBackground(DWORD* index, DWORD* red, DWORD* green, DWORD* blue, DWORD* gray);
BOOL PICAPI pic_SetPNGTransparentColor(DWORD enable, DWORD index, DWORD red, DWORD green, DWORD blue,
                                       DWORD gray);
BOOL PICAPI pic_SetPNGCompression(DWORD mask, LONG level, LONG memoryLevel, LONG strategy, LONG windowBits,
                                  LONG filters);

#ifdef __cplusplus
}
#endif
