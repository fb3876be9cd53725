#pragma once
// The scenery strip behind the figures: its own window and thread.

#include <windows.h>

#include <atomic>

int StartBackgroundThread();
extern HWND StripWindow;
// The animation thread asks the strip to re-place itself (relayout).
extern std::atomic<int> StripRaiseRequest;
