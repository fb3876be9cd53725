#pragma once
// Figures on and off, full-screen programs and the application bar.

#include <windows.h>

// MSG_TOGGLE_ACTIVE: figures and objects off or on.
void ToggleFiguresActive();
// MSG_APPBAR: returns true when the message also goes to DefWindowProc.
bool OnAppBarNotify(HWND window, WPARAM code, LPARAM param);

// The application bar tells us about full-screen programs. Unregistering is
// done once, while the figure window still exists.
void RegisterAppBar(HWND window);
void UnregisterAppBar();
// Tells the shell the bar is active (a new figure came on screen).
void ActivateAppBar();
