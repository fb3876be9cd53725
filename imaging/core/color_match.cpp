#include "core/color_match.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Pictura {

CPicImgColorMatch::CPicImgColorMatch() {
  for (int k = 0; k < 511; ++k) squares_[k] = static_cast<uint32_t>((k - 255) * (k - 255));
  ClearCache();
}

void CPicImgColorMatch::SetPalette(const RGBQUAD* palette, uint32_t count) {
  if (palette) {
    paletteSet_ = 1;
    count_ = std::min<uint32_t>(count, 256);  // never more than the table holds
    std::memcpy(palette_, palette, count_ * sizeof(RGBQUAD));
  }
  ClearCache();
}

uint8_t CPicImgColorMatch::FindClosest(uint8_t red, uint8_t green, uint8_t blue) {
  if (!paletteSet_) return 0;
  const uint32_t key = static_cast<uint32_t>(blue) << 16 | static_cast<uint32_t>(green) << 8 | red;
  uint32_t cached = CacheFind(key);
  if (cached != 0xFFFFFFFFu) return static_cast<uint8_t>(cached);
  const uint32_t* sq = Square();
  uint32_t best = 0x30000, bestIndex = 0;
  for (uint32_t i = 0; i < count_; ++i) {
    const RGBQUAD& p = palette_[i];
    uint32_t d = sq[p.rgbGreen - green] + sq[p.rgbBlue - blue] + sq[p.rgbRed - red];
    if (d < best) {
      best = d;
      bestIndex = i;
      if (d == 0) break;
    }
  }
  CacheAdd(key, bestIndex);
  return static_cast<uint8_t>(bestIndex);
}

uint32_t CPicImgColorMatch::CacheFind(uint32_t key) const {
  for (const CacheEntry& e : cache_)
    if (e.key == key) return e.index;
  return 0xFFFFFFFFu;
}

void CPicImgColorMatch::CacheAdd(uint32_t key, uint32_t index) {
  if (cache_.size() >= 255) cache_.clear();
  if (cache_.size() < cache_.capacity()) cache_.push_back(CacheEntry{key, index});
}

void CPicImgColorMatch::ClearCache() {
  cache_.clear();
  try {
    cache_.reserve(256);
  } catch (const std::bad_alloc&) {
    // Without room the matcher still answers, only without a cache.
  }
}

}  // namespace Pictura
