#pragma once
// Test support: plain windows of a test's own class, and waiting while the
// test thread answers its messages (other threads that move or hide its
// windows, or send to them, wait for that).

#include <windows.h>

// A popup window of class `className` (registered on first use) with `proc`.
inline HWND MakeTestWindow(const char* className, WNDPROC proc, DWORD exStyle = 0, const char* title = "",
                           RECT place = {0, 0, 50, 50}) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  RegisterClassA(&wc);  // fails harmlessly once the class exists
  return CreateWindowExA(exStyle, className, title, WS_POPUP, place.left, place.top, place.right - place.left,
                         place.bottom - place.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Dispatches this thread's messages until done() or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
