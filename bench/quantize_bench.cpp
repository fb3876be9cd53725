// Colour quantisation and one-bit conversion of a 12-megapixel photo.
// tools/bench-quantize-peers.py hands the photo in as a binary PPM
// (PICTURA_BENCH_PHOTO) and compares with Pillow and ImageMagick; without
// one a photo-like picture is made here. Names end in /one (flag 0x100000,
// the calling thread) or /pool (the library's default); only the mapping
// without error diffusion splits into bands.
//
// Also a tool for the peer script:
//   quantize_bench --quantize in.ppm out.ppm COLOURS octree|heap|rgba [dither]
//   quantize_bench --onebit in.ppm out.pbm threshold|otsu|fs
// writes the result as RGB PPM (quantised) or PBM.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pictura.h"

namespace {

struct Photo {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

bool ReadPPM(const char* path, Photo* out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  uint32_t maxval = 0;
  in >> magic >> out->width >> out->height >> maxval;
  in.get();
  if (!in || magic != "P6" || maxval != 255) return false;
  out->rgb.resize(size_t{out->width} * out->height * 3);
  in.read(reinterpret_cast<char*>(out->rgb.data()), static_cast<std::streamsize>(out->rgb.size()));
  return static_cast<bool>(in);
}

Photo Synthetic() {
  Photo p{4000, 3000, {}};
  p.rgb.resize(size_t{p.width} * p.height * 3);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < p.height; ++y)
    for (uint32_t x = 0; x < p.width; ++x) {
      uint8_t* q = &p.rgb[(size_t{y} * p.width + x) * 3];
      const int grain = static_cast<int>(rng() % 9) - 4;
      const bool disc = (x / 500 + y / 500) % 3 == 0;
      q[0] = static_cast<uint8_t>(std::clamp(int(x * 200 / p.width) + (disc ? 40 : 0) + grain, 0, 255));
      q[1] = static_cast<uint8_t>(std::clamp(int(y * 220 / p.height) + grain, 0, 255));
      q[2] = static_cast<uint8_t>(
          std::clamp(int((x + y) * 255 / (p.width + p.height)) - (disc ? 60 : 0) + grain, 0, 255));
    }
  return p;
}

const Photo& Shared() {
  static Photo photo = [] {
    pic_Initialize(nullptr);
    Photo p;
    const char* path = std::getenv("PICTURA_BENCH_PHOTO");
    if (path && ReadPPM(path, &p)) return p;
    return Synthetic();
  }();
  return photo;
}

std::vector<uint8_t> ToRGBA(const Photo& p) {
  std::vector<uint8_t> out(size_t{p.width} * p.height * 4);
  for (size_t i = 0, n = size_t{p.width} * p.height; i < n; ++i) {
    std::memcpy(&out[4 * i], &p.rgb[3 * i], 3);
    out[4 * i + 3] = 255;
  }
  return out;
}

enum Method { kOctree, kHeap, kRgba };

// Quantises into out (one byte per pixel) and pal.
bool Quantize(const Photo& p, const std::vector<uint8_t>& rgba, Method m, uint32_t colors, uint32_t dither,
              std::vector<uint8_t>* out, RGBQUAD* pal, bool pool = true) {
  const uint32_t one = pool ? 0 : 0x100000;
  out->resize(size_t{p.width} * p.height);
  switch (m) {
    case kOctree:
    case kHeap:
      return pic_QuantizeRGBTo8Bit(p.rgb.data(), p.width, p.height, p.width * 3, out->data(), p.width, colors,
                                   pal, dither, dither ? 20 : 0, (m == kHeap ? 8 : 0) | one);
    case kRgba: {
      DWORD count = 0;
      return pic_QuantizeRGBATo8Bit(rgba.data(), p.width, p.height, p.width * 4, out->data(), p.width, colors,
                                    pal, dither, &count, 0);
    }
  }
  return false;
}

void BM_Quantize(benchmark::State& s, Method m, uint32_t colors, uint32_t dither, bool pool) {
  const Photo& p = Shared();
  std::vector<uint8_t> rgba = m == kRgba ? ToRGBA(p) : std::vector<uint8_t>();
  std::vector<uint8_t> out;
  RGBQUAD pal[256];
  for (auto _ : s)
    if (!Quantize(p, rgba, m, colors, dither, &out, pal, pool)) s.SkipWithError("quantise failed");
  s.SetItemsProcessed(static_cast<int64_t>(s.iterations()) * p.width * p.height);
}

// One-bit: 0 grey >= 128, 1 Otsu, 2 Floyd-Steinberg of the luma onto white and black.
bool OneBit(const Photo& p, int method, std::vector<uint8_t>* grey, std::vector<uint8_t>* bits) {
  const uint32_t stride = (p.width + 7) / 8;
  bits->resize(size_t{stride} * p.height);
  if (method == 2) {  // dithered luma: the grey in all three channels, then white and black
    grey->assign(p.rgb.begin(), p.rgb.end());
    return pic_ImageToGrayScale(grey->data(), p.width, p.height, 3, p.width * 3, 0) &&
           pic_RGBTo1Bit(grey->data(), p.width, p.height, p.width * 3, bits->data(), stride, 255, 2 | 4 | 8);
  }
  grey->resize(size_t{p.width} * p.height);
  if (!pic_ImageToGrayScale8Bit(p.rgb.data(), p.width, p.height, 3, p.width * 3, grey->data(), p.width, 0))
    return false;
  return pic_GrayscaleTo1Bit(grey->data(), p.width, p.height, p.width, bits->data(), stride,
                             method == 0 ? 0 : 4, 127, 0);
}

void BM_OneBit(benchmark::State& s, int method) {
  const Photo& p = Shared();
  std::vector<uint8_t> grey, bits;
  if (method == 2) {  // the grey picture given, as Pillow's convert("1") gets it
    if (!OneBit(p, method, &grey, &bits)) s.SkipWithError("one-bit failed");
    for (auto _ : s)
      if (!pic_RGBTo1Bit(grey.data(), p.width, p.height, p.width * 3, bits.data(), (p.width + 7) / 8, 255,
                         2 | 4 | 8))
        s.SkipWithError("one-bit failed");
    s.SetItemsProcessed(static_cast<int64_t>(s.iterations()) * p.width * p.height);
    return;
  }
  for (auto _ : s)
    if (!OneBit(p, method, &grey, &bits)) s.SkipWithError("one-bit failed");
  s.SetItemsProcessed(static_cast<int64_t>(s.iterations()) * p.width * p.height);
}

int Tool(int argc, char** argv) {
  Photo p;
  if (argc < 5 || !ReadPPM(argv[2], &p)) {
    std::fprintf(stderr, "usage: see the top of quantize_bench.cpp\n");
    return 2;
  }
  pic_Initialize(nullptr);
  FILE* f = std::fopen(argv[3], "wb");
  if (!f) return 2;
  if (std::strcmp(argv[1], "--onebit") == 0) {
    std::string m = argv[4];
    std::vector<uint8_t> grey, bits;
    if (!OneBit(p, m == "fs" ? 2 : m == "otsu" ? 1 : 0, &grey, &bits)) return 1;
    std::fprintf(f, "P4\n%u %u\n", p.width, p.height);
    std::fwrite(bits.data(), 1, bits.size(), f);
  } else {
    if (argc < 6) return 2;
    std::string m = argv[5];
    Method method = m == "heap" ? kHeap : m == "rgba" ? kRgba : kOctree;
    std::vector<uint8_t> rgba = method == kRgba ? ToRGBA(p) : std::vector<uint8_t>(), out;
    RGBQUAD pal[256];
    if (!Quantize(p, rgba, method, static_cast<uint32_t>(std::atoi(argv[4])),
                  argc > 6 ? std::atoi(argv[6]) : 0, &out, pal))
      return 1;
    std::fprintf(f, "P6\n%u %u\n255\n", p.width, p.height);
    std::vector<uint8_t> rgb(out.size() * 3);
    for (size_t i = 0; i < out.size(); ++i) {
      rgb[3 * i] = pal[out[i]].rgbRed;
      rgb[3 * i + 1] = pal[out[i]].rgbGreen;
      rgb[3 * i + 2] = pal[out[i]].rgbBlue;
    }
    std::fwrite(rgb.data(), 1, rgb.size(), f);
  }
  std::fclose(f);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--quantize") == 0 || std::strcmp(argv[1], "--onebit") == 0))
    return Tool(argc, argv);
  const char* names[] = {"octree", "heap", "rgba"};
  for (Method m : {kOctree, kHeap, kRgba})
    for (uint32_t colors : {256u, 64u, 16u})
      for (uint32_t dither : {0u, 1u})
        for (bool pool : {false, true})
          benchmark::RegisterBenchmark(("quantize/" + std::string(names[m]) + "/" + std::to_string(colors) +
                                        (dither ? "/dither" : "/nearest") + (pool ? "/pool" : "/one"))
                                           .c_str(),
                                       [=](benchmark::State& s) { BM_Quantize(s, m, colors, dither, pool); })
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
  const char* oneBit[] = {"threshold", "otsu", "fs"};
  for (int i = 0; i < 3; ++i)
    benchmark::RegisterBenchmark(("onebit/" + std::string(oneBit[i])).c_str(), [=](benchmark::State& s) {
      BM_OneBit(s, i);
    })->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
