#include "options/options_sheet.h"
#include "options/page_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "options/option_pages.h"
#include "options/sheet_run.h"
#include "services/shell_state.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/help.h"
#include "services/portable/help_topics.h"
#include "services/portable/int_list.h"
#include "services/settings.h"
#include "services/settings_owner.h"

void (*OptionsHelp)(HWND window, const HELPINFO* info, int topic) = ShowHelpTopic;

// In the sheet's order; a null procedure leaves the slot out.
const OptionsPage kOptionsPages[kOptionsPageCount] = {
    {IDD_PAGE_GENERAL, "Allgemein ", GeneralPageProc, TOPIC_GENERAL, true},
    {IDD_PAGE_DESKTOP, "Desktop ", DesktopPageProc, TOPIC_DESKTOP, true},
    {IDD_PAGE_SPEED, "Geschwindigkeit ", SpeedPageProc, TOPIC_SPEED, false},
    {IDD_PAGE_SOUND, "Sound ", SoundPageProc, TOPIC_SOUND, true},
    {IDD_PAGE_PEOPLE, "Leute ", PeoplePageProc, TOPIC_PEOPLE, false},
    {IDD_PAGE_BIRTHDAYS, "Fabian Merk ", BirthdayPageProc, TOPIC_BIRTHDAYS, true},
    {IDD_PAGE_PLANE, "Flugzeug ", PlanePageProc, TOPIC_PLANE, true},
    {IDD_PAGE_CLOCK, "Uhr ", ClockPageProc, TOPIC_CLOCK, false},
    {IDD_PAGE_COUNTDOWN, "Countdown ", CountdownPageProc, TOPIC_COUNTDOWN, false},
    {IDD_PAGE_BILLBOARD, "Plakate ", BillboardPageProc, TOPIC_BILLBOARD, false},
    {IDD_PAGE_WEATHER, "Wetter ", WeatherPageProc, TOPIC_WEATHER, false},
    {IDD_PAGE_HOTKEYS, "Hotkeys ", HotkeysPageProc, TOPIC_HOTKEYS, false},
    {IDD_PAGE_WINAMP, "Winamp ", WinampPageProc, TOPIC_WINAMP, false},
};

namespace {

// The sheet's window carries its run under this name while it is open.
constexpr char kRunProperty[] = "WayluneSheetRun";

// Dialog templates: the extended form starts with version 1, signature 0xFFFF.
void AddSystemMenuStyle(void* dialogTemplate) {
  auto* words = static_cast<WORD*>(dialogTemplate);
  DWORD* style = (words[0] == 1 && words[1] == 0xFFFF) ? reinterpret_cast<DWORD*>(words + 6)
                                                       : reinterpret_cast<DWORD*>(words);
  *style |= WS_SYSMENU;
}

// The first window of this thread that carries a run.
BOOL CALLBACK FindRunWindow(HWND window, LPARAM found) {
  if (!GetPropA(window, kRunProperty)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

INT_PTR NotifyResult(HWND page, LRESULT result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* slot = reinterpret_cast<PageSlot*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
    SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(slot));
    // The sheet knows its run from its first page on.
    SetPropA(GetParent(page), kRunProperty, slot->run);
  }
  PageSlot* slot = FindSlot(page);
  if (!slot) return FALSE;
  if (message == WM_DESTROY) RemovePropA(GetParent(page), kRunProperty);

  const OptionsPage& entry = *slot->entry;
  SheetRun& run = *slot->run;
  const UINT code = message == WM_NOTIFY && lParam ? reinterpret_cast<const NMHDR*>(lParam)->code : 0;
  if (code == PSN_SETACTIVE) run.SetOpenFlag(true);
  const INT_PTR handled = entry.proc(page, message, wParam, lParam);
  switch (code) {
    case PSN_SETACTIVE:
      return NotifyResult(page, 0);
    case PSN_KILLACTIVE:
    case PSN_RESET:
      run.SetOpenFlag(false);
      if (entry.savesPosition) SaveDialogPos(GetParent(page));
      return NotifyResult(page, FALSE);
    case PSN_APPLY:
      return NotifyResult(page, PSNRET_NOERROR);
    case PSN_HELP:
      OptionsHelp(page, nullptr, entry.helpTopic);
      return TRUE;
    default:
      break;
  }
  if (message == WM_HELP) {
    OptionsHelp(page, reinterpret_cast<const HELPINFO*>(lParam), 0);
    return TRUE;
  }
  return handled;
}

int CALLBACK OptionsSheetCallback(HWND, UINT message, LPARAM parameter) {
  if (message == PSCB_PRECREATE && parameter) AddSystemMenuStyle(reinterpret_cast<void*>(parameter));
  return 0;
}

INT_PTR ShowOptionsSheet(HWND owner, SheetRun& run) {
  std::vector<PROPSHEETPAGEA> pages;
  for (PageSlot& slot : run.Slots()) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(PROPSHEETPAGEA);
    page.dwFlags = PSP_USETITLE | PSP_HASHELP;
    page.hInstance = ProgramInstance();
    page.pszTemplate = MAKEINTRESOURCEA(slot.entry->dialogId);
    page.pszTitle = slot.entry->title;
    page.pfnDlgProc = OptionsPageProc;
    page.lParam = reinterpret_cast<LPARAM>(&slot);
    pages.push_back(page);
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = PROPSHEETHEADERA_V1_SIZE;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_USECALLBACK | PSH_HASHELP | PSH_NOCONTEXTHELP;
  header.hwndParent = owner;
  header.hInstance = ProgramInstance();
  header.pszIcon = "APPICON";
  header.pszCaption = " Optionen";
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  header.ppsp = pages.data();
  header.pfnCallback = OptionsSheetCallback;
  return PropertySheetA(&header);
}

HWND OpenOptionsWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindRunWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

SheetRun* OpenSheetRun() {
  HWND sheet = OpenOptionsWindow();
  return sheet ? static_cast<SheetRun*>(GetPropA(sheet, kRunProperty)) : nullptr;
}

bool RaiseOpenOptions() {
  HWND sheet = OpenOptionsWindow();
  if (sheet) SetForegroundWindow(sheet);
  return sheet != nullptr;
}

int OpenOptions(HWND owner, const OptionsParts& parts) {
  if (RaiseOpenOptions()) return 1;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_TAB_CLASSES};
  if (InitCommonControlsEx(&controls) != TRUE) return 0;
  SheetRun run(parts, kOptionsPages);
  ShowOptionsSheet(owner, run);
  // What no page committed is dropped with the run; previews go back.
  run.Close();
  return 1;
}

void SaveDialogPos(HWND window) {
  RECT rect;
  if (!window || !GetWindowRect(window, &rect)) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d,%d", static_cast<int>(rect.left), static_cast<int>(rect.top));
  WriteSettingString("DlgPos", text);
}

void RestoreDialogPos(HWND window) {
  int pos[2] = {-1, -1};
  std::string text;
  if (ReadSettingString("DlgPos", text)) ParseIntList(text.substr(0, 15).c_str(), pos, 2);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT client;
  GetClientRect(window, &client);
  int x = pos[0];
  int y = pos[1];
  // A corner left or above the work area counts as missing too: the sheet
  // would open partly off the screen.
  const bool fits = (x >= 1 || y >= 1) && x >= work.left && y >= work.top && x + client.right <= work.right &&
                    y + client.bottom <= work.bottom;
  if (!fits) {
    x = work.right - client.right - 50;
    y = work.bottom - client.bottom - (GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME));
  }
  SetWindowPos(window, HWND_NOTOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

BOOL CALLBACK LogWindowTitleProc(HWND window, LPARAM) {
  char title[256];
  if (GetWindowTextA(window, title, sizeof title) > 0) WriteLogLine("%s", title);
  return TRUE;
}
