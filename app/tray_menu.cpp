#include "app/tray_menu.h"
#include "services/file_util.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include "services/win_util.h"
#include "services/handles.h"
#include "app/desktop.h"
#include "objects/desktop_object.h"
#include "services/menu_bitmaps.h"
#include "services/messages.h"
#include "services/settings.h"
#include "services/sound.h"
#include "app/winamp.h"
#include "options/options_sheet.h"
#include "pictura.h"

#include <cstdio>
#include <cstring>

HMENU TrayMenu;

namespace {

OwnedMenu loadedMenu;  // the resource menu; TrayMenu is its submenu 0

// Item data block: bitmap number, text length, text with its zero.
struct MenuItemData {
  int32_t bitmap;
  int32_t length;
  char text[1];
};

OwnedBitmap menuBitmaps[MBV_COUNT][MENU_BITMAP_COUNT];

MenuItemData* NewItemData(const char* text, int bitmap) {
  const size_t length = std::strlen(text);
  auto* data = static_cast<MenuItemData*>(LocalAlloc(LPTR, length + 9));
  if (!data) return nullptr;
  data->bitmap = bitmap;
  data->length = static_cast<int32_t>(length);
  std::memcpy(data->text, text, length + 1);
  return data;
}

void LoadMenuBitmaps(int number, bool checked, bool greyed) {
  if (number < 0 || number >= MENU_BITMAP_COUNT) return;
  auto load = [&](MenuBitmapVariant v) {
    if (menuBitmaps[v][number]) return;
    char name[16];
    std::snprintf(name, sizeof name, MENU_BITMAP_NAME_FORMAT, number, MENU_BITMAP_SUFFIX[v]);
    menuBitmaps[v][number].reset(static_cast<HBITMAP>(
        LoadImageA(ProgramInstance(), name, IMAGE_BITMAP, MENU_BITMAP_SIZE, MENU_BITMAP_SIZE, LR_DEFAULTCOLOR)));
  };
  load(MBV_PLAIN);
  if (checked) load(MBV_CHECKED);
  if (greyed) load(MBV_GREYED);
}

void SetOwnerDrawn(HMENU menu, UINT item, BOOL byPosition, const char* text, int bitmap) {
  OwnedLocal data(NewItemData(text, bitmap));
  if (!data) return;
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  info.fType = MFT_OWNERDRAW;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(data.get());
  // The menu owns the block from here on (FreeMenuItemData).
  if (SetMenuItemInfoA(menu, item, byPosition, &info)) data.release();
}

MenuItemData* ItemDataOf(HMENU menu, UINT item, BOOL byPosition) {
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  if (!GetMenuItemInfoA(menu, item, byPosition, &info)) return nullptr;
  return reinterpret_cast<MenuItemData*>(info.dwItemData);
}

void ClearItemData(HMENU menu, UINT item, BOOL byPosition) {
  MenuItemData* data = ItemDataOf(menu, item, byPosition);
  if (!data) return;
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA;
  info.dwItemData = 0;
  SetMenuItemInfoA(menu, item, byPosition, &info);
  const OwnedLocal block(data);
}

void FreeMenuItemData() {
  if (!TrayMenu) return;
  for (int id = 40000; id <= 40018; ++id) ClearItemData(TrayMenu, id, FALSE);
  // The Winamp submenu entry, unless it was removed.
  if (GetSubMenu(TrayMenu, WINAMP_SUBMENU_POS)) ClearItemData(TrayMenu, WINAMP_SUBMENU_POS, TRUE);
}

bool MenuHasCommand(HMENU menu, int id) { return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1); }

const char* DisplayText(const MenuItemData* data) {
  if (data->bitmap == 0) return Desktop().figures.active ? "Deaktivieren" : "Aktivieren";
  if (data->bitmap == 3) return Desktop().shell.screenSaverOn ? "Bildschirmschoner deaktivieren" : "Bildschirmschoner aktivieren";
  return data->text;
}

}  // namespace

void MakeOwnerDrawnById(HMENU menu, int id, const char* text, int bitmapNumber) {
  if (!MenuHasCommand(menu, id)) return;
  LoadMenuBitmaps(bitmapNumber, false, true);
  SetOwnerDrawn(menu, id, FALSE, text, bitmapNumber);
}

void MakeOwnerDrawnByPosition(HMENU menu, int position, const char* text, int bitmapNumber) {
  LoadMenuBitmaps(bitmapNumber, false, false);
  SetOwnerDrawn(menu, position, TRUE, text, bitmapNumber);
}

// The player's submenu: removed when there is no player, its start item
// greyed while the player program is missing.
static void BuildWinampMenu(HMENU menu, PlayerControl& player) {
  player.Init();
  player.CheckProgram(DesktopSettings().WinampExe.Get().c_str());
  if (DesktopSettings().NoWinamp || (!player.ProgramExists() && !player.Window())) {
    RemoveMenu(menu, WINAMP_SUBMENU_POS, MF_BYPOSITION);
    return;
  }
  if (!player.ProgramExists()) EnableMenuItem(menu, CMD_WINAMP_START, MF_BYCOMMAND | MF_GRAYED);
  MakeOwnerDrawnByPosition(menu, WINAMP_SUBMENU_POS, "Winamp", 10);
  struct Item {
    int id;
    const char* text;
    int bitmap;
  };
  static const Item items[] = {
      {CMD_WINAMP_START, "Winamp starten", 10}, {CMD_WINAMP_PREV, "Zur\xFC" "ck", 11},
      {CMD_WINAMP_PLAY, "Wiedergabe", 12},      {CMD_WINAMP_PAUSE, "Pause", 13},
      {CMD_WINAMP_STOP, "Stopp", 14},           {CMD_WINAMP_NEXT, "Weiter", 15},
      {CMD_WINAMP_OPEN, "\xD6" "ffnen ...", 16},
  };
  for (const Item& item : items) MakeOwnerDrawnById(menu, item.id, item.text, item.bitmap);
}

void EnableTrayMenuItem(int id, bool enabled) {
  if (TrayMenu) EnableMenuItem(TrayMenu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CheckTrayMenuItem(int id, bool checked) {
  if (TrayMenu) CheckMenuItem(TrayMenu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void DestroyTrayMenu() {
  FreeMenuItemData();
  for (auto& table : menuBitmaps)
    for (OwnedBitmap& bitmap : table) bitmap.reset();
  TrayMenu = nullptr;
  loadedMenu.reset();
}

void BuildTrayMenu(HWND, PlayerControl& player) {
  // Each main-class window builds the menu; keep only the last one.
  DestroyTrayMenu();
  loadedMenu.reset(LoadMenuA(ProgramInstance(), MAKEINTRESOURCEA(ID_MENU_TRAY)));
  if (!loadedMenu) return;
  TrayMenu = GetSubMenu(loadedMenu.get(), 0);
  if (!TrayMenu) return;

  Desktop().shell.screenSaverOn = ScreenSaverActive(0, 0);
  BuildWinampMenu(TrayMenu, player);

  struct Item {
    int id;
    const char* text;
    int bitmap;
    bool checked;
    bool greyed;
  };
  const Item items[] = {
      {CMD_TOGGLE_ACTIVE, "Deaktivieren", 0, true, false},
      {CMD_SCREENSAVER_ONOFF,
       Desktop().shell.screenSaverOn ? "Bildschirmschoner deaktivieren" : "Bildschirmschoner aktivieren", 3, false, true},
      {CMD_SCREENSAVER_SETTINGS, "Bildschirmschoner einstellen", 4, false, false},
      {CMD_SCREENSAVER_START, "Bildschirmschoner starten", 2, false, true},
      {CMD_MONITOR_OFF, "Monitor aus/standby", 1, false, false},
      {CMD_OPTIONS, "Optionen", 7, false, false},
      {CMD_HELP, "Hilfe", 8, false, false},
      {CMD_EXIT, "Beenden", 9, false, false},
  };
  for (const Item& item : items) {
    if (!MenuHasCommand(TrayMenu, item.id)) continue;
    LoadMenuBitmaps(item.bitmap, item.checked, item.greyed);
    SetOwnerDrawn(TrayMenu, item.id, FALSE, item.text, item.bitmap);
  }
}

void MeasureMenuItem(HWND window, MEASUREITEMSTRUCT* item) {
  item->itemHeight = 36;
  const auto* data = reinterpret_cast<const MenuItemData*>(item->itemData);
  if (!data) return;
  const WindowDC dc(window);
  SIZE size = {};
  GetTextExtentPoint32A(dc.get(), data->text, data->length, &size);
  item->itemWidth = size.cx;
}

void DrawMenuItem(const DRAWITEMSTRUCT* item) {
  const auto* data = reinterpret_cast<const MenuItemData*>(item->itemData);
  if (!data || item->CtlType != ODT_MENU) return;
  HDC dc = item->hDC;
  const bool selected = item->itemState & ODS_SELECTED;
  const bool greyed = item->itemState & ODS_GRAYED;
  const bool checked = item->itemState & ODS_CHECKED;
  COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : greyed ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
  COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU);
  COLORREF oldText = SetTextColor(dc, text);
  COLORREF oldBack = SetBkColor(dc, back);

  const RECT& r = item->rcItem;
  RECT textRect = {r.left + 37, r.top, r.right - 3, r.bottom - 4};
  const char* label = DisplayText(data);
  ExtTextOutA(dc, r.left + 40, r.top, ETO_OPAQUE, &textRect, label, lstrlenA(label), nullptr);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);

  if (data->bitmap >= 0 && data->bitmap < MENU_BITMAP_COUNT) {
    HBITMAP bitmap = checked  ? menuBitmaps[MBV_CHECKED][data->bitmap].get()
                     : greyed ? menuBitmaps[MBV_GREYED][data->bitmap].get()
                              : menuBitmaps[MBV_PLAIN][data->bitmap].get();
    if (bitmap) pic_DrawTransparentBitmap(dc, bitmap, r.left + 2, r.top, MENU_BITMAP_KEY);
  }
}

void ShowTrayMenu(HWND window, HWND menuOwner, PlayerControl& player) {
  StopMusic();
  if (Desktop().shell.optionsOpen) {
    if (OptionsSheetWindow) SetForegroundWindow(OptionsSheetWindow);
    return;
  }
  RaiseDesktopWindows(DesktopObjectWindows());
  player.Init();
  if (!TrayMenu) return;
  if (player.Window()) {
    EnableTrayMenuItem(CMD_WINAMP_START, false);
    for (int id = CMD_WINAMP_PREV; id <= CMD_WINAMP_OPEN; ++id) EnableTrayMenuItem(id, true);
  } else {
    EnableTrayMenuItem(CMD_WINAMP_START, player.ProgramExists());
    for (int id = CMD_WINAMP_PREV; id <= CMD_WINAMP_OPEN; ++id) EnableTrayMenuItem(id, false);
  }
  CheckTrayMenuItem(CMD_TOGGLE_ACTIVE, Desktop().figures.active != 0);
  Desktop().shell.screenSaverOn = ScreenSaverActive(0, 0);
  EnableTrayMenuItem(CMD_SCREENSAVER_START, Desktop().shell.screenSaverOn != 0);
  EnableTrayMenuItem(CMD_SCREENSAVER_ONOFF, FileExists(ScreenSaverFile));

  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(menuOwner);
  const int command = TrackPopupMenuEx(TrayMenu, TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y - 5,
                                       menuOwner, nullptr);
  PostMessageA(menuOwner, WM_NULL, 0, 0);
  if (command) PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}
