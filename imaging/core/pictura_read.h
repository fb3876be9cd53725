#pragma once
// pic_ entries of the file-type guess and the generic reader.

#include "core/picapi.h"
#include "core/pictura_io.h"

/* What pic_GuessFileType finds. */
enum PicFileType {
  kPicFileUnknown = 0,
  kPicFileBMP = 1,
  kPicFileGIF = 2,
  kPicFileJPEG = 3,
  kPicFilePNG = 4,
  kPicFilePCX = 5,
  kPicFileTIFF = 6,
  kPicFileWMF = 7, /* plain or placeable */
  kPicFileEMF = 8,
  kPicFilePAX = 9,
  kPicFilePSD = 10,
  kPicFileTLA01 = 11, /* "TLA" 0x01 form */
  kPicFileTLAU = 12,  /* "TLAU" form */
  kPicFileWBMP = 13,  /* by the file name only */
  kPicFileTGA = 14,   /* by the file name or the TGA footer */
  kPicFilePCDOverview = 15,
  kPicFilePCD = 16,
  kPicFileJP2 = 17,
  kPicFileJ2K = 18,
  kPicFileOLE = 19,
  kPicFilePBM = 20,
  kPicFilePGM = 21,
  kPicFilePPM = 22,
  kPicFileCALS = 23, /* by the file name only */
  kPicFileICO = 24   /* ICO or CUR, when the file name ends in ".ico" */
};

/* pic_ReadImage selectors. */
enum PicReadSelector {
  kPicReadRGB = 0,  /* 24-bit R, G, B rows (also any value not below) */
  kPicReadRGBA = 1, /* 32-bit R, G, B, A rows */
  kPicReadDIB = 2,  /* a PicPackedDIB */
  kPicRead1Bit = 3  /* (width + 7) / 8 bytes a row, a set bit the brighter class */
};

#ifdef __cplusplus
extern "C" {
#endif

/* The format of a source from its first bytes, its file name and the tests
   near its end; the source's position is left where the tests left it. */
DWORD PICAPI pic_GuessFileType(HPICSRC src);

/* Reads a source of any supported format from its start. The result is
   always a GlobalAlloc block (free it with GlobalFree), whatever allocation
   callbacks the thread set; rows are top-down. A format whose codec is not
   part of the library gives 45; no image always comes with a code. */
HGLOBAL PICAPI pic_ReadImage(HPICSRC src, DWORD* width, DWORD* height, DWORD selector, DWORD unused);

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus) && defined(_WIN32)
/* The same read as a device bitmap (DeleteObject it); the other arguments
   are not used. */
HBITMAP PICAPI pic_ReadImage(HPICSRC src, DWORD unused1, DWORD unused2, DWORD unused3);
#endif
