#pragma once
// Figure 35, Fabiam Merk, who brings the due birthdays: sheet "FIG035_00".
// He walks in a moving window of 120 x 118 and stands while he tells.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig035Number = 35;
inline constexpr int kFig035Height = 118;
inline constexpr int kFig035Width = 120;  // the widest frame: his window
inline constexpr int kFig035WalkFrames = 4;
inline constexpr int kFig035StandFirst = 4;  // 4 to 8; also lift, dangle and drop
inline constexpr int kFig035StandLast = 8;
inline constexpr SpriteFrame kFig035Frames[] = {
    {0, 0, 88, 118},    {89, 0, 88, 118},   {178, 0, 88, 118},  {267, 0, 96, 118},  {364, 0, 104, 118},
    {469, 0, 120, 118}, {590, 0, 112, 118}, {703, 0, 112, 118}, {816, 0, 120, 118},
};
