// The pic_ entries of the WBMP codec.
#include "codecs/wbmp/pictura_wbmp.h"
#include "codecs/wbmp/wbmp_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetWBMPDims(HPICSRC src, DWORD* width, DWORD* height, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetWBMPDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return ReadWBMPHeader(&err, io, U32(width), U32(height));
  });
}

HGLOBAL PICAPI pic_ReadWBMP(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette, DWORD depth,
                            DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadWBMP", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    return ReadWBMPImage(&err, io, U32(width), U32(height), palette, depth, flags);
  });
}

DWORD PICAPI pic_WriteWBMP(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                           DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteWBMP", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WriteWBMPImage(&err, io, image, width, height, rowStride, flags);
  });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectWbmp(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0;
  if (!pic_GetWBMPDims(src, &width, &height, 0)) return 0;
  detected->depth = 8;
  detected->direct1Bit = true;  // black and white: the file's own bits
  return 0;
}

uint32_t ReadWbmp(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  if (output == kGenericOutDIB)
    image->pixels = pic_ReadWBMP(src, &w, &h, nullptr, 1, kWbmpPackedDIB);
  else
    image->pixels = pic_ReadWBMP(src, &w, &h, image->palette, output == kGenericOut1Bit ? 1 : 8, 0);
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kWbmpGenericCodec = {
    "WBMP", kGenericOut1Bit | kGenericOut8Bit | kGenericOutDIB, false, DetectWbmp, ReadWbmp,
};
}  // namespace Pictura
