#include "pixelops/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <utility>

#include "core/allocators.h"
#include "core/color_match.h"
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

// The span clipped to the image's columns; false when nothing is left.
bool ClipSpan(const PolygonSpan& s, uint32_t width, uint32_t height, uint32_t& x0, uint32_t& x1) {
  if (s.y < 0 || static_cast<uint32_t>(s.y) >= height || s.xRight < 0 || s.xLeft >= static_cast<int64_t>(width))
    return false;
  x0 = static_cast<uint32_t>(std::max(s.xLeft, 0));
  x1 = static_cast<uint32_t>(std::min<int64_t>(s.xRight, int64_t{width} - 1));
  return x0 <= x1;
}

}  // namespace

bool BuildPolygonEdgeList(uint32_t count, const double* vertices, std::vector<PolygonSpan>& spans, int64_t firstRow,
                          int64_t lastRow) {
  spans.clear();
  if (count < 2 || !vertices) return true;
  try {
    auto X = [&](uint32_t i) { return vertices[2 * size_t{i}]; };
    auto Y = [&](uint32_t i) { return vertices[2 * size_t{i} + 1]; };
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return Y(a) < Y(b); });
    const double yMin = Y(order.front()), yMax = Y(order.back());
    int64_t first = static_cast<int64_t>(std::ceil(yMin - 0.5)), last = static_cast<int64_t>(std::floor(yMax - 0.5));
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
        const int64_t l = static_cast<int64_t>(std::floor(xa)), r = static_cast<int64_t>(std::floor(xb));
        if (l <= r) spans.push_back({static_cast<int32_t>(y), static_cast<int32_t>(l), static_cast<int32_t>(r), xa, xb});
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
bool FillPolygonAntiAliased(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t stride, const double* vertices, uint32_t count, uint32_t color, double opacity,
                            uint32_t flags) {
  if (width == 0 || height == 0) return true;
  double x0 = vertices[0], x1 = x0, y0 = vertices[1], y1 = y0;
  for (uint32_t i = 1; i < count; ++i) {
    x0 = std::min(x0, vertices[2 * i]), x1 = std::max(x1, vertices[2 * i]);
    y0 = std::min(y0, vertices[2 * i + 1]), y1 = std::max(y1, vertices[2 * i + 1]);
  }
  const double W = width - 1.0, H = height - 1.0;
  x0 = std::clamp(x0, 0.0, W), x1 = std::clamp(x1, 0.0, W), y0 = std::clamp(y0, 0.0, H), y1 = std::clamp(y1, 0.0, H);
  // Whole pixels from floor(min) to floor(max): the mask covers the polygon
  // also when its left or top edge is fractional.
  const int64_t ox = static_cast<int64_t>(std::floor(x0)), oy = static_cast<int64_t>(std::floor(y0));
  const uint32_t mw = static_cast<uint32_t>(std::floor(x1) - ox + 1), mh = static_cast<uint32_t>(std::floor(y1) - oy + 1);
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
    centres.xLeft = static_cast<int32_t>(std::ceil(span.xa - 0.5));
    centres.xRight = static_cast<int32_t>(std::ceil(span.xb - 0.5)) - 1;
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
  return BlendSolidColorThroughMask(error, bits, width, height, bytesPerPixel, stride, mask.data(), mw, mh, mw,
                                    (flags & kFillBGR) ? swapped : color, static_cast<int32_t>(ox),
                                    static_cast<int32_t>(oy), 0);
}

}  // namespace

bool FillPolygon(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t stride, const double* vertices, uint32_t count, const uint8_t* pattern,
                 uint32_t patternWidth, uint32_t patternHeight, uint32_t patternStride, uint32_t color,
                 double opacity, const RGBQUAD* palette, uint32_t paletteSize, uint32_t flags) {
  if (!bits || !VerticesUsable(vertices, count) || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) ||
      ((flags & kFillBlend) && pattern) || (height && uint64_t{width} * bytesPerPixel > stride) ||
      (pattern && (patternWidth == 0 || patternHeight == 0 || uint64_t{patternWidth} * bytesPerPixel > patternStride)))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  try {
    if (flags & kFillAntiAliased)
      return FillPolygonAntiAliased(error, bits, width, height, bytesPerPixel, stride, vertices, count, color, opacity,
                                    flags);
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
    std::vector<PolygonSpan> spans;
    if (!BuildPolygonEdgeList(count, vertices, spans, 0, height)) return Fail(error, kPicErrNoMemory);
    uint32_t patternRow = 0;
    int32_t lastRow = spans.empty() ? 0 : spans.front().y;
    for (const PolygonSpan& span : spans) {
      if (span.y != lastRow) patternRow = (patternRow + 1) % std::max(patternHeight, 1u), lastRow = span.y;
      uint32_t x0 = 0, x1 = 0;
      if (!ClipSpan(span, width, height, x0, x1)) continue;
      uint8_t* p = bits + static_cast<size_t>(span.y) * stride + size_t{x0} * bytesPerPixel;
      for (uint32_t x = x0; x <= x1; ++x, p += bytesPerPixel) {
        if (pattern) {
          std::memcpy(p, pattern + size_t{patternRow} * patternStride + size_t{x % patternWidth} * bytesPerPixel,
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
  } catch (const std::bad_alloc&) {
    return Fail(error, kPicErrNoMemory);
  }
  return true;
}

bool FillPolygon16bpc(uint32_t* error, uint16_t* bits, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t stride, const double* vertices, uint32_t count, const uint16_t color[4],
                      double opacity, uint32_t flags) {
  if (!bits || !color || !VerticesUsable(vertices, count) || (channels != 1 && channels != 3 && channels != 4) ||
      (height && uint64_t{width} * channels > stride))
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
              uint32_t stride, uint32_t color, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t flags) {
  if (!bits || bytesPerPixel == 0 || bytesPerPixel > 4 || (height && uint64_t{width} * bytesPerPixel > stride) ||
      ((flags & 2) && bytesPerPixel < 3))
    return Fail(error, kPicErrBadArgument);
  uint8_t c[4] = {uint8_t(color), uint8_t(color >> 8), uint8_t(color >> 16), uint8_t(color >> 24)};
  if ((flags & 1) && bytesPerPixel == 3) std::swap(c[0], c[2]);
  auto pixel = [&](int64_t x, int64_t y) -> uint8_t* {
    if (x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    return bits + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * bytesPerPixel;
  };
  if (!(flags & 2)) {
    auto plot = [&](int64_t x, int64_t y) {
      if (uint8_t* p = pixel(x, y)) std::memcpy(p, c, bytesPerPixel);  // colour word bytes, low first
    };
    int64_t x = x1, y = y1;
    const int64_t dx = std::llabs(int64_t{x2} - x1), dy = std::llabs(int64_t{y2} - y1);
    const int64_t sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
    plot(x, y);
    if (dx <= dy) {
      int64_t e = 2 * dx - dy;
      while (y != y2) {
        y += sy;
        if (e < 0) e += 2 * dx;
        else e += 2 * (dx - dy), x += sx;
        plot(x, y);
      }
    } else {
      int64_t e = 2 * dy - dx;
      while (x != x2) {
        x += sx;
        if (e < 0) e += 2 * dy;
        else e += 2 * (dy - dx), y += sy;
        plot(x, y);
      }
    }
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
  double yy = ay;
  for (int64_t x = static_cast<int64_t>(ax); x <= static_cast<int64_t>(bx); ++x, yy += gradient) {
    const double base = std::floor(yy), frac = yy - base;
    const int64_t yi = static_cast<int64_t>(base);
    if (steep) plot(yi, x, 1.0 - frac), plot(yi + 1, x, frac);
    else plot(x, yi, 1.0 - frac), plot(x, yi + 1, frac);
  }
  return true;
}

}  // namespace Pictura
