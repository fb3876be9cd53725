#include "services/threads.h"

void WaitForThread(HANDLE thread, DWORD milliseconds) {
  if (!thread) return;
  const DWORD deadline = GetTickCount() + milliseconds;
  for (;;) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
    DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (left == 0) return;
  }
}

void WaitForAndCloseThread(HANDLE thread, DWORD milliseconds) {
  if (!thread) return;
  WaitForThread(thread, milliseconds);
  CloseHandle(thread);
}
