#pragma once
// The orderly end of the program, whoever asks for it.

#include <windows.h>

// MSG_SHUTDOWN: stop the threads, unload sound, close the figure window.
// Runs its work once; later calls (the animation thread's own message, a
// second EXIT) return at once.
void OnShutdownMessage();
bool ShutdownStarted();
