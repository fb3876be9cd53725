// The birthday file on disk under Wine: saves replace it whole, a file that
// cannot be read is never overwritten, and a save killed half-way leaves the
// old file as it was.

#include "stage/birthdays.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
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

void Add(const char* name, int day, int month, int reminder = 1, const char* text = "") {
  BirthdayRecord& r = BirthdayTable.records[BirthdayTable.count++];
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
  LoadBirthdays(TestSettings());
  for (int i = 0; i < 5; ++i) Add("new", 1 + i, 2);
  static int killAt = std::atoi(at);
  BirthdaySaveWriteHook = [](int record) {
    if (record == killAt) TerminateProcess(GetCurrentProcess(), 9);
  };
  SaveBirthdayFile(TestSettings());
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
    SetLocalTimeSource(SeventhOfDecember);
  }
  void TearDown() override { SetLocalTimeSource(nullptr); }
  // Four entries on disk, two due on 7 December.
  void SaveFour() {
    ASSERT_EQ(LoadBirthdays(TestSettings()), BirthdayLoad::kMissing);
    Add("Carla", 9, 12, 3), Add("anna", 7, 12, 1, "Anna hat Geburtstag"), Add("Dora", 31, 1),
        Add("Bert", 1, 2);
    ASSERT_TRUE(SaveBirthdayFile(TestSettings()));
  }
  std::string Names() {
    std::string names;
    for (int i = 0; i < BirthdayTable.count; ++i) names += std::string(BirthdayTable.records[i].name) + " ";
    return names;
  }
  std::string path_;
};

TEST_F(BirthdayFileTest, SavesSortedRecordsWholeAndCollectsDueOnes) {
  SaveFour();
  EXPECT_EQ(GetFileAttributesA((path_ + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(LoadBirthdays(TestSettings()), BirthdayLoad::kLoaded);
  EXPECT_EQ(Names(), "Dora Bert anna Carla ");  // by date: 31 January before 1 February
  EXPECT_EQ(CollectDueBirthdays(TestSettings()), 2);
  EXPECT_STREQ(DueBirthdays().texts[1], "Carla");
  // By name in the user's order; an emptied name drops its entry.
  TestSettings().FabianName = 1;
  BirthdayTable.records[0].name[0] = 0;
  ASSERT_TRUE(SaveBirthdayFile(TestSettings()));
  ASSERT_EQ(LoadBirthdays(TestSettings()), BirthdayLoad::kLoaded);
  EXPECT_EQ(Names(), "anna Bert Carla ");
}

TEST_F(BirthdayFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  SaveFour();
  ASSERT_EQ(CollectDueBirthdays(TestSettings()), 2);
  const std::vector<uint8_t> before = Bytes(path_);
  OwnedFile lock(CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_EQ(LoadBirthdays(TestSettings()), BirthdayLoad::kFailed);
  EXPECT_EQ(CollectDueBirthdays(TestSettings()), 2);  // what was due stays due
  lock.reset();
  Add("Neu", 1, 1);
  EXPECT_FALSE(SaveBirthdayFile(TestSettings()));
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
  ASSERT_EQ(LoadBirthdays(TestSettings()),
            BirthdayLoad::kLoaded);  // a leftover temporary file is no obstacle
  Add("Dora", 2, 2);
  ASSERT_TRUE(SaveBirthdayFile(TestSettings()));
  EXPECT_EQ(Bytes(path_).size(), 5 * kBirthdayRecordSize);
}

}  // namespace
