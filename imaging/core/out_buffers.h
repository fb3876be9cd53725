#pragma once
// Allocators of image blocks:
//  - CPicOutBufAllocator: result blocks handed to callers (the thread's
//    allocation callbacks, else GlobalAlloc; the caller owns the block).
//  - CPicInternalAllocator: GlobalAlloc blocks the library frees itself.
// Both refuse sizes from kPicAllocCap up.

#include <cstdint>

#include "core/allocators.h"
#include "core/wintypes.h"

namespace Pictura {

class CPicOutBufAllocator {
 public:
  CPicOutBufAllocator() = default;
  CPicOutBufAllocator(const CPicOutBufAllocator&) = delete;
  CPicOutBufAllocator& operator=(const CPicOutBufAllocator&) = delete;
  // Leaves the block alive: it belongs to whoever received it.
  virtual ~CPicOutBufAllocator() = default;

  virtual bool Alloc(uint32_t size);
  virtual bool Realloc(uint32_t size);
  virtual bool Free();
  virtual void TakeOver(CPicOutBufAllocator& other);

  // Forgets the block without releasing it.
  void Reset() {
    source_ = 0;
    ownBlock_ = nullptr;
    data_ = nullptr;
  }
  // The own block's handle (source 0) or the callback's pointer (source 1).
  void* GetBuffer() const { return source_ == 0 ? static_cast<void*>(ownBlock_) : data_; }
  unsigned char* Data() const { return static_cast<unsigned char*>(data_); }
  uint8_t Source() const { return source_; }

 protected:
  bool AllocOwn(uint32_t size);
  bool ReallocOwn(uint32_t size);

  uint8_t source_ = 0;  // 0 own GlobalAlloc block, 1 the thread's allocation callback
  HGLOBAL ownBlock_ = nullptr;
  void* data_ = nullptr;
};

// Always GlobalAlloc, and frees what it still holds when destroyed.
class CPicInternalAllocator : public CPicOutBufAllocator {
 public:
  ~CPicInternalAllocator() override;
  bool Alloc(uint32_t size) override;
  bool Realloc(uint32_t size) override;
  bool Free() override;
};

}  // namespace Pictura
