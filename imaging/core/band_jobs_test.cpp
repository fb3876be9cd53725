// Band splitting on the library's pool: every row or column once, in order,
// the first failure in band order, and the threads-per-operation setting as
// the bound on the threads that work at once.
#include "core/band_jobs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/pictura_core.h"

using namespace Pictura;

namespace {

class BandJobs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pic_Initialize(nullptr)); }
  void TearDown() override { SetThreadsPerOperation(4); }
};

}  // namespace

TEST_F(BandJobs, EveryRowOrColumnOnceInEvenBands) {
  const struct {
    bool columns;
    uint32_t width, height, threads, bands;
  } rows[] = {
      {false, 7, 10, 4, 4},                           // fewer than 8 rows a band: one band a thread
      {false, 5, 1000, 4, 16},                        // four a thread
      {false, 5, 1000, 1, 4},  {false, 3, 33, 3, 4},  // 33 / 8 = 4 bands, more than the 3 threads
      {false, 3, 56, 3, 7},                           // 56 / 8 = 7 bands of 8 rows, fewer than four a thread
      {true, 1000, 3, 4, 8},                          // columns: two a thread
      {true, 100, 3, 3, 3},                           // fewer than 64 columns a band
      {true, 700, 2, 8, 10},
  };
  for (const auto& r : rows) {
    SetThreadsPerOperation(r.threads);
    const uint32_t size = r.columns ? r.width : r.height;
    std::vector<std::atomic<int>> seen(size);
    std::atomic<uint32_t> count{0};
    const uint32_t code = RunBandJobs(r.columns, r.width, r.height, [&](const ThreadBand& band) -> uint32_t {
      count.fetch_add(1);
      const uint32_t from = r.columns ? band.left : band.top, to = r.columns ? band.right : band.bottom;
      const uint32_t across = r.columns ? band.bottom - band.top : band.right - band.left;
      for (uint32_t i = from; i < to; ++i) seen[i].fetch_add(1);
      return (across == (r.columns ? r.height : r.width)) ? 0u : 99u;
    });
    EXPECT_EQ(code, 0u) << r.width << "x" << r.height;
    EXPECT_EQ(count.load(), r.bands) << r.width << "x" << r.height << " threads " << r.threads;
    for (uint32_t i = 0; i < size; ++i) EXPECT_EQ(seen[i].load(), 1) << "index " << i;
    PicArray<ThreadBand> bands;
    ASSERT_TRUE(MakeBands(bands, r.columns, r.width, r.height));
    for (uint32_t i = 0; i < bands.Count(); ++i) {
      const uint32_t from = r.columns ? bands[i].left : bands[i].top;
      const uint32_t to = r.columns ? bands[i].right : bands[i].bottom;
      EXPECT_EQ(from, static_cast<uint32_t>(uint64_t{size} * i / bands.Count()));
      EXPECT_EQ(to, static_cast<uint32_t>(uint64_t{size} * (i + 1) / bands.Count()));
    }
  }
}

TEST_F(BandJobs, ResultIsTheFirstFailureInBandOrder) {
  SetThreadsPerOperation(4);
  const uint32_t code = RunBandJobs(false, 4, 400, [](const ThreadBand& band) -> uint32_t {
    const uint32_t index = band.top / 25;  // 16 bands of 25 rows
    return index == 5 ? 17u : index >= 9 ? 1u : 0u;
  });
  EXPECT_EQ(code, 17u);
  EXPECT_EQ(
      RunBandJobs<CPicThreadData>([](CPicThreadData*) -> uint32_t { return 0; },
                                  std::span<const ThreadBand>(), [](CPicThreadData&, const ThreadBand&) {}),
      5u);
}

TEST_F(BandJobs, NoMoreThreadsAtOnceThanThreadsPerOperation) {
  for (uint32_t threads : {2u, 3u}) {
    SetThreadsPerOperation(threads);
    std::atomic<int> active{0}, most{0};
    EXPECT_EQ(RunBandJobs(false, 1, 800,
                          [&](const ThreadBand&) -> uint32_t {
                            const int now = active.fetch_add(1) + 1;
                            for (int seen = most.load();
                                 now > seen && !most.compare_exchange_weak(seen, now);) {
                            }
                            std::this_thread::sleep_for(std::chrono::microseconds(300));
                            active.fetch_sub(1);
                            return 0;
                          }),
              0u);
    EXPECT_GE(most.load(), 1);
    EXPECT_LE(most.load(), static_cast<int>(threads));
  }
}

TEST_F(BandJobs, WantBandsFollowsTheSplittingRule) {
  SetThreadsPerOperation(4);
  const struct {
    uint32_t flags, size;
    uint64_t work, minWork;
    bool want;
  } rows[] = {
      {0, 21, 0, 0, true},  // more than 5 x 4
      {0, 20, 0, 0, false},      {kPicFlagNoThreads, 1000, 0, 0, false},
      {0, 1000, 99, 100, false},  // too little work
      {0, 1000, 100, 100, true},
  };
  for (const auto& r : rows)
    EXPECT_EQ(r.minWork ? WantBands(r.flags, r.size, r.work, r.minWork) : WantBands(r.flags, r.size), r.want)
        << r.size;
  SetThreadsPerOperation(1);
  EXPECT_FALSE(WantBands(0, 1000));
}

// Work of a known size wakes one thread per share it pays for, never more
// than the threads per operation, and the bands follow the threads asked.
TEST_F(BandJobs, WorkThreadsAndAThreadCountOfTheirOwn) {
  SetThreadsPerOperation(4);
  const struct {
    uint64_t work, perThread;
    uint32_t threads;
  } rows[] = {
      {0, 100, 1},   {99, 100, 1},  {199, 100, 1},  {200, 100, 2},
      {399, 100, 3}, {400, 100, 4}, {4000, 100, 4}, {5, 0, 4},  // no share given: every thread
  };
  for (const auto& r : rows)
    EXPECT_EQ(WorkThreads(r.work, r.perThread), r.threads) << r.work << " / " << r.perThread;
  for (uint32_t threads : {1u, 2u, 3u}) {
    std::atomic<int> active{0}, most{0};
    std::atomic<uint32_t> count{0};
    EXPECT_EQ(RunBandJobs(
                  false, 1, 800,
                  [&](const ThreadBand&) -> uint32_t {
                    count.fetch_add(1);
                    const int now = active.fetch_add(1) + 1;
                    for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                    active.fetch_sub(1);
                    return 0;
                  },
                  threads),
              0u);
    EXPECT_EQ(count.load(), 4 * threads);  // four bands a thread asked
    EXPECT_LE(most.load(), static_cast<int>(threads));
  }
  SetThreadsPerOperation(2);  // more threads asked than an operation may take: its setting holds
  std::atomic<int> active{0}, most{0};
  EXPECT_EQ(RunBandJobs(
                false, 1, 800,
                [&](const ThreadBand&) -> uint32_t {
                  const int now = active.fetch_add(1) + 1;
                  for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
                  }
                  std::this_thread::sleep_for(std::chrono::microseconds(300));
                  active.fetch_sub(1);
                  return 0;
                },
                8),
            0u);
  EXPECT_LE(most.load(), 2);
}

// Job records of one's own over the image's bands, and the bands alone:
// without a thread count the threads per operation make them (four a
// thread), and each band reaches its record once.
TEST_F(BandJobs, OwnJobRecordsTakeTheThreadsPerOperation) {
  struct RowsJob : CPicThreadData {
    ThreadBand band;
    std::atomic<uint32_t>* rows = nullptr;
    std::atomic<uint32_t>* jobs = nullptr;
  };
  std::atomic<uint32_t> rows{0}, jobs{0};
  for (uint32_t threads : {1u, 3u}) {
    SetThreadsPerOperation(threads);
    rows = 0, jobs = 0;
    EXPECT_EQ(RunBandJobs<RowsJob>(
                  [](CPicThreadData* record) -> uint32_t {
                    auto* job = static_cast<RowsJob*>(record);
                    job->rows->fetch_add(job->band.bottom - job->band.top);
                    job->jobs->fetch_add(1);
                    return 0;
                  },
                  false, 5, 960,
                  [&](RowsJob& job, const ThreadBand& band) {
                    job.band = band;
                    job.rows = &rows;
                    job.jobs = &jobs;
                  }),
              0u);
    EXPECT_EQ(rows.load(), 960u);
    EXPECT_EQ(jobs.load(), 4 * threads) << threads;
    PicArray<ThreadBand> bands;
    ASSERT_TRUE(MakeBands(bands, false, 5, 960));
    EXPECT_EQ(bands.Count(), 4 * threads);
  }
}

namespace {
BOOL PICAPI KeepGoing(DWORD, DWORD, PIC_USERDATA) {
  return TRUE;
}
}  // namespace

// A caller with a progress callback: every band runs with its job's hook as
// the thread's callback, and the hook goes with the band (a later run
// without a callback finds none on any thread).
TEST_F(BandJobs, BandsCarryTheCallersProgressHookAndDropIt) {
  SetThreadsPerOperation(3);
  std::thread([] {
    std::atomic<int> hooked{0}, bands{0};
    auto body = [&](const ThreadBand&) -> uint32_t {
      bands.fetch_add(1);
      hooked.fetch_add(HasProgressCallback() ? 1 : 0);
      std::this_thread::sleep_for(std::chrono::microseconds(300));  // long enough for the workers to join
      return 0;
    };
    pic_SetCallback(KeepGoing, 0);
    {
      PicNestingScope depth;
      EXPECT_EQ(RunBandJobs(false, 1, 800, body), 0u);
    }
    pic_SetCallback(nullptr, 0);
    EXPECT_EQ(bands.load(), 12);
    EXPECT_EQ(hooked.load(), 12);
    bands = 0, hooked = 0;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(RunBandJobs(false, 1, 800, body), 0u);
    EXPECT_EQ(bands.load(), 48);
    EXPECT_EQ(hooked.load(), 0);
  }).join();
}
