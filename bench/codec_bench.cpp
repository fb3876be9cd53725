// Decoding a 12-megapixel JPEG and PNG: through pic_ReadImage (guess, header
// query, codec, result block) and the codecs' own entries, against the bare
// libraries decoding the same bytes from memory into a buffer, and against
// djpeg and Pillow on the same files (their times include reading the file;
// djpeg's also its start and its output to /dev/null).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "pictura.h"
#include "tiff_files.h"

namespace fs = std::filesystem;

namespace {

// The photo-like picture of the TIFF benchmarks.
using tiff_files::kHeight;
using tiff_files::kWidth;
using tiff_files::Picture;

struct Files {
  std::vector<uint8_t> jpeg, png;
  fs::path dir, jpegPath, pngPath;
  Files() {
    pic_Initialize(nullptr);
    std::vector<uint8_t> img = Picture();
    dir = fs::temp_directory_path() / "pictura_codec_bench";
    fs::create_directories(dir);
    jpegPath = dir / "photo.jpg";
    pngPath = dir / "photo.png";
    HPICDEST dest = pic_OpenFileDest(jpegPath.string().c_str(), FALSE);
    pic_WriteJPG(dest, img.data(), kWidth, kHeight, 24, kWidth * 3, 90, nullptr, 0);
    pic_CloseDest(dest);
    dest = pic_OpenFileDest(pngPath.string().c_str(), FALSE);
    pic_WritePNG(dest, img.data(), kWidth, kHeight, kWidth * 3, 8, 0, nullptr, 2, 0, nullptr, 0);
    pic_CloseDest(dest);
    jpeg = Read(jpegPath);
    png = Read(pngPath);
  }
  static std::vector<uint8_t> Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};
Files& Shared() {
  static Files files;
  return files;
}

// ---- the bare libraries ----

struct JpegFail {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
void JpegExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegFail*>(cinfo->err)->jump, 1);
}

// libjpeg alone: from memory into a block of the image's size, a row at a
// time or as many rows as libjpeg makes at once.
bool BareJpeg(const std::vector<uint8_t>& file, bool batch) {
  jpeg_decompress_struct cinfo;
  JpegFail err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegExit;
  unsigned char* out = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(out);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  const size_t row = size_t{cinfo.output_width} * cinfo.output_components;
  out = static_cast<unsigned char*>(std::calloc(row, cinfo.output_height));
  const int n = batch ? cinfo.rec_outbuf_height : 1;
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    for (int i = 0; i < n; ++i) rows[i] = out + row * (cinfo.output_scanline + i);
    jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  benchmark::DoNotOptimize(out);
  std::free(out);
  return true;
}

struct PngMemory {
  const uint8_t* data;
  size_t left;
};
void PngRead(png_structp png, png_bytep out, size_t n) {
  auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
  if (n > m->left) png_error(png, "short");
  std::memcpy(out, m->data, n);
  m->data += n;
  m->left -= n;
}

// libpng alone: a row at a time from memory into a block of the image's size.
bool BarePng(const std::vector<uint8_t>& file) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngMemory memory{file.data(), file.size()};
  unsigned char* out = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(out);
    return false;
  }
  png_set_read_fn(png, &memory, PngRead);
  png_read_info(png, info);
  png_read_update_info(png, info);
  const size_t row = png_get_rowbytes(png, info);
  const uint32_t height = png_get_image_height(png, info);
  out = static_cast<unsigned char*>(std::calloc(row, height));
  for (uint32_t y = 0; y < height; ++y) png_read_row(png, out + row * y, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(out);
  std::free(out);
  return true;
}

// ---- the cases ----

void BM_JpegBareLibjpeg(benchmark::State& state) {
  const auto& file = Shared().jpeg;
  for (auto _ : state)
    if (!BareJpeg(file, false)) state.SkipWithError("libjpeg failed");
}

void BM_JpegBareLibjpegRowGroups(benchmark::State& state) {
  const auto& file = Shared().jpeg;
  for (auto _ : state)
    if (!BareJpeg(file, true)) state.SkipWithError("libjpeg failed");
}

void BM_PngBareLibpng(benchmark::State& state) {
  const auto& file = Shared().png;
  for (auto _ : state)
    if (!BarePng(file)) state.SkipWithError("libpng failed");
}

void ReadImage(benchmark::State& state, const std::vector<uint8_t>& file) {
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadImage(src, &w, &h, 0, 0);
    if (!image || w != kWidth || h != kHeight) state.SkipWithError("pic_ReadImage failed");
    GlobalFree(image);
    pic_CloseSource(src);
  }
}
void BM_JpegPicReadImage(benchmark::State& state) {
  ReadImage(state, Shared().jpeg);
}
void BM_PngPicReadImage(benchmark::State& state) {
  ReadImage(state, Shared().png);
}

void BM_JpegPicReadJPG(benchmark::State& state) {
  const auto& file = Shared().jpeg;
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadJPG(src, &w, &h, 24, 0);
    if (!image) state.SkipWithError("pic_ReadJPG failed");
    GlobalFree(image);
    pic_CloseSource(src);
  }
}

void BM_PngPicReadPNG(benchmark::State& state) {
  const auto& file = Shared().png;
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
    DWORD w = 0, h = 0;
    HGLOBAL image = pic_ReadPNG(src, &w, &h, 24, nullptr, 0);
    if (!image) state.SkipWithError("pic_ReadPNG failed");
    GlobalFree(image);
    pic_CloseSource(src);
  }
}

// djpeg as a program: start, read the file, decode, write to /dev/null.
void BM_JpegDjpegProgram(benchmark::State& state) {
  const std::string command = "/usr/bin/djpeg -outfile /dev/null " + Shared().jpegPath.string();
  if (!fs::exists("/usr/bin/djpeg")) return state.SkipWithError("djpeg missing");
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("djpeg failed");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

// Pillow's open and load, timed inside Python (the best of three).
void PillowDecode(benchmark::State& state, const fs::path& file) {
  if (!fs::exists("/usr/bin/python3")) return state.SkipWithError("python missing");
  const fs::path out = Shared().dir / "pillow_time.txt";
  const std::string command =
      "/usr/bin/python3 -c \"import timeit; from PIL import Image; "
      "t = min(timeit.repeat(lambda: Image.open(r'" +
      file.string() + "').load(), number=1, repeat=3)); open(r'" + out.string() +
      "', 'w').write(repr(t))\" 2>/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError("Pillow failed");
    std::ifstream in(out);
    double seconds = 0;
    in >> seconds;
    state.SetIterationTime(seconds);
  }
}
void BM_JpegPillow(benchmark::State& state) {
  PillowDecode(state, Shared().jpegPath);
}
void BM_PngPillow(benchmark::State& state) {
  PillowDecode(state, Shared().pngPath);
}

}  // namespace

BENCHMARK(BM_JpegBareLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegBareLibjpegRowGroups)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegPicReadJPG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegPicReadImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDjpegProgram)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_JpegPillow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_PngBareLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngPicReadPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngPicReadImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngPillow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
