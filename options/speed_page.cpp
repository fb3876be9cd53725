// Speed page: how fast the figures walk and how long the pause between
// scenes is.

#include <windows.h>

#include <commctrl.h>
#include <cstdio>

#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "services/settings.h"

namespace {

constexpr int kSpeedSlider = 1013;
constexpr int kPauseSlider = 1014;
constexpr int kPauseText = 1018;
constexpr int kPreview = 3028;
constexpr UINT kPreviewMessage = 0x8514;
constexpr char kPreviewBitmap[] = "DLG_LAEUFER";

constexpr PageText kTexts[] = {
    {3026, "TEXT",
     "Wie schnell die Leute rumlaufen, wird hier festgelegt - und wie oft jemand auftaucht, bestimmen Sie \xFC" "ber "
     "den Pauseregler."},
    {1015, "SPEED", "&Geschwindigkeit:"},
    {1016, "LANGSAM", "langsam"},
    {1017, "SCHNELL", "schnell"},
    {1007, "PAUSE", "&Pause:"},
};

const char* Unit(int n, const char* one, const char* many) { return n == 1 ? one : many; }

void ShowPauseText(HWND page) {
  char text[64];
  PauseText(static_cast<int>(SendDlgItemMessageA(page, kPauseSlider, TBM_GETPOS, 0, 0)), text, sizeof text);
  SetDlgItemTextA(page, kPauseText, text);
}

void OnInit(HWND page) {
  SendDlgItemMessageA(page, kSpeedSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, 120));
  SendDlgItemMessageA(page, kSpeedSlider, TBM_SETPAGESIZE, 0, 10);
  SendDlgItemMessageA(page, kSpeedSlider, TBM_SETPOS, TRUE, 140 - Settings.Speed);
  SendDlgItemMessageA(page, kPauseSlider, TBM_SETRANGE, TRUE, MAKELPARAM(12, 8000));
  SendDlgItemMessageA(page, kPauseSlider, TBM_SETTICFREQ, 20, 0);
  SendDlgItemMessageA(page, kPauseSlider, TBM_SETPAGESIZE, 0, 400);
  SendDlgItemMessageA(page, kPauseSlider, TBM_SETPOS, TRUE, Settings.Pause / 8);
  ShowPauseText(page);
  SendMessageA(page, kPreviewMessage, 0, 0);
}

}  // namespace

void PauseText(int p, char* out, int size) {
  const int h = p / 3600;
  const int r = p - 3600 * h;
  const int m = r / 60;
  const int sec = r % 60;
  // Whole five minutes from ten minutes on; below, odd minutes round up.
  const int mm = (h > 0 || m > 9) ? (r / 300) * 5 : ((m + 1) / 2) * 2;
  if (h > 0)
    std::snprintf(out, size, "ca. %d %s, %d %s", h, Unit(h, "Stunde", "Stunden"), mm, Unit(mm, "Minute", "Minuten"));
  else if (mm > 0)
    std::snprintf(out, size, "ca. %d %s", mm, Unit(mm, "Minute", "Minuten"));
  else
    std::snprintf(out, size, "ca. %d %s", sec, Unit(sec, "Sekunde", "Sekunden"));
}

INT_PTR CALLBACK SpeedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_HSCROLL: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id == kPauseSlider) ShowPauseText(page);
      if (id == kPauseSlider || id == kSpeedSlider) PageChanged(page);
      return TRUE;
    }
    case kPreviewMessage: {
      const SIZE pageSize = PageSize(page);
      const SIZE bitmap = PreviewBitmapSize(kPreviewBitmap);
      PlacePreview(page, kPreview, kPreviewBitmap, pageSize.cx - bitmap.cx - 20, pageSize.cy - bitmap.cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == kPreview) DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kPreviewBitmap);
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "SPEED", kTexts);
          InvalidateRect(page, nullptr, TRUE);
          return TRUE;
        case PSN_APPLY:
          Settings.Speed = 140 - static_cast<int>(SendDlgItemMessageA(page, kSpeedSlider, TBM_GETPOS, 0, 0));
          Settings.Pause = 8 * static_cast<int>(SendDlgItemMessageA(page, kPauseSlider, TBM_GETPOS, 0, 0));
          SaveSettings();
          return TRUE;
      }
      break;
  }
  return FALSE;
}
