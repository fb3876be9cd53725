#include "pixelops/color_conversion.h"

#include <algorithm>
#include <cmath>

#include "core/thread_context.h"

namespace Pictura {
namespace CPicColorConversion {

const double kDefaultRGBToXYZ[9] = {0.4360747, 0.3850649, 0.1430804, 0.2225045, 0.7168786,
                                    0.0606169, 0.0139322, 0.0971045, 0.7141733};
const double kDefaultXYZToRGB[9] = {3.1338561, -1.6168667, -0.4906146, -0.9787684, 1.9161415,
                                    0.0334540, 0.0719453,  -0.2289914, 1.4052427};
const double kDefaultWhitePoint[3] = {0.950456, 1.0, 1.088754};

namespace {

constexpr double kEpsilon = 0.008856451679035631;  // 216 / 24389
constexpr double kKappa = 903.2962962962963;       // 24389 / 27

double Clamp(double x, double lo, double hi) {
  return x < lo ? lo : (x > hi ? hi : x);
}

// Sextant value of rule "R first, then G, then B"; d = max - min > 0.
double Sextant(double r, double g, double b, double max, double d) {
  if (r == max) return (g - b) / d;
  if (g == max) return (b - r) / d + 2;
  return (r - g) / d + 4;
}

// Sextant i (0..5) and fraction of a hue on a circle of `full` units; a hue
// of a full turn or more (or below 0) wraps, so 360 degrees is red.
void HueSextant(double hue, double full, int* i, double* f) {
  if (hue >= full || hue < 0) {
    hue = std::fmod(hue, full);
    if (hue < 0) hue += full;
  }
  double pos = hue * 6 / full;
  *i = static_cast<int>(pos);
  if (*i > 5) *i = 5;  // fmod can give a hair below full
  *f = pos - *i;
}

void HSVFromSextant(int i, double f, double s, double v, double* r, double* g, double* b) {
  double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0:
      *r = v, *g = t, *b = p;
      break;
    case 1:
      *r = q, *g = v, *b = p;
      break;
    case 2:
      *r = p, *g = v, *b = t;
      break;
    case 3:
      *r = p, *g = q, *b = v;
      break;
    case 4:
      *r = t, *g = p, *b = v;
      break;
    default:
      *r = v, *g = p, *b = q;
      break;
  }
}

// Rule of HLS to RGB with the hue on a circle of `full` units; outputs 0..1.
void HLSToUnitRGB(double h, double l, double s, double full, double* r, double* g, double* b) {
  if (h < 0) {
    *r = *g = *b = l;
    return;
  }
  double v = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  if (v <= 0) {
    *r = *g = *b = 0;
    return;
  }
  double m = 2 * l - v;
  double pos = 6 * h / full;
  int sextant = static_cast<int>(pos);
  double fraction = pos - sextant;
  double vsf = v * ((v - m) / v) * fraction;
  double mid1 = m + vsf, mid2 = v - vsf;
  switch (sextant) {
    case 1:
      *r = mid2, *g = v, *b = m;
      break;
    case 2:
      *r = m, *g = v, *b = mid1;
      break;
    case 3:
      *r = m, *g = mid2, *b = v;
      break;
    case 4:
      *r = mid1, *g = m, *b = v;
      break;
    case 5:
      *r = v, *g = m, *b = mid2;
      break;
    default:
      *r = v, *g = mid1, *b = m;
      break;
  }
}

double Linearise(double c, uint32_t mode, double gamma) {
  double a = std::fabs(c), out;
  switch (mode) {
    case kCompandSRGB:
      out = a > 0.04045 ? std::pow((a + 0.055) / 1.055, 2.4) : a / 12.92;
      break;
    case kCompandLStar:
      out = a > 0.08 ? (((1000000 * a + 480000) * a + 76800) * a + 4096) / 1560896 : 2700 * a / 24389;
      break;
    case kCompandGamma:
      out = std::pow(a, gamma);
      break;
    default:
      return c;
  }
  return c < 0 ? -out : out;
}

double Compand(double c, uint32_t mode, double gamma) {
  double a = std::fabs(c), out;
  switch (mode) {
    case kCompandSRGB:
      out = a > 0.0031308 ? 1.055 * std::pow(a, 1 / 2.4) - 0.055 : 12.92 * a;
      break;
    case kCompandLStar:
      out = a > kEpsilon ? 1.16 * std::cbrt(a) - 0.16 : 24389 * a / 2700;
      break;
    case kCompandGamma:
      out = std::pow(a, 1 / gamma);
      break;
    default:
      return c;
  }
  return c < 0 ? -out : out;
}

double LabF(double t) {
  return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16) / 116;
}

}  // namespace

void Conv_RGB_dbl_To_HSV_dbl::Convert(double r, double g, double b, double* h, double* s, double* v) {
  double max = std::max({r, g, b}), min = std::min({r, g, b});
  *v = max;
  if (max == 0) {
    *s = 0;
    *h = -1;
    return;
  }
  *s = (max - min) / max;
  if (max == min) {
    *h = 0;
    return;
  }
  *h = 60 * Sextant(r, g, b, max, max - min);
  if (*h < 0) *h += 360;
}

void Conv_HSV_dbl_To_RGB_dbl::Convert(double h, double s, double v, double* r, double* g, double* b) {
  if (s == 0) {
    *r = *g = *b = v;
    return;
  }
  int i;
  double f;
  HueSextant(h, 360, &i, &f);
  HSVFromSextant(i, f, s, v, r, g, b);
}

void Conv_RGB_dbl_To_HLS_dbl::Convert(double r, double g, double b, double* h, double* l, double* s) {
  r /= 255, g /= 255, b /= 255;
  double max = std::max({r, g, b}), min = std::min({r, g, b});
  *l = (max + min) / 2;
  if (max == min) {
    *s = 0;
    *h = -1;
    return;
  }
  double den = *l <= 0.5 ? max + min : 2 - max - min;
  *s = den == 0 ? 0 : (max - min) / den;
  *h = 60 * Sextant(r, g, b, max, max - min);
  if (*h < 0) *h += 360;
}

void Conv_HLS_dbl_To_RGB_dbl::Convert(double h, double l, double s, double* r, double* g, double* b) {
  if (h < 0) {  // grey: not clamped
    *r = *g = *b = 255 * l;
    return;
  }
  HLSToUnitRGB(h, l, s, 360, r, g, b);
  *r = Clamp(255 * *r, 0, 255), *g = Clamp(255 * *g, 0, 255), *b = Clamp(255 * *b, 0, 255);
}

void Conv_RGB_byte_To_HLS_dbl::Convert(unsigned char r, unsigned char g, unsigned char b, double* h,
                                       double* l, double* s) {
  Conv_RGB_dbl_To_HLS_dbl().Convert(r, g, b, h, l, s);
}

void Conv_HLS_dbl_To_RGB_byte::Convert(double h, double l, double s, unsigned char* r, unsigned char* g,
                                       unsigned char* b) {
  double dr, dg, db;
  Conv_HLS_dbl_To_RGB_dbl().Convert(h, l, s, &dr, &dg, &db);
  *r = static_cast<unsigned char>(Clamp(dr + 0.05, 0, 255));
  *g = static_cast<unsigned char>(Clamp(dg + 0.05, 0, 255));
  *b = static_cast<unsigned char>(Clamp(db + 0.05, 0, 255));
}

void Conv_RGB_dbl_To_XYZ_dbl::Convert(double r, double g, double b, double* x, double* y, double* z) {
  r /= fullScale_, g /= fullScale_, b /= fullScale_;
  if (companding_ == kCompandGamma && !(gamma_ > 0)) {
    r = g = b = 0;
  } else {
    r = Linearise(r, companding_, gamma_), g = Linearise(g, companding_, gamma_),
    b = Linearise(b, companding_, gamma_);
  }
  const double* m = matrix_;
  *x = Clamp(m[0] * r + m[1] * g + m[2] * b, 0, 1);
  *y = Clamp(m[3] * r + m[4] * g + m[5] * b, 0, 1);
  *z = Clamp(m[6] * r + m[7] * g + m[8] * b, 0, 1);
}

void Conv_XYZ_dbl_To_RGB_dbl::Convert(double x, double y, double z, double* r, double* g, double* b) {
  const double* m = matrix_;
  double c[3] = {m[0] * x + m[1] * y + m[2] * z, m[3] * x + m[4] * y + m[5] * z,
                 m[6] * x + m[7] * y + m[8] * z};
  for (double& v : c) {
    if (companding_ == kCompandGamma && !(gamma_ > 0))
      v = 0;
    else
      v = Compand(v, companding_, gamma_);
    v = Clamp(v, 0, 1) * fullScale_;
  }
  *r = c[0], *g = c[1], *b = c[2];
}

void Conv_XYZ_dbl_To_RGB_u8::Convert(double x, double y, double z, unsigned char* r, unsigned char* g,
                                     unsigned char* b) {
  double dr, dg, db;
  inner_.Convert(x, y, z, &dr, &dg, &db);
  *r = static_cast<unsigned char>(dr), *g = static_cast<unsigned char>(dg),
  *b = static_cast<unsigned char>(db);
}

void Conv_XYZ_dbl_To_RGB_u16::Convert(double x, double y, double z, unsigned short* r, unsigned short* g,
                                      unsigned short* b) {
  double dr, dg, db;
  inner_.Convert(x, y, z, &dr, &dg, &db);
  *r = static_cast<unsigned short>(dr), *g = static_cast<unsigned short>(dg);
  *b = static_cast<unsigned short>(db);
}

void Conv_XYZ_dbl_To_Lab_dbl::Convert(double x, double y, double z, double* l, double* a, double* b) {
  double fx = LabF(x / white_[0]), fy = LabF(y / white_[1]), fz = LabF(z / white_[2]);
  *l = 116 * fy - 16;
  *a = 500 * (fx - fy);
  *b = 200 * (fy - fz);
}

void Conv_Lab_dbl_To_XYZ_dbl::Convert(double l, double a, double b, double* x, double* y, double* z) {
  double fy = (l + 16) / 116, fx = a / 500 + fy, fz = fy - b / 200;
  double fx3 = fx * fx * fx, fz3 = fz * fz * fz;
  double xr = fx3 > kEpsilon ? fx3 : (116 * fx - 16) / kKappa;
  double yr = l > 8 ? fy * fy * fy : l / kKappa;
  double zr = fz3 > kEpsilon ? fz3 : (116 * fz - 16) / kKappa;
  *x = xr * white_[0], *y = yr * white_[1], *z = zr * white_[2];
}

void Conv_XYZ_dbl_To_Luv_dbl::Convert(double x, double y, double z, double* l, double* u, double* v) {
  double d = x + 15 * y + 3 * z;
  double up = d > 0 ? 4 * x / d : 0, vp = d > 0 ? 9 * y / d : 0;
  double yr = y / white_[1];
  double g = yr >= kEpsilon ? std::cbrt(yr) : 7.787037037037037 * yr + 0.13793103448275862;
  *l = 116 * g - 16;
  double dn = white_[0] + 15 * white_[1] + 3 * white_[2];
  *u = 13 * *l * (up - 4 * white_[0] / dn);
  *v = 13 * *l * (vp - 9 * white_[1] / dn);
}

void Conv_Luv_dbl_To_XYZ_dbl::Convert(double l, double u, double v, double* x, double* y, double* z) {
  double dn = white_[0] + 15 * white_[1] + 3 * white_[2];
  double fy = (l + 16) / 116;
  *y = fy >= 0.20689655172413793 ? white_[1] * fy * fy * fy
                                 : white_[1] * (fy - 4.0 / 29) * 0.12841854934601665;
  if (l != 0) u /= l, v /= l;
  double u2 = 4 * white_[0] / dn + u / 13, v2 = 9 * white_[1] / dn + v / 13;
  *x = *y * 9 * u2 / (4 * v2);
  *z = *y * ((3 - 0.75 * u2) / v2 - 5);
}

void Conv_Lab_dbl_To_LCH_dbl::Convert(double l, double a, double b, double* lOut, double* c, double* h) {
  *lOut = l;
  *c = std::sqrt(a * a + b * b);
  *h = std::atan2(b, a);
}

void Conv_RGB_dbl_To_YCC_dbl::Convert(double r, double g, double b, double* y, double* cb, double* cr) {
  *y = 0.299 * r + 0.587 * g + 0.114 * b;
  *cb = 0.5 * b - 0.3313 * g - 0.1687 * r + 128;
  *cr = 0.5 * r - 0.4187 * g - 0.0813 * b + 128;
}

void Conv_YCC_dbl_To_RGB_dbl::Convert(double y, double cb, double cr, double* r, double* g, double* b) {
  *r = Clamp(y + 1.402 * (cr - 128), 0, 255);
  *g = Clamp(y - 0.34414 * (cb - 128) - 0.71414 * (cr - 128), 0, 255);
  *b = Clamp(y + 1.772 * (cb - 128), 0, 255);
}

}  // namespace CPicColorConversion

using namespace CPicColorConversion;

namespace {
uint8_t TruncByte(double x) {
  return static_cast<uint8_t>(x < 0 ? 0 : (x > 255 ? 255 : x));
}
}  // namespace

void RGBBytesToHSV(uint8_t r, uint8_t g, uint8_t b, double* h, double* s, double* v) {
  Conv_RGB_dbl_To_HSV_dbl().Convert(r, g, b, h, s, v);
}

void HSVToRGBBytes(double h, double s, double v, uint8_t* r, uint8_t* g, uint8_t* b) {
  double dr, dg, db;
  Conv_HSV_dbl_To_RGB_dbl().Convert(h, s, v, &dr, &dg, &db);
  *r = TruncByte(dr + 0.05), *g = TruncByte(dg + 0.05), *b = TruncByte(db + 0.05);
}

void RGBToHLSBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* l, uint8_t* s) {
  double dh, dl, ds;
  Conv_RGB_dbl_To_HLS_dbl().Convert(r, g, b, &dh, &dl, &ds);
  if (dh >= 0) {  // the sextant value again, 40 to the sextant
    double fr = r / 255.0, fg = g / 255.0, fb = b / 255.0;
    double max = std::max({fr, fg, fb});
    dh = 40 * Sextant(fr, fg, fb, max, max - std::min({fr, fg, fb}));
    if (dh < 0) dh += 240;
  }
  *h = TruncByte(dh), *l = TruncByte(dl * 255), *s = TruncByte(ds * 255);
}

void HLSBytesToRGB(uint8_t h, uint8_t l, uint8_t s, uint8_t* r, uint8_t* g, uint8_t* b) {
  double dr, dg, db;
  HLSToUnitRGB(h, l / 255.0, s / 255.0, 240, &dr, &dg, &db);
  *r = TruncByte(255 * dr), *g = TruncByte(255 * dg), *b = TruncByte(255 * db);
}

void RGBToHSVBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* s, uint8_t* v) {
  int max = std::max({r, g, b}), min = std::min({r, g, b});
  *v = static_cast<uint8_t>(max);
  *h = *s = 0;
  if (max == 0) return;
  *s = static_cast<uint8_t>(255 * (max - min) / max);
  if (*s == 0) return;
  double hue = 40 * Sextant(r, g, b, max, max - min);
  if (hue < 0) hue += 240;
  *h = TruncByte(hue);
}

void HSVBytesToRGB(uint8_t h, uint8_t s, uint8_t v, uint8_t* r, uint8_t* g, uint8_t* b) {
  if (s == 0) {
    *r = *g = *b = v;
    return;
  }
  int i;
  double f, dr, dg, db;
  HueSextant(h, 240, &i, &f);
  HSVFromSextant(i, f, s / 255.0, v, &dr, &dg, &db);
  *r = TruncByte(dr), *g = TruncByte(dg), *b = TruncByte(db);
}

void LCHToLab(double l, double c, double h, double* lOut, double* a, double* b) {
  *lOut = l;
  *a = c * std::cos(h);
  *b = c * std::sin(h);
}

void LCHToLuv(double l, double c, double h, double* lOut, double* u, double* v) {
  LCHToLab(l, c, h, lOut, u, v);
}

void LuvToLCH(double l, double u, double v, double* lOut, double* c, double* h) {
  Conv_Lab_dbl_To_LCH_dbl().Convert(l, u, v, lOut, c, h);
}

void RGBBytesToYCC(uint8_t r, uint8_t g, uint8_t b, double* y, double* cb, double* cr) {
  Conv_RGB_dbl_To_YCC_dbl().Convert(r, g, b, y, cb, cr);
}

void RGBBytesToYCCFloat(uint8_t r, uint8_t g, uint8_t b, float* y, float* cb, float* cr) {
  double dy, dcb, dcr;
  RGBBytesToYCC(r, g, b, &dy, &dcb, &dcr);
  *y = static_cast<float>(dy), *cb = static_cast<float>(dcb), *cr = static_cast<float>(dcr);
}

void YCCToRGBBytes(double y, double cb, double cr, uint8_t* r, uint8_t* g, uint8_t* b) {
  double dr, dg, db;
  Conv_YCC_dbl_To_RGB_dbl().Convert(y, cb, cr, &dr, &dg, &db);
  *r = TruncByte(dr), *g = TruncByte(dg), *b = TruncByte(db);
}

void YCCFloatToRGBBytes(float y, float cb, float cr, uint8_t* r, uint8_t* g, uint8_t* b) {
  YCCToRGBBytes(y, cb, cr, r, g, b);
}

int BlendHLSComponents(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                       const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, int32_t x, int32_t y,
                       uint32_t bytesPerPixel, uint32_t dstStride, uint32_t srcStride, uint32_t mode) {
  PicNestingScope nesting;
  if (!dst || !src || dst == src || (bytesPerPixel != 3 && bytesPerPixel != 4) || mode > 3) {
    *error = kPicErrBadArgument;
    return 0;
  }
  // Covered destination rectangle, in 64 bits so no placement overflows.
  int64_t left = std::max<int64_t>(0, x), top = std::max<int64_t>(0, y);
  int64_t right = std::min<int64_t>(dstWidth, int64_t{x} + srcWidth);
  int64_t bottom = std::min<int64_t>(dstHeight, int64_t{y} + srcHeight);
  if (left >= right || top >= bottom) return 1;
  Conv_RGB_byte_To_HLS_dbl toHLS;
  Conv_HLS_dbl_To_RGB_byte toRGB;
  for (int64_t r = top; r < bottom; ++r) {
    uint8_t* d = dst + static_cast<size_t>(r) * dstStride + static_cast<size_t>(left) * bytesPerPixel;
    const uint8_t* s =
        src + static_cast<size_t>(r - y) * srcStride + static_cast<size_t>(left - x) * bytesPerPixel;
    for (int64_t c = left; c < right; ++c, d += bytesPerPixel, s += bytesPerPixel) {
      double dh, dl, ds, sh, sl, ss;
      toHLS.Convert(d[0], d[1], d[2], &dh, &dl, &ds);
      toHLS.Convert(s[0], s[1], s[2], &sh, &sl, &ss);
      if (mode == 0 || mode == 2) dh = sh;
      if (mode == 1 || mode == 2) ds = ss;
      if (mode == 3) dl = sl;
      toRGB.Convert(dh, dl, ds, &d[0], &d[1], &d[2]);
    }
    if (!PicProgress(static_cast<uint32_t>(r - top + 1), static_cast<uint32_t>(bottom - top))) {
      *error = kPicErrCancelled;
      return 0;
    }
  }
  return 1;
}

}  // namespace Pictura
