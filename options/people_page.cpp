// People page: each listed figure on or off, its description, and a sound
// file of the user's that plays when it is clicked.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "stage/figure_bitmaps.h"
#include "options/option_pages.h"
#include "options/page_ids.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_protocol.h"
#include "services/sound_library.h"
#include "services/lang_text.h"
#include "services/settings.h"
#include "services/sound.h"

namespace {

constexpr UINT kPortraitMessage = 0x8519;
constexpr UINT kUpdateMessage = 0x851A;

constexpr PageText kTexts[] = {
    {IDC_PEOPLE_INTRO, "TEXT",
     "Sie k\xF6"
     "nnen Leute anklicken und viele reagieren darauf und Sie k\xF6"
     "nnen auch T\xF6"
     "ne zuordnen, die erklingen "
     "wenn die Leuten angeklickt werden."},
    {IDC_PEOPLE_ACTIVE, "ACTIVE", "&aktiviert"},
    {IDC_PEOPLE_SOUND_LABEL, "SOUND", "Sounddatei:"},
    {IDC_PEOPLE_ALL_ON, "ALLACTIVE", "Alle aktivieren"},
    {IDC_PEOPLE_ALL_OFF, "ALLDEACTIVE", "Alle deaktivieren"},
};

struct Item {
  int figure;
  bool active;
  std::string sound;
};

struct PeoplePageState : PageState {
  std::vector<Item> items;   // the listed figures, in the list's order
  int current = 0;           // the one the page shows
  bool soundEdited = false;  // its sound file typed and not yet taken
};

PeoplePageState& State(HWND page) {
  return PageStateOf<PeoplePageState>(page);
}

// The dog, the birds and one stroller have no click sound of their own.
bool HasUserSound(int figure) {
  return figure != 24 && figure != 42 && figure != 90;
}

std::string Trimmed(const char* text) {
  std::string s(text);
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string EditText(HWND page) {
  char path[MAX_PATH];
  ControlText(page, IDC_PEOPLE_SOUND_FILE, path, sizeof path);
  return path;
}

void PortraitName(HWND page, char* out, size_t size) {
  const PeoplePageState& state = State(page);
  std::snprintf(out, size, "FS_%03d", state.items.empty() ? 0 : state.items[state.current].figure);
}

void UpdateControls(HWND page) {
  PeoplePageState& state = State(page);
  if (state.items.empty()) return;
  const Item& item = state.items[state.current];
  char key[16];
  std::snprintf(key, sizeof key, "FS_%03d", item.figure);
  const char* text = FigureText("LEUTE", key);
  SetDlgItemTextA(page, IDC_PEOPLE_DESCRIPTION, text ? text : "");
  const bool sound = item.active && SoundState.loaded.load() != 0 && HasUserSound(item.figure);
  for (int id : {IDC_PEOPLE_SOUND_LABEL, IDC_PEOPLE_SOUND_FILE, IDC_PEOPLE_BROWSE})
    EnableControl(page, id, sound);
  SetChecked(page, IDC_PEOPLE_ACTIVE, item.active);
}

void ShowPortrait(HWND page) {
  char name[16];
  PortraitName(page, name, sizeof name);
  const SIZE size = PreviewBitmapSize(page, name);
  HWND control = GetDlgItem(page, IDC_PEOPLE_PORTRAIT);
  SetWindowPos(control, nullptr, 0, 0, size.cx + 2, size.cy + 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(control, nullptr, TRUE);
}

void OnInit(HWND page) {
  PeoplePageState& state = State(page);
  HWND list = GetDlgItem(page, IDC_PEOPLE_FIGURE_LIST);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  state.items.clear();
  for (int figure = 0; figure < kFigureNameSlots; ++figure) {
    const char* name = FigureName(figure);
    if (std::string(name) == "-") continue;
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    char sound[MAX_PATH] = {};
    const bool stored = GetFigureSoundFile(figure, sound) && std::string(sound) != " ";
    state.items.push_back({figure, true, stored ? sound : ""});
  }
  for (const SettingInt& off : RunOf(page).Copy().FigDeactive)
    for (Item& item : state.items)
      if (off != 0 && item.figure == off) item.active = false;
  state.current = SendMessageA(list, CB_SETCURSEL, 0, 0) == CB_ERR ? 1 : 0;
  state.soundEdited = false;
  SendDlgItemMessageA(page, IDC_PEOPLE_SOUND_FILE, EM_LIMITTEXT, MAX_PATH - 1, 0);
  ShowPortrait(page);
}

void TakeEditedSound(HWND page) {
  PeoplePageState& state = State(page);
  if (!state.soundEdited) return;
  state.items[state.current].sound = Trimmed(EditText(page).c_str());
  state.soundEdited = false;
}

void OnSelect(HWND page) {
  PeoplePageState& state = State(page);
  TakeEditedSound(page);
  const LRESULT selected = SendDlgItemMessageA(page, IDC_PEOPLE_FIGURE_LIST, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR || selected >= static_cast<LRESULT>(state.items.size())) return;
  state.current = static_cast<int>(selected);
  SetDlgItemTextA(page, IDC_PEOPLE_SOUND_FILE, state.items[state.current].sound.c_str());
  state.soundEdited = false;  // set by the edit's own change notice above
  SendMessageA(page, kUpdateMessage, 0, 0);
  SendMessageA(page, kPortraitMessage, 0, 0);
}

void SetAll(HWND page, bool on) {
  PeoplePageState& state = State(page);
  state.items[state.current].active = on;
  SetChecked(page, IDC_PEOPLE_ACTIVE, on);
  for (Item& item : state.items) item.active = on;
  UpdateControls(page);
  PageChanged(page);
}

void OnApply(HWND page) {
  PeoplePageState& state = State(page);
  state.items[state.current].active = IsChecked(page, IDC_PEOPLE_ACTIVE);
  SettingList<kMaxDeactivatedFigures>& off = RunOf(page).Copy().FigDeactive;
  size_t slot = 0;
  for (SettingInt& figure : off) figure = 0;
  for (const Item& item : state.items)
    if (!item.active && slot < off.size()) off[slot++] = item.figure;
  RunOf(page).CommitPage(SettingPage::kPeople);
  TakeEditedSound(page);
  for (const Item& item : state.items) SaveSoundFile(item.figure, item.sound.c_str());
}

void OnSetActive(HWND page) {
  PeoplePageState& state = State(page);
  if (state.items.empty()) return;
  SetPageTexts(page, "LEUTE", kTexts);
  SetChecked(page, IDC_PEOPLE_ACTIVE, state.items[state.current].active);
  SetDlgItemTextA(page, IDC_PEOPLE_SOUND_FILE, state.items[state.current].sound.c_str());
  state.soundEdited = false;
  UpdateControls(page);
}

INT_PTR OnCommand(HWND page, int id, int code) {
  PeoplePageState& state = State(page);
  if (state.items.empty()) return FALSE;
  switch (id) {
    case IDC_PEOPLE_FIGURE_LIST:
      if (code == CBN_SELCHANGE) OnSelect(page);
      return TRUE;
    case IDC_PEOPLE_SOUND_FILE:
      if (code == EN_CHANGE &&
          lstrcmpiA(EditText(page).c_str(), state.items[state.current].sound.c_str()) != 0) {
        state.soundEdited = true;
        PageChanged(page);
      }
      return TRUE;
    case IDC_PEOPLE_ACTIVE:
      state.items[state.current].active = !state.items[state.current].active;
      SetChecked(page, IDC_PEOPLE_ACTIVE, state.items[state.current].active);
      UpdateControls(page);
      PageChanged(page);
      return TRUE;
    case IDC_PEOPLE_ALL_ON:
    case IDC_PEOPLE_ALL_OFF:
      SetAll(page, id == IDC_PEOPLE_ALL_ON);
      return TRUE;
    case IDC_PEOPLE_BROWSE: {
      char path[MAX_PATH];
      lstrcpynA(path, state.items[state.current].sound.c_str(), sizeof path);
      if (ChooseFile(page, MusicFileFilter(), path, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST))
        SetDlgItemTextA(page, IDC_PEOPLE_SOUND_FILE, path);
      return TRUE;
    }
    case IDC_PEOPLE_PORTRAIT:
      if (code == STN_CLICKED) PlayMusicFile(Trimmed(EditText(page).c_str()).c_str());
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK PeoplePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
    case kPortraitMessage:
      ShowPortrait(page);
      return TRUE;
    case kUpdateMessage:
      UpdateControls(page);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam == IDC_PEOPLE_PORTRAIT) {
        DRAWITEMSTRUCT item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        char name[16];
        PortraitName(page, name, sizeof name);
        FillPageBackground(item);
        InflateRect(&item.rcItem, -1, -1);  // the portrait inside a one-pixel margin
        DrawPreview(item, name);
      }
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

const char* FigureName(int figure) {
  static constexpr struct {
    int figure;
    const char* name;
  } kNames[] = {
      {2, "Ravi Quenn"},
      {3, "Mira Tolle"},
      {5, "Hilde Pruml"},
      {8, "Alma Korbitz"},
      {10, "Nelly Sprott"},
      {11, "Kuno Fessel"},
      {13, "Bodo Schnief"},
      {20, "Jonas V."},
      {22, "Ugo R. Pell"},
      {24, "Hund"},
      {27, "Konrad T. Plack"},
      {31, "Emil Dorsch"},
      {34, "Lorenz M."},
      {36, "Toni Fratz"},
      {37, "Nikolaus"},
      {38, "Osterhase"},
      {39, "Lorenz M."},
      {40, "Gundula W."},
      {42, "Benno R. Kling"},
      {43, "Wendelin O."},
      {47, "Gustav Lindtal"},
      {49, "Ewald Pommer"},
      {54, "Arno Blitzer"},
      {90,
       "V\xF6"
       "gel"},
  };
  for (const auto& entry : kNames)
    if (entry.figure == figure) return entry.name;
  return "-";
}
