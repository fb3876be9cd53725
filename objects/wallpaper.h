#pragma once
// The desktop wallpaper the program can set: the built-in sky or a picture of
// the user's, scaled to cover the primary screen, cut to its size and written
// as the 24-bit BMP "wallpaper.bmp"; or no wallpaper at all.

#include <windows.h>

#include <cstdint>

// The largest scaled copy a wallpaper build allocates (RGB bytes); a picture
// so thin that covering the screen needs more is refused.
inline constexpr uint64_t kMaxWallpaperScaledBytes = 192ull << 20;

// Mode 0: no wallpaper; 1: the built-in picture; 2: the picture at `path`
// (nothing changes when it is empty or missing). The built picture goes to
// the WallpaperPath folder of `settings`. A failed build keeps the wallpaper
// the desktop has.
struct AppSettings;
void SetDesktopBackground(int mode, const char* path, const AppSettings& settings);

// Both write outputPath through a temporary file beside it: it is replaced
// only by a complete picture. 1 on success, 0 on failure.
int BuildWallpaperFromFile(const char* picturePath, const char* outputPath, int width, int height);
int BuildWallpaperFromResource(const char* name, const char* outputPath, int width, int height);

// A 256-entry palette of blue, green, red, reserved entries; the caller owns it.
HPALETTE MakePalette(const RGBQUAD* colours);
