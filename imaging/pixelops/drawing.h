#pragma once
// Raster drawing into caller buffers: scan-converted polygon fills (1-bit;
// 1-, 3- and 4-byte pixels with colour, pattern, opacity, palette or
// anti-aliased edges; 16-bit samples) and straight lines. Each returns false
// with 5 for bad arguments, 14 when the progress callback says stop (the
// 1-bit fill only), 1 when memory runs out.
//
// A polygon covers the pixels whose centre row (y + 0.5) it crosses, from
// floor of the left edge to floor of the right edge at that row centre;
// rows and columns outside the image are skipped, never clamped onto it.

#include <cstdint>
#include <vector>

#include "core/wintypes.h"

namespace Pictura {

struct PolygonSpan {
  int32_t y = 0;
  int32_t xLeft = 0, xRight = 0;  // inclusive
  double xa = 0.0, xb = 0.0;      // the exact edge positions at the row centre
};

// Spans of the polygon (count (x, y) pairs, closed) on rows firstRow ..
// lastRow - 1 only. False when memory runs out.
bool BuildPolygonEdgeList(uint32_t count, const double* vertices, std::vector<PolygonSpan>& spans,
                          int64_t firstRow = INT32_MIN, int64_t lastRow = INT32_MAX);

bool FillPolygon1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                     const double* vertices, uint32_t count, uint32_t value);

enum FillPolygonFlags : uint32_t {
  kFillBlend = 1,        // blend with the opacity
  kFillBGR = 2,          // colour bytes 0 and 2 exchanged
  kFillAntiAliased = 4,  // supersampled edges
  kFillFineSamples = 8,  // 16 samples a side instead of 4
};

bool FillPolygon(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, const double* vertices, uint32_t count, const uint8_t* pattern,
                 uint32_t patternWidth, uint32_t patternHeight, uint32_t patternStride, uint32_t color,
                 double opacity, const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags);

bool FillPolygon16bpc(uint32_t* error, uint16_t* bits, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t stride, const double* vertices, uint32_t count, const uint16_t color[4],
                      double opacity, uint32_t flags);

// flags bit 0 BGR (3-byte pixels), bit 1 anti-aliased (3- and 4-byte pixels).
bool DrawLine(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
              uint32_t stride, uint32_t color, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              uint32_t flags);

// Ellipse outlines about (cx, cy) with radii rx, ry (0 .. 2^15; a zero
// radius gives a line) by the midpoint method; points outside the image are
// skipped. The 1-bit form sets (value != 0) or clears; the other takes 1- to
// 4-byte pixels and the colour word as DrawLine does (flags bit 0 BGR).
bool DrawEllipse1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                     int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t value);
bool DrawEllipse(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t color,
                 uint32_t flags);
// The filled ellipse (each row out to the outline's half width there) with
// FillPolygon's colour, opacity, palette and flags (kFillBlend, kFillBGR).
bool FillEllipse(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t color,
                 double opacity, const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags);

// Line ends: five vertices around the end point (ex, ey), in the frame
// whose x axis points out of the line along (cos, sin); listed from the
// line's left side (+y) to its right. width is the line's; size[0] the
// head's width, size[1] its length (at most length / 2 - 1 so two heads fit
// the line of that length).
enum LineEndStyle : uint32_t {
  kLineEndFlat = 0,      // cut square at the end point
  kLineEndSquare = 1,    // carried on by half the width
  kLineEndRound = 2,     // a half octagon of the width
  kLineEndArrow = 3,     // a head whose tip is the end point
  kLineEndTriangle = 4,  // a head past the end point
  kLineEndStyleCount = 5,
};
bool AppendLineEnd(std::vector<double>& vertices, uint32_t style, double ex, double ey, double sine,
                   double cosine, const double size[3], double width, double length);

// A line of the given width from (x1, y1) to (x2, y2) with an end shape at
// each end, filled by FillPolygon (its colour, opacity and flags).
bool DrawThickLine(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                   uint32_t stride, double x1, double y1, double x2, double y2, double lineWidth,
                   uint32_t startStyle, uint32_t endStyle, const double size[3], uint32_t color,
                   double opacity, uint32_t flags);

// Flood fills of 8-bit images from the seed (x, y), 4-connected. Mode 0
// (boundary): the fill spreads over pixels differing from `value` (by more
// than the tolerance when it is above 0). Mode 1 (region): over pixels
// matching the seed's value (within the tolerance: |pixel - seed| <= t).
enum FloodFillMode : uint32_t { kFloodBoundary = 0, kFloodRegion = 1 };
bool FloodFill8(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, int32_t x,
                int32_t y, uint8_t value, uint32_t tolerance, uint32_t mode);
// One byte per pixel (maskStride bytes a row): 1 where the fill from (x, y)
// reaches, else 0 (0 / 255 with flags bit 1). Seed mode: pixels matching the
// seed's value; boundary mode: pixels differing from `boundary` by more than
// the tolerance. The colour form takes 3- and 4-byte pixels and compares
// colour words with ColorsMatch.
bool BuildRegionMask8(uint32_t* error, const uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                      int32_t x, int32_t y, uint8_t* mask, uint32_t maskStride, uint32_t tolerance,
                      bool boundaryMode, uint8_t boundary, uint32_t flags);
bool BuildRegionMaskColor(uint32_t* error, const uint8_t* bits, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t stride, int32_t x, int32_t y, uint8_t* mask,
                          uint32_t maskStride, uint32_t tolerance, bool boundaryMode, uint32_t boundary,
                          uint32_t flags);

}  // namespace Pictura
