// TLA files chosen by the fuzzer: dimensions and palette, every output
// size with and without a password, the packed DIB, the line reader to its
// end, and the image written back (with the password when one was used).
// A file is either refused with a code or read without touching memory
// outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

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
  for (const char* password : {static_cast<const char*>(nullptr), "pw"}) {
    DWORD w = 0, h = 0, bits = 0, count = 0;
    pic_Seek(src, 0, 0);
    if (!pic_GetTLADims_(src, &w, &h, &bits, password, 0) || uint64_t{w} * h > kMaxPixels) continue;
    RGBQUAD palette[256];
    pic_Seek(src, 0, 0);
    pic_GetTLAPalette(src, palette, &count, password);
    for (DWORD bytes = 1; bytes <= 4; ++bytes) {
      pic_Seek(src, 0, 0);
      HGLOBAL image = pic_ReadTLA(src, &w, &h, password, bytes, palette, 0);
      if (image && bytes != 2) {
        HPICDEST null = pic_OpenNullDest(0);
        pic_WriteTLA(null, static_cast<BYTE*>(image), w, h, w * bytes, password, bytes, 7, 7, 256, palette,
                     nullptr, nullptr, 0, 0);
        pic_CloseDest(null);
      }
      Release(image);
    }
    pic_Seek(src, 0, 0);
    Release(pic_ReadTLA(src, &w, &h, password, 3, nullptr, 2));
    pic_Seek(src, 0, 0);
    HPICTLAREADLINES lines = pic_InitReadTLALines(src, &w, &h, nullptr, password, 4);
    if (lines) {
      std::vector<BYTE> row(size_t{w} * 4);
      for (DWORD y = 0; y <= h && pic_ReadNextTLALine(lines, row.data(), nullptr); ++y) {
      }
      pic_DestroyReadTLALines(lines);
    }
  }
  pic_CloseSource(src);
  return 0;
}
