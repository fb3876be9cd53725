#pragma once
// Bitmap routines shared by figures and objects: resource loading, masks
// from the magenta key, and the transparent blits (mask AND, image XOR).
// Rectangles given to the draw routines are {x, y, width, height}.

#include <windows.h>

#include "services/handles.h"

// withPalette 0: the resource as a device-dependent bitmap. Otherwise the
// resource's DIB through a palette made from its colour table (written to
// *palette, realized on the screen when realizePalette is set).
HBITMAP ResourceBitmap(HMODULE module, const char* name, int realizePalette, HPALETTE* palette,
                       int withPalette);
// A palette of the colour table after a packed DIB header (1 to 8 bits), else null.
HPALETTE CreateBitmapPalette(const BITMAPINFOHEADER* header, int* colourCount);
// Monochrome bitmap of the bitmap's size, or null.
HBITMAP CreateMask(HBITMAP bitmap);
// Mask white where image had `key`, image black there. 1 on success.
int MakeTransparentBitmap(HBITMAP image, HBITMAP mask, COLORREF key);
// A figure's sheet "name" with its mask, ready for DrawSprite: 1 on success,
// 0 when the resource is missing, -1 when memory runs out. A sheet of up to
// 8 bits a pixel stays in its own depth (a DIB section, a quarter or less of
// a screen-format copy): its mask comes from the indices whose colour is
// `key`, and those entries of its colour table turn black, so it draws
// exactly as a screen-format sheet through MakeTransparentBitmap, which
// deeper sheets go through. Nothing is kept on failure.
int LoadKeyedSheet(HMODULE module, const char* name, COLORREF key, OwnedBitmap* sheet, OwnedBitmap* mask);
// An indexed picture (1, 4 or 8 bits a pixel) as a DIB section in its own
// depth with its colour table as it stands; null when "name" is missing or
// some other picture. Sheets and this read their rows from the module's file
// (services/resource_bytes.h), not through its mapped view.
HBITMAP LoadIndexedBitmap(HMODULE module, const char* name);
// Replaces `bitmap` by a copy in the screen's format (for drawing on it with
// the screen's colours); one already in it stays. False, with the bitmap
// kept, when the copy cannot be made.
bool ToScreenFormat(OwnedBitmap* bitmap);
// A 32-bit top-down DIB section, its pixels in `bits`; null on failure.
OwnedBitmap TopDownBitmap32(HDC dc, int width, int height, void** bits);
int DrawSprite(HDC dest, HBITMAP image, HBITMAP mask, POINT at, const RECT& source);
void DrawTransparent(HDC dest, HBITMAP image, HBITMAP mask, POINT at);
void DrawTransparentRect(HDC dest, HBITMAP image, HBITMAP mask, const RECT& destRect);
BOOL DrawBitmapPart(HDC dest, int x, int y, HBITMAP bitmap, const RECT& source);
void DrawBitmapRect(HDC dest, HBITMAP bitmap, const RECT& destRect);
// Width into rect.right, height into rect.bottom (0 and 0 on failure).
int GetBitmapRect(HBITMAP bitmap, RECT* rect);
