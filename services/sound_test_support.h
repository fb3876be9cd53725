#pragma once
// Shared by the sound tests: a private registry key and data folder per
// test, the program's own resources (the tests carry them), and modules
// with resources made to order (UpdateResource on a copy of a small DLL).

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "services/handles.h"
#include "services/file_util.h"
#include "services/settings.h"
#include "services/sound_library.h"
#include "services/settings_test_support.h"

namespace sound_test {

using Bytes = std::vector<uint8_t>;

inline std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const OwnedFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search.get(), &found));
  return names;
}

inline Bytes OwnResource(int id) {
  HRSRC r = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "DATA");
  if (!r) return {};
  const auto* p = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, r)));
  return Bytes(p, p + SizeofResource(nullptr, r));
}

inline int ReplaceAll(Bytes& data, const std::string& from, const std::string& to) {
  int count = 0;
  for (size_t i = 0; i + from.size() <= data.size(); ++i) {
    if (std::memcmp(data.data() + i, from.data(), from.size()) != 0) continue;
    std::memcpy(data.data() + i, to.data(), to.size());
    ++count;
  }
  return count;
}

// Every test gets its own settings key, its own data folder and a clean
// library state; whatever it loaded is unloaded afterwards.
class SoundFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    static int serial = 0;
    ++serial;
    std::snprintf(rootPath_, sizeof rootPath_, "Software\\WayluneTests\\sound_%lu_%d", GetCurrentProcessId(),
                  serial);
    rootOwner_ = CreateRegistryKey(HKEY_CURRENT_USER, rootPath_, KEY_ALL_ACCESS);
    ASSERT_TRUE(rootOwner_);
    root_ = rootOwner_.get();
    rootGuard_.emplace(root_);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "waylune_sound_" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(serial);
    CreateDirectoryA(folder_.c_str(), nullptr);
    savedDataFolder_ = TestSettings().DataFolder.Get();
    TestSettings().DataFolder.Set(folder_.c_str());
    HandSoundSettings(&TestSettingsOwner());
    TestSettings().Sound = 1;
    TestSettings().SNDvolume = 1000;
    for (auto& option : TestSettings().SoundOpt) option = 1;
  }

  void TearDown() override {
    UnloadBass();
    modules_.clear();
    for (const std::string& f : FilesIn(folder_)) DeleteFileA((folder_ + "\\" + f).c_str());
    RemoveDirectoryA(folder_.c_str());
    TestSettings().DataFolder.Set(savedDataFolder_.c_str());
    rootGuard_.reset();
    root_ = nullptr;
    rootOwner_.reset();
    SHDeleteKeyA(HKEY_CURRENT_USER, rootPath_);
  }

  void StoreInt(const char* name, int value) {
    ASSERT_EQ(SHSetValueA(root_, SETTINGS_KEY, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
  }

  std::string InFolder(const char* name) const { return folder_ + "\\" + name; }

  // A data-only module carrying exactly the given "DATA" resources.
  HMODULE ResourceModule(const std::map<int, Bytes>& resources) {
    const std::string path = InFolder(("resources" + std::to_string(modules_.size()) + ".dll").c_str());
    const Bytes base = OwnResource(12);  // a small DLL of ours to carry them
    EXPECT_TRUE(WriteFileWhole(path.c_str(), base.data(), base.size()));
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    for (const auto& [id, data] : resources)
      EXPECT_TRUE(UpdateResourceA(update, "DATA", MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                  const_cast<uint8_t*>(data.data()), static_cast<DWORD>(data.size())));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
    modules_.emplace_back(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    EXPECT_TRUE(modules_.back());
    return modules_.back().get();
  }

  // The program's library and plug-ins, as the program carries them.
  static std::map<int, Bytes> ProgramResources() {
    return {{3, OwnResource(3)}, {10, OwnResource(10)}, {11, OwnResource(11)}, {12, OwnResource(12)}};
  }

  std::string folder_;
  std::string savedDataFolder_;
  char rootPath_[128] = {};
  OwnedKey rootOwner_;
  HKEY root_ = nullptr;  // rootOwner_'s
  std::optional<ScopedSettingsRoot> rootGuard_;
  std::vector<OwnedLibrary> modules_;
};

}  // namespace sound_test
