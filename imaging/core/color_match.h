#pragma once
// Nearest palette entry for an RGB colour (exact squared distance, lowest
// index on ties), with a small cache of recent answers. One instance per
// thread or band: lookups change the cache without a lock.

#include <cstdint>
#include <vector>

#include "core/wintypes.h"

namespace Pictura {

class CPicImgColorMatch {
 public:
  CPicImgColorMatch();
  virtual ~CPicImgColorMatch() = default;

  // Copies the first count entries (at most 256); null leaves the palette as
  // it was. Always empties the cache.
  void SetPalette(const RGBQUAD* palette, uint32_t count);
  uint8_t FindClosest(uint8_t red, uint8_t green, uint8_t blue);
  uint8_t FindClosestRGB(uint32_t color) {
    return FindClosest(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  }
  uint32_t CacheFind(uint32_t key) const;
  void CacheAdd(uint32_t key, uint32_t index);
  void ClearCache();
  size_t CacheSize() const { return cache_.size(); }

 private:
  struct CacheEntry {
    uint32_t key;
    uint32_t index;
  };
  const uint32_t* Square() const { return squares_ + 255; }

  uint32_t paletteSet_ = 0;
  RGBQUAD palette_[256] = {};
  uint32_t count_ = 0;
  uint32_t squares_[511];
  std::vector<CacheEntry> cache_;
};

}  // namespace Pictura
