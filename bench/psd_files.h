#pragma once
// The 12-megapixel PSD files the PSD benchmarks read: our writer's raw
// file of a photo-like picture, and the same repacked with PackBits rows as
// Photoshop writes them (bench/psd_bench, and the peer-bench library for
// tools/bench-psd-peers.py).
#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "pictura.h"

namespace psd_files {

constexpr uint32_t kWidth = 4000, kHeight = 3000;  // 12 megapixels

// A photo-like picture: smooth shading, flat areas, edges and grain.
inline std::vector<uint8_t> Picture() {
  std::vector<uint8_t> img(size_t{kWidth} * kHeight * 3);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &img[(size_t{y} * kWidth + x) * 3];
      const bool flat = (x / 400 + y / 300) % 4 == 0;
      const int grain = flat ? 0 : static_cast<int>(rng() % 9) - 4;
      p[0] = static_cast<uint8_t>(std::clamp(flat ? 200 : int(x * 200 / kWidth) + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(flat ? 90 : int(y * 220 / kHeight) + grain, 0, 255));
      p[2] = static_cast<uint8_t>(
          std::clamp(flat ? 30 : int((x + y) * 255 / (kWidth + kHeight)) + grain, 0, 255));
    }
  return img;
}

inline void PutBE(std::vector<uint8_t>& f, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// PackBits as Photoshop writes it: runs of 3 or more repeated, the rest literal.
inline std::vector<uint8_t> PackBits(const uint8_t* row, uint32_t n) {
  std::vector<uint8_t> out;
  uint32_t i = 0;
  while (i < n) {
    uint32_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    uint32_t lit = 0;
    while (i + lit < n && lit < 128 &&
           !(i + lit + 2 < n && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2]))
      ++lit;
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
  return out;
}

// Our writer's raw file, repacked with PackBits rows.
inline std::vector<uint8_t> Packed(const std::vector<uint8_t>& raw) {
  const size_t pixels = raw.size() - 34 - size_t{kWidth} * kHeight * 3;  // header and empty sections
  std::vector<uint8_t> f(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(pixels + 32));
  PutBE(f, 1, 2);
  std::vector<std::vector<uint8_t>> rows;
  for (uint32_t r = 0; r < 3 * kHeight; ++r)
    rows.push_back(PackBits(&raw[pixels + 34 + size_t{r} * kWidth], kWidth));
  for (const auto& r : rows) PutBE(f, static_cast<uint32_t>(r.size()), 2);
  for (const auto& r : rows) f.insert(f.end(), r.begin(), r.end());
  return f;
}

// Both files: [0] raw, [1] PackBits (our writer needs the library started).
inline void Make(std::vector<uint8_t> (&bytes)[2]) {
  const std::vector<uint8_t> picture = Picture();
  std::vector<uint8_t> raw(picture.size() + 4096);
  HPICDEST dest = pic_OpenMemoryDest(raw.data(), static_cast<DWORD>(raw.size()), FALSE);
  raw.resize(pic_WritePSD(dest, picture.data(), kWidth, kHeight, 24, kWidth * 3, nullptr, 0));
  pic_CloseDest(dest);
  bytes[0] = raw;
  bytes[1] = Packed(raw);
}

}  // namespace psd_files
