#pragma once
// Showing, hiding and stacking all desktop-object windows together.

#include <windows.h>

void LowerDesktopWindows();
void RaiseDesktopWindows();
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
