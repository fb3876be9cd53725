#include "core/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>

#include "core/thread_context.h"

namespace Pictura {

// The jobs of one RunJobs call: the caller waits until none remains. A
// shared batch counts its helpers' turns instead, and its jobs are taken
// from `next` by the caller and the helpers started.
struct RunBatch {
  std::mutex lock;
  std::condition_variable done;
  size_t remaining = 0;
  PicJobProc proc = nullptr;
  std::span<CPicThreadData* const> shared;
  std::atomic<size_t> next{0};
};

namespace {

thread_local bool t_isPoolWorker = false;

void RequestCancel(std::span<CPicThreadData* const> jobs) {
  for (CPicThreadData* job : jobs) std::atomic_ref<uint8_t>(job->cancel).store(1, std::memory_order_relaxed);
}

void WaitAll(RunBatch& batch) {
  std::unique_lock<std::mutex> guard(batch.lock);
  batch.done.wait(guard, [&] { return batch.remaining == 0; });
}

void RunJob(PicJobProc proc, CPicThreadData* job) {
  try {
    proc(job);
  } catch (...) {
    if (job->error == 0) job->error = kPicErrUnexpected;
  }
}

// Takes the shared batch's jobs until none is left.
void RunSharedJobs(RunBatch& batch) {
  const size_t n = batch.shared.size();
  for (size_t i = batch.next.fetch_add(1, std::memory_order_relaxed); i < n;
       i = batch.next.fetch_add(1, std::memory_order_relaxed))
    RunJob(batch.proc, batch.shared[i]);
}

uint32_t FirstError(std::span<CPicThreadData* const> jobs) {
  for (CPicThreadData* job : jobs)
    if (job->error != 0) return job->error;
  return 0;
}

}  // namespace

CPicThreadData::CPicThreadData() : progressWanted(HasProgressCallback() ? 1 : 0) {}

CPicThreadPool::~CPicThreadPool() {
  Stop();
}

void CPicThreadPool::Start(uint32_t threads, uint32_t waitTimeoutMs, uint32_t pollIntervalMs) {
  std::lock_guard<std::mutex> guard(lock_);
  if (started_) return;
  started_ = true;
  maxWorkers_ = threads;
  waitTimeoutMs_ = waitTimeoutMs;
  pollIntervalMs_ = pollIntervalMs;
}

// Called with lock_ held. A program that never splits an operation never pays
// for the workers' stacks; one that does gets as many as its batches use.
void CPicThreadPool::GrowTo(size_t count) {
  count = std::min<size_t>(count, maxWorkers_);
  while (workers_.size() < count) {
    try {
      workers_.emplace_back(&CPicThreadPool::WorkerLoop, this);
    } catch (const std::exception&) {
      break;  // run with the workers that could be made
    }
  }
}

void CPicThreadPool::Stop() {
  std::deque<PoolJobItem> orphans;
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_ || !started_) return;
    stopping_ = true;
    orphans.swap(queue_);
    workers.swap(workers_);
  }
  workReady_.notify_all();
  // Queued jobs never run: their callers get 89 instead of waiting for ever.
  for (const PoolJobItem& item : orphans) {
    if (item.job) item.job->error = kPicErrPoolNotRunning;  // a shared batch's caller takes its jobs
    Finish(item);
  }
  // A worker ends after its current job; it is never freed while running.
  for (std::thread& t : workers) {
    if (t.get_id() == std::this_thread::get_id())
      t.detach();
    else
      t.join();
  }
}

bool CPicThreadPool::IsRunning() const {
  std::lock_guard<std::mutex> guard(lock_);
  return started_ && !stopping_ && maxWorkers_ > 0;
}

size_t CPicThreadPool::WorkerCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return workers_.size();
}

void CPicThreadPool::Finish(const PoolJobItem& item) {
  RunBatch* batch = item.batch;
  std::lock_guard<std::mutex> guard(batch->lock);
  if (--batch->remaining == 0) batch->done.notify_all();
}

void CPicThreadPool::RunItem(const PoolJobItem& item) {
  if (item.job)
    RunJob(item.proc, item.job);
  else
    RunSharedJobs(*item.batch);
  Finish(item);
}

// Takes this batch's items no worker has started off the queue; their count.
size_t CPicThreadPool::DropQueued(RunBatch& batch) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto end = std::remove_if(queue_.begin(), queue_.end(),
                                  [&](const PoolJobItem& queued) { return queued.batch == &batch; });
  const auto dropped = static_cast<size_t>(queue_.end() - end);
  queue_.erase(end, queue_.end());
  return dropped;
}

// Called with lock_ held, after `count` items were queued: how many idle
// workers to wake (every idle one when that is no more than the items want).
// Woken one after another instead (each helper waking the next), a helper
// the scheduler starts late on a busy machine holds back every helper behind
// it, and the batch runs on fewer threads than it asked for.
size_t CPicThreadPool::WorkersToWake(size_t count) const {
  if (count == 0 || idle_ == 0) return 0;
  return count >= idle_ ? SIZE_MAX : count;
}

// Wakes what WorkersToWake gave, outside the lock (a woken worker wants it).
void CPicThreadPool::Wake(size_t workers) {
  if (workers == SIZE_MAX) {
    workReady_.notify_all();
  } else {
    for (size_t i = 0; i < workers; ++i) workReady_.notify_one();
  }
}

void CPicThreadPool::WorkerLoop() {
  t_isPoolWorker = true;
  for (;;) {
    PoolJobItem item;
    {
      std::unique_lock<std::mutex> guard(lock_);
      ++idle_;
      workReady_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
      --idle_;
      if (stopping_) break;
      item = queue_.front();
      queue_.pop_front();
    }
    RunItem(item);
  }
}

// Called with lock_ held: 89 for a pool that does not run, 5 for no jobs
// (or a null one), else 0.
uint32_t CPicThreadPool::Refused(PicJobProc proc, std::span<CPicThreadData* const> jobs) const {
  if (!started_ || stopping_ || maxWorkers_ == 0) return kPicErrPoolNotRunning;
  bool valid = proc && !jobs.empty();
  for (CPicThreadData* job : jobs) valid = valid && job;
  if (valid) return 0;
  DebugTrace("No jobs in thread pool.\n");
  return kPicErrBadArgument;
}

uint32_t CPicThreadPool::Run(PicJobProc proc, std::span<CPicThreadData* const> jobs, bool callerTakesFirst) {
  if (callerTakesFirst && !jobs.empty()) return RunShared(proc, jobs, static_cast<uint32_t>(jobs.size() - 1));
  RunBatch batch;
  ImgThreadContext* ctx = GetImgThreadContext();
  size_t wake = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (const uint32_t refused = Refused(proc, jobs)) return refused;
    GrowTo(jobs.size());
    if (workers_.empty()) return kPicErrPoolNotRunning;
    batch.remaining = jobs.size();
    size_t queued = 0;
    try {
      for (size_t i = 0; i < jobs.size(); ++i) {
        jobs[i]->jobIndex = static_cast<uint32_t>(i);
        queue_.push_back(PoolJobItem{jobs[i], proc, &batch, static_cast<uint32_t>(i)});
        ++queued;
      }
    } catch (const std::bad_alloc&) {
      queue_.erase(queue_.end() - static_cast<std::ptrdiff_t>(queued), queue_.end());
      DebugTrace("No jobs in thread pool.\n");
      return kPicErrBadArgument;
    }
    wake = WorkersToWake(queued);
  }
  Wake(wake);
  return Wait(batch, jobs, ctx);
}

uint32_t CPicThreadPool::RunShared(PicJobProc proc, std::span<CPicThreadData* const> jobs, uint32_t helpers) {
  ImgThreadContext* ctx = GetImgThreadContext();
  // The caller's progress is polled while it waits, so then a worker takes
  // its turn.
  const bool polls = ctx && ctx->progressCallback;
  RunBatch batch;
  batch.proc = proc;
  batch.shared = jobs;
  size_t turns = 0, wake = 0;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (const uint32_t refused = Refused(proc, jobs)) return refused;
    for (size_t i = 0; i < jobs.size(); ++i) jobs[i]->jobIndex = static_cast<uint32_t>(i);
    const size_t wanted = std::min<size_t>(size_t{helpers} + (polls ? 1 : 0), jobs.size() - (polls ? 0 : 1));
    GrowTo(wanted);
    if (workers_.empty() && wanted) return kPicErrPoolNotRunning;
    turns = std::min(wanted, workers_.size());
    try {
      for (size_t i = 0; i < turns; ++i) queue_.push_back(PoolJobItem{nullptr, nullptr, &batch, UINT32_MAX});
    } catch (const std::bad_alloc&) {
      std::erase_if(queue_, [&](const PoolJobItem& queued) { return queued.batch == &batch; });
      if (polls) return kPicErrNoMemory;
      turns = 0;  // the caller takes them all
    }
    batch.remaining = turns;
    wake = WorkersToWake(turns);
  }
  Wake(wake);
  if (!polls) {
    RunSharedJobs(batch);
    // Every job is taken: turns no worker has started yet are not waited for.
    if (const size_t dropped = turns ? DropQueued(batch) : 0) {
      std::lock_guard<std::mutex> guard(batch.lock);
      batch.remaining -= dropped;
    }
  }
  const uint32_t result = Wait(batch, jobs, ctx);
  // Jobs nobody took (the pool stopped under a polling caller) never ran.
  bool unrun = false;
  for (size_t i = batch.next.exchange(jobs.size()); i < jobs.size(); ++i) {
    jobs[i]->error = kPicErrPoolNotRunning;
    unrun = true;
  }
  return result == 0 && unrun ? FirstError(jobs) : result;
}

// Waits for the batch (polling the caller's progress callback, or within the
// pool's time limit); the first job failure in list order.
uint32_t CPicThreadPool::Wait(RunBatch& batch, std::span<CPicThreadData* const> jobs, ImgThreadContext* ctx) {
  if (ctx && ctx->progressCallback) {
    const auto poll = std::chrono::milliseconds(pollIntervalMs_ ? pollIntervalMs_ : 1);
    for (;;) {
      {
        std::unique_lock<std::mutex> guard(batch.lock);
        if (batch.done.wait_for(guard, poll, [&] { return batch.remaining == 0; })) break;
      }
      double sum = 0;
      for (CPicThreadData* job : jobs)
        sum += std::atomic_ref<double>(job->progress).load(std::memory_order_relaxed);
      auto mean = static_cast<uint32_t>(sum / static_cast<double>(jobs.size()));
      if (ctx->nestingDepth == 1 && ctx->progressCallback &&
          ctx->progressCallback(mean, 100, ctx->callbackUserData) == FALSE) {
        RequestCancel(jobs);
        WaitAll(batch);
        return kPicErrCancelled;
      }
    }
  } else if (waitTimeoutMs_ == 0xFFFFFFFFu) {
    WaitAll(batch);
  } else {
    bool finished;
    {
      std::unique_lock<std::mutex> guard(batch.lock);
      finished = batch.done.wait_for(guard, std::chrono::milliseconds(waitTimeoutMs_),
                                     [&] { return batch.remaining == 0; });
    }
    if (!finished) {
      RequestCancel(jobs);
      WaitAll(batch);
      return kPicErrPoolTimeout;
    }
  }
  return FirstError(jobs);
}

uint32_t RunJobs(CPicThreadPool& pool, PicJobProc proc, std::span<CPicThreadData* const> jobs,
                 bool callerTakesFirst) {
  return pool.Run(proc, jobs, callerTakesFirst);
}

uint32_t RunJobsShared(CPicThreadPool& pool, PicJobProc proc, std::span<CPicThreadData* const> jobs,
                       uint32_t helpers) {
  return pool.RunShared(proc, jobs, helpers);
}

bool IsPoolWorkerThread() {
  return t_isPoolWorker;
}

BOOL PICAPI JobProgressCallback(DWORD done, DWORD total, PIC_USERDATA user) {
  auto* job = reinterpret_cast<CPicThreadData*>(user);
  if (!job) return TRUE;
  double percent = total ? static_cast<double>(done) * 100.0 / static_cast<double>(total) : 100.0;
  std::atomic_ref<double>(job->progress).store(percent, std::memory_order_relaxed);
  return std::atomic_ref<uint8_t>(job->cancel).load(std::memory_order_relaxed) == 1 ? FALSE : TRUE;
}

bool SplitRowsIntoBands(PicArray<ThreadBand>& bands, uint32_t width, uint32_t height, uint32_t n) {
  if (n == 0) {
    bands.Clear();
    return true;
  }
  if (!bands.Resize(n)) return false;
  uint32_t top = 0;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t bottom = (i + 1 == n) ? height : static_cast<uint32_t>(uint64_t{height / n} * (i + 1));
    bands[i] = ThreadBand{0, top, width, bottom};
    top = bottom;
  }
  return true;
}

bool SplitColumnsIntoBands(PicArray<ThreadBand>& bands, uint32_t width, uint32_t height, uint32_t n) {
  if (n == 0) {
    bands.Clear();
    return true;
  }
  if (!bands.Resize(n)) return false;
  uint32_t left = 0;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t right = (i + 1 == n) ? width : static_cast<uint32_t>(uint64_t{width / n} * (i + 1));
    bands[i] = ThreadBand{left, 0, right, height};
    left = right;
  }
  return true;
}

}  // namespace Pictura
