#pragma once
// pic_ entry of the file-type guess.

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

#ifdef __cplusplus
extern "C" {
#endif

/* The format of a source from its first bytes, its file name and the tests
   near its end; the source's position is left where the tests left it. */
DWORD PICAPI pic_GuessFileType(HPICSRC src);

#ifdef __cplusplus
}
#endif
