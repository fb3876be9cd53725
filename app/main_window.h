#pragma once
// The main window class: figure, overlay and billboard windows, and the
// window procedure that is the program's command centre.

#include <windows.h>

// Registers the class and creates the three windows (hidden). 0 on failure.
int RegisterMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
