#pragma once
// Grey conversion of RGB images and the Otsu threshold the generic reader
// uses on its way to a 1-bit image.

#include <cstdint>

namespace Pictura {

// grey = (601 G + 306 R + 117 B) >> 10 for 3 or 4 bytes per pixel (the
// fourth byte ignored); flags bit 0: source bytes B, G, R. Large images run
// in row bands on the library's pool (unless flags has kPicFlagNoThreads). 1, or 0
// with 5 (null buffers, other pixel sizes, strides too short) or a pool code.
bool RGBToGray8(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                uint32_t srcStride, uint32_t dstStride, uint32_t flags, uint8_t* dst);

// Otsu's threshold of a grey image: pixels at or above it are the brighter
// class (0 when the image has a single grey value).
uint32_t OtsuThreshold(const uint8_t* grey, uint32_t width, uint32_t height, uint32_t stride);

// Grey to packed bits (most significant bit first): 1 where grey >= threshold.
bool GreyToBits(uint32_t* error, const uint8_t* grey, uint32_t width, uint32_t height, uint32_t greyStride,
                uint32_t threshold, uint8_t* bits, uint32_t bitsStride);

}  // namespace Pictura
