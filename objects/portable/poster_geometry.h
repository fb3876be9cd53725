#pragma once
// Where a poster's pixels go: the cover-and-crop sizes of a user's picture
// and the placement of a prepared bitmap on the billboard's poster field.
// Pure arithmetic, no Windows header.

#include <cstdint>

inline constexpr int kPosterWidth = 160;
inline constexpr int kPosterHeight = 128;

// The largest scaled picture ResizeImage allocates (RGB bytes). Only a
// picture thinner than about 1:870 needs more, and none is worth it.
inline constexpr uint64_t kMaxScaledBytes = 64ull << 20;

struct CoverSize {
  bool ok = false;  // false: no size (empty picture, or scaled beyond kMaxScaledBytes)
  uint32_t width = 0;
  uint32_t height = 0;
  uint64_t bytes = 0;  // width x height x 3, computed in 64 bits
};

// The size that covers target on both axes keeping the picture's aspect, in
// single-precision arithmetic: height from the target width first, and when
// that falls short the width from the target height. Never below the target
// on either axis, so the centre crop always fits.
// `maxBytes` is the largest scaled picture accepted.
CoverSize CoverScale(uint32_t width, uint32_t height, uint32_t targetWidth, uint32_t targetHeight,
                     uint64_t maxBytes = kMaxScaledBytes);

// The centre crop of a covering picture: left, top, right, bottom (right and
// bottom exclusive), halves rounded down.
struct CropBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
CropBox CentreCrop(uint32_t width, uint32_t height, uint32_t cropWidth, uint32_t cropHeight);

// A bitmap on the poster field at (1,1): per axis a short side is centred,
// a long one starts at 1 and is cut to the field. `source` is how much of the
// bitmap is copied, `at` where it goes in the wall bitmap; `grey` says the
// field shows around it.
struct PastePlacement {
  int x = 1, y = 1;
  int width = 0, height = 0;
  bool grey = false;
};
PastePlacement PlaceOnPosterField(int bitmapWidth, int bitmapHeight);
