#pragma once
// Figures 43 (Wendelin O.) and 49 (Ewald Pommer) share one layout: sheets
// "FIG043_00" and "FIG049_00". Walking left 0-3, the act 4-9 (lift 5, dangling
// 4-8, drop 4), walking right 10-13.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig043Number = 43;
inline constexpr int kFig049Number = 49;
inline constexpr int kFig043Height = 76;
inline constexpr SpriteFrame kFig043Frames[] = {
    {0, 0, 64, 76},   {65, 0, 64, 76},  {130, 0, 56, 76}, {187, 0, 56, 76}, {244, 0, 48, 76},
    {293, 0, 48, 76}, {342, 0, 48, 76}, {391, 0, 48, 76}, {440, 0, 48, 76}, {489, 0, 48, 76},
    {538, 0, 40, 76}, {579, 0, 48, 76}, {628, 0, 48, 76}, {677, 0, 56, 76},
};
