// The library frame's costs: a pool run against the same work in one thread,
// and the pixel-format conversions on a 12-megapixel image against plain
// single-threaded loops. Later subsystems add their own cases beside these.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/library_globals.h"
#include "core/pixel_formats.h"
#include "core/thread_pool.h"
#include "pictura.h"

using namespace Pictura;

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;  // 12 megapixels

struct Images {
  std::vector<uint8_t> rgb, rgba;
  std::vector<uint16_t> rgb16;
  Images()
      : rgb(size_t{kWidth} * kHeight * 3),
        rgba(size_t{kWidth} * kHeight * 4),
        rgb16(size_t{kWidth} * kHeight) {
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 31 + (i >> 9));
  }
};
Images& Shared() {
  static Images images;
  return images;
}

void StartPool() {
  static bool started = [] {
    pic_Initialize(nullptr);
    return true;
  }();
  (void)started;
}

// One band of RGB -> RGBA per job.
struct BandJob : CPicThreadData {
  const uint8_t* src = nullptr;
  uint8_t* dst = nullptr;
  uint32_t rows = 0;
};
uint32_t ConvertBand(CPicThreadData* record) {
  auto* job = static_cast<BandJob*>(record);
  RGBToRGBACore(&job->error, job->src, kWidth, job->rows, kWidth * 3, job->dst, kWidth * 4, 255);
  return 0;
}

uint32_t RunBanded(const uint8_t* src, uint8_t* dst, uint32_t bands) {
  PicArray<ThreadBand> split;
  SplitRowsIntoBands(split, kWidth, kHeight, bands);
  std::vector<BandJob> jobs(bands);
  std::vector<CPicThreadData*> pointers;
  for (uint32_t i = 0; i < bands; ++i) {
    jobs[i].src = src + size_t{split[i].top} * kWidth * 3;
    jobs[i].dst = dst + size_t{split[i].top} * kWidth * 4;
    jobs[i].rows = split[i].bottom - split[i].top;
    pointers.push_back(&jobs[i]);
  }
  return RunJobs(ConvertBand, pointers);
}

uint32_t EmptyJob(CPicThreadData*) {
  return 0;
}

}  // namespace

// Cost of one run of n empty jobs: queueing, waking and waiting.
static void BM_PoolRunOverhead(benchmark::State& state) {
  StartPool();
  const auto n = static_cast<size_t>(state.range(0));
  std::vector<CPicThreadData> jobs(n);
  std::vector<CPicThreadData*> pointers;
  for (auto& j : jobs) pointers.push_back(&j);
  for (auto _ : state) benchmark::DoNotOptimize(RunJobs(EmptyJob, pointers));
}
BENCHMARK(BM_PoolRunOverhead)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->UseRealTime();

static void BM_RGBToRGBA_PlainLoop(benchmark::State& state) {
  Images& im = Shared();
  for (auto _ : state) {
    const uint8_t* s = im.rgb.data();
    uint8_t* d = im.rgba.data();
    for (size_t i = 0; i < size_t{kWidth} * kHeight; ++i, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_RGBToRGBA_PlainLoop)->Unit(benchmark::kMillisecond);

static void BM_RGBToRGBA_Entry(benchmark::State& state) {
  Images& im = Shared();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        pic_RGBToRGBA(im.rgb.data(), kWidth, kHeight, kWidth * 3, im.rgba.data(), kWidth * 4, 255));
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_RGBToRGBA_Entry)->Unit(benchmark::kMillisecond);

static void BM_RGBToRGBA_PoolBands(benchmark::State& state) {
  StartPool();
  Images& im = Shared();
  for (auto _ : state)
    benchmark::DoNotOptimize(RunBanded(im.rgb.data(), im.rgba.data(), static_cast<uint32_t>(state.range(0))));
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_RGBToRGBA_PoolBands)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_RGB24ToRGB565_Entry(benchmark::State& state) {
  Images& im = Shared();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        pic_RGB24ToRGB16(im.rgb.data(), kWidth, kHeight, reinterpret_cast<WORD*>(im.rgb16.data()), 0, 0));
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_RGB24ToRGB565_Entry)->Unit(benchmark::kMillisecond);

static void BM_SwapRedBlue24(benchmark::State& state) {
  Images& im = Shared();
  SetCpuFeaturesDisabled(state.range(0) ? 0 : 1);  // 1: vector rows, 0: scalar
  uint32_t err = 0;
  for (auto _ : state) benchmark::DoNotOptimize(SwapRedBlue24(&err, im.rgb.data(), kWidth, kHeight));
  SetCpuFeaturesDisabled(0);
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
}
BENCHMARK(BM_SwapRedBlue24)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_Convert8BitToRGB(benchmark::State& state) {
  Images& im = Shared();
  RGBQUAD palette[256];
  std::memcpy(palette, StaticTables().grayPalette, sizeof palette);
  uint32_t err = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(Convert8BitToRGBCore(&err, im.rgb.data(), kWidth, kHeight, kWidth,
                                                  im.rgba.data(), kWidth * 3, 0, palette, 0));
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}
BENCHMARK(BM_Convert8BitToRGB)->Unit(benchmark::kMillisecond);
