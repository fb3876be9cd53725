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
  kFillBlend = 1,         // blend with the opacity
  kFillBGR = 2,           // colour bytes 0 and 2 exchanged
  kFillAntiAliased = 4,   // supersampled edges
  kFillFineSamples = 8,   // 16 samples a side instead of 4
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
              uint32_t stride, uint32_t color, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t flags);

}  // namespace Pictura
