#pragma once
// What the billboard knows of picture files: which names it lists, the
// program's type codes for the image library's guessed file types, and the
// English texts of the library's error codes for the debug log.

#include <cstdint>

// Program picture types (0 unknown). 19 and 23 are metafiles.
inline constexpr int kPictureTypeUnknown = 0;
inline constexpr int kPictureTypeWmf = 19;
inline constexpr int kPictureTypeEmf = 23;

// The program type of a type that pic_GuessFileType reported; 0 when the
// program does not know it.
int PictureTypeOf(uint32_t libraryType);
bool IsMetafileType(int programType);

// An extension with its dot (what PathFindExtensionA finds), compared
// without case: ".bmp", ".gif", ".jpg", ".jpe", ".jpeg", ".tif", ".tiff",
// ".png", ".tga", ".pcx", ".psd", ".wmf", ".emf" are pictures, ".txt" texts.
bool IsPictureExtension(const char* extension);
bool IsTextExtension(const char* extension);

// English text of an image library error code; "- ! ? -" for codes it has no
// text for. The text is a constant, safe to use from any thread.
const char* ImageErrorText(uint32_t code);
