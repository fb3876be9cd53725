// Rotation: quarter and half turns against a plain pixel mapping and against
// OpenCV's cv::rotate and Pillow's transpose; any angle against a plain
// reading of the sampling formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "core/io_test_support.h"
#include "resample/bicubic_calc.h"
#include "resample/resize_test_util.h"
#include "resample/rotate.h"

using namespace Pictura;
using namespace resize_test;

namespace {

BOOL PICAPI StopAtOnce(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

constexpr double kPi = 3.14159265358979323846;

// Destination (column, row) of source (x, y) for a code.
void Mapped(uint32_t code, uint32_t w, uint32_t h, uint32_t x, uint32_t y, uint32_t* dx, uint32_t* dy) {
  if (code == 0) *dx = h - 1 - y, *dy = x;
  if (code == 1) *dx = w - 1 - x, *dy = h - 1 - y;
  if (code == 2) *dx = y, *dy = w - 1 - x;
}

template <class T>
Image<T> Turned(const Image<T>& s, uint32_t code) {
  Image<T> d(code == 1 ? s.width : s.height, code == 1 ? s.height : s.width, s.channels, 3);
  for (uint32_t y = 0; y < s.height; ++y)
    for (uint32_t x = 0; x < s.width; ++x) {
      uint32_t dx, dy;
      Mapped(code, s.width, s.height, x, y, &dx, &dy);
      for (uint32_t c = 0; c < s.channels; ++c) d.At(dx, dy, c) = s.At(x, y, c);
    }
  return d;
}

template <class T>
int Turn(const Image<T>& s, Image<T>& d, uint32_t code, uint32_t* err) {
  const uint32_t ss = s.stride * sizeof(T), ds = d.stride * sizeof(T);
  if constexpr (std::is_same_v<T, uint8_t>) return RotateOrthogonal(s.Pixels(), s.width, s.height, ss, d.Pixels(), ds, code, s.channels, err);
  if constexpr (std::is_same_v<T, uint16_t>) return RotateOrthogonal16(s.Pixels(), s.width, s.height, ss, d.Pixels(), ds, code, s.channels, err);
  if constexpr (std::is_same_v<T, double>) return RotateOrthogonalDouble(s.Pixels(), s.width, s.height, ss, d.Pixels(), ds, code, s.channels, err);
}

template <class T>
int TurnInPlace(std::vector<T>& p, uint32_t w, uint32_t h, uint32_t ch, uint32_t code, uint32_t* err) {
  if constexpr (std::is_same_v<T, uint8_t>) return RotateOrthogonalInPlace8(p.data(), w, h, code, ch, err);
  if constexpr (std::is_same_v<T, uint16_t>) return RotateOrthogonalInPlace16(p.data(), w, h, code, ch, err);
  if constexpr (std::is_same_v<T, double>) return RotateOrthogonalInPlaceDouble(p.data(), w, h, code, ch, err);
}

template <class T>
void CheckTurns(uint32_t w, uint32_t h, uint32_t ch) {
  Image<T> src(w, h, ch, 5);
  Fill(src, w * 31 + h);
  for (uint32_t code = 0; code < 3; ++code) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << ch << " code " << code);
    const Image<T> want = Turned(src, code);
    Image<T> got(want.width, want.height, ch, 3);
    uint32_t err = 99;
    ASSERT_TRUE(Turn(src, got, code, &err));
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(got.Samples(), want.Samples());
    EXPECT_TRUE(got.GuardsIntact());
    std::vector<T> packed = src.Samples();
    ASSERT_TRUE(TurnInPlace(packed, w, h, ch, code, &err));
    EXPECT_EQ(packed, want.Samples());
  }
}

// Rows of bits, most significant first; bit (x, y).
bool Bit(const std::vector<uint8_t>& p, uint32_t stride, uint32_t x, uint32_t y) {
  return p[size_t{y} * stride + x / 8] & (0x80 >> (x % 8));
}

}  // namespace

TEST(RotateOrthogonal, EveryCodeAndSampleTypeMapsEachPixel) {
  struct Row { uint32_t w, h, ch, type; };  // type 0 bytes, 1 16-bit, 2 double
  const Row rows[] = {{1, 1, 3, 0}, {1, 9, 3, 0}, {13, 1, 1, 0}, {37, 29, 1, 0}, {33, 65, 3, 0},
                      {40, 31, 4, 0}, {7, 5, 5, 0}, {700, 300, 3, 0}, {300, 700, 4, 0},  // pool
                      {31, 17, 3, 1}, {9, 40, 1, 1}, {19, 23, 1, 2}, {12, 7, 3, 2}};
  for (const Row& r : rows) {
    if (r.type == 0) CheckTurns<uint8_t>(r.w, r.h, r.ch);
    if (r.type == 1) CheckTurns<uint16_t>(r.w, r.h, r.ch);
    if (r.type == 2) CheckTurns<double>(r.w, r.h, r.ch);
  }
}

TEST(RotateOrthogonal, RefusesBadArguments) {
  uint8_t a[64] = {}, b[64] = {};
  uint32_t err = 0;
  EXPECT_FALSE(RotateOrthogonal(a, 4, 4, 12, b, 12, 3, 3, &err));
  EXPECT_EQ(err, 5u);
  EXPECT_FALSE(RotateOrthogonal(nullptr, 4, 4, 12, b, 12, 0, 3, &err));
  EXPECT_FALSE(RotateOrthogonal(a, 4, 4, 12, b, 11, 0, 3, &err));  // short destination rows
  EXPECT_FALSE(RotateOrthogonal1Bit(&err, a, a, 8, 8, 0, 1, 1));
  EXPECT_EQ(err, 5u);
  err = 7;
  EXPECT_TRUE(RotateOrthogonal1Bit(&err, a, b, 8, 8, 3, 1, 1));  // mode 3: nothing
  EXPECT_EQ(err, 0u);
}

TEST(RotateOrthogonal, CancelledByProgress) {
  Image<uint8_t> src(40, 40, 3), dst(40, 40, 3);
  pic_SetCallback(StopAtOnce, 0);
  uint32_t err = 0;
  EXPECT_FALSE(RotateOrthogonal(src.Pixels(), 40, 40, 120, dst.Pixels(), 120, 0, 3, &err));
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(err, 14u);
}

TEST(RotateOrthogonal, OneBitTurnsMapEachBitAndClearThePadding) {
  Rng rng(5);
  for (uint32_t w : {1u, 7u, 8u, 9u, 16u, 21u})
    for (uint32_t h : {1u, 3u, 8u, 13u, 17u})
      for (uint32_t code = 0; code < 3; ++code) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " code " << code);
        const uint32_t ss = (w + 7) / 8 + 1, dw = code == 1 ? w : h, dh = code == 1 ? h : w, ds = (dw + 7) / 8 + 2;
        std::vector<uint8_t> src(size_t{ss} * h), dst(size_t{ds} * dh, 0xA5);
        for (auto& v : src) v = static_cast<uint8_t>(rng.Next());
        uint32_t err = 9;
        ASSERT_TRUE(RotateOrthogonal1Bit(&err, src.data(), dst.data(), w, h, code, ss, ds));
        EXPECT_EQ(err, 0u);
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x) {
            uint32_t dx, dy;
            Mapped(code, w, h, x, y, &dx, &dy);
            ASSERT_EQ(Bit(dst, ds, dx, dy), Bit(src, ss, x, y)) << x << "," << y;
          }
        for (uint32_t y = 0; y < dh; ++y) {
          for (uint32_t x = dw; x % 8; ++x) ASSERT_FALSE(Bit(dst, ds, x, y)) << "padding bit " << x;
          EXPECT_EQ(dst[size_t{y} * ds + ds - 1], 0xA5);  // past the row: untouched
        }
      }
}

TEST(RotateOrthogonal, MatchesOpenCVAndPillow) {
  PICTEST_REQUIRE_TOOLS("Pillow");
  if (std::system("/usr/bin/python3 -c 'import cv2' 2>/dev/null") != 0) {
    if (std::getenv("WAYLUNE_REQUIRE_TOOLS")) GTEST_FAIL() << "missing: python3-opencv";
    GTEST_SKIP() << "missing: python3-opencv";
  }
  const uint32_t w = 53, h = 37;
  for (uint32_t ch : {1u, 3u, 4u}) {
    Image<uint8_t> src(w, h, ch);
    Fill(src, ch);
    const std::vector<uint8_t> bytes = src.Samples();
    std::ofstream("rot_in.bin", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::ofstream("rot_check.py")
        << "import cv2, numpy as np\nfrom PIL import Image\n"
        << "a = np.fromfile('rot_in.bin', np.uint8).reshape(" << h << ", " << w << ", " << ch << ")\n"
        << "m = {1: 'L', 3: 'RGB', 4: 'RGBA'}[" << ch << "]\n"
        << "p = Image.fromarray(a[:, :, 0] if m == 'L' else a, m)\n"
        << "t = Image.Transpose if hasattr(Image, 'Transpose') else Image\n"
        << "for code, (c, q) in enumerate([(cv2.ROTATE_90_CLOCKWISE, t.ROTATE_270), (cv2.ROTATE_180, t.ROTATE_180),"
        << " (cv2.ROTATE_90_COUNTERCLOCKWISE, t.ROTATE_90)]):\n"
        << "    cv2.rotate(a, c).tofile('rot_cv%d.bin' % code)\n"
        << "    np.asarray(p.transpose(q)).tofile('rot_pil%d.bin' % code)\n";
    ASSERT_EQ(std::system("/usr/bin/python3 rot_check.py"), 0);
    for (uint32_t code = 0; code < 3; ++code) {
      Image<uint8_t> got(code == 1 ? w : h, code == 1 ? h : w, ch);
      ASSERT_TRUE(Turn(src, got, code, nullptr));
      for (const char* peer : {"cv", "pil"}) {
        std::ifstream in(std::string("rot_") + peer + std::to_string(code) + ".bin", std::ios::binary);
        const std::vector<uint8_t> want((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(got.Samples(), want) << peer << " code " << code << " channels " << ch;
      }
    }
  }
}

namespace {

// A plain reading: X = i + trunc(minX), Y = r + trunc(minY); source
// (X cos + Y sin, Y cos - X sin); floor; inside the source or left alone.
Image<uint8_t> RotatedRef(const Image<uint8_t>& s, double angle, uint32_t quality, const RGBQUAD* pal, uint8_t bg) {
  const double c = std::floor(std::cos(angle) * 1e9) / 1e9, sn = std::floor(std::sin(angle) * 1e9) / 1e9;
  uint32_t ow, oh;
  GetRotatedSize(angle, s.width, s.height, &ow, &oh);
  const RotateGeometry g = ComputeRotatedGeometry(angle, s.width, s.height);
  Image<uint8_t> d(ow, oh, s.channels, 0, bg);
  std::fill(d.data.begin(), d.data.end(), bg);
  std::unique_ptr<CPicBiCubicCalcBase> calc(CreateBiCubicCalc());
  for (uint32_t r = 0; r < oh; ++r)
    for (uint32_t i = 0; i < ow; ++i) {
      const double X = i + std::trunc(g.minX), Y = r + std::trunc(g.minY);
      const double sx = X * c + Y * sn, sy = Y * c - X * sn;
      const double fx0 = std::floor(sx), fy0 = std::floor(sy);
      if (fx0 < 0 || fy0 < 0 || fx0 >= s.width || fy0 >= s.height) continue;
      const auto x = uint32_t(fx0), y = uint32_t(fy0);
      const uint32_t x1 = std::min(x + 1, s.width - 1), y1 = std::min(y + 1, s.height - 1);
      const double fx = sx - x, fy = sy - y;
      auto blend = [&](double a, double b, double cc, double dd) {
        return std::trunc(a * ((1 - fx) * (1 - fy)) + b * (fx * (1 - fy)) + cc * ((1 - fx) * fy) + dd * (fx * fy) + 1e-9);
      };
      if (quality == 1 && pal) {
        const RGBQUAD q[4] = {pal[s.At(x, y, 0)], pal[s.At(x1, y, 0)], pal[s.At(x, y1, 0)], pal[s.At(x1, y1, 0)]};
        const double rgb[3] = {blend(q[0].rgbRed, q[1].rgbRed, q[2].rgbRed, q[3].rgbRed),
                               blend(q[0].rgbGreen, q[1].rgbGreen, q[2].rgbGreen, q[3].rgbGreen),
                               blend(q[0].rgbBlue, q[1].rgbBlue, q[2].rgbBlue, q[3].rgbBlue)};
        double best = 1e9;
        for (uint32_t k = 0; k < 4; ++k) {  // the palettes here have four entries
          const double e = std::pow(rgb[0] - pal[k].rgbRed, 2) + std::pow(rgb[1] - pal[k].rgbGreen, 2) + std::pow(rgb[2] - pal[k].rgbBlue, 2);
          if (e < best) best = e, d.At(i, r, 0) = uint8_t(k);
        }
        continue;
      }
      calc->SetPosition(float(fx), float(fy));
      for (uint32_t ch = 0; ch < s.channels; ++ch) {
        if (quality == 0) {
          d.At(i, r, ch) = s.At(x, y, ch);
        } else if (quality == 1) {
          d.At(i, r, ch) = uint8_t(blend(s.At(x, y, ch), s.At(x1, y, ch), s.At(x, y1, ch), s.At(x1, y1, ch)));
        } else {
          uint8_t block[16];
          for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
              block[4 * j + k] = s.At(uint32_t(std::clamp<int64_t>(int64_t(x) - 1 + k, 0, s.width - 1)),
                                      uint32_t(std::clamp<int64_t>(int64_t(y) - 1 + j, 0, s.height - 1)), ch);
          d.At(i, r, ch) = calc->Interpolate8(block);
        }
      }
    }
  return d;
}

}  // namespace

TEST(RotateAnyAngle, MatchesThePlainReading) {
  const RGBQUAD pal[4] = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}, {200, 100, 50, 0}};
  struct Row { uint32_t w, h, ch, quality; double angle; uint32_t flags; };
  const Row rows[] = {{23, 17, 3, 0, 0.3, 0}, {23, 17, 3, 1, 0.3, 0}, {23, 17, 4, 1, -1.1, 0},
                      {23, 17, 3, 2, 2.5, 0}, {19, 21, 1, 2, 4.0, 4}, {19, 21, 1, 1, 0.7, 0},
                      {31, 9, 1, 0, kPi, 0}, {30, 40, 3, 1, kPi / 2, 0}, {200, 150, 3, 1, 0.2, 0},  // pool
                      {200, 150, 4, 2, -0.4, 0}, {180, 120, 3, 0, 1.0, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << "x" << r.ch << " q" << r.quality << " a" << r.angle);
    Image<uint8_t> src(r.w, r.h, r.ch, 2);
    Fill(src, r.w + r.ch);
    const RGBQUAD* p = r.ch == 1 && r.quality == 1 ? pal : nullptr;
    if (p)
      for (uint32_t y = 0; y < r.h; ++y)
        for (uint32_t x = 0; x < r.w; ++x) src.At(x, y, 0) &= 3;
    const Image<uint8_t> want = RotatedRef(src, r.angle, r.quality, p, 0x77);
    Image<uint8_t> got(want.width, want.height, r.ch, 0, 0x77);
    std::fill(got.data.begin(), got.data.end(), 0x77);
    uint32_t err = 9;
    ASSERT_TRUE(RotateImage8bpc(&err, src.Pixels(), r.w, r.h, r.ch, src.stride, got.Pixels(), got.stride, p, 4, r.angle, r.quality | r.flags));
    EXPECT_EQ(err, 0u);
    EXPECT_EQ(got.Samples(), want.Samples());
  }
}

TEST(RotateAnyAngle, SizesAndRefusals) {
  struct Row { double angle; uint32_t w, h, ow, oh; };
  const Row rows[] = {{0, 1000, 3, 1000, 3}, {0, 65537, 1, 65537, 1}, {kPi / 2, 300, 200, 200, 300},
                      {kPi, 64, 64, 64, 64}, {kPi / 4, 2, 2, 3, 3}};
  for (const Row& r : rows) {
    const RotateGeometry g = ComputeRotatedGeometry(r.angle, r.w, r.h);
    EXPECT_EQ(g.width, r.ow) << r.angle << " " << r.w;
    EXPECT_EQ(g.height, r.oh) << r.angle << " " << r.w;
  }
  EXPECT_EQ(ComputeRotatedGeometry(kPi / 2, 3, 3).cosA, 0.0);
  EXPECT_EQ(ComputeRotatedGeometry(kPi / 2, 3, 3).sinA, 1.0);
  // Angle 0 copies, at the same size.
  Image<uint8_t> src(1000, 3, 3), dst(1000, 3, 3);
  Fill(src, 3);
  uint32_t err = 0;
  ASSERT_TRUE(RotateImage8bpc(&err, src.Pixels(), 1000, 3, 3, 3000, dst.Pixels(), 3000, nullptr, 0, 0.0, 1));
  EXPECT_EQ(dst.Samples(), src.Samples());
  EXPECT_TRUE(dst.GuardsIntact());
  EXPECT_FALSE(RotateImage8bpc(&err, src.Pixels(), 10, 3, 2, 3000, dst.Pixels(), 3000, nullptr, 0, 0.1, 0));
  EXPECT_EQ(err, 5u);
  EXPECT_FALSE(RotateImage8bpc(&err, src.Pixels(), 10, 3, 1, 3000, dst.Pixels(), 3000, nullptr, 0, 0.1, 2));
  EXPECT_EQ(err, 5u);
}

TEST(RotateAnyAngle, OneBitAndDoubleFollowTheBytePath) {
  // The same picture as bytes (0 or 255), bits and doubles: nearest bits
  // agree with nearest bytes; double bicubic stays within a byte step.
  const uint32_t w = 29, h = 21;
  Image<uint8_t> bytes(w, h, 1);
  Rng rng(3);
  std::vector<uint8_t> bits(size_t{(w + 7) / 8} * h);
  std::vector<double> dbl(size_t{w} * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const bool on = rng.Below(3) == 0;
      bytes.At(x, y, 0) = on ? 255 : 0;
      dbl[size_t{y} * w + x] = on ? 255.0 : 0.0;
      if (on) bits[size_t{y} * ((w + 7) / 8) + x / 8] |= uint8_t(0x80 >> (x % 8));
    }
  for (double angle : {0.4, -2.0, kPi / 2}) {
    uint32_t ow, oh, err = 0;
    GetRotatedSize(angle, w, h, &ow, &oh);
    Image<uint8_t> nearest(ow, oh, 1), cubic(ow, oh, 1);
    ASSERT_TRUE(RotateImage8bpc(&err, bytes.Pixels(), w, h, 1, w, nearest.Pixels(), ow, nullptr, 0, angle, 0));
    ASSERT_TRUE(RotateImage8bpc(&err, bytes.Pixels(), w, h, 1, w, cubic.Pixels(), ow, nullptr, 0, angle, 2 | 4));
    const uint32_t os = (ow + 7) / 8;
    std::vector<uint8_t> out(size_t{os} * oh, 0);
    std::vector<double> dout(size_t{ow} * oh, 0x5A);
    ASSERT_TRUE(RotateImage1Bit(&err, bits.data(), w, h, (w + 7) / 8, out.data(), os, angle, 1));
    ASSERT_TRUE(RotateImageDouble(&err, dbl.data(), w, h, 1, w * 8, dout.data(), ow * 8, angle, 0));
    for (uint32_t y = 0; y < oh; ++y)
      for (uint32_t x = 0; x < ow; ++x) {
        EXPECT_EQ(Bit(out, os, x, y), nearest.At(x, y, 0) == 255) << angle << " " << x << "," << y;
        const double v = dout[size_t{y} * ow + x];
        EXPECT_NEAR(std::clamp(v, 0.0, 255.0), cubic.At(x, y, 0), 1.01) << x << "," << y;
      }
  }
}
