#pragma once
// Tone operations on 8-bit images of 1 to 4 channels: a 256-entry tone
// table applied to every channel, to each pixel's brightness (the mean of
// its first three channels, keeping the differences between them) or to its
// HLS lightness. Library operations for code built on Pictura; no pic_
// entry reaches them.
//
// Flags: 0x1 with 4 or more channels leave channel 3 (alpha) alone; 0x2 / 0x4
// three / seven contrast control points (else five); 0x100 apply to the
// brightness (AdjustBrightnessContrast, AutoLevels' midpoint step) or the
// lightness (AdjustToneCurve); 0x200 AdjustBrightnessContrast on the HLS
// lightness.
//
// Each returns 1, or 0 with 5 (null pixels, channel counts outside the
// operation's range) or 14 (the progress callback declined) in *error.

#include <cstdint>

namespace Pictura {

struct ToneControlPoint {
  double x, y, z;  // z is always 0
};
struct ToneSample {
  double x, y;
};

// One table per channel; a null table leaves its channel unchanged.
int ApplyChannelLUTs(uint32_t* error, uint8_t* bits, uint32_t width, uint32_t height, uint32_t channels,
                     uint32_t stride, const uint8_t* const* tables);

// Brightness -1..1 (times 255 added), contrast -0.99..0.99 (negative flattens).
int AdjustBrightnessContrast(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height,
                             double brightness, double contrast, uint32_t channels, uint32_t stride,
                             uint32_t flags);
// Cubic B-spline through five points set by brightness, contrast and the
// midtone (0.1..0.9); nothing changes when brightness and contrast are 0.
int AdjustToneCurve(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, double brightness,
                    double contrast, double midtone, uint32_t channels, uint32_t stride, uint32_t flags);
// Stretches the brightness so that low percent of the pixels fall to 0 and
// high percent rise to 255; with 0x100 the midpoint is then moved to 127.5.
int AutoLevels(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
               uint32_t stride, double lowPercent, double highPercent, uint32_t flags, uint8_t midpoint);
// Equalises the brightness histogram of the pixels whose brightness lies in
// low..high (swapped when given the wrong way round).
int EqualizeBrightness(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                       uint32_t channels, uint32_t low, uint32_t high);

int ApplyBrightnessLUT(uint32_t* error, uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
                       uint32_t stride, const uint8_t* table);
int ApplyLightnessLUT(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                      uint32_t stride, const uint8_t* table);
int AutoLevelsTable(uint64_t pixelCount, double lowPercent, double highPercent, const uint32_t* histogram,
                    uint8_t* table);
void MidpointRemap(uint8_t* table, uint8_t midpoint);
void PolylineToTable(const ToneControlPoint* points, uint32_t count, ToneSample* out, uint32_t outSize,
                     double low, double high);
int BuildBSplineCurve(uint32_t sampleCount, uint32_t controlPoints, uint32_t order,
                      const ToneControlPoint* points, ToneSample* out);

}  // namespace Pictura
