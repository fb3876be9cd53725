#pragma once
// The scenery strip behind the figures: its own window and thread.

#include <windows.h>

int StartBackgroundThread();
extern HWND StripWindow;
