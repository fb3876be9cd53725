// The operations the peer scripts time, as a shared library that Python
// loads (ctypes), so that ours and the peers run interleaved in one process
// on the same arrays. Every function returns 1 on success. Threads: the
// threads per operation (pb_threads); 1 keeps every operation off the pool.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/band_jobs.h"
#include "core/image_buffers.h"
#include "core/pictura_core.h"
#include "pixelops/alpha_blend_solid.h"
#include "pixelops/gray_swap.h"
#include "pixelops/median.h"
#include "pixelops/overlay.h"
#include "pixelops/pictura_pixelops.h"
#include "resample/pictura_resample.h"
#include "resample/rotate.h"

using namespace Pictura;

extern "C" {

int pb_init() {
  return pic_Initialize(nullptr) ? 1 : 0;
}

void pb_threads(uint32_t n) {
  SetThreadsPerOperation(n);
}

int pb_resize(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t ow, uint32_t oh, uint32_t channels,
              uint32_t mode) {
  return pic_ResizeImage(src, w, h, w * channels, dst, ow, oh, ow * channels, channels, mode, 0) ? 1 : 0;
}

void pb_rotated_size(double angle, uint32_t w, uint32_t h, uint32_t* ow, uint32_t* oh) {
  GetRotatedSize(angle, w, h, ow, oh);
}

// quality: 0 nearest, 1 bilinear, 2 bicubic; 3-byte pixels.
int pb_rotate(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t ow, double angle, uint32_t quality) {
  uint32_t err = 0;
  return RotateImage8bpc(&err, src, w, h, 3, w * 3, dst, ow * 3, nullptr, 0, angle, quality) ? 1 : 0;
}

// code: 0 clockwise, 1 half, 2 counter-clockwise; 3-byte pixels.
int pb_turn(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t code) {
  uint32_t err = 0;
  return RotateOrthogonal(src, w, h, w * 3, dst, (code == 1 ? w : h) * 3, code, 3, &err) ? 1 : 0;
}

// Luma 0.299, 0.587, 0.114 of RGB into one byte a pixel.
int pb_grey(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst) {
  uint32_t err = 0;
  return ImageToGrayScaleSingleWeighted<uint8_t>(&err, src, w, h, 3, w * 3, w, 0.299, 0.587, 0.114, 0, dst) ? 1
                                                                                                              : 0;
}

// One channel of bytes, a k x k window.
int pb_median(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, int32_t k) {
  CPicMedianFilter filter;
  return filter.MedianFilterCore(src, w, h, 1, w, dst, w, k, 1) ? 1 : 0;
}

// Seam carving of 3-byte pixels by `change` columns (ties seeded with 2000).
int pb_carve(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, int32_t change) {
  const auto ow = static_cast<uint32_t>(static_cast<int32_t>(w) + change);
  return pic_SeamCarve(src, w, h, 3, w * 3, nullptr, 0, dst, ow * 3, change, 2000, 0) ? 1 : 0;
}

// RGB over RGB with blend mode and opacity (0 mix, 7 add).
int pb_overlay(uint8_t* dst, const uint8_t* src, uint32_t w, uint32_t h, uint32_t mode, double opacity) {
  CPicImgBufExtern<uint8_t> d(dst, w, h, 3, w * 3);
  CPicImgBufExternConst<uint8_t> s(src, w, h, 3, w * 3);
  uint32_t err = 0;
  return OverlayImage8bpc(&err, d, s, 0, 0, opacity, 0, mode, 0) ? 1 : 0;
}

// RGBA over RGB by the source's alpha.
int pb_alpha(uint8_t* dst, const uint8_t* src, uint32_t w, uint32_t h) {
  CPicImgBufExtern<uint8_t> d(dst, w, h, 3, w * 3);
  CPicImgBufExternConst<uint8_t> s(src, w, h, 4, w * 4);
  uint32_t err = 0;
  return OverlayRGBAOnRGB(&err, d, s, 0, 0, 1.0, 0, 0) ? 1 : 0;
}

// Octree palette and nearest mapping (no dither); flags 8: the pointer octree.
int pb_quantize(const uint8_t* rgb, uint32_t w, uint32_t h, uint8_t* out, uint32_t colors, uint8_t* palette,
                uint32_t flags) {
  return pic_QuantizeRGBTo8Bit(rgb, w, h, w * 3, out, w, colors, reinterpret_cast<RGBQUAD*>(palette), 0, 0, flags)
             ? 1
             : 0;
}

// A plain memcpy of the same bytes in as many bands on the same pool, as
// the bandwidth the operations above are measured against.
int pb_memcpy(uint8_t* dst, const uint8_t* src, uint64_t bytes) {
  constexpr uint64_t kRow = 1u << 16;
  const auto rows = static_cast<uint32_t>((bytes + kRow - 1) / kRow);
  auto copy = [&](const ThreadBand& band) -> uint32_t {
    const uint64_t from = band.top * kRow, to = std::min<uint64_t>(uint64_t{band.bottom} * kRow, bytes);
    if (to > from) std::memcpy(dst + from, src + from, to - from);
    return 0;
  };
  if (!WantBands(0, rows)) return copy(ThreadBand{0, 0, 1, rows}) == 0;
  return RunBandJobs(false, 1, rows, copy) == 0 ? 1 : 0;
}

}  // extern "C"
