#include "pixelops/color_utils.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/allocators.h"
#include "core/channel_utils.h"
#include "core/crop_flip.h"
#include "core/operation.h"
#include "core/packing.h"
#include "pixelops/pictura_pixelops.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/color_conversion.h"
#include "core/color_match.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

inline const uint8_t* RowAt(const uint8_t* base, uint32_t y, uint32_t stride) {
  return base + static_cast<size_t>(uint64_t{y} * stride);
}
inline uint8_t* RowAt(uint8_t* base, uint32_t y, uint32_t stride) {
  return base + static_cast<size_t>(uint64_t{y} * stride);
}

inline uint32_t KeyOf(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
}
inline uint32_t ReversedKeyOf(const uint8_t* p) {
  return p[2] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[0]) << 16;
}
inline uint32_t SwapBytes02(uint32_t c) {
  return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Truncation toward zero, then limited to the sample's range (NaN gives 0):
// an opacity outside 0 to 1 must not wrap or overflow the cast.
template <class I>
I TruncateToSample(double v) {
  constexpr double top = static_cast<double>(static_cast<I>(~I{0}));
  if (!(v > 0)) return 0;
  if (v >= top) return static_cast<I>(~I{0});
  return static_cast<I>(v);
}

// Rows of width pixels of step bytes, reading bytesRead bytes of the last one.
bool PixelsFit(uint32_t width, uint32_t height, uint32_t step, uint32_t bytesRead, uint32_t stride) {
  if (width == 0 || height == 0) return true;
  return stride >= uint64_t{width - 1} * step + bytesRead;
}

}  // namespace

bool ColorsMatchWithin(uint32_t a, uint32_t b, uint32_t tolerance) {
  if (a == b) return true;
  if (tolerance == 0) return false;
  uint64_t sum = 0;
  for (int k = 0; k < 4; ++k) {
    int d = static_cast<int>((a >> (8 * k)) & 255) - static_cast<int>((b >> (8 * k)) & 255);
    sum += static_cast<uint64_t>(d * d);
  }
  return sum <= tolerance;
}

namespace {
template <class I>
void OpacityTables(double opacity, double* a, double* b, I* ia, I* ib, uint32_t count) {
  if (!a || !b) return;
  for (uint32_t v = 0; v < count; ++v) {
    a[v] = v * opacity;
    b[v] = v * (1 - opacity);
    if (ia && ib) {
      ia[v] = TruncateToSample<I>(a[v]);
      ib[v] = TruncateToSample<I>(b[v]);
    }
  }
}
}  // namespace

void BuildOpacityTables(double opacity, double* a, double* b, uint8_t* ia, uint8_t* ib, uint32_t count) {
  OpacityTables(opacity, a, b, ia, ib, count);
}
void BuildOpacityTables16(double opacity, double* a, double* b, uint16_t* ia, uint16_t* ib, uint32_t count) {
  OpacityTables(opacity, a, b, ia, ib, count);
}

int Create1BitMaskFromColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t stride, uint8_t* dst, uint32_t dstStride, uint8_t index) {
  if (!image || !dst) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(stride, width, height) || !StrideHolds(dstStride, (uint64_t{width} + 7) / 8, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<uint8_t> scratch;
  if (width && !scratch.Resize(width)) return Fail(error, kPicErrNoMemory);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width; ++x) scratch[x] = row[x] == index ? 1 : 0;
    if (width && !PackBitsCore(error, scratch.Data(), width, 1, 0, RowAt(dst, y, dstStride), 1)) return 0;
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int Create8BitMaskFromColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                uint32_t bytesPerPixel, uint32_t stride, uint8_t* dst, uint32_t dstStride,
                                uint32_t color, uint32_t tolerance, uint8_t value, uint32_t flags) {
  if (!image || !dst || (bytesPerPixel != 3 && bytesPerPixel != 4)) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(stride, uint64_t{width} * bytesPerPixel, height) || !StrideHolds(dstStride, width, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = RowAt(image, y, stride);
    uint8_t* d = RowAt(dst, y, dstStride);
    for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel)
      if (ColorsMatch((flags & kPicFlagBGR) ? ReversedKeyOf(p) : KeyOf(p), color, tolerance)) d[x] = value;
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int SetColorFrom1BitMaskCore(uint32_t* error, const uint8_t* mask, uint32_t width, uint32_t height,
                             uint32_t maskStride, uint8_t* dst, uint32_t dstStride, uint8_t value) {
  if (!mask || !dst) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(maskStride, (uint64_t{width} + 7) / 8, height) || !StrideHolds(dstStride, width, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<uint8_t> scratch;
  if (width && !scratch.Resize(width)) return Fail(error, kPicErrNoMemory);
  for (uint32_t y = 0; y < height; ++y) {
    UnpackRowTo8Bit(RowAt(mask, y, maskStride), scratch.Data(), width, 1);
    uint8_t* d = RowAt(dst, y, dstStride);
    for (uint32_t x = 0; x < width; ++x)
      if (scratch[x]) d[x] = value;
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int BlendSolidColorCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t stride,
                        uint32_t color, double opacity, uint32_t flags) {
  if (!image) return Fail(error, kPicErrBadArgument);
  const uint32_t step = (flags & 2) ? 4 : 3;
  if (!StrideHolds(stride, uint64_t{width} * step, height)) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<double> a, b;
  if (!a.Resize(256) || !b.Resize(256)) return Fail(error, kPicErrNoMemory);
  BuildOpacityTables(opacity, a.Data(), b.Data(), nullptr, nullptr, 256);
  double c[3] = {a[color & 255], a[(color >> 8) & 255], a[(color >> 16) & 255]};
  if (flags & kPicFlagBGR) std::swap(c[0], c[2]);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width; ++x, p += step)
      for (int k = 0; k < 3; ++k) p[k] = TruncateToSample<uint8_t>(b[p[k]] + c[k]);
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int ColorReplaceImageCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                          uint32_t bytesPerPixel, uint32_t stride, uint32_t oldColor, uint32_t newColor,
                          uint32_t tolerance, uint32_t flags) {
  if (!image || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4))
    return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(stride, uint64_t{width} * bytesPerPixel, height)) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  if ((flags & kPicFlagBGR) && bytesPerPixel > 1) {
    oldColor = SwapBytes02(oldColor);
    newColor = SwapBytes02(newColor);
  }
  uint8_t fresh[4];
  for (int k = 0; k < 4; ++k) fresh[k] = static_cast<uint8_t>(newColor >> (8 * k));
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
      if (bytesPerPixel == 1) {
        if (p[0] == (oldColor & 255)) p[0] = fresh[0];
        continue;
      }
      if (bytesPerPixel == 4) {
        uint32_t whole = KeyOf(p) | static_cast<uint32_t>(p[3]) << 24;
        if (flags & 4) {
          if (whole == oldColor) std::memcpy(p, fresh, 4);
          continue;
        }
        if (flags & 8) {
          if (ColorsMatchWithin(oldColor, whole, tolerance)) std::memcpy(p, fresh, 4);
          continue;
        }
      }
      if (ColorsMatch(oldColor, KeyOf(p), tolerance)) {
        std::memcpy(p, fresh, 3);
        if (bytesPerPixel == 4 && (flags & 2)) p[3] = fresh[3];
      }
    }
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int ColorReplaceImageRangeSpecifiedCore(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height,
                                        uint32_t bytesPerPixel, uint32_t stride, const uint8_t* color,
                                        const uint8_t* newColor, const uint8_t* tolerances,
                                        uint8_t channelMask) {
  if (!image || !color || !newColor || !tolerances || bytesPerPixel > 4)
    return Fail(error, kPicErrBadArgument);
  if (channelMask == 0) return 1;
  if (!StrideHolds(stride, uint64_t{width} * bytesPerPixel, height)) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* p = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
      bool match = true;
      for (uint32_t c = 0; c < bytesPerPixel && match; ++c)
        if (channelMask & (1u << c)) match = std::abs(int{p[c]} - int{color[c]}) <= tolerances[c];
      if (match) std::memcpy(p, newColor, bytesPerPixel);
    }
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

namespace {

// Walks the 24-bit colour range in windows with a bit set per window.
template <class Visit>
bool ForEachColorWindow(uint32_t* error, uint32_t flags, Visit&& visit) {
  const uint32_t windows = (flags & 1) ? 2 : 4;
  const uint32_t span = 0x1000000u / windows;
  PicArray<uint8_t> bits;
  if (!bits.Resize(span / 8)) {
    *error = kPicErrNoMemory;
    return false;
  }
  for (uint32_t w = 0; w < windows; ++w) {
    bits.Fill(0);
    if (!visit(w * span, span, bits.Data())) break;
  }
  return true;
}

}  // namespace

uint32_t CountImageColorsCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                              uint32_t step, uint32_t stride, uint32_t flags) {
  if (!image || step < 3 || !PixelsFit(width, height, step, 3, stride))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  uint32_t total = 0;
  ForEachColorWindow(error, flags, [&](uint32_t low, uint32_t span, uint8_t* set) {
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* p = RowAt(image, y, stride);
      for (uint32_t x = 0; x < width; ++x, p += step) {
        uint32_t v = ReversedKeyOf(p) - low;
        if (v >= span) continue;
        uint8_t bit = static_cast<uint8_t>(1u << (v & 7));
        if (!(set[v >> 3] & bit)) {
          set[v >> 3] |= bit;
          ++total;
        }
      }
    }
    return true;
  });
  return *error ? 0 : total;
}

int Histogram8Bit(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t* counts) {
  if (!image || !counts || !StrideHolds(stride, width, height)) return Fail(error, kPicErrBadArgument);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width; ++x) ++counts[p[x]];
  }
  return 1;
}

uint32_t FindFirstUnusedRGBColorCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                     uint32_t step, uint32_t stride, uint32_t flags) {
  if (!image || step < 3 || !PixelsFit(width, height, step, 3, stride))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  uint32_t found = 0xFFFFFFFFu;
  ForEachColorWindow(error, flags, [&](uint32_t low, uint32_t span, uint8_t* set) {
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* p = RowAt(image, y, stride);
      for (uint32_t x = 0; x < width; ++x, p += step) {
        uint32_t v = KeyOf(p) - low;
        if (v < span) set[v >> 3] |= static_cast<uint8_t>(1u << (v & 7));
      }
    }
    for (uint32_t i = 0; i < span / 8; ++i)
      if (set[i] != 0xFF)
        for (uint32_t b = 0; b < 8; ++b)
          if (!(set[i] & (1u << b))) {
            found = low + i * 8 + b;
            return false;
          }
    return true;
  });
  return *error ? 0 : found;
}

uint32_t GetFirstNColorsInRGBCore(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height,
                                  uint32_t stride, uint32_t maxCount, RGBQUAD* palette, uint32_t flags) {
  if (!image || !palette || !StrideHolds(stride, uint64_t{width} * 3, height))
    return Fail(error, kPicErrBadArgument);
  if (maxCount == 0) return 0;  // the palette has no room at all
  PicNestingScope depth;
  PicArray<uint8_t> set;
  if (!set.Resize(0x200000)) return Fail(error, kPicErrNoMemory);
  set.Fill(0);
  const bool swapped = flags & kPicFlagBGR;
  uint32_t count = 0;
  for (uint32_t y = 0; y < height && count < maxCount; ++y) {
    const uint8_t* p = RowAt(image, y, stride);
    for (uint32_t x = 0; x < width && count < maxCount; ++x, p += 3) {
      uint32_t v = swapped ? KeyOf(p) : ReversedKeyOf(p);
      uint8_t bit = static_cast<uint8_t>(1u << (v & 7));
      if (set[v >> 3] & bit) continue;
      set[v >> 3] |= bit;
      RGBQUAD& e = palette[count++];
      e.rgbBlue = p[swapped ? 0 : 2];
      e.rgbGreen = p[1];
      e.rgbRed = p[swapped ? 2 : 0];
    }
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return count;
}

int RGBTo8BitBestFitCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t colors,
                         const RGBQUAD* palette, uint32_t flags) {
  if (!src || !dst || !palette || colors > 256) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(srcStride, uint64_t{width} * 3, height) || !StrideHolds(dstStride, width, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  CPicImgColorMatch matcher;
  matcher.SetPalette(palette, colors);
  const bool swapped = flags & kPicFlagBGR;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = RowAt(src, y, srcStride);
    uint8_t* d = RowAt(dst, y, dstStride);
    for (uint32_t x = 0; x < width; ++x, p += 3)
      d[x] = swapped ? matcher.FindClosest(p[2], p[1], p[0]) : matcher.FindClosest(p[0], p[1], p[2]);
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

namespace {
template <class T>
int WhiteBalance(T* image, uint32_t width, uint32_t height, uint32_t perPixel, uint32_t stride,
                 const T ref[3], uint32_t flags, uint32_t* error, double top) {
  if (!image || (perPixel != 3 && perPixel != 4)) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(stride, uint64_t{width} * perPixel, height)) return Fail(error, kPicErrBadArgument);
  const double average = static_cast<double>((uint32_t{ref[0]} + ref[1] + ref[2]) / 3);
  const double target = (flags & 1) ? average : top;
  for (uint32_t y = 0; y < height; ++y) {
    T* p = image + static_cast<size_t>(uint64_t{y} * stride);
    for (uint32_t x = 0; x < width; ++x, p += perPixel)
      for (int k = 0; k < 3; ++k) {
        // byte x target / reference: a reference byte maps exactly onto the target.
        double v = ref[k] ? p[k] * target / ref[k] : top;
        p[k] = v < 1 ? 0 : v >= top ? static_cast<T>(top) : static_cast<T>(v);
      }
  }
  return 1;
}
}  // namespace

int WhiteBalance8bpc(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                     uint8_t r0, uint8_t r1, uint8_t r2, uint32_t flags, uint32_t* error) {
  const uint8_t ref[3] = {r0, r1, r2};
  return WhiteBalance(image, width, height, bytesPerPixel, stride, ref, flags, error, 255.0);
}

int WhiteBalance16bpc(uint16_t* image, uint32_t width, uint32_t height, uint32_t samplesPerPixel,
                      uint32_t stride, uint16_t r0, uint16_t r1, uint16_t r2, uint32_t flags,
                      uint32_t* error) {
  const uint16_t ref[3] = {r0, r1, r2};
  return WhiteBalance(image, width, height, samplesPerPixel, stride, ref, flags, error, 65535.0);
}

int ReduceRedEye(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t left,
                 uint32_t top, uint32_t right, uint32_t bottom, uint32_t saturationPercent,
                 int32_t hueParameter) {
  if (!image || width == 0 || height == 0) return Fail(error, kPicErrBadArgument);
  // The rectangle is kept inside the image.
  right = right < width ? right : width;
  bottom = bottom < height ? bottom : height;
  const int32_t h0 = (hueParameter - 50) / 3;
  const double s0 = saturationPercent / 100.0;
  CPicColorConversion::Conv_RGB_dbl_To_HSV_dbl hsv;
  for (uint32_t y = top; y < bottom; ++y)
    for (uint32_t x = left; x < right; ++x) {
      uint8_t* p = image + static_cast<size_t>((uint64_t{y} * width + x) * 3);
      double h, s, v;
      hsv.Convert(p[0], p[1], p[2], &h, &s, &v);
      if (s > s0 && ((h > h0 + 300 && h < 360) || h < h0)) p[0] = static_cast<uint8_t>((p[1] + p[2]) / 2);
    }
  return 1;
}

int SwapPaletteIndices(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, RGBQUAD* palette,
                       uint8_t a, uint8_t b) {
  if (!image || !palette) return Fail(error, kPicErrBadArgument);
  const uint64_t n = uint64_t{width} * height;
  for (uint64_t i = 0; i < n; ++i) {
    if (image[i] == a)
      image[i] = b;
    else if (image[i] == b)
      image[i] = a;
  }
  std::swap(palette[a], palette[b]);
  return 1;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_Create1BitMaskFromColor(const BYTE* image, DWORD width, DWORD height, DWORD stride, BYTE* dst,
                                        DWORD dstStride, BYTE index, DWORD) {
  return PicRunEntry<BOOL>("pic_Create1BitMaskFromColor", [&](uint32_t& err) {
    return Create1BitMaskFromColorCore(&err, image, width, height, stride, dst, dstStride, index);
  });
}

BOOL PICAPI pic_Create8BitMaskFromColor(const BYTE* image, DWORD width, DWORD height, DWORD bytesPerPixel,
                                        DWORD stride, BYTE* dst, DWORD dstStride, DWORD color,
                                        DWORD tolerance, BYTE value, DWORD flags) {
  return PicRunEntry<BOOL>("pic_Create8BitMaskFromColor", [&](uint32_t& err) {
    return Create8BitMaskFromColorCore(&err, image, width, height, bytesPerPixel, stride, dst, dstStride,
                                       color, tolerance, value, flags);
  });
}

BOOL PICAPI pic_SetColorFrom1BitMask(const BYTE* mask, DWORD width, DWORD height, DWORD maskStride, BYTE* dst,
                                     DWORD dstStride, BYTE value, DWORD) {
  return PicRunEntry<BOOL>("pic_SetColorFrom1BitMask", [&](uint32_t& err) {
    return SetColorFrom1BitMaskCore(&err, mask, width, height, maskStride, dst, dstStride, value);
  });
}

BOOL PICAPI pic_BlendSolidColor(BYTE* image, DWORD width, DWORD height, DWORD stride, DWORD color,
                                double opacity, DWORD flags) {
  return PicRunEntry<BOOL>("pic_BlendSolidColor", [&](uint32_t& err) {
    return BlendSolidColorCore(&err, image, width, height, stride, color, opacity, flags);
  });
}

BOOL PICAPI pic_AlphaBlendSolidColor(BYTE* image, DWORD width, DWORD height, DWORD stride, DWORD color,
                                     DWORD flags) {
  return PicRunEntry<BOOL>("pic_AlphaBlendSolidColor", [&](uint32_t& err) -> BOOL {
    BitMaskTable op;
    BOOL r = AlphaBlendSolidColorCore(&op.error, image, width, height, stride, color, flags);
    err = op.error;
    return r;
  });
}

}  // extern "C"
