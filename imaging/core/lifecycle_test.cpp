// Library start and shutdown as the application does them, in one process.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/gray_conversion.h"
#include "core/library_globals.h"
#include "core/thread_pool.h"
#include "core/pictura_core.h"

using namespace Pictura;

namespace {
struct Job : CPicThreadData {
  int value = 0;
};
uint32_t Double(CPicThreadData* r) {
  static_cast<Job*>(r)->value *= 2;
  return 0;
}

// A job that runs an operation which splits into bands when it may.
std::atomic<int> g_splitAllowed{0};
struct GrayJob : CPicThreadData {
  std::vector<uint8_t> rgb = std::vector<uint8_t>(4 * 64 * 3, 0);
  std::vector<uint8_t> grey = std::vector<uint8_t>(4 * 64, 0);
};
uint32_t GreyInside(CPicThreadData* r) {
  auto* job = static_cast<GrayJob*>(r);
  if (UseThreadPool(0)) g_splitAllowed.fetch_add(1);
  RGBToGray8(&job->error, job->rgb.data(), 4, 64, 3, 12, 4, 0, job->grey.data());
  return 0;
}
}  // namespace

TEST(Lifecycle, StartRunShutDownAndStayDown) {
  EXPECT_FALSE(UseThreadPool(0));
  SetPoolThreadCount(3);
  pic_SetLastErrorProxy(12);
  ASSERT_TRUE(pic_Initialize(nullptr));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(LibraryThreadPool().WorkerCount(), 0u);  // made by the first run that needs them
  EXPECT_TRUE(UseThreadPool(0));
  EXPECT_FALSE(UseThreadPool(0x100000));
  SetThreadsPerOperation(1);
  EXPECT_FALSE(UseThreadPool(0));
  SetThreadsPerOperation(4);
  ASSERT_TRUE(pic_Initialize(nullptr));  // a second start does nothing

  Job a, b;
  a.value = 2;
  b.value = 5;
  PicArray<CPicThreadData*> jobs(2);
  jobs[0] = &a;
  jobs[1] = &b;
  EXPECT_EQ(RunJobs(Double, jobs), 0u);
  EXPECT_EQ(a.value, 4);
  EXPECT_EQ(b.value, 10);
  EXPECT_EQ(LibraryThreadPool().WorkerCount(), 2u);  // one per job, at most the three set

  // Every worker busy with an operation that would split again: the nested
  // operation runs in its worker instead of waiting for workers that never
  // come free.
  std::vector<GrayJob> grey(3);
  PicArray<CPicThreadData*> greyJobs(3);
  for (uint32_t i = 0; i < 3; ++i) {
    for (size_t k = 0; k < grey[i].rgb.size(); ++k) grey[i].rgb[k] = static_cast<uint8_t>(k * 7 + i);
    greyJobs[i] = &grey[i];
  }
  EXPECT_EQ(RunJobs(GreyInside, greyJobs), 0u);
  EXPECT_EQ(g_splitAllowed.load(), 0);
  EXPECT_EQ(LibraryThreadPool().WorkerCount(), 3u);
  for (const GrayJob& job : grey) {
    const uint8_t* p = &job.rgb[3 * 200];
    EXPECT_EQ(job.grey[200], (601 * p[1] + 306 * p[0] + 117 * p[2]) >> 10);
  }

  // Many operations from many threads at once share the pool; each gets
  // exactly the bytes the calling thread alone computes.
  const uint32_t w = 97, h = 301;
  std::vector<uint8_t> rgb(size_t{w} * h * 3);
  for (size_t k = 0; k < rgb.size(); ++k) rgb[k] = static_cast<uint8_t>(k * 31 + (k >> 7));
  std::vector<uint8_t> alone(size_t{w} * h);
  uint32_t err = 0;
  ASSERT_TRUE(RGBToGray8(&err, rgb.data(), w, h, 3, w * 3, w, 0x100000, alone.data()));
  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 8; ++t)
    callers.emplace_back([&] {
      for (int run = 0; run < 20; ++run) {
        std::vector<uint8_t> out(alone.size(), 0);
        uint32_t e = 0;
        if (!RGBToGray8(&e, rgb.data(), w, h, 3, w * 3, w, 0, out.data()) || e != 0 || out != alone)
          wrong.fetch_add(1);
      }
    });
  for (auto& t : callers) t.join();
  EXPECT_EQ(wrong.load(), 0);

  PicLibraryShutdown();
  EXPECT_FALSE(UseThreadPool(0));
  std::vector<uint8_t> after(alone.size(), 0);
  ASSERT_TRUE(RGBToGray8(&err, rgb.data(), w, h, 3, w * 3, w, 0, after.data()));  // in this thread
  EXPECT_EQ(after, alone);
  EXPECT_EQ(RunJobs(Double, jobs), 89u);
  ASSERT_TRUE(pic_Initialize(nullptr));
  EXPECT_FALSE(UseThreadPool(0));
  PicLibraryShutdown();
}
