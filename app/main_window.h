#pragma once
// The main window class: figure, overlay and billboard windows, and the
// window procedure that is the program's command centre.

#include <windows.h>

struct Shell;

// Registers the class and creates the three windows (hidden), each made
// with `shell`, which must outlive them. 0 on failure.
int RegisterMainWindowClass(HINSTANCE instance, Shell& shell);
// The shell a main-class window or the menu owner was made with; null
// before its WM_NCCREATE.
Shell* ShellOf(HWND window);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
