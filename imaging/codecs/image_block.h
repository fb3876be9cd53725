#pragma once
// The result block of a whole-image reader: top-down rows, or a PicPackedDIB
// (40-byte header, palette, bottom-up rows padded to 4 bytes) when the
// caller asked for one. Sizes are checked against the cap in 64 bits; the
// block comes from CPicOutBufAllocator, cleared, and belongs to the caller.

#include <cstdint>
#include <cstring>

#include "core/out_buffers.h"
#include "core/allocators.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

class PicImageBlock {
 public:
  // rowBytes: bytes of one output row (a DIB's are padded here); colours:
  // palette entries of a DIB (0 at 24 and 32 bits). Code 1 when the block
  // passes the cap or cannot be had.
  uint32_t Allocate(uint32_t width, uint32_t height, uint32_t bits, uint64_t rowBytes, bool dib,
                    const RGBQUAD* palette = nullptr, uint32_t colours = 0) {
    dib_ = dib;
    height_ = height;
    stride_ = dib ? (uint64_t{width} * bits + 31) / 32 * 4 : rowBytes;
    const uint64_t head = dib ? 40 + uint64_t{colours} * 4 : 0;
    uint64_t pixels = 0, total = 0;
    if (!PicSizeWithinCap(stride_, height, 1, &pixels) || !PicSizeWithinCap(head + pixels, 1, 1, &total) ||
        total == 0 || !out_.Alloc(static_cast<uint32_t>(total)))
      return kPicErrNoMemory;
    uint8_t* block = out_.Data();
    // GlobalAlloc blocks come cleared; the thread's own allocator's may not.
    if (out_.Source() != 0) std::memset(block, 0, static_cast<size_t>(total));
    if (dib) {
      BITMAPINFOHEADER h{};
      h.biSize = 40;
      h.biWidth = static_cast<int32_t>(width);
      h.biHeight = static_cast<int32_t>(height);
      h.biPlanes = 1;
      h.biBitCount = static_cast<uint16_t>(bits);
      h.biSizeImage = static_cast<uint32_t>(pixels);
      h.biClrUsed = colours;
      std::memcpy(block, &h, sizeof h);
      if (colours) std::memcpy(block + 40, palette, size_t{colours} * 4);
    }
    rows_ = block + head;
    return 0;
  }
  // Output row y counted from the top of the image.
  uint8_t* Row(uint32_t y) const {
    const uint32_t stored = dib_ ? height_ - 1 - y : y;
    return rows_ + static_cast<size_t>(uint64_t{stored} * stride_);
  }
  uint64_t Stride() const { return stride_; }
  HGLOBAL Handle() const { return static_cast<HGLOBAL>(out_.GetBuffer()); }

 private:
  CPicOutBufAllocator out_;
  bool dib_ = false;
  uint32_t height_ = 0;
  uint64_t stride_ = 0;
  uint8_t* rows_ = nullptr;
};

// Rows of a plain reader: packed bytes, rounded up to 4 when the caller
// wants the file's padded layout.
inline uint64_t PicRowBytes(uint32_t width, uint32_t bits, bool padded) {
  const uint64_t bytes = (uint64_t{width} * bits + 7) / 8;
  return padded ? (bytes + 3) / 4 * 4 : bytes;
}

}  // namespace Pictura
