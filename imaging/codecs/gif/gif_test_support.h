#pragma once
// Helpers of the GIF tests: a GIF builder whose image data names every pixel
// by its own code (a clear code before the codes would widen), so tests can
// make any stream, broken ones included.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/codec_entry_support.h"

namespace pictest {

// Codes of `bits` bits packed least significant bit first.
inline Bytes PackCodes(const std::vector<uint32_t>& codes, uint32_t bits) {
  Bytes out;
  uint32_t acc = 0, n = 0;
  for (uint32_t code : codes)
    for (acc |= code << n, n += bits; n >= 8; acc >>= 8, n -= 8) out.push_back(static_cast<uint8_t>(acc));
  if (n) out.push_back(static_cast<uint8_t>(acc));
  return out;
}

inline Bytes PlainLzw(const Bytes& pixels, uint32_t minCodeSize) {
  const uint32_t clear = 1u << minCodeSize, run = clear > 3 ? clear - 2 : 1;
  std::vector<uint32_t> codes;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % run == 0) codes.push_back(clear);
    codes.push_back(pixels[i]);
  }
  codes.push_back(clear + 1);
  return PackCodes(codes, minCodeSize + 1);
}

// Sub-blocks of at most 255 bytes and the terminator.
inline Bytes SubBlocks(const Bytes& data) {
  Bytes out;
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
               data.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  out.push_back(0);
  return out;
}

struct GifBuilder {
  // tableBits 0: no global table; entry i is (i * 255 / (n - 1), same, i).
  GifBuilder(uint32_t width, uint32_t height, uint32_t tableBits, const char* version = "89a",
             uint8_t background = 0) {
    bytes = {'G', 'I', 'F', uint8_t(version[0]), uint8_t(version[1]), uint8_t(version[2])};
    Word(width), Word(height);
    bytes.insert(bytes.end(),
                 {uint8_t(tableBits ? 0x80 | (tableBits - 1) << 4 | (tableBits - 1) : 0), background, 0});
    if (tableBits) Table(tableBits, false);
  }
  GifBuilder& Control(int transparent, uint32_t delay = 0, uint32_t disposal = 0) {
    bytes.insert(bytes.end(), {0x21, 0xF9, 4, uint8_t(disposal << 2 | (transparent >= 0)), uint8_t(delay),
                               uint8_t(delay >> 8), uint8_t(std::max(transparent, 0)), 0});
    return *this;
  }
  GifBuilder& Loop(uint32_t count) {
    bytes.insert(bytes.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1,
                               uint8_t(count), uint8_t(count >> 8), 0});
    return *this;
  }
  // localBits 0 uses the global table (a local one is inverted in red);
  // minCodeSize 0: max(2, localBits) or 8; codeSize: the data's own, if other.
  GifBuilder& Image(uint32_t left, uint32_t top, uint32_t width, uint32_t height, const Bytes& pixels,
                    uint32_t localBits = 0, bool interlaced = false, uint32_t minCodeSize = 0,
                    uint32_t codeSize = 0) {
    bytes.push_back(0x2C);
    Word(left), Word(top), Word(width), Word(height);
    bytes.push_back(uint8_t((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0)));
    if (localBits) Table(localBits, true);
    const uint32_t size = minCodeSize ? minCodeSize : std::max<uint32_t>(2, localBits ? localBits : 8);
    bytes.push_back(uint8_t(size));
    const Bytes data = SubBlocks(PlainLzw(pixels, codeSize ? codeSize : size));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  // An image whose data is given as it stands (the sub-blocks, their
  // terminator included), for streams no encoder makes.
  GifBuilder& RawImage(uint32_t width, uint32_t height, uint8_t minCodeSize, const Bytes& blocks) {
    bytes.push_back(0x2C);
    Word(0), Word(0), Word(width), Word(height);
    bytes.insert(bytes.end(), {0, minCodeSize});
    bytes.insert(bytes.end(), blocks.begin(), blocks.end());
    return *this;
  }
  GifBuilder& End() {
    bytes.push_back(0x3B);
    return *this;
  }
  void Word(uint32_t v) { bytes.insert(bytes.end(), {uint8_t(v), uint8_t(v >> 8)}); }
  void Table(uint32_t bits, bool inverted) {
    for (uint32_t i = 0, n = 1u << bits; i < n; ++i) {
      const uint8_t v = uint8_t(i * 255 / (n - 1));
      bytes.insert(bytes.end(), {uint8_t(inverted ? 255 - v : v), v, uint8_t(i)});
    }
  }
  Bytes bytes;
};

inline Bytes Pattern(size_t n, uint32_t colours, unsigned seed = 1) {
  Bytes v(n);
  for (auto& b : v) b = uint8_t(((seed = seed * 1103515245u + 12345u) >> 16) % colours);
  return v;
}

}  // namespace pictest
