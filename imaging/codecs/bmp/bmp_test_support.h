#pragma once
// Hand-made BMP files for the BMP tests: any header size, compression,
// table and offset, so that broken and rare files can be built on purpose.

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "core/pictura_io.h"

namespace bmptest {

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x);
  Put16(v, x >> 16);
}
inline void Set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

struct BmpSpec {
  int32_t width = 4;
  int32_t height = 2;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
  std::vector<RGBQUAD> table{};   // written as is (triples for a 12-byte header)
  std::vector<uint32_t> masks{};  // behind a 40-byte header, inside a longer one
  int64_t offBits = -1;           // -1: the true offset
  uint32_t sizeImage = 0;
  std::vector<uint8_t> pixels{};  // stored rows or the compressed stream

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> f{'B', 'M'};
    Put32(f, 0);
    Put32(f, 0);
    Put32(f, 0);
    Put32(f, headerSize);
    if (headerSize == 12) {
      Put16(f, static_cast<uint32_t>(width));
      Put16(f, static_cast<uint32_t>(height));
      Put16(f, 1);
      Put16(f, bits);
    } else {
      Put32(f, static_cast<uint32_t>(width));
      Put32(f, static_cast<uint32_t>(height));
      Put16(f, 1);
      Put16(f, bits);
      Put32(f, compression);
      Put32(f, sizeImage ? sizeImage : static_cast<uint32_t>(pixels.size()));
      Put32(f, 2835);
      Put32(f, 2835);
      Put32(f, clrUsed);
      Put32(f, clrImportant);
      for (uint32_t i = 40; i < headerSize; i += 4)
        Put32(f, (i - 40) / 4 < masks.size() ? masks[(i - 40) / 4] : 0);
      if (headerSize == 40)
        for (uint32_t m : masks) Put32(f, m);
    }
    for (const RGBQUAD& q : table) {
      f.push_back(q.rgbBlue);
      f.push_back(q.rgbGreen);
      f.push_back(q.rgbRed);
      if (headerSize != 12) f.push_back(q.rgbReserved);
    }
    Set32(f, 10, offBits < 0 ? static_cast<uint32_t>(f.size()) : static_cast<uint32_t>(offBits));
    f.insert(f.end(), pixels.begin(), pixels.end());
    Set32(f, 2, static_cast<uint32_t>(f.size()));
    return f;
  }
};

inline RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return RGBQUAD{b, g, r, 0};
}

// A memory source over its own copy of bytes; closed by the destructor.
struct Source {
  explicit Source(std::vector<uint8_t> data)
      : bytes(std::move(data)),
        handle(pic_OpenMemorySource(bytes.data(), static_cast<DWORD>(bytes.size()))) {}
  ~Source() {
    if (handle) pic_CloseSource(handle);
  }
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  std::vector<uint8_t> bytes;
  HPICSRC handle;
};

// A GlobalAlloc block's first n bytes.
inline std::vector<uint8_t> BlockBytes(HGLOBAL block, size_t n) {
  const auto* p = static_cast<const uint8_t*>(block);
  return std::vector<uint8_t>(p, p + n);
}

// Everything written to a dynamic destination, which is then closed.
inline std::vector<uint8_t> DrainDest(HPICDEST dest) {
  DWORD size = 0;
  pic_GetSize(dest, &size);
  std::vector<uint8_t> bytes(size);
  pic_Seek(dest, 0, 0);
  if (size) pic_Read(dest, bytes.data(), size);
  pic_CloseDest(dest);
  return bytes;
}

}  // namespace bmptest
