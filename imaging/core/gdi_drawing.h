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
// A packed DIB's source rectangle stretched onto the destination rectangle.
int StretchDrawDIBCropped(uint32_t* error, HDC dc, const void* dib, const RECT* source,
                          const RECT* destination);

}  // namespace Pictura
