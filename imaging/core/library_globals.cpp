#include "core/library_globals.h"

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>

#include "core/test_hooks.h"
#include "core/thread_context.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace Pictura {

namespace {

PicStaticTables BuildBlendTables() {
  PicStaticTables t{};
  for (int v = 0; v < 256; ++v)
    for (int a = 0; a < 256; ++a)
      t.alpha[v][a] = static_cast<unsigned char>(v * a / 255);  // exact: no float error
  for (int i = 0; i < 256; ++i) {
    auto b = static_cast<BYTE>(i);
    t.grayPalette[i] = RGBQUAD{b, b, b, 0};
  }
  for (int i = 0; i < 8; ++i) {
    t.bitLow[i] = static_cast<unsigned char>(1u << i);
    t.bitHigh[i] = static_cast<unsigned char>(0x80u >> i);
    t.bitLowNot[i] = static_cast<unsigned char>(~(1u << i));
  }
  for (int i = 0; i < 256; ++i) {
    unsigned r = 0;
    for (int b = 0; b < 8; ++b)
      if (i & (1 << b)) r |= 0x80u >> b;
    t.bitReverse[i] = static_cast<unsigned char>(r);
    t.bitReverse[256 + i] = static_cast<unsigned char>(~r);
  }
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c)
      t.rangeMask[r][c] = static_cast<unsigned char>((0xFFu << c) & (0xFFu >> (7 - r)));
  for (int copy = 0; copy < 2; ++copy)
    for (int i = 0; i < 256; ++i)
      for (int b = 0; b < 8; ++b) t.bitExpand[copy][i][b] = static_cast<unsigned char>((i >> (7 - b)) & 1);
  return t;
}

std::mutex g_logLock;  // one lock for the one log file, whichever thread writes
std::string& LogPathStorage() {
#ifdef _WIN32
  static std::string path = "C:\\temp\\PicLog.txt";
#else
  static std::string path = "/tmp/PicLog.txt";
#endif
  return path;
}

struct ProfileEntry {
  std::string name;
  double seconds = 0;
  bool flagged = false;
};
std::mutex g_profileLock;
std::map<const void*, ProfileEntry>& ProfileTable() {
  static std::map<const void*, ProfileEntry> table;
  return table;
}

int64_t NowTicks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CpuFeatureFlags DetectCpuFeatures() {
  CpuFeatureFlags f;
#if defined(__i386__) || defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(0, &a, &b, &c, &d) && a >= 1) {
    __cpuid(1, a, b, c, d);
    if (d & (1u << 23)) f.low |= 0x001;
    if (d & (1u << 25)) f.low |= 0x002;
    if (d & (1u << 26)) f.low |= 0x004;
    if (c & (1u << 0)) f.low |= 0x008;
    if (c & (1u << 9)) f.low |= 0x010;
    if (c & (1u << 19)) f.low |= 0x020;
    if (c & (1u << 20)) f.low |= 0x040;
    if (c & (1u << 25)) f.low |= 0x080;
    if (c & (1u << 28)) f.low |= 0x100;
  }
  __cpuid(0x80000000u, a, b, c, d);
  if (a >= 0x80000001u) {
    __cpuid(0x80000001u, a, b, c, d);
    if (d & (1u << 22)) f.high |= 0x01;
    if (d & (1u << 31)) f.high |= 0x02;
    if (d & (1u << 30)) f.high |= 0x04;
    if (c & (1u << 6)) f.high |= 0x08;
    if (c & (1u << 11)) f.high |= 0x10;
  }
#endif
  return f;
}

ImgLibraryGlobals::ImgLibraryGlobals() : memcpyHook(&std::memcpy) {
  CpuFeatureFlags f = DetectCpuFeatures();
  cpuFeatures.store(f.low | (static_cast<uint32_t>(f.high) << 16), std::memory_order_relaxed);
  (void)StaticTables();
}

ImgLibraryGlobals& LibraryGlobals() {
  static ImgLibraryGlobals globals;
  return globals;
}

CPicThreadPool& LibraryThreadPool() {
  return LibraryGlobals().pool;
}

uint32_t RunJobs(PicJobProc proc, std::span<CPicThreadData* const> jobs) {
  return LibraryThreadPool().Run(proc, jobs);
}

uint32_t RunJobs(PicJobProc proc, PicArray<CPicThreadData*>& jobs) {
  return LibraryThreadPool().Run(proc, std::span<CPicThreadData* const>(jobs.Data(), jobs.Count()));
}

uint32_t RunJobsWithCaller(PicJobProc proc, PicArray<CPicThreadData*>& jobs) {
  return LibraryThreadPool().Run(proc, std::span<CPicThreadData* const>(jobs.Data(), jobs.Count()), true);
}

uint32_t RunJobsShared(PicJobProc proc, std::span<CPicThreadData* const> jobs, uint32_t helpers) {
  return LibraryThreadPool().RunShared(proc, jobs, helpers);
}

uint32_t GetThreadsPerOperation() {
  return LibraryGlobals().threadsPerOperation.load(std::memory_order_relaxed);
}

bool UseThreadPool(uint32_t flags) {
  // A job that splits again would wait on the workers it occupies.
  if (IsPoolWorkerThread() || (flags & kPicFlagNoThreads)) return false;
  return GetThreadsPerOperation() >= 2 && LibraryThreadPool().IsRunning();
}

uint32_t CpuFeatures() {
  return LibraryGlobals().cpuFeatures.load(std::memory_order_relaxed);
}

const PicStaticTables& StaticTables() {
  static const PicStaticTables tables = BuildBlendTables();
  return tables;
}

void PicInitializeCore(void*, uint32_t keepPoolStopped) {
  if (keepPoolStopped) return;
  ImgLibraryGlobals& g = LibraryGlobals();
  g.pool.Start(g.poolThreadCount.load(std::memory_order_relaxed),
               g.poolWaitTimeout.load(std::memory_order_relaxed),
               g.poolPollInterval.load(std::memory_order_relaxed));
}

void SwapBytes32(void* value) {
  auto* b = static_cast<unsigned char*>(value);
  uint32_t v = static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
               static_cast<uint32_t>(b[2]) << 8 | b[3];
  std::memcpy(value, &v, 4);
}

void SwapBytes16(void* value) {
  auto* b = static_cast<unsigned char*>(value);
  auto v = static_cast<uint16_t>(b[0] << 8 | b[1]);
  std::memcpy(value, &v, 2);
}

void SwapBytePair(void* value) {
  auto* b = static_cast<unsigned char*>(value);
  unsigned char t = b[0];
  b[0] = b[1];
  b[1] = t;
}

int FormatText(char* buffer, size_t size, const char* format, ...) {
  if (!buffer || size == 0 || !format) return 0;
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return n;
}

std::string FormatTextUnbounded(const char* format, ...) {
  if (!format) return {};
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

int FilePrintf(std::FILE* stream, const char* format, ...) {
  if (!stream || !format) return -1;
  va_list args;
  va_start(args, format);
  int n = std::vfprintf(stream, format, args);
  va_end(args);
  return n;
}

BOOL IsBadBuffer(const void* pointer, uint32_t size, bool checkWrite) {
  if (!pointer) return FALSE;
#ifdef _WIN32
  if (IsBadReadPtr(pointer, size)) return FALSE;
  if (checkWrite && IsBadWritePtr(const_cast<void*>(pointer), size)) return FALSE;
#else
  (void)size;
  (void)checkWrite;
#endif
  return TRUE;
}

std::string WideToAnsiString(const wchar_t* text) {
  if (!text || !*text) return {};
#ifdef _WIN32
  int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr) <= 0) return {};
  out.resize(static_cast<size_t>(n - 1));
  return out;
#else
  std::string out;
  for (; *text; ++text) {
    auto c = static_cast<uint32_t>(*text);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
#endif
}

void SetLogFilePath(const char* path) {
  std::lock_guard<std::mutex> guard(g_logLock);
  LogPathStorage() = path ? path : "";
}

std::string LogFilePath() {
  std::lock_guard<std::mutex> guard(g_logLock);
  return LogPathStorage();
}

void LogToFile(const char* format, ...) {
  if (!format) return;
  char text[2001];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::lock_guard<std::mutex> guard(g_logLock);
  std::FILE* f = std::fopen(LogPathStorage().c_str(), "a");
  if (!f) return;
  std::fputs(text, f);
  std::fputc('\n', f);
  std::fclose(f);
}

void ProfileTimerStart(ProfileTimer* timer, const char* name, bool flagged) {
  if (!timer) return;
  timer->name = name;
  timer->flagged = flagged;
  timer->start = NowTicks();
}

void ProfileTimerStop(ProfileTimer* timer) {
  if (!timer || !timer->name) return;
  double seconds = static_cast<double>(NowTicks() - timer->start) / 1e9;
  std::lock_guard<std::mutex> guard(g_profileLock);
  auto& table = ProfileTable();
  auto it = table.find(timer->name);
  if (it == table.end())
    table.emplace(timer->name, ProfileEntry{timer->name, seconds, timer->flagged});
  else
    it->second.seconds += seconds;
}

void ProfileReport(uint32_t mode) {
  std::lock_guard<std::mutex> guard(g_profileLock);
  const auto& table = ProfileTable();
  double reference = 0;
  for (const auto& [key, e] : table)
    if (e.flagged) {
      reference = e.seconds;
      break;
    }
  for (const auto& [key, e] : table) {
    DebugTrace("%s", e.name.c_str());
    if (mode == 1 && reference != 0)
      DebugTrace("\t\t%5.3fs\t(%4.2f%%)\n", e.seconds, e.seconds * 100.0 / reference);
    else
      DebugTrace("\t\t%5.3fs\n", e.seconds);
  }
}

void ProfileTrace(const char* label, uint32_t tickStamp) {
  auto now = static_cast<uint32_t>(NowTicks() / 1000000);
  uint32_t ms = now - tickStamp;
  DebugTrace("%s", label ? label : "");
  DebugTrace("%4.2f  (%d)\n", ms / 1000.0, static_cast<int>(ms));
}

}  // namespace Pictura
