// Blends and filters with sizes, strides, placements, modes, opacities and
// flags chosen by the fuzzer, in buffers exactly as large as their last
// pixel: overlays at 8 and 16 bits (general and vector paths), RGBA over
// RGB, solid colours through masks and rectangles, the byte-wise blends, and
// the median filter over bytes and f64 samples. Every call must refuse or
// stay inside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_reader.h"
#include "pictura.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/logical_blend.h"
#include "pixelops/median.h"
#include "pixelops/overlay.h"

using namespace Pictura;

namespace {

size_t Extent(uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
  if (!width || !height) return 1;
  return size_t{height - 1} * stride + size_t{width} * bytesPerPixel;
}

uint32_t Stride(FuzzReader& in, uint32_t rowBytes) {
  const uint32_t extra = in.Take(5);
  return rowBytes + extra - (in.Take(16) == 0 && rowBytes + extra > 0);
}

double Opacity(FuzzReader& in) { return (static_cast<int>(in.Take(0)) - 8192) / 32768.0; }

template <class T>
void Fill(FuzzReader& in, std::vector<T>& v) {
  const uint32_t few = in.Take(4);
  for (T& s : v) s = static_cast<T>(few ? in.Take(0) % few * 85 : in.Take(0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = pic_Initialize(nullptr);
  (void)started;
  FuzzReader in{data, size};
  const uint32_t op = in.Take(7);
  const uint32_t w = in.Take(40), h = in.Take(40), ch = 1 + in.Take(4);
  const uint32_t flags = (in.Take(0) & 0x7) | (in.Take(2) ? 0x100000u : 0u);
  uint32_t error = 0;
  switch (op) {
    case 0:
    case 1: {  // overlays, 8 or 16 bits
      const uint32_t sw = in.Take(40), sh = in.Take(40);
      const int32_t x = static_cast<int32_t>(in.Take(0)) % 64 - 32, y = static_cast<int32_t>(in.Take(0)) % 64 - 32;
      const double opacity = Opacity(in), k = Opacity(in);
      const uint32_t mode = in.Take(kOverlayModeCount + 2);
      if (op == 0) {
        CPicImgBuf<uint8_t> dst(w, h, ch, Stride(in, w * ch)), src(sw, sh, ch, Stride(in, sw * ch));
        std::vector<uint8_t> fill(size_t{sh} * src.stride);
        Fill(in, fill);
        if (src.Pixels()) std::copy(fill.begin(), fill.end(), src.Pixels());
        OverlayImage8bpc(&error, dst, src, x, y, opacity, k, mode, flags);
        CPicSIMDLogicalBufBlendSSE blend;
        OverlayImageSIMD(&error, dst, src, x, y, &blend, in.Take(2) ? 1.0 : opacity, mode, flags);
        if (ch == 4 || in.Take(2)) OverlayRGBAOnRGB(&error, dst, src, x, y, opacity, in.Take(7), flags);
      } else {
        CPicImgBuf<uint16_t> dst(w, h, ch, Stride(in, w * ch)), src(sw, sh, ch, Stride(in, sw * ch));
        std::vector<uint16_t> fill(size_t{sh} * src.stride);
        Fill(in, fill);
        if (src.Pixels()) std::copy(fill.begin(), fill.end(), src.Pixels());
        OverlayImage16bpc(&error, dst, src, x, y, opacity, k, mode, flags);
      }
      break;
    }
    case 2: {  // solid colours through masks and rectangles
      const uint32_t bpp = 1 + in.Take(4), stride = Stride(in, w * bpp);
      std::vector<uint8_t> image(Extent(w, h, bpp, stride));
      const uint32_t mw = in.Take(40), mh = in.Take(40), ms = Stride(in, mw);
      std::vector<uint8_t> mask(Extent(mw, mh, 1, ms));
      Fill(in, image), Fill(in, mask);
      const uint32_t color = in.Take(0) << 16 | in.Take(0);
      const int32_t x = static_cast<int32_t>(in.Take(80)) - 40, y = static_cast<int32_t>(in.Take(80)) - 40;
      BlendSolidColorThroughMask(&error, image.data(), w, h, bpp, stride, mask.data(), mw, mh, ms, color, x, y,
                                 in.Take(64));
      if (bpp == 4)  // these two take 4-byte pixels only
        BlendColorThroughMaskRGBA(&error, image.data(), w, h, stride, mask.data(), mw, mh, ms, color, x, y,
                                  in.Take(32));
      BlendSolidColorRect(&error, image.data(), w, h, bpp, stride, x, y, x + static_cast<int32_t>(in.Take(60)),
                          y + static_cast<int32_t>(in.Take(60)), color, Opacity(in), in.Take(8));
      if (bpp == 4) AlphaBlendSolidColorCore(&error, image.data(), w, h, stride, color, in.Take(2));
      MakeFeatherMask(&error, mask.data(), mw, mh, Opacity(in));
      break;
    }
    case 3: {  // byte-wise blends
      const uint32_t n = in.Take(300);
      std::vector<uint8_t> dst(n + 1), src(n + 1);
      Fill(in, dst), Fill(in, src);
      CPicSIMDLogicalBufBlendSSE blend;
      const double opacity = Opacity(in);
      blend.And(dst.data(), src.data(), n), blend.Or(dst.data(), src.data(), n);
      blend.Xor(dst.data(), src.data(), n), blend.Max(dst.data(), src.data(), n);
      blend.Min(dst.data(), src.data(), n), blend.AddSaturate(dst.data(), src.data(), n);
      blend.SubSaturate(dst.data(), src.data(), n), blend.SubReverseSaturate(dst.data(), src.data(), n);
      blend.AbsDifference(dst.data(), src.data(), n), blend.AlphaBlend(dst.data(), src.data(), n, opacity);
      break;
    }
    default: {  // median over bytes or f64 (byte values or not)
      const int32_t k = static_cast<int32_t>(in.Take(0) % 40) - 2;
      const uint32_t ss = Stride(in, w * ch), ds = Stride(in, w * ch), pick = in.Take(0) | (op & 1);
      CPicMedianFilter filter;
      if (op == 4) {
        std::vector<uint8_t> src(Extent(w, h, ch, ss)), dst(Extent(w, h, ch, ds));
        Fill(in, src);
        filter.MedianFilterCore(src.data(), w, h, ch, ss, dst.data(), ds, k, pick | flags);
      } else {
        std::vector<double> src(Extent(w, h, ch, ss)), dst(Extent(w, h, ch, ds));
        Fill(in, src);
        if (op == 6 && !src.empty()) src[in.Take(0) % src.size()] = 0.5;
        filter.MedianFilterCore(src.data(), w, h, ch, ss, dst.data(), ds, k, pick | flags);
      }
      break;
    }
  }
  return 0;
}
