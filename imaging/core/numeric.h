#pragma once
// Numeric helpers: resolution conversion between the formats' unit
// conventions, normalised differences, double-image offset and clamp,
// sub-pixel shift, small clamps and byte-buffer routines.

#include <cstdint>

namespace Pictura {

struct PicResolutionInfo {
  double x = 0;
  double y = 0;
  uint32_t unit = 0;
};

// Conventions: 0 JPEG (unit 1 dots per inch, 2 per cm), 1 TIFF (unit 1 none,
// 2 inch, 3 cm), 2 PNG (unit 1 per metre), 3 per cm (unit 1), 4 the common
// form (pixels per metre, unit 1 when known), 5 dots per inch whatever the
// unit. Returns 1 or 0.
int32_t ConvertResolution(PicResolutionInfo* info, int32_t from, int32_t to);

// The low bound when value <= low (or NaN), then the high bound when not below it.
double ClampDouble(double value, const double* low, const double* high);
const double& MaxDouble(const double* a, const double* b);
const double& MinDouble(const double* a, const double* b);
uint32_t BitLength(uint32_t value);

int FindNormalizedDifference(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst,
                             uint32_t perRow, uint32_t rows, double bound1, double bound2, double threshold);
int NormalizedDifferenceImageCore(uint32_t* error, const uint8_t* a, const uint8_t* b, uint32_t width,
                                  uint32_t height, uint32_t bytesPerPixel, uint32_t stride, uint8_t* dst);
int DoubleArrayOffset(uint32_t* error, double* image, uint32_t width, uint32_t height, uint32_t channels,
                      uint32_t stride, const double* offsets, const double* scales, const double* lows,
                      const double* highs);
int ShiftImageSubPixel(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height,
                       uint32_t bytesPerPixel, uint32_t srcStride, uint8_t* dst, uint32_t dstStride,
                       double shift, uint32_t fill, uint32_t flags);
int ClampChannels(uint32_t* error, double* image, uint32_t width, uint32_t height, uint32_t channels,
                  uint32_t stride, double low, double high, uint32_t channelMask);

// destination = b op a; 5 when a pointer is null.
int AndBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count);
int OrBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count);
int XorBuffers(uint32_t* error, const uint8_t* a, const uint8_t* b, uint8_t* dst, uint32_t count);
int InvertBufferInPlace(uint32_t* error, uint8_t* buffer, uint32_t count);
void InvertBuffer(const uint8_t* src, uint8_t* dst, uint32_t count);
int SetChannelBytes(const uint8_t* plane, uint32_t width, uint32_t height, uint32_t step,
                    uint32_t planeStride, uint8_t* dst, uint32_t dstStride, uint32_t offset);
// Rows of "%X " values with a line feed after each row, written whole.
bool DumpHexTable(const char* path, uint32_t rows, uint32_t columns, const uint32_t* table);

}  // namespace Pictura
