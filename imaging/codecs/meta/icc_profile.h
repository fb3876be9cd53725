#pragma once
// Embedded ICC profiles: the JPEG writer's APP2 chunks of the thread's output
// profile, and the profile of a file read back as one GlobalAlloc block. The
// profile itself is opaque bytes.

#include <cstdint>

#include "core/io_managers.h"
#include "core/allocators.h"

namespace Pictura {

// An APP2 payload: "ICC_PROFILE" and a zero, the chunk's number from 1, the
// chunk count, then at most 65519 bytes of profile (65535 less the marker's
// length field and this header).
constexpr uint32_t kICCChunkHeader = 14;
constexpr uint32_t kICCChunkData = 65519;
constexpr uint32_t kICCMaxChunks = 255;  // the count is one byte

// Fills chunks (cleared first) with the APP2 payloads of the thread's output
// profile, in order. 1 when chunks were made; 0 without a profile (no code),
// or with 5 when the profile needs more than 255 chunks, or 1 when a chunk
// cannot be had (the list is then empty: half a profile is worse than none).
int BuildICCMarkersForJPG(uint32_t* err, PicPtrVector<PicArray<uint8_t>>* chunks);

class CPicICCProfileMain {
 public:
  CPicICCProfileMain() = default;
  virtual ~CPicICCProfileMain() = default;
  CPicICCProfileMain(const CPicICCProfileMain&) = delete;
  CPicICCProfileMain& operator=(const CPicICCProfileMain&) = delete;

  // Guesses the source's type, rewinds it and reads the profile of a JPEG,
  // PNG, TIFF (of the page) or PSD file. 1 with *data a GlobalAlloc block
  // the caller frees and *size its byte count; 0 otherwise (the reason, if
  // any, in error).
  int ReadICCProfile(CPicIO* src, uint32_t page, uint32_t reserved, HGLOBAL* data, uint32_t* size);
  int ICCProfileFromJPG(CPicIO* src, HGLOBAL* data, uint32_t* size);
  int ICCProfileFromPNG(CPicIO* src, HGLOBAL* data, uint32_t* size);
  int ICCProfileFromTIFF(CPicIO* src, uint32_t page, HGLOBAL* data, uint32_t* size);
  // Resource 1039 of a PSD file; 72 when it has none.
  int ICCProfileFromPSD(CPicIO* src, HGLOBAL* data, uint32_t* size);

  uint32_t error = 0;
};

}  // namespace Pictura
