#pragma once
// The notification-area icon (id 2000) of the figure window.

#include <windows.h>

BOOL NotifyIconCall(HWND window, DWORD action, UINT id, HICON icon, const char* tip, const char* balloonTitle,
                    const char* balloonText);
void AddTrayIcon(HWND window);
void RemoveTrayIcon(HWND window);
void UpdateTrayIcon(HWND window);
// With no text: "Waylune Desktop", plus " - deaktiviert" while the figures are off.
void SetTrayTip(HWND window, const char* text);
