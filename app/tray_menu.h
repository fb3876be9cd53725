#pragma once
// The owner-drawn popup menu of the tray icon (menu resource 117, submenu 0).

#include <windows.h>

#include "services/handles.h"
#include "services/menu_bitmaps.h"

class PlayerControl;

// The menu, the data of its owner-drawn items and the bitmaps they draw.
// The tray icon owns one; tests make their own.
class TrayMenu {
 public:
  TrayMenu() = default;
  TrayMenu(const TrayMenu&) = delete;
  TrayMenu& operator=(const TrayMenu&) = delete;
  ~TrayMenu() { Destroy(); }

  // Loads menu 117 and makes its items owner-drawn; a previous menu is freed
  // first. The player's items are there while the player or its program is.
  void Build(PlayerControl& player);
  // Frees the item data, the bitmaps and the menu.
  void Destroy();
  // The popup, null while none is built.
  HMENU Menu() const { return menu_; }
  // An item's bitmap, null while it is not loaded.
  HBITMAP Bitmap(MenuBitmapVariant variant, int number) const;

  void MakeOwnerDrawnById(HMENU menu, int id, const char* text, int bitmapNumber);
  void MakeOwnerDrawnByPosition(HMENU menu, int position, const char* text, int bitmapNumber);
  void EnableItem(int id, bool enabled);
  void CheckItem(int id, bool checked);

  void Draw(const DRAWITEMSTRUCT* item) const;

  // MSG_SHOW_MENU: raise the objects, refresh the items and track the menu
  // from menuOwner (made foreground for it); the chosen command goes to window.
  void Show(HWND window, HWND menuOwner, PlayerControl& player);

 private:
  void LoadBitmaps(int number, bool checked, bool greyed);
  void BuildPlayerMenu(PlayerControl& player);
  void FreeItemData();

  OwnedMenu loaded_;      // the resource menu
  HMENU menu_ = nullptr;  // its submenu 0
  OwnedBitmap bitmaps_[MBV_COUNT][MENU_BITMAP_COUNT];
};

void MeasureMenuItem(HWND window, MEASUREITEMSTRUCT* item);
