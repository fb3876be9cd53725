#include "core/metafile_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void PutWord(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

// A floating size truncated toward zero, or 0 when it is not a usable
// positive pixel count.
uint32_t ToPixels(double v) {
  if (!(v >= 1.0) || v >= 2147483647.0) return 0;
  return static_cast<uint32_t>(v);
}

}  // namespace

uint16_t PlaceableHeaderChecksum(const uint8_t* header) {
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= Word(header + 2 * i);
  return sum;
}

bool ParsePlaceableHeader(const uint8_t* data, size_t size, PlaceableHeader* h) {
  if (!data || size < kPlaceableHeaderSize) return false;
  const uint32_t key = Word(data) | static_cast<uint32_t>(Word(data + 2)) << 16;
  if (key != kPlaceableKey) return false;
  h->key = key;
  h->handle = Word(data + 4);
  h->left = static_cast<int16_t>(Word(data + 6));
  h->top = static_cast<int16_t>(Word(data + 8));
  h->right = static_cast<int16_t>(Word(data + 10));
  h->bottom = static_cast<int16_t>(Word(data + 12));
  h->unitsPerInch = Word(data + 14);
  h->reserved = Word(data + 16) | static_cast<uint32_t>(Word(data + 18)) << 16;
  h->checksum = Word(data + 20);
  return true;
}

void WritePlaceableHeader(uint8_t* out, int16_t left, int16_t top, int16_t right, int16_t bottom,
                          uint16_t unitsPerInch) {
  PutWord(out, static_cast<uint16_t>(kPlaceableKey & 0xFFFF));
  PutWord(out + 2, static_cast<uint16_t>(kPlaceableKey >> 16));
  PutWord(out + 4, 0);
  PutWord(out + 6, static_cast<uint16_t>(left));
  PutWord(out + 8, static_cast<uint16_t>(top));
  PutWord(out + 10, static_cast<uint16_t>(right));
  PutWord(out + 12, static_cast<uint16_t>(bottom));
  PutWord(out + 14, unitsPerInch);
  PutWord(out + 16, 0);
  PutWord(out + 18, 0);
  PutWord(out + 20, PlaceableHeaderChecksum(out));
}

void PlaceableBoxForFrame(int64_t frameRight, int64_t frameBottom, int16_t* right, int16_t* bottom,
                          uint16_t* unitsPerInch) {
  // 1000 units per inch unless the larger side would pass 32767 units.
  const int64_t largest = std::max<int64_t>({std::llabs(frameRight), std::llabs(frameBottom), 1});
  int64_t upi = 1000;
  if (largest * upi / 2540 > 32767) upi = std::max<int64_t>(1, 32767 * 2540 / largest);
  *unitsPerInch = static_cast<uint16_t>(upi);
  *right = static_cast<int16_t>(frameRight * upi / 2540);
  *bottom = static_cast<int16_t>(frameBottom * upi / 2540);
}

bool PlaceableExtents(const PlaceableHeader& h, int32_t* cx, int32_t* cy) {
  if (h.unitsPerInch == 0) return false;
  const int64_t w = std::llabs(int64_t{h.right} - h.left), hgt = std::llabs(int64_t{h.bottom} - h.top);
  if (w == 0 || hgt == 0) return false;
  // At most 65535 * 2540: fits 32 bits.
  *cx = static_cast<int32_t>(w * 2540 / h.unitsPerInch);
  *cy = static_cast<int32_t>(hgt * 2540 / h.unitsPerInch);
  return *cx > 0 && *cy > 0;
}

uint32_t ComputeMetafileSize(const MetafileSizeInput& in, uint32_t* width, uint32_t* height) {
  *width = *height = 0;
  uint64_t w = 0, h = 0;
  if (in.flags & kMetafileExactSize) {
    if (in.givenWidth == 0 || in.givenHeight == 0) return kPicErrBadArgument;
    w = in.givenWidth;
    h = in.givenHeight;
  } else {
    if (in.placeable) {
      const PlaceableHeader& p = in.header;
      if (p.unitsPerInch == 0) return kPicErrBadMetafile;
      const double ex = std::fabs(static_cast<double>(p.right) - p.left) * 2540.0 / p.unitsPerInch;
      const double ey = std::fabs(static_cast<double>(p.bottom) - p.top) * 2540.0 / p.unitsPerInch;
      w = ToPixels(ex / 2540.1 * in.dpiX);
      h = ToPixels(ey / 2540.1 * in.dpiY);
    } else {
      if (in.deviceMillimetresX <= 0 || in.deviceMillimetresY <= 0 || in.devicePixelsX <= 0 ||
          in.devicePixelsY <= 0)
        return kPicErrBadMetafile;
      const double sx =
          static_cast<double>(in.devicePixelsX) / (static_cast<double>(in.deviceMillimetresX) * 100.0);
      const double sy =
          static_cast<double>(in.devicePixelsY) / (static_cast<double>(in.deviceMillimetresY) * 100.0);
      const double left = std::trunc(in.frameLeft * sx), right = std::trunc(in.frameRight * sx);
      const double top = std::trunc(in.frameTop * sy), bottom = std::trunc(in.frameBottom * sy);
      w = ToPixels(right - left);
      h = ToPixels(bottom - top);
    }
    if (w == 0 || h == 0) return kPicErrBadMetafile;
    if (in.flags & kMetafilePercent) {
      w = w * in.givenWidth / 100;
      h = h * in.givenHeight / 100;
      if (w == 0 || h == 0) return kPicErrBadArgument;
    }
  }
  // Drawn through a bitmap of up to 4 bytes a pixel.
  if (w > 0x7FFFFFFF || h > 0x7FFFFFFF || !PicSizeWithinCap(w, h, 4)) return kPicErrNoMemory;
  *width = static_cast<uint32_t>(w);
  *height = static_cast<uint32_t>(h);
  return 0;
}

}  // namespace Pictura
