// The options sheet in the running program: "Optionen" from the tray menu
// opens it once, and what a page applies reaches the desktop objects.

#include "options/page_ids.h"
#include "services/handles.h"
#include "services/messages.h"
#include "tests/e2e/program_driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kKey[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";

int StoredInt(const char* name, int missing) {
  DWORD value = 0, size = sizeof value, type = 0;
  const OwnedKey key = OpenRegistryKey(HKEY_CURRENT_USER, kKey, KEY_READ);
  if (!key) return missing;
  const LONG result =
      RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  return result == ERROR_SUCCESS && type == REG_DWORD ? static_cast<int>(value) : missing;
}

void StoreInt(const char* name, int value) {
  const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, kKey, KEY_SET_VALUE);
  if (!key) return;
  const DWORD data = static_cast<DWORD>(value);
  RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    clock_ = StoredInt("Clock", -1);
    StoreInt("Clock", 1);
  }
  void TearDown() override {
    KillStrayInstances();
    StoreInt("Clock", clock_ < 0 ? 1 : clock_);
  }
  int clock_ = -1;
};

TEST_F(OptionsTest, OneSheetOpensAndItsClockChoiceReachesTheClock) {
  Program program;
  HWND window = WaitForWindow(kClass, program.id(), 20000);
  ASSERT_NE(window, nullptr);
  HWND clock = WaitForWindow("LunClock", program.id(), 20000);
  ASSERT_NE(clock, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(clock) != 0; }, 20000));

  PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
  ASSERT_TRUE(WaitUntil([&] { return OptionsSheets(program.id()).size() == 1; }, 20000));
  HWND sheet = OptionsSheets(program.id())[0];
  // A second "Optionen" brings the open sheet to the front, never a second one.
  PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
  Sleep(500);
  EXPECT_EQ(OptionsSheets(program.id()).size(), 1u);
  EXPECT_TRUE(IsWindow(sheet));

  HWND page = PageWith(sheet, IDC_CLOCK_NONE);
  ASSERT_NE(page, nullptr);
  SendDlgItemMessageA(page, IDC_CLOCK_NONE, BM_CLICK, 0, 0);
  SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  EXPECT_TRUE(WaitUntil([&] { return OptionsSheets(program.id()).empty(); }, 20000));
  EXPECT_EQ(StoredInt("Clock", -1), 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(clock); }, 20000)) << "the clock stays on the desktop";
}

// The weather page lists the stations shipped beside the program; while the
// hotkey page is open its hotkey is free, and a cancel takes it back.
TEST_F(OptionsTest, TheWeatherPageReadsTheShippedStationsAndTheHotkeyPageFreesTheKeys) {
  const std::string hotkeys = std::string(kKey) + "\\Hotkeys";
  {
    const OwnedKey key = CreateRegistryKey(HKEY_CURRENT_USER, hotkeys.c_str(), KEY_SET_VALUE);
    ASSERT_TRUE(key);
    const DWORD values[3] = {0, 8, 1};  // screen saver on Alt+F9
    for (int i = 0; i < 3; ++i)
      RegSetValueExA(key.get(),
                     i == 0   ? "hk00m"
                     : i == 1 ? "hk00v"
                              : "hk00a",
                     0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]), sizeof values[i]);
  }
  auto free = [] {
    if (!RegisterHotKey(nullptr, 0x7100, MOD_ALT, VK_F9)) return false;
    UnregisterHotKey(nullptr, 0x7100);
    return true;
  };

  Program program;
  HWND window = WaitForWindow(kClass, program.id(), 20000);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return !free(); }, 20000)) << "the program holds Alt+F9";
  PostMessageA(window, WM_COMMAND, CMD_OPTIONS, 0);
  ASSERT_TRUE(WaitUntil([&] { return OptionsSheets(program.id()).size() == 1; }, 20000));
  HWND sheet = OptionsSheets(program.id())[0];

  HWND weather = PageWith(sheet, IDC_WEATHER_COUNTRY);
  ASSERT_NE(weather, nullptr);
  EXPECT_GE(SendDlgItemMessageA(weather, IDC_WEATHER_COUNTRY, CB_GETCOUNT, 0, 0), 15);
  EXPECT_GE(SendDlgItemMessageA(weather, IDC_WEATHER_STATION, CB_GETCOUNT, 0, 0), 10);

  ASSERT_NE(PageWith(sheet, IDC_HOTKEY_ON(0)), nullptr);
  EXPECT_TRUE(free());
  SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return OptionsSheets(program.id()).empty(); }, 20000));
  EXPECT_TRUE(WaitUntil([&] { return !free(); }, 20000)) << "registered again after cancel";
  RegDeleteKeyA(HKEY_CURRENT_USER, hotkeys.c_str());
}

}  // namespace
}  // namespace e2e
