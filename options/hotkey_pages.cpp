// Hotkeys and Winamp pages: both edit the hotkey table the sheet was handed, the first its
// four system hotkeys, the second the seven player hotkeys with the player
// switch and program. While either page exists no hotkey is registered, so
// the user can press the combinations; apply or cancel registers the table.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

#include "options/option_pages.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_ids.h"
#include "options/page_protocol.h"
#include "services/lang_text.h"
#include "services/hotkeys.h"
#include "services/settings.h"

namespace {

// The handed table, or (a sheet run without one) the run's own.
Hotkeys& HandedHotkeys(HWND page) {
  return RunOf(page).HotkeysToEdit();
}

// One row per hotkey table entry: its label's text; the label, modifier
// list, key list and switch are that entry's controls.
struct HotkeyRow {
  int entry;
  const char* key;
  const char* german;
  PageText Label() const { return {IDC_HOTKEY_LABEL(entry), key, german}; }
  int Modifiers() const { return IDC_HOTKEY_MODIFIERS(entry); }
  int Keys() const { return IDC_HOTKEY_KEYS(entry); }
  int Check() const { return IDC_HOTKEY_ON(entry); }
};

constexpr HotkeyRow kSystemRows[] = {
    {10, "AKTIV", "&Aktivieren/Deaktivieren: "},
    {9, "VORDERGRUND", "Alles in den &Vordergrund: "},
    {0, "SCHONER", "&Bildschirmschoner starten: "},
    {1, "MONITOR", "&Monitor aus/standby: "},
};

constexpr HotkeyRow kPlayerRows[] = {
    {2, "ZURUECK",
     "Zur\xfc"
     "ck: "},
    {3, "WIEDERGABE", "Wiedergabe: "},
    {4, "PAUSE", "Pause: "},
    {5, "STOPP", "Stopp: "},
    {6, "WEITER", "Weiter: "},
    {7, "LAUTER", "Lauter: "},
    {8, "LEISER", "Leiser: "},
};

constexpr PageText kSystemIntro = {IDC_HOTKEYS_INTRO, "TEXT",
                                   "Schnell den Bildschirmschoner starten oder einfach den Monitor "
                                   "ausschalten? Kein Problem, die Hotkeys sind "
                                   "direkt aus jeder beliebigen Anwendung erreichbar."};
constexpr char kSystemSection[] = "HOTKEYS";
constexpr char kPlayerSection[] = "WINAMP";
constexpr PageText kEnabledText = {0, "AKTIVIERT", "aktiviert"};

constexpr PageText kPlayerTexts[] = {
    {IDC_WINAMP_INTRO, "TEXT",
     "Sie k\xf6nnen Winamp (2/5) starten und fernsteuern. Benno R. Kling zeigt in Sprechblasen die laufenden "
     "Titel "
     "an."},
    {IDC_WINAMP_ON, "INTEGRATION", "Winamp-Integration"},
    {IDC_WINAMP_EXE_LABEL, "PROGRAMM", "Winamp-Programmdatei:"},
};

template <size_t N>
void FillRows(HWND page, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows) {
    for (int i = 0; i < kHotkeyModifierCount; ++i)
      SendDlgItemMessageA(page, row.Modifiers(), CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(HotkeyModifierName(i)));
    for (int i = 0; i < kHotkeyKeyCount; ++i)
      SendDlgItemMessageA(page, row.Keys(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(HotkeyKeyName(i)));
    const HotkeyEntry& entry = HandedHotkeys(page).Table()[row.entry];
    SendDlgItemMessageA(page, row.Modifiers(), CB_SETCURSEL, entry.modifierIndex, 0);
    SendDlgItemMessageA(page, row.Keys(), CB_SETCURSEL, entry.keyIndex, 0);
    SetChecked(page, row.Check(), entry.enabled != 0);
  }
}

template <size_t N>
void SetRowTexts(HWND page, const char* section, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows) {
    SetPageText(page, section, row.Label());
    SetPageText(page, section, {row.Check(), kEnabledText.key, kEnabledText.german});
  }
}

int Selection(HWND page, int control) {
  const LRESULT selection = SendDlgItemMessageA(page, control, CB_GETCURSEL, 0, 0);
  return selection < 0 ? 0 : static_cast<int>(selection);
}

template <size_t N>
void ApplyRows(HWND page, const HotkeyRow (&rows)[N]) {
  HotkeyEntries& table = HandedHotkeys(page).Table();
  for (const HotkeyRow& row : rows)
    table[row.entry] = {table[row.entry].id, Selection(page, row.Modifiers()), Selection(page, row.Keys()),
                        IsChecked(page, row.Check()) ? 1 : 0};
  HandedHotkeys(page).Save();
  HandedHotkeys(page).Register(1);
}

template <size_t N>
bool IsRowControl(int control, const HotkeyRow (&rows)[N]) {
  for (const HotkeyRow& row : rows)
    if (control == row.Modifiers() || control == row.Keys() || control == row.Check()) return true;
  return false;
}

// The stored hotkeys back in force: the rows on screen are dropped.
void RestoreStoredHotkeys(HWND page) {
  HandedHotkeys(page).Load();
  HandedHotkeys(page).Register(1);
}

void EnablePlayerControls(HWND page, bool on) {
  for (int control : {IDC_WINAMP_EXE_LABEL, IDC_WINAMP_EXE, IDC_WINAMP_BROWSE})
    EnableControl(page, control, on);
  for (const HotkeyRow& row : kPlayerRows)
    for (int control : {row.Label().control, row.Modifiers(), row.Keys(), row.Check()})
      EnableControl(page, control, on);
}

struct WinampPageState : PageState {
  // Set while the page itself writes the path, which is no change by the user.
  bool settingPath = false;
};

WinampPageState& State(HWND page) {
  return PageStateOf<WinampPageState>(page);
}

void SetPathText(HWND page, const char* path) {
  WinampPageState& state = State(page);
  state.settingPath = true;
  SetDlgItemTextA(page, IDC_WINAMP_EXE, path);
  state.settingPath = false;
}

void BrowseForPlayer(HWND page) {
  char path[MAX_PATH] = {};
  ControlText(page, IDC_WINAMP_EXE, path, sizeof path);
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
      HandedHotkeys(page).Register(0);
      FillRows(page, kSystemRows);
      return TRUE;
    case WM_COMMAND: {
      const int control = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (IsRowControl(control, kSystemRows) && (code == CBN_SELCHANGE || code == BN_CLICKED))
        PageChanged(page);
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
          RestoreStoredHotkeys(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK WinampPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetChecked(page, IDC_WINAMP_ON, RunOf(page).Copy().NoWinamp == 0);
      HandedHotkeys(page).Register(0);
      FillRows(page, kPlayerRows);
      EnablePlayerControls(page, RunOf(page).Copy().NoWinamp == 0);
      SendDlgItemMessageA(page, IDC_WINAMP_EXE, EM_LIMITTEXT, MAX_PATH - 1, 0);
      // Set once: a path typed here survives leaving the page and coming back.
      SetPathText(page, RunOf(page).Copy().WinampExe.Get().c_str());
      return TRUE;
    }
    case WM_COMMAND: {
      const int control = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (control == IDC_WINAMP_ON && code == BN_CLICKED) {
        // The player's control follows the switch at once.
        RunOf(page).Copy().NoWinamp = IsChecked(page, IDC_WINAMP_ON) ? 0 : 1;
        RunOf(page).Preview("NoWinamp");
        EnablePlayerControls(page, RunOf(page).Copy().NoWinamp == 0);
        PageChanged(page);
      } else if (control == IDC_WINAMP_BROWSE && code == BN_CLICKED) {
        BrowseForPlayer(page);
      } else if ((control == IDC_WINAMP_EXE && code == EN_CHANGE && !State(page).settingPath) ||
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
          RunOf(page).Copy().NoWinamp = IsChecked(page, IDC_WINAMP_ON) ? 0 : 1;
          char path[MAX_PATH];
          ControlText(page, IDC_WINAMP_EXE, path, sizeof path);
          RunOf(page).Copy().WinampExe.Set(path);
          // The switch and the path are settings of their own: without this
          // they would reach the registry only when another page saves.
          RunOf(page).CommitPage(SettingPage::kWinamp);
          ApplyRows(page, kPlayerRows);
          return TRUE;
        }
        case PSN_RESET:
          RestoreStoredHotkeys(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
