#include "pixelops/tone_adjust.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/thread_context.h"
#include "pixelops/color_conversion.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

uint8_t TruncClamp(double v) {
  return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

// Cox-de Boor recursion; a term whose knot difference is 0 counts as 0.
double BSplineBasis(uint32_t i, uint32_t order, double u, const std::vector<double>& knots) {
  if (order == 1) return (knots[i] <= u && u < knots[i + 1]) ? 1.0 : 0.0;
  double left = 0, right = 0;
  double d1 = knots[i + order - 1] - knots[i], d2 = knots[i + order] - knots[i + 1];
  if (d1 != 0) left = (u - knots[i]) / d1 * BSplineBasis(i, order - 1, u, knots);
  if (d2 != 0) right = (knots[i + order] - u) / d2 * BSplineBasis(i + 1, order - 1, u, knots);
  return left + right;
}

// The tone table of a sampled curve: linear between samples of different x.
void CurveToTable(const ToneSample* samples, uint32_t count, uint8_t* table) {
  table[0] = 0;
  uint32_t seg = 0;  // last sample with x <= k whose next sample has a greater x
  for (uint32_t k = 1; k < 256; ++k) {
    while (seg + 1 < count && samples[seg + 1].x <= k) ++seg;
    uint32_t a = seg, b = seg + 1;
    while (b < count && samples[b].x == samples[a].x) ++b;
    double y = samples[a].y;
    if (b < count) y += (samples[b].y - samples[a].y) / (samples[b].x - samples[a].x) * (k - samples[a].x);
    table[k] = TruncClamp(y);
  }
}

bool BrightnessOrLightness(uint32_t channels) {
  return channels == 3 || channels == 4;
}

int ApplyToEveryChannel(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
                        uint32_t stride, uint32_t flags, const uint8_t* table) {
  const uint8_t* tables[4] = {table, table, table, table};
  if (channels >= 4 && (flags & 1)) tables[3] = nullptr;
  return ApplyChannelLUTs(error, pixels, width, height, channels, stride, tables);
}

}  // namespace

int ApplyChannelLUTs(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t channels,
                     uint32_t stride, const uint8_t* const* tables) {
  if (!bits) return Fail(error, kPicErrBadArgument);
  if (channels == 0 || !tables || std::none_of(tables, tables + channels, [](const uint8_t* t) { return t; }))
    return 1;
  PicNestingScope nesting;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = bits + static_cast<size_t>(y) * stride;
    if (channels == 1) {
      for (uint32_t x = 0; x < width; ++x) p[x] = tables[0][p[x]];
    } else {
      for (uint32_t x = 0; x < width; ++x, p += channels)
        for (uint32_t c = 0; c < channels; ++c)
          if (tables[c]) p[c] = tables[c][p[c]];
    }
    if (!PicProgress(y + 1, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

void PolylineToTable(const ToneControlPoint* points, uint32_t count, ToneSample* out, uint32_t outSize,
                     double low, double high) {
  if (count < 2 || outSize == 0) return;
  for (uint32_t i = 0; i + 1 < count; ++i) {
    const ToneControlPoint& a = points[i];
    const ToneControlPoint& b = points[i + 1];
    const double slope = b.x != a.x ? (b.y - a.y) / (b.x - a.x) : 0.0;
    const int64_t first = static_cast<int64_t>(a.x);
    int64_t last = first + static_cast<int64_t>(b.x - a.x);
    if (i + 2 == count || last > int64_t{outSize} - 1) last = int64_t{outSize} - 1;
    for (int64_t k = std::max<int64_t>(first, 0), j = k - first; k <= last; ++k, ++j)
      out[k] = ToneSample{double(k), std::clamp(a.y + slope * double(j), low, high)};
  }
}

int BuildBSplineCurve(uint32_t sampleCount, uint32_t controlPoints, uint32_t order,
                      const ToneControlPoint* points, ToneSample* out) {
  if (sampleCount == 0 || controlPoints == 0 || order == 0 || order > controlPoints) return 0;
  const uint32_t last = controlPoints - 1;
  std::vector<double> knots(controlPoints + order);
  for (uint32_t i = 0; i < knots.size(); ++i)
    knots[i] = i < order ? 0.0 : (i <= last ? double(i - order + 1) : double(last - order + 2));
  const double top = knots.back();
  for (uint32_t j = 0; j + 1 < sampleCount; ++j) {
    const double u = j * top / (sampleCount - 1);
    double x = 0, y = 0;
    for (uint32_t i = 0; i < controlPoints; ++i) {
      double w = BSplineBasis(i, order, u, knots);
      x += w * points[i].x;
      y += w * points[i].y;
    }
    out[j] = ToneSample{x, y};
  }
  out[sampleCount - 1] = ToneSample{points[last].x, points[last].y};
  return 1;
}

int AdjustBrightnessContrast(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                             double brightness, double contrast, uint32_t channels, uint32_t stride,
                             uint32_t flags) {
  if (!pixels || channels == 0 || channels > 4) return Fail(error, kPicErrBadArgument);
  const double c = std::clamp(contrast, -0.99, 0.99);
  const double B = std::clamp(brightness, -1.0, 1.0) * 255;
  const uint32_t n = (flags & 2) ? 3 : (flags & 4) ? 7 : 5;
  ToneControlPoint p[7] = {};
  const ToneControlPoint first = c < 0 ? ToneControlPoint{0, -127 * c, 0} : ToneControlPoint{127 * c, 0, 0};
  const ToneControlPoint last =
      c < 0 ? ToneControlPoint{255, 255 + 127 * c, 0} : ToneControlPoint{255 - 127 * c, 255, 0};
  const ToneControlPoint mid{128, 128, 0};
  const double k = 1 - std::fabs(c);
  auto lowerBetween = [k](const ToneControlPoint& a, const ToneControlPoint& b) {
    return ToneControlPoint{(a.x + b.x) / 2, a.y + (b.y - a.y) / 2 * k, 0};
  };
  auto upperBetween = [k](const ToneControlPoint& a, const ToneControlPoint& b) {
    return ToneControlPoint{(a.x + b.x) / 2, b.y - (b.y - a.y) / 2 * k, 0};
  };
  if (n == 3) {
    p[0] = first, p[1] = mid, p[2] = last;
  } else {
    const ToneControlPoint q1 = lowerBetween(first, mid), q2 = upperBetween(mid, last);
    if (n == 5) {
      p[0] = first, p[1] = q1, p[2] = mid, p[3] = q2, p[4] = last;
    } else {
      p[0] = first, p[1] = lowerBetween(first, q1), p[2] = q1, p[3] = mid, p[4] = q2,
      p[5] = upperBetween(q2, last);
      p[6] = last;
    }
  }
  ToneSample samples[256];
  for (uint32_t x = 0; x < 256; ++x) samples[x] = ToneSample{double(x), x <= 128 ? 0.0 : 255.0};
  PolylineToTable(p, n, samples, 256, 0, 255);
  uint8_t table[256];
  for (uint32_t x = 0; x < 256; ++x) table[x] = TruncClamp(samples[x].y + B);
  if ((flags & 0x100) && BrightnessOrLightness(channels))
    return ApplyBrightnessLUT(error, pixels, width, height, channels, stride, table);
  if ((flags & 0x200) && BrightnessOrLightness(channels))
    return ApplyLightnessLUT(pixels, width, height, channels, stride, table);
  return ApplyToEveryChannel(error, pixels, width, height, channels, stride, flags, table);
}

int AdjustToneCurve(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, double brightness,
                    double contrast, double midtone, uint32_t channels, uint32_t stride, uint32_t flags) {
  if (!pixels || channels == 0 || channels > 4) return Fail(error, kPicErrBadArgument);
  if (brightness == 0 && contrast == 0) return 1;
  const double b = std::clamp(brightness, -1.0, 1.0), c = std::clamp(contrast, -0.99, 0.99);
  const double m = 64 * std::clamp(midtone, 0.1, 0.9), s = 1 + b;
  const ToneControlPoint p[5] = {{0, 0, 0},
                                 {m + (128 - m) * c, (m - (128 - m) * c) * s, 0},
                                 {128, 128 * s, 0},
                                 {(255 - m) - (127 - m) * c, ((255 - m) + (127 - m) * c) * s, 0},
                                 {255, 255 * s, 0}};
  ToneSample samples[256];
  if (!BuildBSplineCurve(256, 5, 4, p, samples)) return Fail(error, kPicErrNoMemory);
  uint8_t table[256];
  CurveToTable(samples, 256, table);
  if ((flags & 0x100) && BrightnessOrLightness(channels))
    return ApplyLightnessLUT(pixels, width, height, channels, stride, table);
  return ApplyToEveryChannel(error, pixels, width, height, channels, stride, flags, table);
}

int AutoLevelsTable(uint64_t n, double lowPercent, double highPercent, const uint32_t* histogram,
                    uint8_t* table) {
  const double lo = std::clamp(lowPercent, 0.0, 100.0) / 100, hi = std::clamp(highPercent, 0.0, 100.0) / 100;
  const uint64_t lowCount = static_cast<uint64_t>(double(n) * lo);
  const uint64_t highCount = static_cast<uint64_t>(double(n) * (1 - hi));
  int L = -1, H = -1;
  uint64_t sum = 0;
  for (int k = 0; k < 256; ++k) {
    sum += histogram[k];
    if (sum >= lowCount && L < 0) {
      L = k;
    } else if (sum >= highCount) {
      H = k;
      break;
    }
  }
  L = std::clamp(L, 0, 255), H = std::clamp(H, 0, 255);
  const int L2 = std::min(L, H);
  // (k - L') 255 / (H - L') rather than times a rounded 255 / (H - L'): the
  // brightest level must reach 255 exactly.
  const double span = L2 != H ? double(H - L2) : 0.0;
  for (int k = 0; k < 256; ++k) {
    if (hi == 1)
      table[k] = 255;
    else if (lo == 1)
      table[k] = 0;
    else
      table[k] = span > 0 ? TruncClamp(std::trunc((k - L2) * 255.0 / span)) : 0;
  }
  return 1;
}

void MidpointRemap(uint8_t* table, uint8_t midpoint) {
  uint8_t r[256] = {};
  if (midpoint > 0)
    for (uint32_t i = 0; i <= midpoint; ++i) r[i] = TruncClamp(i * (127.5 / midpoint));
  for (uint32_t i = uint32_t{midpoint} + 1; i < 256; ++i)
    r[i] = TruncClamp((i - midpoint) * (127.5 / (255 - midpoint)) + 127.5);
  for (uint32_t k = 0; k < 256; ++k) table[k] = r[table[k]];
}

int ApplyBrightnessLUT(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
                       uint32_t stride, const uint8_t* table) {
  if (!pixels || !table || !BrightnessOrLightness(channels)) return Fail(error, kPicErrBadArgument);
  PicNestingScope nesting;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += channels) {
      const int mean = (p[0] + p[1] + p[2]) / 3, d = mean - table[mean];
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::clamp(p[c] - d, 0, 255));
    }
    if (PicProgress(y, height) <= 0) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int ApplyLightnessLUT(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                      uint32_t stride, const uint8_t* table) {
  CPicColorConversion::Conv_RGB_byte_To_HLS_dbl toHLS;
  CPicColorConversion::Conv_HLS_dbl_To_RGB_byte toRGB;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
      double h, l, s;
      toHLS.Convert(p[0], p[1], p[2], &h, &l, &s);
      l = table[static_cast<int>(std::clamp(l * 255, 0.0, 255.0))] / 255.0;
      toRGB.Convert(h, l, s, &p[0], &p[1], &p[2]);
    }
  }
  return 1;
}

int AutoLevels(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
               uint32_t stride, double lowPercent, double highPercent, uint32_t flags, uint8_t midpoint) {
  if (!pixels || !BrightnessOrLightness(channels)) return Fail(error, kPicErrBadArgument);
  if (width == 0 || height == 0) return 1;
  uint32_t histogram[256] = {};
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += channels) ++histogram[(p[0] + p[1] + p[2]) / 3];
  }
  uint8_t table[256];
  AutoLevelsTable(uint64_t{width} * height, lowPercent, highPercent, histogram, table);
  if (flags & 0x100) MidpointRemap(table, midpoint);
  return ApplyBrightnessLUT(error, pixels, width, height, channels, stride, table);
}

int EqualizeBrightness(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                       uint32_t channels, uint32_t low, uint32_t high) {
  if (!pixels || !BrightnessOrLightness(channels)) return Fail(error, kPicErrBadArgument);
  if (low > high) std::swap(low, high);
  uint64_t histogram[256] = {}, n = 0;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += channels) {
      const uint32_t v = (p[0] + p[1] + p[2]) / 3;
      if (v >= low && v <= high) ++histogram[v], ++n;
    }
  }
  uint8_t table[256];
  uint64_t sum = 0;
  for (int k = 0; k < 256; ++k) {
    sum += histogram[k];
    table[k] = n ? static_cast<uint8_t>(sum * 255 / n) : 0;
  }
  return ApplyBrightnessLUT(error, pixels, width, height, channels, stride, table);
}

}  // namespace Pictura
