// The Sound, Hotkeys, Winamp and Weather pages driven through their controls
// in the running sheet: what apply stores, what a cancel puts back, what the
// running program sees before either, and the help topics.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "objects/metar_download.h"
#include "objects/weather_sign.h"
#include "options/option_pages.h"
#include "options/options_test_support.h"
#include "services/hotkeys.h"
#include "services/sound_library.h"
#include "services/portable/help_topics.h"

namespace {

using namespace options_test;

const char kStations[] =
    "~~Deutschland|276\r\nEDDF Frankfurt/Main\r\nEDDM M\xfcnchen\r\nEDDH Hamburg\r\n"
    "~~Schweiz\r\nLSZH Z\xfcrich\r\nLSGG Genf\r\n";

HWND PageOf(HWND sheet, int dialogId) { return ShowPage(sheet, SheetIndex(dialogId)); }
bool Enabled(HWND page, int control) { return IsWindowEnabled(GetDlgItem(page, control)) != 0; }
bool Shown(HWND page, int control) { return IsWindowVisible(GetDlgItem(page, control)) != 0; }
int ListCount(HWND page, int control) { return static_cast<int>(SendDlgItemMessageA(page, control, CB_GETCOUNT, 0, 0)); }
int ListSelection(HWND page, int control) {
  return static_cast<int>(SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0));
}

// Presses OK in the next message box of this thread and keeps its text.
std::string g_boxText;
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA("#32770", "FEHLER!");
  if (!box) return;
  KillTimer(nullptr, timer);
  char text[256] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  g_boxText = text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

DWORD WINAPI Disconnected(DWORD) { return ERROR_INTERNET_DISCONNECTED; }
DWORD WINAPI Connected(DWORD) { return ERROR_SUCCESS; }

class PagesTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    hotkeyKey_ = std::string(SETTINGS_KEY) + "\\Hotkeys";
    DeleteTree(HKEY_CURRENT_USER, hotkeyKey_.c_str());
    LoadHotkeys();
    figure_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    FigureWindow = figure_;
    GetTempPathA(MAX_PATH, ProgramFolder);
    lstrcatA(ProgramFolder, "waylune_pages_test");
    CreateDirectoryA(ProgramFolder, nullptr);
    stationFile_ = std::string(ProgramFolder) + "\\STATIONS.DAT";
    WriteStations(kStations);
    MetarReport.Set({});
    g_boxText.clear();
  }
  void TearDown() override {
    RegisterHotkeys(0);
    DeleteTree(HKEY_CURRENT_USER, hotkeyKey_.c_str());
    DeleteFileA(stationFile_.c_str());
    RemoveDirectoryA(ProgramFolder);
    ProgramFolder[0] = 0;
    DestroyWindow(figure_);
    FigureWindow = nullptr;
    InternetAttemptConnectHook = InternetAttemptConnect;
    SheetTest::TearDown();
  }

  void WriteStations(const char* text) {
    HANDLE file = CreateFileA(stationFile_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, text, lstrlenA(text), &written, nullptr);
    CloseHandle(file);
  }
  void Store(const char* name, const char* text) { WriteSettingString(name, text); }
  // Whether the combination is free to register (no hotkey holds it).
  bool Free(int entry) {
    const HotkeyEntry& e = HotkeyTable[entry];
    const bool free = RegisterHotKey(figure_, 0x7000, HotkeyModifierFlags(e.modifierIndex),
                                     HotkeyVirtualKey(e.keyIndex)) != 0;
    if (free) UnregisterHotKey(figure_, 0x7000);
    return free;
  }

  std::string hotkeyKey_, stationFile_;
  HWND figure_ = nullptr;
};

// One row: the page, what the user does, how the sheet is left, and what the
// program and the registry show afterwards.
enum class Leave { kApply, kCancel };
struct Row {
  const char* name;
  int dialog;
  std::function<void()> before;        // settings and registry to start from
  std::function<void(HWND page)> act;  // done on the page; may check what the program sees at once
  Leave leave;
  std::function<void()> after;
};

TEST_F(PagesTest, SetApplyCancelReopen) {
  auto none = [] {};
  const Row rows[] = {
      {"sound group off, applied", 111, [] { ASSERT_TRUE(LoadSoundLibrary(nullptr, 0)); },
       [](HWND page) {
         EXPECT_FALSE(Shown(page, 3090));
         EXPECT_TRUE(IsChecked(page, 1401));
         Click(page, 1404);
       },
       Leave::kApply,
       [this] {
         UnloadBass();
         EXPECT_EQ(Settings.SoundOpt[2].Get(), 0);
         EXPECT_EQ(Stored("SoundOpt"), "1,1,0,1,1,1,1,1,1,1") << "bell and alarm keep their stored choice";
       }},
      {"sound and volume heard at once, cancelled", 111, [] { ASSERT_TRUE(LoadSoundLibrary(nullptr, 0)); },
       [](HWND page) {
         Slide(page, 1418, 300);
         EXPECT_EQ(Settings.SNDvolume.Get(), 300);
         Click(page, 1401);
         EXPECT_EQ(Settings.Sound.Get(), 0);
         EXPECT_FALSE(Enabled(page, 1418));
       },
       Leave::kCancel,
       [this] {
         UnloadBass();
         EXPECT_EQ(Settings.Sound.Get(), 1);
         EXPECT_EQ(Settings.SNDvolume.Get(), 1000);
         EXPECT_EQ(Stored("SNDvolume"), "");
       }},
      {"without the sound library the choice stays", 111, none,
       [](HWND page) {
         EXPECT_TRUE(Shown(page, 3090));
         EXPECT_FALSE(Enabled(page, 1401));
         EXPECT_FALSE(Enabled(page, 1421));
         EXPECT_FALSE(IsChecked(page, 1401));
         EXPECT_FALSE(Shown(page, 1402));
       },
       Leave::kApply, [this] { EXPECT_EQ(Stored("Sound"), "1"); }},
      {"system hotkey changed, applied", 105,
       [this] {
         HotkeyTable[0] = {512, 1, 20, 1};  // Strg+num 8
         SaveHotkeys();
         RegisterHotkeys(1);
         EXPECT_FALSE(Free(0));
       },
       [](HWND page) {
         Select(page, 2031, 4);  // F5
         EXPECT_EQ(ListSelection(page, 2001), 1);
       },
       Leave::kApply,
       [this] {
         LoadHotkeys();
         EXPECT_EQ(HotkeyTable[0].keyIndex, 4);
         EXPECT_FALSE(Free(0)) << "registered again";
       }},
      {"hotkeys free while the page is open, cancel puts them back", 105,
       [this] {
         HotkeyTable[1] = {513, 0, 30, 1};  // Alt+6
         SaveHotkeys();
         RegisterHotkeys(1);
       },
       [this](HWND page) {
         EXPECT_TRUE(Free(1));
         EXPECT_EQ(ListSelection(page, 2032), 30);
         Select(page, 2032, 31);
         Click(page, 2062);
       },
       Leave::kCancel,
       [this] {
         EXPECT_EQ(HotkeyTable[1].keyIndex, 30);
         EXPECT_EQ(HotkeyTable[1].enabled, 1);
         EXPECT_FALSE(Free(1));
       }},
      {"player switch off at once, cancelled", 109, none,
       [](HWND page) {
         Click(page, 3034);
         EXPECT_EQ(Settings.NoWinamp.Get(), 1);
         EXPECT_FALSE(Enabled(page, 2037));
       },
       Leave::kCancel, [this] {
         EXPECT_EQ(Settings.NoWinamp.Get(), 0);
         EXPECT_EQ(Stored("NoWinamp"), "");
       }},
      {"player switch and path applied by their own page", 109, none,
       [](HWND page) {
         Click(page, 3034);
         char exe[MAX_PATH];
         GetModuleFileNameA(nullptr, exe, sizeof exe);
         Type(page, 1131, exe);
         Select(page, 2038, 6);  // louder on F7
       },
       Leave::kApply,
       [this] {
         char exe[MAX_PATH];
         GetModuleFileNameA(nullptr, exe, sizeof exe);
         EXPECT_EQ(Stored("NoWinamp"), "1");
         EXPECT_EQ(Stored("WinampExe"), exe);
         EXPECT_EQ(HotkeyTable[7].keyIndex, 6);
       }},
      {"station chosen and applied, old report dropped", 104,
       [this] {
         Store("Weather", "1,30,0,0,1,276");
         LoadSettings();
         char cache[MAX_PATH];
         ASSERT_TRUE(MetarCachePath(cache));
         HANDLE file = CreateFileA(cache, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
         CloseHandle(file);
       },
       [](HWND page) {
         EXPECT_EQ(ListCount(page, 1313), 2);
         EXPECT_EQ(ListSelection(page, 1315), 1);
         Select(page, 1313, 1);
         EXPECT_EQ(ListCount(page, 1315), 2);
         Select(page, 1315, 1);
         EXPECT_EQ(Settings.METAR.Get(), "") << "the sign keeps its station until apply";
       },
       Leave::kApply,
       [this] {
         EXPECT_EQ(Stored("Weather"), "1,30,0,1,1,0");
         EXPECT_EQ(Stored("METAR"), "LSGG");
         EXPECT_EQ(Stored("WeatherCountry"), "Schweiz");
         EXPECT_EQ(Stored("WeatherStation"), "Genf");
         char cache[MAX_PATH];
         MetarCachePath(cache);
         EXPECT_EQ(GetFileAttributesA(cache), INVALID_FILE_ATTRIBUTES);
       }},
      {"sign switched at once, cancel switches it back", 104,
       [this] {
         Store("Weather", "0,1440,0,5,9,276");
         LoadSettings();
       },
       [](HWND page) {
         EXPECT_EQ(ListSelection(page, 1313), 0) << "a stored index beyond the list";
         EXPECT_TRUE(IsChecked(page, 1327));
         EXPECT_FALSE(Enabled(page, 1315));
         WeatherReloadRequest = 0;
         Click(page, 1311);
         EXPECT_EQ(Settings.Weather[0].Get(), 1);
         EXPECT_EQ(WeatherReloadRequest.load(), 1) << "the sign is placed at once";
         WeatherReloadRequest = 0;
         EXPECT_TRUE(Enabled(page, 1315));
         Click(page, 1328);
         Click(page, 1321);
         EXPECT_TRUE(Enabled(page, 1323));
       },
       Leave::kCancel,
       [this] {
         EXPECT_EQ(WeatherReloadRequest.load(), 1) << "and taken away again";
         EXPECT_EQ(Settings.Weather[0].Get(), 0);
         EXPECT_EQ(Settings.Weather[1].Get(), 1440);
         EXPECT_EQ(Settings.AccessType.Get(), 0);
         EXPECT_EQ(Stored("Weather"), "0,1440,0,5,9,276");
       }},
      {"no station list: everything off", 104,
       [this] {
         DeleteFileA(stationFile_.c_str());
         Store("Weather", "1,60,0,0,0,0");
         LoadSettings();
       },
       [](HWND page) {
         EXPECT_EQ(ListCount(page, 1313), 0);
         EXPECT_FALSE(Enabled(page, 1313));
         EXPECT_FALSE(Enabled(page, 1329));
         EXPECT_TRUE(IsChecked(page, 1328)) << "60 minutes shows as every 30";
       },
       Leave::kCancel, none},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (&row != rows) {
      TearDown();
      SetUp();
    }
    row.before();
    RunSheet([&](HWND sheet) {
      HWND page = PageOf(sheet, row.dialog);
      row.act(page);
      if (row.leave == Leave::kApply)
        Ok(sheet);
      else
        Cancel(sheet);
    });
    row.after();
  }
}

TEST_F(PagesTest, HelpButtonsOpenThePagesTopics) {
  static std::vector<int> asked;
  asked.clear();
  auto* previous = OptionsHelp;
  OptionsHelp = [](HWND, const HELPINFO*, int topic) { asked.push_back(topic); };
  RunSheet([](HWND sheet) {
    for (int dialog : {111, 104, 105, 109}) {
      PageOf(sheet, dialog);
      PropSheet_PressButton(sheet, PSBTN_HELP);
      // The press is posted: let the page take it before the next one shows.
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
  });
  OptionsHelp = previous;
  EXPECT_EQ(asked, (std::vector<int>{TOPIC_SOUND, TOPIC_WEATHER, TOPIC_HOTKEYS, TOPIC_WINAMP}));
}

TEST_F(PagesTest, UpdateNowWithoutAConnectionSaysSo) {
  Store("Weather", "1,30,0,0,0,276");
  LoadSettings();
  InternetAttemptConnectHook = Disconnected;
  RunSheet([](HWND sheet) {
    SetTimer(nullptr, 0, 50, CloseMessageBox);
    Click(PageOf(sheet, 104), 1329);
  });
  EXPECT_EQ(g_boxText, "Keine Internetverbindung.");
  EXPECT_EQ(Stored("METAR"), "EDDF") << "the choice is stored before the fetch";
}

// The page waits for the fetch it started, to its end, even from a server
// that answers slowly.
TEST_F(PagesTest, UpdateNowWaitsForItsFetch) {
  const char* port = std::getenv("WAYLUNE_FTP_SLOW");
  ASSERT_NE(port, nullptr) << "run through tests/ftp_server.py run";
  Store("Weather", "1,30,0,0,0,276");
  LoadSettings();
  InternetAttemptConnectHook = Connected;
  RunSheet([&](HWND sheet) {
    HWND page = PageOf(sheet, 104);
    Click(page, 1321);
    Type(page, 1323, "127.0.0.1");
    Type(page, 1325, port);
    Click(page, 1329);
    EXPECT_EQ(MetarReport.busy.load(), 0);
    EXPECT_TRUE(MetarReport.Valid());
    EXPECT_EQ(MetarReport.Get().values.temperatureC, 8);
    EXPECT_TRUE(Enabled(page, 1329));
  });
  EXPECT_EQ(g_boxText, "");
}

}  // namespace
