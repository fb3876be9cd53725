#pragma once
// Rotation of pixel buffers.
//
// Quarter and half turns (codes below) for byte, 16-bit and double samples
// and for one-bit rows; arbitrary angles (radians, about the image origin,
// into the bounding box of the turned image) with nearest, bilinear or
// bicubic sampling. Strides are in bytes everywhere; pixel sizes are bytes
// per pixel for byte samples and samples per pixel for 16-bit and double
// ones. Each returns 1 (true) on success or 0 with the code in *error.

#include <cstdint>

#include "core/operation.h"
#include "core/wintypes.h"

namespace Pictura {

// Source pixel (x, y) goes to destination (column, row):
//   0: (height - 1 - y, x)               a quarter turn clockwise
//   1: (width - 1 - x, height - 1 - y)   the half turn
//   2: (y, width - 1 - x)                a quarter turn counter-clockwise
enum RotateCode : uint32_t { kRotateClockwise = 0, kRotateHalf = 1, kRotateCounterClockwise = 2 };

// The destination is height x width pixels for codes 0 and 2 and width x
// height for code 1; it must not overlap the source.
int RotateOrthogonal(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, uint32_t code, uint32_t bytesPerPixel, uint32_t* error);
int RotateOrthogonal16(const uint16_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                       uint16_t* dst, uint32_t dstStride, uint32_t code, uint32_t samplesPerPixel,
                       uint32_t* error);
int RotateOrthogonalDouble(const double* src, uint32_t width, uint32_t height, uint32_t srcStride,
                           double* dst, uint32_t dstStride, uint32_t code, uint32_t samplesPerPixel,
                           uint32_t* error);

// In place over width x height packed pixels (rows exactly width pixels
// long); for codes 0 and 2 the rows are height pixels long afterwards.
int RotateOrthogonalInPlace8(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t code,
                             uint32_t bytesPerPixel, uint32_t* error);
int RotateOrthogonalInPlace16(uint16_t* pixels, uint32_t width, uint32_t height, uint32_t code,
                              uint32_t samplesPerPixel, uint32_t* error);
int RotateOrthogonalInPlaceDouble(double* pixels, uint32_t width, uint32_t height, uint32_t code,
                                  uint32_t samplesPerPixel, uint32_t* error);

// The same with the error word of an operation object.
int RotateOrthogonalInto(CPicErrorHolder& op, const uint8_t* src, uint32_t width, uint32_t height,
                         uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t code,
                         uint32_t bytesPerPixel);
int RotateOrthogonal16Into(CPicErrorHolder& op, const uint16_t* src, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint16_t* dst, uint32_t dstStride, uint32_t code,
                           uint32_t samplesPerPixel);
int RotateOrthogonalInPlace(CPicErrorHolder& op, uint8_t* pixels, uint32_t width, uint32_t height,
                            uint32_t code, uint32_t bytesPerPixel);
int RotateOrthogonal16InPlace(CPicErrorHolder& op, uint16_t* pixels, uint32_t width, uint32_t height,
                              uint32_t code, uint32_t samplesPerPixel);

// One-bit rows, most significant bit first; mode & 3 is the code (3 does
// nothing). Destination rows hold height bits for codes 0 and 2; the bits
// past the last pixel of a destination row are cleared.
int RotateOrthogonal1Bit(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height,
                         uint32_t mode, uint32_t srcStride, uint32_t dstStride);

// ---------------------------------------------------------------- any angle

// cos and sin rounded down to 1e-9, the turned corners' bounding box and
// the output size (whole spans are not widened by the rounding up).
struct RotateGeometry {
  double cosA = 1, sinA = 0;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  uint32_t width = 0, height = 0;
};
RotateGeometry ComputeRotatedGeometry(double angle, uint32_t width, uint32_t height);
void GetRotatedSize(double angle, uint32_t width, uint32_t height, uint32_t* outWidth, uint32_t* outHeight);

// Flags of the arbitrary rotations.
enum : uint32_t {
  kRotateNearest = 0,
  kRotateBilinear = 1,
  kRotateBicubic = 2,
  kRotateQualityMask = 3,
  kRotateGreyBicubic = 4,  // a 1-byte image is grey, not palette indices
};

// Destination of GetRotatedSize; pixels that map outside the source are
// left as they are (fill the background first). bytesPerPixel 1, 3 or 4;
// a 1-byte image with a palette blends colours and maps them back to it
// (bilinear); bicubic on 1-byte images only with kRotateGreyBicubic.
// Flags bit 20 keeps the work on the calling thread.
bool RotateImage8bpc(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                     uint32_t bytesPerPixel, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                     const RGBQUAD* palette, uint32_t paletteColours, double angle, uint32_t flags);
// Double samples (strides in bytes), bicubic.
bool RotateImageDouble(uint32_t* error, const double* src, uint32_t width, uint32_t height, uint32_t channels,
                       uint32_t srcStride, double* dst, uint32_t dstStride, double angle, uint32_t flags);
// One-bit rows, nearest sampling; flags bit 0 set: the bits of destination
// pixels outside the source are cleared, else left as they are.
bool RotateImage1Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                     uint8_t* dst, uint32_t dstStride, double angle, uint32_t flags);

}  // namespace Pictura
