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
