#include "services/hotkeys.h"

#include "services/settings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <string>
#include <tuple>
#include <utility>

namespace {

const std::string kHotkeyKey = std::string(SETTINGS_KEY) + "\\Hotkeys";

void WriteDword(const char* name, DWORD value) {
  ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kHotkeyKey.c_str(), name, REG_DWORD, &value, sizeof value),
            ERROR_SUCCESS);
}

class HotkeyStore : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kHotkeyKey.c_str()); }
  void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kHotkeyKey.c_str()); }
};

}  // namespace

TEST(HotkeyLists, NamesAndKeysFollowTheirTables) {
  EXPECT_STREQ(HotkeyModifierName(0), "Alt");
  EXPECT_STREQ(HotkeyModifierName(2), "Shift+Strg");
  EXPECT_EQ(HotkeyModifierFlags(2), unsigned(MOD_SHIFT | MOD_CONTROL));
  EXPECT_EQ(HotkeyModifierFlags(5), unsigned(MOD_WIN));
  // F1, F12, num 0, num +, num -, 0, A, Z and past both ends.
  const std::pair<int, unsigned> keys[] = {{0, 0x70},  {11, 0x7B}, {12, 0x60}, {22, 0x6B}, {23, 0x6D},
                                           {24, 0x30}, {34, 0x41}, {59, 0x5A}, {60, 0},    {-1, 0}};
  for (auto [index, key] : keys) EXPECT_EQ(HotkeyVirtualKey(index), key) << index;
  EXPECT_STREQ(HotkeyKeyName(34), "A ");
  EXPECT_STREQ(HotkeyKeyName(22), "num +");
}

TEST_F(HotkeyStore, WithoutTheSubkeyEveryHotkeyIsOff) {
  LoadHotkeys();
  for (const HotkeyEntry& e : HotkeyTable) EXPECT_EQ(e.enabled, 0);
  EXPECT_EQ(HotkeyTable[0].id, 0x200);
  EXPECT_EQ(HotkeyTable[9].id, 0x202);
  EXPECT_EQ(HotkeyTable[10].id, 0x203);
}

TEST_F(HotkeyStore, SavedTableLoadsBack) {
  LoadHotkeys();
  HotkeyTable[3] = {HotkeyTable[3].id, 5, 34, 1};  // Windows+A
  HotkeyTable[10] = {HotkeyTable[10].id, 2, 11, 1};
  SaveHotkeys();
  LoadHotkeys();
  const HotkeyEntry& e = HotkeyTable[3];
  EXPECT_EQ(std::tuple(e.modifierIndex, e.keyIndex, e.enabled), std::tuple(5, 34, 1));
  EXPECT_EQ(HotkeyTable[10].keyIndex, 11);
  EXPECT_EQ(HotkeyTable[0].enabled, 0);
}

TEST_F(HotkeyStore, IndicesOutOfRangeAreRefused) {
  // Modifier 6 and key 600 are past their lists; any non-zero value enables.
  const std::pair<const char*, DWORD> values[] = {{"hk01m", 6}, {"hk01v", 3},   {"hk01a", 1},
                                                  {"hk02m", 1}, {"hk02v", 600}, {"hk02a", 7},
                                                  {"hk03m", 1}, {"hk03v", 59},  {"hk03a", 7}};
  for (auto [name, value] : values) WriteDword(name, value);
  LoadHotkeys();
  EXPECT_EQ(HotkeyTable[1].enabled, 0);
  EXPECT_EQ(HotkeyTable[2].enabled, 0);
  EXPECT_EQ(HotkeyTable[3].enabled, 1);
  EXPECT_EQ(HotkeyTable[3].keyIndex, 59);
}
