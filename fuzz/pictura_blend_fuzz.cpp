// Blends and filters with sizes, strides, placements, modes, opacities and
// flags chosen by the fuzzer, in buffers exactly as large as their last
// pixel: overlays at 8 and 16 bits (general and vector paths), RGBA over
// RGB, solid colours through masks and rectangles, the byte-wise blends, and
// the median filter over bytes and f64 samples, and the placement of 1-, 4-,
// 8-bit and RGB images onto each other. Every call must refuse or stay
// inside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_reader.h"
#include "pictura.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/logical_blend.h"
#include "pixelops/median.h"
#include "pixelops/overlay.h"
#include "pixelops/placement.h"

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

double Opacity(FuzzReader& in) {
  return (static_cast<int>(in.Take(0)) - 8192) / 32768.0;
}

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
  const uint32_t op = in.Take(8);
  const uint32_t w = in.Take(40), h = in.Take(40), ch = 1 + in.Take(4);
  const uint32_t flags = (in.Take(0) & 0x7) | (in.Take(2) ? 0x100000u : 0u);
  uint32_t error = 0;
  switch (op) {
    case 0:
    case 1: {  // overlays, 8 or 16 bits
      const uint32_t sw = in.Take(40), sh = in.Take(40);
      const int32_t x = static_cast<int32_t>(in.Take(0)) % 64 - 32,
                    y = static_cast<int32_t>(in.Take(0)) % 64 - 32;
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
      BlendSolidColorThroughMask(&error, image.data(), w, h, bpp, stride, mask.data(), mw, mh, ms, color, x,
                                 y, in.Take(64));
      if (bpp == 4)  // these two take 4-byte pixels only
        BlendColorThroughMaskRGBA(&error, image.data(), w, h, stride, mask.data(), mw, mh, ms, color, x, y,
                                  in.Take(32));
      BlendSolidColorRect(&error, image.data(), w, h, bpp, stride, x, y,
                          x + static_cast<int32_t>(in.Take(60)), y + static_cast<int32_t>(in.Take(60)), color,
                          Opacity(in), in.Take(8));
      if (bpp == 4) AlphaBlendSolidColorCore(&error, image.data(), w, h, stride, color, in.Take(2));
      std::vector<uint8_t> feather(size_t{mw} * mh + 1);  // width x height bytes, no stride
      MakeFeatherMask(&error, feather.data(), mw, mh, Opacity(in));
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
    case 7: {  // placement: 1-, 4-, 8-bit, RGB and RGBA images onto each other, clipped
      // Bits a pixel of the destination and the source of each routine (0:
      // 1 to 4 bytes, chosen below).
      static const uint8_t kBits[11][2] = {{1, 1}, {4, 4}, {32, 8}, {1, 1}, {8, 1}, {32, 24},
                                           {0, 8}, {8, 8}, {8, 8},  {0, 1}, {0, 24}};
      const uint32_t routine = in.Take(11), bytes = 1 + in.Take(4);
      const uint32_t sw = in.Take(40), sh = in.Take(40);
      const int32_t x = static_cast<int32_t>(in.Take(100)) - 50, y = static_cast<int32_t>(in.Take(100)) - 50;
      const uint32_t dbits = kBits[routine][0] ? kBits[routine][0] : 8 * bytes, sbits = kBits[routine][1];
      const uint32_t drow = (w * dbits + 7) / 8, srow = (sw * sbits + 7) / 8, mrow = (sw + 7) / 8;
      const uint32_t ds = Stride(in, drow), ss = Stride(in, srow), ms = Stride(in, mrow);
      std::vector<uint8_t> dst(Extent(drow, h, 1, ds)), src(Extent(srow, sh, 1, ss)),
          mask(Extent(mrow, sh, 1, ms));
      Fill(in, dst), Fill(in, src), Fill(in, mask);
      RGBQUAD palette[256];
      for (RGBQUAD& e : palette) {
        const uint32_t v = in.Take(0) << 16 | in.Take(0);
        e = RGBQUAD{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
      }
      const uint32_t count = in.Take(300), key = in.Take(0) << 16 | in.Take(0), index = in.Take(257);
      const uint32_t tolerance = in.Take(0) * 3, f = in.Take(32), colour = in.Take(0) << 16 | in.Take(0);
      const double opacity = Opacity(in);
      uint8_t* d = dst.data();
      const uint8_t* s = src.data();
      switch (routine) {
        case 0:
          PlaceImage1Bit(&error, d, w, h, ds, s, sw, sh, ss, x, y, f);
          break;
        case 1:
          PlaceImage4Bit(&error, d, w, h, ds, s, sw, sh, ss, x, y, f);
          break;
        case 2:
          PlaceImage8BitOnRGBA(&error, d, w, h, ds, s, sw, sh, ss, palette, x, y, index, f);
          break;
        case 3:
          PlaceImage1BitMasked(&error, d, w, h, ds, s, sw, sh, ss, x, y, mask.data(), ms, f);
          break;
        case 4:
          PlaceImage1BitOnPaletted(&error, d, w, h, ds, s, sw, sh, ss, x, y, palette, count, colour, key, f);
          break;
        case 5:
          PlaceRGBOnRGBA(&error, d, w, h, ds, s, sw, sh, ss, x, y, opacity, f);
          break;
        case 6:
          PlaceImage8BitWithOpacity(&error, d, w, h, ds, s, sw, sh, ss, x, y, palette, bytes, opacity, index,
                                    f);
          break;
        case 7:
          PlaceImage8BitOnPaletted(&error, d, w, h, ds, s, sw, sh, ss, x, y, palette, count,
                                   in.Take(2) ? palette : nullptr, opacity, index, f);
          break;
        case 8:
          PlaceImage8BitOnPalettedByAlpha(&error, d, w, h, ds, s, sw, sh, ss, x, y, palette, count, f);
          break;
        case 9:
          PlaceImage1BitOnRGB(&error, d, w, h, ds, s, sw, sh, ss, x, y, palette, bytes, f);
          break;
        default:
          PlaceRGBOnRGBKeyed(&error, d, w, h, ds, s, sw, sh, ss, x, y, bytes, opacity, key, tolerance, f);
          break;
      }
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
