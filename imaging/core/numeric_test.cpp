#include "core/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "core/test_hooks.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_buffers.h"

using namespace Pictura;

namespace {
std::vector<std::string> g_hooks;
void KeepHook(uint32_t, const char* text) {
  g_hooks.push_back(text);
}
PicResolutionInfo Res(double x, double y, uint32_t unit) {
  return PicResolutionInfo{x, y, unit};
}
}  // namespace

TEST(Resolution, ConversionsBetweenTheFormatsConventions) {
  // Conventions: 0 JPEG, 1 TIFF, 2 PNG, 4 pixels per metre.
  struct Row {
    const char* why;
    PicResolutionInfo in;
    int32_t from, to, ok;
    double x, y;
    uint32_t unit;
  };
  const Row rows[] = {
      {"JPEG dots per inch", {72, 72, 1}, 0, 4, 1, 72 / 0.0254, 72 / 0.0254, 1},
      {"JPEG dots per centimetre", {2, 3, 2}, 0, 4, 1, 200, 300, 1},
      {"TIFF inches", {300, 300, 2}, 1, 4, 1, 300 / 0.0254, 300 / 0.0254, 1},
      {"TIFF centimetres", {300, 300, 3}, 1, 4, 1, 30000, 30000, 1},
      {"TIFF without an absolute unit", {300, 300, 1}, 1, 4, 0, 0, 0, 0},
      {"PNG pixels per metre", {2835, 2835, 1}, 2, 4, 1, 2835, 2835, 1},
      {"PNG without a unit", {2835, 2835, 0}, 2, 4, 0, 0, 0, 0},
      {"back to JPEG dots per inch", {300 / 0.0254, 300 / 0.0254, 1}, 4, 0, 1, 300, 300, 1},
      {"back to TIFF inches", {300 / 0.0254, 2000, 1}, 4, 1, 1, 300, 2000 * 0.0254, 2},
      {"an unknown source convention", {1, 1, 1}, 6, 4, 0, 1, 1, 1},
      {"an unknown target leaves it", {1, 1, 1}, 4, 9, 1, 1, 1, 1},
  };
  for (const Row& r : rows) {
    PicResolutionInfo got = r.in;
    EXPECT_EQ(ConvertResolution(&got, r.from, r.to), r.ok) << r.why;
    EXPECT_NEAR(got.x, r.x, 1e-3) << r.why;
    EXPECT_NEAR(got.y, r.y, 1e-3) << r.why;
    EXPECT_EQ(got.unit, r.unit) << r.why;
  }
  EXPECT_EQ(ConvertResolution(nullptr, 0, 4), 0);
  // A bad unit is reported through the debug hook.
  SetDebugHookObserver(KeepHook);
  g_hooks.clear();
  PicResolutionInfo bad = Res(5, 6, 7);
  ASSERT_EQ(ConvertResolution(&bad, 2, 2), 1);
  SetDebugHookObserver(nullptr);
  ASSERT_EQ(g_hooks.size(), 1u);
  EXPECT_EQ(g_hooks[0], "Bad input DPI\n");
  EXPECT_EQ(bad.unit, 0u);
}

TEST(Clamp, DoubleBoundsAndNaN) {
  const double lo = 0, hi = 3;
  EXPECT_EQ(ClampDouble(5, &lo, &hi), 3);
  EXPECT_EQ(ClampDouble(-1, &lo, &hi), 0);
  EXPECT_EQ(ClampDouble(2, &lo, &hi), 2);
  EXPECT_EQ(ClampDouble(std::numeric_limits<double>::quiet_NaN(), &lo, &hi), 0);
  const double a = 1, b = 1;
  EXPECT_EQ(&MaxDouble(&a, &b), &b);
  EXPECT_EQ(&MinDouble(&a, &b), &b);
  EXPECT_EQ(BitLength(0), 0u);
  EXPECT_EQ(BitLength(255), 8u);
  EXPECT_EQ(BitLength(0x80000000u), 32u);
}

TEST(NormalizedDifference, BytesAreClampedNotWrapped) {
  const uint8_t a[3] = {150, 0, 3}, b[3] = {50, 0, 2};
  uint8_t d[3] = {};
  ASSERT_TRUE(pic_FindNormalizedDifference(a, b, d, 3, 1, -1, 1, 0));
  EXPECT_EQ(d[0], 191);
  EXPECT_EQ(d[1], 127);
  ASSERT_TRUE(pic_FindNormalizedDifference(a, b, d, 3, 1, 1, -1, 10));
  EXPECT_EQ(d[2], 0);
  // Bounds 0.5 and 1: d = 0 lies below the range and gives 0, not a wrapped byte.
  ASSERT_TRUE(pic_FindNormalizedDifference(a, b, d, 3, 1, 0.5, 1, 0));
  EXPECT_EQ(d[1], 0);
  EXPECT_EQ(d[0], 0);
  EXPECT_FALSE(pic_FindNormalizedDifference(a, b, d, 3, 1, 1, 1, 0));
  EXPECT_EQ(PicGetLastError(), 5u);

  uint8_t img[8] = {10, 20, 30, 40, 50, 60, 70, 80}, out[8] = {};
  ASSERT_TRUE(pic_NormalizedDifferenceImage(img, img, 4, 2, 1, 4, out, 0));
  for (uint8_t v : out) EXPECT_EQ(v, 0);
  uint8_t other[8] = {0, 20, 30, 40, 50, 60, 70, 90};
  ASSERT_TRUE(pic_NormalizedDifferenceImage(img, other, 4, 2, 1, 4, out, 0));
  EXPECT_EQ(out[0], 255);  // d = 10, the maximum
  EXPECT_EQ(out[7], 0);    // d = -10, the minimum
  EXPECT_EQ(out[1], 127);
  EXPECT_FALSE(pic_NormalizedDifferenceImage(img, other, 5, 2, 1, 4, out, 0));  // stride too short
  EXPECT_FALSE(pic_NormalizedDifferenceImage(img, other, 1, 0x10000, 1, 0x10000, out, 0));
  EXPECT_EQ(PicGetLastError(), 1u);
}

TEST(DoubleImage, OffsetScaleAndClampPerChannel) {
  double img[4] = {1, 10, 2, 20};
  const double off[2] = {1, 0}, scale[2] = {2, 0.5}, lo[2] = {0, 0}, hi[2] = {5, 100};
  ASSERT_TRUE(pic_DoubleArrayOffset(img, 2, 1, 2, 4, off, scale, lo, hi));
  EXPECT_EQ(img[0], 4);
  EXPECT_EQ(img[2], 5);
  EXPECT_EQ(img[1], 5);
  EXPECT_EQ(img[3], 10);
  EXPECT_FALSE(pic_DoubleArrayOffset(img, 2, 1, 2, 4, off, nullptr, lo, hi));
  double c[4] = {-5, 50, 500, 5};
  uint32_t err = 0;
  ClampChannels(&err, c, 2, 1, 2, 4, 0, 100, 1);
  EXPECT_EQ(c[0], 0);
  EXPECT_EQ(c[1], 50);
  EXPECT_EQ(c[2], 100);
}

TEST(SubPixelShift, AlongRowsAndColumns) {
  const uint8_t row[2] = {100, 200};
  uint8_t out[3] = {};
  ASSERT_TRUE(I40_ShiftImageSubPixel(row, 2, 1, 1, 2, out, 3, 0.25, 0, 0));
  EXPECT_EQ(out[0], 75);
  EXPECT_EQ(out[1], 175);
  EXPECT_EQ(out[2], 50);
  EXPECT_FALSE(I40_ShiftImageSubPixel(row, 2, 1, 1, 2, out, 2, 0.25, 0, 0));  // no room for width + 1
  EXPECT_EQ(PicGetLastError(), 5u);
  const uint8_t col[2] = {100, 200};
  uint8_t outc[3] = {};
  ASSERT_TRUE(I40_ShiftImageSubPixel(col, 1, 2, 1, 1, outc, 1, 0.25, 40, 1));
  EXPECT_EQ(outc[0], 85);  // 100 * 0.75 + 40 * 0.25
  EXPECT_EQ(outc[1], 175);
  EXPECT_EQ(outc[2], 80);  // 200 * 0.25 + 40 * 0.75
  uint8_t copy[2] = {};
  ASSERT_TRUE(I40_ShiftImageSubPixel(row, 2, 1, 1, 2, copy, 2, 0, 0, 0));
  EXPECT_EQ(copy[1], 200);
  EXPECT_FALSE(I40_ShiftImageSubPixel(row, 2, 1, 1, 2, out, 3, 1.5, 0, 0));
  EXPECT_FALSE(I40_ShiftImageSubPixel(row, 2, 1, 5, 2, out, 3, 0.5, 0, 0));
  // Neighbouring bytes instead of the fill where they lie inside the buffer.
  const uint8_t two[4] = {10, 20, 30, 40};
  uint8_t n[6] = {};
  ASSERT_TRUE(I40_ShiftImageSubPixel(two, 2, 2, 1, 2, n, 3, 0.5, 0, 2));
  EXPECT_EQ(n[0], 5);   // before row 0: fill
  EXPECT_EQ(n[2], 25);  // after row 0: 20 * 0.5 + 30 * 0.5
  EXPECT_EQ(n[3], 25);  // before row 1: 30 * 0.5 + 20 * 0.5
  EXPECT_EQ(n[5], 20);  // after the last row: fill
}

TEST(ByteBuffers, LogicAndInversion) {
  const uint8_t a[6] = {0xF0, 0x0F, 0xFF, 0x00, 0xAA, 0x55}, b[6] = {0xFF, 0xFF, 0x0F, 0xF0, 0xFF, 0x00};
  uint8_t d[6];
  uint32_t err = 0;
  ASSERT_EQ(AndBuffers(&err, a, b, d, 6), 1);
  EXPECT_EQ(d[2], 0x0F);
  EXPECT_EQ(d[4], 0xAA);
  ASSERT_EQ(XorBuffers(&err, a, b, d, 6), 1);
  EXPECT_EQ(d[5], 0x55);
  ASSERT_EQ(OrBuffers(&err, a, b, d, 6), 1);
  EXPECT_EQ(d[3], 0xF0);
  EXPECT_EQ(OrBuffers(&err, a, nullptr, d, 6), 0);
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_EQ(InvertBufferInPlace(&err, d, 6), 1);
  EXPECT_EQ(d[3], 0x0F);
  EXPECT_EQ(InvertBufferInPlace(&err, nullptr, 6), 0);
  EXPECT_EQ(err, 1u);
  InvertBuffer(a, d, 6);
  EXPECT_EQ(d[0], 0x0F);
  const uint8_t plane[2] = {7, 8};
  uint8_t rgb[6] = {};
  EXPECT_EQ(SetChannelBytes(plane, 2, 1, 3, 2, rgb, 6, 1), 1);
  EXPECT_EQ(rgb[1], 7);
  EXPECT_EQ(rgb[4], 8);
}

TEST(ByteBuffers, HexTableIsWrittenWhole) {
  const char* path = "hex_table_test.txt";
  const uint32_t t[4] = {0x1, 0xAB, 0xFFFFFFFF, 0};
  ASSERT_TRUE(DumpHexTable(path, 2, 2, t));
  std::ifstream in(path);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "1 AB \nFFFFFFFF 0 \n");
  std::remove(path);
  EXPECT_FALSE(DumpHexTable("no_such_dir/x.txt", 1, 1, t));
}

#ifndef _WIN32
// A write that fails half-way (here at the file-size limit) keeps the old table.
TEST(ByteBuffers, AHexTableThatFailsHalfWayKeepsTheOldOne) {
  const char* path = "hex_table_cut_test.txt";
  std::ofstream(path) << "old\n";
  const std::vector<uint32_t> table(64 * 64, 0xABCDEF01u);
  rlimit saved = {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1000;
  const auto handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = DumpHexTable(path, 64, 64, table.data());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, handler);
  EXPECT_FALSE(written);
  std::ifstream in(path);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "old\n");
  std::remove(path);
}
#endif
