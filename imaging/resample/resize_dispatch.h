#pragma once
// The resize cores behind pic_ResizeImage and pic_ResizeImageDouble: choose
// the method by mode and sample type, run it, leave its code in *error
// (always written). Strides are in samples (bytes for the 8-bit core).

#include <cstdint>

namespace Pictura {

uint32_t ResizeImageCore(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                         uint32_t channels, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                         uint32_t outStride, uint32_t mode, uint32_t flags);
uint32_t ResizeImage16Core(uint32_t* error, const uint16_t* in, uint32_t width, uint32_t height,
                           uint16_t* out, uint32_t channels, uint32_t outWidth, uint32_t outHeight,
                           uint32_t inStride, uint32_t outStride, uint32_t mode, uint32_t flags);
uint32_t ResizeImageDoubleCore(uint32_t* error, const double* in, uint32_t width, uint32_t height,
                               double* out, uint32_t channels, uint32_t outWidth, uint32_t outHeight,
                               uint32_t inStride, uint32_t outStride, uint32_t mode, uint32_t flags);

}  // namespace Pictura
