// General page: version, the maker's pages, autostart and language.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_ids.h"
#include "options/page_protocol.h"
#include "services/app_globals.h"
#include "services/win_util.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "services/version.h"

namespace {

constexpr char kHomeAddress[] = "https://www.kestrima.example/";
constexpr char kUpdateAddress[] = "https://www.kestrima.example/version/ver.php";

constexpr PageText kTexts[] = {
    {IDC_GENERAL_NOTICE, "HINWEIS",
     "Dieses Programm darf frei weitergegeben werden, solange es unver\xE4"
     "ndert und vollst\xE4"
     "ndig bleibt."},
    {IDC_GENERAL_AUTOSTART, "AUTOSTART", "&Automatischer Programmstart"},
    {IDC_GENERAL_LANGUAGE_LABEL, "SPRACHE", "&Sprache:"},
    {IDC_GENERAL_UPDATE, "UPDATE", "Update vorhanden?"},
};

void SetVersionText(HWND page) {
  char second[kLangTextMax];
  lstrcpynA(second, LangText("ALLGEMEIN", "VERSION2", "Ihr Begleiter auf dem Desktop"), sizeof second);
  char text[kLangTextMax + 64];
  std::snprintf(text, sizeof text, "%s Version %d.%d.%d\n%s", PRODUCT_TITLE, VERSION_MAJOR, VERSION_MINOR,
                VERSION_PATCH, second);
  SetDlgItemTextA(page, IDC_GENERAL_VERSION, text);
}

void OnInit(HWND page) {
  // The sheet tells its callback who it is only after the start page exists.
  RestoreDialogPos(GetParent(page));
  RunOf(page).SetOpenFlag(true);
  Language = 1;
  HWND combo = GetDlgItem(page, IDC_GENERAL_LANGUAGE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  SendMessageA(combo, CB_SETITEMDATA,
               SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("English")), 0);
  SendMessageA(combo, CB_SETITEMDATA,
               SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Deutsch")), 1);
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  EnableWindow(combo, FALSE);  // the texts are German at every start
}

void OnSetActive(HWND page) {
  SetVersionText(page);
  SetDlgItemTextA(page, IDC_GENERAL_HOME_PAGE, kHomeAddress);
  SetPageTexts(page, "ALLGEMEIN", kTexts);
  SetChecked(page, IDC_GENERAL_AUTOSTART, RunOf(page).Copy().Autostart != 0);
}

void OpenUpdatePage(HWND page) {
  char url[256];
  std::snprintf(url, sizeof url, "%s?P=telvarn&V=%d.%d.%d&L=%d", kUpdateAddress, VERSION_MAJOR, VERSION_MINOR,
                VERSION_PATCH, Language == 1 ? 2 : 1);
  ShellExecuteA(page, "open", url, nullptr, "", SW_SHOWNORMAL);
}

void OnApply(HWND page) {
  RunOf(page).Copy().Autostart = IsChecked(page, IDC_GENERAL_AUTOSTART);
  const AppSettings& committed = RunOf(page).CommitPage(SettingPage::kGeneral);
  SetAutostart(committed.Autostart, ProgramInstance());
  const LRESULT selected = SendDlgItemMessageA(page, IDC_GENERAL_LANGUAGE, CB_GETCURSEL, 0, 0);
  if (selected != CB_ERR)
    Language = static_cast<int>(SendDlgItemMessageA(page, IDC_GENERAL_LANGUAGE, CB_GETITEMDATA, selected, 0));
}

}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_GENERAL_AUTOSTART:
          RunOf(page).Copy().Autostart = IsChecked(page, IDC_GENERAL_AUTOSTART);
          PageChanged(page);
          return TRUE;
        case IDC_GENERAL_LANGUAGE:
          if (HIWORD(wParam) == CBN_SELCHANGE) PageChanged(page);
          return TRUE;
        case IDC_GENERAL_HOME_PAGE:
          ShellExecuteA(page, "open", kHomeAddress, nullptr, "", SW_SHOWNORMAL);
          return TRUE;
        case IDC_GENERAL_UPDATE:
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
