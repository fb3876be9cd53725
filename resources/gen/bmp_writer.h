#pragma once
// Windows bitmap files as the resource compiler takes them: bottom-up,
// uncompressed, 8-bit with a full 256-entry colour table or 24-bit.

#include <stdexcept>

#include "byte_writer.h"
#include "canvas.h"

namespace art {

enum class BmpDepth {
  kAuto,      // 8-bit when the picture has at most 256 colours, else 24-bit
  kIndexed8,  // fails when the picture has more than 256 colours
  kRgb24,
};

// Clear pixels become the key colour. A picture that is half transparent
// anywhere, or paints the key colour itself, is refused (std::invalid_argument):
// such a pixel would turn see-through, or not, by accident.
Bytes EncodeBmp(const Canvas& picture, Rgba key, BmpDepth depth = BmpDepth::kAuto);

}  // namespace art
