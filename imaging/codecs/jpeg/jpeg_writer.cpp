// JPEG writing: the line writer and the whole-image writer, with the
// thread's comments, markers and ICC profile after the JFIF header.
#include <cmath>
#include <cstring>
#include <new>

#include "codecs/meta/icc_profile.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "core/codec_contexts.h"
#include "core/pixel_formats.h"

namespace Pictura {
namespace {

bool Fail(uint32_t* err, uint32_t code) {
  *err = code;
  return false;
}

bool FailLib(uint32_t* err, const JPGErrorManager& mgr, uint32_t code) {
  JPGLogFailure(mgr);
  return Fail(err, code);
}

// The markers a caller may add: APP0 to APP15 and COM. Anything else would
// break the stream's structure.
bool IsWritableMarker(uint32_t code) {
  return (code >= JPEG_APP0 && code <= JPEG_APP0 + 15) || code == JPEG_COM;
}

// The thread's comments and markers, then the ICC chunks, checked before
// compression starts so that a refusal writes nothing.
struct JPGOutputMarkers {
  PicPtrVector<PicArray<uint8_t>> icc;
};

bool PrepareMarkers(uint32_t* err, JPGOutputMarkers* out) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return true;
  for (const auto& c : ctx->jpeg.outputComments)
    if (c->text.size() > 65533) return Fail(err, kPicErrBadArgument);
  for (const auto& m : ctx->jpeg.outputMarkers)
    if (!IsWritableMarker(m->id) || m->data.Count() > 65533) return Fail(err, kPicErrBadArgument);
  uint32_t iccErr = 0;
  if (!BuildICCMarkersForJPG(&iccErr, &out->icc) && iccErr) return Fail(err, iccErr);
  return true;
}

void WriteJPGMarkers(j_compress_ptr cinfo, const JPGOutputMarkers& prepared) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (ctx) {
    for (const auto& c : ctx->jpeg.outputComments) {
      if (c->text.empty()) continue;
      jpeg_write_marker(cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(c->text.data()),
                        static_cast<unsigned>(c->text.size()));
    }
    for (const auto& m : ctx->jpeg.outputMarkers)
      jpeg_write_marker(cinfo, static_cast<int>(m->id), m->data.Data(), m->data.Count());
  }
  for (const auto& chunk : prepared.icc)
    if (!chunk->Empty()) jpeg_write_marker(cinfo, JPEG_APP0 + 2, chunk->Data(), chunk->Count());
}

}  // namespace

void SetJPGWriteResolution(JPGWriteCodecContext* ctx, const PicResolutionInfo* info) {
  PicIntResolution whole;
  RoundResolutionPNG(&whole, info);  // JFIF, like PNG, has unit 0 for "no unit"
  ctx->densityX = whole.x;
  ctx->densityY = whole.y;
  ctx->densityUnit = whole.unit;
}

JPGLineWriter* JPGLineWriter::Open(uint32_t* err, const JPGWriteCodecContext& ctx, CPicIO* dest,
                                   uint32_t width, uint32_t height, uint32_t quality, uint32_t flags,
                                   uint32_t depth) {
  if (!dest || width == 0 || height == 0 || (depth != 8 && depth != 24 && depth != 32)) {
    Fail(err, kPicErrBadArgument);
    return nullptr;
  }
  std::unique_ptr<JPGLineWriter> writer(new (std::nothrow) JPGLineWriter);
  if (!writer) {
    Fail(err, kPicErrNoMemory);
    return nullptr;
  }
  if (!writer->Start(err, ctx, dest, width, height, quality, flags, depth)) return nullptr;
  return writer.release();
}

bool JPGLineWriter::Start(uint32_t* err, const JPGWriteCodecContext& wctx, CPicIO* dest, uint32_t width,
                          uint32_t height, uint32_t quality, uint32_t flags, uint32_t depth) {
  // Blue-green-red input only means something for 3-byte pixels.
  bgr_ = depth == 24 && (flags & kJPGWriteBGR);
  bottomUp_ = (flags & kJPGWriteBottomUp) != 0;
  if (bgr_) {
    uint64_t bytes = 0;
    if (!PicSizeWithinCap(width, 3, 1, &bytes) || !rowCopy_.Resize(static_cast<uint32_t>(bytes)))
      return Fail(err, kPicErrNoMemory);
  }
  JPGOutputMarkers markers;
  if (!PrepareMarkers(err, &markers)) return false;
  if (uint32_t code = encoder_.Create(dest, kPicErrFileWrite)) return FailLib(err, encoder_.err, code);

  ImgThreadContext* ctx = GetImgThreadContext();
  j_compress_ptr cinfo = &encoder_.cinfo;
  cinfo->image_width = width;
  cinfo->image_height = height;
  switch (depth) {
    case 8:
      cinfo->input_components = 1;
      cinfo->in_color_space = JCS_GRAYSCALE;
      break;
    case 24:
      cinfo->input_components = 3;
      cinfo->in_color_space = (flags & kJPGWriteYCbCr) ? JCS_YCbCr : JCS_RGB;
      break;
    default:
      cinfo->input_components = 4;
      cinfo->in_color_space = (flags & kJPGWriteYCCK) ? JCS_YCCK : JCS_CMYK;
      break;
  }
  const int q = static_cast<int>(quality > 100 ? 100 : quality);
  const bool ok = JPGGuard(encoder_.err, [&] {
    jpeg_set_defaults(cinfo);
    if (flags & kJPGWriteNoJFIF) cinfo->write_JFIF_header = FALSE;
    jpeg_set_quality(cinfo, q, TRUE);
    if (ctx && ctx->jpeg.useSampling) {
      uint32_t n = ctx->jpeg.componentCount;
      if (n > static_cast<uint32_t>(cinfo->num_components)) n = static_cast<uint32_t>(cinfo->num_components);
      for (uint32_t i = 0; i < n; ++i) {
        cinfo->comp_info[i].h_samp_factor = static_cast<int>(ctx->jpeg.hSampling[i]);
        cinfo->comp_info[i].v_samp_factor = static_cast<int>(ctx->jpeg.vSampling[i]);
      }
    }
    if (flags & kJPGWriteProgressive) jpeg_simple_progression(cinfo);
    cinfo->density_unit = static_cast<UINT8>(wctx.densityUnit);
    cinfo->X_density = static_cast<UINT16>(wctx.densityX > 0xFFFF ? 0xFFFF : wctx.densityX);
    cinfo->Y_density = static_cast<UINT16>(wctx.densityY > 0xFFFF ? 0xFFFF : wctx.densityY);
    if (ctx) {
      if (ctx->jpeg.dctMethod == 1) cinfo->dct_method = JDCT_ISLOW;
      if (ctx->jpeg.dctMethod == 2) cinfo->dct_method = JDCT_IFAST;
      if (ctx->jpeg.dctMethod == 3) cinfo->dct_method = JDCT_FLOAT;
      cinfo->smoothing_factor =
          static_cast<int>(ctx->jpeg.smoothingFactor > 100 ? 100 : ctx->jpeg.smoothingFactor);
    }
    jpeg_start_compress(cinfo, TRUE);
    WriteJPGMarkers(cinfo, markers);
  });
  if (!ok) return FailLib(err, encoder_.err, kPicErrFileWrite);
  return true;
}

int JPGLineWriter::WriteNextLine(uint32_t* err, JPGLineWriter* writer, const uint8_t* row) {
  if (!writer || !row) return Fail(err, kPicErrBadArgument);
  j_compress_ptr cinfo = &writer->encoder_.cinfo;
  if (cinfo->next_scanline >= cinfo->image_height) return Fail(err, kPicErrEndOfImage);
  if (writer->bgr_) {
    std::memcpy(writer->rowCopy_.Data(), row, writer->rowCopy_.Count());
    uint32_t ignored = 0;
    SwapRedBlue24(&ignored, writer->rowCopy_.Data(), cinfo->image_width, 1);
    row = writer->rowCopy_.Data();
  }
  JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
  if (!JPGGuard(writer->encoder_.err, [&] { jpeg_write_scanlines(cinfo, rows, 1); }))
    return FailLib(err, writer->encoder_.err, kPicErrFileWrite);
  return 1;
}

int JPGLineWriter::Close(uint32_t* err, JPGLineWriter* writer) {
  if (!writer) return Fail(err, kPicErrBadArgument);
  std::unique_ptr<JPGLineWriter> owner(writer);
  j_compress_ptr cinfo = &writer->encoder_.cinfo;
  if (!JPGGuard(writer->encoder_.err, [&] { jpeg_finish_compress(cinfo); }))
    return FailLib(err, writer->encoder_.err, kPicErrFileWrite);
  return 1;
}

int WriteJPGRows(uint32_t* err, JPGLineWriter* writer, const uint8_t* image, uint32_t stride,
                 uint32_t height) {
  for (uint32_t y = 0; y < height; ++y) {
    const uint32_t line = writer->BottomUp() ? height - 1 - y : y;
    if (!JPGLineWriter::WriteNextLine(err, writer, image + static_cast<size_t>(line) * stride)) return 0;
    if (!PicProgress(y, height)) return Fail(err, kPicErrCancelled);
  }
  return 1;
}

uint32_t WriteJPGImage(uint32_t* err, const JPGWriteCodecContext& ctx, CPicIO* dest, const uint8_t* image,
                       uint32_t width, uint32_t height, uint32_t stride, uint32_t quality, uint32_t depth,
                       uint32_t flags) {
  if (!dest || !image || (depth != 8 && depth != 24 && depth != 32) ||
      uint64_t{stride} < uint64_t{width} * (depth / 8)) {
    Fail(err, kPicErrBadArgument);
    return 0;
  }
  JPGLineWriter* writer = JPGLineWriter::Open(err, ctx, dest, width, height, quality, flags, depth);
  if (!writer) return 0;
  WriteJPGRows(err, writer, image, stride, height);
  uint32_t closeErr = 0;
  JPGLineWriter::Close(&closeErr, writer);
  if (*err == 0) *err = closeErr;
  if (*err) return 0;
  uint32_t size = 0;
  dest->GetSize(&size);
  return size;
}

}  // namespace Pictura
