#pragma once
// The portable half of the metafile code: the 22-byte placeable header in
// front of WMF bits, and the size a metafile is drawn at. Every unit, size
// and frame read from a file is checked before it divides or multiplies;
// a size that cannot be drawn is an error code, never a zero-sized bitmap.

#include <cstddef>
#include <cstdint>

namespace Pictura {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableHeaderSize = 22;

// Read flags of the metafile readers.
enum : uint32_t {
  kMetafileExactSize = 1,  // draw at the given width and height
  kMetafileToDIB = 2,      // return a packed DIB instead of RGB
  kMetafilePercent = 4,    // scale the natural size by the given percentages
};

struct PlaceableHeader {
  uint32_t key = 0;
  uint16_t handle = 0;
  int16_t left = 0, top = 0, right = 0, bottom = 0;
  uint16_t unitsPerInch = 0;
  uint32_t reserved = 0;
  uint16_t checksum = 0;
};

// XOR of the ten 16-bit words in front of the checksum.
uint16_t PlaceableHeaderChecksum(const uint8_t* header);
// true when the bytes start with the placeable key (at least 22 of them).
bool ParsePlaceableHeader(const uint8_t* data, size_t size, PlaceableHeader* header);
// 22 bytes: key, handle 0, box, units per inch, reserved 0, checksum.
void WritePlaceableHeader(uint8_t* out, int16_t left, int16_t top, int16_t right, int16_t bottom,
                          uint16_t unitsPerInch);
// The box of a frame in 0.01 mm at `unitsPerInch`, lowered from 1000 when
// the box would not fit 16 bits.
void PlaceableBoxForFrame(int64_t frameRight, int64_t frameBottom, int16_t* right, int16_t* bottom,
                          uint16_t* unitsPerInch);

// The picture extents of a placeable header in 0.01 mm; false for a zero
// unit, an empty or inverted box.
bool PlaceableExtents(const PlaceableHeader& header, int32_t* cx, int32_t* cy);

// What the reader knows when it chooses the size.
struct MetafileSizeInput {
  uint32_t flags = 0;
  uint32_t givenWidth = 0, givenHeight = 0;
  bool placeable = false;
  PlaceableHeader header;
  int32_t dpiX = 96, dpiY = 96;  // of the screen
  // An enhanced metafile header's frame (0.01 mm) and its reference
  // device's size in pixels and millimetres.
  int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
  int32_t devicePixelsX = 0, devicePixelsY = 0, deviceMillimetresX = 0, deviceMillimetresY = 0;
};

// Width and height to draw at, or a code: 5 when the caller's size is
// unusable (exact size 0), 27 when the file's is (zero unit or reference
// size, empty frame), 1 when the RGB result would reach the allocation cap.
uint32_t ComputeMetafileSize(const MetafileSizeInput& in, uint32_t* width, uint32_t* height);

}  // namespace Pictura
