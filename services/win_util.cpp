#include "services/win_util.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>

#include "services/app_globals.h"
#include "services/handles.h"
#include "services/shell_requests.h"

DWORD GetDllVersion(const char* fileName) {
  const OwnedLibrary library(LoadLibraryA(fileName));
  if (!library) return 0;
  DWORD version = 0;
  auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
      reinterpret_cast<void*>(GetProcAddress(library.get(), "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info)))
      version = ((info.dwMajorVersion & 0xFFFF) << 16) | (info.dwMinorVersion & 0xFFFF);
  }
  return version;
}

int ShowErrorBox(const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  MessageBoxA(ShellWindow(), text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
  return 0;
}

HBRUSH KeyBrush() {
  // Made once, before any window of the program asks for it; freed with the
  // process (windows of the class may live until the very end).
  static const OwnedBrush brush(CreateSolidBrush(kKeyColour));
  return brush.get();
}

void NudgeMouse() {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  SendInput(1, &input, sizeof input);
}
