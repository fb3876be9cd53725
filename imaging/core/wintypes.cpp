#include "core/wintypes.h"

#ifndef _WIN32
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define PICTURA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTURA_ASAN 1
#endif
#endif
#ifdef PICTURA_ASAN
#include <sanitizer/asan_interface.h>
#endif

// Each block carries its size in a header in front of it, 16 bytes so the
// pixel data keeps the alignment malloc gives. The header's second word is
// the length of the block's own mapping, or 0 for a heap block.
namespace {
constexpr size_t kHeader = 16;

struct Header {
  SIZE_T bytes;
  SIZE_T mapped;
};

unsigned char* HeaderOf(HGLOBAL block) {
  return static_cast<unsigned char*>(block) - kHeader;
}

Header ReadHeader(HGLOBAL block) {
  Header h;
  std::memcpy(&h, HeaderOf(block), sizeof h);
  return h;
}

HGLOBAL WriteHeader(unsigned char* raw, SIZE_T bytes, SIZE_T mapped) {
  const Header h{bytes, mapped};
  std::memcpy(raw, &h, sizeof h);
  return raw + kHeader;
}

#ifdef __linux__
// Blocks this large get a mapping of their own in 2 MB pages: the heap
// serves them by a fresh mapping each time anyway (they are above its
// largest mmap threshold, 32 MB), and in 4 KB pages the first touch of each
// page costs more than decoding a picture into it.
constexpr size_t kLargeBlock = size_t{32} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
#ifdef PICTURA_ASAN
constexpr size_t kGuard = 64;  // poisoned bytes after every block, so overflows are seen
#else
constexpr size_t kGuard = 0;
#endif

size_t MappedLength(SIZE_T bytes) {
  return (kHeader + bytes + kGuard + kHugePage - 1) & ~(kHugePage - 1);
}

// The bytes of the mapping past the block's end are off limits.
void GuardTail(unsigned char* raw, SIZE_T bytes, size_t length) {
#ifdef PICTURA_ASAN
  __asan_poison_memory_region(raw + kHeader + bytes, length - kHeader - bytes);
#else
  (void)raw, (void)bytes, (void)length;
#endif
}

void Unguard(unsigned char* raw, size_t length) {
#ifdef PICTURA_ASAN
  __asan_unpoison_memory_region(raw, length);
#else
  (void)raw, (void)length;
#endif
}

// A new mapping starting on a 2 MB boundary, zeroed; null if none.
HGLOBAL MapBlock(SIZE_T bytes) {
  if (bytes > SIZE_MAX / 2) return nullptr;
  const size_t length = MappedLength(bytes);
  void* got = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (got == MAP_FAILED) return nullptr;
  const uintptr_t first = reinterpret_cast<uintptr_t>(got);
  const uintptr_t start = (first + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
  if (start > first) munmap(got, start - first);
  if (const size_t tail = first + length + kHugePage - (start + length))
    munmap(reinterpret_cast<void*>(start + length), tail);
  auto* raw = reinterpret_cast<unsigned char*>(start);
  madvise(raw, length, MADV_HUGEPAGE);  // advice: without huge pages it still works
  GuardTail(raw, bytes, length);
  return WriteHeader(raw, bytes, length);
}

void UnmapBlock(HGLOBAL block) {
  const Header h = ReadHeader(block);
  Unguard(HeaderOf(block), h.mapped);
  munmap(HeaderOf(block), h.mapped);
}

HGLOBAL ReMapBlock(HGLOBAL block, SIZE_T bytes, UINT flags) {
  const Header h = ReadHeader(block);
  unsigned char* raw = HeaderOf(block);
  if (bytes < kLargeBlock) {  // back to the heap
    auto* moved = static_cast<unsigned char*>(std::malloc(bytes + kHeader));
    if (!moved) return nullptr;
    std::memcpy(moved + kHeader, block, bytes < h.bytes ? bytes : h.bytes);
    if ((flags & GMEM_ZEROINIT) && bytes > h.bytes)
      std::memset(moved + kHeader + h.bytes, 0, bytes - h.bytes);
    UnmapBlock(block);
    return WriteHeader(moved, bytes, 0);
  }
  const size_t length = MappedLength(bytes);
  Unguard(raw, h.mapped);
  if (length < h.mapped) {
    munmap(raw + length, h.mapped - length);
  } else if (length > h.mapped) {
    void* got = mremap(raw, h.mapped, length, MREMAP_MAYMOVE);
    if (got == MAP_FAILED) {
      GuardTail(raw, h.bytes, h.mapped);
      return nullptr;
    }
    raw = static_cast<unsigned char*>(got);
    madvise(raw, length, MADV_HUGEPAGE);
  }
  // Pages added to the mapping come zeroed; bytes of the old mapping past
  // the old end may hold what a larger size left there.
  if ((flags & GMEM_ZEROINIT) && bytes > h.bytes) {
    const size_t oldEnd = h.mapped - kHeader;
    std::memset(raw + kHeader + h.bytes, 0, (bytes < oldEnd ? bytes : oldEnd) - h.bytes);
  }
  GuardTail(raw, bytes, length);
  return WriteHeader(raw, bytes, length);
}
#endif
}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (bytes > SIZE_MAX - kHeader) return nullptr;
#ifdef __linux__
  if (bytes >= kLargeBlock) return MapBlock(bytes);  // zeroed either way
#endif
  auto* raw = static_cast<unsigned char*>((flags & GMEM_ZEROINIT) ? std::calloc(1, bytes + kHeader)
                                                                  : std::malloc(bytes + kHeader));
  if (!raw) return nullptr;
  return WriteHeader(raw, bytes, 0);
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags) {
  if (!block) return nullptr;
  if (bytes > SIZE_MAX - kHeader) return nullptr;
  const Header h = ReadHeader(block);
#ifdef __linux__
  if (h.mapped) return ReMapBlock(block, bytes, flags);
  if (bytes >= kLargeBlock) {
    HGLOBAL moved = MapBlock(bytes);
    if (!moved) return nullptr;
    std::memcpy(moved, block, h.bytes);  // the rest is zero already
    std::free(HeaderOf(block));
    return moved;
  }
#endif
  auto* raw = static_cast<unsigned char*>(std::realloc(HeaderOf(block), bytes + kHeader));
  if (!raw) return nullptr;
  if ((flags & GMEM_ZEROINIT) && bytes > h.bytes) std::memset(raw + kHeader + h.bytes, 0, bytes - h.bytes);
  return WriteHeader(raw, bytes, 0);
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (!block) return nullptr;
#ifdef __linux__
  if (ReadHeader(block).mapped) {
    UnmapBlock(block);
    return nullptr;
  }
#endif
  std::free(HeaderOf(block));
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) {
  return block ? ReadHeader(block).bytes : 0;
}

void* GlobalLock(HGLOBAL block) {
  return block;
}
BOOL GlobalUnlock(HGLOBAL) {
  return FALSE;
}
#endif
