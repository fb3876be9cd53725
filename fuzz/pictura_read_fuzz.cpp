// The generic reader on bytes chosen by the fuzzer, at every selector: any
// format it cannot read is refused with a code, never with no image and no
// code; every image it returns is freed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "pictura.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  // Keep what the fuzzer can make the readers allocate to a quarter megapixel.
  DWORD w = 0, h = 0, bits = 0;
  if (pic_GetBMPDims(src, &w, &h, &bits, nullptr, 0)) {
    const int64_t width = static_cast<int32_t>(w), height = static_cast<int32_t>(h);
    if (static_cast<uint64_t>(std::llabs(width)) * static_cast<uint64_t>(std::llabs(height)) > (1u << 18)) {
      pic_CloseSource(src);
      return 0;
    }
  }
  DWORD type = 0, interlace = 0;
  LONG index, red, green, blue, gray;
  pic_Seek(src, 0, 0);
  const bool jpeg = pic_GetJPGDims(src, &w, &h, &bits, nullptr, nullptr, nullptr, 0);
  pic_Seek(src, 0, 0);
  const bool png = !jpeg && pic_GetPNGDims(src, &w, &h, &bits, &type, &interlace, &index, &red, &green, &blue,
                                           &gray, nullptr, 0);
  DWORD background = 0;
  BYTE interlaced = 0;
  pic_Seek(src, 0, 0);
  const bool gif =
      !jpeg && !png && pic_GetGIFDims(src, &w, &h, &bits, &background, nullptr, nullptr, &interlaced, 0);
  if ((jpeg || png || gif) && uint64_t{w} * h > (1u << 18)) {
    pic_CloseSource(src);
    return 0;
  }
  // PCX, TGA and PNM headers as the generic reader will take them (a PNM
  // under 64 megapixels is read whatever its file holds: the rows come back
  // with the fault's code).
  pic_Seek(src, 0, 0);
  const DWORD guessed = pic_GuessFileType(src);
  pic_Seek(src, 0, 0);
  DWORD magic = 0, maxval = 0;
  const bool other =
      (guessed == kPicFilePCX && pic_GetPCXDims(src, &w, &h, &bits, nullptr, 0)) ||
      (guessed == kPicFileTGA && pic_GetTGADims(src, &w, &h, &bits, 0)) ||
      (guessed >= kPicFilePBM && guessed <= kPicFilePPM && pic_GetPNMDims(src, &w, &h, &magic, &maxval, 0));
  if (other && uint64_t{w} * h > (1u << 18)) {
    pic_CloseSource(src);
    return 0;
  }
  pic_Seek(src, 0, 0);
  for (DWORD selector : {0u, 1u, 2u, 3u}) {
    HGLOBAL image = pic_ReadImage(src, &w, &h, selector, 0);
    const DWORD code = PicGetLastError();
    if (!image && code == 0) std::abort();  // no image must come with a reason
    if (image) GlobalFree(image);
  }
  pic_CloseSource(src);
  return 0;
}
