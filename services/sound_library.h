#pragma once
// Our sound library as the program reaches it: written from the program's
// "DATA" resources into the data folder, loaded by name, and called only
// through a table of its entries. Unloading clears the table first and waits
// for calls in flight, so a thread that outlives shutdown never calls into a
// freed library.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <shared_mutex>

#include "services/builtin_sounds.h"
#include "soundlib/soundlib_api.h"

// The library's entries, resolved by name, and its module.
struct BassApi {
  HMODULE module;
#define BASS_API_POINTER(ret, name, params, bytes) soundlib_fn::name name;
  SOUNDLIB_ENTRIES(BASS_API_POINTER)
#undef BASS_API_POINTER
};

// One call (or a few) into the library. While it lives the library stays
// loaded; it is empty when the library is not loaded. Never hold two on one
// thread: hand the table on to helpers instead.
class BassCall {
 public:
  BassCall();
  BassCall(const BassCall&) = delete;
  BassCall& operator=(const BassCall&) = delete;
  explicit operator bool() const { return api_ != nullptr; }
  const BassApi* operator->() const { return api_; }
  const BassApi& operator*() const { return *api_; }

 private:
  std::shared_lock<std::shared_mutex> lock_;
  const BassApi* api_;
};

// What the library's loader (the main thread, the sound page) and the play
// functions (any thread) share, one word each: the library is ready, how its
// last start went, and the handles into it, cleared by the unload.
struct SoundLibraryState {
  // Loaded, started and its plug-ins in: it may be called. Not the user's
  // wish for sound (the handed settings' Sound): SoundAvailable asks both.
  std::atomic<int> loaded{0};
  // Set while a start has not (yet) succeeded; the sound page tells the user.
  std::atomic<int> startFailed{0};
  // The library's error code when it loaded but would not start (23: no
  // sound device); 0 when it started or was not found. The sound page tells
  // the two apart.
  std::atomic<int> startError{0};
  // The built-in samples (0 when one did not load).
  std::atomic<uint32_t> samples[BUILTIN_SOUND_COUNT] = {};
  // The stream of the countdown alarm or the option pages' test play. The
  // alarm and the test play come from two threads: one at a time (musicLock)
  // keeps the stop of the old stream and the start of the new one together.
  std::atomic<uint32_t> music{0};
  std::mutex musicLock;
  // The last user sound file a figure started.
  std::atomic<uint32_t> figureFile{0};
};
inline SoundLibraryState SoundState;

// Resource numbers ("DATA") of the library and its plug-ins, and the names
// they are written under.
constexpr int kSoundLibraryResource = 3;
constexpr int kSoundPluginResources[] = {10, 11, 12};
constexpr char kSoundLibraryFile[] = "BASS.DLL";
constexpr char kSoundPluginFileFormat[] = "~B%d.tmp";

// The output device the library starts on: the stored choice (SndDevice) or,
// for tests, one given here (0 is the library's "No sound" device, which
// mixes only into SoundLib_Render).
constexpr int kSoundDeviceFromSettings = INT32_MIN;

// LoadBass on a given device: writes the library from `resources` (nullptr:
// the program), loads it, checks its version, starts it on the device and
// loads the plug-ins. Non-zero when all is ready; SoundState.loaded then says so too.
int LoadSoundLibrary(HINSTANCE resources, int device = kSoundDeviceFromSettings);

class SettingsOwner;
struct AppSettings;
// The settings the sound reads (the wish for sound, the volume, the sound
// options, the stored device, which a start on a missing device forgets),
// handed by the shell before the library loads; a test hands its own. While
// none is handed no sound is wanted and the device is the default one.
void HandSoundSettings(SettingsOwner* settings);
// The handed settings, or null.
const AppSettings* SoundSettings();

// The library's device numbers of the usable devices, in list order.
int EnabledSoundDevices(const BassApi& api, int* devices, int capacity);

// Pieces of every play: the user's volume (SNDvolume) as the library's
// factor, whether a channel plays, a sound file's stream that frees itself
// when it ends or is stopped (0 for a file that is not for us), and the start
// of such a stream (one that will not play is freed).
float SoundVolume();
bool ChannelPlaying(const BassApi& bass, uint32_t channel);
uint32_t OpenSoundStream(const BassApi& bass, const char* path);
bool StartSoundStream(const BassApi& bass, uint32_t stream);

// Full paths of the written files (empty while none was written).
const char* SoundLibraryPath();
const char* SoundPluginPath(int index);

// Writes the library and its plug-ins from the "DATA" resources of
// `instance` (nullptr: the program) into the data folder, loads and starts
// them; non-zero when ready, and SoundState.loaded is set to the same.
int LoadBass(HINSTANCE instance);
// Plug-ins only (LoadBass calls it): 1 when all three were found and written.
int LoadBassPlugins(HINSTANCE instance);
// Stops and frees everything and deletes the written files. Guarded: after
// the first call it finds nothing left to do.
void UnloadBass();

// True when instance 0 of the library is loaded, the channel is not 0 and
// it plays (the dog barks only when his last bark has ended).
bool IsBassChannelActive(int instance, uint32_t channel);
// The sound page's device list: the name of the n-th usable output device,
// counted from 0 ("No sound"). The list entry n, `SndDevice` = n and the
// device LoadBass starts on are the same device. 1 when there is one.
int GetSoundDeviceName(char* out, size_t size, int n);
