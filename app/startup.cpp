#include "app/startup.h"

#include "app/app_globals.h"
#include "app/messages.h"
#include "app/settings.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>

CommandWord ParseCommandWord(const char* commandLine) {
  char word[128];
  lstrcpynA(word, commandLine ? commandLine : "", 81);
  if (lstrcmpiA(word, "EXIT") == 0) return CommandWord::Exit;
  if (lstrcmpiA(word, "DEINSTALL") == 0) return CommandWord::Deinstall;
  if (lstrcmpiA(word, "AUTOSTART") == 0) return CommandWord::Autostart;
  return CommandWord::None;
}

DWORD GetDllVersion(const char* fileName) {
  HMODULE library = LoadLibraryA(fileName);
  if (!library) return 0;
  DWORD version = 0;
  auto getVersion = reinterpret_cast<HRESULT(CALLBACK*)(DLLVERSIONINFO*)>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info))) version = ((info.dwMajorVersion & 0xFFFF) << 16) | (info.dwMinorVersion & 0xFFFF);
  }
  FreeLibrary(library);
  return version;
}

int ShowErrorBox(const char* format, ...) {
  char text[128];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  MessageBoxA(FigureWindow, text, PRODUCT_TITLE, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
  return 0;
}

void ForwardToRunningInstance(CommandWord word, HINSTANCE instance) {
  HWND running = FindWindowA(MAIN_CLASS_NAME, nullptr);
  if (!running) return;
  UINT message = MSG_SHOW_MENU;
  if (word == CommandWord::Exit) message = MSG_SHUTDOWN;
  if (word == CommandWord::Deinstall) {
    SetAutostart(0, instance);
    message = MSG_SHUTDOWN;
  }
  // The running instance may take the foreground to pop up its menu.
  DWORD processId = 0;
  GetWindowThreadProcessId(running, &processId);
  AllowSetForegroundWindow(processId);
  // Posted: a busy or hung first instance must not keep this one alive.
  PostMessageA(running, message, 0, 0);
}
