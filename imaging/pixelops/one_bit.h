#pragma once
// Grey and RGB images to one bit per pixel (first pixel in the most
// significant bit; a set bit is the brighter class for grey thresholds, the
// darker class for pic_RGBTo1Bit).
//
// Methods of GrayscaleTo1BitCore: 0 fixed (parameter), 1 two peaks, 2 mean,
// 3 iterative intermeans, 4 Otsu, 5 count balance, 6 percentile (parameter
// in hundredths of a percent), 7 entropy criterion, 8 adaptive moving
// average along a serpentine path (parameter: percent below the average in
// hundredths), 9 minimum cross-entropy, 10 minimum error, 11 co-occurrence,
// 12 entropy balance, 13 Renyi entropies. A method gives t (-1: none); grey
// values >= T = min(t + 1, 255) become 1. Other method numbers give T = 0.

#include <cstdint>

namespace Pictura {

// Smallest power of two above n, at least 4 (64-bit, so no n loops forever).
inline uint64_t NextPowerOfTwoAbove(uint64_t n) {
  uint64_t v = 4;
  while (v <= n && v < (uint64_t{1} << 63)) v <<= 1;
  return v;
}

// Counts byte `channel` of every pixel into bins (not cleared). 1, or 0
// with 5 for null buffers.
int ChannelHistogram(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint32_t pixelStep, uint32_t stride, uint32_t channel, uint32_t* bins);
// Clears 256 bins per channel and counts every channel; progress per channel.
int GreyHistogram(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
                  uint32_t stride, uint32_t** histograms);

// The threshold t of a histogram method (0..13 except 8), -1 when none.
int64_t HistogramThreshold(const uint32_t* histogram, uint32_t method, uint32_t parameter);
int64_t CooccurrenceThreshold(const uint8_t* grey, uint32_t width, uint32_t height, uint32_t stride);

// thresholdOnly: *thresholdOut = T and no image is written (method 8: 5).
// 1, or 0 with 5 (null or short buffers), 1 (memory) or 14.
int GrayscaleTo1BitCore(uint32_t* error, const uint8_t* grey, uint8_t* output, uint32_t width,
                        uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t method,
                        uint32_t parameter, uint32_t reserved, uint8_t thresholdOnly, uint8_t* thresholdOut);

// Flags: bit 0 B, G, R bytes; bit 1 through a two-colour palette (else grey
// <= threshold gives 1); bit 2 with bit 1: the fixed white and black palette
// (else an octree palette of the image); bit 3 Floyd-Steinberg diffusion
// (else half right, half below). On the palette paths `threshold` is the
// error limit (0: nearest colour only).
int RGBTo1BitCore(uint32_t* error, const uint8_t* rgb, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint8_t* output, uint32_t dstStride, uint32_t threshold, uint32_t flags);

}  // namespace Pictura
