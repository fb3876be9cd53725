#pragma once
// Per-thread option blocks of the codecs, kept in ImgThreadContext. The core
// only sets their start values; their meaning belongs to the codecs, which may
// add fields here (additively) as they need them.

#include <cstdint>
#include <string>
#include <vector>

#include "core/allocators.h"
#include "core/wintypes.h"

namespace Pictura {

// A PNG colour as the PNG chunks carry it (index, red, green, blue, grey).
struct PngColor16 {
  uint8_t index = 0;
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
  uint16_t gray = 0;
};

struct PNGTextChunk {
  std::string key;
  std::string text;
  uint32_t compressed = 0;  // non-zero: the chunk is (or is to be) zTXt
};

struct PNGOptions {
  double screenGamma = 2.9;
  PngColor16 defaultBackground;  // also written as bKGD
  PngColor16 lastBackground;     // of the last PNG read
  PngColor16 transparentColor;
  uint16_t writeTransparent = 0;  // ask the writers for a transparent colour
  std::vector<PNGTextChunk> textToWrite;
  std::vector<PNGTextChunk> textRead;
  // zlib settings with the mask of those set: bit 2 level, 4 memory level,
  // 8 strategy, 16 window bits, 1 filter mask.
  int32_t zlibLevel = 0;
  int32_t zlibMemLevel = 0;
  int32_t zlibStrategy = 0;
  int32_t zlibWindowBits = 0;
  int32_t filterMask = 0;
  uint32_t zlibSetMask = 0;
};

struct CPicJPGInfo {
  void* progressivePassCallback = nullptr;
  uintptr_t progressivePassUser = 0;
  uint32_t dctMethod = 0;
  uint32_t smoothingFactor = 0;
  uint32_t reserved = 0;
  uint32_t vSampling[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  uint32_t hSampling[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  uint32_t useSampling = 0;
  uint32_t componentCount = 10;
  uint32_t scaleNum = 1;
  uint32_t scaleDenom = 1;
  PicPtrVector<CFileDataTag> inputComments;
  PicPtrVector<CFileDataTag> outputComments;  // the comments the JPEG writer puts out
  PicPtrVector<CFileDataTag> inputMarkers;
  PicPtrVector<CFileDataTag> outputMarkers;
};

struct TIFFWriteOptions {
  PicArray<unsigned char> photoshopResources;
  std::string softwareText;
  PicArray<unsigned char> annotations;
  PicArray<unsigned char> xmpPacket;
  PicArray<unsigned char> iptc;
  PicArray<unsigned char> extra;
  uint32_t customSoftware = 0;
  int32_t rowsPerStrip = -1;  // -1: the libtiff default
  uint32_t reserved = 0;
  uint8_t jpegQuality = 75;
  uint8_t orientation = 1;
  int32_t alphaOverride = -1;  // for unspecified extra samples; -1 none
  uint32_t tileWidth = 0;
  uint32_t tileHeight = 0;
};

struct TextSettings {
  unsigned char scratch[256];  // left unset on purpose
  std::string texts[4] = {std::string(), std::string(), std::string(), std::string("PIC 1.0.15.9")};
  PicPtrVector<CFileDataTag> tagsA;
  PicPtrVector<CFileDataTag> tagsB;
};

// A saved tag record holding two GlobalAlloc blocks, freed with the record.
struct TagRecord {
  uint32_t id = 0;
  HGLOBAL first = nullptr;
  uint32_t firstSize = 0;
  HGLOBAL second = nullptr;
  uint32_t secondSize = 0;
  uint8_t kind = 0;
  TagRecord() = default;
  TagRecord(const TagRecord&) = delete;
  TagRecord& operator=(const TagRecord&) = delete;
  TagRecord(TagRecord&& o) noexcept { *this = std::move(o); }
  TagRecord& operator=(TagRecord&& o) noexcept {
    if (this != &o) {
      Release();
      id = o.id;
      first = o.first;
      firstSize = o.firstSize;
      second = o.second;
      secondSize = o.secondSize;
      kind = o.kind;
      o.first = o.second = nullptr;
    }
    return *this;
  }
  ~TagRecord() { Release(); }
  void Release() {
    FreeGlobalHandle(&first);
    FreeGlobalHandle(&second);
  }
};

// One frame of a GIF read, in reading order.
struct GIFFrameRecord {
  uint32_t index = 0;
  uint32_t valid = 1;
  HGLOBAL pixels = nullptr;  // width x height indices, top row first
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t delay = 0;  // hundredths of a second
  uint32_t disposal = 0;
  uint32_t userInput = 0;
  uint32_t hasLocalPalette = 0;
  int32_t transparent = -1;
  uint32_t interlaced = 0;
  RGBQUAD palette[256] = {};
};

struct GIFFrameList {
  std::vector<GIFFrameRecord> frames;
  uint32_t frameCount = 0;
  uint32_t screenWidth = 0;
  uint32_t screenHeight = 0;
  uint32_t loopCount = 0;
  uint32_t backgroundIndex = 0;
  RGBQUAD globalPalette[256] = {};

  // The record at index, or null past the end.
  GIFFrameRecord* at(size_t i) { return i < frames.size() ? &frames[i] : nullptr; }
};

// Frees every record's pixel block and empties the list.
void ClearGIFFrameList(GIFFrameList* list);

// The GIF writer's words and its colour table.
struct GIFWriteBlock {
  uint32_t words[5] = {};
  unsigned char table[1024] = {};
};

}  // namespace Pictura
