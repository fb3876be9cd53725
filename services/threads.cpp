#include "services/threads.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Every live WorkerWake's event; made on first use, so objects made before
// main can register.
struct WakeList {
  std::mutex lock;
  std::vector<HANDLE> events;
};

WakeList& Wakes() {
  static WakeList list;
  return list;
}

}  // namespace

void WaitForThread(HANDLE thread, DWORD milliseconds) {
  if (!thread) return;
  const DWORD deadline = GetTickCount() + milliseconds;
  for (;;) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
    DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (left == 0) return;
  }
}

void WaitForAndCloseThread(HANDLE thread, DWORD milliseconds) {
  if (!thread) return;
  WaitForThread(thread, milliseconds);
  CloseHandle(thread);
}

WorkerWake::WorkerWake() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  if (!event_) return;
  WakeList& list = Wakes();
  std::lock_guard<std::mutex> guard(list.lock);
  list.events.push_back(event_);
}

WorkerWake::~WorkerWake() {
  if (!event_) return;
  {
    WakeList& list = Wakes();
    std::lock_guard<std::mutex> guard(list.lock);
    list.events.erase(std::remove(list.events.begin(), list.events.end(), event_), list.events.end());
  }
  CloseHandle(event_);
}

void WorkerWake::Wake() {
  if (event_) SetEvent(event_);
}

void WorkerWake::Wait(DWORD milliseconds) {
  // Without an event the thread still passes at the given pace.
  if (!event_ || WaitForSingleObject(event_, milliseconds) == WAIT_FAILED) Sleep(milliseconds);
}

void WakeWorkers() {
  WakeList& list = Wakes();
  std::lock_guard<std::mutex> guard(list.lock);
  for (HANDLE event : list.events) SetEvent(event);
}
