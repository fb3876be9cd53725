#pragma once
// The orderly end of the program, whoever asks for it.

#include <windows.h>

// MSG_SHUTDOWN: stop the threads, unload sound, close the figure window.
// Runs its work once; later calls (the animation thread's own message, a
// second EXIT) return at once.
void OnShutdownMessage();
bool ShutdownStarted();

// MSG_SHUTDOWN in the window procedure. A request that arrives while the
// start-up still runs (a sent message is answered inside its calls) goes
// back into the queue, so the loop takes it once everything it ends has
// started; OpenForShutdownRequests is called just before the loop.
void OnShutdownRequest(HWND window);
void OpenForShutdownRequests();
