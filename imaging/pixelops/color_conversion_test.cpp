// Colour conversions against their formulas and round trips, and the colour
// difference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "pixelops/pictura_pixelops.h"
#include "pixelops/color_conversion.h"
#include "pixelops/delta_e.h"

using namespace Pictura;
using namespace Pictura::CPicColorConversion;

namespace {
struct Triple {
  double a, b, c;
};
constexpr double kPi = 3.141592653589793;
}  // namespace

TEST(ColorConversion, KnownValues) {
  struct Row {
    const char* what;
    DblConverter* conv;
    Triple in, out;
    double tol;
  };
  Conv_RGB_dbl_To_HSV_dbl hsv;
  Conv_HSV_dbl_To_RGB_dbl hsvBack;
  Conv_RGB_dbl_To_HLS_dbl hls;
  Conv_HLS_dbl_To_RGB_dbl hlsBack;
  Conv_RGB_dbl_To_XYZ_dbl xyzPlain(nullptr, kCompandNone, 0, 255), xyzGamma0(nullptr, kCompandGamma, 0, 255);
  Conv_RGB_dbl_To_XYZ_dbl xyzSrgb(nullptr, kCompandSRGB, 0, 1);
  Conv_XYZ_dbl_To_Lab_dbl lab(nullptr);
  Conv_YCC_dbl_To_RGB_dbl yccBack;
  const double grey50 = std::pow(66.0 / 116, 3);  // Y of L* = 50
  const Row rows[] = {
      {"black hsv", &hsv, {0, 0, 0}, {-1, 0, 0}, 0},
      {"grey hsv", &hsv, {128, 128, 128}, {0, 0, 128}, 0},
      {"red hsv", &hsv, {255, 0, 0}, {0, 1, 255}, 0},
      {"blue hsv", &hsv, {0, 0, 255}, {240, 1, 255}, 0},
      {"magenta hsv", &hsv, {255, 0, 255}, {300, 1, 255}, 0},
      {"hue 360 is red", &hsvBack, {360, 1, 255}, {255, 0, 0}, 0},
      {"hue 300 magenta", &hsvBack, {300, 1, 255}, {255, 0, 255}, 0},
      {"grey has no hue", &hls, {100, 100, 100}, {-1, 100 / 255.0, 0}, 1e-12},
      {"no hue: 255 L", &hlsBack, {-1, 0.5, 1}, {127.5, 127.5, 127.5}, 0},
      {"hls 360 as 0", &hlsBack, {360, 0.5, 1}, {255, 0, 0}, 0},
      {"white xyz", &xyzPlain, {255, 255, 255}, {0.9642200, 1.0, 0.8252100}, 1e-12},
      {"gamma 0 black", &xyzGamma0, {255, 255, 255}, {0, 0, 0}, 0},
      {"sRGB mid",
       &xyzSrgb,
       {0.5, 0.5, 0.5},
       {0.9642200 * 0.21404114, 0.21404114, 0.8252100 * 0.21404114},
       1e-6},
      {"sign kept", &xyzSrgb, {-0.5, 0, 0}, {0, 0, 0}, 0},
      {"white lab", &lab, {0.950456, 1.0, 1.088754}, {100, 0, 0}, 1e-9},
      {"L* 50", &lab, {0.950456 * grey50, grey50, 1.088754 * grey50}, {50, 0, 0}, 1e-9},
      {"ycc clamps", &yccBack, {255, 128, 255}, {255, 255 - 0.71414 * 127, 255}, 1e-9},
  };
  for (const Row& r : rows) {
    double o[3];
    r.conv->Convert(r.in.a, r.in.b, r.in.c, &o[0], &o[1], &o[2]);
    EXPECT_NEAR(o[0], r.out.a, r.tol) << r.what;
    EXPECT_NEAR(o[1], r.out.b, r.tol) << r.what;
    EXPECT_NEAR(o[2], r.out.c, r.tol) << r.what;
  }
  // A negative red under a curve stays negative and leaves the others alone.
  const double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  Conv_XYZ_dbl_To_RGB_dbl identity(m, kCompandSRGB, 0, 1);
  double r, g, b;
  identity.Convert(-0.5, 0.5, 0, &r, &g, &b);
  EXPECT_EQ(r, 0);  // clamped after the curve
  EXPECT_NEAR(g, 1.055 * std::pow(0.5, 1 / 2.4) - 0.055, 1e-12);
}

TEST(ColorConversion, ByteForms) {
  uint8_t r, g, b;
  Conv_HLS_dbl_To_RGB_byte toByte;
  toByte.Convert(-1, 127.96 / 255, 0, &r, &g, &b);  // +0.05, then truncated
  EXPECT_EQ(r, 128);
  toByte.Convert(-1, 127.94 / 255, 0, &r, &g, &b);
  EXPECT_EQ(r, 127);
  Conv_XYZ_dbl_To_RGB_u8 toU8(nullptr, kCompandNone, 0);
  Conv_XYZ_dbl_To_RGB_u16 toU16(nullptr, kCompandNone, 0);
  toU8.Convert(0.9642200, 1.0, 0.8252100, &r, &g, &b);  // a hair below 255 truncates
  EXPECT_GE(r, 254);
  unsigned short r16, g16, b16;
  toU16.Convert(0, 0, 0, &r16, &g16, &b16);
  EXPECT_EQ(r16 + g16 + b16, 0);
  struct Row {
    uint8_t h, s, v, r, g, b;
  };
  const Row hsvRows[] = {
      {240, 255, 255, 255, 0, 0},  // a full turn is red, not magenta
      {200, 255, 255, 255, 0, 255}, {0, 255, 200, 200, 0, 0},
      {80, 255, 255, 0, 255, 0},    {17, 0, 77, 77, 77, 77},
  };
  for (const Row& row : hsvRows) {
    HSVBytesToRGB(row.h, row.s, row.v, &r, &g, &b);
    EXPECT_EQ(r, row.r) << int(row.h);
    EXPECT_EQ(g, row.g) << int(row.h);
    EXPECT_EQ(b, row.b) << int(row.h);
  }
  HLSBytesToRGB(240, 128, 255, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(b, 0);
  HSVToRGBBytes(360, 1, 255, &r, &g, &b);
  EXPECT_EQ(b, 0);
  uint8_t h, l, s;
  RGBToHLSBytes(90, 90, 90, &h, &l, &s);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  RGBToHSVBytes(0, 0, 0, &h, &s, &l);
  EXPECT_EQ(h + s + l, 0);
}

// Every 5th byte triple through each pair and back. Tolerances: a byte hue
// step is 1/40 of a sextant (up to 255 / 40 levels) plus a truncation, so 8
// for HSV and HLS bytes; YCbCr only truncation; the doubles exact.
TEST(ColorConversion, RoundTrips) {
  int worstHSV = 0, worstHLS = 0, worstYCC = 0;
  double worstLab = 0, worstLuv = 0, worstSRGB = 0, worstHSVd = 0;
  Conv_RGB_dbl_To_XYZ_dbl toXYZ(nullptr, kCompandSRGB, 0, 255);
  Conv_XYZ_dbl_To_RGB_dbl fromXYZ(nullptr, kCompandSRGB, 0, 255);
  Conv_XYZ_dbl_To_Lab_dbl toLab(nullptr);
  Conv_Lab_dbl_To_XYZ_dbl fromLab(nullptr);
  Conv_XYZ_dbl_To_Luv_dbl toLuv(nullptr);
  Conv_Luv_dbl_To_XYZ_dbl fromLuv(nullptr);
  Conv_RGB_dbl_To_HSV_dbl toHSV;
  Conv_HSV_dbl_To_RGB_dbl fromHSV;
  auto worst3 = [](int& w, int a, int b, int c, int x, int y, int z) {
    w = std::max({w, std::abs(a - x), std::abs(b - y), std::abs(c - z)});
  };
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 5) {
        uint8_t x, y, z, r2, g2, b2;
        RGBToHSVBytes(r, g, b, &x, &y, &z);
        HSVBytesToRGB(x, y, z, &r2, &g2, &b2);
        worst3(worstHSV, r, g, b, r2, g2, b2);
        RGBToHLSBytes(r, g, b, &x, &y, &z);
        HLSBytesToRGB(x, y, z, &r2, &g2, &b2);
        worst3(worstHLS, r, g, b, r2, g2, b2);
        double Y, cb, cr;
        RGBBytesToYCC(r, g, b, &Y, &cb, &cr);
        YCCToRGBBytes(Y + 0.5, cb, cr, &r2, &g2, &b2);
        worst3(worstYCC, r, g, b, r2, g2, b2);
        double X, YY, Z, L, A, B, o1, o2, o3;
        toXYZ.Convert(r, g, b, &X, &YY, &Z);
        fromXYZ.Convert(X, YY, Z, &o1, &o2, &o3);
        worstSRGB = std::max({worstSRGB, std::fabs(o1 - r), std::fabs(o2 - g), std::fabs(o3 - b)});
        toLab.Convert(X, YY, Z, &L, &A, &B);
        fromLab.Convert(L, A, B, &o1, &o2, &o3);
        worstLab = std::max({worstLab, std::fabs(o1 - X), std::fabs(o2 - YY), std::fabs(o3 - Z)});
        if (YY > 0) {
          toLuv.Convert(X, YY, Z, &L, &A, &B);
          fromLuv.Convert(L, A, B, &o1, &o2, &o3);
          worstLuv = std::max({worstLuv, std::fabs(o1 - X), std::fabs(o2 - YY), std::fabs(o3 - Z)});
        }
        toHSV.Convert(r, g, b, &L, &A, &B);
        fromHSV.Convert(L, A, B, &o1, &o2, &o3);
        worstHSVd = std::max({worstHSVd, std::fabs(o1 - r), std::fabs(o2 - g), std::fabs(o3 - b)});
      }
  EXPECT_LE(worstHSV, 8);
  EXPECT_LE(worstHLS, 8);
  EXPECT_LE(worstYCC, 1);
  EXPECT_LT(worstSRGB, 0.01);  // the two 7-digit matrices are inverses to ~1e-7
  EXPECT_LT(worstLab, 1e-12);
  EXPECT_LT(worstLuv, 1e-12);
  EXPECT_LT(worstHSVd, 1e-9);
}

TEST(DeltaE, Cases) {
  struct Row {
    const char* what;
    Triple lch1, lch2;
    double lo, hi;
  };
  const Row rows[] = {
      {"same", {50, 20, 1}, {50, 20, 1}, 0, 0},
      {"lightness only at L 50", {40, 0, 0}, {60, 0, 0}, 20, 20},
      {"no chroma: hue ignored", {50, 0, 0.3}, {50, 0, 2.9}, 0, 0},
      {"opposite hues differ", {50, 10, 0}, {50, 10, kPi}, 8, 30},
      {"seam stays small", {50, 10, kPi - 0.0001}, {50, 10, -kPi + 0.0001}, 0, 0.01},
      {"negative chroma: opposite hue", {50, -10, 0.5}, {50, 10, 0.5 - kPi}, 0, 0},
  };
  for (const Row& r : rows) {
    double d = DeltaE(r.lch1.a, r.lch1.b, r.lch1.c, r.lch2.a, r.lch2.b, r.lch2.c);
    EXPECT_GE(d, r.lo) << r.what;
    EXPECT_LE(d, r.hi + 1e-9) << r.what;
  }
  // Complementary colours on the RGB path (same lightness and chroma in the
  // unlinearised model) are far apart.
  EXPECT_GT(LabToLCH(50, 30, 0, 50, -30, 0), 10);
  EXPECT_GT(RGBToLabDeltaE(0x00FFFFFF, 0), 50);
  // The difference grows with the hue angle all the way to opposite hues.
  double last = 0;
  for (int k = 1; k <= 12; ++k) {
    double d = DeltaE(50, 20, 0, 50, 20, k * kPi / 12);
    EXPECT_GT(d, last) << k;
    last = d;
  }
}

TEST(DeltaE, Entry) {
  EXPECT_FALSE(pic_ColorReplaceImage(nullptr, 0, 0, 2, 0, 0, 0, 0, 0));  // last error 5
  EXPECT_EQ(pic_CompareColorsDeltaE(1, 2, 3, 1, 2, 3, 99), 0.0);
  EXPECT_EQ(PicGetLastError(), 5u);  // identical colours return before anything is reported
  EXPECT_EQ(pic_CompareColorsDeltaE(1, 2, 3, 1, 2, 4, 99), 0.0);
  EXPECT_EQ(PicGetLastError(), 5u);
  // RGB values: each value's low byte.
  EXPECT_EQ(pic_CompareColorsDeltaE(256 + 10, 20, 30, 10, 20, 30, 0), 0.0);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_DOUBLE_EQ(pic_CompareColorsDeltaE(255, 0, 0, 0, 0, 255, 0), RGBToLabDeltaE(0xFF, 0xFF0000));
  EXPECT_DOUBLE_EQ(pic_CompareColorsDeltaE(0.2, 0.3, 0.4, 0.3, 0.3, 0.3, 1),
                   XYZToLab(0.2, 0.3, 0.4, 0.3, 0.3, 0.3));
  EXPECT_DOUBLE_EQ(pic_CompareColorsDeltaE(50, 1, 2, 60, 1, 2, 2), 10.0 / (1 + 0.015 * 25 / std::sqrt(45.0)));
  EXPECT_DOUBLE_EQ(pic_CompareColorsDeltaE(40, 0, 0, 60, 0, 0, 3), 20.0);
  EXPECT_EQ(pic_CompareColorsDeltaE(-1e300, 0, 0, 1e300, 0, 0, 0), 0.0);  // both low bytes 0
}

TEST(HLSBlend, ModesClippingAndErrors) {
  // Destination 3x2 dark red, source 2x2 bright green placed at (2, -1).
  std::vector<uint8_t> dst = {100, 0, 0, 100, 0, 0, 100, 0, 0, 100, 0, 0, 100, 0, 0, 100, 0, 0};
  const std::vector<uint8_t> src = {0, 200, 0, 0, 200, 0, 0, 200, 0, 0, 200, 0};
  uint32_t err = 0;
  ASSERT_TRUE(BlendHLSComponents(&err, dst.data(), 3, 2, src.data(), 2, 2, 2, -1, 3, 9, 6, 3));
  // Only (2, 0) is covered: red hue keeps, lightness of the source.
  const uint8_t want[3] = {200, 0, 0};
  for (int c = 0; c < 3; ++c) EXPECT_EQ(dst[6 + c], want[c]);
  EXPECT_EQ(dst[15], 100);  // (2, 1) untouched
  ASSERT_TRUE(BlendHLSComponents(&err, dst.data(), 3, 2, src.data(), 2, 2, 0, 0, 3, 9, 6, 0));
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(dst[1], 100);  // hue of green, lightness of dark red
  struct Bad {
    uint8_t* d;
    const uint8_t* s;
    uint32_t bpp, mode;
  };
  const Bad bad[] = {{nullptr, src.data(), 3, 0},
                     {dst.data(), dst.data(), 3, 0},
                     {dst.data(), src.data(), 2, 0},
                     {dst.data(), src.data(), 3, 4}};
  for (const Bad& b : bad) {
    err = 0;
    EXPECT_FALSE(BlendHLSComponents(&err, b.d, 3, 2, b.s, 2, 2, 0, 0, b.bpp, 9, 6, b.mode));
    EXPECT_EQ(err, 5u);
  }
  err = 0;
  EXPECT_TRUE(
      BlendHLSComponents(&err, dst.data(), 3, 2, src.data(), 2, 2, -5, 7, 3, 9, 6, 1));  // nothing covered
}
