#pragma once
// pic_ entries of the pixel operations.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Colour matcher handles: nearest palette entry of an RGB colour. */
HGLOBAL PICAPI pic_CreateColorMatcher(const RGBQUAD* palette, DWORD count);
BOOL PICAPI pic_DestroyColorMatcher(HGLOBAL matcher);
DWORD PICAPI pic_FindClosestColor(HGLOBAL matcher, DWORD red, DWORD green, DWORD blue);

#ifdef __cplusplus
}
#endif
