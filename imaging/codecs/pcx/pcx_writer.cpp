// PCX writers: version-5 run-length files of 1 bit, 8 bits with the
// 256-colour table at the end, or 24 bits in three planes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/pcx/pcx_codec.h"
#include "core/allocators.h"

namespace Pictura {

namespace {

uint16_t Dpi(const double* resolution, int i) {
  if (!resolution || !(resolution[i] > 0)) return 0;
  return static_cast<uint16_t>(std::min(std::trunc(resolution[i]), 65535.0));
}

// Runs of up to 63 equal bytes; a lone byte below 0xC0 stands for itself.
uint8_t* EncodePlane(const uint8_t* in, uint32_t n, uint8_t* out) {
  uint32_t i = 0;
  while (i < n) {
    const uint8_t v = in[i];
    uint32_t run = 1;
    while (run < 63 && i + run < n && in[i + run] == v) ++run;
    if (run == 1 && v < 0xC0) {
      *out++ = v;
    } else {
      *out++ = static_cast<uint8_t>(0xC0 | run);
      *out++ = v;
    }
    i += run;
  }
  return out;
}

}  // namespace

PCXLineWriter* PCXLineWriter::Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height,
                                   uint32_t depth, const RGBQUAD* palette, const double* resolution,
                                   uint32_t flags) {
  if (!(depth == 24 || ((depth == 1 || depth == 8) && palette)))
    return PicFail<PCXLineWriter*>(error, kPicErrBadArgument);
  // The frame is stored as 16-bit corners.
  if (width == 0 || height == 0 || width > 65535 || height > 65535)
    return PicFail<PCXLineWriter*>(error, kPicErrBadArgument);
  const uint32_t planes = depth == 24 ? 3 : 1, bits = depth == 1 ? 1 : 8;
  const uint32_t bpl = ((depth == 1 ? (width + 7) / 8 : width) + 1) & ~1u;
  if (bpl > 65535) return PicFail<PCXLineWriter*>(error, kPicErrBadArgument);
  std::unique_ptr<PCXLineWriter> w(new (std::nothrow) PCXLineWriter(io));
  if (!w) return PicFail<PCXLineWriter*>(error, kPicErrNoMemory);
  uint8_t h[128] = {10, 5, 1, static_cast<uint8_t>(bits)};
  PicPutLE16(h + 8, width - 1);
  PicPutLE16(h + 10, height - 1);
  PicPutLE16(h + 12, Dpi(resolution, 0));
  PicPutLE16(h + 14, Dpi(resolution, 1));
  // Readers that take a 1-bit file's colours from the header find the
  // caller's two there.
  if (depth == 1)
    for (int i = 0; i < 2; ++i) {
      h[16 + 3 * i] = palette[i].rgbRed;
      h[17 + 3 * i] = palette[i].rgbGreen;
      h[18 + 3 * i] = palette[i].rgbBlue;
    }
  h[65] = static_cast<uint8_t>(planes);
  PicPutLE16(h + 66, bpl);
  PicPutLE16(h + 68, (flags & kPcxGreyInfo) && depth != 24 ? 2 : 1);
  if (!io.Write(h, sizeof h)) return PicFail<PCXLineWriter*>(error, kPicErrFileWrite);
  w->width_ = width;
  w->height_ = height;
  w->depth_ = depth;
  w->bytesPerLine_ = bpl;
  w->bgr_ = (flags & kPcxFileOrder) != 0;
  if (palette && depth == 8) std::memcpy(w->palette_, palette, sizeof w->palette_);
  // Worst case two bytes for every byte.
  w->planes_.reset(new (std::nothrow) uint8_t[size_t{planes} * bpl]());
  w->encoded_.reset(new (std::nothrow) uint8_t[size_t{planes} * bpl * 2]);
  if (!w->planes_ || !w->encoded_) return PicFail<PCXLineWriter*>(error, kPicErrNoMemory);
  return w.release();
}

bool PCXLineWriter::WriteNextLine(uint32_t* error, const uint8_t* row) {
  if (!row) return PicFail<bool>(error, kPicErrBadArgument);
  if (rowsWritten_ >= height_) return PicFail<bool>(error, kPicErrEndOfImage);
  uint8_t* p = planes_.get();
  const uint32_t bpl = bytesPerLine_;
  if (depth_ == 24) {
    const uint32_t r = bgr_ ? 2 : 0, b = 2 - r;
    for (uint32_t x = 0; x < width_; ++x) {
      p[x] = row[3 * x + r];
      p[bpl + x] = row[3 * x + 1];
      p[2 * bpl + x] = row[3 * x + b];
    }
  } else {
    const uint32_t bytes = depth_ == 1 ? (width_ + 7) / 8 : width_;
    std::memcpy(p, row, bytes);
    // Bits past the width of a 1-bit row are the caller's padding: clear them.
    if (depth_ == 1 && (width_ & 7)) p[bytes - 1] &= static_cast<uint8_t>(0xFF00u >> (width_ & 7));
  }
  uint8_t* end = encoded_.get();
  for (uint32_t plane = 0; plane < (depth_ == 24 ? 3u : 1u); ++plane)
    end = EncodePlane(p + plane * bpl, bpl, end);
  if (!io_.Write(encoded_.get(), static_cast<uint32_t>(end - encoded_.get())))
    return PicFail<bool>(error, kPicErrFileWrite);
  ++rowsWritten_;
  return true;
}

bool PCXLineWriter::Finish(uint32_t* error) {
  if (depth_ != 8) return true;
  uint8_t t[769] = {12};
  for (int i = 0; i < 256; ++i) {
    t[1 + 3 * i] = palette_[i].rgbRed;
    t[2 + 3 * i] = palette_[i].rgbGreen;
    t[3 + 3 * i] = palette_[i].rgbBlue;
  }
  if (!io_.Write(t, sizeof t)) return PicFail<bool>(error, kPicErrFileWrite);
  return true;
}

void DestroyPCXLineWriter(PCXLineWriter* writer) {
  delete writer;
}

uint32_t WritePCXImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t depth, uint32_t stride, const RGBQUAD* palette, const double* resolution,
                       uint32_t flags) {
  if (!image) return PicFail<uint32_t>(error, kPicErrBadArgument);
  std::unique_ptr<PCXLineWriter, void (*)(PCXLineWriter*)> w(
      PCXLineWriter::Open(error, io, width, height, depth, palette, resolution, flags), DestroyPCXLineWriter);
  if (!w) return 0;
  for (uint32_t y = 0; y < height; ++y) {
    if (!PicProgress(y, height)) return PicFail<uint32_t>(error, kPicErrCancelled);
    const uint32_t src = (flags & kPcxBottomUp) ? height - 1 - y : y;
    if (!w->WriteNextLine(error, image + size_t{src} * stride)) return 0;
  }
  uint32_t size = 0;
  if (!w->Finish(error)) return 0;
  if (!io.GetSize(&size)) return PicFail<uint32_t>(error, kPicErrFileWrite);
  return size;
}

}  // namespace Pictura
