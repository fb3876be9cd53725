// GIF decoding, one thread: a 1920 x 1080 picture of 256 dithered colours
// and a 100-frame animation, decoded to R, G, B through our entries, against
// giflib (DGifSlurp from memory, then every frame through its colour map)
// and Pillow (open, then every frame converted to RGB, timed inside Python,
// the best of three; its time includes reading the file).
// tools/bench-codec-peers.py runs ours and giflib round by round with Pillow
// timed in between, and prints the ratios.
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pictura.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kWidth = 1920, kHeight = 1080;
constexpr uint32_t kAnimWidth = 480, kAnimHeight = 270, kFrames = 100;

// A 6 x 7 x 6 colour cube and four greys.
std::vector<RGBQUAD> CubePalette() {
  std::vector<RGBQUAD> p(256);
  for (int i = 0; i < 252; ++i)
    p[i] = RGBQUAD{static_cast<uint8_t>(i % 6 * 51), static_cast<uint8_t>(i / 6 % 7 * 42),
                   static_cast<uint8_t>(i / 42 * 51), 0};
  for (int i = 252; i < 256; ++i) p[i] = RGBQUAD{static_cast<uint8_t>((i - 251) * 50), 128, 128, 0};
  return p;
}

// A photo-like picture (shading, discs, grain) ordered-dithered onto the
// cube, shifted by `shift` pixels: what a GIF of a photo looks like to LZW.
std::vector<uint8_t> Dithered(uint32_t width, uint32_t height, uint32_t shift, unsigned seed) {
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  std::vector<uint8_t> out(size_t{width} * height);
  std::mt19937 rng(seed);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t sx = x + shift;
      const bool disc = (sx / 150 + y / 150) % 3 == 0;
      const int grain = static_cast<int>(rng() % 7) - 3;
      const int d = kBayer[y & 3][x & 3];
      auto level = [&](int v, int steps) {
        v = std::clamp(v + grain, 0, 255);
        return std::min(steps - 1, (v * (steps - 1) * 16 + d * 255) / (255 * 16));
      };
      const int r = level(static_cast<int>(sx * 220 / (width + kFrames * 4)) + (disc ? 30 : 0), 6);
      const int g = level(static_cast<int>(y * 230 / height), 7);
      const int b = level(static_cast<int>((sx + y) * 255 / (width + height)) - (disc ? 50 : 0), 6);
      out[size_t{y} * width + x] = static_cast<uint8_t>(r + 6 * g + 42 * b);
    }
  return out;
}

std::vector<uint8_t> Contents(HPICDEST dest) {
  DWORD size = 0;
  pic_GetSize(dest, &size);
  std::vector<uint8_t> out(size);
  pic_Seek(dest, 0, 0);
  pic_Read(dest, out.data(), size);
  return out;
}

struct Files {
  std::vector<uint8_t> picture, animation;
  fs::path dir, picturePath, animationPath;
  Files() {
    pic_Initialize(nullptr);
    SetThreadsPerOperation(1);
    const std::vector<RGBQUAD> palette = CubePalette();
    HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
    const std::vector<uint8_t> pixels = Dithered(kWidth, kHeight, 0, 1);
    pic_WriteGIF(dest, pixels.data(), kWidth, kHeight, kWidth, 0, -1, 8, palette.data(), 0);
    picture = Contents(dest);
    pic_CloseDest(dest);
    dest = pic_OpenDynamicMemoryDest(FALSE);
    HPICGIFWRITE multi =
        pic_InitWriteMultiframedGIF(dest, kAnimWidth, kAnimHeight, -1, 0, 8, palette.data(), 0, 0);
    for (uint32_t i = 0; i < kFrames; ++i) {
      const std::vector<uint8_t> frame = Dithered(kAnimWidth, kAnimHeight, i * 4, i + 2);
      pic_AddGIFFrame(multi, frame.data(), kAnimWidth, kAnimHeight, kAnimWidth, 0, 0, 4, -1, 8, nullptr, 1,
                      0);
    }
    pic_DestroyMultiGIF(multi);
    animation = Contents(dest);
    pic_CloseDest(dest);
    dir = fs::temp_directory_path() / "pictura_gif_bench";
    fs::create_directories(dir);
    picturePath = dir / "picture.gif";
    animationPath = dir / "animation.gif";
    std::ofstream(picturePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
    std::ofstream(animationPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(animation.data()),
               static_cast<std::streamsize>(animation.size()));
  }
};
Files& Shared() {
  static Files files;
  return files;
}

// ---- ours ----

void BM_GifPictureReadImageRGB(benchmark::State& state) {
  const auto& f = Shared().picture;
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(f.data(), static_cast<DWORD>(f.size()));
    DWORD w = 0, h = 0;
    HGLOBAL rgb = pic_ReadImage(src, &w, &h, 0, 0);
    benchmark::DoNotOptimize(rgb);
    GlobalFree(rgb);
    pic_CloseSource(src);
  }
}

// Indices and palette from pic_ReadGIF, then mapped to R, G, B here.
void BM_GifPictureReadGIFMapped(benchmark::State& state) {
  const auto& f = Shared().picture;
  std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(f.data(), static_cast<DWORD>(f.size()));
    DWORD w = 0, h = 0;
    LONG transparent = -1;
    RGBQUAD palette[256];
    HGLOBAL image = pic_ReadGIF(src, &w, &h, &transparent, palette, 0);
    const auto* p = static_cast<const uint8_t*>(image);
    for (size_t i = 0, n = size_t{w} * h; i < n; ++i) {
      const RGBQUAD& c = palette[p[i]];
      rgb[3 * i] = c.rgbRed;
      rgb[3 * i + 1] = c.rgbGreen;
      rgb[3 * i + 2] = c.rgbBlue;
    }
    benchmark::DoNotOptimize(rgb.data());
    GlobalFree(image);
    pic_CloseSource(src);
  }
}

void BM_GifAnimationFramesMapped(benchmark::State& state) {
  const auto& f = Shared().animation;
  std::vector<uint8_t> rgb(size_t{kAnimWidth} * kAnimHeight * 3);
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(f.data(), static_cast<DWORD>(f.size()));
    DWORD w = 0, h = 0, count = 0, loop = 0, background = 0;
    LONG transparent = -1;
    RGBQUAD global[256];
    pic_ReadMultiFrameGIF(src, &w, &h, &count, &loop, &background, &transparent, global, 0);
    for (DWORD i = 0; i < count; ++i) {
      HGLOBAL pixels = nullptr;
      DWORD fw, fh, left, top, delay, disposal, user, local, interlaced;
      LONG trans;
      RGBQUAD palette[256];
      pic_GetGIFFrame(i, &pixels, &fw, &fh, &left, &top, &delay, &disposal, &user, &local, &trans,
                      &interlaced, palette, 0);
      const auto* p = static_cast<const uint8_t*>(pixels);
      for (size_t k = 0, n = size_t{fw} * fh; k < n; ++k) {
        const RGBQUAD& c = palette[p[k]];
        rgb[3 * k] = c.rgbRed;
        rgb[3 * k + 1] = c.rgbGreen;
        rgb[3 * k + 2] = c.rgbBlue;
      }
      benchmark::DoNotOptimize(rgb.data());
    }
    pic_ClearGIFFrames();
    pic_CloseSource(src);
  }
}

// The player: every frame composed on the RGBA canvas and copied out.
void BM_GifAnimationPlayed(benchmark::State& state) {
  const auto& f = Shared().animation;
  std::vector<uint8_t> canvas(size_t{kAnimWidth} * kAnimHeight * 4);
  for (auto _ : state) {
    HPICSRC src = pic_OpenMemorySource(f.data(), static_cast<DWORD>(f.size()));
    DWORD w = 0, h = 0, delay = 0;
    HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &w, &h, 0);
    while (pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, 1)) benchmark::DoNotOptimize(canvas.data());
    pic_DestroyAnimatedGIF(a);
    pic_CloseSource(src);
  }
}

// ---- giflib ----

struct MemoryReader {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const size_t n = std::min<size_t>(static_cast<size_t>(count), r->bytes->size() - r->at);
  std::memcpy(buffer, r->bytes->data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}

void GiflibDecode(benchmark::State& state, const std::vector<uint8_t>& file) {
  std::vector<uint8_t> rgb;
  for (auto _ : state) {
    MemoryReader reader{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) return state.SkipWithError("giflib failed");
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
      const size_t n = size_t(image.ImageDesc.Width) * image.ImageDesc.Height;
      rgb.resize(n * 3);
      for (size_t k = 0; k < n; ++k) {
        const GifColorType& c = map->Colors[image.RasterBits[k]];
        rgb[3 * k] = c.Red;
        rgb[3 * k + 1] = c.Green;
        rgb[3 * k + 2] = c.Blue;
      }
      benchmark::DoNotOptimize(rgb.data());
    }
    DGifCloseFile(gif, &error);
  }
}

void BM_GifPictureGiflib(benchmark::State& state) {
  GiflibDecode(state, Shared().picture);
}
void BM_GifAnimationGiflib(benchmark::State& state) {
  GiflibDecode(state, Shared().animation);
}

// ---- Pillow ----

void PillowDecode(benchmark::State& state, const fs::path& file) {
  if (!fs::exists("/usr/bin/python3")) return state.SkipWithError("python missing");
  const fs::path out = Shared().dir / "pillow_time.txt";
  const std::string command =
      "/usr/bin/python3 -c \"import timeit\nfrom PIL import Image, ImageSequence\n"
      "def decode():\n  for f in ImageSequence.Iterator(Image.open(r'" +
      file.string() + "')): f.convert('RGB')\n" + "open(r'" + out.string() +
      "', 'w').write(repr(min(timeit.repeat(decode, number=1, repeat=3))))\" 2>/dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) return state.SkipWithError("Pillow failed");
    std::ifstream in(out);
    double seconds = 0;
    in >> seconds;
    state.SetIterationTime(seconds);
  }
}
void BM_GifPicturePillow(benchmark::State& state) {
  PillowDecode(state, Shared().picturePath);
}
void BM_GifAnimationPillow(benchmark::State& state) {
  PillowDecode(state, Shared().animationPath);
}

}  // namespace

BENCHMARK(BM_GifPictureReadImageRGB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifPictureReadGIFMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifPictureGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifPicturePillow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_GifAnimationFramesMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifAnimationPlayed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifAnimationGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifAnimationPillow)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
