#include "core/channel_utils.h"

#include <type_traits>

#include "core/allocators.h"
#include "core/operation.h"
#include "core/pictura_buffers.h"
#include "core/row_simd.h"

namespace Pictura {

namespace {
inline size_t At(uint32_t y, uint32_t stride, uint64_t x) {
  return static_cast<size_t>(uint64_t{y} * stride + x);
}
}  // namespace

template <class T>
int CPicImgUtilT<T>::CombineImageChannels(T* const* planes, uint32_t width, uint32_t height,
                                          uint32_t channels, uint32_t planeStride, T* dst,
                                          uint32_t dstStride) {
  if (!planes || !dst || channels == 0) return Fail(kPicErrBadArgument);
  if (static_cast<int32_t>(channels) < 1) return 1;
  if (!StrideHolds(dstStride, uint64_t{width} * channels, height) || !StrideHolds(planeStride, width, height))
    return Fail(kPicErrBadArgument);
  for (uint32_t c = 0; c < channels; ++c) {
    const T* plane = planes[c];
    if (!plane) continue;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        dst[At(y, dstStride, uint64_t{x} * channels + c)] = plane[At(y, planeStride, x)];
  }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::SplitImage(const T* src, uint32_t width, uint32_t height, uint32_t channels,
                                uint32_t srcStride, T* const* planes, uint32_t planeStride) {
  if (!src || !planes || channels == 0) return Fail(kPicErrBadArgument);
  if (static_cast<int32_t>(channels) < 1) return 1;
  if (!StrideHolds(srcStride, uint64_t{width} * channels, height) || !StrideHolds(planeStride, width, height))
    return Fail(kPicErrBadArgument);
  for (uint32_t c = 0; c < channels; ++c) {
    T* plane = planes[c];
    if (!plane) continue;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x)
        plane[At(y, planeStride, x)] = src[At(y, srcStride, uint64_t{x} * channels + c)];
  }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::ShuffleImageChannels(const T* src, uint32_t width, uint32_t height, uint32_t channels,
                                          uint32_t srcStride, T* dst, uint32_t dstStride,
                                          const uint8_t* map) {
  if (!src || !dst || !map || channels == 0 || dstStride == 0 || srcStride == 0)
    return Fail(kPicErrBadArgument);
  // An entry that names no channel (other than 255, keep) is refused like reorder does.
  for (uint32_t i = 0; i < channels; ++i)
    if (map[i] != 255 && map[i] >= channels) return Fail(kPicErrBadArgument);
  const uint64_t row = uint64_t{width} * channels;
  if (!StrideHolds(srcStride, row, height) || !StrideHolds(dstStride, row, height))
    return Fail(kPicErrBadArgument);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const T* s = src + At(y, srcStride, uint64_t{x} * channels);
      T* d = dst + At(y, dstStride, uint64_t{x} * channels);
      for (uint32_t i = 0; i < channels; ++i)
        if (map[i] != 255) d[i] = s[map[i]];
    }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::HorizontalFlip(T* image, uint32_t width, uint32_t height, uint32_t channels,
                                    uint32_t stride) {
  if (!image) return Fail(kPicErrBadArgument);
  PicNestingScope depth;
  PicArray<T> scratch;
  if (!scratch.Resize(stride) || !scratch.Data()) return Fail(kPicErrNoMemory);
  // The mirrored pixels must lie inside the row the stride gives.
  if (!StrideHolds(stride, uint64_t{width} * channels, height)) return Fail(kPicErrBadArgument);
  const bool progress = HasProgressCallback();
  for (uint32_t y = 0; y < height; ++y) {
    T* row = image + At(y, stride, 0);
    std::copy(row, row + stride, scratch.Data());
    for (uint32_t x = 0; x < width; ++x) {
      const T* from = scratch.Data() + uint64_t{width - 1 - x} * channels;
      std::copy(from, from + channels, row + uint64_t{x} * channels);
    }
    if (progress && !PicProgress(y, height)) return Fail(kPicErrCancelled);
  }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::ReorderChannels(T* image, uint32_t width, uint32_t height, uint32_t channels,
                                     uint32_t stride, T* dst, uint32_t dstStride, const uint8_t* order,
                                     uint32_t count) {
  if (!image || !order || count == 0) return Fail(kPicErrBadArgument);
  for (uint32_t i = 0; i < count; ++i)
    if (order[i] >= channels) return Fail(kPicErrBadArgument);
  const uint64_t row = uint64_t{width} * channels;
  if (!StrideHolds(stride, row, height) ||
      (dst && (count > channels || !StrideHolds(dstStride, row, height))))
    return Fail(kPicErrBadArgument);
  PicNestingScope depth;
  if (dst) {
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const T* s = image + At(y, stride, uint64_t{x} * channels);
        T* d = dst + At(y, dstStride, uint64_t{x} * channels);
        for (uint32_t i = 0; i < count; ++i) d[i] = s[order[i]];
      }
    return 1;
  }
  if (count > channels) return Fail(kPicErrBadArgument);
  PicArray<T> gathered;
  if (!gathered.Resize(count)) return Fail(kPicErrNoMemory);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      T* p = image + At(y, stride, uint64_t{x} * channels);
      for (uint32_t i = 0; i < count; ++i) gathered[i] = p[order[i]];
      for (uint32_t i = 0; i < count; ++i) p[i] = gathered[i];
    }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::SetImageChannel(const T* plane, uint32_t width, uint32_t height, uint32_t planeStride,
                                     T* dst, uint32_t dstChannels, uint32_t dstStride, uint32_t channel) {
  if (!plane || !dst || dstChannels == 0 || dstStride == 0 || channel > dstChannels - 1)
    return Fail(kPicErrBadArgument);
  if (!StrideHolds(dstStride, uint64_t{width} * dstChannels, height) ||
      !StrideHolds(planeStride, width, height))
    return Fail(kPicErrBadArgument);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      dst[At(y, dstStride, uint64_t{x} * dstChannels + channel)] = plane[At(y, planeStride, x)];
  return 1;
}

template <class T>
int CPicImgUtilT<T>::CombineRGBAndAToRGBA(const T* rgb, uint32_t width, uint32_t height, uint32_t rgbStride,
                                          const T* alpha, uint32_t alphaStride, T* dst, uint32_t dstStride,
                                          uint32_t defaultAlpha) {
  if (!rgb || !dst) return Fail(kPicErrBadArgument);
  if (!StrideHolds(rgbStride, uint64_t{width} * 3, height) ||
      !StrideHolds(dstStride, uint64_t{width} * 4, height) ||
      (alpha && !StrideHolds(alphaStride, width, height)))
    return Fail(kPicErrBadArgument);
  const T fill = static_cast<T>(defaultAlpha & allOnes);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const T* s = rgb + At(y, rgbStride, uint64_t{x} * 3);
      T* d = dst + At(y, dstStride, uint64_t{x} * 4);
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = alpha ? alpha[At(y, alphaStride, x)] : fill;
    }
  return 1;
}

template <class T>
int CPicImgUtilT<T>::SplitRGBAToRGBPlusA(const T* rgba, uint32_t width, uint32_t height, uint32_t rgbaStride,
                                         T* rgb, uint32_t rgbStride, T* alpha, uint32_t alphaStride) {
  if (!rgba || (!rgb && !alpha)) return Fail(kPicErrBadArgument);
  if (!StrideHolds(rgbaStride, uint64_t{width} * 4, height) ||
      (rgb && !StrideHolds(rgbStride, uint64_t{width} * 3, height)) ||
      (alpha && !StrideHolds(alphaStride, width, height)))
    return Fail(kPicErrBadArgument);
  for (uint32_t y = 0; y < height; ++y) {
    const T* s = rgba + At(y, rgbaStride, 0);
    T* r = rgb ? rgb + At(y, rgbStride, 0) : nullptr;
    T* a = alpha ? alpha + At(y, alphaStride, 0) : nullptr;
    if constexpr (std::is_same_v<T, uint8_t>) {
      if (HasSSE41ForChannels(1)) {
        uint32_t ignored = 0;
        SplitRGBAToRGBPlusARowSIMD(&ignored, s, r, a, width, false);
        continue;
      }
    }
    for (uint32_t x = 0; x < width; ++x) {
      if (r) {
        r[3 * uint64_t{x}] = s[4 * uint64_t{x}];
        r[3 * uint64_t{x} + 1] = s[4 * uint64_t{x} + 1];
        r[3 * uint64_t{x} + 2] = s[4 * uint64_t{x} + 2];
      }
      if (a) a[x] = s[4 * uint64_t{x} + 3];
    }
  }
  return 1;
}

template class CPicImgUtilT<uint8_t>;
template class CPicImgUtilT<uint16_t>;
template class CPicImgUtilT<uint32_t>;
template class CPicImgUtilT<uint64_t>;

namespace {

// Runs f(util) on the instance the sample type selects.
template <class F>
BOOL ForSampleType4(const char* name, uint32_t flags, F&& f) {
  return PicRunEntry<BOOL>(name, [&](uint32_t& err) -> BOOL {
    int r = 0;
    switch (SampleTypeOf(flags)) {
      case 0: {
        CPicImgUtilT<uint8_t> u;
        r = f(u);
        err = u.error;
        break;
      }
      case 1: {
        CPicImgUtilT<uint16_t> u;
        r = f(u);
        err = u.error;
        break;
      }
      case 2: {
        CPicImgUtilT<uint64_t> u;
        r = f(u);
        err = u.error;
        break;
      }
      default: {
        CPicImgUtilT<uint32_t> u;
        r = f(u);
        err = u.error;
        break;
      }
    }
    return r;
  });
}

template <class F>
BOOL ForSampleType2(const char* name, uint32_t flags, F&& f) {
  return PicRunEntry<BOOL>(name, [&](uint32_t& err) -> BOOL {
    int r = 0;
    if (flags & kPicFlag16Bit) {
      CPicImgUtilT<uint16_t> u;
      r = f(u);
      err = u.error;
    } else {
      CPicImgUtilT<uint8_t> u;
      r = f(u);
      err = u.error;
    }
    return r;
  });
}

template <class U>
using SampleOf = decltype(U::allOnes);

}  // namespace
}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_CombineImageChannels(void* const* planes, DWORD width, DWORD height, DWORD channels,
                                     DWORD planeStride, void* dst, DWORD dstStride, DWORD flags) {
  return ForSampleType4("pic_CombineImageChannels", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.CombineImageChannels(reinterpret_cast<T* const*>(planes), width, height, channels, planeStride,
                                  static_cast<T*>(dst), dstStride);
  });
}

BOOL PICAPI pic_SplitImage(const void* src, DWORD width, DWORD height, DWORD channels, DWORD srcStride,
                           void* const* planes, DWORD planeStride, DWORD flags) {
  return ForSampleType4("pic_SplitImage", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.SplitImage(static_cast<const T*>(src), width, height, channels, srcStride,
                        reinterpret_cast<T* const*>(planes), planeStride);
  });
}

BOOL PICAPI pic_ShuffleImageChannels(const void* src, DWORD width, DWORD height, DWORD channels,
                                     DWORD srcStride, void* dst, DWORD dstStride, const BYTE* map,
                                     DWORD flags) {
  return ForSampleType4("pic_ShuffleImageChannels", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.ShuffleImageChannels(static_cast<const T*>(src), width, height, channels, srcStride,
                                  static_cast<T*>(dst), dstStride, map);
  });
}

BOOL PICAPI pic_HorizontalFlipImage(void* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                    DWORD flags) {
  return ForSampleType4("pic_HorizontalFlipImage", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.HorizontalFlip(static_cast<T*>(image), width, height, channels, stride);
  });
}

BOOL PICAPI pic_ReorderChannels(void* image, DWORD width, DWORD height, DWORD channels, DWORD stride,
                                void* dst, DWORD dstStride, const BYTE* order, DWORD count, DWORD flags) {
  return ForSampleType2("pic_ReorderChannels", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.ReorderChannels(static_cast<T*>(image), width, height, channels, stride, static_cast<T*>(dst),
                             dstStride, order, count);
  });
}

BOOL PICAPI pic_SetImageChannel(const void* plane, DWORD width, DWORD height, DWORD planeStride, void* dst,
                                DWORD dstChannels, DWORD dstStride, DWORD channel, DWORD flags) {
  return ForSampleType2("pic_SetImageChannel", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.SetImageChannel(static_cast<const T*>(plane), width, height, planeStride, static_cast<T*>(dst),
                             dstChannels, dstStride, channel);
  });
}

BOOL PICAPI pic_CombineRGBAndAToRGBA(const void* rgb, DWORD width, DWORD height, DWORD rgbStride,
                                     const void* alpha, DWORD alphaStride, void* dst, DWORD dstStride,
                                     DWORD defaultAlpha, DWORD flags) {
  return ForSampleType2("pic_CombineRGBAndAToRGBA", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.CombineRGBAndAToRGBA(static_cast<const T*>(rgb), width, height, rgbStride,
                                  static_cast<const T*>(alpha), alphaStride, static_cast<T*>(dst), dstStride,
                                  defaultAlpha);
  });
}

BOOL PICAPI pic_SplitRGBAToRGBPlusA(const void* rgba, DWORD width, DWORD height, DWORD rgbaStride, void* rgb,
                                    DWORD rgbStride, void* alpha, DWORD alphaStride, DWORD flags) {
  return ForSampleType2("pic_SplitRGBAToRGBPlusA", flags, [&](auto& u) {
    using T = SampleOf<std::remove_reference_t<decltype(u)>>;
    return u.SplitRGBAToRGBPlusA(static_cast<const T*>(rgba), width, height, rgbaStride, static_cast<T*>(rgb),
                                 rgbStride, static_cast<T*>(alpha), alphaStride);
  });
}

}  // extern "C"
