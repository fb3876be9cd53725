// A plug-in's decoders as decoder kinds: the C entries of plugin_abi.h behind
// the Decoder interface. The plug-in reads the file only through the reader
// handed to it here.
#pragma once

#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/plugin_abi.h"

namespace soundlib {

// Adds a kind for each decoder `info` offers (none before build 2, and none
// whose table is too short or lacks an entry).
void AddPluginKinds(const SlPluginInfo& info, std::vector<DecoderKind>& kinds);

}  // namespace soundlib
