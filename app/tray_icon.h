#pragma once
// The notification-area icon (id 2000) of the figure window.

#include <windows.h>

#include "app/tray_menu.h"

BOOL NotifyIconCall(HWND window, DWORD action, UINT id, HICON icon, const char* tip, const char* balloonTitle,
                    const char* balloonText);

// The icon, whether it was added, and its menu. The shell owns one; tests
// make their own.
class TrayIcon {
 public:
  void Add(HWND window);
  // Removes an icon Add put up, once.
  void Remove(HWND window);
  bool Added() const { return added_; }

  TrayMenu menu;

 private:
  bool added_ = false;
};

// The icon for the figures' state, on an icon that is there.
void UpdateTrayIcon(HWND window);
// With no text: "Waylune Desktop", plus " - deaktiviert" while the figures are off.
void SetTrayTip(HWND window, const char* text);
