// The birthday file on disk under Wine: saves replace it whole, a file that
// cannot be read is never overwritten, and a save killed half-way leaves the
// old file as it was.

#include "objects/birthdays.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "objects/portable/calendar.h"
#include "services/settings.h"

namespace {

std::string TempPath(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::vector<uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Add(const char* name, int day, int month, int reminder = 1, const char* text = "") {
  BirthdayRecord& r = BirthdayTable.records[BirthdayTable.count++];
  r = {};
  r.sortKey = BirthdaySortKey(1990, month, day);
  r.year = 1990, r.month = uint16_t(month), r.day = uint16_t(day), r.reminder = uint16_t(reminder);
  lstrcpynA(r.name, name, sizeof r.name);
  lstrcpynA(r.text, text, sizeof r.text);
}

// A child started by the kill test: it loads the file, adds entries and
// saves, killing itself after the given record reached the temporary file.
[[maybe_unused]] const bool kChild = [] {
  const char* path = std::getenv("BIRTHDAY_KILL_PATH");
  const char* at = std::getenv("BIRTHDAY_KILL_AT");
  if (!path || !at) return false;
  Settings.FabianDat.Set(path);
  LoadBirthdays();
  for (int i = 0; i < 5; ++i) Add("new", 1 + i, 2);
  static int killAt = std::atoi(at);
  BirthdaySaveWriteHook = [](int record) {
    if (record == killAt) TerminateProcess(GetCurrentProcess(), 9);
  };
  SaveBirthdayFile();
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
    Settings.FabianDat.Set(path_.c_str());
    Settings.FabianName = 0;
    SetLocalTimeSource(SeventhOfDecember);
  }
  void TearDown() override { SetLocalTimeSource(nullptr); }
  // Three entries on disk, the first two due on 7 December.
  void SaveThree() {
    ASSERT_EQ(LoadBirthdays(), BirthdayLoad::kMissing);
    Add("Carla", 9, 12, 3), Add("Anna", 7, 12, 1, "Anna hat Geburtstag"), Add("Bert", 1, 5);
    ASSERT_TRUE(SaveBirthdayFile());
  }
  std::string path_;
};

TEST_F(BirthdayFileTest, SavesSortedRecordsWholeAndCollectsDueOnes) {
  SaveThree();
  EXPECT_EQ(Bytes(path_).size(), 3 * kBirthdayRecordSize);
  EXPECT_EQ(GetFileAttributesA((path_ + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(LoadBirthdays(), BirthdayLoad::kLoaded);
  ASSERT_EQ(BirthdayTable.count, 3);
  EXPECT_STREQ(BirthdayTable.records[0].name, "Bert");  // by date: May before December
  EXPECT_EQ(CollectDueBirthdays(), 2);
  EXPECT_STREQ(DueBirthdays().texts[0], "Anna hat Geburtstag");
  EXPECT_STREQ(DueBirthdays().texts[1], "Carla");
  // Names emptied on the page drop their entries; by name, "anna" sorts first.
  Settings.FabianName = 1;
  BirthdayTable.records[0].name[0] = 0;
  ASSERT_TRUE(SaveBirthdayFile());
  ASSERT_EQ(LoadBirthdays(), BirthdayLoad::kLoaded);
  ASSERT_EQ(BirthdayTable.count, 2);
  EXPECT_STREQ(BirthdayTable.records[0].name, "Anna");
}

TEST_F(BirthdayFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  SaveThree();
  ASSERT_EQ(CollectDueBirthdays(), 2);
  const std::vector<uint8_t> before = Bytes(path_);
  HANDLE lock = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(LoadBirthdays(), BirthdayLoad::kFailed);
  EXPECT_EQ(BirthdayTable.count, 0);
  EXPECT_EQ(CollectDueBirthdays(), 2);  // what was due stays due
  CloseHandle(lock);
  Add("Neu", 1, 1);
  EXPECT_FALSE(SaveBirthdayFile());
  EXPECT_EQ(Bytes(path_), before);
}

TEST_F(BirthdayFileTest, ASaveKilledHalfWayLeavesTheOldFileWhole) {
  SaveThree();
  const std::vector<uint8_t> before = Bytes(path_);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  for (const char* at : {"0", "7"}) {  // after the first record, after the last
    SetEnvironmentVariableA("BIRTHDAY_KILL_PATH", path_.c_str());
    SetEnvironmentVariableA("BIRTHDAY_KILL_AT", at);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    SetEnvironmentVariableA("BIRTHDAY_KILL_PATH", nullptr);
    SetEnvironmentVariableA("BIRTHDAY_KILL_AT", nullptr);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    EXPECT_EQ(code, 9u) << at;
    EXPECT_EQ(Bytes(path_), before) << at;
  }
  ASSERT_EQ(LoadBirthdays(), BirthdayLoad::kLoaded);  // a leftover temporary file is no obstacle
  Add("Dora", 2, 2);
  ASSERT_TRUE(SaveBirthdayFile());
  EXPECT_EQ(Bytes(path_).size(), 4 * kBirthdayRecordSize);
}

}  // namespace
