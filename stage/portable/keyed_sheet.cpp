#include "stage/portable/keyed_sheet.h"

#include <cstring>

namespace {

uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0;  // uncompressed
// Far beyond any sheet; keeps every product below in 32 bits' reach.
constexpr int32_t kMaxSide = 1 << 15;

}  // namespace

bool DescribeIndexedDib(const uint8_t* data, size_t size, PackedDibLayout* layout) {
  if (!data || !layout || size < kInfoHeaderSize) return false;
  const uint32_t headerSize = Read32(data);
  if (headerSize < kInfoHeaderSize || headerSize > size) return false;
  const auto width = static_cast<int32_t>(Read32(data + 4));
  const auto height = static_cast<int32_t>(Read32(data + 8));
  const int planes = Read16(data + 12);
  const int bits = Read16(data + 14);
  const uint32_t compression = Read32(data + 16);
  const uint32_t used = Read32(data + 32);
  if (planes != 1 || compression != kRgb || (bits != 1 && bits != 4 && bits != 8)) return false;
  if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide || height < -kMaxSide) return false;
  const uint32_t most = 1u << bits;
  if (used > most) return false;
  PackedDibLayout out;
  out.width = width;
  out.height = height < 0 ? -height : height;
  out.bottomUp = height > 0;
  out.bits = bits;
  out.colours = static_cast<int>(used ? used : most);
  out.pixelOffset = size_t(headerSize) + size_t(out.colours) * 4;
  out.stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
  if (out.pixelOffset > size || (size - out.pixelOffset) / out.stride < size_t(out.height)) return false;
  *layout = out;
  return true;
}

std::vector<bool> KeyEntries(const uint8_t* table, int colours, uint32_t key) {
  std::vector<bool> keys(256, false);
  for (int i = 0; i < colours && i < 256; ++i) {
    const uint8_t* entry = table + 4 * i;
    const uint32_t colour = uint32_t(entry[2]) << 16 | uint32_t(entry[1]) << 8 | entry[0];
    keys[i] = colour == (key & 0xFFFFFF);
  }
  return keys;
}

std::vector<uint8_t> KeyMaskRows(const uint8_t* pixels, const PackedDibLayout& layout,
                                 const std::vector<bool>& keyEntries) {
  const size_t maskStride = (size_t(layout.width) + 15) / 16 * 2;
  std::vector<uint8_t> mask(maskStride * size_t(layout.height), 0);
  if (keyEntries.size() < 256) return mask;
  const int perByte = 8 / layout.bits;
  const unsigned lowBits = (1u << layout.bits) - 1;
  for (int y = 0; y < layout.height; ++y) {
    const int stored = layout.bottomUp ? layout.height - 1 - y : y;
    const uint8_t* row = pixels + size_t(stored) * layout.stride;
    uint8_t* out = mask.data() + size_t(y) * maskStride;
    for (int x = 0; x < layout.width; ++x) {
      const int shift = (perByte - 1 - x % perByte) * layout.bits;
      const unsigned index = (row[x / perByte] >> shift) & lowBits;
      if (keyEntries[index]) out[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
    }
  }
  return mask;
}
