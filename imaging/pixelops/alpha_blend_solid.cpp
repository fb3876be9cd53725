#include "pixelops/alpha_blend_solid.h"

#include <utility>

#include "core/library_globals.h"
#include "core/thread_context.h"

namespace Pictura {

bool AlphaBlendSolidColorCore(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                              uint32_t stride, uint32_t color, uint32_t flags) {
  if (!pixels || (height > 0 && width > 0 && stride < uint64_t{width} * 4)) {
    *error = kPicErrBadArgument;
    return false;
  }
  PicNestingScope depth;
  uint8_t c[3] = {static_cast<uint8_t>(color), static_cast<uint8_t>(color >> 8),
                  static_cast<uint8_t>(color >> 16)};
  if (flags & kPicFlagBGR) std::swap(c[0], c[2]);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* p = row + 4 * static_cast<size_t>(x);
      unsigned a = p[3];
      if (a == 0) continue;
      for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(AlphaMul(p[k], 255 - a) + AlphaMul(c[k], a));
    }
    if (!PicProgress(y, height)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace Pictura
