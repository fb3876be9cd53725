#pragma once
// Test support: a stand-in player of the test's own window class, which
// answers the player control's "is playing" query with what it is told and
// shows a window text; the commands posted to it wait in its queue.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace player_test {

inline constexpr char kPlayerClass[] = "Waylune Test Player";
inline constexpr char kOtherPlayerClass[] = "Waylune Test Player 2";

// The queries (wParam, lParam of WM_USER) the stand-ins were sent, in order.
inline std::vector<std::pair<WPARAM, LPARAM>>& Queries() {
  static std::vector<std::pair<WPARAM, LPARAM>> queries;
  return queries;
}

inline LRESULT CALLBACK StandInPlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) Queries().emplace_back(wParam, lParam);
  if (message == WM_USER && lParam == 104) return GetWindowLongPtrA(window, GWLP_USERDATA);
  return DefWindowProcA(window, message, wParam, lParam);
}

class StandInPlayer {
 public:
  explicit StandInPlayer(const char* className = kPlayerClass) : className_(className) {}
  ~StandInPlayer() { Close(); }
  // Starts the player unless it runs; then it answers `playing` and shows `text`.
  void Show(int playing, const std::string& text) {
    if (!window_) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = StandInPlayerProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = className_;
      RegisterClassA(&wc);  // fails harmlessly once the class exists
      window_ = CreateWindowExA(0, className_, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, playing);
    SetWindowTextA(window_, text.c_str());
  }
  void Close() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
  }
  HWND Window() const { return window_; }
  // The command posted to the player last, 0 when none is waiting; a
  // command that does not come as a menu's (lParam 0) counts as none.
  int TakeCommand() {
    int command = 0;
    MSG msg;
    while (window_ && PeekMessageA(&msg, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE))
      command = msg.lParam == 0 ? static_cast<int>(msg.wParam) : 0;
    return command;
  }

 private:
  const char* className_;
  HWND window_ = nullptr;
};

}  // namespace player_test
