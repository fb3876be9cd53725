// BMP whole-image readers: dimensions, palette, paletted and RGB(A) images
// and packed DIBs. A read that stops on a short file or a cancel keeps the
// rows it filled: the caller gets the block and the code.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "core/out_buffers.h"
#include "core/allocators.h"
#include "core/packing.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

template <class T>
T Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return T{};
}

// Reads the stored rows one by one, top row of the image last unless the
// file is top-down, and hands each to convert(row, output row).
template <class Convert>
HGLOBAL ReadRows(uint32_t* error, CPicIO& io, const BmpInfo& info, uint32_t outBits, uint32_t flags,
                 uint32_t* width, uint32_t* height, Convert&& convert) {
  const uint32_t w = static_cast<uint32_t>(info.width), h = info.absHeight;
  uint32_t outStride = 0;
  if (!BmpOutputStride(w, h, outBits, flags, &outStride) || !PicSizeWithinCap(info.stride, 1))
    return Fail<HGLOBAL>(error, kPicErrNoMemory);
  CPicOutBufAllocator out;
  if (!out.Alloc(outStride * h)) return Fail<HGLOBAL>(error, kPicErrNoMemory);
  PicArray<uint8_t> row;
  if (!row.Resize(static_cast<uint32_t>(info.stride))) {
    out.Free();
    return Fail<HGLOBAL>(error, kPicErrNoMemory);
  }
  // Blocks from the thread's own allocator come uncleared.
  std::memset(out.Data(), 0, size_t{outStride} * h);
  *width = w;
  *height = h;
  for (uint32_t y = 0; y < h; ++y) {
    if (!PicProgress(y, h)) {
      *error = kPicErrCancelled;
      break;
    }
    if (!io.ReadExact(row.Data(), row.Count())) {
      *error = kPicErrFileRead;
      break;
    }
    const uint32_t target = info.topDown ? y : h - 1 - y;
    convert(row.Data(), out.Data() + size_t{target} * outStride);
  }
  return static_cast<HGLOBAL>(out.GetBuffer());
}

// The rest of the source: all of it when the source knows its size, else
// up to `hint` bytes in steps (a header's size claims nothing by itself).
bool ReadRemainder(CPicIO& io, uint32_t hint, std::vector<uint8_t>* out) {
  uint32_t size = 0, at = 0;
  const bool known = io.GetSize(&size) && io.GetPos(&at);
  uint64_t want = known ? (size > at ? size - at : 0) : hint;
  if (want >= kPicAllocCap) return false;
  try {
    while (out->size() < want) {
      const size_t step = static_cast<size_t>(std::min<uint64_t>(want - out->size(), 1u << 16));
      const size_t old = out->size();
      out->resize(old + step);
      const uint32_t got = io.Read(out->data() + old, static_cast<uint32_t>(step));
      out->resize(old + got);
      if (got < step) break;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

int ReadBMPDims(uint32_t* error, CPicIO& io, int32_t* width, int32_t* height, uint32_t* bitCount,
                PicResolutionInfo* resolution) {
  *width = *height = 0;
  BmpInfo info;
  if (!ReadBmpHeaders(error, io, &info)) return 0;
  *width = info.width;
  *height = info.height;
  *bitCount = info.bits;
  if (resolution && !info.core) {
    resolution->x = info.xPelsPerMeter;
    resolution->y = info.yPelsPerMeter;
    resolution->unit = 2;
  }
  return 1;
}

int ReadBMPPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette) {
  if (!palette) return Fail<int>(error, kPicErrBadArgument);
  BmpInfo info;
  if (!ReadBmpHeaders(error, io, &info)) return 0;
  if (info.bits > 8) return Fail<int>(error, kPicErrBitDepth);
  if (!ReadBmpLayout(error, io, &info)) return 0;
  std::memcpy(palette, info.palette, info.kept * sizeof(RGBQUAD));
  if (count) *count = info.kept;
  return 1;
}

HGLOBAL ReadBMPPaletted(uint32_t* error, CPicIO& io, uint32_t depth, uint32_t* width, uint32_t* height,
                        RGBQUAD* palette, uint32_t flags) {
  *width = *height = 0;
  if ((depth != 1 && depth != 8) || !palette) return Fail<HGLOBAL>(error, kPicErrBadArgument);
  BmpInfo info;
  if (!ReadBmpHeaders(error, io, &info)) return nullptr;
  if (info.bits > 8 || depth < info.bits) return Fail<HGLOBAL>(error, kPicErrBitDepth);
  if (!ReadBmpLayout(error, io, &info)) return nullptr;
  std::memcpy(palette, info.palette, sizeof info.palette);
  if (info.compression == BI_RLE8 || info.compression == BI_RLE4)
    return DecodeBMPRLE(error, io, info, 8, width, height, flags);
  const uint32_t w = static_cast<uint32_t>(info.width);
  return ReadRows(error, io, info, depth, flags, width, height, [&](const uint8_t* row, uint8_t* out) {
    if (depth == 1)
      std::memcpy(out, row, (size_t{w} + 7) / 8);
    else
      UnpackRowTo8Bit(row, out, w, info.bits);
  });
}

HGLOBAL ReadBMPToRGB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags) {
  *width = *height = 0;
  if (depth != 24 && depth != 32) return Fail<HGLOBAL>(error, kPicErrBadArgument);
  BmpInfo info;
  if (!OpenBmp(error, io, &info)) return nullptr;
  if (info.compression == BI_RLE8 || info.compression == BI_RLE4)
    return DecodeBMPRLE(error, io, info, depth, width, height, flags);
  const bool alpha = depth == 32, keepOrder = (flags & kBmpFileOrder) != 0;
  return ReadRows(error, io, info, depth, flags, width, height,
                  [&](const uint8_t* row, uint8_t* out) { BmpRowToRGB(info, row, out, alpha, keepOrder); });
}

HGLOBAL ReadBMPToDIB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height) {
  *width = *height = 0;
  BmpInfo info;
  if (!OpenBmp(error, io, &info)) return nullptr;
  const bool rle = info.compression == BI_RLE8 || info.compression == BI_RLE4;

  // The pixel data: every stored row, or the compressed stream up to the end
  // of the source (its real length bounds every later decoding).
  uint64_t data = 0;
  std::vector<uint8_t> stream;
  if (rle) {
    if (!ReadRemainder(io, info.sizeImage, &stream)) return Fail<HGLOBAL>(error, kPicErrNoMemory);
    if (stream.empty()) return Fail<HGLOBAL>(error, kPicErrFileRead);
    data = stream.size();
  } else if (!PicSizeWithinCap(info.stride, info.absHeight, 1, &data)) {
    return Fail<HGLOBAL>(error, kPicErrNoMemory);
  }
  const uint32_t tableEntries = info.bits <= 8 ? info.kept : 0;
  const uint64_t tableBytes = info.hasMasks ? 12 : uint64_t{tableEntries} * 4;
  uint64_t total = 0;
  if (!PicSizeWithinCap(40 + tableBytes + data, 1, 1, &total)) return Fail<HGLOBAL>(error, kPicErrNoMemory);
  CPicOutBufAllocator out;
  if (!out.Alloc(static_cast<uint32_t>(total))) return Fail<HGLOBAL>(error, kPicErrNoMemory);
  uint8_t* block = out.Data();
  std::memset(block, 0, static_cast<size_t>(total));

  // Always the 40-byte form: masks of the longer headers move behind it.
  BITMAPINFOHEADER h{};
  h.biSize = 40;
  h.biWidth = info.width;
  h.biHeight = info.height;
  h.biPlanes = 1;
  h.biBitCount = info.bits;
  h.biCompression = info.compression;
  h.biSizeImage = static_cast<uint32_t>(data);
  h.biXPelsPerMeter = info.xPelsPerMeter;
  h.biYPelsPerMeter = info.yPelsPerMeter;
  h.biClrUsed = tableEntries;
  h.biClrImportant = std::min(info.clrImportant, tableEntries);
  std::memcpy(block, &h, 40);
  if (info.hasMasks)
    std::memcpy(block + 40, info.masks, 12);
  else
    std::memcpy(block + 40, info.palette, static_cast<size_t>(tableBytes));

  *width = static_cast<uint32_t>(info.width);
  *height = info.absHeight;
  uint8_t* pixels = block + 40 + tableBytes;
  if (rle) {
    std::memcpy(pixels, stream.data(), stream.size());
    return static_cast<HGLOBAL>(out.GetBuffer());
  }
  for (uint32_t y = 0; y < info.absHeight; ++y) {
    if (!PicProgress(y, info.absHeight)) {
      *error = kPicErrCancelled;
      break;
    }
    if (!io.ReadExact(pixels + y * info.stride, static_cast<uint32_t>(info.stride))) {
      *error = kPicErrFileRead;
      break;
    }
  }
  return static_cast<HGLOBAL>(out.GetBuffer());
}

}  // namespace Pictura
