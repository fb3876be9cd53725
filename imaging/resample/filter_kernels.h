#pragma once
// The fourteen reconstruction kernels of the filter resize, and the sine,
// cosine and exponential they use. Those are our own, in plain double
// arithmetic, so that the 32-bit Windows build and the native build (whose
// maths libraries round differently in the last place) give the same bytes.

#include <cstdint>

namespace Pictura {

using PicFilterFunction = double (*)(double x);

struct PicFilterKernel {
  PicFilterFunction function = nullptr;
  double support = 0;
};

// Index 0-13; false for any other.
bool GetFilterKernel(uint32_t index, PicFilterKernel* kernel);

double PicSin(double x);
double PicCos(double x);
double PicExp(double x);

double FilterBox(double x);
double FilterTriangle(double x);
double FilterHamming(double x);
double FilterGaussian(double x);
double FilterQuadraticBSpline(double x);
double FilterBSpline(double x);
double FilterHermite(double x);
double FilterBSpline2(double x);
double FilterLanczos3(double x);
double FilterMitchell(double x);
double FilterSinc(double x);
double FilterHermite2(double x);
double FilterHanning(double x);
double FilterCatmullRom(double x);

}  // namespace Pictura
