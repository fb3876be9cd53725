// Library start and shutdown as the application does them, in one process.
#include <gtest/gtest.h>

#include "core/library_globals.h"
#include "core/thread_pool.h"
#include "pictura.h"

using namespace Pictura;

namespace {
struct Job : CPicThreadData {
  int value = 0;
};
uint32_t Double(CPicThreadData* r) {
  static_cast<Job*>(r)->value *= 2;
  return 0;
}
}  // namespace

TEST(Lifecycle, StartRunShutDownAndStayDown) {
  EXPECT_FALSE(UseThreadPool(0));
  SetPoolThreadCount(3);
  pic_SetLastErrorProxy(12);
  ASSERT_TRUE(pic_Initialize(nullptr));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(LibraryThreadPool().WorkerCount(), 3u);
  EXPECT_TRUE(UseThreadPool(0));
  EXPECT_FALSE(UseThreadPool(0x100000));
  SetThreadsPerOperation(1);
  EXPECT_FALSE(UseThreadPool(0));
  SetThreadsPerOperation(4);
  ASSERT_TRUE(pic_Initialize(nullptr));  // a second start does nothing
  EXPECT_EQ(LibraryThreadPool().WorkerCount(), 3u);

  Job a, b;
  a.value = 2;
  b.value = 5;
  PicArray<CPicThreadData*> jobs(2);
  jobs[0] = &a;
  jobs[1] = &b;
  EXPECT_EQ(RunJobs(Double, jobs), 0u);
  EXPECT_EQ(a.value, 4);
  EXPECT_EQ(b.value, 10);

  PicLibraryShutdown();
  EXPECT_FALSE(UseThreadPool(0));
  EXPECT_EQ(RunJobs(Double, jobs), 89u);
  ASSERT_TRUE(pic_Initialize(nullptr));
  EXPECT_FALSE(UseThreadPool(0));
  PicLibraryShutdown();
}
