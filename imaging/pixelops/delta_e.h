#pragma once
// Perceptual difference of two colours: CIEDE2000's weights, rotation term
// and constants on LCH taken straight from L*a*b* (no rescaling of a*, hue in
// radians). The hue term takes the sine of half the hue angle, as CIEDE2000
// does: the sine of the whole angle would score opposite hues as equal and
// double the hue term of close ones.
// RGB bytes go through the default D50 matrix without linearisation.

#include <cstdint>

namespace Pictura {

// Colours 0x00BBGGRR.
double RGBToLabDeltaE(uint32_t color1, uint32_t color2);
double XYZToLab(double x1, double y1, double z1, double x2, double y2, double z2);
double LabToLCH(double l1, double a1, double b1, double l2, double a2, double b2);
double DeltaE(double l1, double c1, double h1, double l2, double c2, double h2);

}  // namespace Pictura
