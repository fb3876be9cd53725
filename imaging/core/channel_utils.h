#pragma once
// Channel operations on interleaved images, per sample type. Strides count
// samples of T. Every member returns 1 or 0 and leaves its code in error.

#include <cstdint>

namespace Pictura {

template <class T>
class CPicImgUtilT {
 public:
  T allOnes = static_cast<T>(~T{0});
  uint32_t error = 0;

  int CombineImageChannels(T* const* planes, uint32_t width, uint32_t height, uint32_t channels,
                           uint32_t planeStride, T* dst, uint32_t dstStride);
  int SplitImage(const T* src, uint32_t width, uint32_t height, uint32_t channels, uint32_t srcStride,
                 T* const* planes, uint32_t planeStride);
  int ShuffleImageChannels(const T* src, uint32_t width, uint32_t height, uint32_t channels,
                           uint32_t srcStride, T* dst, uint32_t dstStride, const uint8_t* map);
  int HorizontalFlip(T* image, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride);
  int ReorderChannels(T* image, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride, T* dst,
                      uint32_t dstStride, const uint8_t* order, uint32_t count);
  int SetImageChannel(const T* plane, uint32_t width, uint32_t height, uint32_t planeStride, T* dst,
                      uint32_t dstChannels, uint32_t dstStride, uint32_t channel);
  int CombineRGBAndAToRGBA(const T* rgb, uint32_t width, uint32_t height, uint32_t rgbStride, const T* alpha,
                           uint32_t alphaStride, T* dst, uint32_t dstStride, uint32_t defaultAlpha);
  int SplitRGBAToRGBPlusA(const T* rgba, uint32_t width, uint32_t height, uint32_t rgbaStride, T* rgb,
                          uint32_t rgbStride, T* alpha, uint32_t alphaStride);

 private:
  int Fail(uint32_t code) {
    error = code;
    return 0;
  }
};

// (flags >> 9) & 3: 0 1-byte, 1 2-byte, 2 8-byte, 3 4-byte samples.
inline uint32_t SampleTypeOf(uint32_t flags) {
  return (flags >> 9) & 3;
}

// True when rows of rowSamples fit a stride (always true with no rows).
inline bool StrideHolds(uint64_t stride, uint64_t rowSamples, uint32_t height) {
  return height == 0 || stride >= rowSamples;
}

extern template class CPicImgUtilT<uint8_t>;
extern template class CPicImgUtilT<uint16_t>;
extern template class CPicImgUtilT<uint32_t>;
extern template class CPicImgUtilT<uint64_t>;

}  // namespace Pictura
