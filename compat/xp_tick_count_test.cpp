#include "compat/xp_tick_count.h"

#include <gtest/gtest.h>

#include <cstdint>

// Declared as the thread library sees it (the XP headers leave it out).
extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

TEST(XpTickCount, WidensAcrossTheWrapAndTheSlotGivesTheSystemsCount) {
  constexpr uint64_t kWrap = uint64_t{1} << 32;
  const uint64_t rows[][3] = {// state before, 32-bit count now, widened
                              {3 * kWrap + 500, 500, 3 * kWrap + 500},
                              {3 * kWrap + 500, 700, 3 * kWrap + 700},
                              {0xFFFFFFF0, 0x10, kWrap + 0x10}};
  for (const auto& r : rows) {
    volatile LONGLONG state = static_cast<LONGLONG>(r[0]);
    EXPECT_EQ(WayluneWidenTickCount(&state, static_cast<DWORD>(r[1])), r[2]) << r[0] << " " << r[1];
    EXPECT_EQ(static_cast<uint64_t>(state), r[2]);
  }
  const DWORD before = GetTickCount();
  EXPECT_LE(static_cast<DWORD>(GetTickCount64()) - before, 1000u);
}
