#include "resample/filter_kernels.h"

#include <cmath>

namespace Pictura {

namespace {

constexpr double kPi = 3.14159265358979311600e+00;

// Argument reduction by multiples of pi/2 (Cody and Waite, two parts) and
// minimax polynomials on [-pi/4, pi/4]: accurate to about one unit in the
// last place for the arguments the kernels use (|x| <= 4 pi).
constexpr double kInvPio2 = 6.36619772367581382433e-01;
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;

constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;

double SinPoly(double x) {
  const double z = x * x;
  const double v = z * x;
  const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  return x + v * (S1 + z * r);
}

double CosPoly(double x) {
  const double z = x * x;
  const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
  const double hz = 0.5 * z;
  const double w = 1.0 - hz;
  return w + (((1.0 - w) - hz) + z * r);
}

// x = n pi/2 + r, |r| <= pi/4; returns n.
int Reduce(double x, double* r) {
  const double n = std::floor(x * kInvPio2 + 0.5);
  *r = (x - n * kPio2Hi) - n * kPio2Lo;
  return static_cast<int>(n);
}

constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kInvLn2 = 1.44269504088896338700e+00;
constexpr double P1 = 1.66666666666666019037e-01;
constexpr double P2 = -2.77777777770155933842e-03;
constexpr double P3 = 6.61375632143793436117e-05;
constexpr double P4 = -1.65339022054652515390e-06;
constexpr double P5 = 4.13813679705723846039e-08;

double Sinc(double x) {
  if (x == 0) return 1.0;
  x *= kPi;
  return PicSin(x) / x;
}

}  // namespace

double PicSin(double x) {
  double r;
  switch (Reduce(x, &r) & 3) {
    case 0:
      return SinPoly(r);
    case 1:
      return CosPoly(r);
    case 2:
      return -SinPoly(r);
    default:
      return -CosPoly(r);
  }
}

double PicCos(double x) {
  double r;
  switch (Reduce(x, &r) & 3) {
    case 0:
      return CosPoly(r);
    case 1:
      return -SinPoly(r);
    case 2:
      return -CosPoly(r);
    default:
      return SinPoly(r);
  }
}

double PicExp(double x) {
  if (x > 709.0) return HUGE_VAL;
  if (x < -745.0) return 0.0;
  const int k = static_cast<int>(std::floor(x * kInvLn2 + 0.5));
  const double hi = x - k * kLn2Hi;
  const double lo = k * kLn2Lo;
  const double r = hi - lo;
  const double t = r * r;
  const double c = r - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
  const double y = 1.0 - ((lo - (r * c) / (2.0 - c)) - hi);
  return std::ldexp(y, k);
}

double FilterBox(double x) {
  return (x > -0.5 && x <= 0.5) ? 1.0 : 0.0;
}

double FilterTriangle(double x) {
  if (x < 0) x = -x;
  return x < 1.0 ? 1.0 - x : 0.0;
}

double FilterHamming(double x) {
  return 0.54 + 0.46 * PicCos(kPi * x);
}

double FilterGaussian(double x) {
  static const double norm = std::sqrt(2.0 / kPi);  // correctly rounded everywhere
  return PicExp(-2.0 * x * x) * norm;
}

double FilterQuadraticBSpline(double x) {
  const double a = x < 0 ? -x : x;
  if (a < 0.5) return 0.75 - x * x;
  if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
  return 0.0;
}

double FilterBSpline(double x) {
  const double a = x < 0 ? -x : x;
  if (a < 1) return 0.5 * a * a * a - x * x + 2.0 / 3.0;
  if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6.0;
  return 0.0;
}

double FilterHermite(double x) {
  const double a = x < 0 ? -x : x;
  if (a < 1) return 2 * a * a * a - 3 * x * x + 1;
  return 0.0;
}

// The same spline with the square kept and the outer piece scaled by 1/6.
double FilterBSpline2(double x) {
  double t = x < 0 ? -x : x;
  if (t < 1) {
    const double tt = t * t;
    return 0.5 * tt * t - tt + 2.0 / 3.0;
  }
  if (t < 2) {
    t = 2 - t;
    return (1.0 / 6.0) * (t * t * t);
  }
  return 0.0;
}

double FilterLanczos3(double x) {
  if (x == 0) return 1.0;
  const double a = x < 0 ? -x : x;
  if (a < 3) return Sinc(x) * Sinc(x / 3.0);
  return 0.0;
}

double FilterMitchell(double x) {
  const double a = x < 0 ? -x : x;
  if (a < 1) return (7 * a * a * a - 12 * x * x + 16.0 / 3.0) / 6;
  if (a < 2) return (-7.0 / 3.0 * a * a * a + 12 * x * x - 20 * a + 32.0 / 3.0) / 6;
  return 0.0;
}

double FilterSinc(double x) {
  return Sinc(x);
}

double FilterHermite2(double x) {
  return FilterHermite(x);
}

double FilterHanning(double x) {
  return 0.5 + 0.5 * PicCos(kPi * x);
}

double FilterCatmullRom(double x) {
  const double a = x < 0 ? -x : x;
  if (a < 1) return 0.5 * (3 * a * a * a - 5 * x * x + 2);
  if (a < 2) return 0.5 * (-a * a * a + 5 * x * x - 8 * a + 4);
  return 0.0;
}

bool GetFilterKernel(uint32_t index, PicFilterKernel* kernel) {
  static const PicFilterKernel table[14] = {
      {FilterBox, 0.5},
      {FilterTriangle, 1.0},
      {FilterHamming, 1.0},
      {FilterGaussian, 1.25},
      {FilterQuadraticBSpline, 1.5},
      {FilterBSpline, 2.0},
      {FilterHermite, 1.0},
      {FilterBSpline2, 2.0},
      {FilterLanczos3, 3.0},
      {FilterMitchell, 2.0},
      {FilterSinc, 4.0},
      {FilterHermite2, 1.0},
      {FilterHanning, 1.0},
      {FilterCatmullRom, 2.0},
  };
  if (index > 13 || !kernel) return false;
  *kernel = table[index];
  return true;
}

}  // namespace Pictura
