// The settings owner the shell hands to the objects: each writer changes
// its own values in the settings it was made over, and saves those alone.
#include "services/settings_owner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <shlwapi.h>

#include "services/handles.h"

namespace {

class SettingsOwnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(rootPath_, sizeof rootPath_, "Software\\WayluneTests\\settings_owner_%lu_%lu",
                  GetCurrentProcessId(), GetTickCount());
    root_ = CreateRegistryKey(HKEY_CURRENT_USER, rootPath_, KEY_ALL_ACCESS);
    ASSERT_TRUE(root_);
    rootGuard_.emplace(root_.get());
  }
  void TearDown() override {
    rootGuard_.reset();
    root_.reset();
    SHDeleteKeyA(HKEY_CURRENT_USER, rootPath_);
  }
  // A value as the savers left it: "<missing>" when none wrote it.
  std::string Stored(const char* name) {
    char data[512] = {};
    DWORD kind = 0, size = sizeof data - 1;
    if (SHGetValueA(root_.get(), SETTINGS_KEY, name, &kind, data, &size) != ERROR_SUCCESS) return "<missing>";
    if (kind == REG_DWORD) return std::to_string(*reinterpret_cast<const int*>(data));
    return data;
  }
  // Every value a writer may leave, as stored.
  std::vector<std::string> AllStored() {
    std::vector<std::string> values;
    for (const char* name : kNames) values.push_back(Stored(name));
    return values;
  }
  static constexpr const char* kNames[] = {
      "ClockPos",         "CountdownPos",       "WeatherX",  "BillboardX",
      "CountdownShowMsg", "CountdownPlaySound", "Billboard", "Speed"};

  char rootPath_[128] = {};
  OwnedKey root_;
  std::optional<ScopedSettingsRoot> rootGuard_;
};

std::vector<int> Values(const SettingList<8>& list) {
  return std::vector<int>(list.begin(), list.end());
}

// Each writer against two owners side by side: only its own owner's settings
// change, exactly the values it names, and only those reach the registry.
TEST_F(SettingsOwnerTest, EachWriterChangesAndSavesItsOwnValuesAlone) {
  const std::string missing = "<missing>";
  const struct {
    const char* name;
    std::function<void(SettingsOwner&)> write;
    // What the written owner's settings then read.
    std::function<bool(const AppSettings&)> written;
    // Stored afterwards, by kNames; missing where nothing was saved.
    std::vector<std::string> stored;
  } rows[] = {
      {"clock dragged",
       [](SettingsOwner& o) { EXPECT_TRUE(o.StoreClockPosition(2, 300, -40)); },
       [](const AppSettings& s) {
         return Values(s.ClockPos) == std::vector<int>{1, 2, 300, -40, 5, 6, 7, 8};
       },
       {"1,2,300,-40,5,6,7,8", missing, missing, missing, missing, missing, missing, missing}},
      {"clock's last pair",
       [](SettingsOwner& o) { EXPECT_TRUE(o.StoreClockPosition(6, 9, 10)); },
       [](const AppSettings& s) { return Values(s.ClockPos) == std::vector<int>{1, 2, 3, 4, 5, 6, 9, 10}; },
       {"1,2,3,4,5,6,9,10", missing, missing, missing, missing, missing, missing, missing}},
      {"countdown dragged",
       [](SettingsOwner& o) { EXPECT_TRUE(o.StoreCountdownPosition(0, 640, 480)); },
       [](const AppSettings& s) {
         return Values(s.CountdownPos) == std::vector<int>{640, 480, 3, 4, 5, 6, 7, 8};
       },
       {missing, "640,480,3,4,5,6,7,8", missing, missing, missing, missing, missing, missing}},
      {"sign dragged",
       [](SettingsOwner& o) { o.StoreWeatherX(777); },
       [](const AppSettings& s) { return s.WeatherX == 777; },
       {missing, missing, "777", missing, missing, missing, missing, missing}},
      {"wall dragged",
       [](SettingsOwner& o) { o.StoreBillboardX(812); },
       [](const AppSettings& s) { return s.BillboardX == 812; },
       {missing, missing, missing, "812", missing, missing, missing, missing}},
      {"wall moved by a relayout: saved with its next drag",
       [](SettingsOwner& o) { o.MoveBillboardX(90); },
       [](const AppSettings& s) { return s.BillboardX == 90; },
       {missing, missing, missing, missing, missing, missing, missing, missing}},
      {"wall switched off for this run",
       [](SettingsOwner& o) { o.SwitchBillboardOff(); },
       [](const AppSettings& s) { return s.Billboard == 0; },
       {missing, missing, missing, missing, missing, missing, missing, missing}},
      {"countdown's message shown",
       [](SettingsOwner& o) { o.CountdownTargetDone(true, false); },
       [](const AppSettings& s) { return s.CountdownShowMsg == 0 && s.CountdownPlaySound == 1; },
       {missing, "1,2,3,4,5,6,7,8", missing, missing, "0", "1", missing, missing}},
      {"countdown's sound played",
       [](SettingsOwner& o) { o.CountdownTargetDone(false, true); },
       [](const AppSettings& s) { return s.CountdownShowMsg == 1 && s.CountdownPlaySound == 0; },
       {missing, "1,2,3,4,5,6,7,8", missing, missing, "1", "0", missing, missing}},
      {"countdown's both",
       [](SettingsOwner& o) { o.CountdownTargetDone(true, true); },
       [](const AppSettings& s) { return s.CountdownShowMsg == 0 && s.CountdownPlaySound == 0; },
       {missing, "1,2,3,4,5,6,7,8", missing, missing, "0", "0", missing, missing}},
      {"countdown's neither: nothing saved",
       [](SettingsOwner& o) { o.CountdownTargetDone(false, false); },
       [](const AppSettings& s) { return s.CountdownShowMsg == 1 && s.CountdownPlaySound == 1; },
       {missing, missing, missing, missing, missing, missing, missing, missing}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    AppSettings mine, theirs;
    for (AppSettings* s : {&mine, &theirs}) {
      for (int i = 0; i < 8; ++i) {
        s->ClockPos[i] = i + 1;
        s->CountdownPos[i] = i + 1;
      }
      s->WeatherX = 11;
      s->BillboardX = 22;
      s->Billboard = 1;
      s->CountdownShowMsg = 1;
      s->CountdownPlaySound = 1;
    }
    SettingsOwner owner(mine), other(theirs);
    EXPECT_EQ(&owner.Read(), &mine);
    row.write(owner);
    EXPECT_TRUE(row.written(mine));
    EXPECT_EQ(AllStored(), row.stored);
    // The other owner's settings are as they were.
    EXPECT_EQ(Values(theirs.ClockPos), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Values(theirs.CountdownPos), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(theirs.WeatherX + theirs.BillboardX + theirs.Billboard + theirs.CountdownShowMsg +
                  theirs.CountdownPlaySound,
              11 + 22 + 3);
  }
}

// A face's entry is the first of its two: an entry without a second after
// it (or before the list) writes and saves nothing.
TEST_F(SettingsOwnerTest, PositionEntriesOutsideTheListAreRefused) {
  AppSettings settings;
  for (int i = 0; i < 8; ++i) {
    settings.ClockPos[i] = i + 1;
    settings.CountdownPos[i] = i + 1;
  }
  SettingsOwner owner(settings);
  for (int entry : {-2, -1, 7, 8, 1 << 30}) {
    SCOPED_TRACE(entry);
    EXPECT_FALSE(owner.StoreClockPosition(entry, 5, 5));
    EXPECT_FALSE(owner.StoreCountdownPosition(entry, 5, 5));
  }
  EXPECT_EQ(Values(settings.ClockPos), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Values(settings.CountdownPos), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Stored("ClockPos"), "<missing>");
  EXPECT_EQ(Stored("CountdownPos"), "<missing>");
}

// The sheet's and the sound library's writers: each changes only its own
// owner's settings, the values it names, and stores only what it says.
TEST_F(SettingsOwnerTest, TheSheetsAndTheSoundLibrarysWritersKeepToTheirOwnersSettings) {
  const std::string missing = "<missing>";
  auto writeDword = [this](const char* name, DWORD value) {
    ASSERT_EQ(SHSetValueA(root_.get(), SETTINGS_KEY, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
  };
  const struct {
    const char* name;
    std::function<void()> before;  // what the registry holds first
    std::function<void(SettingsOwner&)> write;
    std::function<bool(const AppSettings&)> written;
    bool checkChanged;                 // a load also fills the regional values and folders
    std::vector<std::string> changed;  // rows of the written owner's settings
    std::vector<std::pair<const char*, std::string>> stored;
  } rows[] = {
      {"the sheet opens: the key read again",
       [&] { writeDword("Speed", 77); },
       [](SettingsOwner& o) { o.Load(); },
       [](const AppSettings& s) { return s.Speed == 77 && s.Clock == 1 && s.SndDevice == -1; },
       false,
       {},
       {{"Speed", "77"}}},
      {"a page commits: its rows alone, nothing stored",
       [] {},
       [](SettingsOwner& o) {
         AppSettings copy;
         copy.Clock = 3;
         copy.ClockOnTop = 1;
         copy.Speed = 99;  // another page's row
         o.CommitPage(copy, SettingPage::kClock);
       },
       [](const AppSettings& s) { return s.Clock == 3 && s.ClockOnTop == 1 && s.Speed == 50; },
       true,
       {"Clock", "ClockOnTop"},
       {{"Clock", missing}, {"Speed", missing}}},
      {"a preview shown: that row alone, nothing stored",
       [] {},
       [](SettingsOwner& o) { o.ShowValue(*FindSettingRow("SNDvolume"), "250"); },
       [](const AppSettings& s) { return s.SNDvolume == 250; },
       true,
       {"SNDvolume"},
       {{"SNDvolume", missing}}},
      {"the committed saved: the groups named, from the committed settings",
       [] {},
       [](SettingsOwner& o) {
         AppSettings committed;
         committed.Clock = 4;
         o.SaveCommitted(kGroupClock, committed);
       },
       [](const AppSettings& s) { return s.Clock == 1; },
       true,
       {},
       {{"Clock", "4"}, {"Speed", missing}}},
      {"the sound library's start reads the device",
       [&] { writeDword("SndDevice", 2); },
       [](SettingsOwner& o) { o.LoadSoundDevice(); },
       [](const AppSettings& s) { return s.SndDevice == 2; },
       true,
       {"SndDevice"},
       {{"SndDevice", "2"}}},
      {"a missing device forgotten, not stored",
       [] {},
       [](SettingsOwner& o) { o.ForgetSoundDevice(); },
       [](const AppSettings& s) { return s.SndDevice == -1; },
       true,
       {"SndDevice"},
       {{"SndDevice", missing}}},
  };
  auto rowsOf = [](const AppSettings& s) {
    std::vector<std::string> values;
    for (const SettingRow& r : SettingRows()) values.push_back(r.field->get(s));
    return values;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    row.before();
    AppSettings mine, theirs;
    mine.SndDevice = 5;
    theirs.SndDevice = 5;
    const std::vector<std::string> start = rowsOf(mine);
    SettingsOwner owner(mine), other(theirs);
    row.write(owner);
    EXPECT_TRUE(row.written(mine));
    if (row.checkChanged) {
      std::vector<std::string> changed;
      const std::vector<std::string> now = rowsOf(mine);
      size_t i = 0;
      for (const SettingRow& r : SettingRows()) {
        if (now[i] != start[i]) changed.push_back(r.name);
        ++i;
      }
      EXPECT_EQ(changed, row.changed);
    }
    for (const auto& [name, value] : row.stored) EXPECT_EQ(Stored(name), value) << name;
    EXPECT_EQ(rowsOf(theirs), start) << "the other owner's settings are as they were";
  }
}

}  // namespace
