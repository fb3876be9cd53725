// Sound page: sound on and off, the single sound groups, the volume and the
// output device.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "options/option_pages.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/settings.h"
#include "services/sound_library.h"

namespace {

constexpr int kIntro = 1400;
constexpr int kSoundOn = 1401;
// Check boxes of the groups 0 to 9, in group order.
constexpr int kGroupChecks[kSoundOptions] = {1402, 1403, 1404, 1405, 1406, 1407, 1408, 1409, 1410, 1411};
// Groups whose figures do not exist: their controls stay hidden.
constexpr int kHiddenGroups[] = {0, 1, 6, 7, 8, 9};
constexpr int kChimeGroup = 6;
constexpr int kBellGroup = 7;
constexpr int kAlarmGroup = 8;
// The choice lists of groups 6 to 8 and the time pickers of groups 7 and 8.
constexpr int kChoiceLists[3] = {1412, 1413, 1414};
constexpr int kTimePickers[2] = {1415, 1416};
constexpr int kVolumeLabel = 1417;
constexpr int kVolumeSlider = 1418;
constexpr int kPreview1 = 1419;
constexpr int kPreview2 = 1420;
constexpr int kDeviceList = 1421;
constexpr int kDeviceLabel = 1422;
constexpr int kNoLibrary = 3090;
constexpr UINT kPreviewMessage = 0x8518;
constexpr int kMaxDevice = 29;

constexpr PageText kTexts[] = {
    {kIntro, "TEXT",
     "Na, zu laut an der Kelmhof? Einzelne Soundeffekte oder auch alle k\xf6nnen abgeschaltet werden."},
    {kSoundOn, "SOUND", "&Sound"},
    {1402, "Fahrzeug", "Fahrzeuge"},
    {1403, "Hupe", "Hupen/Sirene"},
    {1404, "Niesen", "Bodo Schnief niest"},
    {1405, "Foto", "Arno Blitzer fotografiert"},
    {1406, "Vogel", "V\xf6gel zwitschern"},
    {1407, "Hund", "Hund bellt"},
    {1408, "Uhr", "Turmuhr"},
    {1409, "Glocke", "Glockenl\xe4uten"},
    {1410, "Alarm", "Alarm"},
    {1411, "Tuer", "T\xfcren"},
    {kVolumeLabel, "VOLUME-SOUND", "Lautst\xe4rke:"},
    {kDeviceLabel, "SOUNDDEV", "Soundwiedergabe:"},
};
constexpr PageText kNoLibraryText = {kNoLibrary, "NOBASS", "BASS.DLL nicht gefunden!"};
// The same place when the library loaded but found no device to play on.
constexpr PageText kNoDeviceText = {kNoLibrary, "NODEVICE", "Kein Soundger\xe4t gefunden!"};
constexpr int kNoDeviceError = 23;

// The choices of the tower clock, the bells and the alarm.
constexpr const char* kChoices[3][3] = {
    {"Stundenschlag", "Viertelstunden", nullptr},
    {"Mittagsl\xe4uten", "Abendl\xe4uten", nullptr},
    {"Wecker", "Sirene", nullptr},
};

// The times of day of the bells and the alarm (hour, minute, second): as
// applied they are kept from run to run (SheetMemory); the page shows and
// edits its own.
using TimeOfDay = SheetMemory::TimeOfDay;
struct SoundPageState : PageState {
  TimeOfDay times[2];
};

SoundPageState& State(HWND page) {
  return PageStateOf<SoundPageState>(page);
}

bool LibraryLoaded() {
  return SoundState.loaded.load(std::memory_order_relaxed) != 0;
}

// Sound is on for this page: the box is ticked, which it can only be while
// the library is loaded.
bool SoundOn(HWND page) {
  return IsChecked(page, kSoundOn);
}

void UpdateEnables(HWND page) {
  const bool on = SoundOn(page);
  EnableControl(page, kVolumeLabel, on);
  EnableControl(page, kVolumeSlider, on);
  for (int group = 0; group < kSoundOptions; ++group)
    EnableControl(page, kGroupChecks[group], on && group != kBellGroup && group != kAlarmGroup);
  for (int i = 0; i < 3; ++i)
    EnableControl(page, kChoiceLists[i], on && IsChecked(page, kGroupChecks[kChimeGroup + i]));
  for (int i = 0; i < 2; ++i)
    EnableControl(page, kTimePickers[i], on && IsChecked(page, kGroupChecks[kBellGroup + i]));
}

void SetPicker(HWND page, int control, const TimeOfDay& time) {
  SYSTEMTIME value = {};
  GetLocalTime(&value);
  value.wHour = static_cast<WORD>(time.hour);
  value.wMinute = static_cast<WORD>(time.minute);
  value.wSecond = static_cast<WORD>(time.second);
  value.wMilliseconds = 0;
  SendDlgItemMessageA(page, control, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

void FillDevices(HWND page) {
  char name[256];
  for (int n = 1; n <= kMaxDevice && GetSoundDeviceName(name, sizeof name, n); ++n)
    SendDlgItemMessageA(page, kDeviceList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  // A stored device outside the list's numbers shows the first one; the
  // setting itself changes only on apply.
  const int stored = RunOf(page).Copy().SndDevice;
  const int device = stored >= 1 && stored <= kMaxDevice ? stored : 1;
  SendDlgItemMessageA(page, kDeviceList, CB_SETCURSEL, device - 1, 0);
}

void OnInit(HWND page) {
  // Without the library the box cannot stand for the user's choice; the
  // choice itself stays as stored (apply does not touch it then).
  const AppSettings& s = RunOf(page).Copy();
  SetChecked(page, kSoundOn, s.Sound && LibraryLoaded());
  // The bell and the alarm start unchecked: their boxes stay hidden, and an
  // apply switches both off.
  for (int group = 0; group < kSoundOptions; ++group)
    SetChecked(page, kGroupChecks[group],
               s.SoundOpt[group] != 0 && group != kBellGroup && group != kAlarmGroup);
  for (int i = 0; i < 3; ++i) {
    for (const char* choice : kChoices[i])
      if (choice)
        SendDlgItemMessageA(page, kChoiceLists[i], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    SendDlgItemMessageA(page, kChoiceLists[i], CB_SETCURSEL, s.SoundOpt[kChimeGroup + i] - 1, 0);
  }
  if (LibraryLoaded()) {
    FillDevices(page);
  } else {
    EnableControl(page, kDeviceList, false);
    EnableControl(page, kDeviceLabel, false);
  }
  SetUpTrackBar(page, kVolumeSlider, {.low = 0, .high = 1000, .pageSize = 100}, s.SNDvolume);
  const SheetMemory& memory = RunOf(page).Memory();
  SoundPageState& state = State(page);
  state.times[0] = memory.soundTimes[0];
  state.times[1] = memory.soundTimes[1];
}

void OnSetActive(HWND page) {
  if (!LibraryLoaded()) {
    SetChecked(page, kSoundOn, false);
    SetPageText(page, "SOUND",
                SoundState.startError.load() == kNoDeviceError ? kNoDeviceText : kNoLibraryText);
    ShowWindow(GetDlgItem(page, kNoLibrary), SW_SHOWNA);
    EnableControl(page, kSoundOn, false);
  }
  SetPageTexts(page, "SOUND", kTexts);
  for (int group : kHiddenGroups) ShowWindow(GetDlgItem(page, kGroupChecks[group]), SW_HIDE);
  SetTrackBarPosition(page, kVolumeSlider, RunOf(page).Copy().SNDvolume);
  for (int i = 0; i < 2; ++i) SetPicker(page, kTimePickers[i], State(page).times[i]);
  UpdateEnables(page);
  InvalidateRect(page, nullptr, TRUE);
}

// A chosen value of group 6 to 8: the list's choice + 1, or the stored one
// when the list holds no choice for it.
int ChoiceValue(HWND page, int group) {
  const LRESULT selection = SendDlgItemMessageA(page, kChoiceLists[group - kChimeGroup], CB_GETCURSEL, 0, 0);
  if (selection >= 0) return static_cast<int>(selection) + 1;
  const int stored = RunOf(page).Copy().SoundOpt[group];
  return stored > 0 ? stored : 1;
}

void OnApply(HWND page) {
  SoundPageState& state = State(page);
  AppSettings& s = RunOf(page).Copy();
  if (LibraryLoaded()) s.Sound = SoundOn(page) ? 1 : 0;
  for (int group = 0; group < kSoundOptions; ++group) {
    const bool checked = IsChecked(page, kGroupChecks[group]);
    if (group >= kChimeGroup && group <= kAlarmGroup)
      s.SoundOpt[group] = checked ? ChoiceValue(page, group) : 0;
    else
      s.SoundOpt[group] = checked ? 1 : 0;
  }
  const LRESULT device = SendDlgItemMessageA(page, kDeviceList, CB_GETCURSEL, 0, 0);
  if (device >= 0) s.SndDevice = static_cast<int>(device) + 1;
  RunOf(page).CommitPage(SettingPage::kSound);
  SheetMemory& memory = RunOf(page).Memory();
  memory.soundTimes[0] = state.times[0];
  memory.soundTimes[1] = state.times[1];
}

void OnCommand(HWND page, int control, int code) {
  if (control == kSoundOn) {
    // Heard at once: the running figures ask for it before every sound.
    RunOf(page).Copy().Sound = SoundOn(page) ? 1 : 0;
    RunOf(page).Preview("Sound");
    UpdateEnables(page);
    EnableControl(page, kDeviceList, SoundOn(page));
    EnableControl(page, kDeviceLabel, SoundOn(page));
    PageChanged(page);
    return;
  }
  for (int check : kGroupChecks) {
    if (control == check && code == BN_CLICKED) {
      UpdateEnables(page);
      PageChanged(page);
      return;
    }
  }
  if (code == CBN_SELCHANGE && (control == kDeviceList || control == kChoiceLists[0] ||
                                control == kChoiceLists[1] || control == kChoiceLists[2]))
    PageChanged(page);
}

void OnTimeChanged(HWND page, const NMDATETIMECHANGE& change) {
  for (int i = 0; i < 2; ++i) {
    if (static_cast<int>(change.nmhdr.idFrom) != kTimePickers[i]) continue;
    State(page).times[i] = {change.st.wHour, change.st.wMinute, change.st.wSecond};
    PageChanged(page);
  }
}

}  // namespace

INT_PTR CALLBACK SoundPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      OnCommand(page, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (ScrolledTrackBar(lParam) == kVolumeSlider) {
        RunOf(page).Copy().SNDvolume = TrackBarPosition(page, kVolumeSlider);
        RunOf(page).Preview("SNDvolume");  // heard at once too
        PageChanged(page);
      }
      return TRUE;
    case kPreviewMessage: {
      const SIZE pageSize = PageSize(page);
      const SIZE left = PreviewBitmapSize(page, "SOUND1");
      const SIZE right = PreviewBitmapSize(page, "SOUND2");
      PlacePreview(page, kPreview1, "SOUND1", 20, pageSize.cy - left.cy);
      PlacePreview(page, kPreview2, "SOUND2", pageSize.cx - right.cx - 20, pageSize.cy - right.cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == kPreview1) DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), "SOUND1");
      if (wParam == kPreview2) DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), "SOUND2");
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->code == DTN_DATETIMECHANGE) {
        OnTimeChanged(page, *reinterpret_cast<const NMDATETIMECHANGE*>(lParam));
        return TRUE;
      }
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE:
          OnSetActive(page);
          SendMessageA(page, kPreviewMessage, 0, 0);
          return TRUE;
        case PSN_APPLY:
          OnApply(page);
          return TRUE;
      }
      break;
  }
  return FALSE;
}
