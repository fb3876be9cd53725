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
#include <random>
#include <vector>

#include "pictura.h"

namespace {

constexpr uint32_t kWidth = 4000, kHeight = 3000;  // 12 megapixels

std::vector<uint8_t> Picture() {
  std::vector<uint8_t> img(size_t{kWidth} * kHeight * 3);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &img[(size_t{y} * kWidth + x) * 3];
      const int grain = static_cast<int>(rng() % 9) - 4;
      const bool disc = (x / 500 + y / 500) % 3 == 0;
      p[0] = static_cast<uint8_t>(std::clamp(int(x * 200 / kWidth) + (disc ? 40 : 0) + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(int(y * 220 / kHeight) + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(int((x + y) * 255 / (kWidth + kHeight)) - (disc ? 60 : 0) + grain, 0, 255));
    }
  return img;
}

// A TIFF in memory, read and written by libtiff through these procedures.
struct Memory {
  std::vector<uint8_t> bytes;
  uint64_t pos = 0;
};
tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<Memory*>(h);
  const uint64_t left = m->pos < m->bytes.size() ? m->bytes.size() - m->pos : 0;
  const uint64_t k = std::min<uint64_t>(left, static_cast<uint64_t>(n));
  std::memcpy(buf, m->bytes.data() + m->pos, k);
  m->pos += k;
  return static_cast<tmsize_t>(k);
}
tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<Memory*>(h);
  if (m->bytes.size() < m->pos + n) m->bytes.resize(m->pos + n);
  std::memcpy(m->bytes.data() + m->pos, buf, n);
  m->pos += n;
  return n;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<Memory*>(h);
  m->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->pos + off : m->bytes.size() + off;
  return m->pos;
}
int MemClose(thandle_t) {
  return 0;
}
toff_t MemSize(thandle_t h) {
  return static_cast<Memory*>(h)->bytes.size();
}
int MemMap(thandle_t, void**, toff_t*) {
  return 0;
}
void MemUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenMemory(Memory* m, const char* mode) {
  m->pos = 0;
  return TIFFClientOpen("bench", mode, m, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

enum Kind { kNone, kLZW, kDeflate, kJPEG, kTiled, kKinds };

std::vector<uint8_t> Make(const std::vector<uint8_t>& img, Kind kind) {
  Memory m;
  TIFF* tif = OpenMemory(&m, "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  const uint16_t compression[kKinds] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                                        COMPRESSION_JPEG, COMPRESSION_ADOBE_DEFLATE};
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression[kind]);
  if (kind == kLZW || kind == kDeflate || kind == kTiled) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (kind == kJPEG) {
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
  }
  std::vector<uint8_t> copy(size_t{kWidth} * 3 * 256);
  if (kind == kTiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 256);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 256);
    std::vector<uint8_t> tile(256 * 256 * 3);
    for (uint32_t y = 0; y < kHeight; y += 256)
      for (uint32_t x = 0; x < kWidth; x += 256) {
        std::fill(tile.begin(), tile.end(), 0);
        for (uint32_t r = 0; r < 256 && y + r < kHeight; ++r)
          std::memcpy(&tile[r * 256 * 3], &img[(size_t{y + r} * kWidth + x) * 3], std::min(256u, kWidth - x) * 3);
        TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
      }
  } else {
    const uint32_t rows = kind == kJPEG ? 16 : kind == kNone ? 8 : 16;
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    std::vector<uint8_t> row(size_t{kWidth} * 3);
    for (uint32_t y = 0; y < kHeight; ++y) {
      std::memcpy(row.data(), &img[size_t{y} * kWidth * 3], row.size());
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  }
  TIFFClose(tif);
  return m.bytes;
}

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
    uint32_t* raster = block.get();
    TIFF* tif = OpenMemory(&m, "r");
    if (!TIFFReadRGBAImageOriented(tif, kWidth, kHeight, raster, ORIENTATION_TOPLEFT, 0))
      state.SkipWithError("libtiff failed");
    TIFFClose(tif);
    benchmark::DoNotOptimize(raster);
  }
}

// Strips or tiles of RGB bytes straight into an image (not for JPEG, whose
// strips come as YCbCr).
void BareRaw(benchmark::State& state) {
  Memory m;
  m.bytes = Shared().file[state.range(0)];
  const size_t imageBytes = size_t{kWidth} * kHeight * 3;
  std::vector<uint8_t> tile(256 * 256 * 3);
  for (auto _ : state) {
    Fresh<uint8_t> block(imageBytes);
    uint8_t* image = block.get();
    TIFF* tif = OpenMemory(&m, "r");
    if (TIFFIsTiled(tif)) {
      for (uint32_t y = 0; y < kHeight; y += 256)
        for (uint32_t x = 0; x < kWidth; x += 256) {
          TIFFReadTile(tif, tile.data(), x, y, 0, 0);
          for (uint32_t r = 0; r < 256 && y + r < kHeight; ++r)
            std::memcpy(&image[(size_t{y + r} * kWidth + x) * 3], &tile[r * 256 * 3], std::min(256u, kWidth - x) * 3);
        }
    } else {
      const tmsize_t stripBytes = TIFFStripSize(tif);
      for (uint32_t s = 0, n = TIFFNumberOfStrips(tif); s < n; ++s)
        TIFFReadEncodedStrip(tif, s, image + s * stripBytes,
                             std::min<tmsize_t>(stripBytes, imageBytes - s * stripBytes));
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(image);
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
  b->ArgName("kind")->Arg(kNone)->Arg(kLZW)->Arg(kDeflate)->Arg(kJPEG)->Arg(kTiled)->Unit(benchmark::kMillisecond);
}
void RawArgs(benchmark::internal::Benchmark* b) {
  b->ArgName("kind")->Arg(kNone)->Arg(kLZW)->Arg(kDeflate)->Arg(kTiled)->Unit(benchmark::kMillisecond);
}

}  // namespace

// kind: 0 uncompressed, 1 LZW, 2 Deflate, 3 JPEG-in-TIFF, 4 Deflate 256 x 256 tiles.
BENCHMARK(Bare)->Apply(Args);
BENCHMARK(PicReadImage)->Apply(Args);
BENCHMARK(BareRaw)->Apply(RawArgs);
