// TGA writers: raw top-down 8-bit colour-mapped, 24-bit and 32-bit files
// with the TGA 2.0 extension area and footer.
#include <cstring>
#include <ctime>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/tga/tga_codec.h"
#include "core/allocators.h"

namespace Pictura {

namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#ifdef _WIN32
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  return t;
}

}  // namespace

TGALineWriter* TGALineWriter::Open(uint32_t* error, CPicIO& io, uint32_t width, uint32_t height,
                                   uint32_t depth, const RGBQUAD* palette, uint32_t flags) {
  if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
      !(depth == 24 || depth == 32 || (depth == 8 && palette)))
    return PicFail<TGALineWriter*>(error, kPicErrBadArgument);
  std::unique_ptr<TGALineWriter> w(new (std::nothrow) TGALineWriter(io));
  if (!w) return PicFail<TGALineWriter*>(error, kPicErrNoMemory);
  const bool mapped = depth == 8;
  uint8_t h[18] = {0, mapped ? uint8_t{1} : uint8_t{0}, mapped ? uint8_t{1} : uint8_t{2}};
  if (mapped) {
    PicPutLE16(h + 5, 256);
    h[7] = 24;
  }
  PicPutLE16(h + 12, width);
  PicPutLE16(h + 14, height);
  h[16] = static_cast<uint8_t>(depth);
  h[17] = depth == 32 ? 0x28 : 0x20;  // top-left origin; 8 alpha bits at 32
  if (!io.Write(h, sizeof h)) return PicFail<TGALineWriter*>(error, kPicErrFileWrite);
  if (mapped) {
    uint8_t map[256 * 3];
    for (int i = 0; i < 256; ++i) {
      map[3 * i] = palette[i].rgbBlue;
      map[3 * i + 1] = palette[i].rgbGreen;
      map[3 * i + 2] = palette[i].rgbRed;
    }
    if (!io.Write(map, sizeof map)) return PicFail<TGALineWriter*>(error, kPicErrFileWrite);
  }
  w->width_ = width;
  w->height_ = height;
  w->channels_ = depth / 8;
  w->bgr_ = (flags & kTgaFileOrder) != 0;
  w->row_.reset(new (std::nothrow) uint8_t[size_t{width} * w->channels_]);
  if (!w->row_) return PicFail<TGALineWriter*>(error, kPicErrNoMemory);
  return w.release();
}

bool TGALineWriter::WriteNextLine(uint32_t* error, const uint8_t* row) {
  if (!row) return PicFail<bool>(error, kPicErrBadArgument);
  if (rowsWritten_ >= height_) return PicFail<bool>(error, kPicErrEndOfImage);
  const size_t bytes = size_t{width_} * channels_;
  const uint8_t* out = row;
  if (channels_ > 1 && !bgr_) {
    uint8_t* p = row_.get();
    std::memcpy(p, row, bytes);
    for (size_t i = 0; i < bytes; i += channels_) std::swap(p[i], p[i + 2]);
    out = p;
  }
  if (!io_.Write(out, static_cast<uint32_t>(bytes))) return PicFail<bool>(error, kPicErrFileWrite);
  ++rowsWritten_;
  return true;
}

bool TGALineWriter::Finish(uint32_t* error) {
  uint32_t offset = 0;
  if (!io_.GetSize(&offset)) return PicFail<bool>(error, kPicErrFileWrite);
  uint8_t ext[495] = {};
  PicPutLE16(ext, 495);
  const std::tm t = LocalNow();
  const uint32_t stamp[6] = {uint32_t(t.tm_mon + 1), uint32_t(t.tm_mday), uint32_t(t.tm_year + 1900),
                             uint32_t(t.tm_hour),    uint32_t(t.tm_min),  uint32_t(t.tm_sec)};
  for (int i = 0; i < 6; ++i) PicPutLE16(ext + 367 + 2 * i, stamp[i]);
  std::memcpy(ext + 426, "PIC 1.0.15.9", 12);
  PicPutLE16(ext + 467, 4);  // software version, letter 0
  PicPutLE16(ext + 474, 1);  // pixel aspect 1 : 1
  PicPutLE16(ext + 476, 1);
  ext[494] = channels_ == 4 ? 3 : 0;  // 3: the alpha bytes are real alpha
  uint8_t footer[26] = {};
  PicPutLE32(footer, offset);
  std::memcpy(footer + 8, "TRUEVISION-XFILE.", 18);
  if (!io_.Write(ext, sizeof ext) || !io_.Write(footer, sizeof footer))
    return PicFail<bool>(error, kPicErrFileWrite);
  return true;
}

void DestroyTGALineWriter(TGALineWriter* writer) {
  delete writer;
}

uint32_t WriteTGAImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t depth, uint32_t stride, const RGBQUAD* palette, uint32_t flags) {
  if (!image) return PicFail<uint32_t>(error, kPicErrBadArgument);
  std::unique_ptr<TGALineWriter, void (*)(TGALineWriter*)> w(
      TGALineWriter::Open(error, io, width, height, depth, palette, flags), DestroyTGALineWriter);
  if (!w) return 0;
  for (uint32_t y = 0; y < height; ++y) {
    if (!PicProgress(y, height)) return PicFail<uint32_t>(error, kPicErrCancelled);
    const uint32_t src = (flags & kTgaBottomUp) ? height - 1 - y : y;
    if (!w->WriteNextLine(error, image + size_t{src} * stride)) return 0;
  }
  uint32_t size = 0;
  if (!w->Finish(error)) return 0;
  if (!io.GetSize(&size)) return PicFail<uint32_t>(error, kPicErrFileWrite);
  return size;
}

}  // namespace Pictura
