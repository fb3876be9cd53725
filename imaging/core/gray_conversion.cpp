#include "core/gray_conversion.h"

#include <cstring>

#include "core/channel_utils.h"
#include "core/band_jobs.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

// Rows top .. bottom - 1; progress (row, total) per row.
bool GrayRows(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t top, uint32_t bottom,
              uint32_t total, uint32_t bytesPerPixel, uint32_t srcStride, uint32_t dstStride, uint32_t flags,
              uint8_t* dst) {
  PicNestingScope depth;
  const bool bgr = (flags & kPicFlagBGR) != 0;
  for (uint32_t y = top; y < bottom; ++y) {
    const uint8_t* s = src + size_t{y} * srcStride;
    uint8_t* d = dst + size_t{y} * dstStride;
    for (uint32_t x = 0; x < width; ++x, s += bytesPerPixel) {
      const uint32_t r = bgr ? s[2] : s[0], b = bgr ? s[0] : s[2];
      d[x] = static_cast<uint8_t>((601 * s[1] + 306 * r + 117 * b) >> 10);
    }
    if (!PicProgress(y - top + 1, total)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace

bool RGBToGray8(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                uint32_t srcStride, uint32_t dstStride, uint32_t flags, uint8_t* dst) {
  if (!src || !dst || (bytesPerPixel != 3 && bytesPerPixel != 4) ||
      !StrideHolds(srcStride, uint64_t{width} * bytesPerPixel, height) ||
      !StrideHolds(dstStride, width, height)) {
    *error = kPicErrBadArgument;
    return false;
  }
  if (!WantBands(flags, height))
    return GrayRows(error, src, width, 0, height, height, bytesPerPixel, srcStride, dstStride, flags, dst);
  *error = RunBandJobs(false, width, height, [&](const ThreadBand& band) -> uint32_t {
    uint32_t code = 0;
    GrayRows(&code, src, width, band.top, band.bottom, band.bottom - band.top, bytesPerPixel, srcStride,
             dstStride, flags, dst);
    return code;
  });
  return *error == 0;
}

uint32_t OtsuThreshold(const uint8_t* grey, uint32_t width, uint32_t height, uint32_t stride) {
  uint64_t histogram[256] = {};
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = grey + size_t{y} * stride;
    for (uint32_t x = 0; x < width; ++x) ++histogram[row[x]];
  }
  const double n = double(width) * height;
  double total = 0;
  for (int k = 0; k < 256; ++k) total += double(k) * double(histogram[k]);
  double w0 = 0, s0 = 0, best = 0;
  int t = -1;
  for (int k = 0; k < 256; ++k) {
    w0 += double(histogram[k]);
    if (w0 == 0) continue;
    const double w1 = n - w0;
    if (w1 == 0) break;
    s0 += double(k) * double(histogram[k]);
    const double d = s0 / w0 - (total - s0) / w1;
    const double between = w0 * w1 * d * d;
    if (between > best) {
      best = between;
      t = k;
    }
  }
  return static_cast<uint32_t>(std::min(t + 1, 255));
}

bool GreyToBits(uint32_t* error, const uint8_t* grey, uint32_t width, uint32_t height, uint32_t greyStride,
                uint32_t threshold, uint8_t* bits, uint32_t bitsStride) {
  if (!grey || !bits || bitsStride < (uint64_t{width} + 7) / 8) {
    *error = kPicErrBadArgument;
    return false;
  }
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* g = grey + size_t{y} * greyStride;
    uint8_t* out = bits + size_t{y} * bitsStride;
    std::memset(out, 0, (size_t{width} + 7) / 8);
    for (uint32_t x = 0; x < width; ++x)
      if (g[x] >= threshold) out[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    if (!PicProgress(y + 1, height)) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

}  // namespace Pictura
