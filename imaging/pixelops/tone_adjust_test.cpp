// Tone tables against their definitions and the ways they are applied.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/pictura_core.h"
#include "core/thread_context.h"
#include "pixelops/tone_adjust.h"

using namespace Pictura;

namespace {

// The table an operation applies, read back from a 256-pixel grey ramp.
std::vector<uint8_t> TableOf(double brightness, double contrast, uint32_t flags) {
  std::vector<uint8_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i);
  uint32_t err = 0;
  EXPECT_TRUE(AdjustBrightnessContrast(&err, ramp.data(), 256, 1, brightness, contrast, 1, 256, flags));
  return ramp;
}

BOOL PICAPI Decline(DWORD, DWORD, PIC_USERDATA) {
  return FALSE;
}

}  // namespace

TEST(Tone, BrightnessContrastTables) {
  struct Row {
    const char* what;
    double brightness, contrast;
    uint32_t flags;
    int at, want;
  };
  const Row rows[] = {
      {"identity, 3 points", 0, 0, 2, 77, 77},        {"identity, 5 points", 0, 0, 0, 200, 200},
      {"identity, 7 points", 0, 0, 4, 31, 31},        {"flatter: black up", 0, -0.5, 2, 0, 63},
      {"flatter: white down", 0, -0.5, 2, 255, 191},  {"steeper: clipped low", 0, 0.5, 2, 30, 0},
      {"steeper: clipped high", 0, 0.5, 2, 230, 255}, {"steeper: middle kept", 0, 0.5, 2, 128, 128},
      {"brightness adds 25.5", 0.1, 0, 2, 100, 125},  {"brightness clamps", 1, 0, 2, 10, 255},
      {"contrast limited to 0.99", 0, 5, 2, 125, 0},
  };
  for (const Row& r : rows) EXPECT_EQ(TableOf(r.brightness, r.contrast, r.flags)[r.at], r.want) << r.what;
  for (int flags : {0, 2, 4}) {
    std::vector<uint8_t> t = TableOf(0, 0.3, flags);
    EXPECT_TRUE(std::is_sorted(t.begin(), t.end())) << flags;
  }
}

TEST(Tone, BSplineHasLinearPrecisionAndToneCurveEnds) {
  // Control points on y = x at the Greville abscissae of the knots 0 0 0 0 1
  // 2 2 2 2 give the line itself.
  const double greville[5] = {0, 1.0 / 3, 1, 5.0 / 3, 2};
  ToneControlPoint p[5];
  for (int i = 0; i < 5; ++i) p[i] = {127.5 * greville[i], 127.5 * greville[i], 0};
  ToneSample s[256];
  ASSERT_TRUE(BuildBSplineCurve(256, 5, 4, p, s));
  for (int j = 0; j < 256; ++j) {
    EXPECT_NEAR(s[j].y, s[j].x, 1e-9) << j;
    EXPECT_NEAR(s[j].x, 255.0 * j / 255, 1e-9) << j;
  }
  EXPECT_FALSE(BuildBSplineCurve(256, 3, 4, p, s));  // order above the points
  // Tone curve: nothing at 0, 0; brighter with brightness, ends kept.
  std::vector<uint8_t> ramp(256);
  for (int i = 0; i < 256; ++i) ramp[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> same = ramp;
  uint32_t err = 0;
  ASSERT_TRUE(AdjustToneCurve(&err, same.data(), 256, 1, 0, 0, 0.5, 1, 256, 0));
  EXPECT_EQ(same, ramp);
  ASSERT_TRUE(AdjustToneCurve(&err, ramp.data(), 256, 1, 0.2, 0, 0.5, 1, 256, 0));
  EXPECT_EQ(ramp[0], 0);
  EXPECT_GT(ramp[128], 140);
  EXPECT_EQ(ramp[255], 255);
  EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end()));
}

TEST(Tone, LevelsEqualisationAndApplying) {
  // Brightness values 10..200 (grey pixels, 3 channels, one alpha-free row).
  std::vector<uint8_t> px;
  for (int v = 10; v <= 200; v += 10) px.insert(px.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
  const uint32_t n = static_cast<uint32_t>(px.size() / 3);
  uint32_t err = 0;
  std::vector<uint8_t> levels = px;
  ASSERT_TRUE(AutoLevels(&err, levels.data(), n, 1, 3, n * 3, 0, 0, 0, 0));
  EXPECT_EQ(levels.back(), 255);                               // brightest present to 255
  EXPECT_EQ(levels[0], static_cast<uint8_t>(10 * 255 / 200));  // 0 stays the bottom
  levels = px;
  ASSERT_TRUE(AutoLevels(&err, levels.data(), n, 1, 3, n * 3, 0, 100, 0, 0));
  for (uint8_t v : levels) EXPECT_EQ(v, 255);
  uint8_t table[256];
  for (int k = 0; k < 256; ++k) table[k] = static_cast<uint8_t>(k);
  MidpointRemap(table, 64);
  EXPECT_EQ(table[64], 127);
  EXPECT_EQ(table[255], 255);
  EXPECT_EQ(table[32], 63);
  // The brightness table moves all three channels alike.
  uint8_t colour[4] = {100, 120, 140, 7};
  for (int k = 0; k < 256; ++k) table[k] = static_cast<uint8_t>(std::min(255, k + 10));
  ASSERT_TRUE(ApplyBrightnessLUT(&err, colour, 1, 1, 4, 4, table));
  EXPECT_EQ(colour[0], 110);
  EXPECT_EQ(colour[2], 150);
  EXPECT_EQ(colour[3], 7);
  // Equalisation over 0..255 given backwards: 50 and 100 become 127 and 255.
  uint8_t two[6] = {50, 50, 50, 100, 100, 100};
  ASSERT_TRUE(EqualizeBrightness(&err, two, 2, 1, 6, 3, 255, 0));
  EXPECT_EQ(two[0], 127);
  EXPECT_EQ(two[3], 255);
  // Lightness with the identity table keeps colours within a level.
  uint8_t rgb[3] = {200, 40, 90};
  for (int k = 0; k < 256; ++k) table[k] = static_cast<uint8_t>(k);
  ApplyLightnessLUT(rgb, 1, 1, 3, 3, table);
  EXPECT_NEAR(rgb[0], 200, 1);
  EXPECT_NEAR(rgb[1], 40, 1);
  EXPECT_NEAR(rgb[2], 90, 1);
}

TEST(Tone, Errors) {
  uint8_t px[8] = {};
  struct Row {
    const char* what;
    int result;
  };
  uint32_t err = 0;
  const Row rows[] = {
      {"null", AdjustBrightnessContrast(&err, nullptr, 1, 1, 0, 0, 3, 3, 0)},
      {"5 channels", AdjustBrightnessContrast(&err, px, 1, 1, 0, 0, 5, 5, 0)},
      {"tone 0 channels", AdjustToneCurve(&err, px, 1, 1, 0.5, 0, 0.5, 0, 3, 0)},
      {"levels 2 channels", AutoLevels(&err, px, 1, 1, 2, 2, 0, 0, 0, 0)},
      {"equalise 1 channel", EqualizeBrightness(&err, px, 1, 1, 1, 1, 0, 255)},
  };
  for (const Row& r : rows) EXPECT_EQ(r.result, 0) << r.what;
  EXPECT_EQ(err, 5u);
  SetProgressCallback(Decline, 0);
  const uint8_t* tables[1] = {px};
  err = 0;
  EXPECT_FALSE(ApplyChannelLUTs(&err, px, 8, 1, 1, 8, tables));
  EXPECT_EQ(err, 14u);
  SetProgressCallback(nullptr, 0);
  const uint8_t* none[2] = {nullptr, nullptr};
  EXPECT_TRUE(ApplyChannelLUTs(&err, px, 4, 1, 2, 8, none));
}
