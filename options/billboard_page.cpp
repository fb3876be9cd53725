// Billboard page: whether the wall stands, the poster folders, the calendar
// as the only motif and its holiday region.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstdio>

#include "stage/billboard_state.h"
#include "stage/portable/billboard_motifs.h"
#include "stage/portable/calendar.h"
#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "services/threads.h"

namespace {

constexpr UINT kPreviewMessage = 0x8517;
constexpr char kPreviewBitmap[] = "DLG_PLAKATW";

constexpr PageText kTexts[] = {
    {IDC_BILLBOARD_INTRO, "TEXT",
     "Konrad T. Plack bringt Ihre Bilder und Texte auf die Plakatwand. Klicken Sie bitte auf 'HILFE' dann "
     "erkl\xE4"
     "rt er Ihnen welche Dateiformate er verwenden kann."},
    {IDC_BILLBOARD_ON, "PLAKATWAND", "&Plakatwand aufstellen"},
    {IDC_BILLBOARD_KEEP, "NODEACTIVE", "nicht &deaktivieren"},
    {IDC_BILLBOARD_PICTURE_LABEL, "BMPPLAKAT", "&Bild-Dateien:"},
    {IDC_BILLBOARD_TEXT_LABEL, "TXTPLAKAT", "&Text-Dateien:"},
    {IDC_BILLBOARD_CALENDAR_ONLY, "NURKAL", "nur &Kalender als Plakatmotiv"},
    {IDC_BILLBOARD_REGION_LABEL, "FEIERTAGE", "&Feiertage:"},
};

struct BillboardPageState : PageState {
  bool on = false;  // the wall's switch as the page shows it
};

BillboardPageState& State(HWND page) {
  return PageStateOf<BillboardPageState>(page);
}

void Enable(HWND page) {
  BillboardPageState& state = State(page);
  EnableControl(page, IDC_BILLBOARD_ON, true);
  for (int id :
       {IDC_BILLBOARD_CALENDAR_ONLY, IDC_BILLBOARD_KEEP, IDC_BILLBOARD_REGION_LABEL, IDC_BILLBOARD_REGION})
    EnableControl(page, id, state.on);
  for (int id = IDC_BILLBOARD_PICTURE_LABEL; id <= IDC_BILLBOARD_TEXT_BROWSE; ++id)
    EnableControl(page, id, state.on && !RunOf(page).Copy().Calendar);
}

void OnInit(HWND page) {
  const AppSettings& s = RunOf(page).Copy();
  State(page).on = s.Billboard != 0;
  SetChecked(page, IDC_BILLBOARD_KEEP, s.BillboardNotDA != 0);
  char path[MAX_PATH];
  s.BMPpath.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, IDC_BILLBOARD_PICTURE_FOLDER, path);
  s.TXTpath.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, IDC_BILLBOARD_TEXT_FOLDER, path);
  for (int id : {IDC_BILLBOARD_PICTURE_FOLDER, IDC_BILLBOARD_TEXT_FOLDER})
    SendDlgItemMessageA(page, id, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SendDlgItemMessageA(page, IDC_BILLBOARD_REGION, CB_RESETCONTENT, 0, 0);
  for (const char* name : HolidayRegionNames)
    SendDlgItemMessageA(page, IDC_BILLBOARD_REGION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageA(page, kPreviewMessage, 0, 0);
}

void OnSetActive(HWND page) {
  SetPageTexts(page, "PLAKAT", kTexts);
  SetChecked(page, IDC_BILLBOARD_ON, State(page).on);
  SetChecked(page, IDC_BILLBOARD_CALENDAR_ONLY, RunOf(page).Copy().Calendar != 0);
  SendDlgItemMessageA(page, IDC_BILLBOARD_REGION, CB_SETCURSEL, RunOf(page).Copy().Feiertage, 0);
  Enable(page);
}

// The folder goes into the edit as its search pattern, "<folder>\*.*".
void BrowseInto(HWND page, int edit, const char* key, const char* german) {
  char title[kLangTextMax];
  lstrcpynA(title, LangText("PLAKAT", key, german), sizeof title);
  char folder[MAX_PATH];
  if (!BrowseForFolder(page, title, folder, sizeof folder)) return;
  char pattern[MAX_PATH];
  std::snprintf(pattern, sizeof pattern, "%s\\*.*", folder);
  SetDlgItemTextA(page, edit, pattern);
}

void OnApply(HWND page) {
  AppSettings& s = RunOf(page).Copy();
  char path[MAX_PATH];
  ControlText(page, IDC_BILLBOARD_PICTURE_FOLDER, path, sizeof path);
  s.BMPpath.Set(path);
  ControlText(page, IDC_BILLBOARD_TEXT_FOLDER, path, sizeof path);
  s.TXTpath.Set(path);
  s.Calendar = IsChecked(page, IDC_BILLBOARD_CALENDAR_ONLY);
  s.Billboard = IsChecked(page, IDC_BILLBOARD_ON);
  s.BillboardNotDA = IsChecked(page, IDC_BILLBOARD_KEEP);
  const LRESULT region = SendDlgItemMessageA(page, IDC_BILLBOARD_REGION, CB_GETCURSEL, 0, 0);
  s.Feiertage = region == CB_ERR ? 0 : static_cast<int>(region);
  const bool wallChanged = s.Billboard != RunOf(page).Committed().Billboard;
  const AppSettings& committed = RunOf(page).CommitPage(SettingPage::kBillboard);
  if (BillboardStateBlock* wall = RunOf(page).Parts().billboard) {
    wall->unloadRequest = wallChanged ? 1 : 0;
    // The calendar sheet is drawn again for a new holiday region.
    if (committed.Billboard && wall->currentMotif == kCalendarMotif) wall->unloadRequest = 1;
  }
  WakeWorkers();  // the animation thread serves the reload and the new setting now
  if (const auto& findPosters = RunOf(page).Parts().findPosters) findPosters(committed);
}

INT_PTR OnCommand(HWND page, int id, int code) {
  BillboardPageState& state = State(page);
  switch (id) {
    case IDC_BILLBOARD_ON:
      state.on = !state.on;
      SetChecked(page, IDC_BILLBOARD_ON, state.on);
      Enable(page);
      break;
    case IDC_BILLBOARD_KEEP:
      break;
    case IDC_BILLBOARD_CALENDAR_ONLY:
      RunOf(page).Copy().Calendar = !RunOf(page).Copy().Calendar;
      SetChecked(page, IDC_BILLBOARD_CALENDAR_ONLY, RunOf(page).Copy().Calendar != 0);
      Enable(page);
      break;
    case IDC_BILLBOARD_PICTURE_BROWSE:
      BrowseInto(page, IDC_BILLBOARD_PICTURE_FOLDER, "BRS_BMPPLAKAT",
                 "Alle BMP-, GIF-, JPG-, PCX-, PNG-, PSD-, EMF- und WMF-Dateien in diesem Verzeichnis werden "
                 "angezeigt.");
      return TRUE;
    case IDC_BILLBOARD_TEXT_BROWSE:
      BrowseInto(page, IDC_BILLBOARD_TEXT_FOLDER, "BRS_TXTPLAKAT",
                 "Alle TXT-Dateien in diesem Verzeichnis werden angezeigt.");
      return TRUE;
    case IDC_BILLBOARD_PICTURE_FOLDER:
    case IDC_BILLBOARD_TEXT_FOLDER:
      if (code != EN_CHANGE) return TRUE;
      break;
    case IDC_BILLBOARD_REGION:
      if (code != CBN_SELCHANGE) return TRUE;
      break;
    default:
      return FALSE;
  }
  PageChanged(page);
  return TRUE;
}

}  // namespace

int BrowseForFolder(HWND owner, const char* title, char* out, int capacity) {
  if (capacity <= 0) return 0;
  const HRESULT ole = OleInitialize(nullptr);  // the new dialog style needs OLE
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_SHAREABLE;
  int chosen = 0;
  if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(item, path)) {
      lstrcpynA(out, path, capacity);
      chosen = 1;
    }
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return chosen;
}

INT_PTR CALLBACK BillboardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    case kPreviewMessage: {
      const SIZE pageSize = PageSize(page);
      const SIZE bitmap = PreviewBitmapSize(page, kPreviewBitmap);
      PlacePreview(page, IDC_BILLBOARD_PREVIEW, kPreviewBitmap, pageSize.cx - bitmap.cx - 30,
                   pageSize.cy - bitmap.cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == IDC_BILLBOARD_PREVIEW)
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kPreviewBitmap);
      return TRUE;
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
