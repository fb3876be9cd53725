// The program's thread start under Wine: the stack handed back at the start
// is whole and usable again, and what lies above the releasing frame stays.

#include "services/threads.h"

#include <gtest/gtest.h>

namespace {

// About `depth` KiB of stack, every page written and read back.
unsigned Deep(int depth) {
  volatile unsigned char page[1024];
  for (int i = 0; i < 1024; i += 64) page[i] = static_cast<unsigned char>(depth + i);
  const unsigned below = depth > 1 ? Deep(depth - 1) : 0;
  unsigned sum = below;
  for (int i = 0; i < 1024; i += 64) sum += page[i];
  return sum;
}

DWORD WINAPI Worker(void* argument) {
  const int depth = *static_cast<int*>(argument);
  volatile unsigned kept[64];
  for (unsigned i = 0; i < 64; ++i) kept[i] = i * 2654435761u;
  const unsigned first = Deep(depth);
  ReleaseUnusedStack();  // again, now that the deep frames were there
  for (unsigned i = 0; i < 64; ++i)
    if (kept[i] != i * 2654435761u) return 1;
  return Deep(depth) == first ? 0 : 2;
}

TEST(ProgramThreads, StackReleasedAtTheStartIsWholeAgain) {
  for (int depth : {1, 64, 1500}) {  // KiB: none of it, some, most of the 2 MiB
    SCOPED_TRACE(depth);
    DWORD id = 0;
    const OwnedHandle thread(StartThread(Worker, &depth, &id));
    ASSERT_TRUE(thread);
    EXPECT_NE(id, 0u);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(thread.get(), &code);
    EXPECT_EQ(code, 0u);
  }
}

struct WaiterState {
  WorkerWake wake;
  OwnedHandle never{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  bool done = true;
};

DWORD WINAPI WaitForNever(void* argument) {
  auto* state = static_cast<WaiterState*>(argument);
  state->done = state->wake.WaitFor(state->never.get(), 60000);
  return 0;
}

// A worker waits for a thread or an event of its own and for its wake at once:
// whichever comes first ends the wait, and only the handle counts as done.
TEST(ProgramThreads, AWaitForAHandleEndsAtTheHandleTheWakeOrTheTime) {
  struct Row {
    const char* what;
    bool handleSet, woken, nullHandle;
    bool done;
    DWORD atLeastMs, waitMs;
  } rows[] = {
      {"handle already set", true, false, false, true, 0, 5000},
      {"woken before", false, true, false, false, 0, 5000},
      {"both: the handle wins", true, true, false, true, 0, 5000},
      {"neither: the time", false, false, false, false, 150, 200},
      {"no handle, woken", false, true, true, false, 0, 5000},
      {"no handle: the time", false, false, true, false, 150, 200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WorkerWake wake;
    const OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    if (row.handleSet) SetEvent(event.get());
    if (row.woken) wake.Wake();
    const DWORD start = GetTickCount();
    EXPECT_EQ(wake.WaitFor(row.nullHandle ? nullptr : event.get(), row.waitMs), row.done);
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took + 20, row.atLeastMs);  // the tick's granularity
    EXPECT_LT(took, row.atLeastMs + 3000);
  }
  // WakeWorkers (the program's end) reaches a waiter on another thread.
  WaiterState shared;
  const OwnedHandle waiter(StartThread(WaitForNever, &shared));
  ASSERT_TRUE(waiter);
  const DWORD start = GetTickCount();
  // A wake before its wait began is kept by the event.
  WakeWorkers();
  ASSERT_EQ(WaitForSingleObject(waiter.get(), 20000), WAIT_OBJECT_0);
  EXPECT_LT(GetTickCount() - start, 20000u);
  EXPECT_FALSE(shared.done);
}

DWORD WINAPI WaitForEvent(void* event) {
  WaitForSingleObject(event, 60000);
  return 0;
}

// The shutdown hands a thread's windows on only when the thread really ended:
// a wait that ran out says so.
TEST(ProgramThreads, AWaitForAThreadTellsAnEndFromATimeOut) {
  const OwnedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  DWORD id = 0;
  const OwnedHandle thread(StartThread(WaitForEvent, release.get(), &id));
  ASSERT_TRUE(thread);
  EXPECT_FALSE(WaitForThread(thread.get(), 100)) << "still running";
  SetEvent(release.get());
  EXPECT_TRUE(WaitForThread(thread.get(), 20000));
  EXPECT_TRUE(WaitForThread(thread.get(), 0)) << "ended before the wait";
  EXPECT_TRUE(WaitForThread(nullptr, 0)) << "no thread";
}

}  // namespace
