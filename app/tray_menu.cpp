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

namespace {

// Item data block: bitmap number, text length, text with its zero.
struct MenuItemData {
  int32_t bitmap;
  int32_t length;
  char text[1];
};

MenuItemData* NewItemData(const char* text, int bitmap) {
  const size_t length = std::strlen(text);
  auto* data = static_cast<MenuItemData*>(LocalAlloc(LPTR, length + 9));
  if (!data) return nullptr;
  data->bitmap = bitmap;
  data->length = static_cast<int32_t>(length);
  std::memcpy(data->text, text, length + 1);
  return data;
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

bool MenuHasCommand(HMENU menu, int id) {
  return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

const char* DisplayText(const MenuItemData* data) {
  if (data->bitmap == 0) return Desktop().figures.active ? "Deaktivieren" : "Aktivieren";
  if (data->bitmap == 3)
    return Desktop().shell.screenSaverOn ? "Bildschirmschoner deaktivieren" : "Bildschirmschoner aktivieren";
  return data->text;
}

}  // namespace

void TrayMenu::LoadBitmaps(int number, bool checked, bool greyed) {
  if (number < 0 || number >= MENU_BITMAP_COUNT) return;
  auto load = [&](MenuBitmapVariant v) {
    if (bitmaps_[v][number]) return;
    char name[16];
    std::snprintf(name, sizeof name, MENU_BITMAP_NAME_FORMAT, number, MENU_BITMAP_SUFFIX[v]);
    bitmaps_[v][number].reset(static_cast<HBITMAP>(LoadImageA(
        ProgramInstance(), name, IMAGE_BITMAP, MENU_BITMAP_SIZE, MENU_BITMAP_SIZE, LR_DEFAULTCOLOR)));
  };
  load(MBV_PLAIN);
  if (checked) load(MBV_CHECKED);
  if (greyed) load(MBV_GREYED);
}

HBITMAP TrayMenu::Bitmap(MenuBitmapVariant variant, int number) const {
  if (variant < 0 || variant >= MBV_COUNT || number < 0 || number >= MENU_BITMAP_COUNT) return nullptr;
  return bitmaps_[variant][number].get();
}

void TrayMenu::FreeItemData() {
  if (!menu_) return;
  for (int id = 40000; id <= 40018; ++id) ClearItemData(menu_, id, FALSE);
  // The Winamp submenu entry, unless it was removed.
  if (GetSubMenu(menu_, WINAMP_SUBMENU_POS)) ClearItemData(menu_, WINAMP_SUBMENU_POS, TRUE);
}

void TrayMenu::MakeOwnerDrawnById(HMENU menu, int id, const char* text, int bitmapNumber) {
  if (!MenuHasCommand(menu, id)) return;
  LoadBitmaps(bitmapNumber, false, true);
  SetOwnerDrawn(menu, id, FALSE, text, bitmapNumber);
}

void TrayMenu::MakeOwnerDrawnByPosition(HMENU menu, int position, const char* text, int bitmapNumber) {
  LoadBitmaps(bitmapNumber, false, false);
  SetOwnerDrawn(menu, position, TRUE, text, bitmapNumber);
}

// The player's submenu: removed when there is no player, its start item
// greyed while the player program is missing.
void TrayMenu::BuildPlayerMenu(PlayerControl& player) {
  HMENU menu = menu_;
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
      {CMD_WINAMP_START, "Winamp starten", 10},
      {CMD_WINAMP_PREV,
       "Zur\xFC"
       "ck",
       11},
      {CMD_WINAMP_PLAY, "Wiedergabe", 12},
      {CMD_WINAMP_PAUSE, "Pause", 13},
      {CMD_WINAMP_STOP, "Stopp", 14},
      {CMD_WINAMP_NEXT, "Weiter", 15},
      {CMD_WINAMP_OPEN,
       "\xD6"
       "ffnen ...",
       16},
  };
  for (const Item& item : items) MakeOwnerDrawnById(menu, item.id, item.text, item.bitmap);
}

void TrayMenu::EnableItem(int id, bool enabled) {
  if (menu_) EnableMenuItem(menu_, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TrayMenu::CheckItem(int id, bool checked) {
  if (menu_) CheckMenuItem(menu_, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TrayMenu::Destroy() {
  FreeItemData();
  for (auto& table : bitmaps_)
    for (OwnedBitmap& bitmap : table) bitmap.reset();
  menu_ = nullptr;
  loaded_.reset();
}

void TrayMenu::Build(PlayerControl& player) {
  Destroy();
  loaded_.reset(LoadMenuA(ProgramInstance(), MAKEINTRESOURCEA(ID_MENU_TRAY)));
  if (!loaded_) return;
  menu_ = GetSubMenu(loaded_.get(), 0);
  if (!menu_) return;

  Desktop().shell.screenSaverOn = ScreenSaverActive(0, 0, &Desktop().shell.screenSaverFile);
  BuildPlayerMenu(player);

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
       Desktop().shell.screenSaverOn ? "Bildschirmschoner deaktivieren" : "Bildschirmschoner aktivieren", 3,
       false, true},
      {CMD_SCREENSAVER_SETTINGS, "Bildschirmschoner einstellen", 4, false, false},
      {CMD_SCREENSAVER_START, "Bildschirmschoner starten", 2, false, true},
      {CMD_MONITOR_OFF, "Monitor aus/standby", 1, false, false},
      {CMD_OPTIONS, "Optionen", 7, false, false},
      {CMD_HELP, "Hilfe", 8, false, false},
      {CMD_EXIT, "Beenden", 9, false, false},
  };
  for (const Item& item : items) {
    if (!MenuHasCommand(menu_, item.id)) continue;
    LoadBitmaps(item.bitmap, item.checked, item.greyed);
    SetOwnerDrawn(menu_, item.id, FALSE, item.text, item.bitmap);
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

void TrayMenu::Draw(const DRAWITEMSTRUCT* item) const {
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
    HBITMAP bitmap = checked  ? bitmaps_[MBV_CHECKED][data->bitmap].get()
                     : greyed ? bitmaps_[MBV_GREYED][data->bitmap].get()
                              : bitmaps_[MBV_PLAIN][data->bitmap].get();
    if (bitmap) pic_DrawTransparentBitmap(dc, bitmap, r.left + 2, r.top, MENU_BITMAP_KEY);
  }
}

void TrayMenu::Show(HWND window, HWND menuOwner, PlayerControl& player) {
  StopMusic();
  if (Desktop().shell.optionsOpen) {
    RaiseOpenOptions();
    return;
  }
  RaiseDesktopWindows(DesktopObjectWindows());
  player.Init();
  if (!menu_) return;
  if (player.Window()) {
    EnableItem(CMD_WINAMP_START, false);
    for (int id = CMD_WINAMP_PREV; id <= CMD_WINAMP_OPEN; ++id) EnableItem(id, true);
  } else {
    EnableItem(CMD_WINAMP_START, player.ProgramExists());
    for (int id = CMD_WINAMP_PREV; id <= CMD_WINAMP_OPEN; ++id) EnableItem(id, false);
  }
  CheckItem(CMD_TOGGLE_ACTIVE, Desktop().figures.active != 0);
  Desktop().shell.screenSaverOn = ScreenSaverActive(0, 0, &Desktop().shell.screenSaverFile);
  EnableItem(CMD_SCREENSAVER_START, Desktop().shell.screenSaverOn != 0);
  EnableItem(CMD_SCREENSAVER_ONOFF, FileExists(Desktop().shell.screenSaverFile.c_str()));

  POINT cursor;
  GetCursorPos(&cursor);
  SetForegroundWindow(menuOwner);
  const int command =
      TrackPopupMenuEx(menu_, TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y - 5, menuOwner, nullptr);
  PostMessageA(menuOwner, WM_NULL, 0, 0);
  if (command) PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}
