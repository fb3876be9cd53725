// Hotkeys and Winamp pages: both edit the global hotkey table, the first its
// four system hotkeys, the second the seven player hotkeys with the player
// switch and program. While either page exists no hotkey is registered, so
// the user can press the combinations; apply or cancel registers the table.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "services/app_globals.h"
#include "services/hotkeys.h"
#include "services/settings.h"

namespace {

// One row: its label, the modifier and key lists, the check box and the
// hotkey table entry it edits.
struct HotkeyRow {
  PageText label;
  int modifiers;
  int keys;
  int check;
  int entry;
};

constexpr HotkeyRow kSystemRows[] = {
    {{2111, "AKTIV", "&Aktivieren/Deaktivieren: "}, 2011, 2041, 2071, 10},
    {{2110, "VORDERGRUND", "Alles in den &Vordergrund: "}, 2010, 2040, 2070, 9},
    {{2101, "SCHONER", "&Bildschirmschoner starten: "}, 2001, 2031, 2061, 0},
    {{2102, "MONITOR", "&Monitor aus/standby: "}, 2002, 2032, 2062, 1},
};

constexpr HotkeyRow kPlayerRows[] = {
    {{2103, "ZURUECK", "Zur\xfc" "ck: "}, 2003, 2033, 2063, 2},
    {{2104, "WIEDERGABE", "Wiedergabe: "}, 2004, 2034, 2064, 3},
    {{2105, "PAUSE", "Pause: "}, 2005, 2035, 2065, 4},
    {{2106, "STOPP", "Stopp: "}, 2006, 2036, 2066, 5},
    {{2107, "WEITER", "Weiter: "}, 2007, 2037, 2067, 6},
    {{2108, "LAUTER", "Lauter: "}, 2008, 2038, 2068, 7},
    {{2109, "LEISER", "Leiser: "}, 2009, 2039, 2069, 8},
};

constexpr PageText kSystemIntro = {
    3027, "TEXT",
    "Schnell den Bildschirmschoner starten oder einfach den Monitor ausschalten? Kein Problem, die Hotkeys sind "
    "direkt aus jeder beliebigen Anwendung erreichbar."};
constexpr char kSystemSection[] = "HOTKEYS";
constexpr char kPlayerSection[] = "WINAMP";
constexpr PageText kEnabledText = {0, "AKTIVIERT", "aktiviert"};

constexpr int kPlayerSwitch = 3034;
constexpr int kExeLabel = 1130;
constexpr int kExeEdit = 1131;
constexpr int kExeBrowse = 1132;
constexpr PageText kPlayerTexts[] = {
    {3029, "TEXT",
     "Sie k\xf6nnen Winamp (2/5) starten und fernsteuern. Benno R. Kling zeigt in Sprechblasen die laufenden Titel "
     "an."},
    {kPlayerSwitch, "INTEGRATION", "Winamp-Integration"},
    {kExeLabel, "PROGRAMM", "Winamp-Programmdatei:"},
};

template <size_t N>
void FillRows(HWND page, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows) {
    for (int i = 0; i < kHotkeyModifierCount; ++i)
      SendDlgItemMessageA(page, row.modifiers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(HotkeyModifierName(i)));
    for (int i = 0; i < kHotkeyKeyCount; ++i)
      SendDlgItemMessageA(page, row.keys, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(HotkeyKeyName(i)));
    const HotkeyEntry& entry = HotkeyTable[row.entry];
    SendDlgItemMessageA(page, row.modifiers, CB_SETCURSEL, entry.modifierIndex, 0);
    SendDlgItemMessageA(page, row.keys, CB_SETCURSEL, entry.keyIndex, 0);
    SetChecked(page, row.check, entry.enabled != 0);
  }
}

template <size_t N>
void SetRowTexts(HWND page, const char* section, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows) {
    SetPageText(page, section, row.label);
    SetPageText(page, section, {row.check, kEnabledText.key, kEnabledText.german});
  }
}

int Selection(HWND page, int control) {
  const LRESULT selection = SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0);
  return selection < 0 ? 0 : static_cast<int>(selection);
}

template <size_t N>
void ApplyRows(HWND page, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows)
    HotkeyTable[row.entry] = {HotkeyTable[row.entry].id, Selection(page, row.modifiers), Selection(page, row.keys),
                              IsChecked(page, row.check) ? 1 : 0};
  SaveHotkeys();
  RegisterHotkeys(1);
}

template <size_t N>
bool IsRowControl(int control, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows)
    if (control == row.modifiers || control == row.keys || control == row.check) return true;
  return false;
}

// The stored hotkeys back in force: the rows on screen are dropped.
void RestoreStoredHotkeys() {
  LoadHotkeys();
  RegisterHotkeys(1);
}

void EnablePlayerControls(HWND page, bool on) {
  for (int control : {kExeLabel, kExeEdit, kExeBrowse}) EnableControl(page, control, on);
  for (const HotkeyRow& row : kPlayerRows)
    for (int control : {row.label.control, row.modifiers, row.keys, row.check}) EnableControl(page, control, on);
}

// Set while the page itself writes the path, which is no change by the user.
bool g_settingPath = false;

void SetPathText(HWND page, const char* path) {
  g_settingPath = true;
  SetDlgItemTextA(page, kExeEdit, path);
  g_settingPath = false;
}

void BrowseForPlayer(HWND page) {
  char path[MAX_PATH] = {};
  ControlText(page, kExeEdit, path, sizeof path);
  if (!path[0]) lstrcpynA(path, "*.EXE", sizeof path);
  const char* filter = Language == 1 ? "Programme (*.exe)\0*.EXE\0Alle Dateien  (*.*)\0*.*\0"
                                     : "programs (*.exe)\0*.EXE\0All files  (*.*)\0*.*\0";
  // The choice is the page's until apply, like a typed path.
  if (ChooseFile(page, filter, path, 0, "EXE")) {
    SetPathText(page, path);
    PageChanged(page);
  }
}

}  // namespace

INT_PTR CALLBACK HotkeysPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      RegisterHotkeys(0);
      FillRows(page, kSystemRows);
      return TRUE;
    case WM_COMMAND: {
      const int control = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (IsRowControl(control, kSystemRows) && (code == CBN_SELCHANGE || code == BN_CLICKED)) PageChanged(page);
      return TRUE;
    }
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageText(page, kSystemSection, kSystemIntro);
          SetRowTexts(page, kSystemSection, kSystemRows);
          return TRUE;
        case PSN_APPLY:
          ApplyRows(page, kSystemRows);
          return TRUE;
        case PSN_RESET:
          RestoreStoredHotkeys();
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK WinampPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetChecked(page, kPlayerSwitch, Settings.NoWinamp == 0);
      RegisterHotkeys(0);
      FillRows(page, kPlayerRows);
      EnablePlayerControls(page, Settings.NoWinamp == 0);
      SendDlgItemMessageA(page, kExeEdit, EM_LIMITTEXT, MAX_PATH - 1, 0);
      // Set once: a path typed here survives leaving the page and coming back.
      SetPathText(page, Settings.WinampExe.Get().c_str());
      return TRUE;
    }
    case WM_COMMAND: {
      const int control = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (control == kPlayerSwitch && code == BN_CLICKED) {
        Settings.NoWinamp = IsChecked(page, kPlayerSwitch) ? 0 : 1;
        EnablePlayerControls(page, Settings.NoWinamp == 0);
        PageChanged(page);
      } else if (control == kExeBrowse && code == BN_CLICKED) {
        BrowseForPlayer(page);
      } else if ((control == kExeEdit && code == EN_CHANGE && !g_settingPath) ||
                 (IsRowControl(control, kPlayerRows) && (code == CBN_SELCHANGE || code == BN_CLICKED))) {
        PageChanged(page);
      }
      return TRUE;
    }
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, kPlayerSection, kPlayerTexts);
          SetRowTexts(page, kPlayerSection, kPlayerRows);
          return TRUE;
        case PSN_APPLY: {
          Settings.NoWinamp = IsChecked(page, kPlayerSwitch) ? 0 : 1;
          char path[MAX_PATH];
          ControlText(page, kExeEdit, path, sizeof path);
          Settings.WinampExe.Set(path);
          // The switch and the path are settings of their own: without this
          // they would reach the registry only when another page saves.
          SaveSettings();
          ApplyRows(page, kPlayerRows);
          return TRUE;
        }
        case PSN_RESET:
          RestoreStoredHotkeys();
          return TRUE;
      }
      break;
  }
  return FALSE;
}
