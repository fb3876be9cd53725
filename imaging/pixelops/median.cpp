#include "pixelops/median.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "core/library_globals.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

// A total order: NaN after every number (plain less-than is no order with NaN).
struct SampleLess {
  bool operator()(double a, double b) const { return !std::isnan(a) && (std::isnan(b) || a < b); }
};

// The window as counts per value, with the entry holding the rank-th sample
// and the number of samples below it, kept up to date step by step.
class Window {
 public:
  explicit Window(uint64_t rank) : rank_(rank) {}
  void Add(double v) { ++counts_[v]; }
  void Start() {
    median_ = counts_.begin();
    below_ = 0;
    Settle();
  }
  // One sample leaves, one enters.
  void Swap(double out, double in) {
    if (!(SampleLess()(out, in) || SampleLess()(in, out))) return;
    const double m = median_->first;
    auto gone = counts_.find(out);
    if (--gone->second == 0 && gone != median_) counts_.erase(gone);
    if (SampleLess()(out, m)) --below_;
    ++counts_[in];
    if (SampleLess()(in, m)) ++below_;
  }
  void Settle() {
    auto old = median_;
    while (below_ + median_->second < rank_) below_ += (median_++)->second;
    while (below_ >= rank_) below_ -= (--median_)->second;
    if (old != median_ && old->second == 0) counts_.erase(old);
  }
  double Median() const { return median_->first; }
  void Clear() { counts_.clear(); }

 private:
  std::map<double, int64_t, SampleLess> counts_;
  std::map<double, int64_t, SampleLess>::iterator median_;
  uint64_t below_ = 0;
  uint64_t rank_;
};

struct doubleMedianFilterStruct : CPicThreadData {
  const double* source = nullptr;
  uint32_t width = 0, height = 0, channels = 0, sourceStride = 0;
  double* destination = nullptr;
  uint32_t destinationStride = 0;
  int32_t k = 0;
  uint32_t flags = 0;
  const ThreadBand* band = nullptr;
};

uint32_t MedianFilterThreadProc(CPicThreadData* record) {
  auto* job = static_cast<doubleMedianFilterStruct*>(record);
  if (!job) return 0;
  MedianFilterBand(job->source, job->width, job->height, job->channels, job->sourceStride, job->destination,
                   job->destinationStride, job->k, job->flags, job->band);
  job->error = 0;
  return 0;
}

// Small windows: the window gathered per pixel as integer keys in the
// samples' order (NaN one key above every number) and its middle selected,
// from sorted columns for 3 x 3; much faster than the count map up to 7 x 7.
constexpr int64_t kSmallSide = 7;
constexpr uint64_t kTop = uint64_t{1} << 63;

inline uint64_t Key(double v) {
  if (std::isnan(v)) return ~uint64_t{0};
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return (b & kTop) ? ~b : (b | kTop);
}

inline double Value(uint64_t key) {
  const uint64_t b = (key & kTop) ? (key & ~kTop) : ~key;
  double v;
  std::memcpy(&v, &b, 8);
  return v;
}

inline void Order(uint64_t& a, uint64_t& b) {
  const uint64_t lo = std::min(a, b), hi = std::max(a, b);
  a = lo, b = hi;
}

void MedianSmall(const double* source, uint32_t width, uint32_t height, uint32_t channels, uint32_t sourceStride,
                 double* destination, uint32_t destinationStride, int64_t half, uint32_t flags, uint32_t top,
                 uint32_t bottom) {
  const int64_t side = 2 * half + 1;
  const size_t mid = static_cast<size_t>(side * side / 2);
  // Clamped column offsets (in samples) for x - half .. x + half of every x.
  std::vector<size_t> cols(static_cast<size_t>(width + 2 * half));
  for (int64_t i = 0; i < static_cast<int64_t>(cols.size()); ++i)
    cols[static_cast<size_t>(i)] = static_cast<size_t>(std::clamp<int64_t>(i - half, 0, int64_t{width} - 1)) * channels;
  std::vector<const double*> rows(static_cast<size_t>(side));
  uint64_t window[kSmallSide * kSmallSide];
  // 3 x 3: every column sorted once; the median of nine is then the middle
  // of (largest column minimum, middle column median, smallest maximum).
  std::vector<uint64_t> lo, md, hi;
  if (side == 3) lo.resize(width + 2), md.resize(width + 2), hi.resize(width + 2);
  for (uint32_t y = top; y < bottom; ++y) {
    for (int64_t dy = -half; dy <= half; ++dy)
      rows[static_cast<size_t>(dy + half)] =
          source + static_cast<size_t>(std::clamp<int64_t>(int64_t{y} + dy, 0, int64_t{height} - 1)) * sourceStride;
    double* out = destination + static_cast<size_t>(y) * destinationStride;
    for (uint32_t c = 0; c < std::min(channels, 32u); ++c) {
      if (!(flags >> c & 1)) continue;
      if (side == 3) {
        for (uint32_t i = 0; i < width + 2; ++i) {
          const size_t at = cols[i] + c;
          uint64_t a = Key(rows[0][at]), b = Key(rows[1][at]), d = Key(rows[2][at]);
          Order(a, b), Order(b, d), Order(a, b);
          lo[i] = a, md[i] = b, hi[i] = d;
        }
        for (uint32_t x = 0; x < width; ++x) {
          uint64_t a = std::max(std::max(lo[x], lo[x + 1]), lo[x + 2]);
          uint64_t b = md[x], e = md[x + 1], f = md[x + 2];
          Order(b, e), Order(e, f), Order(b, e);
          uint64_t d = std::min(std::min(hi[x], hi[x + 1]), hi[x + 2]);
          Order(a, e), Order(e, d), Order(a, e);
          out[size_t{x} * channels + c] = Value(e);
        }
        continue;
      }
      for (uint32_t x = 0; x < width; ++x) {
        size_t n = 0;
        for (const double* row : rows)
          for (int64_t dx = 0; dx < side; ++dx) window[n++] = Key(row[cols[x + static_cast<size_t>(dx)] + c]);
        std::nth_element(window, window + mid, window + n);
        out[size_t{x} * channels + c] = Value(window[mid]);
      }
    }
  }
}

}  // namespace

void MedianFilterBand(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t sourceStride, double* destination, uint32_t destinationStride, int32_t k,
                      uint32_t flags, const ThreadBand* band) {
  const uint32_t top = band ? band->top : 0, bottom = band ? std::min(band->bottom, height) : height;
  if (width == 0 || top >= bottom || k < 0) return;
  const int64_t half = k / 2, side = 2 * half + 1;
  const int64_t W = width, H = height;
  auto cx = [&](int64_t x) { return static_cast<size_t>(std::clamp<int64_t>(x, 0, W - 1)); };
  auto cy = [&](int64_t y) { return static_cast<size_t>(std::clamp<int64_t>(y, 0, H - 1)); };
  if (side <= kSmallSide) {
    MedianSmall(source, width, height, channels, sourceStride, destination, destinationStride, half, flags, top,
                bottom);
    return;
  }
  for (uint32_t c = 0; c < std::min(channels, 32u); ++c) {
    if (!(flags >> c & 1)) continue;
    auto at = [&](int64_t x, int64_t y) { return source[cy(y) * sourceStride + cx(x) * channels + c]; };
    auto put = [&](int64_t x, int64_t y, double v) {
      destination[static_cast<size_t>(y) * destinationStride + static_cast<size_t>(x) * channels + c] = v;
    };
    Window window(static_cast<uint64_t>(side * side / 2 + 1));
    int64_t x = 0, y = top;
    for (int64_t dy = -half; dy <= half; ++dy)
      for (int64_t dx = -half; dx <= half; ++dx) window.Add(at(x + dx, y + dy));
    window.Start();
    put(x, y, window.Median());
    int64_t step = 1;
    for (;;) {
      if (x + step >= 0 && x + step < W) {
        // Sideways: the column leaving behind, the one entering ahead.
        const int64_t out = step > 0 ? x - half : x + half, in = step > 0 ? x + step + half : x + step - half;
        for (int64_t dy = -half; dy <= half; ++dy) window.Swap(at(out, y + dy), at(in, y + dy));
        x += step;
      } else {
        if (y + 1 >= bottom) break;
        for (int64_t dx = -half; dx <= half; ++dx) window.Swap(at(x + dx, y - half), at(x + dx, y + 1 + half));
        ++y;
        step = -step;
      }
      window.Settle();
      put(x, y, window.Median());
    }
    window.Clear();
  }
}

bool CPicMedianFilter::MedianFilterCore(const double* source, uint32_t width, uint32_t height, uint32_t channels,
                                        uint32_t sourceStride, double* destination, uint32_t destinationStride,
                                        int32_t k, uint32_t flags) {
  error = 0;
  const int64_t side = 2 * int64_t{k / 2} + 1;
  if (!source || !destination || k < 0 || side * side > INT32_MAX ||
      (width && height &&
       (uint64_t{width} * channels > sourceStride || uint64_t{width} * channels > destinationStride))) {
    error = kPicErrBadArgument;
    return false;
  }
  const uint32_t n = GetThreadsPerOperation();
  if (!UseThreadPool(flags) || uint64_t{height} <= uint64_t{5} * n) {
    MedianFilterBand(source, width, height, channels, sourceStride, destination, destinationStride, k, flags,
                     nullptr);
    return true;
  }
  PicArray<ThreadBand> bands;
  if (!SplitRowsIntoBands(bands, width, height, n)) {
    error = kPicErrNoMemory;
    return false;
  }
  std::vector<std::unique_ptr<doubleMedianFilterStruct>> jobs;
  std::vector<CPicThreadData*> records;
  for (const ThreadBand& band : bands) {
    auto job = std::make_unique<doubleMedianFilterStruct>();
    job->source = source, job->width = width, job->height = height, job->channels = channels;
    job->sourceStride = sourceStride, job->destination = destination, job->destinationStride = destinationStride;
    job->k = k, job->flags = flags, job->band = &band;
    records.push_back(job.get());
    jobs.push_back(std::move(job));
  }
  error = RunJobs(&MedianFilterThreadProc, std::span<CPicThreadData* const>(records));
  return error == 0;
}

}  // namespace Pictura
