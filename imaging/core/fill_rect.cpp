#include "core/fill_rect.h"

#include <cstring>

#include "core/thread_context.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// Clips one side of the rectangle; false when nothing is left to draw.
bool ClipSpan(uint32_t start, uint32_t* length, uint32_t limit) {
  if (*length == 0 || start >= limit) return false;
  if (uint64_t{start} + *length > limit) *length = limit - start;
  return true;
}

struct Rect {
  uint32_t x, y, w, h;
};

// The clipped rectangle, or false when it is empty.
bool Clip(uint32_t width, uint32_t height, Rect* r) {
  return ClipSpan(r->x, &r->w, width) && ClipSpan(r->y, &r->h, height);
}

// Calls row(y) for every row of the rectangle with progress between rows.
template <class F>
int EachRow(uint32_t* error, const Rect& r, F&& row) {
  PicNestingScope depth;
  for (uint32_t i = 0; i < r.h; ++i) {
    row(r.y + i);
    if (!PicProgress(i + 1, r.h)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

}  // namespace

int FillRow1Bit(uint8_t* bits, uint32_t stride, uint32_t row, uint32_t x0, uint32_t x1, uint32_t value) {
  if (!bits) return 0;
  if (x0 >= x1) return 1;
  uint8_t* line = bits + static_cast<size_t>(uint64_t{row} * stride);
  auto put = [&](uint32_t x) {
    const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
    if (value)
      line[x >> 3] |= bit;
    else
      line[x >> 3] &= static_cast<uint8_t>(~bit);
  };
  uint32_t x = x0;
  for (; x < x1 && (x & 7); ++x) put(x);  // leading partial byte
  const uint32_t whole = (x1 - x) / 8;
  if (x < x1 && whole) {
    std::memset(line + (x >> 3), value ? 0xFF : 0x00, whole);
    x += whole * 8;
  }
  for (; x < x1; ++x) put(x);  // trailing partial byte
  return 1;
}

int FillRect1Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                 uint32_t y, uint32_t w, uint32_t h, uint32_t value) {
  Rect r{x, y, w, h};
  if (!Clip(width, height, &r)) return 1;
  if (!bits || stride < (uint64_t{r.x} + r.w + 7) / 8) return Fail(error, kPicErrBadArgument);
  return EachRow(error, r, [&](uint32_t row) { FillRow1Bit(bits, stride, row, r.x, r.x + r.w, value); });
}

int FillRect8Bit(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                 uint32_t y, uint32_t w, uint32_t h, uint8_t value) {
  Rect r{x, y, w, h};
  if (!Clip(width, height, &r)) return 1;
  if (!bits || stride < uint64_t{r.x} + r.w) return Fail(error, kPicErrBadArgument);
  return EachRow(error, r, [&](uint32_t row) {
    std::memset(bits + static_cast<size_t>(uint64_t{row} * stride) + r.x, value, r.w);
  });
}

int FillRectRGB(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t x,
                uint32_t y, uint32_t w, uint32_t h, uint32_t colour, uint32_t bytesPerPixel, uint32_t flags) {
  if (!bits || (bytesPerPixel != 3 && bytesPerPixel != 4)) return Fail(error, kPicErrBadArgument);
  Rect r{x, y, w, h};
  if (!Clip(width, height, &r)) return 1;
  const uint64_t rowBytes = uint64_t{r.w} * bytesPerPixel;
  if (stride < uint64_t{r.x} * bytesPerPixel + rowBytes) return Fail(error, kPicErrBadArgument);

  uint8_t c[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                  static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
  if (flags & kPicFlagBGR) std::swap(c[0], c[2]);
  const bool uniform = c[0] == c[1] && c[1] == c[2] && (bytesPerPixel == 3 || c[2] == c[3]);
  if (uniform && r.x == 0 && r.y == 0 && r.w == width && r.h == height && stride == rowBytes) {
    std::memset(bits, c[0], static_cast<size_t>(rowBytes * height));
    return 1;
  }
  return EachRow(error, r, [&](uint32_t row) {
    uint8_t* p = bits + static_cast<size_t>(uint64_t{row} * stride + uint64_t{r.x} * bytesPerPixel);
    if (uniform) {
      std::memset(p, c[0], static_cast<size_t>(rowBytes));
      return;
    }
    for (uint32_t i = 0; i < r.w; ++i, p += bytesPerPixel) std::memcpy(p, c, bytesPerPixel);
  });
}

int FillRect16bpc(uint32_t* error, uint16_t* bits, uint32_t width, uint32_t height, uint32_t stride,
                  uint32_t x, uint32_t y, uint32_t w, uint32_t h, const uint16_t colour[4], uint32_t channels,
                  uint32_t flags) {
  if (!bits || !colour || (channels != 1 && channels != 3 && channels != 4))
    return Fail(error, kPicErrBadArgument);
  Rect r{x, y, w, h};
  if (!Clip(width, height, &r)) return 1;
  if (stride < (uint64_t{r.x} + r.w) * channels) return Fail(error, kPicErrBadArgument);
  uint16_t c[4] = {colour[0], colour[1], colour[2], colour[3]};
  if (flags & kPicFlagBGR) std::swap(c[0], c[2]);
  return EachRow(error, r, [&](uint32_t row) {
    uint16_t* p = bits + static_cast<size_t>(uint64_t{row} * stride + uint64_t{r.x} * channels);
    for (uint32_t i = 0; i < r.w; ++i, p += channels)
      for (uint32_t k = 0; k < channels; ++k) p[k] = c[k];
  });
}

}  // namespace Pictura
