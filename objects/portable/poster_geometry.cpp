#include "objects/portable/poster_geometry.h"

namespace {

// Truncation of a float that may lie beyond any size we accept; saturates
// instead of converting an out-of-range value.
uint64_t TruncateSize(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 4294967296.0f) return 0xFFFFFFFFull + 1;
  return static_cast<uint64_t>(value);
}

}  // namespace

CoverSize CoverScale(uint32_t width, uint32_t height, uint32_t targetWidth, uint32_t targetHeight,
                     uint64_t maxBytes) {
  CoverSize size;
  if (width == 0 || height == 0 || targetWidth == 0 || targetHeight == 0) return size;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  uint64_t newWidth = targetWidth;
  uint64_t newHeight = TruncateSize((h / w) * static_cast<float>(targetWidth));
  if (newHeight < targetHeight) {
    newWidth = TruncateSize((w / h) * static_cast<float>(targetHeight));
    newHeight = targetHeight;
  }
  // Rounding may leave one pixel short of covering.
  if (newWidth < targetWidth) newWidth = targetWidth;
  if (newHeight < targetHeight) newHeight = targetHeight;
  if (newWidth > 0xFFFFFFFFull || newHeight > 0xFFFFFFFFull) return size;
  const uint64_t bytes = newWidth * newHeight * 3;
  if (bytes > maxBytes) return size;
  size.ok = true;
  size.width = static_cast<uint32_t>(newWidth);
  size.height = static_cast<uint32_t>(newHeight);
  size.bytes = bytes;
  return size;
}

CropBox CentreCrop(uint32_t width, uint32_t height, uint32_t cropWidth, uint32_t cropHeight) {
  CropBox box;
  box.left = width > cropWidth ? static_cast<int32_t>((width - cropWidth) / 2) : 0;
  box.top = height > cropHeight ? static_cast<int32_t>((height - cropHeight) / 2) : 0;
  box.right = box.left + static_cast<int32_t>(cropWidth);
  box.bottom = box.top + static_cast<int32_t>(cropHeight);
  return box;
}

PastePlacement PlaceOnPosterField(int bitmapWidth, int bitmapHeight) {
  PastePlacement place;
  if (bitmapWidth <= 0 || bitmapHeight <= 0) return place;
  auto axis = [](int side, int field, int* at, int* copied) {
    if (side < field) {
      *at = (field - side) / 2 + 1;
      *copied = side;
      return true;
    }
    *at = 1;
    *copied = field;
    return false;
  };
  const bool narrow = axis(bitmapWidth, kPosterWidth, &place.x, &place.width);
  const bool low = axis(bitmapHeight, kPosterHeight, &place.y, &place.height);
  place.grey = narrow || low;
  return place;
}
