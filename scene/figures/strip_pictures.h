#pragma once
// The scenery strips behind the figures: sheets "FIG201_00" to "FIG206_00"
// (200 + the HG setting), magenta for sky, and the Desktop page's previews
// "HG01" to "HG06". Shared by the strip's thread and the art generator.

inline constexpr int kStripFirstNumber = 201;
inline constexpr int kStripCount = 6;
// As wide as the Desktop page's offset slider reaches (0 to 2768 - screen width).
inline constexpr int kStripWidth = 2768;
inline constexpr int kStripHeights[kStripCount] = {84, 96, 78, 104, 88, 92};
inline constexpr const char* kStripPreviewFormat = "HG%02d";
inline constexpr int kStripPreviewWidth = 240;
