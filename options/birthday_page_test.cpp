// The Birthday page driven through its controls in the running sheet: new,
// delete, rename, date and sort against the file that apply writes and the
// table a cancel puts back.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "stage/birthdays.h"
#include "stage/portable/calendar.h"
#include "options/option_pages.h"
#include "options/options_test_support.h"
#include "options/page_ids.h"
#include "services/settings_test_support.h"

namespace {

using namespace options_test;

constexpr int kPage = 115;

// The list the tests' sheets are handed.
Birthdays& List() {
  return TestParts().birthdays;
}

std::string Names(const BirthdayList& table = List().Table()) {
  std::string names;
  for (int i = 0; i < table.count; ++i) names += std::string(table.records[i].name) + ";";
  return names;
}

std::string ComboText(HWND page) {
  char text[64] = {};
  GetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, text, sizeof text);
  return text;
}

bool Enabled(HWND page, int control) {
  return IsWindowEnabled(GetDlgItem(page, control)) != 0;
}

void Add(const char* name, int day, int month, int year, BirthdayList& table = List().Table()) {
  BirthdayRecord& r = table.records[table.count++];
  r = {BirthdaySortKey(year, month, day), uint16_t(year), uint16_t(month), uint16_t(day), 1, {}, {}};
  lstrcpynA(r.name, name, sizeof r.name);
}

class BirthdayPageTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + "birthday_page_test.dat";
    DeleteFileA(path_.c_str());
    WriteSettingString("FabianDat", path_.c_str());
    TestSettings().FabianDat.Set(path_.c_str());
  }
  void TearDown() override {
    DeleteFileA(path_.c_str());
    SheetTest::TearDown();
  }
  // The file holds these entries (in this order) before the sheet opens.
  void File(const std::function<void()>& entries) {
    List().Load(TestSettings());
    entries();
    ASSERT_TRUE(List().SaveFile(TestSettings()));
  }
  std::string path_;
};

struct Row {
  const char* name;
  std::function<void()> entries;  // the file before
  std::function<void(HWND)> act;  // on the page
  bool apply;                     // else cancel
  const char* table;              // the table afterwards
  const char* file;               // the file read back
};

TEST_F(BirthdayPageTest, SetApplyCancelReopen) {
  auto none = [] {};
  const Row rows[] = {
      {"three new entries on an empty list", none,
       [](HWND page) {
         EXPECT_FALSE(Enabled(page, IDC_BIRTHDAY_DELETE) || Enabled(page, IDC_BIRTHDAY_NAMES));
         for (int i = 0; i < 3; ++i) Click(page, IDC_BIRTHDAY_NEW);
         EXPECT_EQ(ComboText(page), "(neu 3)");
         SYSTEMTIME today;
         GetLocalTime(&today);
         const BirthdayRecord& r = List().Table().records[2];
         EXPECT_EQ(r.sortKey * 8 + r.reminder,
                   BirthdaySortKey(today.wYear, today.wMonth, today.wDay) * 8 + 1);
       },
       true, "(neu);(neu 2);(neu 3);", "(neu);(neu 2);(neu 3);"},
      {"the only entry deleted", [] { Add("Anna", 3, 4, 1970); },
       [](HWND page) {
         Click(page, IDC_BIRTHDAY_DELETE);
         EXPECT_FALSE(Enabled(page, IDC_BIRTHDAY_DELETE) || Enabled(page, IDC_BIRTHDAY_TEXT));
       },
       true, "", ""},
      {"a list entry that will not go keeps its record",
       [] { Add("Anna", 3, 4, 1970), Add("Bert", 4, 4, 1970); },
       [](HWND page) {
         Select(page, IDC_BIRTHDAY_NAMES, 1);
         SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_DELETESTRING, 1,
                             0);  // list and table no longer agree
         Click(page, IDC_BIRTHDAY_DELETE);
         EXPECT_EQ(Names(), "Anna;Bert;");
       },
       false, "Anna;Bert;", "Anna;Bert;"},
      {"a typed name renames the entry when the field is left",
       [] { Add("Anna", 3, 4, 1970), Add("Bert", 4, 4, 1970); },
       [](HWND page) {
         Select(page, IDC_BIRTHDAY_NAMES, 1);
         SetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, "Berta");
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_NAMES, CBN_EDITCHANGE), 0);
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_NAMES, CBN_KILLFOCUS), 0);
         EXPECT_EQ(SendDlgItemMessageA(page, IDC_BIRTHDAY_NAMES, CB_GETCOUNT, 0, 0), 2);
       },
       true, "Anna;Berta;", "Anna;Berta;"},
      {"a rename and a bubble text are taken back by cancel", [] { Add("Anna", 3, 4, 1970); },
       [](HWND page) {
         SetDlgItemTextA(page, IDC_BIRTHDAY_NAMES, "Ann");
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_NAMES, CBN_EDITCHANGE), 0);
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_NAMES, CBN_KILLFOCUS), 0);
         Type(page, IDC_BIRTHDAY_TEXT,
              "Hoch soll sie leben");  // a multi-line edit tells no change of its own
         SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_BIRTHDAY_TEXT, EN_CHANGE), 0);
         EXPECT_STREQ(List().Table().records[0].text, "Hoch soll sie leben");
       },
       false, "Anna;", "Anna;"},
      {"sorting keeps the record itself chosen",
       [] {
         Add("Anna", 1, 1, 1990), Add("Annabel", 1, 1, 1980), Add("Zoe", 31, 1, 1985),
             Add("Yves", 1, 2, 1985);
       },
       [](HWND page) {
         Click(page, IDC_BIRTHDAY_SORT_BY_DATE);
         EXPECT_EQ(Names(), "Annabel;Zoe;Yves;Anna;");
         Select(page, IDC_BIRTHDAY_NAMES, 3);
         Click(page, IDC_BIRTHDAY_SORT_BY_NAME);
         EXPECT_EQ(ComboText(page), "Anna");
         Click(page, IDC_BIRTHDAY_SORT_BY_DATE);
         EXPECT_EQ(ComboText(page), "Anna") << "not Annabel, the first name that begins alike";
         EXPECT_EQ(TestSettings().FabianName.Get(), 0);
       },
       true, "Annabel;Zoe;Yves;Anna;", "Annabel;Zoe;Yves;Anna;"},
      {"a date picked sets the fields and the key as written", [] { Add("Anna", 3, 4, 1970); },
       [](HWND page) {
         SYSTEMTIME date = {};
         date.wYear = 1984, date.wMonth = 1, date.wDay = 31;
         SendDlgItemMessageA(page, IDC_BIRTHDAY_DATE, DTM_SETSYSTEMTIME, GDT_VALID,
                             reinterpret_cast<LPARAM>(&date));
         NMDATETIMECHANGE change = {};
         change.nmhdr = {GetDlgItem(page, IDC_BIRTHDAY_DATE), UINT_PTR(IDC_BIRTHDAY_DATE),
                         DTN_DATETIMECHANGE};
         change.dwFlags = GDT_VALID;
         change.st = date;
         SendMessageA(page, WM_NOTIFY, IDC_BIRTHDAY_DATE, reinterpret_cast<LPARAM>(&change));
         EXPECT_EQ(List().Table().records[0].sortKey, 1984u * 400 + 12 + 31);
       },
       true, "Anna;", "Anna;"},
      {"no new entry beyond 499",
       [] {
         for (int i = 0; i < 498; ++i) Add("x", 1, 1, 1990);
       },
       [](HWND page) {
         Click(page, IDC_BIRTHDAY_NEW);
         EXPECT_FALSE(Enabled(page, IDC_BIRTHDAY_NEW));
         EXPECT_EQ(List().Table().count, 499);
       },
       false, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (&row != rows) TearDown(), SetUp();
    File(row.entries);
    RunSheet([&](HWND sheet) {
      row.act(ShowPage(sheet, SheetIndex(kPage)));
      row.apply ? Ok(sheet) : Cancel(sheet);
    });
    EXPECT_EQ(row.table ? Names() : "", row.table ? row.table : "");
    List().Load(TestSettings());
    EXPECT_EQ(row.file ? Names() : "", row.file ? row.file : "");
  }
}

// The page edits, saves and collects from the list the sheet was handed,
// and leaves every other list alone.
TEST_F(BirthdayPageTest, EditsTheListTheSheetWasHanded) {
  File([] { Add("Anna", 3, 4, 1970); });
  const BirthdayList before = List().Table();
  Birthdays handed;
  OptionsParts parts = TestParts().Parts();
  parts.birthdays = &handed;
  {
    const ScopedLocalTimeSource today([] { return LocalDateTime{.year = 2026, .month = 4, .day = 3}; });
    RunSheetWith(parts, [](HWND sheet) {
      const HWND page = ShowPage(sheet, SheetIndex(kPage));
      Click(page, IDC_BIRTHDAY_NEW);
      Select(page, IDC_BIRTHDAY_REMINDERS, 0);  // never due, whatever today is
      Ok(sheet);
    });
  }
  EXPECT_EQ(Names(handed.Table()), "Anna;(neu);");
  EXPECT_EQ(handed.LastLoad(), BirthdayLoad::kLoaded);
  EXPECT_EQ(handed.DueCount(), 1);
  EXPECT_STREQ(handed.Due().texts[0], "Anna");
  EXPECT_EQ(Names(List().Table()), Names(before));
  Birthdays reader;
  ASSERT_EQ(reader.Load(TestSettings()), BirthdayLoad::kLoaded);
  EXPECT_EQ(Names(reader.Table()), "Anna;(neu);");
}

}  // namespace
