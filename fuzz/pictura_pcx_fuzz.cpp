// PCX files chosen by the fuzzer through every reader: dimensions, palette,
// 1-, 8- and 24-bit reads with and without the file's layout, the packed
// DIB, the line reader, and the image written back. A file is either
// refused with a code or read without touching memory outside its buffers.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "pictura.h"

namespace {

// Images the fuzzer may make the readers allocate: a quarter megapixel.
constexpr uint64_t kMaxPixels = 1u << 18;

void Release(HGLOBAL block) {
  if (block) GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  DWORD w = 0, h = 0, bits = 0, count = 0;
  if (pic_GetPCXDims(src, &w, &h, &bits, nullptr, 0) && uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  RGBQUAD palette[256];
  pic_Seek(src, 0, 0);
  pic_GetPCXPalette(src, palette, &count);
  for (DWORD depth : {1u, 8u, 24u})
    for (DWORD flags : {0u, 8u}) {
      pic_Seek(src, 0, 0);
      HGLOBAL image = pic_ReadPCX(src, &w, &h, depth, palette, flags);
      if (image && flags == 0) {
        HPICDEST null = pic_OpenNullDest(0);
        pic_WritePCX(null, static_cast<BYTE*>(image), w, h, depth, depth == 1 ? (w + 7) / 8 : w * depth / 8,
                     palette, nullptr, 0);
        pic_CloseDest(null);
      }
      Release(image);
    }
  pic_Seek(src, 0, 0);
  Release(pic_ReadPCX(src, &w, &h, 0, nullptr, 2));
  for (RGBQUAD* withPalette : {static_cast<RGBQUAD*>(nullptr), palette}) {
    pic_Seek(src, 0, 0);
    HPICPCXREADLINES lines = pic_InitReadPCXLines(src, &w, &h, withPalette, 0);
    if (!lines) continue;
    std::vector<uint8_t> row(uint64_t{w} * 3 + 1);
    DWORD index = 0;
    while (pic_ReadNextPCXLine(lines, row.data(), &index)) {
    }
    pic_DestroyReadPCXLines(lines);
  }
  pic_CloseSource(src);
  return 0;
}
