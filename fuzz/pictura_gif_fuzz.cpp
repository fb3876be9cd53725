// The GIF readers on bytes chosen by the fuzzer: the first byte picks the
// read flags and whether the frame list is read too. Every block handed out
// (also after a failure) is freed; no read runs past its image.
#include <cstddef>
#include <cstdint>

#include "pictura.h"

namespace {
constexpr uint64_t kMaxPixels = 1u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  HPICSRC src = pic_OpenMemorySource(data + 1, static_cast<DWORD>(size - 1));
  if (!src) return 0;
  DWORD w = 0, h = 0, bits = 0, background = 0;
  LONG transparent = 0;
  RGBQUAD palette[256];
  BYTE interlaced = 0;
  // The first image's size keeps the fuzzer's images small; the screen's
  // size is only checked against what the file could hold.
  if (pic_GetGIFDims(src, &w, &h, &bits, &background, &transparent, palette, &interlaced, 0) &&
      uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  static const DWORD kFlags[4] = {0, 2, 8, 10};
  pic_Seek(src, 0, 0);
  HGLOBAL image = pic_ReadGIF(src, &w, &h, mode & 0x10 ? &transparent : nullptr,
                              mode & 0x20 ? palette : nullptr, kFlags[mode & 3]);
  if (image) GlobalFree(image);
  if (mode & 0x40) {
    pic_Seek(src, 0, 0);
    DWORD count = 0, loop = 0;
    pic_ReadMultiFrameGIF(src, &w, &h, &count, &loop, &background, &transparent, palette, 0);
    pic_ClearGIFFrames();
  }
  pic_CloseSource(src);
  return 0;
}
