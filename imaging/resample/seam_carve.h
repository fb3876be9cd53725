#pragma once
// Seam carving: content-aware change of an image's width. Vertical seams of
// least energy (Sobel gradient magnitude, biased by an optional weight
// image: above 128 protects, below sacrifices) are removed to narrow the
// picture or duplicated to widen it.
//
// Ties between equal paths are broken by a small generator seeded with the
// caller's setting, so the same call gives the same picture everywhere.

#include <cstdint>

#include "core/picapi.h"
#include "core/thread_pool.h"
#include "resample/pictura_resample.h"

namespace Pictura {

// Carver state of one call: the tie-break seed and whether the cumulative
// map may use a second thread. The error of the run stays in `error`.
struct SeamCarver {
  uint32_t error = 0;
  uint32_t setting = 0;  // the caller's value: the seed of the tie-breaks
  bool singleThread = false;
};

// Narrows by seamCount columns (at least 3 stay).
bool SeamCarveShrinkCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t bytesPerPixel, uint32_t srcStride, const uint8_t* weight,
                         uint32_t weightStride, uint8_t* dst, uint32_t dstStride, uint32_t seamCount);
// Widens by seamCount columns; every inserted seam raises the energy around
// it by insertionPenalty so that the next ones go elsewhere.
bool SeamCarveCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height,
                   uint32_t bytesPerPixel, uint32_t srcStride, const uint8_t* weight, uint32_t weightStride,
                   uint8_t* dst, uint32_t dstStride, uint32_t seamCount, uint32_t insertionPenalty);

// The Sobel pass: per pixel and colour channel (the first three bytes)
// |Gx| + |Gy|, a missing neighbour reading the pixel itself, the three
// channels' values summed and divided by 3. The plain rows (flags bit 8)
// limit each channel's value to high; the clamped rows to [low, high]. Rows
// split over the pool for big pictures (flags bit 20 keeps them here).
// 5 below 3 x 3, with other than 3 or 4 bytes a pixel, or low above high.
template <class In, class Out>
class CPicSobelFilter;

template <>
class CPicSobelFilter<uint8_t, uint16_t> {
 public:
  enum : uint32_t { kPlainRows = 0x100 };
  struct sobThreadData : CPicThreadData {
    const uint8_t* src = nullptr;
    uint16_t* dst = nullptr;
    uint32_t width = 0, height = 0, bpp = 0, flags = 0, low = 0, high = 65535;
    size_t srcStride = 0, dstStride = 0;  // dstStride in samples
    ThreadBand band;
  };
  bool Apply(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
             uint16_t* dst, uint32_t dstStride, uint32_t flags);
  static uint32_t FilterRows(sobThreadData& job);
  static uint32_t FilterRowsClamped(sobThreadData& job);
  static uint32_t ThreadProc(CPicThreadData* record);

  uint32_t error = 0;
  uint32_t low = 0, high = 65535;
};

// The plain rows with high 65535, as the seam carver runs them.
bool SobelEnergy(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t srcStride, uint16_t* dst, uint32_t dstStride, uint32_t flags);

}  // namespace Pictura
