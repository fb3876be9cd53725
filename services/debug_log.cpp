#include "services/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "services/app_globals.h"
#include "services/handles.h"
#include "services/portable/log_format.h"
#include "services/version.h"

namespace {

// The process's one log file, written from every thread: kept here rather
// than handed to everything that logs. One lock for the file handle: a line
// is formatted outside it and written inside it with one WriteFile, so lines
// of different threads never mix. Never destroyed: a thread still running at
// exit may log.
struct LogFile {
  std::mutex lock;
  OwnedFile file;
  std::atomic<int> started{0};  // once per run
};

LogFile& Log() {
  static LogFile* const log = new LogFile;
  return *log;
}

const char kDashes[] = "----------------------------------------------------------------------";  // 70

void WriteRaw(const char* text, size_t length) {
  std::lock_guard<std::mutex> lock(Log().lock);
  if (!Log().file || length == 0) return;
  DWORD written = 0;
  WriteFile(Log().file.get(), text, static_cast<DWORD>(length), &written, nullptr);
}

void WriteRaw(const std::string& text) {
  WriteRaw(text.data(), text.size());
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[kLogLineMax + 1];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return n < 0 ? std::string() : std::string(text);
}

std::string ProductTypeFromRegistry() {
  const OwnedKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE,
                                       "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", KEY_QUERY_VALUE);
  if (!key) return "";
  char type[80] = {};
  DWORD size = sizeof type - 1;
  DWORD kind = 0;
  std::string words;
  if (RegQueryValueExA(key.get(), "ProductType", nullptr, &kind, reinterpret_cast<BYTE*>(type), &size) ==
          ERROR_SUCCESS &&
      kind == REG_SZ) {
    type[size < sizeof type ? size : sizeof type - 1] = 0;
    if (lstrcmpiA(type, "WINNT") == 0) words = "Workstation ";
    if (lstrcmpiA(type, "SERVERNT") == 0) words = "Server ";
  }
  return words;
}

void LogOsVersion() {
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  bool extended = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
  if (!extended) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return;
  }
  std::string line;
  const DWORD major = info.dwMajorVersion;
  const DWORD minor = info.dwMinorVersion;
  switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      line = "Win32s ";
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major == 4 && minor == 0) {
        line = "Windows 95 ";
        if (info.szCSDVersion[1] == 'C') line += "OSR2 ";
      } else if (major == 4 && minor == 10) {
        line = "Windows 98 ";
        if (info.szCSDVersion[1] == 'A') line += "SE ";
      } else if (major == 4 && minor == 90) {
        line = "Windows ME ";
      }
      break;
    case VER_PLATFORM_WIN32_NT:
      if (major <= 4)
        line = "Windows NT ";
      else if (major == 5 && minor == 0)
        line = "Windows 2000 ";
      else if (major == 5 && minor == 1)
        line = "Windows XP ";
      if (extended) {
        if (info.wProductType == VER_NT_WORKSTATION)
          line += (info.wSuiteMask & 0x200) ? "Personal " : "Professional ";
        else if (info.wSuiteMask & 0x80)
          line += "DataCenter Server ";
        else if (info.wSuiteMask & 0x2)
          line += "Advanced Server ";
        else
          line += "Server ";
      } else {
        line += ProductTypeFromRegistry();
      }
      if (major <= 4)
        line += Format("version %lu.%lu %s (Build %lu)", major, minor, info.szCSDVersion,
                       info.dwBuildNumber & 0xFFFF);
      else
        line += Format("%s (Build %lu)", info.szCSDVersion, info.dwBuildNumber & 0xFFFF);
      break;
    default:
      break;
  }
  WriteRaw(line + "\r\n");
}

void LogMemoryInfo() {
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof memory;
  if (!GlobalMemoryStatusEx(&memory)) return;
  std::string text = Format("%s %lu\r\n", "Relative memory load [0-100]: ", memory.dwMemoryLoad);
  text += Format("%s %lluKB\r\n", "Total physical memory: ", memory.ullTotalPhys >> 10);
  text += Format("%s %lluKB\r\n", "Available physical memory: ", memory.ullAvailPhys >> 10);
  text += Format("%s %lluMB\r\n", "Maximum pagefile space: ", memory.ullTotalPageFile >> 20);
  text += Format("%s %lluMB\r\n", "Available pagefile space: ", memory.ullAvailPageFile >> 20);
  WriteRaw(text);
}

void LogProcessorInfo() {
  SYSTEM_INFO system = {};
  GetSystemInfo(&system);
  std::string text;
  switch (system.dwProcessorType) {
    case 386:
      text = "Processor Type: 80386 \r\n";
      break;
    case 486:
      text = "Processor Type: 80486 \r\n";
      break;
    case 586:
      text = "Processor Type: Pentium \r\n";
      break;
    default:
      text = "Processor Type: ? \r\n";
      break;
  }
  text += Format("Number of Processors: %lu \r\n", system.dwNumberOfProcessors);
  char identifier[512];
  DWORD length = ExpandEnvironmentStringsA("PROCESSOR_IDENTIFIER: %PROCESSOR_IDENTIFIER%", identifier,
                                           sizeof identifier);
  if (length > 0 && length <= sizeof identifier) text += std::string(identifier) + "\r\n";
  WriteRaw(text);
}

void LogDisplayInfo() {
  const int monitors = GetSystemMetrics(SM_CMONITORS);
  std::string text = Format("Number of Monitors: %u \r\n", static_cast<unsigned>(monitors));
  for (int i = 0; i < monitors; ++i) {
    DISPLAY_DEVICEA device = {};
    device.cb = sizeof device;
    if (EnumDisplayDevicesA(nullptr, static_cast<DWORD>(i), &device, 0))
      text += Format("DeviceString: %s \r\n", device.DeviceString);
  }
  const WindowDC screen(nullptr);
  if (HDC dc = screen.get()) {
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    const int planes = GetDeviceCaps(dc, PLANES);
    long colors = GetDeviceCaps(dc, NUMCOLORS);
    if (colors < 0) {
      const int shift = bits * planes;
      colors = (shift >= 0 && shift < 31) ? (1L << shift) : 0;  // 32-bit colour counts wrap to 0
    }
    const int raster = GetDeviceCaps(dc, RASTERCAPS);
    text += Format("HORZRES:      %d \r\n", GetDeviceCaps(dc, HORZRES));
    text += Format("VERTRES:      %d \r\n", GetDeviceCaps(dc, VERTRES));
    text += Format("BITSPIXEL:    %d \r\n", bits);
    text += Format("PLANES:       %d \r\n", planes);
    text += Format("NUMCOLORS:    %ld \r\n", colors);
    text += Format("SIZEPALETTE:  %d \r\n", GetDeviceCaps(dc, SIZEPALETTE));
    text += Format("RC_BITBLT:    %d \r\n", (raster & RC_BITBLT) ? 1 : 0);
    text += Format("RC_BITMAP64:  %d \r\n", (raster & RC_BITMAP64) ? 1 : 0);
    text += Format("RC_DI_BITMAP: %d \r\n", (raster & RC_DI_BITMAP) ? 1 : 0);
    text += Format("BLTALIGNMENT: %d \r\n", GetDeviceCaps(dc, BLTALIGNMENT));
  }
  WriteRaw(text);
}

std::string Timestamp() {
  char stamp[64];
  FormatLogTimestamp(stamp, sizeof stamp);
  return stamp;
}

}  // namespace

void FormatLogTimestamp(char* buffer, int size) {
  if (!buffer || size <= 0) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  FormatTimestampParts(buffer, static_cast<size_t>(size), now.wDay, now.wMonth, now.wYear, now.wHour,
                       now.wMinute, now.wSecond);
}

bool LogOn() {
  std::lock_guard<std::mutex> lock(Log().lock);
  return static_cast<bool>(Log().file);
}

void WriteLogLine(const char* format, ...) {
  if (Log().started.load() == 0 || !LogOn()) return;
  char stamp[64];
  FormatLogTimestamp(stamp, sizeof stamp);
  char line[kLogLineMax + 1];
  va_list args;
  va_start(args, format);
  size_t length = FormatLogLine(line, stamp, format, args);
  va_end(args);
  WriteRaw(line, length);
}

void LogStart(HWND, const char* fileName, int speed) {
  if (Log().started.exchange(1)) return;  // once per run
  HANDLE file = CreateFileA(fileName ? fileName : "", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  {
    std::lock_guard<std::mutex> lock(Log().lock);
    Log().file.reset(file);
  }
  WriteRaw(std::string(kDashes) + "\r\n" + Timestamp() + " START\r\n");
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  WriteRaw(Format("%s V%d.%d.%d.%d\r\n%s\r\n", PRODUCT_TITLE, VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH,
                  VERSION_BUILD, program));
  LogOsVersion();
  LogMemoryInfo();
  LogProcessorInfo();
  LogDisplayInfo();
  WriteRaw(Format("Speed-Animation: %3d\r\n", speed));
}

void LogEnd() {
  std::string tail = Timestamp() + " ENDE\r\n" + kDashes + "\r\n\r\n";
  std::lock_guard<std::mutex> lock(Log().lock);
  if (!Log().file) return;
  DWORD written = 0;
  WriteFile(Log().file.get(), tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr);
  Log().file.reset();
}
