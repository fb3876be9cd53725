#include "services/shell_requests.h"

#include <mutex>
#include <string>

#include "services/app_globals.h"
#include "services/messages.h"

namespace {

std::mutex tipMutex;
std::string requestedTip;
bool defaultTip = true;

}  // namespace

void RequestTrayTip(const char* text) {
  {
    std::lock_guard<std::mutex> lock(tipMutex);
    defaultTip = text == nullptr;
    requestedTip = text ? text : "";
  }
  if (FigureWindow) PostMessageA(FigureWindow, MSG_TRAY_TIP, 0, 0);
}

bool TakeRequestedTrayTip(char* out, size_t size) {
  std::lock_guard<std::mutex> lock(tipMutex);
  if (defaultTip || size == 0) return false;
  lstrcpynA(out, requestedTip.c_str(), static_cast<int>(size));
  return true;
}

void RequestMainTick() {
  if (FigureWindow) PostMessageA(FigureWindow, MSG_MAIN_TICK, 0, 0);
}

void RefreshPlayerState() {
  DWORD_PTR ignored = 0;
  if (FigureWindow)
    SendMessageTimeoutA(FigureWindow, MSG_POLL_PLAYER, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
}

void RequestAppBarActivation() {
  if (FigureWindow) PostMessageA(FigureWindow, MSG_ACTIVATE_APPBAR, 0, 0);
}
