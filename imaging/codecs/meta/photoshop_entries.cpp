// pic_ entries of Photoshop image resources.
#include "codecs/meta/iptc_records.h"
#include "codecs/meta/photoshop_resource_reader.h"
#include "codecs/meta/pictura_photoshop.h"
#include <cstring>
#include <vector>

#include "core/format_entry.h"

using namespace Pictura;

namespace {

bool ReadList(uint32_t& err, CPicIO& io, DWORD page, PhotoshopResourceList* list) {
  if (!io.Seek(0, kPicSeekSet)) return (err = kPicErrFileRead), false;
  const bool ok = ReadPhotoshopResourcesFromFile(list, io, page, 1);
  err = list->error;
  return ok;
}

// The thread's resource bytes as a list. Bytes the parser would read only
// in part (stray bytes, a block running past the end) are refused, so an
// edit never drops what it did not understand.
bool LoadThreadResources(uint32_t& err, PhotoshopResourceList* list) {
  const PicArray<unsigned char>& held = GetImgThreadContext()->tiffWrite.photoshopResources;
  if (held.Count() == 0) return true;
  std::vector<uint8_t> again;
  if (!list->Parse(held.Data(), held.Count(), 1) || !list->Export(&again, 0))
    return (err = list->error), false;
  if (again.size() != held.Count() || std::memcmp(again.data(), held.Data(), again.size()) != 0)
    return (err = kPicErrPhotoshopResource), false;
  return true;
}

bool StoreThreadResources(uint32_t& err, PhotoshopResourceList& list) {
  std::vector<uint8_t> bytes;
  if (!list.Export(&bytes, 0)) return (err = list.error), false;
  PicArray<unsigned char> copy;
  if (bytes.size() >= kPicAllocCap || !copy.Resize(static_cast<uint32_t>(bytes.size())))
    return (err = kPicErrNoMemory), false;
  if (!bytes.empty()) std::memcpy(copy.Data(), bytes.data(), bytes.size());
  GetImgThreadContext()->tiffWrite.photoshopResources = std::move(copy);
  return true;
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

BOOL PICAPI pic_AddPhotoshopResource(DWORD id, const BYTE* data, DWORD size, const char* name) {
  return PicRunEntry<BOOL>("pic_AddPhotoshopResource", [&](uint32_t& err) -> BOOL {
    if (id > 0xFFFF || (size && !data)) return (err = kPicErrBadArgument), FALSE;
    PhotoshopResourceList list;
    if (!LoadThreadResources(err, &list)) return FALSE;
    if (!list.Add(static_cast<uint16_t>(id), data, size, name)) return (err = list.error), FALSE;
    return StoreThreadResources(err, list) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_RemovePhotoshopResource(DWORD id) {
  return PicRunEntry<BOOL>("pic_RemovePhotoshopResource", [&](uint32_t& err) -> BOOL {
    if (id > 0xFFFF) return (err = kPicErrBadArgument), FALSE;
    PhotoshopResourceList list;
    if (!LoadThreadResources(err, &list)) return FALSE;
    if (uint32_t code = list.Remove(static_cast<uint16_t>(id))) return (err = code), FALSE;
    return StoreThreadResources(err, list) ? TRUE : FALSE;
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

BOOL PICAPI pic_GetIPTCDataset(HPICSRC src, DWORD page, DWORD record, DWORD dataset, DWORD occurrence,
                               HGLOBAL* data, DWORD* size) {
  return PicFormatEntry<BOOL>("pic_GetIPTCDataset", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!data || !size) return (err = kPicErrBadArgument), FALSE;
    *data = nullptr;
    *size = 0;
    PhotoshopResourceList list;
    list.tiffIPTCFallback = 1;
    if (!ReadList(err, io, page, &list)) return FALSE;
    const PhotoshopResourceBlock* block = list.Find(kPhotoshopIPTCID);
    if (!block) return (err = list.error), FALSE;
    std::vector<IptcDataset> sets;
    if (uint32_t code = ParseIPTCDatasets(block->Data(), block->DataSize(), &sets))
      return (err = code), FALSE;
    for (const IptcDataset& d : sets) {
      if (d.record != record || d.number != dataset || occurrence-- != 0) continue;
      if (d.size) {
        if (!(*data = GlobalAlloc(GMEM_FIXED, d.size))) return (err = kPicErrNoMemory), FALSE;
        std::memcpy(*data, d.data, d.size);
      }
      *size = d.size;
      return TRUE;
    }
    return (err = kPicErrNoIPTCTag), FALSE;
  });
}

}  // extern "C"
