#pragma once
// A stand-in for the shell's tray window: the shell hands every tray-icon
// call to the window of class "Shell_TrayWnd" as WM_COPYDATA, so a window of
// that class created after the shell's own receives them and records them.

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/handles.h"

namespace e2e {

struct TrayCall {
  DWORD action;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
  HWND owner;    // window that owns the icon
  std::vector<BYTE> data;
  // The payload holds this tip as a terminated UTF-16 string.
  bool HasTip(const std::string& tip) const;
};

class FakeTray {
 public:
  FakeTray();
  ~FakeTray();
  bool ready() const { return window_ != nullptr; }
  std::vector<TrayCall> Calls();
  // Waits for a call with this action (and tip, when given); false on timeout.
  bool WaitForCall(DWORD action, const char* tip, DWORD timeoutMs);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run();

  std::thread thread_;
  HWND window_ = nullptr;
  OwnedHandle readyEvent_;
  std::mutex mutex_;
  std::vector<TrayCall> calls_;
};

}  // namespace e2e
