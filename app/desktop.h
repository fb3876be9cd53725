#pragma once

#include <windows.h>
// The desktop parts the shell makes at start-up and hands to each other.

// Once the main-class windows exist: the billboard the animation thread
// carries, and what follows a relayout the thread passes on.
// Each window goes to the thread that draws it.
void AssembleDesktop(HWND figureWindow, HWND overlayWindow, HWND billboardWindow);
