#include "core/gray_conversion.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/channel_utils.h"
#include "core/thread_context.h"
#include "core/library_globals.h"
#include "core/thread_pool.h"

namespace Pictura {

namespace {

struct GrayJob : CPicThreadData {
  const uint8_t* src = nullptr;
  uint32_t width = 0, bytesPerPixel = 0, srcStride = 0, dstStride = 0, flags = 0;
  uint8_t* dst = nullptr;
  ThreadBand band;
};

// Rows top .. bottom - 1; progress (row, total) per row.
bool GrayRows(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t top, uint32_t bottom,
              uint32_t total, uint32_t bytesPerPixel, uint32_t srcStride, uint32_t dstStride, uint32_t flags,
              uint8_t* dst) {
  PicNestingScope depth;
  const bool bgr = (flags & 1) != 0;
  for (uint32_t y = top; y < bottom; ++y) {
    const uint8_t* s = src + size_t{y} * srcStride;
    uint8_t* d = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < width; ++x, s += bytesPerPixel) {
      const uint32_t r = bgr ? s[2] : s[0], b = bgr ? s[0] : s[2];
      d[x] = static_cast<uint8_t>((601 * s[1] + 306 * r + 117 * b) >> 10);
    }
    if (!PicProgress(y - top + 1, total)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

uint32_t GrayJobProc(CPicThreadData* data) {
  auto* job = static_cast<GrayJob*>(data);
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  uint32_t error = 0;
  GrayRows(&error, job->src, job->width, job->band.top, job->band.bottom, job->band.bottom - job->band.top,
           job->bytesPerPixel, job->srcStride, job->dstStride, job->flags, job->dst);
  job->error = error;
  SetProgressCallback(nullptr, 0);
  return 0;
}

}  // namespace

bool RGBToGray8(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                uint32_t srcStride, uint32_t dstStride, uint32_t flags, uint8_t* dst) {
  if (!src || !dst || (bytesPerPixel != 3 && bytesPerPixel != 4) ||
      !StrideHolds(srcStride, uint64_t{width} * bytesPerPixel, height) ||
      !StrideHolds(dstStride, width, height)) {
    *error = kPicErrBadArgument;
    return false;
  }
  const uint32_t threads = GetThreadsPerOperation();
  if (!UseThreadPool(flags) || height <= 5 * threads)
    return GrayRows(error, src, width, 0, height, height, bytesPerPixel, srcStride, dstStride, flags, dst);

  PicArray<ThreadBand> bands;
  if (!SplitRowsIntoBands(bands, width, height, threads)) {
    *error = kPicErrNoMemory;
    return false;
  }
  std::vector<std::unique_ptr<GrayJob>> jobs;
  std::vector<CPicThreadData*> records;
  try {
    for (const ThreadBand& band : bands) {
      auto job = std::make_unique<GrayJob>();
      job->src = src;
      job->width = width;
      job->bytesPerPixel = bytesPerPixel;
      job->srcStride = srcStride;
      job->dstStride = dstStride;
      job->flags = flags;
      job->dst = dst;
      job->band = band;
      records.push_back(job.get());
      jobs.push_back(std::move(job));
    }
  } catch (const std::bad_alloc&) {
    *error = kPicErrNoMemory;
    return false;
  }
  *error = RunJobs(GrayJobProc, std::span<CPicThreadData* const>(records));
  return *error == 0;
}

uint32_t OtsuThreshold(const uint8_t* grey, uint32_t width, uint32_t height, uint32_t stride) {
  uint64_t histogram[256] = {};
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = grey + size_t{y} * stride;
    for (uint32_t x = 0; x < width; ++x) ++histogram[row[x]];
  }
  const double n = double(width) * height;
  double total = 0;
  for (int k = 0; k < 256; ++k) total += double(k) * double(histogram[k]);
  double w0 = 0, s0 = 0, best = 0;
  int t = -1;
  for (int k = 0; k < 256; ++k) {
    w0 += double(histogram[k]);
    if (w0 == 0) continue;
    const double w1 = n - w0;
    if (w1 == 0) break;
    s0 += double(k) * double(histogram[k]);
    const double d = s0 / w0 - (total - s0) / w1;
    const double between = w0 * w1 * d * d;
    if (between > best) {
      best = between;
      t = k;
    }
  }
  return static_cast<uint32_t>(std::min(t + 1, 255));
}

bool GreyToBits(uint32_t* error, const uint8_t* grey, uint32_t width, uint32_t height, uint32_t greyStride,
                uint32_t threshold, uint8_t* bits, uint32_t bitsStride) {
  if (!grey || !bits || bitsStride < (uint64_t{width} + 7) / 8) {
    *error = kPicErrBadArgument;
    return false;
  }
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* g = grey + size_t{y} * greyStride;
    uint8_t* out = bits + size_t{y} * bitsStride;
    std::memset(out, 0, (size_t{width} + 7) / 8);
    for (uint32_t x = 0; x < width; ++x)
      if (g[x] >= threshold) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    if (!PicProgress(y + 1, height)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace Pictura
