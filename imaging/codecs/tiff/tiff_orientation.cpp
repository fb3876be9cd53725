#include "codecs/tiff/tiff_orientation.h"

#include <cstring>

namespace Pictura {

uint32_t TIFFOrientedOutput::Begin(uint32_t storedWidth, uint32_t storedHeight, uint32_t bits,
                                   uint32_t orientation, bool dib, bool padded, const RGBQUAD* palette,
                                   uint32_t colours) {
  storedWidth_ = storedWidth;
  storedHeight_ = storedHeight;
  bits_ = bits;
  orientation_ = orientation >= 2 && orientation <= 8 ? orientation : 1;
  const bool rotates = TIFFOrientationRotates(orientation_);
  width_ = rotates ? storedHeight : storedWidth;
  height_ = rotates ? storedWidth : storedHeight;
  direct_ = orientation_ == 1;
  dib_ = dib;
  if (uint32_t code =
          block_.Allocate(width_, height_, bits, PicRowBytes(width_, bits, padded), dib, palette, colours))
    return code;
  if (!direct_) {
    stagingStride_ = StoredRowBytes();
    uint64_t total = 0;
    if (!PicSizeWithinCap(stagingStride_, storedHeight, 1, &total) ||
        !staging_.Resize(static_cast<uint32_t>(total)))
      return kPicErrNoMemory;
  }
  return 0;
}

void TIFFOrientedOutput::Finish() {
  if (direct_) return;
  const uint32_t w = storedWidth_, h = storedHeight_;
  // Stored (sx, sy) of display pixel (dx, dy) for each orientation:
  // sx = ax * dx + bx * dy + cx, sy = ay * dx + by * dy + cy.
  int64_t ax = 1, bx = 0, cx = 0, ay = 0, by = 1, cy = 0;
  switch (orientation_) {
    case 2:  // mirrored
      ax = -1, cx = w - 1;
      break;
    case 3:  // turned half round
      ax = -1, cx = w - 1, by = -1, cy = h - 1;
      break;
    case 4:  // upside down
      by = -1, cy = h - 1;
      break;
    case 5:  // transposed
      ax = 0, bx = 1, ay = 1, by = 0;
      break;
    case 6:  // stored row 0 is the right column
      ax = 0, bx = 1, ay = -1, by = 0, cy = h - 1;
      break;
    case 7:  // transversed
      ax = 0, bx = -1, cx = w - 1, ay = -1, by = 0, cy = h - 1;
      break;
    case 8:  // stored row 0 is the left column
      ax = 0, bx = -1, cx = w - 1, ay = 1, by = 0;
      break;
  }
  const uint8_t* src = staging_.Data();
  const uint32_t bytes = bits_ / 8;
  for (uint32_t dy = 0; dy < height_; ++dy) {
    uint8_t* out = block_.Row(dy);
    int64_t sx = bx * dy + cx, sy = by * dy + cy;
    if (bits_ == 1) {
      std::memset(out, 0, static_cast<size_t>((uint64_t{width_} + 7) / 8));
      for (uint32_t dx = 0; dx < width_; ++dx, sx += ax, sy += ay) {
        const uint8_t* row = src + sy * static_cast<int64_t>(stagingStride_);
        if (row[sx >> 3] & (0x80 >> (sx & 7))) out[dx >> 3] |= static_cast<uint8_t>(0x80 >> (dx & 7));
      }
      continue;
    }
    for (uint32_t dx = 0; dx < width_; ++dx, sx += ax, sy += ay, out += bytes)
      std::memcpy(out, src + sy * static_cast<int64_t>(stagingStride_) + sx * bytes, bytes);
  }
  staging_ = PicArray<uint8_t>();
}

}  // namespace Pictura
