#include "codecs/meta/icc_profile.h"

#include <cstring>

#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/meta/photoshop_resource_reader.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff_codec.h"
#include "core/file_type.h"
#include "core/pictura_file_type.h"
#include "core/thread_context.h"

namespace Pictura {
namespace {

constexpr char kICCName[12] = "ICC_PROFILE";  // with its terminating zero

int Fail(uint32_t* err, uint32_t code) {
  *err = code;
  return 0;
}

// A zero-filled GlobalAlloc copy of bytes; null when it cannot be had.
HGLOBAL GlobalCopy(const uint8_t* bytes, uint64_t size) {
  if (size == 0 || size >= kPicAllocCap) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (block && bytes) std::memcpy(block, bytes, static_cast<size_t>(size));
  return block;
}

}  // namespace

int BuildICCMarkersForJPG(uint32_t* err, PicPtrVector<PicArray<uint8_t>>* chunks) {
  chunks->Clear();
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx || ctx->iccProfile.Empty()) return 0;
  const uint8_t* profile = ctx->iccProfile.Data();
  const uint32_t size = ctx->iccProfile.Count();
  const uint32_t count = (size + kICCChunkData - 1) / kICCChunkData;
  // The chunk count is one byte: a bigger profile cannot be numbered.
  if (count > kICCMaxChunks) return Fail(err, kPicErrBadArgument);
  for (uint32_t k = 1; k <= count; ++k) {
    const uint32_t offset = (k - 1) * kICCChunkData;
    const uint32_t length = size - offset < kICCChunkData ? size - offset : kICCChunkData;
    auto chunk = std::make_unique<PicArray<uint8_t>>();
    if (!chunk->Resize(length + kICCChunkHeader)) {
      chunks->Clear();
      return Fail(err, kPicErrNoMemory);
    }
    uint8_t* p = chunk->Data();
    std::memcpy(p, kICCName, sizeof kICCName);
    p[12] = static_cast<uint8_t>(k);
    p[13] = static_cast<uint8_t>(count);
    std::memcpy(p + kICCChunkHeader, profile + offset, length);
    if (!chunks->Add(std::move(chunk))) {
      chunks->Clear();
      return Fail(err, kPicErrNoMemory);
    }
  }
  return 1;
}

int CPicICCProfileMain::ICCProfileFromJPG(CPicIO* src, HGLOBAL* data, uint32_t* size) {
  PicPtrVector<CFileDataTag> markers;
  if (!ReadJPGMarkers(&error, src, &markers)) return 0;
  // Chunks in file order; their numbers are not consulted.
  const uint32_t minimum = kJPGMarkerLead + kICCChunkHeader + 1;
  auto selected = [&](const CFileDataTag& m) {
    return m.id == 0xE2u && m.data.Count() >= minimum &&
           std::memcmp(m.data.Data() + kJPGMarkerLead, kICCName, 11) == 0;
  };
  uint64_t total = 0;
  for (const auto& m : markers)
    if (selected(*m)) total += m->data.Count() - kJPGMarkerLead - kICCChunkHeader;
  if (total == 0) return 0;
  HGLOBAL block = GlobalCopy(nullptr, total);
  if (!block) return Fail(&error, kPicErrNoMemory);
  auto* out = static_cast<uint8_t*>(block);
  for (const auto& m : markers) {
    if (!selected(*m)) continue;
    const uint32_t n = m->data.Count() - kJPGMarkerLead - kICCChunkHeader;
    std::memcpy(out, m->data.Data() + kJPGMarkerLead + kICCChunkHeader, n);
    out += n;
  }
  *data = block;
  *size = static_cast<uint32_t>(total);
  return 1;
}

int CPicICCProfileMain::ICCProfileFromPNG(CPicIO* src, HGLOBAL* data, uint32_t* size) {
  PNGCodecContext pc;
  PicArray<uint8_t> profile;
  std::string name;
  const int ok = ReadPNGICCProfile(&pc, src, &profile, &name);
  error = pc.error;
  if (!ok) return 0;
  if (profile.Empty()) return Fail(&error, kPicErrPNGDataMissing);
  HGLOBAL block = GlobalCopy(profile.Data(), profile.Count());
  if (!block) return Fail(&error, kPicErrNoMemory);
  *data = block;
  *size = profile.Count();
  return 1;
}

int CPicICCProfileMain::ICCProfileFromTIFF(CPicIO* src, uint32_t page, HGLOBAL* data, uint32_t* size) {
  PicNestingScope depth;
  return ReadTIFFTagBlockGlobal(&error, src, TIFFTAG_ICCPROFILE, page, data, size);
}

int CPicICCProfileMain::ICCProfileFromPSD(CPicIO* src, HGLOBAL* data, uint32_t* size) {
  PhotoshopResourceList list;
  if (!ReadPhotoshopResourcesFromFile(&list, *src, 0, 1)) return Fail(&error, list.error);
  const PhotoshopResourceBlock* b = list.Find(kPhotoshopICCID);
  if (!b) return Fail(&error, list.error);
  const uint32_t n = b->DataSize();
  HGLOBAL block = n ? GlobalCopy(b->Data(), n) : nullptr;
  if (!block) return Fail(&error, n ? kPicErrNoMemory : kPicErrPSDResourceMissing);
  *data = block;
  *size = n;
  return 1;
}

int CPicICCProfileMain::ReadICCProfile(CPicIO* src, uint32_t page, uint32_t, HGLOBAL* data, uint32_t* size) {
  error = 0;
  if (!src || !data || !size) return Fail(&error, kPicErrBadArgument);
  *data = nullptr;
  *size = 0;
  uint32_t guessError = 0;
  const uint32_t type = GuessFileTypeCore(&guessError, *src);
  if (!src->Seek(0, kPicSeekSet)) return Fail(&error, kPicErrFileRead);
  switch (type) {
    case kPicFileJPEG:
      return ICCProfileFromJPG(src, data, size);
    case kPicFilePNG:
      return ICCProfileFromPNG(src, data, size);
    case kPicFileTIFF:
      return ICCProfileFromTIFF(src, page, data, size);
    case kPicFilePSD:
      return ICCProfileFromPSD(src, data, size);
    default:
      return Fail(&error, kPicErrBadArgument);
  }
}

}  // namespace Pictura
