#pragma once
// Where the reader puts the rows it decodes: straight into the result block
// when the file is upright, else into a stored-order copy that Finish turns
// upright once (libtiff is asked for the stored order, so no orientation is
// applied twice).

#include <cstdint>

#include "codecs/image_block.h"
#include "core/allocators.h"

namespace Pictura {

// The display size of a stored image: Orientation 5 to 8 swap the sides.
inline bool TIFFOrientationRotates(uint32_t orientation) {
  return orientation >= 5 && orientation <= 8;
}

class TIFFOrientedOutput {
 public:
  // bits: 1, 8, 16, 24, 32, 48 or 64 bits a pixel. Code 1 when a block
  // cannot be had.
  uint32_t Begin(uint32_t storedWidth, uint32_t storedHeight, uint32_t bits, uint32_t orientation, bool dib,
                 bool padded, const RGBQUAD* palette = nullptr, uint32_t colours = 0);
  // Where stored row y goes (StoredRowBytes bytes).
  uint8_t* StoredRow(uint32_t y) {
    return direct_ ? block_.Row(y) : staging_.Data() + static_cast<size_t>(uint64_t{y} * stagingStride_);
  }
  uint64_t StoredRowBytes() const { return (uint64_t{storedWidth_} * bits_ + 7) / 8; }
  // Stored rows follow each other top-down with no gap.
  bool StoredRowsContiguous() const { return !direct_ || (!dib_ && block_.Stride() == StoredRowBytes()); }
  // Moves the stored rows upright into the result block.
  void Finish();
  HGLOBAL Handle() const { return block_.Handle(); }
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }

 private:
  PicImageBlock block_;
  PicArray<uint8_t> staging_;
  uint64_t stagingStride_ = 0;
  uint32_t storedWidth_ = 0, storedHeight_ = 0, width_ = 0, height_ = 0, bits_ = 0, orientation_ = 1;
  bool direct_ = true;
  bool dib_ = false;
};

}  // namespace Pictura
