#pragma once
// The frame every resize method stands on: the method base class (nesting
// guard, error word, cancel check, largest sample), sample stores, view
// checks, and the job procedure of a resize band (core/band_jobs.h splits).
//
// Each method keeps a plain scalar walk (the reference) beside its vector
// paths; both give the same bytes, and the tests hold them to it.

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/allocators.h"
#include "core/band_jobs.h"
#include "core/image_buffers.h"
#include "core/thread_context.h"
#include "core/library_globals.h"
#include "core/thread_pool.h"
#include "resample/sample_store.h"

namespace Pictura {

template <class T>
struct SampleTraits;
template <>
struct SampleTraits<uint8_t> {
  static constexpr uint8_t kMax = 255;
  static constexpr bool kInteger = true;
  static constexpr double kSnap = kSnapU8;
};
template <>
struct SampleTraits<uint16_t> {
  static constexpr uint16_t kMax = 65535;
  static constexpr bool kInteger = true;
  static constexpr double kSnap = kSnapU16;
};
template <>
struct SampleTraits<double> {
  static constexpr double kMax = DBL_MAX;
  static constexpr bool kInteger = false;
};

// Integer samples: lifted onto a whole number just above (sample_store.h),
// truncated toward zero, then limited to the sample's range. Doubles are
// stored as computed.
template <class T>
inline T StoreTruncated(double v) {
  if constexpr (!SampleTraits<T>::kInteger) {
    return v;
  } else {
    v += SampleTraits<T>::kSnap;
    if (!(v > 0.0)) return 0;
    if (v >= static_cast<double>(SampleTraits<T>::kMax)) return SampleTraits<T>::kMax;
    return static_cast<T>(v);
  }
}

// Raises the calling thread's nesting depth while it lives.
class CPicNestingGuard {
 public:
  CPicNestingGuard() { PicNestingEnter(); }
  ~CPicNestingGuard() { PicNestingExit(); }
  CPicNestingGuard(const CPicNestingGuard&) = delete;
  CPicNestingGuard& operator=(const CPicNestingGuard&) = delete;
};

template <class T>
class CPicResizeBaseT {
 public:
  explicit CPicResizeBaseT(bool noGuard = false)
      : cancelCheck(HasProgressCallback() ? 1 : 0), maxValue(SampleTraits<T>::kMax) {
    if (!noGuard) guard_ = new (std::nothrow) CPicNestingGuard;
  }
  virtual ~CPicResizeBaseT() {
    delete guard_;
    guard_ = nullptr;
  }
  CPicResizeBaseT(const CPicResizeBaseT&) = delete;
  CPicResizeBaseT& operator=(const CPicResizeBaseT&) = delete;

  virtual uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) = 0;

  uint32_t error = 0;
  uint8_t cancelCheck;
  T maxValue;

 protected:
  // After a finished row (or channel, or column): false, with error 14, when
  // the thread's progress callback asks to stop.
  bool StepDone(uint32_t done, uint32_t total) {
    if (cancelCheck && PicProgress(done, total) <= 0) {
      error = kPicErrCancelled;
      return false;
    }
    return true;
  }
  uint32_t Fail(uint32_t code) {
    error = code;
    return 0;
  }

 private:
  CPicNestingGuard* guard_ = nullptr;
};

// Row stride holds channels x width samples.
template <class T>
inline bool StrideHoldsRow(const CPicImgBufBase<T>& b) {
  return uint64_t{b.stride} >= uint64_t{b.channels} * b.width;
}

// Copies the band's part of an image of equal size: only the band's pixels
// of each row, nothing past them.
template <class T>
inline void CopyImageBand(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const ThreadBand& band) {
  const T* s = src.ConstPixels();
  T* d = dst.Pixels();
  const uint32_t right = band.right < dst.width ? band.right : dst.width;
  const uint32_t bottom = band.bottom < dst.height ? band.bottom : dst.height;
  if (band.left >= right) return;
  const size_t offset = size_t{band.left} * src.channels;
  const size_t count = size_t{right - band.left} * src.channels;
  for (uint32_t y = band.top; y < bottom; ++y)
    std::memmove(d + size_t{y} * dst.stride + offset, s + size_t{y} * src.stride + offset, count * sizeof(T));
}

// The band, or the whole destination.
template <class T>
inline ThreadBand BandOrAll(const CPicImgBufBase<T>& dst, const ThreadBand* band) {
  if (!band) return ThreadBand{0, 0, dst.width, dst.height};
  return ThreadBand{band->left, band->top, band->right < dst.width ? band->right : dst.width,
                    band->bottom < dst.height ? band->bottom : dst.height};
}

// The job procedure of every band: the record's progress hook, a method
// object of its own (so the pool thread runs at nesting depth 1), the band,
// the object's error into the record.
template <class Method, class Job>
uint32_t RunBandJob(CPicThreadData* record) {
  auto* job = static_cast<Job*>(record);
  if (!job) return 0;
  BandProgressHook hook(*job);
  Method method;
  job->Run(method);
  job->error = method.error;
  return 0;
}

// Scale of the bilinear and decimating methods along one axis.
inline double RatioOf(uint32_t src, uint32_t dst) {
  return static_cast<double>(src) / static_cast<double>(dst);
}

}  // namespace Pictura
