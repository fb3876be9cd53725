// The pages driven through their controls as a user would: set, then apply
// or cancel, then reopen. The registry and the running program's words show
// an applied change and never a cancelled one.
#include "options/option_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "objects/billboard_state.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "options/options_test_support.h"
#include "services/wine_test_paths.h"
#include "scene/scenery_strip.h"

namespace {

using namespace options_test;

enum : int { kGeneral = 101, kClock = 102, kSpeed = 103, kBillboard = 110, kPeople = 112, kPlane = 113,
             kDesktop = 114, kCountdown = 117 };

struct Row {
  int dialog;
  std::function<void(HWND page)> act;
  const char* value;                 // the registry value the change lands in
  const char* applied;               // its text after apply
  std::function<int()> live;         // the setting as the threads see it
  int liveApplied;                   // and its value after apply
  std::function<int()> request = {}; // a request word apply raises, if any
};

void ClearRequests() {
  ClockReloadRequest = 0;
  CountdownReloadRequest = 0;
  BillboardReloadRequest = 0;
  StripUnloadRequest = 0;
}

TEST_F(SheetTest, EveryPageAppliesWhatItsControlsSayAndACancelLeavesNoTrace) {
  const Row rows[] = {
      {kGeneral, [](HWND p) { Click(p, 1012); }, "Autostart", "1", [] { return Settings.Autostart.Get(); }, 1},
      {kSpeed, [](HWND p) { Slide(p, 1013, 90); }, "Speed", "50", [] { return Settings.Speed.Get(); }, 50},
      {kSpeed, [](HWND p) { Slide(p, 1014, 75); }, "Pause", "600", [] { return Settings.Pause.Get(); }, 600},
      {kDesktop, [](HWND p) { Click(p, 1352); }, "HG", "0", [] { return Settings.HG.Get(); }, 0,
       [] { return StripUnloadRequest.load(); }},
      {kDesktop, [](HWND p) { Click(p, 1355); }, "HG", "2", [] { return Settings.HG.Get(); }, 2,
       [] { return StripUnloadRequest.load(); }},
      {kDesktop, [](HWND p) { Slide(p, 3067, 300); }, "HGversatz", "0,300,0,0,0,0,0",
       [] { return Settings.HGversatz[1].Get(); }, 300},
      {kDesktop, [](HWND p) { Click(p, 1363);
         Type(p, 1357, "Z:\\nowhere\\none.bmp"); }, "WallpaperPic",
       "Z:\\nowhere\\none.bmp", [] { return Settings.ShowWallpaper.Get(); }, 2},
      {kClock, [](HWND p) { Click(p, 2302); }, "Clock", "2", [] { return Settings.Clock.Get(); }, 2,
       [] { return ClockReloadRequest.load(); }},
      {kClock, [](HWND p) { Click(p, 3032); }, "ClockOnTop", "1", [] { return Settings.ClockOnTop.Get(); }, 1},
      {kClock, [](HWND p) { Click(p, 3034); }, "RecycleBin", "0", [] { return Settings.RecycleBin.Get(); }, 0},
      {kCountdown, [](HWND p) { Click(p, 3075); }, "Countdown", "2", [] { return Settings.Countdown.Get(); }, 2,
       [] { return CountdownReloadRequest.load(); }},
      {kCountdown, [](HWND p) { Click(p, 3075);
         Click(p, 3085); }, "CountdownShowMsg", "1",
       [] { return Settings.CountdownShowMsg.Get(); }, 1},
      {kCountdown, [](HWND p) { Click(p, 3075);
         Click(p, 3084); }, "CountdownStop00", "0",
       [] { return Settings.CountdownStop00.Get(); }, 0},
      {kBillboard, [](HWND p) { Click(p, 1206); }, "Calendar", "1", [] { return Settings.Calendar.Get(); }, 1},
      {kBillboard, [](HWND p) { Click(p, 1209); }, "Billboard", "0", [] { return Settings.Billboard.Get(); }, 0,
       [] { return BillboardReloadRequest.load(); }},
      {kBillboard, [](HWND p) { Select(p, 3040, 17); }, "Feiertage", "17", [] { return Settings.Feiertage.Get(); }, 17},
      {kPeople, [](HWND p) { Click(p, 1501); }, "FigDeactive", "2 ", [] { return Settings.FigDeactive[0].Get(); }, 2},
      {kPeople, [](HWND p) { Click(p, 3092); }, "FigDeactive",
       "2,3,5,8,10,11,13,20,22,24,27,31,34,36,37,38,39,40,42,43,47,49,54,90 ",
       [] { return Settings.FigDeactive[23].Get(); }, 90},
      {kPlane, [](HWND p) { Click(p, 1513); }, "KeinFlugzeug", "1", [] { return Settings.KeinFlugzeug.Get(); }, 1},
      {kPlane, [](HWND p) { Type(p, 1515, "Hallo Welt"); }, "Banner", "Hallo Welt",
       [] { return static_cast<int>(Settings.Banner.Length()); }, 10},
  };
  // Rows of different pages share a sheet (each opening costs Wine seconds).
  std::vector<std::vector<const Row*>> rounds;
  for (const Row& row : rows) {
    auto round = std::find_if(rounds.begin(), rounds.end(), [&](const auto& r) {
      return std::none_of(r.begin(), r.end(), [&](const Row* other) { return other->dialog == row.dialog; });
    });
    if (round == rounds.end()) round = rounds.insert(rounds.end(), std::vector<const Row*>{});
    round->push_back(&row);
  }
  for (const auto& round : rounds) {
    for (bool apply : {false, true}) {
      ResetSettingsKey();
      ClearRequests();
      std::vector<int> before;
      RunSheet([&](HWND sheet) {
        for (const Row* row : round) {
          before.push_back(row->live());
          row->act(ShowPage(sheet, SheetIndex(row->dialog)));
        }
        apply ? Ok(sheet) : Cancel(sheet);
      });
      for (size_t i = 0; i < round.size(); ++i) {
        const Row& row = *round[i];
        SCOPED_TRACE(std::to_string(row.dialog) + " " + row.value + (apply ? " applied" : " cancelled"));
        if (!apply) {
          EXPECT_EQ(Stored(row.value), "");
          EXPECT_EQ(row.live(), before[i]) << "a cancelled change stays in memory";
          if (row.request) {
            EXPECT_EQ(row.request(), 0);
          }
          continue;
        }
        EXPECT_EQ(Stored(row.value), row.applied);
        EXPECT_EQ(row.live(), row.liveApplied);
        if (row.request) {
          EXPECT_EQ(row.request(), 1);
        }
      }
    }
    // Reopened, each page shows what was stored: applying it again changes nothing.
    RunSheet([&](HWND sheet) {
      for (const Row* row : round) ShowPage(sheet, SheetIndex(row->dialog));
      Ok(sheet);
    });
    for (const Row* row : round) EXPECT_EQ(Stored(row->value), row->applied) << row->value << " reopened";
  }
}

// What a click does to the other controls of its page: checked and enabled.
TEST_F(SheetTest, ControlsFollowTheChoicesTheyDependOn) {
  const struct {
    int dialog;
    bool soundLibrary;
    std::vector<int> clicks;  // a negative number selects that item of the figure list
    int control;
    bool checked, enabled;
  } rows[] = {
      {kClock, false, {2302}, 3034, false, false},       {kClock, false, {2302, 2301}, 3034, true, true},
      {kClock, false, {2300}, 3032, false, false},       {kCountdown, false, {3075}, 3086, false, false},
      {kCountdown, true, {3075, 3086}, 3085, true, true}, {kCountdown, true, {3075, 3086}, 3088, false, true},
      {kCountdown, true, {3075}, 3088, false, false},    {kCountdown, false, {}, 3070, false, false},
      {kBillboard, false, {1206}, 1201, false, false},   {kBillboard, false, {1209}, 1206, false, false},
      {kBillboard, false, {1209, 1209}, 1204, false, true}, {kDesktop, false, {1352}, 3067, false, false},
      {kDesktop, false, {}, 1354, false, false},         {kDesktop, false, {1355, 1355, 1355, 1355, 1355}, 1355, false, false},
      {kPeople, true, {}, 1504, false, true},            {kPeople, false, {}, 1504, false, false},
      {kPeople, true, {-9}, 1504, false, false},         {kPeople, true, {3092}, 1504, false, false},
      {kPeople, true, {3092}, 1501, false, true},        {kPlane, false, {1513}, 1515, false, false},
  };
  // Rows of different pages and the same sound library share a sheet.
  std::vector<bool> done(std::size(rows));
  for (size_t first = 0; first < std::size(rows); ++first) {
    if (done[first]) continue;
    std::vector<size_t> round;
    for (size_t i = first; i < std::size(rows); ++i) {
      const bool pageTaken = std::any_of(round.begin(), round.end(), [&](size_t j) { return rows[j].dialog == rows[i].dialog; });
      if (!done[i] && !pageTaken && rows[i].soundLibrary == rows[first].soundLibrary) {
        round.push_back(i);
        done[i] = true;
      }
    }
    SoundLoaded = rows[first].soundLibrary ? 1 : 0;
    std::vector<std::pair<bool, bool>> seen;
    RunSheet([&](HWND sheet) {
      for (size_t i : round) {
        HWND page = ShowPage(sheet, SheetIndex(rows[i].dialog));
        for (int click : rows[i].clicks) click < 0 ? Select(page, 1503, -click) : Click(page, click);
        seen.push_back({IsDlgButtonChecked(page, rows[i].control) == BST_CHECKED,
                        IsWindowEnabled(GetDlgItem(page, rows[i].control)) != 0});
      }
      Cancel(sheet);
    });
    for (size_t k = 0; k < round.size() && k < seen.size(); ++k) {
      const auto& row = rows[round[k]];
      EXPECT_EQ(seen[k].first, row.checked) << row.dialog << " " << row.control << " checked";
      EXPECT_EQ(seen[k].second, row.enabled) << row.dialog << " " << row.control << " enabled";
    }
  }
  SoundLoaded = 0;
}

TEST_F(SheetTest, TheHelpButtonOpensEachPagesTopic) {
  static std::vector<int> asked;
  const auto saved = OptionsHelp;
  OptionsHelp = [](HWND, const HELPINFO*, int topic) { asked.push_back(topic); };
  const struct {
    int dialog, topic;
  } rows[] = {{kGeneral, 302}, {kDesktop, 312}, {kSpeed, 303},     {kPeople, 310},
              {kPlane, 311},   {kClock, 306},   {kCountdown, 315}, {kBillboard, 307}};
  RunSheet([&](HWND sheet) {
    for (const auto& row : rows) {
      ShowPage(sheet, SheetIndex(row.dialog));
      PropSheet_PressButton(sheet, PSBTN_HELP);
      Pump();
    }
    Cancel(sheet);
  });
  OptionsHelp = saved;
  std::vector<int> expected;
  for (const auto& row : rows) expected.push_back(row.topic);
  EXPECT_EQ(asked, expected);
}

// Direct children of a page that are shown, in page coordinates.
std::vector<std::pair<HWND, RECT>> ShownControls(HWND page) {
  std::vector<std::pair<HWND, RECT>> controls;
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    controls.push_back({child, rect});
  }
  return controls;
}

// The room a control's text needs, in pixels, measured with its own font.
SIZE TextNeeds(HWND control, bool wrapped) {
  char text[1024] = {};
  GetWindowTextA(control, text, sizeof text);
  RECT rect;
  GetClientRect(control, &rect);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  DrawTextA(dc, text, -1, &rect, DT_CALCRECT | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

std::string Describe(HWND control) {
  char text[64] = {};
  GetWindowTextA(control, text, sizeof text);
  return std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"";
}

void CheckLayout(HWND page) {
  RECT client;
  GetClientRect(page, &client);
  const auto controls = ShownControls(page);
  for (size_t i = 0; i < controls.size(); ++i) {
    const auto& [control, rect] = controls[i];
    EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
        << Describe(control) << " leaves the page";
    EXPECT_GT(rect.right - rect.left, 0) << Describe(control) << " has no width (a missing preview?)";
    for (size_t j = i + 1; j < controls.size(); ++j) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &rect, &controls[j].second))
          << Describe(control) << " overlaps " << Describe(controls[j].first);
    }
    char kind[32] = {};
    GetClassNameA(control, kind, sizeof kind);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (lstrcmpiA(kind, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
      EXPECT_LE(TextNeeds(control, true).cy, height) << Describe(control) << " is cut off";
    } else if (lstrcmpiA(kind, "Button") == 0) {
      const LONG type = style & BS_TYPEMASK;
      const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON;
      const int room = width - (box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 6);
      EXPECT_LE(TextNeeds(control, false).cx, room) << Describe(control) << " is cut off";
    }
  }
}

TEST_F(SheetTest, EveryPageHoldsItsControlsWithoutOverlapOrCutText) {
  lstrcpynA(ProgramFolder, (TestSourceFolder() + "\\resources\\lang").c_str(), MAX_PATH);
  const char* shots = std::getenv("WAYLUNE_OPTIONS_SHOTS");
  RunSheet([&](HWND sheet) {
    for (int language : {1, 0}) {
      const int pages = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet));
      for (int index = 0; index < pages; ++index) {
        Language = language;
        // Shown again, so the page sets its texts in this language.
        PropSheet_SetCurSel(sheet, nullptr, index == 0 ? 1 : 0);
        HWND page = ShowPage(sheet, index);
        Pump();
        SCOPED_TRACE("page " + std::to_string(index) + (language ? " deutsch" : " english"));
        CheckLayout(page);
        if (shots) SaveWindowPicture(sheet, std::string(shots) + "\\page" + std::to_string(index) +
                                                (language ? "_de" : "_en") + ".bmp");
      }
    }
    Cancel(sheet);
  });
  Language = 1;
}

TEST(StripSlider, NeverReachesBelowZero) {
  const struct {
    int screen, max;
  } rows[] = {{1024, 1744}, {1280, 1488}, {2767, 1}, {2768, 0}, {3840, 0}, {7680, 0}};
  for (const auto& row : rows) EXPECT_EQ(StripSliderMax(row.screen), row.max) << row.screen;
}

}  // namespace
