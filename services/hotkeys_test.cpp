#include "services/hotkeys.h"

#include "services/settings.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const std::string kHotkeyKey = std::string(SETTINGS_KEY) + "\\Hotkeys";

void WriteDword(const char* name, DWORD value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kHotkeyKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
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
  EXPECT_EQ(HotkeyVirtualKey(0), 0x70u);    // F1
  EXPECT_EQ(HotkeyVirtualKey(11), 0x7Bu);   // F12
  EXPECT_EQ(HotkeyVirtualKey(12), 0x60u);   // num 0
  EXPECT_EQ(HotkeyVirtualKey(22), 0x6Bu);   // num +
  EXPECT_EQ(HotkeyVirtualKey(23), 0x6Du);   // num -
  EXPECT_EQ(HotkeyVirtualKey(24), 0x30u);   // 0
  EXPECT_EQ(HotkeyVirtualKey(34), 0x41u);   // A
  EXPECT_EQ(HotkeyVirtualKey(59), 0x5Au);   // Z
  EXPECT_STREQ(HotkeyKeyName(34), "A ");
  EXPECT_STREQ(HotkeyKeyName(22), "num +");
  EXPECT_EQ(HotkeyVirtualKey(60), 0u);
  EXPECT_EQ(HotkeyVirtualKey(-1), 0u);
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
  EXPECT_EQ(HotkeyTable[3].modifierIndex, 5);
  EXPECT_EQ(HotkeyTable[3].keyIndex, 34);
  EXPECT_EQ(HotkeyTable[3].enabled, 1);
  EXPECT_EQ(HotkeyTable[10].keyIndex, 11);
  EXPECT_EQ(HotkeyTable[0].enabled, 0);
}

TEST_F(HotkeyStore, IndicesOutOfRangeAreRefused) {
  WriteDword("hk01m", 6);
  WriteDword("hk01v", 3);
  WriteDword("hk01a", 1);
  WriteDword("hk02m", 1);
  WriteDword("hk02v", 600);
  WriteDword("hk02a", 7);  // any non-zero value enables
  WriteDword("hk03m", 1);
  WriteDword("hk03v", 59);
  WriteDword("hk03a", 7);
  LoadHotkeys();
  EXPECT_EQ(HotkeyTable[1].enabled, 0);
  EXPECT_EQ(HotkeyTable[2].enabled, 0);
  EXPECT_EQ(HotkeyTable[3].enabled, 1);
  EXPECT_EQ(HotkeyTable[3].keyIndex, 59);
}
