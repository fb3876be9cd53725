// The program's side of the sound library: writing it and its plug-ins from
// the resources into the data folder, loading it by name, resolving every
// entry, choosing the device, and unloading it so nothing is left behind.
// Runs twice: without a sound device, and (*WithDevice*) with a null one.
#include "services/sound_library.h"

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "services/debug_log.h"
#include "services/file_util.h"
#include "services/sound_test_support.h"
#include "services/settings_test_support.h"

namespace {

using sound_test::Bytes;
using sound_test::FilesIn;
using sound_test::OwnResource;
using sound_test::ReplaceAll;

class SoundLibrary : public sound_test::SoundFixture {
 protected:
  std::vector<std::string> Written() {
    std::vector<std::string> names;
    for (const std::string& f : FilesIn(folder_))
      if (f.rfind("resources", 0) != 0) names.push_back(f);
    std::sort(names.begin(), names.end());
    return names;
  }
  static bool Mapped(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }
  static bool TableLoaded() { return static_cast<bool>(BassCall()); }

  const std::vector<std::string> kAllFiles = {"BASS.DLL", "~B10.tmp", "~B11.tmp", "~B12.tmp"};
};

TEST_F(SoundLibrary, StartsOnTheNoSoundDeviceWithEveryFileWrittenAndUnloadsWithoutATrace) {
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  EXPECT_EQ(SoundState.loaded.load(), 1);
  EXPECT_EQ(SoundState.startFailed.load(), 0);
  EXPECT_EQ(Written(), kAllFiles);
  EXPECT_STREQ(SoundLibraryPath(), InFolder("BASS.DLL").c_str());
  EXPECT_STREQ(SoundPluginPath(2), InFolder("~B12.tmp").c_str());
  EXPECT_TRUE(Mapped(InFolder("BASS.DLL")));
  EXPECT_TRUE(Mapped(InFolder("~B10.tmp")));
  // What was written is what the program carries.
  EXPECT_EQ(std::streamoff(std::ifstream(InFolder("BASS.DLL"), std::ios::binary | std::ios::ate).tellg()),
            std::streamoff(OwnResource(3).size()));
  {
    BassCall bass;
    ASSERT_TRUE(bass);
    EXPECT_EQ(bass->BASS_GetVersion() >> 16, 0x0204u);
  }

  UnloadBass();
  EXPECT_EQ(SoundState.loaded.load(), 0);
  EXPECT_FALSE(TableLoaded());
  EXPECT_TRUE(Written().empty());
  EXPECT_FALSE(Mapped(InFolder("BASS.DLL")));
  EXPECT_FALSE(Mapped(InFolder("~B10.tmp")));
  // A second unload (shutdown after a failed start) finds nothing to do.
  UnloadBass();
  EXPECT_TRUE(Written().empty());
  EXPECT_FALSE(IsBassChannelActive(0, 1));
}

TEST_F(SoundLibrary, ASecondStartReplacesTheFirstAndOverwritesAStaleFile) {
  // A crashed run left a file behind: it is overwritten, not trusted.
  ASSERT_TRUE(WriteFileWhole(InFolder("BASS.DLL").c_str(), "junk", 4));
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  EXPECT_EQ(Written(), kAllFiles);
  UnloadBass();
  EXPECT_TRUE(Written().empty());
}

TEST_F(SoundLibrary, UsesTheTemporaryFolderWhenThereIsNoDataFolder) {
  TestSettings().DataFolder.Set("");
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(std::string(SoundLibraryPath()), std::string(temp) + "BASS.DLL");
  EXPECT_TRUE(FileExists(SoundLibraryPath()));
  UnloadBass();
  EXPECT_FALSE(FileExists((std::string(temp) + "BASS.DLL").c_str()));
  EXPECT_FALSE(FileExists((std::string(temp) + "~B11.tmp").c_str()));
}

TEST_F(SoundLibrary, WithoutTheLibraryResourceNothingIsWrittenOrLoaded) {
  EXPECT_EQ(LoadSoundLibrary(GetModuleHandleA("kernel32.dll"), 0), 0);
  EXPECT_EQ(SoundState.loaded.load(), 0);
  EXPECT_EQ(SoundState.startFailed.load(), 1);
  EXPECT_FALSE(TableLoaded());
  EXPECT_TRUE(Written().empty());
}

TEST_F(SoundLibrary, ALibraryMissingAnEntryOrOfAnotherVersionIsRefusedAndRemovedAtOnce) {
  Bytes missingEntry = OwnResource(3), otherVersion = OwnResource(3);
  // One export renamed; the version word 2.4 made 2.5.
  ASSERT_EQ(ReplaceAll(missingEntry, "BASS_ChannelGetLevel", "BASS_ChannelGetLevex"), 1);
  ASSERT_EQ(ReplaceAll(otherVersion, std::string("\x01\x00\x04\x02", 4), std::string("\x01\x00\x05\x02", 4)),
            1);
  for (const Bytes* library : {&missingEntry, &otherVersion}) {
    auto resources = ProgramResources();
    resources[3] = *library;
    EXPECT_EQ(LoadSoundLibrary(ResourceModule(resources), 0), 0);
    EXPECT_EQ(SoundState.loaded.load(), 0);
    EXPECT_EQ(SoundState.startFailed.load(), 1);
    EXPECT_FALSE(TableLoaded());  // nothing can call through a hole in the table
    EXPECT_FALSE(Mapped(InFolder("BASS.DLL")));
    EXPECT_TRUE(Written().empty());
  }
}

TEST_F(SoundLibrary, ALibraryThatWillNotLoadIsRemovedAtShutdownAndTheLogSaysWhyEachStartFailed) {
  // The only test of this program that opens the debug log (once per run).
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string log =
      std::string(temp) + "waylune_sound_" + std::to_string(GetCurrentProcessId()) + ".log";
  LogStart(nullptr, log.c_str(), 50);
  Bytes missingEntry = OwnResource(3), otherVersion = OwnResource(3);
  ASSERT_EQ(ReplaceAll(missingEntry, "BASS_SetConfig", "BASS_SetConfiX"), 1);
  ASSERT_EQ(ReplaceAll(otherVersion, std::string("\x01\x00\x04\x02", 4), std::string("\x01\x00\x03\x02", 4)),
            1);
  Bytes notALibrary(4096, 0x5A);
  for (const Bytes* library : {&notALibrary, &missingEntry, &otherVersion}) {
    auto resources = ProgramResources();
    resources[3] = *library;
    EXPECT_EQ(LoadSoundLibrary(ResourceModule(resources), 0), 0);
    EXPECT_FALSE(TableLoaded());
    UnloadBass();
    EXPECT_TRUE(Written().empty()) << "nothing is left in the data folder";
  }
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  UnloadBass();
  // A plug-in file that cannot be written: a folder of its name stands there.
  ASSERT_TRUE(CreateDirectoryA(InFolder("~B11.tmp").c_str(), nullptr));
  EXPECT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  UnloadBass();
  RemoveDirectoryA(InFolder("~B11.tmp").c_str());
  LogEnd();

  const std::string text = [&] {
    std::ifstream in(log, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  DeleteFileA(log.c_str());
  // In the order they happened; each start announces itself first.
  size_t at = 0;
  for (const char* line :
       {"Load BASS: 0", "+++ Can't load BASS.DLL", "Load BASS: 0", "+++ BASS.DLL without BASS_SetConfig",
        "Load BASS: 0", "+++ BASS version 2.4 was not loaded", "Load BASS: 0", "Load Plugins", "Load BASS: 0",
        "Load Plugins", "~B11.tmp not written"}) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " missing in:\n" << text;
    ++at;
  }
}

TEST_F(SoundLibrary, AMissingPluginLeavesSoundOffThoughTheLibraryStarted) {
  auto resources = ProgramResources();
  resources.erase(11);
  EXPECT_EQ(LoadSoundLibrary(ResourceModule(resources), 0), 0);
  EXPECT_EQ(SoundState.loaded.load(), 0);
  EXPECT_EQ(SoundState.startFailed.load(), 0);  // the library itself started
  EXPECT_TRUE(TableLoaded());
  // The first plug-in was written and loaded, the later ones not.
  EXPECT_EQ(Written(), (std::vector<std::string>{"BASS.DLL", "~B10.tmp"}));
  UnloadBass();
  EXPECT_TRUE(Written().empty());
}

// A plug-in file that cannot be written (another process holds one open in
// its place, here a plug-in that is not ours to load) is left out; the
// others load.
TEST_F(SoundLibrary, APluginThatCannotBeWrittenIsNotLoadedFromWhatStandsThere) {
  const std::string standing = InFolder("~B10.tmp");
  const Bytes other = OwnResource(11);
  ASSERT_TRUE(WriteFileWhole(standing.c_str(), other.data(), other.size()));
  {
    const OwnedFile held(
        CreateFileA(standing.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(LoadSoundLibrary(nullptr, 0), 1);
    EXPECT_FALSE(Mapped(standing));
    EXPECT_STREQ(SoundPluginPath(0), "");
    EXPECT_TRUE(Mapped(InFolder("~B11.tmp")) && Mapped(InFolder("~B12.tmp")));
    UnloadBass();
  }
  EXPECT_EQ(Written(), (std::vector<std::string>{"~B10.tmp"})) << "only ours are deleted";
  EXPECT_EQ(std::streamoff(std::ifstream(standing, std::ios::binary | std::ios::ate).tellg()),
            std::streamoff(other.size()));
}

TEST_F(SoundLibrary, AThreadStillCallingNeverReachesAFreedLibrary) {
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  std::atomic<bool> stop{false};
  std::atomic<int> callsWhileLoaded{0}, tries{0};
  std::thread caller([&] {
    char name[64];
    while (!stop) {
      IsBassChannelActive(0, 12345);
      if (GetSoundDeviceName(name, sizeof name, 0)) ++callsWhileLoaded;
      ++tries;
    }
  });
  for (const DWORD t = GetTickCount(); callsWhileLoaded < 20 && GetTickCount() - t < 30000;) Sleep(1);
  EXPECT_GE(callsWhileLoaded.load(), 20);
  UnloadBass();
  const int atUnload = callsWhileLoaded;
  // Until the caller has provably tried again, however slow its thread.
  const int triesAtUnload = tries;
  for (const DWORD t = GetTickCount(); tries < triesAtUnload + 20 && GetTickCount() - t < 30000;) Sleep(1);
  EXPECT_GE(tries.load(), triesAtUnload + 20);
  EXPECT_LE(callsWhileLoaded.load(), atUnload + 1) << "a call got through after the unload";
  stop = true;
  caller.join();
}

TEST_F(SoundLibrary, UnloadWaitsForACallInFlight) {
  ASSERT_EQ(LoadSoundLibrary(nullptr, 0), 1);
  std::atomic<int> phase{0};
  std::atomic<bool> loadedAtEnd{false};
  std::thread caller([&] {
    BassCall bass;
    phase = 1;
    Sleep(300);
    loadedAtEnd = bass->BASS_GetVersion() >> 16 == 0x0204;
  });
  for (const DWORD t = GetTickCount(); phase == 0 && GetTickCount() - t < 30000;) Sleep(1);
  UnloadBass();
  // Set inside the call: had the unload not waited, it would still be unset.
  EXPECT_TRUE(loadedAtEnd);
  caller.join();
  EXPECT_TRUE(Written().empty());
}

TEST_F(SoundLibrary, CallsWithoutALoadedLibraryDoNothing) {
  char name[32] = "unchanged";
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, 0), 0);
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(IsBassChannelActive(0, 1));
  EXPECT_EQ(LoadBassPlugins(nullptr), 0);
  EXPECT_TRUE(Written().empty());
}

// ---- without a sound device (Wine's audio drivers off) ---------------------------

TEST_F(SoundLibrary, NoDeviceTheStartFailsAndTheProgramStaysSilent) {
  ASSERT_EQ(waveOutGetNumDevs(), 0u) << "this run expects no audio driver";
  StoreInt("SndDevice", 1);
  EXPECT_EQ(LoadSoundLibrary(nullptr), 0);
  EXPECT_EQ(SoundState.loaded.load(), 0);
  EXPECT_EQ(SoundState.startFailed.load(), 1);
  EXPECT_EQ(TestSettings().SndDevice, -1);  // there is no device 1
  EXPECT_EQ(TestSettings().Sound, 1) << "the user's choice is not overwritten by the failed start";
  // The library stays loaded until shutdown, so the sound page can list
  // what there is: only "No sound".
  char name[64];
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, 0), 1);
  EXPECT_STREQ(name, "No sound");
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, 1), 0);
  EXPECT_EQ(Written(), (std::vector<std::string>{"BASS.DLL"}));
  UnloadBass();
  EXPECT_TRUE(Written().empty());
}

// ---- with a device (a null ALSA device under Wine) ---------------------------

class SoundLibraryWithDevice : public SoundLibrary {
 protected:
  void SetUp() override {
    SoundLibrary::SetUp();
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "this run expects a wave-out device";
  }
  // The library's device the start chose.
  static int InitialisedDevice() {
    BassCall bass;
    for (uint32_t d = 0; d < 16; ++d) {
      SlDeviceInfo info{};
      if (!bass->BASS_GetDeviceInfo(d, &info)) break;
      if (info.flags & SL_DEVICE_INIT) return static_cast<int>(d);
    }
    return -1;
  }
};

TEST_F(SoundLibraryWithDevice, TheStoredDeviceIsTheOneTheListShows) {
  StoreInt("SndDevice", 1);
  ASSERT_EQ(LoadSoundLibrary(nullptr), 1);
  EXPECT_EQ(TestSettings().SndDevice, 1);
  EXPECT_EQ(InitialisedDevice(), 1);
  char name[64], listed[64];
  ASSERT_EQ(GetSoundDeviceName(listed, sizeof listed, 1), 1);
  EXPECT_GT(std::strlen(listed), 2u);
  {
    BassCall bass;
    SlDeviceInfo info{};
    ASSERT_TRUE(bass->BASS_GetDeviceInfo(static_cast<uint32_t>(InitialisedDevice()), &info));
    lstrcpynA(name, info.name, sizeof name);
  }
  EXPECT_STREQ(name, listed);
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, 0), 1);
  EXPECT_STREQ(name, "No sound");
  const int count = static_cast<int>(waveOutGetNumDevs()) + 1;
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, count), 0);
  EXPECT_EQ(GetSoundDeviceName(name, sizeof name, -1), 0);
  // A name longer than the buffer is cut, never overrun.
  char tiny[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(GetSoundDeviceName(tiny, 3, 0), 1);
  EXPECT_STREQ(tiny, "No");
  EXPECT_EQ(tiny[3], 'x');
}

TEST_F(SoundLibraryWithDevice, AStoredChoiceOfNoneOrPastTheListUsesTheDefaultDevice) {
  for (int stored : {0, -7, static_cast<int>(waveOutGetNumDevs()) + 1, 30}) {
    SCOPED_TRACE(stored);
    StoreInt("SndDevice", stored);
    ASSERT_EQ(LoadSoundLibrary(nullptr), 1);
    EXPECT_EQ(TestSettings().SndDevice, -1);
    EXPECT_GE(InitialisedDevice(), 1) << "the system's default is a real device, not \"No sound\"";
    UnloadBass();
  }
  // Nothing stored at all: the default as well.
  SHDeleteKeyA(root_, SETTINGS_KEY);
  ASSERT_EQ(LoadSoundLibrary(nullptr), 1);
  EXPECT_EQ(TestSettings().SndDevice, -1);
}

}  // namespace
