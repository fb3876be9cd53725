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

}  // namespace
