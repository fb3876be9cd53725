#pragma once
// Containers the whole library stands on (the allocators of result blocks
// are in out_buffers.h, above the thread state):
//  - PicArray<T>: owned array, never throws, empty (data null) on failure.
//  - PicPtrVector<T>, CFileDataTag: owned tag records of the codecs.
//  - PicException: carries codec library failures to the codec's edge.
// Every size is computed in 64 bits and refused from kPicAllocCap bytes up.

#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/wintypes.h"

namespace Pictura {

// Blocks of this many bytes or more are never requested.
constexpr uint64_t kPicAllocCap = 0x7FFDEFFFu;

// a * b * c in 64 bits; false when it overflows or reaches the cap.
inline bool PicSizeWithinCap(uint64_t a, uint64_t b, uint64_t c = 1, uint64_t* out = nullptr) {
  if (a != 0 && b > UINT64_MAX / a) return false;
  uint64_t ab = a * b;
  if (ab != 0 && c > UINT64_MAX / ab) return false;
  uint64_t total = ab * c;
  if (total >= kPicAllocCap) return false;
  if (out) *out = total;
  return true;
}

// GlobalFree when set, then null.
void FreeGlobalHandle(HGLOBAL* handle);

// A GlobalAlloc block freed unless it is handed on.
struct ScopedGlobal {
  HGLOBAL block = nullptr;
  ScopedGlobal() = default;
  explicit ScopedGlobal(HGLOBAL b) : block(b) {}
  ~ScopedGlobal() { FreeGlobalHandle(&block); }
  ScopedGlobal(const ScopedGlobal&) = delete;
  ScopedGlobal& operator=(const ScopedGlobal&) = delete;
  void Reset(HGLOBAL b = nullptr) {
    FreeGlobalHandle(&block);
    block = b;
  }
  HGLOBAL Release() {
    HGLOBAL b = block;
    block = nullptr;
    return b;
  }
};

template <class T>
class PicArray {
 public:
  PicArray() = default;
  explicit PicArray(uint32_t n) { Resize(n); }
  ~PicArray() { Clear(); }
  PicArray(const PicArray&) = delete;
  PicArray& operator=(const PicArray&) = delete;
  // Transfer: the new array takes the other's block and leaves it empty.
  PicArray(PicArray&& other) noexcept { Take(other); }
  PicArray& operator=(PicArray&& other) noexcept {
    if (this != &other) {
      Clear();
      Take(other);
    }
    return *this;
  }

  // Same count with data kept: contents stay. Otherwise a fresh block of n
  // elements (plain types uninitialised, class types default-constructed);
  // on failure the array is empty.
  bool Resize(uint32_t n) {
    if (n == count_ && data_) return true;
    Clear();
    if (n == 0) return true;
    if (!PicSizeWithinCap(n, sizeof(T))) return false;
    data_ = new (std::nothrow) T[n];
    if (!data_) return false;
    count_ = n;
    return true;
  }
  void Clear() {
    delete[] data_;
    data_ = nullptr;
    count_ = 0;
    spare_ = 0;
  }
  void Fill(const T& value) {
    for (uint32_t i = 0; i < count_; ++i) data_[i] = value;
  }

  uint32_t Count() const { return count_; }
  T* Data() { return data_; }
  const T* Data() const { return data_; }
  bool Empty() const { return count_ == 0; }
  T& operator[](uint32_t i) { return data_[i]; }
  const T& operator[](uint32_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + count_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + count_; }

 private:
  void Take(PicArray& other) {
    count_ = other.count_;
    data_ = other.data_;
    spare_ = other.spare_;
    other.count_ = 0;
    other.data_ = nullptr;
    other.spare_ = 0;
  }

  uint32_t count_ = 0;
  T* data_ = nullptr;
  uint32_t spare_ = 0;
};

template <class T>
class PicPtrVector {
 public:
  PicPtrVector() = default;
  PicPtrVector(const PicPtrVector&) = delete;
  PicPtrVector& operator=(const PicPtrVector&) = delete;
  virtual ~PicPtrVector() = default;

  void Clear() { items_.clear(); }
  // Takes ownership; false (and the item freed) when no room could be had.
  bool Add(std::unique_ptr<T> item) {
    try {
      items_.push_back(std::move(item));
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  size_t Size() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  T* At(size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
  void RemoveAt(size_t i) {
    if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

// One saved file segment, chunk or tag.
struct CFileDataTag {
  uint32_t id = 0;
  std::string text;
  PicArray<unsigned char> data;
};

class PicException : public std::exception {
 public:
  PicException(uint32_t code, std::string message) : code_(code), message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  uint32_t Code() const { return code_; }

 private:
  uint32_t code_;
  std::string message_;
};

}  // namespace Pictura
