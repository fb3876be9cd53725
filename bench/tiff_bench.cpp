// Reading a 12-megapixel TIFF (uncompressed, LZW, Deflate, JPEG-in-TIFF,
// tiled) through pic_ReadImage (guess, header query, codec, result block)
// against bare libtiff reading the same bytes from memory: TIFFReadRGBAImage
// (the same RGBA path, whole image at once) and, where the samples are
// stored as RGB bytes, plain strip or tile reads. Each side reads into a
// fresh block of the same allocator every time, as pic_ReadImage hands back
// a new block: a buffer kept warm across reads would leave out the page
// faults every reader of a new image pays.
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pictura.h"
#include "tiff_files.h"

namespace {

using namespace tiff_files;

struct Files {
  std::vector<uint8_t> file[kKinds];
  Files() {
    pic_Initialize(nullptr);
    const std::vector<uint8_t> img = Picture();
    for (int k = 0; k < kKinds; ++k) file[k] = Make(img, static_cast<Kind>(k));
  }
};
Files& Shared() {
  static Files files;
  return files;
}

// A fresh block of the allocator pic_ReadImage uses, for each read.
template <class T>
class Fresh {
 public:
  explicit Fresh(size_t n) : block_(GlobalAlloc(GMEM_FIXED, n * sizeof(T))) {}
  Fresh(const Fresh&) = delete;
  Fresh& operator=(const Fresh&) = delete;
  ~Fresh() { GlobalFree(block_); }
  T* get() const { return static_cast<T*>(block_); }

 private:
  HGLOBAL block_;
};

void Bare(benchmark::State& state) {
  Memory m;
  m.bytes = Shared().file[state.range(0)];
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    Fresh<uint32_t> block(size_t{kWidth} * kHeight);
    if (!ReadRGBA(m, block.get())) state.SkipWithError("libtiff failed");
    benchmark::DoNotOptimize(block.get());
  }
}

// Strips or tiles of RGB bytes straight into an image (not for JPEG, whose
// strips come as YCbCr).
void BareRaw(benchmark::State& state) {
  Memory m;
  m.bytes = Shared().file[state.range(0)];
  std::vector<uint8_t> tile(256 * 256 * 3);
  for (auto _ : state) {
    Fresh<uint8_t> block(size_t{kWidth} * kHeight * 3);
    ReadStrips(m, block.get(), tile.data());
    benchmark::DoNotOptimize(block.get());
  }
}

void PicReadImage(benchmark::State& state) {
  const std::vector<uint8_t>& file = Shared().file[state.range(0)];
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadImage(src, &w, &h, kPicReadRGB, 0);
    if (!image || PicGetLastError()) state.SkipWithError("pic_ReadImage failed");
    GlobalFree(image);
    pic_CloseSource(src);
  }
}

void Args(benchmark::internal::Benchmark* b) {
  b->ArgName("kind")->Arg(kNone)->Arg(kLZW)->Arg(kDeflate)->Arg(kJPEG)->Arg(kTiled)->Unit(
      benchmark::kMillisecond);
}
void RawArgs(benchmark::internal::Benchmark* b) {
  b->ArgName("kind")->Arg(kNone)->Arg(kLZW)->Arg(kDeflate)->Arg(kTiled)->Unit(benchmark::kMillisecond);
}

}  // namespace

// kind: 0 uncompressed, 1 LZW, 2 Deflate, 3 JPEG-in-TIFF, 4 Deflate 256 x 256 tiles.
BENCHMARK(Bare)->Apply(Args);
BENCHMARK(PicReadImage)->Apply(Args);
BENCHMARK(BareRaw)->Apply(RawArgs);
