// Clock page: which face (or none), on top, kept when the figures are off,
// and whether face 1 shows the recycle bin's deleted files.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/settings.h"
#include "stage/portable/object_controls.h"

namespace {

constexpr UINT kPreviewMessage = 0x8515;

constexpr PageText kTexts[] = {
    {IDC_CLOCK_INTRO, "TEXT",
     "W\xE4"
     "hlen Sie Ihre Uhr. Auf dem Desktop k\xF6"
     "nnen Sie die Uhr mit der Maus auf die gew\xFC"
     "nschte Position schieben."},
    {IDC_CLOCK_NONE, "KEINE", "Keine Uhr"},
    {IDC_CLOCK_ONTOP, "ONTOP", "immer im &Vordergrund"},
    {IDC_CLOCK_KEEP, "NODEACTIVE", "nicht &deaktivieren"},
    {IDC_CLOCK_RECYCLE_BIN, "PAPIERKORB",
     "&gel\xF6"
     "schte Dateien zeigen"},
};

struct ClockPageState : PageState {
  int face = 0;  // the face chosen on the page (0: none)
};

ClockPageState& State(HWND page) {
  return PageStateOf<ClockPageState>(page);
}

void PreviewName(int index, char* out, size_t size) {
  std::snprintf(out, size, "DLG_UHR%d", index + 1);
}

void ShowFaceChoice(HWND page) {
  ClockPageState& state = State(page);
  SetChecked(page, IDC_CLOCK_RECYCLE_BIN, RunOf(page).Copy().RecycleBin && state.face == 1);
  EnableControl(page, IDC_CLOCK_ONTOP, state.face > 0);
  EnableControl(page, IDC_CLOCK_KEEP, state.face > 0);
  EnableControl(page, IDC_CLOCK_RECYCLE_BIN, state.face == 1);
}

void OnApply(HWND page) {
  ClockPageState& state = State(page);
  ObjectControls* clock = RunOf(page).Parts().clock;
  if (clock) clock->AskReload(state.face != RunOf(page).Committed().Clock);
  AppSettings& s = RunOf(page).Copy();
  s.Clock = state.face;
  s.ClockOnTop = IsChecked(page, IDC_CLOCK_ONTOP);
  s.ClockNotDA = IsChecked(page, IDC_CLOCK_KEEP);
  s.RecycleBin = IsChecked(page, IDC_CLOCK_RECYCLE_BIN) && state.face == 1;
  const AppSettings& committed = RunOf(page).CommitPage(SettingPage::kClock);
  if (!clock) return;
  clock->AskRelayout();
  // The clock's own thread shows and stacks its window.
  if (state.face > 0) clock->AskRaise(committed.ClockOnTop != 0);
}

}  // namespace

INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const AppSettings& s = RunOf(page).Copy();
      const int face = s.Clock >= 0 && s.Clock <= 4 ? s.Clock.Get() : 0;
      State(page).face = face;
      CheckRadioButton(page, IDC_CLOCK_NONE, IDC_CLOCK_NONE + 4, IDC_CLOCK_NONE + face);
      SetChecked(page, IDC_CLOCK_ONTOP, s.ClockOnTop != 0);
      SetChecked(page, IDC_CLOCK_KEEP, s.ClockNotDA != 0);
      ShowFaceChoice(page);
      SendMessageA(page, kPreviewMessage, 0, 0);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= IDC_CLOCK_NONE && id <= IDC_CLOCK_NONE + 4) {
        CheckRadioButton(page, IDC_CLOCK_NONE, IDC_CLOCK_NONE + 4, id);
        State(page).face = id - IDC_CLOCK_NONE;
        ShowFaceChoice(page);
      } else if (id < IDC_CLOCK_ONTOP || id > IDC_CLOCK_RECYCLE_BIN) {
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
        PlacePreviewOnButton(page, IDC_CLOCK_PREVIEW1 + i, name, IDC_CLOCK_NONE + 1 + i);
      }
      return TRUE;
    case WM_DRAWITEM:
      if (wParam >= IDC_CLOCK_PREVIEW1 && wParam < IDC_CLOCK_PREVIEW1 + 4) {
        char name[16];
        PreviewName(static_cast<int>(wParam) - IDC_CLOCK_PREVIEW1, name, sizeof name);
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
