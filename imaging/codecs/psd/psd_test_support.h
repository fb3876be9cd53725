#pragma once
// PSD files made by hand for the tests: header, sections and planes laid
// out as the format says, raw or PackBits.

#include <cstdint>
#include <vector>

#include "codecs/codec_entry_support.h"

namespace pictest {

inline void PutBE(Bytes& f, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One literal packet (rows of the tests are below 128 bytes).
inline Bytes PackLiteral(const Bytes& row) {
  Bytes out = {static_cast<uint8_t>(row.size() - 1)};
  out.insert(out.end(), row.begin(), row.end());
  return out;
}

struct PsdSpec {
  uint32_t mode = 3, depth = 8, channels = 3, width = 4, height = 3;
  uint32_t version = 1;
  Bytes colourData, resources, layers;
  uint32_t compression = 0;
  // planes[c]: height rows of the channel's stored bytes (before packing)
  std::vector<Bytes> planes;
  Bytes extraPerRow;  // appended to every packed row (PackBits only)
};

inline uint32_t PsdRowBytes(const PsdSpec& s) {
  return (s.width * s.depth + 7) / 8;
}

inline Bytes MakePsd(const PsdSpec& s) {
  Bytes f = {'8', 'B', 'P', 'S'};
  PutBE(f, s.version, 2);
  f.insert(f.end(), 6, 0);
  PutBE(f, s.channels, 2);
  PutBE(f, s.height, 4);
  PutBE(f, s.width, 4);
  PutBE(f, s.depth, 2);
  PutBE(f, s.mode, 2);
  for (const Bytes* section : {&s.colourData, &s.resources, &s.layers}) {
    PutBE(f, static_cast<uint32_t>(section->size()), 4);
    f.insert(f.end(), section->begin(), section->end());
  }
  PutBE(f, s.compression, 2);
  const uint32_t row = PsdRowBytes(s);
  if (s.compression == 0) {
    for (const Bytes& p : s.planes) f.insert(f.end(), p.begin(), p.end());
    return f;
  }
  std::vector<Bytes> packed;
  for (const Bytes& p : s.planes)
    for (uint32_t y = 0; y < s.height; ++y) {
      Bytes r(p.begin() + y * row, p.begin() + (y + 1) * row);
      Bytes k = PackLiteral(r);
      k.insert(k.end(), s.extraPerRow.begin(), s.extraPerRow.end());
      packed.push_back(k);
    }
  for (const Bytes& k : packed) PutBE(f, static_cast<uint32_t>(k.size()), 2);
  for (const Bytes& k : packed) f.insert(f.end(), k.begin(), k.end());
  return f;
}

// One "8BIM" block with an empty name.
inline Bytes ResourceBlock(uint16_t id, const Bytes& data) {
  Bytes b = {'8', 'B', 'I', 'M'};
  PutBE(b, id, 2);
  b.push_back(0), b.push_back(0);
  PutBE(b, static_cast<uint32_t>(data.size()), 4);
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() & 1) b.push_back(0);
  return b;
}

}  // namespace pictest
