#pragma once
// pic_ entries of the generic reader.

#include "core/picapi.h"
#include "core/pictura_io.h"

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
