#include "resample/seam_carve.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

#include "core/crop_flip.h"
#include "core/operation.h"
#include "resample/resize_base.h"

namespace Pictura {

namespace {

// Sobel of one pixel over the first three bytes, each channel's value
// limited to [low, high]; a missing neighbour reads the pixel itself.
// inside: all eight neighbours exist.
template <bool inside>
inline uint16_t SobelAt(const uint8_t* src, size_t stride, uint32_t w, uint32_t h, uint32_t bpp, uint32_t x,
                        uint32_t y, uint32_t low = 0, uint32_t high = 65535) {
  const uint8_t* p = src + size_t{y} * stride + size_t{x} * bpp;
  auto at = [&](int dx, int dy) -> const uint8_t* {
    if constexpr (!inside) {
      if ((dx < 0 && x == 0) || (dx > 0 && x + 1 >= w) || (dy < 0 && y == 0) || (dy > 0 && y + 1 >= h))
        return p;
    }
    return p + dy * static_cast<ptrdiff_t>(stride) + dx * static_cast<ptrdiff_t>(bpp);
  };
  const uint8_t *a = at(-1, -1), *b = at(0, -1), *c = at(1, -1), *d = at(-1, 0), *f = at(1, 0),
                *g = at(-1, 1), *k = at(0, 1), *l = at(1, 1);
  uint32_t sum = 0;
  for (int ch = 0; ch < 3; ++ch) {
    const int gx = (c[ch] + 2 * f[ch] + l[ch]) - (a[ch] + 2 * d[ch] + g[ch]);
    const int gy = (g[ch] + 2 * k[ch] + l[ch]) - (a[ch] + 2 * b[ch] + c[ch]);
    sum += std::clamp<uint32_t>(static_cast<uint32_t>(std::abs(gx) + std::abs(gy)), low, high);
  }
  return static_cast<uint16_t>(sum / 3);
}

using Sobel = CPicSobelFilter<uint8_t, uint16_t>;

// Rows [top, bottom); low 0 for the plain rows.
uint32_t SobelRows(const Sobel::sobThreadData& j, uint32_t low) {
  const uint32_t w = j.width, h = j.height;
  for (uint32_t y = j.band.top; y < j.band.bottom; ++y) {
    uint16_t* o = j.dst + size_t{y} * j.dstStride;
    const uint32_t interior = y == 0 || y + 1 >= h ? 0 : w - 1;
    o[0] = SobelAt<false>(j.src, j.srcStride, w, h, j.bpp, 0, y, low, j.high);
    for (uint32_t x = 1; x < interior; ++x)
      o[x] = SobelAt<true>(j.src, j.srcStride, w, h, j.bpp, x, y, low, j.high);
    for (uint32_t x = std::max(interior, 1u); x < w; ++x)
      o[x] = SobelAt<false>(j.src, j.srcStride, w, h, j.bpp, x, y, low, j.high);
    if (HasProgressCallback() && PicProgress(y - j.band.top, j.band.bottom - j.band.top) <= 0)
      return kPicErrCancelled;
  }
  return 0;
}

// The working picture: rows allocated for the wider of the two widths, the
// current width changing by one a seam.
class Carving {
 public:
  Carving(SeamCarver& carver, uint32_t width, uint32_t height, uint32_t bpp, uint32_t cap)
      : carver_(carver), width_(width), height_(height), bpp_(bpp), cap_(cap), stride_(size_t{cap} * bpp) {
    rng_ = uint64_t{carver.setting} * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
  }

  bool Start(const uint8_t* src, uint32_t srcStride, const uint8_t* weight, uint32_t weightStride) {
    uint64_t n = 0;
    if (!PicSizeWithinCap(stride_, height_, 1, &n) || !pixels_.Resize(static_cast<uint32_t>(n)) ||
        !PicSizeWithinCap(cap_, height_, sizeof(int64_t), &n) || !energy_.Resize(cap_ * height_) ||
        !cumulative_.Resize(cap_ * height_) || !seam_.Resize(height_) ||
        (weight && !bias_.Resize(cap_ * height_)))
      return Fail(kPicErrNoMemory);
    for (uint32_t y = 0; y < height_; ++y)
      std::memcpy(Row(y), src + size_t{y} * srcStride, size_t{width_} * bpp_);
    if (weight)
      for (uint32_t y = 0; y < height_; ++y)
        for (uint32_t x = 0; x < width_; ++x)
          bias_[y * cap_ + x] = (int32_t{weight[size_t{y} * weightStride + x]} - 128) * 255;
    uint32_t code = 0;
    if (!SobelEnergy(&code, pixels_.Data(), width_, height_, bpp_, static_cast<uint32_t>(stride_),
                     energy_.Data(), cap_ * 2, 0))
      return Fail(code);
    return true;
  }

  void Finish(uint8_t* dst, uint32_t dstStride) const {
    for (uint32_t y = 0; y < height_; ++y)
      std::memcpy(dst + size_t{y} * dstStride, pixels_.Data() + y * stride_, size_t{width_} * bpp_);
  }

  // One seam of least energy into seam_.
  bool FindSeam() {
    if (!Cumulate()) return false;
    TraceSeam();
    return true;
  }

  void RemoveSeam() {
    const uint32_t w = width_;
    for (uint32_t y = 0; y < height_; ++y) {
      const uint32_t s = seam_[y];
      uint8_t* p = Row(y);
      uint16_t* e = energy_.Data() + size_t{y} * cap_;
      if (s + 1 < w) {
        // The right neighbour moves into the seam's place as the mean of both.
        uint8_t* a = p + size_t{s} * bpp_;
        for (uint32_t c = 0; c < bpp_; ++c) a[bpp_ + c] = static_cast<uint8_t>((a[c] + a[bpp_ + c]) >> 1);
        e[s + 1] = static_cast<uint16_t>((e[s] + e[s + 1]) >> 1);
        std::memmove(a, a + bpp_, size_t{w - 1 - s} * bpp_);
        std::memmove(e + s, e + s + 1, size_t{w - 1 - s} * 2);
        if (bias_.Count()) {
          int32_t* b = bias_.Data() + size_t{y} * cap_;
          std::memmove(b + s, b + s + 1, size_t{w - 1 - s} * 4);
        }
      }
    }
    --width_;
    for (uint32_t y = 0; y < height_; ++y) {
      const uint32_t s = seam_[y];
      for (uint32_t x = s; x < s + 2 && x < width_; ++x) energy_[y * cap_ + x] = PixelEnergy(x, y);
    }
  }

  void InsertSeam(uint32_t penalty) {
    const uint32_t w = width_;
    for (uint32_t y = 0; y < height_; ++y) {
      const uint32_t s = seam_[y];
      uint8_t* a = Row(y) + size_t{s} * bpp_;
      const uint8_t* left = s ? a - bpp_ : a;
      uint8_t mean[8];
      for (uint32_t c = 0; c < bpp_; ++c) mean[c] = static_cast<uint8_t>((left[c] + a[c]) / 2.0);
      std::memmove(a + bpp_, a, size_t{w - s} * bpp_);
      std::memcpy(a, mean, bpp_);
      uint16_t* e = energy_.Data() + size_t{y} * cap_;
      const uint16_t em = static_cast<uint16_t>(((s ? e[s - 1] : e[s]) + e[s]) / 2);
      std::memmove(e + s + 1, e + s, size_t{w - s} * 2);
      e[s] = em;
      if (bias_.Count()) {
        int32_t* b = bias_.Data() + size_t{y} * cap_;
        const int32_t bm = static_cast<int32_t>(((s ? int64_t{b[s - 1]} : b[s]) + b[s]) / 2);
        std::memmove(b + s + 1, b + s, size_t{w - s} * 4);
        b[s] = bm;
      }
    }
    ++width_;
    // The seam column and both its neighbours take the seam pixel's energy
    // plus the penalty: the next seams keep off the whole place.
    for (uint32_t y = 0; y < height_; ++y) {
      const uint32_t s = seam_[y];
      const uint16_t kept = static_cast<uint16_t>(std::min<uint32_t>(PixelEnergy(s, y) + penalty, 65535u));
      for (uint32_t x = s ? s - 1 : 0; x <= s + 1 && x < width_; ++x) energy_[y * cap_ + x] = kept;
    }
  }

  uint32_t Width() const { return width_; }

 private:
  bool Fail(uint32_t code) {
    carver_.error = code;
    return false;
  }
  uint8_t* Row(uint32_t y) { return pixels_.Data() + y * stride_; }

  uint16_t PixelEnergy(uint32_t x, uint32_t y) const {
    if (x >= width_ || y >= height_) return 0;
    return SobelAt<false>(pixels_.Data(), stride_, width_, height_, bpp_, x, y);
  }

  int64_t Own(uint32_t x, uint32_t y) const {
    const size_t i = size_t{y} * cap_ + x;
    return int64_t{energy_[i]} + (bias_.Count() ? bias_[i] : 0);
  }

  // Cumulative energy of columns [x0, x1) of row y.
  void CumulateColumns(uint32_t y, uint32_t x0, uint32_t x1) {
    int64_t* m = cumulative_.Data() + size_t{y} * cap_;
    if (y == 0) {
      for (uint32_t x = x0; x < x1; ++x) m[x] = Own(x, 0);
      return;
    }
    const int64_t* up = m - cap_;
    const uint32_t last = width_ - 1;
    for (uint32_t x = x0; x < x1; ++x) {
      int64_t best = up[x];
      if (x > 0) best = std::min(best, up[x - 1]);
      if (x < last) best = std::min(best, up[x + 1]);
      m[x] = Own(x, y) + best;
    }
  }

  // Row by row; very wide pictures in two halves, the right one on a thread
  // of its own, each half waiting for the other's previous row before the
  // column next to it. A row of a few thousand sums takes about a
  // microsecond, so narrower pictures stay on this thread: the handshake
  // each row and the thread's start each seam would cost more than they save.
  bool Cumulate() {
    const uint32_t w = width_;
    if (carver_.singleThread || w < 4096 || height_ < 16) {
      for (uint32_t y = 0; y < height_; ++y) CumulateColumns(y, 0, w);
      return true;
    }
    const uint32_t mid = w / 2;
    std::atomic<uint32_t> leftDone{0}, rightDone{0};
    auto half = [&](bool left) {
      std::atomic<uint32_t>& mine = left ? leftDone : rightDone;
      const std::atomic<uint32_t>& other = left ? rightDone : leftDone;
      const uint32_t x0 = left ? 0 : mid + 1, x1 = left ? mid - 1 : w, edge = left ? mid - 1 : mid;
      for (uint32_t y = 0; y < height_; ++y) {
        CumulateColumns(y, x0, x1);
        for (uint32_t spins = 0; other.load(std::memory_order_acquire) < y; ++spins)
          if (spins > 64) std::this_thread::yield();
        CumulateColumns(y, edge, edge + 1);
        mine.store(y + 1, std::memory_order_release);
      }
    };
    try {
      std::thread right(half, false);
      half(true);
      right.join();
    } catch (const std::system_error&) {
      return Fail(kPicErrUnexpected);
    }
    return true;
  }

  bool Coin() {
    rng_ ^= rng_ << 13;
    rng_ ^= rng_ >> 7;
    rng_ ^= rng_ << 17;
    return (rng_ >> 63) != 0;
  }

  // From the least sum of the last row (the leftmost) upwards, each row the
  // least of the three above; a strictly smaller left one wins, equal least
  // ones are drawn for (two: one draw; three: stay, or a draw between the
  // sides).
  void TraceSeam() {
    const uint32_t w = width_, h = height_;
    const int64_t* last = cumulative_.Data() + size_t{h - 1} * cap_;
    uint32_t x = static_cast<uint32_t>(std::min_element(last, last + w) - last);
    seam_[h - 1] = x;
    constexpr int64_t kNone = std::numeric_limits<int64_t>::max();
    for (uint32_t y = h - 1; y-- > 0;) {
      const int64_t* m = cumulative_.Data() + size_t{y} * cap_;
      const int64_t l = x > 0 ? m[x - 1] : kNone, c = m[x], r = x + 1 < w ? m[x + 1] : kNone;
      const int64_t least = std::min({l, c, r});
      const bool tl = l == least, tc = c == least, tr = r == least;
      if (l < c && l < r) {
        --x;
      } else if (tl + tc + tr == 3) {
        if (!Coin()) x = Coin() ? x + 1 : x - 1;
      } else if (tl + tc + tr == 2) {
        const bool second = Coin();
        if (tl && tc)
          x = second ? x : x - 1;
        else if (tc && tr)
          x = second ? x + 1 : x;
        else
          x = second ? x + 1 : x - 1;
      } else if (tr) {
        ++x;
      }
      seam_[y] = std::min(x, w - 1);
    }
  }

  SeamCarver& carver_;
  uint32_t width_, height_, bpp_, cap_;
  size_t stride_;
  PicArray<uint8_t> pixels_;
  PicArray<uint16_t> energy_;
  PicArray<int32_t> bias_;
  PicArray<int64_t> cumulative_;
  PicArray<uint32_t> seam_;
  uint64_t rng_;
};

bool Carve(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bpp,
           uint32_t srcStride, const uint8_t* weight, uint32_t weightStride, uint8_t* dst, uint32_t dstStride,
           uint32_t seams, bool grow, uint32_t penalty) {
  Carving work(carver, width, height, bpp, grow ? width + seams : width);
  if (!work.Start(src, srcStride, weight, weightStride)) return false;
  for (uint32_t i = 0; i < seams; ++i) {
    if (!work.FindSeam()) return false;
    if (grow)
      work.InsertSeam(penalty);
    else
      work.RemoveSeam();
    if (HasProgressCallback() && PicProgress(i, seams) <= 0) {
      carver.error = kPicErrCancelled;
      return false;
    }
  }
  work.Finish(dst, dstStride);
  return true;
}

}  // namespace

uint32_t CPicSobelFilter<uint8_t, uint16_t>::FilterRows(sobThreadData& job) {
  return SobelRows(job, 0);
}

uint32_t CPicSobelFilter<uint8_t, uint16_t>::FilterRowsClamped(sobThreadData& job) {
  return SobelRows(job, job.low);
}

uint32_t CPicSobelFilter<uint8_t, uint16_t>::ThreadProc(CPicThreadData* record) {
  auto* job = static_cast<sobThreadData*>(record);
  if (!job) return 0;
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  {
    PicNestingScope depth;
    job->error = (job->flags & kPlainRows) ? FilterRows(*job) : FilterRowsClamped(*job);
  }
  SetProgressCallback(nullptr, 0);
  return 0;
}

bool CPicSobelFilter<uint8_t, uint16_t>::Apply(const uint8_t* src, uint32_t width, uint32_t height,
                                               uint32_t bytesPerPixel, uint32_t srcStride, uint16_t* dst,
                                               uint32_t dstStride, uint32_t flags) {
  error = 0;
  if (!src || !dst || width < 3 || height < 3 || (bytesPerPixel != 3 && bytesPerPixel != 4) ||
      uint64_t{srcStride} < uint64_t{width} * bytesPerPixel || uint64_t{dstStride} < uint64_t{width} * 2 ||
      low > high) {
    error = kPicErrBadArgument;
    return false;
  }
  PicNestingScope depth;
  auto fill = [&](sobThreadData& job, const ThreadBand& band) {
    job.src = src, job.dst = dst, job.width = width, job.height = height, job.bpp = bytesPerPixel;
    job.srcStride = srcStride, job.dstStride = dstStride / 2, job.flags = flags, job.band = band;
    job.low = low, job.high = high;
  };
  if (WantBands(flags, height, uint64_t{width} * height, 1u << 17)) {
    error = RunBandJobs<sobThreadData>(ThreadProc, false, width, height, fill);
  } else {
    sobThreadData job;
    fill(job, ThreadBand{0, 0, width, height});
    error = (flags & kPlainRows) ? FilterRows(job) : FilterRowsClamped(job);
  }
  return error == 0;
}

bool SobelEnergy(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                 uint32_t srcStride, uint16_t* dst, uint32_t dstStride, uint32_t flags) {
  Sobel filter;
  const bool ok =
      filter.Apply(src, width, height, bytesPerPixel, srcStride, dst, dstStride, flags | Sobel::kPlainRows);
  if (error) *error = filter.error;
  return ok;
}

bool SeamCarveShrinkCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t bytesPerPixel, uint32_t srcStride, const uint8_t* weight,
                         uint32_t weightStride, uint8_t* dst, uint32_t dstStride, uint32_t seamCount) {
  return Carve(carver, src, width, height, bytesPerPixel, srcStride, weight, weightStride, dst, dstStride,
               seamCount, false, 0);
}

bool SeamCarveCore(SeamCarver& carver, const uint8_t* src, uint32_t width, uint32_t height,
                   uint32_t bytesPerPixel, uint32_t srcStride, const uint8_t* weight, uint32_t weightStride,
                   uint8_t* dst, uint32_t dstStride, uint32_t seamCount, uint32_t insertionPenalty) {
  return Carve(carver, src, width, height, bytesPerPixel, srcStride, weight, weightStride, dst, dstStride,
               seamCount, true, insertionPenalty);
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_SeamCarveInternal(const BYTE* in, DWORD width, DWORD height, DWORD bytesPerPixel,
                                  DWORD inStride, const BYTE* weight, DWORD weightStride, BYTE* out,
                                  DWORD outStride, LONG change, DWORD insertionPenalty, DWORD setting,
                                  DWORD flags, DWORD* error) {
  DWORD dummy = 0;
  if (!error) error = &dummy;
  *error = kPicErrBadArgument;
  if (!in || !out || (bytesPerPixel != 3 && bytesPerPixel != 4) || width < 3 || height < 3 ||
      uint64_t{inStride} < uint64_t{width} * bytesPerPixel)
    return FALSE;
  if (change == 0) {
    uint32_t code = 0;
    const int ok = CopyBuffer(&code, in, inStride, height, outStride, out);
    *error = code;
    return ok ? TRUE : FALSE;
  }
  // At least three columns stay (a narrower picture has no Sobel energy).
  const int64_t outWidth = int64_t{width} + change;
  if (outWidth < 3 || outWidth > INT32_MAX || uint64_t{outStride} < uint64_t(outWidth) * bytesPerPixel ||
      (weight && weightStride < width))
    return FALSE;
  PicNestingScope depth;
  SeamCarver carver;
  carver.setting = setting;
  carver.singleThread = flags & 1;
  const bool ok =
      change > 0 ? SeamCarveCore(carver, in, width, height, bytesPerPixel, inStride, weight, weightStride,
                                 out, outStride, static_cast<uint32_t>(change), insertionPenalty)
                 : SeamCarveShrinkCore(carver, in, width, height, bytesPerPixel, inStride, weight,
                                       weightStride, out, outStride, static_cast<uint32_t>(-int64_t{change}));
  *error = carver.error;
  return ok ? TRUE : FALSE;
}

BOOL PICAPI pic_SeamCarve(const BYTE* in, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD inStride,
                          const BYTE* weight, DWORD weightStride, BYTE* out, DWORD outStride, LONG change,
                          DWORD insertionPenalty, DWORD flags) {
  return PicRunEntry<BOOL>("pic_SeamCarve", [&](uint32_t& err) -> BOOL {
    DWORD code = 0;
    const BOOL ok = pic_SeamCarveInternal(in, width, height, bytesPerPixel, inStride, weight, weightStride,
                                          out, outStride, change, insertionPenalty, 0, flags, &code);
    err = code;
    return ok;
  });
}

}  // extern "C"
