#pragma once
// The library's worker pool. Operations split their image into bands
// through core/band_jobs.h (WantBands, RunBandJobs), which makes one job
// record (derived from CPicThreadData) per band and calls RunJobs; it
// blocks until every job has ended.
//
// Results: 0, the first job error in list order, 5 (no jobs), 14 (progress
// callback said stop), 84 (wait timeout), 89 (pool not running, no worker
// could be made, or stopped before the job ran).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "core/allocators.h"
#include "core/picapi.h"

namespace Pictura {

struct ImgThreadContext;

class CPicThreadData {
 public:
  CPicThreadData();
  virtual ~CPicThreadData() = default;

  uint8_t progressWanted = 0;  // the constructing thread had a progress callback
  uint8_t cancel = 0;          // set to 1 by the pool to ask the job to stop
  double progress = 0.0;       // percent done
  uint32_t jobIndex = 0;
  uint32_t error = 0;
};

// A band of an image; right and bottom are exclusive.
struct ThreadBand {
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t right = 0;
  uint32_t bottom = 0;
};

using PicJobProc = uint32_t (*)(CPicThreadData* job);

struct RunBatch;

// A queued piece of work: one job, or (job null) a turn at a shared batch's
// jobs.
struct PoolJobItem {
  CPicThreadData* job = nullptr;
  PicJobProc proc = nullptr;
  RunBatch* batch = nullptr;
  uint32_t index = UINT32_MAX;
  bool Valid() const { return job && proc; }
};

class CPicThreadPool {
 public:
  CPicThreadPool() = default;
  ~CPicThreadPool();
  CPicThreadPool(const CPicThreadPool&) = delete;
  CPicThreadPool& operator=(const CPicThreadPool&) = delete;

  // Starts once, with the given settings; later calls do nothing. The
  // workers (at most `threads`) are made by the runs that need them.
  void Start(uint32_t threads, uint32_t waitTimeoutMs, uint32_t pollIntervalMs);
  // Ends every worker (each finishes its current job); queued jobs fail
  // with 89. A stopped pool never starts again.
  void Stop();
  bool IsRunning() const;
  size_t WorkerCount() const;  // workers made so far

  // callerTakesFirst: RunShared with a helper for every job but one.
  uint32_t Run(PicJobProc proc, std::span<CPicThreadData* const> jobs, bool callerTakesFirst = false);
  // The calling thread and at most `helpers` workers take the jobs in list
  // order from one shared counter until none is left: a worker that wakes
  // late finds the jobs taken and the caller never waits for it, and jobs
  // of unequal work even out. The caller then waits only for the jobs in
  // progress. Every helper is woken at once, so one the scheduler starts late
  // holds back no other. With a progress callback installed (which the caller polls
  // while it waits) this is Run(proc, jobs). Same results as Run.
  uint32_t RunShared(PicJobProc proc, std::span<CPicThreadData* const> jobs, uint32_t helpers);

 private:
  void WorkerLoop();
  size_t WorkersToWake(size_t count) const;
  void Wake(size_t workers);
  void GrowTo(size_t count);
  static void Finish(const PoolJobItem& item);
  static void RunItem(const PoolJobItem& item);
  size_t DropQueued(RunBatch& batch);
  uint32_t Refused(PicJobProc proc, std::span<CPicThreadData* const> jobs) const;
  uint32_t Wait(RunBatch& batch, std::span<CPicThreadData* const> jobs, ImgThreadContext* ctx);

  mutable std::mutex lock_;
  std::condition_variable workReady_;
  std::deque<PoolJobItem> queue_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0;  // workers waiting for an item
  bool started_ = false;
  uint32_t maxWorkers_ = 0;
  bool stopping_ = false;
  uint32_t waitTimeoutMs_ = 0xFFFFFFFFu;
  uint32_t pollIntervalMs_ = 200;
};

uint32_t RunJobs(CPicThreadPool& pool, PicJobProc proc, std::span<CPicThreadData* const> jobs,
                 bool callerTakesFirst = false);
uint32_t RunJobsShared(CPicThreadPool& pool, PicJobProc proc, std::span<CPicThreadData* const> jobs,
                       uint32_t helpers);
// True on a pool's worker thread.
bool IsPoolWorkerThread();

// The progress callback a job installs in its worker's state, with the job
// record as user data: stores done * 100 / total and says stop once cancelled.
BOOL PICAPI JobProgressCallback(DWORD done, DWORD total, PIC_USERDATA job);

// n bands; band i ends at (height / n) * (i + 1), the last at height, so the
// remainder goes to the last band. n = 0 leaves the array empty.
bool SplitRowsIntoBands(PicArray<ThreadBand>& bands, uint32_t width, uint32_t height, uint32_t n);
bool SplitColumnsIntoBands(PicArray<ThreadBand>& bands, uint32_t width, uint32_t height, uint32_t n);

}  // namespace Pictura
