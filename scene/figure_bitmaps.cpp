#include "scene/figure_bitmaps.h"

// Stand-in: plain LoadBitmap, no palette.
HBITMAP ResourceBitmap(HMODULE module, const char* name, int, HPALETTE* outPalette, int) {
  if (outPalette) *outPalette = nullptr;
  return static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}
