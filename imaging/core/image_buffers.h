#pragma once
// Typed image buffers of the resampling and pixel code: width, height,
// channels (samples per pixel) and the row stride in samples.
//  - CPicImgBuf<T>: owns height x stride samples (null pixels when they
//    could not be had: check Pixels() before use).
//  - CPicImgBufExtern<T> / CPicImgBufExternConst<T>: views over caller memory,
//    never freed. Write nothing through a const view.

#include <cstdint>

#include "core/allocators.h"

namespace Pictura {

struct noncopyable {
  noncopyable() = default;
  noncopyable(const noncopyable&) = delete;
  noncopyable& operator=(const noncopyable&) = delete;
};

template <class T>
class CPicImgBufBase {
 public:
  CPicImgBufBase() = default;
  CPicImgBufBase(uint32_t w, uint32_t h, uint32_t c, uint32_t s)
      : width(w), height(h), channels(c), stride(s) {}
  virtual ~CPicImgBufBase() = default;
  virtual T* Pixels() = 0;
  virtual const T* ConstPixels() const = 0;

  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 0;
  uint32_t stride = 0;  // in samples
};

template <class T>
class CPicImgBuf : public CPicImgBufBase<T>, private noncopyable {
 public:
  CPicImgBuf(uint32_t w, uint32_t h, uint32_t c, uint32_t s) : CPicImgBufBase<T>(w, h, c, s) {
    uint64_t n = 0;
    // height x stride in 64 bits, within the cap in bytes.
    if (PicSizeWithinCap(h, s, sizeof(T), &n)) pixels_.Resize(static_cast<uint32_t>(n / sizeof(T)));
  }
  T* Pixels() override { return pixels_.Data(); }
  const T* ConstPixels() const override { return pixels_.Data(); }
  uint32_t Release() {
    pixels_.Clear();
    this->width = this->height = this->channels = this->stride = 0;
    return 0;
  }

 private:
  PicArray<T> pixels_;
};

template <class T>
class CPicImgBufExtern : public CPicImgBufBase<T> {
 public:
  CPicImgBufExtern() = default;
  CPicImgBufExtern(T* p, uint32_t w, uint32_t h, uint32_t c, uint32_t s)
      : CPicImgBufBase<T>(w, h, c, s), data(p) {}
  T* Pixels() override { return data; }
  const T* ConstPixels() const override { return data; }
  T* data = nullptr;
};

template <class T>
class CPicImgBufExternConst : public CPicImgBufBase<T> {
 public:
  CPicImgBufExternConst() = default;
  CPicImgBufExternConst(const T* p, uint32_t w, uint32_t h, uint32_t c, uint32_t s)
      : CPicImgBufBase<T>(w, h, c, s), data(p) {}
  // The caller's pointer, as for the writable view; the pixels are read-only.
  T* Pixels() override { return const_cast<T*>(data); }
  const T* ConstPixels() const override { return data; }
  const T* data = nullptr;
};

}  // namespace Pictura
