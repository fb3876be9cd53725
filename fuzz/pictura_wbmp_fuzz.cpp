// WBMP files chosen by the fuzzer through the reader at both depths, with
// padded rows and as a packed DIB, and written back. A file is either
// refused with a code or read without touching memory outside its buffers.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "pictura.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 20;

void Release(HGLOBAL block) {
  if (block) GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  DWORD w = 0, h = 0;
  if (pic_GetWBMPDims(src, &w, &h, 0) && uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  RGBQUAD palette[256];
  for (DWORD depth : {1u, 8u})
    for (DWORD flags : {0u, 8u}) {
      pic_Seek(src, 0, 0);
      HGLOBAL image = pic_ReadWBMP(src, &w, &h, palette, depth, flags);
      if (image && depth == 8 && flags == 0) {
        HPICDEST null = pic_OpenNullDest(0);
        pic_WriteWBMP(null, static_cast<BYTE*>(image), w, h, w, 0);
        pic_CloseDest(null);
      }
      Release(image);
    }
  pic_Seek(src, 0, 0);
  Release(pic_ReadWBMP(src, &w, &h, nullptr, 1, 2));
  pic_CloseSource(src);
  return 0;
}
