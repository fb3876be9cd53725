// JPEG headers chosen by the fuzzer: the saved markers and comments and the
// ICC profile joined from APP2 chunks, read back whole.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictura.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!src) return 0;
  const DWORD count = pic_ReadJPGMarkers(src);
  std::vector<uint8_t> buffer(65536);
  for (DWORD i = 0; i < count; ++i) {
    DWORD code = 0;
    pic_GetJPGInputMarker(i, &code, buffer.data(), static_cast<DWORD>(buffer.size()));
    pic_GetJPGInputComment(i, reinterpret_cast<char*>(buffer.data()), static_cast<DWORD>(buffer.size()));
  }
  HGLOBAL profile = nullptr;
  DWORD bytes = 0;
  if (pic_ReadICCProfile(src, 0, &profile, &bytes)) GlobalFree(profile);
  pic_CloseSource(src);
  return 0;
}
