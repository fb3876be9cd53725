// The birthday file on disk under Wine: saves replace it whole, a file that
// cannot be read is never overwritten, and a save killed half-way leaves the
// old file as it was.

#include "stage/birthdays.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "stage/portable/calendar.h"
#include "services/handles.h"
#include "services/settings.h"
#include "services/settings_test_support.h"

namespace {

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  return std::string(folder, GetTempPathA(MAX_PATH, folder)) + name;
}

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void AddTo(BirthdayList& table, const char* name, int day, int month, int reminder = 1,
           const char* text = "") {
  BirthdayRecord& r = table.records[table.count++];
  r = {BirthdaySortKey(1990, month, day), 1990, uint16_t(month), uint16_t(day), uint16_t(reminder), {}, {}};
  lstrcpynA(r.name, name, sizeof r.name);
  lstrcpynA(r.text, text, sizeof r.text);
}

// A child started by the kill test: it loads the file, adds entries and
// saves, killing itself after the given record reached the temporary file.
[[maybe_unused]] const bool kChild = [] {
  const char* at = std::getenv("BIRTHDAY_KILL_AT");
  if (!at) return false;
  TestSettings().FabianDat.Set(TempPath("birthdays_test.dat").c_str());
  static Birthdays list;
  list.Load(TestSettings());
  for (int i = 0; i < 5; ++i) AddTo(list.Table(), "new", 1 + i, 2);
  static int killAt = std::atoi(at);
  list.saveWriteHook = [](int record) {
    if (record == killAt) TerminateProcess(GetCurrentProcess(), 9);
  };
  list.SaveFile(TestSettings());
  ExitProcess(1);  // not reached
}();

LocalDateTime SeventhOfDecember() {
  return {.year = 2026, .month = 12, .day = 7};
}

class BirthdayFileTest : public testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath("birthdays_test.dat");
    DeleteFileA(path_.c_str());
    DeleteFileA((path_ + ".part").c_str());
    TestSettings().FabianDat.Set(path_.c_str());
    TestSettings().FabianName = 0;
  }
  ScopedLocalTimeSource today_{SeventhOfDecember};
  // Four entries on disk, two due on 7 December.
  void SaveFour() {
    ASSERT_EQ(list_.Load(TestSettings()), BirthdayLoad::kMissing);
    Add("Carla", 9, 12, 3), Add("anna", 7, 12, 1, "Anna hat Geburtstag"), Add("Dora", 31, 1),
        Add("Bert", 1, 2);
    ASSERT_TRUE(list_.SaveFile(TestSettings()));
  }
  std::string Names() {
    std::string names;
    for (int i = 0; i < list_.Table().count; ++i) names += std::string(list_.Table().records[i].name) + " ";
    return names;
  }
  void Add(const char* name, int day, int month, int reminder = 1, const char* text = "") {
    AddTo(list_.Table(), name, day, month, reminder, text);
  }
  std::string path_;
  Birthdays list_;
};

TEST_F(BirthdayFileTest, SavesSortedRecordsWholeAndCollectsDueOnes) {
  SaveFour();
  EXPECT_EQ(GetFileAttributesA((path_ + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(list_.Load(TestSettings()), BirthdayLoad::kLoaded);
  EXPECT_EQ(Names(), "Dora Bert anna Carla ");  // by date: 31 January before 1 February
  EXPECT_EQ(list_.CollectDue(TestSettings()), 2);
  EXPECT_STREQ(list_.Due().texts[1], "Carla");
  // By name in the user's order; an emptied name drops its entry.
  TestSettings().FabianName = 1;
  list_.Table().records[0].name[0] = 0;
  ASSERT_TRUE(list_.SaveFile(TestSettings()));
  ASSERT_EQ(list_.Load(TestSettings()), BirthdayLoad::kLoaded);
  EXPECT_EQ(Names(), "anna Bert Carla ");
}

// Each list is its own: its table, its last load (which gates its save) and
// the birthdays it collected. A second list with a file of its own runs
// beside the fixture's, and a third is never loaded.
TEST_F(BirthdayFileTest, ListsSideBySideKeepTheirOwnTableLoadAndDueBirthdays) {
  SaveFour();
  AppSettings otherSettings;
  const std::string otherPath = TempPath("birthdays_test_other.dat");
  DeleteFileA(otherPath.c_str());
  otherSettings.FabianDat.Set(otherPath.c_str());
  Birthdays other, fresh;
  ASSERT_EQ(other.Load(otherSettings), BirthdayLoad::kMissing);
  AddTo(other.Table(), "Eva", 7, 12, 1, "Eva feiert");
  ASSERT_TRUE(other.SaveFile(otherSettings));
  ASSERT_EQ(list_.Load(TestSettings()), BirthdayLoad::kLoaded);
  ASSERT_EQ(list_.CollectDue(TestSettings()), 2);

  struct Row {
    const char* what;
    Birthdays& list;
    int count;  // entries in its table
    BirthdayLoad load;
    int due;  // published due birthdays
    const char* firstDue;
  };
  const Row rows[] = {
      {"the fixture's list", list_, 4, BirthdayLoad::kLoaded, 2, "Anna hat Geburtstag"},
      {"the other list, before it collects", other, 1, BirthdayLoad::kMissing, 0, ""},
      {"a list never loaded", fresh, 0, BirthdayLoad::kNotLoaded, 0, ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.list.Table().count, r.count) << r.what;
    EXPECT_EQ(r.list.LastLoad(), r.load) << r.what;
    EXPECT_EQ(r.list.DueCount(), r.due) << r.what;
    EXPECT_EQ(r.list.Due().count, r.due) << r.what;
    EXPECT_STREQ(r.list.Due().texts[0], r.firstDue) << r.what;
  }

  // The other list's collect publishes its own birthday alone.
  EXPECT_EQ(other.CollectDue(otherSettings), 1);
  EXPECT_STREQ(other.Due().texts[0], "Eva feiert");
  EXPECT_EQ(list_.DueCount(), 2);
  EXPECT_STREQ(list_.Due().texts[1], "Carla");

  // A list never loaded refuses to save over the fixture's file, which the
  // fixture's list still may replace.
  const std::vector<uint8_t> before = Bytes(path_);
  EXPECT_FALSE(fresh.SaveFile(TestSettings()));
  EXPECT_EQ(Bytes(path_), before);
  // A failed load refuses only its own list's save.
  {
    OwnedFile lock(CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    EXPECT_EQ(list_.Load(TestSettings()), BirthdayLoad::kFailed);
  }
  EXPECT_EQ(other.LastLoad(), BirthdayLoad::kMissing);
  EXPECT_TRUE(other.SaveFile(otherSettings));
  EXPECT_FALSE(list_.SaveFile(TestSettings()));
  EXPECT_EQ(Bytes(path_), before);
  DeleteFileA(otherPath.c_str());
}

// The due birthdays are published whole: a reader on another thread sees
// either file's birthdays, never one's count with the other's texts.
TEST_F(BirthdayFileTest, DueBirthdaysReadWhileCollectedAreWhole) {
  SaveFour();  // Anna and Carla due
  AppSettings otherSettings;
  const std::string otherPath = TempPath("birthdays_test_one.dat");
  DeleteFileA(otherPath.c_str());
  otherSettings.FabianDat.Set(otherPath.c_str());
  {
    Birthdays writer;
    ASSERT_EQ(writer.Load(otherSettings), BirthdayLoad::kMissing);
    AddTo(writer.Table(), "Eva", 7, 12);
    ASSERT_TRUE(writer.SaveFile(otherSettings));
  }
  std::atomic<bool> done{false};
  std::atomic<int> torn{0}, reads{0};
  std::thread reader([&] {
    while (!done) {
      const DueBirthdayList due = list_.Due();
      const bool whole =
          (due.count == 0 && !due.texts[0][0]) ||
          (due.count == 1 && !strcmp(due.texts[0], "Eva") && !due.texts[1][0]) ||
          (due.count == 2 && !strcmp(due.texts[0], "Anna hat Geburtstag") && !strcmp(due.texts[1], "Carla"));
      if (!whole) ++torn;
      ++reads;
    }
  });
  for (int i = 0; i < 200; ++i) list_.CollectDue(i % 2 ? otherSettings : TestSettings());
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(list_.DueCount(), 1);
  DeleteFileA(otherPath.c_str());
}

TEST_F(BirthdayFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  SaveFour();
  ASSERT_EQ(list_.CollectDue(TestSettings()), 2);
  const std::vector<uint8_t> before = Bytes(path_);
  OwnedFile lock(CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_EQ(list_.Load(TestSettings()), BirthdayLoad::kFailed);
  EXPECT_EQ(list_.CollectDue(TestSettings()), 2);  // what was due stays due
  lock.reset();
  Add("Neu", 1, 1);
  EXPECT_FALSE(list_.SaveFile(TestSettings()));
  EXPECT_EQ(Bytes(path_), before);
}

TEST_F(BirthdayFileTest, ASaveKilledHalfWayLeavesTheOldFileWhole) {
  SaveFour();
  const std::vector<uint8_t> before = Bytes(path_);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  for (const char* at : {"0", "8"}) {  // after the first record, after the last
    SetEnvironmentVariableA("BIRTHDAY_KILL_AT", at);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const OwnedHandle process(pi.hProcess), thread(pi.hThread);
    SetEnvironmentVariableA("BIRTHDAY_KILL_AT", nullptr);
    ASSERT_EQ(WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process.get(), &code) && code == 9) << at;
    EXPECT_EQ(Bytes(path_), before) << at;
  }
  ASSERT_EQ(list_.Load(TestSettings()),
            BirthdayLoad::kLoaded);  // a leftover temporary file is no obstacle
  Add("Dora", 2, 2);
  ASSERT_TRUE(list_.SaveFile(TestSettings()));
  EXPECT_EQ(Bytes(path_).size(), 5 * kBirthdayRecordSize);
}

}  // namespace
