// Loads every resource from the built program file, as the program and the
// shell do, and checks names, sizes, key colours, the menu and the version.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "services/handles.h"
#include "services/menu_bitmaps.h"
#include "services/messages.h"

namespace {

std::string ProgramPath() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  path.resize(path.find_last_of("\\/") + 1);
  for (char c : std::string(WAYLUNE_EXE_FROM_TEST)) path += c == '/' ? '\\' : c;
  return path;
}

class ProgramResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_.reset(LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    module_ = library_.get();
  }
  static void TearDownTestSuite() {
    module_ = nullptr;
    library_.reset();
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << ProgramPath(); }
  static inline OwnedLibrary library_;
  static inline HMODULE module_ = nullptr;
};

// The bitmap's pixels as top-down 0x00RRGGBB words.
std::vector<uint32_t> Pixels(HBITMAP bitmap, int w, int h) {
  std::vector<uint32_t> px(size_t(w) * h);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  const int rows = GetDIBits(WindowDC(nullptr).get(), bitmap, 0, UINT(h), px.data(), &info, DIB_RGB_COLORS);
  EXPECT_EQ(rows, h);
  for (uint32_t& p : px) p &= 0xFFFFFF;
  return px;
}

// COLORREF 0x00BBGGRR as the 0x00RRGGBB of a 32-bit DIB.
constexpr uint32_t kKeyPixel =
    (MENU_BITMAP_KEY & 0xFF) << 16 | (MENU_BITMAP_KEY & 0xFF00) | MENU_BITMAP_KEY >> 16;

TEST_F(ProgramResources, MenuBitmapsLoadAt32x32WithTheKeyColour) {
  for (int n = 0; n < MENU_BITMAP_COUNT; ++n)
    for (int v = 0; v < MBV_COUNT; ++v) {
      char name[16];
      std::snprintf(name, sizeof name, MENU_BITMAP_NAME_FORMAT, n, MENU_BITMAP_SUFFIX[v]);
      SCOPED_TRACE(name);
      const OwnedBitmap bitmap(LoadBitmapA(module_, name));
      if (!MenuBitmapExists(n, MenuBitmapVariant(v))) {
        EXPECT_FALSE(bitmap);
        continue;
      }
      ASSERT_TRUE(bitmap);
      BITMAP info{};
      ASSERT_EQ(GetObjectA(bitmap.get(), sizeof info, &info), int(sizeof info));
      EXPECT_EQ(info.bmWidth, MENU_BITMAP_SIZE);
      EXPECT_EQ(info.bmHeight, MENU_BITMAP_SIZE);
      const auto px = Pixels(bitmap.get(), info.bmWidth, info.bmHeight);
      EXPECT_EQ(px.front(), kKeyPixel);
      EXPECT_EQ(px.back(), kKeyPixel);
      int opaque = 0;
      for (uint32_t p : px) opaque += p != kKeyPixel;
      EXPECT_GT(opaque, 100);
    }
}

// Finds the exact entry of an icon group for a size, the way the loader picks
// one, and reads its width from the entry's own header.
int EntryWidth(HMODULE module, const char* name, int size) {
  HRSRC group = FindResourceA(module, name, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  if (!group) return -1;
  auto* dir = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
  const int id = LookupIconIdFromDirectoryEx(dir, TRUE, size, size, LR_DEFAULTCOLOR);
  HRSRC icon = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3));  // RT_ICON
  if (!icon || SizeofResource(module, icon) < sizeof(BITMAPINFOHEADER)) return -2;
  const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, icon)));
  return header->biWidth;
}

TEST_F(ProgramResources, IconsCarryEverySizeTheShellAsksFor) {
  const struct {
    const char* name;
    std::vector<int> sizes;
  } icons[] = {{"AppIcon", {16, 32, 48}}, {"OffIcon", {16, 32, 48}}, {"LOGO", {48, 64}}};
  for (const auto& icon : icons)
    for (int s : icon.sizes) {
      SCOPED_TRACE(std::string(icon.name) + " " + std::to_string(s));
      EXPECT_EQ(EntryWidth(module_, icon.name, s), s);
      const OwnedIcon h(static_cast<HICON>(LoadImageA(module_, icon.name, IMAGE_ICON, s, s, 0)));
      ASSERT_TRUE(h);
    }
  EXPECT_NE(LoadIconA(module_, "AppIcon"), nullptr);
  EXPECT_NE(LoadIconA(module_, "OffIcon"), nullptr);
}

TEST_F(ProgramResources, TrayMenuHasItsCommandsInOrder) {
  const OwnedMenu menu(LoadMenuA(module_, MAKEINTRESOURCEA(ID_MENU_TRAY)));
  ASSERT_TRUE(menu);
  HMENU tray = GetSubMenu(menu.get(), 0);
  ASSERT_NE(tray, nullptr);
  const int sep = 0, popup = -1;
  const std::vector<int> want = {CMD_TOGGLE_ACTIVE,
                                 sep,
                                 CMD_SCREENSAVER_SETTINGS,
                                 CMD_SCREENSAVER_ONOFF,
                                 CMD_SCREENSAVER_START,
                                 CMD_MONITOR_OFF,
                                 popup,
                                 sep,
                                 CMD_OPTIONS,
                                 CMD_HELP,
                                 sep,
                                 CMD_EXIT};
  ASSERT_EQ(GetMenuItemCount(tray), int(want.size()));
  for (int i = 0; i < int(want.size()); ++i) EXPECT_EQ(int(GetMenuItemID(tray, i)), want[i]) << i;
  EXPECT_TRUE(GetMenuState(tray, CMD_TOGGLE_ACTIVE, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(tray, CMD_EXIT, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(tray, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(tray, WINAMP_SUBMENU_POS, MF_BYPOSITION) & MF_POPUP);

  HMENU winamp = GetSubMenu(tray, WINAMP_SUBMENU_POS);
  ASSERT_NE(winamp, nullptr);
  const std::vector<int> player = {CMD_WINAMP_START, sep,
                                   CMD_WINAMP_PREV,  CMD_WINAMP_PLAY,
                                   CMD_WINAMP_PAUSE, CMD_WINAMP_STOP,
                                   CMD_WINAMP_NEXT,  CMD_WINAMP_OPEN};
  ASSERT_EQ(GetMenuItemCount(winamp), int(player.size()));
  for (int i = 0; i < int(player.size()); ++i) EXPECT_EQ(int(GetMenuItemID(winamp, i)), player[i]) << i;
}

TEST_F(ProgramResources, VersionAndProductName) {
  const std::string path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010007u);
  EXPECT_EQ(fixed->dwFileVersionLS, 2081u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010007u);
  EXPECT_EQ(fixed->dwProductVersionLS, 2081u);
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &len));
  ASSERT_GE(len, 4u);
  char key[64];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\ProductName", translation[0], translation[1]);
  char* product = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), key, reinterpret_cast<void**>(&product), &len));
  EXPECT_STREQ(product, "Waylune Desktop");
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6) {
  HRSRC res = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(res, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module_, res))),
                         SizeofResource(module_, res));
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
}

}  // namespace
