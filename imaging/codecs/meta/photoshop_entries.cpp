// pic_ entries of Photoshop image resources.
#include "codecs/meta/photoshop_resource_reader.h"
#include "codecs/meta/pictura_photoshop.h"
#include <cstring>

#include "core/format_entry.h"

using namespace Pictura;

namespace {

bool ReadList(uint32_t& err, CPicIO& io, DWORD page, PhotoshopResourceList* list) {
  if (!io.Seek(0, kPicSeekSet)) return (err = kPicErrFileRead), false;
  const bool ok = ReadPhotoshopResourcesFromFile(list, io, page, 1);
  err = list->error;
  return ok;
}

}  // namespace

extern "C" {

BOOL PICAPI pic_SetPhotoshopResources(const BYTE* data, DWORD size) {
  return PicRunEntry<BOOL>("pic_SetPhotoshopResources", [&](uint32_t& err) -> BOOL {
    if (size && !data) return (err = kPicErrBadArgument), FALSE;
    PicArray<unsigned char> copy;
    if (size && !copy.Resize(size)) return (err = kPicErrNoMemory), FALSE;
    if (size) std::memcpy(copy.Data(), data, size);
    GetImgThreadContext()->tiffWrite.photoshopResources = std::move(copy);
    return TRUE;
  });
}

BOOL PICAPI pic_GetPhotoshopResource(HPICSRC src, DWORD page, DWORD id, HGLOBAL* data, DWORD* size) {
  return PicFormatEntry<BOOL>("pic_GetPhotoshopResource", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!data || !size || id > 0xFFFF) return (err = kPicErrBadArgument), FALSE;
    *data = nullptr;
    *size = 0;
    PhotoshopResourceList list;
    list.tiffIPTCFallback = 1;
    if (!ReadList(err, io, page, &list)) return FALSE;
    uint32_t bytes = 0;
    const bool ok = list.Get(static_cast<uint16_t>(id), data, &bytes, nullptr, nullptr);
    err = ok ? 0 : list.error;
    *size = bytes;
    return ok ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_GetPhotoshopResourceIDs(HPICSRC src, DWORD page, HGLOBAL* ids, DWORD* count) {
  return PicFormatEntry<BOOL>("pic_GetPhotoshopResourceIDs", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!ids || !count) return (err = kPicErrBadArgument), FALSE;
    *ids = nullptr;
    *count = 0;
    PhotoshopResourceList list;
    if (!ReadList(err, io, page, &list)) return FALSE;
    uint32_t n = 0;
    const bool ok = list.GetIDs(ids, &n);
    err = ok ? 0 : list.error;
    *count = n;
    return ok ? TRUE : FALSE;
  });
}

}  // extern "C"
