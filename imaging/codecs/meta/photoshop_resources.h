#pragma once
// Photoshop image-resource blocks ("8BIM" blocks) as PSD files, JPEG APP13
// segments and TIFF tag 34377 carry them: a list of whole blocks in file
// order, a parser that fills it from bytes, and the exported byte stream.
// Payloads are opaque; IPTC-NAA data is the block with id 1028.
//
// Block layout (big-endian): "8BIM", u16 id, name (length byte n, n
// characters, one zero pad byte when 1 + n is odd), u32 data size, the data
// and one zero pad byte when the size is odd.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/allocators.h"
#include "core/wintypes.h"

namespace Pictura {

constexpr uint16_t kPhotoshopResolutionID = 1005;
constexpr uint16_t kPhotoshopIPTCID = 1028;
constexpr uint16_t kPhotoshopThumbnailBGRID = 1033;
constexpr uint16_t kPhotoshopThumbnailID = 1036;
constexpr uint16_t kPhotoshopICCID = 1039;

struct PhotoshopResourceBlock {
  uint16_t id = 0;
  uint32_t headerLength = 0;  // signature to data: 11 + n + pad
  PicArray<uint8_t> bytes;    // the whole block: header, data, pad byte
  std::string name;

  const uint8_t* Data() const { return bytes.Data() + headerLength; }
  // The size field's value (odd sizes keep their pad byte out of it).
  uint32_t DataSize() const;
};

using PhotoshopBlocks = std::vector<std::unique_ptr<PhotoshopResourceBlock>>;

class PhotoshopResourceList {
 public:
  PhotoshopResourceList() = default;
  PhotoshopResourceList(const PhotoshopResourceList& other);
  PhotoshopResourceList& operator=(const PhotoshopResourceList&) = delete;

  // Builds a block (the name cut to 255 characters) and appends it: 5 for
  // null data with a size, 1 without memory.
  bool Add(uint16_t id, const uint8_t* data, uint32_t size, const char* name);
  // The first block with the id; null with 72 when there is none.
  const PhotoshopResourceBlock* Find(uint16_t id);
  // The block's data and name in new GlobalAlloc blocks (either null when
  // empty); 72 when absent, 1 without memory (nothing handed out then).
  bool Get(uint16_t id, HGLOBAL* data, uint32_t* dataSize, HGLOBAL* name, uint32_t* nameSize);
  // The ids in list order in a new GlobalAlloc array of u16.
  bool GetIDs(HGLOBAL* ids, uint32_t* count);
  // Removes the first block with the id: 0, or 72 when absent.
  uint32_t Remove(uint16_t id);
  // All blocks as one stream; flags 1: a big-endian u32 total length first
  // (counting itself), 2: "Photoshop 3.0" and a zero first (after the length).
  bool Export(std::vector<uint8_t>* out, uint32_t flags);
  // Clears the list and parses bytes into it (parser flags as given).
  bool Parse(const uint8_t* bytes, uint64_t length, uint32_t flags);

  uint32_t error = 0;
  uint8_t tiffIPTCFallback = 0;  // TIFF: tag 33723 when 34377 is absent
  PhotoshopBlocks blocks;
};

class PhotoshopResourceParser {
 public:
  explicit PhotoshopResourceParser(PhotoshopBlocks& blocks) : blocks_(blocks) {}

  // Fills the (emptied) block vector: 5 no bytes, 67 unparsable. Bytes
  // before the first signature are skipped; a last block running past the
  // end ends the parse, successfully when an earlier one was read. Flags bit
  // 0 ignores the whitelist.
  bool Parse(const uint8_t* bytes, uint64_t length, uint32_t flags);
  // mode 0: any block read; mode 1: an IPTC-NAA block (1028); else 5.
  bool HasBlocks(const uint8_t* bytes, uint64_t length, uint32_t mode);

  std::vector<uint32_t> whitelist;  // ids kept; empty keeps all
  uint32_t error = 0;

 private:
  enum Step { kBlock = 0, kEnd = 1, kShort = 2, kOverrun = 3 };
  Step ReadBlock(const uint8_t* bytes, uint64_t length, uint64_t* pos, bool filter);

  PhotoshopBlocks& blocks_;
};

}  // namespace Pictura
