// A device of the library's own for tests: it asks for the mix in real time,
// as a sound card would, and writes it to a WAVE file (16-bit stereo at the
// device's rate) instead of playing it. The header's sizes are brought up to
// date with every block, so the file can be read while it grows. The Windows
// DLL offers it, and nothing else, when SOUNDLIB_CAPTURE names a file.
#pragma once

#include <cstdio>
#include <memory>

#include "soundlib/output/platform.h"

namespace soundlib {

// Takes `file` (opened for writing; closed by the output, also on failure).
// Paused until start(), like every output.
std::unique_ptr<Output> OpenCaptureOutput(std::FILE* file, uint32_t rate, const OutputConfig& config,
                                          Renderer& renderer, int& error);

}  // namespace soundlib
