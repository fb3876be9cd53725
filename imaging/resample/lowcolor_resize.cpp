#include "resample/lowcolor_resize.h"

#include <algorithm>
#include <cstring>

#include "core/color_match.h"
#include "core/operation.h"
#include "core/packed_dib.h"
#include "core/packing.h"
#include "resample/area_average.h"
#include "resample/bicubic_resize.h"
#include "resample/bilinear_resize.h"
#include "resample/decimate_resize.h"
#include "resample/filter_resize.h"
#include "resample/pictura_resample.h"

namespace Pictura {

namespace {

uint32_t Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// A resize method on two byte views; its error word becomes *error.
uint32_t RunMethod(uint32_t* error, CPicResizeBaseT<uint8_t>&& method, const uint8_t* in, uint32_t width,
                   uint32_t height, uint32_t inStride, uint8_t* out, uint32_t outWidth, uint32_t outHeight,
                   uint32_t outStride, uint32_t channels, uint32_t flags) {
  const CPicImgBufExternConst<uint8_t> src(in, width, height, channels, inStride);
  CPicImgBufExtern<uint8_t> dst(out, outWidth, outHeight, channels, outStride);
  const uint32_t result = method.Resize(src, dst, flags);
  *error = method.error;
  return result;
}

// Mode 16 over 8-bit samples made from the source by expand(row, y, out):
// the same bytes as resizing that picture itself.
template <class Expand>
bool BilinearOver(uint32_t* error, uint32_t width, uint32_t height, uint32_t channels, uint8_t* out,
                  uint32_t outWidth, uint32_t outHeight, uint32_t outStride, Expand&& expand) {
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(uint64_t{width} * channels, height, 1, &bytes))
    return Fail(error, kPicErrBadArgument);
  PicArray<uint8_t> wide;
  if (!wide.Resize(static_cast<uint32_t>(bytes))) return Fail(error, kPicErrNoMemory);
  const uint32_t stride = width * channels;
  for (uint32_t y = 0; y < height; ++y) expand(y, wide.Data() + size_t{y} * stride);
  return RunMethod(error, CPicImgResizeBilinearT<uint8_t>(), wide.Data(), width, height, stride, out,
                   outWidth, outHeight, outStride, channels, 0) != 0;
}

bool PalettedChecks(uint32_t* error, const uint8_t* src, const uint8_t* dst, const RGBQUAD* palette,
                    uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh, uint32_t srcStride,
                    uint32_t dstStride) {
  *error = 0;
  if (!src || !dst || !palette || !sw || !sh || !dw || !dh || src == dst || srcStride < sw ||
      dstStride < dw) {
    *error = kPicErrBadArgument;
    return false;
  }
  return true;
}

// Index i's colour; indices past the palette are black.
inline RGBQUAD ColourOf(const RGBQUAD* palette, uint32_t colours, uint8_t i) {
  return i < colours ? palette[i] : RGBQUAD{0, 0, 0, 0};
}

}  // namespace

bool ResizePaletted8(uint32_t* error, uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth,
                     uint32_t srcHeight, const uint8_t* src, uint32_t paletteColours, const RGBQUAD* palette,
                     uint8_t* dst, uint32_t srcStride, uint32_t dstStride) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  if (!PalettedChecks(error, src, dst, palette, srcWidth, srcHeight, dstWidth, dstHeight, srcStride,
                      dstStride))
    return false;
  const uint32_t colours = std::min<uint32_t>(paletteColours, 256);
  if (srcWidth == dstWidth && srcHeight == dstHeight && srcStride == dstStride) {
    for (uint32_t y = 0; y < srcHeight; ++y)
      std::memcpy(dst + size_t{y} * dstStride, src + size_t{y} * srcStride, srcWidth);
    return true;
  }
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(uint64_t{dstWidth} * 3, dstHeight, 1, &bytes)) return Fail(error, kPicErrBadArgument);
  PicArray<uint8_t> rgb;
  if (!rgb.Resize(static_cast<uint32_t>(bytes))) return Fail(error, kPicErrNoMemory);
  const uint32_t rgbStride = dstWidth * 3;
  if (!BilinearOver(error, srcWidth, srcHeight, 3, rgb.Data(), dstWidth, dstHeight, rgbStride,
                    [&](uint32_t y, uint8_t* o) {
                      const uint8_t* s = src + size_t{y} * srcStride;
                      for (uint32_t x = 0; x < srcWidth; ++x, o += 3) {
                        const RGBQUAD q = ColourOf(palette, colours, s[x]);
                        o[0] = q.rgbRed, o[1] = q.rgbGreen, o[2] = q.rgbBlue;
                      }
                    }))
    return false;
  CPicImgColorMatch match;
  match.SetPalette(palette, colours);
  for (uint32_t y = 0; y < dstHeight; ++y) {
    const uint8_t* s = rgb.Data() + size_t{y} * rgbStride;
    uint8_t* o = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < dstWidth; ++x, s += 3) o[x] = match.FindClosest(s[0], s[1], s[2]);
  }
  return true;
}

bool ResizeImage8To24Rows(uint32_t* error, uint32_t dstWidth, uint32_t dstHeight, uint32_t srcWidth,
                          uint32_t srcHeight, const uint8_t* src, const RGBQUAD* palette, uint8_t* dst,
                          uint32_t srcStride, uint32_t dstStride, uint32_t channelOrder) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  if (!PalettedChecks(error, src, dst, palette, srcWidth, srcHeight, dstWidth, dstHeight, srcStride,
                      dstStride))
    return false;
  const bool bgr = channelOrder & 1;
  return BilinearOver(
      error, srcWidth, srcHeight, 3, dst, dstWidth, dstHeight, dstStride, [&](uint32_t y, uint8_t* o) {
        const uint8_t* s = src + size_t{y} * srcStride;
        for (uint32_t x = 0; x < srcWidth; ++x, o += 3) {
          const RGBQUAD& q = palette[s[x]];
          o[0] = bgr ? q.rgbBlue : q.rgbRed, o[1] = q.rgbGreen, o[2] = bgr ? q.rgbRed : q.rgbBlue;
        }
      });
}

bool ResizeImage1To8GrayRows(uint32_t* error, const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight,
                             uint32_t srcStride, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                             uint32_t dstStride, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (!src || !dst || !srcWidth || !srcHeight || !dstWidth || !dstHeight || src == dst ||
      srcStride < (uint64_t{srcWidth} + 7) / 8 || dstStride < dstWidth)
    return Fail(error, kPicErrBadArgument);
  const uint8_t set = (flags & 1) ? 255 : 0;
  return BilinearOver(error, srcWidth, srcHeight, 1, dst, dstWidth, dstHeight, dstStride,
                      [&](uint32_t y, uint8_t* o) {
                        const uint8_t* s = src + size_t{y} * srcStride;
                        for (uint32_t x = 0; x < srcWidth; ++x)
                          o[x] = (s[x >> 3] & (0x80 >> (x & 7))) ? set : static_cast<uint8_t>(255 - set);
                      });
}

// ---------------------------------------------------------------- cores by mode

uint32_t ResizeImage1Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                          uint32_t outWidth, uint32_t outHeight, uint32_t inStride, uint32_t outStride,
                          uint32_t threshold, uint32_t mode, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (mode == kPicResizeDecimate) {
    uint32_t code = 0;
    const bool ok = AreaAverageResample1Bit(&code, in, width, height, inStride, out, outWidth, outHeight,
                                            outStride, threshold, flags);
    *error = code;
    return ok ? 1 : 0;
  }
  if (mode == kPicResizeBilinear) {
    const CPicImgBufExternConst<uint8_t> src(in, width, height, 0, inStride);
    CPicImgBufExtern<uint8_t> dst(out, outWidth, outHeight, 0, outStride);
    CPicImgResizeBilinearT<uint8_t> method;
    const uint32_t result = method.Resize1Bit(src, dst, flags);
    *error = method.error;
    return result;
  }
  return Fail(error, kPicErrBadArgument);
}

uint32_t ResizeImage1To8GrayCore(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height,
                                 uint8_t* out, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                                 uint32_t outStride, uint32_t mode, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (mode <= kPicResizeLastFilter) {
    CPicFilterResize worker;
    const uint32_t result = worker.Resize(in, width, height, out, outWidth, outHeight, 1, mode, inStride,
                                          outStride, nullptr, flags, CPicFilterResize::kOneBit);
    *error = worker.error;
    return result;
  }
  if (mode == kPicResizeDecimate) {
    uint32_t code = 0;
    const bool ok = AreaAverageResample1BitToGray(&code, in, width, height, inStride, out, outWidth,
                                                  outHeight, outStride, flags);
    *error = code;
    return ok ? 1 : 0;
  }
  if (mode == kPicResizeBilinear)
    return ResizeImage1To8GrayRows(error, in, width, height, inStride, out, outWidth, outHeight, outStride,
                                   flags)
               ? 1
               : 0;
  return Fail(error, kPicErrBadArgument);
}

uint32_t ResizeImage8Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint8_t* out,
                          uint32_t outWidth, uint32_t outHeight, uint32_t inStride, uint32_t outStride,
                          const RGBQUAD* palette, uint32_t colours, uint32_t mode, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  switch (mode) {
    case kPicResizeDecimate: {
      uint32_t code = 0;
      const bool ok = AreaAverageResample8Bit(&code, in, width, height, inStride, out, outWidth, outHeight,
                                              outStride, palette, colours, flags);
      *error = code;
      return ok ? 1 : 0;
    }
    case kPicResizeBilinear:
      return ResizePaletted8(error, outWidth, outHeight, width, height, in, colours, palette, out, inStride,
                             outStride)
                 ? 1
                 : 0;
    case kPicResizeNearest:
      return RunMethod(error, CPicSimpleResize<uint8_t>(), in, width, height, inStride, out, outWidth,
                       outHeight, outStride, 1, flags);
    default:
      return Fail(error, kPicErrBadArgument);
  }
}

uint32_t ResizeImage8To24Core(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height,
                              uint8_t* out, uint32_t outWidth, uint32_t outHeight, uint32_t inStride,
                              uint32_t outStride, uint32_t mode, const RGBQUAD* palette, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (mode <= kPicResizeLastFilter) {
    CPicFilterResize worker;
    const uint32_t result = worker.Resize(in, width, height, out, outWidth, outHeight, 3, mode, inStride,
                                          outStride, palette, flags, CPicFilterResize::kPaletted);
    *error = worker.error;
    return result;
  }
  if (mode == kPicResizeDecimate) {
    uint32_t code = 0;
    const bool ok = AreaAverageResample8To24(&code, in, width, height, inStride, out, outWidth, outHeight,
                                             outStride, palette, flags);
    *error = code;
    return ok ? 1 : 0;
  }
  if (mode == kPicResizeBilinear)
    return ResizeImage8To24Rows(error, outWidth, outHeight, width, height, in, palette, out, inStride,
                                outStride, flags & 1)
               ? 1
               : 0;
  return Fail(error, kPicErrBadArgument);
}

// ---------------------------------------------------------------- packed DIBs

namespace {

// Palette indices by the DIB rules: area average when shrinking in both
// directions with mode 14 or 15, nearest with 18, else colour bilinear.
uint32_t ResizeIndices(uint32_t* error, const uint8_t* in, uint32_t width, uint32_t height, uint32_t inStride,
                       uint8_t* out, uint32_t outWidth, uint32_t outHeight, uint32_t outStride,
                       const RGBQUAD* palette, uint32_t colours, uint32_t mode, uint32_t flags,
                       bool shrinking) {
  if ((mode == kPicResizeDecimate || mode == kPicResizeArea) && shrinking)
    return ResizeImage8Core(error, in, width, height, out, outWidth, outHeight, inStride, outStride, palette,
                            colours, kPicResizeDecimate, 0);
  if (mode == kPicResizeNearest)
    return RunMethod(error, CPicSimpleResize<uint8_t>(), in, width, height, inStride, out, outWidth,
                     outHeight, outStride, 1, flags);
  return ResizePaletted8(error, outWidth, outHeight, width, height, in, colours, palette, out, inStride,
                         outStride)
             ? 1
             : 0;
}

uint32_t ResizeDIBPixels(uint32_t* error, const DIBLayout& s, const uint8_t* in, const RGBQUAD* palette,
                         uint8_t* out, uint32_t ow, uint32_t oh, uint32_t outStride, uint32_t mode,
                         uint32_t flags) {
  const uint32_t w = s.width, h = s.height, inStride = static_cast<uint32_t>(s.stride);
  const bool shrinking = w > ow && h > oh;
  switch (s.bits) {
    case 1:
      if ((mode == kPicResizeDecimate || mode == kPicResizeArea) && shrinking)
        return ResizeImage1Core(error, in, w, h, out, ow, oh, inStride, outStride, 128, kPicResizeDecimate,
                                0);
      return ResizeImage1Core(error, in, w, h, out, ow, oh, inStride, outStride, 128, kPicResizeBilinear,
                              flags);
    case 4: {
      PicArray<uint8_t> work, workOut;
      uint64_t a = 0, b = 0;
      if (!PicSizeWithinCap(w, h, 1, &a) || !PicSizeWithinCap(ow, oh, 1, &b) ||
          !work.Resize(static_cast<uint32_t>(a)) || !workOut.Resize(static_cast<uint32_t>(b)))
        return Fail(error, kPicErrNoMemory);
      for (uint32_t y = 0; y < h; ++y)
        UnpackRowTo8Bit(in + size_t{y} * inStride, work.Data() + size_t{y} * w, w, 4);
      if (!ResizeIndices(error, work.Data(), w, h, w, workOut.Data(), ow, oh, ow, palette, s.colours, mode,
                         flags, shrinking))
        return 0;
      return Pack8BitBuffer(error, workOut.Data(), ow, oh, ow, out, 4, 1, outStride) ? 1 : 0;
    }
    case 8:
      return ResizeIndices(error, in, w, h, inStride, out, ow, oh, outStride, palette, s.colours, mode, flags,
                           shrinking);
    default: {
      const uint32_t ch = s.bits / 8;
      auto run = [&](CPicResizeBaseT<uint8_t>&& method) {
        return RunMethod(error, std::move(method), in, w, h, inStride, out, ow, oh, outStride, ch, flags);
      };
      if (mode <= kPicResizeLastFilter) return run(CPicImgFilterResizeT(mode));
      if (mode == kPicResizeDecimate && shrinking) return run(CPicImgDecimateT<uint8_t>());
      if (mode == kPicResizeArea && shrinking) return run(CPicImgDecimateExT<uint8_t>());
      if (mode == kPicResizeBicubic) return run(CPicBicubicResizeT<uint8_t>());
      if (mode == kPicResizeNearest) return run(CPicSimpleResize<uint8_t>());
      return run(CPicImgResizeBilinearT<uint8_t>());
    }
  }
}

}  // namespace

uint32_t ResizeDIBCore(uint32_t* error, const void* dib, uint32_t outWidth, uint32_t outHeight,
                       HGLOBAL* result, uint32_t mode, uint32_t flags) {
  uint32_t dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  if (result) *result = nullptr;
  if (!dib || !result || !outWidth || !outHeight) return Fail(error, kPicErrBadArgument);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biCompression != BI_RGB)
    return Fail(error, kPicErrBadArgument);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return 0;
  const uint32_t bits = layout.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return Fail(error, kPicErrBadArgument);
  const uint8_t* in = DIBPixelStart(error, dib);
  if (!in) return 0;
  const auto* palette =
      bits <= 8 ? reinterpret_cast<const RGBQUAD*>(static_cast<const uint8_t*>(dib) + header->biSize)
                : nullptr;
  HGLOBAL made = AllocDIB(error, outWidth, outHeight, bits, palette, bits <= 8 ? layout.colours : 0);
  if (!made) return 0;
  auto* madeHeader = static_cast<BITMAPINFOHEADER*>(GlobalLock(made));
  // Rows are resized as they lie, so a top-down picture stays top-down.
  if (layout.topDown) madeHeader->biHeight = -madeHeader->biHeight;
  uint8_t* out = DIBPixelStart(error, madeHeader);
  const uint32_t outStride = static_cast<uint32_t>(DIBStride(outWidth, bits));
  if (!out ||
      !ResizeDIBPixels(error, layout, in, palette, out, outWidth, outHeight, outStride, mode, flags) ||
      *error) {
    // A failed method hands nothing back: a half-written picture is no result.
    if (!*error) *error = kPicErrUnexpected;
    FreeGlobalHandle(&made);
    return 0;
  }
  *result = made;
  return 1;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_ResizeImage1(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                             DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD threshold, DWORD mode,
                             DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImage1", [&](uint32_t& err) -> BOOL {
    return ResizeImage1Core(&err, in, width, height, out, outWidth, outHeight, inStride, outStride, threshold,
                            mode, flags) != 0;
  });
}

BOOL PICAPI pic_ResizeImage1To8Gray(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                                    DWORD outWidth, DWORD outHeight, DWORD outStride, DWORD mode,
                                    DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImage1To8Gray", [&](uint32_t& err) -> BOOL {
    return ResizeImage1To8GrayCore(&err, in, width, height, out, outWidth, outHeight, inStride, outStride,
                                   mode, flags) != 0;
  });
}

BOOL PICAPI pic_ResizeImage8(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                             DWORD outWidth, DWORD outHeight, DWORD outStride, const RGBQUAD* palette,
                             DWORD colours, DWORD mode, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImage8", [&](uint32_t& err) -> BOOL {
    return ResizeImage8Core(&err, in, width, height, out, outWidth, outHeight, inStride, outStride, palette,
                            colours, mode, flags) != 0;
  });
}

BOOL PICAPI pic_ResizeImage8To24(const BYTE* in, DWORD width, DWORD height, DWORD inStride, BYTE* out,
                                 DWORD outWidth, DWORD outHeight, DWORD outStride, const RGBQUAD* palette,
                                 DWORD mode, DWORD flags) {
  return PicRunEntry<BOOL>("pic_ResizeImage8To24", [&](uint32_t& err) -> BOOL {
    return ResizeImage8To24Core(&err, in, width, height, out, outWidth, outHeight, inStride, outStride, mode,
                                palette, flags) != 0;
  });
}

}  // extern "C"
