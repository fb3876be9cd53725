// The decoder kinds a fuzz target can pick by name: the library's own and
// those of the plug-ins' static libraries.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace soundlib::fuzzing {

inline DecoderKind FindKind(const std::string& name) {
  std::vector<DecoderKind> all, late;
  BuiltInDecoderKinds(all, late);
  AddStaticPluginKinds(all);
  all.insert(all.end(), late.begin(), late.end());
  for (const DecoderKind& k : all)
    if (k.name == name) return k;
  std::abort();
}

}  // namespace soundlib::fuzzing
