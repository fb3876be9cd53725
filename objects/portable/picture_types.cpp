#include "objects/portable/picture_types.h"

#include <cctype>
#include <cstddef>
#include <iterator>

namespace {

struct TypeRow {
  uint32_t library;
  int program;
};
// The first matching row wins; no match is unknown.
constexpr TypeRow kPictureTypeTable[] = {
    {0, 0}, {1, 6}, {2, 15}, {3, 1}, {4, 3}, {5, 9}, {6, 12}, {7, 19}, {8, 23}, {10, 20}, {13, 24}, {14, 16},
};

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

constexpr const char* kPictureExtensions[] = {".bmp", ".gif", ".jpg", ".jpe", ".jpeg", ".tif", ".tiff",
                                              ".png", ".tga", ".pcx", ".psd", ".wmf",  ".emf"};

constexpr const char* kUnknownError = "- ! ? -";

// Codes 1 to 71; an empty entry has no text.
constexpr const char* kErrorTexts[] = {
    "out of memory",
    "error on file open",
    "error on file read",
    "error on file write",
    "bad user param",
    "bad BMP file",
    "some RLE variations are not supported",
    "bad GIF version number",
    "bad JPG file",
    "error with device context",
    "problem with a GetDIBits call",
    "bad GIF file",
    "resource not found",
    "callback returned FALSE - operation aborted",
    "invalid PNG file",
    "internal PNG lib behavior",
    "misc unexpected behavior error",
    "trouble creating a font object",
    "misc internal TIFF error",
    "invalid TIFF file",
    "this will not read TIFF-LZW images",
    "invalid PCX image",
    "a call to the fn CreateCompatibleBitmap failed",
    "end of an image while using single-line de/compression",
    "error during a call to GetDIBits",
    "device does not support an operation required by this function",
    "invalid windows metafile",
    "the file was not of the requested bit-depth",
    "a call to BitBlt failed.",
    "output buffer is too small for this operation",
    "not enough room in the output palette to store the colors from this image",
    "Invalid TGA File",
    "No TGA Thumbnail in the file",
    "reserved value",
    "a call to the fn CreateDIBitmap failed",
    "LZW de/compression is not permitted",
    "a call to SelectObject has failed (DC does not support this operation?)",
    "the HPICSRC or HPICDEST object passed into the function does appear to be valid",
    "the function is obsolete",
    "a call to CreateDIBSection failed",
    "a call to SetWinMetaFileBits failed (95/98 only)",
    "a call to GetEnhMetaFileBits\tor GetWinMetaFileBits failed",
    "apparently invalid PAX password",
    "invalid PAX file",
    "this function is not supported in this build (see DLL build options)",
    "invalid PSD (Photoshop) file",
    "this Photoshop sub-format is not supported",
    "decryption error - possible bad password for encrypted files",
    "encryption failed",
    "compression failed",
    "decompression error - possible bad password for encrypted files",
    "invalid TLA file. may indicate incorrect password",
    "invalid or unsupported WBMP (Wireless Bitmap) image.",
    "IS does not support reading this TIFF tag",
    "IS was not able to allocate thread-local storage. this is a severe low-memory condition.",
    "invalid EXIF format",
    "",
    "invalid IPTC format",
    "no IPTC tag was found with the given ID",
    "can't read interlaced PNGs one line at a time",
    "can't warp to or from a non-convex polygon",
    "unable to determine polygon transformation matrix",
    "invalid PhotoCD image",
    "image is a PhotoCD index file, not a single image",
    "EXIF data does not contain a thumbnail",
    "the requested data is not in the PNG file",
    "unable to parse the Photoshop resource",
    "output image was too small for the requested filter type",
    "error initializing zLib for de/compression",
    "error in zLib de/compression",
    "processor does not support the requested operation",
};
static_assert(std::size(kErrorTexts) == 71);

}  // namespace

int PictureTypeOf(uint32_t libraryType) {
  for (const TypeRow& row : kPictureTypeTable)
    if (row.library == libraryType) return row.program;
  return kPictureTypeUnknown;
}

bool IsMetafileType(int programType) {
  return programType == kPictureTypeWmf || programType == kPictureTypeEmf;
}

bool IsPictureExtension(const char* extension) {
  if (!extension) return false;
  for (const char* known : kPictureExtensions)
    if (EqualsNoCase(extension, known)) return true;
  return false;
}

bool IsTextExtension(const char* extension) {
  return extension && EqualsNoCase(extension, ".txt");
}

const char* ImageErrorText(uint32_t code) {
  if (code < 1 || code > std::size(kErrorTexts)) return kUnknownError;
  const char* text = kErrorTexts[code - 1];
  return *text ? text : kUnknownError;
}
