#pragma once
// Process-wide side of the library: pool settings and the pool, processor
// features, the shared lookup tables, byte-order routines and debug aids.
// Settings are plain words meant to be set before work starts; they are
// atomics so that reads from pool threads are race-free.

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "core/thread_context.h"  // DebugTrace
#include "core/library_globals.h"
#include "core/thread_pool.h"
#include "core/wintypes.h"

namespace Pictura {

// Processor features: the low word in bits 0-15, the high word in bits 16-31.
enum CpuFeatureBit : uint32_t {
  kCpuMMX = 0x001,
  kCpuSSE = 0x002,
  kCpuSSE2 = 0x004,
  kCpuSSE3 = 0x008,
  kCpuSSSE3 = 0x010,
  kCpuSSE41 = 0x020,
  kCpuSSE42 = 0x040,
  kCpuAES = 0x080,
  kCpuAVX = 0x100,
  kCpuAmdMMXExt = 0x01u << 16,
  kCpu3DNow = 0x02u << 16,
  kCpu3DNowExt = 0x04u << 16,
  kCpuSSE4a = 0x08u << 16,
  kCpuXOP = 0x10u << 16,
};

struct CpuFeatureFlags {
  uint16_t low = 0;
  uint16_t high = 0;
};

using PicMemcpyFn = void* (*)(void* destination, const void* source, size_t count);

struct ImgLibraryGlobals {
  std::atomic<uint32_t> poolThreadCount{8};
  std::atomic<uint32_t> threadsPerOperation{4};
  std::atomic<uint32_t> poolWaitTimeout{0xFFFFFFFFu};
  std::atomic<uint32_t> poolPollInterval{200};
  CPicThreadPool pool;
  PicMemcpyFn memcpyHook;
  std::atomic<uint32_t> debugMessageLevel{2};
  std::atomic<uint8_t> tiffExtenderInstalled{0};
  std::atomic<void*> previousTiffExtender{nullptr};
  std::atomic<uint32_t> cpuFeatures{0};

  ImgLibraryGlobals();
};

ImgLibraryGlobals& LibraryGlobals();

// The library's pool (inside the library globals) and the work run on it.
CPicThreadPool& LibraryThreadPool();
uint32_t RunJobs(PicJobProc proc, std::span<CPicThreadData* const> jobs);
uint32_t RunJobs(PicJobProc proc, PicArray<CPicThreadData*>& jobs);
// The same with the calling thread running the first job (CPicThreadPool::Run).
uint32_t RunJobsWithCaller(PicJobProc proc, PicArray<CPicThreadData*>& jobs);
// The calling thread and at most `helpers` workers share the jobs
// (CPicThreadPool::RunShared).
uint32_t RunJobsShared(PicJobProc proc, std::span<CPicThreadData* const> jobs, uint32_t helpers);
// Threads per operation >= 2, the pool running and kPicFlagNoThreads clear.
bool UseThreadPool(uint32_t flags);
uint32_t GetThreadsPerOperation();

// Detects the processor's features (only ever sets bits).
CpuFeatureFlags DetectCpuFeatures();
// The current feature word (cleared by SetCpuFeaturesDisabled(1)).
uint32_t CpuFeatures();
inline bool HasCpuFeature(uint32_t bit) {
  return (CpuFeatures() & bit) != 0;
}

// Shared tables, built once before first use and never written again.
struct PicStaticTables {
  unsigned char alpha[256][256];  // [v][a] = trunc(v * a / 255)
  RGBQUAD grayPalette[256];
  unsigned char bitLow[8];             // 1 << i
  unsigned char bitHigh[8];            // 0x80 >> i
  unsigned char bitLowNot[8];          // ~(1 << i)
  unsigned char bitReverse[512];       // reversed bytes, then their complements
  unsigned char rangeMask[8][8];       // [r][c] = (0xFF << c) & (0xFF >> (7 - r))
  unsigned char bitExpand[2][256][8];  // bits of each byte, most significant first
};
const PicStaticTables& StaticTables();

// v * a / 255, truncated, through the alpha table.
inline unsigned char AlphaMul(unsigned v, unsigned a) {
  return StaticTables().alpha[v & 255][a & 255];
}
// A table blend: d towards c at weight a (0 keeps d, 255 gives c).
inline unsigned char TableBlend(unsigned char d, unsigned char c, unsigned a) {
  return static_cast<unsigned char>(AlphaMul(d, 255 - a) + AlphaMul(c, a));
}

// Starts the pool unless keepPoolStopped.
void PicInitializeCore(void* reserved, uint32_t keepPoolStopped);

// Byte order: big-endian value to host order in place; swap of two bytes.
void SwapBytes32(void* value);
void SwapBytes16(void* value);
void SwapBytePair(void* value);

// printf-style formatting that never writes more than size characters
// (always terminated when size > 0); returns the count it would have written.
int FormatText(char* buffer, size_t size, const char* format, ...);
std::string FormatTextUnbounded(const char* format, ...);
int FilePrintf(std::FILE* stream, const char* format, ...);

// FALSE for null or an unreadable block (unwritable with checkWrite).
BOOL IsBadBuffer(const void* pointer, uint32_t size, bool checkWrite);
// Wide text to the system code page (UTF-8 natively); empty on failure.
std::string WideToAnsiString(const wchar_t* text);

// At most 2000 characters plus a line feed appended to the log file, under
// one process-wide lock; a file that cannot be opened is skipped.
void LogToFile(const char* format, ...);
void SetLogFilePath(const char* path);
std::string LogFilePath();

// Timers for measuring the library's own speed (no operation calls them).
struct ProfileTimer {
  const char* name = nullptr;
  bool flagged = false;
  int64_t start = 0;
};
void ProfileTimerStart(ProfileTimer* timer, const char* name, bool flagged);
void ProfileTimerStop(ProfileTimer* timer);
void ProfileReport(uint32_t mode);
void ProfileTrace(const char* label, uint32_t tickStamp);

}  // namespace Pictura
