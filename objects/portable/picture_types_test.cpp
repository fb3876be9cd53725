// Picture names, type codes and the error texts of the debug log.

#include "objects/portable/picture_types.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(PictureTypes, LibraryTypesMapToProgramCodes) {
  const std::pair<uint32_t, int> table[] = {
      {0, 0},   {1, 6}, {2, 15}, {3, 1},  {4, 3},  {5, 9},  {6, 12}, {7, 19}, {8, 23}, {10, 20}, {13, 24},
      {14, 16}, {9, 0}, {11, 0}, {12, 0}, {15, 0}, {16, 0}, {20, 0}, {22, 0}, {24, 0}, {999, 0}};
  for (auto [library, program] : table) EXPECT_EQ(PictureTypeOf(library), program) << library;
  EXPECT_TRUE(IsMetafileType(PictureTypeOf(7)));
  EXPECT_TRUE(IsMetafileType(PictureTypeOf(8)));
  EXPECT_FALSE(IsMetafileType(PictureTypeOf(1)));
}

TEST(PictureTypes, ExtensionsAreComparedWithoutCase) {
  for (const char* ext : {".bmp", ".GIF", ".Jpg", ".JPE", ".jpeg", ".tif", ".TIFF", ".png", ".tga", ".pcx",
                          ".psd", ".wmf", ".EMF"})
    EXPECT_TRUE(IsPictureExtension(ext)) << ext;
  for (const char* ext : {"", ".", ".txt", ".bm", ".bmpx", "bmp", ".jp", ".ico", ".webp", ".pnm"})
    EXPECT_FALSE(IsPictureExtension(ext)) << ext;
  EXPECT_FALSE(IsPictureExtension(nullptr));
  EXPECT_TRUE(IsTextExtension(".TXT"));
  EXPECT_TRUE(IsTextExtension(".txt"));
  EXPECT_FALSE(IsTextExtension(".text"));
  EXPECT_FALSE(IsTextExtension(nullptr));
}

TEST(ImageErrorText, KnownCodesHaveTheirTextsAndTheRestAreMarked) {
  EXPECT_STREQ(ImageErrorText(1), "out of memory");
  EXPECT_STREQ(ImageErrorText(5), "bad user param");
  EXPECT_STREQ(ImageErrorText(14), "callback returned FALSE - operation aborted");
  EXPECT_STREQ(ImageErrorText(42), "a call to GetEnhMetaFileBits\tor GetWinMetaFileBits failed");
  EXPECT_STREQ(ImageErrorText(45), "this function is not supported in this build (see DLL build options)");
  EXPECT_STREQ(ImageErrorText(71), "processor does not support the requested operation");
  for (uint32_t code : {0u, 57u, 72u, 84u, 88u, 89u, 0xFFFFFFFFu})
    EXPECT_STREQ(ImageErrorText(code), "- ! ? -") << code;
  for (uint32_t code = 1; code <= 71; ++code)
    if (code != 57) {
      EXPECT_STRNE(ImageErrorText(code), "- ! ? -") << code;
    }
}

}  // namespace
