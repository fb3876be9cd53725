#include "tests/e2e/fake_tray.h"

#include "tests/e2e/program_driver.h"

#include <cstring>

namespace e2e {

namespace {
FakeTray* activeTray;
}

bool TrayCall::HasTip(const std::string& tip) const {
  std::string wide;
  for (char c : tip) wide += {c, '\0'};
  wide.append(2, '\0');
  for (size_t i = 0; i + wide.size() <= data.size(); i += 2)
    if (std::memcmp(data.data() + i, wide.data(), wide.size()) == 0) return true;
  return false;
}

FakeTray::FakeTray() : readyEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  activeTray = this;
  thread_ = std::thread([this] { Run(); });
  WaitForSingleObject(readyEvent_.get(), 5000);
}

FakeTray::~FakeTray() {
  if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
  thread_.join();
  activeTray = nullptr;
}

void FakeTray::Run() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&windowClass);
  // Topmost, so the shell finds it before its own tray window.
  window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, windowClass.hInstance, nullptr);
  SetEvent(readyEvent_.get());
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  UnregisterClassA("Shell_TrayWnd", windowClass.hInstance);
}

LRESULT CALLBACK FakeTray::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA && activeTray) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    TrayCall call;
    call.action = static_cast<DWORD>(copy->dwData);
    call.owner = reinterpret_cast<HWND>(wParam);
    const BYTE* bytes = static_cast<const BYTE*>(copy->lpData);
    call.data.assign(bytes, bytes + copy->cbData);
    std::lock_guard<std::mutex> lock(activeTray->mutex_);
    activeTray->calls_.push_back(std::move(call));
    return TRUE;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<TrayCall> FakeTray::Calls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

bool FakeTray::WaitForCall(DWORD action, const char* tip, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        for (const TrayCall& call : Calls())
          if (call.action == action && (!tip || call.HasTip(tip))) return true;
        return false;
      },
      timeoutMs);
}

}  // namespace e2e
