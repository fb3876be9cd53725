#pragma once
// The library's worker pool. An operation splits its image into bands
// (SplitRowsIntoBands / SplitColumnsIntoBands, GetThreadsPerOperation bands),
// makes one job record per band (derived from CPicThreadData), and calls
// RunJobs, which blocks until every job has ended:
//
//   uint32_t BandProc(CPicThreadData* job) {
//     if (job->progressWanted) SetProgressCallback(JobProgressCallback, (PIC_USERDATA)job);
//     ... run the band on an operation object built here, copy its error into job->error ...
//     SetProgressCallback(nullptr, 0);
//     return 0;
//   }
//   if (UseThreadPool(flags)) err = RunJobs(BandProc, records);  // else run in this thread
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

  // callerTakesFirst: the calling thread runs the first job itself while
  // the workers run the rest (not when it has a progress callback, which it
  // polls while it waits), so a batch needs one worker fewer to wake; then
  // it runs whichever of the rest no worker has started yet.
  uint32_t Run(PicJobProc proc, std::span<CPicThreadData* const> jobs, bool callerTakesFirst = false);

 private:
  void WorkerLoop();
  void GrowTo(size_t count);
  static void Finish(const PoolJobItem& item);
  bool TakeQueued(RunBatch& batch);

  mutable std::mutex lock_;
  std::condition_variable workReady_;
  std::deque<PoolJobItem> queue_;
  std::vector<std::thread> workers_;
  bool started_ = false;
  uint32_t maxWorkers_ = 0;
  bool stopping_ = false;
  uint32_t waitTimeoutMs_ = 0xFFFFFFFFu;
  uint32_t pollIntervalMs_ = 200;
};

uint32_t RunJobs(CPicThreadPool& pool, PicJobProc proc, std::span<CPicThreadData* const> jobs,
                 bool callerTakesFirst = false);
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
