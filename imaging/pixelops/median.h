#pragma once
// Square median filter over interleaved f64 samples: each selected channel
// (flag bit c selects channel c; others are not written) of pixel (x, y)
// becomes the middle sample of the window of side 2 * (k / 2) + 1 around
// it, coordinates outside the image clamped to the edge. k 0 and 1 copy;
// an even k filters with the next odd size (k + 1), so the result is always
// the true median of the window read. NaN sorts above every number.
// Strides and channels count samples. Errors: 5 for null buffers, k below
// 0 or a window over 2^31 samples (over 255 x 255 for bytes); the pool's
// codes. Flag bit 20 keeps the work off the pool. Byte samples (and f64
// images whose samples are all byte values) take histogram and vector
// routes with the same results.

#include <cstdint>

#include "core/operation.h"
#include "core/thread_pool.h"

namespace Pictura {

struct CPicMedianFilter : CPicErrorHolder {
  bool MedianFilterCore(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                        uint32_t sourceStride, double* destination, uint32_t destinationStride, int32_t k,
                        uint32_t flags);
  bool MedianFilterCore(const uint8_t* source, uint32_t width, uint32_t height, uint32_t channels,
                        uint32_t sourceStride, uint8_t* destination, uint32_t destinationStride, int32_t k,
                        uint32_t flags);
};

// The widest byte vectors the filter may use: 1 AVX2 where the processor
// has it (the default), 0 SSE2. Tests lower it to reach every form.
void SetMedianVectorCap(int level);

// Rows band->top .. band->bottom - 1 (all rows when band is null).
void MedianFilterBand(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t sourceStride, double* destination, uint32_t destinationStride, int32_t k,
                      uint32_t flags, const ThreadBand* band);
void MedianFilterBand(const uint8_t* source, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t sourceStride, uint8_t* destination, uint32_t destinationStride, int32_t k,
                      uint32_t flags, const ThreadBand* band);

}  // namespace Pictura
