// Speed page: how fast the figures walk and how long the pause between
// scenes is.

#include <windows.h>

#include <commctrl.h>
#include <cstdio>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/settings.h"

namespace {

constexpr UINT kPreviewMessage = 0x8514;
constexpr char kPreviewBitmap[] = "DLG_LAEUFER";

constexpr PageText kTexts[] = {
    {IDC_SPEED_INTRO, "TEXT",
     "Wie schnell die Leute rumlaufen, wird hier festgelegt - und wie oft jemand auftaucht, bestimmen Sie "
     "\xFC"
     "ber "
     "den Pauseregler."},
    {IDC_SPEED_LABEL, "SPEED", "&Geschwindigkeit:"},
    {IDC_SPEED_SLOW, "LANGSAM", "langsam"},
    {IDC_SPEED_FAST, "SCHNELL", "schnell"},
    {IDC_SPEED_PAUSE_LABEL, "PAUSE", "&Pause:"},
};

const char* Unit(int n, const char* one, const char* many) {
  return n == 1 ? one : many;
}

void ShowPauseText(HWND page) {
  char text[64];
  PauseText(TrackBarPosition(page, IDC_SPEED_PAUSE_SLIDER), text, sizeof text);
  SetDlgItemTextA(page, IDC_SPEED_PAUSE_TEXT, text);
}

void OnInit(HWND page) {
  // Faster to the right: the slider shows 140 - Speed; the pause in steps of 8 passes.
  SetUpTrackBar(page, IDC_SPEED_SLIDER, {.low = 0, .high = 120, .pageSize = 10},
                140 - RunOf(page).Copy().Speed);
  SetUpTrackBar(page, IDC_SPEED_PAUSE_SLIDER, {.low = 12, .high = 8000, .pageSize = 400, .ticks = 20},
                RunOf(page).Copy().Pause / 8);
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
    std::snprintf(out, size, "ca. %d %s, %d %s", h, Unit(h, "Stunde", "Stunden"), mm,
                  Unit(mm, "Minute", "Minuten"));
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
      const int id = ScrolledTrackBar(lParam);
      if (id == IDC_SPEED_PAUSE_SLIDER) ShowPauseText(page);
      if (id == IDC_SPEED_PAUSE_SLIDER || id == IDC_SPEED_SLIDER) PageChanged(page);
      return TRUE;
    }
    case kPreviewMessage: {
      const SIZE pageSize = PageSize(page);
      const SIZE bitmap = PreviewBitmapSize(page, kPreviewBitmap);
      PlacePreview(page, IDC_SPEED_PREVIEW, kPreviewBitmap, pageSize.cx - bitmap.cx - 20,
                   pageSize.cy - bitmap.cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == IDC_SPEED_PREVIEW)
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kPreviewBitmap);
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "SPEED", kTexts);
          InvalidateRect(page, nullptr, TRUE);
          return TRUE;
        case PSN_APPLY:
          RunOf(page).Copy().Speed = 140 - TrackBarPosition(page, IDC_SPEED_SLIDER);
          RunOf(page).Copy().Pause = 8 * TrackBarPosition(page, IDC_SPEED_PAUSE_SLIDER);
          RunOf(page).CommitPage(SettingPage::kSpeed);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
