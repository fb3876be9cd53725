#pragma once
// Every UpdateLayeredWindow of the program goes through PushLayered, so that
// each picture carries the alpha that shows it on every display
// (MarkKeyAlpha, stage/portable/layer_surface.h): where Wine gives a pushed
// window an alpha visual (an X display with the Composite extension) it
// shows the picture by its alpha and cuts the window to the pixels whose
// alpha is not 0, whatever the flags and the window region say.

#include <windows.h>

#include <cstdint>

#include "stage/portable/layer_surface.h"

// The key colour as a 32-bit DIB holds it (0xRRGGBB).
uint32_t KeyPixel();

// Pushes `size` of `source` from `from` to `window` at `at` with `flags`
// (ULW_COLORKEY, the key being the magenta key colour, or ULW_OPAQUE).
// `rows`, when given, are the source's own 32-bit pixels at `from`: their
// alpha is set there; any other source (a device-dependent bitmap, fewer
// bits a pixel) is copied into a 32-bit picture made for this push.
BOOL PushLayered(HWND window, HDC screenDC, POINT at, SIZE size, HDC source, POINT from, DWORD flags,
                 const PixelRows32* rows = nullptr);
