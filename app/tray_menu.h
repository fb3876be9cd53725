#pragma once
// The owner-drawn popup menu of the tray icon (menu resource 117, submenu 0).

#include <windows.h>

class PlayerControl;

extern HMENU TrayMenu;

// Loads menu 117 and makes its items owner-drawn; a previous menu is freed
// first. The player's items are there while the player or its program is.
void BuildTrayMenu(HWND window, PlayerControl& player);
// Frees the item data, the menu bitmaps and the menu.
void DestroyTrayMenu();

void MakeOwnerDrawnById(HMENU menu, int id, const char* text, int bitmapNumber);
void MakeOwnerDrawnByPosition(HMENU menu, int position, const char* text, int bitmapNumber);
void EnableTrayMenuItem(int id, bool enabled);
void CheckTrayMenuItem(int id, bool checked);

void MeasureMenuItem(HWND window, MEASUREITEMSTRUCT* item);
void DrawMenuItem(const DRAWITEMSTRUCT* item);

// MSG_SHOW_MENU: raise the objects, refresh the items and track the menu
// from menuOwner (made foreground for it); the chosen command goes to window.
void ShowTrayMenu(HWND window, HWND menuOwner, PlayerControl& player);
