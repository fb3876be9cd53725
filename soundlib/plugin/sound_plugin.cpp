// A plug-in DLL of ours: one entry that describes it and hands the library
// its decoders (SOUNDLIB_PLUGIN_NUMBER: 10 FLAC, 11 WMA, 12 MIDI). The
// decoders are the static libraries the native tests run too.
#include "soundlib/plugin_abi.h"
#include "soundlib/plugins/plugin_kinds.h"

#ifdef SOUNDLIB_PLUGIN_EMPTY
#define SOUNDLIB_STR2(x) #x
#define SOUNDLIB_STR(x) SOUNDLIB_STR2(x)
static const SlPluginInfo kEmpty{kSlPluginVersion, "Waylune sound plug-in " SOUNDLIB_STR(SOUNDLIB_PLUGIN_NUMBER), 0,
                                 nullptr, 0, nullptr};
#endif

extern "C" {

const SlPluginInfo* SL_CALL SoundLibPluginInfo() {
#ifdef SOUNDLIB_PLUGIN_EMPTY
  return &kEmpty;
#elif SOUNDLIB_PLUGIN_NUMBER == 10
  return FlacPluginInfo();
#elif SOUNDLIB_PLUGIN_NUMBER == 11
  return WmaPluginInfo();
#else
  return MidiPluginInfo();
#endif
}

}  // extern "C"
