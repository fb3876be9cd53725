#include "soundlib/plugins/plugin_kinds.h"

#include "soundlib/decode/plugin_decoder.h"

namespace soundlib {

void AddStaticPluginKinds(std::vector<DecoderKind>& kinds) {
  AddPluginKinds(*FlacPluginInfo(), kinds);
  AddPluginKinds(*WmaPluginInfo(), kinds);
  AddPluginKinds(*MidiPluginInfo(), kinds);
}

}  // namespace soundlib
