#pragma once
// Figures on and off, and full-screen programs (the application bar's news).

#include <windows.h>

#include "app/shell_windows.h"

class TrayMenu;

// MSG_TOGGLE_ACTIVE: figures and objects off or on; the tray shows which.
void ToggleFiguresActive(const ShellWindows& windows, TrayMenu& menu);
// MSG_APPBAR: returns true when the message also goes to DefWindowProc.
bool OnAppBarNotify(const ShellWindows& windows, WPARAM code, LPARAM param);
