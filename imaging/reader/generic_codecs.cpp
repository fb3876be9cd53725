#include "reader/generic_codecs.h"

#include <atomic>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/photocd/pcd_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/psd/psd_codec.h"
#include "codecs/tga/tga_codec.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tla/tla_codec.h"
#include "codecs/wbmp/wbmp_codec.h"
#ifdef _WIN32
#include "gdi/metafile.h"
#endif

namespace Pictura {

namespace {

// One slot per format; null: the codec is not part of the library yet.
std::atomic<const PicGenericCodec*> codecs[kReadFormatCount] = {
    &kJpegGenericCodec,  // JPEG
    &kBmpGenericCodec,   // BMP
    &kGifGenericCodec,   // GIF
    &kPcxGenericCodec,   // PCX
    &kPngGenericCodec,   // PNG
    &kTiffGenericCodec,  // TIFF
    &kTgaGenericCodec,   // TGA
#ifdef _WIN32
    &kMetafileGenericCodec,  // WMF
    &kMetafileGenericCodec,  // EMF
#else
    nullptr,  // WMF: Windows only
    nullptr,  // EMF: Windows only
#endif
    &kPsdGenericCodec,   // PSD
    &kWbmpGenericCodec,  // WBMP
    &kTlaGenericCodec,   // TLA
    nullptr,             // TLA 0x01 form: never read
    &kPcdGenericCodec,   // PhotoCD
    &kPbmGenericCodec,   // PBM
    &kPgmGenericCodec,   // PGM
    &kPpmGenericCodec,   // PPM
};

}  // namespace

const PicGenericCodec* GenericCodecFor(uint32_t format) {
  if (format >= kReadFormatCount || format == kReadTLA01) return nullptr;
  return codecs[format].load(std::memory_order_acquire);
}

const PicGenericCodec* ReplaceGenericCodec(uint32_t format, const PicGenericCodec* codec) {
  if (format >= kReadFormatCount) return nullptr;
  return codecs[format].exchange(codec, std::memory_order_acq_rel);
}

}  // namespace Pictura
