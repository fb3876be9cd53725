#pragma once
// How big an image a reader accepts before it allocates anything. A header
// may claim any size; a tiny or cut-off file must not make a reader allocate
// gigabytes before it finds out that the data is missing. Images up to
// kPicDecodeFreePixels always pass (a truncated photo still decodes to its
// end); a larger one must come with a source big enough to hold it at the
// format's best compression (unitsPerByte units of image per byte of file).

#include <cstdint>

#include "core/io_managers.h"

namespace Pictura {

constexpr uint64_t kPicDecodeFreePixels = 64ull << 20;

// Bytes left in the source from its current position; 0 when unknown.
inline uint64_t PicBytesLeft(CPicIO& io) {
  uint32_t size = 0, pos = 0;
  if (!io.GetSize(&size) || !io.GetPos(&pos) || pos > size) return 0;
  return size - pos;
}

// pixels: the image's pixel count; units: what the format compresses (pixels
// or raw bytes); sourceBytes: 0 when the source cannot tell its size.
inline bool PicDecodePlausible(uint64_t pixels, uint64_t units, uint64_t sourceBytes, uint64_t unitsPerByte) {
  if (pixels <= kPicDecodeFreePixels) return true;
  if (sourceBytes == 0) return false;
  return units / unitsPerByte <= sourceBytes;
}

}  // namespace Pictura
