#include "pixelops/delta_e.h"

#include <cmath>

#include "pixelops/color_conversion.h"

namespace Pictura {

using namespace CPicColorConversion;

double RGBToLabDeltaE(uint32_t color1, uint32_t color2) {
  Conv_RGB_u8_To_XYZ_dbl conv(nullptr, kCompandNone, 0.0);
  double x1, y1, z1, x2, y2, z2;
  conv.Convert(color1 & 0xFF, (color1 >> 8) & 0xFF, (color1 >> 16) & 0xFF, &x1, &y1, &z1);
  conv.Convert(color2 & 0xFF, (color2 >> 8) & 0xFF, (color2 >> 16) & 0xFF, &x2, &y2, &z2);
  return XYZToLab(x1, y1, z1, x2, y2, z2);
}

double XYZToLab(double x1, double y1, double z1, double x2, double y2, double z2) {
  Conv_XYZ_dbl_To_Lab_dbl conv(nullptr);
  double l1, a1, b1, l2, a2, b2;
  conv.Convert(x1, y1, z1, &l1, &a1, &b1);
  conv.Convert(x2, y2, z2, &l2, &a2, &b2);
  return LabToLCH(l1, a1, b1, l2, a2, b2);
}

double LabToLCH(double l1, double a1, double b1, double l2, double a2, double b2) {
  Conv_Lab_dbl_To_LCH_dbl conv;
  double L1, c1, h1, L2, c2, h2;
  conv.Convert(l1, a1, b1, &L1, &c1, &h1);
  conv.Convert(l2, a2, b2, &L2, &c2, &h2);
  return DeltaE(L1, c1, h1, L2, c2, h2);
}

double DeltaE(double l1, double c1, double h1, double l2, double c2, double h2) {
  constexpr double kPi = 3.141592653589793;
  // A negative chroma is the same colour on the opposite hue.
  if (c1 < 0) c1 = -c1, h1 += h1 > 0 ? -kPi : kPi;
  if (c2 < 0) c2 = -c2, h2 += h2 > 0 ? -kPi : kPi;
  double lBar = (l1 + l2) / 2, dL = l2 - l1;
  double cBar = (c1 + c2) / 2, dC = c1 - c2;
  double hBar = (h1 + h2) / 2;
  if (std::fabs(h1 - h2) > kPi) hBar += kPi;
  double dh = h2 - h1;
  if (std::fabs(dh) > kPi) dh += h1 < h2 ? -2 * kPi : 2 * kPi;
  // Half the hue angle, as in CIEDE2000: the sine of the whole angle made
  // opposite hues (dh = pi) weigh nothing.
  double dH = 2 * std::sqrt(c1 * c2) * std::sin(dh / 2);
  double t = 1 - 0.17 * std::cos(hBar - 0.5235987755982988) + 0.24 * std::cos(2 * hBar) +
             0.32 * std::cos(3 * hBar + 0.10471975511965977) - 0.2 * std::cos(4 * hBar - 1.0995574287564276);
  double l50 = (lBar - 50) * (lBar - 50);
  double sL = 1 + 0.015 * l50 / std::sqrt(20 + l50);
  double sC = 1 + 0.045 * cBar;
  double sH = 1 + 0.015 * cBar * t;
  double e = hBar / 25 - 0.19198621771937624;
  double dTheta = 0.5235987755982988 * std::exp(-e * e);
  double c7 = std::pow(cBar, 7);
  double rC = std::sqrt(c7 / (c7 + 6103515625.0));
  double rT = -2 * rC * std::sin(dTheta);
  double tl = dL / sL, tc = dC / sC, th = dH / sH;
  double sum = tl * tl + tc * tc + th * th + rT * tc * th;
  return std::sqrt(sum > 0 ? sum : 0);
}

}  // namespace Pictura
