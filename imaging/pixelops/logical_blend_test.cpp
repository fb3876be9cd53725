#include "pixelops/logical_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

using namespace Pictura;

// Every operation against its byte rule over counts that cover whole
// blocks, word and byte tails.
TEST(LogicalBlend, EveryOperationMatchesItsRule) {
  using Op = bool (CPicSIMDLogicalBufBlend::*)(uint8_t*, const uint8_t*, uint32_t);
  struct Row {
    Op op;
    std::function<int(int, int)> rule;
  };
  const Row rows[] = {
      {&CPicSIMDLogicalBufBlend::And, [](int d, int s) { return d & s; }},
      {&CPicSIMDLogicalBufBlend::Or, [](int d, int s) { return d | s; }},
      {&CPicSIMDLogicalBufBlend::Xor, [](int d, int s) { return d ^ s; }},
      {&CPicSIMDLogicalBufBlend::Max, [](int d, int s) { return std::max(d, s); }},
      {&CPicSIMDLogicalBufBlend::Min, [](int d, int s) { return std::min(d, s); }},
      {&CPicSIMDLogicalBufBlend::AddSaturate, [](int d, int s) { return std::min(d + s, 255); }},
      {&CPicSIMDLogicalBufBlend::SubSaturate, [](int d, int s) { return std::max(d - s, 0); }},
      {&CPicSIMDLogicalBufBlend::SubReverseSaturate, [](int d, int s) { return std::max(s - d, 0); }},
      {&CPicSIMDLogicalBufBlend::AbsDifference, [](int d, int s) { return std::abs(d - s); }},
  };
  CPicSIMDLogicalBufBlendSSE sse;
  CPicSIMDLogicalBufBlendMMX mmx;
  std::mt19937 rng(3);
  for (const Row& row : rows)
    for (uint32_t count : {0u, 3u, 64u, 70u, 131u}) {
      std::vector<uint8_t> d(count + 1), s(count + 1);
      for (auto& v : d) v = uint8_t(rng());
      for (auto& v : s) v = uint8_t(rng());
      std::vector<uint8_t> out = d;
      ASSERT_TRUE((sse.*row.op)(out.data(), s.data(), count));
      for (uint32_t i = 0; i < count; ++i) ASSERT_EQ(out[i], row.rule(d[i], s[i])) << count << " " << i;
      EXPECT_EQ(out[count], d[count]);
      EXPECT_FALSE((mmx.*row.op)(out.data(), s.data(), count));
    }
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
