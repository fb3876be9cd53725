// The wallpaper under Wine: each source on each screen shape, read back from
// the written file and compared with where its pixels must come from; failed
// builds keep the old file; the modes as the desktop sees them.

#include "objects/wallpaper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "objects/object_test_support.h"
#include "objects/portable/weather_art.h"
#include "pictura.h"
#include "services/settings_test_support.h"

namespace {

struct Rgb {
  int width = 0, height = 0;
  std::vector<BYTE> data;
  const BYTE* At(int x, int y) const { return &data[(size_t(y) * width + x) * 3]; }
};

Rgb ReadBack(HPICSRC source, bool jpeg) {
  Rgb image;
  if (!source) return image;
  DWORD w = 0, h = 0;
  const OwnedGlobal pixels(jpeg ? pic_ReadJPG(source, &w, &h, 24, 0)
                                : pic_ReadImage(source, &w, &h, kPicReadRGB, 0));
  pic_CloseSource(source);
  if (!pixels) return image;
  image.width = int(w);
  image.height = int(h);
  const BYTE* p = static_cast<const BYTE*>(pixels.get());
  image.data.assign(p, p + size_t(w) * h * 3);
  return image;
}

std::string Bytes(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

class Wallpaper : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "waylune_wallpaper_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder_.c_str(), nullptr);
    output_ = folder_ + "\\wallpaper.bmp";
  }
  void TearDown() override {
    for (const char* name : {"\\wallpaper.bmp", "\\gradient.bmp", "\\thin.bmp", "\\cut.jpg", "\\whole.jpg"})
      DeleteFileA((folder_ + name).c_str());
    RemoveDirectoryA((folder_ + "\\wallpaper.bmp.part").c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  // A picture whose red grows left to right and green top to bottom.
  std::string Gradient(int w, int h) {
    std::vector<BYTE> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        BYTE* p = &rgb[(size_t(y) * w + x) * 3];
        p[0] = BYTE((x + 0.5) * 255 / w);
        p[1] = BYTE((y + 0.5) * 255 / h);
        p[2] = 90;
      }
    const std::string path = folder_ + "\\gradient.bmp";
    HPICDEST dest = pic_OpenFileDest(path.c_str(), FALSE);
    pic_WriteBMP(dest, rgb.data(), DWORD(w), DWORD(h), 24, DWORD(w) * 3, 0, nullptr, nullptr, 0);
    pic_CloseDest(dest);
    return path;
  }

  std::string folder_, output_;
};

// Where the output pixel (x, y) comes from in a w x h picture that covers
// W x H: the scaled size and the centre cut, as a user would work them out.
void SourceOf(int w, int h, int W, int H, int x, int y, double* sx, double* sy) {
  double nw = W, nh = std::floor(double(h) / w * W);
  if (nh < H) {
    nw = std::floor(double(w) / h * H);
    nh = H;
  }
  const double x0 = std::floor((nw - W) / 2), y0 = std::floor((nh - H) / 2);
  *sx = (x + x0 + 0.5) * w / nw;
  *sy = (y + y0 + 0.5) * h / nh;
}

TEST_F(Wallpaper, EverySourceCoversEveryScreenShape) {
  const int screens[][2] = {{1920, 1080}, {1280, 1024}, {1080, 1920}, {800, 600}};
  const int pictures[][2] = {{600, 1200}, {4000, 1000}, {1920, 1080}, {333, 333}};
  for (const auto& picture : pictures) {
    const std::string source = Gradient(picture[0], picture[1]);
    for (const auto& screen : screens) {
      SCOPED_TRACE(std::to_string(picture[0]) + "x" + std::to_string(picture[1]) + " on " +
                   std::to_string(screen[0]) + "x" + std::to_string(screen[1]));
      ASSERT_EQ(BuildWallpaperFromFile(source.c_str(), output_.c_str(), screen[0], screen[1]), 1);
      const Rgb out = ReadBack(pic_OpenFileSource(output_.c_str()), false);
      ASSERT_EQ(out.width, screen[0]);
      ASSERT_EQ(out.height, screen[1]);
      for (int k = 0; k < 49; ++k) {
        const int x = screen[0] * (k % 7 + 1) / 8, y = screen[1] * (k / 7 + 1) / 8;
        double sx, sy;
        SourceOf(picture[0], picture[1], screen[0], screen[1], x, y, &sx, &sy);
        EXPECT_NEAR(out.At(x, y)[0], sx * 255 / picture[0], 3) << x << "," << y;
        EXPECT_NEAR(out.At(x, y)[1], sy * 255 / picture[1], 3) << x << "," << y;
      }
    }
  }
}

TEST_F(Wallpaper, TheBuiltInSkyIsCutFromItsMiddle) {
  HRSRC found = FindResourceA(nullptr, kBuiltinWallpaperName, kWallpaperResourceType);
  ASSERT_NE(found, nullptr);
  const void* data = LockResource(LoadResource(nullptr, found));
  const Rgb sky = ReadBack(pic_OpenMemorySource(data, SizeofResource(nullptr, found)), true);
  ASSERT_EQ(sky.width, kBuiltinWallpaperWidth);
  ASSERT_EQ(sky.height, kBuiltinWallpaperHeight);
  for (const auto& screen : {std::pair{1920, 1080}, std::pair{1024, 1280}}) {
    ASSERT_EQ(BuildWallpaperFromResource(kBuiltinWallpaperName, output_.c_str(), screen.first, screen.second),
              1);
    const Rgb out = ReadBack(pic_OpenFileSource(output_.c_str()), false);
    ASSERT_EQ(out.width, screen.first);
    ASSERT_EQ(out.height, screen.second);
    // The sky is smooth: samples are close to the pixels they come from.
    int distant = 0;
    for (int k = 0; k < 81; ++k) {
      const int x = screen.first * (k % 9 + 1) / 10, y = screen.second * (k / 9 + 1) / 10;
      double sx, sy;
      SourceOf(sky.width, sky.height, screen.first, screen.second, x, y, &sx, &sy);
      for (int c = 0; c < 3; ++c) distant += std::abs(sky.At(int(sx), int(sy))[c] - out.At(x, y)[c]) > 12;
    }
    EXPECT_LE(distant, 6);
  }
  EXPECT_EQ(BuildWallpaperFromResource("NICHTDA", output_.c_str(), 800, 600), 0);
}

TEST_F(Wallpaper, AFailedBuildKeepsTheOldWallpaper) {
  const std::string gradient = Gradient(64, 48);
  ASSERT_EQ(BuildWallpaperFromFile(gradient.c_str(), output_.c_str(), 320, 200), 1);
  const std::string old = Bytes(output_);
  // A JPEG cut in its scan decodes with a warning and code 0: refused.
  const Rgb pixels = ReadBack(pic_OpenFileSource(gradient.c_str()), false);
  const std::string whole = folder_ + "\\whole.jpg", cut = folder_ + "\\cut.jpg";
  HPICDEST dest = pic_OpenFileDest(whole.c_str(), FALSE);
  pic_WriteJPG(dest, pixels.data.data(), 64, 48, 24, 64 * 3, 90, nullptr, 0);
  pic_CloseDest(dest);
  const std::string jpeg = Bytes(whole);
  std::ofstream(cut, std::ios::binary) << jpeg.substr(0, jpeg.size() / 2);
  EXPECT_EQ(BuildWallpaperFromFile(cut.c_str(), output_.c_str(), 320, 200), 0);
  // Too thin to cover the screen within the size limit (the scaled copy
  // would need gigabytes), unreadable, missing, or no room for the new file.
  std::vector<BYTE> thin(20000 * 2 * 3, 200);
  dest = pic_OpenFileDest((folder_ + "\\thin.bmp").c_str(), FALSE);
  pic_WriteBMP(dest, thin.data(), 20000, 2, 24, 20000 * 3, 0, nullptr, nullptr, 0);
  pic_CloseDest(dest);
  EXPECT_EQ(BuildWallpaperFromFile((folder_ + "\\thin.bmp").c_str(), output_.c_str(), 1920, 1080), 0);
  EXPECT_EQ(BuildWallpaperFromFile((folder_ + "\\missing.png").c_str(), output_.c_str(), 320, 200), 0);
  EXPECT_EQ(BuildWallpaperFromFile(output_.c_str(), output_.c_str(), 0, 200), 0);
  CreateDirectoryA((output_ + ".part").c_str(), nullptr);
  EXPECT_EQ(BuildWallpaperFromFile(gradient.c_str(), output_.c_str(), 640, 400), 0);
  EXPECT_EQ(Bytes(output_), old);
}

TEST_F(Wallpaper, ModesSetTheDesktopsWallpaper) {
  object_test::PrivateSettings settings;
  settings.Make("wallpaper");
  TestSettings().WallpaperPath.Set(folder_.c_str());
  char shown[MAX_PATH] = {};
  char before[] = "C:\\windows\\before.bmp";
  SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, before, SPIF_UPDATEINIFILE);
  SetDesktopBackground(2, (folder_ + "\\missing.png").c_str(), TestSettings());
  SetDesktopBackground(2, "", TestSettings());
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, shown, 0);
  EXPECT_STREQ(shown, before) << "nothing to show: nothing set";
  EXPECT_EQ(GetFileAttributesA(output_.c_str()), INVALID_FILE_ATTRIBUTES);

  SetDesktopBackground(1, nullptr, TestSettings());
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, shown, 0);
  EXPECT_STREQ(shown, output_.c_str());
  const Rgb out = ReadBack(pic_OpenFileSource(output_.c_str()), false);
  EXPECT_EQ(out.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(out.height, GetSystemMetrics(SM_CYSCREEN));

  SetDesktopBackground(0, nullptr, TestSettings());
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, shown, 0);
  EXPECT_STREQ(shown, "");
  settings.Remove();
}

// The built picture goes to the folder of the settings handed, never to the
// program's.
TEST_F(Wallpaper, TheBuiltPictureGoesToTheHandedSettingsFolder) {
  object_test::PrivateSettings settings;
  settings.Make("wallpaper_handed");
  const std::string elsewhere = folder_ + "\\elsewhere";
  CreateDirectoryA(elsewhere.c_str(), nullptr);
  TestSettings().WallpaperPath.Set(elsewhere.c_str());
  AppSettings handed;
  handed.WallpaperPath.Set(folder_.c_str());
  SetDesktopBackground(1, nullptr, handed);
  char shown[MAX_PATH] = {};
  SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, shown, 0);
  EXPECT_STREQ(shown, output_.c_str());
  EXPECT_NE(GetFileAttributesA(output_.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA((elsewhere + "\\wallpaper.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  SetDesktopBackground(0, nullptr, handed);
  RemoveDirectoryA(elsewhere.c_str());
  TestSettings().WallpaperPath.Set(folder_.c_str());
  settings.Remove();
}

// Colour tables come as blue, green, red, reserved; the palette holds them
// as red, green, blue with no flags, all 256.
TEST(WallpaperPalette, TakesTheColourTableOverInItsOrder) {
  RGBQUAD colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), BYTE(0xAA)};
  const OwnedPalette palette(MakePalette(colours));
  ASSERT_TRUE(palette);
  PALETTEENTRY entries[257] = {};
  EXPECT_EQ(GetPaletteEntries(palette.get(), 0, 257, entries), 256u);
  for (int i : {0, 1, 127, 200, 255}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].peRed, BYTE(i * 7));
    EXPECT_EQ(entries[i].peGreen, BYTE(255 - i));
    EXPECT_EQ(entries[i].peBlue, BYTE(i));
    EXPECT_EQ(entries[i].peFlags, 0);
  }
  EXPECT_EQ(MakePalette(nullptr), nullptr);
}

}  // namespace
