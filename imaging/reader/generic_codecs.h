#pragma once
// The generic reader's table: the codec of each format (see
// core/generic_codec.h for what a codec supplies and how one is added).

#include <cstdint>

#include "core/generic_codec.h"

namespace Pictura {

// The codec of a format, null while it has none.
const PicGenericCodec* GenericCodecFor(uint32_t format);
// Replaces a format's codec and returns the previous one (tests).
const PicGenericCodec* ReplaceGenericCodec(uint32_t format, const PicGenericCodec* codec);

}  // namespace Pictura
