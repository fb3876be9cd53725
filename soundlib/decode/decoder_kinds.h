// The library's own kinds over third-party decoders, each in its own file.
#pragma once

#include <memory>
#include <vector>

#include "soundlib/decode/decoder.h"

namespace soundlib {

// The library's own kinds, in order: WAVE and Ogg Vorbis in `early`; in
// `late` those tried after the plug-ins' (MPEG audio, whose frame sync is
// the weakest signature).
void BuiltInDecoderKinds(std::vector<DecoderKind>& early, std::vector<DecoderKind>& late);

// Ogg Vorbis (libvorbisfile).
void AddVorbisKind(std::vector<DecoderKind>& kinds);
// MPEG-1/2/2.5 layers I to III (libmpg123).
void AddMpegKind(std::vector<DecoderKind>& kinds);
// MPEG audio frames from the source's start (a WAVE file's data chunk).
std::unique_ptr<Decoder> OpenMpegAudio(std::shared_ptr<ByteSource> source, int& error);
// The WAVE kinds our reader leaves (libsndfile); SL_ERROR_FORMAT for any
// it does not decode either.
std::unique_ptr<Decoder> OpenCompressedWave(std::shared_ptr<ByteSource> source, int& error);

}  // namespace soundlib
