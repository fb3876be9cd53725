#include "resample/resize_dispatch.h"

#include "core/operation.h"
#include "resample/pictura_resample.h"
#include "resample/bicubic_resize.h"
#include "resample/bilinear_resize.h"
#include "resample/decimate_resize.h"
#include "resample/filter_resize.h"

namespace Pictura {

namespace {

template <class T>
uint32_t Run(uint32_t* error, CPicResizeBaseT<T>&& method, const CPicImgBufBase<T>& src,
             CPicImgBufBase<T>& dst, uint32_t flags) {
  const uint32_t result = method.Resize(src, dst, flags);
  *error = method.error;
  return result;
}

// Modes 14 to 18 for every sample type; wholeMultiple: mode 15 takes block
// decimation when the sizes divide exactly.
template <class T>
uint32_t Dispatch(uint32_t* error, const T* in, uint32_t width, uint32_t height, T* out, uint32_t channels,
                  uint32_t outWidth, uint32_t outHeight, uint32_t inStride, uint32_t outStride, uint32_t mode,
                  uint32_t flags, bool wholeMultiple) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  const CPicImgBufExternConst<T> src(in, width, height, channels, inStride);
  CPicImgBufExtern<T> dst(out, outWidth, outHeight, channels, outStride);
  switch (mode) {
    case kPicResizeDecimate:
      return Run(error, CPicImgDecimateT<T>(), src, dst, flags);
    case kPicResizeArea:
      if (!outWidth || !outHeight) {
        *error = kPicErrBadArgument;
        return 0;
      }
      if (wholeMultiple && width % outWidth == 0 && height % outHeight == 0)
        return Run(error, CPicImgDecimateT<T>(), src, dst, flags);
      return Run(error, CPicImgDecimateExT<T>(), src, dst, flags);
    case kPicResizeBilinear:
      return Run(error, CPicImgResizeBilinearT<T>(), src, dst, flags);
    case kPicResizeBicubic:
      return Run(error, CPicBicubicResizeT<T>(), src, dst, flags);
    case kPicResizeNearest:
      return Run(error, CPicSimpleResize<T>(), src, dst, flags);
    default:
      *error = kPicErrBadArgument;
      return 0;
  }
}

}  // namespace

uint32_t ResizeImageCore(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                         uint32_t channels, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                         uint32_t outStride, uint32_t mode, uint32_t flags) {
  if (mode <= kPicResizeLastFilter) {
    uint32_t dummy = 0;
    if (!error) error = &dummy;
    const CPicImgBufExternConst<uint8_t> src(in, width, height, channels, inStride);
    CPicImgBufExtern<uint8_t> dst(out, outWidth, outHeight, channels, outStride);
    return Run(error, CPicImgFilterResizeT(mode), src, dst, flags);
  }
  return Dispatch(error, in, width, height, out, channels, outWidth, outHeight, inStride, outStride, mode,
                  flags, true);
}

uint32_t ResizeImage16Core(uint32_t* error, const uint16_t* in, uint32_t width, uint32_t height,
                           uint16_t* out, uint32_t channels, uint32_t outWidth, uint32_t outHeight,
                           uint32_t inStride, uint32_t outStride, uint32_t mode, uint32_t flags) {
  return Dispatch(error, in, width, height, out, channels, outWidth, outHeight, inStride, outStride, mode,
                  flags, false);
}

uint32_t ResizeImageDoubleCore(uint32_t* error, const double* in, uint32_t width, uint32_t height,
                               double* out, uint32_t channels, uint32_t outWidth, uint32_t outHeight,
                               uint32_t inStride, uint32_t outStride, uint32_t mode, uint32_t flags) {
  return Dispatch(error, in, width, height, out, channels, outWidth, outHeight, inStride, outStride, mode,
                  flags, true);
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_ResizeImage(const void* in, DWORD width, DWORD height, DWORD inStride, void* out,
                            DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD channels, DWORD mode,
                            DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImage", [&](uint32_t& err) -> BOOL {
    if (flags & 1)
      return ResizeImage16Core(&err, static_cast<const uint16_t*>(in), width, height,
                               static_cast<uint16_t*>(out), channels, outWidth, outHeight, inStride,
                               outStride, mode, flags) != 0;
    return ResizeImageCore(&err, static_cast<const uint8_t*>(in), width, height, static_cast<uint8_t*>(out),
                           channels, outWidth, outHeight, inStride, outStride, mode, flags) != 0;
  });
}

BOOL PICAPI pic_ResizeImageDouble(const double* in, DWORD width, DWORD height, DWORD inStride, double* out,
                                  DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD channels,
                                  DWORD mode, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImageDouble", [&](uint32_t& err) -> BOOL {
    return ResizeImageDoubleCore(&err, in, width, height, out, channels, outWidth, outHeight, inStride,
                                 outStride, mode, flags) != 0;
  });
}

}  // extern "C"
