#pragma once
// Names, sizes and places of the weather sign's bitmaps and of the built-in
// wallpaper, shared by the program and the art generator.

#include <cstdio>
#include <string>

// The sign: frame "WETTER", the weather picture copied in at (1,5).
inline constexpr char kWeatherFrameName[] = "WETTER";
inline constexpr int kWeatherSignWidth = 88;
inline constexpr int kWeatherSignHeight = 85;
inline constexpr int kWeatherPictureX = 1;
inline constexpr int kWeatherPictureY = 5;
inline constexpr int kWeatherPictureWidth = 81;
inline constexpr int kWeatherPictureHeight = 54;
// The temperature's box: right edge and top inside the sign.
inline constexpr int kWeatherTextRight = 80;
inline constexpr int kWeatherTextTop = 6;

// The picture for missing data.
inline constexpr char kWeatherNoDataName[] = "WET_1_--_--";

// Pictures exist for cloud 1 to 4 with weather 0 to 5, and for a clear sky
// with no weather or fog.
inline constexpr bool WeatherPictureExists(int cloud, int weather) {
  if (weather < 0 || weather > 5) return false;
  if (cloud >= 1 && cloud <= 4) return true;
  return cloud == 0 && (weather == 0 || weather == 5);
}
inline std::string WeatherPictureName(int cloud, int weather) {
  char name[40];
  std::snprintf(name, sizeof name, "WET_1_%02d_%02d", cloud, weather);
  return name;
}

// The built-in wallpaper: a baseline JPEG of resource type "WALLPAPER".
inline constexpr char kWallpaperResourceType[] = "WALLPAPER";
inline constexpr char kBuiltinWallpaperName[] = "WOLKEN";
inline constexpr int kBuiltinWallpaperWidth = 1882;
inline constexpr int kBuiltinWallpaperHeight = 1200;
