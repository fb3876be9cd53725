// BMP files chosen by the fuzzer through every reader: dimensions, palette,
// paletted, RGB and RGBA reads with and without the file's own layout, the
// packed DIB (written back and unpacked), and the line reader. A file is
// either refused with a code or read without touching memory outside its
// buffers; whatever a reader returns is freed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "pictura.h"

namespace {

// Images the fuzzer may make the readers allocate: a quarter megapixel.
constexpr uint64_t kMaxPixels = 1u << 18;

bool SmallEnough(HPICSRC src) {
  DWORD w = 0, h = 0, bits = 0;
  if (!pic_GetBMPDims(src, &w, &h, &bits, nullptr, 0)) return true;  // refused anyway
  const int64_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
  return static_cast<uint64_t>(std::llabs(width)) * static_cast<uint64_t>(std::llabs(height)) <= kMaxPixels;
}

void Release(HGLOBAL block) {
  if (block) GlobalFree(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  if (!SmallEnough(src)) {
    pic_CloseSource(src);
    return 0;
  }
  RGBQUAD palette[256];
  DWORD w = 0, h = 0, count = 0;
  pic_Seek(src, 0, 0);
  pic_GetBMPPalette(src, palette, &count);
  for (DWORD depth : {1u, 8u, 24u, 32u})
    for (DWORD flags : {0u, 8u}) {
      pic_Seek(src, 0, 0);
      Release(pic_ReadBMP(src, &w, &h, depth, palette, flags));
    }

  pic_Seek(src, 0, 0);
  HGLOBAL dib = pic_ReadBMP(src, &w, &h, 24, nullptr, 2);
  if (dib) {
    HPICDEST null = pic_OpenNullDest(0);
    pic_WriteBMP(null, dib, 0, 0, 0, 0, 0, nullptr, nullptr, 2);
    pic_CloseDest(null);
    std::vector<uint8_t> rgb(uint64_t{w} * h * 3 + 1);
    pic_DIBToRGB(dib, rgb.data());
    GlobalFree(dib);
  }

  for (RGBQUAD* withPalette : {static_cast<RGBQUAD*>(nullptr), palette}) {
    pic_Seek(src, 0, 0);
    HPICBMPREADLINES lines = pic_InitReadBMPLines(src, &w, &h, withPalette);
    if (!lines) continue;
    std::vector<uint8_t> row(uint64_t{w} * 3 + 1);
    DWORD index = 0;
    while (pic_ReadNextBMPLine(lines, row.data(), &index)) {
    }
    pic_DestroyReadBMPLines(lines);
  }
  pic_CloseSource(src);
  return 0;
}
