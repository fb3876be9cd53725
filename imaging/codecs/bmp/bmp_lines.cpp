// BMP line reader: one stored row at a time, uncompressed files only.
#include <cstring>
#include <new>

#include "codecs/bmp/bmp_codec.h"
#include "core/allocators.h"
#include "core/packing.h"

namespace Pictura {

BMPLineReader* BMPLineReader::Open(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height,
                                   RGBQUAD* palette) {
  BMPLineReader* r = new (std::nothrow) BMPLineReader;
  if (!r) {
    *error = kPicErrNoMemory;
    return nullptr;
  }
  auto fail = [&](uint32_t code) -> BMPLineReader* {
    if (code) *error = code;
    DestroyBMPLineReader(r);
    return nullptr;
  };
  if (!OpenBmp(error, io, &r->info_)) return fail(0);
  const BmpInfo& info = r->info_;
  if (info.compression == BI_RLE8 || info.compression == BI_RLE4) return fail(kBmpErrRLEVariant);
  if (!PicSizeWithinCap(info.stride, 1)) return fail(kPicErrNoMemory);
  r->buffer_ = new (std::nothrow) uint8_t[info.stride];
  if (!r->buffer_) return fail(kPicErrNoMemory);
  r->io_ = &io;
  r->indices_ = palette && info.bits <= 8;
  if (r->indices_) std::memcpy(palette, info.palette, info.kept * sizeof(RGBQUAD));
  r->rowsLeft_ = info.absHeight;
  if (width) *width = static_cast<uint32_t>(info.width);
  if (height) *height = info.absHeight;
  return r;
}

bool BMPLineReader::ReadNextLine(uint32_t* error, uint8_t* row, uint32_t* rowIndex) {
  if (!row) {
    *error = kPicErrBadArgument;
    return false;
  }
  if (rowsLeft_ == 0) {
    *error = kBmpErrEndOfImage;
    return false;
  }
  if (!io_->ReadExact(buffer_, static_cast<uint32_t>(info_.stride))) {
    *error = kPicErrFileRead;
    return false;
  }
  if (indices_)
    UnpackRowTo8Bit(buffer_, row, static_cast<uint32_t>(info_.width), info_.bits);
  else
    BmpRowToRGB(info_, buffer_, row, false, false);
  --rowsLeft_;
  if (rowIndex) *rowIndex = info_.topDown ? info_.absHeight - 1 - rowsLeft_ : rowsLeft_;
  return true;
}

void DestroyBMPLineReader(BMPLineReader* reader) {
  if (!reader) return;
  delete[] reader->buffer_;
  delete reader;
}

}  // namespace Pictura
