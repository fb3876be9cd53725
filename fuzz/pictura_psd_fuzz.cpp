// PSD files chosen by the fuzzer through every reader: dimensions,
// palette, 8-, 24-, 32-, 48- and 64-bit reads, CMYK kept, the packed DIB,
// the generic reader, the thumbnail, a copy with other resources, and the
// image written back. A file is either refused
// with a code or read without touching memory outside its buffers.
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
  DWORD w = 0, h = 0, bits = 0, mode = 0, count = 0;
  Pictura::PicResolutionInfo res;
  if (pic_GetPSDDims(src, &w, &h, &bits, &mode, &res, 0) && uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  RGBQUAD palette[256];
  pic_Seek(src, 0, 0);
  pic_GetPSDPalette(src, palette, &count, 0);
  for (DWORD depth : {8u, 24u, 32u, 48u, 64u})
    for (DWORD flags : {0u, 4u}) {
      pic_Seek(src, 0, 0);
      HGLOBAL image = pic_ReadPSD(src, &w, &h, depth, palette, flags);
      if (image && flags == 0) {
        HPICDEST null = pic_OpenNullDest(0);
        pic_WritePSD(null, static_cast<BYTE*>(image), w, h, depth, w * depth / 8, palette, 0);
        pic_CloseDest(null);
      }
      Release(image);
    }
  for (DWORD flags : {2u, 6u}) {
    pic_Seek(src, 0, 0);
    Release(pic_ReadPSD(src, &w, &h, 0, nullptr, flags));
  }
  pic_Seek(src, 0, 0);
  Release(pic_ReadImage(src, &w, &h, 1, 0));
  DWORD bytes = 0, format = 0, order = 0;
  pic_Seek(src, 0, 0);
  Release(pic_GetPSDThumbnail(src, &bytes, &w, &h, &format, &order));
  pic_Seek(src, 0, 0);
  HPICDEST copy = pic_OpenNullDest(0);
  pic_ReplacePSDResources(src, copy);
  pic_CloseDest(copy);
  pic_CloseSource(src);
  return 0;
}
