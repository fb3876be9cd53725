// The generic reader's Windows side: metafiles (from file sources, through
// their path) and the HBITMAP form of pic_ReadImage.
#include "core/dib_gdi.h"
#include "core/generic_codecs.h"
#include "core/generic_reader.h"
#include "core/metafile_geometry.h"
#include "core/operation.h"
#include "pictura.h"

namespace Pictura {

namespace {

uint32_t DetectMetafile(HPICSRC, PicGenericDetect* detected) {
  detected->depth = 24;
  return 0;
}

// Metafiles are played from their file; any other source is refused with 5.
uint32_t ReadMetafile(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  CPicIO* io = CPicIO::FromHandle(src);
  if (io->Type() != kPicIOFile) return kPicErrBadArgument;
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return kPicErrNoThreadState;
  const DWORD flags = kMetafileExactSize | (output == kGenericOutDIB ? DWORD{kMetafileToDIB} : DWORD{0});
  DWORD w = 0, h = 0;
  image->pixels = pic_ReadMetafile(io->GetName(), &w, &h, ctx->metafileWidth, ctx->metafileHeight,
                                   ctx->metafileBackground, flags);
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

const PicGenericCodec kMetafileGenericCodec = {"WMF", kGenericOut24Bit | kGenericOutDIB, false,
                                               DetectMetafile, ReadMetafile};

}  // namespace Pictura

using namespace Pictura;

HBITMAP PICAPI pic_ReadImage(HPICSRC src, DWORD, DWORD, DWORD) {
  static const char kName[] = "pic_ReadImage";
  if (!PicBeginSetter(kName)) return nullptr;
  return PicRunEntry<HBITMAP>(kName, [&](uint32_t& err) -> HBITMAP {
    CPicGenericReadBase reader;
    if (!src) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    uint32_t w = 0, h = 0;
    HGLOBAL dib = reader.ReadAsDIB(src, &w, &h, &err);
    if (!dib) {
      if (err == 0) err = kPicErrUnexpected;
      return nullptr;
    }
    err = 0;
    HBITMAP bitmap = DIBToHBITMAP(&err, dib, nullptr, nullptr);
    GlobalFree(dib);
    if (!bitmap && err == 0) err = kPicErrUnexpected;
    return bitmap;
  });
}
