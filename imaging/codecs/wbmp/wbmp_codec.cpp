// WBMP reader and writer.
#include <cstring>
#include <memory>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/wbmp/wbmp_codec.h"

namespace Pictura {

namespace {

// Big-endian groups of 7 bits; at most five bytes, the value within 32 bits.
bool ReadMultiByte(CPicIO& io, uint32_t* value) {
  uint64_t v = 0;
  for (int i = 0; i < 5; ++i) {
    uint8_t b = 0;
    if (!io.ReadExact(&b, 1)) return false;
    v = v << 7 | (b & 0x7F);
    if (!(b & 0x80)) {
      if (v > UINT32_MAX) return false;
      *value = static_cast<uint32_t>(v);
      return true;
    }
  }
  return false;
}

}  // namespace

int ReadWBMPHeader(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height) {
  uint8_t head[2];
  uint32_t w = 0, h = 0;
  if (!io.ReadExact(head, 2) || head[0] || head[1] || !ReadMultiByte(io, &w) || !ReadMultiByte(io, &h) ||
      !w || !h)
    return PicFail<int>(error, kPicErrBadWBMP);
  *width = w;
  *height = h;
  return 1;
}

HGLOBAL ReadWBMPImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                      uint32_t depth, uint32_t flags) {
  *width = *height = 0;
  const bool dib = (flags & kWbmpPackedDIB) != 0, padded = (flags & kWbmpPadRows) != 0;
  if ((dib && padded) || (!dib && !palette)) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  if (dib) depth = 1;
  if (depth != 1 && depth != 8) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  uint32_t w = 0, h = 0;
  if (!ReadWBMPHeader(error, io, &w, &h)) return nullptr;
  const uint64_t fileRow = (uint64_t{w} + 7) / 8;
  if (!PicDecodePlausible(uint64_t{w} * h, fileRow * h, PicBytesLeft(io), 1))
    return PicFail<HGLOBAL>(error, kPicErrBadWBMP);
  const RGBQUAD colours[2] = {{0, 0, 0, 0}, {255, 255, 255, 255}};
  if (palette) std::memcpy(palette, colours, sizeof colours);
  PicImageBlock block;
  if (const uint32_t code = block.Allocate(w, h, depth, PicRowBytes(w, depth, padded), dib, colours, 2))
    return PicFail<HGLOBAL>(error, code);
  *width = w;
  *height = h;
  std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[fileRow]);
  if (!bits) return PicFail<HGLOBAL>(error, kPicErrNoMemory);
  for (uint32_t y = 0; y < h; ++y) {
    if (!PicProgress(y, h)) {
      *error = kPicErrCancelled;
      break;
    }
    uint8_t* row = block.Row(y);
    if (!io.ReadExact(depth == 1 ? row : bits.get(), static_cast<uint32_t>(fileRow))) {
      *error = kPicErrFileRead;
      break;
    }
    if (depth == 8)
      for (uint32_t x = 0; x < w; ++x) row[x] = bits[x / 8] >> (7 - x % 8) & 1;
  }
  return block.Handle();
}

bool WriteWBMPMultiByte(CPicIO& io, uint32_t value) {
  uint8_t out[5];
  int n = 0;
  for (int shift = 28; shift > 0; shift -= 7)
    if (n || (value >> shift)) out[n++] = static_cast<uint8_t>(0x80 | ((value >> shift) & 0x7F));
  out[n++] = static_cast<uint8_t>(value & 0x7F);
  return io.Write(out, static_cast<uint32_t>(n));
}

uint32_t WriteWBMPImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                        uint32_t stride, uint32_t flags) {
  if (!image || width == 0 || height == 0) return PicFail<uint32_t>(error, kPicErrBadArgument);
  const uint8_t head[2] = {0, 0};
  if (!io.Write(head, 2) || !WriteWBMPMultiByte(io, width) || !WriteWBMPMultiByte(io, height))
    return PicFail<uint32_t>(error, kPicErrFileWrite);
  const size_t bytes = (size_t{width} + 7) / 8;
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[bytes]);
  if (!row) return PicFail<uint32_t>(error, kPicErrNoMemory);
  for (uint32_t y = 0; y < height; ++y) {
    if (!PicProgress(y, height)) return PicFail<uint32_t>(error, kPicErrCancelled);
    const uint8_t* src = image + size_t{stride} * ((flags & kWbmpBottomUp) ? height - 1 - y : y);
    std::memset(row.get(), 0, bytes);
    for (uint32_t x = 0; x < width; ++x)
      if (src[x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    if (!io.Write(row.get(), static_cast<uint32_t>(bytes))) return PicFail<uint32_t>(error, kPicErrFileWrite);
  }
  uint32_t position = 0;
  if (!io.GetPos(&position)) return PicFail<uint32_t>(error, kPicErrFileWrite);
  return position;
}

}  // namespace Pictura
