// What a plug-in DLL offers BASS_PluginLoad: one undecorated stdcall entry that
// returns a static description. Our plug-ins decode nothing themselves; the
// description names them and the formats they announce.
#pragma once

#include <cstdint>

#include "soundlib/soundlib_api.h"

struct SlPluginFormat {
  const char* name;        // e.g. "FLAC"
  const char* extensions;  // e.g. "*.flac"
};

struct SlPluginInfo {
  uint32_t version;  // kSoundLibVersion of the interface it was built for
  const char* name;
  uint32_t formatCount;
  const SlPluginFormat* formats;
};

inline constexpr char kSlPluginEntry[] = "SoundLibPluginInfo";
using SlPluginInfoFn = const SlPluginInfo*(SL_CALL*)();
