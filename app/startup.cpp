#include "app/startup.h"

#include "services/app_globals.h"
#include "services/messages.h"
#include "services/settings.h"


CommandWord ParseCommandWord(const char* commandLine) {
  char word[128];
  lstrcpynA(word, commandLine ? commandLine : "", 81);
  if (lstrcmpiA(word, "EXIT") == 0) return CommandWord::Exit;
  if (lstrcmpiA(word, "DEINSTALL") == 0) return CommandWord::Deinstall;
  if (lstrcmpiA(word, "AUTOSTART") == 0) return CommandWord::Autostart;
  return CommandWord::None;
}

namespace {

// The running instance's main window, polled until it appears or the time is up.
HWND WaitForMainWindow(const char* className, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindWindowA(className, nullptr)) return window;
    if (GetTickCount() - start >= milliseconds) return nullptr;
    Sleep(kForwardPollMs);
  }
}

}  // namespace

void ForwardToRunningInstance(CommandWord word, HINSTANCE instance, DWORD waitMs, const char* className) {
  // The entry goes whatever becomes of the hand-over.
  if (word == CommandWord::Deinstall) SetAutostart(0, instance);
  HWND running = FindWindowA(className, nullptr);
  // An instance still starting holds the mutex before it has its window: a
  // word that ends it waits for the window rather than being lost.
  if (!running && (word == CommandWord::Exit || word == CommandWord::Deinstall)) running = WaitForMainWindow(className, waitMs);
  if (!running) return;
  UINT message = MSG_SHOW_MENU;
  if (word == CommandWord::Exit || word == CommandWord::Deinstall) message = MSG_SHUTDOWN;
  // The running instance may take the foreground to pop up its menu.
  DWORD processId = 0;
  GetWindowThreadProcessId(running, &processId);
  AllowSetForegroundWindow(processId);
  // Posted: a busy or hung first instance must not keep this one alive.
  PostMessageA(running, message, 0, 0);
}
