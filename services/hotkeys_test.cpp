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
  Hotkeys keys;
  keys.Load();
  for (const HotkeyEntry& e : keys.Table()) EXPECT_EQ(e.enabled, 0);
  EXPECT_EQ(keys.Table()[0].id, 0x200);
  EXPECT_EQ(keys.Table()[9].id, 0x202);
  EXPECT_EQ(keys.Table()[10].id, 0x203);
}

TEST_F(HotkeyStore, SavedTableLoadsBack) {
  Hotkeys keys;
  keys.Load();
  keys.Table()[3] = {keys.Table()[3].id, 5, 34, 1};  // Windows+A
  keys.Table()[10] = {keys.Table()[10].id, 2, 11, 1};
  keys.Save();
  keys.Load();
  const HotkeyEntry& e = keys.Table()[3];
  EXPECT_EQ(std::tuple(e.modifierIndex, e.keyIndex, e.enabled), std::tuple(5, 34, 1));
  EXPECT_EQ(keys.Table()[10].keyIndex, 11);
  EXPECT_EQ(keys.Table()[0].enabled, 0);
}

TEST_F(HotkeyStore, IndicesOutOfRangeAreRefused) {
  // Modifier 6 and key 600 are past their lists; any non-zero value enables.
  const std::pair<const char*, DWORD> values[] = {{"hk01m", 6}, {"hk01v", 3},   {"hk01a", 1},
                                                  {"hk02m", 1}, {"hk02v", 600}, {"hk02a", 7},
                                                  {"hk03m", 1}, {"hk03v", 59},  {"hk03a", 7}};
  for (auto [name, value] : values) WriteDword(name, value);
  Hotkeys keys;
  keys.Load();
  EXPECT_EQ(keys.Table()[1].enabled, 0);
  EXPECT_EQ(keys.Table()[2].enabled, 0);
  EXPECT_EQ(keys.Table()[3].enabled, 1);
  EXPECT_EQ(keys.Table()[3].keyIndex, 59);
}

// Each table is its own: a new one is all off under the ids a load gives,
// and writing, saving or loading one leaves the others as they were.
TEST_F(HotkeyStore, TablesSideBySideKeepTheirOwnEntries) {
  Hotkeys first, second, fresh, loaded;
  loaded.Load();
  for (int i = 0; i < kHotkeyCount; ++i) {
    const HotkeyEntry& e = fresh.Table()[i];
    EXPECT_EQ(std::tuple(e.id, e.modifierIndex, e.keyIndex, e.enabled),
              std::tuple(loaded.Table()[i].id, 0, 0, 0))
        << i;
  }
  first.Table()[3] = {first.Table()[3].id, 5, 34, 1};   // Windows+A
  second.Table()[3] = {second.Table()[3].id, 1, 4, 1};  // Ctrl+F5
  second.Table()[10] = {second.Table()[10].id, 2, 11, 1};
  first.Save();
  fresh.Load();

  struct Row {
    const char* what;
    const Hotkeys& table;
    int entry;
    std::tuple<int, int, int> expected;  // modifier, key, enabled
  };
  const Row rows[] = {
      {"the saved table", first, 3, {5, 34, 1}},
      {"the saved table's entry it left", first, 10, {0, 0, 0}},
      {"the other table, not saved", second, 3, {1, 4, 1}},
      {"the other table's own entry", second, 10, {2, 11, 1}},
      {"a table loaded after the save", fresh, 3, {5, 34, 1}},
      {"a table loaded before the save", loaded, 3, {0, 0, 0}},
  };
  for (const Row& r : rows) {
    const HotkeyEntry& e = r.table.Table()[r.entry];
    EXPECT_EQ(std::tuple(e.modifierIndex, e.keyIndex, e.enabled), r.expected) << r.what;
    EXPECT_EQ(e.id, loaded.Table()[r.entry].id) << r.what;
  }
  // A load replaces the whole table from the subkey.
  second.Load();
  EXPECT_EQ(std::tuple(second.Table()[3].modifierIndex, second.Table()[3].keyIndex), std::tuple(5, 34));
  EXPECT_EQ(second.Table()[10].enabled, 0);
}
