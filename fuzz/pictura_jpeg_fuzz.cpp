// The JPEG readers on bytes chosen by the fuzzer: the first byte picks the
// depth, the reader flags and whether the line reader runs too. Every block
// handed out is freed; a cut-off or broken stream never reads or writes
// outside the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictura.h"

namespace {

BOOL PICAPI FewPasses(const void*, DWORD, DWORD, DWORD, DWORD pass, PIC_USERDATA) {
  return pass < 3;
}

// Large images decode slowly: the fuzzer looks at their headers only.
constexpr uint64_t kMaxPixels = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  HPICSRC src = pic_OpenMemorySource(data + 1, static_cast<DWORD>(size - 1));
  if (!src) return 0;
  DWORD w = 0, h = 0, bits = 0, space = 0, coding = 0;
  Pictura::PicResolutionInfo res;
  const BOOL known = pic_GetJPGDims(src, &w, &h, &bits, &space, &coding, &res, 0);
  if (known && uint64_t{w} * h > kMaxPixels) {
    pic_CloseSource(src);
    return 0;
  }
  static const DWORD kDepths[3] = {8, 24, 32};
  const DWORD depth = kDepths[mode % 3];
  const DWORD flags = (mode >> 2) & 0x3F;
  pic_SetJPGPassCallback(FewPasses, 0);
  pic_Seek(src, 0, 0);
  HGLOBAL image = pic_ReadJPG(src, &w, &h, depth, flags);
  if (image) GlobalFree(image);
  if (mode & 0x80) {
    pic_Seek(src, 0, 0);
    DWORD lw = 0, lh = 0;
    HPICJPGREADLINES lines = pic_InitReadJPGLines(src, &lw, &lh, depth, flags & ~3u);
    if (lines) {
      std::vector<uint8_t> row(uint64_t{lw} * 4 * 2);
      DWORD index = 0;
      while (pic_ReadNextJPGLine(lines, row.data(), &index)) {
      }
      pic_DestroyReadJPGLines(lines);
    }
  }
  pic_CloseSource(src);
  return 0;
}
