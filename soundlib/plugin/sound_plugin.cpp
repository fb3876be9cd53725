// A plug-in of ours as the library loads it: no runtime, no decoder, one
// entry that describes it. SOUNDLIB_PLUGIN_NUMBER tells the three apart.
#include "soundlib/plugin_abi.h"

#define SOUNDLIB_STR2(x) #x
#define SOUNDLIB_STR(x) SOUNDLIB_STR2(x)

namespace {
const SlPluginInfo kInfo = {kSoundLibVersion, "Waylune sound plug-in " SOUNDLIB_STR(SOUNDLIB_PLUGIN_NUMBER),
                            0, nullptr};
}  // namespace

extern "C" {

// Entry point in place of the runtime's: nothing to set up or tear down.
int __stdcall PluginMain(void*, unsigned long, void*) {
  return 1;
}

const SlPluginInfo* SL_CALL SoundLibPluginInfo() {
  return &kInfo;
}

}  // extern "C"
