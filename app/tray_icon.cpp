#include "app/tray_icon.h"

#include "services/app_globals.h"
#include "app/desktop.h"
#include "services/win_util.h"
#include "services/handles.h"
#include "services/messages.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

HICON LoadStateIcon() {
  return static_cast<HICON>(LoadImageA(ProgramInstance(), Desktop().figures.active ? "AppIcon" : "OffIcon",
                                       IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

void DefaultTip(char* tip, size_t size) {
  std::snprintf(tip, size, "%s%s", PRODUCT_TITLE, Desktop().figures.active ? "" : " - deaktiviert");
}

}  // namespace

// The version 3 layout: older shells take it, newer ones know it.
static_assert(sizeof(NOTIFYICONDATAA) == 504);

BOOL NotifyIconCall(HWND window, DWORD action, UINT id, HICON icon, const char* tip, const char* balloonTitle,
                    const char* balloonText) {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = id;
  data.uFlags = NIF_MESSAGE;
  data.uCallbackMessage = MSG_TRAY;
  if (icon) {
    data.hIcon = icon;
    data.uFlags |= NIF_ICON;
  }
  if (tip) {
    lstrcpynA(data.szTip, tip, sizeof data.szTip);
    data.uFlags |= NIF_TIP;
  }
  if (balloonTitle) {
    data.uFlags |= NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    lstrcpynA(data.szInfoTitle, balloonTitle, sizeof data.szInfoTitle);
    if (balloonText) lstrcpynA(data.szInfo, balloonText, sizeof data.szInfo);
  }
  return Shell_NotifyIconA(action, &data);
}

void TrayIcon::Add(HWND window) {
  const OwnedIcon icon(LoadStateIcon());
  if (!icon) return;
  char tip[80];
  DefaultTip(tip, sizeof tip);
  added_ = NotifyIconCall(window, NIM_ADD, TRAY_ICON_ID, icon.get(), tip, nullptr, nullptr);
}

void TrayIcon::Remove(HWND window) {
  if (!added_) return;
  added_ = false;
  NotifyIconCall(window, NIM_DELETE, TRAY_ICON_ID, nullptr, nullptr, nullptr, nullptr);
}

void UpdateTrayIcon(HWND window) {
  const OwnedIcon icon(LoadStateIcon());
  if (!icon) return;
  NotifyIconCall(window, NIM_MODIFY, TRAY_ICON_ID, icon.get(), nullptr, nullptr, nullptr);
}

void SetTrayTip(HWND window, const char* text) {
  char tip[64];
  if (text)
    lstrcpynA(tip, text, sizeof tip);
  else
    DefaultTip(tip, sizeof tip);
  NotifyIconCall(window, NIM_MODIFY, TRAY_ICON_ID, nullptr, tip, nullptr, nullptr);
}
