#include "core/crop_flip.h"

#include <algorithm>
#include <cstring>

#include "core/allocators.h"
#include "core/channel_utils.h"
#include "core/library_globals.h"
#include "core/operation.h"
#include "core/pictura_buffers.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

inline const uint8_t* Row(const uint8_t* base, uint32_t y, uint32_t stride) {
  return base + static_cast<size_t>(uint64_t{y} * stride);
}

// Crop rectangle checks shared by both crops (unsigned comparisons).
bool CropFits(const RECT* r, uint32_t width, uint32_t height) {
  const auto left = static_cast<uint32_t>(r->left), top = static_cast<uint32_t>(r->top);
  const uint32_t cw = static_cast<uint32_t>(r->right) - left, ch = static_cast<uint32_t>(r->bottom) - top;
  return left < width && top < height && cw <= width && ch <= height && uint64_t{left} + cw <= width &&
         uint64_t{top} + ch <= height;
}

inline bool BitAt(const uint8_t* row, uint64_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

}  // namespace

bool ColorsMatch(uint32_t a, uint32_t b, uint32_t tolerance) {
  if (a == b) return true;
  if (tolerance == 0) return false;
  uint64_t sum = 0;
  for (int k = 0; k < 3; ++k) {
    int d = static_cast<int>((a >> (8 * k)) & 255) - static_cast<int>((b >> (8 * k)) & 255);
    sum += static_cast<uint64_t>(d * d);
  }
  return sum <= tolerance;
}

int ShiftBitRow(uint8_t* row, uint32_t byteCount, uint32_t shift) {
  if (!row || shift == 0 || shift > 7) return 1;
  // First to last: each byte takes its bits from the next byte before that
  // one is shifted in turn.
  for (uint32_t i = 0; i < byteCount; ++i) {
    unsigned next = i + 1 < byteCount ? row[i + 1] : 0;
    row[i] = static_cast<uint8_t>((row[i] << shift) | (next >> (8 - shift)));
  }
  return 1;
}

int CopyBuffer(uint32_t* error, const void* src, uint32_t srcStride, uint32_t rows, uint32_t dstStride,
               void* dst) {
  if (!src || !dst) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const uint32_t n = std::min(srcStride, dstStride);
  for (uint32_t y = 0; y < rows; ++y)
    std::memmove(static_cast<uint8_t*>(dst) + static_cast<size_t>(uint64_t{y} * dstStride),
                 Row(static_cast<const uint8_t*>(src), y, srcStride), n);
  return 1;
}

int CopyRows(const void* src, uint32_t srcStride, uint32_t rows, uint32_t dstStride, void* dst,
             uint32_t bytesPerRow) {
  if (!src || !dst || bytesPerRow > srcStride || bytesPerRow > dstStride) return 0;
  for (uint32_t y = 0; y < rows; ++y)
    std::memmove(static_cast<uint8_t*>(dst) + static_cast<size_t>(uint64_t{y} * dstStride),
                 Row(static_cast<const uint8_t*>(src), y, srcStride), bytesPerRow);
  return 1;
}

int CropImage(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
              uint8_t* dst, uint32_t dstStride, const RECT* rect, uint32_t bytesPerPixel) {
  if (!src || !dst || src == dst || !rect || !CropFits(rect, width, height))
    return Fail(error, kPicErrBadArgument);
  const auto left = static_cast<uint32_t>(rect->left), top = static_cast<uint32_t>(rect->top);
  const auto bottom = static_cast<uint32_t>(rect->bottom);
  const uint64_t rowBytes = uint64_t{bytesPerPixel} * (static_cast<uint32_t>(rect->right) - left);
  if (srcStride < uint64_t{width} * bytesPerPixel || dstStride < rowBytes)
    return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  uint8_t* out = dst;
  for (uint32_t y = 0; y < height; ++y) {
    if (y >= top && y < bottom) {
      std::memcpy(out, Row(src, y, srcStride) + uint64_t{bytesPerPixel} * left,
                  static_cast<size_t>(rowBytes));
      out += dstStride;
    }
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int Crop1Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
             uint8_t* dst, uint32_t dstStride, const RECT* rect) {
  if (!src || !dst || src == dst || !rect || !CropFits(rect, width, height))
    return Fail(error, kPicErrBadArgument);
  const auto left = static_cast<uint32_t>(rect->left), top = static_cast<uint32_t>(rect->top);
  const uint32_t cw = static_cast<uint32_t>(rect->right) - left,
                 ch = static_cast<uint32_t>(rect->bottom) - top;
  const uint32_t outBytes = static_cast<uint32_t>((uint64_t{cw} + 7) / 8);
  if (srcStride < (uint64_t{width} + 7) / 8 || dstStride < outBytes) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  if (left % 8 == 0) {
    for (uint32_t y = 0; y < ch; ++y)
      std::memcpy(dst + static_cast<size_t>(uint64_t{y} * dstStride), Row(src, top + y, srcStride) + left / 8,
                  outBytes);
    return 1;
  }
  for (uint32_t y = 0; y < height; ++y) {
    if (y >= top && y < top + ch) {
      const uint8_t* in = Row(src, y, srcStride);
      uint8_t* out = dst + static_cast<size_t>(uint64_t{y - top} * dstStride);
      std::memset(out, 0, outBytes);
      for (uint32_t x = 0; x < cw; ++x)
        if (BitAt(in, uint64_t{left} + x)) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    }
    if (!PicProgress(y, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int FlipHorizontal1Bit(uint32_t* error, uint8_t* image, uint32_t width, uint32_t height, uint32_t stride) {
  if (!image) return Fail(error, kPicErrBadArgument);
  if (width == 0 || height == 0) return 1;
  const uint32_t n = static_cast<uint32_t>((uint64_t{width} + 7) / 8);
  if (stride < n) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  CPicImgUtilT<uint8_t> bytes;
  if (!bytes.HorizontalFlip(image, n, height, 1, stride)) return Fail(error, bytes.error);
  const PicStaticTables& t = StaticTables();
  const uint32_t pad = 8 * n - width;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = image + static_cast<size_t>(uint64_t{y} * stride);
    for (uint32_t i = 0; i < n; ++i) row[i] = t.bitReverse[row[i]];
    if (pad) ShiftBitRow(row, n, pad);
  }
  return 1;
}

int VerticalFlipImage(uint32_t* error, uint8_t* image, uint32_t stride, uint32_t height) {
  if (!image) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<uint8_t> scratch;
  if (!scratch.Resize(stride) || !scratch.Data()) return Fail(error, kPicErrNoMemory);
  for (uint32_t i = 0; i < (uint64_t{height} + 1) / 2; ++i) {
    uint8_t* a = image + static_cast<size_t>(uint64_t{i} * stride);
    uint8_t* b = image + static_cast<size_t>(uint64_t{height - 1 - i} * stride);
    if (a != b) {
      std::memcpy(scratch.Data(), a, stride);
      std::memcpy(a, b, stride);
      std::memcpy(b, scratch.Data(), stride);
    }
    if (!PicProgress(2 * i, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

namespace {

// Whether pixel (x, y) differs from the background.
struct BorderProbe {
  const uint8_t* image;
  uint32_t stride;
  uint32_t bpp;
  const RGBQUAD* palette;
  uint32_t background;  // key, or the background bit for 1-bit images
  uint32_t tolerance;

  uint32_t KeyAt(uint32_t x, uint32_t y) const {
    const uint8_t* row = Row(image, y, stride);
    if (bpp == 8) {
      const RGBQUAD& e = palette[row[x]];
      return static_cast<uint32_t>(e.rgbBlue) << 16 | static_cast<uint32_t>(e.rgbGreen) << 8 | e.rgbRed;
    }
    const uint8_t* p = row + uint64_t{x} * (bpp / 8);
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
  }
  bool Differs(uint32_t x, uint32_t y) const {
    if (bpp == 1) return BitAt(Row(image, y, stride), x) != (background != 0);
    return !ColorsMatch(KeyAt(x, y), background, tolerance);
  }
  bool RowDiffers(uint32_t y, uint32_t width) const {
    for (uint32_t x = 0; x < width; ++x)
      if (Differs(x, y)) return true;
    return false;
  }
  bool ColumnDiffers(uint32_t x, uint32_t top, uint32_t bottom) const {
    for (uint32_t y = top; y < bottom; ++y)
      if (Differs(x, y)) return true;
    return false;
  }
};

}  // namespace

int GetBorder(uint32_t* error, const uint8_t* image, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
              uint32_t stride, const RGBQUAD* palette, uint32_t tolerance, uint32_t color, RECT* rect,
              uint32_t flags) {
  if (!image || !rect || (bitsPerPixel == 8 && !palette) ||
      (bitsPerPixel != 1 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32))
    return Fail(error, kPicErrBadArgument);
  // The corner look-ups need a pixel; the rows must fit their stride.
  if (width == 0 || height == 0 || stride < (uint64_t{width} * bitsPerPixel + 7) / 8)
    return Fail(error, kPicErrBadArgument);
  if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  BorderProbe probe{image, stride, bitsPerPixel, palette, 0, tolerance};
  if (bitsPerPixel == 1) {
    probe.background = color == 1 ? 1 : 0;
  } else if (flags & 1) {
    if (bitsPerPixel == 8) {
      const RGBQUAD& e = palette[std::min<uint32_t>(color, 255)];
      probe.background =
          static_cast<uint32_t>(e.rgbBlue) << 16 | static_cast<uint32_t>(e.rgbGreen) << 8 | e.rgbRed;
    } else {
      probe.background =
          (flags & 2) ? ((color & 0xFF) << 16 | (color & 0xFF00) | ((color >> 16) & 0xFF)) : color;
    }
  } else {
    const uint32_t tl = probe.KeyAt(0, 0), tr = probe.KeyAt(width - 1, 0);
    const uint32_t bl = probe.KeyAt(0, height - 1), br = probe.KeyAt(width - 1, height - 1);
    const int matches =
        ColorsMatch(tl, tr, tolerance) + ColorsMatch(tl, bl, tolerance) + ColorsMatch(tl, br, tolerance);
    if (matches >= 2) {
      probe.background = tl;
    } else if (ColorsMatch(tr, bl, tolerance) && ColorsMatch(tr, br, tolerance)) {
      probe.background = tr;
    } else {
      *rect = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
      return Fail(error, kPicErrBorderCorners);
    }
  }
  // Right and bottom are exclusive throughout.
  uint32_t top = height - 1;
  for (uint32_t y = 0; y < height; ++y)
    if (probe.RowDiffers(y, width)) {
      top = y;
      break;
    }
  if (!PicProgress(0, 4)) return Fail(error, kPicErrCancelled);
  uint32_t bottom = top + 1;
  for (uint32_t y = height - 1; y > top; --y)
    if (probe.RowDiffers(y, width)) {
      bottom = y + 1;
      break;
    }
  if (!PicProgress(1, 4)) return Fail(error, kPicErrCancelled);
  uint32_t left = width - 1;
  for (uint32_t x = 0; x < width; ++x)
    if (probe.ColumnDiffers(x, top, bottom)) {
      left = x;
      break;
    }
  if (!PicProgress(2, 4)) return Fail(error, kPicErrCancelled);
  uint32_t right = left + 1;
  for (uint32_t x = width - 1; x > left; --x)
    if (probe.ColumnDiffers(x, top, bottom)) {
      right = x + 1;
      break;
    }
  if (!PicProgress(3, 4)) return Fail(error, kPicErrCancelled);
  *rect = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
               static_cast<LONG>(bottom)};
  return 1;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_CopyBuffer(const void* src, DWORD srcStride, DWORD rows, DWORD dstStride, void* dst) {
  return PicRunEntry<BOOL>("pic_CopyBuffer", [&](uint32_t& err) {
    return CopyBuffer(&err, src, srcStride, rows, dstStride, dst);
  });
}

BOOL PICAPI pic_CropImage(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                          DWORD dstStride, const RECT* rect, DWORD bytesPerPixel) {
  return PicRunEntry<BOOL>("pic_CropImage", [&](uint32_t& err) {
    return CropImage(&err, src, width, height, srcStride, dst, dstStride, rect, bytesPerPixel);
  });
}

BOOL PICAPI pic_Crop1Bit(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                         DWORD dstStride, const RECT* rect) {
  return PicRunEntry<BOOL>("pic_Crop1Bit", [&](uint32_t& err) {
    return Crop1Bit(&err, src, width, height, srcStride, dst, dstStride, rect);
  });
}

BOOL PICAPI pic_FlipHorizontal1Bit(BYTE* image, DWORD width, DWORD height, DWORD stride) {
  return PicRunEntry<BOOL>("pic_FlipHorizontal1Bit", [&](uint32_t& err) {
    return FlipHorizontal1Bit(&err, image, width, height, stride);
  });
}

BOOL PICAPI pic_VerticalFlipImage(BYTE* image, DWORD stride, DWORD height) {
  return PicRunEntry<BOOL>("pic_VerticalFlipImage",
                           [&](uint32_t& err) { return VerticalFlipImage(&err, image, stride, height); });
}

BOOL PICAPI pic_GetBorder(const BYTE* image, DWORD width, DWORD height, DWORD bitsPerPixel, DWORD stride,
                          const RGBQUAD* palette, DWORD tolerance, DWORD color, RECT* rect, DWORD flags) {
  return PicRunEntry<BOOL>("pic_GetBorder", [&](uint32_t& err) {
    return GetBorder(&err, image, width, height, bitsPerPixel, stride, palette, tolerance, color, rect,
                     flags);
  });
}

}  // extern "C"
