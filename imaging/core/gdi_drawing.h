#pragma once
// Drawing bitmaps onto a device context (Windows only).

#include <windows.h>

// Draws `bitmap` at (x, y), leaving pixels of `transparent` showing what the
// DC had. Returns FALSE when any GDI step fails; the target is then untouched.
BOOL WINAPI pic_DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent);
