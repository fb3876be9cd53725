// The pic_ entries of the PNM codec.
#include "codecs/pnm/pictura_pnm.h"
#include "codecs/pnm/pnm_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetPNMDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* magic, DWORD* maxval, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetPNMDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !magic || !maxval) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return ReadPNMDims(&err, io, U32(width), U32(height), U32(maxval), U32(magic));
  });
}

HGLOBAL PICAPI pic_ReadPNM(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPNM", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    return ReadPNMImage(&err, io, U32(width), U32(height), depth, flags);
  });
}

DWORD PICAPI pic_WritePNM(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, LONG maxval, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WritePNM", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WritePNMImage(&err, io, image, width, height, static_cast<int32_t>(maxval), depth, rowStride,
                         flags);
  });
}

}  // extern "C"
