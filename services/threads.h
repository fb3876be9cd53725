#pragma once
// Waiting for the program's worker threads, and waking them.

#include <windows.h>

#include <atomic>

#include "services/handles.h"

// CreateThread for the program's own threads: the new thread first hands
// back the stack pages it is not using (see ReleaseUnusedStack), then runs
// `proc`. Null on failure, with the last error set.
HANDLE StartThread(LPTHREAD_START_ROUTINE proc, void* argument, DWORD* id = nullptr, DWORD flags = 0);

// Wine commits a thread's whole stack and touches nearly all of it when the
// thread starts, about 0.95 MiB of private memory per thread that nothing
// uses. This decommits and recommits the calling thread's committed stack
// below the current frame (less a margin for the calls doing it), so those
// pages are fresh again until the stack really grows into them. Harmless
// elsewhere: the pages stay committed.
void ReleaseUnusedStack();

// Waits up to `milliseconds` for a thread while still answering messages sent
// to this thread, so a worker that reports to a window of ours while ending
// cannot stall us. True when it ended (or for null), false when the wait ran out.
bool WaitForThread(HANDLE thread, DWORD milliseconds);

// The same, then closes the handle.
bool WaitForAndCloseThread(OwnedHandle thread, DWORD milliseconds);

// The event a worker thread waits on between its passes instead of sleeping
// a fixed tick: Wake() ends the current or next wait early. Every WorkerWake
// is also woken by WakeWorkers().
class WorkerWake {
 public:
  WorkerWake();
  ~WorkerWake();
  WorkerWake(const WorkerWake&) = delete;
  WorkerWake& operator=(const WorkerWake&) = delete;

  void Wake();
  // Returns after `milliseconds` or at the first Wake() since the last return.
  void Wait(DWORD milliseconds);
  // The same, or when `handle` (a thread, an event) is signalled first: true
  // then. A null handle waits like Wait.
  bool WaitFor(HANDLE handle, DWORD milliseconds);

 private:
  OwnedHandle event_;
};

// Wakes every worker thread's WorkerWake (QuitFlag was set).
void WakeWorkers();

// The flag that ends the worker threads: setting it wakes those waiting for
// work, so the shutdown need not wait out their pauses.
class WakingFlag {
 public:
  constexpr WakingFlag(int value = 0) : value_(value) {}
  WakingFlag(const WakingFlag&) = delete;
  WakingFlag& operator=(const WakingFlag&) = delete;

  WakingFlag& operator=(int value) {
    if (value_.exchange(value) != value) WakeWorkers();
    return *this;
  }
  operator int() const { return value_.load(); }
  int load() const { return value_.load(); }

 private:
  std::atomic<int> value_;
};
// Set by the shutdown (and by a thread that fails at its start); every worker
// ends on it.
inline WakingFlag QuitFlag{0};
