// The pic_ entries of the PhotoCD reader and its place in the generic reader.
#include "codecs/codec_support.h"
#include "codecs/photocd/pcd_codec.h"
#include "codecs/photocd/pictura_pcd.h"
#include "core/format_entry.h"

using namespace Pictura;

extern "C" {

HGLOBAL PICAPI pic_ReadPCD(HPICSRC src, DWORD* width, DWORD* height, DWORD resolution, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPCD", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) return PicFail<HGLOBAL>(&err, kPicErrBadArgument);
    return ReadPCDImage(&err, io, reinterpret_cast<uint32_t*>(width), reinterpret_cast<uint32_t*>(height),
                        resolution, flags);
  });
}

DWORD PICAPI pic_GetPCDIndexImageCount(HPICSRC src) {
  return PicFormatEntry<DWORD>("pic_GetPCDIndexImageCount", src,
                               [&](uint32_t& err, CPicIO& io) -> DWORD { return CheckPCDIndex(&err, io); });
}

HGLOBAL PICAPI pic_ReadPCDIndex(HPICSRC src, DWORD index, DWORD* width, DWORD* height, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPCDIndex", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) return PicFail<HGLOBAL>(&err, kPicErrBadArgument);
    return ReadPCDIndexImage(&err, io, index, reinterpret_cast<uint32_t*>(width),
                             reinterpret_cast<uint32_t*>(height), flags);
  });
}

}  // extern "C"

namespace {

uint32_t DetectPcd(HPICSRC, PicGenericDetect* detected) {
  detected->depth = 24;
  return 0;
}

uint32_t ReadPcd(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  image->pixels = pic_ReadPCD(src, &w, &h, 3, output == kGenericOutDIB ? DWORD{kPcdPackedDIB} : 0u);
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kPcdGenericCodec = {"PhotoCD", kGenericOut24Bit | kGenericOutDIB, false, DetectPcd,
                                          ReadPcd};
}  // namespace Pictura
