// The tray icon and its menu as owners: each menu loads, keeps and frees its
// own menu and bitmaps, and an icon is taken down only by the owner that put
// it up, once.

#include "app/tray_icon.h"
#include "app/tray_menu.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <vector>

#include "app/desktop.h"
#include "app/player_test_support.h"
#include "app/winamp.h"
#include "services/app_globals.h"
#include "services/messages.h"
#include "tests/support/test_windows.h"

namespace {

using player_test::kPlayerClass;
using player_test::StandInPlayer;

std::vector<HBITMAP> LoadedBitmaps(const TrayMenu& menu) {
  std::vector<HBITMAP> bitmaps;
  for (int variant = 0; variant < MBV_COUNT; ++variant)
    for (int number = 0; number < MENU_BITMAP_COUNT; ++number)
      if (HBITMAP bitmap = menu.Bitmap(static_cast<MenuBitmapVariant>(variant), number))
        bitmaps.push_back(bitmap);
  return bitmaps;
}

bool AllFreed(const std::vector<HBITMAP>& bitmaps) {
  for (HBITMAP bitmap : bitmaps)
    if (GetObjectType(bitmap) != 0) return false;
  return true;
}

bool AllAlive(const std::vector<HBITMAP>& bitmaps) {
  for (HBITMAP bitmap : bitmaps)
    if (GetObjectType(bitmap) != OBJ_BITMAP) return false;
  return true;
}

class TrayMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    Desktop().settingsTable.NoWinamp = 0;
    Desktop().settingsTable.WinampExe.Set("C:\\nowhere\\winamp.exe");
  }
  PlayerState state_;
  PlayerControl player_{state_, kPlayerClass};
};

TEST_F(TrayMenus, TheBitmapsLoadedAreTheOnesItsItemsDraw) {
  StandInPlayer running;
  running.Show(0, "Winamp");
  TrayMenu menu;
  menu.Build(player_);
  ASSERT_TRUE(IsMenu(menu.Menu()));
  struct Row {
    MenuBitmapVariant variant;
    int number;
    bool loaded;
  };
  const Row rows[] = {
      {MBV_PLAIN, 0, true},    {MBV_CHECKED, 0, true},
      {MBV_GREYED, 0, false},  // figures on/off
      {MBV_PLAIN, 3, true},    {MBV_GREYED, 3, true},
      {MBV_CHECKED, 3, false},                          // screen saver on/off
      {MBV_PLAIN, 5, false},   {MBV_PLAIN, 6, false},   // no pictures
      {MBV_PLAIN, 9, true},    {MBV_GREYED, 9, false},  // exit
      {MBV_PLAIN, 10, true},   {MBV_GREYED, 10, true},  // the player's submenu
      {MBV_GREYED, 16, true},  {MBV_CHECKED, 16, false},
      {MBV_PLAIN, -1, false},  {MBV_PLAIN, MENU_BITMAP_COUNT, false},
      {MBV_COUNT, 0, false},   {static_cast<MenuBitmapVariant>(-1), 0, false},
  };
  for (const Row& row : rows) {
    HBITMAP bitmap = menu.Bitmap(row.variant, row.number);
    EXPECT_EQ(bitmap != nullptr, row.loaded) << row.variant << " " << row.number;
    if (bitmap) {
      EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    }
  }
}

TEST_F(TrayMenus, ThePlayersItemsAreThereWhileThePlayerOrItsProgramIs) {
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  struct Row {
    const char* what;
    bool running;
    bool program;
    int switchedOff;
    bool items;
    UINT startState;  // of the start item, when there
  };
  const Row rows[] = {
      {"neither", false, false, 0, false, 0},
      {"the player runs", true, false, 0, true, MF_GRAYED},
      {"its program is there", false, true, 0, true, 0},
      {"both", true, true, 0, true, 0},
      {"both, the control switched off", true, true, 1, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    StandInPlayer player;
    if (row.running) player.Show(0, "Winamp");
    Desktop().settingsTable.WinampExe.Set(row.program ? self : "C:\\nowhere\\winamp.exe");
    Desktop().settingsTable.NoWinamp = row.switchedOff;
    TrayMenu menu;
    menu.Build(player_);
    ASSERT_TRUE(IsMenu(menu.Menu()));
    EXPECT_EQ(player_.Window(), player.Window());
    const HMENU sub = GetSubMenu(menu.Menu(), WINAMP_SUBMENU_POS);
    EXPECT_EQ(sub != nullptr, row.items);
    EXPECT_EQ(menu.Bitmap(MBV_PLAIN, 12) != nullptr, row.items);
    if (sub) {
      EXPECT_EQ(GetMenuState(menu.Menu(), CMD_WINAMP_START, MF_BYCOMMAND) & MF_GRAYED, row.startState);
    }
  }
}

TEST_F(TrayMenus, TwoMenusSideBySideEachFreeOnlyTheirOwn) {
  TrayMenu first, second;
  first.Build(player_);
  second.Build(player_);
  const HMENU firstMenu = first.Menu(), secondMenu = second.Menu();
  ASSERT_TRUE(IsMenu(firstMenu) && IsMenu(secondMenu));
  EXPECT_NE(firstMenu, secondMenu);
  const std::vector<HBITMAP> firstBitmaps = LoadedBitmaps(first), secondBitmaps = LoadedBitmaps(second);
  ASSERT_FALSE(firstBitmaps.empty());
  ASSERT_EQ(firstBitmaps.size(), secondBitmaps.size());
  for (size_t i = 0; i < firstBitmaps.size(); ++i) EXPECT_NE(firstBitmaps[i], secondBitmaps[i]);
  EXPECT_TRUE(AllAlive(firstBitmaps));

  first.Destroy();
  EXPECT_EQ(first.Menu(), nullptr);
  EXPECT_FALSE(IsMenu(firstMenu));
  EXPECT_TRUE(AllFreed(firstBitmaps));
  EXPECT_TRUE(LoadedBitmaps(first).empty());
  EXPECT_TRUE(IsMenu(secondMenu));
  EXPECT_TRUE(AllAlive(secondBitmaps));

  first.Destroy();  // nothing left to free
  EXPECT_TRUE(AllAlive(secondBitmaps));
  EXPECT_TRUE(IsMenu(secondMenu));

  // Built again, a menu loads its own anew; a rebuild frees the last one.
  first.Build(player_);
  const HMENU rebuilt = first.Menu();
  const std::vector<HBITMAP> rebuiltBitmaps = LoadedBitmaps(first);
  EXPECT_TRUE(IsMenu(rebuilt));
  EXPECT_EQ(rebuiltBitmaps.size(), secondBitmaps.size());
  second.Build(player_);
  EXPECT_FALSE(IsMenu(secondMenu));
  EXPECT_TRUE(AllFreed(secondBitmaps));
  EXPECT_TRUE(IsMenu(rebuilt));
  EXPECT_TRUE(AllAlive(rebuiltBitmaps));
}

TEST_F(TrayMenus, AMenuFreesItsOwnWhenItEnds) {
  HMENU menu = nullptr;
  std::vector<HBITMAP> bitmaps;
  {
    TrayMenu scoped;
    scoped.Build(player_);
    menu = scoped.Menu();
    bitmaps = LoadedBitmaps(scoped);
    ASSERT_TRUE(IsMenu(menu));
    ASSERT_FALSE(bitmaps.empty());
  }
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_TRUE(AllFreed(bitmaps));
}

TEST_F(TrayMenus, EachItemsPicturesAreLoadedInTheVariantsItShows) {
  StandInPlayer running;  // the player's items are there
  running.Show(0, "Winamp");
  TrayMenu menu;
  menu.Build(player_);
  struct Row {
    int number;
    bool plain, checked, greyed;
  };
  const Row rows[] = {
      {0, true, true, false},   // on/off: checked while on
      {1, true, false, false},  // monitor off
      {2, true, false, true},   // start the screen saver: greyed without one
      {3, true, false, true},   // screen saver on/off
      {4, true, false, false}, {5, false, false, false}, {6, false, false, false}, {7, true, false, false},
      {8, true, false, false}, {9, true, false, false},  {10, true, false, true},  {11, true, false, true},
      {12, true, false, true}, {13, true, false, true},  {14, true, false, true},  {15, true, false, true},
      {16, true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    EXPECT_EQ(menu.Bitmap(MBV_PLAIN, row.number) != nullptr, row.plain);
    EXPECT_EQ(menu.Bitmap(MBV_CHECKED, row.number) != nullptr, row.checked);
    EXPECT_EQ(menu.Bitmap(MBV_GREYED, row.number) != nullptr, row.greyed);
  }
}

// What an item was given to draw, through its measure: the height every item
// has and the width of its text.
SIZE Measured(HWND window, HMENU menu, UINT item, BOOL byPosition) {
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  if (!GetMenuItemInfoA(menu, item, byPosition, &info) || !(info.fType & MFT_OWNERDRAW)) return {-1, -1};
  MEASUREITEMSTRUCT measure = {};
  measure.CtlType = ODT_MENU;
  measure.itemData = info.dwItemData;
  MeasureMenuItem(window, &measure);
  return {static_cast<LONG>(measure.itemWidth), static_cast<LONG>(measure.itemHeight)};
}

LONG TextWidth(HWND window, const char* text) {
  SIZE size = {};
  const HDC dc = GetDC(window);
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  ReleaseDC(window, dc);
  return size.cx;
}

LRESULT CALLBACK MeasureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(TrayMenus, EveryItemIsOwnerDrawnWithItsOwnText) {
  StandInPlayer running;
  running.Show(0, "Winamp");
  TrayMenu menu;
  menu.Build(player_);
  const HWND window = MakeTestWindow("Waylune Test Measure", MeasureProc);
  ASSERT_NE(window, nullptr);
  const char* screenSaver =
      Desktop().shell.screenSaverOn ? "Bildschirmschoner deaktivieren" : "Bildschirmschoner aktivieren";
  struct Row {
    UINT item;
    BOOL byPosition;
    const char* text;
  };
  const Row rows[] = {
      {CMD_TOGGLE_ACTIVE, FALSE, "Deaktivieren"},
      {CMD_SCREENSAVER_ONOFF, FALSE, screenSaver},
      {CMD_SCREENSAVER_SETTINGS, FALSE, "Bildschirmschoner einstellen"},
      {CMD_SCREENSAVER_START, FALSE, "Bildschirmschoner starten"},
      {CMD_MONITOR_OFF, FALSE, "Monitor aus/standby"},
      {CMD_OPTIONS, FALSE, "Optionen"},
      {CMD_HELP, FALSE, "Hilfe"},
      {CMD_EXIT, FALSE, "Beenden"},
      {WINAMP_SUBMENU_POS, TRUE, "Winamp"},
      {CMD_WINAMP_START, FALSE, "Winamp starten"},
      {CMD_WINAMP_PREV, FALSE,
       "Zur\xFC"
       "ck"},
      {CMD_WINAMP_PLAY, FALSE, "Wiedergabe"},
      {CMD_WINAMP_PAUSE, FALSE, "Pause"},
      {CMD_WINAMP_STOP, FALSE, "Stopp"},
      {CMD_WINAMP_NEXT, FALSE, "Weiter"},
      {CMD_WINAMP_OPEN, FALSE,
       "\xD6"
       "ffnen ..."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const SIZE size = Measured(window, menu.Menu(), row.item, row.byPosition);
    EXPECT_EQ(size.cy, 36);
    EXPECT_EQ(size.cx, TextWidth(window, row.text));
  }
  // An item with no data keeps the height and gets no width.
  MEASUREITEMSTRUCT bare = {};
  bare.itemWidth = 7;
  MeasureMenuItem(window, &bare);
  EXPECT_EQ(bare.itemHeight, 36u);
  EXPECT_EQ(bare.itemWidth, 7u);
  DestroyWindow(window);
}

TEST_F(TrayMenus, ItemsAreEnabledAndCheckedOnlyInTheirOwnMenu) {
  TrayMenu menu, other;
  menu.Build(player_);
  other.Build(player_);
  struct Row {
    int id;
    bool enabled, checked;
  };
  const Row rows[] = {
      {CMD_OPTIONS, false, true},
      {CMD_OPTIONS, true, false},
      {CMD_EXIT, false, false},
      {CMD_EXIT, true, true},
  };
  for (const Row& row : rows) {
    menu.EnableItem(row.id, row.enabled);
    menu.CheckItem(row.id, row.checked);
    const UINT state = GetMenuState(menu.Menu(), row.id, MF_BYCOMMAND);
    EXPECT_EQ((state & MF_GRAYED) == 0, row.enabled) << row.id;
    EXPECT_EQ((state & MF_CHECKED) != 0, row.checked) << row.id;
    const UINT untouched = GetMenuState(other.Menu(), row.id, MF_BYCOMMAND);
    EXPECT_EQ(untouched & (MF_GRAYED | MF_CHECKED), 0u) << row.id;
  }
  menu.Destroy();
  menu.EnableItem(CMD_OPTIONS, false);  // no menu: nothing to change
  menu.CheckItem(CMD_OPTIONS, true);
  EXPECT_EQ(GetMenuState(other.Menu(), CMD_OPTIONS, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED), 0u);
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

bool IconThere(HWND window) {
  return NotifyIconCall(window, NIM_MODIFY, TRAY_ICON_ID, nullptr, "?", nullptr, nullptr) != FALSE;
}

TEST(TrayIcon, IsTakenDownOnlyByTheOwnerThatPutItUpAndOnlyOnce) {
  const HWND window = MakeTestWindow("Waylune Test Tray", PlainProc);
  ASSERT_NE(window, nullptr);
  TrayIcon first, second;
  first.Add(window);
  ASSERT_TRUE(first.Added());
  EXPECT_FALSE(second.Added());
  EXPECT_TRUE(IconThere(window));

  second.Remove(window);  // it put nothing up
  EXPECT_TRUE(IconThere(window));
  first.Remove(window);
  EXPECT_FALSE(first.Added());
  EXPECT_FALSE(IconThere(window));

  // An icon put up by someone else since is not the owner's to take down.
  ASSERT_TRUE(NotifyIconCall(window, NIM_ADD, TRAY_ICON_ID, nullptr, "other", nullptr, nullptr));
  first.Remove(window);
  EXPECT_TRUE(IconThere(window));
  NotifyIconCall(window, NIM_DELETE, TRAY_ICON_ID, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(window);
}

}  // namespace
