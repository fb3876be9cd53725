// Rotation and seam-carving speed on the resize benchmark's picture (24-bit):
// quarter and half turns, any angle with each sampling, and narrowing and
// widening by seams, on the calling thread and on the pool.
// tools/bench-resize-peers.py times the same cases with OpenCV (cv::rotate,
// cv::warpAffine) and ImageMagick's liquid rescale.
//
// Names: rotate/<turn0|turn1|turn2|nearest|bilinear|bicubic>/<w>x<h>/<one|pool>,
//        carve/<change>/<w>x<h>/<one|pool>.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictura.h"
#include "resample/rotate.h"

namespace {

constexpr double kAngle = 0.3;  // radians

std::vector<uint8_t> Picture(uint32_t w, uint32_t h) {
  std::vector<uint8_t> p(size_t{w} * h * 3);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t c = 0; c < 3; ++c)
        p[(size_t{y} * w + x) * 3 + c] =
            static_cast<uint8_t>(7 * x + 13 * y + 50 * c + ((uint64_t{x} * y) >> 3));
  return p;
}

void Start() {
  static const bool started = pic_Initialize(nullptr) != 0;
  (void)started;
}

void Turn(benchmark::State& state, uint32_t code, uint32_t w, uint32_t h, bool pool) {
  Start();
  const std::vector<uint8_t> src = Picture(w, h);
  std::vector<uint8_t> dst(src.size());
  const uint32_t dstStride = (code == 1 ? w : h) * 3;
  SetThreadsPerOperation(pool ? 4 : 1);
  for (auto _ : state) {
    uint32_t err = 0;
    if (!Pictura::RotateOrthogonal(src.data(), w, h, w * 3, dst.data(), dstStride, code, 3, &err)) {
      state.SkipWithError("rotation failed");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
  SetThreadsPerOperation(4);
  state.SetItemsProcessed(state.iterations() * int64_t{w} * h);
}

void Angle(benchmark::State& state, uint32_t quality, uint32_t w, uint32_t h, bool pool) {
  Start();
  const std::vector<uint8_t> src = Picture(w, h);
  uint32_t ow = 0, oh = 0;
  Pictura::GetRotatedSize(kAngle, w, h, &ow, &oh);
  std::vector<uint8_t> dst(size_t{ow} * oh * 3);
  for (auto _ : state) {
    uint32_t err = 0;
    if (!Pictura::RotateImage8bpc(&err, src.data(), w, h, 3, w * 3, dst.data(), ow * 3, nullptr, 0, kAngle,
                                  quality | (pool ? 0 : 0x100000))) {
      state.SkipWithError("rotation failed");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{ow} * oh);
}

void Carve(benchmark::State& state, int change, uint32_t w, uint32_t h, bool pool) {
  Start();
  const std::vector<uint8_t> src = Picture(w, h);
  const uint32_t ow = static_cast<uint32_t>(static_cast<int>(w) + change);
  std::vector<uint8_t> dst(size_t{ow} * h * 3);
  for (auto _ : state) {
    if (!pic_SeamCarve(src.data(), w, h, 3, w * 3, nullptr, 0, dst.data(), ow * 3, change, 2000,
                       pool ? 0 : 0x100001)) {
      state.SkipWithError("carving failed");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
}

template <class Fn, class Arg>
void Add(const std::string& kind, Fn fn, Arg arg, uint32_t w, uint32_t h) {
  for (bool pool : {false, true}) {
    const std::string name =
        kind + "/" + std::to_string(w) + "x" + std::to_string(h) + (pool ? "/pool" : "/one");
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { fn(s, arg, w, h, pool); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
}

const int registered = [] {
  for (auto [w, h] : {std::pair{1920u, 1080u}, std::pair{4000u, 3000u}})
    for (uint32_t code = 0; code < 3; ++code) Add("rotate/turn" + std::to_string(code), Turn, code, w, h);
  const char* names[] = {"nearest", "bilinear", "bicubic"};
  for (uint32_t q = 0; q < 3; ++q) Add(std::string("rotate/") + names[q], Angle, q, 1920, 1080);
  for (int change : {-48, 48}) Add("carve/" + std::to_string(change), Carve, change, 480, 270);
  return 0;
}();

}  // namespace
