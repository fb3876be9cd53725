// pic_ResizeImage and pic_ResizeImageDouble: mode tables, refused input,
// same-size copies, the pool's threshold, progress and cancellation.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/library_globals.h"
#include "core/thread_pool.h"
#include "resample/decimate_resize.h"
#include "resample/resize_test_util.h"
#include "core/pictura_core.h"
#include "resample/pictura_resample.h"

using namespace Pictura;
using namespace resize_test;

namespace {

class PoolEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SetPoolPollInterval(5);  // the pool reports progress every 5 ms
    ASSERT_TRUE(pic_Initialize(nullptr));
  }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new PoolEnvironment);

struct ProgressLog {
  std::vector<std::pair<DWORD, DWORD>> calls;
  int stopAfter = -1;  // answer FALSE on this call (0-based), -1 never
  std::function<void()> onCall;
};
ProgressLog* g_log = nullptr;

BOOL PICAPI LogProgress(DWORD done, DWORD total, PIC_USERDATA) {
  g_log->calls.emplace_back(done, total);
  if (g_log->onCall) g_log->onCall();
  return (g_log->stopAfter >= 0 && static_cast<int>(g_log->calls.size()) > g_log->stopAfter) ? FALSE : TRUE;
}

struct ScopedProgress {
  ProgressLog log;
  explicit ScopedProgress(int stopAfter = -1) {
    log.stopAfter = stopAfter;
    g_log = &log;
    pic_SetCallback(LogProgress, 0);
  }
  ~ScopedProgress() {
    pic_SetCallback(nullptr, 0);
    g_log = nullptr;
  }
  size_t CallsWithTotal(DWORD total) const {
    size_t n = 0;
    for (auto& c : log.calls) n += c.second == total;
    return n;
  }
};

// Holds every worker of the library's pool until released (or 30 s, so a pool
// that never lets go fails a test instead of hanging it): work queued meanwhile
// waits behind the blockers.
class PoolHold {
 public:
  PoolHold() : blockers_(LibraryGlobals().poolThreadCount.load()) {
    for (Blocker& b : blockers_) {
      b.hold = this;
      pointers_.push_back(&b);
    }
    runner_ = std::thread([this] { LibraryThreadPool().Run(Block, pointers_); });
  }
  ~PoolHold() {
    Release();
    runner_.join();
  }
  // Every worker the pool has made runs a blocker (any blockers beyond them queue).
  bool AllHeld() {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::seconds(30),
                             [&] { return held_ > 0 && held_ == LibraryThreadPool().WorkerCount(); });
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  struct Blocker : CPicThreadData {
    PoolHold* hold = nullptr;
  };
  static uint32_t Block(CPicThreadData* job) {
    PoolHold& hold = *static_cast<Blocker*>(job)->hold;
    std::unique_lock<std::mutex> guard(hold.lock_);
    ++hold.held_;
    hold.changed_.notify_all();
    hold.changed_.wait_for(guard, std::chrono::seconds(30), [&] { return hold.released_; });
    return 0;
  }

  std::vector<Blocker> blockers_;
  std::vector<CPicThreadData*> pointers_;
  std::mutex lock_;
  std::condition_variable changed_;
  size_t held_ = 0;
  bool released_ = false;
  std::thread runner_;
};

template <class T>
bool Untouched(const Image<T>& img) {
  for (const T& v : img.data)
    if (!(v == img.guardValue)) return false;
  return true;
}

}  // namespace

TEST(ResizeEntries, ModesOutsideTheTablesAreRefusedAndWriteNothing) {
  Image<uint8_t> src(8, 8, 3);
  Fill(src, 1);
  Image<uint8_t> dst(4, 4, 3);
  EXPECT_FALSE(Resize(src, dst, 19, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(Resize(src, dst, 0xFFFFFFFFu, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(Untouched(dst));

  // A success afterwards clears the last error.
  EXPECT_TRUE(Resize(src, dst, 16, 0));
  EXPECT_EQ(PicGetLastError(), 0u);
}

TEST(ResizeEntries, Mode15WithAZeroOutputSizeFailsForEverySampleType) {
  Image<uint8_t> s8(8, 8, 3), d8(4, 4, 3);
  Image<uint16_t> s16(8, 8, 3), d16(4, 4, 3);
  Image<double> sD(8, 8, 3), dD(4, 4, 3);
  for (auto [w, h] : {std::pair{0u, 4u}, std::pair{4u, 0u}}) {
    EXPECT_FALSE(pic_ResizeImage(s8.Pixels(), 8, 8, s8.stride, d8.Pixels(), w, h, d8.stride, 3, 15, 0));
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_FALSE(pic_ResizeImage(s16.Pixels(), 8, 8, s16.stride, d16.Pixels(), w, h, d16.stride, 3, 15, 1));
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_FALSE(pic_ResizeImageDouble(sD.Pixels(), 8, 8, sD.stride, dD.Pixels(), w, h, dD.stride, 3, 15, 0));
    EXPECT_EQ(PicGetLastError(), 5u);
  }
  // The area decimator refuses it on its own too, whoever calls it.
  CPicImgBufExternConst<uint16_t> src(s16.Pixels(), 8, 8, 3, s16.stride);
  CPicImgBufExtern<uint16_t> dst(d16.Pixels(), 0, 4, 3, d16.stride);
  CPicImgDecimateExT<uint16_t> area;
  EXPECT_EQ(area.Resize(src, dst, kNoPool), 0u);
  EXPECT_EQ(area.error, 5u);
  EXPECT_TRUE(Untouched(d16));
}

TEST(ResizeEntries, SameSizeCopiesOnlyThePixelsOfEachRow) {
  // The source's row padding holds other bytes: none of them may arrive.
  Image<uint8_t> src(13, 7, 3, 5, 0x77);
  Fill(src, 5);
  for (uint32_t mode : {16u, 17u, 18u}) {
    Image<uint8_t> dst(13, 7, 3, 5);
    ASSERT_TRUE(Resize(src, dst, mode, 0)) << mode;
    EXPECT_EQ(dst.Samples(), src.Samples()) << mode;
    EXPECT_TRUE(dst.GuardsIntact()) << mode;
  }
  // Strides in samples: the whole image, not a byte count's worth of it.
  Image<uint16_t> s16(9, 11, 4, 3, 0x7777);
  Fill(s16, 6, 65535.0);
  Image<double> sD(9, 11, 2, 3, -1.0);
  Fill(sD, 7, 1.0);
  for (uint32_t mode : {16u, 17u, 18u}) {
    Image<uint16_t> d16(9, 11, 4, 3);
    ASSERT_TRUE(Resize(s16, d16, mode, 0));
    EXPECT_EQ(d16.Samples(), s16.Samples()) << mode;
    EXPECT_TRUE(d16.GuardsIntact()) << mode;
    Image<double> dD(9, 11, 2, 3);
    ASSERT_TRUE(Resize(sD, dD, mode, 0));
    EXPECT_EQ(dD.Samples(), sD.Samples()) << mode;
    EXPECT_TRUE(dD.GuardsIntact()) << mode;
  }
}

TEST(ResizeEntries, RefusedBuffers) {
  Image<uint8_t> src(10, 10, 3), dst(5, 5, 3);
  for (uint32_t mode : {0u, 8u, 14u, 15u, 16u, 17u, 18u}) {
    EXPECT_FALSE(pic_ResizeImage(nullptr, 10, 10, 30, dst.Pixels(), 5, 5, 15, 3, mode, 0)) << mode;
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 10, 10, 30, nullptr, 5, 5, 15, 3, mode, 0)) << mode;
    EXPECT_EQ(PicGetLastError(), 5u);
    // A stride shorter than a row of pixels.
    EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 10, 10, 29, dst.Pixels(), 5, 5, 15, 3, mode, 0)) << mode;
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 10, 10, 30, dst.Pixels(), 5, 5, 14, 3, mode, 0)) << mode;
    EXPECT_EQ(PicGetLastError(), 5u);
    EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 0, 10, 30, dst.Pixels(), 5, 5, 15, 3, mode, 0)) << mode;
    EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 10, 10, 30, dst.Pixels(), 5, 5, 15, 0, mode, 0)) << mode;
  }
  EXPECT_TRUE(Untouched(dst));
  // The decimators only shrink.
  Image<uint8_t> big(20, 20, 3);
  for (uint32_t mode : {14u, 15u}) {
    EXPECT_FALSE(Resize(src, big, mode, 0));
    EXPECT_EQ(PicGetLastError(), 5u);
  }
  // The same memory in and out.
  EXPECT_FALSE(pic_ResizeImage(src.Pixels(), 10, 10, 30, src.Pixels(), 9, 9, 30, 3, 17, kNoPool));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(ResizeEntries, HugeOutputSizesFailBeforeTouchingMemory) {
  // Tables for a billion columns exceed what the library ever allocates.
  Image<uint8_t> src(2, 2, 1);
  std::vector<uint8_t> small(64, 0x5A);
  for (uint32_t mode : {0u, 8u, 16u, 17u, 18u}) {
    for (uint32_t flags : {0u, kNoPool}) {
      EXPECT_FALSE(
          pic_ResizeImage(src.Pixels(), 2, 2, 2, small.data(), 0x40000000u, 1, 0x40000000u, 1, mode, flags))
          << mode;
      const DWORD e = PicGetLastError();
      EXPECT_TRUE(e == 1u || e == 5u || (mode == 8 && e == 68u)) << mode << " " << e;
    }
  }
  for (uint8_t b : small) EXPECT_EQ(b, 0x5A);
}

TEST(ResizeEntries, HugeSourcesFailBeforeReadingThem) {
  // Sizes claimed over a few real bytes: a working copy whose size passes
  // 32 bits must be refused before any row is read (a read would leave the
  // buffer, which the sanitizers report).
  std::vector<uint16_t> few(8, 1);
  std::vector<uint16_t> out(8, 0x5A5A);
  // 4294967294 rows to one: the area method's row tables.
  EXPECT_FALSE(pic_ResizeImage(few.data(), 1, 0xFFFFFFFEu, 1, out.data(), 1, 1, 1, 1, 15, 1));
  EXPECT_EQ(PicGetLastError(), 1u);
  for (uint16_t v : out) EXPECT_EQ(v, 0x5A5A);
  // A row of 2^32 - 16 bytes: the bicubic rows' padded copy of the last row.
  if (ResampleVectorLevel() > 0) {
    std::vector<uint8_t> bytes(64, 1), small(64, 0x5A);
    const uint32_t width = (0xFFFFFFFFu - 15) / 3;
    EXPECT_FALSE(pic_ResizeImage(bytes.data(), width, 1, width * 3, small.data(), 4, 2, 12, 3, 17, kNoPool));
    EXPECT_EQ(PicGetLastError(), 1u);
    for (uint8_t b : small) EXPECT_EQ(b, 0x5A);
  }
}

TEST(ResizeThreads, ThresholdIsFiveTimesTheThreadsPerOperation) {
  const uint32_t n = GetThreadsPerOperation();
  ASSERT_GE(n, 2u);
  Image<uint8_t> src(64, 64, 3);
  Fill(src, 9);
  {
    // Exactly 5 n rows: the calling thread reports each of them.
    Image<uint8_t> dst(40, 5 * n, 3);
    ScopedProgress p;
    ASSERT_TRUE(Resize(src, dst, 16, 0));
    EXPECT_EQ(p.CallsWithTotal(5 * n), 5 * n);
  }
  {
    // One more: bands on the pool, whose rows the caller's callback never sees.
    Image<uint8_t> dst(40, 5 * n + 1, 3);
    ScopedProgress p;
    ASSERT_TRUE(Resize(src, dst, 16, 0));
    EXPECT_EQ(p.CallsWithTotal(5 * n + 1), 0u);
  }
  {
    Image<uint8_t> dst(40, 5 * n + 1, 3);
    ScopedProgress p;
    ASSERT_TRUE(Resize(src, dst, 16, kNoPool));
    EXPECT_EQ(p.CallsWithTotal(5 * n + 1), 5 * n + 1);
  }
  {
    // Bicubic splits rows too: a wide, short destination stays on the
    // caller, one row more goes to the pool, and so does a narrow, tall one.
    Image<uint8_t> dst(50, 5 * n, 3);
    ScopedProgress p;
    ASSERT_TRUE(Resize(src, dst, 17, 0));
    EXPECT_EQ(p.CallsWithTotal(5 * n), 5 * n);
    Image<uint8_t> taller(50, 5 * n + 1, 3);
    ScopedProgress q;
    ASSERT_TRUE(Resize(src, taller, 17, 0));
    EXPECT_EQ(q.CallsWithTotal(5 * n + 1), 0u);
    Image<uint8_t> narrow(5 * n, 50, 3);
    ScopedProgress r;
    ASSERT_TRUE(Resize(src, narrow, 17, 0));
    EXPECT_EQ(r.CallsWithTotal(50), 0u);
  }
}

TEST(ResizeThreads, ResultsAreTheSameWithAndWithoutThePool) {
  Image<uint8_t> src(97, 83, 3, 2);
  Fill(src, 10);
  for (uint32_t mode = 0; mode <= 18; ++mode) {
    for (auto [w, h] : {std::pair{61u, 47u}, std::pair{173u, 131u}}) {
      if ((mode == 14 || mode == 15) && w > src.width) continue;
      Image<uint8_t> pooled(w, h, 3, 1), alone(w, h, 3, 1);
      ASSERT_TRUE(Resize(src, pooled, mode, 0)) << mode;
      ASSERT_TRUE(Resize(src, alone, mode, kNoPool)) << mode;
      EXPECT_EQ(pooled.data, alone.data) << "mode " << mode << " " << w << "x" << h;
      EXPECT_TRUE(pooled.GuardsIntact()) << mode;
    }
  }
  // Small bilinear resizes stay on the calling thread unless a progress
  // callback watches: large ones and watched ones go through the bands.
  for (auto [w, h] : {std::pair{1201u, 497u}, std::pair{61u, 47u}}) {
    Image<uint8_t> pooled(w, h, 3, 1), alone(w, h, 3, 1);
    {
      ScopedProgress watched;
      ASSERT_TRUE(Resize(src, pooled, 16, 0));
      EXPECT_EQ(watched.CallsWithTotal(h), 0u);  // the band rows are the pool's
    }
    ASSERT_TRUE(Resize(src, alone, 16, kNoPool));
    EXPECT_EQ(pooled.data, alone.data) << w;
    ASSERT_TRUE(Resize(src, pooled, 16, 0));
    EXPECT_EQ(pooled.data, alone.data) << w;
  }
  Image<uint16_t> s16(97, 83, 2);
  Fill(s16, 11, 65535.0);
  Image<double> sD(97, 83, 2);
  Fill(sD, 12, 1.0);
  for (uint32_t mode = 14; mode <= 18; ++mode) {
    Image<uint16_t> a16(61, 47, 2), b16(61, 47, 2);
    ASSERT_TRUE(Resize(s16, a16, mode, 0));
    ASSERT_TRUE(Resize(s16, b16, mode, kNoPool));
    EXPECT_EQ(a16.data, b16.data) << mode;
    Image<double> aD(61, 47, 2), bD(61, 47, 2);
    ASSERT_TRUE(Resize(sD, aD, mode, 0));
    ASSERT_TRUE(Resize(sD, bD, mode, kNoPool));
    EXPECT_EQ(aD.data, bD.data) << mode;
  }
}

TEST(ResizeProgress, RefusalAfterTheFirstRowStopsWithCode14) {
  Image<uint8_t> src(40, 30, 3);
  Fill(src, 13);
  Image<uint8_t> full(50, 20, 3);
  ASSERT_TRUE(Resize(src, full, 16, kNoPool));
  Image<uint8_t> dst(50, 20, 3);
  {
    ScopedProgress p(0);
    EXPECT_FALSE(Resize(src, dst, 16, kNoPool));
    EXPECT_EQ(PicGetLastError(), 14u);
    ASSERT_EQ(p.log.calls.size(), 1u);
    EXPECT_EQ(p.log.calls[0], (std::pair<DWORD, DWORD>{0, 20}));
  }
  for (uint32_t x = 0; x < 50; ++x)
    for (uint32_t c = 0; c < 3; ++c) {
      EXPECT_EQ(dst.At(x, 0, c), full.At(x, 0, c));  // the first row stays
      EXPECT_EQ(dst.At(x, 1, c), 0x5A);              // the second was never written
    }
}

TEST(ResizeProgress, EveryMethodReportsAndStops) {
  Image<uint8_t> src(40, 30, 3);
  Fill(src, 14);
  for (uint32_t mode : {0u, 8u, 13u, 14u, 15u, 16u, 17u, 18u}) {
    Image<uint8_t> dst(20, 12, 3);
    {
      ScopedProgress p;
      ASSERT_TRUE(Resize(src, dst, mode, kNoPool)) << mode;
      EXPECT_FALSE(p.log.calls.empty()) << mode;
    }
    ScopedProgress stop(1);
    EXPECT_FALSE(Resize(src, dst, mode, kNoPool)) << mode;
    EXPECT_EQ(PicGetLastError(), 14u) << mode;
    EXPECT_EQ(stop.log.calls.size(), 2u) << mode;
  }
  // Nearest neighbour reports once per channel.
  Image<uint8_t> dst(20, 12, 3);
  ScopedProgress p;
  ASSERT_TRUE(Resize(src, dst, 18, kNoPool));
  ASSERT_EQ(p.log.calls.size(), 3u);
  EXPECT_EQ(p.log.calls[2], (std::pair<DWORD, DWORD>{2, 3}));
}

TEST(ResizeProgress, ThePoolPassesARefusalOnAsCode14) {
  // The pool asks the caller's callback between waits: with every worker held
  // the resize's bands wait behind the blockers, so the first poll always comes.
  Image<uint8_t> src(600, 400, 3);
  Fill(src, 15);
  for (uint32_t mode : {8u, 16u, 17u}) {
    Image<uint8_t> dst(4000, 2800, 3);
    PoolHold hold;
    ASSERT_TRUE(hold.AllHeld()) << mode;
    ScopedProgress p(0);
    p.log.onCall = [&] { hold.Release(); };
    EXPECT_FALSE(Resize(src, dst, mode, 0)) << mode;
    EXPECT_EQ(PicGetLastError(), 14u) << mode;
    ASSERT_EQ(p.log.calls.size(), 1u) << mode;
    EXPECT_EQ(p.log.calls[0].second, 100u);  // percent of the jobs
  }
}
