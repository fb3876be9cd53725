#pragma once
// pic_ entries of the TIFF codec (over libtiff).
//
// Read depths: 1 and 8 (with a palette of 256 entries: blue, green, red,
// reserved), 16, 48 and 64 (16-bit samples: grey, R G B, R G B A), 24
// (R, G, B) and 32 (R, G, B, A). The image comes upright: the file's
// Orientation tag is applied once. Read flags: 1 keep the stored layout;
// 2 a PicPackedDIB at the file's natural depth; 4 a CMYK file's C, M, Y, K
// at 32 bits unconverted; 8 (tile-or-strip reads) the index names a strip;
// 32 rows padded to 4 bytes; 64 B, G, R (A) order. A block handed out with
// a non-zero code (a damaged strip, a stop) is the caller's to free too.
//
// Write depths 1, 4, 8 (palette; grey with flag 2), 16 (grey), 24, 32 (RGB
// with associated alpha, or CMYK with flag 16), 48 and 64; compression by
// libtiff's numbers (1 none, 5 LZW, 7 JPEG, 8 Deflate, 32773 PackBits, 3
// and 4 CCITT for 1 bit). Write flags: 1 append a page; 2 grey; 4 rows
// bottom row first; 8 pixels B, G, R (A); 16 CMYK; 32 1 bit min-is-black;
// 64 horizontal predictor (LZW, Deflate; 8 and 16 bits); 128 tiles. The
// thread's TIFF options (pic_SetTIFFOptions, pic_SetTIFFSoftware) and its
// ICC profile go into every page.
//
// Codes: 1 memory, 3 rewind refused, 4 writing failed, 5 bad arguments or
// no such page, 14 cancelled, 20 libtiff could not open or decode, 24 past
// the last line, 28 the file has no form of that depth, 54 no such tag, 74
// separate planes in a tile-or-strip read, 75 no such strip or tile.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

#include <stdarg.h>
#ifdef _WIN32
#include <oleauto.h>
#endif

typedef struct PicTIFFReader__* HPICTIFFREADER;
typedef struct PicTIFFWriter__* HPICTIFFWRITER;
typedef struct PicTIFFLineWriter__* HPICTIFFWRITELINES;

/* One page per call; return FALSE when there are no more. depth 1, 8 (with
   palette), 24 or 32; rows packed top-down. */
typedef BOOL(PICAPI* PicTIFFPageProc)(const BYTE** pixels, DWORD* width, DWORD* height, RGBQUAD** palette,
                                      DWORD* depth, DWORD* compression,
                                      Pictura::PicResolutionInfo* resolution, PIC_USERDATA user);

#ifdef __cplusplus
extern "C" {
#endif

/* bitDepth: bits a sample times samples a pixel. */
BOOL PICAPI pic_GetTIFFDims(HPICSRC src, DWORD page, DWORD* width, DWORD* height, DWORD* bitDepth,
                            Pictura::PicResolutionInfo* resolution, DWORD unused);
DWORD PICAPI pic_GetTIFFPageCount(HPICSRC src);
HGLOBAL PICAPI pic_ReadTIFF(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                            DWORD page, DWORD flags);
/* Bytes in the destination after writing, 0 on failure. */
DWORD PICAPI pic_WriteTIFF(HPICDEST dest, const BYTE* pixels, DWORD width, DWORD height, DWORD depth,
                           DWORD compression, const RGBQUAD* palette, DWORD stride,
                           const Pictura::PicResolutionInfo* resolution, DWORD flags);
DWORD PICAPI pic_WriteTiffMultiViaCB(HPICDEST dest, PicTIFFPageProc callback, PIC_USERDATA user, DWORD flags);

/* Thread options of the writers: rowsPerStrip -1 is libtiff's choice; tile
   sizes are rounded by libtiff (multiples of 16); orientation 1 to 8 is
   written as given; alphaOverride (-1 none, 1 associated, 2 unassociated)
   is what the readers make of an unspecified extra sample beside one or
   two colour samples. */
BOOL PICAPI pic_SetTIFFOptions(LONG rowsPerStrip, DWORD tileWidth, DWORD tileHeight, DWORD jpegQuality,
                               DWORD orientation, LONG alphaOverride);
/* null: the library's own Software text. */
BOOL PICAPI pic_SetTIFFSoftware(const char* text);

HPICTIFFWRITELINES PICAPI pic_InitWriteTIFFLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                                 DWORD compression, const RGBQUAD* palette,
                                                 const Pictura::PicResolutionInfo* resolution, DWORD flags);
BOOL PICAPI pic_WriteNextTIFFLine(HPICTIFFWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWriteTIFFLines(HPICTIFFWRITELINES lines);

/* The reader object: a source opened at a page; the source must outlive it. */
HPICTIFFREADER PICAPI pic_CreateTIFFReader_TR(HPICSRC src, DWORD page, DWORD flags);
BOOL PICAPI pic_DestroyTIFFReader_TR(HPICTIFFREADER reader);
DWORD PICAPI pic_GetTIFFPageCount_TR(HPICTIFFREADER reader);
BOOL PICAPI pic_SetTIFFPage_TR(HPICTIFFREADER reader, DWORD page);
/* libtiff's own field access (TIFFGetField's arguments). */
BOOL pic_GetTIFFTag_TR(HPICTIFFREADER reader, DWORD tag, ...);
BOOL pic_GetTIFFTagV_TR(HPICTIFFREADER reader, DWORD tag, va_list args);
HGLOBAL PICAPI pic_ReadTIFF_TR(HPICTIFFREADER reader, DWORD* width, DWORD* height, DWORD depth,
                               RGBQUAD* palette, DWORD flags);
HGLOBAL PICAPI pic_ReadTIFFTileOrStrip_TR(HPICTIFFREADER reader, DWORD* width, DWORD* height, DWORD depth,
                                          RGBQUAD* palette, DWORD x, DWORD y, DWORD flags);

/* The writer object: pages set up, tagged and written one at a time. */
HPICTIFFWRITER PICAPI pic_CreateTIFFWriter_TW(HPICDEST dest, DWORD flags);
BOOL PICAPI pic_InitializeTIFFWriter_TW(HPICTIFFWRITER writer, DWORD width, DWORD height,
                                        const RGBQUAD* palette, DWORD depth, DWORD compression,
                                        const Pictura::PicResolutionInfo* resolution, DWORD flags);
/* libtiff's own field access (TIFFSetField's arguments). */
BOOL pic_SetTIFFTag_TW(HPICTIFFWRITER writer, DWORD tag, ...);
BOOL pic_SetTIFFTagV_TW(HPICTIFFWRITER writer, DWORD tag, va_list args);
BOOL PICAPI pic_WriteTIFF_TW(HPICTIFFWRITER writer, const BYTE* pixels, DWORD stride);
BOOL PICAPI pic_WriteDirectory_TW(HPICTIFFWRITER writer);
BOOL PICAPI pic_DestroyTIFFWriter_TW(HPICTIFFWRITER writer);

#ifdef _WIN32
/* The tag as an OLE automation value: VT_UI4 (256, 257, 278, 322, 323,
   332, 34665), VT_UI2 (258, 259, 262, 274, 296, 334), VT_R4 (282, 283),
   VT_BSTR (305, 333; the caller frees it), VT_ARRAY | VT_UI2 (338; the
   caller destroys it). Another tag: VT_NULL and code 54; a tag the page
   lacks: code 54. */
BOOL PICAPI pic_GetTIFFTagVariant_TR(HPICTIFFREADER reader, DWORD tag, VARIANT* value);
BOOL PICAPI pic_GetTIFFTagVariant(HPICSRC src, DWORD page, DWORD tag, VARIANT* value);
#endif

#ifdef __cplusplus
}
#endif
