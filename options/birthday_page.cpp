// Birthday page: the birthday list's entries one at a time (name, date,
// reminder, bubble text), added, deleted and sorted. It edits the table of
// the birthday list the sheet was handed in place; apply writes the file
// and collects today's birthdays again, a cancel puts the table back as it
// was last loaded or saved.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "stage/birthdays.h"
#include "options/option_pages.h"
#include "options/options_sheet.h"
#include "options/sheet_run.h"
#include "options/page_ids.h"
#include "options/page_protocol.h"
#include "options/portable/page_previews.h"
#include "services/lang_text.h"
#include "services/settings.h"

namespace {

constexpr UINT kPreviewMessage = 0x851D;
constexpr UINT kShowMessage = 0x851E;
constexpr UINT kSortMessage = 0x851F;
// The page offers one entry less than the table holds.
constexpr int kMaxEntries = kMaxBirthdays - 1;

constexpr char kSection[] = "FABIAN";
constexpr PageText kTexts[] = {
    {IDC_BIRTHDAY_INTRO, "TEXT",
     "Fabian Merk vergisst keinen Geburtstag und kein Jubil\xe4um, rechtzeitig erinnert er Sie an jeden "
     "Termin den "
     "Sie eingeben. Wenn Sie m\xf6"
     "chten, sogar schon ein paar Tage vorher."},
    {IDC_BIRTHDAY_NAME_LABEL, "NAME", "&Name:"},
    {IDC_BIRTHDAY_DATE_LABEL, "GEBTAG", "&Geburtstag:"},
    {IDC_BIRTHDAY_REMINDER_LABEL, "ERINNERUNG", "&Fabian kommt:"},
    {IDC_BIRTHDAY_TEXT_LABEL, "SPRECHBLASE", "Sprechblase:"},
    {IDC_BIRTHDAY_NEW, "NEU", "neu"},
    {IDC_BIRTHDAY_DELETE, "DEL", "l\xf6schen"},
    {IDC_BIRTHDAY_SORT_LABEL, "SORTIER", "&Sortieren nach:"},
    {IDC_BIRTHDAY_SORT_BY_DATE, "SORTIER-Datum", "Datum"},
    {IDC_BIRTHDAY_SORT_BY_NAME, "SORTIER-Name", "Name"},
};
constexpr const char* kReminderDefaults[kMaxReminderIndex + 1] = {"nicht",
                                                                  "zum Termin",
                                                                  "1 Tag vorher, bis zum Termin",
                                                                  "2 Tage vorher, bis zum Termin",
                                                                  "3 Tage vorher, bis zum Termin",
                                                                  "1 Woche vorher, bis zum Termin",
                                                                  "2 Wochen vorher, bis zum Termin"};

struct BirthdayPageState : PageState {
  // A name typed into the combo box and not yet given to its record.
  char typedName[kBirthdayNameSize] = {};
  bool nameEdited = false;
  // Set while the page itself fills the fields: no change by the user.
  bool showing = false;
  // The table as last loaded or saved; a cancel puts it back.
  std::optional<BirthdayList> saved;

  void SheetClosed(SheetRun& run) override {
    if (!saved) return;
    run.BirthdaysToEdit().Table() = *saved;
    saved.reset();
  }
};

BirthdayPageState& State(HWND page) {
  return PageStateOf<BirthdayPageState>(page);
}

// The list the run edits: the handed one, or (a run without one) the run's own.
Birthdays& List(HWND page) {
  return RunOf(page).BirthdaysToEdit();
}
BirthdayList& Table(HWND page) {
  return List(page).Table();
}
BirthdayRecord& Current(HWND page) {
  BirthdayList& table = Table(page);
  return table.records[table.selected];
}

int ComboSelection(HWND page) {
  return static_cast<int>(SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_GETCURSEL, 0, 0));
}

void FillNames(HWND page) {
  SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < Table(page).count; ++i)
    SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(Table(page).records[i].name));
}

void UpdateEnables(HWND page) {
  const int count = Table(page).count;
  EnableControl(page, IDC_BIRTHDAY_NEW, count < kMaxEntries);
  for (int control : {IDC_BIRTHDAY_DELETE, IDC_BIRTHDAY_NAME_LABEL, IDC_BIRTHDAY_NAMES,
                      IDC_BIRTHDAY_DATE_LABEL, IDC_BIRTHDAY_DATE, IDC_BIRTHDAY_REMINDER_LABEL,
                      IDC_BIRTHDAY_REMINDERS, IDC_BIRTHDAY_TEXT_LABEL, IDC_BIRTHDAY_TEXT})
    EnableControl(page, control, count > 0);
  EnableControl(page, IDC_BIRTHDAY_SORT_BY_DATE, count > 1);
  EnableControl(page, IDC_BIRTHDAY_SORT_BY_NAME, count > 1);
}

void ShowCurrent(HWND page) {
  State(page).showing = true;
  const BirthdayRecord& record = Current(page);
  SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_SETCURSEL,
                      Table(page).count > 0 ? Table(page).selected : -1, 0);
  SYSTEMTIME date = {};
  date.wYear = record.year;
  date.wMonth = record.month;
  date.wDay = record.day;
  if (!SendDlgItemMessageA(page, IDC_BIRTHDAY_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                           reinterpret_cast<LPARAM>(&date))) {
    // An empty table or a broken record: the picker shows today.
    GetLocalTime(&date);
    SendDlgItemMessageA(page, IDC_BIRTHDAY_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                        reinterpret_cast<LPARAM>(&date));
  }
  SendDlgItemMessageA(page, IDC_BIRTHDAY_REMINDERS, CB_SETCURSEL, record.reminder, 0);
  SetDlgItemTextA(page, IDC_BIRTHDAY_TEXT, record.text);
  UpdateEnables(page);
  State(page).showing = false;
}

void Select(HWND page, int index) {
  if (index < 0 || index >= Table(page).count) index = 0;
  Table(page).selected = index;
  ShowCurrent(page);
}

void SetName(BirthdayRecord& record, const char* name) {
  std::memset(record.name, 0, sizeof record.name);
  lstrcpynA(record.name, name, kBirthdayNameSize);
}

// The typed name becomes the name of the record it was typed for; the
// list is refilled and `next` selected (the renamed record stays where it is).
void TakeTypedName(HWND page, const char* name, int next) {
  State(page).nameEdited = false;
  SetName(Current(page), name);
  FillNames(page);
  Select(page, next);
}

void OnNameCommand(HWND page, int code) {
  BirthdayPageState& state = State(page);
  switch (code) {
    case CBN_EDITCHANGE:
      GetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, state.typedName, sizeof state.typedName);
      state.nameEdited = true;
      PageChanged(page);
      break;
    case CBN_SELCHANGE: {
      // The edit shows the chosen entry already; the name typed before is
      // in the buffer, and belongs to the record it was typed over.
      const int chosen = ComboSelection(page);
      if (state.nameEdited)
        TakeTypedName(page, state.typedName, chosen >= 0 ? chosen : Table(page).selected);
      else if (chosen >= 0)
        Select(page, chosen);
      state.typedName[0] = 0;
      break;
    }
    case CBN_KILLFOCUS:
    case CBN_DROPDOWN: {
      if (state.nameEdited) {
        state.nameEdited = false;
        char typed[kBirthdayNameSize];
        GetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, typed, sizeof typed);
        if (std::strcmp(typed, Current(page).name) != 0) TakeTypedName(page, typed, Table(page).selected);
      }
      const int chosen = ComboSelection(page);
      if (chosen >= 0) Select(page, chosen);
      break;
    }
  }
}

void DefaultName(HWND page, char (&name)[kBirthdayNameSize]) {
  for (int n = 1;; ++n) {
    char text[kLangTextMax];
    if (n == 1) {
      const char* first = LangText(kSection, "NEU-0", "(neu)");
      lstrcpynA(text, first ? first : "(neu)", sizeof text);
    } else {
      const char* format = LangText(kSection, "NEU-1", "(neu %d)");
      char pattern[256];
      lstrcpynA(pattern, format ? format : "(neu %d)", sizeof pattern);
      // The language file's pattern is formatted with one number only.
      const char* percent = std::strchr(pattern, '%');
      if (!percent || percent[1] != 'd' || std::strchr(percent + 1, '%'))
        lstrcpynA(pattern, "(neu %d)", sizeof pattern);
      std::snprintf(text, sizeof text, pattern, n);
    }
    lstrcpynA(name, text, kBirthdayNameSize);
    bool taken = false;
    for (int i = 0; i < Table(page).count && !taken; ++i)
      taken = lstrcmpiA(Table(page).records[i].name, name) == 0;
    if (!taken) return;
  }
}

void AddEntry(HWND page) {
  if (Table(page).count >= kMaxEntries) return;
  BirthdayRecord record = {};
  SYSTEMTIME today;
  GetLocalTime(&today);
  record.year = today.wYear;
  record.month = today.wMonth;
  record.day = today.wDay;
  record.reminder = 1;
  record.sortKey = BirthdaySortKey(record.year, record.month, record.day);
  char name[kBirthdayNameSize];
  DefaultName(page, name);
  SetName(record, name);
  Table(page).records[Table(page).count] = record;
  Table(page).selected = Table(page).count++;
  SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(record.name));
  ShowCurrent(page);
  SetFocus(GetDlgItem(page, IDC_BIRTHDAY_NAMES));
  PageChanged(page);
}

void DeleteEntry(HWND page) {
  BirthdayList& table = Table(page);
  if (table.count < 1) return;
  const int index = table.selected;
  // The record goes only when its list entry went: list and table stay one.
  if (SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_DELETESTRING, index, 0) != CB_ERR) {
    --table.count;
    std::memmove(&table.records[index], &table.records[index + 1],
                 sizeof(BirthdayRecord) * static_cast<size_t>(table.count - index));
    std::memset(&table.records[table.count], 0, sizeof(BirthdayRecord));
    Select(page, index > 0 ? index - 1 : 0);
  }
  PageChanged(page);
}

void Sort(HWND page, bool byName) {
  RunOf(page).Copy().FabianName = byName ? 1 : 0;
  // The record itself is found again, not the first one of a like name.
  const BirthdayRecord kept = Current(page);
  SortBirthdayList(Table(page), byName, [](const char* a, const char* b) { return lstrcmpA(a, b); });
  int found = 0;
  for (int i = 0; i < Table(page).count; ++i) {
    if (std::memcmp(&Table(page).records[i], &kept, sizeof kept) == 0) {
      found = i;
      break;
    }
  }
  FillNames(page);
  Select(page, found);
  SetFocus(GetDlgItem(page, IDC_BIRTHDAY_NAMES));
}

void OnInit(HWND page) {
  List(page).Load(RunOf(page).Committed());
  BirthdayPageState& state = State(page);
  state.saved = Table(page);
  state.nameEdited = false;
  state.typedName[0] = 0;
  FillNames(page);
  for (int i = 0; i <= kMaxReminderIndex; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "GTREM-%d", i);
    const char* text = LangText(kSection, key, kReminderDefaults[i]);
    SendDlgItemMessageA(page, IDC_BIRTHDAY_REMINDERS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text ? text : ""));
  }
  SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_LIMITTEXT, kBirthdayNameSize - 1, 0);
  SendDlgItemMessageA(page, IDC_BIRTHDAY_TEXT, EM_LIMITTEXT, kBirthdayTextSize - 1, 0);
  ShowCurrent(page);
}

void OnCommand(HWND page, int control, int code) {
  switch (control) {
    case IDC_BIRTHDAY_NAMES:
      OnNameCommand(page, code);
      break;
    case IDC_BIRTHDAY_TEXT:
      if (code != EN_CHANGE || State(page).showing || Table(page).count < 1) return;
      GetDlgItemTextA(page, IDC_BIRTHDAY_TEXT, Current(page).text, kBirthdayTextSize);
      PageChanged(page);
      break;
    case IDC_BIRTHDAY_REMINDERS:
      if (code != CBN_SELCHANGE || Table(page).count < 1) return;
      Current(page).reminder =
          static_cast<uint16_t>(SendDlgItemMessageA(page, IDC_BIRTHDAY_REMINDERS, CB_GETCURSEL, 0, 0));
      PageChanged(page);
      break;
    case IDC_BIRTHDAY_NEW:
      if (code == BN_CLICKED) AddEntry(page);
      break;
    case IDC_BIRTHDAY_DELETE:
      if (code == BN_CLICKED) DeleteEntry(page);
      break;
    case IDC_BIRTHDAY_SORT_BY_DATE:
    case IDC_BIRTHDAY_SORT_BY_NAME:
      if (code == BN_CLICKED) Sort(page, control == IDC_BIRTHDAY_SORT_BY_NAME);
      break;
  }
}

void OnDateChanged(HWND page, const NMDATETIMECHANGE& change) {
  if (change.dwFlags != GDT_VALID || State(page).showing || Table(page).count < 1) return;
  BirthdayRecord& record = Current(page);
  record.year = change.st.wYear;
  record.month = change.st.wMonth;
  record.day = change.st.wDay;
  record.sortKey = BirthdaySortKey(record.year, record.month, record.day);
  PageChanged(page);
}

}  // namespace

INT_PTR CALLBACK BirthdayPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(page);
      return TRUE;
    case WM_COMMAND:
      OnCommand(page, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case kShowMessage:
      ShowCurrent(page);
      return TRUE;
    case kSortMessage:
      Sort(page, RunOf(page).Copy().FabianName != 0);
      return TRUE;
    case kPreviewMessage: {
      const SIZE pageSize = PageSize(page);
      const SIZE bitmap = PreviewBitmapSize(page, kBirthdayPreview);
      PlacePreview(page, IDC_BIRTHDAY_PREVIEW, kBirthdayPreview, pageSize.cx - bitmap.cx - 20,
                   pageSize.cy - bitmap.cy);
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam == IDC_BIRTHDAY_PREVIEW)
        DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), kBirthdayPreview);
      return TRUE;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->code == DTN_DATETIMECHANGE) {
        OnDateChanged(page, *reinterpret_cast<const NMDATETIMECHANGE*>(lParam));
        return TRUE;
      }
      switch (SheetNotifyCode(message, lParam)) {
        case PSN_SETACTIVE: {
          SetPageTexts(page, kSection, kTexts);
          const int chosen = ComboSelection(page);
          if (chosen >= 0) Select(page, chosen);
          SendMessageA(page, kPreviewMessage, 0, 0);
          return TRUE;
        }
        case PSN_APPLY:
          RunOf(page).CommitPage(SettingPage::kBirthdays);  // the sort order
          if (List(page).Save(page, RunOf(page).Committed())) State(page).saved = Table(page);
          List(page).CollectDue(RunOf(page).Committed());
          return TRUE;
      }
      break;
  }
  return FALSE;
}
