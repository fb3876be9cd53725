// One run of the sheet: each opening starts from the live settings, keeps
// what an apply committed through a later cancel, gives every page a fresh
// state, and a second opening only brings the open sheet forward.
#include "options/sheet_run.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "options/option_pages.h"
#include "options/options_test_support.h"
#include "options/page_ids.h"
#include "services/settings_test_support.h"
#include "stage/birthdays.h"

namespace {

using namespace options_test;

// What a first run does and how it ends, and what the live settings and a
// second run's copy hold afterwards.
TEST_F(SheetTest, EachRunStartsFromTheLiveSettingsAsTheLastRunLeftThem) {
  enum class End { kCancel, kApplyThenCancel, kOk };
  const struct {
    const char* name;
    End end;
    int speedAfter;   // the live Speed; 0: as before the run
    int volumeAfter;  // the live SNDvolume; 0: as before the run
  } rows[] = {
      {"cancel drops every edit and every preview", End::kCancel, 0, 0},
      {"apply then more edits then cancel keeps what apply committed", End::kApplyThenCancel, 130, 250},
      {"ok keeps the last edits", End::kOk, 120, 300},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    LoadSettings(TestSettings());
    const int speedBefore = TestSettings().Speed.Get();
    const int volumeBefore = TestSettings().SNDvolume.Get();
    RunSheet([&](HWND sheet) {
      HWND speed = ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED));
      Slide(speed, IDC_SPEED_SLIDER, 10);
      HWND sound = ShowPage(sheet, SheetIndex(IDD_PAGE_SOUND));
      Slide(sound, 1418, 250);  // the volume, shown at once
      if (row.end == End::kApplyThenCancel) {
        Apply(sheet);
        Pump();  // the button's press is posted
      }
      Slide(ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED)), IDC_SPEED_SLIDER, 20);
      Slide(ShowPage(sheet, SheetIndex(IDD_PAGE_SOUND)), 1418, 300);
      EXPECT_EQ(TestSettings().SNDvolume.Get(), 300) << "shown at once";
      if (row.end == End::kOk) {
        Ok(sheet);
      } else {
        Cancel(sheet);
      }
    });
    const int speedAfter = row.speedAfter ? row.speedAfter : speedBefore;
    const int volumeAfter = row.volumeAfter ? row.volumeAfter : volumeBefore;
    EXPECT_EQ(TestSettings().Speed.Get(), speedAfter);
    EXPECT_EQ(TestSettings().SNDvolume.Get(), volumeAfter);
    int copied = -1, committed = -1, shown = -1, volume = -1;
    RunSheet([&](HWND sheet) {
      copied = OpenRun().Copy().Speed.Get();
      committed = OpenRun().Committed().Speed.Get();
      shown = TrackBarPosition(ShowPage(sheet, SheetIndex(IDD_PAGE_SPEED)), IDC_SPEED_SLIDER);
      volume = TrackBarPosition(ShowPage(sheet, SheetIndex(IDD_PAGE_SOUND)), 1418);
      Cancel(sheet);
    });
    EXPECT_EQ(copied, speedAfter);
    EXPECT_EQ(committed, speedAfter);
    EXPECT_EQ(shown, 140 - speedAfter);
    EXPECT_EQ(volume, volumeAfter);
    EXPECT_EQ(TestSettings().Speed.Get(), speedAfter);
  }
}

std::string ComboText(HWND page, int control) {
  char text[64] = {};
  GetDlgItemTextA(page, control, text, sizeof text);
  return text;
}

int Chosen(HWND page, int control) {
  return int(SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0));
}

// A page left in the middle of an edit and cancelled: the next run's page
// starts from the settings, not from where the last one stood.
TEST_F(SheetTest, APagesStateIsFreshInANewRun) {
  const struct {
    const char* name;
    int dialog;
    std::function<void(HWND page)> leave;  // the first run's edit, then cancel
    std::function<void(HWND page)> check;  // the second run's page, before OK
    std::function<void()> after;           // once the second run applied
  } rows[] = {
      {"people: the current figure and its switch", IDD_PAGE_PEOPLE,
       [](HWND page) {
         Select(page, IDC_PEOPLE_FIGURE_LIST, 3);
         Click(page, IDC_PEOPLE_ACTIVE);
         EXPECT_FALSE(IsChecked(page, IDC_PEOPLE_ACTIVE));
       },
       [](HWND page) {
         EXPECT_EQ(Chosen(page, IDC_PEOPLE_FIGURE_LIST), 0);
         EXPECT_TRUE(IsChecked(page, IDC_PEOPLE_ACTIVE));
         Click(page, IDC_PEOPLE_ACTIVE);  // the first figure off, and only it
       },
       [] {
         EXPECT_EQ(TestSettings().FigDeactive[0].Get(), 2);
         EXPECT_EQ(TestSettings().FigDeactive[1].Get(), 0);
       }},
      {"birthdays: a name typed and not taken", IDD_PAGE_BIRTHDAYS,
       [](HWND page) {
         Click(page, IDC_BIRTHDAY_NEW);
         SetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, "Nie gesehen");
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_NAMES, CBN_EDITCHANGE), 0);
       },
       [](HWND page) {
         EXPECT_EQ(SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_GETCOUNT, 0, 0), 0);
         Click(page, IDC_BIRTHDAY_NEW);
         // A change of selection gives a name typed in this run to its
         // record; one typed in the last run must not come back.
         Select(page, IDC_BIRTHDAY_NAMES, 0);
         EXPECT_EQ(ComboText(page, IDC_BIRTHDAY_NAMES), "(neu)");
       },
       [] {
         const BirthdayList& table = TestParts().birthdays.Table();
         ASSERT_EQ(table.count, 1);
         EXPECT_STREQ(table.records[0].name, "(neu)");
       }},
      {"clock: the face chosen", IDD_PAGE_CLOCK, [](HWND page) { Click(page, IDC_CLOCK_FACE2); },
       [](HWND page) { EXPECT_TRUE(IsChecked(page, IDC_CLOCK_NONE + TestSettings().Clock.Get())); },
       [] { EXPECT_NE(TestSettings().Clock.Get(), 2); }},
      {"countdown: the design chosen", IDD_PAGE_COUNTDOWN,
       [](HWND page) { Click(page, IDC_COUNTDOWN_DESIGN2); },
       [](HWND page) { EXPECT_TRUE(IsChecked(page, IDC_COUNTDOWN_NONE + TestSettings().Countdown.Get())); },
       [] { EXPECT_NE(TestSettings().Countdown.Get(), 2); }},
      {"billboard: the wall switched", IDD_PAGE_BILLBOARD, [](HWND page) { Click(page, IDC_BILLBOARD_ON); },
       [](HWND page) { EXPECT_EQ(IsChecked(page, IDC_BILLBOARD_ON), TestSettings().Billboard.Get() != 0); },
       [] {}},
      {"desktop: the strip stepped on", IDD_PAGE_DESKTOP,
       [](HWND page) {
         Click(page, IDC_DESKTOP_STRIP_NEXT);
         Click(page, IDC_DESKTOP_STRIP_NEXT);
       },
       [](HWND page) { Click(page, IDC_DESKTOP_STRIP_KEEP); }, [] { EXPECT_EQ(TestSettings().HG.Get(), 1); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    WriteSettingString("HG", "1");
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string birthdays = std::string(folder) + "sheet_run_test.dat";
    DeleteFileA(birthdays.c_str());
    WriteSettingString("FabianDat", birthdays.c_str());
    LoadSettings(TestSettings());
    LoadSettings(TestSettings());
    TestParts().birthdays.Load(TestSettings());
    RunSheet([&](HWND sheet) {
      row.leave(ShowPage(sheet, SheetIndex(row.dialog)));
      Cancel(sheet);
    });
    RunSheet([&](HWND sheet) {
      row.check(ShowPage(sheet, SheetIndex(row.dialog)));
      Ok(sheet);
    });
    row.after();
    DeleteFileA(birthdays.c_str());
  }
}

// A second opening while the sheet is open makes no second run: it brings
// the open sheet forward, whose run and copy stay as they were.
TEST_F(SheetTest, OpeningWhileOpenBringsTheOpenSheetForward) {
  EXPECT_FALSE(RaiseOpenOptions()) << "none open";
  SheetRun* before = nullptr;
  SheetRun* during = nullptr;
  HWND foreground = nullptr;
  HWND sheetWindow = nullptr;
  int nested = -1, copied = -1;
  bool raised = false;
  RunSheet([&](HWND sheet) {
    sheetWindow = sheet;
    before = OpenSheetRun();
    OpenRun().Copy().Speed = 77;
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    nested = OpenOptions(nullptr, TestParts().Parts());
    foreground = GetForegroundWindow();
    during = OpenSheetRun();
    copied = OpenRun().Copy().Speed.Get();
    raised = RaiseOpenOptions();
    DestroyWindow(other);
    Cancel(sheet);
  });
  EXPECT_EQ(nested, 1);
  EXPECT_NE(before, nullptr);
  EXPECT_EQ(during, before) << "no second run";
  EXPECT_EQ(copied, 77) << "the open run's copy is untouched";
  EXPECT_EQ(foreground, sheetWindow);
  EXPECT_TRUE(raised);
  EXPECT_FALSE(RaiseOpenOptions()) << "closed";
  EXPECT_EQ(OpenSheetRun(), nullptr);
  EXPECT_NE(TestSettings().Speed.Get(), 77);
}

// The bell's time of day on the Sound page is no setting: what an apply
// left is kept for the next run only in the memory the sheet is handed.
TEST_F(SheetTest, TheSoundPagesTimesLiveInTheHandedMemory) {
  constexpr int kBellPicker = 1415;
  const struct {
    const char* name;
    bool handMemory;
    bool ok;
    int shownAfter;  // the second run's picker, as hhmmss
  } rows[] = {
      {"applied into the handed memory", true, true, 73015},
      {"cancelled: the memory keeps what it had", true, false, 0},
      {"no memory handed: each run starts at midnight", false, true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SheetMemory memory;
    OptionsParts parts = TestParts().Parts();
    parts.memory = row.handMemory ? &memory : nullptr;
    RunSheetWith(parts, [&](HWND sheet) {
      HWND page = ShowPage(sheet, SheetIndex(IDD_PAGE_SOUND));
      SYSTEMTIME time = {};
      GetLocalTime(&time);
      time.wHour = 7, time.wMinute = 30, time.wSecond = 15;
      SendDlgItemMessageA(page, kBellPicker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
      NMDATETIMECHANGE change = {};
      change.nmhdr = {GetDlgItem(page, kBellPicker), UINT_PTR(kBellPicker), DTN_DATETIMECHANGE};
      change.dwFlags = GDT_VALID;
      change.st = time;
      SendMessageA(page, WM_NOTIFY, kBellPicker, reinterpret_cast<LPARAM>(&change));
      if (row.ok) {
        Ok(sheet);
      } else {
        Cancel(sheet);
      }
    });
    int shown = -1;
    RunSheetWith(parts, [&](HWND sheet) {
      HWND page = ShowPage(sheet, SheetIndex(IDD_PAGE_SOUND));
      SYSTEMTIME time = {};
      SendDlgItemMessageA(page, kBellPicker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
      shown = time.wHour * 10000 + time.wMinute * 100 + time.wSecond;
      Cancel(sheet);
    });
    EXPECT_EQ(shown, row.shownAfter);
    EXPECT_EQ(
        memory.soundTimes[0].hour * 10000 + memory.soundTimes[0].minute * 100 + memory.soundTimes[0].second,
        row.handMemory ? row.shownAfter : 0);
  }
}

}  // namespace
