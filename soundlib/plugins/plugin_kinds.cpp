#include "soundlib/plugins/plugin_kinds.h"

#include "soundlib/core/plugin_decoder.h"

namespace soundlib {

void AddStaticPluginKinds([[maybe_unused]] std::vector<DecoderKind>& kinds) {
#ifdef SOUNDLIB_HAVE_FLAC_PLUGIN
  AddPluginKinds(*FlacPluginInfo(), kinds);
#endif
#ifdef SOUNDLIB_HAVE_WMA_PLUGIN
  AddPluginKinds(*WmaPluginInfo(), kinds);
#endif
#ifdef SOUNDLIB_HAVE_MIDI_PLUGIN
  AddPluginKinds(*MidiPluginInfo(), kinds);
#endif
}

}  // namespace soundlib
