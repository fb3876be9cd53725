#include "core/out_buffers.h"

#include "core/library_globals.h"
#include "core/thread_context.h"

namespace Pictura {

bool CPicOutBufAllocator::AllocOwn(uint32_t size) {
  if (size == 0 || size >= kPicAllocCap) return false;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
  if (!block) return false;
  source_ = 0;
  ownBlock_ = block;
  data_ = block;
  return true;
}

bool CPicOutBufAllocator::ReallocOwn(uint32_t size) {
  if (size == 0 || size >= kPicAllocCap || !ownBlock_) return false;
  HGLOBAL block = GlobalReAlloc(ownBlock_, size, GMEM_MOVEABLE);
  if (!block) return false;  // the old block stays as it was
  ownBlock_ = block;
  data_ = block;
  return true;
}

bool CPicOutBufAllocator::Alloc(uint32_t size) {
  Reset();
  ImgThreadContext* ctx = GetImgThreadContext();
  if (ctx && ctx->allocCallback) {
    void* block = ctx->allocCallback(size, ctx->allocUserData);
    // A block that is not writable for the whole size does not count (and
    // is not ours to release).
    if (block && IsBadBuffer(block, size, true)) {
      data_ = block;
      source_ = 1;
    }
    return data_ != nullptr;
  }
  return AllocOwn(size);
}

bool CPicOutBufAllocator::Realloc(uint32_t size) {
  if (source_ == 1) {
    ImgThreadContext* ctx = GetImgThreadContext();
    if (!ctx || !ctx->reallocCallback) return false;
    void* block = ctx->reallocCallback(data_, size, ctx->allocUserData);
    if (!block) return false;  // the caller's block is kept, not lost
    data_ = block;
    return true;
  }
  return ReallocOwn(size);
}

bool CPicOutBufAllocator::Free() {
  bool ok = true;
  if (source_ == 0) {
    FreeGlobalHandle(&ownBlock_);
  } else {
    ImgThreadContext* ctx = GetImgThreadContext();
    ok = ctx && ctx->freeCallback && ctx->freeCallback(data_, ctx->allocUserData) == 1;
  }
  Reset();
  return ok;
}

void CPicOutBufAllocator::TakeOver(CPicOutBufAllocator& other) {
  if (&other == this || (other.data_ == data_ && other.ownBlock_ == ownBlock_)) return;
  Free();
  source_ = other.source_;
  ownBlock_ = other.ownBlock_;
  data_ = other.data_;
  other.Reset();
}

CPicInternalAllocator::~CPicInternalAllocator() {
  FreeGlobalHandle(&ownBlock_);
}

bool CPicInternalAllocator::Alloc(uint32_t size) {
  Free();  // a held block is ours: forgetting it would leak it
  return AllocOwn(size);
}

bool CPicInternalAllocator::Realloc(uint32_t size) {
  return ReallocOwn(size);
}

bool CPicInternalAllocator::Free() {
  FreeGlobalHandle(&ownBlock_);
  Reset();
  return true;
}

}  // namespace Pictura
