#include "services/shell_requests.h"

#include <atomic>
#include <mutex>
#include <string>

#include "services/messages.h"

namespace {

std::atomic<HWND> shellWindow{nullptr};

std::mutex tipMutex;
std::string requestedTip;
bool defaultTip = true;

}  // namespace

void SetShellWindow(HWND window) {
  shellWindow.store(window);
}

HWND ShellWindow() {
  return shellWindow.load();
}

void RequestTrayTip(const char* text) {
  {
    std::lock_guard<std::mutex> lock(tipMutex);
    defaultTip = text == nullptr;
    requestedTip = text ? text : "";
  }
  if (HWND window = ShellWindow()) PostMessageA(window, MSG_TRAY_TIP, 0, 0);
}

bool TakeRequestedTrayTip(char* out, size_t size) {
  std::lock_guard<std::mutex> lock(tipMutex);
  if (defaultTip || size == 0) return false;
  lstrcpynA(out, requestedTip.c_str(), static_cast<int>(size));
  return true;
}

void RequestMainTick() {
  if (HWND window = ShellWindow()) PostMessageA(window, MSG_MAIN_TICK, 0, 0);
}

void RefreshPlayerState() {
  DWORD_PTR ignored = 0;
  if (HWND window = ShellWindow())
    SendMessageTimeoutA(window, MSG_POLL_PLAYER, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
}

void RequestAppBarActivation() {
  if (HWND window = ShellWindow()) PostMessageA(window, MSG_ACTIVATE_APPBAR, 0, 0);
}

void RequestShellMenu() {
  if (HWND window = ShellWindow()) SendMessageA(window, MSG_SHOW_MENU, 0, 0);
}

void RequestToggleFigures() {
  if (HWND window = ShellWindow()) SendMessageA(window, MSG_TOGGLE_ACTIVE, 0, 0);
}

void RequestLowerDesktop() {
  if (HWND window = ShellWindow()) PostMessageA(window, MSG_LOWER_DESKTOP, 0, 0);
}
