#pragma once
// PhotoCD image packs: the three plain levels (luma and two chroma planes,
// two luma rows then one row of each chroma plane), the Huffman-coded
// residuals of 4Base and 16Base over the interpolated level below, 64Base
// interpolated only; PhotoYCC to RGB through the format's tone table.

#include <cstdint>
#include <vector>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/wintypes.h"

namespace Pictura {

constexpr uint32_t kPcdSector = 2048;
// Absolute sectors of the plain levels (after the three header sectors).
constexpr uint32_t kPcdBase16Sector = 4, kPcdBase4Sector = 23, kPcdBaseSector = 96;
constexpr uint32_t kPcdRotationByte = 0xE02;
// An overview pack's thumbnails: Base/16 images back to back after the
// three header sectors, 18 sectors each.
constexpr uint32_t kPcdThumbWidth = 192, kPcdThumbHeight = 128;
constexpr uint32_t kPcdThumbBytes = kPcdThumbWidth * kPcdThumbHeight * 3 / 2;

enum PcdFlags : uint32_t { kPcdPackedDIB = 2 };

// One plane of samples, rows of `width`.
struct PcdPlane {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> samples;
  uint8_t* Row(uint32_t y) { return samples.data() + size_t{y} * width; }
};

// The image count of an overview pack; 0 with 63 for anything else.
uint32_t CheckPCDIndex(uint32_t* err, CPicIO& io);
// Thumbnail `index` (from 0) of an overview pack, 192 x 128, as
// ReadPCDImage returns images: 63 not an overview pack, 5 an index at or
// past the pack's count, 3 a pack shorter than its count claims.
HGLOBAL ReadPCDIndexImage(uint32_t* err, CPicIO& io, uint32_t index, uint32_t* width, uint32_t* height,
                          uint32_t flags);
// resolution 1 Base/16 (192 x 128) .. 6 64Base (6144 x 4096), clamped; top-
// down R, G, B rows (B, G, R bottom-up in a DIB with kPcdPackedDIB).
HGLOBAL ReadPCDImage(uint32_t* err, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t resolution,
                     uint32_t flags);
// Applies one level's residuals (from the source's position) to the planes
// of that level; 0, or 63 for a stream that cannot be what it claims.
uint32_t DecodePCDHuffman(CPicIO& io, PcdPlane& luma, PcdPlane& chroma1, PcdPlane& chroma2);
// Twice the size in each direction, new samples the rounded means of
// their neighbours.
bool UpsamplePCDPlane(PcdPlane& plane);
// PhotoYCC to R, G, B (the tone table applied).
void PCDToRGB(uint8_t y, uint8_t c1, uint8_t c2, uint8_t rgb[3]);

extern const PicGenericCodec kPcdGenericCodec;

}  // namespace Pictura
