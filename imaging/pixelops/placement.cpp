#include "pixelops/placement.h"

#include <algorithm>
#include <cstring>

#include "core/thread_context.h"

namespace Pictura {

namespace {

uint32_t Clamp(int64_t v, uint32_t limit) {
  return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, limit));
}

// The shared frame: argument checks, clipping, nesting depth and progress.
// row(r, sr) places destination row r from source row sr (both absolute).
template <class Row>
bool EachCoveredRow(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, const uint8_t* src,
                    uint32_t srcWidth, uint32_t srcHeight, int32_t x, int32_t y, uint32_t* left,
                    uint32_t* right, Row&& row) {
  *error = 0;
  PicNestingScope depth;
  if (!dst || !src || dst == src) {
    *error = kPicErrBadArgument;
    return false;
  }
  uint32_t top = 0, bottom = 0;
  ClipPlacementRect(dstWidth, dstHeight, srcWidth, srcHeight, x, y, left, &top, right, &bottom);
  if (*left >= *right || top >= bottom) return true;
  const uint32_t rows = bottom - top;
  for (uint32_t i = 0; i < rows; ++i) {
    const uint32_t r = top + i;
    row(r, static_cast<uint32_t>(int64_t{r} - y));
    if (!PicProgress(i, rows)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

// Eight source bits starting at bit `start` of a row of `bytes` bytes (bits
// outside the row read as 0), most significant first.
uint8_t SourceBits(const uint8_t* row, uint32_t bytes, int64_t start) {
  const int64_t byte = start >> 3;  // floor, also for negative starts
  const uint32_t shift = static_cast<uint32_t>(start & 7);
  auto at = [&](int64_t i) -> uint32_t { return i >= 0 && i < bytes ? row[i] : 0u; };
  const uint32_t word = at(byte) << 8 | at(byte + 1);
  return static_cast<uint8_t>(word >> (8 - shift));
}

uint8_t Nibble(const uint8_t* row, uint32_t column) {
  const uint8_t b = row[column >> 1];
  return (column & 1) ? (b & 0x0F) : (b >> 4);
}

void SetNibble(uint8_t* row, uint32_t column, uint8_t value) {
  uint8_t& b = row[column >> 1];
  b = (column & 1) ? static_cast<uint8_t>((b & 0xF0) | value) : static_cast<uint8_t>((b & 0x0F) | value << 4);
}

}  // namespace

void ClipPlacementRect(uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth, uint32_t srcHeight,
                       int32_t x, int32_t y, uint32_t* left, uint32_t* top, uint32_t* right,
                       uint32_t* bottom) {
  *left = Clamp(x, dstWidth);
  *top = Clamp(y, dstHeight);
  *right = Clamp(int64_t{x} + srcWidth, dstWidth);
  *bottom = Clamp(int64_t{y} + srcHeight, dstHeight);
}

bool PlaceImage1Bit(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, uint32_t flags) {
  const bool combine = (flags & kPlace1BitCombine) != 0, useOr = (flags & kPlace1BitOr) != 0;
  const uint32_t srcBytes = (srcWidth + 7) / 8;
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          if (flags & kPlaceSourceBottomUp) sr = srcHeight - 1 - sr;
                          uint8_t* d = dst + size_t{r} * dstStride;
                          const uint8_t* s = src + size_t{sr} * srcStride;
                          uint32_t c = left;
                          // Both sides byte-aligned: whole bytes at once.
                          if (!combine && (c & 7) == 0 && ((int64_t{c} - x) & 7) == 0) {
                            const uint32_t whole = (right - c) / 8;
                            std::memcpy(d + c / 8, s + (int64_t{c} - x) / 8, whole);
                            c += whole * 8;
                          }
                          while (c < right) {
                            const uint32_t byteStart = c & ~7u;
                            const uint32_t end = std::min(right, byteStart + 8);
                            const uint8_t mask = static_cast<uint8_t>((0xFFu >> (c - byteStart)) &
                                                                      (0xFFu << (byteStart + 8 - end)));
                            const uint8_t v = SourceBits(s, srcBytes, int64_t{byteStart} - x);
                            uint8_t& out = d[byteStart / 8];
                            if (!combine)
                              out = static_cast<uint8_t>((out & ~mask) | (v & mask));
                            else if (useOr)
                              out = static_cast<uint8_t>(out | (v & mask));
                            else
                              out = static_cast<uint8_t>(out & (v | ~mask));
                            c = end;
                          }
                        });
}

bool PlaceImage4Bit(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, uint32_t) {
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          uint8_t* d = dst + size_t{r} * dstStride;
                          const uint8_t* s = src + size_t{sr} * srcStride;
                          uint32_t c = left;
                          const uint32_t sc = static_cast<uint32_t>(int64_t{c} - x);
                          if ((c & 1) == 0 && (sc & 1) == 0) {
                            const uint32_t whole = (right - c) / 2;
                            std::memcpy(d + c / 2, s + sc / 2, whole);
                            c += whole * 2;
                          }
                          for (; c < right; ++c)
                            SetNibble(d, c, Nibble(s, static_cast<uint32_t>(int64_t{c} - x)));
                        });
}

bool PlaceImage8BitOnRGBA(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                          uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                          uint32_t srcStride, const RGBQUAD* palette, int32_t x, int32_t y,
                          uint32_t transparentIndex, uint32_t flags) {
  if (!palette) {
    *error = kPicErrBadArgument;
    return false;
  }
  const bool bgr = (flags & kPlaceBGR) != 0, keyed = (flags & kPlaceTransparent) != 0;
  const bool keepAlpha = (flags & kPlaceKeepTransparentAlpha) != 0;
  const bool keyColour = (flags & kPlaceTransparentColour) != 0;
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          uint8_t* d = dst + size_t{r} * dstStride + size_t{left} * 4;
                          const uint8_t* s = src + size_t{sr} * srcStride + (int64_t{left} - x);
                          for (uint32_t c = left; c < right; ++c, d += 4, ++s) {
                            const RGBQUAD& p = palette[*s];
                            const bool clear = keyed && *s == transparentIndex;
                            if (!clear || keyColour) {
                              d[0] = bgr ? p.rgbBlue : p.rgbRed;
                              d[1] = p.rgbGreen;
                              d[2] = bgr ? p.rgbRed : p.rgbBlue;
                            }
                            if (!clear)
                              d[3] = 255;
                            else if (!keepAlpha)
                              d[3] = 0;
                          }
                        });
}

}  // namespace Pictura
