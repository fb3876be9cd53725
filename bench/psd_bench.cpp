// Reading a 12-megapixel RGB PSD file (raw and PackBits) through
// pic_ReadPSD, one thread, from memory. The files are left in the temporary
// folder (pictura_psd_bench/photo_{raw,rle}.psd) for
// tools/bench-psd-peers.py, which times Pillow and ImageMagick on them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pictura.h"
#include "psd_files.h"

namespace fs = std::filesystem;

namespace {

using psd_files::kHeight;
using psd_files::kWidth;

struct Files {
  std::vector<uint8_t> bytes[2];
  Files() {
    pic_Initialize(nullptr);
    SetThreadsPerOperation(1);
    psd_files::Make(bytes);
    const fs::path dir = fs::temp_directory_path() / "pictura_psd_bench";
    fs::create_directories(dir);
    for (int i = 0; i < 2; ++i) {
      std::ofstream out(dir / (i ? "photo_rle.psd" : "photo_raw.psd"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes[i].data()),
                static_cast<std::streamsize>(bytes[i].size()));
    }
  }
};
Files& Shared() {
  static Files files;
  return files;
}

// The caller's own allocator handing out one kept block (as Pillow keeps
// its blocks): the decode without the page faults of a fresh 36 MB block.
std::vector<uint8_t> kept(size_t{kWidth} * kHeight * 3 + 4096);
void* PICAPI KeptAlloc(DWORD size, PIC_USERDATA) {
  return size <= kept.size() ? kept.data() : nullptr;
}
DWORD PICAPI KeptFree(void*, PIC_USERDATA) {
  return 1;
}

void BM_PsdDecode(benchmark::State& state) {
  const int packed = static_cast<int>(state.range(0));
  const bool reuse = state.range(1) != 0;
  if (reuse) pic_SetFileReadAllocCallbacks(KeptAlloc, nullptr, KeptFree, 0);
  const std::vector<uint8_t>& file = Shared().bytes[packed];
  state.SetLabel(std::string(packed ? "rle" : "raw") + (reuse ? " kept block" : ""));
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadPSD(src, &w, &h, 24, nullptr, 0);
    if (!image || w != kWidth) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image);
    if (!reuse) GlobalFree(image);
    pic_CloseSource(src);
  }
  if (reuse) pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

}  // namespace

BENCHMARK(BM_PsdDecode)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
