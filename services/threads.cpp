#include "services/threads.h"

#include <algorithm>
#include <mutex>
#include <new>
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

// The calls below the current frame while the stack is decommitted (and
// anything a signal handler might push) stay well inside this.
constexpr UINT_PTR kStackMargin = 64 * 1024;
constexpr UINT_PTR kPage = 4096;

struct ThreadStart {
  LPTHREAD_START_ROUTINE proc;
  void* argument;
};

DWORD WINAPI StartTrimmed(void* start) {
  const ThreadStart what = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  ReleaseUnusedStack();
  return what.proc(what.argument);
}

}  // namespace

HANDLE StartThread(LPTHREAD_START_ROUTINE proc, void* argument, DWORD* id, DWORD flags) {
  auto* start = new (std::nothrow) ThreadStart{proc, argument};
  if (!start) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HANDLE thread = CreateThread(nullptr, 0, StartTrimmed, start, flags, id);
  if (!thread) delete start;
  return thread;
}

// The header's NtCurrentTeb reads fs:[0x18] through a zero-length array,
// which the bounds warning takes for an overrun.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
static __attribute__((noinline)) const NT_TIB* ThreadInformationBlock() {
  return reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
}
#pragma GCC diagnostic pop

void ReleaseUnusedStack() {
  const NT_TIB* tib = ThreadInformationBlock();
  volatile char here = 0;
  const auto low = reinterpret_cast<UINT_PTR>(tib->StackLimit);
  const UINT_PTR frame = reinterpret_cast<UINT_PTR>(&here);
  if (frame < low + kStackMargin + kPage) return;
  const UINT_PTR high = (frame - kStackMargin) & ~(kPage - 1);
  if (high <= low) return;
  void* base = reinterpret_cast<void*>(low);
  const SIZE_T size = high - low;
  // Committed again at once: the pages are usable throughout, only their
  // contents (dead frames) are gone.
  if (VirtualFree(base, size, MEM_DECOMMIT)) VirtualAlloc(base, size, MEM_COMMIT, PAGE_READWRITE);
}

bool WaitForThread(HANDLE thread, DWORD milliseconds) {
  if (!thread) return true;
  const DWORD deadline = GetTickCount() + milliseconds;
  for (;;) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
    DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
    if (result != WAIT_OBJECT_0 + 1) return result == WAIT_OBJECT_0;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (left == 0) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  }
}

bool WaitForAndCloseThread(OwnedHandle thread, DWORD milliseconds) {
  return WaitForThread(thread.get(), milliseconds);
}

WorkerWake::WorkerWake() : event_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
  if (!event_) return;
  WakeList& list = Wakes();
  std::lock_guard<std::mutex> guard(list.lock);
  list.events.push_back(event_.get());
}

WorkerWake::~WorkerWake() {
  if (!event_) return;
  {
    WakeList& list = Wakes();
    std::lock_guard<std::mutex> guard(list.lock);
    list.events.erase(std::remove(list.events.begin(), list.events.end(), event_.get()), list.events.end());
  }
}

void WorkerWake::Wake() {
  if (event_) SetEvent(event_.get());
}

void WorkerWake::Wait(DWORD milliseconds) {
  // Without an event the thread still passes at the given pace.
  if (!event_ || WaitForSingleObject(event_.get(), milliseconds) == WAIT_FAILED) Sleep(milliseconds);
}

bool WorkerWake::WaitFor(HANDLE handle, DWORD milliseconds) {
  if (!handle) {
    Wait(milliseconds);
    return false;
  }
  if (!event_) return WaitForSingleObject(handle, milliseconds) == WAIT_OBJECT_0;
  const HANDLE both[2] = {handle, event_.get()};
  // The handle first: signalled together, the handle's end is what counts.
  return WaitForMultipleObjects(2, both, FALSE, milliseconds) == WAIT_OBJECT_0;
}

void WakeWorkers() {
  WakeList& list = Wakes();
  std::lock_guard<std::mutex> guard(list.lock);
  for (HANDLE event : list.events) SetEvent(event);
}
