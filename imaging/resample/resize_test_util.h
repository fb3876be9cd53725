#pragma once
// Test images for the resize tests: deterministic content, row padding and
// guard samples after the last row, so writes outside the rectangle show.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/pictura_core.h"
#include "resample/pictura_resample.h"
#include "resample/resample_simd.h"

namespace resize_test {

// Small deterministic generator (xorshift), the same on every build.
struct Rng {
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 11);
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

constexpr uint32_t kGuard = 16;

template <class T>
struct Image {
  uint32_t width = 0, height = 0, channels = 0, stride = 0;  // stride in samples
  std::vector<T> data;  // height x stride samples, then kGuard guard samples
  T guardValue{};

  Image(uint32_t w, uint32_t h, uint32_t c, uint32_t pad = 0, T guard = T(0x5A))
      : width(w), height(h), channels(c), stride(w * c + pad), guardValue(guard) {
    data.assign(size_t{h} * stride + kGuard, guard);
  }
  T* Pixels() { return data.data(); }
  const T* Pixels() const { return data.data(); }
  T& At(uint32_t x, uint32_t y, uint32_t c) { return data[size_t{y} * stride + size_t{x} * channels + c]; }
  T At(uint32_t x, uint32_t y, uint32_t c) const {
    return data[size_t{y} * stride + size_t{x} * channels + c];
  }
  // Every padding and guard sample still holds the guard value.
  bool GuardsIntact() const {
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t i = width * channels; i < stride; ++i)
        if (!(data[size_t{y} * stride + i] == guardValue)) return false;
    for (uint32_t i = 0; i < kGuard; ++i)
      if (!(data[size_t{height} * stride + i] == guardValue)) return false;
    return true;
  }
  // Pixel samples only (padding left out).
  std::vector<T> Samples() const {
    std::vector<T> out;
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t i = 0; i < width * channels; ++i) out.push_back(data[size_t{y} * stride + i]);
    return out;
  }
};

// Smooth areas, edges and noise: flat runs exercise the all-equal rule,
// edges the overshoot limits.
template <class T>
void Fill(Image<T>& img, uint64_t seed, double top = 255.0) {
  Rng rng(seed);
  for (uint32_t y = 0; y < img.height; ++y)
    for (uint32_t x = 0; x < img.width; ++x)
      for (uint32_t c = 0; c < img.channels; ++c) {
        const uint32_t kind = ((x / 7) + (y / 5) + c) % 4;
        double v;
        if (kind == 0)
          v = top * 0.5;  // flat
        else if (kind == 1)
          v = ((x / 3 + y / 2) & 1) ? top : 0;  // hard edges
        else if (kind == 2)
          v = top * ((x * 13 + y * 7 + c * 29) % 64) / 63.0;  // ramps
        else
          v = top * rng.Below(1001) / 1000.0;  // noise
        if constexpr (std::is_floating_point_v<T>)
          img.At(x, y, c) = v;
        else
          img.At(x, y, c) = static_cast<T>(v);
      }
}

// FNV-1a over the bytes of every pixel sample.
template <class T>
uint64_t Hash(const Image<T>& img) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const T& v : img.Samples()) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    for (unsigned char c : b) h = (h ^ c) * 0x100000001b3ull;
  }
  return h;
}

// pic_ResizeImage (8- and 16-bit) and pic_ResizeImageDouble through one name.
template <class T>
BOOL Resize(const Image<T>& src, Image<T>& dst, uint32_t mode, uint32_t flags) {
  if constexpr (std::is_same_v<T, double>)
    return pic_ResizeImageDouble(src.Pixels(), src.width, src.height, src.stride, dst.Pixels(), dst.width,
                                 dst.height, dst.stride, src.channels, mode, flags);
  else if constexpr (std::is_same_v<T, uint16_t>)
    return pic_ResizeImage(src.Pixels(), src.width, src.height, src.stride, dst.Pixels(), dst.width,
                           dst.height, dst.stride, src.channels, mode, flags | 1);
  else
    return pic_ResizeImage(src.Pixels(), src.width, src.height, src.stride, dst.Pixels(), dst.width,
                           dst.height, dst.stride, src.channels, mode, flags);
}

constexpr uint32_t kNoPool = 0x100000;

// The vector levels this processor has, from the given one up.
inline std::vector<int> LevelsFrom(int first) {
  Pictura::SetResampleVectorCap(Pictura::kResampleTopLevel);
  std::vector<int> levels;
  for (int l = first; l <= Pictura::ResampleVectorLevel(); ++l) levels.push_back(l);
  return levels;
}

}  // namespace resize_test
