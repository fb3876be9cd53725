// TLA drivers: line reader and writer over the managers, the whole-image
// cores and the thread's list of the last file's tags.
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/tla/tla_codec.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

bool Fail(uint32_t* err, uint32_t tlaCode) {
  *err = TLAErrorCode(tlaCode);
  return false;
}

}  // namespace

TLALineReader* TLALineReader::Open(uint32_t* err, CPicIO& io, const char* password, uint32_t* width,
                                   uint32_t* height, uint32_t outputBytes, RGBQUAD* palette,
                                   uint32_t* paletteCount, bool headerOnly, bool bgr) {
  ImgThreadContext* ctx = GetImgThreadContext();
  ctx->tlaInputTags.Clear();
  std::unique_ptr<TLALineReader> r(new (std::nothrow) TLALineReader(io));
  if (!r) return PicFail<TLALineReader*>(err, kPicErrNoMemory);
  TLAReader& f = r->reader_;
  if (uint32_t code = f.ReadHeader(password)) return Fail(err, code), nullptr;
  if (width) *width = f.width;
  if (height) *height = f.height;
  if (paletteCount) *paletteCount = f.paletteCount;
  for (const auto& bytes : f.tags) {
    auto tag = std::make_unique<CFileDataTag>();
    if (!tag->data.Resize(static_cast<uint32_t>(bytes.size())) || !ctx->tlaInputTags.Add(std::move(tag)))
      return PicFail<TLALineReader*>(err, kPicErrNoMemory);
    if (!bytes.empty())
      std::memcpy(ctx->tlaInputTags.At(ctx->tlaInputTags.Size() - 1)->data.Data(), bytes.data(),
                  bytes.size());
  }
  if (palette && (outputBytes == 1 || headerOnly)) {
    std::memset(palette, 0, 256 * sizeof(RGBQUAD));
    std::memcpy(palette, f.palette, f.paletteCount * sizeof(RGBQUAD));
  }
  if (!headerOnly)
    if (uint32_t code = f.OpenImageData(outputBytes, bgr)) return Fail(err, code), nullptr;
  return r.release();
}

bool TLALineReader::ReadNextLine(uint32_t* err, uint8_t* row, uint32_t* rowIndex) {
  if (!row) return PicFail<bool>(err, kPicErrBadArgument);
  if (uint32_t code = reader_.ReadNextRow(row)) return Fail(err, code);
  if (rowIndex) *rowIndex = rowsRead_;
  ++rowsRead_;
  return true;
}

TLALineWriter* TLALineWriter::Open(uint32_t* err, CPicIO& io, const char* password, uint32_t width,
                                   uint32_t height, uint32_t channels, uint32_t rowsPerBand, uint32_t filters,
                                   uint32_t paletteCount, const RGBQUAD* palette,
                                   const uint8_t* const* tagData, const uint32_t* tagLengths,
                                   uint32_t tagCount, uint32_t flags) {
  std::unique_ptr<TLALineWriter> w(new (std::nothrow) TLALineWriter(io));
  if (!w) return PicFail<TLALineWriter*>(err, kPicErrNoMemory);
  w->channels_ = channels;
  w->width_ = width;
  w->bgr_ = (flags & kTlaBGR) && channels >= 3;
  if (uint32_t code = w->writer_.Begin(password, width, height, channels, paletteCount, palette, rowsPerBand,
                                       filters, tagData, tagLengths, tagCount))
    return Fail(err, code), nullptr;
  try {
    w->scratch_.resize(size_t{width} * channels);
  } catch (const std::bad_alloc&) {
    return PicFail<TLALineWriter*>(err, kPicErrNoMemory);
  }
  return w.release();
}

bool TLALineWriter::WriteNextLine(uint32_t* err, const uint8_t* row) {
  if (!row) return PicFail<bool>(err, kPicErrBadArgument);
  if (bgr_) {
    // B, G, R(, A) given: stored R, G, B(, A).
    std::memcpy(scratch_.data(), row, scratch_.size());
    for (size_t x = 0; x < scratch_.size(); x += channels_) std::swap(scratch_[x], scratch_[x + 2]);
    row = scratch_.data();
  }
  if (uint32_t code = writer_.AddRow(row)) return Fail(err, code);
  return true;
}

bool TLALineWriter::Close(uint32_t* err) {
  if (uint32_t code = writer_.Finish()) return Fail(err, code);
  return true;
}

int ReadTLADims(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height,
                uint32_t* bitDepth, RGBQUAD* palette, uint32_t* paletteCount) {
  std::unique_ptr<TLALineReader> r(
      TLALineReader::Open(err, io, password, width, height, 0, palette, paletteCount, true, false));
  if (!r) return 0;
  if (bitDepth) *bitDepth = r->Channels() * 8;
  return 1;
}

HGLOBAL ReadTLAImage(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height,
                     uint32_t bytesPerPixel, RGBQUAD* palette, uint32_t flags) {
  if (bytesPerPixel < 1 || bytesPerPixel > 4 || !width || !height)
    return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  uint32_t count = 0;
  const bool dib = (flags & kTlaPackedDIB) != 0;
  std::unique_ptr<TLALineReader> r(
      TLALineReader::Open(err, io, password, width, height, bytesPerPixel, palette, &count, false, dib));
  if (!r) return nullptr;
  // Bands inflate at most kTlaMaxInflateRatio bytes a stored byte: a tiny
  // file must not make us allocate a picture its bands could never fill.
  const uint64_t pixels = uint64_t{*width} * *height;
  if (!PicDecodePlausible(pixels, pixels * r->Channels(), PicBytesLeft(io), kTlaMaxInflateRatio))
    return PicFail<HGLOBAL>(err, kPicErrBadTLA);
  PicImageBlock block;
  RGBQUAD colours[256] = {};
  if (palette) std::memcpy(colours, palette, sizeof colours);
  const uint32_t bits = bytesPerPixel * 8;
  if (uint32_t code = block.Allocate(*width, *height, bits, uint64_t{*width} * bytesPerPixel, dib, colours,
                                     bytesPerPixel == 1 ? 256 : 0))
    return PicFail<HGLOBAL>(err, code);
  for (uint32_t y = 0; y < *height; ++y) {
    if (!r->ReadNextLine(err, block.Row(y), nullptr)) break;
    if (!PicProgress(y + 1, *height)) {
      *err = kPicErrCancelled;
      break;
    }
  }
  return block.Handle();
}

HGLOBAL ReadTLAToDIB(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height) {
  uint32_t w = 0, h = 0, bits = 0, count = 0;
  if (!ReadTLADims(err, io, password, &w, &h, &bits, nullptr, &count)) return nullptr;
  if (!io.Rewind()) return PicFail<HGLOBAL>(err, kPicErrFileRead);
  const uint32_t bytes = bits == 8 ? 1 : bits == 24 ? 3 : 4;
  RGBQUAD palette[256];
  return ReadTLAImage(err, io, password, width, height, bytes, palette, kTlaPackedDIB);
}

uint32_t WriteTLAImage(uint32_t* err, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t stride, const char* password, uint32_t channels, uint32_t rowsPerBand,
                       uint32_t filters, uint32_t paletteCount, const RGBQUAD* palette,
                       const uint8_t* const* tagData, const uint32_t* tagLengths, uint32_t tagCount,
                       uint32_t flags) {
  if (!image || uint64_t{stride} < uint64_t{width} * channels)
    return PicFail<uint32_t>(err, kPicErrBadArgument);
  std::unique_ptr<TLALineWriter> w(TLALineWriter::Open(err, io, password, width, height, channels,
                                                       rowsPerBand, filters, paletteCount, palette, tagData,
                                                       tagLengths, tagCount, flags));
  if (!w) return 0;
  const bool bottomUp = (flags & kTlaBottomUp) != 0;
  for (uint32_t y = 0; y < height; ++y) {
    if (!w->WriteNextLine(err, image + size_t{bottomUp ? height - 1 - y : y} * stride)) return 0;
    if (!PicProgress(y + 1, height)) return PicFail<uint32_t>(err, kPicErrCancelled);
  }
  if (!w->Close(err)) return 0;
  uint32_t size = 0;
  if (!io.GetSize(&size)) return PicFail<uint32_t>(err, kPicErrFileWrite);
  return size;
}

}  // namespace Pictura
