// The Sound, Hotkeys, Winamp and Weather pages driven through their controls
// in the running sheet: what apply stores, what a cancel puts back, what the
// running program sees before either, and the help topics.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>

#include "options/option_pages.h"
#include "options/options_test_support.h"
#include "services/hotkeys.h"
#include "services/handles.h"
#include "services/lang_text.h"
#include "services/shell_requests.h"
#include "services/portable/help_topics.h"
#include "services/sound_library.h"
#include "services/settings_test_support.h"

namespace {

using namespace options_test;

bool Enabled(HWND page, int control) {
  return IsWindowEnabled(GetDlgItem(page, control)) != 0;
}
int Chosen(HWND page, int control) {
  return int(SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0));
}
int Count(HWND page, int control) {
  return int(SendDlgItemMessageA(page, control, CB_GETCOUNT, 0, 0));
}

// Presses OK in the error box the page shows and keeps its text.
std::string g_boxText;
void CALLBACK CloseErrorBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA("#32770", "FEHLER!");
  if (!box) return;
  KillTimer(nullptr, timer);
  char text[256] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  g_boxText = text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}
DWORD WINAPI Disconnected(DWORD) {
  return ERROR_INTERNET_DISCONNECTED;
}
DWORD WINAPI Connected(DWORD) {
  return ERROR_SUCCESS;
}

// The hotkey table the tests' sheets are handed.
Hotkeys& Keys() {
  return TestParts().hotkeys;
}

class PagesTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    DeleteTree(HKEY_CURRENT_USER, kHotkeys.c_str());
    Keys().Load();
    shell_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    SetShellWindow(shell_);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    lstrcatA(folder, "waylune_pages_test");
    CreateDirectoryA(folder, nullptr);
    SetProgramFolder(folder);
    stations_ = ProgramFolder() + "\\STATIONS.DAT";
    const OwnedFile file(
        CreateFileA(stations_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const char text[] =
        "~~Deutschland|276\r\nEDDF Frankfurt/Main\r\nEDDM M\xfcnchen\r\n~~Schweiz\r\nLSZH Z\xfcrich\r\n"
        "LSGG Genf\r\n";
    DWORD written;
    WriteFile(file.get(), text, sizeof text - 1, &written, nullptr);
    TestWeather().Reset();
    g_boxText.clear();
  }
  void TearDown() override {
    Keys().Register(0);
    DeleteTree(HKEY_CURRENT_USER, kHotkeys.c_str());
    DeleteFileA(stations_.c_str());
    RemoveDirectoryA(ProgramFolder().c_str());
    SetProgramFolder("");
    SetShellWindow(nullptr);
    DestroyWindow(shell_);
    InternetAttemptConnectHook = InternetAttemptConnect;
    SheetTest::TearDown();
  }
  // Whether nothing holds the entry's key combination.
  bool Free(int entry) {
    const HotkeyEntry& e = Keys().Table()[entry];
    if (!RegisterHotKey(shell_, 0x7000, HotkeyModifierFlags(e.modifierIndex), HotkeyVirtualKey(e.keyIndex)))
      return false;
    UnregisterHotKey(shell_, 0x7000);
    return true;
  }
  HWND shell_ = nullptr;  // the hotkeys' window
  void StoreHotkey(int entry, int modifier, int key) {
    Keys().Table()[entry] = {Keys().Table()[entry].id, modifier, key, 1};
    Keys().Save();
    Keys().Register(1);
  }
  void StoreWeather(const char* list) {
    WriteSettingString("Weather", list);
    LoadSettings(TestSettings());
  }

  const std::string kHotkeys = std::string(SETTINGS_KEY) + "\\Hotkeys";
  std::string stations_;
};

// A page, what the user does there (checking what the program sees at once),
// whether the sheet is left with OK or cancel, and what shows afterwards.
struct Row {
  const char* name;
  int dialog;
  std::function<void()> before;
  std::function<void(HWND page)> act;
  bool ok;
  std::function<void()> after;
};

TEST_F(PagesTest, SetApplyCancelReopen) {
  auto none = [] {};
  auto library = [] { ASSERT_TRUE(LoadSoundLibrary(nullptr, 0)); };
  const Row rows[] = {
      {"a sound group off; applying switches bell and alarm off", 111, library,
       [](HWND page) { Click(page, 1404); }, true,
       [this] {
         UnloadBass();
         EXPECT_EQ(Stored("SoundOpt"), "1,1,0,1,1,1,1,0,0,1");
       }},
      {"sound and volume heard at once, then cancelled", 111, library,
       [](HWND page) {
         Slide(page, 1418, 300);
         Click(page, 1401);
         EXPECT_EQ(TestSettings().SNDvolume.Get() * 10 + TestSettings().Sound.Get(), 3000);
         EXPECT_FALSE(Enabled(page, 1418));
       },
       false,
       [this] {
         UnloadBass();
         EXPECT_EQ(TestSettings().SNDvolume.Get() * 10 + TestSettings().Sound.Get(), 10001);
         EXPECT_EQ(Stored("SNDvolume"), "");
       }},
      {"without the sound library the user's choice stays", 111, none,
       [](HWND page) {
         EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 3090)));
         EXPECT_FALSE(Enabled(page, 1401) || IsChecked(page, 1401) || Enabled(page, 1421));
       },
       true, [this] { EXPECT_EQ(Stored("Sound"), "1"); }},
      {"the library without a device says so, not that it is missing", 111,
       [] { ASSERT_FALSE(LoadSoundLibrary(nullptr, 99)); },
       [](HWND page) {
         char text[64] = "";
         GetDlgItemTextA(page, 3090, text, sizeof text);
         EXPECT_STREQ(text, "Kein Soundger\xe4t gefunden!");
         EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 3090)));
         EXPECT_FALSE(Enabled(page, 1401) || IsChecked(page, 1401));
       },
       true, [] { UnloadBass(); }},
      {"a missing library is named as such", 111, none,
       [](HWND page) {
         char text[64] = "";
         GetDlgItemTextA(page, 3090, text, sizeof text);
         EXPECT_STREQ(text, "BASS.DLL nicht gefunden!");
       },
       true, [] {}},
      {"a system hotkey changed", 105, [this] { StoreHotkey(0, 1, 20); },
       [](HWND page) { Select(page, 2031, 4); }, true,
       [this] {
         Keys().Load();
         EXPECT_EQ(Keys().Table()[0].keyIndex, 4);
         EXPECT_FALSE(Free(0)) << "registered again";
       }},
      {"hotkeys are free while the page is open; cancel puts them back", 105,
       [this] { StoreHotkey(1, 0, 30); },
       [this](HWND page) {
         EXPECT_TRUE(Free(1));
         Select(page, 2032, 31);
         Click(page, 2062);
       },
       false,
       [this] {
         EXPECT_EQ(Keys().Table()[1].keyIndex * 10 + Keys().Table()[1].enabled, 301);
         EXPECT_FALSE(Free(1));
       }},
      {"the player switch at once, then cancelled", 109, none,
       [](HWND page) {
         Click(page, 3034);
         EXPECT_EQ(TestSettings().NoWinamp.Get(), 1);
         EXPECT_FALSE(Enabled(page, 2037));
       },
       false, [this] { EXPECT_EQ(TestSettings().NoWinamp.Get() + Stored("NoWinamp").size(), 0u); }},
      {"the player page saves its switch, path and keys itself", 109, none,
       [](HWND page) {
         Click(page, 3034);
         char exe[MAX_PATH];
         GetModuleFileNameA(nullptr, exe, sizeof exe);
         Type(page, 1131, exe);
         Select(page, 2038, 6);
       },
       true,
       [this] {
         char exe[MAX_PATH];
         GetModuleFileNameA(nullptr, exe, sizeof exe);
         EXPECT_EQ(Stored("NoWinamp") + Stored("WinampExe"), std::string("1") + exe);
         EXPECT_EQ(Keys().Table()[7].keyIndex, 6);
       }},
      {"a station applied; the old report goes", 104, [this] { StoreWeather("1,30,0,0,1,276"); },
       [](HWND page) {
         EXPECT_EQ(Chosen(page, 1315), 1);
         Select(page, 1313, 1);
         Select(page, 1315, 1);
         EXPECT_EQ(TestSettings().METAR.Get(), "") << "the sign keeps its station until apply";
       },
       true,
       [this] {
         EXPECT_EQ(Stored("Weather") + Stored("METAR") + Stored("WeatherCountry") + Stored("WeatherStation"),
                   "1,30,0,1,1,0LSGGSchweizGenf");
         EXPECT_EQ(TestWeather().drops.load(), 1) << "the stored report is dropped";
       }},
      {"the sign switched at once; cancel switches it back", 104,
       [this] { StoreWeather("0,1440,0,5,9,276"); },
       [](HWND page) {
         EXPECT_EQ(Chosen(page, 1313), 0) << "a stored index beyond the list";
         EXPECT_FALSE(Enabled(page, 1315));
         Click(page, 1311);
         EXPECT_EQ(TestSettings().Weather[0].Get() + TestParts().weatherSign.reloadRequest.exchange(0), 2);
         Click(page, 1328);
         Click(page, 1321);
         EXPECT_TRUE(Enabled(page, 1323));
       },
       false,
       [this] {
         EXPECT_EQ(TestParts().weatherSign.reloadRequest.load(), 1) << "the sign is taken away again";
         EXPECT_EQ(TestSettings().Weather[0] + TestSettings().Weather[1] + TestSettings().AccessType, 1440);
         EXPECT_EQ(Stored("Weather"), "0,1440,0,5,9,276");
       }},
      {"no station list: the page stays off and keeps the stored station", 104,
       [this] {
         DeleteFileA(stations_.c_str());
         WriteSettingString("WeatherCountry", "Schweiz");
         StoreWeather("1,60,0,1,1,0");
       },
       [](HWND page) {
         EXPECT_EQ(Count(page, 1313), 0);
         EXPECT_FALSE(Enabled(page, 1313) || Enabled(page, 1329));
         EXPECT_TRUE(IsChecked(page, 1328)) << "60 minutes shows as every 30";
       },
       true,
       [this] {
         EXPECT_EQ(Stored("Weather") + Stored("WeatherCountry"), "1,60,0,1,1,0Schweiz");
         EXPECT_EQ(TestWeather().drops.load(), 0) << "the station stays, and so does its report";
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (&row != rows) TearDown(), SetUp();
    row.before();
    RunSheet([&](HWND sheet) {
      row.act(ShowPage(sheet, SheetIndex(row.dialog)));
      row.ok ? Ok(sheet) : Cancel(sheet);
    });
    row.after();
  }
}

// With a (null) sound device: the list holds the devices after "No sound"; a
// stored number outside 1 to 29 shows the first one, stored as 1 on apply.
TEST_F(PagesTest, DeviceListWithDevice) {
  ASSERT_TRUE(LoadSoundLibrary(nullptr, 0));
  for (DWORD stored : {0u, 30u}) {
    SCOPED_TRACE(stored);
    const OwnedKey key = CreateRegistryKey(root_, SETTINGS_KEY, KEY_SET_VALUE);
    RegSetValueExA(key.get(), "SndDevice", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&stored),
                   sizeof stored);
    RunSheet([](HWND sheet) {
      HWND page = ShowPage(sheet, SheetIndex(111));
      EXPECT_GE(Count(page, 1421), 1);
      EXPECT_EQ(Chosen(page, 1421), 0);
      Ok(sheet);
    });
    EXPECT_EQ(Stored("SndDevice"), "1");
  }
  UnloadBass();
}

TEST_F(PagesTest, HelpButtonsOpenThePagesTopics) {
  static std::vector<int> asked;
  auto* previous = OptionsHelp;
  OptionsHelp = [](HWND, const HELPINFO*, int topic) { asked.push_back(topic); };
  RunSheet([](HWND sheet) {
    for (int dialog : {111, 104, 105, 109}) {
      ShowPage(sheet, SheetIndex(dialog));
      PropSheet_PressButton(sheet, PSBTN_HELP);
      Pump();
    }
  });
  OptionsHelp = previous;
  EXPECT_EQ(asked, (std::vector<int>{TOPIC_SOUND, TOPIC_WEATHER, TOPIC_HOTKEYS, TOPIC_WINAMP}));
}

TEST_F(PagesTest, UpdateNowWithoutAConnectionSaysSoAndKeepsTheChoice) {
  StoreWeather("1,30,0,0,0,276");
  InternetAttemptConnectHook = Disconnected;
  RunSheet([](HWND sheet) {
    SetTimer(nullptr, 0, 50, CloseErrorBox);
    Click(ShowPage(sheet, SheetIndex(104)), 1329);
  });
  EXPECT_EQ(g_boxText, "Keine Internetverbindung.");
  EXPECT_EQ(Stored("METAR"), "EDDF");
}

// The page waits for the fetch it started, to its end: the fetch ends only
// when a timer lets it, which fires while the page waits. It is asked from
// the choices on the page, committed first, and what it brought shows.
WeatherReading g_fetched;
void CALLBACK FinishFetch(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  TestWeather().Finish(g_fetched);
}

TEST_F(PagesTest, UpdateNowWaitsForItsFetch) {
  const struct {
    const char* name;
    WeatherReading fetched;
    bool fahrenheit;
    const char* temperature;  // shown after the fetch; null: not looked at
    const char* box;
  } rows[] = {
      {"a report",
       {true, true, 8, 46},
       false,
       "8 \xb0"
       "C",
       ""},
      {"a report in Fahrenheit",
       {true, true, -5, 23},
       true,
       "23 \xb0"
       "F",
       ""},
      {"no report", {}, false, nullptr, "Keine Wetterdaten vorhanden."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (&row != rows) TearDown(), SetUp();
    StoreWeather("1,30,0,0,0,276");
    InternetAttemptConnectHook = Connected;
    g_fetched = row.fetched;
    std::string shown;
    RunSheet([&](HWND sheet) {
      HWND page = ShowPage(sheet, SheetIndex(104));
      if (row.fahrenheit) Click(page, 1318);
      Click(page, 1321);
      Type(page, 1323, "127.0.0.1");
      Type(page, 1325, "2121");
      SetTimer(nullptr, 0, 50, FinishFetch);
      if (*row.box) SetTimer(nullptr, 0, 50, CloseErrorBox);
      Click(page, 1329);
      EXPECT_FALSE(TestWeather().Busy()) << "waited for";
      EXPECT_EQ(TestWeather().Reading().temperatureC, row.fetched.temperatureC);
      EXPECT_TRUE(Enabled(page, 1329));
      char text[32] = {};
      GetDlgItemTextA(page, 1319, text, sizeof text);
      shown = text;
    });
    EXPECT_EQ(g_boxText, row.box);
    if (row.temperature) {
      EXPECT_EQ(shown, row.temperature);
    }
    EXPECT_EQ(TestWeather().fetches.load(), 1);
    const AskedWeather::FetchSettings& asked = TestWeather().lastFetch;
    EXPECT_EQ(asked.station + "|" + asked.proxy + "|" + std::to_string(asked.port) + "|" +
                  std::to_string(asked.accessType),
              "EDDF|127.0.0.1|2121|3");
  }
}

// While a fetch runs, "update now" asks for no second one.
TEST_F(PagesTest, UpdateNowAsksNoSecondFetchWhileOneRuns) {
  StoreWeather("1,30,0,0,0,276");
  InternetAttemptConnectHook = Connected;
  const OwnedHandle running = TestWeather().FetchNow(AppSettings{});
  ASSERT_TRUE(running);
  RunSheet([](HWND sheet) {
    Click(ShowPage(sheet, SheetIndex(104)), 1329);
    EXPECT_TRUE(TestWeather().Busy());
  });
  EXPECT_EQ(TestWeather().fetches.load(), 1) << "only the running one";
  EXPECT_EQ(g_boxText, "");
  TestWeather().Finish({});
  EXPECT_EQ(WaitForSingleObject(running.get(), 30000), WAIT_OBJECT_0);
}

// The hotkey pages edit, save and register the table the sheet was handed
// and leave every other table alone.
TEST_F(PagesTest, HotkeyPagesEditTheTableTheSheetWasHanded) {
  StoreHotkey(1, 0, 30);  // the tests' table: one entry on
  const HotkeyEntries before = Keys().Table();
  Hotkeys handed;  // every hotkey off
  handed.Table()[2] = {handed.Table()[2].id, 0, 31, 1};
  OptionsParts parts = TestParts().Parts();
  parts.hotkeys = &handed;
  RunSheetWith(parts, [](HWND sheet) {
    Select(ShowPage(sheet, SheetIndex(105)), 2031, 4);
    Ok(sheet);
  });
  EXPECT_EQ(handed.Table()[0].keyIndex, 4);
  EXPECT_EQ(handed.Table()[2].keyIndex * 10 + handed.Table()[2].enabled, 311)
      << "a player row, not on this page";
  for (int i = 0; i < kHotkeyCount; ++i) {
    const HotkeyEntry &a = Keys().Table()[i], &b = before[i];
    EXPECT_EQ(std::tuple(a.id, a.modifierIndex, a.keyIndex, a.enabled),
              std::tuple(b.id, b.modifierIndex, b.keyIndex, b.enabled))
        << i;
  }
  Hotkeys stored;
  stored.Load();
  EXPECT_EQ(stored.Table()[0].keyIndex, 4);
  EXPECT_EQ(stored.Table()[1].enabled, 0) << "the handed table was saved, not the tests'";
  handed.Register(0);
}

}  // namespace
