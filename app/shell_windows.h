#pragma once
// The shell's own windows, made at start-up by RegisterMainWindowClass: the
// figure window (the shell's message target, the tray icon's, the hotkeys'
// and the application bar's window), the overlay above it and the
// billboard's wall. Only the shell names them; AssembleDesktop hands each to
// the thread that draws it, and the layers below post to the figure window
// through the shell requests.

#include <windows.h>

struct ShellWindows {
  HWND figure = nullptr;
  HWND overlay = nullptr;
  HWND billboard = nullptr;
  // Never shown: it takes the activation the tray menu needs, so no window
  // the shutdown hides was ever active (Wine waits on hiding such a window
  // for a window manager that may be absent).
  HWND menuOwner = nullptr;
};
