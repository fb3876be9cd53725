#pragma once
// Icon and cursor files: one directory, each picture stored as a DIB with
// twice its height (colour rows, then the AND mask rows).

#include <vector>

#include "byte_writer.h"
#include "canvas.h"

namespace art {

struct IconOptions {
  // Adds a 256-colour entry per size (1-bit transparency) for displays and
  // shells that cannot show 32-bit icons.
  bool withIndexed = true;
};

// Every picture becomes one 32-bit entry with alpha and an AND mask that is
// set where alpha is 0. Sizes 1..256, no two pictures of the same size.
Bytes EncodeIcon(const std::vector<Canvas>& sizes, IconOptions options = {});

// A cursor with its hot spot; 32-bit with alpha.
Bytes EncodeCursor(const Canvas& picture, int hotX, int hotY);

}  // namespace art
