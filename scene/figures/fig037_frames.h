#pragma once
// Figure 37, Nikolaus, in Advent: sheet "FIG037_00". Walk 0-3, the standing
// act 4-8, and four spare standing frames 9-12.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig037Number = 37;
inline constexpr int kFig037Height = 83;
inline constexpr int kFig037WalkFrames = 4;
inline constexpr int kFig037ActFirst = 4;  // 4 to 8
inline constexpr int kFig037ActFrames = 5;
inline constexpr SpriteFrame kFig037Frames[] = {
    {0, 0, 64, 83},   {65, 0, 64, 83},  {130, 0, 64, 83}, {195, 0, 72, 83}, {268, 0, 80, 83},
    {349, 0, 80, 83}, {430, 0, 80, 83}, {511, 0, 88, 83}, {600, 0, 88, 83}, {689, 0, 72, 83},
    {762, 0, 72, 83}, {835, 0, 64, 83}, {900, 0, 64, 83},
};
