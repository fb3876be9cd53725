// Colour work with sizes, strides, colour counts, methods, flags and pixels
// chosen by the fuzzer, in buffers exactly as large as their last pixel:
// quantisation (octree, pointer octree, median cut, palette mapping),
// one-bit thresholds and paths, grey and swaps, tone operations, the colour
// difference. Every call must refuse or stay inside its buffers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_reader.h"
#include "pictura.h"
#include "pixelops/tone_adjust.h"

namespace {

size_t Extent(uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
  if (!width || !height) return 1;
  return size_t{height - 1} * stride + size_t{width} * bytesPerPixel;
}

// Mostly strides that hold a row; now and then a short one.
uint32_t Stride(FuzzReader& in, uint32_t rowBytes) {
  const uint32_t extra = in.Take(5);
  return rowBytes + extra - (in.Take(16) == 0 && rowBytes + extra > 0);
}

double Real(FuzzReader& in) {
  return (static_cast<int>(in.Take(0)) - 32768) / 8192.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader in{data, size};
  const uint32_t op = in.Take(8);
  const uint32_t w = in.Take(48), h = in.Take(48);
  const uint32_t bpp = op == 1 ? 4 : 3 + in.Take(2);
  const uint32_t ss = Stride(in, w * bpp);
  std::vector<uint8_t> src(Extent(w, h, bpp, ss));
  const uint32_t palette = in.Take(4);  // few colours now and then
  for (uint8_t& v : src) v = static_cast<uint8_t>(palette ? in.Take(0) % palette * 85 : in.Take(256));
  const uint32_t ds = Stride(in, w);
  std::vector<uint8_t> dst(Extent(w, h, 1, ds));
  RGBQUAD pal[256];
  DWORD count = 0;
  const uint32_t colors = in.Take(300), dither = in.Take(2), limit = in.Take(256), flags = in.Take(16);
  switch (op) {
    case 0:
      pic_QuantizeRGBTo8Bit(src.data(), w, h, ss, dst.data(), ds, colors, pal, dither,
                            static_cast<BYTE>(limit),
                            (flags & ~6u) | (bpp == 4 ? 2 : 0) | (in.Take(2) ? 0x100000 : 0));
      break;
    case 1:
      pic_QuantizeRGBATo8Bit(src.data(), w, h, ss, dst.data(), ds, colors, pal, dither, &count, flags & 1);
      break;
    case 2: {
      for (RGBQUAD& q : pal)
        q = RGBQUAD{static_cast<BYTE>(in.Take(256)), static_cast<BYTE>(in.Take(256)),
                    static_cast<BYTE>(in.Take(256)), 0};
      pic_RGBTo8BitDithered(src.data(), w, h, ss, dst.data(), ds, colors, pal, dither,
                            static_cast<BYTE>(limit), (flags & 1) | (bpp == 4 ? 2 : 0));
      pic_Get8BitPaletteFromRGB(src.data(), w, h, ss, colors, pal, &count,
                                (flags & ~6u) | (bpp == 4 ? 2 : 0));
      break;
    }
    case 3: {
      const uint32_t bs = Stride(in, (w + 7) / 8);
      std::vector<uint8_t> bits(Extent((w + 7) / 8, h, 1, bs));
      // The grey image is the source's first w bytes of each row.
      pic_GrayscaleTo1Bit(src.data(), w, h, ss, bits.data(), bs, in.Take(16), in.Take(12000), 0);
      pic_GetGrayscaleTo1BitThreshold(src.data(), w, h, ss, in.Take(16), in.Take(12000), 0);
      if (bpp == 3) pic_RGBTo1Bit(src.data(), w, h, ss, bits.data(), bs, in.Take(300), flags);
      break;
    }
    case 4:
      pic_ImageToGrayScale(src.data(), w, h, bpp, ss, 0);
      pic_ImageToGrayScaleWeighted(src.data(), w, h, bpp, ss, Real(in), Real(in), Real(in), flags & 1);
      pic_ImageToGrayScaleSingleWeighted(src.data(), w, h, bpp, ss, dst.data(), ds, Real(in), Real(in),
                                         Real(in), flags & 1);
      pic_ImageToGrayScale8Bit(src.data(), w, h, bpp, ss, dst.data(), ds, 0x100000);
      if (bpp == 3) pic_RGBToBGR(src.data(), w, h, ss, 0);
      if (bpp == 4) pic_RGBAToBGRA(src.data(), w, h, ss, 0);
      break;
    case 5: {
      uint32_t err = 0;
      const uint32_t channels = in.Take(6);
      const uint32_t ts = Stride(in, w * channels);
      std::vector<uint8_t> img(Extent(w, h, channels, ts), 100);
      Pictura::AdjustBrightnessContrast(&err, img.data(), w, h, Real(in), Real(in), channels, ts,
                                        in.Take(0) & 0x307);
      Pictura::AdjustToneCurve(&err, img.data(), w, h, Real(in), Real(in), Real(in), channels, ts,
                               in.Take(0) & 0x101);
      Pictura::AutoLevels(&err, img.data(), w, h, channels, ts, Real(in) * 40, Real(in) * 40,
                          in.Take(0) & 0x100, static_cast<uint8_t>(in.Take(256)));
      Pictura::EqualizeBrightness(&err, img.data(), w, h, ts, channels, in.Take(300), in.Take(300));
      break;
    }
    default: {
      const double v[6] = {Real(in) * 40, Real(in) * 40, Real(in) * 40, Real(in), Real(in), Real(in)};
      double d = pic_CompareColorsDeltaE(v[0], v[1], v[2], v[3], v[4], v[5], in.Take(5));
      if (std::isnan(d) || d < 0) __builtin_trap();  // a difference is never negative or undefined
      break;
    }
  }
  return 0;
}
