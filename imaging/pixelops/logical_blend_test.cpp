#include "pixelops/logical_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace Pictura;

// The byte-wise operations are checked through the overlay's fast path
// (overlay_test); here the opacity rule, whose rounding the overlay never
// takes, and the fallback class.
TEST(LogicalBlend, OpacityRuleAndFallback) {
  CPicSIMDLogicalBufBlendSSE sse;
  CPicSIMDLogicalBufBlendMMX mmx;
  std::mt19937 rng(3);
  uint8_t byte = 1;
  EXPECT_FALSE(mmx.And(&byte, &byte, 1));
  for (double opacity : {0.0, 0.5, 0.3, 1.0}) {
    std::vector<uint8_t> d(37), s(37);
    for (auto& v : d) v = uint8_t(rng());
    for (auto& v : s) v = uint8_t(rng());
    std::vector<uint8_t> out = d;
    ASSERT_TRUE(sse.AlphaBlend(out.data(), s.data(), 37, opacity));
    const unsigned w = unsigned(opacity * 256);
    for (size_t i = 0; i < d.size(); ++i)
      ASSERT_EQ(out[i], opacity == 1.0 ? s[i] : opacity == 0.0 ? d[i] : (s[i] * w + d[i] * (256 - w)) / 256);
  }
  EXPECT_FALSE(mmx.AlphaBlend(nullptr, nullptr, 0, 0.5));
  EXPECT_EQ(mmx.error, 71u);
}

TEST(LogicalBlend, SelectionAndPowers) {
  EXPECT_FALSE(SIMDBlendSupported(3, 0.5, 0));
  EXPECT_TRUE(SIMDBlendSupported(3, 1.0, 0));
  EXPECT_TRUE(SIMDBlendSupported(0, 0.3, 0));
  EXPECT_FALSE(SIMDBlendSupported(1, 1.0, 0));
  EXPECT_FALSE(SIMDBlendSupported(40, 1.0, 0));
  EXPECT_FALSE(MMXBlendAvailable(0, 1.0, 0));
  const uint32_t powers[][2] = {{0, 4}, {3, 4}, {4, 8}, {7, 8}, {8, 16}, {0xFFFFFFFF, 0x80000000}};
  for (const auto& p : powers) EXPECT_EQ(NextPowerOfTwoAbove(p[0]), p[1]) << p[0];
}
