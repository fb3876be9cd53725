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

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;  // 12 megapixels

// A photo-like picture: smooth shading, flat areas, edges and grain.
std::vector<uint8_t> Picture() {
  std::vector<uint8_t> img(size_t{kWidth} * kHeight * 3);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &img[(size_t{y} * kWidth + x) * 3];
      const bool flat = (x / 400 + y / 300) % 4 == 0;
      const int grain = flat ? 0 : static_cast<int>(rng() % 9) - 4;
      p[0] = static_cast<uint8_t>(std::clamp(flat ? 200 : int(x * 200 / kWidth) + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(flat ? 90 : int(y * 220 / kHeight) + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(flat ? 30 : int((x + y) * 255 / (kWidth + kHeight)) + grain, 0, 255));
    }
  return img;
}

void PutBE(std::vector<uint8_t>& f, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// PackBits as Photoshop writes it: runs of 3 or more repeated, the rest literal.
std::vector<uint8_t> PackBits(const uint8_t* row, uint32_t n) {
  std::vector<uint8_t> out;
  uint32_t i = 0;
  while (i < n) {
    uint32_t run = 1;
    while (i + run < n && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    uint32_t lit = 0;
    while (i + lit < n && lit < 128 &&
           !(i + lit + 2 < n && row[i + lit] == row[i + lit + 1] && row[i + lit] == row[i + lit + 2]))
      ++lit;
    out.push_back(static_cast<uint8_t>(lit - 1));
    out.insert(out.end(), row + i, row + i + lit);
    i += lit;
  }
  return out;
}

// Our writer's raw file, repacked with PackBits rows.
std::vector<uint8_t> Packed(const std::vector<uint8_t>& raw) {
  const size_t pixels = raw.size() - 34 - size_t{kWidth} * kHeight * 3;  // header and empty sections
  std::vector<uint8_t> f(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(pixels + 32));
  PutBE(f, 1, 2);
  std::vector<std::vector<uint8_t>> rows;
  for (uint32_t r = 0; r < 3 * kHeight; ++r) rows.push_back(PackBits(&raw[pixels + 34 + size_t{r} * kWidth], kWidth));
  for (const auto& r : rows) PutBE(f, static_cast<uint32_t>(r.size()), 2);
  for (const auto& r : rows) f.insert(f.end(), r.begin(), r.end());
  return f;
}

struct Files {
  std::vector<uint8_t> bytes[2];
  Files() {
    pic_Initialize(nullptr);
    SetThreadsPerOperation(1);
    const std::vector<uint8_t> picture = Picture();
    std::vector<uint8_t> raw(picture.size() + 4096);
    HPICDEST dest = pic_OpenMemoryDest(raw.data(), static_cast<DWORD>(raw.size()), FALSE);
    raw.resize(pic_WritePSD(dest, picture.data(), kWidth, kHeight, 24, kWidth * 3, nullptr, 0));
    pic_CloseDest(dest);
    bytes[0] = raw;
    bytes[1] = Packed(raw);
    const fs::path dir = fs::temp_directory_path() / "pictura_psd_bench";
    fs::create_directories(dir);
    for (int i = 0; i < 2; ++i) {
      std::ofstream out(dir / (i ? "photo_rle.psd" : "photo_raw.psd"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes[i].data()), static_cast<std::streamsize>(bytes[i].size()));
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
