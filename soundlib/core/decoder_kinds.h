// The library's own kinds over third-party decoders, each in its own file.
#pragma once

#include <memory>
#include <vector>

#include "soundlib/core/decoder.h"

namespace soundlib {

// The library's own kinds, in order: WAVE and Ogg Vorbis in `early`; in
// `late` those tried after the plug-ins' (MPEG audio, whose frame sync is
// the weakest signature).
void BuiltInDecoderKinds(std::vector<DecoderKind>& early, std::vector<DecoderKind>& late);

// Ogg Vorbis (libvorbisfile).
void AddVorbisKind(std::vector<DecoderKind>& kinds);
// MPEG-1/2/2.5 layers I to III (libmpg123).
void AddMpegKind(std::vector<DecoderKind>& kinds);
// WAVE files in IMA or MS ADPCM, A-law or mu-law (libsndfile);
// SL_ERROR_FORMAT for any other kind.
std::unique_ptr<Decoder> OpenCompressedWave(std::shared_ptr<ByteSource> source, int& error);

}  // namespace soundlib
