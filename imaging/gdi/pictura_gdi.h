#pragma once
// pic_ entries between images and Windows GDI: packed DIBs and image
// buffers to and from bitmaps, palettes, device contexts and bitmap
// resources, and drawing onto device contexts. Windows only.
//
// Bitmaps and palettes returned belong to the caller (DeleteObject); DIBs
// are GlobalAlloc blocks (GlobalFree). Drawing entries return TRUE when
// they drew.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Conversions. The calling thread's create method decides how bitmaps are
   made: 0 (the default) device bitmaps, 1 DIB sections. */
void PICAPI pic_SetHBITMAPCreateMethod(DWORD method);
HBITMAP PICAPI pic_DIBToHBITMAP(const void* dib, HPALETTE palette, HDC dc);
HGLOBAL PICAPI pic_HBITMAPToDIB(HBITMAP bitmap, HPALETTE palette);
BOOL PICAPI pic_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* output);
BOOL PICAPI pic_HBITMAPToRGBA(HBITMAP bitmap, HDC dc, HPALETTE palette, DWORD alpha, BYTE* output);
BOOL PICAPI pic_DCToRGB(HDC dc, int x, int y, DWORD width, DWORD height, BYTE* output);
/* bits 1, 8, 24 or 32; crop (right and bottom included) may be null. */
HBITMAP PICAPI pic_ImageToHBITMAP(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD bits,
                                  const RGBQUAD* palette, DWORD colours, const RECT* crop, HPALETTE hpalette,
                                  HDC dc);
HBITMAP PICAPI pic_RGBToHBITMAP(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, HPALETTE palette,
                                HDC dc);
HPALETTE PICAPI pic_RGBQUADToHPALETTE(const RGBQUAD* entries, DWORD count);
/* A new packed DIB of outWidth x outHeight at the bit count of dib (1, 4, 8,
   24 or 32, uncompressed) through *result, by the resize modes of
   pic_ResizeImage (paletted DIBs: 14 and 15 area average when shrinking both
   ways, 18 nearest, otherwise colours blended and matched back). FALSE and
   *result 0 on failure. */
BOOL PICAPI pic_ResizeDIB(const void* dib, DWORD outWidth, DWORD outHeight, HGLOBAL* result, DWORD mode,
                          DWORD flags);
/* A bitmap resource as a device bitmap for the screen; null with code 13
   when the module has no such bitmap, 5 for a null module. */
HBITMAP PICAPI pic_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette);
HBITMAP PICAPI pic_LoadResourceBitmapW(HMODULE module, const wchar_t* name, HPALETTE palette);

/* Drawing */
BOOL PICAPI pic_DrawHBITMAP(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, HPALETTE palette);
BOOL PICAPI pic_DrawHBITMAPCropped(HDC dc, HBITMAP bitmap, int x, int y, int sourceX, int sourceY, int width,
                                   int height, HPALETTE palette);
BOOL PICAPI pic_Draw1Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                         const RGBQUAD* palette, int x, int y, HPALETTE hpalette);
BOOL PICAPI pic_Draw8Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                         const RGBQUAD* palette, int x, int y, HPALETTE hpalette);
BOOL PICAPI pic_DrawRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x, int y,
                        HPALETTE palette);
/* An RGBA image (width x 4 bytes a row, alpha last) blended over the DC. */
BOOL PICAPI pic_DrawRGBA(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x, int y,
                         HPALETTE palette, DWORD option);
/* The same resized by scale (bilinear): trunc(width x scale) by trunc(height x scale). */
BOOL PICAPI pic_DrawRGBAScaled(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                               int y, double scale, HPALETTE palette, DWORD option);
/* Pixels of the colour `transparent` leave the DC's content showing. */
BOOL PICAPI pic_DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent);
BOOL PICAPI pic_DrawTransparentRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                                   int y, COLORREF transparent);
BOOL PICAPI pic_StretchDraw1Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                const RGBQUAD* palette, int x, int y, int destWidth, int destHeight);
BOOL PICAPI pic_StretchDraw8Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                const RGBQUAD* palette, int x, int y, int destWidth, int destHeight);
BOOL PICAPI pic_StretchDrawRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                               int y, int destWidth, int destHeight);
BOOL PICAPI pic_StretchDrawDIB(HDC dc, const void* dib, int x, int y, int width, int height);
BOOL PICAPI pic_StretchDrawDIBCropped(HDC dc, const void* dib, const RECT* source, const RECT* destination);
/* Leaves an earlier error in place on success. */
BOOL PICAPI pic_GetHBITMAPDimensions(HBITMAP bitmap, DWORD* width, DWORD* height);

#ifdef __cplusplus
}
#endif
