// Our sound library: the entries the program resolves by name from the DLL it
// writes out and loads at run time. One list (SOUNDLIB_ENTRIES) serves the DLL,
// which defines them, the program's loader, which types its pointers with
// soundlib_fn::NAME, and the tests, which check names and argument sizes.
//
// Calling convention on 32-bit Windows: stdcall (the callee removes its
// arguments), undecorated names. 64-bit values stay 64-bit on the stack and
// come back in EDX:EAX; floats are passed as 4-byte stack values.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define SL_CALL __stdcall
#else
#define SL_CALL
#endif

using SlBool = int32_t;
using SlHandle = uint32_t;  // sample, channel, stream, plug-in or sync; 0 is never valid

// Version word: high 16 bits are the interface version (2.4), low 16 our build.
inline constexpr uint32_t kSoundLibVersion = 0x02040001u;
inline constexpr uint32_t kSoundLibInterface = 0x0204u;

// Error codes returned by BASS_ErrorGetCode (per thread, set by every entry).
// For a sound that cannot be played: FILEOPEN (not found or unreadable),
// FILEFORM (no decoder knows the content), FORMAT (a known kind in a variant
// we do not decode), DAMAGED (a known kind, but broken before any sound),
// INSTRUMENTS (a MIDI file, but no instrument set was found), MEM (a sample
// too long to hold decoded).
enum : int32_t {
  SL_OK = 0,
  SL_ERROR_MEM = 1,           // out of memory, or data too large to hold
  SL_ERROR_FILEOPEN = 2,      // file could not be opened or read
  SL_ERROR_DRIVER = 3,        // the output device could not be opened
  SL_ERROR_HANDLE = 5,        // not a valid handle (or one of another kind)
  SL_ERROR_FORMAT = 6,        // a kind of sound data we do not decode (channels, rate, codec)
  SL_ERROR_POSITION = 7,      // offset or position beyond the data
  SL_ERROR_INIT = 8,          // BASS_Init has not succeeded
  SL_ERROR_START = 9,         // output stopped by BASS_Stop
  SL_ERROR_ALREADY = 14,      // already initialised / plug-in already loaded
  SL_ERROR_NOCHAN = 18,       // sample has no free channel and may not override
  SL_ERROR_ILLTYPE = 19,      // unknown attribute or sync type
  SL_ERROR_ILLPARAM = 20,     // bad parameter
  SL_ERROR_DEVICE = 23,       // no such device
  SL_ERROR_NOTAVAIL = 37,     // operation not available here
  SL_ERROR_FILEFORM = 41,     // not a file the library can read
  SL_ERROR_VERSION = 43,      // plug-in of another interface version
  SL_ERROR_DAMAGED = 44,      // a kind we know, damaged before its first sound
  SL_ERROR_INSTRUMENTS = 48,  // MIDI: no instrument set to render it with
  SL_ERROR_UNKNOWN = -1,
};

// BASS_GetDeviceInfo flags. Device 0 is "No sound" (renders only into
// SoundLib_Render); devices 1..n are the system's wave-out devices 0..n-1.
// Every listed device is enabled and has a name of at least 3 characters, so
// "the n-th enabled device" and "device n" are the same number.
enum : uint32_t {
  SL_DEVICE_ENABLED = 1,
  SL_DEVICE_DEFAULT = 2,
  SL_DEVICE_INIT = 4,
};

// Sample, stream and channel flags.
enum : uint32_t {
  SL_SAMPLE_LOOP = 0x4,
  SL_SAMPLE_OVER_VOL = 0x10000,  // all channels busy: take over the quietest
  SL_SAMPLE_OVER_POS = 0x20000,  // all channels busy: take over the one furthest on
  SL_STREAM_AUTOFREE = 0x40000,  // stream frees itself when it ends or is stopped
  SL_UNICODE = 0x80000000u,      // file names are wide (UTF-16) strings
};
inline constexpr uint32_t kSlSampleOverMask = 0x30000;

// Channel attributes.
enum : uint32_t {
  SL_ATTRIB_FREQ = 1,  // playback rate in Hz, 0 = the data's own rate
  SL_ATTRIB_VOL = 2,   // 0..1; a slide to a negative value fades out and stops
  SL_ATTRIB_PAN = 3,   // -1 (left) .. +1 (right)
};

// BASS_ChannelIsActive results.
enum : uint32_t {
  SL_ACTIVE_STOPPED = 0,
  SL_ACTIVE_PLAYING = 1,
  SL_ACTIVE_PAUSED = 3,  // playing, but the output is stopped (BASS_Stop)
};

inline constexpr uint32_t SL_POS_BYTE = 0;

// Sync types for BASS_ChannelSetSync; callbacks run on the mixing thread.
enum : uint32_t {
  SL_SYNC_POS = 0,  // param: byte position
  SL_SYNC_END = 2,
  SL_SYNC_SLIDE = 5,
  SL_SYNC_FREE = 8,
  SL_SYNC_MIXTIME = 0x40000000,
  SL_SYNC_ONETIME = 0x80000000u,
};

// BASS_SetConfig options (take effect at the next BASS_Init where noted).
enum : uint32_t {
  SL_CONFIG_BUFFER = 0,        // output buffer length in ms, 20..2000 (next init)
  SL_CONFIG_UPDATEPERIOD = 1,  // mixing block in ms, 5..100 (next init)
  SL_CONFIG_GVOL_SAMPLE = 4,   // global volume of sample channels, 0..10000
  SL_CONFIG_GVOL_STREAM = 5,   // global volume of streams, 0..10000
};

struct SlDeviceInfo {
  const char* name;    // stays valid while the library is loaded
  const char* driver;  // "" for "No sound"
  uint32_t flags;      // SL_DEVICE_*
};

using SlSyncProc = void(SL_CALL*)(SlHandle sync, SlHandle channel, uint32_t data, void* user);
using SlDownloadProc = void(SL_CALL*)(const void* buffer, uint32_t length, void* user);

// X(return type, name, (parameters), bytes of arguments on the 32-bit stack)
// in the order the program resolves them.
#define SOUNDLIB_ENTRIES(X)                                                                                  \
  X(SlBool, BASS_Init, (int32_t device, uint32_t freq, uint32_t flags, void* window, const void* clsid), 20) \
  X(SlBool, BASS_Free, (), 0)                                                                                \
  X(SlBool, BASS_Start, (), 0)                                                                               \
  X(SlBool, BASS_Stop, (), 0)                                                                                \
  X(uint32_t, BASS_GetVersion, (), 0)                                                                        \
  X(int32_t, BASS_ErrorGetCode, (), 0)                                                                       \
  X(SlHandle, BASS_PluginLoad, (const char* file, uint32_t flags), 8)                                        \
  X(SlBool, BASS_PluginFree, (SlHandle plugin), 4)                                                           \
  X(SlHandle, BASS_StreamCreateFile,                                                                         \
    (SlBool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags), 28)                    \
  X(SlHandle, BASS_StreamCreateURL,                                                                          \
    (const char* url, uint32_t offset, uint32_t flags, SlDownloadProc proc, void* user), 20)                 \
  X(SlBool, BASS_ChannelPlay, (uint32_t handle, SlBool restart), 8)                                          \
  X(SlBool, BASS_StreamFree, (SlHandle stream), 4)                                                           \
  X(SlBool, BASS_SetVolume, (float volume), 4)                                                               \
  X(SlHandle, BASS_SampleGetChannel, (SlHandle sample, SlBool onlyNew), 8)                                   \
  X(uint32_t, BASS_ChannelIsActive, (uint32_t handle), 4)                                                    \
  X(SlBool, BASS_ChannelSetAttribute, (uint32_t handle, uint32_t attrib, float value), 12)                   \
  X(SlBool, BASS_ChannelSlideAttribute, (uint32_t handle, uint32_t attrib, float value, uint32_t ms), 16)    \
  X(SlBool, BASS_ChannelStop, (uint32_t handle), 4)                                                          \
  X(uint32_t, BASS_ChannelFlags, (uint32_t handle, uint32_t flags, uint32_t mask), 12)                       \
  X(SlBool, BASS_ChannelIsSliding, (uint32_t handle, uint32_t attrib), 8)                                    \
  X(uint64_t, BASS_ChannelGetPosition, (uint32_t handle, uint32_t mode), 8)                                  \
  X(uint32_t, BASS_ChannelGetLevel, (uint32_t handle), 4)                                                    \
  X(SlHandle, BASS_ChannelSetSync,                                                                           \
    (uint32_t handle, uint32_t type, uint64_t param, SlSyncProc proc, void* user), 24)                       \
  X(SlHandle, BASS_SampleLoad,                                                                               \
    (SlBool mem, const void* file, uint64_t offset, uint32_t length, uint32_t max, uint32_t flags), 28)      \
  X(SlBool, BASS_SetConfig, (uint32_t option, uint32_t value), 8)                                            \
  X(SlBool, BASS_GetDeviceInfo, (uint32_t device, SlDeviceInfo * info), 8)

// Entries of ours beyond the program's list: rendering for tests and for the
// "No sound" device. SoundLib_Render mixes `bytes` (rounded down to whole
// frames) of 16-bit stereo at the BASS_Init rate into `buffer` and returns the
// bytes written, or 0xFFFFFFFF when the library is not initialised on device 0.
#define SOUNDLIB_EXTRA_ENTRIES(X) X(uint32_t, SoundLib_Render, (void* buffer, uint32_t bytes), 8)

// Pointer types for loaders: soundlib_fn::BASS_Init and so on.
namespace soundlib_fn {
#define SOUNDLIB_FN_TYPE(ret, name, params, bytes) using name = ret(SL_CALL*) params;
SOUNDLIB_ENTRIES(SOUNDLIB_FN_TYPE)
SOUNDLIB_EXTRA_ENTRIES(SOUNDLIB_FN_TYPE)
#undef SOUNDLIB_FN_TYPE
}  // namespace soundlib_fn

// The names in the order the program resolves them.
inline constexpr const char* kSoundLibEntryNames[] = {
#define SOUNDLIB_FN_NAME(ret, name, params, bytes) #name,
    SOUNDLIB_ENTRIES(SOUNDLIB_FN_NAME)
#undef SOUNDLIB_FN_NAME
};

#ifdef SOUNDLIB_DEFINE_EXPORTS
extern "C" {
#define SOUNDLIB_FN_DECL(ret, name, params, bytes) ret SL_CALL name params;
SOUNDLIB_ENTRIES(SOUNDLIB_FN_DECL)
SOUNDLIB_EXTRA_ENTRIES(SOUNDLIB_FN_DECL)
#undef SOUNDLIB_FN_DECL
}
#endif
