#pragma once
// Test helpers over the public entries: memory sources and growing memory
// destinations read back into byte vectors.

#include <vector>

#include "codecs/codec_test_support.h"
#include "core/allocators.h"
#include "core/pictura_io.h"

namespace pictest {

// A memory source over bytes that stay alive with it.
class Source {
 public:
  explicit Source(Bytes bytes) : bytes_(std::move(bytes)) {
    handle_ =
        pic_OpenMemorySource(bytes_.empty() ? nullptr : bytes_.data(), static_cast<DWORD>(bytes_.size()));
  }
  ~Source() {
    if (handle_) pic_CloseSource(handle_);
  }
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  HPICSRC get() const { return handle_; }
  operator HPICSRC() const { return handle_; }

 private:
  Bytes bytes_;
  HPICSRC handle_ = nullptr;
};

// A growing memory destination.
class Dest {
 public:
  Dest() : handle_(pic_OpenDynamicMemoryDest(FALSE)) {}
  ~Dest() {
    if (handle_) pic_CloseDest(handle_);
  }
  Dest(const Dest&) = delete;
  Dest& operator=(const Dest&) = delete;
  operator HPICDEST() const { return handle_; }

  Bytes Contents() const {
    DWORD size = 0;
    pic_GetSize(handle_, &size);
    Bytes out(size);
    pic_Seek(handle_, 0, 0);
    if (size) pic_Read(handle_, out.data(), size);
    return out;
  }

 private:
  HPICDEST handle_;
};

// Copies a result block out and frees it.
inline Bytes TakeBlock(HGLOBAL block) {
  Bytes out;
  Pictura::ScopedGlobal owned(block);
  if (block) out.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + GlobalSize(block));
  return out;
}

}  // namespace pictest
