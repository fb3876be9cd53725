#include "options/options_sheet.h"
#include "options/page_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "options/option_pages.h"
#include "services/shell_state.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/help.h"
#include "services/portable/help_topics.h"
#include "services/portable/int_list.h"
#include "services/settings.h"
#include "services/settings_owner.h"

HWND OptionsSheetWindow;
void (*OptionsHelp)(HWND window, const HELPINFO* info, int topic) = ShowHelpTopic;

// In the sheet's order; a null procedure leaves the slot out.
const OptionsPage kOptionsPages[kOptionsPageCount] = {
    {IDD_PAGE_GENERAL, "Allgemein ", GeneralPageProc, TOPIC_GENERAL, true, nullptr},
    {IDD_PAGE_DESKTOP, "Desktop ", DesktopPageProc, TOPIC_DESKTOP, true, nullptr},
    {IDD_PAGE_SPEED, "Geschwindigkeit ", SpeedPageProc, TOPIC_SPEED, false, nullptr},
    {IDD_PAGE_SOUND, "Sound ", SoundPageProc, TOPIC_SOUND, true, nullptr},
    {IDD_PAGE_PEOPLE, "Leute ", PeoplePageProc, TOPIC_PEOPLE, false, nullptr},
    {IDD_PAGE_BIRTHDAYS, "Fabian Merk ", BirthdayPageProc, TOPIC_BIRTHDAYS, true, UndoBirthdayPage},
    {IDD_PAGE_PLANE, "Flugzeug ", PlanePageProc, TOPIC_PLANE, true, nullptr},
    {IDD_PAGE_CLOCK, "Uhr ", ClockPageProc, TOPIC_CLOCK, false, nullptr},
    {IDD_PAGE_COUNTDOWN, "Countdown ", CountdownPageProc, TOPIC_COUNTDOWN, false, nullptr},
    {IDD_PAGE_BILLBOARD, "Plakate ", BillboardPageProc, TOPIC_BILLBOARD, false, nullptr},
    {IDD_PAGE_WEATHER, "Wetter ", WeatherPageProc, TOPIC_WEATHER, false, nullptr},
    {IDD_PAGE_HOTKEYS, "Hotkeys ", HotkeysPageProc, TOPIC_HOTKEYS, false, nullptr},
    {IDD_PAGE_WINAMP, "Winamp ", WinampPageProc, TOPIC_WINAMP, false, nullptr},
};

namespace {

// A setting shown before apply: its row, its committed value (as text) and
// what runs when the value is taken back.
struct Preview {
  const SettingRow* row;
  std::string committed;
  void (*withdrawn)();
};

std::unique_ptr<AppSettings> g_pageSettings;
std::vector<Preview> g_previews;

bool g_sheetRunning = false;
OptionsParts g_parts;
// The settings of a sheet opened without an owner (a test's): its own table,
// loaded from the settings key when it opens, as the program's would be.
std::unique_ptr<AppSettings> g_ownTable;
std::unique_ptr<SettingsOwner> g_ownOwner;
// What the pages committed last: the live settings without the values they
// only show.
std::unique_ptr<AppSettings> g_committed;

SettingsOwner& Owner() {
  if (g_parts.settings) return *g_parts.settings;
  if (!g_ownOwner) {
    g_ownTable = std::make_unique<AppSettings>();
    g_ownOwner = std::make_unique<SettingsOwner>(*g_ownTable);
  }
  return *g_ownOwner;
}

void KeepCommitted() {
  if (!g_committed) g_committed = std::make_unique<AppSettings>();
  CopySettings(*g_committed, Owner().Read());
  for (const Preview& preview : g_previews) preview.row->field->set(*g_committed, preview.committed.c_str());
}

// Previews that no page committed go back to the committed values.
void WithdrawPreviews() {
  for (const Preview& preview : g_previews) {
    if (preview.row->field->get(Owner().Read()) == preview.committed) continue;
    Owner().ShowValue(*preview.row, preview.committed);
    if (preview.withdrawn) preview.withdrawn();
  }
  g_previews.clear();
}

// Dialog templates: the extended form starts with version 1, signature 0xFFFF.
void AddSystemMenuStyle(void* dialogTemplate) {
  auto* words = static_cast<WORD*>(dialogTemplate);
  DWORD* style = (words[0] == 1 && words[1] == 0xFFFF) ? reinterpret_cast<DWORD*>(words + 6)
                                                         : reinterpret_cast<DWORD*>(words);
  *style |= WS_SYSMENU;
}

const OptionsPage* PageEntry(HWND page) {
  return reinterpret_cast<const OptionsPage*>(GetWindowLongPtrA(page, DWLP_USER));
}

INT_PTR NotifyResult(HWND page, LRESULT result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
  const OptionsPage* entry = PageEntry(page);
  if (!entry) return FALSE;

  const UINT code = message == WM_NOTIFY && lParam ? reinterpret_cast<const NMHDR*>(lParam)->code : 0;
  if (code == PSN_SETACTIVE) SetSheetOpen(true);
  const INT_PTR handled = entry->proc(page, message, wParam, lParam);
  switch (code) {
    case PSN_SETACTIVE:
      return NotifyResult(page, 0);
    case PSN_KILLACTIVE:
    case PSN_RESET:
      SetSheetOpen(false);
      if (entry->savesPosition) SaveDialogPos(GetParent(page));
      return NotifyResult(page, FALSE);
    case PSN_APPLY:
      return NotifyResult(page, PSNRET_NOERROR);
    case PSN_HELP:
      OptionsHelp(page, nullptr, entry->helpTopic);
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

AppSettings& PageSettings() {
  if (!g_pageSettings) {
    g_pageSettings = std::make_unique<AppSettings>();
    CopySettings(*g_pageSettings, Owner().Read());
  }
  return *g_pageSettings;
}

const AppSettings& CommittedSettings() {
  if (!g_committed) KeepCommitted();
  return *g_committed;
}

const AppSettings& CommitPage(SettingPage page, unsigned groups) {
  Owner().CommitPage(PageSettings(), page);
  std::erase_if(g_previews, [page](const Preview& preview) { return preview.row->page == page; });
  KeepCommitted();
  Owner().SaveCommitted(groups, *g_committed);
  return *g_committed;
}

void PreviewSetting(const char* name, void (*withdrawn)()) {
  const SettingRow* row = FindSettingRow(name);
  if (!row) return;
  auto known = std::find_if(g_previews.begin(), g_previews.end(),
                            [row](const Preview& preview) { return preview.row == row; });
  if (known == g_previews.end())
    g_previews.push_back({row, row->field->get(Owner().Read()), withdrawn});
  else if (withdrawn)
    known->withdrawn = withdrawn;
  Owner().ShowValue(*row, row->field->get(PageSettings()));
}

int CALLBACK OptionsSheetCallback(HWND sheet, UINT message, LPARAM parameter) {
  if (message == PSCB_PRECREATE && parameter) AddSystemMenuStyle(reinterpret_cast<void*>(parameter));
  if (message == PSCB_INITIALIZED) OptionsSheetWindow = sheet;
  return 0;
}

INT_PTR ShowOptionsSheet(HWND owner) {
  std::vector<PROPSHEETPAGEA> pages;
  for (const OptionsPage& entry : kOptionsPages) {
    if (!entry.proc) continue;
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof(PROPSHEETPAGEA);
    page.dwFlags = PSP_USETITLE | PSP_HASHELP;
    page.hInstance = ProgramInstance();
    page.pszTemplate = MAKEINTRESOURCEA(entry.dialogId);
    page.pszTitle = entry.title;
    page.pfnDlgProc = OptionsPageProc;
    page.lParam = reinterpret_cast<LPARAM>(&entry);
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

  g_pageSettings.reset();
  PageSettings();
  KeepCommitted();
  const INT_PTR result = PropertySheetA(&header);
  // What no page committed is dropped with the copy; previews go back.
  WithdrawPreviews();
  g_pageSettings.reset();
  g_committed.reset();
  for (const OptionsPage& entry : kOptionsPages)
    if (entry.proc && entry.onCancel) entry.onCancel();
  OptionsSheetWindow = nullptr;
  SetSheetOpen(false);
  return result;
}

void SetSheetOpen(bool open) {
  if (g_parts.shell) g_parts.shell->optionsOpen = open ? 1 : 0;
}

const OptionsParts& SheetParts() {
  return g_parts;
}

int OpenOptions(HWND owner, const OptionsParts& parts) {
  if (g_sheetRunning) {
    if (OptionsSheetWindow) SetForegroundWindow(OptionsSheetWindow);
    return 1;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_DATE_CLASSES | ICC_TAB_CLASSES};
  if (InitCommonControlsEx(&controls) != TRUE) return 0;
  g_sheetRunning = true;
  g_parts = parts;
  Owner().Load();
  ShowOptionsSheet(owner);
  g_parts = {};
  g_ownOwner.reset();
  g_ownTable.reset();
  g_sheetRunning = false;
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
