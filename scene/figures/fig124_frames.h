#pragma once
// Figure 124, the plane with its banner: sheet "FIG124_00", four frames one
// under the other. Flying left the plane leads at the left and the banner
// trails on the right; flying right the other way round. The user's text is
// written into each frame's banner rectangle at run time.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig124Number = 124;
inline constexpr int kFig124Width = 656;
inline constexpr int kFig124Height = 86;
inline constexpr int kFig124LeftFirst = 0;   // frames 0, 1
inline constexpr int kFig124RightFirst = 2;  // frames 2, 3
inline constexpr SpriteFrame kFig124Frames[] = {
    {0, 0, 656, 86},
    {0, 87, 656, 86},
    {0, 173, 656, 86},
    {0, 260, 656, 86},
};
// {left, top, right, bottom} in the sheet, one per frame.
struct BannerRect {
  int left, top, right, bottom;
};
inline constexpr BannerRect kFig124BannerRects[] = {
    {220, 13, 612, 80},
    {220, 100, 612, 167},
    {40, 186, 432, 253},
    {40, 273, 432, 340},
};
// The letters' colour (a COLORREF: dark blue).
inline constexpr unsigned kFig124TextColour = 0x00200808;
