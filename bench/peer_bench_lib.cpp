// The operations the peer scripts time, as a shared library that Python
// loads (ctypes), so that ours and the peers run interleaved in one process
// on the same arrays. Every function returns 1 on success. Threads: the
// threads per operation (pb_threads); 1 keeps every operation off the pool.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

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
#include "psd_files.h"
#include "tiff_files.h"

using namespace Pictura;

extern "C" {

int pb_init() {
  return pic_Initialize(nullptr) ? 1 : 0;
}

void pb_threads(uint32_t n) {
  SetThreadsPerOperation(n);
}

int pb_resize(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t ow, uint32_t oh,
              uint32_t channels, uint32_t mode) {
  return pic_ResizeImage(src, w, h, w * channels, dst, ow, oh, ow * channels, channels, mode, 0) ? 1 : 0;
}

void pb_rotated_size(double angle, uint32_t w, uint32_t h, uint32_t* ow, uint32_t* oh) {
  GetRotatedSize(angle, w, h, ow, oh);
}

// quality: 0 nearest, 1 bilinear, 2 bicubic; 3-byte pixels.
int pb_rotate(const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t ow, double angle,
              uint32_t quality) {
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
  return ImageToGrayScaleSingleWeighted<uint8_t>(&err, src, w, h, 3, w * 3, w, 0.299, 0.587, 0.114, 0, dst)
             ? 1
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
  return pic_QuantizeRGBTo8Bit(rgb, w, h, w * 3, out, w, colors, reinterpret_cast<RGBQUAD*>(palette), 0, 0,
                               flags)
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

// The codec scripts' files, made once: 0 PSD raw, 1 PSD PackBits, 2 + k
// the TIFF kinds of tiff_files (uncompressed, LZW, Deflate, JPEG, tiles).
static tiff_files::Memory& BenchFile(uint32_t which) {
  static tiff_files::Memory files[2 + tiff_files::kKinds];
  static const bool made = [] {
    std::vector<uint8_t> psd[2];
    psd_files::Make(psd);
    files[0].bytes = std::move(psd[0]);
    files[1].bytes = std::move(psd[1]);
    const std::vector<uint8_t> picture = tiff_files::Picture();
    for (int k = 0; k < tiff_files::kKinds; ++k)
      files[2 + k].bytes = tiff_files::Make(picture, static_cast<tiff_files::Kind>(k));
    return true;
  }();
  (void)made;
  return files[std::min<uint32_t>(which, 1 + tiff_files::kKinds)];
}

// The file's size; its bytes to out when out is not null.
uint64_t pb_bench_file(uint32_t which, uint8_t* out) {
  const std::vector<uint8_t>& bytes = BenchFile(which).bytes;
  if (out) std::memcpy(out, bytes.data(), bytes.size());
  return bytes.size();
}

// A bench file read into a fresh result block, freed again: pic_ReadPSD at
// 24 bits (psd 1) or the generic reader as R, G, B (psd 0).
int pb_read(uint32_t which, uint32_t psd) {
  const std::vector<uint8_t>& file = BenchFile(which).bytes;
  HPICSRC src = pic_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
  DWORD w = 0, h = 0;
  HGLOBAL image = psd ? pic_ReadPSD(src, &w, &h, 24, nullptr, 0) : pic_ReadImage(src, &w, &h, kPicReadRGB, 0);
  const bool ok = image && PicGetLastError() == 0 &&
                  w == (which < 2 ? psd_files::kWidth : tiff_files::kWidth) &&
                  h == (which < 2 ? psd_files::kHeight : tiff_files::kHeight);
  GlobalFree(image);
  pic_CloseSource(src);
  return ok ? 1 : 0;
}

// Bare libtiff on a TIFF bench file, into a fresh block of the allocator
// ours uses: its RGBA path (strips 0) or plain strip and tile reads of the
// RGB bytes (strips 1; not for JPEG).
int pb_libtiff(uint32_t which, uint32_t strips) {
  static const bool quiet = (TIFFSetWarningHandler(nullptr), true);
  (void)quiet;
  tiff_files::Memory& m = BenchFile(which);
  const size_t pixels = size_t{tiff_files::kWidth} * tiff_files::kHeight;
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, pixels * (strips ? 3 : 4));
  if (!block) return 0;
  uint8_t tile[256 * 256 * 3];
  const bool ok = strips ? tiff_files::ReadStrips(m, static_cast<uint8_t*>(block), tile)
                         : tiff_files::ReadRGBA(m, static_cast<uint32_t*>(block));
  GlobalFree(block);
  return ok ? 1 : 0;
}

}  // extern "C"
