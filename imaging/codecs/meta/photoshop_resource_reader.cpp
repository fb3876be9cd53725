#include "codecs/meta/photoshop_resource_reader.h"

#include <cstring>

#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/psd/psd_codec.h"
#include "codecs/tiff/tiff_codec.h"
#include "core/allocators.h"
#include "core/file_type.h"
#include "core/pictura_file_type.h"

namespace Pictura {

bool ReadPhotoshopResourcesRaw(uint32_t* err, CPicIO& src, uint32_t page, bool iptcFallback,
                               std::vector<uint8_t>* bytes, bool* iptcOnly) {
  bytes->clear();
  *iptcOnly = false;
  uint32_t guessError = 0;
  const uint32_t type = GuessFileTypeCore(&guessError, src);
  if (!src.Seek(0, kPicSeekSet)) return (*err = kPicErrFileRead), false;
  try {
    if (type == kPicFileJPEG) {
      PicPtrVector<CFileDataTag> markers;
      if (!ReadJPGMarkers(err, &src, &markers)) return false;
      // The first APP13 with its 14-byte prefix whole (18 bytes stored).
      constexpr uint32_t kPrefix = 14;
      for (const auto& m : markers) {
        if (m->id != 0xEDu || m->data.Count() < kJPGMarkerLead + kPrefix ||
            std::memcmp(m->data.Data() + kJPGMarkerLead, "Photoshop 3.0", 13) != 0)
          continue;
        bytes->assign(m->data.begin() + kJPGMarkerLead + kPrefix, m->data.end());
        return true;
      }
      return true;
    }
    if (type == kPicFilePSD) {
      PSDCodecContext ctx;
      const bool ok = ReadPSDResourceBytes(&ctx, src);
      *err = ctx.error;
      if (ok) bytes->assign(ctx.resources.begin(), ctx.resources.end());
      return ok;
    }
    if (type == kPicFileTIFF) {
      for (const uint32_t tag : {uint32_t{TIFFTAG_PHOTOSHOP}, uint32_t{TIFFTAG_RICHTIFFIPTC}}) {
        if (tag == TIFFTAG_RICHTIFFIPTC && !iptcFallback) break;
        if (!src.Seek(0, kPicSeekSet)) return (*err = kPicErrFileRead), false;
        uint32_t tagError = 0, size = 0;
        HGLOBAL block = nullptr;
        PicNestingScope depth;
        if (ReadTIFFTagBlockGlobal(&tagError, &src, tag, page, &block, &size)) {
          ScopedGlobal owned(block);
          bytes->assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
          *iptcOnly = tag == TIFFTAG_RICHTIFFIPTC;
          return true;
        }
        // An absent tag is no failure: the page just has no resources.
        if (tagError != kPicErrTIFFTagUnreadable) return (*err = tagError), false;
      }
      return true;
    }
  } catch (const std::bad_alloc&) {
    return (*err = kPicErrNoMemory), false;
  }
  return (*err = kPicErrBadArgument), false;
}

bool ReadPhotoshopResourcesFromFile(PhotoshopResourceList* list, CPicIO& src, uint32_t page, uint32_t flags) {
  list->blocks.clear();
  std::vector<uint8_t> bytes;
  bool iptcOnly = false;
  list->error = 0;
  if (!ReadPhotoshopResourcesRaw(&list->error, src, page, list->tiffIPTCFallback != 0, &bytes, &iptcOnly))
    return false;
  if (bytes.empty()) return true;
  if (iptcOnly)
    return list->Add(kPhotoshopIPTCID, bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
  if (!list->Parse(bytes.data(), bytes.size(), flags)) return false;
  list->error = 0;
  return true;
}

}  // namespace Pictura
