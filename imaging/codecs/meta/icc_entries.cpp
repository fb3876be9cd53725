// pic_ entries of embedded ICC profiles.
#include <cstring>

#include "core/format_entry.h"
#include "codecs/meta/icc_profile.h"
#include "codecs/meta/pictura_icc.h"

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_SetICCProfile(const BYTE* data, DWORD size) {
  return PicRunEntry<BOOL>("pic_SetICCProfile", [&](uint32_t& err) -> BOOL {
    PicArray<unsigned char>& profile = GetImgThreadContext()->iccProfile;
    if (size && !data) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    PicArray<unsigned char> copy;
    if (size && !copy.Resize(size)) {
      err = kPicErrNoMemory;
      return FALSE;
    }
    if (size) std::memcpy(copy.Data(), data, size);
    profile = std::move(copy);
    return TRUE;
  });
}

BOOL PICAPI pic_ReadICCProfile(HPICSRC src, DWORD page, HGLOBAL* data, DWORD* size) {
  return PicFormatEntry<BOOL>("pic_ReadICCProfile", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!data || !size) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    CPicICCProfileMain reader;
    HGLOBAL block = nullptr;
    uint32_t bytes = 0;
    if (!io.Seek(0, kPicSeekSet)) {
      err = kPicErrFileRead;
      return FALSE;
    }
    const int ok = reader.ReadICCProfile(&io, page, 0, &block, &bytes);
    err = reader.error;
    *data = ok ? block : nullptr;
    *size = ok ? bytes : 0;
    return ok ? TRUE : FALSE;
  });
}

}  // extern "C"
