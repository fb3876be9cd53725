// Clock page: which face (or none), on top, kept when the figures are off,
// and whether face 1 shows the recycle bin's deleted files.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "objects/clock.h"
#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "services/settings.h"

namespace {

constexpr int kNoClock = 2300;  // 2300 + face
constexpr int kOnTop = 3032;
constexpr int kKeep = 3033;
constexpr int kRecycleBin = 3034;
constexpr int kPreviewFirst = 2420;  // 2420-2423: faces 1-4
constexpr UINT kPreviewMessage = 0x8515;

constexpr PageText kTexts[] = {
    {3025, "TEXT",
     "W\xE4" "hlen Sie Ihre Uhr. Auf dem Desktop k\xF6" "nnen Sie die Uhr mit der Maus auf die gew\xFC" "nschte Position schieben."},
    {kNoClock, "KEINE", "Keine Uhr"},
    {kOnTop, "ONTOP", "immer im &Vordergrund"},
    {kKeep, "NODEACTIVE", "nicht &deaktivieren"},
    {kRecycleBin, "PAPIERKORB", "&gel\xF6" "schte Dateien zeigen"},
};

int g_face;

void PreviewName(int index, char* out, size_t size) { std::snprintf(out, size, "DLG_UHR%d", index + 1); }

void ShowFaceChoice(HWND page) {
  SetChecked(page, kRecycleBin, Settings.RecycleBin && g_face == 1);
  EnableControl(page, kOnTop, g_face > 0);
  EnableControl(page, kKeep, g_face > 0);
  EnableControl(page, kRecycleBin, g_face == 1);
}

void OnApply(HWND page) {
  ClockReloadRequest = g_face != Settings.Clock ? 1 : 0;
  Settings.Clock = g_face;
  Settings.ClockOnTop = IsChecked(page, kOnTop);
  Settings.ClockNotDA = IsChecked(page, kKeep);
  Settings.RecycleBin = IsChecked(page, kRecycleBin) && g_face == 1;
  SaveSettings();
  ClockRelayout = 1;
  // The clock's own thread shows and stacks its window.
  if (ClockObject.window && g_face > 0)
    ClockObject.RequestWindow(Settings.ClockOnTop ? WindowAction::kRaiseTopmost : WindowAction::kRaiseNotTopmost);
}

}  // namespace

INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      g_face = Settings.Clock >= 0 && Settings.Clock <= 4 ? Settings.Clock.Get() : 0;
      CheckRadioButton(page, kNoClock, kNoClock + 4, kNoClock + g_face);
      SetChecked(page, kOnTop, Settings.ClockOnTop != 0);
      SetChecked(page, kKeep, Settings.ClockNotDA != 0);
      ShowFaceChoice(page);
      SendMessageA(page, kPreviewMessage, 0, 0);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= kNoClock && id <= kNoClock + 4) {
        CheckRadioButton(page, kNoClock, kNoClock + 4, id);
        g_face = id - kNoClock;
        ShowFaceChoice(page);
      } else if (id < kOnTop || id > kRecycleBin) {
        break;
      }
      PageChanged(page);
      return TRUE;
    }
    case kPreviewMessage:
      // Each face stands on its radio button, centred over it.
      for (int i = 0; i < 4; ++i) {
        char name[16];
        PreviewName(i, name, sizeof name);
        PlacePreviewOnButton(page, kPreviewFirst + i, name, kNoClock + 1 + i);
      }
      return TRUE;
    case WM_DRAWITEM:
      if (wParam >= kPreviewFirst && wParam < kPreviewFirst + 4) {
        char name[16];
        PreviewName(static_cast<int>(wParam) - kPreviewFirst, name, sizeof name);
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), name);
      }
      return TRUE;
    case WM_NOTIFY:
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          SetPageTexts(page, "UHR", kTexts);
          InvalidateRect(page, nullptr, TRUE);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
