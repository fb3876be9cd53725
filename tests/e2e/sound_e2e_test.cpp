// The sound library as the real program handles it: written into the data
// folder at start-up, loaded from there, and removed when the program ends.
// Runs without a sound device (the program stays silent and keeps running)
// and, for the *WithDevice* case, with a null ALSA device.
#include "tests/e2e/program_driver.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>

#include "services/handles.h"

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kSettingsKey[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";
constexpr DWORD kStartTimeout = 20000;
const char* const kFiles[] = {"BASS.DLL", "~B10.tmp", "~B11.tmp", "~B12.tmp"};

std::string DataFolder() {
  char appData[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData);
  return std::string(appData) + "\\Kestrima\\Waylune Desktop";
}

std::string InData(const char* name) {
  return DataFolder() + "\\" + name;
}

bool Exists(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The process has a module mapped from this file.
bool HasModule(DWORD processId, const std::string& path) {
  const OwnedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
  if (!snapshot) return false;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Module32First(snapshot.get(), &entry); more && !found;
       more = Module32Next(snapshot.get(), &entry))
    found = lstrcmpiA(entry.szExePath, path.c_str()) == 0;
  return found;
}

bool ReadDword(const char* value, DWORD* out) {
  DWORD size = sizeof *out;
  return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, value, RRF_RT_REG_DWORD, nullptr, out, &size) ==
         ERROR_SUCCESS;
}

class SoundE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    hadSound_ = ReadDword("Sound", &savedSound_);
    WriteDword(kSettingsKey, "Sound", 1);
    for (const char* f : kFiles) DeleteFileA(InData(f).c_str());
  }
  void TearDown() override {
    KillStrayInstances();
    if (hadSound_)
      WriteDword(kSettingsKey, "Sound", savedSound_);
    else
      DeleteValue(kSettingsKey, "Sound");
  }

  // Ends the running program the way a user does and waits for it.
  void Exit(Program& program) {
    Program exit("EXIT");
    EXPECT_TRUE(exit.WaitForExit(10000));
    ASSERT_TRUE(program.WaitForExit(kProgramExitTimeout)) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
  }

  bool hadSound_ = false;
  DWORD savedSound_ = 0;
};

TEST_F(SoundE2E, WithDeviceTheLibraryIsWrittenLoadedAndRemovedAtTheEnd) {
  ASSERT_GT(waveOutGetNumDevs(), 0u) << "this run expects a wave-out device";
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), kStartTimeout), nullptr);
  const auto allWritten = [] {
    for (const char* f : kFiles)
      if (!Exists(InData(f))) return false;
    return true;
  };
  ASSERT_TRUE(WaitUntil(allWritten, 10000)) << "in " << DataFolder();
  // The file is written before it is loaded: wait for the load too.
  for (const char* f : kFiles)
    EXPECT_TRUE(WaitUntil([&] { return HasModule(program.id(), InData(f)); }, 10000)) << f;
  Exit(program);
  for (const char* f : kFiles) EXPECT_FALSE(Exists(InData(f))) << f;
}

TEST_F(SoundE2E, NoDeviceTheProgramRunsSilentlyAndLeavesNothingBehind) {
  ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this run expects no audio driver";
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), kStartTimeout), nullptr);
  // The library was written and loaded; the start stopped at the missing
  // device, before the plug-ins.
  ASSERT_TRUE(WaitUntil([] { return Exists(InData("BASS.DLL")); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return HasModule(program.id(), InData("BASS.DLL")); }, 10000));
  EXPECT_FALSE(Exists(InData("~B10.tmp")));
  Sleep(2000);
  EXPECT_TRUE(program.Running());
  Exit(program);
  EXPECT_FALSE(Exists(InData("BASS.DLL")));
}

TEST_F(SoundE2E, WithSoundSwitchedOffTheLibraryStillLoadsAndTheChoiceStaysOff) {
  // Loaded all the same, so the sound page can switch sound on during the
  // run; the user's choice is not overwritten by whether the library loaded.
  WriteDword(kSettingsKey, "Sound", 0);
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), kStartTimeout), nullptr);
  ASSERT_TRUE(WaitUntil([] { return Exists(InData("BASS.DLL")); }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return HasModule(program.id(), InData("BASS.DLL")); }, 10000));
  Exit(program);
  EXPECT_FALSE(Exists(InData("BASS.DLL")));
  DWORD sound = 1;
  ASSERT_TRUE(ReadDword("Sound", &sound));
  EXPECT_EQ(sound, 0u);
}

}  // namespace
}  // namespace e2e
