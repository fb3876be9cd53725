#pragma once
// Versions of the codec libraries Pictura was built against, for logs and tests.

namespace Pictura {
const char* JpegLibVersion();
const char* PngLibVersion();
const char* TiffLibVersion();
const char* ZlibVersion();
}  // namespace Pictura
