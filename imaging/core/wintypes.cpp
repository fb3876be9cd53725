#include "core/wintypes.h"

#ifndef _WIN32
#include <cstdlib>
#include <cstring>

// Each block carries its size in a header in front of it, 16 bytes so the
// pixel data keeps the alignment malloc gives.
namespace {
constexpr size_t kHeader = 16;

unsigned char* HeaderOf(HGLOBAL block) {
  return static_cast<unsigned char*>(block) - kHeader;
}
}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (bytes > SIZE_MAX - kHeader) return nullptr;
  auto* raw = static_cast<unsigned char*>((flags & GMEM_ZEROINIT) ? std::calloc(1, bytes + kHeader)
                                                                  : std::malloc(bytes + kHeader));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  return raw + kHeader;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  if (!block) return nullptr;
  if (bytes > SIZE_MAX - kHeader) return nullptr;
  SIZE_T old = GlobalSize(block);
  auto* raw = static_cast<unsigned char*>(std::realloc(HeaderOf(block), bytes + kHeader));
  if (!raw) return nullptr;
  std::memcpy(raw, &bytes, sizeof bytes);
  if ((flags & GMEM_ZEROINIT) && bytes > old) std::memset(raw + kHeader + old, 0, bytes - old);
  return raw + kHeader;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block) std::free(HeaderOf(block));
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) {
  if (!block) return 0;
  SIZE_T bytes;
  std::memcpy(&bytes, HeaderOf(block), sizeof bytes);
  return bytes;
}

void* GlobalLock(HGLOBAL block) {
  return block;
}
BOOL GlobalUnlock(HGLOBAL) {
  return FALSE;
}
#endif
