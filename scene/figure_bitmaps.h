#pragma once
// Bitmap routines shared by figures and objects.

#include <windows.h>

// Loads a bitmap resource; with realizePalette and outPalette, builds a
// palette from the bitmap's colours (palette displays only).
HBITMAP ResourceBitmap(HMODULE module, const char* name, int realizePalette, HPALETTE* outPalette,
                       int withPalette);
