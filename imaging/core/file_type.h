#pragma once
// The file-type guess: a signature table walked in order, the file name for
// the formats without a reliable signature, the TGA footer and the PhotoCD
// mark at offset 2048.

#include <cstdint>

#include "core/io_managers.h"

namespace Pictura {

// Reads 44 bytes at the current position (no seek first) and returns a
// PicFileType; 3 when nothing could be read or a footer or PhotoCD read
// failed. The position is left where the last test left it.
uint32_t GuessFileTypeCore(uint32_t* error, CPicIO& io);

// From the name of a file manager only: ".wbmp"/".wbm" 13, ".tga" 14,
// ".cals"/".cal" 23, ".ico" 24; else 0.
uint32_t GuessFileTypeByExtension(CPicIO& io);

// The generic reader's format (PicReadFormat) of a name's extension; 17
// when there is none or it is unknown.
uint32_t FileTypeFromExtension(const char* name);

// The generic reader's format of a PicFileType, or 17 when the name decides.
uint32_t ReadFormatOfFileType(uint32_t fileType);

}  // namespace Pictura
