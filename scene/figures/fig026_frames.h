#pragma once
// Figure 26, Gustav Lindtal, who carries a Christmas tree through Advent:
// sheet "FIG026_00", walking 0-3, the stop act 4-8.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig026Number = 26;
inline constexpr int kFig026Height = 132;
inline constexpr int kFig026ActFirst = 4;
inline constexpr SpriteFrame kFig026Frames[] = {
    {0, 0, 144, 132},   {145, 0, 160, 132}, {306, 0, 160, 132},  {467, 0, 160, 132},  {628, 0, 176, 132},
    {805, 0, 176, 132}, {982, 0, 176, 132}, {1159, 0, 176, 132}, {1336, 0, 176, 132},
};
