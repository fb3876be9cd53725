// The pic_ entries of the library frame (state, errors, start, settings).
#include <algorithm>
#include <cstring>

#include "core/library_globals.h"
#include "core/operation.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"

using namespace Pictura;

namespace {
constexpr char kVersionText[] = "PIC 1.0.15.9";

uint32_t Clamp255(uint32_t n, uint32_t low) {
  return std::min<uint32_t>(std::max(n, low), 255);
}
}  // namespace

extern "C" {

BOOL PICAPI pic_Initialize(void* reserved) {
  if (!PicBeginSetter("pic_Initialize")) return FALSE;
  PicInitializeCore(reserved, 0);
  return TRUE;
}

BOOL PICAPI pic_InitializeEx(void* reserved, DWORD flags) {
  if (!PicBeginSetter("pic_InitializeEx")) return FALSE;
  PicInitializeCore(reserved, flags & 1u);
  return TRUE;
}

void PICAPI PicLibraryShutdown(void) {
  LibraryThreadPool().Stop();
}

DWORD PICAPI PicGetLastError(void) {
  ImgThreadContext* ctx = GetImgThreadContext();
  // Without a state no operation ran on this thread: that is not a success.
  return ctx ? ctx->lastError : static_cast<DWORD>(kPicErrNoThreadState);
}

DWORD PICAPI pic_GetCodecWarningCount(void) {
  ImgThreadContext* ctx = GetImgThreadContext();
  return ctx ? ctx->codecWarnings : 0;
}

void PICAPI pic_SetLastErrorProxy(DWORD code) {
  if (GetImgThreadContext()) PicReportError(code, "pic_SetLastErrorProxy", nullptr);
}

void PICAPI PicReportErrorEntry(DWORD code, const char* function) {
  if (GetImgThreadContext()) PicReportError(code, function, nullptr);
}

BOOL PICAPI pic_SetCallback(ProgressCallback callback, PIC_USERDATA user) {
  ImgThreadContext* ctx = PicBeginSetter("pic_SetCallback");
  if (!ctx) return FALSE;
  ctx->progressCallback = callback;
  ctx->callbackUserData = user;
  return TRUE;
}

ProgressCallback PICAPI pic_GetCallback(PIC_USERDATA* user) {
  ImgThreadContext* ctx = PicBeginSetter("pic_GetCallback");
  if (!ctx) return nullptr;
  if (user) *user = ctx->callbackUserData;
  return ctx->progressCallback;
}

BOOL PICAPI SetErrorCallback(ErrorCallback callback, PIC_USERDATA user) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return FALSE;
  ctx->errorCallback = callback;
  ctx->errorUserData = user;
  return TRUE;
}

BOOL PICAPI pic_SetFileReadAllocCallbacks(PicAllocCallback alloc, PicReallocCallback realloc,
                                          PicFreeCallback release, PIC_USERDATA user) {
  ImgThreadContext* ctx = PicBeginSetter("pic_SetFileReadAllocCallbacks");
  if (!ctx) return FALSE;
  ctx->allocCallback = alloc;
  ctx->reallocCallback = realloc;
  ctx->freeCallback = release;
  ctx->allocUserData = user;
  return TRUE;
}

BOOL PICAPI GetFileReadAllocCallbacks(PicAllocCallback* alloc, PicReallocCallback* realloc,
                                      PicFreeCallback* release, PIC_USERDATA* user) {
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return FALSE;
  if (alloc) *alloc = ctx->allocCallback;
  if (realloc) *realloc = ctx->reallocCallback;
  if (release) *release = ctx->freeCallback;
  if (user) *user = ctx->allocUserData;
  return TRUE;
}

void PICAPI GetDebugMessagesEntry(void** text, DWORD* size) {
  uint32_t n = 0;
  GetDebugMessages(text, &n);
  if (size) *size = n;
}

BOOL PICAPI pic_DumpJPGOutComments(const char* label) {
  ImgThreadContext* ctx = PicBeginSetter("pic_DumpJPGOutComments");
  if (!ctx) return FALSE;
  for (const auto& tag : ctx->jpeg.outputComments) {
    std::string text(reinterpret_cast<const char*>(tag->data.Data()), tag->data.Count());
    DebugHook(1, "%s txt (%x): %s\n", label ? label : "", static_cast<unsigned>(tag->data.Count()),
              text.c_str());
  }
  return TRUE;
}

BOOL PICAPI pic_SetDebugMessageLevel(DWORD level) {
  if (!PicBeginSetter("pic_SetDebugMessageLevel")) return FALSE;
  LibraryGlobals().debugMessageLevel.store(level, std::memory_order_relaxed);
  return TRUE;
}

void PICAPI SetPoolThreadCount(DWORD count) {
  if (GetImgThreadContext())
    LibraryGlobals().poolThreadCount.store(Clamp255(count, 2), std::memory_order_relaxed);
}

void PICAPI SetThreadsPerOperation(DWORD count) {
  if (GetImgThreadContext())
    LibraryGlobals().threadsPerOperation.store(Clamp255(count, 1), std::memory_order_relaxed);
}

void PICAPI SetPoolWaitTimeout(DWORD milliseconds) {
  if (GetImgThreadContext()) LibraryGlobals().poolWaitTimeout.store(milliseconds, std::memory_order_relaxed);
}

void PICAPI SetPoolPollInterval(DWORD milliseconds) {
  if (GetImgThreadContext()) LibraryGlobals().poolPollInterval.store(milliseconds, std::memory_order_relaxed);
}

void PICAPI SetCpuFeaturesDisabled(DWORD disabled) {
  uint32_t bits = 0;
  if (!disabled) {
    CpuFeatureFlags f = DetectCpuFeatures();
    bits = f.low | (static_cast<uint32_t>(f.high) << 16);
  }
  LibraryGlobals().cpuFeatures.store(bits, std::memory_order_relaxed);
}

DWORD PICAPI GetCpuFeature(DWORD index) {
  static constexpr uint32_t kBits[14] = {kCpuMMX,   kCpuSSE,      kCpuSSE2,  kCpuSSE3, kCpuSSSE3,
                                         kCpuSSE41, kCpuSSE42,    kCpuAES,   kCpuAVX,  kCpuAmdMMXExt,
                                         kCpu3DNow, kCpu3DNowExt, kCpuSSE4a, kCpuXOP};
  if (index >= 14) return 0;
  uint32_t bit = kBits[index];
  uint32_t word = CpuFeatures() & bit;
  return bit > 0xFFFF ? word >> 16 : word;
}

BOOL PICAPI pic_GetPicturaVersion(char* buffer) {
  if (!PicBeginSetter("pic_GetPicturaVersion")) return FALSE;
  if (!buffer) {
    PicReportError(kPicErrBadArgument, "pic_GetPicturaVersion", nullptr);
    return FALSE;
  }
  std::memset(buffer, 0, 20);
  std::memcpy(buffer, kVersionText, sizeof kVersionText - 1);
  return TRUE;
}

void PICAPI PicMemcpy(void* destination, const void* source, DWORD count) {
  if (destination && source && count) LibraryGlobals().memcpyHook(destination, source, count);
}

void PICAPI SwapBytes32Entry(void* value) {
  if (value) SwapBytes32(value);
}

void PICAPI SwapBytePairEntry(void* value) {
  if (value) SwapBytePair(value);
}

}  // extern "C"
