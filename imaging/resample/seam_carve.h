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
#include "resample/pictura_resample.h"

namespace Pictura {

// Carver state of one call: the tie-break seed and whether the cumulative
// map may use a second thread. The error of the run stays in `error`.
struct SeamCarver {
  uint32_t error = 0;
  uint32_t setting = 0;      // the caller's value: the seed of the tie-breaks
  bool singleThread = false;
};

// Narrows by seamCount columns (at least 3 stay).
bool SeamCarveShrinkCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t bytesPerPixel, uint32_t srcStride, const uint8_t* weight, uint32_t weightStride,
                         uint8_t* dst, uint32_t dstStride, uint32_t seamCount);
// Widens by seamCount columns; every inserted seam raises the energy around
// it by insertionPenalty so that the next ones go elsewhere.
bool SeamCarveCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                   uint32_t srcStride, const uint8_t* weight, uint32_t weightStride, uint8_t* dst,
                   uint32_t dstStride, uint32_t seamCount, uint32_t insertionPenalty);

// Sobel energy of 3- or 4-byte pixels (the first three bytes): per channel
// |Gx| + |Gy| limited to 65535 (a missing neighbour reads the pixel itself), the three summed
// and divided by 3. Rows split over the pool for big pictures (flags bit 20
// keeps them on this thread). 5 below 3 x 3.
bool SobelEnergy(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t srcStride, uint16_t* dst, uint32_t dstStride, uint32_t flags);

}  // namespace Pictura
