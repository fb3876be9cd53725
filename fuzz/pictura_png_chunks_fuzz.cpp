// PNG chunks chosen by the fuzzer, read without the image data: header,
// palette and transparency, background, physical size, text chunks and the
// ICC profile.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pictura.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  DWORD w, h, bits, type, interlace, count = 0;
  LONG index, red, green, blue, gray;
  Pictura::PicResolutionInfo res;
  pic_GetPNGDims(src, &w, &h, &bits, &type, &interlace, &index, &red, &green, &blue, &gray, &res, 0);
  RGBQUAD palette[256];
  pic_Seek(src, 0, 0);
  pic_GetPNGPalette(src, palette, &count);
  pic_Seek(src, 0, 0);
  const DWORD texts = pic_ReadPNGTextChunks(src);
  size_t total = 0;
  for (DWORD i = 0; i < texts; ++i) {
    const char* key = nullptr;
    const char* text = nullptr;
    DWORD compressed = 0;
    if (pic_GetPNGTextChunk(i, &key, &text, &compressed)) total += std::strlen(key) + std::strlen(text);
  }
  HGLOBAL profile = nullptr;
  DWORD bytes = 0;
  if (pic_ReadICCProfile(src, 0, &profile, &bytes)) GlobalFree(profile);
  pic_CloseSource(src);
  (void)total;
  return 0;
}
