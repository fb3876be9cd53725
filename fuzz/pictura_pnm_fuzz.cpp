// PBM, PGM and PPM files chosen by the fuzzer through the reader at every
// depth and layout, the packed DIB, and the image written back. A file is
// either refused with a code (78 for its faults, never an exception) or
// read without touching memory outside its buffers.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "pictura.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 18;

void Release(HGLOBAL block) {
  if (block) GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  DWORD w = 0, h = 0, magic = 0, maxval = 0;
  if (pic_GetPNMDims(src, &w, &h, &magic, &maxval, 0) && uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  for (DWORD depth : {1u, 8u, 16u, 24u, 48u})
    for (DWORD flags : {0u, 8u | 16u | 32u, 0x80000000u}) {
      pic_Seek(src, 0, 0);
      HGLOBAL image = pic_ReadPNM(src, &w, &h, depth, flags);
      if (image && flags == 0) {
        const DWORD stride = depth == 1 ? (w + 7) / 8 : w * (depth >= 24 ? 3 : 1);
        HPICDEST null = pic_OpenNullDest(0);
        pic_WritePNM(null, static_cast<BYTE*>(image), w, h, depth, stride, static_cast<LONG>(maxval), 0);
        pic_CloseDest(null);
      }
      Release(image);
    }
  pic_Seek(src, 0, 0);
  Release(pic_ReadPNM(src, &w, &h, 0, 2));
  pic_CloseSource(src);
  return 0;
}
