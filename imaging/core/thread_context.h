#pragma once
// Per-thread library state and the entry protocol.
//
// Every pic_ entry: GetImgThreadContext() (null: return 0 at once, nothing
// reported); run the core on an error word (an operation object whose first
// word is the error word); PicReportError(word, "pic_Name", nullptr) once;
// return the core's result. Setters and getters report 0 first instead.
// Cores raise the nesting depth while they run (PicNestingScope) and call the
// progress callback only at depth 1 (PicProgress).
// See core/entry.h for helpers that do all of this.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/allocators.h"
#include "core/codec_options.h"
#include "core/picapi.h"
#include "core/pictura_codes.h"

namespace Pictura {

// Library error codes: the public names (core/pictura_codes.h).
using ImgLibErrorCode = PicErrorCode;

struct MessageRecord {
  std::string text;
  uint32_t code = 0;
  uint32_t level = 0;
};

struct ImgThreadContext {
  ProgressCallback progressCallback = nullptr;
  int32_t nestingDepth = 0;
  PIC_USERDATA callbackUserData = 0;
  ErrorCallback errorCallback = nullptr;
  PIC_USERDATA errorUserData = 0;
  PicAllocCallback allocCallback = nullptr;
  PicReallocCallback reallocCallback = nullptr;
  PicFreeCallback freeCallback = nullptr;
  PIC_USERDATA allocUserData = 0;
  PNGOptions png;
  CPicJPGInfo jpeg;
  TIFFWriteOptions tiffWrite;
  TextSettings text;
  PicPtrVector<CFileDataTag> tlaInputTags;
  PicArray<unsigned char> codecBytes;  // owned by the PSD codec
  std::vector<TagRecord> tagRecordsA;
  std::vector<TagRecord> tagRecordsB;
  GIFFrameList gifFrames;
  GIFWriteBlock gifWrite;
  uint32_t hbitmapMethod = 0;  // 1: HBITMAPs through a DIB section
  uint32_t metafileBackground = 0;
  uint32_t metafileWidth = 100;
  uint32_t metafileHeight = 100;
  PicArray<unsigned char> iccProfile;
  uint32_t lastError = 0;
  uint32_t codecWarnings = 0;  // warnings the codecs gave on this thread (wraps)
  int32_t suppression = 0;     // while above 0, PicReportError does nothing
  std::deque<MessageRecord> messages;

  ImgThreadContext() = default;
  ~ImgThreadContext();
  ImgThreadContext(const ImgThreadContext&) = delete;
  ImgThreadContext& operator=(const ImgThreadContext&) = delete;
};

// The calling thread's state, made on its first call; null when none can be
// had (then every entry returns 0 at once). Freed when the thread ends.
ImgThreadContext* GetImgThreadContext();

// Number of thread states alive now (diagnostics and tests).
size_t LiveThreadContextCount();

// Stores code as the thread's last error; for a non-zero code also formats
// "Error %d in %s (%s)[ [%s]]", calls the error callback with the name and
// appends the text to the message list. Does nothing while suppressed.
void PicReportError(uint32_t code, const char* function, const char* detail);

// Suppression counter, raised and lowered in pairs (PicSuppressScope).
void PicSuppressErrors();
void PicUnsuppressErrors();

// Appends a record (at most 51 kept, oldest dropped); unless quiet the text
// also goes to DebugHook.
void LogDebugMessage(const char* text, uint32_t code, uint32_t level, bool quiet);

// One GlobalAlloc(GMEM_ZEROINIT) block with every message text followed by a
// line feed, then a zero byte; size = text lengths + records + 1. With no
// records both outputs are 0. The caller frees the block with GlobalFree.
void GetDebugMessages(void** text, uint32_t* size);

// "h:mm:ss" style: each field "%d", or "0%d" below 10, joined by ':'.
std::string FormatTimeOfDay();

// The trace point of the library: does nothing (a place for a breakpoint).
void DebugHook(uint32_t level, const char* format, ...);
// At most 1024 characters to the debugger output, and to DebugHook.
void DebugTrace(const char* format, ...);

bool HasProgressCallback();
void SetProgressCallback(ProgressCallback callback, PIC_USERDATA user);

// Nesting depth of library operations on the calling thread.
void PicNestingEnter();
void PicNestingExit();
int32_t PicNestingDepth();

// Calls the progress callback with (done, total, user data) when the depth
// is exactly 1 and a callback is set; returns its answer, or TRUE when it
// was not called.
BOOL PicProgress(uint32_t done, uint32_t total);

// Raises the nesting depth for its lifetime (every way out lowers it).
class PicNestingScope {
 public:
  PicNestingScope() { PicNestingEnter(); }
  ~PicNestingScope() { PicNestingExit(); }
  PicNestingScope(const PicNestingScope&) = delete;
  PicNestingScope& operator=(const PicNestingScope&) = delete;
};

// Raises the error-suppression counter for its lifetime.
class PicSuppressScope {
 public:
  PicSuppressScope() { PicSuppressErrors(); }
  ~PicSuppressScope() { PicUnsuppressErrors(); }
  PicSuppressScope(const PicSuppressScope&) = delete;
  PicSuppressScope& operator=(const PicSuppressScope&) = delete;
};

}  // namespace Pictura
