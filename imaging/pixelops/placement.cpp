#include "pixelops/placement.h"

#include <algorithm>
#include <cstring>

#include "core/color_match.h"
#include "core/crop_flip.h"
#include "core/library_globals.h"
#include "core/thread_context.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/color_utils.h"

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

// EachCoveredRow pixel by pixel for byte-addressed destinations:
// pixel(d, s, sc) for each covered pixel, d at the destination pixel
// (dstBytes a pixel), sc the source column, s at the source pixel (srcBytes
// a pixel), or at the start of its row for packed 1-bit sources (srcBytes 0).
template <class Pixel>
bool EachCoveredPixel(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                      uint32_t dstStride, uint32_t dstBytes, const uint8_t* src, uint32_t srcWidth,
                      uint32_t srcHeight, uint32_t srcStride, uint32_t srcBytes, int32_t x, int32_t y,
                      Pixel&& pixel) {
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          uint8_t* d = dst + size_t{r} * dstStride + size_t{left} * dstBytes;
                          uint32_t sc = static_cast<uint32_t>(int64_t{left} - x);
                          const uint8_t* s = src + size_t{sr} * srcStride + size_t{sc} * srcBytes;
                          for (uint32_t c = left; c < right; ++c, ++sc, d += dstBytes, s += srcBytes)
                            pixel(d, s, sc);
                        });
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

// Destination columns left .. right - 1 of one packed row from source bits
// (column c from source column c - x), only where the mask row (null: all)
// has its bit set: copy, or AND / OR by flags.
void Place1BitRow(uint8_t* d, const uint8_t* s, const uint8_t* m, uint32_t srcBytes, uint32_t left,
                  uint32_t right, int32_t x, uint32_t flags) {
  const bool combine = (flags & kPlace1BitCombine) != 0, useOr = (flags & kPlace1BitOr) != 0;
  uint32_t c = left;
  // Both sides byte-aligned and nothing to merge: whole bytes at once.
  if (!combine && !m && (c & 7) == 0 && ((int64_t{c} - x) & 7) == 0) {
    const uint32_t whole = (right - c) / 8;
    std::memcpy(d + c / 8, s + (int64_t{c} - x) / 8, whole);
    c += whole * 8;
  }
  while (c < right) {
    const uint32_t byteStart = c & ~7u;
    const uint32_t end = std::min(right, byteStart + 8);
    uint8_t mask = static_cast<uint8_t>((0xFFu >> (c - byteStart)) & (0xFFu << (byteStart + 8 - end)));
    if (m) mask &= SourceBits(m, srcBytes, int64_t{byteStart} - x);
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
}

bool Bit(const uint8_t* row, uint32_t column) {
  return (row[column >> 3] >> (7 - (column & 7))) & 1;
}

bool Refuse(uint32_t* error) {
  *error = kPicErrBadArgument;
  return false;
}

// Truncated toward zero and limited to a byte (NaN gives 0).
uint8_t StoreByte(double v) {
  if (!(v > 0)) return 0;
  return v >= 255 ? 255 : static_cast<uint8_t>(v);
}

double LimitOpacity(double o) {
  return o > 1 ? 1 : o > 0 ? o : 0;  // NaN gives 0
}

// The caller's palette widened to 256 entries (missing ones black) and the
// matcher over its first count entries.
struct PaletteMatch {
  RGBQUAD entries[256] = {};
  CPicImgColorMatch match;
  PaletteMatch(const RGBQUAD* palette, uint32_t count) {
    count = std::min<uint32_t>(count, 256);
    std::memcpy(entries, palette, size_t{count} * sizeof(RGBQUAD));
    match.SetPalette(entries, count);
  }
  uint8_t Nearest(uint8_t red, uint8_t green, uint8_t blue) { return match.FindClosest(red, green, blue); }
};

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
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          if (flags & kPlaceSourceBottomUp) sr = srcHeight - 1 - sr;
                          Place1BitRow(dst + size_t{r} * dstStride, src + size_t{sr} * srcStride, nullptr,
                                       (srcWidth + 7) / 8, left, right, x, flags);
                        });
}

bool PlaceImage1BitMasked(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                          uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                          uint32_t srcStride, int32_t x, int32_t y, const uint8_t* mask, uint32_t maskStride,
                          uint32_t flags) {
  if (!mask || mask == dst) return Refuse(error);
  uint32_t left = 0, right = 0;
  return EachCoveredRow(error, dst, dstWidth, dstHeight, src, srcWidth, srcHeight, x, y, &left, &right,
                        [&](uint32_t r, uint32_t sr) {
                          if (flags & kPlaceSourceBottomUp) sr = srcHeight - 1 - sr;
                          Place1BitRow(dst + size_t{r} * dstStride, src + size_t{sr} * srcStride,
                                       mask + size_t{sr} * maskStride, (srcWidth + 7) / 8, left, right, x,
                                       flags);
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
  if (!palette) return Refuse(error);
  const bool bgr = (flags & kPlaceBGR) != 0, keyed = (flags & kPlaceTransparent) != 0;
  const bool keepAlpha = (flags & kPlaceKeepTransparentAlpha) != 0;
  const bool keyColour = (flags & kPlaceTransparentColour) != 0;
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, 4, src, srcWidth, srcHeight, srcStride,
                          1, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t) {
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
                          });
}

bool PlaceImage1BitOnPaletted(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                              uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                              uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                              uint32_t paletteCount, uint32_t colour0, uint32_t colour1, uint32_t flags) {
  if (!palette) return Refuse(error);
  PaletteMatch pal(palette, paletteCount);
  const bool swap = (flags & kPlaceSwapColourBytes) != 0;
  const ColourBytes colours[2] = {ColourBytes(colour0, swap), ColourBytes(colour1, swap)};
  // Two colours over at most 256 destination indices: each answer once.
  int16_t answer[2][256];
  std::fill(&answer[0][0], &answer[0][0] + 512, int16_t{-1});
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, 1, src, srcWidth, srcHeight, srcStride,
                          0, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t sc) {
                            const bool bit = Bit(s, sc);
                            int16_t& a = answer[bit][*d];
                            if (a < 0) {
                              const RGBQUAD& under = pal.entries[*d];
                              const uint8_t* k = colours[bit].c;
                              a = pal.Nearest(TableBlend(under.rgbRed, k[0], k[3]),
                                              TableBlend(under.rgbGreen, k[1], k[3]),
                                              TableBlend(under.rgbBlue, k[2], k[3]));
                            }
                            *d = static_cast<uint8_t>(a);
                          });
}

bool PlaceRGBOnRGBA(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride,
                    const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, int32_t x,
                    int32_t y, double opacity, uint32_t flags) {
  const bool copy = opacity == 1.0, swap = (flags & kPlaceSwapColourBytes) != 0;
  double a[256], b[256];
  BuildOpacityTables(opacity, a, b, nullptr, nullptr, 256);
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, 4, src, srcWidth, srcHeight, srcStride,
                          3, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t) {
                            for (int k = 0; k < 3; ++k) {
                              const uint8_t v = s[swap ? 2 - k : k];
                              d[k] = copy ? v : StoreByte(a[v] + b[d[k]]);
                            }
                          });
}

bool PlaceImage8BitWithOpacity(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                               uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                               uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                               uint32_t bytesPerPixel, double opacity, uint32_t transparentIndex,
                               uint32_t flags) {
  if (!palette || (bytesPerPixel != 3 && bytesPerPixel != 4)) return Refuse(error);
  double a[256], b[256];
  uint8_t ia[256], ib[256];
  BuildOpacityTables(LimitOpacity(opacity), a, b, ia, ib, 256);
  const bool each = (flags & kPlaceTruncateEach) != 0, bgr = (flags & kPlaceBGR) != 0;
  const bool keyed = (flags & kPlaceTransparent) != 0;
  return EachCoveredPixel(
      error, dst, dstWidth, dstHeight, dstStride, bytesPerPixel, src, srcWidth, srcHeight, srcStride, 1, x, y,
      [&](uint8_t* d, const uint8_t* s, uint32_t) {
        if (keyed && *s == transparentIndex) return;
        const RGBQUAD& p = palette[*s];
        const uint8_t colour[3] = {bgr ? p.rgbBlue : p.rgbRed, p.rgbGreen, bgr ? p.rgbRed : p.rgbBlue};
        for (int k = 0; k < 3; ++k)
          d[k] = each ? static_cast<uint8_t>(ia[colour[k]] + ib[d[k]]) : StoreByte(a[colour[k]] + b[d[k]]);
      });
}

bool PlaceImage8BitOnPaletted(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                              uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                              uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* dstPalette,
                              uint32_t dstCount, const RGBQUAD* srcPalette, double opacity,
                              uint32_t transparentIndex, uint32_t flags) {
  if (!dstPalette) return Refuse(error);
  PaletteMatch pal(dstPalette, dstCount);
  const RGBQUAD* from = srcPalette ? srcPalette : pal.entries;
  double a[256], b[256];
  uint8_t ia[256], ib[256];
  BuildOpacityTables(LimitOpacity(opacity), a, b, ia, ib, 256);
  const bool keyed = (flags & kPlaceSkipTransparent) != 0;
  auto mix = [&](uint8_t s, uint8_t d) { return static_cast<uint8_t>(ia[s] + ib[d]); };
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, 1, src, srcWidth, srcHeight, srcStride,
                          1, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t) {
                            if (keyed && *s == transparentIndex) return;
                            const RGBQUAD &p = from[*s], &q = pal.entries[*d];
                            *d = pal.Nearest(mix(p.rgbRed, q.rgbRed), mix(p.rgbGreen, q.rgbGreen),
                                             mix(p.rgbBlue, q.rgbBlue));
                          });
}

bool PlaceImage8BitOnPalettedByAlpha(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                                     uint32_t dstStride, const uint8_t* src, uint32_t srcWidth,
                                     uint32_t srcHeight, uint32_t srcStride, int32_t x, int32_t y,
                                     const RGBQUAD* palette, uint32_t count, uint32_t) {
  if (!palette) return Refuse(error);
  PaletteMatch pal(palette, count);
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, 1, src, srcWidth, srcHeight, srcStride,
                          1, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t) {
                            const RGBQUAD &p = pal.entries[*s], &q = pal.entries[*d];
                            const unsigned alpha = p.rgbReserved;
                            *d = pal.Nearest(TableBlend(q.rgbRed, p.rgbRed, alpha),
                                             TableBlend(q.rgbGreen, p.rgbGreen, alpha),
                                             TableBlend(q.rgbBlue, p.rgbBlue, alpha));
                          });
}

bool PlaceImage1BitOnRGB(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                         uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                         uint32_t srcStride, int32_t x, int32_t y, const RGBQUAD* palette,
                         uint32_t bytesPerPixel, uint32_t flags) {
  if (!palette || (bytesPerPixel != 3 && bytesPerPixel != 4)) return Refuse(error);
  const bool blend = (flags & kPlaceBlendByAlpha) != 0, bgr = (flags & kPlaceBGR) != 0;
  const bool skipClear = (flags & kPlaceClearBitsSkip) != 0, keepAlpha = (flags & kPlaceKeepAlpha) != 0;
  const bool entryAlpha = (flags & kPlaceAlphaFromEntry) != 0;
  struct Entry {
    uint8_t c[3], alpha;
  } entries[2];
  for (int i = 0; i < 2; ++i) {
    const RGBQUAD& p = palette[i];
    entries[i] = {{bgr ? p.rgbBlue : p.rgbRed, p.rgbGreen, bgr ? p.rgbRed : p.rgbBlue}, p.rgbReserved};
  }
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, bytesPerPixel, src, srcWidth, srcHeight,
                          srcStride, 0, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t sc) {
                            const bool bit = Bit(s, sc);
                            if (!bit && skipClear) return;
                            const Entry& e = entries[bit];
                            for (int k = 0; k < 3; ++k)
                              d[k] = blend ? TableBlend(d[k], e.c[k], e.alpha) : e.c[k];
                            if (bytesPerPixel == 4 && !keepAlpha) d[3] = entryAlpha ? e.alpha : 255;
                          });
}

bool PlaceRGBOnRGBKeyed(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                        uint32_t dstStride, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                        uint32_t srcStride, int32_t x, int32_t y, uint32_t bytesPerPixel, double opacity,
                        uint32_t key, uint32_t tolerance, uint32_t flags) {
  if (bytesPerPixel != 3 && bytesPerPixel != 4) return Refuse(error);
  const bool reversed = (flags & kPlaceSourceReversed) != 0;
  // Three-byte pixels have no alpha: the key's byte 3 takes no part.
  key =
      flags & kPlaceKeyReversed ? (key & 0xFF00) | (key & 0xFF) << 16 | ((key >> 16) & 0xFF) : key & 0xFFFFFF;
  double a[256], b[256];
  BuildOpacityTables(opacity, a, b, nullptr, nullptr, 256);
  return EachCoveredPixel(error, dst, dstWidth, dstHeight, dstStride, bytesPerPixel, src, srcWidth, srcHeight,
                          srcStride, 3, x, y, [&](uint8_t* d, const uint8_t* s, uint32_t) {
                            if (ColorsMatch(key, s[0] | s[1] << 8 | s[2] << 16, tolerance)) return;
                            for (int k = 0; k < 3; ++k)
                              d[k] = StoreByte(a[s[reversed ? 2 - k : k]] + b[d[k]]);
                          });
}

}  // namespace Pictura
