// The pic_ entries of the PSD codec and its place in the generic reader.
#include <cstring>

#include "codecs/codec_support.h"
#include "codecs/psd/pictura_psd.h"
#include "codecs/psd/psd_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

// The PSD cores run on a context of their own; its code is the entry's.
template <class R, class Core>
R PsdEntry(const char* name, HPICSRC src, Core&& core) {
  return PicFormatEntry<R>(name, src, [&](uint32_t& err, CPicIO& io) -> R {
    PSDCodecContext ctx;
    R result = core(&ctx, io);
    err = ctx.error;
    return result;
  });
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetPSDDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* mode,
                           PicResolutionInfo* resolution, DWORD) {
  return PsdEntry<BOOL>("pic_GetPSDDims", src, [&](PSDCodecContext* ctx, CPicIO& io) -> BOOL {
    uint32_t ignored = 0;
    return ReadPSDHeader(ctx, io, U32(width), U32(height), U32(bitDepth), mode ? U32(mode) : &ignored,
                         resolution, 0);
  });
}

BOOL PICAPI pic_GetPSDPalette(HPICSRC src, RGBQUAD* palette, DWORD* count, DWORD) {
  return PsdEntry<BOOL>("pic_GetPSDPalette", src, [&](PSDCodecContext* ctx, CPicIO& io) -> BOOL {
    return ReadPSDPalette(ctx, io, U32(count), palette);
  });
}

HGLOBAL PICAPI pic_ReadPSD(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags) {
  return PsdEntry<HGLOBAL>("pic_ReadPSD", src, [&](PSDCodecContext* ctx, CPicIO& io) -> HGLOBAL {
    if (!width || !height) return PicFail<HGLOBAL>(&ctx->error, kPicErrBadArgument);
    if (flags & kPsdPackedDIB) return ReadPSDToDIB(ctx, io, U32(width), U32(height), flags);
    switch (depth) {
      case 8:
        return ReadPSD8Bit(ctx, io, U32(width), U32(height), palette, flags);
      case 24:
      case 32:
        return ReadPSDToRGB(ctx, io, U32(width), U32(height), depth / 8, false, flags);
      case 48:
      case 64:
        return ReadPSDToRGB(ctx, io, U32(width), U32(height), depth / 16, true, flags);
      default:
        return PicFail<HGLOBAL>(&ctx->error, kPicErrBadArgument);
    }
  });
}

DWORD PICAPI pic_WritePSD(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, DWORD flags) {
  return PsdEntry<DWORD>("pic_WritePSD", dest, [&](PSDCodecContext* ctx, CPicIO& io) -> DWORD {
    switch (depth) {
      case 8:
      case 24:
      case 32:
        return WritePSDImage(ctx, io, image, width, height, depth / 8, 0, rowStride, palette, flags);
      case 48:
      case 64:
        return WritePSDImage(ctx, io, image, width, height, depth / 16, 1, rowStride, palette, flags);
      default:
        return PicFail<DWORD>(&ctx->error, kPicErrBadArgument);
    }
  });
}

HGLOBAL PICAPI pic_GetPSDThumbnail(HPICSRC src, DWORD* size, DWORD* width, DWORD* height, DWORD* format,
                                   DWORD* rgbOrder) {
  return PsdEntry<HGLOBAL>("pic_GetPSDThumbnail", src, [&](PSDCodecContext* ctx, CPicIO& io) -> HGLOBAL {
    if (!size) return PicFail<HGLOBAL>(&ctx->error, kPicErrBadArgument);
    PsdThumbnail t;
    HGLOBAL block = ReadPSDThumbnail(ctx, io, &t, U32(size));
    if (width) *width = t.width;
    if (height) *height = t.height;
    if (format) *format = t.format;
    if (rgbOrder) *rgbOrder = t.rgbOrder;
    return block;
  });
}

BOOL PICAPI pic_ReplacePSDResources(HPICSRC src, HPICDEST dest) {
  return PsdEntry<BOOL>("pic_ReplacePSDResources", src, [&](PSDCodecContext* ctx, CPicIO& in) -> BOOL {
    CPicIO* out = nullptr;
    if ((ctx->error = CheckManager(dest, &out)) != 0) return FALSE;
    return ReplacePSDResources(ctx, in, *out);
  });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectPsd(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0, mode = 0;
  if (!pic_GetPSDDims(src, &width, &height, &bits, &mode, nullptr, 0)) {
    // A depth or colour mode the reader does not take ends the detection.
    return PicGetLastError() == kPicErrPSDSubFormat ? uint32_t{kPicErrPSDSubFormat} : 0u;
  }
  detected->depth = mode == kPsdRGB || mode == kPsdCMYK ? 24 : 8;
  return 0;
}

uint32_t ReadPsd(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  switch (output) {
    case kGenericOut8Bit:
      image->pixels = pic_ReadPSD(src, &w, &h, 8, image->palette, 0);
      break;
    case kGenericOutDIB:
      image->pixels = pic_ReadPSD(src, &w, &h, 24, nullptr, kPsdPackedDIB);
      break;
    default:
      image->pixels = pic_ReadPSD(src, &w, &h, 24, nullptr, 0);
      break;
  }
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
// 32 bits come from the 24-bit read with alpha 255: the generic reader
// gives a PSD's composite without its alpha channel (pic_ReadPSD keeps it).
const PicGenericCodec kPsdGenericCodec = {
    "PSD", kGenericOut8Bit | kGenericOut24Bit | kGenericOutDIB, false, DetectPsd, ReadPsd,
};
}  // namespace Pictura
