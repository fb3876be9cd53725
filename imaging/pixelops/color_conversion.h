#pragma once
// Single-colour converters: one object per use, one Convert per colour.
// RGB doubles 0..255; hue in degrees (-1 for grey without value), S 0..1,
// V in the range of the RGB input.

namespace Pictura {
namespace CPicColorConversion {

template <class In, class Out>
class CPicColorConverterT {
 public:
  virtual void Convert(In c1, In c2, In c3, Out* o1, Out* o2, Out* o3) = 0;

 protected:
  ~CPicColorConverterT() = default;
};

class Conv_RGB_dbl_To_HSV_dbl : public CPicColorConverterT<double, double> {
 public:
  void Convert(double r, double g, double b, double* h, double* s, double* v) override {
    double max = r > g ? (r > b ? r : b) : (g > b ? g : b);
    double min = r < g ? (r < b ? r : b) : (g < b ? g : b);
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
    double d = max - min, x;
    if (r == max)
      x = (g - b) / d;
    else if (g == max)
      x = (b - r) / d + 2;
    else
      x = (r - g) / d + 4;
    *h = 60 * x;
    if (*h < 0) *h += 360;
  }
};

class Conv_HSV_dbl_To_RGB_dbl : public CPicColorConverterT<double, double> {
 public:
  void Convert(double h, double s, double v, double* r, double* g, double* b) override {
    if (s == 0) {
      *r = *g = *b = v;
      return;
    }
    int i = static_cast<int>(h / 60);
    double f = h / 60 - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
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
};

}  // namespace CPicColorConversion
}  // namespace Pictura
