#include "services/shell_requests.h"

#include <atomic>
#include <mutex>
#include <string>

#include "services/messages.h"

namespace {

// The way to the process's one shell: its window, handed over at start-up,
// and the tray tip asked of it last (the shell takes it when the posted
// request arrives). Never destroyed: a thread that outlives shutdown may
// still ask.
struct ShellChannel {
  std::atomic<HWND> window{nullptr};
  std::mutex tipLock;
  std::string tip;
  bool defaultTip = true;
};

ShellChannel& Channel() {
  static ShellChannel* const channel = new ShellChannel;
  return *channel;
}

}  // namespace

void SetShellWindow(HWND window) {
  Channel().window.store(window);
}

HWND ShellWindow() {
  return Channel().window.load();
}

void RequestTrayTip(const char* text) {
  {
    std::lock_guard<std::mutex> lock(Channel().tipLock);
    Channel().defaultTip = text == nullptr;
    Channel().tip = text ? text : "";
  }
  if (HWND window = ShellWindow()) PostMessageA(window, MSG_TRAY_TIP, 0, 0);
}

bool TakeRequestedTrayTip(char* out, size_t size) {
  std::lock_guard<std::mutex> lock(Channel().tipLock);
  if (Channel().defaultTip || size == 0) return false;
  lstrcpynA(out, Channel().tip.c_str(), static_cast<int>(size));
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
