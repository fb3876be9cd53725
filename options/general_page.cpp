// General page: version, the maker's pages, autostart and language.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/options_sheet.h"
#include "options/page_protocol.h"
#include "services/app_globals.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "services/version.h"

namespace {

constexpr int kVersionText = 1011;
constexpr int kHomePage = 1009;
constexpr int kAutostart = 1012;
constexpr int kLanguageCombo = 1127;
constexpr int kUpdate = 1128;

constexpr char kHomeAddress[] = "https://www.kestrima.example/";
constexpr char kUpdateAddress[] = "https://www.kestrima.example/version/ver.php";

constexpr PageText kTexts[] = {
    {3000, "HINWEIS",
     "Dieses Programm darf frei weitergegeben werden, solange es unver\xE4" "ndert und vollst\xE4" "ndig bleibt."},
    {kAutostart, "AUTOSTART", "&Automatischer Programmstart"},
    {1126, "SPRACHE", "&Sprache:"},
    {kUpdate, "UPDATE", "Update vorhanden?"},
};

void SetVersionText(HWND page) {
  char second[kLangTextMax];
  lstrcpynA(second, LangText("ALLGEMEIN", "VERSION2", "Ihr Begleiter auf dem Desktop"), sizeof second);
  char text[kLangTextMax + 64];
  std::snprintf(text, sizeof text, "%s Version %d.%d.%d\n%s", PRODUCT_TITLE, VERSION_MAJOR, VERSION_MINOR,
                VERSION_PATCH, second);
  SetDlgItemTextA(page, kVersionText, text);
}

void OnInit(HWND page) {
  // The sheet tells its callback who it is only after the start page exists.
  RestoreDialogPos(GetParent(page));
  OptionsOpen = 1;
  Language = 1;
  HWND combo = GetDlgItem(page, kLanguageCombo);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_SETITEMDATA, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("English")), 0);
  SendMessageA(combo, CB_SETITEMDATA, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Deutsch")), 1);
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  EnableWindow(combo, FALSE);  // the texts are German at every start
}

void OnSetActive(HWND page) {
  SetVersionText(page);
  SetDlgItemTextA(page, kHomePage, kHomeAddress);
  SetPageTexts(page, "ALLGEMEIN", kTexts);
  SetChecked(page, kAutostart, Settings.Autostart != 0);
}

void OpenUpdatePage(HWND page) {
  char url[256];
  std::snprintf(url, sizeof url, "%s?P=telvarn&V=%d.%d.%d&L=%d", kUpdateAddress, VERSION_MAJOR, VERSION_MINOR,
                VERSION_PATCH, Language == 1 ? 2 : 1);
  ShellExecuteA(page, "open", url, nullptr, "", SW_SHOWNORMAL);
}

void OnApply(HWND page) {
  Settings.Autostart = IsChecked(page, kAutostart);
  SetAutostart(Settings.Autostart, AppInstance);
  const LRESULT selected = SendDlgItemMessageA(page, kLanguageCombo, CB_GETCURSEL, 0, 0);
  if (selected != CB_ERR) Language = static_cast<int>(SendDlgItemMessageA(page, kLanguageCombo, CB_GETITEMDATA, selected, 0));
  SaveSettings();
}

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kAutostart:
          Settings.Autostart = IsChecked(page, kAutostart);
          PageChanged(page);
          return TRUE;
        case kLanguageCombo:
          if (HIWORD(wParam) == CBN_SELCHANGE) PageChanged(page);
          return TRUE;
        case kHomePage:
          ShellExecuteA(page, "open", kHomeAddress, nullptr, "", SW_SHOWNORMAL);
          return TRUE;
        case kUpdate:
          OpenUpdatePage(page);
          return TRUE;
      }
      break;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          OnSetActive(page);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
