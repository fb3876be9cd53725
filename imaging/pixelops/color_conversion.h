#pragma once
// Single-colour converters between RGB, CIE XYZ, L*a*b*, L*u*v*, LCH, HLS,
// HSV and YCbCr: one object per use, one Convert per colour, nothing
// allocated.
//
// Ranges: RGB doubles 0..255 for the HLS, HSV and YCbCr forms and 0..full
// scale for the XYZ forms; hue in degrees 0..360 (-1: grey, no hue); L and S
// of HLS and S of HSV 0..1; V of HSV in the range of its RGB input; XYZ 0..1
// (white Y = 1); L* 0..100; LCH hue in radians (-pi..pi). Byte forms of HLS
// and HSV code the hue as 0..240 and the other two channels as 0..255.

#include <cstdint>

namespace Pictura {
namespace CPicColorConversion {

template <class In, class Out>
class CPicColorConverterT {
 public:
  virtual void Convert(In c1, In c2, In c3, Out* o1, Out* o2, Out* o3) = 0;

 protected:
  ~CPicColorConverterT() = default;
};

using DblConverter = CPicColorConverterT<double, double>;

// Companding curves of the RGB/XYZ converters.
enum Companding : uint32_t { kCompandNone = 0, kCompandSRGB = 1, kCompandLStar = 2, kCompandGamma = 3 };

// Defaults: sRGB primaries adapted to a D50 white, and the D65 white point.
extern const double kDefaultRGBToXYZ[9];
extern const double kDefaultXYZToRGB[9];
extern const double kDefaultWhitePoint[3];

class Conv_RGB_dbl_To_HSV_dbl final : public DblConverter {
 public:
  void Convert(double r, double g, double b, double* h, double* s, double* v) override;
};
// Hue 360 is red again, like hue 0.
class Conv_HSV_dbl_To_RGB_dbl final : public DblConverter {
 public:
  void Convert(double h, double s, double v, double* r, double* g, double* b) override;
};
class Conv_RGB_dbl_To_HLS_dbl final : public DblConverter {
 public:
  void Convert(double r, double g, double b, double* h, double* l, double* s) override;
};
// Outputs 0..255, clamped; hue -1 gives 255 L in every channel.
class Conv_HLS_dbl_To_RGB_dbl final : public DblConverter {
 public:
  void Convert(double h, double l, double s, double* r, double* g, double* b) override;
};
class Conv_RGB_byte_To_HLS_dbl final : public CPicColorConverterT<unsigned char, double> {
 public:
  void Convert(unsigned char r, unsigned char g, unsigned char b, double* h, double* l, double* s) override;
};
// Each channel trunc(clamp(x + 0.05, 0, 255)).
class Conv_HLS_dbl_To_RGB_byte final : public CPicColorConverterT<double, unsigned char> {
 public:
  void Convert(double h, double l, double s, unsigned char* r, unsigned char* g, unsigned char* b) override;
};

// Null matrix: the default. XYZ results clamped to 0..1.
class Conv_RGB_dbl_To_XYZ_dbl final : public DblConverter {
 public:
  Conv_RGB_dbl_To_XYZ_dbl(const double* matrix, uint32_t companding, double gamma, double fullScale)
      : matrix_(matrix ? matrix : kDefaultRGBToXYZ),
        companding_(companding),
        gamma_(gamma),
        fullScale_(fullScale) {}
  void Convert(double r, double g, double b, double* x, double* y, double* z) override;

 private:
  const double* matrix_;
  uint32_t companding_;
  double gamma_;
  double fullScale_;
};
// RGB results clamped to 0..1, then times the full scale.
class Conv_XYZ_dbl_To_RGB_dbl final : public DblConverter {
 public:
  Conv_XYZ_dbl_To_RGB_dbl(const double* matrix, uint32_t companding, double gamma, double fullScale)
      : matrix_(matrix ? matrix : kDefaultXYZToRGB),
        companding_(companding),
        gamma_(gamma),
        fullScale_(fullScale) {}
  void Convert(double x, double y, double z, double* r, double* g, double* b) override;

 private:
  const double* matrix_;
  uint32_t companding_;
  double gamma_;
  double fullScale_;
};

class Conv_RGB_u8_To_XYZ_dbl final : public CPicColorConverterT<unsigned char, double> {
 public:
  Conv_RGB_u8_To_XYZ_dbl(const double* matrix, uint32_t companding, double gamma)
      : inner_(matrix, companding, gamma, 255.0) {}
  void Convert(unsigned char r, unsigned char g, unsigned char b, double* x, double* y, double* z) override {
    inner_.Convert(r, g, b, x, y, z);
  }

 private:
  Conv_RGB_dbl_To_XYZ_dbl inner_;
};
class Conv_RGB_u16_To_XYZ_dbl final : public CPicColorConverterT<unsigned short, double> {
 public:
  Conv_RGB_u16_To_XYZ_dbl(const double* matrix, uint32_t companding, double gamma)
      : inner_(matrix, companding, gamma, 65535.0) {}
  void Convert(unsigned short r, unsigned short g, unsigned short b, double* x, double* y,
               double* z) override {
    inner_.Convert(r, g, b, x, y, z);
  }

 private:
  Conv_RGB_dbl_To_XYZ_dbl inner_;
};
// Truncating: 254.9999 becomes 254.
class Conv_XYZ_dbl_To_RGB_u8 final : public CPicColorConverterT<double, unsigned char> {
 public:
  Conv_XYZ_dbl_To_RGB_u8(const double* matrix, uint32_t companding, double gamma)
      : inner_(matrix, companding, gamma, 255.0) {}
  void Convert(double x, double y, double z, unsigned char* r, unsigned char* g, unsigned char* b) override;

 private:
  Conv_XYZ_dbl_To_RGB_dbl inner_;
};
class Conv_XYZ_dbl_To_RGB_u16 final : public CPicColorConverterT<double, unsigned short> {
 public:
  Conv_XYZ_dbl_To_RGB_u16(const double* matrix, uint32_t companding, double gamma)
      : inner_(matrix, companding, gamma, 65535.0) {}
  void Convert(double x, double y, double z, unsigned short* r, unsigned short* g,
               unsigned short* b) override;

 private:
  Conv_XYZ_dbl_To_RGB_dbl inner_;
};

// White point (Xn, Yn, Zn) owned by the caller; null: kDefaultWhitePoint.
class WhitePointConverter : public DblConverter {
 public:
  explicit WhitePointConverter(const double* white) : white_(white ? white : kDefaultWhitePoint) {}

 protected:
  ~WhitePointConverter() = default;
  const double* white_;
};
class Conv_XYZ_dbl_To_Lab_dbl final : public WhitePointConverter {
 public:
  using WhitePointConverter::WhitePointConverter;
  void Convert(double x, double y, double z, double* l, double* a, double* b) override;
};
class Conv_Lab_dbl_To_XYZ_dbl final : public WhitePointConverter {
 public:
  using WhitePointConverter::WhitePointConverter;
  void Convert(double l, double a, double b, double* x, double* y, double* z) override;
};
class Conv_XYZ_dbl_To_Luv_dbl final : public WhitePointConverter {
 public:
  using WhitePointConverter::WhitePointConverter;
  void Convert(double x, double y, double z, double* l, double* u, double* v) override;
};
class Conv_Luv_dbl_To_XYZ_dbl final : public WhitePointConverter {
 public:
  using WhitePointConverter::WhitePointConverter;
  void Convert(double l, double u, double v, double* x, double* y, double* z) override;
};

// Lab or Luv to L, C, H (H = atan2 in radians).
class Conv_Lab_dbl_To_LCH_dbl final : public DblConverter {
 public:
  void Convert(double l, double a, double b, double* lOut, double* c, double* h) override;
};
// YCbCr of JPEG (0..255, Cb and Cr centred on 128); RGB results clamped.
class Conv_RGB_dbl_To_YCC_dbl final : public DblConverter {
 public:
  void Convert(double r, double g, double b, double* y, double* cb, double* cr) override;
};
class Conv_YCC_dbl_To_RGB_dbl final : public DblConverter {
 public:
  void Convert(double y, double cb, double cr, double* r, double* g, double* b) override;
};

}  // namespace CPicColorConversion

// Free forms. Byte hue 0..240; outputs truncated and clamped to 0..255.
void RGBBytesToHSV(uint8_t r, uint8_t g, uint8_t b, double* h, double* s, double* v);
void HSVToRGBBytes(double h, double s, double v, uint8_t* r, uint8_t* g, uint8_t* b);
void RGBToHLSBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* l, uint8_t* s);
void HLSBytesToRGB(uint8_t h, uint8_t l, uint8_t s, uint8_t* r, uint8_t* g, uint8_t* b);
void RGBToHSVBytes(uint8_t r, uint8_t g, uint8_t b, uint8_t* h, uint8_t* s, uint8_t* v);
void HSVBytesToRGB(uint8_t h, uint8_t s, uint8_t v, uint8_t* r, uint8_t* g, uint8_t* b);
void LCHToLab(double l, double c, double h, double* lOut, double* a, double* b);
void LCHToLuv(double l, double c, double h, double* lOut, double* u, double* v);
void LuvToLCH(double l, double u, double v, double* lOut, double* c, double* h);
void RGBBytesToYCC(uint8_t r, uint8_t g, uint8_t b, double* y, double* cb, double* cr);
void RGBBytesToYCCFloat(uint8_t r, uint8_t g, uint8_t b, float* y, float* cb, float* cr);
void YCCToRGBBytes(double y, double cb, double cr, uint8_t* r, uint8_t* g, uint8_t* b);
void YCCFloatToRGBBytes(float y, float cb, float cr, uint8_t* r, uint8_t* g, uint8_t* b);

// Replaces HLS components of the destination's pixels (3 or 4 bytes, R, G,
// B first) with the source's, the source placed at (x, y): mode 0 hue, 1
// saturation, 2 hue and saturation, 3 lightness. A fourth byte is kept.
// 1, or 0 with 5 (null or shared buffers, other pixel sizes or modes) or 14.
int BlendHLSComponents(uint32_t* error, uint8_t* dst, uint32_t dstWidth, uint32_t dstHeight,
                       const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, int32_t x, int32_t y,
                       uint32_t bytesPerPixel, uint32_t dstStride, uint32_t srcStride, uint32_t mode);

}  // namespace Pictura
