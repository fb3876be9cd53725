// A plug-in DLL of ours: one entry that describes it and hands the library
// its decoders (SOUNDLIB_PLUGIN_NUMBER: 10 FLAC, 11 WMA, 12 MIDI). The
// decoders are the static libraries the native tests run too.
#include "soundlib/plugin_abi.h"
#include "soundlib/plugins/plugin_kinds.h"

extern "C" {

const SlPluginInfo* SL_CALL SoundLibPluginInfo() {
#if SOUNDLIB_PLUGIN_NUMBER == 10
  return FlacPluginInfo();
#elif SOUNDLIB_PLUGIN_NUMBER == 11
  return WmaPluginInfo();
#else
  return MidiPluginInfo();
#endif
}

}  // extern "C"
