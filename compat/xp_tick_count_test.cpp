#include "compat/xp_tick_count.h"

#include <gtest/gtest.h>

#include <cstdint>

// Declared as the thread library sees it (the XP headers leave it out).
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

TEST(XpTickCount, WidensAcrossTheWrapAndKeepsItsState) {
  constexpr uint64_t kWrap = uint64_t{1} << 32;
  struct Row {
    uint64_t state;
    DWORD now;
    uint64_t expected;
  } rows[] = {
      {0, 1000, 1000},
      {3 * kWrap + 500, 500, 3 * kWrap + 500},
      {3 * kWrap + 500, 700, 3 * kWrap + 700},
      {0xFFFFFFF0, 0x10, kWrap + 0x10},
  };
  for (const Row& r : rows) {
    volatile LONGLONG state = static_cast<LONGLONG>(r.state);
    EXPECT_EQ(WayluneWidenTickCount(&state, r.now), r.expected) << r.state << " " << r.now;
    EXPECT_EQ(static_cast<uint64_t>(state), r.expected);
  }
}

TEST(XpTickCount, TheImportSlotGivesTheSystemsCount) {
  DWORD before = GetTickCount();
  DWORD low = static_cast<DWORD>(GetTickCount64());
  EXPECT_LE(low - before, 1000u);
}
