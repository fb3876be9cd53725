#pragma once
// pic_ entries of the JPEG codec.
//
// Read depths: 8 (grey files), 24 (R, G, B; grey and CMYK files converted)
// and 32 (CMYK and YCCK files raw, with flag 1). Read flags: 1 CMYK and YCCK
// raw at 32 bits; 2 a PicPackedDIB (grey files at 8 bits, others at 24);
// 4 YCbCr left unconverted; 8 rows padded to 4 bytes and R, G, B given as
// B, G, R; 16 leave the source just after the JPEG data; 32 progressive
// display passes through the pass callback (pic_SetJPGPassCallback).
// A file that ends early decodes to its end (the rest as libjpeg fills it).
//
// Write depths 8, 24, 32 (CMYK). Write flags: 1 progressive; 2 (32 bits)
// YCCK input; 4 rows given bottom row first; 8 (24 bits) input B, G, R;
// 16 (24 bits) YCbCr input; 32 no JFIF header. Quality 0 to 100. The
// thread's output comments, markers and ICC profile follow the JFIF header.
//
// Codes: 1 memory, 3 a libjpeg failure while reading lines, 4 while
// writing, 5 bad arguments (also an ICC profile of more than 255 chunks),
// 9 bad JPEG file or a depth the file cannot give, 14 cancelled, 24 past
// the last line.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicJPGLineReader__* HPICJPGREADLINES;
typedef struct PicJPGLineWriter__* HPICJPGWRITELINES;

/* Called after each progressive pass of a flag-32 read with the image so
   far (the result block), its size, the requested depth and the pass from
   0; FALSE ends the read with the image as it stands. */
typedef BOOL(PICAPI* PicJPGPassCallback)(const void* image, DWORD width, DWORD height, DWORD depth,
                                         DWORD pass, PIC_USERDATA user);

#ifdef __cplusplus
extern "C" {
#endif

/* bitDepth: 8 per component; colorSpace: libjpeg's code of the file's
   space; codingFlags: 1 progressive, 2 arithmetic; resolution: the JFIF
   density (unit 0 none, 1 per inch, 2 per cm). */
BOOL PICAPI pic_GetJPGDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* colorSpace,
                           DWORD* codingFlags, Pictura::PicResolutionInfo* resolution, DWORD unused);
HGLOBAL PICAPI pic_ReadJPG(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags);
/* Returns the bytes in the destination after writing, 0 on failure. */
DWORD PICAPI pic_WriteJPG(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD stride, DWORD quality, const Pictura::PicResolutionInfo* resolution,
                          DWORD flags);

/* Row by row (the manager must stay open until the handle is destroyed). */
HPICJPGREADLINES PICAPI pic_InitReadJPGLines(HPICSRC src, DWORD* width, DWORD* height, DWORD depth,
                                             DWORD flags);
BOOL PICAPI pic_ReadNextJPGLine(HPICJPGREADLINES lines, BYTE* row, DWORD* rowIndex);
BOOL PICAPI pic_DestroyReadJPGLines(HPICJPGREADLINES lines);
HPICJPGWRITELINES PICAPI pic_InitWriteJPGLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               DWORD quality, const Pictura::PicResolutionInfo* resolution,
                                               DWORD flags);
BOOL PICAPI pic_WriteNextJPGLine(HPICJPGWRITELINES lines, const BYTE* row);
BOOL PICAPI pic_DestroyWriteJPGLines(HPICJPGWRITELINES lines);

/* The COM and APP1 to APP14 markers of a file's header into the thread's
   input lists (emptied first); returns how many were kept. */
DWORD PICAPI pic_ReadJPGMarkers(HPICSRC src);
/* Copies input comment or marker `index` (at most capacity bytes; a
   comment with its terminating zero) and returns its full length. */
DWORD PICAPI pic_GetJPGInputComment(DWORD index, char* buffer, DWORD capacity);
DWORD PICAPI pic_GetJPGInputMarker(DWORD index, DWORD* code, BYTE* buffer, DWORD capacity);

/* What the writers put out: COM segments and APPn segments (code 0xE0 to
   0xEF, or 0xFE), each at most 65533 bytes. */
BOOL PICAPI pic_AddJPGOutputComment(const char* text);
BOOL PICAPI pic_AddJPGOutputMarker(DWORD code, const BYTE* data, DWORD size);
BOOL PICAPI pic_ClearJPGOutputMarkers(void);

/* dctMethod: 1 slow integer, 2 fast integer, 3 float, else libjpeg's
   default (writing); smoothing 0 to 100 (writing); output scale
   scaleNum / scaleDenom (reading). */
BOOL PICAPI pic_SetJPGOptions(DWORD dctMethod, DWORD smoothing, DWORD scaleNum, DWORD scaleDenom);
/* Sampling factors of the first `count` components (at most 10) for the
   writers; count 0 returns to libjpeg's defaults. */
BOOL PICAPI pic_SetJPGSampling(DWORD count, const DWORD* horizontal, const DWORD* vertical);
BOOL PICAPI pic_SetJPGPassCallback(PicJPGPassCallback callback, PIC_USERDATA user);

#ifdef __cplusplus
}
#endif
