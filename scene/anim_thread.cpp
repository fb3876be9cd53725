#include "scene/anim_thread.h"

#include "app/app_globals.h"
#include "app/debug_log.h"
#include "app/messages.h"

namespace {

HANDLE threadHandle;

// Stand-in loop: idle passes only, no scenes yet. It ends the program when it
// ends, like the real thread.
DWORD WINAPI AnimThread(void*) {
  while (QuitFlag.load(std::memory_order_relaxed) == 0) Sleep(100);
  WriteLogLine("AnimThread beendet");
  SendMessageA(FigureWindow, MSG_SHUTDOWN, 0, 0);
  return 0;
}

}  // namespace

int StartAnimThread() {
  threadHandle = CreateThread(nullptr, 0, AnimThread, nullptr, 0, nullptr);
  if (!threadHandle) {
    WriteLogLine("+++ AnimThread NICHT gestartet +++");
    return 0;
  }
  SetThreadPriority(threadHandle, THREAD_PRIORITY_ABOVE_NORMAL);
  WriteLogLine("AnimThread gestartet");
  return 1;
}

HANDLE AnimThreadHandle() { return threadHandle; }

int CanAnimateNow() { return FullScreenPause.load(std::memory_order_relaxed) ? 0 : 1; }
