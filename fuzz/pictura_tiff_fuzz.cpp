// The TIFF reader on bytes chosen by the fuzzer, through our own stream
// procedures: the first byte picks the depth, the flags and the page; the
// second whether the reader object also reads a tile or strip, the tags and
// the ICC profile. Every block handed out (also after a failure) is freed.
#include <cstddef>
#include <cstdint>

#include "pictura.h"

namespace {
constexpr uint64_t kMaxPixels = 1u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[0], extra = data[1];
  HPICSRC src = pic_OpenMemorySource(data + 2, static_cast<DWORD>(size - 2));
  if (!src) return 0;
  const DWORD page = mode >> 6 & 1;
  DWORD w = 0, h = 0, bits = 0;
  if (!pic_GetTIFFDims(src, page, &w, &h, &bits, nullptr, 0) || uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  static const DWORD kDepths[8] = {1, 8, 16, 24, 32, 48, 64, 24};
  const DWORD depth = kDepths[mode & 7];
  static const DWORD kFlags[8] = {0, 1, 2, 4, 32, 64, 32 | 64, 1 | 4};
  const DWORD flags = kFlags[mode >> 3 & 7];
  RGBQUAD palette[256];
  HGLOBAL image = pic_ReadTIFF(src, &w, &h, depth, palette, page, flags);
  if (image) GlobalFree(image);
  if (extra & 1) {
    HPICTIFFREADER r = pic_CreateTIFFReader_TR(src, 0, 0);
    if (r) {
      pic_GetTIFFPageCount_TR(r);
      DWORD tw = 0, th = 0;
      HGLOBAL piece = pic_ReadTIFFTileOrStrip_TR(r, &tw, &th, depth, palette, (extra >> 1 & 3) * 16,
                                                 (extra >> 3 & 3) * 16, (extra & 0x20 ? 8 : 0) | (flags & 2));
      if (piece) GlobalFree(piece);
      uint32_t count = 0;
      double* values = nullptr;
      pic_GetTIFFTag_TR(r, 33550, &count, &values);
      pic_DestroyTIFFReader_TR(r);
    }
  }
  if (extra & 0x40) {
    HGLOBAL icc = nullptr;
    DWORD n = 0;
    if (pic_ReadICCProfile(src, page, &icc, &n)) GlobalFree(icc);
  }
  pic_CloseSource(src);
  return 0;
}
