// Plane page: the banner's text and font, or no plane at all.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/settings.h"

namespace {

constexpr UINT kPreviewMessage = 0x851B;
constexpr char kPreviewBitmap[] = "FLIEGER";
constexpr int kBannerChars = 256;

constexpr PageText kTexts[] = {
    {IDC_PLANE_INTRO, "TEXT",
     "Ein Wunder, dass diese alte Kiste \xFC"
     "berhaupt noch fliegt. Sogar Ihren eigenen Text k\xF6"
     "nnen Sie auf dem "
     "Flugzeugbanner sehen."},
    {IDC_PLANE_BANNER_LABEL, "BANNERHEAD", "&Flugzeugbanner:"},
    {IDC_PLANE_FONT, "FONT", "&Schriftart"},
    {IDC_PLANE_OFF, "NICHT", "&keine Starterlaubnis"},
};

struct PlanePageState : PageState {
  // The banner font as the font dialog leaves it; stored on apply.
  LOGFONTA font = {};
};

PlanePageState& State(HWND page) {
  return PageStateOf<PlanePageState>(page);
}

void Enable(HWND page) {
  for (int id : {IDC_PLANE_BANNER_LABEL, IDC_PLANE_BANNER, IDC_PLANE_FONT})
    EnableControl(page, id, RunOf(page).Copy().KeinFlugzeug == 0);
}

void ChooseBannerFont(HWND page) {
  PlanePageState& state = State(page);
  const LOGFONTA before = state.font;
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = page;
  dialog.lpLogFont = &state.font;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_SCRIPTSONLY | CF_LIMITSIZE;
  dialog.nSizeMin = 7;
  dialog.nSizeMax = 24;
  if (ChooseFontA(&dialog)) {
    PageChanged(page);
  } else {
    state.font = before;
  }
}

void OnApply(HWND page) {
  AppSettings& s = RunOf(page).Copy();
  char text[kBannerChars];
  ControlText(page, IDC_PLANE_BANNER, text, sizeof text);
  s.Banner.Set(text);
  s.KeinFlugzeug = IsChecked(page, IDC_PLANE_OFF);
  SetBannerLogFont(s, State(page).font);
  RunOf(page).CommitPage(SettingPage::kPlane);
}

}  // namespace

INT_PTR CALLBACK PlanePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      RunOf(page).SetOpenFlag(true);
      char text[kBannerChars];
      RunOf(page).Copy().Banner.CopyTo(text, sizeof text);
      State(page).font = BannerLogFont(RunOf(page).Copy());
      SendDlgItemMessageA(page, IDC_PLANE_BANNER, EM_LIMITTEXT, kBannerChars - 1, 0);
      SetDlgItemTextA(page, IDC_PLANE_BANNER, text);
      SendMessageA(page, kPreviewMessage, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_PLANE_OFF:
          RunOf(page).Copy().KeinFlugzeug = IsChecked(page, IDC_PLANE_OFF);
          Enable(page);
          PageChanged(page);
          return TRUE;
        case IDC_PLANE_BANNER:
          if (HIWORD(wParam) == EN_CHANGE) PageChanged(page);
          return TRUE;
        case IDC_PLANE_FONT:
          ChooseBannerFont(page);
          return TRUE;
      }
      break;
    case kPreviewMessage:
      PlacePreview(page, IDC_PLANE_PREVIEW, kPreviewBitmap, -1, -1);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == IDC_PLANE_PREVIEW)
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kPreviewBitmap);
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "FLIEGER", kTexts);
          Enable(page);
          SetChecked(page, IDC_PLANE_OFF, RunOf(page).Copy().KeinFlugzeug != 0);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
