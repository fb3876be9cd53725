#include "core/library_globals.h"
#include "core/thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"

using namespace Pictura;

namespace {

struct TestJob : CPicThreadData {
  std::function<void(TestJob*)> work;
};

uint32_t RunTestJob(CPicThreadData* record) {
  auto* job = static_cast<TestJob*>(record);
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  if (job->work) job->work(job);
  SetProgressCallback(nullptr, 0);
  return 0;
}

// Jobs of one run, with the pointer list RunJobs takes.
struct JobSet {
  std::vector<std::unique_ptr<TestJob>> jobs;
  std::vector<CPicThreadData*> pointers;
  explicit JobSet(size_t n, std::function<void(TestJob*)> work = {}) {
    for (size_t i = 0; i < n; ++i) {
      jobs.push_back(std::make_unique<TestJob>());
      jobs.back()->work = work;
      pointers.push_back(jobs.back().get());
    }
  }
};

// Works in steps of 1 ms until cancelled (or 10 s, as a safety net).
void WorkUntilCancelled(TestJob* job) {
  for (uint32_t step = 0; step < 10000; ++step) {
    if (!JobProgressCallback(step % 100, 100, reinterpret_cast<PIC_USERDATA>(job))) {
      job->error = 14;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::atomic<int> g_progressCalls{0};  // read by the jobs too
DWORD g_lastDone = 0, g_lastTotal = 0;
BOOL g_progressAnswer = TRUE;
BOOL PICAPI Progress(DWORD done, DWORD total, PIC_USERDATA) {
  ++g_progressCalls;
  g_lastDone = done;
  g_lastTotal = total;
  return g_progressAnswer;
}

// Polls `done` until it holds or 10 s have passed; whether it held.
bool WaitUntil(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

// Another caller's job that holds one worker of the pool until destroyed.
struct BusyWorker {
  std::atomic<bool> release{false}, holding{false};
  JobSet holder{1, [this](TestJob*) {
                  holding.store(true);
                  while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }};
  std::thread other;
  explicit BusyWorker(CPicThreadPool& pool)
      : other([this, &pool] { RunJobs(pool, RunTestJob, holder.pointers); }) {
    while (!holding.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~BusyWorker() {
    release.store(true);
    other.join();
  }
};

}  // namespace

TEST(Pool, NotStartedOrEmptyRunsFail) {
  CPicThreadPool pool;
  JobSet set(2);
  EXPECT_FALSE(pool.IsRunning());
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 89u);
  pool.Start(2, 0xFFFFFFFFu, 200);
  EXPECT_TRUE(pool.IsRunning());
  EXPECT_EQ(RunJobs(pool, RunTestJob, std::span<CPicThreadData* const>()), 5u);
  std::vector<CPicThreadData*> withNull{set.pointers[0], nullptr};
  EXPECT_EQ(RunJobs(pool, RunTestJob, withNull), 5u);
}

TEST(Pool, ResultIsTheFirstFailureInListOrder) {
  CPicThreadPool pool;
  pool.Start(4, 0xFFFFFFFFu, 200);
  JobSet set(4, [](TestJob* job) {
    if (job->jobIndex == 1) job->error = 17;
    if (job->jobIndex == 3) job->error = 1;
  });
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 17u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(set.jobs[i]->jobIndex, i);
}

TEST(Pool, ManyBandsAllEndBeforeRunJobsReturns) {
  CPicThreadPool pool;
  pool.Start(3, 0xFFFFFFFFu, 200);
  std::atomic<int> finished{0};
  JobSet set(200, [&](TestJob*) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    finished.fetch_add(1);
  });
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 0u);
  EXPECT_EQ(finished.load(), 200);
}

TEST(Pool, ManyCallersAtOnce) {
  CPicThreadPool pool;
  pool.Start(4, 0xFFFFFFFFu, 200);
  std::atomic<int> failures{0};
  std::vector<std::thread> callers;
  for (int c = 0; c < 8; ++c)
    callers.emplace_back([&, c] {
      for (int run = 0; run < 40; ++run) {
        std::vector<int> out(8, 0);
        JobSet set(8, [&](TestJob* job) {
          out[job->jobIndex] = c * 1000 + run * 10 + static_cast<int>(job->jobIndex);
        });
        if (RunJobs(pool, RunTestJob, set.pointers) != 0) failures.fetch_add(1);
        for (int i = 0; i < 8; ++i)
          if (out[i] != c * 1000 + run * 10 + i) failures.fetch_add(1);
      }
    });
  for (auto& t : callers) t.join();
  EXPECT_EQ(failures.load(), 0);
}

TEST(Pool, ProgressCallbackThatSaysStopCancelsEveryJob) {
  std::thread([] {
    CPicThreadPool pool;
    pool.Start(2, 0xFFFFFFFFu, 10);
    g_progressCalls = 0;
    g_progressAnswer = FALSE;
    pic_SetCallback(Progress, 0);
    PicNestingScope depth;
    JobSet set(4, WorkUntilCancelled);
    EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 14u);
    EXPECT_EQ(g_progressCalls.load(), 1);
    EXPECT_EQ(g_lastTotal, 100u);
    for (auto& job : set.jobs) {
      EXPECT_EQ(job->cancel, 1);
      EXPECT_EQ(job->progressWanted, 1);
    }
    pic_SetCallback(nullptr, 0);
  }).join();
}

TEST(Pool, ProgressIsRelayedOnlyAtDepthOne) {
  std::thread([] {
    CPicThreadPool pool;
    pool.Start(2, 0xFFFFFFFFu, 5);
    g_progressAnswer = TRUE;
    pic_SetCallback(Progress, 0);
    auto slow = [](TestJob* job) {
      for (uint32_t i = 0; i <= 20; ++i) {
        JobProgressCallback(i, 20, reinterpret_cast<PIC_USERDATA>(job));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    };
    {
      g_progressCalls = 0;
      PicNestingScope depth1;
      // Each job ends only after the caller's first poll (a pool that never
      // polls lets them go after 10 s), however late the caller is scheduled.
      JobSet set(2, [&](TestJob* job) {
        slow(job);
        WaitUntil([] { return g_progressCalls.load() > 0; });
      });
      EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 0u);
      EXPECT_GT(g_progressCalls.load(), 0);
      EXPECT_LE(g_lastDone, 100u);
      EXPECT_DOUBLE_EQ(set.jobs[0]->progress, 100.0);
    }
    {
      g_progressCalls = 0;
      PicNestingScope depth1;
      PicNestingScope depth2;
      JobSet set(2, slow);
      EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 0u);
      EXPECT_EQ(g_progressCalls.load(), 0);
    }
    pic_SetCallback(nullptr, 0);
  }).join();
}

TEST(Pool, WaitTimeoutCancelsAndGives84) {
  CPicThreadPool pool;
  pool.Start(2, 30, 200);
  JobSet set(3, WorkUntilCancelled);
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 84u);
  for (auto& job : set.jobs) EXPECT_EQ(job->cancel, 1);
}

TEST(Pool, StopFailsQueuedJobsWith89AndWaitsForTheRunningOne) {
  CPicThreadPool pool;
  pool.Start(2, 0xFFFFFFFFu, 200);
  std::atomic<int> started{0};
  std::atomic<bool> release{false};
  std::atomic<int> ran{0};
  JobSet set(6, [&](TestJob*) {
    started.fetch_add(1);
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ran.fetch_add(1);
  });
  uint32_t result = 1234;
  std::thread caller([&] { result = RunJobs(pool, RunTestJob, set.pointers); });
  EXPECT_TRUE(WaitUntil([&] { return started.load() == 2; }));
  std::thread stopper([&] { pool.Stop(); });
  // The stopper has taken the queued jobs before the running ones end.
  EXPECT_TRUE(WaitUntil([&] { return !pool.IsRunning(); }));
  EXPECT_EQ(ran.load(), 0);  // the stopper waits for the two running jobs
  release.store(true);
  stopper.join();
  caller.join();
  EXPECT_EQ(ran.load(), 2);
  EXPECT_EQ(result, 89u);
  int failed = 0;
  for (auto& job : set.jobs) failed += job->error == 89 ? 1 : 0;
  EXPECT_EQ(failed, 4);
  EXPECT_FALSE(pool.IsRunning());
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 89u);
  pool.Start(2, 0xFFFFFFFFu, 200);  // a stopped pool stays stopped
  EXPECT_FALSE(pool.IsRunning());
}

TEST(Pool, ExceptionInAJobBecomes17) {
  CPicThreadPool pool;
  pool.Start(1, 0xFFFFFFFFu, 200);
  JobSet set(2, [](TestJob* job) {
    if (job->jobIndex == 1) throw std::runtime_error("boom");
  });
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 17u);
  EXPECT_TRUE(pool.IsRunning());
}

TEST(JobProgress, StoresPercentAndAnswersCancel) {
  EXPECT_TRUE(JobProgressCallback(1, 2, 0));
  TestJob job;
  EXPECT_TRUE(JobProgressCallback(1, 4, reinterpret_cast<PIC_USERDATA>(&job)));
  EXPECT_DOUBLE_EQ(job.progress, 25.0);
  job.cancel = 1;
  EXPECT_FALSE(JobProgressCallback(2, 4, reinterpret_cast<PIC_USERDATA>(&job)));
}

TEST(Bands, RowsAndColumnsGiveTheRemainderToTheLast) {
  PicArray<ThreadBand> bands;
  ASSERT_TRUE(SplitRowsIntoBands(bands, 7, 10, 3));
  ASSERT_EQ(bands.Count(), 3u);
  EXPECT_EQ(bands[0].top, 0u);
  EXPECT_EQ(bands[0].bottom, 3u);
  EXPECT_EQ(bands[1].top, 3u);
  EXPECT_EQ(bands[1].bottom, 6u);
  EXPECT_EQ(bands[2].top, 6u);
  EXPECT_EQ(bands[2].bottom, 10u);
  EXPECT_EQ(bands[2].right, 7u);
  ASSERT_TRUE(SplitColumnsIntoBands(bands, 10, 5, 4));
  ASSERT_EQ(bands.Count(), 4u);
  EXPECT_EQ(bands[3].left, 6u);
  EXPECT_EQ(bands[3].right, 10u);
  EXPECT_EQ(bands[3].bottom, 5u);
  ASSERT_TRUE(SplitRowsIntoBands(bands, 7, 10, 0));
  EXPECT_EQ(bands.Count(), 0u);
  ASSERT_TRUE(SplitRowsIntoBands(bands, 7, 2, 4));  // more bands than rows: empty bands first
  EXPECT_EQ(bands[0].bottom, 0u);
  EXPECT_EQ(bands[3].bottom, 2u);
}

TEST(LibraryPool, InitializeExWithFlagOneKeepsThePoolStopped) {
  ASSERT_TRUE(pic_InitializeEx(nullptr, 1));
  EXPECT_FALSE(LibraryThreadPool().IsRunning());
  EXPECT_FALSE(UseThreadPool(0));
  JobSet set(1);
  EXPECT_EQ(RunJobs(RunTestJob, set.pointers), 89u);
}

TEST(Pool, CallerTakesTheFirstJobAndThoseNoWorkerHasStarted) {
  CPicThreadPool pool;
  pool.Start(1, 0xFFFFFFFFu, 200);
  BusyWorker busy(pool);  // another caller's job holds the one worker
  std::atomic<int> onCaller{0};
  JobSet set(4, [&, caller = std::this_thread::get_id()](TestJob* job) {
    onCaller.fetch_add(std::this_thread::get_id() == caller);
    if (job->jobIndex >= 2) job->error = job->jobIndex + 5;
  });
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers, true), 7u);  // each job once, first failure
  EXPECT_EQ(onCaller.load(), 4);
}

// A shared batch: the caller never waits for a turn no worker has started,
// and with a progress callback (which the caller polls) workers take every
// job, no more of them at once than the helpers plus the caller's turn.
TEST(Pool, SharedBatchRunsOnTheCallerWhenEveryWorkerIsBusy) {
  CPicThreadPool pool;
  pool.Start(1, 0xFFFFFFFFu, 200);
  BusyWorker busy(pool);
  std::atomic<int> onCaller{0};
  JobSet set(8, [&, caller = std::this_thread::get_id()](TestJob* job) {
    onCaller.fetch_add(std::this_thread::get_id() == caller);
    if (job->jobIndex == 6) job->error = 3;
  });
  EXPECT_EQ(RunJobsShared(pool, RunTestJob, set.pointers, 3), 3u);  // returns while the worker is held
  EXPECT_EQ(onCaller.load(), 8);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(set.jobs[i]->jobIndex, i);
}

TEST(Pool, SharedBatchKeepsToItsHelpers) {
  const struct {
    uint32_t helpers;
    bool progress;
  } rows[] = {{1, false}, {2, false}, {0, false}, {1, true}, {2, true}};
  for (const auto& r : rows) {
    std::thread([&] {
      CPicThreadPool pool;
      pool.Start(8, 0xFFFFFFFFu, 5);
      g_progressAnswer = TRUE;
      if (r.progress) pic_SetCallback(Progress, 0);
      PicNestingScope depth;
      std::atomic<int> active{0}, most{0}, onCaller{0};
      JobSet set(24, [&, caller = std::this_thread::get_id()](TestJob*) {
        onCaller.fetch_add(std::this_thread::get_id() == caller);
        const int now = active.fetch_add(1) + 1;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        active.fetch_sub(1);
      });
      EXPECT_EQ(RunJobsShared(pool, RunTestJob, set.pointers, r.helpers), 0u);
      EXPECT_LE(most.load(), static_cast<int>(r.helpers) + 1) << r.helpers << " " << r.progress;
      if (r.progress) {
        EXPECT_EQ(onCaller.load(), 0);
      } else if (r.helpers == 0) {
        EXPECT_EQ(onCaller.load(), 24);
      }
      EXPECT_LE(pool.WorkerCount(), size_t{r.helpers} + (r.progress ? 1 : 0));
      pic_SetCallback(nullptr, 0);
    }).join();
  }
}

TEST(Pool, SharedBatchOfAStoppedPoolFailsWith89) {
  CPicThreadPool pool;
  JobSet set(3);
  EXPECT_EQ(RunJobsShared(pool, RunTestJob, set.pointers, 2), 89u);
  pool.Start(2, 0xFFFFFFFFu, 200);
  EXPECT_EQ(RunJobsShared(pool, RunTestJob, std::span<CPicThreadData* const>(), 2), 5u);
  pool.Stop();
  EXPECT_EQ(RunJobsShared(pool, RunTestJob, set.pointers, 2), 89u);
}

// Helpers wake one another: while jobs are left that the threads at work
// cannot start, one more comes, up to every helper. Each job here waits
// until caller and helpers all work at once (a safety limit of 10 s), so a
// helper never woken shows as fewer at once.
TEST(Pool, SharedBatchWakesEveryHelperWhileJobsAreLeft) {
  for (uint32_t helpers : {1u, 3u, 6u}) {
    CPicThreadPool pool;
    pool.Start(8, 0xFFFFFFFFu, 200);
    std::atomic<int> active{0}, most{0};
    const int all = static_cast<int>(helpers) + 1;
    JobSet set(4 * all, [&](TestJob*) {
      const int now = active.fetch_add(1) + 1;
      for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
      }
      for (int i = 0; i < 10000 && most.load() < all; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      active.fetch_sub(1);
    });
    EXPECT_EQ(RunJobsShared(pool, RunTestJob, set.pointers, helpers), 0u);
    EXPECT_EQ(most.load(), all) << helpers;
  }
}

// Workers already made and asleep are woken for each batch: one pool runs
// batches of every size in turn (a broadcast when every idle worker is
// wanted, single wakes when fewer are), and each reaches all its threads at
// once: a shared batch its helpers and the caller, or with a progress
// callback (the caller polls) a worker more; a plain batch a worker per
// job, or with the caller taking the first job, that job on the caller.
TEST(Pool, IdleWorkersWakeForEveryBatchSize) {
  enum Kind { kShared, kPolled, kPlain, kCallerFirst };
  const struct {
    Kind kind;
    uint32_t count;  // helpers (shared, polled) or jobs (plain, caller first)
  } rows[] = {{kShared, 6}, {kShared, 1}, {kShared, 3},      {kPolled, 2}, {kShared, 6},
              {kShared, 2}, {kPlain, 4},  {kCallerFirst, 4}, {kShared, 5}, {kShared, 0},
              {kPlain, 4},  {kPolled, 5}, {kCallerFirst, 7}, {kShared, 6}};
  std::thread([&] {
    CPicThreadPool pool;
    pool.Start(7, 0xFFFFFFFFu, 5);
    g_progressAnswer = TRUE;
    for (const auto& r : rows) {
      const bool jobsGiven = r.kind == kPlain || r.kind == kCallerFirst;
      const int all = jobsGiven ? static_cast<int>(r.count) : static_cast<int>(r.count) + 1;
      std::atomic<int> active{0}, most{0};
      JobSet set(jobsGiven ? r.count : 3 * r.count + 3, [&](TestJob*) {
        const int now = active.fetch_add(1) + 1;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        for (int i = 0; i < 10000 && most.load() < all; ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        active.fetch_sub(1);
      });
      uint32_t result = 1234;
      if (r.kind == kPolled) {
        pic_SetCallback(Progress, 0);
        PicNestingScope depth;
        result = RunJobsShared(pool, RunTestJob, set.pointers, r.count);
        pic_SetCallback(nullptr, 0);
      } else if (jobsGiven) {
        result = RunJobs(pool, RunTestJob, set.pointers, r.kind == kCallerFirst);
      } else {
        result = RunJobsShared(pool, RunTestJob, set.pointers, r.count);
      }
      EXPECT_EQ(result, 0u);
      EXPECT_EQ(most.load(), all) << r.kind << " " << r.count;
      EXPECT_LE(pool.WorkerCount(), 7u);
    }
  }).join();
}

// A pool stopped while a polling caller waits for its shared batch: the
// turn no worker started is dropped, and the jobs nobody took fail with 89
// (none ran) instead of the batch reporting success.
std::atomic<int> g_polls{0};
BOOL PICAPI CountPolls(DWORD, DWORD, PIC_USERDATA) {
  g_polls.fetch_add(1);
  return TRUE;
}

TEST(Pool, SharedBatchStoppedUnderAPollingCallerFailsItsJobsWith89) {
  std::thread([] {
    CPicThreadPool pool;
    pool.Start(1, 0xFFFFFFFFu, 5);
    auto busy = std::make_unique<BusyWorker>(pool);  // the batch's turn queues behind it
    g_polls = 0;
    pic_SetCallback(CountPolls, 0);
    std::atomic<int> ran{0};
    JobSet set(4, [&](TestJob*) { ran.fetch_add(1); });
    std::thread stopper([&] {
      while (g_polls.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      pool.Stop();  // returns once the held worker lets go
    });
    uint32_t result = 1234;
    {
      PicNestingScope depth;
      result = RunJobsShared(pool, RunTestJob, set.pointers, 1);
    }
    pic_SetCallback(nullptr, 0);
    busy.reset();
    stopper.join();
    EXPECT_EQ(result, 89u);
    EXPECT_EQ(ran.load(), 0);
    for (auto& job : set.jobs) EXPECT_EQ(job->error, 89u);
  }).join();
}

// Only the pool's own threads count as workers (an operation inside a job
// then stays on its thread): every job of a plain batch runs on one, the
// caller is none.
TEST(Pool, WorkersKnowThemselves) {
  CPicThreadPool pool;
  pool.Start(3, 0xFFFFFFFFu, 200);
  std::atomic<int> onWorkers{0};
  JobSet set(6, [&](TestJob*) { onWorkers.fetch_add(IsPoolWorkerThread() ? 1 : 0); });
  EXPECT_EQ(RunJobs(pool, RunTestJob, set.pointers), 0u);
  EXPECT_EQ(onWorkers.load(), 6);
  EXPECT_FALSE(IsPoolWorkerThread());
}

// One band asked for is the whole image, rows or columns.
TEST(Bands, OneBandIsTheWholeImage) {
  PicArray<ThreadBand> bands;
  ASSERT_TRUE(SplitRowsIntoBands(bands, 7, 10, 1));
  ASSERT_EQ(bands.Count(), 1u);
  EXPECT_EQ(bands[0].left, 0u);
  EXPECT_EQ(bands[0].top, 0u);
  EXPECT_EQ(bands[0].right, 7u);
  EXPECT_EQ(bands[0].bottom, 10u);
  ASSERT_TRUE(SplitColumnsIntoBands(bands, 9, 4, 1));
  ASSERT_EQ(bands.Count(), 1u);
  EXPECT_EQ(bands[0].right, 9u);
  EXPECT_EQ(bands[0].bottom, 4u);
}
