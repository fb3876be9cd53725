// Resize speed: the billboard (mode 16), the wallpaper (mode 17), and every
// other mode at 0.25x, 0.37x and 2x of a 1920x1080 picture, 24-bit, on the
// calling thread (flag 0x100000) and on the pool. tools/bench-resize-peers.py
// times the same cases with OpenCV and Pillow.
//
// Names: resize/<mode>/<source w>x<h>/<destination w>x<h>/<one|pool>.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pictura.h"

namespace {

// The peer script builds the same picture: (7x + 13y + 50c + (xy >> 3)) mod 256.
std::vector<uint8_t> Picture(uint32_t w, uint32_t h) {
  std::vector<uint8_t> p(size_t{w} * h * 3);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t c = 0; c < 3; ++c)
        p[(size_t{y} * w + x) * 3 + c] =
            static_cast<uint8_t>(7 * x + 13 * y + 50 * c + ((uint64_t{x} * y) >> 3));
  return p;
}

const std::vector<uint8_t>& CachedPicture(uint32_t w, uint32_t h) {
  static std::vector<std::pair<uint64_t, std::vector<uint8_t>>> cache;
  const uint64_t key = uint64_t{w} << 32 | h;
  for (auto& [k, v] : cache)
    if (k == key) return v;
  cache.emplace_back(key, Picture(w, h));
  return cache.back().second;
}

void Run(benchmark::State& state, uint32_t mode, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh,
         bool pool) {
  static const bool started = pic_Initialize(nullptr) != 0;
  (void)started;
  const std::vector<uint8_t>& src = CachedPicture(sw, sh);
  std::vector<uint8_t> dst(size_t{dw} * dh * 3);
  const uint32_t flags = pool ? 0 : 0x100000;
  for (auto _ : state) {
    if (!pic_ResizeImage(src.data(), sw, sh, sw * 3, dst.data(), dw, dh, dw * 3, 3, mode, flags)) {
      state.SkipWithError("resize failed");
      break;
    }
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t{dw} * dh);
}

void Add(uint32_t mode, uint32_t sw, uint32_t sh, uint32_t dw, uint32_t dh) {
  for (bool pool : {false, true}) {
    const std::string name = "resize/" + std::to_string(mode) + "/" + std::to_string(sw) + "x" +
                             std::to_string(sh) + "/" + std::to_string(dw) + "x" + std::to_string(dh) +
                             (pool ? "/pool" : "/one");
    benchmark::RegisterBenchmark(name.c_str(),
                                 [=](benchmark::State& s) { Run(s, mode, sw, sh, dw, dh, pool); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
}

const int registered = [] {
  Add(16, 4000, 3000, 171, 128);
  Add(16, 1920, 1080, 171, 128);
  Add(16, 4000, 3000, 1480, 1110);
  Add(16, 4000, 3000, 1000, 750);
  Add(17, 1024, 768, 1920, 1080);
  Add(17, 4000, 3000, 1920, 1080);
  const uint32_t w = 1920, h = 1080;
  for (uint32_t mode = 0; mode <= 18; ++mode) {
    if (mode == 16 || mode == 17) continue;
    Add(mode, w, h, w / 4, h / 4);
    Add(mode, w, h, static_cast<uint32_t>(w * 0.37), static_cast<uint32_t>(h * 0.37));
    if (mode != 14 && mode != 15) Add(mode, w, h, w * 2, h * 2);
  }
  for (uint32_t mode : {16u, 17u}) {
    Add(mode, w, h, w / 4, h / 4);
    Add(mode, w, h, static_cast<uint32_t>(w * 0.37), static_cast<uint32_t>(h * 0.37));
    Add(mode, w, h, w * 2, h * 2);
  }
  return 0;
}();

}  // namespace
