// The three plug-ins' decoders, built as static libraries: the DLLs wrap
// them (plugin_shell/sound_plugin.cpp), and the native tests and fuzzers link
// them directly, so both run the same code. Each returns its plug-in's
// description with its decoder table.
#pragma once

#include <string>
#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/plugin_abi.h"

const SlPluginInfo* FlacPluginInfo();  // plug-in 10
const SlPluginInfo* WmaPluginInfo();   // plug-in 11
const SlPluginInfo* MidiPluginInfo();  // plug-in 12

// Where the MIDI plug-in reads its instrument set: the configuration file
// (patches named relative to it). Unset, it is "midi\timidity.cfg" in the
// folder of the program (the process's executable). Set before the first
// MIDI file is opened; a file that is not there makes MIDI files refuse
// with SL_ERROR_INSTRUMENTS.
void SetMidiInstrumentConfig(const std::string& path);

namespace soundlib {
// Natively: adds the decoders of every plug-in library linked in.
void AddStaticPluginKinds(std::vector<DecoderKind>& kinds);
}  // namespace soundlib
