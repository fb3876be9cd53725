// The pages driven through their controls as a user would: set, then apply
// or cancel, then reopen. The registry and the running program's words show
// an applied change and never a cancelled one.
#include "options/option_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "options/options_test_support.h"
#include "options/page_ids.h"
#include "options/proxy_login.h"
#include "services/sound_library.h"
#include "services/lang_text.h"
#include "services/wine_test_paths.h"
#include "services/settings_test_support.h"
#include "stage/billboard_state.h"
#include "stage/strip_requests.h"

namespace {

using namespace options_test;

enum : int {
  kGeneral = IDD_PAGE_GENERAL,
  kClock = IDD_PAGE_CLOCK,
  kSpeed = IDD_PAGE_SPEED,
  kBillboard = IDD_PAGE_BILLBOARD,
  kPeople = IDD_PAGE_PEOPLE,
  kPlane = IDD_PAGE_PLANE,
  kDesktop = IDD_PAGE_DESKTOP,
  kCountdown = IDD_PAGE_COUNTDOWN
};

struct Row {
  int dialog;
  std::function<void(HWND page)> act;
  const char* value;                  // the registry value the change lands in
  const char* applied;                // its text after apply
  std::function<int()> live;          // the setting as the threads see it
  int liveApplied;                    // and its value after apply
  std::function<int()> request = {};  // a request word apply raises, if any
};

void ClearRequests() {
  TestParts().clock.reloadRequest = 0;
  TestParts().countdown.reloadRequest = 0;
  TestParts().billboard.unloadRequest = 0;
  TestParts().strip.unload = 0;
}

TEST_F(SheetTest, EveryPageAppliesWhatItsControlsSayAndACancelLeavesNoTrace) {
  const Row rows[] = {
      {kGeneral, [](HWND p) { Click(p, IDC_GENERAL_AUTOSTART); }, "Autostart", "1",
       [] { return TestSettings().Autostart.Get(); }, 1},
      {kSpeed, [](HWND p) { Slide(p, IDC_SPEED_SLIDER, 90); }, "Speed", "50",
       [] { return TestSettings().Speed.Get(); }, 50},
      {kSpeed, [](HWND p) { Slide(p, IDC_SPEED_PAUSE_SLIDER, 75); }, "Pause", "600",
       [] { return TestSettings().Pause.Get(); }, 600},
      {kDesktop, [](HWND p) { Click(p, IDC_DESKTOP_STRIP_ON); }, "HG", "0",
       [] { return TestSettings().HG.Get(); }, 0, [] { return TestParts().strip.unload.load(); }},
      {kDesktop, [](HWND p) { Click(p, IDC_DESKTOP_STRIP_NEXT); }, "HG", "2",
       [] { return TestSettings().HG.Get(); }, 2, [] { return TestParts().strip.unload.load(); }},
      {kDesktop, [](HWND p) { Slide(p, IDC_DESKTOP_OFFSET, 300); }, "HGversatz", "0,300,0,0,0,0,0",
       [] { return TestSettings().HGversatz[1].Get(); }, 300},
      {kDesktop,
       [](HWND p) {
         Click(p, IDC_DESKTOP_WALLPAPER_BITMAP);
         Type(p, IDC_DESKTOP_WALLPAPER_FILE, "Z:\\nowhere\\none.bmp");
       },
       "WallpaperPic", "Z:\\nowhere\\none.bmp", [] { return TestSettings().ShowWallpaper.Get(); }, 2},
      {kClock, [](HWND p) { Click(p, IDC_CLOCK_FACE2); }, "Clock", "2",
       [] { return TestSettings().Clock.Get(); }, 2, [] { return TestParts().clock.reloadRequest.load(); }},
      {kClock, [](HWND p) { Click(p, IDC_CLOCK_ONTOP); }, "ClockOnTop", "1",
       [] { return TestSettings().ClockOnTop.Get(); }, 1},
      {kClock, [](HWND p) { Click(p, IDC_CLOCK_RECYCLE_BIN); }, "RecycleBin", "0",
       [] { return TestSettings().RecycleBin.Get(); }, 0},
      {kCountdown, [](HWND p) { Click(p, IDC_COUNTDOWN_DESIGN2); }, "Countdown", "2",
       [] { return TestSettings().Countdown.Get(); }, 2,
       [] { return TestParts().countdown.reloadRequest.load(); }},
      {kCountdown,
       [](HWND p) {
         Click(p, IDC_COUNTDOWN_DESIGN2);
         Click(p, IDC_COUNTDOWN_SHOW_MESSAGE);
       },
       "CountdownShowMsg", "1", [] { return TestSettings().CountdownShowMsg.Get(); }, 1},
      {kCountdown,
       [](HWND p) {
         Click(p, IDC_COUNTDOWN_DESIGN2);
         Click(p, IDC_COUNTDOWN_STOP);
       },
       "CountdownStop00", "0", [] { return TestSettings().CountdownStop00.Get(); }, 0},
      {kBillboard, [](HWND p) { Click(p, IDC_BILLBOARD_CALENDAR_ONLY); }, "Calendar", "1",
       [] { return TestSettings().Calendar.Get(); }, 1},
      {kBillboard, [](HWND p) { Click(p, IDC_BILLBOARD_ON); }, "Billboard", "0",
       [] { return TestSettings().Billboard.Get(); }, 0,
       [] { return TestParts().billboard.unloadRequest.load(); }},
      {kBillboard, [](HWND p) { Select(p, IDC_BILLBOARD_REGION, 17); }, "Feiertage", "17",
       [] { return TestSettings().Feiertage.Get(); }, 17},
      {kPeople, [](HWND p) { Click(p, IDC_PEOPLE_ACTIVE); }, "FigDeactive", "2 ",
       [] { return TestSettings().FigDeactive[0].Get(); }, 2},
      {kPeople, [](HWND p) { Click(p, IDC_PEOPLE_ALL_OFF); }, "FigDeactive",
       "2,3,5,8,10,11,13,20,22,24,27,31,34,36,37,38,39,40,42,43,47,49,54,90 ",
       [] { return TestSettings().FigDeactive[23].Get(); }, 90},
      {kPlane, [](HWND p) { Click(p, IDC_PLANE_OFF); }, "KeinFlugzeug", "1",
       [] { return TestSettings().KeinFlugzeug.Get(); }, 1},
      {kPlane, [](HWND p) { Type(p, IDC_PLANE_BANNER, "Hallo Welt"); }, "Banner", "Hallo Welt",
       [] { return static_cast<int>(TestSettings().Banner.Length()); }, 10},
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

// What the Clock and Countdown pages ask of their object on apply: a reload
// only for a new face, always a relayout, and a raise (topmost as the page's
// check box says) only while a face is chosen.
TEST_F(SheetTest, ClockAndCountdownAskTheirObjectToReloadRelayoutAndRaise) {
  const struct {
    const char* name;
    int dialog;
    int face;  // the radio button clicked
    int onTopBox;
    bool onTop;
    AskedObject* object;
    int reload, raise;  // raise: 0 none, 1 normal band, 2 topmost
  } rows[] = {
      {"clock face 2, topmost", kClock, IDC_CLOCK_FACE2, IDC_CLOCK_ONTOP, true, &TestParts().clock, 1, 2},
      {"clock face 2, normal band", kClock, IDC_CLOCK_FACE2, IDC_CLOCK_ONTOP, false, &TestParts().clock, 1,
       1},
      {"no clock: not raised", kClock, IDC_CLOCK_NONE, IDC_CLOCK_ONTOP, true, &TestParts().clock, 1, 0},
      {"countdown design 2, topmost", kCountdown, IDC_COUNTDOWN_DESIGN2, IDC_COUNTDOWN_ONTOP, true,
       &TestParts().countdown, 1, 2},
      {"countdown design 3, normal band", kCountdown, IDC_COUNTDOWN_DESIGN3, IDC_COUNTDOWN_ONTOP, false,
       &TestParts().countdown, 1, 1},
      {"no countdown: not raised", kCountdown, IDC_COUNTDOWN_NONE, IDC_COUNTDOWN_ONTOP, false,
       &TestParts().countdown, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    for (AskedObject* object : {&TestParts().clock, &TestParts().countdown}) {
      object->reloadRequest = 0;
      object->relayout = 0;
      object->raise = 0;
    }
    const int faceBefore = row.dialog == kClock ? TestSettings().Clock.Get() : TestSettings().Countdown.Get();
    RunSheet([&](HWND sheet) {
      HWND page = ShowPage(sheet, SheetIndex(row.dialog));
      Click(page, row.face);
      SetChecked(page, row.onTopBox, row.onTop);
      Ok(sheet);
    });
    const int faceAfter = row.dialog == kClock ? TestSettings().Clock.Get() : TestSettings().Countdown.Get();
    EXPECT_EQ(row.object->reloadRequest.load(), faceAfter != faceBefore ? 1 : 0);
    EXPECT_EQ(row.object->reloadRequest.load(), row.reload) << "face " << faceBefore << " -> " << faceAfter;
    EXPECT_EQ(row.object->relayout.load(), 1);
    EXPECT_EQ(row.object->raise.load(), row.raise);
    AskedObject& other = row.object == &TestParts().clock ? TestParts().countdown : TestParts().clock;
    EXPECT_EQ(other.reloadRequest + other.relayout + other.raise, 0) << "the other object is not asked";
  }
}

// The Desktop page has the shell set the wallpaper only when its picture or
// its mode changed, with the values committed; the Billboard page has the
// posters searched again in the folders it applied. A cancel does neither.
TEST_F(SheetTest, WallpaperAndPosterSearchAreAskedOfTheShellOnApplyOnly) {
  using Wallpapers = std::vector<std::pair<int, std::string>>;
  using Searches = std::vector<std::string>;
  auto picture = [](HWND p) {
    Click(p, IDC_DESKTOP_WALLPAPER_BITMAP);
    Type(p, IDC_DESKTOP_WALLPAPER_FILE, "Z:\\pics\\sky.bmp");
  };
  auto folders = [](HWND p) {
    Type(p, IDC_BILLBOARD_PICTURE_FOLDER, "C:\\pics\\*.*");
    Type(p, IDC_BILLBOARD_TEXT_FOLDER, "C:\\texts\\*.*");
  };
  const struct {
    const char* name;
    int dialog;
    std::function<void(HWND)> act;
    bool apply;
    Wallpapers wallpapers;
    Searches searches;
  } rows[] = {
      {"clouds", kDesktop, [](HWND p) { Click(p, IDC_DESKTOP_WALLPAPER_CLOUDS); }, true, {{1, ""}}, {}},
      {"a picture", kDesktop, picture, true, {{2, "Z:\\pics\\sky.bmp"}}, {}},
      {"a picture cancelled", kDesktop, picture, false, {}, {}},
      {"the mode as it was",
       kDesktop,
       [](HWND p) { Click(p, IDC_DESKTOP_WALLPAPER_STANDARD); },
       true,
       {},
       {}},
      {"only the strip", kDesktop, [](HWND p) { Click(p, IDC_DESKTOP_STRIP_NEXT); }, true, {}, {}},
      {"poster folders", kBillboard, folders, true, {}, {"C:\\pics\\*.*|C:\\texts\\*.*"}},
      {"poster folders cancelled", kBillboard, folders, false, {}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ResetSettingsKey();
    LoadSettings(TestSettings());
    TestParts().wallpapers.clear();
    TestParts().posterSearches.clear();
    RunSheet([&](HWND sheet) {
      row.act(ShowPage(sheet, SheetIndex(row.dialog)));
      row.apply ? Ok(sheet) : Cancel(sheet);
    });
    EXPECT_EQ(TestParts().wallpapers, row.wallpapers);
    EXPECT_EQ(TestParts().posterSearches, row.searches);
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
      {kClock, false, {IDC_CLOCK_FACE2}, IDC_CLOCK_RECYCLE_BIN, false, false},
      {kClock, false, {IDC_CLOCK_FACE2, IDC_CLOCK_FACE1}, IDC_CLOCK_RECYCLE_BIN, true, true},
      {kClock, false, {IDC_CLOCK_NONE}, IDC_CLOCK_ONTOP, false, false},
      {kCountdown, false, {IDC_COUNTDOWN_DESIGN2}, IDC_COUNTDOWN_PLAY_SOUND, false, false},
      {kCountdown,
       true,
       {IDC_COUNTDOWN_DESIGN2, IDC_COUNTDOWN_PLAY_SOUND},
       IDC_COUNTDOWN_SHOW_MESSAGE,
       true,
       true},
      {kCountdown,
       true,
       {IDC_COUNTDOWN_DESIGN2, IDC_COUNTDOWN_PLAY_SOUND},
       IDC_COUNTDOWN_SOUND_FILE,
       false,
       true},
      {kCountdown, true, {IDC_COUNTDOWN_DESIGN2}, IDC_COUNTDOWN_SOUND_FILE, false, false},
      {kCountdown, false, {}, IDC_COUNTDOWN_DATE, false, false},
      {kBillboard, false, {IDC_BILLBOARD_CALENDAR_ONLY}, IDC_BILLBOARD_PICTURE_FOLDER, false, false},
      {kBillboard, false, {IDC_BILLBOARD_ON}, IDC_BILLBOARD_CALENDAR_ONLY, false, false},
      {kBillboard, false, {IDC_BILLBOARD_ON, IDC_BILLBOARD_ON}, IDC_BILLBOARD_TEXT_FOLDER, false, true},
      {kDesktop, false, {IDC_DESKTOP_STRIP_ON}, IDC_DESKTOP_OFFSET, false, false},
      {kDesktop, false, {}, IDC_DESKTOP_STRIP_PREVIOUS, false, false},
      {kDesktop,
       false,
       {IDC_DESKTOP_STRIP_NEXT, IDC_DESKTOP_STRIP_NEXT, IDC_DESKTOP_STRIP_NEXT, IDC_DESKTOP_STRIP_NEXT,
        IDC_DESKTOP_STRIP_NEXT},
       IDC_DESKTOP_STRIP_NEXT,
       false,
       false},
      {kPeople, true, {}, IDC_PEOPLE_SOUND_FILE, false, true},
      {kPeople, false, {}, IDC_PEOPLE_SOUND_FILE, false, false},
      {kPeople, true, {-9}, IDC_PEOPLE_SOUND_FILE, false, false},
      {kPeople, true, {IDC_PEOPLE_ALL_OFF}, IDC_PEOPLE_SOUND_FILE, false, false},
      {kPeople, true, {IDC_PEOPLE_ALL_OFF}, IDC_PEOPLE_ACTIVE, false, true},
      {kPlane, false, {IDC_PLANE_OFF}, IDC_PLANE_BANNER, false, false},
  };
  // Rows of different pages and the same sound library share a sheet.
  std::vector<bool> done(std::size(rows));
  for (size_t first = 0; first < std::size(rows); ++first) {
    if (done[first]) continue;
    std::vector<size_t> round;
    for (size_t i = first; i < std::size(rows); ++i) {
      const bool pageTaken =
          std::any_of(round.begin(), round.end(), [&](size_t j) { return rows[j].dialog == rows[i].dialog; });
      if (!done[i] && !pageTaken && rows[i].soundLibrary == rows[first].soundLibrary) {
        round.push_back(i);
        done[i] = true;
      }
    }
    SoundState.loaded = rows[first].soundLibrary ? 1 : 0;
    std::vector<std::pair<bool, bool>> seen;
    RunSheet([&](HWND sheet) {
      for (size_t i : round) {
        HWND page = ShowPage(sheet, SheetIndex(rows[i].dialog));
        for (int click : rows[i].clicks)
          click < 0 ? Select(page, IDC_PEOPLE_FIGURE_LIST, -click) : Click(page, click);
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
  SoundState.loaded = 0;
}

// Without a language file the banner's font button shows its German default.
TEST_F(SheetTest, ThePlanePagesFontButtonReadsSchriftart) {
  char text[32] = "";
  RunSheet([&](HWND sheet) {
    GetDlgItemTextA(ShowPage(sheet, SheetIndex(kPlane)), IDC_PLANE_FONT, text, sizeof text);
    Cancel(sheet);
  });
  EXPECT_STREQ(text, "&Schriftart");
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
  const WindowDC dc(control);
  const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  DrawTextA(dc.get(), text, -1, &rect, DT_CALCRECT | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
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
  SetProgramFolder((TestSourceFolder() + "\\resources\\lang").c_str());
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
        if (shots)
          SaveWindowPicture(sheet, std::string(shots) + "\\page" + std::to_string(index) +
                                       (language ? "_de" : "_en") + ".bmp");
      }
    }
    Cancel(sheet);
  });
  Language = 1;
}

// The Weather page's proxy login in both languages, its note shown: its
// texts from the language file, every control inside, none overlapping, no
// text cut off.
HWND g_login = nullptr;

BOOL CALLBACK FindLogin(HWND window, LPARAM) {
  if (IsWindowVisible(window) && GetDlgItem(window, IDC_PROXY_LOGIN_USER)) g_login = window;
  return g_login == nullptr;
}

void CALLBACK CheckLogin(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), FindLogin, 0);
  if (!g_login) return;  // not up yet: the timer fires again
  KillTimer(nullptr, timer);
  CheckLayout(g_login);
  char title[64] = {}, user[64] = {};
  GetWindowTextA(g_login, title, sizeof title);
  GetDlgItemTextA(g_login, IDC_PROXY_LOGIN_USER, user, sizeof user);
  EXPECT_STREQ(title, Language == 1 ? "Proxy-Anmeldung" : "Proxy login");
  EXPECT_STREQ(user, "anna");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_login, IDC_PROXY_LOGIN_REFUSED)));
  const char* shots = std::getenv("WAYLUNE_OPTIONS_SHOTS");
  if (shots)
    SaveWindowPicture(g_login, std::string(shots) + (Language == 1 ? "\\login_de.bmp" : "\\login_en.bmp"));
  PostMessageA(g_login, WM_COMMAND, IDCANCEL, 0);
}

TEST(ProxyLogin, HoldsItsControlsInBothLanguages) {
  SetProgramFolder((TestSourceFolder() + "\\resources\\lang").c_str());
  for (int language : {1, 0}) {
    SCOPED_TRACE(language ? "deutsch" : "english");
    Language = language;
    g_login = nullptr;
    SetTimer(nullptr, 0, 20, CheckLogin);
    ProxyLogin login{"127.0.0.1:2121", "anna", "", true};
    EXPECT_FALSE(AskProxyLogin(nullptr, login));
    EXPECT_NE(g_login, nullptr);
  }
  Language = 1;
}

TEST(StripSlider, NeverReachesBelowZero) {
  const struct {
    int screen, max;
  } rows[] = {{1024, 1744}, {1280, 1488}, {2767, 1}, {2768, 0}, {3840, 0}, {7680, 0}};
  for (const auto& row : rows) EXPECT_EQ(StripSliderMax(row.screen), row.max) << row.screen;
}

}  // namespace
