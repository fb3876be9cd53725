#pragma once
// Operation objects and the entry protocol in one place.
//
//   BOOL PICAPI pic_Something(args) {
//     return PicRunEntry<BOOL>("pic_Something", [&](uint32_t& err) { return SomethingCore(&err, args); });
//   }
//
// PicRunEntry: no thread state -> 0 at once, nothing reported; else runs the
// core on a fresh error word (exceptions become codes: bad_alloc 1,
// PicException its code, anything else 17), reports the word once under the
// entry's name and returns the core's result.
// PicBeginSetter: for setters and getters: reports 0 under the name first
// (clearing the last error) and returns the state, or null.

#include <cstdint>
#include <new>
#include <type_traits>

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {

// The operation object whose only field is the error word.
struct CPicErrorHolder {
  uint32_t error = 0;
};

inline void InitErrorCode(uint32_t* error) {
  if (error) *error = 0;
}

template <class R, class F>
R PicRunEntry(const char* name, F&& core) {
  if (!GetImgThreadContext()) return R{};
  uint32_t error = 0;
  R result{};
  try {
    result = core(error);
  } catch (const PicException& e) {
    error = e.Code() ? e.Code() : static_cast<uint32_t>(kPicErrUnexpected);
    result = R{};
  } catch (const std::bad_alloc&) {
    error = kPicErrNoMemory;
    result = R{};
  } catch (...) {
    error = kPicErrUnexpected;
    result = R{};
  }
  PicReportError(error, name, nullptr);
  return result;
}

inline ImgThreadContext* PicBeginSetter(const char* name) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (ctx) PicReportError(0, name, nullptr);
  return ctx;
}

}  // namespace Pictura
