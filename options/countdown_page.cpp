// Countdown page: the design (or none), the target date and time, and what
// happens at 00:00.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>

#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/sound_library.h"
#include "services/settings.h"
#include "stage/portable/object_controls.h"

namespace {

constexpr UINT kPreviewMessage = 0x8516;

constexpr PageText kTexts[] = {
    {IDC_COUNTDOWN_INTRO, "TEXT",
     "Der Countdown l\xE4"
     "uft. Stellen Sie Ihr Zieldatum ein und schon sehen Sie, wieviele Tage, Stunden und "
     "Minuten es noch dauert ..."},
    {IDC_COUNTDOWN_NONE, "KEIN", "Kein Countdown"},
    {IDC_COUNTDOWN_ONTOP, "ONTOP", "immer im &Vordergrund"},
    {IDC_COUNTDOWN_KEEP, "NODEACTIVE", "nicht &deaktivieren"},
    {IDC_COUNTDOWN_DATE_LABEL, "DATUM", "Da&tum:"},
    {IDC_COUNTDOWN_TIME_LABEL, "UHRZEIT", "Uhr&zeit:"},
    {IDC_COUNTDOWN_ACTION_LABEL, "AKTION", "Aktion bei 00:00"},
    {IDC_COUNTDOWN_STOP, "STOPPEN", "Countdown stoppen"},
    {IDC_COUNTDOWN_SHOW_MESSAGE, "HINWEIS", "Hinweis anzeigen"},
    {IDC_COUNTDOWN_PLAY_SOUND, "SOUND", "Sound abspielen"},
};

struct CountdownPageState : PageState {
  int design = 0;  // the design chosen on the page (0: none)
};

CountdownPageState& State(HWND page) {
  return PageStateOf<CountdownPageState>(page);
}

bool SoundPresent() {
  return SoundState.loaded.load() != 0;
}

void Enable(HWND page) {
  const bool on = State(page).design > 0;
  for (int id : {IDC_COUNTDOWN_ONTOP, IDC_COUNTDOWN_KEEP, IDC_COUNTDOWN_STOP, IDC_COUNTDOWN_SHOW_MESSAGE,
                 IDC_COUNTDOWN_DATE, IDC_COUNTDOWN_TIME, IDC_COUNTDOWN_DATE_LABEL, IDC_COUNTDOWN_TIME_LABEL,
                 IDC_COUNTDOWN_ACTION_LABEL})
    EnableControl(page, id, on);
  EnableControl(page, IDC_COUNTDOWN_PLAY_SOUND, SoundPresent() && on);
  const bool file = SoundPresent() && on && RunOf(page).Copy().CountdownPlaySound;
  EnableControl(page, IDC_COUNTDOWN_SOUND_FILE, file);
  EnableControl(page, IDC_COUNTDOWN_BROWSE, file);
}

SYSTEMTIME TargetTime(const AppSettings& s) {
  const SettingList<5>& date = s.CountdownDate;
  SYSTEMTIME t = {};
  t.wYear = static_cast<WORD>(date[0]);
  t.wMonth = static_cast<WORD>(date[1]);
  t.wDay = static_cast<WORD>(date[2]);
  t.wHour = static_cast<WORD>(date[3]);
  t.wMinute = static_cast<WORD>(date[4]);
  if (t.wYear < 1900 || t.wYear > 2099 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) {
    GetLocalTime(&t);  // nothing stored yet: start the pickers at today
    t.wHour = t.wMinute = 0;
  }
  t.wSecond = t.wMilliseconds = 0;
  return t;
}

void OnInit(HWND page) {
  CountdownPageState& state = State(page);
  const AppSettings& s = RunOf(page).Copy();
  state.design = s.Countdown >= 0 && s.Countdown <= 4 ? s.Countdown.Get() : 0;
  CheckRadioButton(page, IDC_COUNTDOWN_NONE, IDC_COUNTDOWN_NONE + 4, IDC_COUNTDOWN_NONE + state.design);
  SetChecked(page, IDC_COUNTDOWN_ONTOP, s.CountdownOnTop != 0);
  SetChecked(page, IDC_COUNTDOWN_KEEP, s.CountdownNotDA != 0);
  SetChecked(page, IDC_COUNTDOWN_STOP, s.CountdownStop00 != 0);
  SetChecked(page, IDC_COUNTDOWN_SHOW_MESSAGE, s.CountdownShowMsg != 0);
  SetChecked(page, IDC_COUNTDOWN_PLAY_SOUND, SoundPresent() && s.CountdownPlaySound);
  SYSTEMTIME range[2] = {};
  range[0].wYear = 1900;
  range[0].wMonth = range[0].wDay = 1;
  range[1].wYear = 2099;
  range[1].wMonth = 12;
  range[1].wDay = 31;
  SendDlgItemMessageA(page, IDC_COUNTDOWN_DATE, DTM_SETRANGE, GDTR_MIN | GDTR_MAX,
                      reinterpret_cast<LPARAM>(range));
  const SYSTEMTIME target = TargetTime(s);
  SendDlgItemMessageA(page, IDC_COUNTDOWN_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&target));
  SendDlgItemMessageA(page, IDC_COUNTDOWN_TIME, DTM_SETSYSTEMTIME, GDT_VALID,
                      reinterpret_cast<LPARAM>(&target));
  SendDlgItemMessageA(page, IDC_COUNTDOWN_SOUND_FILE, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SendMessageA(page, kPreviewMessage, 0, 0);
}

void OnSetActive(HWND page) {
  const AppSettings& s = RunOf(page).Copy();
  SetChecked(page, IDC_COUNTDOWN_PLAY_SOUND, SoundPresent() && s.CountdownPlaySound);
  SetChecked(page, IDC_COUNTDOWN_SHOW_MESSAGE, s.CountdownShowMsg != 0);
  SetPageTexts(page, "COUNTDOWN", kTexts);
  char path[MAX_PATH];
  s.CountdownSoundFile.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, IDC_COUNTDOWN_SOUND_FILE, path);
  Enable(page);
  InvalidateRect(page, nullptr, TRUE);
}

bool PickedTime(HWND page, int control, SYSTEMTIME& out) {
  return SendDlgItemMessageA(page, control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&out)) ==
         GDT_VALID;
}

void OnApply(HWND page) {
  CountdownPageState& state = State(page);
  ObjectControls* countdown = RunOf(page).Parts().countdown;
  if (countdown) countdown->AskReload(state.design != RunOf(page).Committed().Countdown);
  AppSettings& s = RunOf(page).Copy();
  s.Countdown = state.design;
  s.CountdownOnTop = IsChecked(page, IDC_COUNTDOWN_ONTOP);
  s.CountdownStop00 = IsChecked(page, IDC_COUNTDOWN_STOP);
  s.CountdownNotDA = IsChecked(page, IDC_COUNTDOWN_KEEP);
  SYSTEMTIME picked;
  if (PickedTime(page, IDC_COUNTDOWN_DATE, picked)) {
    s.CountdownDate[0] = picked.wYear;
    s.CountdownDate[1] = picked.wMonth;
    s.CountdownDate[2] = picked.wDay;
  }
  if (PickedTime(page, IDC_COUNTDOWN_TIME, picked)) {
    s.CountdownDate[3] = picked.wHour;
    s.CountdownDate[4] = picked.wMinute;
  }
  char path[MAX_PATH];
  ControlText(page, IDC_COUNTDOWN_SOUND_FILE, path, sizeof path);
  s.CountdownSoundFile.Set(path);
  const AppSettings& committed = RunOf(page).CommitPage(SettingPage::kCountdown);
  if (!countdown) return;
  countdown->AskRelayout();
  if (state.design > 0) countdown->AskRaise(committed.CountdownOnTop != 0);
}

void PreviewName(int index, char* out, size_t size) {
  std::snprintf(out, size, "DLG_COUNTDOWN%d", index + 1);
}

INT_PTR OnCommand(HWND page, int id, int code) {
  if (id >= IDC_COUNTDOWN_NONE && id <= IDC_COUNTDOWN_NONE + 4) {
    CheckRadioButton(page, IDC_COUNTDOWN_NONE, IDC_COUNTDOWN_NONE + 4, id);
    State(page).design = id - IDC_COUNTDOWN_NONE;
    Enable(page);
  } else if (id == IDC_COUNTDOWN_SHOW_MESSAGE) {
    RunOf(page).Copy().CountdownShowMsg = IsChecked(page, IDC_COUNTDOWN_SHOW_MESSAGE);
  } else if (id == IDC_COUNTDOWN_PLAY_SOUND) {
    RunOf(page).Copy().CountdownPlaySound = IsChecked(page, IDC_COUNTDOWN_PLAY_SOUND);
    if (RunOf(page).Copy().CountdownPlaySound) {
      RunOf(page).Copy().CountdownShowMsg = 1;
      SetChecked(page, IDC_COUNTDOWN_SHOW_MESSAGE, true);
    }
    Enable(page);
  } else if (id == IDC_COUNTDOWN_SOUND_FILE) {
    if (code != EN_CHANGE) return TRUE;
    char path[MAX_PATH];
    ControlText(page, IDC_COUNTDOWN_SOUND_FILE, path, sizeof path);
    if (lstrcmpiA(path, RunOf(page).Copy().CountdownSoundFile.Get().c_str()) == 0) return TRUE;
  } else if (id == IDC_COUNTDOWN_BROWSE) {
    char path[MAX_PATH];
    ControlText(page, IDC_COUNTDOWN_SOUND_FILE, path, sizeof path);
    if (ChooseFile(page, MusicFileFilter(), path, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST))
      SetDlgItemTextA(page, IDC_COUNTDOWN_SOUND_FILE, path);
    return TRUE;
  } else if (id != IDC_COUNTDOWN_ONTOP && id != IDC_COUNTDOWN_KEEP && id != IDC_COUNTDOWN_STOP) {
    return FALSE;
  }
  PageChanged(page);
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK CountdownPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    case kPreviewMessage:
      for (int i = 0; i < 3; ++i) {
        char name[24];
        PreviewName(i, name, sizeof name);
        PlacePreviewOnButton(page, IDC_COUNTDOWN_PREVIEW1 + i, name, IDC_COUNTDOWN_NONE + 1 + i);
      }
      return TRUE;
    case WM_DRAWITEM:
      if (wParam >= IDC_COUNTDOWN_PREVIEW1 && wParam < IDC_COUNTDOWN_PREVIEW1 + 3) {
        char name[24];
        PreviewName(static_cast<int>(wParam) - IDC_COUNTDOWN_PREVIEW1, name, sizeof name);
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), name);
      }
      return TRUE;
    case WM_NOTIFY: {
      const UINT code = SheetNotifyCode(message, lParam);
      const int from = static_cast<int>(reinterpret_cast<const NMHDR*>(lParam)->idFrom);
      if (code == DTN_DATETIMECHANGE && (from == IDC_COUNTDOWN_DATE || from == IDC_COUNTDOWN_TIME)) {
        SYSTEMTIME date;
        if (PickedTime(page, IDC_COUNTDOWN_DATE, date)) PageChanged(page);
        return TRUE;
      }
      if (code == PSN_SETACTIVE) OnSetActive(page);
      if (code == PSN_APPLY) OnApply(page);
      return code == PSN_SETACTIVE || code == PSN_APPLY;
    }
  }
  return FALSE;
}
