#pragma once
// The orderly end of the program, whoever asks for it.

#include <windows.h>

#include "app/shell_windows.h"

// Whether the shutdown began and whether the message loop takes requests.
// The shell owns one; tests make their own.
class Shutdown {
 public:
  // How long the shutdown waits for each thread: only a hung one is not
  // waited for to its end (tests make theirs short).
  static constexpr DWORD kThreadEndWaitMs = 10000;
  explicit Shutdown(DWORD threadEndWaitMs = kThreadEndWaitMs) : threadEndWaitMs_(threadEndWaitMs) {}

  // MSG_SHUTDOWN: stop the threads, unload sound, hide the shell's windows
  // and close the figure window. A window is hidden (an object's closed)
  // only once the thread that pushes it has ended: one whose thread
  // outlived the wait is left to it, and that is logged. Runs its work
  // once; later calls (the animation thread's own message, a second EXIT)
  // return at once.
  void Run(const ShellWindows& windows);
  bool Started() const { return started_; }

  // MSG_SHUTDOWN in the window procedure. A request that arrives while the
  // start-up still runs (a sent message is answered inside its calls) goes
  // back into the queue, so the loop takes it once everything it ends has
  // started; OpenForRequests is called just before the loop.
  void OnRequest(HWND window, const ShellWindows& windows);
  void OpenForRequests() { loopRunning_ = true; }
  bool TakesRequests() const { return loopRunning_; }

 private:
  DWORD threadEndWaitMs_;
  bool started_ = false;
  bool loopRunning_ = false;
};
