// The PNG readers on bytes chosen by the fuzzer: the first byte picks the
// depth, the flags and whether the line reader runs too. Every block handed
// out (also after a failure) is freed; rows never spill past the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictura.h"

namespace {
constexpr uint64_t kMaxPixels = 1u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  HPICSRC src = pic_OpenMemorySource(data + 1, static_cast<DWORD>(size - 1));
  if (!src) return 0;
  DWORD w = 0, h = 0, bits = 0, type = 0, interlace = 0;
  LONG index, red, green, blue, gray;
  if (pic_GetPNGDims(src, &w, &h, &bits, &type, &interlace, &index, &red, &green, &blue, &gray, nullptr, 0) &&
      uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  static const DWORD kDepths[8] = {1, 8, 16, 24, 32, 48, 64, 4};
  const DWORD depth = kDepths[mode & 7];
  const DWORD flags = (mode >> 3) & 0xF;
  RGBQUAD palette[256];
  pic_SetPNGScreenGamma(mode & 0x80 ? 2.2 : 0);
  pic_Seek(src, 0, 0);
  HGLOBAL image = pic_ReadPNG(src, &w, &h, depth, palette, flags);
  if (image) GlobalFree(image);
  if (mode & 0x80) {
    pic_Seek(src, 0, 0);
    DWORD lw = 0, lh = 0;
    HPICPNGREADLINES lines = pic_InitReadPNGLines(src, &lw, &lh, mode & 0x40 ? palette : nullptr, flags & 1);
    if (lines) {
      std::vector<uint8_t> row(uint64_t{lw} * 3);
      DWORD rows = 0;
      while (pic_ReadNextPNGLine(lines, row.data(), &rows)) {
      }
      pic_DestroyReadPNGLines(lines);
    }
  }
  pic_CloseSource(src);
  return 0;
}
