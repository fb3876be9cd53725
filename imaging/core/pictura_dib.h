#pragma once
// pic_ entries of packed DIBs (PicPackedDIB: one GlobalAlloc block with a
// 40-byte BITMAPINFOHEADER, the colour table for 1 to 8 bits, then
// bottom-up rows padded to 4 bytes; free it with GlobalFree).
//
// Packers take top-down rows `stride` bytes apart; `block` may supply the
// DIB's memory (at least pic_GetISDIBSize bytes), else a new block is made.
// Unpackers write top-down rows of width x 3 (RGB) or width x 4 (RGBA) bytes.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Packing image buffers into DIBs */
HGLOBAL PICAPI pic_1BitToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                             const RGBQUAD* palette /* 2 entries */, void* block);
/* One byte per pixel, packed to outBits (1 to 8) with `colours` table entries. */
HGLOBAL PICAPI pic_8BitToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD colours,
                             DWORD outBits, const RGBQUAD* palette, void* block);
HGLOBAL PICAPI pic_RGB16ToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block);
HGLOBAL PICAPI pic_RGBToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block);
HGLOBAL PICAPI pic_RGBAToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block);
/* Bytes of a packed DIB of 1, 4, 8, 24 or 32 bits (0 and code 5 otherwise). */
DWORD PICAPI pic_GetISDIBSize(DWORD width, DWORD height, DWORD bits, DWORD colours);
DWORD PICAPI pic_GetDIBRowStride(DWORD width, DWORD bits);

/* Unpacking DIBs (1 to 8 bits with a table, 16 and 32 with bit fields, 24,
   RLE4 and RLE8; bottom-up or top-down) */
BOOL PICAPI pic_DIBToRGB(const void* dib, BYTE* output);
BOOL PICAPI pic_DIBToRGBA(const void* dib, DWORD alpha, BYTE* output);
BOOL PICAPI pic_DIBPartsToRGB(const BYTE* bits, const BITMAPINFOHEADER* header, const RGBQUAD* palette,
                              BYTE* output);
/* To 1-bit ((width + 7) / 8 bytes a row) or 8-bit rows; palette gets up to 256 entries. */
BOOL PICAPI pic_DIBToColormapped(const void* dib, DWORD outBits, DWORD* count, RGBQUAD* palette,
                                 BYTE* output);

/* Header accessors */
BOOL PICAPI pic_DIBWidth(const void* dib, DWORD* width);
BOOL PICAPI pic_DIBHeight(const void* dib, DWORD* height); /* the stored field: negative for top-down */
BOOL PICAPI pic_DIBBitCount(const void* dib, DWORD* bits);
BYTE* PICAPI pic_DIBPixelStart(const void* dib);
RGBQUAD* PICAPI pic_GetDIBPalette(const void* dib, DWORD* count);
BOOL PICAPI pic_GetDIBPaletteCopy(const void* dib, RGBQUAD* buffer /* 256 entries */, DWORD* count);

#ifdef __cplusplus
}
#endif
