// Drawing with sizes, strides, pixel sizes, coordinates, radii, widths,
// end styles, seeds and flags chosen by the fuzzer, in buffers exactly as
// large as their last pixel: polygon fills (plain, blended, patterned,
// anti-aliased, 1-bit, 16-bit), lines, ellipses, thick lines, flood fills
// and region masks. Every call must refuse or stay inside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_reader.h"
#include "pixelops/drawing.h"

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

// Mostly near the image, now and then far off or huge.
double Coord(FuzzReader& in) {
  const double v = (static_cast<int>(in.Take(0)) - 32768) / 256.0;
  return in.Take(16) == 0 ? v * 1e7 : v;
}
int32_t Int(FuzzReader& in) {
  const int32_t v = static_cast<int32_t>(in.Take(0)) - 32768;
  return in.Take(16) == 0 ? v * 65536 : v % 80;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReader in{data, size};
  const uint32_t op = in.Take(7);
  const uint32_t w = in.Take(48), h = in.Take(48), bpp = 1 + in.Take(4), stride = Stride(in, w * bpp);
  std::vector<uint8_t> img(Extent(w, h, bpp, stride));
  for (uint8_t& v : img) v = static_cast<uint8_t>(in.Take(4) * 85);
  const uint32_t color = in.Take(0) << 16 | in.Take(0), flags = in.Take(16);
  const double opacity = Coord(in) / 16;
  uint32_t error = 0;
  switch (op) {
    case 0: {  // polygons
      std::vector<double> v(2 * (in.Take(8) + 1));
      for (double& c : v) c = Coord(in);
      const uint32_t n = uint32_t(v.size() / 2);
      std::vector<uint8_t> pattern(3 * 4 * 4, 7);
      FillPolygon(&error, img.data(), w, h, bpp, stride, v.data(), n, in.Take(2) ? pattern.data() : nullptr,
                  3, 4, 3 * 4, color, opacity, nullptr, 0, flags);
      FillPolygon1Bit(&error, img.data(), w, h, stride, v.data(), n, color & 1);
      std::vector<uint16_t> deep(Extent(w, h, bpp, stride));
      const uint16_t c16[4] = {1, 2, 3, 4};
      FillPolygon16bpc(&error, deep.data(), w, h, bpp, stride, v.data(), n, c16, opacity, flags);
      break;
    }
    case 1:
      DrawLine(&error, img.data(), w, h, bpp, stride, color, Int(in), Int(in), Int(in), Int(in), flags);
      break;
    case 2:
    case 3: {  // ellipses
      const int32_t cx = Int(in), cy = Int(in), rx = Int(in), ry = Int(in);
      DrawEllipse(&error, img.data(), w, h, bpp, stride, cx, cy, rx, ry, color, flags);
      DrawEllipse1Bit(&error, img.data(), w, h, stride, cx, cy, rx, ry, color & 1);
      FillEllipse(&error, img.data(), w, h, bpp, stride, cx, cy, rx, ry, color, opacity, nullptr, 0,
                  flags & 3);
      break;
    }
    case 4: {  // thick lines
      const double heads[3] = {Coord(in), Coord(in), Coord(in)};
      DrawThickLine(&error, img.data(), w, h, bpp, stride, Coord(in), Coord(in), Coord(in), Coord(in),
                    Coord(in), in.Take(6), in.Take(6), heads, color, opacity, flags);
      break;
    }
    default: {  // flood fills and masks
      const int32_t x = Int(in), y = Int(in);
      const uint32_t tolerance = in.Take(8) * (in.Take(4) ? 1 : 4000), ms = Stride(in, w);
      std::vector<uint8_t> mask(Extent(w, h, 1, ms));
      FloodFill8(&error, img.data(), w, h, stride, x, y, uint8_t(color), tolerance, in.Take(3));
      BuildRegionMask8(&error, img.data(), w, h, stride, x, y, mask.data(), ms, tolerance, in.Take(2),
                       uint8_t(color), flags);
      BuildRegionMaskColor(&error, img.data(), w, h, bpp, stride, x, y, mask.data(), ms, tolerance,
                           in.Take(2), color, flags);
      break;
    }
  }
  return 0;
}
