// Overlays, alpha blending, grey conversion and the median filter on a
// 12-megapixel picture (4000 x 3000, made here: smooth gradients with
// noise). tools/bench-blend-peers.py compares the times with OpenCV, NumPy
// and Pillow. Names end in /one (flag 0x100000, the calling thread) or
// /pool (the library's default threads).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/image_buffers.h"
#include "core/pictura_core.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/gray_swap.h"
#include "pixelops/median.h"
#include "pixelops/overlay.h"

namespace {

using namespace Pictura;

constexpr uint32_t kW = 4000, kH = 3000;

std::vector<uint8_t> Picture(uint32_t channels, unsigned seed) {
  std::vector<uint8_t> v(size_t{kW} * kH * channels);
  std::mt19937 rng(seed);
  for (uint32_t y = 0; y < kH; ++y)
    for (uint32_t x = 0; x < kW; ++x)
      for (uint32_t c = 0; c < channels; ++c)
        v[(size_t{y} * kW + x) * channels + c] = uint8_t((x * (c + 1) / 16 + y / 12 + rng() % 24) & 255);
  return v;
}

uint32_t Flags(const benchmark::State& state) {
  return state.range(0) ? 0 : 0x100000;
}

void Start() {
  static bool started = pic_Initialize(nullptr) != 0;
  (void)started;
}

// range(1): mode, range(2): opacity in percent.
void BM_Overlay(benchmark::State& state) {
  Start();
  static const std::vector<uint8_t> src = Picture(3, 1);
  std::vector<uint8_t> dst = Picture(3, 2);
  CPicImgBufExtern<uint8_t> d(dst.data(), kW, kH, 3, kW * 3);
  CPicImgBufExternConst<uint8_t> s(src.data(), kW, kH, 3, kW * 3);
  for (auto _ : state) {
    uint32_t error = 0;
    OverlayImage8bpc(&error, d, s, 0, 0, state.range(2) / 100.0, 0, uint32_t(state.range(1)), Flags(state));
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_Overlay)
    ->Name("overlay")
    ->ArgNames({"pool", "mode", "opacity"})
    ->Args({0, 0, 50})
    ->Args({1, 0, 50})
    ->Args({0, 7, 100})
    ->Args({1, 7, 100})
    ->Args({0, 24, 100})
    ->Args({1, 24, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_AlphaRGBAOverRGB(benchmark::State& state) {
  Start();
  static const std::vector<uint8_t> src = Picture(4, 3);
  std::vector<uint8_t> dst = Picture(3, 4);
  CPicImgBufExtern<uint8_t> d(dst.data(), kW, kH, 3, kW * 3);
  CPicImgBufExternConst<uint8_t> s(src.data(), kW, kH, 4, kW * 4);
  for (auto _ : state) {
    uint32_t error = 0;
    OverlayRGBAOnRGB(&error, d, s, 0, 0, 1.0, 0, Flags(state));
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_AlphaRGBAOverRGB)
    ->Name("alpha/rgba_over_rgb")
    ->ArgName("pool")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Grey(benchmark::State& state) {
  Start();
  static const std::vector<uint8_t> src = Picture(3, 5);
  std::vector<uint8_t> grey(size_t{kW} * kH);
  for (auto _ : state) {
    uint32_t error = 0;
    ImageToGrayScaleSingleWeighted<uint8_t>(&error, src.data(), kW, kH, 3, kW * 3, kW, 0.299, 0.587, 0.114,
                                            Flags(state), grey.data());
    benchmark::DoNotOptimize(grey.data());
  }
}
BENCHMARK(BM_Grey)
    ->Name("grey/single")
    ->ArgNames({"pool"})
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// range(1): window size; one channel of bytes (as the peers filter), and
// the same picture as f64 samples.
void BM_Median(benchmark::State& state) {
  Start();
  static const std::vector<uint8_t> src = Picture(1, 6);
  std::vector<uint8_t> dst(src.size());
  for (auto _ : state) {
    CPicMedianFilter filter;
    filter.MedianFilterCore(src.data(), kW, kH, 1, kW, dst.data(), kW, int32_t(state.range(1)),
                            1 | Flags(state));
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_Median)
    ->Name("median")
    ->ArgNames({"pool", "k"})
    ->ArgsProduct({{0, 1}, {3, 5, 15}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_MedianF64(benchmark::State& state) {
  Start();
  static const std::vector<uint8_t> bytes = Picture(1, 6);
  static const std::vector<double> src(bytes.begin(), bytes.end());
  std::vector<double> dst(src.size());
  for (auto _ : state) {
    CPicMedianFilter filter;
    filter.MedianFilterCore(src.data(), kW, kH, 1, kW, dst.data(), kW, int32_t(state.range(1)),
                            1 | Flags(state));
    benchmark::DoNotOptimize(dst.data());
  }
}
BENCHMARK(BM_MedianF64)
    ->Name("median_f64")
    ->ArgNames({"pool", "k"})
    ->ArgsProduct({{0, 1}, {3, 15}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
