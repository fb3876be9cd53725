// Metafile header parsing and size choice on fuzzer bytes: placeable
// headers and enhanced-metafile frames of any value give a usable size or a
// code, never a division by zero, an overflow or a size past the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/allocators.h"
#include "core/metafile_geometry.h"

using namespace Pictura;

namespace {
int32_t Int(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 64) return 0;
  MetafileSizeInput in;
  in.flags = data[0] & 7;
  in.givenWidth = static_cast<uint32_t>(Int(data + 1));
  in.givenHeight = static_cast<uint32_t>(Int(data + 5));
  in.dpiX = 1 + data[9];
  in.dpiY = 1 + data[10];
  in.frameLeft = Int(data + 11);
  in.frameTop = Int(data + 15);
  in.frameRight = Int(data + 19);
  in.frameBottom = Int(data + 23);
  in.devicePixelsX = Int(data + 27);
  in.devicePixelsY = Int(data + 31);
  in.deviceMillimetresX = Int(data + 35);
  in.deviceMillimetresY = Int(data + 39);
  uint8_t header[kPlaceableHeaderSize];
  std::memcpy(header, data + 42, sizeof header);
  if (data[0] & 8) {  // a real key, so the rest of the header is parsed
    header[0] = 0xD7, header[1] = 0xCD, header[2] = 0xC6, header[3] = 0x9A;
  }
  in.placeable = ParsePlaceableHeader(header, sizeof header, &in.header);
  if (in.placeable) {
    int32_t cx = 0, cy = 0;
    if (PlaceableExtents(in.header, &cx, &cy) && (cx <= 0 || cy <= 0)) std::abort();
  }
  uint32_t w = 0, h = 0;
  const uint32_t code = ComputeMetafileSize(in, &w, &h);
  if (code == 0 && (w == 0 || h == 0 || !PicSizeWithinCap(w, h, 4))) std::abort();
  if (code != 0 && (w != 0 || h != 0)) std::abort();

  int16_t right = 0, bottom = 0;
  uint16_t upi = 0;
  PlaceableBoxForFrame(in.frameRight, in.frameBottom, &right, &bottom, &upi);
  if (upi == 0 || upi > 1000) std::abort();
  uint8_t out[kPlaceableHeaderSize];
  WritePlaceableHeader(out, 0, 0, right, bottom, upi);
  PlaceableHeader back;
  if (!ParsePlaceableHeader(out, sizeof out, &back) || back.checksum != PlaceableHeaderChecksum(out))
    std::abort();
  return 0;
}
