#pragma once
// Packed DIBs and image buffers to and from GDI bitmaps, palettes, device
// contexts and bitmap resources (Windows only). Cores take the error word
// first; GDI objects they return belong to the caller, everything else
// they make is released before they return.

#include <windows.h>

#include <cstdint>

namespace Pictura {

// The calling thread's bitmap creation method: 0 CreateDIBitmap (device
// bitmaps), 1 CreateDIBSection.
uint32_t HBITMAPCreateMethod();

// A bitmap from a packed DIB; without a DC the screen's (a memory DC for
// 1-bit DIBs, which then become monochrome device bitmaps).
HBITMAP DIBToHBITMAP(uint32_t* error, const void* dib, HPALETTE palette, HDC dc);
// A packed DIB of the bitmap at its own depth (compression 0 only).
HGLOBAL HBITMAPToDIB(uint32_t* error, HBITMAP bitmap, uint32_t compression, HPALETTE palette);
int HBITMAPToRGB(uint32_t* error, HBITMAP bitmap, HDC dc, HPALETTE palette, uint8_t* output);
int HBITMAPToRGBA(uint32_t* error, HBITMAP bitmap, HDC dc, HPALETTE palette, uint8_t alpha, uint8_t* output);
// The DC's area at (x, y) as top-down RGB rows.
int DCToRGB(uint32_t* error, HDC dc, int x, int y, uint32_t width, uint32_t height, uint8_t* output);
// An image of 1, 8, 24 or 32 bits, optionally cropped (right and bottom
// included), as a bitmap for the DC.
HBITMAP ImageToHBITMAP(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                       uint32_t stride, uint32_t bits, const RGBQUAD* palette, uint32_t colours,
                       const RECT* crop, HPALETTE hpalette, HDC dc);
// flags (method 0 only): bit 0 rows already B, G, R; bit 1 rows bottom-up.
HBITMAP RGBToHBITMAP(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                     HPALETTE palette, uint32_t flags, HDC dc);
HPALETTE RGBQUADToHPALETTE(uint32_t* error, const RGBQUAD* entries, uint32_t count);
// A logical palette of a 1 to 8-bit DIB's table (null for deeper DIBs);
// count gets the number of entries.
HPALETTE CreateDIBPalette(const BITMAPINFOHEADER* header, uint32_t* count);
HBITMAP LoadResourceBitmap(uint32_t* error, HMODULE module, const char* name, HPALETTE palette);
HBITMAP LoadResourceBitmapW(uint32_t* error, HMODULE module, const wchar_t* name, HPALETTE palette);

}  // namespace Pictura
