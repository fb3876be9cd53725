#include "codecs/library_versions.h"

#include <cstdio>
#include <cstddef>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace Pictura {

const char* JpegLibVersion() {
  static char text[16];
  std::snprintf(text, sizeof text, "%d", JPEG_LIB_VERSION);
  return text;
}

const char* PngLibVersion() {
  return png_get_libpng_ver(nullptr);
}
const char* TiffLibVersion() {
  return TIFFGetVersion();
}
const char* ZlibVersion() {
  return zlibVersion();
}

}  // namespace Pictura
