#pragma once
// Putting bitmaps and images onto a device context (Windows only). Cores
// take the error word first and return TRUE when they drew.

#include <windows.h>

#include <cstdint>

namespace Pictura {

int DrawHBITMAPCropped(uint32_t* error, HDC dc, HBITMAP bitmap, int x, int y, int sourceX, int sourceY,
                       int width, int height, HPALETTE palette);
// Pixels of the transparent colour let the DC's content show; the caller's
// bitmap is only read. Every GDI object is made before anything is drawn.
int DrawTransparentBitmap(uint32_t* error, HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent);
// An RGBA image blended over what the DC shows at (x, y); option bits 0
// and 1 go to the bitmap conversion (rows B, G, R; rows bottom-up).
int DrawRGBA(uint32_t* error, HDC dc, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
             int x, int y, HPALETTE palette, uint32_t option);
// The RGBA image resized (bilinear) by scale, then drawn as DrawRGBA does.
int DrawRGBAScaled(uint32_t* error, HDC dc, const uint8_t* pixels, uint32_t width, uint32_t height,
                   uint32_t stride, int x, int y, double scale, HPALETTE palette, uint32_t option);
// A packed DIB's source rectangle stretched onto the destination rectangle.
int StretchDrawDIBCropped(uint32_t* error, HDC dc, const void* dib, const RECT* source,
                          const RECT* destination);

}  // namespace Pictura
