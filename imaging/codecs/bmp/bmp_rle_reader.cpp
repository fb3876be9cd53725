// RLE4 and RLE8 pixel data to 8-bit indices or R, G, B(, A) rows. The
// stream is bounded by what the source really holds and read up to its
// end-of-bitmap code (runs past the top row are dropped): one that ends
// before that code, between two commands or inside one, is a short read
// (3), returned with the pixels decoded so far (those no run reached keep
// palette entry 0).
#include <cstring>

#include "codecs/bmp/bmp_codec.h"
#include "core/out_buffers.h"
#include "core/allocators.h"
#include "core/thread_context.h"
#include "core/fill_rect.h"

namespace Pictura {

namespace {

// Buffered bytes of a source.
class ByteSource {
 public:
  explicit ByteSource(CPicIO& io) : io_(io) {}
  bool Next(uint8_t* b) {
    if (at_ == end_) {
      end_ = io_.Read(buffer_, sizeof buffer_);
      at_ = 0;
      if (end_ == 0) return false;
    }
    *b = buffer_[at_++];
    return true;
  }

 private:
  CPicIO& io_;
  uint8_t buffer_[4096];
  uint32_t at_ = 0, end_ = 0;
};

class RleCanvas {
 public:
  RleCanvas(const BmpInfo& info, uint8_t* pixels, uint32_t stride, uint32_t depth, bool bgr)
      : info_(info),
        pixels_(pixels),
        stride_(stride),
        bytes_(depth / 8),
        bgr_(bgr),
        width_(static_cast<uint32_t>(info.width)),
        height_(info.absHeight) {}

  // Pixels of a run at the current place, cut at the right edge.
  template <class Index>
  void Emit(uint32_t n, Index&& index) {
    if (fileRow_ < height_ && x_ < width_) {
      const uint32_t count = std::min<uint32_t>(n, width_ - x_);
      uint8_t* p = pixels_ + static_cast<size_t>(height_ - 1 - fileRow_) * stride_ + size_t{x_} * bytes_;
      for (uint32_t i = 0; i < count; ++i, p += bytes_) Put(p, index(i));
    }
    x_ = std::min<uint64_t>(uint64_t{x_} + n, width_);
  }
  void EndOfLine() {
    ++fileRow_;
    x_ = 0;
  }
  void Delta(uint8_t right, uint8_t up) {
    x_ = std::min<uint64_t>(uint64_t{x_} + right, width_);
    fileRow_ += up;
  }
  bool Done() const { return fileRow_ >= height_; }
  uint64_t Row() const { return fileRow_; }

 private:
  void Put(uint8_t* p, uint8_t index) const {
    if (bytes_ == 1) {
      *p = index;
      return;
    }
    const RGBQUAD& e = info_.palette[index];
    p[0] = bgr_ ? e.rgbBlue : e.rgbRed;
    p[1] = e.rgbGreen;
    p[2] = bgr_ ? e.rgbRed : e.rgbBlue;
    if (bytes_ == 4) p[3] = 255;
  }

  const BmpInfo& info_;
  uint8_t* pixels_;
  uint32_t stride_, bytes_;
  bool bgr_;
  uint32_t width_, height_;
  uint32_t x_ = 0;
  uint64_t fileRow_ = 0;  // stored rows from the bottom
};

}  // namespace

HGLOBAL DecodeBMPRLE(uint32_t* error, CPicIO& io, const BmpInfo& info, uint32_t depth, uint32_t* width,
                     uint32_t* height, uint32_t flags) {
  if (depth != 8 && depth != 24 && depth != 32) {
    *error = kPicErrBitDepth;
    return nullptr;
  }
  const bool rle8 = info.compression == BI_RLE8 && info.bits == 8;
  const bool rle4 = info.compression == BI_RLE4 && info.bits == 4;
  if (!rle8 && !rle4) {
    *error = kBmpErrRLEVariant;
    return nullptr;
  }
  const uint32_t w = static_cast<uint32_t>(info.width), h = info.absHeight;
  uint32_t stride = 0;
  CPicOutBufAllocator out;
  if (!BmpOutputStride(w, h, depth, flags, &stride) || !out.Alloc(stride * h)) {
    *error = kPicErrNoMemory;
    return nullptr;
  }
  const bool bgr = (flags & kBmpFileOrder) != 0;
  if (depth == 8) {
    std::memset(out.Data(), 0, size_t{stride} * h);
  } else {
    // Pixels no run covers show palette entry 0.
    const RGBQUAD& e = info.palette[0];
    const uint32_t colour =
        uint32_t{e.rgbRed} | uint32_t{e.rgbGreen} << 8 | uint32_t{e.rgbBlue} << 16 | 0xFF000000u;
    std::memset(out.Data(), 0, size_t{stride} * h);
    uint32_t fillError = 0;
    FillRectRGB(&fillError, out.Data(), w, h, stride, 0, 0, w, h, colour, depth / 8, bgr ? 1 : 0);
  }
  *width = w;
  *height = h;

  RleCanvas canvas(info, out.Data(), stride, depth, bgr);
  ByteSource in(io);
  uint64_t reportedRow = 0;
  uint8_t count = 0, value = 0;
  for (;;) {
    if (canvas.Row() != reportedRow && !canvas.Done()) {
      reportedRow = canvas.Row();
      if (!PicProgress(static_cast<uint32_t>(reportedRow), h)) {
        *error = kPicErrCancelled;
        break;
      }
    }
    if (!in.Next(&count)) {  // the data ends between two commands
      *error = kPicErrFileRead;
      break;
    }
    if (!in.Next(&value)) {
      *error = kPicErrFileRead;
      break;
    }
    if (count > 0) {
      if (rle8)
        canvas.Emit(count, [&](uint32_t) { return value; });
      else
        canvas.Emit(count, [&](uint32_t i) { return static_cast<uint8_t>(i & 1 ? value & 15 : value >> 4); });
      continue;
    }
    if (value == 0) {
      canvas.EndOfLine();
    } else if (value == 1) {
      break;  // end of the bitmap
    } else if (value == 2) {
      uint8_t right = 0, up = 0;
      if (!in.Next(&right) || !in.Next(&up)) {
        *error = kPicErrFileRead;
        break;
      }
      canvas.Delta(right, up);
    } else {
      // An absolute run of `value` pixels, padded to a whole number of words.
      const uint32_t n = value;
      const uint32_t bytes = rle8 ? n : (n + 1) / 2;
      uint8_t run[256];
      bool complete = true;
      for (uint32_t i = 0; i < bytes + (bytes & 1) && complete; ++i) complete = in.Next(&run[i]);
      if (!complete) {
        *error = kPicErrFileRead;
        break;
      }
      if (rle8)
        canvas.Emit(n, [&](uint32_t i) { return run[i]; });
      else
        canvas.Emit(
            n, [&](uint32_t i) { return static_cast<uint8_t>(i & 1 ? run[i / 2] & 15 : run[i / 2] >> 4); });
    }
  }
  return static_cast<HGLOBAL>(out.GetBuffer());
}

}  // namespace Pictura
