// Plane page: the banner's text and font, or no plane at all.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "services/app_globals.h"
#include "services/settings.h"

namespace {

constexpr int kNoPlane = 1513;
constexpr int kBannerLabel = 1514;
constexpr int kBanner = 1515;
constexpr int kFont = 1516;
constexpr int kPreview = 1511;
constexpr UINT kPreviewMessage = 0x851B;
constexpr char kPreviewBitmap[] = "FLIEGER";
constexpr int kBannerChars = 256;

constexpr PageText kTexts[] = {
    {1510, "TEXT",
     "Ein Wunder, dass diese alte Kiste \xFC" "berhaupt noch fliegt. Sogar Ihren eigenen Text k\xF6" "nnen Sie auf dem "
     "Flugzeugbanner sehen."},
    {kBannerLabel, "BANNERHEAD", "&Flugzeugbanner:"},
    {kFont, "FONT", "&Schriftart"},
    {kNoPlane, "NICHT", "&keine Starterlaubnis"},
};

// The banner font as the font dialog leaves it; stored on apply.
LOGFONTA g_font;

void Enable(HWND page) {
  for (int id : {kBannerLabel, kBanner, kFont}) EnableControl(page, id, Settings.KeinFlugzeug == 0);
}

void ChooseBannerFont(HWND page) {
  const LOGFONTA before = g_font;
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = page;
  dialog.lpLogFont = &g_font;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_SCRIPTSONLY | CF_LIMITSIZE;
  dialog.nSizeMin = 7;
  dialog.nSizeMax = 24;
  if (ChooseFontA(&dialog)) {
    PageChanged(page);
  } else {
    g_font = before;
  }
}

void OnApply(HWND page) {
  char text[kBannerChars];
  ControlText(page, kBanner, text, sizeof text);
  Settings.Banner.Set(text);
  Settings.KeinFlugzeug = IsChecked(page, kNoPlane);
  SetBannerLogFont(g_font);
  SaveSettings();
}

}  // namespace

INT_PTR CALLBACK PlanePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      OptionsOpen = 1;
      char text[kBannerChars];
      LoadBannerSettings(text, sizeof text);
      g_font = BannerLogFont();
      SendDlgItemMessageA(page, kBanner, EM_LIMITTEXT, kBannerChars - 1, 0);
      SetDlgItemTextA(page, kBanner, text);
      SendMessageA(page, kPreviewMessage, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kNoPlane:
          Settings.KeinFlugzeug = IsChecked(page, kNoPlane);
          Enable(page);
          PageChanged(page);
          return TRUE;
        case kBanner:
          if (HIWORD(wParam) == EN_CHANGE) PageChanged(page);
          return TRUE;
        case kFont:
          ChooseBannerFont(page);
          return TRUE;
      }
      break;
    case kPreviewMessage:
      PlacePreview(page, kPreview, kPreviewBitmap, -1, -1);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == kPreview) DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kPreviewBitmap);
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "FLIEGER", kTexts);
          Enable(page);
          SetChecked(page, kNoPlane, Settings.KeinFlugzeug != 0);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
