#include "services/sound_library.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "services/debug_log.h"
#include "services/file_util.h"
#include "services/handles.h"
#include "services/portable/sound_math.h"
#include "services/resource_bytes.h"
#include "services/settings.h"
#include "services/settings_owner.h"

namespace {

constexpr uint32_t kMixRate = 44100;
constexpr int kMaxListedDevices = 64;
constexpr int kPluginCount = static_cast<int>(std::size(kSoundPluginResources));

// The library as this process has it loaded: one, as a module loaded by
// name is the process's and the library keeps its device per process. It
// lives as long as the process (never destroyed: a thread that outlives
// shutdown still finds the emptied table and its lock).
struct LoadedLibrary {
  // Start and unload (main thread; tests call them in turn).
  std::mutex life;
  std::atomic<SettingsOwner*> settings{nullptr};
  // The table: shared by every call in flight, exclusive while it changes.
  std::shared_mutex tableLock;
  BassApi table{};
  // Where the files go, and the files written.
  char folder[MAX_PATH] = {};
  char libraryPath[MAX_PATH] = {};
  char pluginPaths[kPluginCount][MAX_PATH] = {};
  SlHandle plugins[kPluginCount] = {};
};

LoadedLibrary& Library() {
  static LoadedLibrary* const library = new LoadedLibrary;
  return *library;
}

// A "DATA" resource written whole to `path` (into "<path>.part", then
// renamed). Its bytes go through pages given back at once, read from the
// program's file, so the resource's pages are not left mapped.
bool WriteDataResource(HINSTANCE module, int id, const char* path) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "DATA");
  const DWORD size = found ? SizeofResource(module, found) : 0;
  if (!size) return false;
  const ScratchPages copy(size);
  return copy.get() && ReadResourceBytes(module, found, 0, copy.get(), size) &&
         WriteFileWhole(path, copy.get(), size);
}

// The handed settings' data folder, or the temporary folder when none is
// known; with a trailing backslash.
bool ChooseFolder() {
  const SettingsOwner* settings = Library().settings.load();
  const std::string data = settings ? settings->Read().DataFolder.Get() : std::string();
  if (data.size() >= 3) {
    lstrcpynA(Library().folder, data.c_str(), MAX_PATH);
  } else {
    const DWORD n = GetTempPathA(MAX_PATH, Library().folder);
    if (n == 0 || n >= MAX_PATH) return false;
  }
  const size_t length = std::strlen(Library().folder);
  if (Library().folder[length - 1] != '\\') {
    if (length + 1 >= MAX_PATH) return false;
    Library().folder[length] = '\\';
    Library().folder[length + 1] = 0;
  }
  return true;
}

bool JoinFolder(const char* name, char (&out)[MAX_PATH]) {
  const int n = std::snprintf(out, MAX_PATH, "%s%s", Library().folder, name);
  if (n < 0 || n >= MAX_PATH) {
    out[0] = 0;
    return false;
  }
  return true;
}

// Null when every entry was found, else the name of the first missing one.
const char* ResolveBassApi(BassApi& api) {
#define BASS_API_RESOLVE(ret, name, params, bytes)                                                     \
  api.name =                                                                                           \
      reinterpret_cast<soundlib_fn::name>(reinterpret_cast<void*>(GetProcAddress(api.module, #name))); \
  if (!api.name) return #name;
  SOUNDLIB_ENTRIES(BASS_API_RESOLVE)
#undef BASS_API_RESOLVE
  return nullptr;
}

void Publish(const BassApi& api) {
  std::unique_lock<std::shared_mutex> lock(Library().tableLock);
  Library().table = api;
}

int LoadPlugins(const BassApi& api, HINSTANCE resources) {
  WriteLogLine("Load Plugins");
  for (int i = 0; i < kPluginCount; ++i) {
    if (!FindResourceA(resources, MAKEINTRESOURCEA(kSoundPluginResources[i]), "DATA")) return 0;
    char name[16];
    std::snprintf(name, sizeof name, kSoundPluginFileFormat, kSoundPluginResources[i]);
    if (!JoinFolder(name, Library().pluginPaths[i])) return 0;
    // Whatever stands where the write failed is not ours: never loaded, nor deleted.
    if (!WriteDataResource(resources, kSoundPluginResources[i], Library().pluginPaths[i])) {
      WriteLogLine("+++ Plugin %s not written", Library().pluginPaths[i]);
      Library().pluginPaths[i][0] = 0;
      continue;
    }
    Library().plugins[i] = api.BASS_PluginLoad(Library().pluginPaths[i], 0);
    // A plug-in less is no reason to stay silent: its formats are refused.
    if (!Library().plugins[i])
      WriteLogLine("+++ Plugin %s not loaded (error %d)", Library().pluginPaths[i], api.BASS_ErrorGetCode());
  }
  return 1;
}

void DeleteIfPresent(char (&path)[MAX_PATH]) {
  if (path[0] && FileExists(path)) DeleteFileA(path);
}

void UnloadLocked() {
  SoundState.loaded.store(0, std::memory_order_relaxed);
  // First the table, waiting for calls in flight: from here on no thread
  // can reach the library through us.
  BassApi api;
  {
    std::unique_lock<std::shared_mutex> lock(Library().tableLock);
    api = Library().table;
    Library().table = BassApi{};
  }
  for (auto& sample : SoundState.samples) sample.store(0, std::memory_order_relaxed);
  SoundState.music.store(0, std::memory_order_relaxed);
  SoundState.figureFile.store(0, std::memory_order_relaxed);

  if (api.module) api.BASS_Stop();
  bool anyPlugin = false;
  for (SlHandle& plugin : Library().plugins) {
    anyPlugin = anyPlugin || plugin;
    plugin = 0;
  }
  if (api.module && anyPlugin) api.BASS_PluginFree(0);
  for (auto& path : Library().pluginPaths) DeleteIfPresent(path);
  if (api.module) {
    api.BASS_Free();
    const OwnedLibrary unloaded(api.module);
  }
  DeleteIfPresent(Library().libraryPath);
}

}  // namespace

BassCall::BassCall()
    : lock_(Library().tableLock), api_(Library().table.module ? &Library().table : nullptr) {}

int EnabledSoundDevices(const BassApi& api, int* devices, int capacity) {
  int count = 0;
  for (int device = 0; device < 256 && count < capacity; ++device) {
    SlDeviceInfo info{};
    if (!api.BASS_GetDeviceInfo(static_cast<uint32_t>(device), &info)) break;
    if ((info.flags & SL_DEVICE_ENABLED) && info.name && strnlen(info.name, 3) > 2) devices[count++] = device;
  }
  return count;
}

int LoadSoundLibrary(HINSTANCE resources, int device) {
  std::lock_guard<std::mutex> life(Library().life);
  WriteLogLine("Load BASS: %d", 0);
  SoundState.startFailed.store(1, std::memory_order_relaxed);
  SoundState.startError.store(0, std::memory_order_relaxed);
  UnloadLocked();  // a new start replaces an earlier one

  if (!FindResourceA(resources, MAKEINTRESOURCEA(kSoundLibraryResource), "DATA") || !ChooseFolder() ||
      !JoinFolder(kSoundLibraryFile, Library().libraryPath))
    return 0;
  OwnedLibrary module;
  if (WriteDataResource(resources, kSoundLibraryResource, Library().libraryPath))
    module.reset(LoadLibraryA(Library().libraryPath));
  if (!module) {
    WriteLogLine("+++ Can't load BASS.DLL");
    return 0;
  }
  BassApi api{};
  api.module = module.get();
  if (const char* missing = ResolveBassApi(api)) {
    // Never call through a hole in the table.
    WriteLogLine("+++ BASS.DLL without %s", missing);
    module.reset();
    DeleteIfPresent(Library().libraryPath);
    return 0;
  }
  module.release();  // the table's from here; UnloadLocked frees it
  Publish(api);

  if ((api.BASS_GetVersion() >> 16) != kSoundLibInterface) {
    WriteLogLine("+++ BASS version 2.4 was not loaded");
    UnloadLocked();
    return 0;
  }

  if (device == kSoundDeviceFromSettings) {
    SettingsOwner* settings = Library().settings.load();
    if (settings) settings->LoadSoundDevice();
    int devices[kMaxListedDevices];
    const int count = EnabledSoundDevices(api, devices, kMaxListedDevices);
    const SoundDeviceChoice choice =
        ChooseSoundDevice(settings ? settings->Read().SndDevice.Get() : -1,
                          std::span<const int>(devices, static_cast<size_t>(count)));
    if (choice.resetSetting && settings) settings->ForgetSoundDevice();
    device = choice.libraryDevice;
  }
  if (!api.BASS_Init(device, kMixRate, 0, nullptr, nullptr)) {
    const int error = api.BASS_ErrorGetCode();
    WriteLogLine("+++ BASS_Init(%d): error %d", device, error);
    SoundState.startError.store(error, std::memory_order_relaxed);
    return 0;
  }
  if (!api.BASS_Start()) {
    const int error = api.BASS_ErrorGetCode();
    WriteLogLine("+++ BASS_Start: error %d", error);
    SoundState.startError.store(error, std::memory_order_relaxed);
    return 0;
  }
  SoundState.startFailed.store(0, std::memory_order_relaxed);
  const int ready = LoadPlugins(api, resources);
  SoundState.loaded.store(ready, std::memory_order_relaxed);
  return ready;
}

int LoadBassPlugins(HINSTANCE resources) {
  BassCall bass;
  return bass ? LoadPlugins(*bass, resources) : 0;
}

int LoadBass(HINSTANCE instance) {
  return LoadSoundLibrary(instance);
}

void UnloadBass() {
  std::lock_guard<std::mutex> life(Library().life);
  UnloadLocked();
  SoundState.startError.store(0, std::memory_order_relaxed);
}

int GetSoundDeviceName(char* out, size_t size, int n) {
  if (out && size) out[0] = 0;
  BassCall bass;
  if (!bass || !out || size == 0 || n < 0) return 0;
  int devices[kMaxListedDevices];
  const int count = EnabledSoundDevices(*bass, devices, kMaxListedDevices);
  SlDeviceInfo info{};
  if (n >= count || !bass->BASS_GetDeviceInfo(static_cast<uint32_t>(devices[n]), &info) || !info.name)
    return 0;
  lstrcpynA(out, info.name, static_cast<int>(size < 0x7FFFFFFF ? size : 0x7FFFFFFF));
  return 1;
}

bool IsBassChannelActive(int instance, uint32_t channel) {
  if (instance != 0 || channel == 0) return false;
  BassCall bass;
  return bass && bass->BASS_ChannelIsActive(channel) == SL_ACTIVE_PLAYING;
}

const char* SoundLibraryPath() {
  return Library().libraryPath;
}

const char* SoundPluginPath(int index) {
  return index >= 0 && index < kPluginCount ? Library().pluginPaths[index] : "";
}

void HandSoundSettings(SettingsOwner* settings) {
  Library().settings.store(settings);
}

const AppSettings* SoundSettings() {
  const SettingsOwner* settings = Library().settings.load();
  return settings ? &settings->Read() : nullptr;
}

float SoundVolume() {
  const AppSettings* settings = SoundSettings();
  return VolumeFactor(settings ? settings->SNDvolume.Get() : 0);
}

bool ChannelPlaying(const BassApi& bass, uint32_t channel) {
  return channel && bass.BASS_ChannelIsActive(channel) == SL_ACTIVE_PLAYING;
}

// A file that will not play stays silent, but the log tells which and why.
uint32_t OpenSoundStream(const BassApi& bass, const char* path) {
  const uint32_t stream = bass.BASS_StreamCreateFile(FALSE, path, 0, 0, SL_STREAM_AUTOFREE);
  if (!stream) {
    const int error = bass.BASS_ErrorGetCode();
    WriteLogLine("+++ Can't play sound file %s: %s (error %d)", path, SoundFileErrorText(error), error);
  }
  return stream;
}

bool StartSoundStream(const BassApi& bass, uint32_t stream) {
  if (bass.BASS_ChannelPlay(stream, FALSE)) return true;
  WriteLogLine("+++ Sound stream %u not started (error %d)", stream, bass.BASS_ErrorGetCode());
  bass.BASS_StreamFree(stream);
  return false;
}
