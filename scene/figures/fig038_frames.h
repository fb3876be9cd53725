#pragma once
// Figure 38, the Osterhase, in Easter week: sheet "FIG038_00". Hop 0-3, sit
// 4 (also lift, drop and the first dangle frame), the act 5-9.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig038Number = 38;
inline constexpr int kFig038Height = 103;
inline constexpr int kFig038HopFrames = 4;
inline constexpr int kFig038Sit = 4;
inline constexpr int kFig038ActFirst = 5;  // 5 to 8 or 5 to 9
inline constexpr SpriteFrame kFig038Frames[] = {
    {0, 0, 72, 103},    {73, 0, 80, 103},   {154, 0, 88, 103},  {243, 0, 96, 103},  {340, 0, 120, 103},
    {461, 0, 120, 103}, {582, 0, 120, 103}, {703, 0, 120, 103}, {824, 0, 120, 103}, {945, 0, 120, 103},
};
