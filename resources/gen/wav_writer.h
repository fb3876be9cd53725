#pragma once
// RIFF WAVE files with 16-bit PCM samples, for the program's built-in sounds.

#include <cstdint>
#include <vector>

#include "byte_writer.h"

namespace art {

// samples are interleaved when channels is 2.
Bytes EncodeWav(const std::vector<int16_t>& samples, int sampleRate, int channels = 1);

}  // namespace art
