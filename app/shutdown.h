#pragma once
// The orderly end of the program, whoever asks for it.

#include <windows.h>

#include "app/shell_windows.h"

// Whether the shutdown began and whether the message loop takes requests.
// The shell owns one; tests make their own.
class Shutdown {
 public:
  // MSG_SHUTDOWN: stop the threads, unload sound, hide the shell's windows
  // and close the figure window. Runs its work once; later calls (the
  // animation thread's own message, a second EXIT) return at once.
  void Run(const ShellWindows& windows);
  bool Started() const { return started_; }

  // MSG_SHUTDOWN in the window procedure. A request that arrives while the
  // start-up still runs (a sent message is answered inside its calls) goes
  // back into the queue, so the loop takes it once everything it ends has
  // started; OpenForRequests is called just before the loop.
  void OnRequest(HWND window, const ShellWindows& windows);
  void OpenForRequests() { loopRunning_ = true; }

 private:
  bool started_ = false;
  bool loopRunning_ = false;
};
