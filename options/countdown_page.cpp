// Countdown page: the design (or none), the target date and time, and what
// happens at 00:00.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>

#include "objects/countdown.h"
#include "options/option_pages.h"
#include "options/page_protocol.h"
#include "services/settings.h"

namespace {

constexpr int kNone = 3073;  // 3073 + design
constexpr int kOnTop = 3082;
constexpr int kKeep = 3083;
constexpr int kStop = 3084;
constexpr int kShowMessage = 3085;
constexpr int kPlaySound = 3086;
constexpr int kSoundFile = 3088;
constexpr int kBrowse = 3089;
constexpr int kDateLabel = 3069;
constexpr int kDate = 3070;
constexpr int kTimeLabel = 3071;
constexpr int kTime = 3072;
constexpr int kActionLabel = 3087;
constexpr int kPreviewFirst = 3078;  // 3078-3080: designs 1-3
constexpr UINT kPreviewMessage = 0x8516;

constexpr PageText kTexts[] = {
    {3068, "TEXT",
     "Der Countdown l\xE4" "uft. Stellen Sie Ihr Zieldatum ein und schon sehen Sie, wieviele Tage, Stunden und "
     "Minuten es noch dauert ..."},
    {kNone, "KEIN", "Kein Countdown"},
    {kOnTop, "ONTOP", "immer im &Vordergrund"},
    {kKeep, "NODEACTIVE", "nicht &deaktivieren"},
    {kDateLabel, "DATUM", "Da&tum:"},
    {kTimeLabel, "UHRZEIT", "Uhr&zeit:"},
    {kActionLabel, "AKTION", "Aktion bei 00:00"},
    {kStop, "STOPPEN", "Countdown stoppen"},
    {kShowMessage, "HINWEIS", "Hinweis anzeigen"},
    {kPlaySound, "SOUND", "Sound abspielen"},
};

int g_design;

bool SoundPresent() { return SoundLoaded.load() != 0; }

void Enable(HWND page) {
  const bool on = g_design > 0;
  for (int id : {kOnTop, kKeep, kStop, kShowMessage, kDate, kTime, kDateLabel, kTimeLabel, kActionLabel})
    EnableControl(page, id, on);
  EnableControl(page, kPlaySound, SoundPresent() && on);
  const bool file = SoundPresent() && on && Settings.CountdownPlaySound;
  EnableControl(page, kSoundFile, file);
  EnableControl(page, kBrowse, file);
}

SYSTEMTIME TargetTime() {
  SYSTEMTIME t = {};
  t.wYear = static_cast<WORD>(Settings.CountdownDate[0]);
  t.wMonth = static_cast<WORD>(Settings.CountdownDate[1]);
  t.wDay = static_cast<WORD>(Settings.CountdownDate[2]);
  t.wHour = static_cast<WORD>(Settings.CountdownDate[3]);
  t.wMinute = static_cast<WORD>(Settings.CountdownDate[4]);
  if (t.wYear < 1900 || t.wYear > 2099 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) {
    GetLocalTime(&t);  // nothing stored yet: start the pickers at today
    t.wHour = t.wMinute = 0;
  }
  t.wSecond = t.wMilliseconds = 0;
  return t;
}

void OnInit(HWND page) {
  g_design = Settings.Countdown >= 0 && Settings.Countdown <= 4 ? Settings.Countdown.Get() : 0;
  CheckRadioButton(page, kNone, kNone + 4, kNone + g_design);
  SetChecked(page, kOnTop, Settings.CountdownOnTop != 0);
  SetChecked(page, kKeep, Settings.CountdownNotDA != 0);
  SetChecked(page, kStop, Settings.CountdownStop00 != 0);
  SetChecked(page, kShowMessage, Settings.CountdownShowMsg != 0);
  SetChecked(page, kPlaySound, SoundPresent() && Settings.CountdownPlaySound);
  SYSTEMTIME range[2] = {};
  range[0].wYear = 1900;
  range[0].wMonth = range[0].wDay = 1;
  range[1].wYear = 2099;
  range[1].wMonth = 12;
  range[1].wDay = 31;
  SendDlgItemMessageA(page, kDate, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
  const SYSTEMTIME target = TargetTime();
  SendDlgItemMessageA(page, kDate, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&target));
  SendDlgItemMessageA(page, kTime, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&target));
  SendDlgItemMessageA(page, kSoundFile, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SendMessageA(page, kPreviewMessage, 0, 0);
}

void OnSetActive(HWND page) {
  SetChecked(page, kPlaySound, SoundPresent() && Settings.CountdownPlaySound);
  SetChecked(page, kShowMessage, Settings.CountdownShowMsg != 0);
  SetPageTexts(page, "COUNTDOWN", kTexts);
  char path[MAX_PATH];
  Settings.CountdownSoundFile.CopyTo(path, sizeof path);
  SetDlgItemTextA(page, kSoundFile, path);
  Enable(page);
  InvalidateRect(page, nullptr, TRUE);
}

bool PickedTime(HWND page, int control, SYSTEMTIME& out) {
  return SendDlgItemMessageA(page, control, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&out)) == GDT_VALID;
}

void OnApply(HWND page) {
  CountdownReloadRequest = g_design != Settings.Countdown ? 1 : 0;
  Settings.Countdown = g_design;
  Settings.CountdownOnTop = IsChecked(page, kOnTop);
  Settings.CountdownStop00 = IsChecked(page, kStop);
  Settings.CountdownNotDA = IsChecked(page, kKeep);
  SYSTEMTIME picked;
  if (PickedTime(page, kDate, picked)) {
    Settings.CountdownDate[0] = picked.wYear;
    Settings.CountdownDate[1] = picked.wMonth;
    Settings.CountdownDate[2] = picked.wDay;
  }
  if (PickedTime(page, kTime, picked)) {
    Settings.CountdownDate[3] = picked.wHour;
    Settings.CountdownDate[4] = picked.wMinute;
  }
  char path[MAX_PATH];
  ControlText(page, kSoundFile, path, sizeof path);
  Settings.CountdownSoundFile.Set(path);
  SaveSettings();
  CountdownRelayout = 1;
  if (CountdownObject.window && g_design > 0)
    CountdownObject.RequestWindow(Settings.CountdownOnTop ? WindowAction::kRaiseTopmost
                                                          : WindowAction::kRaiseNotTopmost);
}

void PreviewName(int index, char* out, size_t size) { std::snprintf(out, size, "DLG_COUNTDOWN%d", index + 1); }

INT_PTR OnCommand(HWND page, int id, int code) {
  if (id >= kNone && id <= kNone + 4) {
    CheckRadioButton(page, kNone, kNone + 4, id);
    g_design = id - kNone;
    Enable(page);
  } else if (id == kShowMessage) {
    Settings.CountdownShowMsg = IsChecked(page, kShowMessage);
  } else if (id == kPlaySound) {
    Settings.CountdownPlaySound = IsChecked(page, kPlaySound);
    if (Settings.CountdownPlaySound) {
      Settings.CountdownShowMsg = 1;
      SetChecked(page, kShowMessage, true);
    }
    Enable(page);
  } else if (id == kSoundFile) {
    if (code != EN_CHANGE) return TRUE;
    char path[MAX_PATH];
    ControlText(page, kSoundFile, path, sizeof path);
    if (lstrcmpiA(path, Settings.CountdownSoundFile.Get().c_str()) == 0) return TRUE;
  } else if (id == kBrowse) {
    char path[MAX_PATH];
    ControlText(page, kSoundFile, path, sizeof path);
    if (ChooseFile(page, MusicFileFilter(), path, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST))
      SetDlgItemTextA(page, kSoundFile, path);
    return TRUE;
  } else if (id != kOnTop && id != kKeep && id != kStop) {
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
        PlacePreviewOnButton(page, kPreviewFirst + i, name, kNone + 1 + i);
      }
      return TRUE;
    case WM_DRAWITEM:
      if (wParam >= kPreviewFirst && wParam < kPreviewFirst + 3) {
        char name[24];
        PreviewName(static_cast<int>(wParam) - kPreviewFirst, name, sizeof name);
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), name);
      }
      return TRUE;
    case WM_NOTIFY: {
      const UINT code = SheetNotifyCode(message, lParam);
      const int from = static_cast<int>(reinterpret_cast<const NMHDR*>(lParam)->idFrom);
      if (code == DTN_DATETIMECHANGE && (from == kDate || from == kTime)) {
        SYSTEMTIME date;
        if (PickedTime(page, kDate, date)) PageChanged(page);
        return TRUE;
      }
      if (code == PSN_SETACTIVE) OnSetActive(page);
      if (code == PSN_APPLY) OnApply(page);
      return code == PSN_SETACTIVE || code == PSN_APPLY;
    }
  }
  return FALSE;
}
