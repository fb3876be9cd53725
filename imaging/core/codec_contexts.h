#pragma once
// What the per-format entries hand their codec cores: the context records
// of the TGA and PSD cores (each holds the thread's nesting depth up while it
// lives) and the integer resolution the TIFF and PNG writers store.

#include <cmath>
#include <cstdint>

#include "core/allocators.h"
#include "core/numeric.h"
#include "core/thread_context.h"

namespace Pictura {

struct TGACodecContext {
  uint32_t error = 0;
  uint8_t header[18] = {};
  uint8_t extension[495] = {};  // starts with its own size, 495, little-endian
  uint8_t footer[26] = {};
  PicNestingScope depth;
  TGACodecContext() {
    extension[0] = 495 & 255;
    extension[1] = 495 >> 8;
  }
};

struct PSDCodecContext {
  uint32_t error = 0;
  PicArray<unsigned char> resources;  // the image resources of the file read
  PicNestingScope depth;
};

// A resolution as whole numbers, as the writers store it.
struct PicIntResolution {
  uint32_t x = 0;
  uint32_t y = 0;
  uint32_t unit = 0;
};

// x and y truncated (kept within 0 .. 2^32 - 1, NaN as 0), the unit as it is.
inline uint32_t TruncatedResolution(double v) {
  if (!(v > 0)) return 0;
  if (v >= 4294967295.0) return UINT32_MAX;
  return static_cast<uint32_t>(std::trunc(v));
}

// Without a record: 1, 1 and unit 1 (TIFF: no absolute unit).
inline void RoundResolution(PicIntResolution* out, const PicResolutionInfo* info) {
  if (!info) {
    *out = PicIntResolution{1, 1, 1};
    return;
  }
  *out = PicIntResolution{TruncatedResolution(info->x), TruncatedResolution(info->y), info->unit};
}

// Without a record: 1, 1 and unit 0 (PNG: unit unknown).
inline void RoundResolutionPNG(PicIntResolution* out, const PicResolutionInfo* info) {
  RoundResolution(out, info);
  if (!info) out->unit = 0;
}

}  // namespace Pictura
