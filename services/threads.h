#pragma once
// Waiting for the program's worker threads.

#include <windows.h>

// Waits up to `milliseconds` for a thread while still answering messages sent
// to this thread, so a worker that reports to a window of ours while ending
// cannot stall us. Nothing for null.
void WaitForThread(HANDLE thread, DWORD milliseconds);

// The same, then closes the handle. Nothing for null.
void WaitForAndCloseThread(HANDLE thread, DWORD milliseconds);
