// Rotation: quarter and half turns against a plain pixel mapping and against
// OpenCV's cv::rotate and Pillow's transpose; any angle against a plain
// reading of the sampling formulas.
#include <gtest/gtest.h>

#include <tuple>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/color_match.h"
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

// The turn and the turn in place of one sample type against the mapping.
template <class T>
void CheckTurns(uint32_t w, uint32_t h, uint32_t ch,
                int (*turn)(const T*, uint32_t, uint32_t, uint32_t, T*, uint32_t, uint32_t, uint32_t,
                            uint32_t*),
                int (*inPlace)(T*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t*)) {
  Image<T> src(w, h, ch, 5);
  Fill(src, w * 31 + h);
  for (uint32_t code = 0; code < 3; ++code) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << ch << " code " << code);
    const Image<T> want = Turned(src, code);
    Image<T> got(want.width, want.height, ch, 3);
    uint32_t err = 99;
    ASSERT_TRUE(turn(src.Pixels(), w, h, src.stride * sizeof(T), got.Pixels(), got.stride * sizeof(T), code,
                     ch, &err) &&
                err == 0);
    EXPECT_EQ(got.Samples(), want.Samples());
    EXPECT_TRUE(got.GuardsIntact());
    std::vector<T> packed = src.Samples();
    ASSERT_TRUE(inPlace(packed.data(), w, h, code, ch, &err));
    EXPECT_EQ(packed, want.Samples());
  }
}

// Rows of bits, most significant first; bit (x, y).
bool Bit(const std::vector<uint8_t>& p, uint32_t stride, uint32_t x, uint32_t y) {
  return p[size_t{y} * stride + x / 8] & (0x80 >> (x % 8));
}

}  // namespace

TEST(RotateOrthogonal, EveryCodeAndSampleTypeMapsEachPixel) {
  // type 0 bytes, 1 16-bit, 2 double
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> rows[] = {
      {1, 1, 3, 0},   {1, 9, 3, 0},  {13, 1, 1, 0},    {37, 29, 1, 0},   {33, 65, 3, 0},
      {40, 31, 4, 0}, {7, 5, 5, 0},  {700, 300, 3, 0}, {300, 700, 4, 0},  // pool
      {31, 17, 3, 1}, {9, 40, 1, 1}, {19, 23, 1, 2},   {12, 7, 3, 2}};
  for (const auto& [w, h, ch, type] : rows) {
    if (type == 0) CheckTurns<uint8_t>(w, h, ch, RotateOrthogonal, RotateOrthogonalInPlace8);
    if (type == 1) CheckTurns<uint16_t>(w, h, ch, RotateOrthogonal16, RotateOrthogonalInPlace16);
    if (type == 2) CheckTurns<double>(w, h, ch, RotateOrthogonalDouble, RotateOrthogonalInPlaceDouble);
  }
}

// Three-byte pixels go in blocks of 4 x 4 where the processor has the
// shuffles: widths around the six columns a block's loads need, the tiles'
// 32 columns and the strips' 128, heights around whole blocks and the
// 64-row tiles, at every vector level.
TEST(RotateOrthogonal, ThreeBytePixelsInBlocksAtEveryVectorLevel) {
  const std::pair<uint32_t, uint32_t> rows[] = {{4, 4},
                                                {5, 9},
                                                {6, 4},
                                                {7, 5},
                                                {8, 8},
                                                {9, 3},
                                                {10, 7},
                                                {11, 1},
                                                {16, 64},
                                                {17, 65},
                                                {21, 130},
                                                {70, 66},
                                                // around the 32-column tiles and 128-column strips
                                                {31, 5},
                                                {33, 67},
                                                {127, 4},
                                                {129, 9},
                                                {257, 3}};
  for (int level : LevelsFrom(0)) {
    SetResampleVectorCap(level);
    for (const auto& [w, h] : rows) {
      SCOPED_TRACE(testing::Message() << "level " << level);
      CheckTurns<uint8_t>(w, h, 3, RotateOrthogonal, RotateOrthogonalInPlace8);
    }
  }
  SetResampleVectorCap(kResampleTopLevel);
}

// Half turns of 1-, 3- and 4-byte pixels reverse a row a vector at a
// time: widths around one vector's pixels (16, 5 + 1 and 4), one row and
// several, at every vector level; the guards after each row stay intact.
TEST(RotateOrthogonal, HalfTurnsAVectorAtATimeAtEveryVectorLevel) {
  const struct {
    uint32_t ch, w, h;
  } rows[] = {{1, 1, 1},  {1, 15, 2}, {1, 16, 3}, {1, 17, 1}, {1, 31, 2}, {1, 33, 4}, {1, 100, 3}, {3, 1, 2},
              {3, 5, 3},  {3, 6, 1},  {3, 7, 2},  {3, 10, 2}, {3, 11, 3}, {3, 12, 1}, {3, 16, 5},  {3, 64, 2},
              {3, 97, 3}, {4, 3, 2},  {4, 4, 1},  {4, 5, 3},  {4, 8, 2},  {4, 9, 1},  {4, 63, 4}};
  for (int level : LevelsFrom(0)) {
    SetResampleVectorCap(level);
    for (const auto& r : rows) {
      SCOPED_TRACE(testing::Message() << "level " << level);
      CheckTurns<uint8_t>(r.w, r.h, r.ch, RotateOrthogonal, RotateOrthogonalInPlace8);
    }
  }
  SetResampleVectorCap(kResampleTopLevel);
}

TEST(RotateOrthogonal, RefusalsAndCancelling) {
  uint8_t a[4800] = {}, b[4800] = {};
  uint32_t err = 0;
  EXPECT_FALSE(RotateOrthogonal(a, 4, 4, 12, b, 12, 3, 3, &err));  // code 3
  EXPECT_FALSE(RotateOrthogonal(a, 4, 4, 12, b, 11, 0, 3, &err));  // short destination rows
  EXPECT_FALSE(RotateOrthogonal1Bit(&err, a, a, 8, 8, 0, 1, 1));
  EXPECT_EQ(err, 5u);
  EXPECT_TRUE(RotateOrthogonal1Bit(&err, a, b, 8, 8, 3, 1, 1));  // mode 3: nothing, no error
  EXPECT_EQ(err, 0u);
  pic_SetCallback(StopAtOnce, 0);
  EXPECT_FALSE(RotateOrthogonal(a, 40, 40, 120, b, 120, 0, 3, &err));
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(err, 14u);
}

TEST(RotateOrthogonal, OneBitTurnsMapEachBitAndClearThePadding) {
  Rng rng(5);
  for (uint32_t w : {1u, 7u, 8u, 9u, 16u, 21u})
    for (uint32_t h : {1u, 3u, 8u, 13u, 17u})
      for (uint32_t code = 0; code < 3; ++code) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " code " << code);
        const uint32_t ss = (w + 7) / 8 + 1, dw = code == 1 ? w : h, dh = code == 1 ? h : w,
                       ds = (dw + 7) / 8 + 2;
        std::vector<uint8_t> src(size_t{ss} * h), dst(size_t{ds} * dh, 0xA5);
        for (auto& v : src) v = static_cast<uint8_t>(rng.Next());
        ASSERT_TRUE(RotateOrthogonal1Bit(nullptr, src.data(), dst.data(), w, h, code, ss, ds));
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
  // Scratch files in a folder of their own, removed afterwards.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("pictura_rotate_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  const uint32_t w = 53, h = 37;
  for (uint32_t ch : {1u, 3u, 4u}) {
    Image<uint8_t> src(w, h, ch);
    Fill(src, ch);
    const std::vector<uint8_t> bytes = src.Samples();
    std::ofstream(dir / "in.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::ofstream(dir / "check.py")
        << "import cv2, numpy as np, os\nfrom PIL import Image\nos.chdir(" << dir << ")\n"
        << "a = np.fromfile('in.bin', np.uint8).reshape(" << h << ", " << w << ", " << ch << ")\n"
        << "p = Image.fromarray(a[:, :, 0] if a.shape[2] == 1 else a, {1: 'L', 3: 'RGB', 4: "
           "'RGBA'}[a.shape[2]])\n"
        << "t = Image.Transpose if hasattr(Image, 'Transpose') else Image\n"
        << "for code, (c, q) in enumerate([(cv2.ROTATE_90_CLOCKWISE, "
           "t.ROTATE_270), (cv2.ROTATE_180, t.ROTATE_180),"
        << " (cv2.ROTATE_90_COUNTERCLOCKWISE, t.ROTATE_90)]):\n"
        << "    cv2.rotate(a, c).tofile('cv%d.bin' % code)\n"
        << "    np.asarray(p.transpose(q)).tofile('pil%d.bin' % code)\n";
    ASSERT_EQ(std::system(("/usr/bin/python3 " + (dir / "check.py").string()).c_str()), 0);
    for (uint32_t code = 0; code < 3; ++code) {
      Image<uint8_t> got(code == 1 ? w : h, code == 1 ? h : w, ch);
      ASSERT_TRUE(RotateOrthogonal(src.Pixels(), w, h, w * ch, got.Pixels(), got.stride, code, ch, nullptr));
      for (const char* peer : {"cv", "pil"}) {
        std::ifstream in(dir / (peer + std::to_string(code) + ".bin"), std::ios::binary);
        const std::vector<uint8_t> want((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        EXPECT_EQ(got.Samples(), want) << peer << " code " << code << " channels " << ch;
      }
    }
  }
  std::filesystem::remove_all(dir);
}

namespace {

// A plain reading: X = i + trunc(minX), Y = r + trunc(minY); source
// (X cos + Y sin, Y cos - X sin); floor; inside the source or left alone.
Image<uint8_t> RotatedRef(const Image<uint8_t>& s, double angle, uint32_t quality, const RGBQUAD* pal,
                          uint8_t bg) {
  const double c = std::floor(std::cos(angle) * 1e9) / 1e9, sn = std::floor(std::sin(angle) * 1e9) / 1e9;
  uint32_t ow, oh;
  GetRotatedSize(angle, s.width, s.height, &ow, &oh);
  const RotateGeometry g = ComputeRotatedGeometry(angle, s.width, s.height);
  Image<uint8_t> d(ow, oh, s.channels, 0, bg);
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
        return std::trunc(a * ((1 - fx) * (1 - fy)) + b * (fx * (1 - fy)) + cc * ((1 - fx) * fy) +
                          dd * (fx * fy) + 1e-9);
      };
      if (quality == 1 && pal) {
        const RGBQUAD q[4] = {pal[s.At(x, y, 0)], pal[s.At(x1, y, 0)], pal[s.At(x, y1, 0)],
                              pal[s.At(x1, y1, 0)]};
        CPicImgColorMatch match;  // the palettes here have four entries
        match.SetPalette(pal, 4);
        d.At(i, r, 0) =
            match.FindClosest(uint8_t(blend(q[0].rgbRed, q[1].rgbRed, q[2].rgbRed, q[3].rgbRed)),
                              uint8_t(blend(q[0].rgbGreen, q[1].rgbGreen, q[2].rgbGreen, q[3].rgbGreen)),
                              uint8_t(blend(q[0].rgbBlue, q[1].rgbBlue, q[2].rgbBlue, q[3].rgbBlue)));
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
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, double, uint32_t> rows[] = {
      {23, 17, 3, 0, 0.3, 0},
      {23, 17, 3, 1, 0.3, 0},
      {23, 17, 4, 1, -1.1, 0},
      {23, 17, 3, 2, 2.5, 0},
      {19, 21, 1, 2, 4.0, 4},
      {19, 21, 1, 1, 0.7, 0},
      {31, 9, 1, 0, kPi, 0},
      {30, 40, 3, 1, kPi / 2, 0},
      {200, 150, 3, 1, 0.2, 0},  // pool
      {200, 150, 4, 2, -0.4, 0},
      {180, 120, 3, 0, 1.0, 0},
      // four pixels a step in the widest nearest and bilinear rows, every quadrant
      {90, 70, 4, 1, 2.0, 0},
      {64, 48, 3, 1, -2.6, 0},
      {5, 4, 3, 1, 0.1, 0},
      {7, 2, 4, 1, -0.05, 0},
      {90, 70, 4, 0, -2.0, 0},
      {64, 48, 3, 0, 2.6, 0},
      {3, 3, 3, 0, 0.2, 0},
      {6, 1, 4, 0, 0.01, 0},
      // rows walk only the columns that may map inside: edges nearly level
      // or upright, where a column moves a coordinate by a hair
      {300, 7, 3, 0, 1e-7, 0},
      {7, 300, 3, 1, -1e-7, 0},
      {200, 9, 4, 1, kPi / 2 + 1e-8, 0},
      {40, 30, 3, 2, kPi - 3e-7, 0},
      {61, 47, 3, 0, -kPi / 2, 0},
      {33, 20, 1, 0, 0.7, 0}};
  for (const auto& [w, h, ch, quality, angle, flags] : rows) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << "x" << ch << " q" << quality << " a" << angle);
    Image<uint8_t> src(w, h, ch, 2);
    Fill(src, w + ch);
    const RGBQUAD* p = ch == 1 && quality == 1 ? pal : nullptr;
    if (p)
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) src.At(x, y, 0) &= 3;
    const Image<uint8_t> want = RotatedRef(src, angle, quality, p, 0x77);
    for (int level : LevelsFrom(0)) {  // every vector form the processor has
      SetResampleVectorCap(level);
      Image<uint8_t> got(want.width, want.height, ch, 0, 0x77);
      uint32_t err = 9;
      ASSERT_TRUE(RotateImage8bpc(&err, src.Pixels(), w, h, ch, src.stride, got.Pixels(), got.stride, p, 4,
                                  angle, quality | flags) &&
                  err == 0);
      EXPECT_EQ(got.Samples(), want.Samples()) << "level " << level;
    }
  }
  SetResampleVectorCap(kResampleTopLevel);
}

TEST(RotateAnyAngle, SizesAndRefusals) {
  // angle, width, height, output width, output height
  const double rows[][5] = {{0, 1000, 3, 1000, 3},
                            {0, 65537, 1, 65537, 1},
                            {kPi / 2, 300, 200, 200, 300},
                            {kPi, 64, 64, 64, 64},
                            {kPi / 4, 2, 2, 3, 3}};
  for (const auto& r : rows) {
    const RotateGeometry g = ComputeRotatedGeometry(r[0], uint32_t(r[1]), uint32_t(r[2]));
    EXPECT_TRUE(g.width == r[3] && g.height == r[4]) << r[0] << " " << r[1];
  }
  EXPECT_TRUE(ComputeRotatedGeometry(kPi / 2, 3, 3).cosA == 0.0 &&
              ComputeRotatedGeometry(kPi / 2, 3, 3).sinA == 1.0);
  // Angle 0 copies, at the same size.
  Image<uint8_t> src(1000, 3, 3), dst(1000, 3, 3);
  Fill(src, 3);
  uint32_t err = 0;
  ASSERT_TRUE(RotateImage8bpc(&err, src.Pixels(), 1000, 3, 3, 3000, dst.Pixels(), 3000, nullptr, 0, 0.0, 1));
  EXPECT_EQ(dst.Samples(), src.Samples());
  EXPECT_TRUE(dst.GuardsIntact());
  EXPECT_FALSE(RotateImage8bpc(&err, src.Pixels(), 10, 3, 2, 3000, dst.Pixels(), 3000, nullptr, 0, 0.1, 0));
  EXPECT_FALSE(RotateImage8bpc(&err, src.Pixels(), 10, 3, 1, 3000, dst.Pixels(), 3000, nullptr, 0, 0.1, 2) ||
               err != 5);  // 2 bytes a pixel; bicubic on palette indices
}

TEST(RotateAnyAngle, OneBitAndDoubleAtAQuarterTurnAreTheQuarterTurn) {
  // cos 0 and sin 1 exactly: whole source positions, so nearest bits and
  // bicubic doubles give code 0's pixels.
  const uint32_t w = 29, h = 21, bs = (w + 7) / 8, os = (h + 7) / 8;
  Image<double> dbl(w, h, 2);
  Fill(dbl, 4);
  std::vector<uint8_t> bits(size_t{bs} * h), got(size_t{os} * w), want(got.size());
  for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 37 + 11);
  Image<double> turned(h, w, 2), rotated(h, w, 2);
  uint32_t err = 0;
  ASSERT_TRUE(RotateOrthogonalDouble(dbl.Pixels(), w, h, dbl.stride * 8, turned.Pixels(), turned.stride * 8,
                                     0, 2, &err));
  ASSERT_TRUE(RotateImageDouble(&err, dbl.Pixels(), w, h, 2, dbl.stride * 8, rotated.Pixels(),
                                rotated.stride * 8, kPi / 2, 0));
  EXPECT_EQ(rotated.Samples(), turned.Samples());
  ASSERT_TRUE(RotateOrthogonal1Bit(&err, bits.data(), want.data(), w, h, 0, bs, os));
  ASSERT_TRUE(RotateImage1Bit(&err, bits.data(), w, h, bs, got.data(), os, kPi / 2, 1));
  EXPECT_EQ(got, want);
}
