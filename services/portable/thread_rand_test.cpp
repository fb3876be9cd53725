#include "services/portable/thread_rand.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "services/portable/runtime_rand.h"

namespace {

std::vector<int> Draw(int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(ThreadRand());
  return out;
}

TEST(ThreadRand, ASeededThreadDrawsTheRuntimeSequenceOfItsSeed) {
  std::vector<int> drawn, other;
  std::thread([&] {
    SeedThreadRand(4711);
    drawn = Draw(5);
  }).join();
  std::thread([&] { other = Draw(5); }).join();  // seeds itself
  RuntimeRand expected(4711);
  for (int value : drawn) EXPECT_EQ(value, expected.Next());
  EXPECT_NE(drawn, other);
}

TEST(ThreadRand, ThreadsThatNeverSeedDrawApartFromEachOther) {
  std::vector<int> a, b;
  std::thread first([&] { a = Draw(8); });
  std::thread second([&] { b = Draw(8); });
  first.join();
  second.join();
  EXPECT_NE(a, b);
  for (int v : a) EXPECT_TRUE(v >= 0 && v <= 32767);
}

}  // namespace
