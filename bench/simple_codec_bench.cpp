// Decoding and encoding a 12-megapixel picture as TGA, PCX and PPM through
// the codecs' entries, one thread, from and to memory. The files are left
// in the temporary folder (pictura_simple_codec_bench/photo.*) for
// tools/bench-codec-peers.py, which times Pillow and netpbm on them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pictura.h"
#include "psd_files.h"

namespace fs = std::filesystem;

namespace {

// The photo-like picture of the PSD benchmarks.
using psd_files::kHeight;
using psd_files::kWidth;
using psd_files::Picture;

enum Format { kTGA, kPCX, kPPM };
const char* const kNames[] = {"tga", "pcx", "ppm"};

DWORD Write(Format f, HPICDEST dest, const std::vector<uint8_t>& img) {
  switch (f) {
    case kTGA:
      return pic_WriteTGA(dest, img.data(), kWidth, kHeight, 24, kWidth * 3, nullptr, 0, 0);
    case kPCX:
      return pic_WritePCX(dest, img.data(), kWidth, kHeight, 24, kWidth * 3, nullptr, nullptr, 0);
    default:
      return pic_WritePNM(dest, img.data(), kWidth, kHeight, 24, kWidth * 3, 0, 0);
  }
}

struct Files {
  std::vector<uint8_t> picture;
  std::vector<uint8_t> bytes[3];
  Files() {
    pic_Initialize(nullptr);
    SetThreadsPerOperation(1);
    picture = Picture();
    const fs::path dir = fs::temp_directory_path() / "pictura_simple_codec_bench";
    fs::create_directories(dir);
    {
      std::ofstream raw(dir / "photo.rgb", std::ios::binary);
      raw.write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
    }
    for (Format f : {kTGA, kPCX, kPPM}) {
      const fs::path path = dir / (std::string("photo.") + kNames[f]);
      HPICDEST dest = pic_OpenFileDest(path.string().c_str(), FALSE);
      Write(f, dest, picture);
      pic_CloseDest(dest);
      std::ifstream in(path, std::ios::binary);
      bytes[f].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
};
Files& Shared() {
  static Files files;
  return files;
}

// The caller's own allocator handing out one kept block: the decode
// without the page faults of a fresh 36 MB block (the floor of BM_Decode;
// Pillow reuses its blocks the same way).
std::vector<uint8_t> kept(size_t{kWidth} * kHeight * 3 + 4096);
void* PICAPI KeptAlloc(DWORD size, PIC_USERDATA) {
  return size <= kept.size() ? kept.data() : nullptr;
}
DWORD PICAPI KeptFree(void*, PIC_USERDATA) {
  return 1;
}

void BM_Decode(benchmark::State& state) {
  const Format f = static_cast<Format>(state.range(0));
  const bool reuse = state.range(1) != 0;
  if (reuse) pic_SetFileReadAllocCallbacks(KeptAlloc, nullptr, KeptFree, 0);
  const std::vector<uint8_t>& file = Shared().bytes[f];
  state.SetLabel(std::string(kNames[f]) + (reuse ? " kept block" : ""));
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = f == kTGA   ? pic_ReadTGA(src, &w, &h, 24, nullptr, 0)
                    : f == kPCX ? pic_ReadPCX(src, &w, &h, 24, nullptr, 0)
                                : pic_ReadPNM(src, &w, &h, 24, 0);
    if (!image || w != kWidth) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(image);
    if (!reuse) GlobalFree(image);
    pic_CloseSource(src);
  }
  if (reuse) pic_SetFileReadAllocCallbacks(nullptr, nullptr, nullptr, 0);
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

void BM_Encode(benchmark::State& state) {
  const Format f = static_cast<Format>(state.range(0));
  const std::vector<uint8_t>& img = Shared().picture;
  state.SetLabel(kNames[f]);
  // Into memory, like Pillow's save to a BytesIO: a block big enough for
  // the file, kept between runs.
  static std::vector<uint8_t> file(size_t{kWidth} * kHeight * 4);
  for (auto _ : state) {
    HPICDEST dest = pic_OpenMemoryDest(file.data(), static_cast<DWORD>(file.size()), FALSE);
    if (!Write(f, dest, img)) state.SkipWithError("encode failed");
    pic_CloseDest(dest);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kWidth} * kHeight);
}

}  // namespace

BENCHMARK(BM_Decode)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
