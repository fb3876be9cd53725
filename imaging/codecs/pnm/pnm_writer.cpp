// PNM writer: raw P4, P5 and P6 files from 1-, 8- or 16-bit samples.
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/pnm/pnm_codec.h"

namespace Pictura {

uint32_t WritePNMImage(uint32_t* error, CPicIO& io, const uint8_t* pixels, uint32_t width, uint32_t height,
                       int32_t maxval, uint32_t depth, uint32_t stride, uint32_t flags) {
  if (!pixels || width == 0 || height == 0) return PicFail<uint32_t>(error, kPicErrBadArgument);
  const bool wide = depth == 16 || depth == 48;
  const uint32_t channels = depth == 24 || depth == 48 ? 3 : 1;
  if (depth != 1 && depth != 8 && depth != 16 && depth != 24 && depth != 48)
    return PicFail<uint32_t>(error, kPicErrBadArgument);
  // The samples' width follows the depth; maxval only says what they mean.
  const uint32_t top = maxval <= 0 ? (wide ? 65535u : 255u) : static_cast<uint32_t>(maxval);
  if (top > 65535) return PicFail<uint32_t>(error, kPicErrBadArgument);
  const uint64_t samples = uint64_t{width} * channels;
  const uint32_t outBytes = top > 255 ? 2 : 1;
  const uint64_t rowBytes = depth == 1 ? (uint64_t{width} + 7) / 8 : samples * outBytes;
  if (rowBytes >= UINT32_MAX / 2) return PicFail<uint32_t>(error, kPicErrBadArgument);

  char header[64];
  const int n = depth == 1 ? std::snprintf(header, sizeof header, "P4\n%u %u\n", width, height)
                           : std::snprintf(header, sizeof header, "P%c\n%u %u\n%u\n",
                                           channels == 3 ? '6' : '5', width, height, top);
  if (!io.Write(header, static_cast<uint32_t>(n))) return PicFail<uint32_t>(error, kPicErrFileWrite);
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowBytes]);
  if (!row) return PicFail<uint32_t>(error, kPicErrNoMemory);
  const bool bgr = (flags & kPnmBGRIn) != 0 && channels == 3;
  const size_t strideBytes = size_t{stride} * (wide ? 2 : 1);
  for (uint32_t y = 0; y < height; ++y) {
    if (!PicProgress(y, height)) return PicFail<uint32_t>(error, kPicErrCancelled);
    const uint8_t* src = pixels + strideBytes * ((flags & kPnmBottomUp) ? height - 1 - y : y);
    const uint8_t* out = row.get();
    if (depth == 1) {
      std::memcpy(row.get(), src, rowBytes);
      if (width % 8) row[rowBytes - 1] &= static_cast<uint8_t>(0xFF00u >> (width % 8));
    } else if (!wide && top == 255 && !bgr) {
      out = src;  // already the file's bytes
    } else {
      for (uint64_t i = 0; i < samples; ++i) {
        const uint64_t from = bgr ? i - i % 3 + (2 - i % 3) : i;
        uint32_t v;
        if (wide) {
          uint16_t w16;
          std::memcpy(&w16, src + 2 * from, 2);
          v = w16;
        } else {
          v = src[from];
        }
        if (v > top) v = top;
        if (outBytes == 2) {
          row[2 * i] = static_cast<uint8_t>(v >> 8);
          row[2 * i + 1] = static_cast<uint8_t>(v);
        } else {
          row[i] = static_cast<uint8_t>(v);
        }
      }
    }
    if (!io.Write(out, static_cast<uint32_t>(rowBytes))) return PicFail<uint32_t>(error, kPicErrFileWrite);
  }
  uint32_t size = 0;
  if (!io.GetSize(&size)) return PicFail<uint32_t>(error, kPicErrFileWrite);
  return size;
}

}  // namespace Pictura
