#include "core/numeric.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/allocators.h"
#include "core/crop_flip.h"
#include "core/operation.h"
#include "core/pictura_buffers.h"

namespace Pictura {

namespace {

constexpr double kInchPerCm = 0.39370079;

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// Truncation toward zero into the byte range.
inline uint8_t ClampByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v);
}

}  // namespace

int32_t ConvertResolution(PicResolutionInfo* info, int32_t from, int32_t to) {
  if (!info || from < 0 || from > 5) return 0;
  const double x = info->x, y = info->y;
  double cx = 0, cy = 0;  // common form: pixels per metre
  uint32_t known = 0;
  // Per inch -> per metre: x K per cm, x 100.
  auto fromInch = [&] {
    cx = x * kInchPerCm * 100;
    cy = y * kInchPerCm * 100;
    known = 1;
  };
  auto fromCm = [&] {
    cx = x * 100;
    cy = y * 100;
    known = 1;
  };
  switch (from) {
    case 0:  // JPEG: 1 dots per inch, 2 dots per cm
      if (info->unit == 1)
        fromInch();
      else if (info->unit == 2)
        fromCm();
      else if (info->unit == 0)
        cx = x, cy = y;
      break;
    case 1:  // TIFF: 1 no absolute unit, 2 inch, 3 centimetre
      if (info->unit == 2)
        fromInch();
      else if (info->unit == 3)
        fromCm();
      else if (info->unit == 1)
        cx = x, cy = y;
      break;
    case 2:  // PNG: 0 aspect only, 1 per metre
      cx = x, cy = y;
      if (info->unit <= 1)
        known = info->unit;
      else
        DebugHook(1, "Bad input DPI\n");
      break;
    case 3:
      if (info->unit == 1) fromCm();
      break;
    case 4:
      if (info->unit == 1) cx = x, cy = y, known = 1;
      break;
    case 5:
      fromInch();
      break;
  }
  if (to < 0 || to > 5) return 1;
  // Per metre -> per inch: / 100 (per cm) / K (cm per inch is 1 / K).
  const double dpiX = cx / 100 / kInchPerCm, dpiY = cy / 100 / kInchPerCm;
  switch (to) {
    case 0:
      *info = known ? PicResolutionInfo{dpiX, dpiY, 1} : PicResolutionInfo{cx, cy, 0};
      return 1;
    case 1:
      *info = known ? PicResolutionInfo{dpiX, dpiY, 2} : PicResolutionInfo{cx, cy, 1};
      return 1;
    case 2:
      *info = PicResolutionInfo{cx, cy, known};
      return 1;
    case 3:
      *info = known ? PicResolutionInfo{cx / 100, cy / 100, 1} : PicResolutionInfo{0, 0, 0};
      return known ? 1 : 0;
    case 4:
      *info = known ? PicResolutionInfo{cx, cy, 1} : PicResolutionInfo{0, 0, 0};
      return known ? 1 : 0;
    default:
      *info = PicResolutionInfo{dpiX, dpiY, 1};
      return 1;
  }
}

double ClampDouble(double value, const double* low, const double* high) {
  double r = (!(value > *low)) ? *low : value;
  if (!(r < *high)) r = *high;
  return r;
}

const double& MaxDouble(const double* a, const double* b) {
  return *a > *b ? *a : *b;
}
const double& MinDouble(const double* a, const double* b) {
  return *a < *b ? *a : *b;
}

uint32_t BitLength(uint32_t value) {
  uint32_t n = 0;
  while (value) {
    ++n;
    value >>= 1;
  }
  return n;
}

int FindNormalizedDifference(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst,
                             uint32_t perRow, uint32_t rows, double bound1, double bound2, double threshold) {
  if (!a || !b || !dst || bound1 == bound2) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  double lo = bound1 < bound2 ? bound1 : bound2, hi = bound1 < bound2 ? bound2 : bound1;
  if (lo < -1) lo = -1;
  if (hi > 1) hi = 1;
  const double range = hi - lo;
  if (!(range > 0)) return Fail(error, kPicErrBadArgument);
  for (uint32_t r = 0; r < rows; ++r) {
    const size_t base = static_cast<size_t>(uint64_t{r} * perRow);
    for (uint32_t i = 0; i < perRow; ++i) {
      double s = static_cast<double>(a[base + i]) + b[base + i];
      if (s < threshold || s == 0) s = -1;
      double d = (static_cast<double>(a[base + i]) - b[base + i]) / s;
      dst[base + i] = ClampByte((d - lo) * 255 / range);  // clamped, not wrapped
    }
    if (!PicProgress(r, rows)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int NormalizedDifferenceImageCore(uint32_t* error, const uint8_t* a, const uint8_t* b, uint32_t width,
                                  uint32_t height, uint32_t bytesPerPixel, uint32_t stride, uint8_t* dst) {
  if (!a || !b || !dst) return Fail(error, kPicErrBadArgument);
  const uint64_t rowBytes = uint64_t{width} * bytesPerPixel;
  if (height > 0 && stride < rowBytes) return Fail(error, kPicErrBadArgument);
  uint64_t cells = 0;
  if (!PicSizeWithinCap(height, stride, sizeof(int16_t), &cells)) return Fail(error, kPicErrNoMemory);
  PicNestingScope depth;
  PicArray<int16_t> diff;
  if (cells && !diff.Resize(static_cast<uint32_t>(cells / sizeof(int16_t))))
    return Fail(error, kPicErrNoMemory);
  int minimum = 0, maximum = 0;
  for (uint32_t y = 0; y < height; ++y)
    for (uint64_t i = 0; i < rowBytes; ++i) {
      size_t at = static_cast<size_t>(uint64_t{y} * stride + i);
      int d = int{a[at]} - b[at];
      diff[static_cast<uint32_t>(at)] = static_cast<int16_t>(d);
      minimum = d < minimum ? d : minimum;
      maximum = d > maximum ? d : maximum;
    }
  const double low = 0, high = 255;
  for (uint32_t y = 0; y < height; ++y)
    for (uint64_t i = 0; i < rowBytes; ++i) {
      size_t at = static_cast<size_t>(uint64_t{y} * stride + i);
      dst[at] =
          maximum == minimum
              ? 0
              : static_cast<uint8_t>(ClampDouble(
                    255.0 / (maximum - minimum) * (diff[static_cast<uint32_t>(at)] - minimum), &low, &high));
    }
  return 1;
}

int DoubleArrayOffset(uint32_t* error, double* image, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t stride, const double* offsets, const double* scales, const double* lows,
                      const double* highs) {
  if (!image || !offsets || !scales || !lows || !highs) return Fail(error, kPicErrBadArgument);
  if (height > 0 && stride < uint64_t{width} * channels) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t c = 0; c < channels; ++c) {
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        double& v = image[static_cast<size_t>(uint64_t{y} * stride + uint64_t{x} * channels + c)];
        v = ClampDouble((v + offsets[c]) * scales[c], &lows[c], &highs[c]);
      }
    if (!PicProgress(c, channels)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int ShiftImageSubPixel(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                       uint32_t bytesPerPixel, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                       double shift, uint32_t fill, uint32_t flags) {
  if (!src || !dst || bytesPerPixel == 0 || bytesPerPixel > 4 || !(shift <= 1 && shift >= -1))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  if (shift == 0) return CopyBuffer(error, src, srcStride, height, dstStride, dst);
  const double w1 = shift > 0 ? 1 - shift : -shift;
  const double w2 = shift > 0 ? shift : 1 + shift;
  const bool alongColumns = flags & 1, neighbours = flags & 2;
  const uint64_t rowBytes = uint64_t{width} * bytesPerPixel;
  if (width == 0 || height == 0) return 1;
  if (srcStride < rowBytes) return Fail(error, kPicErrBadArgument);
  auto fillByte = [&](uint32_t c) { return static_cast<double>((fill >> (8 * c)) & 255); };
  auto out = [&](double v) { return static_cast<uint8_t>(v); };  // T(), both weights sum to 1
  if (!alongColumns) {
    // width + 1 output pixels per row.
    if (dstStride < rowBytes + bytesPerPixel) return Fail(error, kPicErrBadArgument);
    const uint64_t srcEnd = uint64_t{height - 1} * srcStride + rowBytes;
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* s = src + static_cast<size_t>(uint64_t{y} * srcStride);
      uint8_t* d = dst + static_cast<size_t>(uint64_t{y} * dstStride);
      const uint64_t rowStart = uint64_t{y} * srcStride;
      for (uint32_t c = 0; c < bytesPerPixel; ++c) {
        // Before the first and after the last pixel: the fill colour, or with
        // flags bit 1 the neighbouring bytes when they lie inside the buffer.
        double before = fillByte(c), after = fillByte(c);
        if (neighbours && rowStart >= bytesPerPixel) before = s[-static_cast<ptrdiff_t>(bytesPerPixel) + c];
        if (neighbours && rowStart + rowBytes + c < srcEnd) after = s[rowBytes + c];
        d[c] = out(s[c] * w1 + before * w2);
        for (uint32_t i = 1; i < width; ++i)
          d[uint64_t{i} * bytesPerPixel + c] =
              out(s[uint64_t{i} * bytesPerPixel + c] * w1 + s[uint64_t{i - 1} * bytesPerPixel + c] * w2);
        d[rowBytes + c] = out(s[rowBytes - bytesPerPixel + c] * w2 + after * w1);
      }
    }
    return 1;
  }
  // height + 1 output rows; the rows above the first and below the last lie
  // outside the buffer, so the fill colour stands there.
  if (dstStride < rowBytes) return Fail(error, kPicErrBadArgument);
  for (uint32_t i = 0; i <= height; ++i) {
    uint8_t* d = dst + static_cast<size_t>(uint64_t{i} * dstStride);
    const uint8_t* cur = i < height ? src + static_cast<size_t>(uint64_t{i} * srcStride) : nullptr;
    const uint8_t* prev = i > 0 ? src + static_cast<size_t>(uint64_t{i - 1} * srcStride) : nullptr;
    for (uint64_t k = 0; k < rowBytes; ++k) {
      double f = fillByte(static_cast<uint32_t>(k % bytesPerPixel));
      double c = cur ? cur[k] : f, p = prev ? prev[k] : f;
      d[k] = i == height ? out(p * w2 + f * w1) : out(c * w1 + p * w2);
    }
  }
  return 1;
}

int ClampChannels(uint32_t* error, double* image, uint32_t width, uint32_t height, uint32_t channels,
                  uint32_t stride, double low, double high, uint32_t channelMask) {
  if (!image) return Fail(error, kPicErrBadArgument);
  for (uint32_t c = 0; c < channels; ++c) {
    if (!(channelMask & (1u << (c % 32)))) continue;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        double& v = image[static_cast<size_t>(uint64_t{y} * stride + uint64_t{x} * channels + c)];
        if (v > high) v = high;
        if (v < low) v = low;
      }
  }
  return 1;
}

namespace {
template <class Op>
int CombineBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count, Op op) {
  if (!a || !b || !dst) return Fail(error, kPicErrBadArgument);
  uint32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    uint32_t x, y;
    std::memcpy(&x, a + i, 4);
    std::memcpy(&y, b + i, 4);
    uint32_t r = op(y, x);
    std::memcpy(dst + i, &r, 4);
  }
  for (; i < count; ++i) dst[i] = static_cast<uint8_t>(op(b[i], a[i]));
  return 1;
}
}  // namespace

int AndBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count) {
  return CombineBuffers(error, a, b, dst, count, [](uint32_t x, uint32_t y) { return x & y; });
}
int OrBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count) {
  return CombineBuffers(error, a, b, dst, count, [](uint32_t x, uint32_t y) { return x | y; });
}
int XorBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count) {
  return CombineBuffers(error, a, b, dst, count, [](uint32_t x, uint32_t y) { return x ^ y; });
}

int InvertBufferInPlace(uint32_t* error, uint8_t* buffer, uint32_t count) {
  if (!buffer) return Fail(error, kPicErrNoMemory);
  for (uint32_t i = 0; i < count; ++i) buffer[i] = static_cast<uint8_t>(~buffer[i]);
  return 1;
}

void InvertBuffer(const uint8_t* src, uint8_t* dst, uint32_t count) {
  if (!src || !dst) return;
  for (uint32_t i = 0; i < count; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
}

int SetChannelBytes(const uint8_t* plane, uint32_t width, uint32_t height, uint32_t step,
                    uint32_t planeStride, uint8_t* dst, uint32_t dstStride, uint32_t offset) {
  if (!plane || !dst) return 0;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      dst[static_cast<size_t>(uint64_t{y} * dstStride + offset + uint64_t{x} * step)] =
          plane[static_cast<size_t>(uint64_t{y} * planeStride + x)];
  return 1;
}

bool DumpHexTable(const char* path, uint32_t rows, uint32_t columns, const uint32_t* table) {
  if (!path || !table) return false;
  const std::string temp = std::string(path) + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "w");
  if (!f) return false;
  bool ok = true;
  for (uint32_t r = 0; r < rows && ok; ++r) {
    for (uint32_t c = 0; c < columns && ok; ++c)
      ok = std::fprintf(f, "%X ", static_cast<unsigned>(table[uint64_t{r} * columns + c])) > 0;
    ok = ok && std::fputc('\n', f) != EOF;
  }
  ok = std::fclose(f) == 0 && ok;
  // The old table goes only for a whole new one (rename does not replace a
  // file on Windows).
  if (ok) std::remove(path);
  if (!ok || std::rename(temp.c_str(), path) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_FindNormalizedDifference(const BYTE* a, const BYTE* b, BYTE* dst, DWORD perRow, DWORD rows,
                                         double bound1, double bound2, double threshold) {
  return PicRunEntry<BOOL>("pic_FindNormalizedDifference", [&](uint32_t& err) {
    return FindNormalizedDifference(&err, a, b, dst, perRow, rows, bound1, bound2, threshold);
  });
}

BOOL PICAPI pic_NormalizedDifferenceImage(const BYTE* a, const BYTE* b, DWORD width, DWORD height,
                                          DWORD bytesPerPixel, DWORD stride, BYTE* dst, DWORD) {
  return PicRunEntry<BOOL>("pic_NormalizedDifferenceImage", [&](uint32_t& err) {
    return NormalizedDifferenceImageCore(&err, a, b, width, height, bytesPerPixel, stride, dst);
  });
}

BOOL PICAPI pic_DoubleArrayOffset(double* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                  const double* offsets, const double* scales, const double* lows,
                                  const double* highs) {
  return PicRunEntry<BOOL>("pic_DoubleArrayOffset", [&](uint32_t& err) {
    return DoubleArrayOffset(&err, image, width, height, channels, stride, offsets, scales, lows, highs);
  });
}

BOOL PICAPI I40_ShiftImageSubPixel(const BYTE* src, DWORD width, DWORD height, DWORD bytesPerPixel,
                                   DWORD srcStride, BYTE* dst, DWORD dstStride, double shift, DWORD fill,
                                   DWORD flags) {
  return PicRunEntry<BOOL>("I40_ShiftImageSubPixel", [&](uint32_t& err) {
    return ShiftImageSubPixel(&err, src, width, height, bytesPerPixel, srcStride, dst, dstStride, shift, fill,
                              flags);
  });
}

}  // extern "C"
