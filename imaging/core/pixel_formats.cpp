#include "core/pixel_formats.h"

#include <cstring>

#include "core/channel_utils.h"
#include "core/operation.h"
#include "core/pictura_buffers.h"
#include "core/row_simd.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

template <class T>
inline T* RowOf(T* base, uint32_t y, uint64_t stride) {
  return base + static_cast<size_t>(y * stride);
}

// Runs row(y) for every row with progress; false when stopped.
template <class F>
bool EachRow(uint32_t* error, uint32_t height, F&& row) {
  for (uint32_t y = 0; y < height; ++y) {
    row(y);
    if (!PicProgress(y, height)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace

int RGB24ToRGB16Core(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                     uint16_t* dst, uint32_t dstStrideBytes, bool rgb555, bool topBit) {
  if (!src || !dst) return Fail(error, kPicErrBadArgument);
  if (static_cast<int32_t>(height) <= 0) return 1;
  if (!StrideHolds(srcStride, uint64_t{width} * 3, height) ||
      !StrideHolds(dstStrideBytes, uint64_t{width} * 2, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const uint16_t top = (rgb555 && topBit) ? 0x8000 : 0;
  auto* out = reinterpret_cast<uint8_t*>(dst);
  return EachRow(error, height, [&](uint32_t y) {
    const uint8_t* s = RowOf(src, y, srcStride);
    uint8_t* d = RowOf(out, y, dstStrideBytes);
    for (uint32_t x = 0; x < width; ++x, s += 3, d += 2) {
      uint16_t v = rgb555 ? static_cast<uint16_t>((s[0] & 0xF8) << 7 | (s[1] & 0xF8) << 2 | s[2] >> 3 | top)
                          : static_cast<uint16_t>((s[0] & 0xF8) << 8 | (s[1] & 0xFC) << 3 | s[2] >> 3);
      d[0] = static_cast<uint8_t>(v);  // little-endian in memory
      d[1] = static_cast<uint8_t>(v >> 8);
    }
  });
}

int RGBToRGBACore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint8_t* dst, uint32_t dstStride, uint8_t alpha) {
  if (!src || !dst) return Fail(error, kPicErrBadArgument);
  if (!StrideHolds(srcStride, uint64_t{width} * 3, height) ||
      !StrideHolds(dstStride, uint64_t{width} * 4, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  return EachRow(error, height, [&](uint32_t y) {
    const uint8_t* s = RowOf(src, y, srcStride);
    uint8_t* d = RowOf(dst, y, dstStride);
    for (uint32_t x = 0; x < width; ++x, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = alpha;
    }
  });
}

namespace {
int PaletteToRGB(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                 uint8_t* dst, uint32_t dstStride, const RGBQUAD* palette, uint32_t flags, bool withAlpha) {
  if (!src || !dst || !palette) return Fail(error, kPicErrBadArgument);
  const uint32_t step = withAlpha ? 4 : 3;
  if (!StrideHolds(srcStride, width, height) || !StrideHolds(dstStride, uint64_t{width} * step, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const bool keepOrder = flags & 1, opaque = flags & 2;
  // Every entry as the bytes it becomes, in a table of our own: stores to
  // the output cannot alias it, so the loop needs one load and one store.
  uint8_t table[256][4];
  for (int i = 0; i < 256; ++i) {
    const RGBQUAD& e = palette[i];
    table[i][0] = keepOrder ? e.rgbBlue : e.rgbRed;
    table[i][1] = e.rgbGreen;
    table[i][2] = keepOrder ? e.rgbRed : e.rgbBlue;
    table[i][3] = opaque ? 255 : e.rgbReserved;
  }
  return EachRow(error, height, [&](uint32_t y) {
    const uint8_t* s = RowOf(src, y, srcStride);
    uint8_t* d = RowOf(dst, y, dstStride);
    if (withAlpha) {
      for (uint32_t x = 0; x < width; ++x) std::memcpy(d + 4 * size_t{x}, table[s[x]], 4);
      return;
    }
    // Four bytes a pixel, the fourth overwritten by the next pixel's first.
    uint32_t x = 0;
    for (; x + 1 < width; ++x) std::memcpy(d + 3 * size_t{x}, table[s[x]], 4);
    if (x < width) std::memcpy(d + 3 * size_t{x}, table[s[x]], 3);
  });
}
}  // namespace

int Convert8BitToRGBCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t,
                         const RGBQUAD* palette, uint32_t flags) {
  return PaletteToRGB(error, src, width, height, srcStride, dst, dstStride, palette, flags, false);
}

int Convert8BitToRGBACore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                          uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t,
                          const RGBQUAD* palette, uint32_t flags) {
  return PaletteToRGB(error, src, width, height, srcStride, dst, dstStride, palette, flags, true);
}

namespace {
// Sample-by-sample depth change: distinct buffers, rows that fit their
// strides (in samples of each side), one value in, one value out.
template <class In, class Out, class F>
int ConvertSamples(uint32_t* error, const In* src, uint32_t width, uint32_t height, uint32_t channels,
                   uint32_t srcStride, Out* dst, uint32_t dstStride, F&& convert) {
  if (!src || !dst || static_cast<const void*>(src) == static_cast<const void*>(dst))
    return Fail(error, kPicErrBadArgument);
  const uint64_t row = uint64_t{width} * channels;
  if (!StrideHolds(srcStride, row, height) || !StrideHolds(dstStride, row, height))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    const In* s = RowOf(src, y, srcStride);
    Out* d = RowOf(dst, y, dstStride);
    for (uint64_t i = 0; i < row; ++i) d[i] = convert(s[i]);
  }
  return 1;
}
}  // namespace

int Convert16bpcTo8bpcCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                           uint32_t channels, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                           uint32_t flags) {
  return ConvertSamples(error, src, width, height, channels, srcStride, dst, dstStride, [flags](uint16_t v) {
    const int lo = v & 0xFF, hi = v >> 8;  // bytes in memory order (little-endian)
    // Flags bit 0: the first byte in memory, the high byte of big-endian data.
    if (flags & 1) return static_cast<uint8_t>(lo);
    return static_cast<uint8_t>(lo - hi > 128 ? hi + 1 : hi);
  });
}

int Convert16bpcTo8bpcBitsCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                               uint32_t channels, uint32_t significantBits, uint32_t srcStride, uint8_t* dst,
                               uint32_t dstStride, uint32_t) {
  if (significantBits < 9 || significantBits > 16) return Fail(error, kPicErrBadArgument);
  const uint32_t shift = significantBits - 8;
  return ConvertSamples(error, src, width, height, channels, srcStride, dst, dstStride,
                        [shift](uint16_t v) { return static_cast<uint8_t>(v >> shift); });
}

int Convert8bpcTo16bpcCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                           uint32_t channels, uint32_t srcStride, uint16_t* dst, uint32_t dstStride,
                           uint32_t) {
  return ConvertSamples(error, src, width, height, channels, srcStride, dst, dstStride,
                        [](uint8_t v) { return static_cast<uint16_t>(v * 257u); });
}

int SwapByteOrderIn16bpcCore(uint32_t* error, uint16_t* image, uint32_t width, uint32_t height,
                             uint32_t channels, uint32_t stride, uint32_t) {
  if (!image) return Fail(error, kPicErrBadArgument);
  const uint64_t row = uint64_t{width} * channels;
  if (!StrideHolds(stride, row, height)) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    uint16_t* p = RowOf(image, y, stride);
    for (uint64_t i = 0; i < row; ++i) p[i] = static_cast<uint16_t>(p[i] << 8 | p[i] >> 8);
  }
  return 1;
}

int SwapRedBlue24(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height) {
  if (!image) return Fail(error, kPicErrBadArgument);
  const bool vector = HasSSE41ForChannels(3);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = image + static_cast<size_t>(uint64_t{y} * width * 3);
    uint32_t ignored = 0;
    if (vector && SwapRBRowSIMD(&ignored, row, width)) continue;
    for (uint32_t x = 0; x < width; ++x, row += 3) std::swap(row[0], row[2]);
  }
  return 1;
}

void SwapRedBlue32(uint8_t* image, uint32_t width, uint32_t height) {
  if (!image) return;
  const uint64_t n = uint64_t{width} * height;
  for (uint64_t i = 0; i < n; ++i) std::swap(image[4 * i], image[4 * i + 2]);
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_RGB24ToRGB16(const BYTE* src, DWORD width, DWORD height, WORD* dst, DWORD rgb555,
                             DWORD topBit) {
  return PicRunEntry<BOOL>("pic_RGB24ToRGB16", [&](uint32_t& err) -> int {
    // Strides of width x 3 and x 2 bytes, computed in 64 bits.
    if (uint64_t{width} * 3 > 0xFFFFFFFFu) {
      err = kPicErrBadArgument;
      return 0;
    }
    return RGB24ToRGB16Core(&err, src, width, height, width * 3, dst, width * 2, rgb555 != 0, topBit != 0);
  });
}

BOOL PICAPI pic_RGB24ToRGB16Ex(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, WORD* dst,
                               DWORD dstStride, DWORD flags) {
  return PicRunEntry<BOOL>("pic_RGB24ToRGB16Ex", [&](uint32_t& err) {
    return RGB24ToRGB16Core(&err, src, width, height, srcStride, dst, dstStride, flags & 1, flags & 2);
  });
}

BOOL PICAPI pic_RGBToRGBA(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, BYTE alpha) {
  return PicRunEntry<BOOL>("pic_RGBToRGBA", [&](uint32_t& err) {
    return RGBToRGBACore(&err, src, width, height, srcStride, dst, dstStride, alpha);
  });
}

}  // extern "C"
