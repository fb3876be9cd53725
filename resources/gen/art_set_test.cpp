#include "art_set.h"

#include <gtest/gtest.h>

#include <fstream>

#include "test_util.h"

namespace art {
namespace {

Canvas Tiny() {
  Canvas c(2, 2);
  c.Set(0, 0, Rgb(0x123456));
  return c;
}

TEST(ArtSet, NamesAreCheckedTheWayTheResourceCompilerSeesThem) {
  ArtSet set;
  set.AddBitmap("FIG001_00", Tiny(), kSpriteKey);
  EXPECT_THROW(set.AddBitmap("fig001_00", Tiny(), kSpriteKey), std::invalid_argument);
  EXPECT_THROW(set.AddBitmap("", Tiny(), kSpriteKey), std::invalid_argument);
  EXPECT_THROW(set.AddBitmap("1ABC", Tiny(), kSpriteKey), std::invalid_argument);
  EXPECT_THROW(set.AddBitmap("A B", Tiny(), kSpriteKey), std::invalid_argument);
  EXPECT_THROW(set.AddBitmap("A\"B", Tiny(), kSpriteKey), std::invalid_argument);
  // Another resource type may reuse a name; its file must not clash.
  set.AddIcon("FIG001_00", {Tiny()});
  ASSERT_EQ(set.Files().size(), 2u);
  EXPECT_NE(set.Files()[0].fileName, set.Files()[1].fileName);
  EXPECT_EQ(set.Find("Fig001_00"), &set.Files()[0]);
  EXPECT_EQ(set.Find("nothing"), nullptr);
}

TEST(ArtSet, BadPicturesNameTheResource) {
  ArtSet set;
  Canvas keyed = Tiny();
  keyed.Set(1, 1, kMenuKey);
  try {
    set.AddBitmap("MENU_99", keyed, kMenuKey);
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("MENU_99"), std::string::npos);
  }
  EXPECT_TRUE(set.Files().empty());
}

TEST(ArtSet, WritesEveryFileAndTheScriptFragment) {
  ArtSet set;
  set.AddIcon("AppIcon", {Tiny()});
  set.AddBitmap("MENU_00", Tiny(), kMenuKey);
  set.AddCursor("HAND", Tiny(), 1, 1);
  set.AddWave("SOUND00", {0, 1, 2}, 22050);
  EXPECT_EQ(set.RcFragment(),
            "// Made by the art generator; do not edit.\n"
            "AppIcon ICON \"appicon.ico\"\n"
            "MENU_00 BITMAP \"menu_00.bmp\"\n"
            "HAND CURSOR \"hand.cur\"\n"
            "SOUND00 WAVE \"sound00.wav\"\n");
  test::ScratchDir dir;
  set.WriteAll(dir.Path() / "art");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path() / "art")) {
    ++files;
    EXPECT_NE(entry.path().extension(), ".tmp");
  }
  EXPECT_EQ(files, 5);
  for (const ArtFile& f : set.Files()) EXPECT_EQ(test::ReadFile(dir.Path() / "art" / f.fileName), f.data);
}

TEST(ArtSet, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  test::ScratchDir dir;
  const auto target = dir.Path() / "keep.bmp";
  WriteFileWhole(target, {1, 2, 3});
  // A folder in the way of the temporary file makes the write fail.
  std::filesystem::create_directory(dir.Path() / "keep.bmp.tmp");
  EXPECT_THROW(WriteFileWhole(target, {9, 9}), std::runtime_error);
  EXPECT_EQ(test::ReadFile(target), (Bytes{1, 2, 3}));
  std::filesystem::remove(dir.Path() / "keep.bmp.tmp");
  // A folder in the way of the target makes the rename fail.
  std::filesystem::create_directory(dir.Path() / "dir.bmp");
  std::filesystem::create_directory(dir.Path() / "dir.bmp" / "inside");
  EXPECT_THROW(WriteFileWhole(dir.Path() / "dir.bmp", {9}), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "dir.bmp.tmp"));
  EXPECT_THROW(ArtSet().WriteAll("/proc/no-such-folder/art"), std::exception);
}

}  // namespace
}  // namespace art
