#pragma once
// Grey conversion and red-blue swaps of interleaved RGB images of 3 or 4
// samples per pixel, 8 or 16 bits (16-bit strides count samples). Flags bit
// 0: samples B, G, R. A fourth sample is never touched. Each returns 1, or
// 0 with 5 (null buffers, other pixel sizes, short strides) in *error.
//
// Luma: trunc(0.587 G + 0.299 R + 0.114 B) in doubles. Weighted: integer
// weights trunc(1024 w), (R iR + G iG + B iB) >> 10 in 32-bit unsigned
// arithmetic, the low 8 or 16 bits kept (weights summing past 1 wrap).

#include <cstdint>

namespace Pictura {

template <class T>
int ImageToGrayScaleLuma(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t samples,
                         uint32_t stride, uint32_t flags);
template <class T>
int ImageToGrayScaleWeighted(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t samples,
                             uint32_t stride, double wR, double wG, double wB, uint32_t flags);
// One-channel result in dst; row bands on the pool for big images unless
// flags has kPicFlagNoThreads.
template <class T>
int ImageToGrayScaleSingleWeighted(uint32_t* error, const T* src, uint32_t width, uint32_t height,
                                   uint32_t samples, uint32_t srcStride, uint32_t dstStride, double wR,
                                   double wG, double wB, uint32_t flags, T* dst);
// 16-bit one-channel image of (601 G + 306 R + 117 B) >> 10; row bands on
// the pool for tall images unless flags has kPicFlagNoThreads.
int ImageToGrayScale8BitCore(uint32_t* error, const uint16_t* src, uint32_t width, uint32_t height,
                             uint32_t samples, uint32_t srcStride, uint32_t dstStride, uint32_t flags,
                             uint16_t* dst);
// Tests: 0 keeps the grey rows to 16-byte vectors, 1 (the default) lets
// them take 32-byte ones where the processor has them.
void SetGreyVectorCap(int level);
// Samples 0 and 2 of every pixel of `samples` (3 or 4) exchanged.
template <class T>
int SwapRB(uint32_t* error, T* bits, uint32_t width, uint32_t height, uint32_t stride, uint32_t samples);

}  // namespace Pictura
