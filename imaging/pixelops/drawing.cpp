#include "pixelops/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <utility>

#include "core/allocators.h"
#include "core/color_match.h"
#include "core/crop_flip.h"
#include "core/thread_context.h"
#include "pixelops/alpha_blend_solid.h"

namespace Pictura {

namespace {

bool Fail(uint32_t* error, uint32_t code) {
  if (error) *error = code;
  return false;
}

bool VerticesUsable(const double* v, uint32_t count) {
  if (!v || count < 3) return false;
  for (uint32_t i = 0; i < 2 * count; ++i)
    if (!std::isfinite(v[i]) || std::fabs(v[i]) > 1e9) return false;
  return true;
}

// A column as a span end: far-off columns (scaled anti-aliased vertices)
// are held just inside 32 bits, where they still lie off every image.
int32_t SpanEdge(double x) {
  return static_cast<int32_t>(std::clamp(x, -2147483000.0, 2147483000.0));
}

// The span clipped to the image's columns; false when nothing is left.
bool ClipSpan(const PolygonSpan& s, uint32_t width, uint32_t height, uint32_t& x0, uint32_t& x1) {
  if (width == 0 || s.y < 0 || static_cast<uint32_t>(s.y) >= height || s.xRight < 0 ||
      s.xLeft >= static_cast<int64_t>(width))
    return false;
  x0 = static_cast<uint32_t>(std::max(s.xLeft, 0));
  x1 = static_cast<uint32_t>(std::min<int64_t>(s.xRight, int64_t{width} - 1));
  return x0 <= x1;
}

}  // namespace

bool BuildPolygonEdgeList(uint32_t count, const double* vertices, std::vector<PolygonSpan>& spans,
                          int64_t firstRow, int64_t lastRow) {
  spans.clear();
  if (count < 2 || !vertices) return true;
  try {
    auto X = [&](uint32_t i) { return vertices[2 * size_t{i}]; };
    auto Y = [&](uint32_t i) { return vertices[2 * size_t{i} + 1]; };
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return Y(a) < Y(b); });
    const double yMin = Y(order.front()), yMax = Y(order.back());
    int64_t first = static_cast<int64_t>(std::ceil(yMin - 0.5)),
            last = static_cast<int64_t>(std::floor(yMax - 0.5));
    first = std::max(first, firstRow), last = std::min(last, lastRow - 1);
    std::vector<uint32_t> active;  // edge e joins vertex e and e + 1
    std::vector<std::pair<double, uint32_t>> xs;
    size_t taken = 0;
    for (int64_t y = first; y <= last; ++y) {
      const double centre = static_cast<double>(y) + 0.5;
      for (; taken < count && Y(order[taken]) <= centre; ++taken) {
        const uint32_t i = order[taken];
        const uint32_t prev = i ? i - 1 : count - 1;
        // (edge, its other end): the edge in from the previous vertex, the one out to the next.
        const std::pair<uint32_t, uint32_t> edges[2] = {{prev, prev}, {i, i + 1 == count ? 0 : i + 1}};
        for (const auto& [edge, end] : edges) {
          auto at = std::find(active.begin(), active.end(), edge);
          if (Y(end) <= centre - 1.0) {
            if (at != active.end()) active.erase(at);
          } else if (Y(end) > centre && at == active.end()) {
            active.push_back(edge);
          }
        }
      }
      xs.clear();
      for (uint32_t e : active) {
        const uint32_t a = e, b = e + 1 == count ? 0 : e + 1;
        const bool aLow = Y(a) < Y(b);
        const uint32_t lo = aLow ? a : b, hi = aLow ? b : a;
        const double dx = (X(hi) - X(lo)) / (Y(hi) - Y(lo));
        xs.emplace_back(X(lo) + dx * (centre - Y(lo)), e);
      }
      std::sort(xs.begin(), xs.end());
      for (size_t p = 0; p + 1 < xs.size(); p += 2) {
        const double xa = xs[p].first, xb = xs[p + 1].first;
        const int32_t l = SpanEdge(std::floor(xa)), r = SpanEdge(std::floor(xb));
        if (l <= r) spans.push_back({static_cast<int32_t>(y), l, r, xa, xb});
      }
    }
  } catch (const std::bad_alloc&) {
    spans.clear();
    return false;
  }
  return true;
}

bool FillPolygon1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                     const double* vertices, uint32_t count, uint32_t value) {
  if (!bits || !VerticesUsable(vertices, count) || (height && uint64_t{width} > uint64_t{stride} * 8))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  std::vector<PolygonSpan> spans;
  if (!BuildPolygonEdgeList(count, vertices, spans, 0, height)) return Fail(error, kPicErrNoMemory);
  const uint32_t n = static_cast<uint32_t>(spans.size());
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t x0 = 0, x1 = 0;
    if (ClipSpan(spans[i], width, height, x0, x1)) {
      uint8_t* row = bits + static_cast<size_t>(spans[i].y) * stride;
      for (uint32_t x = x0; x <= x1; ++x) {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = value ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
      }
    }
    if (!PicProgress(i, n)) return Fail(error, kPicErrCancelled);
  }
  return true;
}

namespace {

// The supersampled coverage of the polygon, reduced to one byte per pixel
// by exact s x s box averages, blended through BlendSolidColorThroughMask.
bool FillPolygonAntiAliased(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height,
                            uint32_t bytesPerPixel, uint32_t stride, const double* vertices, uint32_t count,
                            uint32_t color, double opacity, uint32_t flags) {
  if (width == 0 || height == 0) return true;
  double x0 = vertices[0], x1 = x0, y0 = vertices[1], y1 = y0;
  for (uint32_t i = 1; i < count; ++i) {
    x0 = std::min(x0, vertices[2 * i]), x1 = std::max(x1, vertices[2 * i]);
    y0 = std::min(y0, vertices[2 * i + 1]), y1 = std::max(y1, vertices[2 * i + 1]);
  }
  const double W = width - 1.0, H = height - 1.0;
  x0 = std::clamp(x0, 0.0, W), x1 = std::clamp(x1, 0.0, W), y0 = std::clamp(y0, 0.0, H),
  y1 = std::clamp(y1, 0.0, H);
  // Whole pixels from floor(min) to floor(max): the mask covers the polygon
  // also when its left or top edge is fractional.
  const int64_t ox = static_cast<int64_t>(std::floor(x0)), oy = static_cast<int64_t>(std::floor(y0));
  const uint32_t mw = static_cast<uint32_t>(std::floor(x1) - ox + 1),
                 mh = static_cast<uint32_t>(std::floor(y1) - oy + 1);
  const uint32_t s = (flags & kFillFineSamples) ? 16 : 4;
  uint64_t fine = 0;
  if (!PicSizeWithinCap(uint64_t{mw} * s, uint64_t{mh} * s, 1, &fine)) return Fail(error, kPicErrNoMemory);
  const uint32_t fw = mw * s, fh = mh * s;
  std::vector<PolygonSpan> spans;
  std::vector<double> moved(2 * size_t{count});
  for (uint32_t i = 0; i < count; ++i) {
    moved[2 * i] = (vertices[2 * i] - static_cast<double>(ox)) * s;
    moved[2 * i + 1] = (vertices[2 * i + 1] - static_cast<double>(oy)) * s;
  }
  if (!BuildPolygonEdgeList(count, moved.data(), spans, 0, fh)) return Fail(error, kPicErrNoMemory);
  // Coverage counts per destination pixel, summed straight from the spans.
  std::vector<uint32_t> sums(size_t{mw} * mh, 0);
  for (const PolygonSpan& span : spans) {
    // A sample counts when its centre lies inside: exact halves at both ends.
    PolygonSpan centres = span;
    centres.xLeft = SpanEdge(std::ceil(span.xa - 0.5));
    centres.xRight = SpanEdge(std::ceil(span.xb - 0.5)) - 1;
    uint32_t a = 0, b = 0;
    if (centres.xLeft > centres.xRight || !ClipSpan(centres, fw, fh, a, b)) continue;
    uint32_t* row = sums.data() + size_t(span.y / s) * mw;
    for (uint32_t x = a; x <= b; ++x) ++row[x / s];
  }
  const double o = (flags & kFillBlend) ? std::clamp(opacity, 0.0, 1.0) : 1.0;
  const uint8_t level = static_cast<uint8_t>(255 * o);
  std::vector<uint8_t> mask(sums.size());
  const uint32_t area = s * s;
  for (size_t i = 0; i < sums.size(); ++i) mask[i] = uint8_t((uint64_t{sums[i]} * level + area / 2) / area);
  const uint32_t swapped =
      bytesPerPixel == 1 ? color : (color & 0xFF00FF00u) | (color & 0xFF) << 16 | (color >> 16 & 0xFF);
  return BlendSolidColorThroughMask(error, bits, width, height, bytesPerPixel, stride, mask.data(), mw, mh,
                                    mw, (flags & kFillBGR) ? swapped : color, static_cast<int32_t>(ox),
                                    static_cast<int32_t>(oy), 0);
}

// Spans filled with a colour (or blended, or matched into a palette) or a
// tiled pattern; may throw std::bad_alloc.
void PaintSpans(uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                const std::vector<PolygonSpan>& spans, const uint8_t* pattern, uint32_t patternWidth,
                uint32_t patternHeight, uint32_t patternStride, uint32_t color, double opacity,
                const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags) {
  uint8_t c[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), uint8_t(color >> 24)};
  const bool paletted = bytesPerPixel == 1 && palette && paletteSize > 0;
  if (paletted && c[0] < paletteSize) {
    const RGBQUAD& e = palette[c[0]];
    c[0] = e.rgbRed, c[1] = e.rgbGreen, c[2] = e.rgbBlue;
  }
  if (flags & kFillBGR) std::swap(c[0], c[2]);
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;  // NaN too gives 0
  uint8_t a[256], b[256];
  for (int v = 0; v < 256; ++v) a[v] = uint8_t(v * o), b[v] = uint8_t(v * (1.0 - o));
  auto mix = [&](uint8_t d, uint8_t col) { return uint8_t(std::min(255, b[d] + a[col])); };
  CPicImgColorMatch matcher;
  if (paletted) matcher.SetPalette(palette, std::min(paletteSize, 256u));
  uint32_t patternRow = 0;
  int32_t lastRow = spans.empty() ? 0 : spans.front().y;
  for (const PolygonSpan& span : spans) {
    if (span.y != lastRow) patternRow = (patternRow + 1) % std::max(patternHeight, 1u), lastRow = span.y;
    uint32_t x0 = 0, x1 = 0;
    if (!ClipSpan(span, width, height, x0, x1)) continue;
    uint8_t* p = bits + static_cast<size_t>(span.y) * stride + size_t{x0} * bytesPerPixel;
    for (uint32_t x = x0; x <= x1; ++x, p += bytesPerPixel) {
      if (pattern) {
        std::memcpy(p,
                    pattern + size_t{patternRow} * patternStride + size_t{x % patternWidth} * bytesPerPixel,
                    bytesPerPixel);
      } else if (!(flags & kFillBlend)) {
        std::memcpy(p, c, bytesPerPixel);
      } else if (paletted) {
        const RGBQUAD& e = palette[std::min<uint32_t>(p[0], paletteSize - 1)];
        p[0] = matcher.FindClosest(mix(e.rgbRed, c[0]), mix(e.rgbGreen, c[1]), mix(e.rgbBlue, c[2]));
      } else {
        for (uint32_t k = 0; k < bytesPerPixel; ++k) p[k] = mix(p[k], c[k]);
      }
    }
  }
}

}  // namespace

bool FillPolygon(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, const double* vertices, uint32_t count, const uint8_t* pattern,
                 uint32_t patternWidth, uint32_t patternHeight, uint32_t patternStride, uint32_t color,
                 double opacity, const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags) {
  if (!bits || !VerticesUsable(vertices, count) ||
      (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) || ((flags & kFillBlend) && pattern) ||
      (height && uint64_t{width} * bytesPerPixel > stride) ||
      (pattern &&
       (patternWidth == 0 || patternHeight == 0 || uint64_t{patternWidth} * bytesPerPixel > patternStride)))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  try {
    if (flags & kFillAntiAliased)
      return FillPolygonAntiAliased(error, bits, width, height, bytesPerPixel, stride, vertices, count, color,
                                    opacity, flags);
    std::vector<PolygonSpan> spans;
    if (!BuildPolygonEdgeList(count, vertices, spans, 0, height)) return Fail(error, kPicErrNoMemory);
    PaintSpans(bits, width, height, bytesPerPixel, stride, spans, pattern, patternWidth, patternHeight,
               patternStride, color, opacity, palette, paletteSize, flags);
  } catch (const std::bad_alloc&) {
    return Fail(error, kPicErrNoMemory);
  }
  return true;
}

bool FillPolygon16bpc(uint32_t* error, uint16_t* bits, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t stride, const double* vertices, uint32_t count, const uint16_t color[4],
                      double opacity, uint32_t flags) {
  if (!bits || !color || !VerticesUsable(vertices, count) ||
      (channels != 1 && channels != 3 && channels != 4) || (height && uint64_t{width} * channels > stride))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  uint16_t c[4] = {color[0], color[1], color[2], color[3]};
  if (flags & kFillBGR) std::swap(c[0], c[2]);
  const double o = opacity >= 0.0 ? std::min(opacity, 1.0) : 0.0;
  std::vector<PolygonSpan> spans;
  if (!BuildPolygonEdgeList(count, vertices, spans, 0, height)) return Fail(error, kPicErrNoMemory);
  for (const PolygonSpan& span : spans) {
    uint32_t x0 = 0, x1 = 0;
    if (!ClipSpan(span, width, height, x0, x1)) continue;
    uint16_t* p = bits + static_cast<size_t>(span.y) * stride + size_t{x0} * channels;
    for (uint32_t x = x0; x <= x1; ++x, p += channels)
      for (uint32_t k = 0; k < channels; ++k)
        p[k] = (flags & kFillBlend) ? uint16_t(p[k] * (1.0 - o) + c[k] * o) : c[k];
  }
  return true;
}

bool DrawLine(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
              uint32_t stride, uint32_t color, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              uint32_t flags) {
  if (!bits || bytesPerPixel == 0 || bytesPerPixel > 4 ||
      (height && uint64_t{width} * bytesPerPixel > stride) || ((flags & 2) && bytesPerPixel < 3))
    return Fail(error, kPicErrBadArgument);
  uint8_t c[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), uint8_t(color >> 24)};
  if ((flags & kPicFlagBGR) && bytesPerPixel == 3) std::swap(c[0], c[2]);
  auto pixel = [&](int64_t x, int64_t y) -> uint8_t* {
    if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    return bits + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bytesPerPixel;
  };
  if (!(flags & 2)) {
    auto plot = [&](int64_t x, int64_t y) {
      if (uint8_t* p = pixel(x, y)) std::memcpy(p, c, bytesPerPixel);  // colour word bytes, low first
    };
    // Along the major axis a (minor b), only the steps whose a lies in the
    // image are walked: the walk's state after k steps has a closed form,
    // so a line from far outside costs no more than the image is wide.
    auto walk = [&](int64_t a1, int64_t b1, int64_t a2, int64_t b2, int64_t extent, bool aIsX) {
      const uint64_t da = uint64_t(std::llabs(a2 - a1)), db = uint64_t(std::llabs(b2 - b1));
      const int64_t sa = a2 < a1 ? -1 : 1, sb = b2 < b1 ? -1 : 1;
      const int64_t first = std::max<int64_t>(0, sa > 0 ? -a1 : a1 - (extent - 1));
      const int64_t last = std::min<int64_t>(int64_t(da), sa > 0 ? extent - 1 - a1 : a1);
      if (first > last) return;
      const uint64_t k = uint64_t(first), minor = da ? (db * k + da / 2) / da : 0;
      // 2 db - da + 2 (db k - da minor): the difference is small, so it is
      // taken modulo 2^64 and read back signed.
      int64_t e = int64_t(2 * db - da + 2 * (db * k - da * minor));
      int64_t a = a1 + sa * first, b = b1 + sb * int64_t(minor);
      for (int64_t step = first;; ++step) {
        if (aIsX)
          plot(a, b);
        else
          plot(b, a);
        if (step == last) break;
        a += sa;
        if (e < 0)
          e += int64_t(2 * db);
        else
          e += 2 * (int64_t(db) - int64_t(da)), b += sb;
      }
    };
    const int64_t dx = std::llabs(int64_t{x2} - x1), dy = std::llabs(int64_t{y2} - y1);
    if (dx <= dy)
      walk(y1, x1, y2, x2, height, false);
    else
      walk(x1, y1, x2, y2, width, true);
    return true;
  }
  // Xiaolin Wu: two pixels per step across the line, weighted by coverage.
  auto plot = [&](int64_t x, int64_t y, double cover) {
    uint8_t* p = pixel(x, y);
    if (!p) return;
    for (uint32_t k = 0; k < bytesPerPixel; ++k) p[k] = uint8_t(c[k] * cover + p[k] * (1.0 - cover));
  };
  double ax = x1, ay = y1, bx = x2, by = y2;
  const bool steep = std::fabs(by - ay) > std::fabs(bx - ax);
  if (steep) std::swap(ax, ay), std::swap(bx, by);
  if (ax > bx) std::swap(ax, bx), std::swap(ay, by);
  const double gradient = bx == ax ? 0.0 : (by - ay) / (bx - ax);
  // Only the columns (rows when steep) of the image are walked.
  const int64_t from = static_cast<int64_t>(ax), to = static_cast<int64_t>(bx);
  const int64_t lo = std::max<int64_t>(from, 0),
                hi = std::min<int64_t>(to, int64_t{steep ? height : width} - 1);
  double yy = ay + gradient * static_cast<double>(lo - from);
  for (int64_t x = lo; x <= hi; ++x, yy += gradient) {
    const double base = std::floor(yy), frac = yy - base;
    const int64_t yi = static_cast<int64_t>(base);
    if (steep)
      plot(yi, x, 1.0 - frac), plot(yi + 1, x, frac);
    else
      plot(x, yi, 1.0 - frac), plot(x, yi + 1, frac);
  }
  return true;
}

namespace {

constexpr int32_t kMaxRadius = 1 << 15;  // keeps 4 rx^2 ry^2, the largest decision term, within 64 bits

// The midpoint walk of the ellipse's first quadrant: visit(x, y) for every
// step, x growing from 0 to rx while y falls from ry to 0. Terms are 4 times
// the textbook ones so they stay integers.
template <class Visit>
void MidpointEllipse(int64_t rx, int64_t ry, Visit visit) {
  if (ry == 0) {
    visit(rx, 0);
    return;
  }
  const int64_t rx2 = rx * rx, ry2 = ry * ry;
  int64_t x = 0, y = ry, px = 0, py = 2 * rx2 * y;
  int64_t p = 4 * ry2 - 4 * rx2 * ry + rx2;
  visit(x, y);
  while (px < py) {
    ++x, px += 2 * ry2;
    if (p < 0) {
      p += 4 * (ry2 + px);
    } else {
      --y, py -= 2 * rx2;
      p += 4 * (ry2 + px - py);
    }
    visit(x, y);
  }
  p = ry2 * (2 * x + 1) * (2 * x + 1) + 4 * rx2 * (y - 1) * (y - 1) - 4 * rx2 * ry2;
  while (y > 0) {
    --y, py -= 2 * rx2;
    if (p > 0) {
      p += 4 * (rx2 - py);
    } else {
      ++x, px += 2 * ry2;
      p += 4 * (rx2 - py + px);
    }
    visit(x, y);
  }
}

bool RadiiUsable(int32_t rx, int32_t ry) {
  return rx >= 0 && ry >= 0 && rx <= kMaxRadius && ry <= kMaxRadius;
}

template <class Plot>
void EllipseOutline(int64_t cx, int64_t cy, int64_t rx, int64_t ry, Plot plot) {
  MidpointEllipse(rx, ry, [&](int64_t x, int64_t y) {
    plot(cx + x, cy + y), plot(cx - x, cy + y), plot(cx + x, cy - y), plot(cx - x, cy - y);
  });
  if (ry == 0)  // a flat ellipse is the line between its ends
    for (int64_t x = -rx; x <= rx; ++x) plot(cx + x, cy);
}

}  // namespace

bool DrawEllipse1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                     int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t value) {
  if (!bits || !RadiiUsable(rx, ry) || (height && uint64_t{width} > uint64_t{stride} * 8))
    return Fail(error, kPicErrBadArgument);
  EllipseOutline(cx, cy, rx, ry, [&](int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t& b = bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x >> 3)];
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    b = value ? uint8_t(b | bit) : uint8_t(b & ~bit);
  });
  return true;
}

bool DrawEllipse(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t color,
                 uint32_t flags) {
  if (!bits || bytesPerPixel == 0 || bytesPerPixel > 4 || !RadiiUsable(rx, ry) ||
      (height && uint64_t{width} * bytesPerPixel > stride))
    return Fail(error, kPicErrBadArgument);
  uint8_t c[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), uint8_t(color >> 24)};
  if ((flags & kPicFlagBGR) && bytesPerPixel == 3) std::swap(c[0], c[2]);
  EllipseOutline(cx, cy, rx, ry, [&](int64_t x, int64_t y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::memcpy(bits + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bytesPerPixel, c,
                bytesPerPixel);
  });
  return true;
}

bool FillEllipse(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, int32_t cx, int32_t cy, int32_t rx, int32_t ry, uint32_t color,
                 double opacity, const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags) {
  if (!bits || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) || !RadiiUsable(rx, ry) ||
      (height && uint64_t{width} * bytesPerPixel > stride))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  try {
    // Half widths per row offset; only rows that meet the image become spans.
    std::vector<int64_t> half(size_t(ry) + 1, -1);
    MidpointEllipse(rx, ry, [&](int64_t x, int64_t y) { half[size_t(y)] = std::max(half[size_t(y)], x); });
    std::vector<PolygonSpan> spans;
    auto add = [&](int64_t y, int64_t dx) {
      if (y < 0 || y >= height || dx < 0) return;
      const int64_t l = std::max<int64_t>(int64_t{cx} - dx, -1),
                    r = std::min<int64_t>(int64_t{cx} + dx, std::min<int64_t>(width, INT32_MAX));
      spans.push_back({int32_t(y), int32_t(l), int32_t(r), double(l), double(r)});
    };
    for (int64_t dy = -ry; dy <= ry; ++dy) add(cy + dy, half[size_t(std::llabs(dy))]);
    PaintSpans(bits, width, height, bytesPerPixel, stride, spans, nullptr, 0, 0, 0, color, opacity, palette,
               paletteSize, flags);
  } catch (const std::bad_alloc&) {
    return Fail(error, kPicErrNoMemory);
  }
  return true;
}

bool AppendLineEnd(std::vector<double>& vertices, uint32_t style, double ex, double ey, double sine,
                   double cosine, const double size[3], double width, double length) {
  if (style >= kLineEndStyleCount || !size) return false;
  const double hw = width / 2;
  const double headHalf = std::max(size[0] / 2, hw),
               head = std::clamp(size[1], 0.0, std::max(length / 2 - 1, 0.0));
  const double r = hw * 0.70710678118654752;
  double local[5][2];
  switch (style) {
    case kLineEndFlat:
      local[0][0] = 0, local[0][1] = hw, local[1][0] = 0, local[1][1] = hw / 2;
      local[2][0] = 0, local[2][1] = 0, local[3][0] = 0, local[3][1] = -hw / 2, local[4][0] = 0,
      local[4][1] = -hw;
      break;
    case kLineEndSquare:
      local[0][0] = 0, local[0][1] = hw, local[1][0] = hw, local[1][1] = hw;
      local[2][0] = hw, local[2][1] = 0, local[3][0] = hw, local[3][1] = -hw, local[4][0] = 0,
      local[4][1] = -hw;
      break;
    case kLineEndRound:
      local[0][0] = 0, local[0][1] = hw, local[1][0] = r, local[1][1] = r;
      local[2][0] = hw, local[2][1] = 0, local[3][0] = r, local[3][1] = -r, local[4][0] = 0,
      local[4][1] = -hw;
      break;
    case kLineEndArrow:
      local[0][0] = -head, local[0][1] = hw, local[1][0] = -head, local[1][1] = headHalf;
      local[2][0] = 0, local[2][1] = 0, local[3][0] = -head, local[3][1] = -headHalf;
      local[4][0] = -head, local[4][1] = -hw;
      break;
    default:
      local[0][0] = 0, local[0][1] = hw, local[1][0] = 0, local[1][1] = headHalf;
      local[2][0] = head, local[2][1] = 0, local[3][0] = 0, local[3][1] = -headHalf, local[4][0] = 0,
      local[4][1] = -hw;
      break;
  }
  for (const auto& v : local) {
    vertices.push_back(ex + v[0] * cosine - v[1] * sine);
    vertices.push_back(ey + v[0] * sine + v[1] * cosine);
  }
  return true;
}

bool DrawThickLine(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                   uint32_t stride, double x1, double y1, double x2, double y2, double lineWidth,
                   uint32_t startStyle, uint32_t endStyle, const double size[3], uint32_t color,
                   double opacity, uint32_t flags) {
  const double all[] = {x1, y1, x2, y2, lineWidth, size ? size[0] : 0.0, size ? size[1] : 0.0};
  for (double v : all)
    if (!std::isfinite(v) || std::fabs(v) > 1e8) return Fail(error, kPicErrBadArgument);
  if (!size || lineWidth < 0 || startStyle >= kLineEndStyleCount || endStyle >= kLineEndStyleCount)
    return Fail(error, kPicErrBadArgument);
  const double dx = x2 - x1, dy = y2 - y1, length = std::sqrt(dx * dx + dy * dy), angle = std::atan2(dy, dx);
  const double sine = std::sin(angle), cosine = std::cos(angle);
  std::vector<double> v;
  try {
    // Far end first (pointing along the line), then the start pointing back:
    // each lists its left side to its right, so the outline runs round once.
    AppendLineEnd(v, endStyle, x2, y2, sine, cosine, size, lineWidth, length);
    AppendLineEnd(v, startStyle, x1, y1, -sine, -cosine, size, lineWidth, length);
  } catch (const std::bad_alloc&) {
    return Fail(error, kPicErrNoMemory);
  }
  return FillPolygon(error, bits, width, height, bytesPerPixel, stride, v.data(), uint32_t(v.size() / 2),
                     nullptr, 0, 0, 0, color, opacity, nullptr, 0, flags);
}

namespace {

// The 4-connected component of pixels passing `test` that holds the seed,
// as 1 in the mask; false when memory runs out.
template <class Test>
bool ReachFrom(uint32_t width, uint32_t height, uint32_t x, uint32_t y, uint8_t* mask, uint32_t maskStride,
               Test test) {
  if (!test(x, y)) return true;
  std::vector<std::pair<uint32_t, uint32_t>> queue;
  try {
    queue.push_back({x, y});
    mask[size_t{y} * maskStride + x] = 1;
    while (!queue.empty()) {
      const auto [px, py] = queue.back();
      queue.pop_back();
      auto visit = [&](uint32_t nx, uint32_t ny) {
        uint8_t& m = mask[size_t{ny} * maskStride + nx];
        if (m || !test(nx, ny)) return;
        m = 1;
        queue.push_back({nx, ny});
      };
      if (py > 0) visit(px, py - 1);
      if (py + 1 < height) visit(px, py + 1);
      if (px + 1 < width) visit(px + 1, py);
      if (px > 0) visit(px - 1, py);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool SeedUsable(uint32_t width, uint32_t height, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && uint32_t(x) < width && uint32_t(y) < height;
}

bool FinishMask(uint32_t* error, uint8_t* mask, uint32_t width, uint32_t height, uint32_t maskStride, bool ok,
                uint32_t flags) {
  if (!ok) return Fail(error, kPicErrNoMemory);
  if (flags & 2)
    for (uint32_t r = 0; r < height; ++r)
      for (uint32_t c = 0; c < width; ++c)
        mask[size_t{r} * maskStride + c] = mask[size_t{r} * maskStride + c] ? 255 : 0;
  return true;
}

inline uint32_t Within(uint32_t a, uint32_t b) {
  return a > b ? a - b : b - a;
}

}  // namespace

bool BuildRegionMask8(uint32_t* error, const uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                      int32_t x, int32_t y, uint8_t* mask, uint32_t maskStride, uint32_t tolerance,
                      bool boundaryMode, uint8_t boundary, uint32_t flags) {
  if (!bits || !mask || !SeedUsable(width, height, x, y) || width > stride || width > maskStride)
    return Fail(error, kPicErrBadArgument);
  for (uint32_t r = 0; r < height; ++r) std::memset(mask + size_t{r} * maskStride, 0, width);
  const uint8_t seed = bits[size_t(y) * stride + uint32_t(x)];
  const bool ok = ReachFrom(width, height, x, y, mask, maskStride, [&](uint32_t px, uint32_t py) {
    const uint8_t v = bits[size_t{py} * stride + px];
    return boundaryMode ? Within(v, boundary) > tolerance : (v == seed || Within(v, seed) <= tolerance);
  });
  return FinishMask(error, mask, width, height, maskStride, ok, flags);
}

bool BuildRegionMaskColor(uint32_t* error, const uint8_t* bits, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t stride, int32_t x, int32_t y, uint8_t* mask,
                          uint32_t maskStride, uint32_t tolerance, bool boundaryMode, uint32_t boundary,
                          uint32_t flags) {
  if (!bits || !mask || (bytesPerPixel != 3 && bytesPerPixel != 4) || !SeedUsable(width, height, x, y) ||
      uint64_t{width} * bytesPerPixel > stride || width > maskStride)
    return Fail(error, kPicErrBadArgument);
  for (uint32_t r = 0; r < height; ++r) std::memset(mask + size_t{r} * maskStride, 0, width);
  auto word = [&](uint32_t px, uint32_t py) {
    const uint8_t* p = bits + size_t{py} * stride + size_t{px} * bytesPerPixel;
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
           (bytesPerPixel == 4 ? uint32_t{p[3]} << 24 : 0u);
  };
  const uint32_t seed = word(x, y);
  const bool ok = ReachFrom(width, height, x, y, mask, maskStride, [&](uint32_t px, uint32_t py) {
    const uint32_t v = word(px, py);
    return boundaryMode ? !ColorsMatch(v, boundary, tolerance) : ColorsMatch(v, seed, tolerance);
  });
  return FinishMask(error, mask, width, height, maskStride, ok, flags);
}

bool FloodFill8(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, int32_t x,
                int32_t y, uint8_t value, uint32_t tolerance, uint32_t mode) {
  if (!bits || mode > kFloodRegion || !SeedUsable(width, height, x, y) || width > stride)
    return Fail(error, kPicErrBadArgument);
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(width, height, 1, &bytes)) return Fail(error, kPicErrNoMemory);
  std::vector<uint8_t> mask;
  try {
    mask.resize(bytes);
  } catch (const std::bad_alloc&) {
    return Fail(error, kPicErrNoMemory);
  }
  // Boundary fill: spreads while pixels differ from the fill value.
  if (!BuildRegionMask8(error, bits, width, height, stride, x, y, mask.data(), width, tolerance,
                        mode == kFloodBoundary, value, 0))
    return false;
  for (uint32_t r = 0; r < height; ++r)
    for (uint32_t c = 0; c < width; ++c)
      if (mask[size_t{r} * width + c]) bits[size_t{r} * stride + c] = value;
  return true;
}

}  // namespace Pictura
