// The sheet frame: its pages, its place on the screen, apply against cancel.
#include "options/options_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "options/option_pages.h"
#include "options/options_test_support.h"
#include "options/page_ids.h"
#include "stage/billboard_state.h"
#include "stage/strip_requests.h"
#include "services/settings_owner.h"
#include "services/shell_state.h"
#include "services/settings_test_support.h"

namespace {

using namespace options_test;

TEST(PauseText, RoundsAsTheSliderShowsIt) {
  const struct {
    int seconds;
    const char* text;
  } rows[] = {
      {8000, "ca. 2 Stunden, 10 Minuten"},
      {3600, "ca. 1 Stunde, 0 Minuten"},
      {600, "ca. 10 Minuten"},
      {200, "ca. 4 Minuten"},
      {61, "ca. 2 Minuten"},
      {119, "ca. 2 Minuten"},
      {30, "ca. 30 Sekunden"},
      {12, "ca. 12 Sekunden"},
      {301, "ca. 6 Minuten"},
      {660, "ca. 10 Minuten"},
  };
  for (const auto& row : rows) {
    char text[64];
    PauseText(row.seconds, text, sizeof text);
    EXPECT_STREQ(text, row.text) << row.seconds;
  }
}

TEST_F(SheetTest, DialogPositionIsKeptOnlyInsideTheWorkArea) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HWND window =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  RECT client;
  GetClientRect(window, &client);
  const int fallback = work.right - client.right - 50;
  const struct {
    const char* stored;  // null: no value
    int left;
  } rows[] = {
      {nullptr, fallback}, {"0,0", fallback},     {"-5,-5", fallback},   {"100,120", 100},
      {"0,40", 0},         {"40000,5", fallback}, {"-300,40", fallback}, {"junk", fallback},
  };
  for (const auto& row : rows) {
    if (row.stored) WriteSettingString("DlgPos", row.stored);
    RestoreDialogPos(window);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, row.left) << (row.stored ? row.stored : "(none)");
  }
  SaveDialogPos(window);
  EXPECT_EQ(Stored("DlgPos").rfind(std::to_string(fallback) + ",", 0), 0u) << Stored("DlgPos");
  DestroyWindow(window);
}

TEST_F(SheetTest, OpensWithTheBuiltPagesAndASecondOpenOnlyRaisesIt) {
  std::vector<std::string> titles;
  HWND seen = nullptr;
  int nested = -1;
  RECT placed = {};
  WriteSettingString("DlgPos", "100,120");
  EXPECT_EQ(RunSheet([&](HWND sheet) {
              seen = sheet;
              GetWindowRect(sheet, &placed);
              HWND tabs = PropSheet_GetTabControl(sheet);
              for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
                char text[64] = {};
                TCITEMA item = {};
                item.mask = TCIF_TEXT;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
                titles.push_back(text);
              }
              EXPECT_EQ(TestParts().shell.optionsOpen.load(), 1);
              nested = OpenOptions(nullptr, {});  // returns at once: the open sheet is raised
              Ok(sheet);
            }),
            1);
  std::vector<std::string> expected;
  for (const OptionsPage& entry : kOptionsPages)
    if (entry.proc) expected.push_back(entry.title);
  EXPECT_EQ(titles, expected);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(placed.left, 100);  // where it was left last time
  EXPECT_EQ(placed.top, 120);
  EXPECT_EQ(OpenOptionsWindow(), nullptr);
  EXPECT_EQ(TestParts().shell.optionsOpen.load(), 0);
  EXPECT_FALSE(Stored("DlgPos").empty());  // the General page saves the place when it is left
}

std::string RowText(const char* name) {
  return FindSettingRow(name)->field->get(TestSettings());
}

// Every setting as the threads see it, by row.
std::vector<std::string> LiveRows() {
  std::vector<std::string> values;
  for (const SettingRow& row : SettingRows()) values.push_back(row.field->get(TestSettings()));
  return values;
}

std::vector<std::string> ChangedRows(const std::vector<std::string>& before) {
  std::vector<std::string> changed;
  size_t i = 0;
  for (const SettingRow& row : SettingRows())
    if (row.field->get(TestSettings()) != before[i++]) changed.push_back(row.name);
  return changed;
}

// The sheet's procedure for one page's PSN_APPLY, as the sheet sends it.
void ApplyOnly(HWND sheet, int dialog) {
  HWND page = ShowPage(sheet, SheetIndex(dialog));
  PSHNOTIFY notify = {};
  notify.hdr.hwndFrom = sheet;
  notify.hdr.code = PSN_APPLY;
  SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

// Edits on many pages, some shown at once: a cancel leaves the live
// settings and the stored values as they were.
TEST_F(SheetTest, ACancelDropsTheCopyAndTakesBackWhatWasShownAtOnce) {
  // The first load writes the first-start folders: the sheet's own load
  // then finds the key as it is now.
  LoadSettings(TestSettings());
  LoadSettings(TestSettings());
  const std::vector<std::string> before = LiveRows();
  std::map<std::string, std::string> storedBefore;
  for (const SettingRow& row : SettingRows()) storedBefore[row.name] = Stored(row.name);
  TestParts().weatherSign.reloadRequest = 0;
  RunSheet([&](HWND sheet) {
    Click(ShowPage(sheet, SheetIndex(IDD_PAGE_GENERAL)), IDC_GENERAL_AUTOSTART);
    Slide(ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED)), IDC_SPEED_SLIDER, 10);
    HWND desktop = ShowPage(sheet, SheetIndex(IDD_PAGE_DESKTOP));
    Click(desktop, IDC_DESKTOP_STRIP_NEXT);
    Slide(desktop, IDC_DESKTOP_OFFSET, 200);
    Click(desktop, IDC_DESKTOP_WALLPAPER_BITMAP);
    Slide(ShowPage(sheet, SheetIndex(111)), 1418, 250);  // the volume
    Click(ShowPage(sheet, SheetIndex(IDD_PAGE_PEOPLE)), IDC_PEOPLE_ALL_OFF);
    HWND plane = ShowPage(sheet, SheetIndex(IDD_PAGE_PLANE));
    Click(plane, IDC_PLANE_OFF);
    Type(plane, IDC_PLANE_BANNER, "Nie gesehen");
    Click(ShowPage(sheet, SheetIndex(IDD_PAGE_CLOCK)), IDC_CLOCK_FACE2);
    Click(ShowPage(sheet, SheetIndex(IDD_PAGE_COUNTDOWN)), IDC_COUNTDOWN_DESIGN2);
    Click(ShowPage(sheet, SheetIndex(IDD_PAGE_BILLBOARD)), IDC_BILLBOARD_CALENDAR_ONLY);
    Click(ShowPage(sheet, SheetIndex(104)), 1311);  // the weather sign on
    Click(ShowPage(sheet, SheetIndex(109)), 3034);  // the player off
    // Shown at once: the volume, the sign and the player switch; the rest
    // only in the copy.
    EXPECT_EQ(ChangedRows(before), (std::vector<std::string>{"SNDvolume", "NoWinamp", "Weather"}));
    EXPECT_EQ(OpenRun().Copy().Calendar.Get(), 1);
    EXPECT_EQ(OpenRun().Copy().SNDvolume.Get(), 250);
    EXPECT_EQ(TestSettings().Calendar.Get(), 0);
    Cancel(sheet);
  });
  EXPECT_EQ(ChangedRows(before), std::vector<std::string>{});
  EXPECT_EQ(TestParts().weatherSign.reloadRequest.load(), 1) << "the sign goes again";
  for (const SettingRow& row : SettingRows()) EXPECT_EQ(Stored(row.name), storedBefore[row.name]) << row.name;
}

// One page's apply commits that page's settings and no other page's edits;
// a preview it commits stays after a cancel.
TEST_F(SheetTest, APagesApplyCommitsOnlyItsOwnSettings) {
  const struct {
    const char* name;
    int applied;  // the page whose apply runs
    std::vector<std::string> changed;
  } rows[] = {
      {"speed", IDD_PAGE_SPEED, {"Speed", "Pause"}},
      {"clock", IDD_PAGE_CLOCK, {"Clock", "RecycleBin"}},  // the bin's files show on face 1 only
      {"billboard", IDD_PAGE_BILLBOARD, {"Calendar"}},
      {"sound, its preview committed; bell and alarm off", 111, {"SNDvolume", "SoundOpt"}},
      {"weather, its preview committed", 104, {"Weather"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    LoadSettings(TestSettings());
    const std::vector<std::string> before = LiveRows();
    RunSheet([&](HWND sheet) {
      Slide(ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED)), IDC_SPEED_SLIDER, 10);
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_CLOCK)), IDC_CLOCK_FACE2);
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_BILLBOARD)), IDC_BILLBOARD_CALENDAR_ONLY);
      Slide(ShowPage(sheet, SheetIndex(111)), 1418, 250);
      Click(ShowPage(sheet, SheetIndex(104)), 1311);
      ApplyOnly(sheet, row.applied);
      Cancel(sheet);
    });
    EXPECT_EQ(ChangedRows(before), row.changed);
    // Stored as the live settings hold them: committed values, and the
    // other pages' values as they were before.
    for (const char* name : {"Speed", "Clock", "Calendar", "SNDvolume"})
      if (!Stored(name).empty()) {
        EXPECT_EQ(Stored(name), RowText(name)) << name;
      }
    if (row.applied == 104) {
      EXPECT_EQ(Stored("Weather"), "1,60,0,0,0,0");
    }
  }
}

// The pages reach the objects, the wall, the strip and the shell only
// through the parts the sheet is handed: the program's own are never asked,
// and a sheet handed none applies every page without a request.
TEST_F(SheetTest, ThePagesAskOnlyThePartsTheyAreHanded) {
  // Clock reload and relayout, countdown reload and relayout, sign reload,
  // wall reload, strip unload and relayout; each read and cleared.
  using Words = std::array<int, 8>;
  auto read = [](AskedObject& clock, AskedObject& countdown, AskedObject& sign, BillboardStateBlock& wall,
                 StripRequestWords& strip) {
    return Words{
        clock.reloadRequest.exchange(0), clock.relayout.exchange(0),     countdown.reloadRequest.exchange(0),
        countdown.relayout.exchange(0),  sign.reloadRequest.exchange(0), wall.unloadRequest.exchange(0),
        strip.unload.exchange(0),        strip.relayout.exchange(0)};
  };
  // The program's own parts: none is reachable by name; the objects, the
  // wall and the strip are the shell's, never the sheet's own.
  AskedObject noClock, noCountdown, noSign;
  BillboardStateBlock noWall;
  StripRequestWords noStrip;
  ShellState otherShell;  // as the program's shell words would be: never the sheet's
  auto program = [&] { return read(noClock, noCountdown, noSign, noWall, noStrip); };
  TestDesktop& own = TestParts();
  auto handed = [&] { return read(own.clock, own.countdown, own.weatherSign, own.billboard, own.strip); };
  const struct {
    const char* name;
    bool handParts;
    Words expected;  // in the handed parts
  } rows[] = {
      {"handed", true, {1, 1, 1, 1, 1, 1, 1, 1}},
      {"none handed", false, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    LoadSettings(TestSettings());
    program();
    handed();
    const int clockBefore = TestSettings().Clock.Get(), countdownBefore = TestSettings().Countdown.Get();
    int programOpen = -1, handedOpen = -1;
    RunSheetWith(row.handParts ? own.Parts() : OptionsParts{}, [&](HWND sheet) {
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_CLOCK)), IDC_CLOCK_FACE2);
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_COUNTDOWN)), IDC_COUNTDOWN_DESIGN2);
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_BILLBOARD)), IDC_BILLBOARD_ON);
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_DESKTOP)), IDC_DESKTOP_STRIP_NEXT);
      Click(ShowPage(sheet, SheetIndex(104)), 1311);  // the weather sign on: its reload at once
      programOpen = otherShell.optionsOpen.load();
      handedOpen = own.shell.optionsOpen.load();
      Ok(sheet);
    });
    EXPECT_EQ(programOpen, 0) << "another owner's shell words are not the sheet's";
    EXPECT_EQ(handedOpen, row.handParts ? 1 : 0);
    EXPECT_EQ(own.shell.optionsOpen.load(), 0) << "cleared when the sheet closes";
    EXPECT_EQ(handed(), row.expected);
    EXPECT_EQ(program(), Words{}) << "the program's own parts are never asked";
    // What the pages applied is committed and saved either way: into the
    // handed settings, or into the sheet's own table, which leaves the
    // program's alone.
    EXPECT_EQ(Stored("Clock"), "2");
    EXPECT_EQ(Stored("Countdown"), "2");
    EXPECT_EQ(TestSettings().Clock.Get(), row.handParts ? 2 : clockBefore);
    EXPECT_EQ(TestSettings().Countdown.Get(), row.handParts ? 2 : countdownBefore);
  }
}

// The sheet reaches the live settings only through the owner it is
// handed: it loads, commits, shows and takes back there, saves what that
// owner's table committed, and another owner's table beside it stays as it
// was, whether the pages apply or cancel.
TEST_F(SheetTest, TheSheetChangesOnlyTheSettingsOfItsHandedOwner) {
  const struct {
    const char* name;
    bool apply;
    std::vector<std::string> changed;  // in the handed table, after the sheet
    const char* storedClock;
    const char* storedVolume;
  } rows[] = {
      {"cancel", false, {}, "", ""},
      // The sound page's apply switches the bell and the alarm off (SoundOpt).
      {"apply", true, {"SNDvolume", "SoundOpt", "Clock", "RecycleBin"}, "2", "250"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    LoadSettings(TestSettings());
    AppSettings handedTable;
    SettingsOwner handed(handedTable);
    CopySettings(handedTable, TestSettings());
    const std::vector<std::string> program = LiveRows();
    auto rowsOf = [](const AppSettings& table) {
      std::vector<std::string> values;
      for (const SettingRow& r : SettingRows()) values.push_back(r.field->get(table));
      return values;
    };
    const std::vector<std::string> before = rowsOf(handedTable);
    OptionsParts parts = TestParts().Parts();
    parts.settings = &handed;
    std::string shownVolume;
    std::vector<std::string> programWhileOpen;
    RunSheetWith(parts, [&](HWND sheet) {
      Slide(ShowPage(sheet, SheetIndex(111)), 1418, 250);  // the volume, shown at once
      Click(ShowPage(sheet, SheetIndex(IDD_PAGE_CLOCK)), IDC_CLOCK_FACE2);
      shownVolume = handedTable.SNDvolume.Get() == 250 ? "shown" : "not shown";
      programWhileOpen = LiveRows();
      if (row.apply) {
        Ok(sheet);
      } else {
        Cancel(sheet);
      }
    });
    EXPECT_EQ(shownVolume, "shown") << "a preview goes into the handed table";
    EXPECT_EQ(programWhileOpen, program) << "the other table is never written, not even by a preview";
    EXPECT_EQ(LiveRows(), program);
    std::vector<std::string> changed;
    const std::vector<std::string> after = rowsOf(handedTable);
    size_t i = 0;
    for (const SettingRow& r : SettingRows()) {
      if (after[i] != before[i]) changed.push_back(r.name);
      ++i;
    }
    EXPECT_EQ(changed, row.changed);
    EXPECT_EQ(Stored("Clock"), row.storedClock);
    EXPECT_EQ(Stored("SNDvolume"), row.storedVolume);
  }
}

// The copy is made from the live settings when the sheet opens, whatever
// the last run's copy held; no copy is left while no sheet is open.
TEST_F(SheetTest, TheCopyIsMadeAfreshWhenTheSheetOpens) {
  EXPECT_EQ(OpenSheetRun(), nullptr);
  RunSheet([&](HWND) {
    OpenRun().Copy().Speed = 33;
    Cancel(OpenOptionsWindow());
  });
  int shown = -1;
  RunSheet([&](HWND sheet) {
    EXPECT_EQ(OpenRun().Copy().Speed.Get(), TestSettings().Speed.Get());
    shown = TrackBarPosition(ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED)), IDC_SPEED_SLIDER);
    OpenRun().Copy().Speed = 44;
    Cancel(sheet);
  });
  EXPECT_EQ(shown, 140 - TestSettings().Speed.Get());
  EXPECT_NE(TestSettings().Speed.Get(), 44);
  EXPECT_EQ(OpenSheetRun(), nullptr) << "the run was dropped with its copy";
}

}  // namespace
