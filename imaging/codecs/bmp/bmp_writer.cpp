// BMP writers: uncompressed 1 to 32 bits (whole or row by row), RLE8, and
// packed DIBs as they stand. Files always get the 40-byte info header and
// bottom-up rows.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/bmp/bmp_codec.h"
#include "core/allocators.h"
#include "core/packed_dib.h"
#include "core/pixel_formats.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

// Pixels per metre from the caller's doubles, truncated and kept in range.
int32_t PelsPerMeter(const double* resolution, int i) {
  if (!resolution || !std::isfinite(resolution[i])) return 0;
  const double v = std::trunc(resolution[i]);
  if (v <= INT32_MIN) return INT32_MIN;
  if (v >= INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(v);
}

// The 14-byte file header and the 40-byte info header.
// fileSize 0 and imageBytes all ones stand for sizes patched in later.
bool WriteHeaders(CPicIO& io, uint32_t width, uint32_t height, uint32_t bits, uint32_t compression,
                  uint32_t colours, uint32_t imageBytes, uint32_t fileSize, const double* resolution) {
  uint8_t h[54] = {'B', 'M'};
  const uint32_t offBits = 54 + 4 * colours;
  PicPutLE32(h + 2, fileSize);
  PicPutLE32(h + 10, offBits);
  PicPutLE32(h + 14, 40);
  PicPutLE32(h + 18, width);
  PicPutLE32(h + 22, height);
  PicPutLE16(h + 26, 1);
  PicPutLE16(h + 28, bits);
  PicPutLE32(h + 30, compression);
  PicPutLE32(h + 34, imageBytes);
  PicPutLE32(h + 38, static_cast<uint32_t>(PelsPerMeter(resolution, 0)));
  PicPutLE32(h + 42, static_cast<uint32_t>(PelsPerMeter(resolution, 1)));
  PicPutLE32(h + 46, colours);
  PicPutLE32(h + 50, colours);
  return io.Write(h, sizeof h);
}

bool ValidSize(uint32_t width, uint32_t height) {
  return width >= 1 && height >= 1 && width <= INT32_MAX && height <= INT32_MAX;
}

}  // namespace

// ---- Line writer -------------------------------------------------------------

BMPLineWriter* BMPLineWriter::Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height,
                                   uint32_t depth, uint32_t stride, uint32_t paletteColours,
                                   const RGBQUAD* palette, const double* resolution, uint32_t flags) {
  const bool paletted = depth == 1 || depth == 4 || depth == 8;
  if (!paletted && depth != 16 && depth != 24 && depth != 32)
    return PicFail<BMPLineWriter*>(error, kPicErrBadArgument);
  if (!ValidSize(width, height)) return PicFail<BMPLineWriter*>(error, kPicErrBadArgument);
  // Exactly the colours announced are written; a table the depth cannot use is refused.
  if (paletted && (!palette || paletteColours == 0 || paletteColours > (1u << depth)))
    return PicFail<BMPLineWriter*>(error, kPicErrBadArgument);
  const uint32_t colours = paletted ? paletteColours : 0;
  if (flags & kBmpStrideRoundUp) stride = static_cast<uint32_t>((uint64_t{stride} + 3) & ~uint64_t{3});
  const uint64_t dataBytes = (uint64_t{width} * depth + 7) / 8;
  const uint64_t fileRow = (uint64_t{width} * depth + 31) / 32 * 4;
  uint64_t image = 0;
  if (stride < dataBytes || !PicSizeWithinCap(fileRow, height, 1, &image) ||
      54 + 4 * colours + image >= kPicAllocCap)
    return PicFail<BMPLineWriter*>(error, kPicErrBadArgument);

  BMPLineWriter* w = new (std::nothrow) BMPLineWriter;
  if (!w) return PicFail<BMPLineWriter*>(error, kPicErrNoMemory);
  w->io_ = &io;
  w->width_ = width;
  w->height_ = height;
  w->depth_ = depth;
  w->stride_ = stride;
  w->alreadyBGR_ = (flags & kBmpFileOrder) != 0;
  w->dataBytes_ = static_cast<uint32_t>(dataBytes);
  w->fileRowBytes_ = static_cast<uint32_t>(fileRow);
  w->buffer_ = new (std::nothrow) uint8_t[fileRow]();
  if (!w->buffer_) {
    DestroyBMPLineWriter(w);
    return PicFail<BMPLineWriter*>(error, kPicErrNoMemory);
  }
  bool ok = WriteHeaders(io, width, height, depth, BI_RGB, colours, static_cast<uint32_t>(image),
                         static_cast<uint32_t>(54 + 4 * colours + image), resolution);
  if (ok && colours) ok = io.Write(palette, 4 * colours);
  if (!ok) {
    DestroyBMPLineWriter(w);
    return PicFail<BMPLineWriter*>(error, kPicErrFileWrite);
  }
  return w;
}

bool BMPLineWriter::WriteNextLine(uint32_t* error, const uint8_t* row) {
  if (!row) return PicFail<bool>(error, kPicErrBadArgument);
  if (rowsWritten_ >= height_) return PicFail<bool>(error, kBmpErrEndOfImage);
  // The row's own bytes, then zeros up to the stored row's length.
  std::memcpy(buffer_, row, dataBytes_);
  std::memset(buffer_ + dataBytes_, 0, fileRowBytes_ - dataBytes_);
  if (!alreadyBGR_) {
    if (depth_ == 24) SwapRedBlue24(nullptr, buffer_, width_, 1);
    if (depth_ == 32) SwapRedBlue32(buffer_, width_, 1);
  }
  if (!io_->Write(buffer_, fileRowBytes_)) return PicFail<bool>(error, kPicErrFileWrite);
  ++rowsWritten_;
  return true;
}

void DestroyBMPLineWriter(BMPLineWriter* writer) {
  if (!writer) return;
  delete[] writer->buffer_;
  delete writer;
}

// ---- Whole images ------------------------------------------------------------

namespace {

// The destination's size, or what it received from start when it cannot say.
uint32_t SizeAfter(CPicIO& io, uint64_t start) {
  uint32_t size = 0, at = 0;
  if (io.GetSize(&size)) return size;
  return io.GetPos(&at) && at >= start ? static_cast<uint32_t>(at - start) : 0;
}

}  // namespace

uint32_t WriteBMPUncompressed(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width,
                              uint32_t height, uint32_t depth, uint32_t stride, uint32_t paletteColours,
                              const RGBQUAD* palette, const double* resolution, uint32_t flags) {
  if (flags & kBmpPackedDIB) return WriteBMPFromDIB(error, io, image);
  if (!image) return PicFail<uint32_t>(error, kPicErrBadArgument);
  uint32_t start = 0;
  io.GetPos(&start);
  BMPLineWriter* w = BMPLineWriter::Open(error, io, width, height, depth, stride, paletteColours, palette,
                                         resolution, flags);
  if (!w) return 0;
  const bool fileOrder = (flags & kBmpRowsInFileOrder) != 0;
  const uint64_t step = w->Stride();
  bool ok = true;
  for (uint32_t i = 0; i < height && ok; ++i) {
    const uint32_t y = fileOrder ? i : height - 1 - i;
    ok = w->WriteNextLine(error, image + y * step);
    if (ok && !PicProgress(i + 1, height)) {
      *error = kPicErrCancelled;
      ok = false;
    }
  }
  DestroyBMPLineWriter(w);
  return ok ? SizeAfter(io, start) : 0;
}

uint32_t WriteBMPFromDIB(uint32_t* error, CPicIO& io, const void* dib) {
  if (!dib) return PicFail<uint32_t>(error, kPicErrBadArgument);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return 0;
  const uint64_t data = layout.compressedBytes ? layout.compressedBytes : layout.pixelBytes;
  const uint64_t body = layout.pixelOffset + data;
  uint32_t start = 0;
  io.GetPos(&start);
  uint8_t file[14] = {'B', 'M'};
  PicPutLE32(file + 2, static_cast<uint32_t>(14 + body));
  PicPutLE32(file + 10, static_cast<uint32_t>(14 + layout.pixelOffset));
  if (!io.Write(file, sizeof file) || !io.Write(dib, static_cast<uint32_t>(body)))
    return PicFail<uint32_t>(error, kPicErrFileWrite);
  return SizeAfter(io, start);
}

// ---- RLE8 --------------------------------------------------------------------

namespace {

// One row of indices (an even count) in RLE8 codes, end-of-line included.
void EncodeRLE8Row(const uint8_t* px, uint32_t w, std::vector<uint8_t>& out) {
  uint32_t i = 0;
  while (i < w) {
    if (i + 1 < w - 1) {
      // Literal scan: up to the first pair of equal neighbours.
      uint32_t k = 1;
      while (i + k < w - 1) {
        if (px[i + k] == px[i + k - 1] || k == 255) {
          --k;
          break;
        }
        ++k;
      }
      if (k > 2) {
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(k));
        out.insert(out.end(), px + i, px + i + k);
        if (k & 1) out.push_back(0);
        i += k;
        continue;
      }
    }
    uint32_t n = 1;
    while (i + n < w && n < 255 && px[i + n] == px[i]) ++n;
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(px[i]);
    i += n;
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

uint32_t WriteBMPRLE8(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                      uint32_t stride, const RGBQUAD* palette, uint32_t paletteColours,
                      const double* resolution, uint32_t flags) {
  if (!image || !palette || paletteColours == 0 || paletteColours > 256 || !ValidSize(width, height))
    return PicFail<uint32_t>(error, kPicErrBadArgument);
  if (flags & kBmpStrideRoundUp) stride = static_cast<uint32_t>((uint64_t{stride} + 3) & ~uint64_t{3});
  if (stride < width) return PicFail<uint32_t>(error, kPicErrBadArgument);
  uint32_t start = 0;
  io.GetPos(&start);
  // The sizes are patched in once the rows are written.
  if (!WriteHeaders(io, width, height, 8, BI_RLE8, paletteColours, 0xFFFFFFFFu, 0, resolution) ||
      !io.Write(palette, 4 * paletteColours))
    return PicFail<uint32_t>(error, kPicErrFileWrite);

  // Rows are coded over an even width; an odd row repeats its last pixel so
  // that nothing past the caller's row is read.
  const uint32_t even = width + (width & 1);
  std::vector<uint8_t> row, codes;
  try {
    row.resize(even);
    codes.reserve(size_t{even} * 2 + 2);
  } catch (const std::bad_alloc&) {
    return PicFail<uint32_t>(error, kPicErrNoMemory);
  }
  const bool fileOrder = (flags & kBmpRowsInFileOrder) != 0;
  uint64_t imageBytes = 0;
  for (uint32_t i = 0; i < height; ++i) {
    const uint32_t y = fileOrder ? i : height - 1 - i;
    std::memcpy(row.data(), image + size_t{y} * stride, width);
    if (even != width) row[width] = row[width - 1];
    codes.clear();
    EncodeRLE8Row(row.data(), even, codes);
    if (i + 1 == height) {
      codes.push_back(0);  // end of the bitmap
      codes.push_back(1);
    }
    if (!io.Write(codes.data(), static_cast<uint32_t>(codes.size())))
      return PicFail<uint32_t>(error, kPicErrFileWrite);
    imageBytes += codes.size();
    if (imageBytes + 54 + 4 * paletteColours > UINT32_MAX) return PicFail<uint32_t>(error, kPicErrFileWrite);
    if (!PicProgress(i + 1, height)) return PicFail<uint32_t>(error, kPicErrCancelled);
  }
  const uint64_t end = uint64_t{start} + 54 + 4 * paletteColours + imageBytes;
  uint8_t field[4];
  PicPutLE32(field, static_cast<uint32_t>(imageBytes + 54 + 4 * paletteColours));
  bool ok = io.SeekTo(uint64_t{start} + 2) && io.Write(field, 4);
  PicPutLE32(field, static_cast<uint32_t>(imageBytes));
  ok = ok && io.SeekTo(uint64_t{start} + 34) && io.Write(field, 4);
  // Back to the end, so that whatever follows is written after the image.
  ok = ok && (io.SeekTo(end) || io.Seek(0, kPicSeekEnd));
  if (!ok) return PicFail<uint32_t>(error, kPicErrFileWrite);
  return SizeAfter(io, start);
}

}  // namespace Pictura
