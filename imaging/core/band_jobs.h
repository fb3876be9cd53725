#pragma once
// Splitting an operation into bands on the library's pool, in one place:
// when to split (WantBands), and the protocol (a record per band, the
// record's progress hook installed in the job's thread for its run, the
// calling thread running bands itself, the first failure as the result).
//
//   if (!WantBands(flags, height)) return Rows(0, height);
//   return RunBandJobs(false, width, height, [&](const ThreadBand& band) -> uint32_t {
//     Operation op;                   // an object of its own per band
//     op.Rows(band.top, band.bottom);
//     return op.error;
//   });

#include <algorithm>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

#include "core/allocators.h"
#include "core/library_globals.h"
#include "core/thread_context.h"
#include "core/thread_pool.h"

namespace Pictura {

// The pool may be used and the split dimension is more than five times the
// threads one operation may take.
inline bool WantBands(uint32_t flags, uint32_t size) {
  return UseThreadPool(flags) && uint64_t{size} > 5ull * GetThreadsPerOperation();
}

// The same for work of a known size: waking the pool and waiting for it
// costs more than a small job itself (some 20 to 100 microseconds), so
// below minWork the calling thread does it alone. The results are the same
// either way; with a progress callback installed the rule above alone
// holds, as callers can tell the two apart by the calls they get.
inline bool WantBands(uint32_t flags, uint32_t size, uint64_t work, uint64_t minWork) {
  return WantBands(flags, size) && (work >= minWork || HasProgressCallback());
}

// The threads work of a known size pays for: one per `perThread` of it (a
// helper woken for less costs more than it does), at least 1, at most the
// threads per operation. With a progress callback installed the threads per
// operation, as in WantBands.
inline uint32_t WorkThreads(uint64_t work, uint64_t perThread) {
  const uint32_t threads = GetThreadsPerOperation();
  if (HasProgressCallback() || perThread == 0) return threads;
  return static_cast<uint32_t>(std::clamp<uint64_t>(work / perThread, 1, threads));
}

// While it lives, the job record's progress hook is this thread's progress
// callback (when the operation's caller had one).
class BandProgressHook {
 public:
  explicit BandProgressHook(CPicThreadData& job) : wanted_(job.progressWanted != 0) {
    if (wanted_) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(&job));
  }
  ~BandProgressHook() {
    if (wanted_) SetProgressCallback(nullptr, 0);
  }
  BandProgressHook(const BandProgressHook&) = delete;
  BandProgressHook& operator=(const BandProgressHook&) = delete;

 private:
  bool wanted_;
};

// One job per band of the given list, filled by fill(job, band), run by
// the calling thread and at most threads - 1 workers (threads 0: the
// threads per operation), each taking the next band left (RunJobsShared);
// the first failure in band order.
template <class Job, class Fill>
uint32_t RunBandJobs(PicJobProc proc, std::span<const ThreadBand> bands, Fill&& fill, uint32_t threads = 0) {
  const size_t n = bands.size();
  PicArray<Job> jobs;
  PicArray<CPicThreadData*> pointers;
  if (!n) return kPicErrBadArgument;
  if (!jobs.Resize(n) || !pointers.Resize(n)) return kPicErrNoMemory;
  for (size_t i = 0; i < n; ++i) {
    fill(jobs[i], bands[i]);
    pointers[i] = &jobs[i];
  }
  const uint32_t most = GetThreadsPerOperation();
  return RunJobsShared(proc, std::span<CPicThreadData* const>(pointers.Data(), pointers.Count()),
                       (threads ? std::min(threads, most) : most) - 1);
}

// Bands for `threads` threads over `size` rows or columns: several per
// thread, so that a thread that starts late or meets slower rows leaves its
// share to the others, but no band thinner than minSize (and at least one
// band per thread, as the splitting rule promises that many).
inline uint32_t BandCount(uint32_t threads, uint32_t size, uint32_t perThread, uint32_t minSize) {
  const uint64_t most = std::max<uint64_t>(size / std::max(minSize, 1u), threads);
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{threads} * perThread, most));
}

// The bands RunBandJobs splits an image into for `threads` threads (0 or
// more than the threads per operation: that many): of rows (four a thread, at least 8 rows each) or
// of whole columns (two a thread, at least 64 columns each), evenly, in
// order.
inline bool MakeBands(PicArray<ThreadBand>& bands, bool columns, uint32_t width, uint32_t height,
                      uint32_t threads = 0) {
  threads = threads ? std::min(threads, GetThreadsPerOperation()) : GetThreadsPerOperation();
  const uint32_t size = columns ? width : height;
  const uint32_t n = columns ? BandCount(threads, width, 2, 64) : BandCount(threads, height, 4, 8);
  if (!bands.Resize(n)) return false;
  for (uint32_t i = 0; i < n; ++i) {
    const auto from = static_cast<uint32_t>(uint64_t{size} * i / n);
    const auto to = static_cast<uint32_t>(uint64_t{size} * (i + 1) / n);
    bands[i] = columns ? ThreadBand{from, 0, to, height} : ThreadBand{0, from, width, to};
  }
  return true;
}

// RunBandJobs over MakeBands.
template <class Job, class Fill>
uint32_t RunBandJobs(PicJobProc proc, bool columns, uint32_t width, uint32_t height, Fill&& fill,
                     uint32_t threads = 0) {
  PicArray<ThreadBand> bands;
  if (!MakeBands(bands, columns, width, height, threads)) return kPicErrNoMemory;
  return RunBandJobs<Job>(proc, std::span<const ThreadBand>(bands.Data(), bands.Count()),
                          std::forward<Fill>(fill), threads);
}

namespace band_jobs_detail {

template <class Body>
struct BodyJob : CPicThreadData {
  Body* body = nullptr;
  ThreadBand band;
};

template <class Body>
uint32_t RunBody(CPicThreadData* record) {
  auto* job = static_cast<BodyJob<Body>*>(record);
  BandProgressHook hook(*job);
  job->error = (*job->body)(static_cast<const ThreadBand&>(job->band));
  return 0;
}

}  // namespace band_jobs_detail

// The same for a band routine: body(band) returns the band's error code
// (0 for success) and runs with the progress hook installed.
template <class Body>
uint32_t RunBandJobs(bool columns, uint32_t width, uint32_t height, Body&& body, uint32_t threads = 0) {
  using B = std::remove_reference_t<Body>;
  return RunBandJobs<band_jobs_detail::BodyJob<B>>(
      &band_jobs_detail::RunBody<B>, columns, width, height,
      [&](band_jobs_detail::BodyJob<B>& job, const ThreadBand& band) {
        job.body = &body;
        job.band = band;
      },
      threads);
}

}  // namespace Pictura
