// The file-type guess on bytes chosen by the fuzzer, read from memory and
// through user callbacks that report short reads, and the extension tables
// on names chosen by it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/file_type.h"
#include "pictura.h"

namespace {

struct Bytes {
  const uint8_t* data;
  uint32_t size;
  uint32_t position;
  uint32_t chunk;  // a callback that hands out at most this much a call
};

Bytes& Of(PIC_USERDATA user) {
  return *reinterpret_cast<Bytes*>(user);
}
BOOL PICAPI Open(PIC_USERDATA) {
  return TRUE;
}
DWORD PICAPI Read(void* buffer, DWORD count, PIC_USERDATA user) {
  Bytes& b = Of(user);
  uint32_t n = std::min<uint32_t>({count, b.size - std::min(b.position, b.size), b.chunk});
  std::memcpy(buffer, b.data + b.position, n);
  b.position += n;
  return n;
}
BOOL PICAPI Seek(LONG offset, DWORD whence, PIC_USERDATA user) {
  Bytes& b = Of(user);
  const int64_t base = whence == 0 ? 0 : whence == 1 ? b.position : b.size;
  const int64_t p = base + offset;
  if (whence > 2 || p < 0 || p > b.size) return FALSE;
  b.position = static_cast<uint32_t>(p);
  return TRUE;
}
BOOL PICAPI GetPos(PIC_USERDATA user, DWORD* out) {
  *out = Of(user).position;
  return TRUE;
}
BOOL PICAPI GetSize(PIC_USERDATA user, DWORD* out) {
  *out = Of(user).size;
  return TRUE;
}
BOOL PICAPI Eof(PIC_USERDATA user) {
  return Of(user).position >= Of(user).size;
}
BOOL PICAPI Close(PIC_USERDATA) {
  return TRUE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 24)) return 0;
  HPICSRC src = pic_OpenMemorySource(data, static_cast<DWORD>(size));
  pic_GuessFileType(src);
  pic_CloseSource(src);

  Bytes bytes{data, static_cast<uint32_t>(size), 0, 1u + data[0] % 64};
  HPICSRC user = pic_OpenUserSource(Open, Read, Seek, GetPos, GetSize, Eof, Close,
                                    reinterpret_cast<PIC_USERDATA>(&bytes));
  pic_GuessFileType(user);
  pic_CloseSource(user);

  const std::string name(reinterpret_cast<const char*>(data), std::min<size_t>(size, 300));
  Pictura::FileTypeFromExtension(name.c_str());
  return 0;
}
