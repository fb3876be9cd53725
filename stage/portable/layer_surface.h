#pragma once
// How Wine 8's X11 driver keeps a layered window's picture. It gives a shown
// top-level window a drawing surface of its on-screen part rounded out to
// steps of 32 pixels, and each push (UpdateLayeredWindow) makes a surface of
// the window's exact size. Where the two agree, pushes and moves reuse one
// surface, which Wine itself paints again where another window uncovers it
// (an X expose), and a restack keeps the picture. Where they differ, every
// push and restack makes new surfaces, the one a push fills is never painted
// again on an expose, and a restack shows a blank (black) one until the next
// push. A window whose size is a multiple of the step and lies on the screen
// (a part of less than a step beyond its right or bottom edge is fine) is of
// the first kind.

#include <cstdint>
#include <vector>

#include "stage/portable/figure_motion.h"  // SceneRect

inline constexpr int kSurfaceStep = 32;

// `length` rounded up to the next multiple of the step; 0 for none.
int RoundUpToSurfaceStep(int length);

// Whether Wine keeps one surface for a window at `window` on a virtual screen
// `screen` (both in screen pixels): its surface's rectangle (the window's part
// on the screen, relative to the window, rounded out to steps) is the window.
bool SurfaceKept(const SceneRect& window, const SceneRect& screen);

// An 8-bit picture's rows, top first: `stride` bytes from one row to the next
// (negative for a bottom-up DIB, `bits` then pointing at the top row).
struct PixelRows8 {
  uint8_t* bits = nullptr;
  int width = 0, height = 0;
  intptr_t stride = 0;
};

// Copies `source` into the bottom left of `target`, filling the rows above it
// and the columns right of it with `key`. False, with nothing written, when
// the source does not fit or either is empty.
bool PadToBottomLeft(const PixelRows8& source, const PixelRows8& target, uint8_t key);

// The runs of pixels other than `key` in columns [left, left + width) of
// `rows`, one rectangle per run and row, relative to (left, 0), rows top
// first and each row's runs left to right (the order a region's data wants).
// Columns outside the picture count as `key`.
std::vector<SceneRect> OpaqueRuns(const PixelRows8& rows, int left, int width, uint8_t key);

// A 32-bit picture's rows, top first: `stride` pixels from one row to the
// next (negative for a bottom-up DIB).
struct PixelRows32 {
  uint32_t* bits = nullptr;
  int width = 0, height = 0;
  intptr_t stride = 0;
};

// OpaqueRuns for 32-bit pixels, compared without their top byte (as Wine
// compares a colour key): `key` is 0xRRGGBB as a DIB holds it.
std::vector<SceneRect> OpaqueRuns32(const PixelRows32& rows, int left, int width, uint32_t key);

// Gives every pixel of `rows` the alpha a push wants: 0xFF, and 0 for the
// key colour (compared without the top byte; `key` is 0xRRGGBB), whose
// colour is kept. Where the X display has an alpha visual (the Composite
// extension: nearly every desktop), Wine shows a pushed window by its
// picture's alpha whatever the push's flags, and cuts it to the pixels whose
// alpha is not 0 over any window region; GDI's drawing leaves alpha 0, which
// shows nothing. Windows, and displays without that visual, ignore it.
void MarkKeyAlpha(const PixelRows32& rows, uint32_t key);

// The window to keep a picture of `size` at `at` in on the virtual screen
// `screen`: its size rounded up to whole steps (see-through columns right of
// the picture, rows below it) when Wine then keeps one surface for it; empty
// when it would not (a step or more of it off the screen, or no picture):
// such a picture goes as it is, colour-keyed.
SceneSize KeptWindowSize(ScenePoint at, SceneSize size, const SceneRect& screen);
