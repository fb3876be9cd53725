#pragma once
// Small pieces the codecs share.

#include <cstdint>

#include "core/thread_context.h"

namespace Pictura {

// A failure of a codec: its text into the thread's message list (level 3)
// and into the trace behind the codec's prefix ("PicLib JPG Error : ").
// Never throws: it also runs beside the C libraries.
inline void PicLogCodecFailure(const char* prefix, const char* text, uint32_t code) {
  try {
    LogDebugMessage(text, code, 3, false);
  } catch (...) {
    // no room for the record: the code still reaches the caller
  }
  DebugHook(3, "%s%s\n", prefix, text);
}

// Runs f() and turns any exception into false: for the stream calls made
// from inside libjpeg's and libpng's callbacks.
template <class F>
bool PicCallNoThrow(F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return false;
  }
}

// Sets the error word and returns the empty result: a refusal in one line.
template <class T>
T PicFail(uint32_t* error, uint32_t code) {
  *error = code;
  return T{};
}

// Damage a reader read past (a cut-off stream, a missing colour table,
// samples out of range): the picture is returned, and the thread's warning
// count (pic_GetCodecWarningCount) tells the caller.
inline void PicCountCodecWarning() {
  if (ImgThreadContext* ctx = GetImgThreadContext()) ++ctx->codecWarnings;
}
inline uint32_t PicCodecWarningCount() {
  const ImgThreadContext* ctx = GetImgThreadContext();
  return ctx ? ctx->codecWarnings : 0;
}

// Little-endian header fields.
inline void PicPutLE16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PicPutLE32(uint8_t* p, uint32_t v) {
  PicPutLE16(p, v);
  PicPutLE16(p + 2, v >> 16);
}

}  // namespace Pictura
