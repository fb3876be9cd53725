#include "codecs/meta/photoshop_resource_reader.h"

#include <cstring>

#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/psd/psd_codec.h"
#include "core/file_type.h"
#include "core/pictura_file_type.h"

namespace Pictura {

bool ReadPhotoshopResourcesRaw(uint32_t* err, CPicIO& src, uint32_t, std::vector<uint8_t>* bytes) {
  bytes->clear();
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
  } catch (const std::bad_alloc&) {
    return (*err = kPicErrNoMemory), false;
  }
  return (*err = kPicErrBadArgument), false;
}

bool ReadPhotoshopResourcesFromFile(PhotoshopResourceList* list, CPicIO& src, uint32_t page, uint32_t flags) {
  list->blocks.clear();
  std::vector<uint8_t> bytes;
  list->error = 0;
  if (!ReadPhotoshopResourcesRaw(&list->error, src, page, &bytes)) return false;
  if (bytes.empty()) return true;
  if (!list->Parse(bytes.data(), bytes.size(), flags)) return false;
  list->error = 0;
  return true;
}

}  // namespace Pictura
